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

// What the picture commands are asked: "IN OUT.png [--width PIXELS]", and "--size N" too when
// fftSize is not null. 0 with the input read, or the exit status after a message.
struct PictureRequest {
    std::string outPath;
    long width = 800;
    long fftSize = 1024;
    PictureInput input;
};
int readPictureRequest(const std::vector<std::string>& args, bool withSize, PictureRequest& request);
