#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "orvane/mp3.h"

// One decoder handle over a path, a bytes-like object or a binary file object, usable from any
// Python thread: every call drops the GIL and then takes the handle's own lock.
class StreamSource {
public:
    // Null when the library cannot open the stream (not MPEG audio, unreadable).
    static std::unique_ptr<StreamSource> openPath(const std::string& path);
    // data exports a contiguous buffer, held (not copied) while the source lives.
    static std::unique_ptr<StreamSource> openBuffer(pybind11::object data);
    // file has read(into) and seek; the library reads it through callbacks that take the GIL.
    static std::unique_ptr<StreamSource> openFile(pybind11::object file);
    ~StreamSource();

    // The stream's format as the decode interface states it.
    pybind11::dict format();
    // frames frames (all to the end when negative) from the current position, as a
    // (frames, channels) array of float32 (full scale 1) or int16; fewer at the end.
    // expected (the frames left, as far as known) sizes the array, which grows when it is short.
    pybind11::array read(int64_t frames, bool int16, uint64_t expected);
    // Makes frame the next one read; false past the end or when the source fails.
    bool seek(uint64_t frame);
    uint64_t tell();
    // What a scan of the stream's frame headers finds (made once per handle), or None when the
    // source cannot be scanned.
    pybind11::object streamInfo();
    // Tag text field 0..6 ("" when absent).
    std::string tag(int32_t field);
    // The ReplayGain values the stream states, by their tag names (replaygain_track_gain in dB,
    // replaygain_track_peak, replaygain_album_gain, replaygain_album_peak).
    pybind11::dict replayGain();
    void close();
    bool closed();

private:
    // Opens the handle open() gives and reads its format, without the GIL.
    template<typename Open> void start(Open open);
    struct FileCallbacks;

    StreamSource() = default;
    // Raises the error a file object's method gave during the last call, if any.
    void raisePending();
    template<typename T> pybind11::array readAs(int64_t frames, uint64_t expected);

    std::mutex lock_;
    OrvaneDecoder* decoder_ = nullptr;
    OrvaneDecodeFormat format_{};
    pybind11::object owner_;
    Py_buffer view_{};
    bool viewHeld_ = false;
    std::unique_ptr<FileCallbacks> file_;
};
