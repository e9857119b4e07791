#pragma once
// The safe routines every part of the program uses: opening files, paths, splitting
// and replacing text, whole numbers, arrays and collections. Each returns a SEM list
// (module "SafeMethods.bas"), empty on success.

#include <string>
#include <string_view>

#include "safe/Collection.h"
#include "safe/Sem.h"
#include "safe/UiPort.h"

namespace tav {

// The open files and the data folder (safe/SafeState.h); the program state is one.
struct SafeState;

inline constexpr std::string_view kSafeMethods = "SafeMethods.bas";

// Splits at every occurrence of the delimiter. An empty text has no fields; with a
// limit, the last field keeps the rest of the text.
StrArray vbSplit(std::string_view text, std::string_view delimiter, int limit = -1);

// Field i of a split line; past the end raises "Subscript out of range".
const std::string& field(const StrArray& fields, size_t i);

// Opens a file under a number from 1 to 511 with the operation "Input", "Output",
// "Append", "Binary" or "Random" (exact names). A missing input file and a file the
// system refuses (permission denied) each give the user a Retry/Cancel box.
Sem sfOpenFile(SafeState& st, UiPort& ui, const std::string& path, const std::string& strOperation,
               int intFileNumber);

// exists = 1 if the file or folder exists, else 0.
Sem sfDoesPathExist(const std::string& path, long& exists);

// The shell's special folder; only CSIDL_COMMON_DOCUMENTS (46) is known.
inline constexpr long kCsidlCommonDocuments = 46;
Sem sfSHGetFolderPath(long csidl, std::string& path);

Sem sfGetShortPathFileName(const std::string& longPath, std::string& shortPath);

// Opens a file in the desktop's text viewer, or tells the user why not.
Sem sfDisplayFileContents(UiPort& ui, const std::string& path);

// A path no longer than about maxLength for display: first, second and last parts.
Sem sfShortenPath(const std::string& path, std::string& shortPath, short maxLength);

// Replaces in place as the platform's Replace does: the result starts at the 1-based
// position start; count -1 replaces every occurrence; compare 0 exact, 1 ignoring case.
Sem sfReplace(std::string& text, std::string_view find, std::string_view replacement,
              long start = 1, long count = -1, short compare = 0);

// Empty when the value is a whole number that fits 32 bits.
Sem sfIsLong(std::string_view value);

// The number of elements; an empty array fails with "Subscript out of range".
Sem sfArrayCount(const StrArray& array, long& count);

template <class T>
Sem sfClearCollection(Collection<T>& collection) {
    collection.Clear();
    return {};
}

}  // namespace tav
