// SPDX-License-Identifier: GPL-3.0-or-later
// A list of text items, each with its own check box, and one selected item.
// The list is a QListWidget inside a plain widget, so that the item-level
// signals below do not collide with QListWidget's own.
#pragma once

#include <QStringList>
#include <QWidget>

class QListWidget;
class QListWidgetItem;

class CheckListBox : public QWidget {
    Q_OBJECT

public:
    explicit CheckListBox(QWidget* parent = nullptr);

    int count() const;
    QString itemText(int i) const;
    QStringList items() const;

    int addItem(const QString& text, bool checked = false);  // the new item's index
    void removeItem(int i);
    void clear();

    bool isChecked(int i) const;
    void setChecked(int i, bool checked);

    int itemIndex() const;  // the selected item, -1 for none
    void setItemIndex(int i);

    // The first item whose text equals the given one, or -1.
    int indexOfText(const QString& text, Qt::CaseSensitivity cs = Qt::CaseInsensitive) const;

    QListWidget* listWidget() const { return list_; }

signals:
    void itemDoubleClicked(int index);
    // The Delete key on the selected item. (Space toggles the selected item's mark.)
    void deletePressed(int index);
    // Fires whenever an item's mark changes, by the user or by the program.
    void checkedChanged(int index, bool checked);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void itemChanged(QListWidgetItem* item);

    QListWidget* list_;
};
