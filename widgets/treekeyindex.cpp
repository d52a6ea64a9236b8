#include "treekeyindex_p.h"

#include <QHashSeed>

namespace zeva {

std::size_t TreeKeyIndex::hashOf(QStringView key)
{
    // FNV-1a over the UTF-16 units, seeded per process, then a 64-bit finaliser so that
    // the low bits used for the slot depend on every character.
    std::uint64_t h = 0xcbf29ce484222325ull ^ std::uint64_t(QHashSeed::globalSeed());
    for (const QChar c : key) {
        h ^= c.unicode();
        h *= 0x100000001b3ull;
    }
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    return std::size_t(h);
}

std::size_t TreeKeyIndex::locate(QStringView key, std::size_t hash) const
{
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot &slot = m_slots[i];
        if (!slot.node || (slot.hash == hash && m_keyOf(slot.node) == key))
            return i;
    }
}

TreeNode *TreeKeyIndex::find(QStringView key) const
{
    if (m_live == 0)
        return nullptr;
    return m_slots[locate(key, hashOf(key))].node;
}

std::size_t TreeKeyIndex::prepare(QStringView key, bool *found)
{
    // At most 70% full, so probes stay short.
    if ((m_live + 1) * 10 > m_slots.size() * 7)
        rehash(m_slots.empty() ? 64 : m_slots.size() * 2);
    m_preparedHash = hashOf(key);
    const std::size_t slot = locate(key, m_preparedHash);
    *found = m_slots[slot].node != nullptr;
    return slot;
}

void TreeKeyIndex::fill(std::size_t slot, TreeNode *node)
{
    m_slots[slot] = {m_preparedHash, node};
    ++m_live;
}

void TreeKeyIndex::remove(QStringView key)
{
    if (m_live == 0)
        return;
    const std::size_t mask = m_slots.size() - 1;
    std::size_t hole = locate(key, hashOf(key));
    if (!m_slots[hole].node)
        return;
    --m_live;
    // Shift back every entry of the probe run that may no longer be reached across the hole.
    for (std::size_t i = (hole + 1) & mask; m_slots[i].node; i = (i + 1) & mask) {
        const std::size_t home = m_slots[i].hash & mask;
        const bool reachable = hole <= i ? (home > hole && home <= i) : (home > hole || home <= i);
        if (!reachable) {
            m_slots[hole] = m_slots[i];
            hole = i;
        }
    }
    m_slots[hole] = {};
}

void TreeKeyIndex::clear()
{
    m_slots.clear();
    m_slots.shrink_to_fit();
    m_live = 0;
}

void TreeKeyIndex::rehash(std::size_t capacity)
{
    std::vector<Slot> old(capacity);
    old.swap(m_slots);
    const std::size_t mask = capacity - 1;
    for (const Slot &slot : old) {
        if (!slot.node)
            continue;
        std::size_t i = slot.hash & mask;
        while (m_slots[i].node)
            i = (i + 1) & mask;
        m_slots[i] = slot;
    }
}

} // namespace zeva
