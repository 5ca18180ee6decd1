#include "dsp/wavefile/riff_chunk.h"

namespace riff {

namespace {

bool readHeader(platform::WaveFile& file, Chunk& chunk)
{
    uint8_t h[8];
    if (file.read(h, 8) != 8)
        return false;
    chunk.id = readLe32(h);
    chunk.size = readLe32(h + 4);
    chunk.dataOffset = file.position();
    return chunk.dataOffset >= 0;
}

}  // namespace

bool descendWaveForm(platform::WaveFile& file, Chunk& riffChunk)
{
    if (file.seek(0, platform::WaveFile::Origin::Begin) != 0 || !readHeader(file, riffChunk)
        || riffChunk.id != fourcc("RIFF"))
        return false;
    uint8_t form[4];
    return file.read(form, 4) == 4 && readLe32(form) == fourcc("WAVE");
}

bool findChunk(platform::WaveFile& file, uint32_t id, int64_t limit, Chunk& found)
{
    // Each step moves forward by at least 8 bytes, so a hostile file cannot loop forever.
    while (file.position() + 8 <= limit) {
        if (!readHeader(file, found))
            return false;
        if (found.id == id)
            return true;
        if (!ascend(file, found))
            return false;
    }
    return false;
}

bool ascend(platform::WaveFile& file, const Chunk& chunk)
{
    const int64_t end = chunk.dataOffset + chunk.size + (chunk.size & 1);
    return file.seek(end, platform::WaveFile::Origin::Begin) == end;
}

}  // namespace riff
