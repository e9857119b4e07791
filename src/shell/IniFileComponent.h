#pragma once
// The settings-file component: reads and writes values of ini files by section
// and key, and writes plain text files. Every operation returns "" on success or an
// error text (itself a SEM line, so the error log shows where it came from).
//
// Values are raw text: nothing but the blanks around them is removed, so "19.0\"
// keeps its backslash. Writing a value rewrites that one line in place and keeps
// every other byte of the file (comments, blank lines, order, line ends, encoding);
// a missing section or key is added. Sections and keys match ignoring case, as
// Windows ini files do. The one exception to keeping every byte: a Windows-1252 file
// that cannot carry the new value, or that the new value would leave reading as
// UTF-8, is rewritten in UTF-8, so that every value still reads back as it was.
//
// A file written ("Output" text files, and the ini file a value goes into) is replaced
// whole, or left as it was (FileReplacement).

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace tav {

class IniFileComponent {
public:
    std::string SetErrorLog(const std::string& logPath);
    std::string ReadValue(const std::string& section, const std::string& key, std::string& value,
                          const std::string& iniPath);
    // The key's line in the file (from 1) and the byte offset where it begins, when the
    // file has one: where a message about its value points.
    std::optional<std::pair<std::uint64_t, std::uint64_t>> KeyLine(const std::string& section,
                                                                   const std::string& key,
                                                                   const std::string& iniPath);
    std::string WriteValue(const std::string& section, const std::string& key,
                           const std::string& value, const std::string& iniPath);
    // mode "Output" replaces the file, "Append" adds to its end.
    std::string WriteTextFile(const std::string& path, const std::string& mode,
                              const std::string& text);

private:
    std::string errorLog_;
};

}  // namespace tav
