#pragma once
#include <windows.h>

// Paints `banner` at the top left of a band of `width` x `height` pixels and carries its
// right column and bottom row on to the band's edges, so that a sheet made larger by its
// font or the DPI shows no empty strip beside or below the picture. False when the
// bitmap cannot be read or drawn.
bool PaintBanner(HDC target, HBITMAP banner, int width, int height);
