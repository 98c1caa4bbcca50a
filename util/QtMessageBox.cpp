#include "util/QtMessageBox.h"

#include "util/QtText.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
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

} // namespace

bool MessageBoxesHeadless()
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return true;
    return QGuiApplication::platformName() == QLatin1String("offscreen") || !QGuiApplication::primaryScreen();
}

QMessageBox* CreateQtMessageBox(const MessageBoxRequest& request)
{
    auto* box = new QMessageBox(QApplication::activeWindow());
    box->setIcon(IconFor(request.kind));
    box->setWindowTitle(request.title.empty() ? QGuiApplication::applicationDisplayName() : QStr(request.title));
    box->setText(QStr(request.text));
    box->setTextFormat(Qt::PlainText);
    // Action role for every button: the answer is the button's index, and with
    // several buttons Escape picks none of them.
    const std::vector<std::string> buttons = request.buttons.empty() ? std::vector<std::string>{"OK"} : request.buttons;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        QPushButton* button = box->addButton(QStr(buttons[i]), QMessageBox::ActionRole);
        button->setProperty(ButtonIndexProperty, static_cast<int>(i));
        if (static_cast<int>(i) == request.safeButton)
            box->setDefaultButton(button);
    }
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
