#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

// Takes hostile values off the front of a fuzz input; past the end every value is 0.
class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) { }

    template<class T> T take()
    {
        T value{};
        const size_t n = sizeof(T) < size_ ? sizeof(T) : size_;
        std::memcpy(&value, data_, n);
        data_ += n;
        size_ -= n;
        return value;
    }
    bool empty() const { return size_ == 0; }
    const uint8_t* rest() const { return data_; }
    size_t restSize() const { return size_; }

private:
    const uint8_t* data_;
    size_t size_;
};

// Writes bytes to a file of this process's own and returns its path (empty on failure).
inline std::string fuzzFile(const char* name, const uint8_t* data, size_t size)
{
    const std::string path = "/tmp/orvane_fuzz_" + std::to_string(getpid()) + "_" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return std::string();
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    return path;
}
