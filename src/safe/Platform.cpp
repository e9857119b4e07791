#include "safe/Platform.h"

#include <cerrno>
#include <cstdlib>
#include <system_error>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// after windows.h, which they need
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <share.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#else
#include <fcntl.h>
#include <malloc.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tav::platform {

namespace fs = std::filesystem;

#ifdef _WIN32
namespace {
std::wstring widen(const std::string& s) {
    if (s.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}
std::string narrow(const std::wstring& w) {
    if (w.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                        nullptr);
    return s;
}
}  // namespace

fs::path pathFromUtf8(const std::string& path) { return fs::path(widen(path)); }
std::string pathToUtf8(const fs::path& path) { return narrow(path.wstring()); }
#else
fs::path pathFromUtf8(const std::string& path) { return fs::path(path); }
std::string pathToUtf8(const fs::path& path) { return path.string(); }
#endif

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
#ifdef _WIN32
    if (folder.back() == '/') return folder + name;
#endif
    if (folder.back() == kPathSeparator) return folder + name;
    return folder + kPathSeparator + name;
}

std::string rootFolder() {
#ifdef _WIN32
    return "C:\\";
#else
    return "/";
#endif
}

std::string nativeSeparators(std::string path) {
    for (char& c : path)
        if (c == '\\' || c == '/') c = kPathSeparator;
    return path;
}

FolderResult commonDocumentsFolder() {
#ifdef _WIN32
    // The wide call: the ANSI one would turn letters outside the code page into "?".
    wchar_t buffer[MAX_PATH] = {};
    const HRESULT hr =
        SHGetFolderPathW(nullptr, CSIDL_COMMON_DOCUMENTS, nullptr, SHGFP_TYPE_CURRENT, buffer);
    if (hr != S_OK) return {static_cast<long>(hr), {}};
    return {0, narrow(buffer)};
#else
    // As the XDG base directories say: an absolute $XDG_DATA_HOME, else ~/.local/share.
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/') return {0, xdg};
    std::string home;
    if (const char* h = std::getenv("HOME"); h && h[0] == '/') {
        home = h;
    } else if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_dir) {
        home = pw->pw_dir;
    }
    if (home.empty()) return {1, {}};  // the shell's "the folder does not exist"
    return {0, joinPath(joinPath(home, ".local"), "share")};
#endif
}

std::string earlierSharedDataFolder() {
#ifdef _WIN32
    return {};
#else
    return "/var/tmp/Public Documents/TAV";
#endif
}

long createDirectory(const std::string& path) {
#ifdef _WIN32
    return SHCreateDirectoryExW(nullptr, widen(path).c_str(), nullptr);
#else
    std::error_code ec;
    const fs::path p = pathFromUtf8(path);
    struct stat existing {};
    if (::lstat(p.c_str(), &existing) == 0) {
        if (!S_ISDIR(existing.st_mode)) return S_ISLNK(existing.st_mode) ? 5 : 80;
        if (existing.st_uid != ::geteuid()) return 5;  // ERROR_ACCESS_DENIED
        if ((existing.st_mode & 077) != 0 && ::chmod(p.c_str(), 0700) != 0) return 5;
        return 183;
    }
    // Each missing level is the user's alone.
    fs::path partial;
    for (const fs::path& part : p) {
        partial /= part;
        if (fs::is_directory(partial, ec)) continue;
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) {
            switch (errno) {
                case EACCES:
                case EPERM:
                case EROFS: return 5;  // ERROR_ACCESS_DENIED
                case ENOENT:
                case ENOTDIR: return 3;  // ERROR_PATH_NOT_FOUND
                case ENAMETOOLONG: return 206;
                default: return 1;
            }
        }
    }
    return 0;
#endif
}

bool isOwnRegularFile(const std::string& path) {
#ifdef _WIN32
    (void)path;
    return false;
#else
    struct stat s {};
    return ::lstat(path.c_str(), &s) == 0 && S_ISREG(s.st_mode) && s.st_uid == ::geteuid();
#endif
}

bool pathExists(const std::string& path) {
    if (path.empty()) return false;
#ifdef _WIN32
    return PathFileExistsW(widen(path).c_str()) != FALSE;
#else
    std::error_code ec;
    return fs::exists(pathFromUtf8(path), ec);
#endif
}

bool fileExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(pathFromUtf8(path), ec);
}

std::optional<std::string> shortPathName(const std::string& path) {
#ifdef _WIN32
    const std::wstring w = widen(path);
    const DWORD n = GetShortPathNameW(w.c_str(), nullptr, 0);
    if (n == 0) return std::nullopt;
    std::wstring out(n, L'\0');
    const DWORD got = GetShortPathNameW(w.c_str(), out.data(), n);
    if (got == 0 || got >= n) return std::nullopt;
    out.resize(got);
    return narrow(out);
#else
    if (!pathExists(path)) return std::nullopt;  // as Windows has no short form of it
    return path;
#endif
}

std::string executableFolder() {
#ifdef _WIN32
    std::wstring buffer(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    buffer.resize(n);
    return pathToUtf8(fs::path(buffer).parent_path());
#else
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? pathToUtf8(fs::current_path(ec)) : pathToUtf8(self.parent_path());
#endif
}

std::vector<std::string> commandLineArguments(int argc, char** argv) {
#ifdef _WIN32
    int n = 0;
    if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &n)) {
        std::vector<std::string> args;
        for (int i = 0; i < n; ++i) args.push_back(narrow(wide[i]));
        LocalFree(wide);
        return args;
    }
#endif
    return std::vector<std::string>(argv, argv + argc);
}

void useUtf8Console() {
#ifdef _WIN32
    SetConsoleOutputCP(CP_UTF8);
#endif
}

void returnLargeBuffersToSystem() {
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);  // glibc's own starting threshold, now kept
#endif
}

std::tm localTime(std::time_t moment) {
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &moment);
#else
    localtime_r(&moment, &local);
#endif
    return local;
}

std::string currentDirectory() {
    std::error_code ec;
    return pathToUtf8(fs::current_path(ec));
}

bool setCurrentDirectory(const std::string& path) {
    std::error_code ec;
    fs::current_path(pathFromUtf8(path), ec);
    return !ec;
}

namespace {

#ifndef _WIN32
bool writes(const char* mode) {
    for (const char* c = mode; *c; ++c)
        if (*c == 'w' || *c == 'a' || *c == '+') return true;
    return false;
}
#endif

#ifdef _WIN32
// The errno value closest to a Windows error.
int errnoOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: return ENOENT;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS: return EEXIST;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION: return EACCES;
        case ERROR_WRITE_PROTECT: return EROFS;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: return ENOSPC;
        case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
        case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
        default: return EIO;
    }
}
#endif

}  // namespace

std::FILE* openFile(const std::string& path, const char* mode) {
#ifdef _WIN32
    return _wfopen(widen(path).c_str(), widen(mode).c_str());
#else
    if (!writes(mode)) return std::fopen(path.c_str(), mode);
    const std::optional<std::string> target = followOwnLinks(path);
    if (!target) {
        errno = ELOOP;
        return nullptr;
    }
    int flags = O_CLOEXEC | O_NOFOLLOW;
    const std::string_view m(mode);
    if (m.starts_with('r'))
        flags |= O_RDWR;
    else if (m.starts_with('w'))
        flags |= (m.find('+') != std::string_view::npos ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
    else
        flags |= (m.find('+') != std::string_view::npos ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
    const int fd = ::open(target->c_str(), flags, 0666);
    if (fd < 0) return nullptr;
    std::FILE* f = ::fdopen(fd, mode);
    if (!f) ::close(fd);
    return f;
#endif
}

void truncateFile(std::FILE* file, std::uint64_t length) {
#ifdef _WIN32
    _chsize_s(_fileno(file), static_cast<__int64>(length));
#else
    if (::ftruncate(::fileno(file), static_cast<off_t>(length)) != 0) {
        // Nothing more can be done: the write error is reported by the caller.
    }
#endif
    std::fseek(file, 0, SEEK_END);
}

bool seekFile(std::FILE* file, std::uint64_t offset) {
#ifdef _WIN32
    return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
#else
    return ::fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

std::optional<std::string> followOwnLinks(const std::string& path) {
#ifdef _WIN32
    return path;
#else
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat s {};
        if (::lstat(current.c_str(), &s) != 0 || !S_ISLNK(s.st_mode)) return current;
        if (s.st_uid != ::geteuid() && s.st_uid != 0) return std::nullopt;
        std::error_code ec;
        const fs::path link = fs::read_symlink(current, ec);
        if (ec) return current;
        current =
            link.is_absolute() ? link.string() : (fs::path(current).parent_path() / link).string();
    }
    return current;  // a loop of links: opening it fails with ELOOP
#endif
}

OsFile& OsFile::operator=(OsFile&& other) noexcept {
    if (this != &other) {
        close();
        native_ = other.native_;
        other.native_ = kClosed;
    }
    return *this;
}

void OsFile::close() noexcept {
    if (native_ == kClosed) return;
#ifdef _WIN32
    CloseHandle(reinterpret_cast<HANDLE>(native_));
#else
    ::close(static_cast<int>(native_));
#endif
    native_ = kClosed;
}

int createHeld(const std::string& path, OsFile& held) {
#ifdef _WIN32
    // Held open without sharing deletion: no one removes it while it is open.
    const HANDLE h = CreateFileW(widen(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return errnoOf(GetLastError());
    held.adopt(reinterpret_cast<std::intptr_t>(h));
    return 0;
#else
    for (;;) {
        const int fd =
            ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) return errno;
        held.adopt(fd);
        // Another run's clean-up may have taken the new file for a leftover before it was
        // locked, and removed it: then it is made again.
        struct stat s {};
        if (::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &s) == 0 && s.st_nlink > 0) return 0;
        held.close();
    }
#endif
}

bool removeIfLeftOver(const std::string& path) {
#ifdef _WIN32
    // A file still held by its run cannot be deleted.
    return DeleteFileW(widen(path).c_str()) != FALSE;
#else
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    OsFile held;
    held.adopt(fd);
    struct stat s {};
    if (::fstat(fd, &s) != 0 || !S_ISREG(s.st_mode) || s.st_uid != ::geteuid()) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return false;  // its run goes on
    return ::unlink(path.c_str()) == 0;
#endif
}

void copyPermissions(const std::string& like, const OsFile& held) {
#ifdef _WIN32
    // New files take the folder's permissions, which is what Windows users expect.
    (void)like;
    (void)held;
#else
    struct stat s {};
    if (::stat(like.c_str(), &s) != 0) return;
    const int fd = static_cast<int>(held.native());
    if (::geteuid() == 0 && ::fchown(fd, s.st_uid, s.st_gid) != 0) {
        // The file stays the user's own.
    }
    if (::fchmod(fd, s.st_mode & 07777) != 0) {
        // It keeps the permissions of a new file.
    }
#endif
}

int checkWritable(const std::string& path) {
#ifdef _WIN32
    const HANDLE h = CreateFileW(widen(path).c_str(), GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return errnoOf(GetLastError());
    CloseHandle(h);
    return 0;
#else
    const int fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno;
    ::close(fd);
    return 0;
#endif
}

int syncToDisk(std::FILE* file) {
    if (std::fflush(file) != 0) return errno;
#ifdef _WIN32
    if (_commit(_fileno(file)) != 0) return errno;
#else
    if (::fsync(::fileno(file)) != 0 && errno != EINVAL && errno != EROFS) return errno;
#endif
    return 0;
}

void startWritingToDisk(std::FILE* file, std::uint64_t offset, std::uint64_t length) {
#ifdef __linux__
    // Only a hint: the sync at the end reports any failure.
    ::sync_file_range(::fileno(file), static_cast<off_t>(offset), static_cast<off_t>(length),
                      SYNC_FILE_RANGE_WRITE);
#else
    (void)file, (void)offset, (void)length;
#endif
}

int replaceWithHeld(const std::string& path, OsFile& held, const std::string& to) {
#ifdef _WIN32
    // A file held without shared deletion cannot be renamed either.
    held.close();
    if (!MoveFileExW(widen(path).c_str(), widen(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return errnoOf(GetLastError());
    return 0;
#else
    if (::rename(path.c_str(), to.c_str()) != 0) return errno;
    held.close();
    // The new name lasts once the folder is on disk too.
    std::string folder = fs::path(to).parent_path().string();
    if (folder.empty()) folder = ".";
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    return 0;
#endif
}

void removeHeld(const std::string& path, OsFile& held) noexcept {
#ifdef _WIN32
    held.close();
    DeleteFileW(widen(path).c_str());
#else
    ::unlink(path.c_str());
    held.close();
#endif
}

std::string errnoText(int error) { return std::generic_category().message(error); }

int tryLock(const std::string& path, OsFile& lock) {
#ifdef _WIN32
    // Opened without sharing, and deleted when closed, also when the process dies.
    const HANDLE h =
        CreateFileW(widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_SHARING_VIOLATION ? EWOULDBLOCK : errnoOf(error);
    }
    lock.adopt(reinterpret_cast<std::intptr_t>(h));
    const std::string id = std::to_string(processId());
    DWORD written = 0;
    WriteFile(h, id.data(), static_cast<DWORD>(id.size()), &written, nullptr);
    return 0;
#else
    for (;;) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) return errno;
        lock.adopt(fd);
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            lock.close();
            return error == EWOULDBLOCK ? EWOULDBLOCK : error;
        }
        // The run that held it may have removed the file meanwhile: a lock on a removed
        // file locks nothing.
        struct stat held {
        }, named{};
        if (::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
            const std::string id = std::to_string(processId()) + "\n";
            if (::ftruncate(fd, 0) == 0 && ::write(fd, id.data(), id.size()) < 0) {
                // The id only helps a message; the lock holds without it.
            }
            return 0;
        }
        lock.close();
    }
#endif
}

long lockHolder(const std::string& path) {
    std::FILE* f = nullptr;
#ifdef _WIN32
    // Its holder shares reading only.
    f = _wfsopen(widen(path).c_str(), L"rb", _SH_DENYNO);
#else
    f = std::fopen(path.c_str(), "rb");
#endif
    if (!f) return 0;
    long id = 0;
    if (std::fscanf(f, "%ld", &id) != 1) id = 0;
    std::fclose(f);
    return id;
}

void releaseLock(const std::string& path, OsFile& lock) noexcept {
    if (!lock.isOpen()) return;
#ifndef _WIN32
    // Removed while still locked, so that no other run locks the file being removed.
    ::unlink(path.c_str());
#else
    (void)path;
#endif
    lock.close();
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return !a.empty() && !b.empty() && fs::equivalent(pathFromUtf8(a), pathFromUtf8(b), ec);
}

long processId() {
#ifdef _WIN32
    return static_cast<long>(GetCurrentProcessId());
#else
    return static_cast<long>(::getpid());
#endif
}

}  // namespace tav::platform
