#include "guarded_memory.h"

#include <string.h>

GuardedBytes::GuardedBytes(size_t capacity)
{
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    size_t page = info.dwPageSize;
    usable_size_ = (capacity + page - 1) / page * page;
    if (usable_size_ == 0)
        usable_size_ = page;
    base_ = static_cast<BYTE*>(VirtualAlloc(nullptr, usable_size_ + 2 * page, MEM_RESERVE, PAGE_NOACCESS));
    if (base_) {
        usable_ = base_ + page;
        VirtualAlloc(usable_, usable_size_, MEM_COMMIT, PAGE_READWRITE);
    }
}

GuardedBytes::~GuardedBytes()
{
    if (base_)
        VirtualFree(base_, 0, MEM_RELEASE);
}

const BYTE* GuardedBytes::Place(const BYTE* bytes, size_t size)
{
    if (!usable_ || size > usable_size_)
        return nullptr;
    BYTE* start = usable_ + usable_size_ - size;
    if (size)
        memcpy(start, bytes, size);
    return start;
}

GuardedText::GuardedText(size_t capacity)
    : capacity_(capacity), storage_(capacity + 2 * kGuard, kPattern)
{
}

bool GuardedText::GuardsIntact() const
{
    for (size_t i = 0; i < kGuard; ++i)
        if (storage_[i] != kPattern || storage_[kGuard + capacity_ + i] != kPattern)
            return false;
    return true;
}
