// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/MessageBox.h"

#include <cstdio>

namespace {

MessageBoxHandler& Installed()
{
    static MessageBoxHandler handler = AnswerOnStandardError;
    return handler;
}

const char* KindTitle(MsgDlgType kind)
{
    switch (kind) {
    case MsgDlgType::Warning: return "Warning";
    case MsgDlgType::Error: return "Error";
    case MsgDlgType::Information: return "Information";
    case MsgDlgType::Confirmation: return "Confirm";
    case MsgDlgType::Custom: break;
    }
    return "";
}

} // namespace

int AnswerOnStandardError(const MessageBoxRequest& request)
{
    std::fprintf(stderr, "%s%s%s\n", request.title.c_str(), request.title.empty() ? "" : ": ",
                 request.text.c_str());
    std::fflush(stderr);
    return request.safeButton;
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler)
{
    MessageBoxHandler previous = Installed();
    Installed() = handler ? std::move(handler) : MessageBoxHandler(AnswerOnStandardError);
    return previous;
}

int ShowMessageBox(const MessageBoxRequest& request)
{
    // Copy first: a handler may install another one while it runs.
    MessageBoxHandler handler = Installed();
    return handler(request);
}

void MessageBoxOK(MsgDlgType kind, const std::string& text)
{
    ShowMessageBox({kind, KindTitle(kind), text, {"OK"}, 0});
}

void ShowMessage(const std::string& text)
{
    ShowMessageBox({MsgDlgType::Custom, "", text, {"OK"}, 0});
}

bool ConfirmYesNo(const std::string& text, bool yesWhenNobodyAsks)
{
    MessageBoxRequest request;
    request.kind = MsgDlgType::Confirmation;
    request.title = "Confirm";
    request.text = text;
    request.buttons = {"&Yes", "&No"};
    request.safeButton = yesWhenNobodyAsks ? 0 : 1;
    request.escapeButton = 1;
    return ShowMessageBox(request) == 0;
}

MessageBoxRecorder::MessageBoxRecorder()
{
    previous_ = SetMessageBoxHandler([this](const MessageBoxRequest& request) {
        requests_.push_back(request);
        if (answers_.empty())
            return request.safeButton;
        int answer = answers_.front();
        answers_.erase(answers_.begin());
        return answer;
    });
}

MessageBoxRecorder::~MessageBoxRecorder() { SetMessageBoxHandler(previous_); }

void MessageBoxRecorder::QueueAnswer(int buttonIndex) { answers_.push_back(buttonIndex); }

std::vector<std::string> MessageBoxRecorder::Texts() const
{
    std::vector<std::string> texts;
    for (const auto& r : requests_)
        texts.push_back(r.text);
    return texts;
}
