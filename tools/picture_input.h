#pragma once

#include <string>
#include <vector>

// The whole of an input the picture commands draw: samples per channel, full scale at 1.0.
struct PictureInput {
    unsigned rate = 0;
    std::vector<std::vector<float>> channels;
    size_t frames() const { return channels.empty() ? 0 : channels[0].size(); }
};

// Reads any input the processing commands take; false with the reason in error.
bool readPictureInput(const std::string& path, PictureInput& input, std::string& error);
