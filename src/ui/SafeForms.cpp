#include "ui/SafeForms.h"

#include <QApplication>
#include <QComboBox>
#include <QMdiArea>
#include <QMdiSubWindow>

#include "safe/SafeMethods.h"

namespace tav::ui {

namespace {

// The window that holds a form: its frame inside the main window, or the form itself.
QWidget* windowOf(QWidget* form) {
    if (qobject_cast<QMdiSubWindow*>(form)) return form;
    if (auto* frame = qobject_cast<QMdiSubWindow*>(form->parentWidget())) return frame;
    return form->isWindow() ? form : nullptr;
}

QString nameOf(QWidget* window) {
    if (auto* frame = qobject_cast<QMdiSubWindow*>(window); frame && frame->widget())
        return frame->widget()->objectName();
    return window->objectName();
}

}  // namespace

Sem sfFormUnload(QWidget* form) {
    QWidget* window = form ? windowOf(form) : nullptr;
    if (!window) return sfSemCreate(kSafeMethods, "sfFormUnload", -1, "Argument is not a form");
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->close();
    return {};
}

Sem sfOtherFormsUnload(QWidget* keep) {
    if (!keep) return sfSemCreate(kSafeMethods, "sfOtherFormsUnload", -1, "Invalid argument");
    // Top-level windows come in no known order; the main window's children come in the
    // order they were opened.
    QList<QWidget*> open;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (!top->isVisible()) continue;
        open.append(top);
        for (QMdiArea* area : top->findChildren<QMdiArea*>())
            for (QMdiSubWindow* frame : area->subWindowList(QMdiArea::CreationOrder))
                open.append(frame);
    }
    const QString kept = nameOf(keep);
    for (auto it = open.crbegin(); it != open.crend(); ++it)
        if (nameOf(*it).compare(kept, Qt::CaseInsensitive) != 0) sfFormUnload(*it);
    return {};
}

Sem sfSetCmbDropDownHeight(int items, QComboBox* combo, QWidget* form) {
    constexpr std::string_view kProc = "sfSetCmbDropDownHeight";
    if (!combo) return sfSemCreate(kSafeMethods, kProc, -1, "parameter not a valid combo");
    if (!form) return sfSemCreate(kSafeMethods, kProc, -2, "parameter not a valid form");
    if (combo->count() < items)
        return sfSemCreate(kSafeMethods, kProc, -3,
                           "The number of items in the combo list is less than the number of "
                           "items to display.");
    combo->setMaxVisibleItems(items);
    return {};
}

}  // namespace tav::ui
