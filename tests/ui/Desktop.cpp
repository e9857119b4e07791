#include "Desktop.h"

#include <QAction>
#include <QPushButton>
#include <filesystem>

#include "safe/Platform.h"
#include "shell/TAVNavigator.h"

namespace tav::test {

namespace fs = std::filesystem;

Desktop::Desktop() {
    const fs::path shipped = TAV_INSTALL_SOURCE_DIR;
    const fs::path to = platform::pathFromUtf8(install.path());
    fs::copy(shipped / "TAVHelp", to / "TAVHelp", fs::copy_options::recursive);
    for (const char* page : {"Preliminary_Tasks.htm", "Extract_Data_Integrated.htm"})
        fs::copy(shipped / page, to / page);
    writeIni(validIni());
    st.installFolder = install.path();
    st.commonDocumentsFolder = common.path();
    frame = std::make_unique<ui::MDIfrmMain>(st, ui);
}

void Desktop::installData() {
    fs::copy(TAV_INSTALL_SOURCE_DIR, platform::pathFromUtf8(install.path()),
             fs::copy_options::recursive | fs::copy_options::skip_existing);
}

void Desktop::useSampleClient() {
    fs::copy(fs::path(TAV_INSTALL_SOURCE_DIR) / "SampleFiles",
             platform::pathFromUtf8(client.path()),
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

void Desktop::chooseTarget(std::int16_t target) {
    navigator::View view;
    navigator::cmbTarget_Click(st, ui, target, view);
}

bool Desktop::sampleClientAtStep3(std::int16_t target) {
    installData();
    useSampleClient();
    if (!start()) return false;
    if (target != target::MasAU) chooseTarget(target);
    click("cmdMapping");
    ui.dialogAnswers = {client.file("HarbourLaneCafe.qbw")};
    click("cmdQBDataFile");
    click("cmdExtractQBLists");
    ui.dialogAnswers = {client.file("Journal.txt")};
    click("cmdTransFile");
    return true;
}

void Desktop::writeIni(const std::string& text) { writeFile(install.file("TAV.ini"), text); }

std::string Desktop::validIni(bool intro) const {
    return crlf({"[General]", std::string("IntroScreen=") + (intro ? "True" : "False"),
                 "ClientFolder=" + client.path(), "[SourceApp]", "Version=19.0\\", "Edition=1",
                 "CompanyFile=", "[TargetApp]", "TargetApplication=0", "LedgerNumber=0",
                 "CustomisedLedgerPath="});
}

bool Desktop::start() {
    const bool started = frame->MDIForm_Load();
    settle();
    return started;
}

ui::TavForm* Desktop::screen() {
    settle();
    return frame->currentScreen();
}

void Desktop::click(const char* name) {
    auto* button = control<QAbstractButton>(name);
    QVERIFY2(button, name);
    QTest::mouseClick(button, Qt::LeftButton);
    settle();
}

void Desktop::trigger(const char* menuItem) {
    auto* action = frame->findChild<QAction*>(menuItem);
    QVERIFY2(action, menuItem);
    action->trigger();
    settle();
}

void Desktop::choose(QComboBox* list, int index) {
    list->setCurrentIndex(index);
    emit list->activated(index);
    settle();
}

void Desktop::settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

GridRows gridRows(const QAbstractItemView* grid, int first, int second, Blanks blanks) {
    const QAbstractItemModel* model = grid->model();
    const auto cell = [&](int r, int c) {
        const QString text = model->index(r, c).data().toString();
        return blanks == Blanks::Trimmed ? text.simplified() : text;
    };
    GridRows rows;
    for (int r = 0; r < model->rowCount(); ++r) rows.emplace_back(cell(r, first), cell(r, second));
    return rows;
}

}  // namespace tav::test
