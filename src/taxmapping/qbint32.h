#pragma once
// Stand-in for the QuickBooks integration library. QuickBooks itself cannot run here, so
// the lists come from the company file's IIF text: the company file itself when it is
// IIF text (its first non-empty line starts with "!"), otherwise the IIF export beside it
// (same name, extension .iif), which QuickBooks writes with File > Utilities > Export >
// Lists to IIF Files.
//
// Like the library, it reads "qbint32.ini" and "script.txt" from the current directory.
// Each script line "RECTYPE path" names a list by its record type; its "!RECTYPE" header
// lines and "RECTYPE" data lines are written to the path with CR LF line ends, their
// bytes unchanged.

#include <string>

namespace tav {

// The number of list records written, or a failure code: -1 when qbint32.ini names no
// QuickBooks edition, -15 when the company file (or its IIF export) cannot be read, -10
// when the script cannot be read or a list cannot be written.
long ExportQbwData(const std::string& shortPath);

}  // namespace tav
