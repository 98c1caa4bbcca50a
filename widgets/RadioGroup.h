// SPDX-License-Identifier: GPL-3.0-or-later
// A captioned group of radio buttons built from an item list, laid out in one
// or more columns, with one chosen index (-1 for none) that both the program
// and the user can change.
#pragma once

#include <QGroupBox>
#include <QStringList>
#include <QVariant>
#include <QVector>

class QButtonGroup;
class QGridLayout;
class QRadioButton;

class RadioGroup : public QGroupBox {
    Q_OBJECT
    Q_PROPERTY(int itemIndex READ itemIndex WRITE setItemIndex NOTIFY itemIndexChanged)
    Q_PROPERTY(int columns READ columns WRITE setColumns)

public:
    explicit RadioGroup(QWidget* parent = nullptr);

    // Replaces every button by one per item; nothing is chosen afterwards.
    void setItems(const QStringList& items);
    void addItem(const QString& text, const QVariant& data = {});
    void clear();

    int count() const { return static_cast<int>(buttons_.size()); }
    QString itemText(int i) const;
    QVariant itemData(int i) const;
    QStringList items() const;

    int itemIndex() const { return index_; }
    // An index below -1 becomes -1 (nothing chosen); one beyond the last button
    // chooses the last button. itemIndexChanged fires only when the index moves.
    void setItemIndex(int index);

    // Buttons fill the columns top to bottom, the first column first.
    void setColumns(int columns);
    int columns() const { return columns_; }

    QRadioButton* button(int i) const;

signals:
    void itemIndexChanged(int index);

protected:
    // Tab and the arrow keys bring the focus to the chosen button, never to
    // one that a Space would then choose unseen; Tab from any button of the
    // group leaves it.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buttonToggled(int id, bool checked);
    // Gives the focus to the control before or after the group.
    void LeaveGroup(QWidget* from, bool forward);
    void relayout();
    void changeIndex(int index);

    QGridLayout* grid_;
    QButtonGroup* group_;
    QVector<QRadioButton*> buttons_;
    QVector<QVariant> data_;
    int index_ = -1;
    int columns_ = 1;
    QRadioButton* leaving_ = nullptr;  // the button that last lost the focus, until the next one gains it
};
