#include "wizard/settings_page/certificate_image.h"

#include "base/scoped_handle.h"

void CCertificateImage::Clear()
{
    if (data_)
        HeapFree(GetProcessHeap(), 0, data_);
    data_ = nullptr;
    size_ = 0;
}

bool CCertificateImage::Assign(const BYTE* image, DWORD size)
{
    Clear();
    if (!image || size == 0)
        return false;
    data_ = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, size));
    if (!data_)
        return false;
    CopyMemory(data_, image, size);
    size_ = size;
    return true;
}

bool CCertificateImage::LoadFile(const wchar_t* path)
{
    Clear();
    UniqueHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    LARGE_INTEGER size = {};
    // A PFX file is a few kilobytes; anything of gigabytes is not one.
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart == 0 || size.HighPart != 0 ||
        size.LowPart > 0x7FFFFFFF)
        return false;
    BYTE* data = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, size.LowPart));
    if (!data)
        return false;
    DWORD read = 0;
    if (!ReadFile(file.Get(), data, size.LowPart, &read, nullptr) || read != size.LowPart) {
        HeapFree(GetProcessHeap(), 0, data);
        return false;
    }
    data_ = data;
    size_ = read;
    return true;
}
