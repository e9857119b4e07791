#include "support/Files.h"

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "safe/Platform.h"

namespace tav::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::random_device rd;
    const fs::path p = fs::temp_directory_path() / ("tav-test-" + std::to_string(rd()) + std::to_string(rd()));
    fs::create_directories(p);
    path_ = platform::pathToUtf8(p);
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::permissions(platform::pathFromUtf8(path_), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(platform::pathFromUtf8(path_), ec);
}

std::string TempDir::file(const std::string& name) const { return platform::joinPath(path_, name); }

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(platform::pathFromUtf8(path), std::ios::binary);
    if (!out) throw std::runtime_error("cannot write " + path);
    out << bytes;
}

std::string readFile(const std::string& path) {
    std::ifstream in(platform::pathFromUtf8(path), std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string crlf(std::initializer_list<std::string> lines) {
    std::string out;
    for (const std::string& l : lines) out += l + "\r\n";
    return out;
}

}  // namespace tav::test
