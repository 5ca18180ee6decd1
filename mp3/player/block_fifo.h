#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "platform/platform.h"

// The queue of whole output blocks between the decoding thread (append, exchange) and the output
// thread (take). A block either is copied into a node (append) or hands its buffer over whole
// (exchange). Nodes the reader has used up are kept with their buffers and reused, so a steady
// stream allocates nothing; all allocation happens on the writer's side. Head and tail are guarded
// by a short lock, so an append racing with the removal of the last node is never lost; the two
// events tell each side that the other has moved.
class BlockFifo {
public:
    BlockFifo() = default;
    ~BlockFifo();
    BlockFifo(const BlockFifo&) = delete;
    BlockFifo& operator=(const BlockFifo&) = delete;

    // Copies count samples into a node at the tail; false (block dropped) when out of memory.
    // The data event is raised once more than two blocks wait.
    bool append(const float* samples, uint32_t count);
    // Queues block (a fastmemAlloc buffer of capacity floats holding count samples) without
    // copying it, and returns an empty buffer of the same capacity for the next block. Null when
    // none can be had: then nothing is queued and block stays the caller's.
    float* exchange(float* block, uint32_t capacity, uint32_t count);
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
        uint32_t capacity;
        uint32_t count;
        uint32_t readPos;
        Node* next;
    };

    // A used-up node with room for capacity samples, or a new one; null when out of memory.
    Node* spareNode(uint32_t capacity);
    void enqueue(Node* node);
    void retireHead();  // moves the head node to the spares; caller holds mutex_
    static void destroy(Node* list);

    mutable std::mutex mutex_;
    Node* head_ = nullptr;
    Node* tail_ = nullptr;
    Node* spare_ = nullptr;
    std::atomic<int32_t> queued_{0};
    std::atomic<bool> closing_{false};
    platform::Event dataEvent_;
    platform::Event spaceEvent_;
};
