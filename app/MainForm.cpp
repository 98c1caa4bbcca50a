// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's life: creation (client start, connection list, start-up
// values), first show (settings restore, the automatic run), the change of tabs
// and closing (settings save).
#include "app/main.h"

#include "app/ClientChoice.h"
#include "app/JobReport.h"
#include "app/JobState.h"
#include "app/ResultLog.h"
#include "netware/D_NW.h"
#include "netware/netwin32.h"
#include "settings/D_Ini.h"
#include "settings/IniFile.h"
#include "settings/IniFileName.h"
#include "settings/IniTextFile.h"
#include "util/MessageBox.h"
#include "util/QtText.h"
#include "util/Readme.h"
#include "util/Switches.h"
#include "widgets/CheckListBox.h"
#include "widgets/RadioGroup.h"
#include "widgets/ResultList.h"
#include "widgets/ShellTreeView.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QThread>
#include <QWindow>
#include <cstdio>
#include <cstring>
#include <exception>
#include <vector>

namespace {

constexpr int WindowWidth = 780;
constexpr int WindowHeight = 489;

// Busy cursor for the life of a scope.
struct BusyCursor {
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent)
{
    CreateLayout();
    // The engine reads these settings controls directly.
    Job.LogicGroup = RadioGroupLogic;
    Job.OptionsGroup = RadioGroupOptions;
    Job.ResultsLabel = LabelResults;
    // The window opens centred on the screen: the stored bounds must not move it.
    SetFormPlacement(this, FormPlacement::ScreenCenter);
    ConnectHandlers();
    FormCreate(this);
}

TMainForm::~TMainForm() = default;

void TMainForm::ConnectHandlers()
{
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] {
        if (!programTabChange_)
            PageControl1Change(PageControl1);
    });

    connect(ServerList, &RadioGroup::itemIndexChanged, this, [this] { ServerListClick(ServerList); });
    connect(ShellTreeView1, &ShellTreeView::clicked, this, [this] { ShellTreeView1Click(ShellTreeView1); });
    connect(ShellTreeView1, &ShellTreeView::doubleClicked, this,
            [this] { ShellTreeView1DblClick(ShellTreeView1); });
    connect(CheckListBoxQ, &CheckListBox::itemDoubleClicked, this, [this] { CheckListBoxQDblClick(CheckListBoxQ); });
    // The keyboard's double-clicks: Enter collects the current folder, Delete
    // removes the selected start path.
    connect(ShellTreeView1, &ShellTreeView::enterPressed, this, [this] {
        ShellTreeView1Click(ShellTreeView1);
        ShellTreeView1DblClick(ShellTreeView1);
    });
    connect(CheckListBoxQ, &CheckListBox::deletePressed, this, [this] { CheckListBoxQDblClick(CheckListBoxQ); });
    connect(CheckListBoxQ, &CheckListBox::checkedChanged, this, [this] { UpdateStartPathNote(); });
    stopShortcut_ = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    stopShortcut_->setContext(Qt::WindowShortcut);
    stopShortcut_->setEnabled(false);  // only while a job runs
    connect(stopShortcut_, &QShortcut::activated, this, [this] { StopJob(); });
    LabelDirSelected->installEventFilter(this);
    StatusBar1->installEventFilter(this);

    connect(BitBtnPurgeSelected, &QPushButton::clicked, this,
            [this] { BitBtnPurgeSelectedClick(BitBtnPurgeSelected); });

    for (RadioGroup* group : {RadioGroupLogic, RadioGroupOptions})
        connect(group, &RadioGroup::itemIndexChanged, this, [this, group] { CheckForSettingsChange(group); });
    for (QCheckBox* box : {CheckBoxSizeUpperLimit, CheckBoxSizeLowerLimit, CheckBoxAge, CheckBoxKeepNewest,
                           CheckBoxUntilFree, CheckBoxFilePatterns})
        connect(box, &QCheckBox::toggled, this, [this, box] { CheckForSettingsChange(box); });
    MemoExtList->installEventFilter(this);

    // Every change of a value: stepped, set by the program, or typed once the
    // editing ends (the spin edits take no value while the user types). The
    // box's text changes just before its value signal, so whoever follows the
    // value hears of the value on the grid.
    for (QSpinBox* spin : {FileSizeUpperLimit, FileSizeLowerLimit, FileOlderThan, KeepNewestSize, UntilFreeSize})
        connect(spin, &QSpinBox::textChanged, this, [this, spin] { SpinIncrement(spin); });
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == windowHandle() && event->type() == QEvent::Expose) {
        MinimiseOnceExposed();
    } else if (watched == MemoExtList && event->type() == QEvent::FocusOut) {
        CheckForSettingsChange(MemoExtList);
    } else if (event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            if (watched == LabelDirSelected)
                LabelDirSelectedUpd(LabelDirSelected);
            else if (watched == StatusBar1)
                StatusBar1Click(StatusBar1);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::SelectTab(QWidget* tab)
{
    programTabChange_ = true;
    PageControl1->setCurrentWidget(tab);
    programTabChange_ = false;
}

void TMainForm::FormCreate(QObject* sender)
{
    PanelTitle->setText(QStringLiteral("Morvane v2.0a (2007-06-01) - Purge Selected Files"));
    SelectTab(TabSheetInfo);
    LoadReadme(MemoReadme);
    Job.ConnHandle = NoConnection;

    // A client that does not start has reported itself; the window runs on
    // without connections and without a name context.
    clientStarted_ = InitNetWare() == 0;
    if (clientStarted_) {
        std::vector<ServerConnectionItem> connections;
        ListServerConnections(connections);
        for (const ServerConnectionItem& item : connections)
            ServerList->addItem(QStr(item.name), QVariant::fromValue<quint32>(item.reference));
        if (ServerList->itemIndex() < 0 && ServerList->count() > 0)
            ServerList->setItemIndex(0);  // runs ServerListClick
        ContextCreate(Job.NameContext);
        ChangeContextFlags(Job.NameContext, '+', 4);
    } else if (const std::string note = FolderTreeNoteWithoutClient(); !note.empty()) {
        ShellTreeView1->showNote(note);
    }

    Job.IniPath = SwitchValue("ini", 1, IniFileName(true));
    Job.LogPath = SwitchValue("log", 1, "");
    Job.ReportPath = SwitchValue("report", 3, "");
    Job.AutoMode = SwitchGiven("auto", 2);
}

void TMainForm::FormShow(QObject* sender)
{
    // Restoring a control runs its change handler as a user's change would; a
    // failure ends the restore silently.
    restoringSettings_ = true;
    try {
        Job.IniFile = std::make_unique<IniFile>(Job.IniPath);
        RestoreBounds(Job.IniFile.get(), "Display", this);
        RestoreControlStates(Job.IniFile.get(), "Config", PanelConfigLeft);
        RestoreCheckList(Job.IniFile.get(), StdStr(CheckListBoxQ->objectName()), CheckListBoxQ);
    } catch (...) {
    }
    restoringSettings_ = false;

    if (MemoExtList->toPlainText().isEmpty())
        MemoExtList->setPlainText(QStringLiteral("*.tmp\n*.bak"));
    LabelDirSelectedUpd(this);
    CheckForSettingsChange(this);

    if (Job.AutoMode)
        AutomaticRun();
}

std::string TMainForm::NothingToSearch() const
{
    const std::string path = ResolveIniPath(Job.IniPath);
    const IniFileBytes file = ReadIniBytes(path);
    if (file.state == IniFileBytes::State::Missing)
        return "the settings file \"" + path + "\" does not exist";
    if (file.state == IniFileBytes::State::Unreadable)
        return "the settings file \"" + path + "\" cannot be read: " + std::strerror(file.error);
    if (CheckListBoxQ->count() == 0)
        return "the settings file \"" + path + "\" holds no start path";
    return std::string();
}

void TMainForm::AutomaticRun()
{
    // The client's failure has been reported; no job runs. The log is still
    // rewritten, empty, so that no earlier run's results pass for this one's;
    // so is the record, which says why.
    if (!clientStarted_) {
        if (!Job.LogPath.empty())
            SaveLogOrSayWhy();
        SkipWork(Job, "the client did not start: nothing was searched");
        try {
            FinishReport(AutomaticExitClientNotStarted);
        } catch (const std::exception& e) {
            ShowMessage(std::string("Error saving report: ") + e.what());
        }
        return;
    }
    // Nothing to search is a set-up fault, not a clean run: said on standard
    // error (a box would wait for somebody), in the log when there is one (a
    // log read on its own must not pass for a run that found nothing to
    // purge) and ended with status 3.
    const std::string nothingToSearch = NothingToSearch();
    const std::string nothingToSearchLine =
        nothingToSearch.empty() ? std::string() : "morvane: nothing to search: " + nothingToSearch;
    if (!nothingToSearchLine.empty())
        std::fprintf(stderr, "%s\n", nothingToSearchLine.c_str());
    try {
        // The window is not on the screen before the run has ended, so a run
        // that fails is minimised once the window manager has put it there:
        // some (openbox) map a window that asks to start minimised as a normal one.
        minimiseWhenShown_ = true;
        RadioGroupOptions->setItemIndex(2);  // runs CheckForSettingsChange: no confirmation
        // The click acts even while the button is disabled.
        BitBtnPurgeSelectedClick(BitBtnPurgeSelected);
        // The back ends' own reports count from the start, which opened the
        // primary connection: an automatic run is one job.
        Job.SkippedCount += SkippedWorkReports();  // their texts came as lines of the job
        if (!nothingToSearch.empty()) {
            SkipWork(Job, "nothing to search: " + nothingToSearch);
            ListBoxResults->addLine(nothingToSearchLine);
        }
        automaticRunSkipped_ = Job.SkippedCount;
        if (!Job.LogPath.empty())
            SaveResultLog(*ListBoxResults, Job.LogPath);
        FinishReport(automaticRunSkipped_ > 0 ? AutomaticExitWorkSkipped : AutomaticExitDone);

        // End without the close-time save. Before the event loop runs there is
        // no loop to quit; the program entry then looks at Terminated().
        terminated_ = true;
        if (QThread::currentThread()->loopLevel() > 0)
            QCoreApplication::quit();
    } catch (const std::exception& e) {
        automaticRunFailed_ = true;
        ShowMessage(std::string("Error: ") + e.what());
        FinishFailedReport();
    } catch (...) {
        automaticRunFailed_ = true;
        ShowMessage("Error: ");
        FinishFailedReport();
    }
}

void TMainForm::FinishFailedReport()
{
    // A record the failure left unfinished still says that the run failed.
    if (!report_)
        return;
    try {
        FinishReport(AutomaticExitRunFailed);
    } catch (const std::exception& e) {
        ShowMessage(std::string("Error saving report: ") + e.what());
    }
}

void TMainForm::setVisible(bool visible)
{
    // FormShow runs once, before the window first becomes visible; the window
    // then appears centred at its design size.
    const bool first = visible && !shown_;
    if (first) {
        shown_ = true;
        FormShow(this);
        PlaceCentred();
    }
    QMainWindow::setVisible(visible);
    // Once the window exists the platform may know its frame: the outer size
    // is what has to match the design. A window manager adds its frame later
    // still; FollowFrame places the window again when it has.
    if (first) {
        PlaceCentred();
        awaitingFrame_ = placedFrame_.isNull();
        if (minimiseWhenShown_ && windowHandle())
            windowHandle()->installEventFilter(this);
    }
}

void TMainForm::MinimiseOnceExposed()
{
    if (!minimiseWhenShown_ || !windowHandle()->isExposed())
        return;
    minimiseWhenShown_ = false;
    windowHandle()->removeEventFilter(this);
    // After the exposure has been handled: the window manager has the window.
    QMetaObject::invokeMethod(this, [this] { showMinimized(); }, Qt::QueuedConnection);
}

void TMainForm::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    FollowFrame();
}

void TMainForm::FollowFrame()
{
    if (!awaitingFrame_ || !windowHandle() || (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        return;
    if (windowHandle()->frameMargins().isNull())
        return;
    awaitingFrame_ = false;
    PlaceCentred();
}

void TMainForm::PlaceCentred()
{
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    // The design size is the outer size; where the platform already knows the
    // frame, the client area is that much smaller.
    QMargins frame;
    if (windowHandle())
        frame = windowHandle()->frameMargins();
    placedFrame_ = frame;
    resize(WindowWidth - frame.left() - frame.right(), WindowHeight - frame.top() - frame.bottom());
    if (!screen)
        return;
    QRect outer(QPoint(0, 0), QSize(WindowWidth, WindowHeight));
    outer.moveCenter(screen->availableGeometry().center());
    move(outer.topLeft());
}

void TMainForm::PageControl1Change(QObject* sender)
{
    BusyCursor busy;
    if (PageControl1->currentWidget() == TabSheetAction) {
        const bool havePaths = CheckListBoxQ->count() > 0;
        if (!JobRunning)
            BitBtnPurgeSelected->setEnabled(havePaths);
        if (!havePaths)
            ShowMessage("No paths selected");
    }
}

bool TMainForm::CloseDuringJobAllowed()
{
    if (!PurgeModeChosen())
        return true;  // a listing loses nothing when it stops
    // Nobody to ask (no screen): stop, so that nothing more is purged.
    return ConfirmYesNo("A purge job is running. Stop it and close?", true);
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    // A running job is stopped before its next purge; the window stays until
    // the job has ended and then closes (DoTheJob), so nothing runs unseen.
    if (JobRunning) {
        if (!closeAfterJob_ && CloseDuringJobAllowed()) {
            closeAfterJob_ = true;
            StopJob();
        }
        event->ignore();
        return;
    }
    closeAfterJob_ = false;
    FormClose(this);
    event->accept();
}

void TMainForm::FormClose(QObject* sender)
{
    // The pattern memo may still hold the focus, its leave action not yet run:
    // an emptied memo must be saved with its box unticked, as the window shows it.
    CheckForSettingsChange(MemoExtList);
    // Likewise a limit still being typed is saved as the field takes it.
    for (QSpinBox* spin : {FileSizeUpperLimit, FileSizeLowerLimit, FileOlderThan})
        spin->interpretText();
    try {
        if (!Job.IniFile)
            return;
        SaveBounds(Job.IniFile.get(), "Display", this);
        SaveControlStates(Job.IniFile.get(), "Config", PanelConfigLeft);
        SaveCheckList(Job.IniFile.get(), StdStr(CheckListBoxQ->objectName()), CheckListBoxQ);
        Job.IniFile.reset();
    } catch (const std::exception& e) {
        // Settings silently lost would make the next automatic run act on old ones.
        const std::string file = "\"" + Job.IniFile->Path() + "\"";
        std::string reason = e.what();
        if (reason.find(file) == std::string::npos)
            reason = "Cannot write file " + file + ". " + reason;
        ShowMessage("Error saving settings: " + reason);
    } catch (...) {
        ShowMessage("Error saving settings to \"" + Job.IniFile->Path() + "\".");
    }
}
