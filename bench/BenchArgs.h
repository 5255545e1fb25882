#pragma once
// The command line the song benchmarks share: [--runs N] FILE...
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

/// Reads --runs N (at least 1) and the files; prints the usage and gives false when no file is named.
inline bool readBenchArgs(int argc, char** argv, const char* program, int& runs, std::vector<std::string>& files)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--runs" && i + 1 < argc) runs = std::max(1, std::atoi(argv[++i]));
        else files.push_back(a);
    }
    if (files.empty()) std::fprintf(stderr, "usage: %s [--runs N] FILE...\n", program);
    return !files.empty();
}
