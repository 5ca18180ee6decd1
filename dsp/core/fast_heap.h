#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <unordered_map>

// Process-wide allocator of 16-byte-aligned blocks. Blocks are found by their aligned pointer
// through a hash map, so freeing any block among thousands is constant time. Guarded by a lock,
// so callers need not serialise. Blocks still live when the library unloads are freed.
class FastHeap {
public:
    static FastHeap& instance();

    // Returns an aligned block of at least `bytes` bytes, or null when the runtime has no memory.
    void* alloc(size_t bytes);
    // A block of count floats; throws std::bad_alloc when there is no memory (set-up code under
    // an export's guard).
    float* allocFloats(size_t count);
    // Returns 1 if p was a live block and is now freed, 0 otherwise (null included).
    int free(void* p);
    // Re-sizes a live block (contents undefined afterwards); any other pointer comes back unchanged.
    void* realloc(void* p, size_t bytes);
    // Sum of size + 15 over all live blocks.
    uint64_t totalBytes() const;
    size_t count() const;

    ~FastHeap();

private:
    FastHeap() = default;

    struct Block {
        void* raw;
        size_t size;
        uint64_t rawSize;
    };

    mutable std::mutex mutex_;
    std::unordered_map<void*, Block> blocks_;
    uint64_t totalBytes_ = 0;
};
