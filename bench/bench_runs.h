#pragma once

// Helpers of the benchmarks that time whole runs against a peer program: a private scratch
// folder, its files, wall-clock seconds and the median of the runs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <stdlib.h>

namespace bench {

// A new folder "<name>-XXXXXX" in $TMPDIR (else /tmp); the benchmark ends when it cannot be made.
inline std::string make_scratch(const std::string& name)
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/" + name + "-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        std::exit(2);
    }
    return pattern;
}

// Writes the bytes as the file's whole content; the benchmark ends when it cannot.
inline void write_file(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!(out << bytes) || !out.flush()) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(2);
    }
}

inline double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}
