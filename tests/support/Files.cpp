#include "support/Files.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "safe/Platform.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef __linux__
#include <linux/fs.h>
#include <sys/ioctl.h>
#endif

namespace tav::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::random_device rd;
    const fs::path p =
        fs::temp_directory_path() / ("tav-test-" + std::to_string(rd()) + std::to_string(rd()));
    fs::create_directories(p);
    path_ = platform::pathToUtf8(p);
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::permissions(platform::pathFromUtf8(path_), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(platform::pathFromUtf8(path_), ec);
}

std::string TempDir::file(const std::string& name) const { return platform::joinPath(path_, name); }

#ifdef __linux__
namespace {

bool setImmutable(const std::string& path, bool on) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}

}  // namespace
#endif

WriteProtected::WriteProtected(const std::string& path) : path_(path) {
#ifdef _WIN32
    // Others may still read it; nobody may open it for writing.
    const HANDLE h =
        CreateFileW(platform::pathFromUtf8(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        handle_ = h;
        available_ = true;
    }
#else
    if (::geteuid() == 0) {
#ifdef __linux__
        available_ = immutable_ = setImmutable(path, true);
#endif
        return;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return;
    mode_ = st.st_mode & 07777;
    available_ = ::chmod(path.c_str(), mode_ & ~0222u) == 0;
#endif
}

WriteProtected::~WriteProtected() {
#ifdef _WIN32
    if (handle_) CloseHandle(static_cast<HANDLE>(handle_));
#else
#ifdef __linux__
    if (immutable_) setImmutable(path_, false);
#endif
    if (available_ && !immutable_) ::chmod(path_.c_str(), mode_);
#endif
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(platform::pathFromUtf8(path), std::ios::binary);
    if (!out) throw std::runtime_error("cannot write " + path);
    out << bytes;
}

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(platform::pathFromUtf8(folder)))
        names.push_back(platform::pathToUtf8(entry.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> leftoversIn(const std::string& folder) {
    std::vector<std::string> names = namesIn(folder);
    std::erase_if(names,
                  [](const std::string& n) { return n.find(".tavora-") == std::string::npos; });
    return names;
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
