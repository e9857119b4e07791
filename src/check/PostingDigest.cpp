#include "check/PostingDigest.h"

#include <random>

namespace tav::check {

std::uint64_t randomDigestBase() {
    std::random_device device;
    std::uint64_t base = (std::uint64_t{device()} << 32) ^ device();
    base %= PostingDigest::kPrime - 2;
    return base + 2;
}

}  // namespace tav::check
