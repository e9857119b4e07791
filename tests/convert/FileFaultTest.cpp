// Disk and file faults during a conversion: each ends the run with the system's message
// and a failure result, and the import file keeps only whole lines.

#include <gtest/gtest.h>

#include <filesystem>

#include "convert/ConvertFixture.h"
#include "safe/ErrorLog.h"
#include "safe/Platform.h"
#include "support/Resources.h"
#include "support/Results.h"

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

    static constexpr const char* kHeader = "\"V\" \",\" Conv. from Journal on 01/07/2011\r\n";
};

TEST_F(FileFault, AnImportFileOnAFullDiskFailsWithDiskFull) {
#ifdef __linux__
    st.gstrOutputFile = "/dev/full";
    const Sem e = sfReadCreateWriteHeader(st, ui, run);
    EXPECT_EQ(e, "modConvert.bas\tsfReadCreateWriteHeader\t61\tDisk full\r\n");
    EXPECT_EQ(shown(e), "Error Code: 61\r\nDescription: Disk full\r\nDisk full");
    EXPECT_FALSE(st.files.isOpen(kReportFile) || st.files.isOpen(kImportFile));
#else
    GTEST_SKIP() << "needs a device that is always full, which only Linux has";
#endif
}

TEST_F(FileFault, ADiskFillingUpDuringTheConversionLeavesTheWholeLinesWritten) {
    ASSERT_EQ(sfReadCreateWriteHeader(st, ui, run), "");
    std::string rows = report({});
    for (int t = 1; t <= 5000; ++t)
        rows += std::to_string(t) +
                "\tCheque\t1/07/2011\tC1\tCafe\tBeans\t\t1-1100 · Cheque Account\t\t-110.00\t\r\n"
                "\t\t\t\tCafe\tBeans\t\t6-1000 · Freight\tGST\t100.00\t10.00\r\n"
                "\t\t\t\t\t\t\t\t\t-110.00\t\r\n";
    writeReport(rows);  // far more than one block of the import file
    Sem e;
    {
        const FileSizeLimit disk(std::filesystem::file_size(st.gstrOutputFile) + 100);
        if (!disk.available()) GTEST_SKIP() << "needs a file size limit, which Windows lacks";
        e = sfReadConvertAppend(st, ui, run);
    }
    EXPECT_EQ(lastDescription(e), "Error converting transaction to MAS");
    EXPECT_EQ(shown(e), "Error Code: 61\r\nDescription: Disk full\r\nDisk full");
    EXPECT_EQ(output(), kHeader);  // the lines that did not fit are gone whole
}

TEST_F(FileFault, AReadOnlyImportFileAsksRetryOrCancelAndStaysAsItWas) {
    writeFile(st.gstrOutputFile, "kept\r\n");
    const WriteProtected readOnly(st.gstrOutputFile);
    if (!readOnly.available()) GTEST_SKIP() << "the file cannot be made read-only here";
    ui.answers = {Answer::Retry, Answer::Cancel};
    const Sem e = sfReadCreateWriteHeader(st, ui, run);
    EXPECT_EQ(e,
              "SafeMethods.bas\tsfOpenFile\t70\tPermission denied\r\n"
              "modConvert.bas\tsfReadCreateWriteHeader\t0\tError opening output file\r\n");
    ASSERT_EQ(ui.titles(), (std::vector<std::string>{"Error opening file", "Error opening file"}));
    EXPECT_EQ(ui.messages[0].buttons, Buttons::RetryCancel);
    EXPECT_EQ(ui.messages[0].defaultButton, DefaultButton::Second);
    EXPECT_EQ(output(), "kept\r\n");
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
    EXPECT_EQ(output(), kHeader);
}

}  // namespace
}  // namespace tav::test
