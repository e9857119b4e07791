#include "shell/modMDIMain.h"

#include <filesystem>
#include <string>

#include "safe/ErrorLog.h"
#include "safe/Platform.h"
#include "safe/SafeMethods.h"
#include "safe/Values.h"
#include "shell/Help.h"
#include "shell/IniFileComponent.h"
#include "shell/ProgramState.h"
#include "shell/Targets.h"

namespace tav {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kForm = "TAVMDIfrmMain.frm";
constexpr std::string_view kDefaultVersion = "19.0\\";

std::string iniPath(const ProgramState& st) {
    return platform::joinPath(st.installFolder, "TAV.ini");
}

void fatal(UiPort& ui, const std::string& text) {
    ui.messageBox(Message{text, Buttons::OK, Icon::None, DefaultButton::First, kAppTitle});
}

// Reads the settings, each problem logged and replaced by a default.
class SettingsReader {
public:
    SettingsReader(ProgramState& st, UiPort& ui) : st_(st), ui_(ui), path_(iniPath(st)) {}

    void readAll() {
        readIntroScreen();
        readVersion();
        readWholeNumber("SourceApp", "Edition", 0, 1, 1, st_.gintQBEdition,
                        "Error loading QuickBooks edition preference from ini file. The default "
                        "edition, Premier-Accountant, has been chosen.",
                        "Null QuickBooks edition preference in ini file. The default edition, "
                        "Premier-Accountant, has been chosen.",
                        "Invalid QuickBooks edition preference in ini file. The default edition, "
                        "Premier-Accountant, has been chosen.");
        readWholeNumber("TargetApp", "TargetApplication", 0, 4, 0, st_.gintTargetApp,
                        "Error loading target application preference from ini file. The default "
                        "MYOB application, MAS, has been chosen.",
                        "Null target application preference in ini file. The default MYOB "
                        "application, MAS, has been chosen.",
                        "Invalid target application preference in ini file. The default MYOB "
                        "application, MAS, has been chosen.");
        readClientFolder();
        readExistingPath("SourceApp", "CompanyFile", st_.gstrCompanyFile,
                         "An error occurred loading the QuickBooks Company File information from "
                         "the ini file. ",
                         "An error occurred checking the QuickBooks Company File path in the ini "
                         "file. ");
        readLedgerNumber();
        readExistingPath("TargetApp", "CustomisedLedgerPath", st_.gstrCustomisedLedgerPath,
                         "An error occurred loading the customised ledger path information from "
                         "the ini file. ",
                         "An error occurred checking the customised ledger path in the ini file. ");
    }

private:
    // The value text; error is the component's error text, empty when the read worked.
    std::string read(const std::string& section, const std::string& key, std::string& error) {
        std::string value;
        error = ini_.ReadValue(section, key, value, path_);
        section_ = section;
        key_ = key;
        return value;
    }

    // A problem with the value read last, shown with the line that holds it.
    void report(std::string_view description, std::string_view details = {}) {
        if (const auto line = ini_.KeyLine(section_, key_, path_))
            st_.files.setStoppedReading({path_, line->first, line->second});
        dsCreateSEMAndDoAll(st_, ui_, kForm, "MDIForm_Load()", 0, description, details, true);
        st_.files.forgetStoppedReading();
    }

    void readIntroScreen() {
        std::string error;
        const std::string v = read("General", "IntroScreen", error);
        st_.gblnShowIntro = false;
        if (!error.empty()) {
            report(
                "Error loading Intro screen preference from ini file. Check that the file "
                "TAV.ini exists in the TAV installation directory. If it doesn't, re-install "
                "the TAV program.",
                error);
        } else if (v == "True") {
            st_.gblnShowIntro = true;
        } else if (v != "False") {
            report("Invalid Intro screen value in ini file");
        }
    }

    void readVersion() {
        std::string error;
        const std::string v = read("SourceApp", "Version", error);
        if (!error.empty()) {
            st_.gstrQBVersion = kDefaultVersion;
            report(
                "Error loading QuickBooks version from ini file. The default version, 2011-12, "
                "has been chosen. Re-installing TAV may fix this problem.",
                error);
        }
        if (v.empty()) {
            st_.gstrQBVersion = kDefaultVersion;
            report(
                "The QuickBooks version in the ini file is blank. The default version, "
                "2011-12, has been chosen. Re-installing TAV should fix this problem.");
        } else {
            st_.gstrQBVersion = v;
        }
    }

    void readWholeNumber(const std::string& section, const std::string& key, int low, int high,
                         std::int16_t fallback, std::int16_t& out, std::string_view readError,
                         std::string_view empty, std::string_view invalid) {
        std::string error;
        const std::string v = read(section, key, error);
        if (!error.empty()) {
            out = fallback;
            report(readError, error);
        }
        if (v.empty()) {
            out = fallback;
            report(empty);
            return;
        }
        const std::optional<Decimal> d = parseDecimal(v);
        if (!d) return;  // not a number: the value stays as it was, nothing is logged
        if (compare(*d, low) >= 0 && compare(*d, high) <= 0) {
            out = SafeInteger(v);
        } else {
            out = fallback;
            report(invalid);
        }
    }

    void readClientFolder() {
        std::string error;
        const std::string v = read("General", "ClientFolder", error);
        if (!error.empty()) {
            st_.gstrClientFolder = st_.installFolder;
            report(
                "An error occurred loading the Client Folder information from ini file. The "
                "default Client Folder has been temporarily set to the TAV installation path.",
                error);
        }
        long exists = 0;
        const Sem check = sfDoesPathExist(v, exists);
        if (!check.empty()) {
            st_.gstrClientFolder = st_.installFolder;
            report(
                "An error occurred checking the Client Folder path in the ini file. The default "
                "Client Folder has been temporarily set to the TAV installation path.",
                check);
        }
        if (check.empty() && exists) {
            st_.gstrClientFolder = v;
            return;
        }
        st_.gstrClientFolder = st_.installFolder;
        ui_.messageBox(Message{
            "The previous Client Folder no longer exists or has been moved. The "
            "default Client Folder on the TAV Navigator has been temporarily set "
            "to the TAV installation path.",
            Buttons::OK, Icon::None, DefaultButton::First, "Previous Client Folder not found."});
    }

    // A file path kept only while the file exists.
    void readExistingPath(const std::string& section, const std::string& key, std::string& out,
                          std::string_view readError, std::string_view checkError) {
        std::string error;
        const std::string v = read(section, key, error);
        if (!error.empty()) report(readError, error);
        if (v.empty()) return;
        long exists = 0;
        const Sem check = sfDoesPathExist(v, exists);
        if (!check.empty())
            report(checkError, check);
        else if (exists)
            out = v;
    }

    void readLedgerNumber() {
        // The default ledger depends on the target already read.
        const std::int32_t fallback =
            defaultLedgerNumber(st_.gintTargetApp).value_or(st_.glngLedgerNumber);
        std::string error;
        const std::string v = read("TargetApp", "LedgerNumber", error);
        if (!error.empty()) {
            st_.glngLedgerNumber = fallback;
            report(
                "Error loading target ledger preference from ini file. The default ledger has "
                "been chosen.",
                error);
        }
        if (v.empty()) {
            st_.glngLedgerNumber = fallback;
        } else if (isNumeric(v)) {
            st_.glngLedgerNumber = SafeLong(v);
        } else {
            st_.glngLedgerNumber = fallback;
            report(
                "Invalid target ledger number preference in ini file. The default ledger has "
                "been chosen.");
        }
    }

    ProgramState& st_;
    UiPort& ui_;
    IniFileComponent ini_;
    std::string path_;
    std::string section_, key_;  // of the value read last
};

}  // namespace

void moveFromEarlierDataFolder(const std::string& earlier, const std::string& dataFolder) {
    if (earlier.empty()) return;
    for (const char* name : {"CofA.iif", "TaxCodes.iif", "TAV.log"}) {
        const std::string from = platform::joinPath(earlier, name);
        if (!platform::isOwnRegularFile(from)) continue;
        const fs::path source = platform::pathFromUtf8(from);
        const fs::path target = platform::pathFromUtf8(platform::joinPath(dataFolder, name));
        std::error_code ec;
        if (fs::exists(target, ec)) continue;
        fs::rename(source, target, ec);
        // Another disk: copied, then removed.
        if (ec && fs::copy_file(source, target, ec)) fs::remove(source, ec);
    }
}

Sem sfInitModVars(ProgramState& st) {
    st.gstrJournalFile.clear();
    return {};
}

StartupOutcome MDIForm_Load(ProgramState& st, UiPort& ui) {
    try {
        IniFileComponent ini;

        std::string common;
        if (st.commonDocumentsFolder) {
            common = *st.commonDocumentsFolder;
        } else if (const Sem e = sfSHGetFolderPath(kCsidlCommonDocuments, common); !e.empty()) {
            fatal(ui, std::string(kForm) +
                          "\r\nMDIForm_Load\r\nError determining common 'Documents and Settings' "
                          "folder.\r\nThis problem must be fixed before this application will run. "
                          "This application will now close.\r\nError Details: " +
                          e);
            return StartupOutcome::Fatal;
        }

        const std::string dataFolder = platform::joinPath(common, "TAV");
        const long created = platform::createDirectory(dataFolder);
        if (created != 0 && created != 80 && created != 183) {
            fatal(ui, std::string(kForm) +
                          "\r\nMDIForm_Load\r\nAn error occurred creating an TAV folder in the "
                          "common 'Documents and Settings' folder.\r\nThis problem must be fixed "
                          "before this application will run. This application will now close.");
            return StartupOutcome::Fatal;
        }

        if (created == 0 && !st.commonDocumentsFolder)
            moveFromEarlierDataFolder(platform::earlierSharedDataFolder(), dataFolder);

        st.gstrDataFolder = dataFolder;
        st.gstrChartOfAccountsFile = platform::joinPath(dataFolder, "CofA.iif");
        st.gstrTaxCodeListFile = platform::joinPath(dataFolder, "TaxCodes.iif");

        if (const std::string e = ini.SetErrorLog(platform::joinPath(dataFolder, "TAV.log"));
            !e.empty()) {
            ui.messageBox(
                Message{std::string(kForm) +
                        "\r\nMDIForm_Load\r\nCalling sub-routine\r\nError Details: " + e});
            return StartupOutcome::Stopped;
        }

        if (const Sem e = sfInitModVars(st); !e.empty()) {
            dsCreateSEMAndDoAll(st, ui, kForm, "MDIForm_Load", 0,
                                "Error initialising module variables", e, true);
            return StartupOutcome::Stopped;
        }

        SettingsReader(st, ui).readAll();

        st.helpFile = installedHelpFile(st);
        return StartupOutcome::Complete;
    } catch (...) {
        dsReportException(st, ui, kForm, "MDIForm_Load");
        return StartupOutcome::Stopped;
    }
}

void MDIForm_Unload(ProgramState& st, UiPort& ui) {
    try {
        IniFileComponent ini;
        const std::string path = iniPath(st);
        auto write = [&](const char* section, const char* key, const std::string& value,
                         std::string_view failure) {
            if (const std::string e = ini.WriteValue(section, key, value, path); !e.empty())
                dsCreateSEMAndDoAll(st, ui, kForm, "MDIForm_Unload", 0, failure, e, true);
        };
        write("General", "IntroScreen", st.gblnShowIntro ? "True" : "False",
              "Error saving Introduction screen preference to ini file");
        write("SourceApp", "Edition", std::to_string(st.gintQBEdition),
              "Error saving QuickBooks edition used to ini file");
        write("TargetApp", "TargetApplication", std::to_string(st.gintTargetApp),
              "Error saving target application used to ini file");
        write("General", "ClientFolder", st.gstrClientFolder,
              "Error saving Client Folder used to ini file");
        write("SourceApp", "CompanyFile", st.gstrCompanyFile,
              "Error saving source Company File used to ini file");
        write("TargetApp", "LedgerNumber", std::to_string(st.glngLedgerNumber),
              "Error saving target ledger information to ini file");
        write("TargetApp", "CustomisedLedgerPath", st.gstrCustomisedLedgerPath,
              "Error saving target ledger path to ini file");
    } catch (...) {
        dsReportException(st, ui, kForm, "MDIForm_Unload");
    }
}

}  // namespace tav
