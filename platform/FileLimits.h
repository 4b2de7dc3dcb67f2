#pragma once

#include <cstddef>

// Open-descriptor limits for the content comparison, which keeps many files
// open at once.
class FileLimits
{
public:
    // Raises the soft RLIMIT_NOFILE to the hard limit (once per process) and
    // returns the resulting soft limit.
    static std::size_t raiseOpenFileLimit();

    // Descriptors one of `parallelSearches` concurrent searches may keep open:
    // a share of half the soft limit, capped, so walking and the rest of the
    // program always have room.
    static std::size_t openFileBudget(std::size_t parallelSearches);
};
