#include "base/bounded_text.h"

#include <stdio.h>
#include <wchar.h>
#include <string.h>

namespace {

template <typename Char>
size_t CopyBounded(Char* dest, size_t capacity, const Char* src, size_t count)
{
    if (!dest || capacity == 0)
        return 0;
    size_t n = 0;
    if (src)
        while (n + 1 < capacity && n < count && src[n])
            dest[n] = src[n], ++n;
    dest[n] = 0;
    return n;
}

// vsnprintf-style formatters report the length they wanted, or -1; either way the
// buffer is cut and terminated here.
size_t Terminated(int wanted, size_t capacity)
{
    if (wanted < 0 || static_cast<size_t>(wanted) >= capacity)
        return capacity - 1;
    return static_cast<size_t>(wanted);
}

} // namespace

size_t CopyText(wchar_t* dest, size_t capacity, const wchar_t* src)
{
    return CopyBounded(dest, capacity, src, static_cast<size_t>(-1));
}

size_t CopyText(char* dest, size_t capacity, const char* src)
{
    return CopyBounded(dest, capacity, src, static_cast<size_t>(-1));
}

size_t CopyTextN(wchar_t* dest, size_t capacity, const wchar_t* src, size_t count)
{
    return CopyBounded(dest, capacity, src, count);
}

size_t AppendText(wchar_t* dest, size_t capacity, const wchar_t* src)
{
    if (!dest || capacity == 0)
        return 0;
    size_t used = wcsnlen(dest, capacity);
    if (used >= capacity) { // not terminated: terminate at the end rather than overrun
        dest[capacity - 1] = 0;
        return capacity - 1;
    }
    return used + CopyText(dest + used, capacity - used, src);
}

size_t FormatTextV(wchar_t* dest, size_t capacity, const wchar_t* format, va_list args)
{
    if (!dest || capacity == 0)
        return 0;
    if (!format) {
        dest[0] = 0;
        return 0;
    }
    int wanted = _vsnwprintf(dest, capacity, format, args);
    size_t written = Terminated(wanted, capacity);
    dest[written] = 0;
    return written;
}

size_t FormatText(wchar_t* dest, size_t capacity, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    size_t written = FormatTextV(dest, capacity, format, args);
    va_end(args);
    return written;
}

size_t FormatText(char* dest, size_t capacity, const char* format, ...)
{
    if (!dest || capacity == 0)
        return 0;
    if (!format) {
        dest[0] = 0;
        return 0;
    }
    va_list args;
    va_start(args, format);
    int wanted = _vsnprintf(dest, capacity, format, args);
    va_end(args);
    size_t written = Terminated(wanted, capacity);
    dest[written] = 0;
    return written;
}

bool FitsInto(const wchar_t* src, size_t capacity)
{
    return src && wcsnlen(src, capacity) < capacity;
}
