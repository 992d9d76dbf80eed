// Timing shared by the benchmark's measurements.
#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

// Now, in milliseconds on the high-resolution counter.
inline double NowMs() {
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return now.QuadPart * 1000.0 / frequency.QuadPart;
}

// The middle of several timings: one slow run, when the machine did
// something else, does not move it.
inline double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Which build measured a row: the 32-bit one is the product users get.
static const char* const BuildLabel = sizeof(void*) == 4 ? "32-bit" : "64-bit";
