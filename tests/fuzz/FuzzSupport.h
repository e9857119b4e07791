#pragma once
// What every fuzz harness shares. A harness treats the core as the program does: a
// fresh ProgramState set up as the screens set it up, files on disk in a scratch
// installation, and the user's answers taken from the fuzzer's bytes through a port.
//
// The same harness code runs under libFuzzer (clang, -DTAV_FUZZ=ON) and, compiled with
// the normal compiler, under the replay driver that ctest runs over the kept corpora.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "safe/UiPort.h"

namespace tav {
struct ProgramState;
}

namespace tav::fuzz {

// The fuzzer's bytes: choices are taken from the front, the rest is file content.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size)
        : bytes_(reinterpret_cast<const char*>(data), size) {}

    // The next byte; 0 once the input is used up.
    std::uint8_t byte();
    // The next eight bytes, least significant first.
    std::uint64_t bits();
    // Everything not yet taken.
    std::string_view rest() const { return bytes_; }

private:
    std::string_view bytes_;
};

// Answers Yes/No boxes from a string of bits, one per box (1 is Yes); once the bits are
// used up, and for every other box, the default button, as Enter gives it. File dialogs
// return dialogPath, or are cancelled when it is empty.
class FuzzPort : public UiPort {
public:
    explicit FuzzPort(std::uint64_t answers = 0) : answers_(answers) {}

    Answer messageBox(const Message& message) override;
    std::optional<std::string> fileDialog(const FileDialog&) override;
    void doEvents() override {}
    ViewerStart startViewer(const std::string&) override { return ViewerStart::NotFound; }

    std::string dialogPath;
    int shown = 0;
    std::string said;  // every message's title and text, one after the other

private:
    std::uint64_t answers_;
    int asked_ = 0;
};

// A scratch installation, made once per process: a copy of the installed data files,
// an empty data folder and a client folder, removed when the process ends.
class Workspace {
public:
    static Workspace& get();

    // Points a fresh state at the scratch folders, as start-up does, with no log left
    // from earlier runs.
    void prepare(ProgramState& st) const;
    // Writes bytes to a file of the client folder and returns its path.
    std::string write(const std::string& name, std::string_view bytes) const;
    std::string clientFile(const std::string& name) const;
    // Removes the logs a run appended to, so that they do not grow from run to run.
    void removeLogs() const;

    std::string install, data, client;

private:
    Workspace();
    ~Workspace();
};

// Stops the process with a message naming the broken rule (and, when replaying, the
// input) when a rule the program keeps does not hold.
void expect(bool holds, std::string_view rule);

// Set by the replay driver: the input being replayed, named in failures.
void setCurrentInput(std::string name);

// Every line of a file the program wrote ends with CR LF and holds no other CR or LF.
void expectWholeLines(const std::string& path);

}  // namespace tav::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
