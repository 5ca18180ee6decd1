#pragma once

#include <string>

// Output-file helpers the writing commands share.

// True when both paths name one existing file (same device and file number), however they are spelt.
bool sameFile(const std::string& a, const std::string& b);
// Removes a failed output, but only a regular file: a device such as /dev/full stays.
void removePartialOutput(const std::string& path);
// "cannot write 'path': reason" for the errno value err (0 gives a generic reason).
std::string writeError(const std::string& path, int err);
