#include "safe/Platform.h"

#include <system_error>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// after windows.h, which they need
#include <io.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#else
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
    return {0, "/var/tmp/Public Documents"};
#endif
}

long createDirectory(const std::string& path) {
#ifdef _WIN32
    return SHCreateDirectoryExW(nullptr, widen(path).c_str(), nullptr);
#else
    std::error_code ec;
    const fs::path p = pathFromUtf8(path);
    if (fs::is_directory(p, ec)) return 183;
    if (fs::exists(p, ec)) return 80;
    // Create each missing level open to every user, as a shared documents folder is.
    fs::path partial;
    for (const fs::path& part : p) {
        partial /= part;
        if (fs::is_directory(partial, ec)) continue;
        if (::mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST) {
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
        ::chmod(partial.c_str(), 0777);
    }
    return 0;
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

std::FILE* openFile(const std::string& path, const char* mode) {
#ifdef _WIN32
    return _wfopen(widen(path).c_str(), widen(mode).c_str());
#else
    return std::fopen(path.c_str(), mode);
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

}  // namespace tav::platform
