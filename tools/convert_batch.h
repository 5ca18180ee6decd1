#pragma once

#include <string>
#include <vector>

#include "tools/convert_job.h"

// Converts many files at once: each input becomes DIR/NAME.wav (NAME.raw with raw settings; NAME:
// the input's file name without its extension), on at most `jobs` threads of this process, each
// file byte for byte what a single conversion gives. Prints one line per file as it ends and a
// total; 0 when every file converted, 1 otherwise (a failure does not stop the others), 2 for two
// inputs of one name.
int convertBatch(const std::vector<std::string>& inputs, const std::string& dir, unsigned jobs,
                 const ConvertSettings& settings);
