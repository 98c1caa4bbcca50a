// SPDX-License-Identifier: GPL-3.0-or-later
// The results label and the status bar while a job runs. A scan changes the
// totals with every file and the status text with every directory, thousands
// of times a second; painting them each time would cost more than the scan.
// Both are painted at the result list's own pace instead, at most once per
// DisplayInterval, which is as often as anyone can read them. The status
// bar's text itself is always current.
#pragma once

#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QString>

#include <chrono>
#include <cstdint>

class QStatusBar;

inline constexpr std::chrono::milliseconds DisplayInterval{40};

namespace jobdisplaydetail {
// The newest totals for the label, waiting for the next showing.
struct PendingCaption {
    QPointer<QLabel> label;
    std::int32_t total = 0;
    std::int32_t match = 0;
    bool posted = false;  // a showing is on its way
    bool dirty = false;
    QElapsedTimer shown;
};
inline PendingCaption caption;
void SetResultsCaptionAndPost(QLabel* label, std::int32_t total, std::int32_t match);
}  // namespace jobdisplaydetail

// Sets the label to "Results: Total: %d - Matching: %d"; the text reaches it
// when events are processed, at most once per interval, or at once with
// ShowResultsCaption. Inline: the scan calls it for every file, and while a
// showing is on its way the call only keeps the numbers.
inline void SetResultsCaption(QLabel* label, std::int32_t total, std::int32_t match)
{
    jobdisplaydetail::PendingCaption& caption = jobdisplaydetail::caption;
    if (caption.posted && label && caption.label.data() == label) {
        caption.total = total;
        caption.match = match;
        caption.dirty = true;
        return;
    }
    jobdisplaydetail::SetResultsCaptionAndPost(label, total, match);
}
// Hands the newest totals to the label now.
void ShowResultsCaption();

// Sets the status bar's message at once; the bar is repainted at most once
// per interval.
void ShowStatusText(QStatusBar* bar, const QString& text);
