// SPDX-License-Identifier: GPL-3.0-or-later
// The start-path tab: choosing a server connection, browsing its folders and
// collecting the start paths of a job.
#include "app/main.h"

#include "app/JobState.h"
#include "app/StartPathCoverage.h"
#include "netware/D_NW.h"
#include "netware/NWClientBackend.h"
#include "util/D_Util.h"
#include "util/MessageBox.h"
#include "util/QtText.h"
#include "widgets/CheckListBox.h"
#include "widgets/FolderSource.h"
#include "widgets/RadioGroup.h"
#include "widgets/ResultList.h"
#include "widgets/ShellTreeView.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <cstdio>

namespace {

// The entry of the start-path list whose text equals path ignoring ASCII case,
// or -1.
int StartPathIndex(const CheckListBox* list, const std::string& path)
{
    for (int i = 0; i < list->count(); ++i)
        if (SameTextAscii(StdStr(list->itemText(i)), path))
            return i;
    return -1;
}

// A server itself is no start path: a job could not walk it. Accepted only
// where the client resolves it to a volume.
bool StartPathResolves(const std::string& path)
{
    if (!IsServerRoot(path))
        return true;
    NWCONN_HANDLE conn = 0;
    std::string server, volume, directory;
    if (SplitNetWarePath(ShortPathName(path), conn, server, volume, directory) == 0 && !volume.empty())
        return true;
    ShowMessage(path + " is a server, not a folder: choose one of its volumes or folders as the start path.");
    return false;
}

}  // namespace

void TMainForm::ServerListClick(QObject* sender)
{
    // The job relies on the connection it resolved until its last start path.
    if (JobRunning)
        return;
    const int index = ServerList->itemIndex();
    if (index < 0)
        return;
    if (Job.ConnHandle != NoConnection)
        CloseConn(Job.ConnHandle);
    const auto reference = static_cast<NWCONN_REF>(ServerList->itemData(index).toUInt());
    Job.ServerName = StdStr(ServerList->itemText(index));
    ReportNWError(NWCCOpenConnByRef(reference, 1, 0, Job.ConnHandle), "NWCCOpenConnByRef");
    Job.VolumeName.clear();
    ShellTreeViewSetRoot("\\\\" + Job.ServerName + "\\");
}

void TMainForm::ShellTreeViewSetRoot(const std::string& root)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        ShellTreeView1->setRoot(root);
    } catch (const std::exception& e) {
        // What the application shows for an error nobody else handles.
        MessageBoxOK(MsgDlgType::Error, e.what());
    }
    QApplication::restoreOverrideCursor();
}

void TMainForm::ShellTreeView1Click(QObject* sender)
{
    if (JobRunning)
        return;
    const std::string path = ShellTreeView1->selectedPath();
    if (path.empty())
        return;
    Job.DirPath.clear();
    Job.VolumeName.clear();
    Job.SelectedFolder = ShortPathName(path);
    StatusBar1->showMessage(QStr(Job.SelectedFolder));
    // A folder the client cannot resolve (a local one) is shown all the same.
    SplitNetWarePath(Job.SelectedFolder, Job.ConnHandle, Job.ServerName, Job.VolumeName, Job.DirPath);
    ClearResults();
}

void TMainForm::ShellTreeView1DblClick(QObject* sender)
{
    if (JobRunning)
        return;
    const std::string path = ShellTreeView1->selectedPath();
    // Nothing selected gives no entry; a line break would split the entry when
    // the list is stored and the job's heading in the log.
    if (path.empty() || path.find_first_of("\r\n") != std::string::npos)
        return;
    if (!StartPathResolves(path))
        return;
    int index = StartPathIndex(CheckListBoxQ, path);
    if (index < 0)
        index = CheckListBoxQ->addItem(QStr(path));
    CheckListBoxQ->setItemIndex(index);
    CheckListBoxQ->setChecked(index, true);
    LabelDirSelectedUpd(sender);
}

void TMainForm::CheckListBoxQDblClick(QObject* sender)
{
    if (JobRunning)
        return;
    const int index = CheckListBoxQ->itemIndex();
    if (index >= 0)
        CheckListBoxQ->removeItem(index);
    LabelDirSelectedUpd(sender);
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
    UpdateStartPathNote();
}

void TMainForm::UpdateStartPathNote()
{
    // Read from the texts alone: asking the servers at every change of the
    // list would make it slow; the job resolves each path before it decides.
    std::vector<StartPathPlace> places;
    for (int i = 0; i < CheckListBoxQ->count(); ++i)
        places.push_back(
            PlaceOfPathText(StdStr(CheckListBoxQ->itemText(i)), CheckListBoxQ->isChecked(i), NameRule()));
    const std::vector<int> coverers = CoveringStartPaths(places);
    QStringList notes;
    for (int i = 0; i < static_cast<int>(coverers.size()); ++i)
        if (coverers[i] >= 0)
            notes << QStringLiteral("%1 is covered by %2%3: a job does not walk it again.")
                         .arg(CheckListBoxQ->itemText(i), CheckListBoxQ->itemText(coverers[i]),
                              CheckListBoxQ->isChecked(coverers[i]) ? QStringLiteral(" (sub)") : QString());
    LabelStartPathNote->setText(notes.join(QLatin1Char('\n')));
    LabelStartPathNote->setVisible(!notes.isEmpty());
}
