#pragma once
// Reading a text file's lines as they lie in a read buffer, undecoded. CR LF, LF and a
// lone CR end a line; a UTF-8 byte order mark at the start is dropped; a file in a wide
// encoding is refused when it is opened, and a line holding a NUL byte (no text has one)
// or longer than 1 MiB when it is read, so that no file makes the program hold more than
// about a megabyte of it. Failures raise the runtime error the program traps.
//
// The bytes read are marked a few kilobytes at a time for their line ends and, in a file
// of fields, their tabs and commas, whose places are stored in order as they are found;
// a line and its tabs are then the next run of those places, so that no line is looked
// at byte by byte.
//
// The file table reads its input files with it; the conversion reads blocks of the
// Journal report with readers of its own, one per thread, each from an offset.

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace tav {

// How long files (the Journal report) are read: by how many threads (0: one per core) and
// in blocks of how many bytes (0: the program's own choice; tests make them small).
struct ReadingOptions {
    unsigned threads = 0;
    std::uint64_t blockBytes = 0;
};

// A file that one thread writes while another reads it: the writer tells how many bytes
// it has written (and flushed) so far, and when it has done; the reader reads no further
// than that, waiting for more meanwhile.
class GrowingFile {
public:
    void wrote(std::uint64_t bytes);
    // No more bytes will come. Complete: the reader reads on to what was written; not: it
    // reads nothing more.
    void finished(bool complete);
    // Waits until more than `offset` bytes are written or the writing has finished; how
    // far the reader may read then.
    std::uint64_t waitBeyond(std::uint64_t offset);

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::uint64_t written_ = 0;
    bool finished_ = false, givenUp_ = false;
};

class TextReader {
public:
    TextReader() = default;
    ~TextReader();
    TextReader(const TextReader&) = delete;
    TextReader& operator=(const TextReader&) = delete;

    // The marks of a line's fields: where its first tabs lie in it (as many as were asked
    // for), how many tabs it has in all and, when commas are marked, a bit for each field
    // that holds a comma (from 0, up to the field after the last tab asked for).
    struct Marks {
        static constexpr size_t kMostTabs = 16;
        std::uint32_t tabs[kMostTabs];
        size_t tabCount = 0;
        std::uint64_t commaFields = 0;
    };
    // The same marks of any line, found byte by byte.
    static Marks marksOf(std::string_view line, size_t tabs = Marks::kMostTabs, bool commas = true);

    // With fields, the tabs and commas of every line are marked too. A file being written
    // (growing) is read as far as it is written, its end being where the writing ends.
    void open(const std::string& path, bool fields = false, GrowingFile* growing = nullptr);
    // From the next line on, the first `tabs` tabs of each line are marked too, and its
    // commas when asked; marking fewer costs less.
    void markFields(size_t tabs = Marks::kMostTabs, bool commas = true);
    void close();
    bool isOpen() const { return handle_ != nullptr; }

    // Reads this many bytes at a time from the next refill on (tests make them few, so that
    // every byte falls at a refill's edge somewhere).
    void readInBlocksOf(size_t bytes) { block_ = bytes; }

    // Reads on from a byte offset that begins a line, the lines before it counted.
    void seek(std::uint64_t offset, std::uint64_t linesBefore);
    // Reads the line that begins at the offset, the file's line-th (from 1): the reader is
    // left as a reading that has just read it, to go on from or to name in a message.
    void readLineAt(std::uint64_t offset, std::uint64_t line) {
        seek(offset, line - 1);
        this->line();
    }

    bool eof();
    // The next line without its line end, valid until the next read (eof, line, seek).
    std::string_view line() {
        if (nextEnd_ < endCount_) [[likely]]
            return placedLine();
        return unplacedLine();
    }
    // The marks of that line, when fields are marked.
    const Marks& marks() const { return marks_; }

    // For a reader that looks through the bytes itself (and counts no lines): the bytes
    // read and not yet taken, as they lie, reading more first when there are none; empty
    // at the end of the file. take(n) takes the first n of them, whole lines with their
    // line ends; readMore() reads more behind the rest, false at the end of the file.
    // Sixteen bytes past the bytes read may be looked at (their values are no part of
    // the file).
    std::string_view unread();
    void take(size_t n) {
        begin_ += n;
        consumed_ += n;
        endCount_ = 0;
    }
    bool readMore() { return fill(); }

    // Keeping a run of lines: from the line just read on, the bytes stay in the buffer
    // however many lines are read after it, until keeping stops. They move when the
    // buffer is refilled; kept() is where they begin now.
    void keepFromLastLine();
    void keepNothing() { keeping_ = false; }
    const char* kept() const { return buffer_.data() + keepAt_; }

    const std::string& path() const { return path_; }
    std::uint64_t size() const { return fileSize_; }
    // Bytes read so far (the offset of the next line), lines read so far and the offset
    // where the last of them begins.
    std::uint64_t bytesRead() const { return consumed_; }
    std::uint64_t linesRead() const { return lines_; }
    std::uint64_t lineOffset() const { return lineStart_; }
    // Every line has been read, and the reading has met the end of the file.
    bool readToEnd() const { return atEnd_ && begin_ == end_; }

private:
    // Refills the buffer; false at the end of the file.
    bool fill();
    // The next line when its end is among the places: nearly every line.
    std::string_view placedLine();
    // Every other line: the places of the next few kilobytes from its start taken first.
    std::string_view unplacedLine();
    // A line longer than the bytes placed at a time, found by its bytes.
    std::string_view longLine();
    // The marks of the line from its start to a place, with the tabs before it.
    void takeMarks(std::uint32_t end, std::uint32_t tabsBefore);
    // Places the marks of the next few kilobytes of the buffer from `at` on, or up to end_.
    void markFrom(size_t at);
    // Hands out the line whose end is at i (CR, LF or NUL).
    std::string_view lineEndingAt(size_t i);
    // Hands out the line ending at `end`, the next one beginning at `next`.
    std::string_view lineTo(size_t end, size_t next);
    [[noreturn]] void notText(std::string_view why) const;

    std::string path_;
    std::FILE* handle_ = nullptr;
    std::vector<char> buffer_;
    size_t block_ = 0;            // bytes read at a time
    size_t begin_ = 0, end_ = 0;  // the bytes not yet read
    size_t lastLine_ = 0;         // where the line just read begins
    size_t keepAt_ = 0;
    bool keeping_ = false;
    bool atEnd_ = false;
    size_t markedTabs_ = 0;  // tabs of a line to mark: 0 when fields are not marked
    bool markedCommas_ = false;
    // The places of the marks of the buffer up to placedTo_ from where they were placed
    // on, as offsets from placedBase_ (the start of the word that holds it): line ends and
    // the tabs before each, tabs, commas and the tabs before each. The next line begins at the end
    // before nextEnd_, its first tab is tabAt_[lineTab_], its first comma commaAt_[nextComma_].
    // Forgotten (endCount_ 0) when the buffer moves or the reader is moved on otherwise.
    std::unique_ptr<std::uint32_t[]> places_;
    size_t placesRoom_ = 0;
    std::uint32_t *endAt_ = nullptr, *endTabs_ = nullptr, *tabAt_ = nullptr, *commaAt_ = nullptr,
                  *commaTabs_ = nullptr;
    size_t placedBase_ = 0, placedTo_ = 0;
    size_t endCount_ = 0, nextEnd_ = 0, nextComma_ = 0, tabTotal_ = 0;
    std::uint32_t lineTab_ = 0;
    Marks marks_;
    std::uint64_t consumed_ = 0, fileSize_ = 0;
    std::uint64_t position_ = 0;  // where the file is read next
    GrowingFile* growing_ = nullptr;
    std::uint64_t lines_ = 0, lineStart_ = 0;
};

// Inline: nearly every line is taken here, without a call.
[[gnu::always_inline]] inline void TextReader::takeMarks(std::uint32_t end,
                                                         std::uint32_t tabsBefore) {
    const std::uint32_t first = lineTab_;
    const auto start = static_cast<std::uint32_t>(begin_ - placedBase_);
    const std::uint32_t* const at = tabAt_ + first;
#ifdef __SSE2__
    const __m128i from = _mm_set1_epi32(static_cast<int>(start));
    for (size_t k = 0; k < Marks::kMostTabs; k += 4)
        _mm_storeu_si128(
            reinterpret_cast<__m128i*>(marks_.tabs + k),
            _mm_sub_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + k)), from));
#else
    for (size_t k = 0; k < Marks::kMostTabs; ++k) marks_.tabs[k] = at[k] - start;
#endif
    marks_.tabCount = tabsBefore - first;
    lineTab_ = tabsBefore;
    // A comma lies in the field after the tabs before it.
    std::uint64_t fields = 0;
    for (; commaAt_[nextComma_] < end; ++nextComma_)
        if (const std::uint32_t field = commaTabs_[nextComma_] - first; field <= markedTabs_)
            fields |= std::uint64_t{1} << field;
    marks_.commaFields = fields;
}

[[gnu::always_inline]] inline std::string_view TextReader::lineTo(size_t end, size_t next) {
    const char* data = buffer_.data() + begin_;
    const size_t size = end - begin_;
    consumed_ += next - begin_;
    lastLine_ = begin_;
    begin_ = next;
    return std::string_view(data, size);
}

[[gnu::always_inline]] inline std::string_view TextReader::placedLine() {
    ++lines_;
    lineStart_ = consumed_;
    const std::uint32_t end = endAt_[nextEnd_];
    if (markedTabs_) takeMarks(end, endTabs_[nextEnd_]);
    ++nextEnd_;
    const size_t i = placedBase_ + end;
    const char* const at = buffer_.data() + i;
    if (*at == '\n') return lineTo(i, i + 1);
    // The buffer holds bytes past end_: the byte after a CR may be looked at.
    if (*at == '\r' && i + 1 < end_) return lineTo(i, i + 1 + (at[1] == '\n'));
    return lineEndingAt(i);
}

}  // namespace tav
