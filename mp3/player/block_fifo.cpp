#include "mp3/player/block_fifo.h"

#include <cstring>
#include <new>

BlockFifo::~BlockFifo()
{
    clear();
}

bool BlockFifo::append(const float* samples, uint32_t count)
{
    Node* node = new (std::nothrow) Node{nullptr, count, 0, nullptr};
    if (node == nullptr)
        return false;
    node->samples = new (std::nothrow) float[count > 0 ? count : 1];
    if (node->samples == nullptr) {
        delete node;
        return false;
    }
    if (count > 0)
        std::memcpy(node->samples, samples, count * sizeof(float));
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
    return true;
}

void BlockFifo::freeHead()
{
    Node* node = head_;
    head_ = node->next;
    if (head_ == nullptr)
        tail_ = nullptr;
    delete[] node->samples;
    delete node;
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
            freeHead();
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
        freeHead();
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
