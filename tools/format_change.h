#pragma once

#include <cstdint>
#include <string>

// What the commands say of a stream whose sampling rate or channel count changes part-way: the
// library delivers it whole in its first part's format, converting the later parts.
std::string formatChangeNotice(const std::string& path, uint32_t changes, uint32_t rate, uint32_t channels);
