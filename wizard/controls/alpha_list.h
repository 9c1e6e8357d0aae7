#pragma once
#include <windows.h>
#include <commctrl.h>

// An image list of 32-bit images cut from a bitmap strip of the program's module, white
// being the transparent colour.
class CAlphaList
{
public:
    CAlphaList() = default;
    CAlphaList(const CAlphaList&) = delete;
    CAlphaList& operator=(const CAlphaList&) = delete;
    virtual ~CAlphaList();

    // Adds the images of bitmap `bitmapId`, each `width` by `height` pixels; the list is
    // created on first use. False when the list or the bitmap could not be had.
    bool AddBitmap(UINT bitmapId, int width, int height);
    HIMAGELIST Handle() const { return list_; }

private:
    HIMAGELIST list_ = nullptr;
};
