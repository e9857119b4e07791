#pragma once
// What the safe routines and the error log use of the program's state: the open files
// and the data folder that holds TAV.log. The program state is one (it derives from
// this), so the safe layer needs nothing above it.

#include <string>

#include "safe/FileTable.h"

namespace tav {

struct SafeState {
    std::string gstrDataFolder;  // <common documents>/TAV
    FileTable files;             // the open files, by number
};

}  // namespace tav
