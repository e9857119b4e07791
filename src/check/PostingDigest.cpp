#include "check/PostingDigest.h"

#include <random>

namespace tav::check {

void PostingDigest::append(const PostingDigest& later) {
    // value * base^n + later's value, n the later postings
    std::uint64_t power = 1, b = base_;
    for (std::uint64_t n = later.count_; n; n >>= 1) {
        if (n & 1) power = reduce(static_cast<UInt128>(power) * b);
        b = reduce(static_cast<UInt128>(b) * b);
    }
    value_ =
        reduce(static_cast<UInt128>(reduce(static_cast<UInt128>(power) * value_)) + later.value_);
    count_ += later.count_;
}

std::uint64_t randomDigestBase() {
    std::random_device device;
    std::uint64_t base = (std::uint64_t{device()} << 32) ^ device();
    base %= PostingDigest::kPrime - 2;
    return base + 2;
}

}  // namespace tav::check
