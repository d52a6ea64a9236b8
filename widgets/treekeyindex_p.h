#pragma once
// The tree's key index: open addressing over (hash, node) pairs with linear probing and
// backward-shift deletion. Keys live in the nodes themselves, so growing moves 16-byte
// slots and never a string, and a probe compares texts only when the hashes agree.

#include <QString>

#include <cstddef>
#include <vector>

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
    std::size_t prepare(QStringView key, bool *found);
    void fill(std::size_t slot, TreeNode *node);
    TreeNode *at(std::size_t slot) const { return m_slots[slot].node; }
    void remove(QStringView key);
    void clear();
    std::size_t size() const { return m_live; }

private:
    struct Slot {
        std::size_t hash = 0;
        TreeNode *node = nullptr;
    };
    static std::size_t hashOf(QStringView key);
    std::size_t locate(QStringView key, std::size_t hash) const;
    void rehash(std::size_t capacity);

    KeyOf m_keyOf;
    std::vector<Slot> m_slots;
    std::size_t m_live = 0;
    std::size_t m_preparedHash = 0;
};

} // namespace zeva
