#pragma once
// tav-convert: one conversion without windows. The command builds the program state
// along the same road as a user of the wizard, by calling the screens' own routines in
// the same order, with its options standing in for the user's choices.

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace tav::cli {

enum ExitCode : int {
    kConverted = 0,
    kUsage = 1,       // the options are wrong; nothing was done
    kFailed = 2,      // the system's Error Report (or another message) said why
    kStopped = 3,     // No at a data-error prompt; what was converted before it stays
    kIncomplete = 4,  // a mapping the target needs is incomplete; the unmapped are listed
    kDiffers = 5,     // converted, but the import file does not match the report
    kCutShort = 6,    // converted, but the report ends without its TOTAL line
};

struct Environment {
    std::string installFolder;
    std::optional<std::string> commonDocumentsFolder;  // unset: the platform's
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    bool interactive = false;  // a person answers on `in`: data errors are asked by default
    bool progressBar = false;  // `err` is a terminal
    // The report is converted in the same reading as the tax mapping screen's scan when
    // the outcome can be foreseen; off, it is read twice (what the one reading must equal).
    bool oneReading = true;
};

// Runs the command (the program's name first among the arguments); returns its exit code.
int runBatch(const std::vector<std::string>& args, const Environment& env);

}  // namespace tav::cli
