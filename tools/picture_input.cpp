#include "tools/picture_input.h"

#include "tools/audio_file.h"
#include "tools/cli.h"

bool readPictureInput(const std::string& path, PictureInput& input, std::string& error)
{
    const auto reader = openAudio(path, error);
    if (reader == nullptr)
        return false;
    input.rate = reader->rate();
    input.channels.assign(reader->channels(), {});
    std::vector<float> block(size_t(4096) * reader->channels());
    int64_t got = 0;
    while ((got = reader->read(block.data(), 4096)) > 0)
        for (int64_t i = 0; i < got; ++i)
            for (size_t c = 0; c < input.channels.size(); ++c)
                input.channels[c].push_back(block[size_t(i) * input.channels.size() + c]);
    if (got < 0)
        return error = "read error in '" + path + "'", false;
    if (input.frames() == 0)
        return error = "'" + path + "' holds no audio", false;
    return true;
}

int readPictureRequest(const std::vector<std::string>& args, bool withSize, PictureRequest& request)
{
    std::vector<std::string> paths;
    for (ArgReader r(args); !r.done();) {
        if (withSize && r.option("--size")) {
            if (!r.integer(64, 16384, "a power of two", request.fftSize))
                return 2;
            if (request.fftSize & (request.fftSize - 1))
                return usageError("--size must be a power of two, not " + std::to_string(request.fftSize));
        } else if (r.option("--width")) {
            if (!r.integer(100, 4000, "pixels", request.width))
                return 2;
        } else if (const int status = r.operand(paths)) {
            return status;
        }
    }
    if (paths.size() != 2)
        return usageError("give IN and OUT.png");
    request.outPath = paths[1];
    std::string error;
    return readPictureInput(paths[0], request.input, error) ? 0 : failure(error);
}
