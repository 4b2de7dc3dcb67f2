#include "platform/FileLimits.h"

#include <algorithm>
#include <mutex>
#include <sys/resource.h>

std::size_t FileLimits::raiseOpenFileLimit()
{
    static std::once_flag once;
    std::call_once(once, [] {
        rlimit limit{};
        if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
            limit.rlim_cur = limit.rlim_max;
            setrlimit(RLIMIT_NOFILE, &limit);
        }
    });
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
        return 1024;
    }
    return static_cast<std::size_t>(limit.rlim_cur);
}

std::size_t FileLimits::openFileBudget(std::size_t parallelSearches)
{
    const std::size_t soft = raiseOpenFileLimit();
    const std::size_t usable = std::min<std::size_t>(soft / 2, 4096);
    return std::max<std::size_t>(8, usable / std::max<std::size_t>(1, parallelSearches));
}
