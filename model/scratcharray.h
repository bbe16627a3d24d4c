#pragma once

// A reader's large working array of plain values (a welding table, corner
// numbers): zero at first, its pages taken from the system only as they are
// written, and in huge pages where the system has them. On this kind of
// machine a fresh 4 KB page costs about as much as reading 100 KB of a file,
// so zeroing a table of tens of megabytes the usual way would cost more than
// filling it. Throws std::bad_alloc when there is no memory.

#include <cstddef>
#include <cstring>
#include <new>
#include <type_traits>

// Zeroed memory of `bytes` bytes (mapped on its own when large), and its
// release; scratchAllocate throws std::bad_alloc.
void* scratchAllocate(std::size_t bytes);
void scratchRelease(void* block, std::size_t bytes);

template <typename T> class ScratchArray {
    static_assert(std::is_trivially_copyable_v<T>, "plain values only");

public:
    ScratchArray() = default;
    explicit ScratchArray(std::size_t count) { assign(count); }
    ScratchArray(const ScratchArray&) = delete;
    ScratchArray& operator=(const ScratchArray&) = delete;
    ~ScratchArray() { release(); }

    // `count` elements, all zero bits.
    void assign(std::size_t count)
    {
        release();
        data_ = static_cast<T*>(scratchAllocate(bytesOf(count)));
        size_ = count;
    }
    // Grows to `count` elements, keeping the present ones; the new ones are
    // zero bits.
    void grow(std::size_t count)
    {
        if (count <= size_)
            return;
        T* grown = static_cast<T*>(scratchAllocate(bytesOf(count)));
        if (size_ > 0)
            std::memcpy(static_cast<void*>(grown), data_, size_ * sizeof(T));
        release();
        data_ = grown;
        size_ = count;
    }
    void release()
    {
        if (data_ != nullptr)
            scratchRelease(data_, size_ * sizeof(T));
        data_ = nullptr;
        size_ = 0;
    }

    T& operator[](std::size_t i) { return data_[i]; }
    const T& operator[](std::size_t i) const { return data_[i]; }
    T* data() { return data_; }
    std::size_t size() const { return size_; }

private:
    static std::size_t bytesOf(std::size_t count);

    T* data_ = nullptr;
    std::size_t size_ = 0;
};

template <typename T> std::size_t ScratchArray<T>::bytesOf(std::size_t count)
{
    if (count > static_cast<std::size_t>(-1) / sizeof(T))
        throw std::bad_alloc();
    return count * sizeof(T);
}
