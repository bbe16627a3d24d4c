#pragma once

// Big blocks of memory, in one place: the readers' file buffers, their
// scratch arrays and the advice the model's arrays get. On this kind of
// machine a fresh 4 KB page costs about as much as reading 100 KB of a file,
// so big blocks are taken in huge pages where the system has them, zeroed
// memory is taken from the system already zero instead of being cleared,
// and a block's pages can be filled ahead of the thread that writes it
// (PageFiller does that on a thread of its own). Everything here throws
// std::bad_alloc when there is no memory, and the advice is only advice:
// without the system's support nothing happens.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

// A buffer for reading files: from 2 MB on, whole huge pages. Its contents
// start undefined.
struct HugeBufferRelease {
    void operator()(char* buffer) const;
};
using HugeBuffer = std::unique_ptr<char[], HugeBufferRelease>;

// A buffer of `bytes` (at least one).
HugeBuffer makeHugeBuffer(std::size_t bytes);

// Asks the system to back a large block from malloc or realloc with huge
// pages. Only for a block of its own mapping (as the C library gives large
// blocks, their header in the mapping's first page): the advice then covers
// the whole mapping, which must stay one piece for the library to grow the
// block in place when it is resized. Blocks under 4 MB are left alone.
void adviseHugePages(void* block, std::size_t bytes);

// An allocator whose elements are left unset when a vector grows (resize
// without a value): for byte buffers that are written whole right after.
template <typename T> struct UninitialisedAllocator : std::allocator<T> {
    template <typename U> struct rebind {
        using other = UninitialisedAllocator<U>;
    };
    UninitialisedAllocator() = default;
    template <typename U> UninitialisedAllocator(const UninitialisedAllocator<U>& /*other*/) noexcept { }
    template <typename U> void construct(U* at) noexcept { ::new (static_cast<void*>(at)) U; }
    template <typename U, typename... Values> void construct(U* at, Values&&... values)
    {
        ::new (static_cast<void*>(at)) U(std::forward<Values>(values)...);
    }
};
using RawBytes = std::vector<uint8_t, UninitialisedAllocator<uint8_t>>;

// Makes a vector `count` copies of `value` (or, without one, room for
// `count` elements, for a reader to add them), a large one in huge pages:
// its room is reserved and advised (adviseHugePages) before it is written.
template <typename T, typename A> void reserveLarge(std::vector<T, A>& values, std::size_t count)
{
    if (values.capacity() >= count)
        return;
    std::vector<T, A> larger;
    larger.reserve(count);
    adviseHugePages(larger.data(), larger.capacity() * sizeof(T));
    larger.assign(values.begin(), values.end());
    values.swap(larger);
}
template <typename T, typename A> void assignLarge(std::vector<T, A>& values, std::size_t count, const T& value)
{
    if (values.capacity() < count) {
        std::vector<T, A>().swap(values);
        reserveLarge(values, count);
    }
    values.assign(count, value);
}

// Faults in the whole pages of [begin, end) (page-aligned) writable, leaving
// their contents alone, so that another thread may write them meanwhile;
// false when the system cannot.
bool fillPages(uintptr_t begin, uintptr_t end);

// Zeroed memory of `bytes` bytes (mapped on its own when large), and its
// release.
void* scratchAllocate(std::size_t bytes);
void scratchRelease(void* block, std::size_t bytes);

// A reader's large working array of plain values (a welding table, corner
// numbers): zero at first, its pages taken from the system only as they are
// written, so that zeroing a table of tens of megabytes costs nothing until
// it is filled.
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
    static std::size_t bytesOf(std::size_t count)
    {
        if (count > static_cast<std::size_t>(-1) / sizeof(T))
            throw std::bad_alloc();
        return count * sizeof(T);
    }

    T* data_ = nullptr;
    std::size_t size_ = 0;
};
