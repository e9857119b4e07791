#pragma once
// Closes a numbered file on every way out of a routine: a reader that meets bad data
// returns early or is stopped by a trapped failure, and either way its file must not
// stay open into the next user action. A routine that writes a file closes it itself
// when the file is complete; on any other way out the new version is dropped and the
// old file stays as it was.

#include "safe/FileTable.h"

namespace tav {

class FileCloser {
public:
    FileCloser(FileTable& files, int number) : files_(files), number_(number) {}
    ~FileCloser() { files_.abandon(number_); }
    FileCloser(const FileCloser&) = delete;
    FileCloser& operator=(const FileCloser&) = delete;

private:
    FileTable& files_;
    int number_;
};

}  // namespace tav
