#pragma once
// An array of trivially copyable values that starts zeroed. From 2 MB up it is mapped on
// its own and advised onto huge pages: random probes into a table of millions then miss
// the cache without also walking the page tables.

#include <cstddef>
#include <type_traits>
#include <utility>

namespace zeva {

namespace zeroedmemory {
void *allocate(std::size_t bytes);   // throws std::bad_alloc
void release(void *memory, std::size_t bytes);
}

template <typename T>
class ZeroedArray {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    ZeroedArray() = default;
    explicit ZeroedArray(std::size_t count)
        : m_data(static_cast<T *>(zeroedmemory::allocate(count * sizeof(T)))), m_count(count)
    {
    }
    ZeroedArray(ZeroedArray &&other) noexcept { swap(other); }
    ZeroedArray &operator=(ZeroedArray &&other) noexcept
    {
        ZeroedArray(std::move(other)).swap(*this);
        return *this;
    }
    ~ZeroedArray() { zeroedmemory::release(m_data, m_count * sizeof(T)); }

    T &operator[](std::size_t i) { return m_data[i]; }
    const T &operator[](std::size_t i) const { return m_data[i]; }
    T *data() { return m_data; }
    std::size_t size() const { return m_count; }
    void swap(ZeroedArray &other) noexcept
    {
        std::swap(m_data, other.m_data);
        std::swap(m_count, other.m_count);
    }

private:
    T *m_data = nullptr;
    std::size_t m_count = 0;
};

} // namespace zeva
