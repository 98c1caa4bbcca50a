// SPDX-License-Identifier: GPL-3.0-or-later
// Every message box the program shows goes through one installable handler, so
// the core never calls the GUI toolkit and tests can record and answer boxes.
#pragma once

#include <functional>
#include <string>
#include <vector>

enum class MsgDlgType { Warning, Error, Information, Confirmation, Custom };

struct MessageBoxRequest {
    MsgDlgType kind = MsgDlgType::Custom;
    std::string title;                 // empty: the application's title
    std::string text;
    std::vector<std::string> buttons;  // captions in order, with their "&" mnemonics
    int safeButton = 0;                // answered when nobody can be asked (no screen)
    int escapeButton = -1;             // answered by Escape and the close button; -1: they do nothing
    bool steadyPlace = false;          // shown at the same place and size whatever the text
};

// Returns the index of the button pressed, or -1 when the box was closed without one.
using MessageBoxHandler = std::function<int(const MessageBoxRequest&)>;

// Installs a handler and returns the one it replaces; an empty handler restores
// the default, which writes the box to standard error and answers the safe button.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);
int ShowMessageBox(const MessageBoxRequest& request);

// How a box is answered when nobody can be asked: its title and text go to
// standard error and the answer is its safe button.
int AnswerOnStandardError(const MessageBoxRequest& request);

// A modal box of the given kind with the single button "OK".
void MessageBoxOK(MsgDlgType kind, const std::string& text);

// A plain box: the text and an OK button, no icon.
void ShowMessage(const std::string& text);

// A confirmation titled "Confirm" with "&Yes" and "&No"; Escape and the close
// button answer No. Returns whether Yes was pressed; yesWhenNobodyAsks is the
// answer without a screen.
bool ConfirmYesNo(const std::string& text, bool yesWhenNobodyAsks);

// Test helper: installs itself for its lifetime, records every box and answers
// from a queue (the safe button once the queue is empty).
class MessageBoxRecorder {
public:
    MessageBoxRecorder();
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    void QueueAnswer(int buttonIndex);
    const std::vector<MessageBoxRequest>& Requests() const { return requests_; }
    std::vector<std::string> Texts() const;
    void Clear() { requests_.clear(); }

private:
    std::vector<MessageBoxRequest> requests_;
    std::vector<int> answers_;
    MessageBoxHandler previous_;
};
