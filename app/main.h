// SPDX-License-Identifier: GPL-3.0-or-later
// The program's one window: its controls (each named as the settings file knows
// it) and the handlers of start-up, start paths, the settings panel and the job.
// The handlers live in MainForm*.cpp by concern; the layout in MainFormLayout.cpp.
#pragma once

#include "netware/ntypes.h"

#include <QMainWindow>
#include <ctime>
#include <memory>
#include <optional>
#include <string>

class QCheckBox;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QShortcut;
class QSpinBox;
class QSplitter;
class QStatusBar;
class QTabWidget;
class QWidget;
class CheckListBox;
class RadioGroup;
class ResultList;
class ShellTreeView;
class JobReport;

// Exit statuses of an automatic run, for cron jobs and service units.
inline constexpr int AutomaticExitDone = 0;              // the job ran; the log, when asked for, was written
inline constexpr int AutomaticExitRunFailed = 1;         // the run reported "Error: " or "Error saving log: "
inline constexpr int AutomaticExitClientNotStarted = 2;  // the client did not start; nothing was searched
inline constexpr int AutomaticExitWorkSkipped = 3;       // the job ran, but skipped work, or had nothing to search

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    // Builds the layout, connects the handlers and runs FormCreate.
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // Start-up, tabs and closing.
    void FormCreate(QObject* sender);
    void FormShow(QObject* sender);
    void FormClose(QObject* sender);
    void PageControl1Change(QObject* sender);

    // Start paths.
    void ServerListClick(QObject* sender);
    void ShellTreeViewSetRoot(const std::string& root);
    void ShellTreeView1Click(QObject* sender);
    void ShellTreeView1DblClick(QObject* sender);
    void CheckListBoxQDblClick(QObject* sender);
    void LabelDirSelectedUpd(QObject* sender);

    // The job.
    void DoTheJob(const std::string& title, nuint8 walkMode);
    void BitBtnPurgeSelectedClick(QObject* sender);
    void StatusBar1Click(QObject* sender);
    // Stops a running job as Abort in a purge confirmation does: the file in
    // hand is neither asked for nor purged, nothing further is listed, and the
    // job ends as usual. Escape and closing the window use it.
    void StopJob();

    // The selection settings panel.
    void CheckForSettingsChange(QObject* sender);
    void SpinIncrement(QObject* sender);
    bool ConditionOR();
    // "Purge with confirmation" or "Purge without confirmation" is chosen.
    bool PurgeModeChosen() const;
    void PurgeFiles(const std::string& path);

    // True from the start of a job to its end (set by DoTheJob). While it is set
    // nothing but the job may enable the purge button, and closing the window
    // aborts the job before the settings are saved.
    bool JobRunning = false;

    // Set when the automatic run has asked the application to end; the program
    // entry checks it when the run happened before the event loop started.
    bool Terminated() const { return terminated_; }
    // Set when the automatic run failed; the window then stays open.
    bool AutomaticRunFailed() const { return automaticRunFailed_; }
    // What the automatic run could not do: the job's skipped work, and 1 when
    // there was nothing to search.
    int AutomaticRunSkipped() const { return automaticRunSkipped_; }
    // Whether the NetWare client started at creation. Without it the automatic
    // run searches nothing.
    bool ClientStarted() const { return clientStarted_; }

    // Controls, named as the system names them (object names are the same).
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheetInfo = nullptr;
    QLabel* PanelTitle = nullptr;
    QPlainTextEdit* MemoReadme = nullptr;

    QWidget* TabSheetSelect = nullptr;
    QSplitter* Splitter1 = nullptr;
    RadioGroup* ServerList = nullptr;
    QFrame* PanelSelectRight = nullptr;
    QSplitter* Splitter2 = nullptr;
    QFrame* PanelPathSelect = nullptr;
    ShellTreeView* ShellTreeView1 = nullptr;
    QLabel* LabelDirSelected = nullptr;
    QFrame* PanelStartPaths = nullptr;
    CheckListBox* CheckListBoxQ = nullptr;
    QLabel* LabelStartPathNote = nullptr;  // under the list: start paths that others cover

    QWidget* TabSheetAction = nullptr;
    QSplitter* Splitter4 = nullptr;
    QFrame* PanelConfigLeft = nullptr;
    QFrame* PanelCBSize1 = nullptr;
    QCheckBox* CheckBoxSizeUpperLimit = nullptr;
    QSpinBox* FileSizeUpperLimit = nullptr;
    QLabel* LabelSizeUpperUnit = nullptr;
    QFrame* PanelCBSize9 = nullptr;
    QCheckBox* CheckBoxSizeLowerLimit = nullptr;
    QSpinBox* FileSizeLowerLimit = nullptr;
    QLabel* LabelSizeLowerUnit = nullptr;
    QFrame* PanelCBAge = nullptr;
    QCheckBox* CheckBoxAge = nullptr;
    QSpinBox* FileOlderThan = nullptr;
    QLabel* LabelAgeUnit = nullptr;
    QFrame* PanelCBKeep = nullptr;
    QCheckBox* CheckBoxKeepNewest = nullptr;
    QSpinBox* KeepNewestSize = nullptr;
    QLabel* LabelKeepNewestUnit = nullptr;
    QFrame* PanelCBFree = nullptr;
    QCheckBox* CheckBoxUntilFree = nullptr;
    QSpinBox* UntilFreeSize = nullptr;
    QLabel* LabelUntilFreeUnit = nullptr;
    RadioGroup* RadioGroupLogic = nullptr;
    QFrame* PanelPattern = nullptr;
    QPlainTextEdit* MemoExtList = nullptr;
    QCheckBox* CheckBoxFilePatterns = nullptr;

    QFrame* PanelConfigRight = nullptr;
    RadioGroup* RadioGroupOptions = nullptr;
    QPlainTextEdit* MemoFilter = nullptr;
    QPushButton* BitBtnPurgeSelected = nullptr;
    QLabel* LabelResults = nullptr;
    QLabel* LabelOutcomes = nullptr;  // after a purge: purged, kept, failed, folders not scanned
    ResultList* ListBoxResults = nullptr;

    QStatusBar* StatusBar1 = nullptr;

    void setVisible(bool visible) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateLayout();        // MainFormLayout.cpp
    void ConnectHandlers();
    void AutomaticRun();
    // Why an automatic run has nothing to search (no settings file, no start
    // path in it), or empty.
    std::string NothingToSearch() const;
    // Saves the result list to the log; a failure shows "Error saving log: ".
    void SaveLogOrSayWhy();
    void PlaceCentred();
    void FollowFrame();  // centres again once the window manager's frame is known
    void MinimiseOnceExposed();  // a failed automatic run's window, once on the screen
    void SelectTab(QWidget* tab);  // a tab change by the program, not the user
    void AddSummaryItem(std::string& summary, const std::string& item);
    void ClearResults();           // the result list and its totals
    void ShowOutcomes();           // the outcome line after a job in a purge mode
    // The record for machines (report=): started with each job, finished after
    // its log; a failure is raised as JobReportError. exitStatus: the unattended run's.
    void StartReport();
    void FinishReport(std::optional<int> exitStatus);
    void FinishFailedReport();
    void UpdateStartPathNote();    // says which start paths others cover
    void SetTabOrder();            // MainFormLayout.cpp
    bool PurgeOfEveryFileAllowed();  // asks when "And" has no condition ticked
    bool CloseDuringJobAllowed();    // asks when a purge job is running

    bool shown_ = false;
    bool terminated_ = false;
    bool automaticRunFailed_ = false;
    int automaticRunSkipped_ = 0;
    bool clientStarted_ = false;
    bool programTabChange_ = false;
    bool restoringSettings_ = false;  // FormShow is restoring the stored settings
    bool closeAfterJob_ = false;      // the window was closed while a job ran
    QShortcut* stopShortcut_ = nullptr;  // Escape while a job runs
    std::unique_ptr<JobReport> report_;  // the running or last job's, until finished
    std::time_t jobStarted_ = 0;
    std::time_t jobEnded_ = 0;
    QMargins placedFrame_;               // the frame PlaceCentred allowed for
    bool awaitingFrame_ = false;         // shown, the window manager's frame not yet known
    bool minimiseWhenShown_ = false;     // the automatic run failed: the window stays minimised
};
