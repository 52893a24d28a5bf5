#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <malloc.h>

// Resident memory of this process from /proc (Linux), in MiB.
namespace benchmem {

inline double statusMiB(const char* key)
{
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f)
        return -1;
    char line[256];
    double kb = -1;
    const std::size_t n = std::strlen(key);
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, key, n) == 0 && line[n] == ':') {
            kb = std::atof(line + n + 1);
            break;
        }
    std::fclose(f);
    return kb / 1024.0;
}

inline double residentMiB()
{
    return statusMiB("VmRSS");
}

// The highest resident size since the last resetPeak().
inline double peakMiB()
{
    return statusMiB("VmHWM");
}

// Starts the peak afresh from the present size; false where the kernel does not allow it.
inline bool resetPeak()
{
    std::FILE* f = std::fopen("/proc/self/clear_refs", "w");
    if (!f)
        return false;
    const bool ok = std::fputs("5", f) >= 0;
    return std::fclose(f) == 0 && ok;
}

// As resetPeak, with freed memory handed back first so that it is not counted as in use;
// returns the resident size it starts from.
inline double restartPeakMiB()
{
    malloc_trim(0);
    resetPeak();
    return residentMiB();
}

} // namespace benchmem
