// A byte buffer that owns its storage. New storage is always zero-filled and
// growth allocates exactly the size needed, with no spare capacity: callers
// that know their final size reserve or resize first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

class ByteBuffer {
public:
    ByteBuffer() = default;
    ByteBuffer(ByteBuffer&& other) noexcept;
    ByteBuffer& operator=(ByteBuffer&& other) noexcept;
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;

    // New zero-filled storage of n bytes, size = capacity = n; an empty buffer when the allocation fails.
    void Allocate(size_t n);
    // Replaces the contents by a copy of n bytes (exact storage); nothing for null data or n = 0.
    void Assign(const void* data, size_t n);
    // Appends n bytes, growing to exactly size + n when they do not fit; nothing for null data or n = 0.
    void Append(const void* data, size_t n);
    // Grows the capacity to n (zero-filled, contents kept); never shrinks.
    void Reserve(size_t n);
    // Sets the size; bytes from the old size to n are zero; a smaller n keeps the storage.
    void Resize(size_t n);
    // Zeroes the bytes in use.
    void ZeroFill();
    // Empties the buffer and releases its storage.
    void Release();

    uint8_t* data() { return m_data.get(); }
    const uint8_t* data() const { return m_data.get(); }
    size_t size() const { return m_size; }
    size_t capacity() const { return m_capacity; }
    bool empty() const { return m_size == 0; }
    uint8_t& operator[](size_t i) { return m_data[i]; }
    const uint8_t& operator[](size_t i) const { return m_data[i]; }
    const uint8_t* begin() const { return m_data.get(); }
    const uint8_t* end() const { return m_data.get() + m_size; }

private:
    // New zero-filled storage of exactly n bytes holding the current contents.
    void Regrow(size_t n);

    std::unique_ptr<uint8_t[]> m_data;
    size_t m_capacity = 0;
    size_t m_size = 0;
};
