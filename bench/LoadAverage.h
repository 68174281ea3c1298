#pragma once

// The machine's load averages (1, 5 and 15 minutes) as /proc/loadavg gives
// them, for the benchmarks' figures: a busy machine explains a slow run.
#include <fstream>
#include <string>

inline std::string loadText()
{
    std::ifstream in("/proc/loadavg");
    std::string a, b, c;
    in >> a >> b >> c;
    return a + " " + b + " " + c;
}
