#pragma once
// The account mapping screen's opening without its window. Its buttons' actions are the
// mapping model's (modAccountMapping); failures are reported under
// "TAVAccountMapping.frm".

#include "safe/UiPort.h"

namespace tav {

struct ProgramState;

namespace accountmappingscreen {

// Builds the mapping from the chart of accounts and the report's accounts while it is
// empty; an existing mapping is shown as it stands. False when building it failed (the
// failure has been reported).
bool Form_Load(ProgramState& st, UiPort& ui);

}  // namespace accountmappingscreen
}  // namespace tav
