#pragma once

#include <cstdint>

#include "mp3/decoder/huffman_code_tables.h"
#include "mp3/decoder/huffman_tables.h"

// Compile-time conversion of a Huffman code list into the decoder's byte-pair tree.
//
// Tree format: node = two bytes. First byte 0: a leaf whose second byte holds x << 4 | y (count1:
// vwxy). Otherwise the next bit picks byte 0 or byte 1 as a forward distance to the next node; a
// distance of 250 or more is a hop: it is added and the same byte is read again at the node it
// lands on, until a distance below 250 ends the step.
namespace layer3 {

constexpr int kMaxTreePairs = 512;

struct BuiltTree {
    uint8_t pair[kMaxTreePairs][2] = {};
    uint32_t length = 0;
    bool ok = false;
};

namespace tree_build {

struct Trie {
    int child[kMaxTreePairs][2] = {};
    int value[kMaxTreePairs] = {};
    int size[kMaxTreePairs] = {};
    int count = 1;
    bool ok = true;
};

constexpr Trie makeTrie(const HuffmanCodes& c)
{
    Trie t{};
    for (int i = 0; i < kMaxTreePairs; ++i)
        t.child[i][0] = t.child[i][1] = -1;
    const int n = static_cast<int>(c.xlen * c.ylen);
    for (int i = 0; i < n; ++i) {
        const int x = i / static_cast<int>(c.ylen), y = i % static_cast<int>(c.ylen);
        const int v = c.xlen == 1 ? i : (x << 4 | y);
        int node = 0;
        for (int b = c.length[i] - 1; b >= 0; --b) {
            const int bit = (c.code[i] >> b) & 1;
            if (t.child[node][bit] < 0) {
                if (t.count >= kMaxTreePairs) {
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
    // Subtree sizes: children are always created after their parent, so a reverse sweep suffices.
    for (int i = t.count - 1; i >= 0; --i) {
        t.size[i] = 1;
        for (int b = 0; b < 2; ++b) {
            if (t.child[i][b] >= 0)
                t.size[i] += t.size[t.child[i][b]];
        }
        const bool leaf = t.child[i][0] < 0 && t.child[i][1] < 0;
        const bool full = t.child[i][0] >= 0 && t.child[i][1] >= 0;
        if (!leaf && !full)
            t.ok = false;  // incomplete code: a branch with one side missing
    }
    return t;
}

// Preorder layout, smaller subtree first so that near distances stay below the hop threshold.
// The one edge that may still be too long (root to its second subtree in the 16x16 tables) goes
// through a hop node placed kHopDistance after the root.
constexpr BuiltTree build(const HuffmanCodes& c)
{
    BuiltTree out{};
    const Trie t = makeTrie(c);
    if (!t.ok)
        return out;

    int position[kMaxTreePairs] = {};
    int order[kMaxTreePairs] = {};  // trie node at each output slot, -1 for the hop node
    int stack[kMaxTreePairs] = {};
    int top = 0, emitted = 0, hopSlot = -1;
    int rootFar = -1;
    if (t.child[0][0] >= 0) {
        const int a = t.child[0][0], b = t.child[0][1];
        const int first = t.size[a] <= t.size[b] ? a : b;
        if (1 + t.size[first] >= kHopDistance)
            rootFar = first == a ? b : a;
    }
    stack[top++] = 0;
    while (top > 0) {
        const int node = stack[--top];
        if (emitted == kHopDistance && rootFar >= 0) {
            hopSlot = emitted;
            order[emitted++] = -1;
        }
        if (node == rootFar && hopSlot < 0)
            return out;  // the hop node must sit before it
        position[node] = emitted;
        order[emitted++] = node;
        if (emitted > kMaxTreePairs)
            return out;
        if (t.child[node][0] >= 0) {
            const int a = t.child[node][0], b = t.child[node][1];
            const bool aFirst = t.size[a] <= t.size[b];
            stack[top++] = aFirst ? b : a;
            stack[top++] = aFirst ? a : b;
        }
    }
    for (int s = 0; s < emitted; ++s) {
        const int node = order[s];
        if (node < 0)
            continue;
        if (t.child[node][0] < 0) {
            out.pair[s][0] = 0;
            out.pair[s][1] = static_cast<uint8_t>(t.value[node]);
            continue;
        }
        for (int b = 0; b < 2; ++b) {
            const int target = t.child[node][b];
            int d = position[target] - s;
            if (target == rootFar) {
                out.pair[s][b] = kHopDistance;
                const int rest = position[target] - hopSlot;
                out.pair[hopSlot][b] = static_cast<uint8_t>(rest);
                out.pair[hopSlot][1 - b] = 1;  // never read; non-zero so it is not a leaf
                if (rest <= 0 || rest >= kHopDistance)
                    return out;
                continue;
            }
            if (d <= 0 || d >= kHopDistance)
                return out;
            out.pair[s][b] = static_cast<uint8_t>(d);
        }
    }
    out.length = static_cast<uint32_t>(emitted);
    out.ok = true;
    return out;
}

// First-step lookup over the leading kLookupBits bits of a code, made from the tree at compile
// time: entry = kLookupLeaf | length << 8 | value for codes that end within those bits, else the
// index of the tree node the bits lead to (the walk goes on bit by bit from there).
constexpr int kLookupBits = 8;
constexpr uint16_t kLookupLeaf = 0x8000;

struct TreeLookup {
    uint16_t entry[1 << kLookupBits] = {};
};

constexpr TreeLookup buildLookup(const BuiltTree& tree)
{
    TreeLookup out{};
    for (int idx = 0; idx < (1 << kLookupBits); ++idx) {
        int p = 0, b = 0;
        for (; b < kLookupBits && tree.pair[p][0] != 0; ++b) {
            const int bit = (idx >> (kLookupBits - 1 - b)) & 1;
            while (tree.pair[p][bit] >= kHopDistance)
                p += tree.pair[p][bit];
            p += tree.pair[p][bit];
        }
        out.entry[idx] = tree.pair[p][0] == 0 ? static_cast<uint16_t>(kLookupLeaf | b << 8 | tree.pair[p][1])
                                              : static_cast<uint16_t>(p);
    }
    return out;
}

// Walks the built tree with the bits of one code; -1 when the code does not end on a leaf.
constexpr int walk(const BuiltTree& tree, uint32_t code, int length)
{
    int p = 0;
    int b = length - 1;
    while (tree.pair[p][0] != 0) {
        if (b < 0)
            return -1;
        const int bit = (code >> b--) & 1;
        while (tree.pair[p][bit] >= kHopDistance)
            p += tree.pair[p][bit];
        p += tree.pair[p][bit];
        if (p >= static_cast<int>(tree.length))
            return -1;
    }
    return b == -1 ? tree.pair[p][1] : -1;
}

// True when every code of the list decodes through the tree to its own value.
constexpr bool verify(const BuiltTree& tree, const HuffmanCodes& c)
{
    if (!tree.ok)
        return false;
    const int n = static_cast<int>(c.xlen * c.ylen);
    for (int i = 0; i < n; ++i) {
        const int x = i / static_cast<int>(c.ylen), y = i % static_cast<int>(c.ylen);
        const int v = c.xlen == 1 ? i : (x << 4 | y);
        if (walk(tree, c.code[i], c.length[i]) != v)
            return false;
    }
    return true;
}

}  // namespace tree_build
}  // namespace layer3
