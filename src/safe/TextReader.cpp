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
// A line not ended this far into the bytes read is looked through by its bytes: placing
// its marks again at every refill would cost more.
constexpr size_t kPlacedLineBytes = kMarkBytes / 2;

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
    // Places of other marks are placed again.
    if (markedTabs_ == 0 || commas != markedCommas_) endCount_ = 0;
    markedTabs_ = std::clamp<size_t>(tabs, 1, Marks::kMostTabs);
    markedCommas_ = commas;
}

void TextReader::seek(std::uint64_t offset, std::uint64_t linesBefore) {
    if (!handle_) raise(err::BadFileNameOrNumber);
    if (!platform::seekFile(handle_, offset)) raise(err::DeviceIoError);
    begin_ = end_ = lastLine_ = keepAt_ = 0;
    keeping_ = atEnd_ = false;
    endCount_ = 0;
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
    endCount_ = 0;
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
    placedBase_ = at & ~size_t{63};
    placedTo_ = std::min(end_, placedBase_ + kMarkBytes);
    // Five runs of places, each with room for a place a byte; not cleared, as only the
    // places found are read.
    const size_t room = std::max(placedTo_ - placedBase_, kMarkBytes) + bytescan::Places::kRoom;
    if (placesRoom_ < room) {
        places_ = std::make_unique_for_overwrite<std::uint32_t[]>(5 * room);
        placesRoom_ = room;
    }
    endAt_ = places_.get();
    endTabs_ = endAt_ + room;
    tabAt_ = endTabs_ + room;
    commaAt_ = tabAt_ + room;
    commaTabs_ = commaAt_ + room;
    const bytescan::PlaceCounts counts = bytescan::placeMarks(
        buffer_.data() + placedBase_, at - placedBase_, placedTo_ - placedBase_,
        {endAt_, endTabs_, markedTabs_ ? tabAt_ : nullptr, markedCommas_ ? commaAt_ : nullptr,
         commaTabs_});
    if (!markedCommas_) commaAt_[0] = ~std::uint32_t{0};
    endCount_ = counts.ends;
    tabTotal_ = counts.tabs;
    nextEnd_ = nextComma_ = 0;
    lineTab_ = 0;
}

std::string_view TextReader::lineEndingAt(size_t i) {
    const char c = buffer_[i];
    size_t next = i + 1;
    if (c != '\n') [[unlikely]] {
        if (c == '\0') notText("holds a NUL byte");
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

std::string_view TextReader::unplacedLine() {
    if (begin_ == end_ && !fill()) raise(err::InputPastEndOfFile);
    for (;;) {
        markFrom(begin_);
        if (endCount_ > 0) return placedLine();
        if (placedTo_ < end_ || placedTo_ - begin_ >= kPlacedLineBytes) return longLine();
        if (!atEnd_) {
            fill();
            continue;
        }
        // The last line, without its end.
        ++lines_;
        lineStart_ = consumed_;
        if (markedTabs_)
            takeMarks(static_cast<std::uint32_t>(placedTo_ - placedBase_),
                      static_cast<std::uint32_t>(tabTotal_));
        endCount_ = 0;
        return lineTo(end_, end_);
    }
}

std::string_view TextReader::longLine() {
    ++lines_;
    lineStart_ = consumed_;
    endCount_ = 0;
    size_t at = placedTo_;  // the bytes before hold no line end
    for (;;) {
        size_t i = bytescan::find<bytescan::AnyOf<'\r', '\n', '\0'>>(buffer_.data(), at, end_);
        // Reading on would hold the whole file in memory: no text file has such a line.
        if (i - begin_ > kMaxLineBytes) notText("is longer than 1 MiB (1,048,576 bytes)");
        if (i == end_) {
            const size_t begin = begin_;
            const bool more = fill();
            at = i -= begin - begin_;  // the buffer moved, even when the file has ended
            if (more) continue;
        }
        if (markedTabs_)
            marks_ = marksOf({buffer_.data() + begin_, i - begin_}, markedTabs_, markedCommas_);
        return i == end_ ? lineTo(end_, end_) : lineEndingAt(i);
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
