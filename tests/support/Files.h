#pragma once
// Temporary folders and whole-file reads and writes for tests.

#include <filesystem>
#include <string>
#include <vector>

namespace tav::test {

// A fresh folder, removed with everything in it when the test ends.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // path()/name
    std::string file(const std::string& name) const;

private:
    std::string path_;
};

// Makes a file (or, outside Windows, a folder) refuse writing until the end of the
// test. Permissions stop other users; root is stopped by the immutable flag; on
// Windows the file is held open, shared for reading only, as a program showing it would.
// available() is false where none of these can be had; such a test skips.
class WriteProtected {
public:
    explicit WriteProtected(const std::string& path);
    ~WriteProtected();
    WriteProtected(const WriteProtected&) = delete;
    WriteProtected& operator=(const WriteProtected&) = delete;

    bool available() const { return available_; }

private:
    std::string path_;
    bool available_ = false;
    bool immutable_ = false;
    unsigned mode_ = 0;
    void* handle_ = nullptr;
};

void writeFile(const std::string& path, const std::string& bytes);
// The names of the files in a folder, sorted.
std::vector<std::string> namesIn(const std::string& folder);
// Those a run writing files whole left behind: temporary files and lock files.
std::vector<std::string> leftoversIn(const std::string& folder);
std::string readFile(const std::string& path);

// The lines joined with CR LF, each line ended.
std::string crlf(std::initializer_list<std::string> lines);

}  // namespace tav::test
