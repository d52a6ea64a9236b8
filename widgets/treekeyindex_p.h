#pragma once
// The tree's key index: open addressing with linear probing and backward-shift deletion.
// Keys live in the nodes themselves, so growing moves 16-byte slots and never a string.
// Beside the slots, one tag byte per slot (empty, or seven bits of the hash) is all a probe
// reads until a tag agrees: a fill of a million nodes adds a key whose slot is far out of
// cache by reading a 2 MB tag array that stays in it, and writes the slot without reading it.

#include "zeroedarray_p.h"

#include <QString>

#include <cstddef>
#include <cstdint>

namespace zeva {

class TreeNode;

class TreeKeyIndex {
public:
    // `keyOf` reads a node's key; the index never owns nodes.
    using KeyOf = const QString &(*)(const TreeNode *);
    explicit TreeKeyIndex(KeyOf keyOf) : m_keyOf(keyOf) {}

    TreeNode *find(QStringView key) const;
    // The slot where `key` is (then *found is true) or would go, reserving room first.
    // fill() puts the node for that key there; nothing may change the index in between.
    std::size_t prepare(QStringView key, bool *found) { return prepare(key, hashOf(key), found); }
    std::size_t prepare(QStringView key, std::size_t hash, bool *found);
    // Starts bringing the key's first slot into cache, for a prepare() some work later.
    void fetch(std::size_t hash) const;
    static std::size_t hashOf(QStringView key);
    void fill(std::size_t slot, TreeNode *node);
    void remove(QStringView key);
    // Empties the index but keeps its room: a tree cleared is usually filled again as large.
    void clear();
    std::size_t size() const { return m_live; }

private:
    struct Slot {
        std::size_t hash;
        TreeNode *node;
    };
    static std::uint8_t tagOf(std::size_t hash) { return std::uint8_t(0x80 | (hash >> 57)); }
    std::size_t locate(QStringView key, std::size_t hash) const;
    void rehash(std::size_t newCapacity);
    std::size_t capacity() const { return m_tags.size(); }   // a power of two

    KeyOf m_keyOf;
    ZeroedArray<std::uint8_t> m_tags;   // 0: the slot is empty (and its contents stale)
    ZeroedArray<Slot> m_slots;          // as many as tags
    std::size_t m_live = 0;
    std::size_t m_preparedHash = 0;
};

} // namespace zeva
