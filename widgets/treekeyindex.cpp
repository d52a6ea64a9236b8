#include "treekeyindex_p.h"

#include <QHashSeed>

#include <cstring>

namespace zeva {

std::size_t TreeKeyIndex::hashOf(QStringView key)
{
    // FNV-1a over the UTF-16 units, seeded per process, then a 64-bit finaliser so that
    // the low bits used for the slot and the high bits used for the tag depend on every character.
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
    const std::size_t mask = capacity() - 1;
    const std::uint8_t tag = tagOf(hash);
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const std::uint8_t t = m_tags[i];
        if (t == 0 || (t == tag && m_slots[i].hash == hash && m_keyOf(m_slots[i].node) == key))
            return i;
    }
}

TreeNode *TreeKeyIndex::find(QStringView key) const
{
    if (m_live == 0)
        return nullptr;
    const std::size_t i = locate(key, hashOf(key));
    return m_tags[i] ? m_slots[i].node : nullptr;
}

void TreeKeyIndex::fetch(std::size_t hash) const
{
    if (capacity() == 0)
        return;
    const std::size_t i = hash & (capacity() - 1);
    __builtin_prefetch(&m_tags[i]);
    __builtin_prefetch(&m_slots[i], 1);
}

std::size_t TreeKeyIndex::prepare(QStringView key, std::size_t hash, bool *found)
{
    // At most 70% full, so probes stay short.
    if ((m_live + 1) * 10 > capacity() * 7)
        rehash(capacity() == 0 ? 64 : capacity() * 2);
    m_preparedHash = hash;
    const std::size_t slot = locate(key, hash);
    *found = m_tags[slot] != 0;
    return slot;
}

void TreeKeyIndex::fill(std::size_t slot, TreeNode *node)
{
    m_tags[slot] = tagOf(m_preparedHash);
    m_slots[slot] = {m_preparedHash, node};
    ++m_live;
}

void TreeKeyIndex::remove(QStringView key)
{
    if (m_live == 0)
        return;
    const std::size_t mask = capacity() - 1;
    std::size_t hole = locate(key, hashOf(key));
    if (!m_tags[hole])
        return;
    --m_live;
    // Shift back every entry of the probe run that may no longer be reached across the hole.
    for (std::size_t i = (hole + 1) & mask; m_tags[i]; i = (i + 1) & mask) {
        const std::size_t home = m_slots[i].hash & mask;
        const bool reachable = hole <= i ? (home > hole && home <= i) : (home > hole || home <= i);
        if (!reachable) {
            m_tags[hole] = m_tags[i];
            m_slots[hole] = m_slots[i];
            hole = i;
        }
    }
    m_tags[hole] = 0;
}

void TreeKeyIndex::clear()
{
    if (m_live)
        std::memset(m_tags.data(), 0, capacity());
    m_live = 0;
}

void TreeKeyIndex::rehash(std::size_t newCapacity)
{
    ZeroedArray<std::uint8_t> newTags(newCapacity);   // every slot empty
    ZeroedArray<Slot> newSlots(newCapacity);
    const std::size_t mask = newCapacity - 1;
    for (std::size_t n = 0; n < capacity(); ++n) {
        if (!m_tags[n])
            continue;
        std::size_t i = m_slots[n].hash & mask;
        while (newTags[i])
            i = (i + 1) & mask;
        newTags[i] = m_tags[n];
        newSlots[i] = m_slots[n];
    }
    m_tags = std::move(newTags);
    m_slots = std::move(newSlots);
}

} // namespace zeva
