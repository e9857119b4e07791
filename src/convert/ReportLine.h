#pragma once
// A line of the Journal report: its columns, the line split at its tabs, the header row
// and the two parts of an account text. Every reading of the report, the conversion's
// and the tax mapping screen's, looks at its lines this way. Its routines belong to
// modConvert and report under its name.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "safe/SafeState.h"
#include "safe/Sem.h"
#include "safe/TextReader.h"

namespace tav {

inline constexpr std::string_view kModConvert = "modConvert.bas";

// The Journal report is file number 1 wherever it is read.
inline constexpr int kReportFile = 1;

// Columns of a report line, from 0.
namespace col {
inline constexpr size_t TransNo = 0;
inline constexpr size_t Type = 1;
inline constexpr size_t Date = 2;
inline constexpr size_t Num = 3;
inline constexpr size_t Name = 4;
inline constexpr size_t Memo = 5;
inline constexpr size_t Item = 6;
inline constexpr size_t Account = 7;
inline constexpr size_t TaxCode = 8;
inline constexpr size_t TaxItem = 8;  // the same column once the reader has put the tax item there
inline constexpr size_t Amount = 9;
inline constexpr size_t TaxAmount = 10;
inline constexpr size_t Count = 11;
}  // namespace col

// A report line split at its tabs, as views into the line; a field holding commas is
// viewed in a copy without them, since the import files are comma-delimited and never
// quoted. Valid until the next line is split or the report is read again.
class ReportFields {
public:
    // Splits as vbSplit does; the number of fields (an empty line has none). Fields past
    // the eleven columns are only counted.
    size_t split(std::string_view line);
    // The same for the line just read, from the reader's marks of its tabs and commas.
    size_t split(std::string_view line, const TextReader::Marks& marks);
    size_t size() const { return count_; }
    std::string_view operator[](size_t column) const { return {starts_[column], sizes_[column]}; }
    // The line split, and whether a column is viewed in it (rather than in a copy
    // without commas).
    std::string_view line() const { return line_; }
    bool inLine(size_t column) const { return (copied_ & (1u << column)) == 0; }
    // A bit for each column viewed in a copy.
    unsigned copiedColumns() const { return copied_; }
    // The same split, the copies without commas made in the given room, which holds at
    // least the line's bytes and eight more: a reader that keeps the fields copies them
    // once, there.
    size_t split(std::string_view line, const TextReader::Marks& marks, char* room) {
        room_ = room;
        const size_t count = split(line, marks);
        room_ = nullptr;
        return count;
    }

private:
    // Inline in the split, its one caller.
    [[gnu::always_inline]] inline std::string_view withoutCommas(size_t column,
                                                                 std::string_view field);

    std::string_view line_;
    void set(size_t column, std::string_view field) {
        starts_[column] = field.data();
        sizes_[column] = field.size();
    }

    // The fields, apart: a line's are worked out four at a time. Room for a field more.
    std::array<const char*, col::Count + 1> starts_;
    std::array<std::uint32_t, col::Count + 1> sizes_;
    std::array<std::string, col::Count> withoutCommas_;
    unsigned copied_ = 0;   // a bit for each column viewed in its copy
    char* room_ = nullptr;  // where the copies go, when not in withoutCommas_
    size_t count_ = 0;
};

// The first field of the line ending the report's transactions: "TOTAL", in any case.
bool isTotalLine(std::string_view first);

// Field i of a line: its start (just after the i-th tab, or the line's start) and its end
// (the next tab, or the line's end); npos as the start when the line has fewer tabs.
std::pair<size_t, size_t> fieldBounds(std::string_view line, size_t i);

// Field i of a report line without splitting the rest of it; a line with fewer fields
// raises "Subscript out of range" as a split line does.
std::string_view tabField(std::string_view line, size_t i);

// Reads the header row of the report open as kReportFile; blnHeaderOK tells whether it
// is one of the two accepted rows.
Sem sfReadAndCheckHeader(SafeState& st, bool& blnHeaderOK);

// The number part of a QuickBooks account text ("1-1100 · Cheque Account" gives
// "1-1100"); empty when there is no middle dot.
Sem sfNumberOnly(std::string_view accountText, std::string& number);

// The name part ("Cheque Account"); the whole trimmed text when there is no middle dot.
Sem sfNameOnly(std::string_view accountText, std::string& name);

}  // namespace tav
