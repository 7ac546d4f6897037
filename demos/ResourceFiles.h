#pragma once

#include <string>
#include <vector>

#include <QImage>

// The program's data files live in the folder "resources" beside the
// executable.

// That folder: the executable's folder + "/resources", no trailing slash.
std::string resourceFolder();

// Reads image `file` of the resource folder and converts it to GL layout
// (RGBA bytes, first row at the bottom). A missing or unreadable image gives a
// null image, which draws untextured, and the message "cannot read
// resources/<file>", written to standard error and appended to `problems`.
QImage loadResourceImage(const std::string& file, std::vector<std::string>& problems);

// The same for an image anywhere, named by its `path` (as the person gave
// it, through a scene file): the message is "cannot read <path>".
QImage loadImageFile(const std::string& path, std::vector<std::string>& problems);
