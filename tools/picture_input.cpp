#include "tools/picture_input.h"

#include "tools/audio_file.h"

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
