#include "dsp/core/fast_heap.h"

#include <cstdlib>
#include <new>
#include <utility>

namespace {

constexpr uint64_t kSlack = 15;

void* alignUp(void* raw)
{
    return reinterpret_cast<void*>((reinterpret_cast<uintptr_t>(raw) + kSlack) & ~uintptr_t(kSlack));
}

}  // namespace

FastHeap& FastHeap::instance()
{
    static FastHeap heap;
    return heap;
}

FastHeap::~FastHeap()
{
    for (auto& entry : blocks_)
        std::free(entry.second.raw);
    blocks_.clear();
    totalBytes_ = 0;
}

float* FastHeap::allocFloats(size_t count)
{
    void* p = alloc(count * sizeof(float));
    if (p == nullptr)
        throw std::bad_alloc();
    return static_cast<float*>(p);
}

void* FastHeap::alloc(size_t bytes)
{
    const uint64_t rawSize = uint64_t(bytes) + kSlack;
    void* raw = std::malloc(rawSize);
    if (raw == nullptr)
        return nullptr;
    void* aligned = alignUp(raw);
    std::lock_guard<std::mutex> lock(mutex_);
    // The map's node allocation can fail too; that must come back as null, not as an exception
    // through the C exports.
    try {
        blocks_.emplace(aligned, Block{raw, bytes, rawSize});
    } catch (const std::bad_alloc&) {
        std::free(raw);
        return nullptr;
    }
    totalBytes_ += rawSize;
    return aligned;
}

int FastHeap::free(void* p)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = blocks_.find(p);
    if (it == blocks_.end())
        return 0;
    std::free(it->second.raw);
    totalBytes_ -= it->second.rawSize;
    blocks_.erase(it);
    return 1;
}

void* FastHeap::realloc(void* p, size_t bytes)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = blocks_.find(p);
    if (it == blocks_.end())
        return p;
    const uint64_t rawSize = uint64_t(bytes) + kSlack;
    void* raw = std::realloc(it->second.raw, rawSize);
    if (raw == nullptr)
        return nullptr;  // the old block stays live and owned by the heap; the caller sees failure
    // The node is re-keyed in place: moving the entry allocates nothing, so it cannot fail.
    auto node = blocks_.extract(it);
    totalBytes_ = totalBytes_ - node.mapped().rawSize + rawSize;
    void* aligned = alignUp(raw);
    node.key() = aligned;
    node.mapped() = Block{raw, bytes, rawSize};
    blocks_.insert(std::move(node));
    return aligned;
}

uint64_t FastHeap::totalBytes() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return totalBytes_;
}

size_t FastHeap::count() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return blocks_.size();
}
