#pragma once
// Reading a text file's lines as they lie in a read buffer, undecoded. CR LF, LF and a
// lone CR end a line; a UTF-8 byte order mark at the start is dropped; a file in a wide
// encoding is refused when it is opened, and a line holding a NUL byte (no text has one)
// or longer than 1 MiB when it is read, so that no file makes the program hold more than
// about a megabyte of it. Failures raise the runtime error the program traps.
//
// The bytes read are marked a few kilobytes at a time, 64 bytes to a word of bits, for
// their line ends and, in a file of fields, their tabs and commas; lines and their tabs
// are handed out from those words, so that no line is looked at byte by byte.
//
// The file table reads its input files with it; the conversion reads blocks of the
// Journal report with readers of its own, one per thread, each from an offset.

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

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
        // Room for the tabs of a whole word of marks beyond those asked for.
        std::uint32_t tabs[kMostTabs + 64];
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
    bool marksFields() const { return markedTabs_ > 0; }
    void close();
    bool isOpen() const { return handle_ != nullptr; }

    // Reads this many bytes at a time from the next refill on (tests make them few, so that
    // every byte falls at a refill's edge somewhere).
    void readInBlocksOf(size_t bytes) { block_ = bytes; }

    // Reads on from a byte offset that begins a line, the lines before it counted.
    void seek(std::uint64_t offset, std::uint64_t linesBefore);

    bool eof();
    // The next line without its line end, valid until the next read (eof, line, seek).
    std::string_view line();
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
    // The first line end in the buffer from `at` on, or end_; the tabs and commas on the
    // way are added to the marks of the line.
    size_t findEnd(size_t at);
    // Marks the next few kilobytes of the buffer from `at` on, or up to end_.
    void markFrom(size_t at);
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
    // The words of marks: word w is of buffer_[64 (markBase_ + w), 64 (markBase_ + w + 1)).
    // They hold the bytes before markedTo_ from where the line end is looked for on; no
    // bit is set from markedTo_ on. A refill forgets them: the bytes read before hold no
    // line end.
    std::vector<std::uint64_t> ends_, tabs_, commas_;
    size_t markBase_ = 0, markedTo_ = 0;
    Marks marks_;
    std::uint64_t consumed_ = 0, fileSize_ = 0;
    std::uint64_t position_ = 0;  // where the file is read next
    GrowingFile* growing_ = nullptr;
    std::uint64_t lines_ = 0, lineStart_ = 0;
};

}  // namespace tav
