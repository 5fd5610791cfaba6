// Writing a drawn picture as an RGBA PNG file, for the pictures that leave the
// game: the desktop icons.
#pragma once

#include <string>

#include "tools/pictures/painting.h"

// False, with a line on stdout, when the file cannot be written.
bool writePngPicture(const std::string& path, const Picture& picture);
