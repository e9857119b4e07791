// The account reader of modConvert: the accounts a report uses, once each in order of
// first use, from a scan of the report.

#include <string>
#include <unordered_set>

#include "convert/ReportScan.h"
#include "convert/modConvert.h"
#include "safe/SafeMethods.h"
#include "shell/ProgramState.h"

namespace tav {

namespace {

// Reads the rest of the report into the accounts: those already there stay once.
template <class Accounts, class Number, class Entry>
Sem extractAccounts(ProgramState& st, UiPort& ui, Accounts& accounts, ScanRequest::Accounts kind,
                    Number numberOf, Entry entryOf) {
    return guarded(kModConvert, "sfExtractAccounts", [&]() -> Sem {
        const auto scan = scanReport(st, ui, ScanRequest{.accounts = kind});
        std::unordered_set<std::string> present;
        for (const auto& a : accounts) present.insert(numberOf(a));
        for (const JournalAccount& a : scan->accounts)
            if (present.insert(a.number).second) accounts.Add(entryOf(a));
        if (!scan->accountFailure) return {};
        showAtFailure(st, *scan->accountFailure);
        return scan->accountFailure->as(kModConvert, "sfExtractAccounts");
    });
}

}  // namespace

Sem sfExtractAccounts(ProgramState& st, UiPort& ui, Collection<JournalAccount>& accounts) {
    return extractAccounts(
        st, ui, accounts, ScanRequest::Accounts::NumbersAndNames,
        [](const JournalAccount& a) { return a.number; },
        [](const JournalAccount& a) { return a; });
}

Sem sfExtractAccounts(ProgramState& st, UiPort& ui, Collection<std::string>& numbers) {
    return extractAccounts(
        st, ui, numbers, ScanRequest::Accounts::Numbers, [](const std::string& n) { return n; },
        [](const JournalAccount& a) { return a.number; });
}

}  // namespace tav
