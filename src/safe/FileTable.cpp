#include "safe/FileTable.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "safe/ByteScan.h"
#include "safe/Platform.h"
#include "safe/Sem.h"

namespace tav {

namespace fs = std::filesystem;

namespace {

constexpr size_t kReadBlock = 1 << 18;
constexpr size_t kWriteBlock = 1 << 18;
constexpr size_t kMaxLineBytes = 1 << 20;

// Position of the first CR or LF in data[from, size), or size.
size_t findLineEnd(const char* data, size_t from, size_t size) {
    return bytescan::find<bytescan::AnyOf<'\r', '\n'>>(data, from, size);
}

}  // namespace

struct FileTable::OpenFile {
    std::string path;
    FileMode mode = FileMode::Input;
    Encoding encoding = Encoding::Utf8;
    std::FILE* handle = nullptr;

    // Reading
    std::vector<char> buffer;
    size_t begin = 0, end = 0;
    bool atEnd = false;
    std::uint64_t consumed = 0, fileSize = 0;
    std::uint64_t lines = 0, lineStart = 0;
    bool endSeen = false;        // eof() has said so: the reading went to the end
    std::uint64_t sequence = 0;  // which input opened last
    std::string decoded;         // the last line read, when it had to be decoded

    // Writing: whole lines wait here; committed is the file's size after the last
    // successful flush.
    std::string pending;
    std::uint64_t committed = 0;
    FileReplacement replacement;  // an output's new version

    ~OpenFile() {
        if (handle) std::fclose(handle);
    }

    // Refills the buffer; false at the end of the file.
    bool fill() {
        if (atEnd) return false;
        if (begin > 0) {
            std::memmove(buffer.data(), buffer.data() + begin, end - begin);
            end -= begin;
            begin = 0;
        }
        if (buffer.size() < end + kReadBlock) buffer.resize(end + kReadBlock);
        const size_t got = std::fread(buffer.data() + end, 1, kReadBlock, handle);
        if (got == 0) {
            if (std::ferror(handle)) raise(err::DeviceIoError);
            atEnd = true;
            return false;
        }
        end += got;
        return true;
    }

    void flush() {
        if (pending.empty()) return;
        errno = 0;
        const size_t written = std::fwrite(pending.data(), 1, pending.size(), handle);
        const bool ok = written == pending.size() && std::fflush(handle) == 0;
        if (!ok) {
            const int error = errno;
            std::clearerr(handle);
            platform::truncateFile(handle, committed);
            pending.clear();
            raiseWriteError(error, path);
        }
        committed += pending.size();
        pending.clear();
    }
};

FileTable::FileTable() = default;
FileTable::~FileTable() { closeAll(); }

int FileTable::freeFile() const {
    for (int n = kLowest; n <= 255; ++n)
        if (!isOpen(n)) return n;
    raise(err::TooManyFiles);
}

bool FileTable::isOpen(int number) const {
    return number >= kLowest && number <= kHighest && files_[static_cast<size_t>(number)];
}

FileTable::OpenFile& FileTable::get(int number) const {
    if (!isOpen(number)) raise(err::BadFileNameOrNumber);
    return *files_[static_cast<size_t>(number)];
}

Encoding FileTable::detectEncoding(const std::string& path) { return scanText(path).encoding; }

FileTable::TextScan FileTable::scanText(const std::string& path) {
    const fs::path p = platform::pathFromUtf8(path);
    std::error_code ec;
    const auto size = fs::file_size(p, ec);
    const auto time = fs::last_write_time(p, ec).time_since_epoch().count();
    const auto key =
        std::make_tuple(path, static_cast<std::uint64_t>(size), static_cast<std::int64_t>(time));
    if (!ec) {
        if (const auto it = knownTexts_.find(key); it != knownTexts_.end()) return it->second;
    }
    std::FILE* f = platform::openFile(path, "rb");
    if (!f) raiseOpenError(errno, path);
    TextScan scan;
    Utf8Validator validator;
    bool utf8 = true;
    std::uint64_t offset = 0;
    std::vector<char> block(kReadBlock);
    size_t got;
    while ((got = std::fread(block.data(), 1, block.size(), f)) > 0) {
        const std::string_view bytes(block.data(), got);
        if (utf8) utf8 = validator.feed(bytes);
        if (const size_t nul = bytes.find('\0'); nul != std::string_view::npos) {
            scan.firstNul = offset + nul;
            break;
        }
        offset += got;
    }
    const bool readError = std::ferror(f) != 0;
    std::fclose(f);
    if (readError) raise(err::DeviceIoError);
    scan.encoding = utf8 && validator.finish() ? Encoding::Utf8 : Encoding::Windows1252;
    if (!ec) knownTexts_[key] = scan;
    return scan;
}

namespace {

// The line (from 1) that holds a file's byte at the offset; CR LF, LF and a lone CR each
// end a line, as a reading of the file counts them.
std::uint64_t lineAt(const std::string& path, std::uint64_t offset) {
    std::FILE* f = platform::openFile(path, "rb");
    if (!f) return 0;
    std::uint64_t line = 1, at = 0;
    bool afterCr = false;
    std::vector<char> block(kReadBlock);
    size_t got;
    while (at < offset && (got = std::fread(block.data(), 1, block.size(), f)) > 0) {
        for (size_t i = 0; i < got && at < offset; ++i, ++at) {
            const char c = block[i];
            if (c == '\r' || (c == '\n' && !afterCr)) ++line;
            afterCr = c == '\r';
        }
    }
    std::fclose(f);
    return line;
}

}  // namespace

void FileTable::open(int number, const std::string& path, FileMode mode) {
    if (number < kLowest || number > kHighest) raise(err::BadFileNameOrNumber);
    if (isOpen(number)) raise(err::FileAlreadyOpen);
    std::error_code ec;
    if (fs::is_directory(platform::pathFromUtf8(path), ec)) raise(err::PathFileAccessError);

    auto file = std::make_unique<OpenFile>();
    file->path = path;
    file->mode = mode;
    const char* fopenMode = "rb";
    std::string opened = path;
    switch (mode) {
        case FileMode::Input: fopenMode = "rb"; break;
        case FileMode::Output:
            file->replacement = FileReplacement::begin(path);
            opened = file->replacement.path();
            fopenMode = "wb";
            break;
        case FileMode::Append: fopenMode = "ab"; break;
        case FileMode::Binary:
        case FileMode::Random: fopenMode = platform::fileExists(path) ? "r+b" : "w+b"; break;
    }
    TextScan scan;
    if (mode == FileMode::Input) {
        scan = scanText(path);
        file->encoding = scan.encoding;
    }
    errno = 0;
    file->handle = platform::openFile(opened, fopenMode);
    if (!file->handle) raiseOpenError(errno, path);

    if (mode == FileMode::Input) {
        file->fileSize = fs::file_size(platform::pathFromUtf8(path), ec);
        file->fill();
        const std::string_view start(file->buffer.data(), file->end);
        if (const char* name = wideEncodingName(start)) raise(0, wideEncodingRefusal(path, name));
        if (scan.firstNul)
            raise(0, "Line " + std::to_string(lineAt(path, *scan.firstNul)) + " of the file '" +
                         path +
                         "' holds a NUL byte, so it is not a text file the program can read. "
                         "Check that the right file was chosen, or export it again.");
        // Skip a UTF-8 byte order mark.
        if (start.starts_with(kUtf8Bom)) {
            file->begin = kUtf8Bom.size();
            file->consumed = kUtf8Bom.size();
        }
        // A new reading: where an earlier one stopped is no longer news.
        stopped_.reset();
        file->sequence = ++inputsOpened_;
    } else if (mode == FileMode::Append) {
        // Not ftell: its long is 32 bits on Windows, and a failed write cuts the file
        // back to this length. A device has no length to cut back to.
        const fs::path p = platform::pathFromUtf8(path);
        file->committed = fs::is_regular_file(p, ec) ? fs::file_size(p, ec) : 0;
        if (ec) raise(err::DeviceIoError);
    }
    files_[static_cast<size_t>(number)] = std::move(file);
}

void FileTable::reopen(int number, FileReplacement replacement) {
    if (number < kLowest || number > kHighest) raise(err::BadFileNameOrNumber);
    if (isOpen(number)) raise(err::FileAlreadyOpen);
    auto file = std::make_unique<OpenFile>();
    file->path = replacement.target();
    file->mode = FileMode::Output;
    errno = 0;
    file->handle = platform::openFile(replacement.path(), "ab");
    if (!file->handle) raiseOpenError(errno, file->path);
    std::error_code ec;
    const fs::path p = platform::pathFromUtf8(replacement.path());
    file->committed = fs::is_regular_file(p, ec) ? fs::file_size(p, ec) : 0;
    file->replacement = std::move(replacement);
    files_[static_cast<size_t>(number)] = std::move(file);
}

void FileTable::close(int number) { closePending(number).commit(); }

FileReplacement FileTable::closePending(int number) {
    OpenFile& f = get(number);
    const std::unique_ptr<OpenFile> owned = std::move(files_[static_cast<size_t>(number)]);
    if (f.mode == FileMode::Input) return {};
    f.flush();
    std::FILE* h = f.handle;
    f.handle = nullptr;
    // An output's new version is on disk before it takes the old one's place.
    const int synced = f.replacement.active() ? platform::syncToDisk(h) : 0;
    if (std::fclose(h) != 0 || synced != 0) raiseWriteError(synced ? synced : errno, f.path);
    return std::move(f.replacement);
}

void FileTable::abandon(int number) noexcept {
    if (!isOpen(number)) return;
    if (const OpenFile& f = get(number); f.mode == FileMode::Input && f.lines > 0 && !f.endSeen) {
        try {
            stopped_ = Place{f.path, f.lines, f.lineStart};
        } catch (...) {
            stopped_.reset();
        }
    }
    try {
        // Not an output's: its lines so far are kept.
        closePending(number);
    } catch (...) {
        // A file that cannot be flushed is dropped; its caller has already failed.
    }
    files_[static_cast<size_t>(number)].reset();
}

void FileTable::closeAll() noexcept {
    for (int n = kLowest; n <= kHighest; ++n) abandon(n);
}

bool FileTable::eof(int number) {
    OpenFile& f = get(number);
    if (f.mode != FileMode::Input) raise(err::BadFileMode);
    if (f.begin != f.end || f.fill()) return false;
    f.endSeen = true;
    return true;
}

std::optional<FileTable::Place> FileTable::stoppedReading() const {
    const OpenFile* reading = nullptr;
    for (const std::unique_ptr<OpenFile>& f : files_)
        if (f && f->mode == FileMode::Input && f->lines > 0 && !f->endSeen &&
            (!reading || f->sequence > reading->sequence))
            reading = f.get();
    if (reading) return Place{reading->path, reading->lines, reading->lineStart};
    return stopped_;
}

std::string FileTable::describe(const Place& place) {
    constexpr size_t kShown = 160;
    std::ifstream in(platform::pathFromUtf8(place.path), std::ios::binary);
    in.seekg(static_cast<std::streamoff>(place.offset));
    std::string bytes(4096, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(in.gcount()));
    bytes.resize(std::min(bytes.size(), bytes.find_first_of("\r\n")));
    std::string text = isValidUtf8(bytes) ? bytes : windows1252ToUtf8(bytes);
    if (charCount(text) > kShown) text = std::string(leftChars(text, kShown)) + "...";
    return place.path + ", line " + std::to_string(place.line) + ": " + text;
}

std::string FileTable::lineInput(int number) { return std::string(lineView(number)); }

void FileTable::lineInput(int number, std::string& line) { line.assign(lineView(number)); }

std::string_view FileTable::lineView(int number) {
    const std::string_view bytes = lineBytes(number);
    OpenFile& f = get(number);
    return decodedView(bytes, f.encoding, f.decoded);
}

std::string_view FileTable::lineBytes(int number) {
    OpenFile& f = get(number);
    if (f.mode != FileMode::Input) raise(err::BadFileMode);
    if (f.begin == f.end && !f.fill()) raise(err::InputPastEndOfFile);
    ++f.lines;
    f.lineStart = f.consumed;
    size_t scanned = 0;  // bytes of the current line already known to hold no line end
    for (;;) {
        const char* data = f.buffer.data() + f.begin;
        const size_t available = f.end - f.begin;
        const size_t i = findLineEnd(data, scanned, available);
        // Reading on would hold the whole file in memory: no text file has such a line.
        if (i > kMaxLineBytes)
            raise(0, "Line " + std::to_string(f.lines) + " of the file '" + f.path +
                         "' is longer than 1 MiB (1,048,576 bytes), so it is not a text file "
                         "the program can read. Check that the right file was chosen, or export "
                         "it again.");
        if (i == available) {
            scanned = i;
            if (f.fill()) continue;  // the buffer moves; offsets from begin stay valid
            data = f.buffer.data() + f.begin;
            f.consumed += available;
            f.begin = f.end;
            return std::string_view(data, available);
        }
        // A CR as the last byte read may be the first half of CR LF.
        if (data[i] == '\r' && i + 1 == available) {
            if (f.fill()) {
                scanned = i;
                continue;
            }
            data = f.buffer.data() + f.begin;  // the buffer moved even though the file ended
        }
        size_t next = i + 1;
        if (data[i] == '\r' && next < available && data[next] == '\n') ++next;
        f.consumed += next;
        f.begin += next;
        return std::string_view(data, i);
    }
}

void FileTable::printLine(int number, std::string_view text) {
    OpenFile& f = get(number);
    if (f.mode == FileMode::Input) raise(err::BadFileMode);
    // Text that begins with the character U+FEFF would read back without it, taken for a
    // byte order mark: such a file gets a mark of its own.
    if (f.committed == 0 && f.pending.empty() && f.encoding == Encoding::Utf8 &&
        text.starts_with(kUtf8Bom))
        f.pending = kUtf8Bom;
    appendEncoded(f.pending, text, f.encoding);
    f.pending += "\r\n";
    if (f.pending.size() >= kWriteBlock) f.flush();
}

Encoding FileTable::encoding(int number) const { return get(number).encoding; }

void FileTable::setEncoding(int number, Encoding e) { get(number).encoding = e; }

std::uint64_t FileTable::bytesRead(int number) const { return get(number).consumed; }

std::uint64_t FileTable::size(int number) const { return get(number).fileSize; }

const std::string& FileTable::path(int number) const { return get(number).path; }

std::uint64_t FileTable::linesRead(int number) const { return get(number).lines; }

std::uint64_t FileTable::lineOffset(int number) const { return get(number).lineStart; }

}  // namespace tav
