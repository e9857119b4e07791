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

// The documents folder the data folder goes in: CSIDL_COMMON_DOCUMENTS on Windows (a
// code of 1 means the shell knows the folder but it does not exist). Elsewhere the
// user's own data folder ($XDG_DATA_HOME, else ~/.local/share): a folder every user can
// write to would let one user make another's runs overwrite their files.
struct FolderResult {
    long code = 0;  // 0 on success, else the shell's failure code
    std::string path;
};
FolderResult commonDocumentsFolder();
// Where earlier versions kept the data folder outside Windows, shared by every user:
// "/var/tmp/Public Documents/TAV". Empty on Windows, where the folder has not moved.
std::string earlierSharedDataFolder();

// Creates a folder and any missing parents (SHCreateDirectoryEx on Windows, which
// wants a full path); the result is a system error code: 0 created, 80 or 183 the
// name exists already, anything else a failure. Outside Windows the folders it creates
// are the user's alone (0700), and an existing folder must be a real folder of the
// user's, which it then closes to others (5, access denied, when it is a link or
// belongs to someone else).
long createDirectory(const std::string& path);

// A regular file, not a link, that belongs to the user (outside Windows; always false
// there).
bool isOwnRegularFile(const std::string& path);

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
// Makes large buffers (a block's import lines, a reader's buffer) come from the system
// and go back to it when freed. Left to itself, glibc starts keeping freed large buffers
// in each thread's heap after the first is freed, and a long conversion on several
// threads then holds megabytes it no longer uses. Called once, at start-up.
void returnLargeBuffersToSystem();

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
// "wb", "ab") so that Windows writes CR LF exactly as given, never doubled. A file opened
// for writing is never reached through a symbolic link that belongs to another user
// (errno ELOOP): see followOwnLinks.
std::FILE* openFile(const std::string& path, const char* mode);
// Cuts an open file back to the given length.
void truncateFile(std::FILE* file, std::uint64_t length);
// Moves to a byte offset from the start, beyond 2 GB too; false when that fails.
bool seekFile(std::FILE* file, std::uint64_t offset);

// ---- Writing files whole, one writer at a time ------------------------------------------
// The operating system's errors are errno values here, on Windows too.

// The file a write to `path` reaches: the path itself, or the end of the symbolic links on
// the way when the user or the system made them. Nothing when a link belongs to another
// user, who may have planted it to have the program overwrite a file of this user's.
// (Windows: the path itself; its links need rights ordinary users lack.)
std::optional<std::string> followOwnLinks(const std::string& path);

// An open file of the operating system's own, closed when dropped.
class OsFile {
public:
    OsFile() = default;
    ~OsFile() { close(); }
    OsFile(OsFile&& other) noexcept : native_(other.native_) { other.native_ = kClosed; }
    OsFile& operator=(OsFile&& other) noexcept;
    OsFile(const OsFile&) = delete;
    OsFile& operator=(const OsFile&) = delete;

    bool isOpen() const { return native_ != kClosed; }
    void close() noexcept;
    std::intptr_t native() const { return native_; }
    void adopt(std::intptr_t native) {
        close();
        native_ = native;
    }

private:
    static constexpr std::intptr_t kClosed = -1;
    std::intptr_t native_ = kClosed;
};

// Creates a new file for writing, never over an existing one and never through a link,
// and holds it so that no other run takes it for a leftover (removeIfLeftOver) until it is
// closed. A new file gets the permissions new files get. 0 or an errno value.
int createHeld(const std::string& path, OsFile& held);
// Puts the held file in the place of `to` in one step, and makes that step last on disk;
// the file is no longer held afterwards. 0 or an errno value.
int replaceWithHeld(const std::string& path, OsFile& held, const std::string& to);
// Removes the held file.
void removeHeld(const std::string& path, OsFile& held) noexcept;
// Removes a file that no running program holds (createHeld) and that belongs to the user:
// what a run that was killed left behind. True when it was removed.
bool removeIfLeftOver(const std::string& path);
// Gives a held file the permissions of the existing file `like` (and its owner, where the
// user may give it).
void copyPermissions(const std::string& like, const OsFile& held);

// 0 when the user may write the existing file and no other program holds it against
// writing; else an errno value (EACCES, EPERM, EROFS...).
int checkWritable(const std::string& path);
// Writes an open stream's data through to the disk: 0 or an errno value.
int syncToDisk(std::FILE* file);
// Asks the system to start writing bytes [offset, offset + length) of a flushed stream to
// the disk without waiting for it, so that the writing goes on beside the program's work
// and the sync at the end has little left to wait for. Nothing where there is no such call.
void startWritingToDisk(std::FILE* file, std::uint64_t offset, std::uint64_t length);
// The system's text for an errno value.
std::string errnoText(int error);

// Takes the lock file at `path`, creating it, when no other run holds it; the file then
// holds this process's id. 0, EWOULDBLOCK when another run holds it, or an errno value.
int tryLock(const std::string& path, OsFile& lock);
// The process id written into a lock file another run holds; 0 when unknown.
long lockHolder(const std::string& path);
// Releases a lock taken by tryLock and removes its file.
void releaseLock(const std::string& path, OsFile& lock) noexcept;

// Both paths name one existing file (the same device and file number), links followed.
bool sameFile(const std::string& a, const std::string& b);

// The process's id.
long processId();

}  // namespace tav::platform
