// Writing a drawn picture as the 32-bit Targa file the game loads, with the
// same bytes on every run.
#pragma once

#include <string>

#include "tools/pictures/painting.h"

// Writes folder/name; false, with a line on stdout, when it cannot.
bool writePicture(const std::string& folder, const char* name, const Picture& picture);
