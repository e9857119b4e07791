#pragma once
// The program's open files, by number (1 to 511), as its file routines address
// them: the Journal report is file 1 and the import file file 2 during a
// conversion, and the list readers, ledger readers and error log take a free
// number. Every failure raises the runtime error the program traps (52 bad file
// number, 53 file not found, 55 already open, 61 disk full, 62 input past end,
// 70 permission denied, ...).
//
// Reading recognises CR LF, LF and a lone CR as line ends and decodes each line to
// UTF-8 from the file's own encoding, dropping a UTF-8 byte order mark. Writing encodes
// back to the file's encoding and ends every line with CR LF (a UTF-8 file whose text
// begins with U+FEFF gets a byte order mark, so that the character reads back); a write
// that fails leaves the file ending at the last complete line, never half a line.
//
// A file opened for "Output" is a new version of the file (FileReplacement): it is
// written beside it and takes its place only when closed, so a run that fails or is
// killed leaves the old file as it was. "Append" adds to the file itself (logs).
//
// Files that are not single-byte text are refused with a description naming the
// problem (error number 0): a UTF-16 or UTF-32 file when it is opened; a line holding a
// NUL byte, or longer than 1 MiB, when it is read, so that no file makes the program hold
// more than about a megabyte of it or pass binary bytes on as text.

#include <array>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>

#include "safe/FileReplacement.h"
#include "safe/TextCodec.h"
#include "safe/TextReader.h"

namespace tav {

enum class FileMode { Input, Output, Append, Binary, Random };

class FileTable {
public:
    static constexpr int kLowest = 1;
    static constexpr int kHighest = 511;
    // Written lines wait in a buffer until they fill this many bytes.
    static constexpr size_t kWriteBlock = 1 << 18;

    FileTable();
    ~FileTable();
    FileTable(const FileTable&) = delete;
    FileTable& operator=(const FileTable&) = delete;

    // The lowest number not in use (1 to 255, as FreeFile gives).
    int freeFile() const;
    bool isOpen(int number) const;

    void open(int number, const std::string& path, FileMode mode);
    // Closes the file; an output's new version takes the file's place.
    void close(int number);
    // Closes an output, flushed to disk, without putting it in place: the caller finishes
    // (or drops) the replacement, and may append to its path() meanwhile.
    FileReplacement closePending(int number);
    // Opens a pending output again, to append to its new version; close() then puts it
    // in place.
    void reopen(int number, FileReplacement replacement);
    // Closes the file after a failure: an output's new version is dropped and the file
    // stays as it was; nothing raises.
    void abandon(int number) noexcept;
    // Abandons every open file.
    void closeAll() noexcept;

    bool eof(int number);
    std::string lineInput(int number);
    // The same into a buffer the caller keeps, so that a long loop allocates nothing.
    void lineInput(int number, std::string& line);
    // The same without a copy: the view stays valid until the file is next read
    // (lineInput, lineView, eof) or closed.
    std::string_view lineView(int number);
    // The same undecoded, in the file's encoding: for readings that look at a few fields
    // of every line and decode only what they keep (tabs and digits are the same bytes
    // in both encodings).
    std::string_view lineBytes(int number);
    // An input file's reader, for routines that read it line by line themselves.
    TextReader& reader(int number);
    // Writes the text and CR LF.
    void printLine(int number, std::string_view text);
    // Writes whole lines already in the file's encoding, each ending with CR LF.
    void writeLines(int number, std::string_view lines);
    // Bytes written but still waiting for a block to fill.
    size_t pendingBytes(int number) const;
    // Bytes of an output that have reached the file.
    std::uint64_t bytesWritten(int number) const;
    // Writes them now.
    void flush(int number);
    // Tells how far an output is written (flushed), now and after each write, for a
    // reader that follows the writing.
    void tellWritten(int number, std::shared_ptr<GrowingFile> growing);

    // An input file's encoding is found when first asked for (or a line to decode is
    // read), unless a routine that read it whole has told it (learnEncoding).
    Encoding encoding(int number);
    // Output files are written in UTF-8 unless told otherwise (the import file takes
    // the Journal report's encoding).
    void setEncoding(int number, Encoding e);
    void learnEncoding(int number, Encoding e);

    std::uint64_t bytesRead(int number);
    std::uint64_t size(int number);
    const std::string& path(int number) const;
    // Lines read so far, and the byte offset where the last of them begins: where a
    // message about the line just read can point.
    std::uint64_t linesRead(int number);
    std::uint64_t lineOffset(int number);

    // Where a reading stopped before the end of its file, so that a message about what it
    // met can name the file and the line: the input read last among those still open and
    // not read to their end, else the last input closed by abandon() before its end
    // (forgotten when another input is opened, or by forgetStoppedReading()).
    struct Place {
        std::string path;
        std::uint64_t line = 0;    // from 1
        std::uint64_t offset = 0;  // where the line begins
    };
    std::optional<Place> stoppedReading() const;
    void forgetStoppedReading() { stopped_.reset(); }
    // For a reading of its own (the settings file): where it stopped.
    void setStoppedReading(Place place) { stopped_ = std::move(place); }
    // "FILE, line N: TEXT": the line's text as UTF-8, cut after 160 characters.
    static std::string describe(const Place& place);

    // Encoding of a file on disk (valid UTF-8, or Windows-1252); remembered per
    // path, size and modification time so that a report read several times is
    // scanned once.
    Encoding detectEncoding(const std::string& path);

    // A file on disk as it is now: path, size and modification time; none when it is not
    // there. A file with the same identity later is taken to be unchanged.
    using Identity = std::tuple<std::string, std::uint64_t, std::int64_t>;
    static std::optional<Identity> identity(const std::string& path);

private:
    struct OpenFile;
    OpenFile& get(int number) const;

    // By number: looked up for every line read or written.
    std::array<std::unique_ptr<OpenFile>, kHighest + 1> files_;
    std::map<Identity, Encoding> knownEncodings_;
    std::optional<Place> stopped_;
    std::uint64_t inputsOpened_ = 0;
};

}  // namespace tav
