// SPDX-License-Identifier: GPL-3.0-or-later
// The login box as a QDialog.
#include "util/QtLoginBox.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

#include "util/QtMessageBox.h"

QDialog* CreateQtLoginBox(const std::string& server, const LoginAnswer& answer)
{
    auto* dialog = new QDialog;
    dialog->setWindowTitle(QStringLiteral("Log on to ") + QString::fromStdString(server));
    auto* form = new QFormLayout(dialog);
    form->addRow(new QLabel(QStringLiteral("The server \\\\%1 asks for a user name and password.")
                                .arg(QString::fromStdString(server))));
    auto* user = new QLineEdit(QString::fromStdString(answer.user));
    user->setObjectName(QStringLiteral("EditUser"));
    auto* password = new QLineEdit;
    password->setObjectName(QStringLiteral("EditPassword"));
    password->setEchoMode(QLineEdit::Password);
    auto* domain = new QLineEdit(QString::fromStdString(answer.domain));
    domain->setObjectName(QStringLiteral("EditDomain"));
    form->addRow(QStringLiteral("&User:"), user);
    form->addRow(QStringLiteral("&Password:"), password);
    form->addRow(QStringLiteral("&Domain:"), domain);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    form->addRow(buttons);
    (answer.user.empty() ? user : password)->setFocus();
    return dialog;
}

void InstallQtLoginBoxHandler()
{
    SetLoginBoxHandler([](const std::string& server, LoginAnswer& answer) {
        if (MessageBoxesHeadless())
            return false;
        QDialog* dialog = CreateQtLoginBox(server, answer);
        const bool accepted = dialog->exec() == QDialog::Accepted;
        if (accepted) {
            answer.user = dialog->findChild<QLineEdit*>(QStringLiteral("EditUser"))->text().toStdString();
            {
                auto* password = dialog->findChild<QLineEdit*>(QStringLiteral("EditPassword"));
                answer.password = password->text().toStdString();
                password->clear();  // the box keeps no copy of its own
            }
            answer.domain = dialog->findChild<QLineEdit*>(QStringLiteral("EditDomain"))->text().toStdString();
        }
        delete dialog;
        return accepted;
    });
}
