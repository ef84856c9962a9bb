#include "base/HeapAllocator.h"

HeapAllocator Heap;

void HeapAllocator::Init()
{
    heap = GetProcessHeap();
}

void* HeapAllocator::Allocate(size_t size)
{
    return HeapAlloc(heap, HEAP_GENERATE_EXCEPTIONS, size);
}

void* HeapAllocator::Reallocate(void* block, size_t size)
{
    return HeapReAlloc(heap, HEAP_GENERATE_EXCEPTIONS, block, size);
}

size_t HeapAllocator::SizeOf(void* block)
{
    return HeapSize(heap, 0, block);
}

void HeapAllocator::Free(void* block)
{
    HeapFree(heap, 0, block);
}
