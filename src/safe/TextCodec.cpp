#include "safe/TextCodec.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "safe/ByteScan.h"

namespace tav {

const char* encodingName(Encoding e) { return e == Encoding::Utf8 ? "UTF-8" : "Windows-1252"; }

namespace {

// Length of the run of ASCII bytes at the start of a text: text is mostly such runs,
// checked and copied whole.
size_t asciiRun(std::string_view text) {
    return bytescan::find<bytescan::NonAscii>(text.data(), 0, text.size());
}

}  // namespace

bool Utf8Validator::feed(std::string_view block) {
    for (size_t i = 0; i < block.size(); ++i) {
        if (!valid_) return false;
        // Outside a sequence, ASCII needs no checking.
        if (pending_ == 0) {
            i += asciiRun(block.substr(i));
            if (i == block.size()) break;
        }
        const auto c = static_cast<unsigned char>(block[i]);
        if (pending_ > 0) {
            unsigned char lo = 0x80, hi = 0xBF;
            if (firstContinuation_) {
                // Reject overlong forms, surrogates and code points above U+10FFFF.
                if (lead_ == 0xE0) lo = 0xA0;
                if (lead_ == 0xED) hi = 0x9F;
                if (lead_ == 0xF0) lo = 0x90;
                if (lead_ == 0xF4) hi = 0x8F;
                firstContinuation_ = false;
            }
            if (c < lo || c > hi) return valid_ = false;
            --pending_;
            continue;
        }
        if (c < 0x80) continue;
        if (c >= 0xC2 && c <= 0xDF)
            pending_ = 1;
        else if (c >= 0xE0 && c <= 0xEF)
            pending_ = 2;
        else if (c >= 0xF0 && c <= 0xF4)
            pending_ = 3;
        else
            return valid_ = false;
        lead_ = c;
        firstContinuation_ = true;
    }
    return valid_;
}

bool isValidUtf8(std::string_view bytes) {
    Utf8Validator v;
    return v.feed(bytes) && v.finish();
}

const char* wideEncodingName(std::string_view start) {
    if (start.starts_with(std::string_view("\xFF\xFE\0\0", 4))) return "UTF-32 (little-endian)";
    if (start.starts_with(std::string_view("\0\0\xFE\xFF", 4))) return "UTF-32 (big-endian)";
    if (start.starts_with("\xFF\xFE")) return "UTF-16 (little-endian)";
    if (start.starts_with("\xFE\xFF")) return "UTF-16 (big-endian)";
    // Without a mark: most pairs of bytes are a letter and a zero byte.
    size_t pairs = 0, little = 0, big = 0;
    for (size_t i = 0; i + 1 < start.size() && pairs < 512; i += 2, ++pairs) {
        const bool first = start[i] != '\0', second = start[i + 1] != '\0';
        if (first && !second) ++little;
        if (!first && second) ++big;
    }
    if (pairs < 4) return nullptr;
    if (little * 4 >= pairs * 3) return "UTF-16 (little-endian)";
    if (big * 4 >= pairs * 3) return "UTF-16 (big-endian)";
    return nullptr;
}

std::string wideEncodingRefusal(const std::string& path, const char* encodingName) {
    return "The file '" + path + "' is " + encodingName +
           " text, which the program cannot read. Open it in Notepad, save it again with the "
           "encoding ANSI or UTF-8, then try again.";
}

namespace {

// Windows-1252 bytes 0x80-0x9F. The five unassigned bytes map to the C1 control of
// the same value so that every byte survives a round trip.
constexpr std::array<char16_t, 32> kHigh{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

int toWindows1252(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (size_t i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] == cp) return static_cast<int>(0x80 + i);
    return -1;
}

}  // namespace

namespace {

// The UTF-8 of one Windows-1252 byte above 0x7F, written at o; returns the end.
char* writeUtf8OfHighByte(char* o, unsigned char c) {
    const char32_t cp = c < 0xA0 ? kHigh[c - 0x80] : c;
    if (cp < 0x800) {
        *o++ = static_cast<char>(0xC0 | (cp >> 6));
    } else {
        *o++ = static_cast<char>(0xE0 | (cp >> 12));
        *o++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    }
    *o++ = static_cast<char>(0x80 | (cp & 0x3F));
    return o;
}

// Writes the UTF-8 of Windows-1252 bytes at o, which has room for three bytes a byte;
// returns the end of what was written.
char* writeUtf8FromWindows1252(char* o, std::string_view bytes) {
    for (size_t i = 0; i < bytes.size();) {
        const size_t high = bytescan::find<bytescan::NonAscii>(bytes.data(), i, bytes.size());
        std::memcpy(o, bytes.data() + i, high - i);
        o += high - i;
        if (high == bytes.size()) break;
        o = writeUtf8OfHighByte(o, static_cast<unsigned char>(bytes[high]));
        i = high + 1;
    }
    return o;
}

void appendUtf8FromWindows1252(std::string& out, std::string_view bytes) {
    const size_t start = out.size();
    out.resize(start + 3 * bytes.size());
    const char* end = writeUtf8FromWindows1252(out.data() + start, bytes);
    out.resize(static_cast<size_t>(end - out.data()));
}

void appendWindows1252FromUtf8(std::string& out, std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        const size_t run = asciiRun(text.substr(i));
        out.append(text.substr(i, run));
        i += run;
        if (i == text.size()) break;
        const auto c = static_cast<unsigned char>(text[i]);
        const int len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        char32_t cp = len == 1 ? c : c & (0x7F >> len);
        for (int k = 1; k < len && i + static_cast<size_t>(k) < text.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(text[i + static_cast<size_t>(k)]) & 0x3F);
        const int b = len == 1 ? -1 : toWindows1252(cp);
        out.push_back(b < 0 ? '?' : static_cast<char>(b));
        i += static_cast<size_t>(len);
    }
}

}  // namespace

std::string windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    appendUtf8FromWindows1252(out, bytes);
    return out;
}

std::string utf8ToWindows1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    appendWindows1252FromUtf8(out, text);
    return out;
}

std::string decode(std::string_view bytes, Encoding e) {
    return e == Encoding::Utf8 ? std::string(bytes) : windows1252ToUtf8(bytes);
}

std::string encode(std::string_view text, Encoding e) {
    return e == Encoding::Utf8 ? std::string(text) : utf8ToWindows1252(text);
}

std::string_view decodedView(std::string_view bytes, Encoding e, std::string& scratch) {
    if (e == Encoding::Utf8) return bytes;
    const size_t ascii = asciiRun(bytes);
    if (ascii == bytes.size()) return bytes;
    // The scratch string only grows, so that no line pays for filling it.
    const size_t room = ascii + 3 * (bytes.size() - ascii);
    if (scratch.size() < room) scratch.resize(room);
    std::memcpy(scratch.data(), bytes.data(), ascii);
    const char* end = writeUtf8FromWindows1252(scratch.data() + ascii, bytes.substr(ascii));
    return std::string_view(scratch.data(), static_cast<size_t>(end - scratch.data()));
}

void appendEncoded(std::string& out, std::string_view text, Encoding e) {
    if (e == Encoding::Utf8)
        out.append(text);
    else
        appendWindows1252FromUtf8(out, text);
}

bool isAscii(std::string_view bytes) { return asciiRun(bytes) == bytes.size(); }

size_t charCount(std::string_view text) {
    size_t n = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

std::string_view leftChars(std::string_view text, size_t n) {
    if (text.size() <= n) return text;  // no more characters than bytes
    size_t i = 0;
    for (; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (n == 0) break;
            --n;
        }
    }
    return text.substr(0, i);
}

std::string_view leftChars(std::string_view bytes, size_t n, Encoding e) {
    return e == Encoding::Utf8 ? leftChars(bytes, n) : bytes.substr(0, n);
}

}  // namespace tav
