// SPDX-License-Identifier: GPL-3.0-or-later
// The radio group: buttons in a grid, kept exclusive by a button group whose
// ids are the item indexes.
#include "widgets/RadioGroup.h"

#include <QButtonGroup>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QGridLayout>
#include <QRadioButton>

#include <algorithm>

RadioGroup::RadioGroup(QWidget* parent)
    : QGroupBox(parent)
    , grid_(new QGridLayout(this))
    , group_(new QButtonGroup(this))
{
    group_->setExclusive(true);
    // Buttons stack from the top; a tall group leaves its room below them.
    grid_->setAlignment(Qt::AlignTop);
    connect(group_, &QButtonGroup::idToggled, this, &RadioGroup::buttonToggled);
}

void RadioGroup::setItems(const QStringList& items)
{
    clear();
    for (const QString& text : items)
        addItem(text);
}

void RadioGroup::addItem(const QString& text, const QVariant& data)
{
    auto* button = new QRadioButton(text, this);
    group_->addButton(button, count());
    button->installEventFilter(this);
    buttons_.append(button);
    data_.append(data);
    relayout();
}

void RadioGroup::clear()
{
    for (QRadioButton* button : std::as_const(buttons_)) {
        group_->removeButton(button);
        delete button;
    }
    buttons_.clear();
    data_.clear();
    leaving_ = nullptr;
    changeIndex(-1);
}

QString RadioGroup::itemText(int i) const
{
    return i >= 0 && i < count() ? buttons_[i]->text() : QString();
}

QVariant RadioGroup::itemData(int i) const
{
    return i >= 0 && i < count() ? data_[i] : QVariant();
}

QStringList RadioGroup::items() const
{
    QStringList texts;
    for (const QRadioButton* button : buttons_)
        texts.append(button->text());
    return texts;
}

QRadioButton* RadioGroup::button(int i) const
{
    return i >= 0 && i < count() ? buttons_[i] : nullptr;
}

void RadioGroup::setItemIndex(int index)
{
    index = std::clamp(index, -1, count() - 1);
    if (index == index_)
        return;
    if (index >= 0) {
        // Checking the button reaches buttonToggled, which records the index
        // and notifies, exactly as a click would.
        buttons_[index]->setChecked(true);
        return;
    }
    // An exclusive group refuses to leave every button unchecked.
    group_->setExclusive(false);
    buttons_[index_]->setChecked(false);
    group_->setExclusive(true);
    changeIndex(-1);
}

bool RadioGroup::eventFilter(QObject* watched, QEvent* event)
{
    auto* button = qobject_cast<QRadioButton*>(watched);
    if (!button)
        return QGroupBox::eventFilter(watched, event);
    if (event->type() == QEvent::FocusOut) {
        // Seen before the FocusIn of the button that gets the focus next.
        leaving_ = button;
        return QGroupBox::eventFilter(watched, event);
    }
    if (event->type() == QEvent::FocusIn) {
        QRadioButton* from = leaving_;
        leaving_ = nullptr;
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        const bool tabbing = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason;
        if (!tabbing || button->isChecked() || index_ < 0)
            return QGroupBox::eventFilter(watched, event);
        // Tab into the group stops at the chosen button; Tab from a button of
        // the group leaves it, whichever of its buttons had the focus (an Alt
        // shortcut can put it on one that is not chosen).
        if (from && buttons_.contains(from))
            LeaveGroup(button, reason == Qt::TabFocusReason);
        else
            buttons_[index_]->setFocus(reason);
        return QGroupBox::eventFilter(watched, event);
    }
    if (event->type() == QEvent::KeyPress && !button->isChecked() && index_ >= 0) {
        // The focus came here otherwise (an Alt shortcut that several controls
        // share): an arrow key goes back to the chosen button.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Left || key == Qt::Key_Right) {
            buttons_[index_]->setFocus(Qt::OtherFocusReason);
            return true;
        }
    }
    return QGroupBox::eventFilter(watched, event);
}

void RadioGroup::LeaveGroup(QWidget* from, bool forward)
{
    // The next control in the focus chain that Tab may stop at and that is
    // none of this group's buttons.
    QWidget* next = from;
    for (int guard = 0; guard < 10000; ++guard) {
        next = forward ? next->nextInFocusChain() : next->previousInFocusChain();
        if (!next || next == from)
            return;
        const bool ours = std::find(buttons_.begin(), buttons_.end(), next) != buttons_.end();
        if (!ours && (next->focusPolicy() & Qt::TabFocus) && next->isVisible() && next->isEnabled() &&
            !next->focusProxy()) {
            next->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return;
        }
    }
}

void RadioGroup::setColumns(int columns)
{
    columns = std::max(1, columns);
    if (columns == columns_)
        return;
    columns_ = columns;
    relayout();
}

void RadioGroup::buttonToggled(int id, bool checked)
{
    if (checked)
        changeIndex(id);
}

void RadioGroup::changeIndex(int index)
{
    if (index == index_)
        return;
    index_ = index;
    emit itemIndexChanged(index_);
}

void RadioGroup::relayout()
{
    for (QRadioButton* button : std::as_const(buttons_))
        grid_->removeWidget(button);
    const int n = count();
    const int rows = std::max(1, (n + columns_ - 1) / columns_);
    for (int i = 0; i < n; ++i)
        grid_->addWidget(buttons_[i], i % rows, i / rows);
    // Columns share the width evenly, as the caption's box is one unit.
    for (int c = 0; c < std::max(grid_->columnCount(), columns_); ++c)
        grid_->setColumnStretch(c, c < columns_ ? 1 : 0);
}
