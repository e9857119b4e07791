// Disk and file faults during a conversion: each ends the run with the system's message
// and a failure result, and the import file of an earlier run stays as it was.

#include <gtest/gtest.h>

#include <filesystem>

#include "convert/ConvertFixture.h"
#include "safe/ErrorLog.h"
#include "safe/Platform.h"
#include "safe/SafeMethods.h"
#include "support/Resources.h"
#include "support/Results.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace tav::test {
namespace {

class FileFault : public ConvertFixture {
protected:
    FileFault() {
        mapStandard();
        writeReport(report({
            "1|Cheque|1/07/2011|C1|Cafe|Beans||1-1100 · Cheque Account||-110.00|",
            "||||Cafe|Beans||6-1000 · Freight|GST|100.00|10.00",
            "|||||||||-110.00|",
            "TOTAL|||||||||0|",
        }));
    }

    // The innermost failure, as the Error Report box shows it.
    static std::string shown(const Sem& e) {
        const std::string text = errorReportText(e);
        return text.substr(text.find("Error Code: "));
    }
};

TEST_F(FileFault, AnImportFileOnAFullDiskFailsWithDiskFull) {
#ifdef __linux__
    st.gstrOutputFile = "/dev/full";  // a device is written directly
    const Sem e = sfReadCreateWriteHeader(st, ui, run);
    EXPECT_EQ(e,
              "modConvert.bas\tsfReadCreateWriteHeader\t61\tDisk full: there is no space left on "
              "the disk that holds '/dev/full'.\r\n");
    EXPECT_EQ(shown(e),
              "Error Code: 61\r\nDescription: Disk full: there is no space left on the disk "
              "that holds '/dev/full'.\r\nDisk full");
    EXPECT_FALSE(st.files.isOpen(kReportFile) || st.files.isOpen(kImportFile));
#else
    GTEST_SKIP() << "needs a device that is always full, which only Linux has";
#endif
}

TEST_F(FileFault, ADiskFillingUpDuringTheConversionLeavesThePreviousImportFile) {
    if (!FileSizeLimit(1 << 30).available())
        GTEST_SKIP() << "needs a file size limit, which Windows lacks";
    ASSERT_EQ(sfReadCreateWriteHeader(st, ui, run), "");
    const std::string rows = cheques(5000);
    writeReport(rows);  // far more than one block of the import file
    Sem e;
    {
        const FileSizeLimit disk(1000);
        e = sfReadConvertAppend(st, ui, run);
    }
    EXPECT_EQ(lastDescription(e), "Error converting transaction to MAS");
    EXPECT_EQ(shown(e), "Error Code: 61\r\nDescription: Disk full: '" + st.gstrOutputFile +
                            "' has reached the largest size a file may have here.\r\nDisk full");
    EXPECT_TRUE(previousImportKept());
}

TEST_F(FileFault, ADiskFillingUpIsToldAtTheSameReportLineWhateverTheThreads) {
    if (!FileSizeLimit(1 << 30).available())
        GTEST_SKIP() << "needs a file size limit, which Windows lacks";
    writeReport(cheques(5000));
    // The failure, and the report line a message about it names.
    auto fillUp = [&](unsigned threads) {
        st.reading = {threads, 4096};
        run = ConversionRun{};
        EXPECT_EQ(sfReadCreateWriteHeader(st, ui, run), "");
        Sem e;
        {
            const FileSizeLimit disk(400000);  // the import file's second block fails
            e = sfReadConvertAppend(st, ui, run);
        }
        return e + " at line " + std::to_string(run.reportLine) + ", byte " +
               std::to_string(run.reportLineOffset);
    };
    const std::string one = fillUp(1);
    EXPECT_NE(one.find("\t61\tDisk full"), std::string::npos) << one;
    EXPECT_EQ(one.find(" at line 0,"), std::string::npos) << one;
    for (unsigned threads : {2u, 8u}) EXPECT_EQ(fillUp(threads), one) << threads << " threads";
}

TEST_F(FileFault, AReadOnlyImportFileAsksRetryOrCancelAndStaysAsItWas) {
    const WriteProtected readOnly(st.gstrOutputFile);
    if (!readOnly.available()) GTEST_SKIP() << "the file cannot be made read-only here";
    ui.answers = {Answer::Retry, Answer::Cancel};
    const Sem e = sfReadCreateWriteHeader(st, ui, run);
    EXPECT_EQ(e, "SafeMethods.bas\tsfOpenFile\t70\tPermission denied: '" + st.gstrOutputFile +
                     "'\r\nmodConvert.bas\tsfReadCreateWriteHeader\t0\tError opening output "
                     "file\r\n");
    ASSERT_EQ(ui.titles(), (std::vector<std::string>{"Error opening file", "Error opening file"}));
    EXPECT_EQ(ui.messages[0].buttons, Buttons::RetryCancel);
    EXPECT_EQ(ui.messages[0].defaultButton, DefaultButton::Second);
    EXPECT_TRUE(previousImportKept());
}

TEST_F(FileFault, AKilledConversionLeavesThePreviousImportFileAndHoldsOffNoOneAfterIt) {
#ifdef _WIN32
    GTEST_SKIP() << "starts the conversion in a child process with fork()";
#else
    const std::string rows = cheques(2000);
    writeReport(rows);
    int converting[2];
    ASSERT_EQ(::pipe(converting), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Tells the test when the transactions are being converted, then waits to be killed.
        struct Port : ScriptedPort {
            int fd = -1;
            void doEvents() override {
                if (::write(fd, "c", 1) == 1) ::pause();
            }
        } port;
        port.fd = converting[1];
        if (sfReadCreateWriteHeader(st, port, run).empty()) sfReadConvertAppend(st, port, run);
        ::_exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(converting[0], &c, 1), 1);

    // A second run on the same import file meanwhile is refused, and changes nothing.
    ConversionRun second;
    const Sem refused = sfReadCreateWriteHeader(st, ui, second);
    EXPECT_EQ(refused,
              "modConvert.bas\tsfReadCreateWriteHeader\t0\tAnother conversion is "
              "writing the import file '" +
                  st.gstrOutputFile + "' (process " + std::to_string(child) +
                  "). Wait until it has finished, then convert again.\r\n"
                  "modConvert.bas\tsfReadCreateWriteHeader\t0\tError opening output "
                  "file\r\n");
    EXPECT_TRUE(previousImportKept());

    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(converting[0]);
    ::close(converting[1]);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_TRUE(previousImportKept());
    EXPECT_EQ(leftoversIn(dir.path()).size(), 2u);  // its new version and its lock

    // The next run converts, and clears up after the killed one.
    EXPECT_EQ(convert(), "");
    EXPECT_EQ(vbSplit(output(), "\r\n").size(), 1u + 2 * 2000 + 1);
#endif
}

TEST_F(FileFault, AReportDeletedAfterTheHeaderPassIsAskedForThenReported) {
    ASSERT_EQ(sfReadCreateWriteHeader(st, ui, run), "");
    std::filesystem::remove(platform::pathFromUtf8(st.gstrJournalFile));
    const Sem e = sfReadConvertAppend(st, ui, run);
    EXPECT_EQ(e,
              "SafeMethods.bas\tsfOpenFile\t0\tFile to open not found at given path\r\n"
              "modConvert.bas\tsfReadConvertAppend\t0\tError opening QuickBooks Journal Report "
              "file\r\n");
    EXPECT_EQ(ui.titles(), std::vector<std::string>{"File not found"});
    EXPECT_TRUE(previousImportKept());
}

}  // namespace
}  // namespace tav::test
