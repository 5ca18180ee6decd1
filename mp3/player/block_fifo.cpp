#include "mp3/player/block_fifo.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "orvane/dsp.h"

BlockFifo::~BlockFifo()
{
    destroy(head_);
    destroy(spare_);
}

void BlockFifo::destroy(Node* list)
{
    while (list != nullptr) {
        Node* next = list->next;
        fastmemFree(list->samples);
        delete list;
        list = next;
    }
}

BlockFifo::Node* BlockFifo::spareNode(uint32_t capacity)
{
    Node* node = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        node = spare_;
        if (node != nullptr)
            spare_ = node->next;
    }
    if (node != nullptr && node->capacity < capacity) {
        // Too small for this block: its buffer makes way for one that fits.
        fastmemFree(node->samples);
        node->samples = nullptr;
    }
    if (node == nullptr) {
        node = new (std::nothrow) Node{nullptr, 0, 0, 0, nullptr};
        if (node == nullptr)
            return nullptr;
    }
    if (node->samples == nullptr) {
        node->samples = static_cast<float*>(fastmemAlloc(std::max(capacity, 1u) * sizeof(float)));
        node->capacity = node->samples != nullptr ? capacity : 0;
        if (node->samples == nullptr) {
            delete node;
            return nullptr;
        }
    }
    node->readPos = 0;
    node->next = nullptr;
    return node;
}

void BlockFifo::enqueue(Node* node)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (tail_ != nullptr)
            tail_->next = node;
        else
            head_ = node;
        tail_ = node;
    }
    if (platform::interlockedIncrement(queued_) > 2)
        dataEvent_.set();
}

bool BlockFifo::append(const float* samples, uint32_t count)
{
    Node* node = spareNode(count);
    if (node == nullptr)
        return false;
    if (count > 0)
        std::memcpy(node->samples, samples, count * sizeof(float));
    node->count = count;
    enqueue(node);
    return true;
}

float* BlockFifo::exchange(float* block, uint32_t capacity, uint32_t count)
{
    Node* node = spareNode(capacity);
    if (node == nullptr)
        return nullptr;
    float* empty = node->samples;
    node->samples = block;
    node->capacity = capacity;
    node->count = std::min(count, capacity);
    enqueue(node);
    return empty;
}

void BlockFifo::retireHead()
{
    Node* node = head_;
    head_ = node->next;
    if (head_ == nullptr)
        tail_ = nullptr;
    node->next = spare_;
    spare_ = node;
    platform::interlockedDecrement(queued_);
}

uint32_t BlockFifo::take(float* dst, uint32_t values)
{
    uint32_t copied = 0;
    std::lock_guard<std::mutex> lock(mutex_);
    while (copied < values && head_ != nullptr) {
        Node* node = head_;
        const uint32_t n = std::min(values - copied, node->count - node->readPos);
        std::memcpy(dst + copied, node->samples + node->readPos, n * sizeof(float));
        copied += n;
        node->readPos += n;
        if (node->readPos == node->count) {
            retireHead();
            spaceEvent_.set();
        }
    }
    // Reset under the lock: an append cannot slip in between the emptiness check and the reset.
    if (head_ == nullptr && !closing_.load())
        dataEvent_.reset();
    return copied;
}

void BlockFifo::clear()
{
    std::lock_guard<std::mutex> lock(mutex_);
    while (head_ != nullptr)
        retireHead();
    spaceEvent_.set();
}

bool BlockFifo::empty() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return head_ == nullptr;
}

void BlockFifo::setClosing(bool closing)
{
    closing_.store(closing);
    if (closing)
        dataEvent_.set();
}
