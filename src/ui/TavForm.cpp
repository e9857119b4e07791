#include "ui/TavForm.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

#include "safe/ErrorLog.h"
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

TavForm::TavForm(const FormContext& context, const char* name, std::string_view caption,
                 HelpTopic topic, QWidget* parent)
    : QWidget(parent), WindowParts(*this, context, name, caption, topic) {}

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
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 160, 200));
    p.drawRoundedRect(QRectF(0, 0, s, s), s * 0.18, s * 0.18);
    // Two ledgers' pages with an arrow from one to the other.
    p.setBrush(Qt::white);
    p.drawRect(QRectF(s * 0.12, s * 0.22, s * 0.26, s * 0.56));
    p.drawRect(QRectF(s * 0.62, s * 0.22, s * 0.26, s * 0.56));
    p.setPen(QPen(QColor(0, 160, 200), std::max(1.0, s * 0.03)));
    for (int i = 1; i <= 4; ++i) {
        const qreal y = s * (0.22 + 0.11 * i);
        p.drawLine(QPointF(s * 0.16, y), QPointF(s * 0.34, y));
        p.drawLine(QPointF(s * 0.66, y), QPointF(s * 0.84, y));
    }
    QPainterPath arrow;
    arrow.moveTo(s * 0.42, s * 0.45);
    arrow.lineTo(s * 0.52, s * 0.45);
    arrow.lineTo(s * 0.52, s * 0.38);
    arrow.lineTo(s * 0.59, s * 0.50);
    arrow.lineTo(s * 0.52, s * 0.62);
    arrow.lineTo(s * 0.52, s * 0.55);
    arrow.lineTo(s * 0.42, s * 0.55);
    arrow.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 200, 40));
    p.drawPath(arrow);
    return picture;
}

}  // namespace tav::ui
