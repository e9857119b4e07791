#pragma once
// Texts of the Journal report to what was worked out from them, looked up on every line:
// an open-addressing table keyed by the text's bytes. Entries stay where they are made,
// so that a line can point at one, until the table is emptied.

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tav {

// A hash of the short texts of a report (accounts, tax items), eight bytes at a time.
inline std::uint64_t hashText(std::string_view text) {
    constexpr std::uint64_t kMix = 0x9E3779B97F4A7C15ULL;
    const char* p = text.data();
    const size_t n = text.size();
    std::uint64_t h = n * kMix;
    auto mix = [&h](std::uint64_t word) {
        h = (h ^ word) * kMix;
        h ^= h >> 29;
    };
    std::uint64_t word = 0;
    if (n >= 8) {
        size_t i = 0;
        for (; i + 8 < n; i += 8) {
            std::memcpy(&word, p + i, 8);
            mix(word);
        }
        std::memcpy(&word, p + n - 8, 8);  // the last eight, overlapping
    } else if (n >= 4) {
        std::uint32_t low, high;
        std::memcpy(&low, p, 4);
        std::memcpy(&high, p + n - 4, 4);
        word = low | std::uint64_t{high} << 32;
    } else if (n > 0) {
        word = static_cast<unsigned char>(p[0]) | static_cast<unsigned char>(p[n / 2]) << 8 |
               static_cast<unsigned char>(p[n - 1]) << 16;
    }
    mix(word);
    return h;
}

// Two texts are the same: compared a word at a time where they lie. The texts looked up
// are short, and a library call would cost more than the comparison.
[[gnu::always_inline]] inline bool sameText(std::string_view a, std::string_view b) {
    const size_t n = a.size();
    if (n != b.size()) return false;
    const char *p = a.data(), *q = b.data();
    auto same = [&](size_t at, size_t bytes) {
        std::uint64_t x = 0, y = 0;
        std::memcpy(&x, p + at, bytes);
        std::memcpy(&y, q + at, bytes);
        return x == y;
    };
    if (n >= 8) {
        for (size_t i = 0; i + 8 < n; i += 8)
            if (!same(i, 8)) return false;
        return same(n - 8, 8);  // the last eight, overlapping
    }
    if (n >= 4) return same(0, 4) && same(n - 4, 4);
    // Its first, middle and last byte are all of a text of up to three.
    return n == 0 || (p[0] == q[0] && p[n / 2] == q[n / 2] && p[n - 1] == q[n - 1]);
}

template <class Value>
class TextTable {
public:
    // The entry of a text; make(text, value) fills a new one first.
    template <class Make>
    Value& find(std::string_view text, Make&& make) {
        const std::uint64_t hash = hashText(text);
        if (!slots_.empty()) [[likely]] {
            const size_t mask = slots_.size() - 1;
            for (size_t i = hash & mask;; i = (i + 1) & mask) {
                const Slot& slot = slots_[i];
                if (!slot.entry) break;
                if (slot.hash == hash && sameText(slot.entry->text, text)) return slot.entry->value;
            }
        }
        return add(text, hash, make);
    }
    size_t size() const { return size_; }
    // The bytes of the texts it holds.
    size_t textBytes() const { return textBytes_; }
    void clear() {
        slots_.clear();
        size_ = textBytes_ = 0;
    }

private:
    // A text met for the first time, out of the way of the lookups that find theirs.
    template <class Make>
    [[gnu::noinline]] Value& add(std::string_view text, std::uint64_t hash, Make& make) {
        if (slots_.empty()) slots_.resize(64);
        auto entry = std::make_unique<Entry>();
        entry->text = text;
        make(std::string_view(entry->text), entry->value);
        if (2 * (size_ + 1) > slots_.size()) grow();
        const size_t mask = slots_.size() - 1;
        size_t i = hash & mask;
        while (slots_[i].entry) i = (i + 1) & mask;
        slots_[i] = Slot{hash, std::move(entry)};
        ++size_;
        textBytes_ += text.size();
        return slots_[i].entry->value;
    }

    struct Entry {
        std::string text;
        Value value;
    };
    struct Slot {
        std::uint64_t hash = 0;
        std::unique_ptr<Entry> entry;
    };
    void grow() {
        std::vector<Slot> old(2 * slots_.size());
        old.swap(slots_);
        const size_t mask = slots_.size() - 1;
        for (Slot& slot : old) {
            if (!slot.entry) continue;
            size_t i = slot.hash & mask;
            while (slots_[i].entry) i = (i + 1) & mask;
            slots_[i] = std::move(slot);
        }
    }

    std::vector<Slot> slots_;
    size_t size_ = 0, textBytes_ = 0;
};

}  // namespace tav
