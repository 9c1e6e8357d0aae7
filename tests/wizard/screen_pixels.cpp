#include "wizard/screen_pixels.h"

#include <stdlib.h>

#include "support/temp_folder.h"
#include "wizard/wizard_driver.h"

namespace {

bool Near(COLORREF a, COLORREF b, int tolerance)
{
    return abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
           abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

BITMAPINFO TopDownInfo(int width, int height, WORD bits)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = bits;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

RECT ScreenRect(HWND window, bool clientOnly)
{
    RECT rect = {};
    if (clientOnly) {
        GetClientRect(window, &rect);
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    } else {
        GetWindowRect(window, &rect);
    }
    return rect;
}

// Repaints the window (and its children) and copies its screen rectangle.
ScreenImage CaptureWindow(HWND window, bool clientOnly = false)
{
    // Other test programs show their windows on the same screen, often right over this one.
    SetWindowPos(GetAncestor(window, GA_ROOT), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    // The window's thread paints on its own time; give it a moment.
    for (int i = 0; i < 3; ++i) {
        SendMessageW(window, WM_NULL, 0, 0);
        Sleep(60);
    }
    RECT rect = ScreenRect(window, clientOnly);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, previous);
    ScreenImage image = ReadBitmap(memory, bitmap, width, height);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return image;
}

} // namespace

size_t ScreenImage::Count(COLORREF colour, int tolerance) const
{
    size_t count = 0;
    for (COLORREF pixel : pixels)
        count += Near(pixel, colour, tolerance) ? 1 : 0;
    return count;
}

ScreenImage ReadBitmap(HDC dc, HBITMAP bitmap, int width, int height)
{
    ScreenImage image;
    image.width = width;
    image.height = height;
    std::vector<DWORD> raw(static_cast<size_t>(width) * height);
    BITMAPINFO info = TopDownInfo(width, height, 32);
    GetDIBits(dc, bitmap, 0, height, raw.data(), &info, DIB_RGB_COLORS);
    image.pixels.reserve(raw.size());
    for (DWORD bgra : raw)
        image.pixels.push_back(RGB((bgra >> 16) & 0xFF, (bgra >> 8) & 0xFF, bgra & 0xFF));
    return image;
}

ScreenImage CaptureWhen(HWND window, bool clientOnly, const std::function<bool(const ScreenImage&)>& shows,
                        DWORD timeoutMs)
{
    ScreenImage image;
    WaitUntil([&] {
        image = CaptureWindow(window, clientOnly);
        return shows(image);
    }, timeoutMs);
    return image;
}

bool SaveWindowBitmap(HWND window, const std::wstring& path)
{
    ScreenImage image = CaptureWindow(window);
    std::vector<DWORD> rows;
    for (COLORREF c : image.pixels)
        rows.push_back(RGB(GetBValue(c), GetGValue(c), GetRValue(c)));  // stored as B, G, R, unused
    BITMAPINFOHEADER info = TopDownInfo(image.width, image.height, 32).bmiHeader;
    BITMAPFILEHEADER file = {0x4D42, 0, 0, 0, sizeof(file) + sizeof(info)};
    file.bfSize = file.bfOffBits + static_cast<DWORD>(rows.size() * sizeof(DWORD));
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
    bytes.append(reinterpret_cast<const char*>(&info), sizeof(info));
    bytes.append(reinterpret_cast<const char*>(rows.data()), rows.size() * sizeof(DWORD));
    return WriteWholeFile(path, bytes);
}

std::wstring ScreenshotPath(const wchar_t* name)
{
    wchar_t folder[MAX_PATH] = {};
    wchar_t language[16] = L"en";
    if (!GetEnvironmentVariableW(L"VELMORA_SCREENSHOTS", folder, MAX_PATH))
        return std::wstring();
    GetEnvironmentVariableW(L"VELMORA_SCREENSHOT_LANGUAGE", language, 16);
    return std::wstring(folder) + L"\\" + name + L"-" + language + L".bmp";
}
