#pragma once
#include "base/HeapAllocator.h"
#include <type_traits>

// Resizes an array block to exactly count elements; allocates the first block.
void* ResizeArrayBlock(Allocator* allocator, void* data, uint32_t count, size_t elementSize);
// The capacity after a full block of capacity elements: double, at least 8;
// ends the process when the block would pass 2 GiB (or the count's range).
uint32_t GrownArrayCapacity(uint32_t capacity, size_t elementSize);
// Ends the process: an index at or beyond the count is a programming error.
[[noreturn]] void ArrayIndexOutOfBounds();

// A list of plain records copied by value. The block doubles when full, so
// appending n elements costs O(n); Reserve sets room ahead of a known count.
// Init before use, Clear after.
template <typename T>
struct GrowArray {
    static_assert(std::is_trivially_copyable<T>::value, "elements are copied as bytes");

    Allocator* allocator;
    T* data;            // null while the array has never held anything
    uint32_t count;
    uint32_t capacity;  // elements the block holds

    void Init()
    {
        allocator = &Heap;
        data = nullptr;
        count = 0;
        capacity = 0;
    }

    // Room for n elements in all; never shrinks the block.
    void Reserve(uint32_t n)
    {
        if (n <= capacity)
            return;
        data = static_cast<T*>(ResizeArrayBlock(allocator, data, n, sizeof(T)));
        capacity = n;
    }

    void Append(const T& element)
    {
        if (count == capacity)
            Reserve(GrownArrayCapacity(capacity, sizeof(T)));
        memcpy(&data[count], &element, sizeof(T));
        ++count;
    }

    T& At(uint32_t index)
    {
        if (index >= count)
            ArrayIndexOutOfBounds();
        return data[index];
    }

    // Gives back the room beyond the count, for a list kept long after it is filled.
    void Trim()
    {
        if (count == capacity)
            return;
        if (count == 0) {
            Clear();
            return;
        }
        data = static_cast<T*>(ResizeArrayBlock(allocator, data, count, sizeof(T)));
        capacity = count;
    }

    void Clear()
    {
        if (!data)
            return;
        allocator->Free(data);
        data = nullptr;
        count = 0;
        capacity = 0;
    }
};
