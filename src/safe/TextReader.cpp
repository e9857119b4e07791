#include "safe/TextReader.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "safe/ByteScan.h"
#include "safe/FileReplacement.h"
#include "safe/Platform.h"
#include "safe/Sem.h"
#include "safe/TextCodec.h"

namespace tav {

namespace fs = std::filesystem;

namespace {

constexpr size_t kReadBlock = 1 << 18;
constexpr size_t kMaxLineBytes = 1 << 20;

}  // namespace

void GrowingFile::wrote(std::uint64_t bytes) {
    {
        const std::lock_guard lock(mutex_);
        written_ = bytes;
    }
    changed_.notify_all();
}

void GrowingFile::finished(bool complete) {
    {
        const std::lock_guard lock(mutex_);
        finished_ = true;
        givenUp_ = !complete;
    }
    changed_.notify_all();
}

std::uint64_t GrowingFile::waitBeyond(std::uint64_t offset) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return written_ > offset || finished_; });
    return givenUp_ ? offset : written_;
}

TextReader::~TextReader() { close(); }

void TextReader::close() {
    if (handle_) std::fclose(handle_);
    handle_ = nullptr;
}

void TextReader::open(const std::string& path, bool fields, GrowingFile* growing) {
    close();
    path_ = path;
    fields_ = fields;
    growing_ = growing;
    errno = 0;
    handle_ = platform::openFile(path, "rb");
    if (!handle_) raiseOpenError(errno, path);
    // Read ahead into the stream's own buffer, bytes not yet written would stay there.
    if (growing_) std::setvbuf(handle_, nullptr, _IONBF, 0);
    std::error_code ec;
    fileSize_ = fs::file_size(platform::pathFromUtf8(path), ec);
    // A small file (a list, a mapping, a ledger) is read in a block of its own size: files
    // are opened often, and a buffer never touched costs its pages all the same.
    block_ = !growing_ && fileSize_ > 0 && fileSize_ < kReadBlock
                 ? std::max<size_t>(static_cast<size_t>(fileSize_) + 1, 4096)
                 : kReadBlock;
    seek(0, 0);
    const std::string_view start(buffer_.data(), end_);
    if (const char* name = wideEncodingName(start)) raise(0, wideEncodingRefusal(path, name));
}

void TextReader::markFields() { fields_ = true; }

void TextReader::seek(std::uint64_t offset, std::uint64_t linesBefore) {
    if (!handle_) raise(err::BadFileNameOrNumber);
    if (!platform::seekFile(handle_, offset)) raise(err::DeviceIoError);
    begin_ = end_ = lastLine_ = keepAt_ = 0;
    keeping_ = atEnd_ = false;
    tabCount_ = commaCount_ = 0;
    consumed_ = lineStart_ = position_ = offset;
    lines_ = linesBefore;
    // A UTF-8 byte order mark is no part of the first line.
    if (offset == 0 && fill() && std::string_view(buffer_.data(), end_).starts_with(kUtf8Bom)) {
        begin_ = kUtf8Bom.size();
        consumed_ = lineStart_ = kUtf8Bom.size();
    }
}

bool TextReader::fill() {
    if (atEnd_) return false;
    // What was read is dropped, except the lines being kept.
    const size_t from = keeping_ ? keepAt_ : begin_;
    if (from > 0) {
        std::memmove(buffer_.data(), buffer_.data() + from, end_ - from);
        end_ -= from;
        begin_ -= from;
        keepAt_ -= keeping_ ? from : 0;
        lastLine_ -= std::min(lastLine_, from);
    }
    // A buffer grown for a long run of kept lines goes back to its usual size.
    if (!keeping_ && buffer_.size() > 8 * kReadBlock && end_ <= kReadBlock) {
        buffer_.resize(2 * kReadBlock);
        buffer_.shrink_to_fit();
    }
    // Room for the block and for the sixty-four bytes looked at past its end.
    if (buffer_.size() < end_ + block_ + 64) buffer_.resize(end_ + block_ + 64);
    size_t wanted = block_;
    if (growing_) {
        // The writer may be writing past what it has told: that is not read yet.
        const std::uint64_t written = growing_->waitBeyond(position_);
        wanted = static_cast<size_t>(
            std::min<std::uint64_t>(wanted, written > position_ ? written - position_ : 0));
    }
    const size_t got = wanted ? std::fread(buffer_.data() + end_, 1, wanted, handle_) : 0;
    if (got == 0) {
        if (std::ferror(handle_)) raise(err::DeviceIoError);
        atEnd_ = true;
        return false;
    }
    end_ += got;
    position_ += got;
    return true;
}

size_t TextReader::scan(const char* data, size_t from, size_t size) {
    using bytescan::AnyOf;
    using Blocks = bytescan::Native;
    // Sixteen bytes at a time, the last block reaching past the bytes read into the
    // buffer's spare room.
    auto put = [](std::vector<std::uint32_t>& marks, size_t& count, unsigned bits, size_t at) {
        if (marks.size() < count + 32) marks.resize(2 * count + 64);
        for (; bits != 0; bits &= bits - 1)
            marks[count++] = static_cast<std::uint32_t>(at + std::countr_zero(bits));
    };
    for (size_t at = from; at < size; at += 16) {
        const unsigned valid = size - at >= 16 ? 0xFFFFu : (1u << (size - at)) - 1;
        // A NUL byte ends the line too, to be refused there.
        const unsigned ends = Blocks::block<AnyOf<'\r', '\n', '\0'>>(data + at) & valid;
        // Only the bytes before the line end belong to the line.
        const unsigned before = ends ? (ends & (0u - ends)) - 1 : valid;
        if (fields_) {
            if (const unsigned tabs = Blocks::block<AnyOf<'\t'>>(data + at) & before)
                put(tabs_, tabCount_, tabs, at);
            if (const unsigned commas = Blocks::block<AnyOf<','>>(data + at) & before)
                put(commas_, commaCount_, commas, at);
        }
        if (ends) return at + static_cast<size_t>(std::countr_zero(ends));
    }
    return size;
}

bool TextReader::eof() { return begin_ == end_ && !fill(); }

std::string_view TextReader::unread() {
    if (begin_ == end_) fill();
    return {buffer_.data() + begin_, end_ - begin_};
}

void TextReader::notText(std::string_view why) const {
    raise(0, "Line " + std::to_string(lines_) + " of the file '" + path_ + "' " + std::string(why) +
                 ", so it is not a text file the program can read. Check that the right file "
                 "was chosen, or export it again.");
}

std::string_view TextReader::line() {
    if (begin_ == end_ && !fill()) raise(err::InputPastEndOfFile);
    ++lines_;
    lineStart_ = consumed_;
    tabCount_ = commaCount_ = 0;
    size_t scanned = 0;  // bytes of the line already looked at
    for (;;) {
        const char* data = buffer_.data() + begin_;
        const size_t available = end_ - begin_;
        const size_t i = scan(data, scanned, available);
        // Reading on would hold the whole file in memory: no text file has such a line.
        if (i > kMaxLineBytes) notText("is longer than 1 MiB (1,048,576 bytes)");
        if (i == available) {
            scanned = i;
            if (fill()) continue;  // the buffer moves; offsets from begin stay valid
            data = buffer_.data() + begin_;
            consumed_ += available;
            lastLine_ = begin_;
            begin_ = end_;
            return std::string_view(data, available);
        }
        if (data[i] == '\0') notText("holds a NUL byte");
        // A CR as the last byte read may be the first half of CR LF.
        if (data[i] == '\r' && i + 1 == available) {
            if (fill()) {
                scanned = i;
                continue;
            }
            data = buffer_.data() + begin_;  // the buffer moved even though the file ended
        }
        size_t next = i + 1;
        if (data[i] == '\r' && next < available && data[next] == '\n') ++next;
        consumed_ += next;
        lastLine_ = begin_;
        begin_ += next;
        return std::string_view(data, i);
    }
}

void TextReader::keepFromLastLine() {
    keeping_ = true;
    keepAt_ = lastLine_;
}

}  // namespace tav
