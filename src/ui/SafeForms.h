#pragma once
// The safe routines that work on windows and controls (module "SafeMethods.bas").

#include "safe/Sem.h"

class QComboBox;
class QWidget;

namespace tav::ui {

// Unloads a window: a top-level window, or a form shown inside the main window.
Sem sfFormUnload(QWidget* form);

// Unloads every other open window, from the last opened to the first; windows are
// compared by name, ignoring case.
Sem sfOtherFormsUnload(QWidget* keep);

// Makes the combo box's drop-down list show that many items.
Sem sfSetCmbDropDownHeight(int items, QComboBox* combo, QWidget* form);

}  // namespace tav::ui
