#pragma once
#include "base/Platform.h"

// Where buffers and arrays get their storage. A failed allocation raises the
// platform's out-of-memory exception, which nothing catches: the process ends.
class Allocator {
public:
    virtual void* Allocate(size_t size) = 0;
    virtual void* Reallocate(void* block, size_t size) = 0;
    virtual size_t SizeOf(void* block) = 0;
    virtual void Free(void* block) = 0;
};

class HeapAllocator : public Allocator {
public:
    // Takes the process heap; called before any buffer or array is made.
    void Init();
    void* Allocate(size_t size) override;
    void* Reallocate(void* block, size_t size) override;
    size_t SizeOf(void* block) override;
    void Free(void* block) override;

private:
    HANDLE heap = nullptr;
};

// The one allocator of the process; owns the storage of every TextBuffer and GrowArray.
extern HeapAllocator Heap;
