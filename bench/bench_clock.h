#pragma once
#include <windows.h>

static const double kBenchMegabyte = 1024.0 * 1024.0;

// Seconds from the performance counter.
inline double BenchNow()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

inline double FileTimeSeconds(const FILETIME& time)
{
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32 | time.dwLowDateTime) / 1e7;
}

// Processor seconds (user and kernel) that this thread has used: on a machine shared
// with other work the wall clock measures the scheduler as much as the code.
inline double BenchThreadSeconds()
{
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user))
        return 0;
    return FileTimeSeconds(kernel) + FileTimeSeconds(user);
}

// The same for the whole process.
inline double BenchProcessSeconds()
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0;
    return FileTimeSeconds(kernel) + FileTimeSeconds(user);
}
