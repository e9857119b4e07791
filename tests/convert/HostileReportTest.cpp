// Reports no QuickBooks writes: huge, binary, wide or endless. Each ends with a clear
// message or converts, in bounded memory and without hanging.

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "accountmapping/modAccountMapping.h"
#include "convert/ConvertFixture.h"
#include "safe/Platform.h"
#include "support/Resources.h"
#include "support/Results.h"
#include "taxmapping/modTaxMapping.h"

namespace tav::test {
namespace {

constexpr std::uint64_t kMiB = 1 << 20;

class HostileReport : public ConvertFixture {
protected:
    HostileReport() { mapStandard(); }

    // Writes a report of many lines without holding it in memory.
    template <class EachLine>
    void writeLines(std::uint64_t count, EachLine line) {
        std::ofstream out(platform::pathFromUtf8(st.gstrJournalFile), std::ios::binary);
        out << report({});
        for (std::uint64_t i = 1; i <= count; ++i) out << line(i);
    }

    std::string tooLong(int line) const {
        return "Line " + std::to_string(line) + " of the file '" + st.gstrJournalFile +
               "' is longer than 1 MiB (1,048,576 bytes), so it is not a text file the program "
               "can read. Check that the right file was chosen, or export it again.";
    }
};

TEST_F(HostileReport, AReportWithoutALineEndIsRefusedAfterItsFirstMebibyte) {
    {
        std::ofstream out(platform::pathFromUtf8(st.gstrJournalFile), std::ios::binary);
        const std::string block(kMiB, 'x');
        for (int i = 0; i < 200; ++i) out << block;
    }
    const std::uint64_t before = peakMemory();
    const Sem e = convert();
    EXPECT_LT(peakMemory() - before, 32 * kMiB);
    EXPECT_EQ(e, "modConvert.bas\tsfReadAndCheckHeader\t0\t" + tooLong(1) +
                     "\r\nmodConvert.bas\tsfReadCreateWriteHeader\t0\tError when checking "
                     "QuickBooks journal file header\r\n");
    EXPECT_TRUE(previousImportKept());
}

TEST_F(HostileReport, ATenMegabyteLineEndsTheConversionLeavingThePreviousImportFile) {
    writeLines(1, cheque);
    {
        std::ofstream out(platform::pathFromUtf8(st.gstrJournalFile),
                          std::ios::binary | std::ios::app);
        out << std::string(10 * kMiB, 'x') << "\r\n" << cheque(2);
    }
    const Sem e = convert();
    EXPECT_EQ(e, "modConvert.bas\tsfReadInTransaction\t0\t" + tooLong(5) +
                     "\r\nmodConvert.bas\tsfReadConvertAppend\t0\tError reading transaction from "
                     "QuickBooks Journal report file\r\n");
    EXPECT_TRUE(previousImportKept());
}

TEST_F(HostileReport, WideTextIsRefusedNamingItsEncodingBeforeAnythingIsWritten) {
    std::string wide = "\xFF\xFE";
    for (char c : report({})) wide += std::string{c, '\0'};
    writeReport(wide);
    EXPECT_EQ(convert(), "SafeMethods.bas\tsfOpenFile\t0\tThe file '" + st.gstrJournalFile +
                             "' is UTF-16 (little-endian) text, which the program cannot read. "
                             "Open it in Notepad, save it again with the encoding ANSI or UTF-8, "
                             "then try again.\r\nmodConvert.bas\tsfReadCreateWriteHeader\t0\tError "
                             "opening QuickBooks Journal Report file\r\n");
    EXPECT_TRUE(previousImportKept());
}

TEST_F(HostileReport, ABlankLineIsNamedWhereverTheReportIsRead) {
    const std::string blank =
        "Line 4 of the QuickBooks Journal report is blank. QuickBooks writes no blank lines into "
        "the report, so the file has been changed since it was saved, or was not saved whole. "
        "Please export the Journal report from QuickBooks again.";
    const std::string bytes =
        report({"1|Invoice|1/07/2011|INV1|Smith|||1-1200 · Trade Debtors||10|",
                "|||||||4-1000 · Sales||-10|", "   ", "|||||||||10|", "TOTAL|||||||||0|"});
    for (unsigned threads : {1u, 2u, 8u}) {
        SCOPED_TRACE(std::to_string(threads) + " threads");
        st.reading = {threads, 64};
        // The tax mapping screen's readings.
        using Reading = std::function<Sem()>;
        const std::pair<const char*, Reading> readings[] = {
            {"sfExtractCodes", [&] { return sfExtractCodes(st, ui); }},
            {"sfExtractAccounts", [&] {
                 Collection<std::string> accounts;
                 return sfExtractAccounts(st, ui, accounts);
             }}};
        for (const auto& [routine, read] : readings) {
            openReport(bytes);
            st.reportScan.reset();
            st.files.lineView(kReportFile);  // the header
            EXPECT_EQ(read(), std::string(routine == std::string_view("sfExtractCodes")
                                              ? "modTaxMapping.bas"
                                              : "modConvert.bas") +
                                  "\t" + routine + "\t0\t" + blank + "\r\n");
            st.files.close(kReportFile);
        }
        // The conversion's, for 'Accounts' (the date range first) and the other targets.
        st.reportScan.reset();
        st.gintTargetApp = target::MasAU;
        writeReport(bytes);
        EXPECT_EQ(convert(), "modConvert.bas\tsfReadInTransaction\t0\t" + blank +
                                 "\r\nmodConvert.bas\tsfReadInTransaction\t0\tNot able to "
                                 "verify the number of fields in transaction line\r\nmodConvert."
                                 "bas\tsfReadConvertAppend\t0\tError reading transaction from "
                                 "QuickBooks Journal report file\r\n");
        st.gintTargetApp = target::Accounts;
        EXPECT_TRUE(convert().starts_with("modConvert.bas\tsfGetDateRange\t0\t" + blank + "\r\n"));
        EXPECT_TRUE(previousImportKept());
    }
}

TEST_F(HostileReport, BinaryBytesAreNotAReportHeader) {
    std::string binary;
    for (int i = 0; i < 64 * 256; ++i) binary += static_cast<char>(i * 7 % 255 + 1);
    writeReport(binary);
    EXPECT_EQ(lastDescription(convert()),
              "Your QuickBooks Journal file header is not correct. This is usually because the "
              "wrong columns have been included in the Journal report. Please return to "
              "QuickBooks and follow the TAV instructions to create the report and export the "
              "transactions again.");
    EXPECT_TRUE(previousImportKept());
}

TEST_F(HostileReport, ANulByteIsRefusedNamingItsLineWhicheverReadingMeetsIt) {
    auto refused = [&](int line) {
        return "Line " + std::to_string(line) + " of the file '" + st.gstrJournalFile +
               "' holds a NUL byte, so it is not a text file the program can read. Check that "
               "the right file was chosen, or export it again.";
    };
    // Past the first read buffer, every kind of line end counting one line; the NUL is in
    // the second line of transaction 2001.
    std::string bytes = report({});
    for (int t = 1; t <= 2000; ++t) {
        const std::string c = cheque(static_cast<std::uint64_t>(t));
        const std::string_view end = t % 3 == 0 ? "\r\n" : t % 3 == 1 ? "\n" : "\r";
        for (size_t from = 0, at; (at = c.find("\r\n", from)) != std::string::npos; from = at + 2)
            bytes.append(c, from, at - from).append(end);
    }
    std::string last = cheque(2001);
    last.insert(last.find("Beans", last.find("Beans") + 1), std::string(1, '\0'));
    bytes += last + "TOTAL\t\t\t\t\t\t\t\t\t0.00\t\r\n";
    ASSERT_GT(bytes.size(), 1u << 18);
    constexpr int kLine = 1 + 3 * 2000 + 2;
    for (unsigned threads : {1u, 2u, 8u}) {
        SCOPED_TRACE(std::to_string(threads) + " threads");
        st.reading = {threads, 4096};
        st.reportScan.reset();
        openReport(bytes);
        st.files.lineView(kReportFile);  // the header
        EXPECT_EQ(sfExtractCodes(st, ui),
                  "modTaxMapping.bas\tsfExtractCodes\t0\t" + refused(kLine) + "\r\n");
        st.files.close(kReportFile);
        st.reportScan.reset();
        EXPECT_EQ(convert(), "modConvert.bas\tsfReadInTransaction\t0\t" + refused(kLine) +
                                 "\r\nmodConvert.bas\tsfReadConvertAppend\t0\tError reading "
                                 "transaction from QuickBooks Journal report file\r\n");
        EXPECT_TRUE(previousImportKept());
    }
    // A file of NULs is refused at its first line, the header.
    writeReport(std::string(2 * kMiB, '\0'));
    EXPECT_EQ(convert(), "modConvert.bas\tsfReadAndCheckHeader\t0\t" + refused(1) +
                             "\r\nmodConvert.bas\tsfReadCreateWriteHeader\t0\tError when "
                             "checking QuickBooks journal file header\r\n");
    EXPECT_TRUE(previousImportKept());
}

TEST_F(HostileReport, AMillionTransactionsAreConvertedHoldingOneAtATime) {
    constexpr std::uint64_t kCount = 1'000'000;
    writeLines(kCount, cheque);
    const std::uint64_t before = peakMemory();
    EXPECT_EQ(convert(), "");
    EXPECT_LT(peakMemory() - before, 64 * kMiB);
    EXPECT_EQ(run.transactionsWritten, static_cast<long>(kCount));
    EXPECT_EQ(run.linesWritten, static_cast<long>(2 * kCount + 1));
}

TEST_F(HostileReport, AMillionOneLineTransactionsThatNeverCloseStopAtAHundredThousandLines) {
    writeLines(1'000'000, [](std::uint64_t t) {
        return std::to_string(t) +
               "\tCheque\t1/07/2011\tC1\tCafe\tBeans\t\t1-1100 · Cheque Account\t\t-1.00\t\r\n";
    });
    const std::uint64_t before = peakMemory();
    EXPECT_EQ(convert(),
              "modConvert.bas\tsfReadInTransaction\t0\tTransaction number 1 has more than "
              "100,000 lines or 64 MiB of text, more than the program can hold. Check that every "
              "transaction of the Journal report ends with its total line, or export the report "
              "again.\r\nmodConvert.bas\tsfReadConvertAppend\t0\tError reading transaction from "
              "QuickBooks Journal report file\r\n");
    EXPECT_LT(peakMemory() - before, 96 * kMiB);
}

TEST_F(HostileReport, ATransactionOfAHundredThousandLinesIsHeldAndOneMoreIsNot) {
    for (const std::uint64_t lines : {100'000, 100'001}) {
        writeLines(lines + 1, [lines](std::uint64_t i) -> std::string {
            if (i == 1) return "1\tBill\t1/07/2011\tB1\tAcme\t\t\t6-1000 · Freight\t\t1\t\r\n";
            if (i <= lines) return "\t\t\t\t\t\t\t6-1000 · Freight\t\t1\t\r\n";
            return "\t\t\t\t\t\t\t\t\t0\t\r\n";
        });
        const Sem e = convert();
        if (lines == 100'000) {
            EXPECT_EQ(e, "");
            EXPECT_EQ(run.linesWritten, 100'001);
        } else {
            EXPECT_NE(e.find("\tTransaction number 1 has more than 100,000 lines"),
                      std::string::npos);
        }
    }
}

TEST_F(HostileReport, AHundredThousandAccountsAreMappedSavedAndConverted) {
    constexpr int kAccounts = 100'000;
    auto number = [](std::uint64_t t) { return "E" + std::to_string(t); };
    st.gintTargetApp = target::AccountantsOfficeAU;
    st.gstrTargetAppName = "Accountant's Office";
    st.gblnListsExtracted = true;
    st.gstrChartOfAccountsFile = dir.file("CofA.iif");
    writeLines(kAccounts, [&](std::uint64_t t) {
        return std::to_string(t) +
               "\tCheque\t1/07/2011\tC1\tCafe\t\t\t1-1100 · Cheque Account\t\t-1.00\t\r\n" +
               "\t\t\t\t\t\t\t" + number(t) +
               " · Expense\t\t1.00\t\r\n\t\t\t\t\t\t\t\t\t-1.00\t\r\n";
    });
    {
        std::ofstream chart(platform::pathFromUtf8(st.gstrChartOfAccountsFile), std::ios::binary);
        std::ofstream ledger(platform::pathFromUtf8(dir.file("Ledger.txt")), std::ios::binary);
        chart << "!ACCNT\tNAME\tREFNUM\tTIMESTAMP\tACCNTTYPE\tOBAMOUNT\tDESC\tACCNUM\r\n"
              << "ACCNT\tCheque Account\t\t\tBANK\t\t\t1-1100\r\n";
        ledger << "1-1100,Cheque Account\r\n";
        for (int t = 1; t <= kAccounts; ++t) {
            chart << "ACCNT\tExpense\t\t\tEXP\t\t\t" << number(t) << "\r\n";
            ledger << number(t) << ",Expense\r\n";
        }
    }

    // The tax mapping screen takes in the report, the account mapping screen maps it.
    ASSERT_EQ(sfOpenFile(st, ui, st.gstrJournalFile, "Input", 1), "");
    ASSERT_EQ(sfExtractAccounts(st, ui, st.gcolJournalAccounts), "");
    st.files.close(1);
    ASSERT_EQ(st.gcolJournalAccounts.Count(), kAccounts + 1);
    ASSERT_EQ(sfLoadTargetAccounts(st, ui, dir.file("Ledger.txt")), "");
    ASSERT_EQ(sfPopulateColMappedAccounts(st, ui), "");
    ASSERT_EQ(st.gcolMappedAccounts.Count(), kAccounts + 1);
    EXPECT_EQ(cmdAutoMapping_Click(st, ui).size(), static_cast<size_t>(kAccounts + 1));
    EXPECT_EQ(st.gcolMappedAccounts.Item(kAccounts + 1).targetNumber, number(kAccounts));

    const Collection<MappedAccount> mapped = st.gcolMappedAccounts;
    ui.dialogAnswers = {dir.file("Mapping.csv"), dir.file("Mapping.csv")};
    cmdSaveMapping_Click(st, ui);
    EXPECT_TRUE(cmdLoadMapping_Click(st, ui).has_value());
    EXPECT_EQ(st.gcolMappedAccounts, mapped);

    EXPECT_EQ(convert(), "");
    EXPECT_EQ(run.linesWritten, 2 * kAccounts + 1);
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.front().text;
}

}  // namespace
}  // namespace tav::test
