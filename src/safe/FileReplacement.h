#pragma once
// A user's files are never left half written. A new version of a file is written to a
// temporary file beside it (same folder, so on the same disk), flushed to disk, and only
// then renamed over the file in one step: a run that fails, or is killed, leaves the
// file exactly as it was. A temporary file is held by its run while it lives; one that a
// killed run left behind is removed the next time a file is written in that folder.
//
// A device or pipe (/dev/stdout, /dev/full) has no old version to keep: it is written
// directly. A file is reached through a symbolic link only when the user (or the system)
// made the link.
//
// The failures of opening and writing files name the file and the real cause; they are
// raised as the runtime errors the program traps (FileTable's numbers).

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

#include "safe/Platform.h"

namespace tav {

class FileReplacement {
public:
    FileReplacement() = default;
    // Removes the temporary file unless the replacement was committed.
    ~FileReplacement() { abandon(); }
    FileReplacement(FileReplacement&& other) noexcept { *this = std::move(other); }
    FileReplacement& operator=(FileReplacement&& other) noexcept;
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Starts a new version of `target`: checks that the user may write it (raises
    // "Permission denied" otherwise), clears what killed runs left in its folder, and
    // creates the temporary file, empty.
    static FileReplacement begin(const std::string& target);

    bool active() const { return !path_.empty(); }
    // The file as the user named it.
    const std::string& target() const { return target_; }
    // Where the new version is written: the temporary file (or the device itself).
    const std::string& path() const { return path_; }
    // A device or a pipe, written directly.
    bool direct() const { return direct_; }

    // Puts the new version in place of the file; the caller has closed it and flushed it
    // to disk. Raises when the rename fails, and the old file then stays.
    void commit();
    // Drops the new version; the file stays as it was.
    void abandon() noexcept;

private:
    std::string target_;    // as named
    std::string resolved_;  // the file the rename replaces, links followed
    std::string path_;
    platform::OsFile held_;
    bool direct_ = false;
};

// A new version of a file written as a stream of bytes, unchanged.
class ReplacementStream {
public:
    // Begins the replacement (FileReplacement::begin).
    explicit ReplacementStream(const std::string& target);
    // Closes the stream; without commit() the file stays as it was.
    ~ReplacementStream();
    ReplacementStream(const ReplacementStream&) = delete;
    ReplacementStream& operator=(const ReplacementStream&) = delete;

    void write(std::string_view bytes);
    // Flushes the new version to disk and puts it in place.
    void commit();

private:
    FileReplacement replacement_;
    std::FILE* file_ = nullptr;
};

// Replaces a file's contents with the bytes, whole or not at all.
void replaceFileContents(const std::string& path, std::string_view bytes);

// One writer per output file: a lock file beside it, held while a conversion writes it.
// When the process ends, killed or not, the lock is free again.
class OutputLock {
public:
    OutputLock() = default;
    ~OutputLock() { release(); }
    OutputLock(OutputLock&& other) noexcept { *this = std::move(other); }
    OutputLock& operator=(OutputLock&& other) noexcept;
    OutputLock(const OutputLock&) = delete;
    OutputLock& operator=(const OutputLock&) = delete;

    // Takes the lock of `output`; raises, with a message saying who holds it, when another
    // run is writing that file.
    static OutputLock take(const std::string& output);
    void release() noexcept;

private:
    std::string path_;
    platform::OsFile held_;
};

// The runtime errors for a file that the system would not open, and for a write that
// failed (a full disk, a full quota and a file at its size limit each say so), naming
// the file. `error` is an errno value.
[[noreturn]] void raiseOpenError(int error, const std::string& path);
[[noreturn]] void raiseWriteError(int error, const std::string& path);

}  // namespace tav
