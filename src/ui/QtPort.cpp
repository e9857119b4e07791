#include "ui/QtPort.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <array>

#include "safe/SafeMethods.h"
#include "ui/TavForm.h"

namespace tav::ui {

namespace {

using SB = QMessageBox::StandardButton;

// The buttons of each choice, in the order the default button counts them.
std::vector<SB> buttonsOf(Buttons b) {
    switch (b) {
        case Buttons::OK: return {SB::Ok};
        case Buttons::OKCancel: return {SB::Ok, SB::Cancel};
        case Buttons::AbortRetryIgnore: return {SB::Abort, SB::Retry, SB::Ignore};
        case Buttons::YesNoCancel: return {SB::Yes, SB::No, SB::Cancel};
        case Buttons::YesNo: return {SB::Yes, SB::No};
        case Buttons::RetryCancel: return {SB::Retry, SB::Cancel};
    }
    return {SB::Ok};
}

std::optional<Answer> answerOf(int button) {
    switch (button) {
        case SB::Ok: return Answer::OK;
        case SB::Cancel: return Answer::Cancel;
        case SB::Abort: return Answer::Abort;
        case SB::Retry: return Answer::Retry;
        case SB::Ignore: return Answer::Ignore;
        case SB::Yes: return Answer::Yes;
        case SB::No: return Answer::No;
        default: return std::nullopt;
    }
}

QMessageBox::Icon iconOf(Icon icon) {
    switch (icon) {
        case Icon::None: return QMessageBox::NoIcon;
        case Icon::Critical: return QMessageBox::Critical;
        case Icon::Question: return QMessageBox::Question;
        case Icon::Exclamation: return QMessageBox::Warning;
        case Icon::Information: return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

QString fromUtf8(const std::string& s) { return QString::fromStdString(s); }
std::string toUtf8(const QString& s) { return QDir::toNativeSeparators(s).toStdString(); }

}  // namespace

std::unique_ptr<QMessageBox> QtPort::messageBoxFor(const Message& m, QWidget* parent) {
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(fromUtf8(m.title));
    box->setTextFormat(Qt::PlainText);
    box->setText(qtText(m.text));
    box->setIcon(iconOf(m.icon));
    const std::vector<SB> buttons = buttonsOf(m.buttons);
    QMessageBox::StandardButtons all;
    for (SB b : buttons) all |= b;
    box->setStandardButtons(all);
    const size_t index = static_cast<size_t>(m.defaultButton);
    box->setDefaultButton(buttons[std::min(index, buttons.size() - 1)]);
    return box;
}

Answer QtPort::messageBox(const Message& message) {
    const auto box = messageBoxFor(message, QApplication::activeWindow());
    if (message.icon != Icon::Information && whereAbout) {
        if (const std::string where = whereAbout(); !where.empty())
            box->setInformativeText("In " + fromUtf8(where));
    }
    // Closing the box without a button counts as its default.
    return answerOf(box->exec()).value_or(defaultAnswer(message));
}

QStringList QtPort::nameFilters(const std::string& filter) {
    QStringList out;
    const StrArray parts = vbSplit(filter, "|");
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        QString description = fromUtf8(parts[i]).trimmed();
        // The description usually names its patterns already; Qt wants them last.
        if (description.endsWith(')')) {
            const qsizetype open = description.lastIndexOf('(');
            if (open > 0) description = description.left(open).trimmed();
        }
        QString patterns = fromUtf8(parts[i + 1]);
        patterns.replace(';', ' ');
        out << description + " (" + patterns + ")";
    }
    return out;
}

std::optional<std::string> QtPort::fileDialog(const FileDialog& d) {
    QWidget* parent = QApplication::activeWindow();
    if (d.kind == DialogKind::Folder) {
        const QString folder =
            QFileDialog::getExistingDirectory(parent, fromUtf8(d.title), fromUtf8(d.initialFolder));
        if (folder.isEmpty()) return std::nullopt;
        return toUtf8(folder);
    }
    QFileDialog dialog(parent, fromUtf8(d.title), fromUtf8(d.initialFolder));
    dialog.setAcceptMode(d.kind == DialogKind::Save ? QFileDialog::AcceptSave
                                                    : QFileDialog::AcceptOpen);
    dialog.setFileMode(d.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (!d.overwritePrompt) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QStringList filters = nameFilters(d.filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(filters.value(std::max(d.filterIndex, 1) - 1, filters.first()));
    }
    if (!d.fileName.empty()) dialog.selectFile(fromUtf8(d.fileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return toUtf8(dialog.selectedFiles().first());
}

void QtPort::doEvents() { QCoreApplication::processEvents(); }

ViewerStart QtPort::startViewer(const std::string& path) {
#ifdef _WIN32
    const std::array<QString, 3> viewers{"C:\\Program Files\\Accessories\\WORDPAD.EXE",
                                         "C:\\Program Files\\Windows NT\\Accessories\\WORDPAD.EXE",
                                         "notepad.exe"};
#else
    // The desktop's own choice first, then the usual plain-text editors.
    const std::array<QString, 4> viewers{"xdg-open", "gedit", "mousepad", "kate"};
#endif
    for (const QString& viewer : viewers) {
        const QString program = QFileInfo(viewer).isAbsolute()
                                    ? (QFileInfo::exists(viewer) ? viewer : QString())
                                    : QStandardPaths::findExecutable(viewer);
        if (program.isEmpty()) continue;
        return QProcess::startDetached(program, {fromUtf8(path)}) ? ViewerStart::Started
                                                                  : ViewerStart::Failed;
    }
    return ViewerStart::NotFound;
}

bool QtPort::startProgram(const std::string& program, const std::vector<std::string>& arguments) {
    const QString found = QFileInfo(fromUtf8(program)).isAbsolute()
                              ? fromUtf8(program)
                              : QStandardPaths::findExecutable(fromUtf8(program));
    if (found.isEmpty()) return false;
    QStringList args;
    for (const std::string& a : arguments) args << fromUtf8(a);
    return QProcess::startDetached(found, args);
}

void QtPort::setBusy(bool on) {
    if (on) {
        ++busy_;
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (busy_ > 0) {
        --busy_;
        QApplication::restoreOverrideCursor();
    }
}

void QtPort::progress(std::uint64_t done, std::uint64_t total) {
    if (onProgress) onProgress(done, total);
}

}  // namespace tav::ui
