// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/QtMessageBox.h"

#include "util/QtText.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QKeySequence>
#include <QGridLayout>
#include <QLayout>
#include <QSpacerItem>

#include <algorithm>
#include <memory>

namespace {

// The button box lays buttons out by platform rules, so each button carries
// its place in the request.
const char* const ButtonIndexProperty = "morvaneButtonIndex";

QMessageBox::Icon IconFor(MsgDlgType kind)
{
    switch (kind) {
    case MsgDlgType::Warning: return QMessageBox::Warning;
    case MsgDlgType::Error: return QMessageBox::Critical;
    case MsgDlgType::Information: return QMessageBox::Information;
    case MsgDlgType::Confirmation: return QMessageBox::Question;
    case MsgDlgType::Custom: break;
    }
    return QMessageBox::NoIcon;
}

// The mnemonic letter of a caption ("&Abort" gives 'A'), or 0.
QChar MnemonicOf(const QString& caption)
{
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != QLatin1Char('&'))
            continue;
        if (caption[i + 1] != QLatin1Char('&'))
            return caption[i + 1].toUpper();
        ++i;  // "&&" is a literal ampersand
    }
    return QChar();
}

// A box that comes up with the same size at the same place for every text of
// one kind, so that its buttons do not move under the mouse from one question
// to the next. Its bottom edge and its width are kept: a text that needs more
// lines makes it grow upwards.
class SteadyMessageBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* event) override
    {
        QMessageBox::showEvent(event);  // sizes the box to its text
        Settle();
    }
    bool event(QEvent* event) override
    {
        const bool handled = QMessageBox::event(event);
        if (event->type() == QEvent::LayoutRequest && isVisible())
            Settle();  // the box sized itself to its text again
        return handled;
    }

private:
    static constexpr int SteadyWidth = 560;
    // Where the bottom edge sits below the centre of the window it belongs to.
    static constexpr int BottomBelowCentre = 70;

    void Settle()
    {
        const int width = std::max(SteadyWidth, this->width());
        const int height =
            layout()->hasHeightForWidth() ? std::max(layout()->totalHeightForWidth(width), this->height()) : this->height();
        setFixedSize(width, height);
        const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
        QRect area;
        if (owner && owner->isVisible())
            area = owner->frameGeometry();
        else if (const QScreen* screen = this->screen())
            area = screen->availableGeometry();
        if (area.isEmpty())
            return;
        const QPoint centre = area.center();
        move(centre.x() - width / 2, centre.y() + BottomBelowCentre - height);
    }
};

// A short text makes a narrow box, and the window manager then cuts its title
// down to a few letters. A spacer as wide as the title and the title bar's
// buttons keeps the box wide enough; the box sizes itself to its layout.
void KeepTitleWhole(QMessageBox* box)
{
    constexpr int TitleBarButtons = 160;
    auto* grid = qobject_cast<QGridLayout*>(box->layout());
    if (!grid)
        return;
    // The title bar's font is the window manager's, often larger than the box's.
    const int titleWidth = box->fontMetrics().horizontalAdvance(box->windowTitle()) * 3 / 2 + TitleBarButtons;
    grid->addItem(new QSpacerItem(titleWidth, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

} // namespace

bool MessageBoxesHeadless()
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return true;
    return QGuiApplication::platformName() == QLatin1String("offscreen") || !QGuiApplication::primaryScreen();
}

QMessageBox* CreateQtMessageBox(const MessageBoxRequest& request)
{
    QWidget* owner = QApplication::activeWindow();
    QMessageBox* box = request.steadyPlace ? new SteadyMessageBox(owner) : new QMessageBox(owner);
    box->setIcon(IconFor(request.kind));
    box->setWindowTitle(request.title.empty() ? QGuiApplication::applicationDisplayName() : QStr(request.title));
    box->setText(QStr(request.text));
    box->setTextFormat(Qt::PlainText);
    // Action role for every button: the answer is the button's index. With
    // several buttons Escape and the close button answer the escape button, or
    // do nothing without one.
    const std::vector<std::string> buttons = request.buttons.empty() ? std::vector<std::string>{"OK"} : request.buttons;
    QString mnemonicsTaken;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        QPushButton* button = box->addButton(QStr(buttons[i]), QMessageBox::ActionRole);
        button->setProperty(ButtonIndexProperty, static_cast<int>(i));
        if (static_cast<int>(i) == request.safeButton)
            box->setDefaultButton(button);
        if (static_cast<int>(i) == request.escapeButton)
            box->setEscapeButton(button);
        // A letter two captions share would only move the focus between them
        // (and a second press on to the next button): the first caption keeps
        // it and presses its button; the later one keeps its caption but is
        // reached by mouse and Tab only.
        const QChar mnemonic = MnemonicOf(button->text());
        if (mnemonic.isNull())
            continue;
        if (mnemonicsTaken.contains(mnemonic))
            button->setShortcut(QKeySequence());
        else
            mnemonicsTaken.append(mnemonic);
    }
    KeepTitleWhole(box);
    return box;
}

int RunQtMessageBox(const MessageBoxRequest& request)
{
    std::unique_ptr<QMessageBox> box(CreateQtMessageBox(request));
    box->exec();
    QAbstractButton* clicked = box->clickedButton();
    return clicked ? clicked->property(ButtonIndexProperty).toInt() : -1;
}

void InstallQtMessageBoxHandler()
{
    SetMessageBoxHandler([](const MessageBoxRequest& request) {
        return MessageBoxesHeadless() ? AnswerOnStandardError(request) : RunQtMessageBox(request);
    });
}
