#include "ui/TavForm.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSvgRenderer>

#include "safe/ErrorLog.h"
#include "shell/ProgramState.h"
#include "ui/SafeForms.h"

namespace tav::ui {

WindowParts::WindowParts(QWidget& window, const FormContext& context, const char* name,
                         std::string_view caption, HelpTopic topic)
    : st_(context.st), ui_(context.ui), host_(context.host), window_(window), topic_(topic) {
    window.setObjectName(name);
    window.setWindowTitle(qtText(caption));
}

void WindowParts::unload(std::string_view module, std::string_view procedure) {
    if (const Sem e = sfFormUnload(&window_); !e.empty())
        dsCreateSEMAndDoAll(st_, ui_, module, procedure, 0, "Error unloading the window.", e, true);
}

QPushButton* WindowParts::button(const char* name, std::string_view caption) {
    auto* b = new QPushButton(qtText(caption), &window_);
    b->setObjectName(name);
    return b;
}

QLabel* WindowParts::label(const char* name, std::string_view text) {
    auto* l = new QLabel(labelText(text), &window_);
    l->setObjectName(name);
    return l;
}

QLabel* WindowParts::label(const char* name, std::string_view text, QWidget* buddy) {
    auto* l = new QLabel(qtText(text), &window_);
    l->setObjectName(name);
    l->setBuddy(buddy);
    buddy->setAccessibleName(plainText(text));
    return l;
}

void WindowParts::name(QWidget* control, const char* objectName, std::string_view accessibleName) {
    control->setObjectName(objectName);
    control->setAccessibleName(qtText(accessibleName));
}

void WindowParts::tabOrder(const QList<QWidget*>& reading) {
    for (qsizetype i = 1; i < reading.size(); ++i) QWidget::setTabOrder(reading[i - 1], reading[i]);
}

WindowParts::WizardButtons WindowParts::wizardButtons(Screen page, NextPage next) {
    WizardButtons b{button("cmdHelp", "Help"), button("cmdBack", "< &Back"),
                    next == NextPage::Shown ? button("cmdNext", "&Next >") : nullptr,
                    button("cmdCancel", "&Cancel"), new QHBoxLayout};
    b.row->addWidget(b.help);
    b.row->addStretch();
    b.row->addWidget(b.back);
    QObject::connect(b.help, &QPushButton::clicked, &window_, [this] { host_.showHelp(topic_); });
    QObject::connect(b.back, &QPushButton::clicked, &window_,
                     [this, page] { host_.showScreen(*wizardBack(page, st_.gintTargetApp)); });
    if (b.next) {
        b.next->setDefault(true);
        b.row->addWidget(b.next);
        QObject::connect(b.next, &QPushButton::clicked, &window_,
                         [this, page] { host_.showScreen(*wizardNext(page, st_.gintTargetApp)); });
    }
    b.row->addWidget(b.cancel);
    QObject::connect(b.cancel, &QPushButton::clicked, &window_,
                     [this] { host_.showScreen(Screen::Navigator); });
    return b;
}

TavForm::TavForm(const FormContext& context, const char* name, std::string_view caption,
                 HelpTopic topic, QWidget* parent)
    : QWidget(parent), WindowParts(*this, context, name, caption, topic) {}

void TavForm::keyPressEvent(QKeyEvent* event) {
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    const int key = event->key();
    if (plain && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
        // As in a dialog, the button with the focus is pressed itself.
        if (auto* focused = qobject_cast<QPushButton*>(focusWidget());
            focused && isAncestorOf(focused))
            return focused->click();
        for (QPushButton* b : findChildren<QPushButton*>()) {
            // A dialog opened from this form has default buttons of its own.
            const QWidget* owner = b->parentWidget();
            while (owner && !qobject_cast<const TavForm*>(owner) && !owner->isWindow())
                owner = owner->parentWidget();
            if (owner == this && b->isDefault() && b->isVisible() && b->isEnabled())
                return b->click();
        }
    }
    if (plain && key == Qt::Key_Escape && isWindow()) return void(close());
    QWidget::keyPressEvent(event);
}

TavDialog::TavDialog(const FormContext& context, const char* name, std::string_view caption,
                     HelpTopic topic, QWidget* parent)
    : QDialog(parent), WindowParts(*this, context, name, caption, topic) {
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
}

void TavDialog::centre() {
    QWidget* over = parentWidget() ? parentWidget()->window() : nullptr;
    if (over) move(over->geometry().center() - rect().center());
}

QString qtText(std::string_view text) {
    QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return s;
}

QString labelText(std::string_view caption) {
    return qtText(caption).replace(QLatin1String("&&"), QLatin1String("&"));
}

QString plainText(std::string_view caption) {
    QString text = qtText(caption);
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i] == '&') text.remove(i, 1);  // "&&" leaves one "&"
    return text;
}

QPixmap tavPicture(int size) {
    const qreal ratio = qApp->devicePixelRatio();
    QPixmap picture(QSize(size, size) * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    QSvgRenderer(QStringLiteral(":/tavora.svg")).render(&p, QRectF(0, 0, size, size));
    return picture;
}

QIcon tavIcon() { return QIcon(QStringLiteral(":/tavora.svg")); }

}  // namespace tav::ui
