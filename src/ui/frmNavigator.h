#pragma once
// The navigator: edition, target and client folder, and the four steps.

#include <QLabel>

#include "shell/TAVNavigator.h"
#include "ui/TavForm.h"

class QComboBox;
class QGridLayout;

namespace tav::ui {

// "Using Accountants' Toggle?": underlined with the hand pointer while the pointer is
// over it, and while it has the keyboard's focus; a click, Enter or Space opens its help
// topic.
class HyperLink : public QLabel {
    Q_OBJECT
public:
    HyperLink(const QString& text, QWidget* parent);

signals:
    void clicked();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void setUnderline(bool on);
    bool hovered_ = false;
};

class frmNavigator : public TavForm {
    Q_OBJECT
public:
    explicit frmNavigator(const FormContext& context);

private:
    void addStep(QGridLayout* steps, int row, const char* buttonName, const char* labelName,
                 std::string_view caption, Screen screen);
    void showView();
    // A click on a step's label is a click on its round button.
    bool eventFilter(QObject* watched, QEvent* event) override;

    navigator::View view_;
    QComboBox* cmbSourceProduct_;
    QComboBox* cmbTarget_;
    QLabel* lblQBi_;
    QLabel* lblMapping_ = nullptr;
    QPushButton* cmdMapping_ = nullptr;
    QLabel* lblClientFolder_;
};

}  // namespace tav::ui
