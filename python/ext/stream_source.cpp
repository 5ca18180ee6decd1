#include "stream_source.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <type_traits>

namespace py = pybind11;

// A Python binary file read and moved by the decoder on whichever thread runs it. Each call
// takes the GIL; an exception raised by the file is kept as text and raised once the
// library call returns.
struct StreamSource::FileCallbacks {
    py::object read;
    py::object readinto;
    py::object seek;
    std::string error;

    static int64_t readBytes(void* context, void* buffer, int64_t bytes)
    {
        auto* self = static_cast<FileCallbacks*>(context);
        py::gil_scoped_acquire gil;
        try {
            if (!self->readinto.is_none()) {
                const py::object got = self->readinto(py::memoryview::from_memory(buffer, py::ssize_t(bytes)));
                return got.is_none() ? 0 : std::min<int64_t>(got.cast<int64_t>(), bytes);
            }
            const py::bytes got = self->read(bytes);
            char* data = nullptr;
            py::ssize_t size = 0;
            PYBIND11_BYTES_AS_STRING_AND_SIZE(got.ptr(), &data, &size);
            size = std::min<py::ssize_t>(size, py::ssize_t(bytes));
            std::memcpy(buffer, data, size_t(size));
            return size;
        } catch (py::error_already_set& e) {
            self->error = e.what();
            return -1;
        } catch (const py::cast_error& e) {
            self->error = e.what();
            return -1;
        }
    }

    static int64_t seekTo(void* context, int64_t offset, int32_t whence)
    {
        auto* self = static_cast<FileCallbacks*>(context);
        py::gil_scoped_acquire gil;
        try {
            return self->seek(offset, whence).cast<int64_t>();
        } catch (py::error_already_set& e) {
            self->error = e.what();
            return -1;
        } catch (const py::cast_error& e) {
            self->error = e.what();
            return -1;
        }
    }
};

template<typename Open> void StreamSource::start(Open open)
{
    py::gil_scoped_release unlocked;
    decoder_ = open();
    // The first format read may survey every frame header: without the GIL too.
    if (decoder_ != nullptr)
        OrvaneDecodeGetFormat(decoder_, &format_);
}

std::unique_ptr<StreamSource> StreamSource::openPath(const std::string& path)
{
    std::unique_ptr<StreamSource> source(new StreamSource);
    source->start([&] { return OrvaneDecodeOpenFile(path.c_str()); });
    if (source->decoder_ == nullptr)
        return nullptr;
    return source;
}

std::unique_ptr<StreamSource> StreamSource::openBuffer(py::object data)
{
    std::unique_ptr<StreamSource> source(new StreamSource);
    if (PyObject_GetBuffer(data.ptr(), &source->view_, PyBUF_C_CONTIGUOUS) != 0)
        throw py::error_already_set();
    source->viewHeld_ = true;
    source->owner_ = std::move(data);
    source->start([&] { return OrvaneDecodeOpenMemory(source->view_.buf, uint64_t(source->view_.len)); });
    if (source->decoder_ == nullptr)
        return nullptr;
    return source;
}

std::unique_ptr<StreamSource> StreamSource::openFile(py::object file)
{
    std::unique_ptr<StreamSource> source(new StreamSource);
    source->file_.reset(new FileCallbacks);
    FileCallbacks& callbacks = *source->file_;
    callbacks.read = file.attr("read");
    callbacks.readinto = py::hasattr(file, "readinto") ? py::object(file.attr("readinto")) : py::object(py::none());
    callbacks.seek = file.attr("seek");
    source->owner_ = std::move(file);
    source->start(
        [&] { return OrvaneDecodeOpenCallbacks(&FileCallbacks::readBytes, &FileCallbacks::seekTo, &callbacks); });
    source->raisePending();
    if (source->decoder_ == nullptr)
        return nullptr;
    return source;
}

StreamSource::~StreamSource()
{
    close();
}

void StreamSource::raisePending()
{
    if (file_ == nullptr || file_->error.empty())
        return;
    const std::string error = std::move(file_->error);
    file_->error.clear();
    PyErr_SetString(PyExc_OSError, ("the file object failed: " + error).c_str());
    throw py::error_already_set();
}

py::dict StreamSource::format()
{
    py::dict out;
    out["samplerate"] = format_.sampleRate;
    out["channels"] = format_.channels;
    out["layer"] = format_.layer;
    out["bitrate"] = format_.bitrate;
    out["samples_per_frame"] = format_.samplesPerFrame;
    out["encoder_delay"] = format_.encoderDelay;
    out["encoder_padding"] = format_.encoderPadding;
    out["total_frames"] = format_.totalFrames;
    out["format_changes"] = format_.formatChanges;
    return out;
}

template<typename T> py::array StreamSource::readAs(int64_t frames, uint64_t expected)
{
    constexpr uint64_t kStep = 1 << 16;
    const py::ssize_t channels = std::max<py::ssize_t>(format_.channels, 1);
    // NumPy's own allocation, which large arrays get huge pages for: the decoder writes each
    // sample once, into the array the caller receives.
    const uint64_t limit = frames >= 0 ? uint64_t(frames) : UINT64_MAX;
    uint64_t capacity = std::min(limit, std::max(expected, kStep));
    py::array_t<T> out({py::ssize_t(capacity), channels});
    uint64_t done = 0;
    while (true) {
        T* data = out.mutable_data();
        bool ended = false;
        {
            py::gil_scoped_release unlocked;
            std::lock_guard<std::mutex> hold(lock_);
            while (done < capacity) {
                int64_t got = 0;
                if (decoder_ == nullptr)
                    got = 0;
                else if constexpr (std::is_same_v<T, float>)
                    got = OrvaneDecodeReadFloat(decoder_, data + done * channels, int64_t(capacity - done));
                else
                    got = OrvaneDecodeReadInt16(decoder_, data + done * channels, int64_t(capacity - done));
                if (got <= 0) {
                    ended = true;
                    break;
                }
                done += uint64_t(got);
            }
        }
        raisePending();
        if (ended || capacity == limit)
            break;
        // Longer than expected: a larger array, the samples so far copied over once.
        capacity = std::min(limit, capacity + std::max(capacity / 2, kStep));
        py::array_t<T> larger({py::ssize_t(capacity), channels});
        std::memcpy(larger.mutable_data(), data, size_t(done) * size_t(channels) * sizeof(T));
        out = std::move(larger);
    }
    if (done == capacity)
        return std::move(out);
    // A view of the samples read: C-contiguous, without copying.
    return out[py::slice(0, py::ssize_t(done), 1)];
}

py::array StreamSource::read(int64_t frames, bool int16, uint64_t expected)
{
    if (closed())
        throw py::value_error("the decoder is closed");
    return int16 ? readAs<int16_t>(frames, expected) : readAs<float>(frames, expected);
}

bool StreamSource::seek(uint64_t frame)
{
    int32_t done = 0;
    {
        py::gil_scoped_release unlocked;
        std::lock_guard<std::mutex> hold(lock_);
        done = decoder_ != nullptr && OrvaneDecodeSeek(decoder_, frame);
    }
    raisePending();
    return done != 0;
}

uint64_t StreamSource::tell()
{
    py::gil_scoped_release unlocked;
    std::lock_guard<std::mutex> hold(lock_);
    return decoder_ != nullptr ? OrvaneDecodeTell(decoder_) : 0;
}

py::object StreamSource::streamInfo()
{
    OrvaneStreamInfo info{};
    int32_t done = 0;
    {
        py::gil_scoped_release unlocked;
        std::lock_guard<std::mutex> hold(lock_);
        done = decoder_ != nullptr && OrvaneDecodeGetStreamInfo(decoder_, &info);
    }
    raisePending();
    if (!done)
        return py::none();
    py::dict out;
    out["version"] = info.version;
    out["layer"] = info.layer;
    out["samplerate"] = info.sampleRate;
    out["channel_mode"] = info.channelMode;
    out["bitrate"] = info.firstBitrate;
    out["vbr"] = info.variableBitrate != 0;
    out["frames"] = info.frames;
    out["samples"] = info.samples;
    out["audio_bytes"] = info.audioBytes;
    out["vbr_tag"] = info.vbrTag;
    out["encoder_tag"] = info.encoderTag != 0;
    out["encoder_delay"] = info.encoderDelay;
    out["encoder_padding"] = info.encoderPadding;
    out["truncated"] = info.truncated != 0;
    out["format_changes"] = info.formatChanges;
    return std::move(out);
}

std::string StreamSource::tag(int32_t field)
{
    std::string text;
    py::gil_scoped_release unlocked;
    std::lock_guard<std::mutex> hold(lock_);
    const int32_t size = decoder_ != nullptr ? OrvaneDecodeGetTagText(decoder_, field, nullptr, 0) : 0;
    if (size > 0) {
        text.resize(size_t(size) + 1);
        OrvaneDecodeGetTagText(decoder_, field, text.data(), size + 1);
        text.resize(size_t(size));
    }
    return text;
}

pybind11::dict StreamSource::replayGain()
{
    OrvaneReplayGain gain{};
    {
        py::gil_scoped_release unlocked;
        std::lock_guard<std::mutex> hold(lock_);
        if (decoder_ == nullptr || OrvaneDecodeGetReplayGain(decoder_, &gain) != 1)
            gain = OrvaneReplayGain{};
    }
    py::dict out;
    if (gain.hasTrack)
        out["replaygain_track_gain"] = gain.trackGain;
    if (gain.trackPeak > 0.0f)
        out["replaygain_track_peak"] = gain.trackPeak;
    if (gain.hasAlbum)
        out["replaygain_album_gain"] = gain.albumGain;
    if (gain.albumPeak > 0.0f)
        out["replaygain_album_peak"] = gain.albumPeak;
    return out;
}

void StreamSource::close()
{
    {
        py::gil_scoped_release unlocked;
        std::lock_guard<std::mutex> hold(lock_);
        OrvaneDecodeClose(decoder_);
        decoder_ = nullptr;
    }
    if (viewHeld_) {
        PyBuffer_Release(&view_);
        viewHeld_ = false;
    }
}

bool StreamSource::closed()
{
    py::gil_scoped_release unlocked;
    std::lock_guard<std::mutex> hold(lock_);
    return decoder_ == nullptr;
}
