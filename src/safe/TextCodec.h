#pragma once
// Text is held in memory as UTF-8. Files are bytes: a file that is valid UTF-8 is
// UTF-8 (a byte order mark is dropped), anything else is Windows-1252, the code page
// of the QuickBooks exports. Conversion both ways is lossless for every byte, so an
// import file written in the report's encoding carries the report's own bytes.
//
// Lengths count characters, never bytes, and cutting never splits a character.

#include <cstddef>
#include <string>
#include <string_view>

namespace tav {

enum class Encoding { Utf8, Windows1252 };

const char* encodingName(Encoding e);

bool isValidUtf8(std::string_view bytes);

// Incremental validator for text that arrives in blocks; a sequence may straddle blocks.
class Utf8Validator {
public:
    // False as soon as the text seen so far cannot be UTF-8.
    bool feed(std::string_view block);
    // True when everything fed was UTF-8 and no sequence is left open.
    bool finish() const { return valid_ && pending_ == 0; }

private:
    bool valid_ = true;
    int pending_ = 0;         // continuation bytes still expected
    unsigned char lead_ = 0;  // lead byte of the open sequence
    bool firstContinuation_ = false;
};

// The name of the wide encoding ("UTF-16 (little-endian)", ...) that the start of a
// file is in, by its byte order mark or, without one, by a zero byte beside every
// letter; nullptr for a file of single bytes. The program reads no such file.
const char* wideEncodingName(std::string_view start);
// What the user is told about such a file.
std::string wideEncodingRefusal(const std::string& path, const char* encodingName);

std::string windows1252ToUtf8(std::string_view bytes);
// Characters outside Windows-1252 become "?".
std::string utf8ToWindows1252(std::string_view text);

std::string decode(std::string_view bytes, Encoding e);
std::string encode(std::string_view text, Encoding e);
// Encoding appended to a buffer the caller keeps: writing millions of lines
// allocates nothing per line.
void appendEncoded(std::string& out, std::string_view text, Encoding e);
// The bytes as UTF-8 text: the bytes themselves when they are UTF-8 or plain ASCII (most
// report lines), else decoded into the scratch string, which the result then views (the
// scratch string keeps its size: the result is only its beginning).
std::string_view decodedView(std::string_view bytes, Encoding e, std::string& scratch);

// The text is plain ASCII: the same bytes in either encoding.
bool isAscii(std::string_view bytes);

// Number of characters of a UTF-8 text.
size_t charCount(std::string_view text);
// The first n characters.
std::string_view leftChars(std::string_view text, size_t n);
// The same for text in a file's encoding, where a Windows-1252 byte is a character.
std::string_view leftChars(std::string_view bytes, size_t n, Encoding e);

// The byte order mark that may begin a UTF-8 file; reading drops it.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// The middle dot that separates an account's number from its name.
inline constexpr std::string_view kMiddleDot = "\xC2\xB7";

}  // namespace tav
