#include "wizard/controls/alpha_list.h"

#include "base/scoped_handle.h"

CAlphaList::~CAlphaList()
{
    if (list_)
        ImageList_Destroy(list_);
}

bool CAlphaList::AddBitmap(UINT bitmapId, int width, int height)
{
    if (!list_) {
        list_ = ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, 0, 4);
        if (!list_)
            return false;
        ImageList_SetBkColor(list_, CLR_NONE);
    }
    UniqueGdiObject bitmap(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(bitmapId),
                                      IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bitmap)
        return false;
    return ImageList_AddMasked(list_, static_cast<HBITMAP>(bitmap.Get()), RGB(255, 255, 255)) >= 0;
}
