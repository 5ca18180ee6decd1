#include "norv/conversion_output.h"

#include <cerrno>
#include <climits>

#include "orvane/dsp.h"

ConversionOutput& ConversionOutput::instance()
{
    static ConversionOutput output;
    return output;
}

ConversionOutput::~ConversionOutput()
{
    closeLocked();
}

bool ConversionOutput::setRate(int32_t rate)
{
    if (rate < 1 || rate > 384000)
        return false;
    std::lock_guard<std::mutex> lock(mutex_);
    rate_ = rate;
    return true;
}

bool ConversionOutput::setPath(const char* path)
{
    if (path == nullptr || *path == '\0')
        return false;
    std::lock_guard<std::mutex> lock(mutex_);
    closeLocked();
    path_ = path;
    error_ = 0;
    return true;
}

bool ConversionOutput::write(const int16_t* pcm, int64_t frames, uint32_t channels)
{
    if (pcm == nullptr || frames <= 0 || frames * 2 * channels > INT32_MAX)
        return false;
    std::lock_guard<std::mutex> lock(mutex_);
    if (path_.empty())
        return false;
    if (file_ == nullptr) {
        OrvaneWaveFormat wf{};
        wf.wFormatTag = 1;
        wf.nChannels = static_cast<uint16_t>(channels);
        wf.nSamplesPerSec = static_cast<uint32_t>(rate_);
        wf.nBlockAlign = static_cast<uint16_t>(2 * channels);
        wf.nAvgBytesPerSec = wf.nSamplesPerSec * wf.nBlockAlign;
        wf.wBitsPerSample = 16;
        errno = 0;
        file_ = initWavefileOut(path_.c_str(), &wf);
        if (file_ == nullptr) {
            noteError();
            return false;
        }
        fileChannels_ = channels;
    }
    if (channels != fileChannels_)
        return false;
    const int32_t bytes = static_cast<int32_t>(frames * 2 * channels);
    errno = 0;
    if (writeWavefileOut(file_, pcm, bytes) == bytes)
        return true;
    noteError();
    return false;
}

void ConversionOutput::noteError()
{
    if (error_ == 0)
        error_ = errno != 0 ? errno : EIO;
}

int32_t ConversionOutput::lastError()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return error_;
}

uint32_t ConversionOutput::close()
{
    std::lock_guard<std::mutex> lock(mutex_);
    path_.clear();
    return closeLocked();
}

uint32_t ConversionOutput::closeLocked()
{
    errno = 0;
    const uint32_t bytes = termWavefileOut(file_);
    if (bytes == kCloseFailed)
        noteError();
    file_ = nullptr;
    fileChannels_ = 0;
    return bytes;
}
