#pragma once
#include "base/HeapAllocator.h"
#include <type_traits>

// Resizes an array block to exactly count elements; allocates the first block.
void* ResizeArrayBlock(Allocator* allocator, void* data, uint32_t count, size_t elementSize);
// Ends the process: an index at or beyond the count is a programming error.
[[noreturn]] void ArrayIndexOutOfBounds();

// A list of plain records copied by value, sized exactly to what it holds:
// every Append grows the block by one element. Init before use, Clear after.
template <typename T>
struct GrowArray {
    static_assert(std::is_trivially_copyable<T>::value, "elements are copied as bytes");

    Allocator* allocator;
    T* data;            // null while the array has never held anything
    uint32_t count;
    uint32_t capacity;

    void Init()
    {
        allocator = &Heap;
        data = nullptr;
        count = 0;
        capacity = 0;
    }

    // Grows the block to n elements when n is above the count.
    void Reserve(uint32_t n)
    {
        if (n <= count)
            return;
        data = static_cast<T*>(ResizeArrayBlock(allocator, data, n, sizeof(T)));
        capacity = n;
    }

    void Append(const T& element)
    {
        Reserve(count + 1);
        memcpy(&data[count], &element, sizeof(T));
        ++count;
    }

    T& At(uint32_t index)
    {
        if (index >= count)
            ArrayIndexOutOfBounds();
        return data[index];
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
