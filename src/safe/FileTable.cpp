#include "safe/FileTable.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <vector>

#include "safe/ByteScan.h"
#include "safe/Platform.h"
#include "safe/Sem.h"
#include "safe/TextReader.h"

namespace tav {

namespace fs = std::filesystem;

namespace {

constexpr size_t kReadBlock = 1 << 18;
// How many bytes of an output's new version are handed to the disk at a time.
constexpr std::uint64_t kWriteOutBytes = 8 << 20;

}  // namespace

struct FileTable::OpenFile {
    std::string path;
    FileMode mode = FileMode::Input;
    std::FILE* handle = nullptr;  // writing

    // Reading; the encoding is found when first needed.
    TextReader reader;
    std::optional<Encoding> encoding;
    std::string decoded;         // the last line read, when it had to be decoded
    std::uint64_t sequence = 0;  // which input opened last

    // Read and not to its end: where a message can say the reading stopped.
    bool stoppedBeforeEnd() const {
        return mode == FileMode::Input && reader.linesRead() > 0 && !reader.readToEnd();
    }

    // Writing: whole lines wait here; committed is the file's size after the last
    // successful flush.
    std::string pending;
    std::uint64_t committed = 0;
    std::uint64_t writingOut = 0;  // bytes before this are being written to the disk
    FileReplacement replacement;   // an output's new version
    std::shared_ptr<GrowingFile> growing;

    ~OpenFile() {
        if (handle) std::fclose(handle);
    }

    void flush() {
        write(pending);
        pending.clear();
    }

    // Writes whole lines; on failure the file is cut back to its last whole line.
    void write(std::string_view lines) {
        if (lines.empty()) return;
        errno = 0;
        const size_t written = std::fwrite(lines.data(), 1, lines.size(), handle);
        const bool ok = written == lines.size() && std::fflush(handle) == 0;
        if (!ok) {
            const int error = errno;
            std::clearerr(handle);
            platform::truncateFile(handle, committed);
            pending.clear();
            raiseWriteError(error, path);
        }
        committed += lines.size();
        if (growing) growing->wrote(committed);
        // A new version is synced before it is put in place: its bytes go to the disk as
        // they come, rather than all at the end.
        if (replacement.active() && committed - writingOut >= kWriteOutBytes) {
            platform::startWritingToDisk(handle, writingOut, committed - writingOut);
            writingOut = committed;
        }
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

std::optional<FileTable::Identity> FileTable::identity(const std::string& path) {
    const fs::path p = platform::pathFromUtf8(path);
    std::error_code ec;
    const auto size = fs::file_size(p, ec);
    if (ec) return std::nullopt;
    const auto time = fs::last_write_time(p, ec).time_since_epoch().count();
    if (ec) return std::nullopt;
    return std::make_tuple(path, static_cast<std::uint64_t>(size), static_cast<std::int64_t>(time));
}

Encoding FileTable::detectEncoding(const std::string& path) {
    const auto key = identity(path);
    if (key) {
        if (const auto it = knownEncodings_.find(*key); it != knownEncodings_.end())
            return it->second;
    }
    std::FILE* f = platform::openFile(path, "rb");
    if (!f) raiseOpenError(errno, path);
    Utf8Validator validator;
    // Not zeroed: most files are far smaller than the block, and this runs for every file.
    const auto block = std::make_unique_for_overwrite<char[]>(kReadBlock);
    size_t got;
    while ((got = std::fread(block.get(), 1, kReadBlock, f)) > 0)
        if (!validator.feed(std::string_view(block.get(), got))) break;
    const bool readError = std::ferror(f) != 0;
    std::fclose(f);
    if (readError) raise(err::DeviceIoError);
    const Encoding e = validator.finish() ? Encoding::Utf8 : Encoding::Windows1252;
    if (key) knownEncodings_[*key] = e;
    return e;
}

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
        case FileMode::Input: break;
        case FileMode::Output:
            file->replacement = FileReplacement::begin(path);
            opened = file->replacement.path();
            fopenMode = "wb";
            break;
        case FileMode::Append: fopenMode = "ab"; break;
        case FileMode::Binary:
        case FileMode::Random: fopenMode = platform::fileExists(path) ? "r+b" : "w+b"; break;
    }
    if (mode == FileMode::Input) {
        file->reader.open(path);
        // A new reading: where an earlier one stopped is no longer news.
        stopped_.reset();
        file->sequence = ++inputsOpened_;
    } else {
        file->encoding = Encoding::Utf8;
        errno = 0;
        file->handle = platform::openFile(opened, fopenMode);
        if (!file->handle) raiseOpenError(errno, path);
        if (mode == FileMode::Append) {
            // Not ftell: its long is 32 bits on Windows, and a failed write cuts the file
            // back to this length. A device has no length to cut back to.
            const fs::path p = platform::pathFromUtf8(path);
            file->committed = fs::is_regular_file(p, ec) ? fs::file_size(p, ec) : 0;
            if (ec) raise(err::DeviceIoError);
        }
    }
    files_[static_cast<size_t>(number)] = std::move(file);
}

void FileTable::reopen(int number, FileReplacement replacement) {
    if (number < kLowest || number > kHighest) raise(err::BadFileNameOrNumber);
    if (isOpen(number)) raise(err::FileAlreadyOpen);
    auto file = std::make_unique<OpenFile>();
    file->path = replacement.target();
    file->mode = FileMode::Output;
    file->encoding = Encoding::Utf8;
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
    if (const OpenFile& f = get(number); f.stoppedBeforeEnd()) {
        try {
            stopped_ = Place{f.path, f.reader.linesRead(), f.reader.lineOffset()};
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

bool FileTable::eof(int number) { return reader(number).eof(); }

std::optional<FileTable::Place> FileTable::stoppedReading() const {
    const OpenFile* reading = nullptr;
    for (const std::unique_ptr<OpenFile>& f : files_)
        if (f && f->stoppedBeforeEnd() && (!reading || f->sequence > reading->sequence))
            reading = f.get();
    if (reading)
        return Place{reading->path, reading->reader.linesRead(), reading->reader.lineOffset()};
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
    // ASCII is the same text in either encoding, which is only looked for when needed.
    if (isAscii(bytes)) return bytes;
    OpenFile& f = get(number);
    return decodedView(bytes, encoding(number), f.decoded);
}

std::string_view FileTable::lineBytes(int number) { return reader(number).line(); }

TextReader& FileTable::reader(int number) {
    OpenFile& f = get(number);
    if (f.mode != FileMode::Input) raise(err::BadFileMode);
    return f.reader;
}

void FileTable::printLine(int number, std::string_view text) {
    OpenFile& f = get(number);
    if (f.mode == FileMode::Input) raise(err::BadFileMode);
    // Text that begins with the character U+FEFF would read back without it, taken for a
    // byte order mark: such a file gets a mark of its own.
    if (f.committed == 0 && f.pending.empty() && f.encoding == Encoding::Utf8 &&
        text.starts_with(kUtf8Bom))
        f.pending = kUtf8Bom;
    appendEncoded(f.pending, text, *f.encoding);
    f.pending += "\r\n";
    if (f.pending.size() >= kWriteBlock) f.flush();
}

void FileTable::flush(int number) {
    OpenFile& f = get(number);
    if (f.mode == FileMode::Input) raise(err::BadFileMode);
    f.flush();
}

void FileTable::tellWritten(int number, std::shared_ptr<GrowingFile> growing) {
    OpenFile& f = get(number);
    if (f.mode == FileMode::Input) raise(err::BadFileMode);
    f.growing = std::move(growing);
    if (f.growing) f.growing->wrote(f.committed);
}

void FileTable::writeLines(int number, std::string_view lines) {
    OpenFile& f = get(number);
    if (f.mode == FileMode::Input) raise(err::BadFileMode);
    if (f.committed == 0 && f.pending.empty() && f.encoding == Encoding::Utf8 &&
        lines.starts_with(kUtf8Bom))
        f.pending = kUtf8Bom;
    // The file is written where lines written one by one would have filled a block, so
    // that a disk filling up leaves the same lines.
    while (f.pending.size() + lines.size() >= kWriteBlock) {
        const size_t atLeast = kWriteBlock - f.pending.size();
        const size_t lineEnd = lines.find('\n', atLeast - 1);
        const size_t end = lineEnd == std::string_view::npos ? lines.size() : lineEnd + 1;
        if (f.pending.empty()) {
            f.write(lines.substr(0, end));
        } else {
            f.pending.append(lines.substr(0, end));
            f.flush();
        }
        lines.remove_prefix(end);
    }
    f.pending.append(lines);
}

size_t FileTable::pendingBytes(int number) const { return get(number).pending.size(); }

std::uint64_t FileTable::bytesWritten(int number) const { return get(number).committed; }

Encoding FileTable::encoding(int number) {
    OpenFile& f = get(number);
    if (!f.encoding) f.encoding = detectEncoding(f.path);
    return *f.encoding;
}

void FileTable::setEncoding(int number, Encoding e) { get(number).encoding = e; }

void FileTable::learnEncoding(int number, Encoding e) {
    OpenFile& f = get(number);
    f.encoding = e;
    if (const auto key = identity(f.path)) knownEncodings_[*key] = e;
}

std::uint64_t FileTable::bytesRead(int number) { return reader(number).bytesRead(); }

std::uint64_t FileTable::size(int number) { return reader(number).size(); }

const std::string& FileTable::path(int number) const { return get(number).path; }

std::uint64_t FileTable::linesRead(int number) { return reader(number).linesRead(); }

std::uint64_t FileTable::lineOffset(int number) { return reader(number).lineOffset(); }

}  // namespace tav
