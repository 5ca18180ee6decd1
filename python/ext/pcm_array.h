#pragma once

#include <pybind11/numpy.h>

#include <cstdint>
#include <cstdlib>
#include <new>

// Interleaved samples in one malloc'd block that grows while output of unknown length (an
// effect chain's) is written, is trimmed to its length at the end, and then becomes a NumPy array's memory: the
// samples are written once, where the caller finds them.
template<typename T> class PcmArray {
public:
    PcmArray(uint64_t frames, uint32_t channels) : channels_(channels) { reserve(frames); }
    ~PcmArray() { std::free(data_); }
    PcmArray(const PcmArray&) = delete;
    PcmArray& operator=(const PcmArray&) = delete;

    uint64_t frames() const { return frames_; }
    uint64_t capacity() const { return capacity_; }
    uint32_t channels() const { return channels_; }
    // Where the next frames go, and that they have been written.
    T* end() { return data_ + frames_ * channels_; }
    void advance(uint64_t frames) { frames_ += frames; }
    // Room for at least frames frames in all; throws std::bad_alloc.
    void reserve(uint64_t frames)
    {
        if (frames <= capacity_ && data_ != nullptr)
            return;
        const uint64_t bytes = (frames > 0 ? frames : 1) * channels_ * sizeof(T);
        void* grown = std::realloc(data_, bytes);
        if (grown == nullptr)
            throw std::bad_alloc();
        data_ = static_cast<T*>(grown);
        capacity_ = frames;
    }
    // A C-contiguous (frames, channels) array owning the block; the object is empty afterwards.
    pybind11::array_t<T> release()
    {
        if (frames_ < capacity_) {
            if (void* trimmed = std::realloc(data_, (frames_ > 0 ? frames_ : 1) * channels_ * sizeof(T)))
                data_ = static_cast<T*>(trimmed);
        }
        T* data = data_;
        data_ = nullptr;
        capacity_ = 0;
        pybind11::capsule owner(data, [](void* p) { std::free(p); });
        return pybind11::array_t<T>({pybind11::ssize_t(frames_), pybind11::ssize_t(channels_)}, data, owner);
    }

private:
    T* data_ = nullptr;
    uint64_t frames_ = 0;
    uint64_t capacity_ = 0;
    uint32_t channels_;
};
