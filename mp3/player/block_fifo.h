#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "platform/platform.h"

// The queue of whole output blocks between the decoding thread (append) and the output thread
// (take). Each block is copied once into its own node so the caller's buffer is free at once.
// Head and tail are guarded by a short lock, so an append racing with the removal of the last
// node is never lost; the two events tell each side that the other has moved.
class BlockFifo {
public:
    BlockFifo() = default;
    ~BlockFifo();
    BlockFifo(const BlockFifo&) = delete;
    BlockFifo& operator=(const BlockFifo&) = delete;

    // Copies count samples into a new node at the tail; false (block dropped) when out of memory.
    // The data event is raised once more than two blocks wait.
    bool append(const float* samples, uint32_t count);
    // Copies up to values samples from the head into dst, freeing used-up nodes (each raises the
    // space event). Returns the values copied. When the fifo runs empty the data event is reset,
    // unless the fifo is closing.
    uint32_t take(float* dst, uint32_t values);
    // Frees every queued node.
    void clear();

    bool empty() const;
    int32_t queued() const { return queued_.load(); }

    // Closing keeps the data event raised so a waiting reader always wakes and sees the end.
    void setClosing(bool closing);
    bool closing() const { return closing_.load(); }

    platform::Event& dataEvent() { return dataEvent_; }
    platform::Event& spaceEvent() { return spaceEvent_; }

private:
    struct Node {
        float* samples;
        uint32_t count;
        uint32_t readPos;
        Node* next;
    };

    void freeHead();  // caller holds mutex_

    mutable std::mutex mutex_;
    Node* head_ = nullptr;
    Node* tail_ = nullptr;
    std::atomic<int32_t> queued_{0};
    std::atomic<bool> closing_{false};
    platform::Event dataEvent_;
    platform::Event spaceEvent_;
};
