#include "taxmapping/modIIFSDK.h"

#include <gtest/gtest.h>

#include <fstream>

#include "safe/Platform.h"
#include "shell/ProgramState.h"
#include "support/Files.h"
#include "support/Resources.h"
#include "support/ScratchClient.h"

namespace tav {
namespace {

using test::crlf;
using test::readFile;
using test::writeFile;

// The company file is the IIF text of a Windows-1252 QuickBooks export.
const std::string kCompany = crlf(
    {"!HDR\tPROD", "HDR\tQuickBooks", "!ACCNT\tNAME\tACCNUM\tEXTRA", "ACCNT\tCaf\xE9\t685\t",
     "!TAXCODE\tNAME\tPURCHASETAXITEM\tSALESTAXITEM", "TAXCODE\tGST\tNCG\tGST", "CUST\tSmith"});
const std::string kFailed =
    "An error occurred while extracting the lists from the QuickBooks data file:";

class Extraction : public ::testing::Test, protected test::ScratchClient {
protected:
    void SetUp() override {
        st.gstrQBVersion = "19.0\\";
        st.gintQBEdition = 1;
        st.gstrCompanyFile = client.file("Cafe.qbw");
        writeFile(st.gstrCompanyFile, kCompany);
        st.gcolMappedAccounts.Add({"Bank", "685", "Float", "1", "", ""});
    }

    // Runs the extraction; what the user was shown: an Error Report's code and description,
    // or the text of a plain message.
    std::string extract(const QbExportFunction& library = ExportQbwData) {
        ui.messages.clear();
        cmdExtractQBLists_Click(st, ui, library);
        const std::string& text = ui.messages.at(0).text;
        const size_t code = text.find("Error Code: "), description = text.find("Description: ");
        if (code == std::string::npos) return text;
        return text.substr(code + 12, text.find("\r\n", code) - code - 12) + " " +
               text.substr(description + 13, text.find("\r\n", description) - description - 13);
    }
    void expectNothingExtracted() {
        EXPECT_FALSE(st.gblnListsExtracted);
        EXPECT_EQ(st.gcolMappedAccounts.Count(), 1);
        EXPECT_EQ(ui.messages.size(), 1u);
    }
};

TEST_F(Extraction, ExportsBothListsFromTheCompanyFile) {
    EXPECT_EQ(extract(), "List extraction successful.");
    EXPECT_EQ(ui.messages[0].icon, Icon::Information);
    EXPECT_TRUE(st.gblnListsExtracted);
    EXPECT_TRUE(st.gcolMappedAccounts.empty());
    EXPECT_EQ(readFile(install.file("qbint32.ini")),
              crlf({"[QuickBooks]", "Version=19.0\\accountant"}));
    EXPECT_EQ(readFile(install.file("script.txt")),
              "ACCNT " + st.gstrChartOfAccountsFile + "\r\nTAXCODE " + st.gstrTaxCodeListFile);
    EXPECT_EQ(readFile(st.gstrChartOfAccountsFile),
              crlf({"!ACCNT\tNAME\tACCNUM\tEXTRA", "ACCNT\tCaf\xE9\t685\t"}));
    EXPECT_EQ(readFile(st.gstrTaxCodeListFile),
              crlf({"!TAXCODE\tNAME\tPURCHASETAXITEM\tSALESTAXITEM", "TAXCODE\tGST\tNCG\tGST"}));
    EXPECT_EQ(platform::currentDirectory(), install.path());

    // A company file QuickBooks keeps in its own format is read through its IIF export;
    // the other edition has a key of its own.
    writeFile(st.gstrCompanyFile, "\x01\x02 company data");
    writeFile(client.file("Cafe.iif"), kCompany);
    st.gintQBEdition = 0;
    EXPECT_EQ(extract(), "List extraction successful.");
    EXPECT_EQ(readFile(install.file("qbint32.ini")),
              crlf({"[QuickBooks]", "Version=19.0\\belacct"}));
}

TEST_F(Extraction, AnIifExportSavedWithAByteOrderMarkIsStillIif) {
    writeFile(st.gstrCompanyFile, "\xEF\xBB\xBF" + kCompany);
    EXPECT_EQ(extract(), "List extraction successful.");
    EXPECT_EQ(readFile(st.gstrTaxCodeListFile),
              crlf({"!TAXCODE\tNAME\tPURCHASETAXITEM\tSALESTAXITEM", "TAXCODE\tGST\tNCG\tGST"}));
}

TEST_F(Extraction, ListsAreCopiedLineByLineWhateverTheLineEndsAndLengths) {
    // A lone CR, an LF, a last line without its end, and lines longer than the blocks the
    // export reads.
    const std::string longName(300'000, 'n');
    writeFile(st.gstrCompanyFile, "!ACCNT\tNAME\tACCNUM\tEXTRA\r\nCUST\t" + longName +
                                      "\r\nACCNT\tBank\t1\t\rACCNT\t" + longName +
                                      "\t2\t\n!TAXCODE\tNAME\r\n\r\nACCNT\tLast\t3\t");
    EXPECT_EQ(extract(), "List extraction successful.");
    EXPECT_EQ(readFile(st.gstrChartOfAccountsFile),
              crlf({"!ACCNT\tNAME\tACCNUM\tEXTRA", "ACCNT\tBank\t1\t",
                    "ACCNT\t" + longName + "\t2\t", "ACCNT\tLast\t3\t"}));
    EXPECT_EQ(readFile(st.gstrTaxCodeListFile), crlf({"!TAXCODE\tNAME"}));
}

TEST_F(Extraction, ACompanyFileOfAnySizeIsReadInLittleMemory) {
    {
        std::ofstream out(platform::pathFromUtf8(st.gstrCompanyFile), std::ios::binary);
        out << kCompany << "NOTE\t";
        const std::string block(1 << 20, 'x');
        for (int i = 0; i < 64; ++i) out << block;  // one line of 64 MiB
        out << "\r\n" << kCompany;
    }
    const std::uint64_t before = test::peakMemory();
    EXPECT_EQ(extract(), "List extraction successful.");
    EXPECT_LT(test::peakMemory() - before, 16u << 20);
    EXPECT_EQ(readFile(st.gstrTaxCodeListFile),
              crlf({"!TAXCODE\tNAME\tPURCHASETAXITEM\tSALESTAXITEM", "TAXCODE\tGST\tNCG\tGST",
                    "!TAXCODE\tNAME\tPURCHASETAXITEM\tSALESTAXITEM", "TAXCODE\tGST\tNCG\tGST"}));
}

TEST_F(Extraction, FailuresLeaveTheListsUnextracted) {
    st.gstrCompanyFile.clear();
    EXPECT_EQ(extract(), "To extract the lists you must first select a QuickBooks file above.");
    EXPECT_FALSE(platform::fileExists(install.file("qbint32.ini")));
    expectNothingExtracted();

    st.gstrCompanyFile = client.file("Cafe.qbw");
    st.gintQBEdition = 7;  // no edition key: the library cannot tell which QuickBooks to run
    EXPECT_EQ(extract(), "-1 " + kFailed + " " + QBReturnCodeText(-1));
    EXPECT_EQ(readFile(install.file("qbint32.ini")), crlf({"[QuickBooks]", "Version=19.0\\"}));
    expectNothingExtracted();

    st.gintQBEdition = 0;
    writeFile(st.gstrCompanyFile, "\x01\x02 company data");
    EXPECT_EQ(extract(), "-15 " + kFailed + " Could not open specified data file.");
    expectNothingExtracted();

    writeFile(st.gstrCompanyFile, kCompany);
    st.gstrTaxCodeListFile = data.file("missing/TaxCodes.iif");
    EXPECT_EQ(extract(), "-10 " + kFailed + " General line export problem.");
    expectNothingExtracted();

    EXPECT_EQ(extract([](const std::string&) { return -18L; }), "-18 " + kFailed);
    expectNothingExtracted();
    EXPECT_EQ(QBReturnCodeText(-17),
              "The version of QuickBooks that is installed is not compatible with Tavora. Please "
              "install a current version of QuickBooks that has been designed to be used with "
              "Tavora.");
}

TEST_F(Extraction, AnUnnumberedAccountKeepsTheOldMapping) {
    writeFile(st.gstrCompanyFile,
              crlf({"!ACCNT\tNAME\tACCNUM", "ACCNT\tCash\t", "!TAXCODE\tNAME"}));
    EXPECT_EQ(extract(),
              "0 At least one account in the QuickBooks Chart Of Accounts file does not have an "
              "account number. The first such account found is account Cash . Make sure that all "
              "QuickBooks accounts are numbered before extracting the lists and Journal file again "
              "from QuickBooks.");
    expectNothingExtracted();
}

}  // namespace
}  // namespace tav
