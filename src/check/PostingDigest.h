#pragma once
// The postings of an import file as one number, made alike from the report (by the
// conversion, see ReportTally) and from the import file read back, so that a faithful
// conversion is recognised without holding either file's lines.

#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "safe/Values.h"

namespace tav::check {

// The sequence of a file's postings as one number: each posting's hash times a power of a
// base chosen at random for each run (the last posting's power 0, the one before 1, ...),
// summed modulo the prime 2^61 - 1. Each posting added moves those before it one power
// up: one multiplication a posting. Equal sequences give equal digests; two different
// sequences of n postings give the same one with a chance of at most n in 2^61 (or when
// two postings' own 64-bit hashes collide). A posting whose hash is known only later keeps
// its place (keepPlace()) and is added with others known later (Later).
class PostingDigest {
public:
    static constexpr std::uint64_t kPrime = (std::uint64_t{1} << 61) - 1;
    explicit PostingDigest(std::uint64_t base = 0) : base_(base) {
        powers_[0] = 1;
        for (size_t k = 1; k < powers_.size(); ++k) powers_[k] = times(powers_[k - 1], base_);
    }

    void add(std::uint64_t posting) {
        value_ = step(value_, base_, posting);
        ++count_;
    }
    // Keeps the next posting's place for a hash known later: its number, from 0.
    std::uint64_t keepPlace() {
        value_ = step(value_, base_, 0);
        return count_++;
    }
    // Postings of places kept, added later as one: a digest of their own to the last of
    // their places, the places between holding nothing. Several of the same places move on
    // together, by moving().
    class Later {
    public:
        void add(std::uint64_t moved, std::uint64_t posting) {
            value_ = step(value_, moved, posting);
        }

    private:
        friend class PostingDigest;
        std::uint64_t value_ = 0;
    };
    // What moves the postings of a Later from place `from` on to place `to`.
    std::uint64_t moving(std::uint64_t from, std::uint64_t to) const { return power(to - from); }
    // Adds a Later whose last place is `last`.
    void add(const Later& later, std::uint64_t last) {
        value_ = sum(canonical(value_), times(later.value_, power(count_ - 1 - last)));
    }
    // The postings of a later part of the file.
    void append(const PostingDigest& later) {
        value_ = sum(times(value_, power(later.count_)), canonical(later.value_));
        count_ += later.count_;
    }
    std::uint64_t count() const { return count_; }
    std::uint64_t base() const { return base_; }
    friend bool operator==(const PostingDigest& a, const PostingDigest& b) {
        return canonical(a.value_) == canonical(b.value_) && a.count_ == b.count_;
    }

private:
    // value * factor + posting for a value below 2^62 and a factor below the prime. Every
    // posting goes through here, so the result is reduced only by half: below 2^62, not
    // always below the prime (canonical() finishes it where it is read).
    static std::uint64_t step(std::uint64_t value, std::uint64_t factor, std::uint64_t posting) {
        const UInt128 v = static_cast<UInt128>(value) * factor;  // below 2^123
        const std::uint64_t r = (static_cast<std::uint64_t>(v) & kPrime) +
                                static_cast<std::uint64_t>(v >> 61) +
                                (posting & kPrime);  // below 2^63
        return (r & kPrime) + (r >> 61);
    }
    // A value below 2^62 as the one number below the prime it stands for.
    static std::uint64_t canonical(std::uint64_t a) {
        a = (a & kPrime) + (a >> 61);
        return a >= kPrime ? a - kPrime : a;
    }
    static std::uint64_t sum(std::uint64_t a, std::uint64_t b) {
        const std::uint64_t s = a + b;  // below 2^62
        return s >= kPrime ? s - kPrime : s;
    }
    // a below 2^62, b below the prime.
    static std::uint64_t times(std::uint64_t a, std::uint64_t b) {
        const UInt128 v = static_cast<UInt128>(a) * b;
        std::uint64_t r = static_cast<std::uint64_t>(v & kPrime) +
                          static_cast<std::uint64_t>(v >> 61);  // below 2^63
        r = (r & kPrime) + (r >> 61);
        return r >= kPrime ? r - kPrime : r;
    }
    // The base to the power k.
    std::uint64_t power(std::uint64_t k) const {
        // A Later's places nearly always lie a few apart.
        if (k < powers_.size()) return powers_[k];
        std::uint64_t result = 1;
        for (std::uint64_t square = base_; k != 0; k >>= 1, square = times(square, square))
            if (k & 1) result = times(result, square);
        return result;
    }
    std::uint64_t base_, value_ = 0, count_ = 0;
    std::array<std::uint64_t, 16> powers_;
};

// A base for a run's digests.
std::uint64_t randomDigestBase();

// The hash of one posting, as both the tally and the import file's reader make it. Texts
// are in the report's encoding, which is the import file's. MAS and Accountant's Office
// take their amounts as the conversion writes them, so those are hashed as texts, which
// equal texts only when the amounts are equal (and hashing a text costs less than reading
// it): a line's first six fields (date, kind, an empty field, reference, account, amount)
// are hashed as the one run of bytes they make, commas included (runHash), then MAS's last
// two (tax code and tax) as another run; an Accountant's Office line that notes a tax
// item adds the item and its tax (one that notes none is its run alone). No field the
// reader takes holds a comma, so each run's bytes are its fields. 'Accounts' adds and
// rounds, so its amounts are taken as cents (amountWord), and what begins each line of its
// transaction is its date, basis and reference (see headHash). Every posting is hashed, so
// these are inline: a few multiplications of whole words, nothing allocated.

// Two hashes as one; the order counts.
inline std::uint64_t combine(std::uint64_t h, std::uint64_t word) {
    constexpr std::uint64_t kMix = 0x9E3779B97F4A7C15ULL;
    h = (h ^ word) * kMix;
    return h ^ (h >> 29);
}

[[gnu::always_inline]] inline std::uint64_t textHash(std::string_view text) {
    // Short texts, nearly all, in one or two words read whole: the words hold every byte.
    auto load = [](const char* p, size_t bytes) {
        std::uint64_t w = 0;
        std::memcpy(&w, p, bytes);
        return w;
    };
    const char* p = text.data();
    const size_t n = text.size();
    // The length picks the starting point, so that texts whose words read alike (the
    // short ones sampled, the long ones read overlapping) still differ by their lengths.
    std::uint64_t h = 0x243F6A8885A308D3ULL + n * 0x9E3779B97F4A7C15ULL;
    if (n >= 8) {
        for (size_t i = 0; i + 8 < n; i += 8) h = combine(h, load(p + i, 8));
        return combine(h, load(p + n - 8, 8));
    }
    if (n >= 4) return combine(h, (load(p, 4) << 32) | load(p + n - 4, 4));
    if (n > 0)
        return combine(h, std::uint64_t{static_cast<unsigned char>(p[0])} << 16 |
                              std::uint64_t{static_cast<unsigned char>(p[n / 2])} << 8 |
                              static_cast<unsigned char>(p[n - 1]));
    return h;
}

// An amount as a word for postingHash: its cents, which nearly always fit in one.
inline std::uint64_t amountWord(Money amount) {
    const Int128 cents = amount.cents();
    const auto low = static_cast<std::int64_t>(cents);
    if (low == cents) return static_cast<std::uint64_t>(low);
    const auto u = static_cast<UInt128>(cents);
    return combine(combine(0x452821E638D01377ULL, static_cast<std::uint64_t>(u)),
                   static_cast<std::uint64_t>(u >> 64));
}

// What begins each line of an 'Accounts' transaction: its date, basis and reference,
// from the hashes of their texts.
inline std::uint64_t headHash(std::uint64_t date, std::uint64_t kind, std::uint64_t reference) {
    return combine(combine(combine(0x13198A2E03707344ULL, date), kind), reference);
}

// A posting: what begins its line ('Accounts': headHash), its account, amount, tax code
// and tax.
inline std::uint64_t postingHash(std::uint64_t head, std::uint64_t account, std::uint64_t amount,
                                 std::uint64_t taxCode, std::uint64_t tax) {
    return combine(combine(combine(combine(head, account), amount), taxCode), tax);
}

// A run of a line's bytes: eight at a time from its start (the last eight read overlapping
// the ones before), then its length. In two steps, so that the words of a beginning that
// many runs share are hashed once: runHashFrom goes on from the words before `from` (a
// multiple of eight, at least eight bytes before the run's end), whose hash is `h`.
[[gnu::always_inline]] inline std::uint64_t runHashFrom(std::uint64_t h, const char* p, size_t from,
                                                        size_t n) {
    auto load = [p](size_t at) {
        std::uint64_t w;
        std::memcpy(&w, p + at, 8);
        return w;
    };
    for (size_t i = from; i + 8 < n; i += 8) h = combine(h, load(i));
    return combine(combine(h, load(n - 8)), n);
}
constexpr std::uint64_t kRunStart = 0xA4093822299F31D0ULL;
[[gnu::always_inline]] inline std::uint64_t runHash(std::string_view run) {
    // A run of fewer than eight bytes is a text like any other.
    return run.size() >= 8 ? runHashFrom(kRunStart, run.data(), 0, run.size()) : textHash(run);
}

}  // namespace tav::check
