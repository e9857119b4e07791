// The Qt port's boxes and file filters, and the safe routines over windows.

#include <QComboBox>
#include <QPushButton>

#include "Desktop.h"
#include "ui/QtPort.h"
#include "ui/SafeForms.h"

using SB = QMessageBox::StandardButton;

class QtPortTest : public QObject {
    Q_OBJECT
private slots:
    void messageBoxes();
    void fileFilters();
    void formRoutinesRefuseWhatIsNotAForm();
};

void QtPortTest::messageBoxes() {
    using tav::Buttons, tav::DefaultButton, tav::Icon;
    struct Case {
        Buttons buttons;
        DefaultButton defaultButton;
        Icon icon;
        QMessageBox::StandardButtons shown;
        SB focused;
        QMessageBox::Icon picture;
    };
    for (const Case& c : {
             Case{Buttons::OK, DefaultButton::First, Icon::None, SB::Ok, SB::Ok,
                  QMessageBox::NoIcon},
             Case{Buttons::RetryCancel, DefaultButton::Second, Icon::Exclamation,
                  SB::Retry | SB::Cancel, SB::Cancel, QMessageBox::Warning},
             Case{Buttons::YesNo, DefaultButton::First, Icon::Question, SB::Yes | SB::No, SB::Yes,
                  QMessageBox::Question},
             Case{Buttons::YesNoCancel, DefaultButton::Third, Icon::Critical,
                  SB::Yes | SB::No | SB::Cancel, SB::Cancel, QMessageBox::Critical},
             Case{Buttons::AbortRetryIgnore, DefaultButton::Second, Icon::Information,
                  SB::Abort | SB::Retry | SB::Ignore, SB::Retry, QMessageBox::Information},
         }) {
        const auto box =
            tav::ui::QtPort::messageBoxFor(tav::Message{"First line\r\n<b>not bold</b>", c.buttons,
                                                        c.icon, c.defaultButton, "A title"},
                                           nullptr);
        QCOMPARE(box->standardButtons(), c.shown);
        QCOMPARE(box->defaultButton(), box->button(c.focused));
        QCOMPARE(box->icon(), c.picture);
        QCOMPARE(box->windowTitle(), QString("A title"));
        QCOMPARE(box->text(), QString("First line\n<b>not bold</b>"));
        QCOMPARE(box->textFormat(), Qt::PlainText);
    }
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
    QVERIFY(!sfFormUnload(new QPushButton(&window)).empty());

    // A list shorter than asked keeps its standard height.
    QComboBox combo(&window);
    combo.addItems({"a", "b", "c"});
    QVERIFY(sfSetCmbDropDownHeight(4, &combo, &window).find("\t-3\t") != std::string::npos);
    QCOMPARE(combo.maxVisibleItems(), 10);
    QCOMPARE(sfSetCmbDropDownHeight(3, &combo, &window), std::string());
    QCOMPARE(combo.maxVisibleItems(), 3);
}

int runQtPortTests(int argc, char** argv) {
    QtPortTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "QtPortTest.moc"
