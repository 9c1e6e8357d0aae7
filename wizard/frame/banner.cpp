#include "wizard/frame/banner.h"

#include "base/scoped_handle.h"

bool PaintBanner(HDC target, HBITMAP banner, int width, int height)
{
    if (width <= 0 || height <= 0)
        return true;
    BITMAP size = {};
    if (!banner || !GetObjectW(banner, sizeof(size), &size) || size.bmWidth <= 0 || size.bmHeight <= 0)
        return false;
    UniqueMemoryDc source(CreateCompatibleDC(target));
    if (!source)
        return false;
    HGDIOBJ previous = SelectObject(source.Get(), banner);
    int shownWidth = width < size.bmWidth ? width : size.bmWidth;
    int shownHeight = height < size.bmHeight ? height : size.bmHeight;
    int lastColumn = size.bmWidth - 1;
    int lastRow = size.bmHeight - 1;
    // Enlarging by whole pixels copies them; no stretch mode blends anything.
    bool painted = BitBlt(target, 0, 0, shownWidth, shownHeight, source.Get(), 0, 0, SRCCOPY);
    if (width > shownWidth)
        painted &= StretchBlt(target, shownWidth, 0, width - shownWidth, shownHeight,
                              source.Get(), lastColumn, 0, 1, shownHeight, SRCCOPY) != FALSE;
    if (height > shownHeight) {
        painted &= StretchBlt(target, 0, shownHeight, shownWidth, height - shownHeight,
                              source.Get(), 0, lastRow, shownWidth, 1, SRCCOPY) != FALSE;
        if (width > shownWidth)
            painted &= StretchBlt(target, shownWidth, shownHeight, width - shownWidth, height - shownHeight,
                                  source.Get(), lastColumn, lastRow, 1, 1, SRCCOPY) != FALSE;
    }
    SelectObject(source.Get(), previous);
    return painted;
}
