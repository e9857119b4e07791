#include "support/Resources.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

namespace tav::test {

FileSizeLimit::FileSizeLimit(std::uint64_t bytes) {
#ifndef _WIN32
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) != 0) return;
    previous_ = limit.rlim_cur;
    // A write past the limit then fails with EFBIG instead of stopping the process.
    ::signal(SIGXFSZ, SIG_IGN);
    limit.rlim_cur = bytes;
    available_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
#else
    (void)bytes;
#endif
}

FileSizeLimit::~FileSizeLimit() {
#ifndef _WIN32
    if (!available_) return;
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = previous_;
    ::setrlimit(RLIMIT_FSIZE, &limit);
#endif
}

std::uint64_t peakMemory() {
#if defined(__SANITIZE_ADDRESS__)
    return 0;  // freed memory is held back to catch its use, so the peak says nothing
#elif !defined(_WIN32)
    rusage usage{};
    if (::getrusage(RUSAGE_SELF, &usage) != 0) return 0;
    return static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;  // kilobytes on Linux
#else
    return 0;
#endif
}

}  // namespace tav::test
