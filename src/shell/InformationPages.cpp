#include "shell/InformationPages.h"

#include "shell/ProgramState.h"

namespace tav::introduction {

void chkDontShow_Click(ProgramState& st, bool ticked) { st.gblnShowIntro = !ticked; }

}  // namespace tav::introduction
