#pragma once
// The few things the program asks of the operating system, Windows and elsewhere.
// Paths are UTF-8 text in the platform's own form (backslashes on Windows).

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tav::platform {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

std::filesystem::path pathFromUtf8(const std::string& path);
std::string pathToUtf8(const std::filesystem::path& path);

// folder + separator + name; no separator is doubled after a root such as "C:\" or "/"
// (on Windows a folder ending in "/" counts as ended too).
std::string joinPath(const std::string& folder, const std::string& name);
// The fallback client folder: "C:\" on Windows, "/" elsewhere.
std::string rootFolder();
// Replaces backslashes by the platform's separator (installed file names are written
// with backslashes).
std::string nativeSeparators(std::string path);

// The folder shared by all users for documents: CSIDL_COMMON_DOCUMENTS on Windows
// (a code of 1 means the shell knows the folder but it does not exist).
// Elsewhere "/var/tmp/Public Documents", which every user can write to.
struct FolderResult {
    long code = 0;  // 0 on success, else the shell's failure code
    std::string path;
};
FolderResult commonDocumentsFolder();

// Creates a folder and any missing parents (SHCreateDirectoryEx on Windows, which
// wants a full path); the result is a system error code: 0 created, 80 or 183 the
// name exists already, anything else a failure.
long createDirectory(const std::string& path);

// The file or folder exists.
bool pathExists(const std::string& path);
bool fileExists(const std::string& path);

// The short (8.3) form of an existing path on Windows; the path itself elsewhere.
// Nothing for a path that does not exist.
std::optional<std::string> shortPathName(const std::string& path);

// The folder that holds the running executable.
std::string executableFolder();

// The program's arguments as UTF-8, the program's name first. Windows hands a
// console program its arguments in the ANSI code page, which cannot hold every
// folder name, so there they are read again from the wide command line.
std::vector<std::string> commandLineArguments(int argc, char** argv);
// Makes a Windows console show the UTF-8 the program prints.
void useUtf8Console();

// The local calendar time of a moment (thread-safe on both platforms).
std::tm localTime(std::time_t moment);

std::string currentDirectory();
bool setCurrentDirectory(const std::string& path);

// Puts the current directory back as it was when the keeper was made, at restore() or
// at the end of its scope, whichever comes first: a file dialog may move it, and every
// way out of an action must undo that.
class CurrentDirectoryKeeper {
public:
    CurrentDirectoryKeeper() : directory_(currentDirectory()) {}
    ~CurrentDirectoryKeeper() { restore(); }
    CurrentDirectoryKeeper(const CurrentDirectoryKeeper&) = delete;
    CurrentDirectoryKeeper& operator=(const CurrentDirectoryKeeper&) = delete;
    void restore() noexcept {
        if (restored_) return;
        restored_ = true;
        try {
            setCurrentDirectory(directory_);
        } catch (...) {
            // Nothing better to do: the action itself has done its work or failed.
        }
    }

private:
    std::string directory_;
    bool restored_ = false;
};

// fopen for a UTF-8 path; errno is set on failure. Callers pass binary modes ("rb",
// "wb", "ab") so that Windows writes CR LF exactly as given, never doubled.
std::FILE* openFile(const std::string& path, const char* mode);
// Cuts an open file back to the given length.
void truncateFile(std::FILE* file, std::uint64_t length);

}  // namespace tav::platform
