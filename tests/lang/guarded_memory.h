#pragma once
#include <windows.h>
#include <string.h>
#include <vector>

// Memory whose neighbours cannot be touched: a copy of the bytes ends exactly where an
// inaccessible page begins, with another inaccessible page before the block, so any
// read past either end faults at once instead of going unnoticed.
class GuardedBytes
{
public:
    explicit GuardedBytes(size_t capacity)
    {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        size_t page = info.dwPageSize;
        usable_size_ = capacity ? (capacity + page - 1) / page * page : page;
        base_ = static_cast<BYTE*>(VirtualAlloc(nullptr, usable_size_ + 2 * page, MEM_RESERVE, PAGE_NOACCESS));
        if (base_)
            usable_ = static_cast<BYTE*>(VirtualAlloc(base_ + page, usable_size_, MEM_COMMIT, PAGE_READWRITE));
    }
    ~GuardedBytes() { VirtualFree(base_, 0, MEM_RELEASE); }
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;

    // Copies `size` bytes (at most the capacity) to the end of the usable pages.
    const BYTE* Place(const BYTE* bytes, size_t size)
    {
        if (!usable_ || size > usable_size_)
            return nullptr;
        BYTE* start = usable_ + usable_size_ - size;
        return size ? static_cast<BYTE*>(memcpy(start, bytes, size)) : start;
    }

private:
    BYTE* base_ = nullptr;
    BYTE* usable_ = nullptr;
    size_t usable_size_ = 0;
};

// A text buffer with guard characters on both sides, to catch writes past its capacity.
class GuardedText
{
public:
    explicit GuardedText(size_t capacity) : capacity_(capacity), storage_(capacity + 2 * kGuard, kPattern) {}
    wchar_t* Buffer() { return &storage_[kGuard]; }
    size_t Capacity() const { return capacity_; }
    // True while every guard character still holds its pattern.
    bool GuardsIntact() const
    {
        for (size_t i = 0; i < kGuard; ++i)
            if (storage_[i] != kPattern || storage_[kGuard + capacity_ + i] != kPattern)
                return false;
        return true;
    }

private:
    static const size_t kGuard = 16;
    static const wchar_t kPattern = 0xA5C3;
    size_t capacity_;
    std::vector<wchar_t> storage_;
};
