#include "base/byte_buffer.h"

#include <cstring>
#include <new>
#include <utility>

ByteBuffer::ByteBuffer(ByteBuffer&& other) noexcept
    : m_data(std::move(other.m_data)), m_capacity(other.m_capacity), m_size(other.m_size) {
    other.m_capacity = other.m_size = 0;
}

ByteBuffer& ByteBuffer::operator=(ByteBuffer&& other) noexcept {
    if (this != &other) {
        m_data = std::move(other.m_data);
        m_capacity = std::exchange(other.m_capacity, 0);
        m_size = std::exchange(other.m_size, 0);
    }
    return *this;
}

void ByteBuffer::Allocate(size_t n) {
    Release();
    if (n == 0) return;
    m_data.reset(new (std::nothrow) uint8_t[n]());
    if (!m_data) return;
    m_capacity = m_size = n;
}

void ByteBuffer::Assign(const void* data, size_t n) {
    if (!data || n == 0) return;
    std::unique_ptr<uint8_t[]> storage(new uint8_t[n]);
    std::memcpy(storage.get(), data, n);
    m_data = std::move(storage);
    m_capacity = m_size = n;
}

void ByteBuffer::Regrow(size_t n) {
    std::unique_ptr<uint8_t[]> storage(new uint8_t[n]());
    if (m_size) std::memcpy(storage.get(), m_data.get(), m_size);
    m_data = std::move(storage);
    m_capacity = n;
}

void ByteBuffer::Append(const void* data, size_t n) {
    if (!data || n == 0) return;
    if (m_size + n > m_capacity) Regrow(m_size + n);
    std::memcpy(m_data.get() + m_size, data, n);
    m_size += n;
}

void ByteBuffer::Reserve(size_t n) {
    if (n > m_capacity) Regrow(n);
}

void ByteBuffer::Resize(size_t n) {
    if (n > m_capacity) {
        Regrow(n);
    } else if (n > m_size) {
        std::memset(m_data.get() + m_size, 0, n - m_size);
    }
    m_size = n;
}

void ByteBuffer::ZeroFill() {
    if (m_data) std::memset(m_data.get(), 0, m_size);
}

void ByteBuffer::Release() {
    m_data.reset();
    m_capacity = m_size = 0;
}
