// SPDX-License-Identifier: GPL-3.0-or-later
// The results label and the status bar painted at a readable pace.
#include "app/JobDisplay.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>

namespace {

// How long until the interval since last has passed (0 when it never started).
std::chrono::milliseconds Remaining(const QElapsedTimer& last)
{
    if (!last.isValid())
        return std::chrono::milliseconds(0);
    return std::max(std::chrono::milliseconds(0), DisplayInterval - std::chrono::milliseconds(last.elapsed()));
}

using jobdisplaydetail::PendingCaption;

PendingCaption& Caption()
{
    return jobdisplaydetail::caption;
}

struct PacedStatus {
    QPointer<QStatusBar> bar;
    bool held = false;  // repainting held back by this pacing, a release pending
    QElapsedTimer painted;
};

PacedStatus& Status()
{
    static PacedStatus status;
    return status;
}

void ReleaseStatus()
{
    PacedStatus& status = Status();
    if (!status.held)
        return;
    status.held = false;
    if (status.bar) {
        status.bar->setUpdatesEnabled(true);
        // Painted now: a repaint merely posted would find the bar held back
        // again by the next directory's text, and the bar would stay blank
        // for the whole job.
        status.bar->repaint();
        status.painted.start();
    }
}

} // namespace

void ShowResultsCaption()
{
    PendingCaption& caption = Caption();
    caption.posted = false;
    if (caption.dirty && caption.label) {
        caption.label->setText(QString::asprintf("Results: Total: %d - Matching: %d", caption.total, caption.match));
        caption.shown.start();
    }
    caption.dirty = false;
}

void jobdisplaydetail::SetResultsCaptionAndPost(QLabel* label, std::int32_t total, std::int32_t match)
{
    if (!label)
        return;
    PendingCaption& caption = Caption();
    if (caption.label != label) {
        ShowResultsCaption();
        caption.label = label;
        caption.posted = false;  // a call posted for another label may never come
        caption.shown.invalidate();
    }
    caption.total = total;
    caption.match = match;
    caption.dirty = true;
    if (!caption.posted) {
        caption.posted = true;
        QTimer::singleShot(Remaining(caption.shown), label, [] { ShowResultsCaption(); });
    }
}

void ShowStatusText(QStatusBar* bar, const QString& text)
{
    PacedStatus& status = Status();
    if (status.bar != bar) {
        ReleaseStatus();
        status.bar = bar;
        status.painted.invalidate();
    }
    if (status.held) {
        bar->showMessage(text);  // repainting is held back until the release
        return;
    }
    // The bar repaints itself at once when its message changes; within the
    // interval that repaint is held back and made up for at its end.
    const std::chrono::milliseconds wait = Remaining(status.painted);
    if (wait.count() == 0 && bar->updatesEnabled()) {
        bar->showMessage(text);
        status.painted.start();
        return;
    }
    if (!bar->updatesEnabled()) {
        bar->showMessage(text);  // held back by someone else, who repaints it
        return;
    }
    bar->setUpdatesEnabled(false);
    bar->showMessage(text);
    status.held = true;
    QTimer::singleShot(wait, bar, [] { ReleaseStatus(); });
}
