#pragma once

#include <string>

// A JSON string literal of text, quotes included: quotes, backslashes and control characters
// escaped, and any byte sequence that is not UTF-8 replaced by U+FFFD, so the result is always
// valid JSON in valid UTF-8 (file names and tags may hold any bytes).
std::string jsonString(const std::string& text);
