#pragma once
#include <windows.h>
#include <vector>

// Memory whose neighbours cannot be touched: a copy of the bytes ends exactly where an
// inaccessible page begins, with another inaccessible page before the block, so any
// read past either end faults at once instead of going unnoticed.
class GuardedBytes
{
public:
    explicit GuardedBytes(size_t capacity);
    ~GuardedBytes();
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;

    // Copies `size` bytes (at most the capacity) to the end of the usable pages.
    const BYTE* Place(const BYTE* bytes, size_t size);

private:
    BYTE* base_ = nullptr;
    BYTE* usable_ = nullptr;
    size_t usable_size_ = 0;
};

// A text buffer with guard bytes on both sides, to catch writes past its capacity.
class GuardedText
{
public:
    explicit GuardedText(size_t capacity);
    wchar_t* Buffer() { return &storage_[kGuard]; }
    size_t Capacity() const { return capacity_; }
    // True while every guard character still holds its pattern.
    bool GuardsIntact() const;

private:
    static const size_t kGuard = 16;
    static const wchar_t kPattern = 0xA5C3;
    size_t capacity_;
    std::vector<wchar_t> storage_;
};
