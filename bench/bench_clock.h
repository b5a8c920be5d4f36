// The benchmarks' clock.
#pragma once
#include <windows.h>

// Seconds on the performance counter (only differences mean anything).
inline double Seconds()
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart) / double(frequency.QuadPart);
}
