#include "check/PostingDigest.h"

#include <cstring>
#include <random>

namespace tav::check {

namespace {

std::uint64_t mix(std::uint64_t h, std::uint64_t word) {
    constexpr std::uint64_t kMix = 0x9E3779B97F4A7C15ULL;
    h = (h ^ word) * kMix;
    return h ^ (h >> 29);
}

std::uint64_t mixWide(std::uint64_t h, Int128 v) {
    const auto u = static_cast<UInt128>(v);
    return mix(mix(h, static_cast<std::uint64_t>(u)), static_cast<std::uint64_t>(u >> 64));
}

}  // namespace

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

std::uint64_t textHash(std::string_view text) {
    // Short texts, nearly all, in one or two words read whole: the words hold every byte.
    auto load = [](const char* p, size_t bytes) {
        std::uint64_t w = 0;
        std::memcpy(&w, p, bytes);
        return w;
    };
    const char* p = text.data();
    const size_t n = text.size();
    std::uint64_t h = mix(0x243F6A8885A308D3ULL, n);
    if (n >= 8) {
        for (size_t i = 0; i + 8 < n; i += 8) h = mix(h, load(p + i, 8));
        return mix(h, load(p + n - 8, 8));
    }
    if (n >= 4) return mix(h, (load(p, 4) << 32) | load(p + n - 4, 4));
    if (n > 0)
        return mix(h, std::uint64_t{static_cast<unsigned char>(p[0])} << 16 |
                          std::uint64_t{static_cast<unsigned char>(p[n / 2])} << 8 |
                          static_cast<unsigned char>(p[n - 1]));
    return h;
}

std::uint64_t headHash(std::string_view date, std::string_view kind, std::string_view reference) {
    return mix(mix(textHash(date), textHash(kind)), textHash(reference));
}

std::uint64_t amountHash(Money amount) { return mixWide(0, amount.cents()); }

std::uint64_t postingHash(std::uint64_t head, std::uint64_t account, std::uint64_t amount,
                          std::uint64_t taxCode, std::uint64_t tax) {
    return mix(mix(mix(mix(head, account), amount), taxCode), tax);
}

}  // namespace tav::check
