// The account reader of modConvert: the accounts a report uses, once each in order of
// first use.

#include <string>

#include "convert/modConvert.h"
#include "safe/SafeMethods.h"
#include "shell/ProgramState.h"

namespace tav {

namespace {

// The import files are comma-delimited and never quoted.
void deleteCommas(std::string& text) {
    if (text.find(',') != std::string::npos) std::erase(text, ',');
}

// Reads the rest of the report into the accounts.
template <class Accounts>
Sem extractAccounts(ProgramState& st, UiPort& ui, Accounts& accounts) {
    return guarded(kModConvert, "sfExtractAccounts", [&]() -> Sem {
        AccountReader reader(accounts);
        EventThrottle throttle(ui);
        while (!st.files.eof(kReportFile)) {
            throttle.tick(st.files.bytesRead(kReportFile), st.files.size(kReportFile));
            const std::string_view line = st.files.lineBytes(kReportFile);
            refuseBlankLine(st, line);
            reader.take(line, st.files.encoding(kReportFile));
            if (!reader.failure().empty()) return reader.failure();
        }
        return {};
    });
}

}  // namespace

Sem sfExtractAccounts(ProgramState& st, UiPort& ui, Collection<StrArray>& accounts) {
    return extractAccounts(st, ui, accounts);
}

Sem sfExtractAccounts(ProgramState& st, UiPort& ui, Collection<std::string>& numbers) {
    return extractAccounts(st, ui, numbers);
}

AccountReader::AccountReader(Collection<StrArray>& accounts) : accounts_(&accounts) {
    for (const StrArray& a : accounts) seen_.insert(field(a, 0));
}

AccountReader::AccountReader(Collection<std::string>& numbers)
    : numbers_(&numbers), seen_(numbers.begin(), numbers.end()) {}

void AccountReader::take(std::string_view lineBytes, Encoding encoding) {
    constexpr std::string_view kProc = "sfExtractAccounts";
    if (!failure_.empty()) return;
    failure_ = guarded(kModConvert, kProc, [&]() -> Sem {
        // An account already in, the usual case, needs no look at the first column.
        const auto [from, end] = fieldBounds(lineBytes, col::Account);
        if (from != std::string_view::npos) {
            const std::string_view text = lineBytes.substr(from, end - from);
            if (text.empty() || done_.find(text)) return {};
        }
        if (tabField(lineBytes, col::TransNo) == "Trans #") return {};
        const std::string_view text = tabField(lineBytes, col::Account);
        std::string_view account = decodedView(text, encoding, decoded_);
        if (account.find(',') != std::string_view::npos) {
            withoutCommas_.assign(account);
            deleteCommas(withoutCommas_);
            account = withoutCommas_;
        }
        if (Sem e = sfNumberOnly(account, number_); !e.empty())
            return sfSemCreate(kModConvert, kProc, 0,
                               "Error extracting account numbers from journal file accounts", e);
        if (number_.empty())
            return sfSemCreate(kModConvert, kProc, 0,
                               "At least one account used in transactions does not have an "
                               "account number. The first such account found is " +
                                   std::string(account) +
                                   " . Make sure that all QuickBooks accounts are numbered before "
                                   "exporting the Journal file and getting lists again from "
                                   "QuickBooks.");
        if (seen_.contains(number_)) {
            done_.remember(text, true);
            return {};
        }
        if (accounts_) {
            std::string name;
            if (Sem e = sfNameOnly(account, name); !e.empty())
                return sfSemCreate(kModConvert, kProc, 0,
                                   "Error extracting name from journal file accounts", e);
            accounts_->Add({number_, std::move(name)});
        } else {
            numbers_->Add(number_);
        }
        seen_.insert(number_);
        done_.remember(text, true);
        return {};
    });
}

}  // namespace tav
