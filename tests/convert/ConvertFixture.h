#pragma once
// A client folder with a Journal report, the program state and the scripted port, for
// tests of the reader, the writers and whole conversions.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "convert/modConvert.h"
#include "shell/ProgramState.h"
#include "support/Files.h"
#include "support/ScriptedPort.h"

namespace tav::test {

// A report: the header row, then the rows written with "|" between fields, CR LF ends.
std::string report(std::initializer_list<std::string> rows);
// Transaction `t`, a cheque of 110.00 to the freight account with 10.00 GST, and the header
// row followed by cheques 1 to `count`: reports as long as a test needs, in the standard
// mapping.
std::string cheque(std::uint64_t t);
std::string cheques(int count);

// Reads a case description into the state and the port's script: one entry per line, a
// key and its tab-separated values (target, allToJournals, taxPayable, taxCodeLink,
// mappedTaxCode, mappedAccount, answer).
void loadSetup(const std::string& path, ProgramState& st, ScriptedPort& ui);

class ConvertFixture : public ::testing::Test {
protected:
    // The client folder holds the import file of an earlier run, which a run that fails
    // must leave as it was.
    static constexpr std::string_view kPreviousImport = "an import file of an earlier run\r\n";

    ConvertFixture();
    // No run leaves a temporary file or a lock behind.
    void TearDown() override;

    // The small mapping used throughout: tax codes GST and CAG (a purchase-only code),
    // and a chart with a cheque account mapped to 685, receivables, income, an expense
    // and the GST payable account 2-1310.
    void mapStandard();
    // The standard mapping without its mapped tax codes, as the tax mapping screen starts
    // it, for the given target, and extracted lists whose chart and tax code list know
    // 2-1310 GST Payable and the code GST.
    void beforeTaxMapping(std::int16_t target);

    void writeReport(const std::string& bytes) { writeFile(st.gstrJournalFile, bytes); }
    // Writes the report and opens it as file 1, as the driver does.
    void openReport(const std::string& bytes);
    void loadSetup(const std::string& path) { test::loadSetup(path, st, ui); }

    // Both driver steps, as the convert screen runs them.
    Sem convert();
    std::string output() const { return readFile(st.gstrOutputFile); }
    bool previousImportKept() const { return output() == kPreviousImport; }

    // Every transaction the reader returns from the report, each line's fields joined
    // with "|"; the reader's failure, if any, goes into failure.
    std::vector<std::vector<std::string>> readTransactions();

    TempDir dir;
    ProgramState st;
    ScriptedPort ui;
    ConversionRun run;
    Sem failure;
};

}  // namespace tav::test
