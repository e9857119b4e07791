#include "shell/TAVHelpAbout.h"

#include <fmt/format.h>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstring>

#include "safe/Platform.h"
#endif

namespace tav::about {

namespace {

#ifdef _WIN32
// Reads a registry value: a string without its terminating NUL, or a 32-bit number as
// decimal text. False, with an empty value, when the key or the value cannot be read.
bool GetKeyValue(HKEY root, const char* keyName, const char* valueName, std::string& value) {
    value.clear();
    HKEY key = nullptr;
    // Standard read rights plus all key-specific rights.
    constexpr REGSAM kAccess = 0x2003F;
    if (RegOpenKeyExA(root, keyName, 0, kAccess, &key) != ERROR_SUCCESS) return false;
    char buffer[1024] = {};
    DWORD type = 0;
    DWORD size = sizeof buffer;
    const LONG read =
        RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS) return false;
    if (type == REG_SZ) {
        value.assign(buffer, size);
        if (!value.empty() && value.back() == '\0') value.pop_back();
    } else if (type == REG_DWORD && size >= sizeof(DWORD)) {
        DWORD number = 0;
        std::memcpy(&number, buffer, sizeof number);
        value = std::to_string(number);
    }
    return true;
}
#endif

}  // namespace

std::string caption() { return fmt::format("About {}", kAppTitle); }

std::string version() {
    return fmt::format("Version {}.{}.{}", TAV_VERSION_MAJOR, TAV_VERSION_MINOR, TAV_VERSION_PATCH);
}

void StartSysInfo(UiPort& ui) {
#ifdef _WIN32
    std::string path;
    if (GetKeyValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH",
                    path) &&
        ui.startProgram(path, {}))
        return;
    if (GetKeyValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO",
                    path)) {
        const std::string tool = platform::joinPath(path, "MSINFO32.EXE");
        if (platform::fileExists(tool) && ui.startProgram(tool, {})) return;
    }
#else
    // The desktops' own system information tools, where one is installed.
    for (const char* tool : {"hardinfo", "kinfocenter"})
        if (ui.startProgram(tool, {})) return;
#endif
    ui.messageBox(Message{"System Information Is Unavailable At This Time"});
}

}  // namespace tav::about
