#include "convert/ConvertFixture.h"

#include <algorithm>
#include <fstream>

#include "safe/SafeMethods.h"

namespace tav::test {

std::string report(std::initializer_list<std::string> rows) {
    std::string out =
        "Trans #\tType\tDate\tNum\tName\tMemo\tItem\tAccount\tTax Code\tAmount\tTax Amount\r\n";
    for (std::string row : rows) {
        std::replace(row.begin(), row.end(), '|', '\t');
        out += row + "\r\n";
    }
    return out;
}

std::string cheque(std::uint64_t t) {
    return std::to_string(t) +
           "\tCheque\t1/07/2011\tC1\tCafe\tBeans\t\t1-1100 · Cheque Account\t\t-110.00\t\r\n"
           "\t\t\t\tCafe\tBeans\t\t6-1000 · Freight\tGST\t100.00\t10.00\r\n"
           "\t\t\t\t\t\t\t\t\t-110.00\t\r\n";
}

std::string cheques(int count) {
    std::string out = report({});
    for (int t = 1; t <= count; ++t) out += cheque(static_cast<std::uint64_t>(t));
    return out;
}

ConvertFixture::ConvertFixture() {
    st.installFolder = dir.path();
    st.gstrDataFolder = dir.path();
    st.gstrJournalFile = dir.file("Journal.txt");
    st.gstrOutputFile = dir.file("TAVOutput.txt");
    run.headerDate = "01/07/2011";
    writeFile(st.gstrOutputFile, std::string(kPreviousImport));
}

void ConvertFixture::TearDown() { EXPECT_EQ(leftoversIn(dir.path()), std::vector<std::string>{}); }

void ConvertFixture::mapStandard() {
    st.gcolTaxPayables.Add("2-1310");
    st.gcolTaxCodeTaxItemLinks.Add({"GST", "GST", "GST"});
    st.gcolTaxCodeTaxItemLinks.Add({"CAG", "CAG", ""});
    st.gcolMappedTaxCodes.Add({"GST", "GST", "1"});
    st.gcolMappedTaxCodes.Add({"CAG", "CAP", "2"});
    const MappedAccount accounts[] = {
        {"Bank", "1-1100", "Cheque Account", "1", "685", "Cheque Account"},
        {"AccountsReceivable", "1-1200", "Trade Debtors", "2", "600", "Debtors"},
        {"OtherCurrentLiability", "2-1310", "GST Payable", "3", "820", "GST"},
        {"Income", "4-1000", "Sales", "4", "400", "Sales"},
        {"Expense", "6-1000", "Freight", "5", "720", "Freight"},
    };
    for (const MappedAccount& a : accounts) st.gcolMappedAccounts.Add(a);
}

void ConvertFixture::beforeTaxMapping(std::int16_t target) {
    mapStandard();
    st.gcolMappedTaxCodes.Clear();
    st.gstrChartOfAccountsFile = dir.file("CofA.iif");
    st.gstrTaxCodeListFile = dir.file("TaxCodes.iif");
    writeFile(st.gstrChartOfAccountsFile,
              crlf({"!ACCNT\tNAME\tACCNUM\tEXTRA", "ACCNT\tGST Payable\t2-1310\tSALESTAX"}));
    writeFile(st.gstrTaxCodeListFile,
              crlf({"!TAXCODE\tNAME\tPURCHASETAXITEM\tSALESTAXITEM", "TAXCODE\tGST\tGST\tGST"}));
    st.gintTargetApp = target;
    st.gblnListsExtracted = true;
}

void loadSetup(const std::string& path, ProgramState& st, ScriptedPort& ui) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        StrArray f = vbSplit(line, "\t");
        if (f.empty()) continue;
        const std::string key = f.front();
        f.erase(f.begin());
        const std::string value = f.empty() ? "" : f.front();
        f.resize(std::max<size_t>(f.size(), 6));
        if (key == "target")
            st.gintTargetApp = static_cast<std::int16_t>(std::stoi(value));
        else if (key == "allToJournals")
            st.gblnAllToJournals = value == "True";
        else if (key == "taxPayable")
            st.gcolTaxPayables.Add(value);
        else if (key == "taxCodeLink")
            st.gcolTaxCodeTaxItemLinks.Add({f[0], f[1], f[2]});
        else if (key == "mappedTaxCode")
            st.gcolMappedTaxCodes.Add({f[0], f[1], f[2]});
        else if (key == "mappedAccount")
            st.gcolMappedAccounts.Add({f[0], f[1], f[2], f[3], f[4], f[5]});
        else if (key == "answer")
            ui.answers.push_back(value == "Yes" ? Answer::Yes : Answer::No);
        else
            ADD_FAILURE() << "unknown setup key " << key;
    }
}

void ConvertFixture::openReport(const std::string& bytes) {
    if (st.files.isOpen(kReportFile)) st.files.close(kReportFile);
    writeReport(bytes);
    ASSERT_EQ(sfOpenFile(st, ui, st.gstrJournalFile, "Input", kReportFile), "");
}

Sem ConvertFixture::convert() {
    Sem e = sfReadCreateWriteHeader(st, ui, run);
    return e.empty() ? sfReadConvertAppend(st, ui, run) : e;
}

std::vector<std::vector<std::string>> ConvertFixture::readTransactions() {
    std::vector<std::vector<std::string>> out;
    if (st.files.isOpen(kReportFile)) st.files.close(kReportFile);
    EXPECT_EQ(sfOpenFile(st, ui, st.gstrJournalFile, "Input", kReportFile), "");
    const RunTables tables(st, st.files.encoding(kReportFile));
    ConversionPart part(tables, st.files.reader(kReportFile), &st, &ui);
    bool valid = true;
    JournalTransaction t;
    while (valid && failure.empty()) {
        t.clear();
        failure = sfReadInTransaction(part, valid, t);
        if (!valid) break;
        std::vector<std::string>& lines = out.emplace_back();
        for (long n = 1; n <= t.Count(); ++n) {
            const JournalLine l = t.Item(n);
            std::string joined;
            for (size_t i = 0; i < l.size(); ++i) joined.append(i ? "|" : "").append(l[i]);
            lines.push_back(joined);
        }
    }
    run.transactionsOmitted += part.transactionsOmitted;
    run.blnConversionStopped |= part.blnConversionStopped;
    st.files.close(kReportFile);
    return out;
}

}  // namespace tav::test
