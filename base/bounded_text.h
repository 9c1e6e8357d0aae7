#pragma once
#include <stdarg.h>
#include <stddef.h>

// Copies and formats into fixed buffers. Every function is bounded by the capacity in
// characters, always terminates (when capacity > 0) and cuts what does not fit.
// Each returns the number of characters written, without the terminator.

size_t CopyText(wchar_t* dest, size_t capacity, const wchar_t* src);
size_t CopyText(char* dest, size_t capacity, const char* src);
// Copies at most `count` characters of `src` (fewer when it ends earlier).
size_t CopyTextN(wchar_t* dest, size_t capacity, const wchar_t* src, size_t count);
size_t AppendText(wchar_t* dest, size_t capacity, const wchar_t* src);

size_t FormatText(wchar_t* dest, size_t capacity, const wchar_t* format, ...);
size_t FormatText(char* dest, size_t capacity, const char* format, ...);
size_t FormatTextV(wchar_t* dest, size_t capacity, const wchar_t* format, va_list args);

// True when `src` with its terminator fits into `capacity` characters.
bool FitsInto(const wchar_t* src, size_t capacity);

// Fixed-size arrays: the capacity is taken from the array's type.
template <size_t N> size_t CopyText(wchar_t (&dest)[N], const wchar_t* src) { return CopyText(dest, N, src); }
template <size_t N> size_t CopyText(char (&dest)[N], const char* src) { return CopyText(dest, N, src); }
template <size_t N> size_t AppendText(wchar_t (&dest)[N], const wchar_t* src) { return AppendText(dest, N, src); }
template <size_t N, typename... Args>
size_t FormatText(wchar_t (&dest)[N], const wchar_t* format, Args... args) { return FormatText(dest, N, format, args...); }
template <size_t N, typename... Args>
size_t FormatText(char (&dest)[N], const char* format, Args... args) { return FormatText(dest, N, format, args...); }
