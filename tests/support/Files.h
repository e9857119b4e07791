#pragma once
// Temporary folders and whole-file reads and writes for tests.

#include <filesystem>
#include <string>

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

void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);

// The lines joined with CR LF, each line ended.
std::string crlf(std::initializer_list<std::string> lines);

}  // namespace tav::test
