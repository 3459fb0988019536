// Whole-file operations used by the log, the XML reader and writer and the
// project code. Paths use forward slashes.
#pragma once

#include "core/string.h"

#include <vector>

// Reads the whole file. On failure `bytes` is left empty and false returned.
bool readFile(const String& path, std::vector<unsigned char>& bytes);

// Creates or truncates the file and writes `count` bytes. Refuses a null
// buffer or a count below 1. True only if every byte was written and the file
// closed cleanly.
bool writeFile(const String& path, const void* bytes, int count);

// As writeFile, appending to the file (created when missing).
bool appendFile(const String& path, const void* bytes, int count);

// Writes the bytes to a temporary file beside `path` and renames it over
// `path`, so that a failure at any point leaves the old file untouched.
// A count of 0 is allowed (an empty file). True on success.
bool replaceFile(const String& path, const void* bytes, int count);

// Directory of the running executable with its trailing slash
// ("/opt/plastora/"), from /proc/self/exe. Empty when it cannot be found.
String executableDirectory();
