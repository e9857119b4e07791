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
// Bytes marked at a time: few enough to be marked and read while in the nearest cache.
constexpr size_t kMarkBytes = 1 << 13;
constexpr std::uint64_t kAll = ~std::uint64_t{0};

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
    markedTabs_ = 0;
    markedCommas_ = false;
    if (fields) markFields();
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

void TextReader::markFields(size_t tabs, bool commas) {
    // Bytes marked for less are marked again.
    if (markedTabs_ == 0 || (commas && !markedCommas_)) markedTo_ = 0;
    markedTabs_ = std::clamp<size_t>(tabs, 1, Marks::kMostTabs);
    markedCommas_ = commas;
}

void TextReader::seek(std::uint64_t offset, std::uint64_t linesBefore) {
    if (!handle_) raise(err::BadFileNameOrNumber);
    if (!platform::seekFile(handle_, offset)) raise(err::DeviceIoError);
    begin_ = end_ = lastLine_ = keepAt_ = 0;
    keeping_ = atEnd_ = false;
    markedTo_ = markBase_ = 0;
    marks_ = Marks{};
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
    // A line is looked through no further back than the bytes read before: the bytes
    // read now are marked where they lie.
    markedTo_ = 0;
    markBase_ = begin_ / 64;
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

void TextReader::markFrom(size_t at) {
    // Bytes between what was marked and `at` are of lines already read.
    const size_t from = std::max(markedTo_, at) & ~size_t{63};
    const size_t to = std::min(end_, from + kMarkBytes);
    const size_t first = from / 64, words = (to + 63) / 64 - first;
    const size_t needed = first + words - markBase_;
    const size_t room = std::max<size_t>(needed, (kReadBlock + kMarkBytes) / 64);
    if (ends_.size() < needed) ends_.resize(room);
    if (markedTabs_ && tabs_.size() < needed) tabs_.resize(room);
    if (markedCommas_ && commas_.size() < needed) commas_.resize(room);
    const size_t into = first - markBase_;
    bytescan::markWords(buffer_.data() + from, words,
                        {ends_.data() + into, markedTabs_ ? tabs_.data() + into : nullptr,
                         markedCommas_ ? commas_.data() + into : nullptr});
    // The bytes past the end are no part of the file.
    if (to % 64) {
        const std::uint64_t valid = (std::uint64_t{1} << (to % 64)) - 1;
        ends_[needed - 1] &= valid;
        if (markedTabs_) tabs_[needed - 1] &= valid;
        if (markedCommas_) commas_[needed - 1] &= valid;
    }
    markedTo_ = to;
}

[[gnu::always_inline]] inline size_t TextReader::findEnd(size_t at) {
    size_t count = marks_.tabCount;
    std::uint64_t commaFields = marks_.commaFields;
    const size_t wanted = markedTabs_;
    std::uint32_t* const tabs = marks_.tabs;
    // Adds the tabs and commas of word w that `in` has bits for to the line's marks.
    auto take = [&](size_t w, std::uint64_t in) {
        std::uint64_t bits = tabs_[w] & in;
        // While tabs are wanted, all of a word's are taken: there is room for them.
        const bool taking = count < wanted;
        const auto base = static_cast<std::uint32_t>((w + markBase_) * 64 - begin_);
        auto some = [&](std::uint64_t these) {
            if (taking) {
                for (; these != 0; these &= these - 1)
                    tabs[count++] = base + static_cast<std::uint32_t>(std::countr_zero(these));
            } else {
                for (; these != 0; these &= these - 1) ++count;
            }
        };
        if (markedCommas_) {
            // A comma lies in the field after the tabs before it.
            for (std::uint64_t commas = commas_[w] & in; commas != 0; commas &= commas - 1) {
                const std::uint64_t before = (commas & (0 - commas)) - 1;
                some(bits & before);
                bits &= ~before;
                if (count <= wanted) commaFields |= std::uint64_t{1} << count;
            }
        }
        some(bits);
    };
    for (;;) {
        if (at >= markedTo_) {
            if (at >= end_) break;
            markFrom(at);
        }
        const size_t last = (markedTo_ - 1) / 64 - markBase_;
        std::uint64_t in = kAll << (at % 64);
        for (size_t w = at / 64 - markBase_;; ++w, in = kAll) {
            // The line's tabs and commas are taken on the way to its end.
            const std::uint64_t ends = ends_[w] & in;
            if (wanted) take(w, ends != 0 ? in & ((ends & (0 - ends)) - 1) : in);
            if (ends != 0) {
                marks_.tabCount = count;
                marks_.commaFields = commaFields;
                return (w + markBase_) * 64 + static_cast<size_t>(std::countr_zero(ends));
            }
            if (w == last) break;
        }
        at = markedTo_;
    }
    marks_.tabCount = count;
    marks_.commaFields = commaFields;
    return end_;
}

std::string_view TextReader::lineTo(size_t end, size_t next) {
    const char* data = buffer_.data() + begin_;
    const size_t size = end - begin_;
    consumed_ += next - begin_;
    lastLine_ = begin_;
    begin_ = next;
    return std::string_view(data, size);
}

std::string_view TextReader::line() {
    if (begin_ == end_ && !fill()) raise(err::InputPastEndOfFile);
    ++lines_;
    lineStart_ = consumed_;
    marks_.tabCount = 0;
    marks_.commaFields = 0;
    size_t at = begin_;  // where the line end is looked for
    for (;;) {
        size_t i = findEnd(at);
        // Reading on would hold the whole file in memory: no text file has such a line.
        if (i - begin_ > kMaxLineBytes) notText("is longer than 1 MiB (1,048,576 bytes)");
        if (i == end_) {
            const size_t begin = begin_;
            const bool more = fill();
            at = i -= begin - begin_;  // the buffer moved, even when the file has ended
            if (more) continue;
            return lineTo(end_, end_);
        }
        if (buffer_[i] == '\0') notText("holds a NUL byte");
        size_t next = i + 1;
        if (buffer_[i] == '\r') {
            // A CR as the last byte read may be the first half of CR LF.
            if (next == end_) {
                const size_t begin = begin_;
                fill();
                i -= begin - begin_;
                next = i + 1;
            }
            if (next < end_ && buffer_[next] == '\n') ++next;
        }
        return lineTo(i, next);
    }
}

TextReader::Marks TextReader::marksOf(std::string_view line, size_t tabs, bool commas) {
    tabs = std::min(tabs, Marks::kMostTabs);
    Marks marks;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\t') {
            if (marks.tabCount < tabs) marks.tabs[marks.tabCount] = static_cast<std::uint32_t>(i);
            ++marks.tabCount;
        } else if (line[i] == ',' && commas && marks.tabCount <= tabs) {
            marks.commaFields |= std::uint64_t{1} << marks.tabCount;
        }
    }
    return marks;
}

void TextReader::keepFromLastLine() {
    keeping_ = true;
    keepAt_ = lastLine_;
}

}  // namespace tav
