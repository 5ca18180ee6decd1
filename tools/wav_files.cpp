#include "tools/wav_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/tool/files.h"

WavDataReader::WavDataReader(void* in)
    : in_(in), frameBytes_(2u * getFormatWavefileIn(in)->nChannels), total_(getHeaderWavefileIn(in)->dataBytes),
      left_(total_)
{
}

int32_t WavDataReader::read(void* dst, uint32_t frames)
{
    const uint64_t whole = left_ / frameBytes_;
    if (whole < frames)
        frames = static_cast<uint32_t>(whole);
    if (frames == 0)
        return 0;
    int32_t got = readWavefileIn(in_, dst, frames);
    if (got < 0)
        return -1;
    // A file cut short inside a frame: the partial frame is dropped and the data ends here.
    got -= got % static_cast<int32_t>(frameBytes_);
    left_ = got == 0 ? 0 : left_ - static_cast<uint32_t>(got);
    return got;
}

WavOutput::~WavOutput()
{
    if (out_ != nullptr) {
        termWavefileOut(out_);
        removePartialOutput(path_);
    }
}

bool WavOutput::create(const std::string& path, const OrvaneWaveFormat& format, std::string& error)
{
    errno = 0;
    out_ = initWavefileOut(path.c_str(), &format);
    if (out_ == nullptr) {
        error = writeError(path, errno);
        return false;
    }
    path_ = path;
    return true;
}

bool WavOutput::write(const void* src, int32_t bytes, std::string& error)
{
    errno = 0;
    if (writeWavefileOut(out_, src, bytes) == bytes)
        return true;
    error = writeError(path_, errno);
    return false;
}

bool WavOutput::finish(std::string& error)
{
    errno = 0;
    const bool ok = termWavefileOut(out_) != 0xFFFFFFFFu;
    out_ = nullptr;
    if (!ok) {
        error = writeError(path_, errno);
        removePartialOutput(path_);
    }
    return ok;
}

bool sameFile(const std::string& a, const std::string& b)
{
    return platform::sameFile(a.c_str(), b.c_str());
}

void removePartialOutput(const std::string& path)
{
    if (platform::isRegularFile(path.c_str()))
        std::remove(path.c_str());
}

std::string writeError(const std::string& path, int err)
{
    return "cannot write '" + path + "': " + (err != 0 ? std::strerror(err) : "the file refused the data");
}
