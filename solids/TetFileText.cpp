#include "solids/TetFileText.h"

#include <algorithm>
#include <cmath>

#include "solids/TetMeshError.h"
#include "surface_mesh/Text_scanner.h"

namespace Zarvo {

namespace {

// A token as a message quotes it: long ones cut, so a line of garbage
// stays one readable line.
std::string quoted(std::string_view token)
{
    constexpr std::size_t longest = 24;
    return "'" + std::string(token.substr(0, longest)) + (token.size() > longest ? "...'" : "'");
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

}  // namespace

TetFileText::TetFileText(const std::string& path, std::string name, char comment)
    : name_(std::move(name)), comment_(comment)
{
    if (!file_.open(path, surface_mesh::File_reader::Mode::text))
        throw TetMeshError("cannot read mesh " + name_);
}

bool TetFileText::nextLine()
{
    tokens_.clear();
    next_ = 0;
    while (tokens_.empty()) {
        if (!file_.read_line(text_))
            return false;
        ++lineNumber_;
        split();
    }
    return true;
}

void TetFileText::requireLine(const std::string& what)
{
    if (!nextLine())
        fail("the file ends where " + what + " should be");
}

void TetFileText::endLine(const std::string& what) const
{
    if (tokensLeft())
        fail("unexpected " + quoted(tokens_[next_]) + " after " + what);
}

std::string_view TetFileText::token(const std::string& what)
{
    if (!tokensLeft())
        fail("the line ends where " + what + " should be");
    return tokens_[next_++];
}

bool TetFileText::nextToken(std::string_view& token)
{
    while (!tokensLeft())
        if (!nextLine())
            return false;
    token = tokens_[next_++];
    return true;
}

std::string_view TetFileText::anyToken(const std::string& what)
{
    std::string_view token;
    if (!nextToken(token))
        fail("the file ends where " + what + " should be");
    return token;
}

long long TetFileText::integer(const std::string& what, long long low, long long high)
{
    return integerOf(token(what), what, low, high);
}

double TetFileText::number(const std::string& what)
{
    return numberOf(token(what), what);
}

long long TetFileText::integerOf(std::string_view token, const std::string& what, long long low,
                                 long long high) const
{
    surface_mesh::Text_scanner scanner(token.data());
    long long value = 0;
    if (!scanner.read_integer(value) || scanner.position() != token.data() + token.size())
        failFound(what + " (a whole number)", token);
    if (value < low || value > high)
        fail(what + " must be from " + std::to_string(low) + " to " + std::to_string(high)
             + ", not " + quoted(token));
    return value;
}

double TetFileText::numberOf(std::string_view token, const std::string& what) const
{
    surface_mesh::Text_scanner scanner(token.data());
    double value = 0.0;
    if (!scanner.read_double(value) || scanner.position() != token.data() + token.size()
        || !std::isfinite(value))
        failFound(what + " (a finite number)", token);
    return value;
}

void TetFileText::fail(const std::string& what) const
{
    throw TetMeshError(name_ + ":" + std::to_string(lineNumber_) + ": " + what);
}

void TetFileText::failFound(const std::string& expected, std::string_view token) const
{
    fail("expected " + expected + ", found " + quoted(token));
}

void TetFileText::split()
{
    std::size_t end = text_.size();
    if (comment_ != '\0')
        end = std::min(end, text_.find(comment_));
    std::size_t i = 0;
    while (i < end) {
        while (i < end && isSpace(text_[i]))
            ++i;
        std::size_t j = i;
        while (j < end && !isSpace(text_[j]) && text_[j] != '\0')
            ++j;
        if (j > i)
            tokens_.emplace_back(text_.data() + i, j - i);
        i = j + (j < end && text_[j] == '\0' ? 1 : 0);
    }
}

}  // namespace Zarvo
