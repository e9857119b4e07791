#pragma once
// The About box: the program's title, version and legal notice, and the way to the
// operating system's System Information tool.

#include <string>
#include <string_view>

#include "safe/UiPort.h"

namespace tav::about {

inline constexpr std::string_view kModule = "TAVHelpAbout.frm";

inline constexpr std::string_view kLegalNotice =
    "Tavora converts the transactions of a QuickBooks QBi company file into import files for "
    "MYOB MAS, MYOB 'Accounts' and MYOB Accountant's Office.\n\n"
    "Copyright \xC2\xA9 The Tavora developers. All rights reserved. This program is licensed, "
    "not sold, to accounting practices for converting their clients' data. It is provided as "
    "is, without warranty of any kind; check every converted file before you rely on it.\n\n"
    "QuickBooks is a trademark of Intuit Inc. MYOB, MAS and Accountant's Office are trademarks "
    "of MYOB Technology Pty Ltd. Tavora is not made, endorsed or supported by either company.";

// "About Tavora"
std::string caption();
// "Version 6.0.1", from the build's version numbers.
std::string version();

// Starts the System Information tool as a separate process, or says that there is none.
void StartSysInfo(UiPort& ui);

}  // namespace tav::about
