#pragma once

#include <string>
#include <vector>

// Converts many files at once: each input becomes DIR/NAME.wav (NAME: the input's file name
// without its extension), made by a copy of this program running `convert IN OUT` with the
// options given, at most `jobs` at a time. Copies rather than threads because a process runs one
// conversion at a time; each file is then byte for byte what a single conversion gives. Prints one
// line per file as it ends and a total; 0 when every file converted, 1 otherwise (a failure does
// not stop the others), 2 for two inputs of one name.
int convertBatch(const std::vector<std::string>& inputs, const std::string& dir, unsigned jobs,
                 const std::vector<std::string>& options);
