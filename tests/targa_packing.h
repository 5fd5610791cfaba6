// Run-length packing of Targa pixel data, for tests and benchmarks that build
// their own files: runs where neighbours repeat, raw packets elsewhere, each up
// to 128 pixels and free to cross rows.
#pragma once
#include <vector>

std::vector<unsigned char> runLengthEncode(const std::vector<unsigned char>& pixels, int fileBytes);
