#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "surface_mesh/File_reader.h"

namespace Zarvo {

// A tetrahedral mesh file's text as its readers walk it: line by line or
// token by token (white-space separated), numbers in the "C" format
// whatever the locale, with every refusal naming the file and the line
// ("bar.node:7: ..."). Blank lines, and everything from the comment
// character to the end of its line, are passed over.
class TetFileText
{
public:
    // `path`: the file; `name`: how messages name it; `comment`: the
    // character that starts a comment, or '\0' for none. Throws
    // TetMeshError when the file cannot be opened.
    TetFileText(const std::string& path, std::string name, char comment);

    // Moves to the next line holding a token, leaving what was not read of
    // the current one; false at the end of the file.
    bool nextLine();
    // The same, refusing the end of the file: `what` is what the line
    // should hold ("the node count").
    void requireLine(const std::string& what);
    // Refuses a token left on the current line after `what`.
    void endLine(const std::string& what) const;

    // The next token of the current line; refused when the line ends first.
    std::string_view token(const std::string& what);
    // The next token, on this line or a later one; false at the end of the file.
    bool nextToken(std::string_view& token);
    // The same, refused at the end of the file.
    std::string_view anyToken(const std::string& what);
    bool tokensLeft() const { return next_ < tokens_.size(); }

    // The next token of the current line as a whole number from `low` to
    // `high`, or as a finite number; refused otherwise.
    long long integer(const std::string& what, long long low, long long high);
    double number(const std::string& what);
    // The same for a token already taken.
    long long integerOf(std::string_view token, const std::string& what, long long low,
                        long long high) const;
    double numberOf(std::string_view token, const std::string& what) const;

    // The current line's number, from 1 (the last line at the end of the file).
    int line() const { return lineNumber_; }
    const std::string& name() const { return name_; }

    // Throws TetMeshError "name:line: what".
    [[noreturn]] void fail(const std::string& what) const;
    // The same for "expected EXPECTED, found 'TOKEN'", a long token cut.
    [[noreturn]] void failFound(const std::string& expected, std::string_view token) const;

private:
    void split();

    surface_mesh::File_reader file_;
    std::string name_;
    char comment_;
    std::string text_;
    // Each token ends in text_ at white space or at its end, so that the
    // number scanner stops there.
    std::vector<std::string_view> tokens_;
    std::size_t next_ = 0;
    int lineNumber_ = 0;
};

}  // namespace Zarvo
