// Whole-file input and checked output for the command-line tool. Errors come back as text
// that names the file, ready for standard error.
#pragma once

#include <string>
#include <string_view>

// Reads a whole file, or standard input for an empty path.
bool ReadAll(const std::string& path, std::string& bytes, std::string& error);
// Writes to standard output; false (with the reason) when the write failed, e.g. on a full disk.
bool WriteOut(std::string_view bytes, std::string& error);
// "standard input" for the empty path, the path otherwise.
std::string InputName(const std::string& path);
