// SPDX-License-Identifier: GPL-3.0-or-later
// The check-list box over a QListWidget. Each item remembers its last known
// mark in a data role, so that text edits and repeated sets of the same mark
// are not reported as check changes.
#include "widgets/CheckListBox.h"
#include "widgets/FocusFrame.h"

#include <QKeyEvent>
#include <QListWidget>
#include <QVBoxLayout>

namespace {

constexpr int MarkRole = Qt::UserRole + 1;

bool Checked(const QListWidgetItem* item)
{
    return item->checkState() == Qt::Checked;
}

}  // namespace

CheckListBox::CheckListBox(QWidget* parent)
    : QWidget(parent)
    , list_(new QListWidget(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_);
    setFocusProxy(list_);
    ShowFocusFrame(list_);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);

    connect(list_, &QListWidget::itemChanged, this, &CheckListBox::itemChanged);
    connect(list_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { emit itemDoubleClicked(list_->row(item)); });
    list_->installEventFilter(this);
}

bool CheckListBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != list_ || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const int index = itemIndex();
    if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) {
        if (index >= 0)
            emit deletePressed(index);
        return true;
    }
    if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier) {
        // Toggled here, exactly once per press, whatever item the list's own
        // handling thinks is current.
        if (index >= 0)
            setChecked(index, !isChecked(index));
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

int CheckListBox::count() const
{
    return list_->count();
}

QString CheckListBox::itemText(int i) const
{
    const QListWidgetItem* item = list_->item(i);
    return item ? item->text() : QString();
}

QStringList CheckListBox::items() const
{
    QStringList texts;
    for (int i = 0; i < count(); ++i)
        texts.append(list_->item(i)->text());
    return texts;
}

int CheckListBox::addItem(const QString& text, bool checked)
{
    auto* item = new QListWidgetItem(text);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setData(MarkRole, checked);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    // Added complete, so that adding reports no change of a mark.
    const QSignalBlocker block(list_);
    list_->addItem(item);
    return list_->count() - 1;
}

void CheckListBox::removeItem(int i)
{
    delete list_->takeItem(i);
}

void CheckListBox::clear()
{
    list_->clear();
}

bool CheckListBox::isChecked(int i) const
{
    const QListWidgetItem* item = list_->item(i);
    return item && Checked(item);
}

void CheckListBox::setChecked(int i, bool checked)
{
    if (QListWidgetItem* item = list_->item(i))
        item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

int CheckListBox::itemIndex() const
{
    const QListWidgetItem* item = list_->currentItem();
    return item && item->isSelected() ? list_->row(item) : -1;
}

void CheckListBox::setItemIndex(int i)
{
    if (i >= 0 && i < count())
        list_->setCurrentRow(i, QItemSelectionModel::ClearAndSelect);
    else {
        list_->clearSelection();
        list_->setCurrentItem(nullptr);
    }
}

int CheckListBox::indexOfText(const QString& text, Qt::CaseSensitivity cs) const
{
    for (int i = 0; i < count(); ++i)
        if (list_->item(i)->text().compare(text, cs) == 0)
            return i;
    return -1;
}

void CheckListBox::itemChanged(QListWidgetItem* item)
{
    const bool checked = Checked(item);
    if (item->data(MarkRole).toBool() == checked)
        return;
    {
        const QSignalBlocker block(list_);
        item->setData(MarkRole, checked);
    }
    emit checkedChanged(list_->row(item), checked);
}
