// What the command-line tool asks of the file system beyond opening files: whether two names are
// one file, whether a name is a plain file, and temporary files in the system's temporary folder.
#pragma once

#include <cstdio>
#include <string>

namespace platform {

// True when both paths name one existing file, however they are spelt (links included).
bool sameFile(const char* a, const char* b);

// True when path names an existing regular file (not a folder or a device).
bool isRegularFile(const char* path);

// A new empty file open for reading and writing that disappears when closed; null on failure.
FILE* openTemporaryStream();

// Creates a new empty file, named with prefix, in the temporary folder and gives its path; the
// caller removes it. False when none can be made (errno then tells why where the system says).
bool createTemporaryFile(const char* prefix, std::string& path);

}  // namespace platform
