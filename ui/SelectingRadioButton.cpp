#include "ui/SelectingRadioButton.h"

#include <QKeyEvent>

#include <algorithm>

CSelectingRadioButton::CSelectingRadioButton(const QString& text, QWidget* parent) : QRadioButton(text, parent)
{
    setAutoExclusive(false);
    setFocusPolicy(Qt::ClickFocus);
    // Tab stops only at the selected button of a group.
    connect(this, &QAbstractButton::toggled, this,
            [this](bool on) { setFocusPolicy(on ? Qt::StrongFocus : Qt::ClickFocus); });
}

void CSelectingRadioButton::MakeGroup(const std::vector<CSelectingRadioButton*>& buttons)
{
    for (CSelectingRadioButton* button : buttons)
        button->group_ = buttons;
}

void CSelectingRadioButton::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    const bool back = key == Qt::Key_Up || key == Qt::Key_Left;
    const bool forward = key == Qt::Key_Down || key == Qt::Key_Right;
    const auto self = std::find(group_.begin(), group_.end(), this);
    if ((!back && !forward) || self == group_.end()) {
        QRadioButton::keyPressEvent(event);
        return;
    }
    const auto count = static_cast<std::ptrdiff_t>(group_.size());
    const std::ptrdiff_t at = ((self - group_.begin()) + (forward ? 1 : count - 1)) % count;
    CSelectingRadioButton* next = group_[static_cast<std::size_t>(at)];
    next->setFocus(Qt::TabFocusReason);
    next->click(); // selects it, and the dialog deselects its partners
}
