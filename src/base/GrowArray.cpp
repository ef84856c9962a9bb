#include "base/GrowArray.h"

void* ResizeArrayBlock(Allocator* allocator, void* data, uint32_t count, size_t elementSize)
{
    size_t size = static_cast<size_t>(count) * elementSize;
    return data ? allocator->Reallocate(data, size) : allocator->Allocate(size);
}

void ArrayIndexOutOfBounds()
{
    RaiseException(EXCEPTION_ARRAY_BOUNDS_EXCEEDED, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    // A non-continuable exception never returns; make sure of it anyway.
    ExitProcess(static_cast<UINT>(EXCEPTION_ARRAY_BOUNDS_EXCEEDED));
}

uint32_t GrownArrayCapacity(uint32_t capacity, size_t elementSize)
{
    uint64_t grown = capacity < 8 ? 8 : static_cast<uint64_t>(capacity) * 2;
    const uint64_t limit = 0x80000000u / elementSize;
    if (grown > limit)
        grown = limit;
    if (grown <= capacity)
        ArrayIndexOutOfBounds();
    return static_cast<uint32_t>(grown);
}
