#pragma once
#include <windows.h>

// The bytes of the PFX image that the settings page shows, owned by it.
class CCertificateImage
{
public:
    CCertificateImage() = default;
    ~CCertificateImage() { Clear(); }
    CCertificateImage(const CCertificateImage&) = delete;
    CCertificateImage& operator=(const CCertificateImage&) = delete;

    void Clear();
    // Replaces the content with a copy of `size` bytes (empty when null, or out of memory).
    bool Assign(const BYTE* image, DWORD size);
    // Replaces the content with the whole file; empty when it cannot be opened or read.
    bool LoadFile(const wchar_t* path);

    const BYTE* Data() const { return data_; }
    DWORD Size() const { return size_; }
    bool IsEmpty() const { return size_ == 0; }

private:
    BYTE* data_ = nullptr;
    DWORD size_ = 0;
};
