// The compressed format built the slow way, for tests and fuzzing to hold the codec against.
#pragma once

#include "transfer/codec.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

// The format built the slow way, step by step as it is defined: a list in ascending value
// order, the least weight found from the last position down with a strict comparison and swapped
// to the end, the next least beside it, the least one the left child; codes walked up from each
// leaf; the tree in pre-order; every bit written singly; then the closing byte. Used only for
// inputs in which at least two values occur.
inline std::vector<std::uint8_t> slowCompress(const std::vector<std::uint8_t>& data)
{
    struct Node
    {
        int value = 0, parent = -1, left = -1, right = -1;
    };
    std::vector<Node> nodes;
    std::uint32_t counts[256] = {};
    for (std::uint8_t b : data)
        ++counts[b];
    std::vector<std::pair<std::uint32_t, int>> list; // weight, subtree
    int leafOf[256];
    for (int v = 0; v < 256; ++v) {
        leafOf[v] = -1;
        if (counts[v]) {
            leafOf[v] = int(nodes.size());
            nodes.push_back({v});
            list.push_back({counts[v], leafOf[v]});
        }
    }
    const auto selectInto = [&](int last) {
        int best = -1;
        std::uint64_t bestWeight = std::uint64_t(1) << 40;
        for (int i = last; i >= 0; --i)
            if (list[std::size_t(i)].first < bestWeight) {
                best = i;
                bestWeight = list[std::size_t(i)].first;
            }
        std::swap(list[std::size_t(best)], list[std::size_t(last)]);
    };
    for (int n = int(list.size()) - 1; n > 0; --n) {
        selectInto(n);
        selectInto(n - 1);
        const int node = int(nodes.size());
        nodes.push_back({0, -1, list[std::size_t(n)].second, list[std::size_t(n - 1)].second});
        nodes[std::size_t(list[std::size_t(n)].second)].parent = node;
        nodes[std::size_t(list[std::size_t(n - 1)].second)].parent = node;
        list[std::size_t(n - 1)] = {list[std::size_t(n)].first + list[std::size_t(n - 1)].first,
                                    node};
    }
    const int root = list[0].second;

    std::vector<std::uint8_t> out = {1, 0, 0, 0, 0, 0, 0, 0};
    const std::uint16_t crc = crc16KermitTables(data);
    const std::uint32_t size = std::uint32_t(data.size());
    out[2] = std::uint8_t(crc >> 8);
    out[3] = std::uint8_t(crc);
    for (int i = 0; i < 4; ++i)
        out[std::size_t(4 + i)] = std::uint8_t(size >> (24 - 8 * i));
    unsigned sum = 0;
    for (std::uint8_t b : out)
        sum += b;
    out[1] = std::uint8_t(0xFF - sum);
    unsigned acc = 0, pending = 0;
    const auto putBit = [&](unsigned bit) {
        acc = (acc << 1) | bit;
        if (++pending == 8) {
            out.push_back(std::uint8_t(acc));
            acc = pending = 0;
        }
    };
    const std::function<void(int)> describe = [&](int n) {
        const Node& node = nodes[std::size_t(n)];
        if (node.left < 0) {
            putBit(1);
            for (int i = 7; i >= 0; --i)
                putBit((unsigned(node.value) >> i) & 1);
            return;
        }
        putBit(0);
        describe(node.left);
        describe(node.right);
    };
    describe(root);
    std::vector<unsigned> codes[256]; // root edge first
    for (int v = 0; v < 256; ++v) {
        for (int n = leafOf[v]; n >= 0 && nodes[std::size_t(n)].parent >= 0;
             n = nodes[std::size_t(n)].parent)
            codes[v].push_back(nodes[std::size_t(nodes[std::size_t(n)].parent)].left != n);
        std::reverse(codes[v].begin(), codes[v].end());
    }
    for (std::uint8_t b : data)
        for (unsigned bit : codes[b])
            putBit(bit);
    out.push_back(std::uint8_t(acc << (8 - pending)));
    return out;
}
