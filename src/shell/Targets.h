#pragma once
// Everything that depends only on the target application's index.

#include <cstdint>

namespace tav {

struct TargetInfo {
    const char* listText;        // navigator's target list
    const char* appName;         // gstrTargetAppName
    const char* mappingCaption;  // the navigator's step 3 label
    const char* sourceCaption;   // the source application label
};

// nullptr for an index outside 0 to 4.
const TargetInfo* targetInfo(std::int16_t index);

inline constexpr std::int16_t kTargetCount = 5;

}  // namespace tav
