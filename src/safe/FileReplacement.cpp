#include "safe/FileReplacement.h"

#include <fmt/format.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <random>

#include "safe/Sem.h"

namespace tav {

namespace fs = std::filesystem;

namespace {

// Temporary files are ".<name>.tavora-<six letters>.tmp"; a name too long for that gets
// ".tavora-<six letters>.tmp".
constexpr std::string_view kTemporaryMark = ".tavora-";
constexpr std::string_view kTemporaryEnd = ".tmp";

std::string randomLetters() {
    static std::mt19937_64 generator(
        std::random_device{}() ^
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        static_cast<std::uint64_t>(platform::processId()));
    static constexpr std::string_view kLetters = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string out(6, 'a');
    for (char& c : out) c = kLetters[generator() % kLetters.size()];
    return out;
}

bool isTemporaryName(const std::string& name) {
    return name.starts_with('.') && name.ends_with(kTemporaryEnd) &&
           name.find(kTemporaryMark) != std::string::npos;
}

// Removes what killed runs left in the folder: temporary files no running program holds.
void removeLeftovers(const fs::path& folder) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = platform::pathToUtf8(it->path().filename());
        if (isTemporaryName(name)) platform::removeIfLeftOver(platform::pathToUtf8(it->path()));
    }
}

std::string folderOf(const std::string& path) {
    const fs::path folder = platform::pathFromUtf8(path).parent_path();
    return folder.empty() ? std::string(".") : platform::pathToUtf8(folder);
}

}  // namespace

void raiseOpenError(int error, const std::string& path) {
    switch (error) {
        case ENOENT: {
            std::error_code ec;
            const std::string folder = folderOf(path);
            if (fs::is_directory(platform::pathFromUtf8(folder), ec))
                raise(err::FileNotFound, fmt::format("File not found: '{}'", path));
            raise(err::PathNotFound, fmt::format("Path not found: '{}'", folder));
        }
        case ENOTDIR: raise(err::PathNotFound, fmt::format("Path not found: '{}'", path));
        case EACCES:
        case EPERM:
        case EROFS:
        case ETXTBSY: raise(err::PermissionDenied, fmt::format("Permission denied: '{}'", path));
        case ELOOP:
            raise(err::PathFileAccessError,
                  fmt::format("The file '{}' is a symbolic link that belongs to another user. The "
                              "program does not write through it, since it may have been put "
                              "there to have another file overwritten. Remove the link, or choose "
                              "another file name.",
                              path));
        case EMFILE:
        case ENFILE: raise(err::TooManyFiles);
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
        case EFBIG: raiseWriteError(error, path);
        default:
            raise(err::PathFileAccessError, fmt::format("Path/File access error: '{}' ({})", path,
                                                        platform::errnoText(error)));
    }
}

void raiseWriteError(int error, const std::string& path) {
    switch (error) {
        case ENOSPC:
            raise(err::DiskFull,
                  fmt::format("Disk full: there is no space left on the disk that holds '{}'.",
                              path));
#ifdef EDQUOT  // Windows has no disk quotas of this kind
        case EDQUOT:
            raise(err::DiskFull,
                  fmt::format("Disk full: the user's disk quota is used up on the disk that holds "
                              "'{}'.",
                              path));
#endif
        case EFBIG:
            raise(err::DiskFull,
                  fmt::format("Disk full: '{}' has reached the largest size a file may have here.",
                              path));
        default:
            raise(err::DeviceIoError, fmt::format("Device I/O error writing '{}' ({})", path,
                                                  platform::errnoText(error)));
    }
}

FileReplacement& FileReplacement::operator=(FileReplacement&& other) noexcept {
    if (this == &other) return *this;
    abandon();
    target_ = std::exchange(other.target_, {});
    resolved_ = std::exchange(other.resolved_, {});
    path_ = std::exchange(other.path_, {});
    held_ = std::move(other.held_);
    direct_ = std::exchange(other.direct_, false);
    return *this;
}

FileReplacement FileReplacement::begin(const std::string& target) {
    FileReplacement r;
    r.target_ = target;
    const std::optional<std::string> resolved = platform::followOwnLinks(target);
    if (!resolved) raiseOpenError(ELOOP, target);
    r.resolved_ = *resolved;

    std::error_code ec;
    const fs::path file = platform::pathFromUtf8(r.resolved_);
    const fs::file_status status = fs::status(file, ec);
    if (fs::is_directory(status))
        raise(err::PathFileAccessError,
              fmt::format("Path/File access error: '{}' is a folder", target));
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        // A device or a pipe: there is no old version to keep.
        r.direct_ = true;
        r.path_ = r.resolved_;
        return r;
    }
    const bool exists = fs::exists(status);
    if (exists) {
        if (const int e = platform::checkWritable(r.resolved_)) raiseOpenError(e, target);
    }

    const fs::path folder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
    removeLeftovers(folder);
    const std::string name = platform::pathToUtf8(file.filename());
    bool shortName = false;
    for (int attempt = 0;; ++attempt) {
        const std::string candidate = platform::pathToUtf8(
            folder / platform::pathFromUtf8((shortName ? std::string() : "." + name) +
                                            std::string(kTemporaryMark) + randomLetters() +
                                            std::string(kTemporaryEnd)));
        const int e = platform::createHeld(candidate, r.held_);
        if (e == 0) {
            r.path_ = candidate;
            break;
        }
        if (e == EEXIST && attempt < 100) continue;
        if (e == ENAMETOOLONG && !shortName) {
            shortName = true;
            continue;
        }
        if (e == EACCES || e == EPERM || e == EROFS)
            raise(err::PermissionDenied,
                  fmt::format("Permission denied: the folder of '{}' does not let the program "
                              "write the new version of the file beside it.",
                              target));
        raiseOpenError(e, target);
    }
    if (exists) platform::copyPermissions(r.resolved_, r.held_);
    return r;
}

void FileReplacement::commit() {
    if (!active()) return;
    if (!direct_) {
        if (const int e = platform::replaceWithHeld(path_, held_, resolved_)) {
            abandon();
            if (e == EACCES || e == EPERM || e == EROFS || e == EBUSY)
                raise(err::PermissionDenied,
                      fmt::format("Permission denied: '{}' could not be replaced by its new "
                                  "version, and is as it was.",
                                  target_));
            raise(err::PathFileAccessError,
                  fmt::format("Path/File access error: '{}' could not be replaced by its new "
                              "version ({}), and is as it was.",
                              target_, platform::errnoText(e)));
        }
    }
    path_.clear();
}

void FileReplacement::abandon() noexcept {
    if (!active()) return;
    if (!direct_) platform::removeHeld(path_, held_);
    path_.clear();
}

ReplacementStream::ReplacementStream(const std::string& target)
    : replacement_(FileReplacement::begin(target)) {
    errno = 0;
    file_ = platform::openFile(replacement_.path(), "wb");
    if (!file_) raiseOpenError(errno, target);
}

ReplacementStream::~ReplacementStream() {
    if (file_) std::fclose(file_);
}

void ReplacementStream::write(std::string_view bytes) {
    if (!file_) raise(err::BadFileMode);
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size())
        raiseWriteError(errno, replacement_.target());
}

void ReplacementStream::commit() {
    if (!file_) raise(err::BadFileMode);
    std::FILE* f = std::exchange(file_, nullptr);
    const int synced = replacement_.active() ? platform::syncToDisk(f) : 0;
    if (std::fclose(f) != 0 || synced != 0)
        raiseWriteError(synced ? synced : errno, replacement_.target());
    replacement_.commit();
}

void replaceFileContents(const std::string& path, std::string_view bytes) {
    ReplacementStream stream(path);
    stream.write(bytes);
    stream.commit();
}

OutputLock& OutputLock::operator=(OutputLock&& other) noexcept {
    if (this == &other) return *this;
    release();
    path_ = std::exchange(other.path_, {});
    held_ = std::move(other.held_);
    return *this;
}

OutputLock OutputLock::take(const std::string& output) {
    OutputLock lock;
    const std::string file = platform::followOwnLinks(output).value_or(output);
    std::error_code ec;
    const fs::path p = platform::pathFromUtf8(file);
    // A device has no folder of its own to put a lock file in.
    if (fs::exists(p, ec) && !fs::is_regular_file(p, ec)) return lock;
    const fs::path folder = p.parent_path().empty() ? fs::path(".") : p.parent_path();
    const std::string path = platform::pathToUtf8(
        folder / platform::pathFromUtf8("." + platform::pathToUtf8(p.filename()) + ".tavora-lock"));
    const int e = platform::tryLock(path, lock.held_);
    if (e == EWOULDBLOCK) {
        const long holder = platform::lockHolder(path);
        raise(0, fmt::format("Another conversion is writing the import file '{}'{}. Wait until it "
                             "has finished, then convert again.",
                             output, holder ? fmt::format(" (process {})", holder) : ""));
    }
    if (e != 0) raiseOpenError(e, output);
    lock.path_ = path;
    return lock;
}

void OutputLock::release() noexcept {
    if (path_.empty()) return;
    platform::releaseLock(path_, held_);
    path_.clear();
}

}  // namespace tav
