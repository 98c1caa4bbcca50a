// The results label and the status bar while a job runs. A scan changes the
// totals with every file and the status text with every directory, thousands
// of times a second; painting them each time would cost more than the scan.
// Both are painted at the result list's own pace instead, at most once per
// DisplayInterval, which is as often as anyone can read them. The status
// bar's text itself is always current.
#pragma once

#include <QString>

#include <chrono>
#include <cstdint>

class QLabel;
class QStatusBar;

inline constexpr std::chrono::milliseconds DisplayInterval{40};

// Sets the label to "Results: Total: %d - Matching: %d"; the text reaches it
// when events are processed, at most once per interval, or at once with
// ShowResultsCaption.
void SetResultsCaption(QLabel* label, std::int32_t total, std::int32_t match);
// Hands the newest totals to the label now.
void ShowResultsCaption();

// Sets the status bar's message at once; the bar is repainted at most once
// per interval.
void ShowStatusText(QStatusBar* bar, const QString& text);
