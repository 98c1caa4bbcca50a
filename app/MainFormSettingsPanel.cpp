// SPDX-License-Identifier: GPL-3.0-or-later
// The Purge tab's settings: the job flags, the purge button's caption and the
// plain-language summary follow every change; the limits stay on a grid
// whose step grows with the value.
#include "app/main.h"

#include "app/Conditions.h"
#include "app/JobState.h"
#include "app/PurgeEngine.h"
#include "util/D_Util.h"
#include "util/QtText.h"
#include "widgets/RadioGroup.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace {

std::string FormatInt(const char* format, long long value)
{
    char text[96];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// The button increment for a value: 5 × 10^(digits - 2), at least 1. Counted
// in integers, so exact powers of ten fall in the higher row.
long long GridStep(long long value)
{
    if (value < 1)
        throw std::range_error("value below 1");
    long long step = 1;
    for (long long v = value; v >= 100; v /= 10)
        step *= 10;
    return value >= 10 ? step * 5 : 1;
}

}  // namespace

void TMainForm::SpinIncrement(QObject* sender)
{
    // Runs when a value has changed; a typed text has become a value within
    // the range by then (the spin edit's end of editing), so only the grid is
    // left to apply.
    if (auto* spin = qobject_cast<QSpinBox*>(sender)) {
        try {
            const long long value = spin->value();
            const long long step = GridStep(value);
            // The change runs this handler again, nested, and finds the value
            // on the grid.
            const long long snapped = (value / step) * step;
            spin->setValue(static_cast<int>(std::clamp<long long>(snapped, spin->minimum(), spin->maximum())));
            spin->setSingleStep(static_cast<int>(step));
        } catch (...) {
            // A value below 1 has no grid: it stays as it is, and the summary
            // below still follows it.
        }
    }
    CheckForSettingsChange(sender);
}

void TMainForm::AddSummaryItem(std::string& summary, const std::string& item)
{
    if (summary.empty())
        summary = " * " + item;
    else if (ConditionOR())
        summary += "\r\n OR   * " + item;
    else
        summary += "\r\n AND  * " + item;
}

void TMainForm::CheckForSettingsChange(QObject* sender)
{
    const int k = RadioGroupOptions->itemIndex();
    const bool purgeMode = PurgeModeChosen();

    CheckBoxFilePatterns->setEnabled(purgeMode);
    MemoExtList->setEnabled(purgeMode);
    // Without patterns the box cannot stay ticked; unticking it runs this
    // handler once more, nested, before this run goes on. Not while the
    // settings are being restored: the pattern lines come back after the check
    // boxes, and unticking the box then would widen an "And" selection to
    // files the patterns were meant to exclude.
    if (!restoringSettings_ && MemoExtList->toPlainText().isEmpty())
        CheckBoxFilePatterns->setChecked(false);

    Job.ConfirmEach = k == 1;
    Job.UsePatterns = purgeMode && CheckBoxFilePatterns->isChecked();
    Job.UseAge = CheckBoxAge->isChecked();
    Job.UseLargerThan = CheckBoxSizeLowerLimit->isChecked();
    Job.UseSmallerThan = CheckBoxSizeUpperLimit->isChecked();
    Job.UseKeepNewest = CheckBoxKeepNewest->isChecked();
    Job.UseUntilFree = CheckBoxUntilFree->isChecked();

    std::string caption = "&List Deleted Files";
    if (purgeMode)
        caption += " and " + StdStr(RadioGroupOptions->itemText(k));
    BitBtnPurgeSelected->setText(QStr(caption));

    std::string summary;
    if (Job.UsePatterns)
        AddSummaryItem(summary, "matching the specified patterns");
    if (Job.UseLargerThan)
        AddSummaryItem(summary, FormatInt("larger than %lld kb", FileSizeLowerLimit->value()));
    if (Job.UseSmallerThan)
        AddSummaryItem(summary, FormatInt("smaller than %lld kb", FileSizeUpperLimit->value()));
    if (Job.UseAge)
        AddSummaryItem(summary, FormatInt("deleted more than %lld days ago", FileOlderThan->value()));
    if (Job.UseKeepNewest)
        AddSummaryItem(summary, FormatInt("beyond the newest %lld MB", KeepNewestSize->value()));
    if (Job.UseUntilFree)
        AddSummaryItem(summary, FormatInt("oldest, until %lld MB are free", UntilFreeSize->value()));

    // Nothing ticked in a purge mode: under Or no file is purged, under And
    // every file is. A listing purges nothing; its summary is then its first
    // line alone.
    if (summary.empty() && purgeMode)
        summary = ConditionOR() ? " * no file: no condition is ticked"
                                : " * every deleted file below the start paths";
    const char* const firstLine = k == 0 ? "List Files ..." : purgeMode ? "Purge Files ..." : "";
    summary = JoinNonEmpty(firstLine, summary, "\r\n");

    // The widget keeps lines apart by LF alone.
    MemoFilter->setPlainText(QStr(summary).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

bool TMainForm::ConditionOR()
{
    return ::ConditionOR(Job);
}

bool TMainForm::PurgeModeChosen() const
{
    const int k = RadioGroupOptions->itemIndex();
    return k == 1 || k == 2;
}

void TMainForm::PurgeFiles(const std::string& path)
{
    ::PurgeFiles(Job, path);
}
