#include "fuzz/FuzzSupport.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "safe/Platform.h"
#include "shell/ProgramState.h"

namespace tav::fuzz {

namespace fs = std::filesystem;

namespace {

std::string& currentInput() {
    static std::string name;
    return name;
}

}  // namespace

std::uint8_t FuzzInput::byte() {
    if (bytes_.empty()) return 0;
    const auto b = static_cast<std::uint8_t>(bytes_.front());
    bytes_.remove_prefix(1);
    return b;
}

std::uint64_t FuzzInput::bits() {
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= static_cast<std::uint64_t>(byte()) << (8 * i);
    return v;
}

Answer FuzzPort::messageBox(const Message& message) {
    ++shown;
    expect(!message.text.empty(), "a message box says something");
    said += message.title + "\n" + message.text + "\n";
    if (message.buttons == Buttons::YesNo && asked_ < 64)
        return (answers_ >> asked_++) & 1 ? Answer::Yes : Answer::No;
    // Retry is never pressed: the file it waits for would never come.
    return defaultAnswer(message);
}

std::optional<std::string> FuzzPort::fileDialog(const FileDialog&) {
    if (dialogPath.empty()) return std::nullopt;
    return dialogPath;
}

Workspace& Workspace::get() {
    static Workspace workspace;
    return workspace;
}

Workspace::Workspace() {
    // In memory where the system has a memory file system: every input writes, renames and
    // flushes files, which on a disk would cost more than the parsing.
    std::error_code ec;
    const fs::path base =
        fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
    // A fuzzer stopped by a crash or a signal leaves its workspace; clear those whose
    // process is gone, so that long rounds do not fill the memory file system.
    for (const auto& entry : fs::directory_iterator(base, ec)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with("tav-fuzz-")) continue;
        const long pid = std::strtol(name.c_str() + 9, nullptr, 10);
        if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            fs::remove_all(entry.path(), ec);
    }
    const fs::path root = base / ("tav-fuzz-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "common" / "TAV");
    fs::create_directories(root / "client");
    fs::copy(TAV_INSTALL_SOURCE_DIR, root / "install", fs::copy_options::recursive);
    install = platform::pathToUtf8(root / "install");
    data = platform::pathToUtf8(root / "common" / "TAV");
    client = platform::pathToUtf8(root / "client");
}

Workspace::~Workspace() {
    std::error_code ec;
    fs::remove_all(fs::path(install).parent_path(), ec);
}

void Workspace::prepare(ProgramState& st) const {
    removeLogs();
    st.installFolder = install;
    st.commonDocumentsFolder = platform::pathToUtf8(fs::path(data).parent_path());
    st.gstrDataFolder = data;
    st.gstrChartOfAccountsFile = platform::joinPath(data, "CofA.iif");
    st.gstrTaxCodeListFile = platform::joinPath(data, "TaxCodes.iif");
    st.gstrClientFolder = client;
    st.gstrQBVersion = "19.0\\";
    st.gintQBEdition = 1;
}

std::string Workspace::write(const std::string& name, std::string_view bytes) const {
    const std::string path = clientFile(name);
    std::ofstream out(platform::pathFromUtf8(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    expect(static_cast<bool>(out), "the harness can write its input file");
    return path;
}

std::string Workspace::clientFile(const std::string& name) const {
    return platform::joinPath(client, name);
}

void Workspace::removeLogs() const {
    std::error_code ec;
    fs::remove(platform::pathFromUtf8(platform::joinPath(data, "TAV.log")), ec);
    fs::remove(platform::pathFromUtf8(platform::joinPath(install, "TAV.log")), ec);
}

void setCurrentInput(std::string name) { currentInput() = std::move(name); }

void expect(bool holds, std::string_view rule) {
    if (holds) return;
    std::fprintf(stderr, "Broken rule: %.*s\n", static_cast<int>(rule.size()), rule.data());
    if (!currentInput().empty()) std::fprintf(stderr, "Input: %s\n", currentInput().c_str());
    std::abort();
}

void expectWholeLines(const std::string& path) {
    std::ifstream in(platform::pathFromUtf8(path), std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    expect(bytes.empty() || bytes.ends_with("\r\n"), "a written file ends with a whole line");
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r')
            expect(i + 1 < bytes.size() && bytes[i + 1] == '\n', "CR only before LF");
        if (bytes[i] == '\n') expect(i > 0 && bytes[i - 1] == '\r', "LF only after CR");
    }
}

}  // namespace tav::fuzz
