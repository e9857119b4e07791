#pragma once
// Limits a test puts on the process, and what it used: a file size limit stands in for
// a full disk, and the peak memory shows that hostile input is read in bounded memory.

#include <cstdint>

namespace tav::test {

// Writes past the limit fail (as on a full disk) until the end of the test.
// available() is false where the platform has no such limit (Windows); such a test skips.
class FileSizeLimit {
public:
    explicit FileSizeLimit(std::uint64_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool available() const { return available_; }

private:
    bool available_ = false;
    std::uint64_t previous_ = 0;
};

// The most memory the process has held so far, in bytes; 0 where it cannot be known
// (Windows, and under AddressSanitizer).
std::uint64_t peakMemory();

}  // namespace tav::test
