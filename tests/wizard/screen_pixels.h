#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

// What the screen shows of a window, read back as a person would see it.
struct ScreenImage
{
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;  // row by row from the top

    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    // Pixels within `tolerance` of `colour` in each channel.
    size_t Count(COLORREF colour, int tolerance = 0) const;
};

// Captures the window until what the screen shows satisfies `shows`, or the time runs out:
// the screen follows the window's painting some time later. Returns the last capture.
ScreenImage CaptureWhen(HWND window, bool clientOnly, const std::function<bool(const ScreenImage&)>& shows,
                        DWORD timeoutMs = 5000);
// Copies the rectangle of the given memory bitmap.
ScreenImage ReadBitmap(HDC dc, HBITMAP bitmap, int width, int height);
// Writes the window as it is shown into a 32-bit .bmp file.
bool SaveWindowBitmap(HWND window, const std::wstring& path);

// Where the picture `name` for people to look at goes: <folder>\<name>-<language>.bmp in the
// folder that VELMORA_SCREENSHOTS names (tests/wizard/screenshots.sh sets it); empty when
// no pictures are wanted.
std::wstring ScreenshotPath(const wchar_t* name);
