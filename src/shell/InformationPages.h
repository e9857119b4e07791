#pragma once
// The information pages: the Introduction, shown at start-up unless the user turned it
// off, the two instruction pages that lead from the navigator to the tax mapping
// screen, and the please-wait window.

#include <string_view>

namespace tav {

struct ProgramState;

namespace introduction {

inline constexpr std::string_view kModule = "TAVIntroduction.frm";

inline constexpr std::string_view kFirstPara =
    "Tavora v6 helps you to convert your client's transactions (including tax code information "
    "for MAS and 'Accounts') from:\r\n"
    ">  Australian QuickBooks QBi 2011-12 to Australian MYOB MAS, 'Accounts', or Accountant's "
    "Office, OR\r\n"
    ">  New Zealand QuickBooks QBi 2011-12 to New Zealand MYOB MAS or Accountant's Office.\r\n"
    "\r\n"
    "We suggest that you set up a folder for each period for each client, if you have not "
    "already done so, to contain the files required and produced by TAV v6. You should then "
    "follow the instructions on the Preliminary Tasks and Extract Data screens to get "
    "started.\r\n"
    "\r\n"
    "There are sample files in the SampleFiles folder (a sub-folder of the TAV installation "
    "folder) that you can use to practice with or to compare your files with. To use these "
    "files, select the SampleFiles folder as the client folder on the Navigator.";

inline constexpr std::string_view kSecondPara =
    ">  Works with QuickBooks QBi 2011-12.\r\n"
    ">  Automatic account mapping feature.\r\n"
    ">  TAV and TAV Journal Report integrated into QuickBooks QBi 2011-12 Accountant "
    "Editions.\r\n"
    ">  Supports conversion to MYOB Accountant's Office, as well as the latest versions of MAS "
    "and 'Accounts'.\r\n"
    ">  Supports New Zealand versions.\r\n"
    ">  Works on Microsoft Windows XP, Vista (TM) and Windows 7 (TM).\r\n"
    ">  Automated extraction of QuickBooks lists.\r\n"
    ">  Contains Sample files.\r\n"
    ">  Choice of Accountant's Office ledgers, or create your own.";

inline constexpr std::string_view kThirdPara =
    "If you need further Help you can press F1 or select topics from the Help Index.";

// The check box "Don't show this message in the future"; saved at shutdown.
void chkDontShow_Click(ProgramState& st, bool ticked);

}  // namespace introduction

// An instruction page of the installation folder, shown in a browser with Print, Next,
// Back, Cancel and Help.
struct InstructionPage {
    std::string_view module;  // names the window in error reports
    std::string_view caption;
    std::string_view browser;  // the browser control's name
    std::string_view file;     // in the installation folder
};

inline constexpr InstructionPage kPrelimPage{"TAVPrelim.frm", "Preliminary Tasks", "wbrPreliminary",
                                             "Preliminary_Tasks.htm"};
inline constexpr InstructionPage kGetDataPage{"frmGetVADiz6Data.frm",
                                              "Extract Data from QuickBooks", "wbrGetData",
                                              "Extract_Data_Integrated.htm"};

// The please-wait window.
inline constexpr std::string_view kWaitModule = "TAVWaitForm.frm";

}  // namespace tav
