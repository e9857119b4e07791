#include "convert/ReportBlocks.h"

#include <algorithm>

namespace tav {

unsigned readingThreads(unsigned asked) {
    // Beyond this the one thread writing the results in order is the limit, and every
    // further thread only holds more of the report in memory.
    constexpr unsigned kMostThreads = 8;
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    return std::min(asked == 0 ? cores : asked, kMostThreads);
}

bool seekLineAfter(TextReader& reader, std::uint64_t offset) {
    // The line read from the offset is the rest of the one it falls in (or, at a line's
    // start, that whole line): the next begins after the offset.
    reader.seek(offset, 0);
    if (reader.eof()) return false;
    reader.line();
    return !reader.eof();
}

}  // namespace tav
