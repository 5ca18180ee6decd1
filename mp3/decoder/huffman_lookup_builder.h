#pragma once

#include <cstdint>

#include "mp3/decoder/huffman_code_tables.h"

// Compile-time conversion of a Huffman code list into multi-level look-up tables.
//
// The first level is indexed by the next rootBits bits of the stream. An entry is either a leaf,
// length << 8 | value (length: the bits of this level the code ends within, value x << 4 | y or,
// for count1, vwxy), or a link, kLookupLink | (bits - 1) << 12 | offset, to a sub-table of 2^bits
// entries at offset that the following bits index. Every code list is a complete prefix code, so
// every bit pattern ends on a leaf.
namespace layer3 {

constexpr uint16_t kLookupLink = 0x8000;
constexpr int kMaxLevelBits = 8;
constexpr int kMaxLookupEntries = 2048;

struct HuffmanLookup {
    uint16_t entry[kMaxLookupEntries] = {};
    uint32_t size = 0;
    uint32_t rootBits = 0;
    bool ok = false;
};

namespace lookup_build {

constexpr int kMaxNodes = 512;

// The code list as a binary trie; ok is false unless it is a complete prefix code.
struct Trie {
    int child[kMaxNodes][2] = {};
    int value[kMaxNodes] = {};
    int depth[kMaxNodes] = {};  // longest code below the node, in bits
    int count = 1;
    bool ok = true;
};

constexpr Trie makeTrie(const HuffmanCodes& c)
{
    Trie t{};
    for (int i = 0; i < kMaxNodes; ++i)
        t.child[i][0] = t.child[i][1] = -1;
    const int n = static_cast<int>(c.xlen * c.ylen);
    for (int i = 0; i < n; ++i) {
        const int x = i / static_cast<int>(c.ylen), y = i % static_cast<int>(c.ylen);
        const int v = c.xlen == 1 ? i : (x << 4 | y);
        int node = 0;
        for (int b = c.length[i] - 1; b >= 0; --b) {
            const int bit = (c.code[i] >> b) & 1;
            if (t.child[node][bit] < 0) {
                if (t.count >= kMaxNodes) {
                    t.ok = false;
                    return t;
                }
                t.child[node][bit] = t.count++;
            }
            node = t.child[node][bit];
        }
        if (t.child[node][0] >= 0 || t.child[node][1] >= 0)
            t.ok = false;  // code is a prefix of another
        t.value[node] = v;
    }
    // Children are always created after their parent, so a reverse sweep sees them first.
    for (int i = t.count - 1; i >= 0; --i) {
        const bool leaf = t.child[i][0] < 0 && t.child[i][1] < 0;
        const bool full = t.child[i][0] >= 0 && t.child[i][1] >= 0;
        if (!leaf && !full)
            t.ok = false;  // incomplete code: a branch with one side missing
        t.depth[i] = leaf
            ? 0
            : 1 + (t.depth[t.child[i][0]] > t.depth[t.child[i][1]] ? t.depth[t.child[i][0]] : t.depth[t.child[i][1]]);
    }
    t.ok = t.ok && t.depth[0] > 0;
    return t;
}

constexpr int levelBits(int depth)
{
    return depth < kMaxLevelBits ? depth : kMaxLevelBits;
}

// Fills level tables breadth first: each trie node reached at the end of a level gets a
// sub-table sized to the longest code below it (at most kMaxLevelBits).
constexpr HuffmanLookup build(const HuffmanCodes& c)
{
    HuffmanLookup out{};
    const Trie t = makeTrie(c);
    if (!t.ok)
        return out;
    int pendingNode[kMaxNodes] = {}, pendingOffset[kMaxNodes] = {}, pendingBits[kMaxNodes] = {};
    int head = 0, tail = 0;
    out.rootBits = static_cast<uint32_t>(levelBits(t.depth[0]));
    pendingNode[tail] = 0;
    pendingOffset[tail] = 0;
    pendingBits[tail++] = static_cast<int>(out.rootBits);
    int size = 1 << out.rootBits;
    while (head < tail) {
        const int start = pendingNode[head], offset = pendingOffset[head], bits = pendingBits[head];
        ++head;
        for (int idx = 0; idx < (1 << bits); ++idx) {
            int node = start, used = 0;
            while (used < bits && t.child[node][0] >= 0)
                node = t.child[node][(idx >> (bits - 1 - used++)) & 1];
            if (t.child[node][0] < 0) {
                out.entry[offset + idx] = static_cast<uint16_t>(used << 8 | t.value[node]);
                continue;
            }
            const int subBits = levelBits(t.depth[node]);
            if (size + (1 << subBits) > kMaxLookupEntries || size >= 1 << 12 || tail >= kMaxNodes)
                return out;
            out.entry[offset + idx] = static_cast<uint16_t>(kLookupLink | (subBits - 1) << 12 | size);
            pendingNode[tail] = node;
            pendingOffset[tail] = size;
            pendingBits[tail++] = subBits;
            size += 1 << subBits;
        }
    }
    out.size = static_cast<uint32_t>(size);
    out.ok = true;
    return out;
}

// Looks one code up as the decoder does; -1 unless it ends on a leaf after exactly length bits.
constexpr int lookUp(const HuffmanLookup& l, uint32_t code, int length)
{
    const uint64_t window = uint64_t(code) << (64 - length);
    int bits = static_cast<int>(l.rootBits), used = 0;
    uint32_t e = l.entry[window >> (64 - bits)];
    while (e & kLookupLink) {
        used += bits;
        if (used >= length)
            return -1;
        bits = static_cast<int>((e >> 12) & 7) + 1;
        e = l.entry[(e & 0xFFF) + ((window << used) >> (64 - bits))];
    }
    return used + static_cast<int>(e >> 8) == length ? static_cast<int>(e & 0xFF) : -1;
}

// True when every code of the list looks up to its own value and length.
constexpr bool verify(const HuffmanLookup& l, const HuffmanCodes& c)
{
    if (!l.ok)
        return false;
    const int n = static_cast<int>(c.xlen * c.ylen);
    for (int i = 0; i < n; ++i) {
        const int x = i / static_cast<int>(c.ylen), y = i % static_cast<int>(c.ylen);
        const int v = c.xlen == 1 ? i : (x << 4 | y);
        if (lookUp(l, c.code[i], c.length[i]) != v)
            return false;
    }
    return true;
}

}  // namespace lookup_build
}  // namespace layer3
