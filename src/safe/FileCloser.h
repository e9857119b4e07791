#pragma once
// Closes a numbered file on every way out of a routine: a reader that meets bad data
// returns early or is stopped by a trapped failure, and either way its file must not
// stay open into the next user action.

#include "safe/FileTable.h"

namespace tav {

class FileCloser {
public:
    FileCloser(FileTable& files, int number) : files_(files), number_(number) {}
    ~FileCloser() {
        if (!files_.isOpen(number_)) return;
        try {
            files_.close(number_);
        } catch (...) {
            // The routine is already failing; its own SEM line says why.
        }
    }
    FileCloser(const FileCloser&) = delete;
    FileCloser& operator=(const FileCloser&) = delete;

private:
    FileTable& files_;
    int number_;
};

}  // namespace tav
