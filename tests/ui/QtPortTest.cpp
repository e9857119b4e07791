// The Qt port's boxes and file filters, and the safe routines over windows.

#include <QComboBox>
#include <QPushButton>

#include "Desktop.h"
#include "ui/QtPort.h"
#include "ui/SafeForms.h"

using tav::Buttons;
using tav::DefaultButton;
using tav::Icon;
using SB = QMessageBox::StandardButton;

Q_DECLARE_METATYPE(tav::Buttons)
Q_DECLARE_METATYPE(tav::DefaultButton)
Q_DECLARE_METATYPE(tav::Icon)

class QtPortTest : public QObject {
    Q_OBJECT
private slots:
    void messageBoxes_data();
    void messageBoxes();
    void fileFilters();
    void formRoutinesRefuseWhatIsNotAForm();
};

void QtPortTest::messageBoxes_data() {
    QTest::addColumn<Buttons>("buttons");
    QTest::addColumn<DefaultButton>("defaultButton");
    QTest::addColumn<Icon>("icon");
    QTest::addColumn<QMessageBox::StandardButtons>("shown");
    QTest::addColumn<SB>("focused");
    QTest::addColumn<QMessageBox::Icon>("picture");

    QTest::newRow("OK") << Buttons::OK << DefaultButton::First << Icon::None
                        << QMessageBox::StandardButtons(SB::Ok) << SB::Ok << QMessageBox::NoIcon;
    QTest::newRow("file not found")
        << Buttons::RetryCancel << DefaultButton::Second << Icon::Exclamation
        << (SB::Retry | SB::Cancel) << SB::Cancel << QMessageBox::Warning;
    QTest::newRow("omit transaction") << Buttons::YesNo << DefaultButton::First << Icon::Question
                                      << (SB::Yes | SB::No) << SB::Yes << QMessageBox::Question;
    QTest::newRow("third default")
        << Buttons::YesNoCancel << DefaultButton::Third << Icon::Critical
        << (SB::Yes | SB::No | SB::Cancel) << SB::Cancel << QMessageBox::Critical;
    QTest::newRow("abort retry ignore")
        << Buttons::AbortRetryIgnore << DefaultButton::Second << Icon::Information
        << (SB::Abort | SB::Retry | SB::Ignore) << SB::Retry << QMessageBox::Information;
}

void QtPortTest::messageBoxes() {
    QFETCH(Buttons, buttons);
    QFETCH(DefaultButton, defaultButton);
    QFETCH(Icon, icon);
    QFETCH(QMessageBox::StandardButtons, shown);
    QFETCH(SB, focused);
    QFETCH(QMessageBox::Icon, picture);

    const auto box = tav::ui::QtPort::messageBoxFor(
        tav::Message{"First line\r\n<b>not bold</b>", buttons, icon, defaultButton, "A title"},
        nullptr);
    QCOMPARE(box->standardButtons(), shown);
    QCOMPARE(box->defaultButton(), box->button(focused));
    QCOMPARE(box->icon(), picture);
    QCOMPARE(box->windowTitle(), QString("A title"));
    QCOMPARE(box->text(), QString("First line\n<b>not bold</b>"));
    QCOMPARE(box->textFormat(), Qt::PlainText);
}

void QtPortTest::fileFilters() {
    using tav::ui::QtPort;
    QCOMPARE(QtPort::nameFilters("Text Files (*.txt)|*.txt|All Files (*.*)|*.*"),
             QStringList({"Text Files (*.txt)", "All Files (*.*)"}));
    QCOMPARE(QtPort::nameFilters("QuickBooks Company Files (*.qbw;*.qba)|*.qbw;*.qba"),
             QStringList({"QuickBooks Company Files (*.qbw *.qba)"}));
    QCOMPARE(QtPort::nameFilters("ASCII text (comma delim) (*.txt)|*.txt"),
             QStringList({"ASCII text (comma delim) (*.txt)"}));
    QCOMPARE(QtPort::nameFilters("Mapping files|*.csv"), QStringList({"Mapping files (*.csv)"}));
    QCOMPARE(QtPort::nameFilters(""), QStringList());
}

void QtPortTest::formRoutinesRefuseWhatIsNotAForm() {
    using namespace tav::ui;
    QCOMPARE(sfFormUnload(nullptr),
             std::string("SafeMethods.bas\tsfFormUnload\t-1\tArgument is not a form\r\n"));
    QWidget window;
    auto* inside = new QPushButton(&window);
    QCOMPARE(sfFormUnload(inside).empty(), false);
    QCOMPARE(sfOtherFormsUnload(nullptr),
             std::string("SafeMethods.bas\tsfOtherFormsUnload\t-1\tInvalid argument\r\n"));

    QComboBox combo(&window);
    combo.addItems({"a", "b", "c"});
    QCOMPARE(sfSetCmbDropDownHeight(3, nullptr, &window),
             std::string("SafeMethods.bas\tsfSetCmbDropDownHeight\t-1\tparameter not a valid "
                         "combo\r\n"));
    QCOMPARE(sfSetCmbDropDownHeight(3, &combo, nullptr),
             std::string("SafeMethods.bas\tsfSetCmbDropDownHeight\t-2\tparameter not a valid "
                         "form\r\n"));
    QCOMPARE(sfSetCmbDropDownHeight(4, &combo, &window),
             std::string("SafeMethods.bas\tsfSetCmbDropDownHeight\t-3\tThe number of items in the "
                         "combo list is less than the number of items to display.\r\n"));
    QCOMPARE(sfSetCmbDropDownHeight(3, &combo, &window), std::string());
    QCOMPARE(combo.maxVisibleItems(), 3);
}

int runQtPortTests(int argc, char** argv) {
    QtPortTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "QtPortTest.moc"
