#include "tools/mpeg_file.h"

#include <climits>

MpegFile::~MpegFile()
{
    OrvaneDecodeClose(decoder_);
    if (file_ != nullptr)
        std::fclose(file_);
}

bool MpegFile::open(FILE* file, int64_t offset)
{
    file_ = file;
    offset_ = offset;
    decoder_ = OrvaneDecodeOpenCallbacks(&MpegFile::read, &MpegFile::seek, this);
    return decoder_ != nullptr;
}

bool MpegFile::open(std::unique_ptr<StreamInput> input, int64_t offset)
{
    input_ = std::move(input);
    if (!skipBytes(*input_, offset))
        return false;
    decoder_ = OrvaneDecodeOpenCallbacks(&StreamInput::readCallback, nullptr, input_.get());
    return decoder_ != nullptr;
}

int64_t MpegFile::read(void* context, void* buffer, int64_t bytes)
{
    FILE* file = static_cast<MpegFile*>(context)->file_;
    const size_t n = std::fread(buffer, 1, size_t(bytes), file);
    return n == 0 && std::ferror(file) ? -1 : int64_t(n);
}

// Positions count from the stream's first byte, offset_ bytes into the file.
int64_t MpegFile::seek(void* context, int64_t offset, int32_t whence)
{
    const auto* self = static_cast<MpegFile*>(context);
    if (whence == 0)
        offset += self->offset_;
    const int origin = whence == 0 ? SEEK_SET : whence == 1 ? SEEK_CUR : SEEK_END;
    if (offset < LONG_MIN || offset > LONG_MAX || std::fseek(self->file_, long(offset), origin) != 0)
        return -1;
    const int64_t at = int64_t(std::ftell(self->file_)) - self->offset_;
    return at < 0 ? -1 : at;
}
