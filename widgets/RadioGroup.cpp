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
    if (!button || button->isChecked() || index_ < 0)
        return QGroupBox::eventFilter(watched, event);
    if (event->type() == QEvent::FocusIn) {
        // The arrow keys move the focus with these reasons too; from the
        // chosen button they choose the next one before it gets the focus.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason)
            buttons_[index_]->setFocus(reason);
    } else if (event->type() == QEvent::KeyPress) {
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
