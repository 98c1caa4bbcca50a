// The start-path tab: choosing a server connection, browsing its folders and
// collecting the start paths of a job.
#include "app/main.h"

#include "widgets/CheckListBox.h"

#include <QLabel>
#include <QPushButton>
#include <cstdio>

void TMainForm::ServerListClick(QObject* sender)
{
}

void TMainForm::ShellTreeViewSetRoot(const std::string& root)
{
}

void TMainForm::ShellTreeView1Click(QObject* sender)
{
}

void TMainForm::ShellTreeView1DblClick(QObject* sender)
{
}

void TMainForm::CheckListBoxQDblClick(QObject* sender)
{
}

void TMainForm::LabelDirSelectedUpd(QObject* sender)
{
    const int count = CheckListBoxQ->count();
    char caption[64];
    std::snprintf(caption, sizeof caption, "%s: %d", "#Start Paths Selected", count);
    LabelDirSelected->setText(QString::fromLocal8Bit(caption));
    // A running job keeps the button off until it ends.
    if (!JobRunning)
        BitBtnPurgeSelected->setEnabled(count > 0);
}
