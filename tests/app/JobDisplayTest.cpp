// SPDX-License-Identifier: GPL-3.0-or-later
// The results label and the status bar during a job: the status text is
// always current, and both are painted at most once per display interval.
#include "app/JobDisplay.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <QStatusBar>
#include <QThread>
#include <QTest>

#include <memory>

namespace {

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

void WaitPastTheInterval()
{
    QTest::qWait(static_cast<int>(DisplayInterval.count()) + 30);
}

// A status bar on screen, settled past the interval, its paints counted from then on.
class JobDisplayStatusBar : public ::testing::Test {
protected:
    void SetUp() override
    {
        bar.resize(400, 30);
        bar.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
        WaitPastTheInterval();
        counter = std::make_unique<PaintCounter>(&bar);
    }
    int Paints() const { return counter->paints; }

    QStatusBar bar;
    std::unique_ptr<PaintCounter> counter;
};

TEST_F(JobDisplayStatusBar, StatusTextIsCurrentAndPaintedAtMostOncePerInterval)
{
    QElapsedTimer elapsed;
    elapsed.start();
    for (int i = 0; i < 200; ++i) {
        ShowStatusText(&bar, QString("VOL1:DIR%1").arg(i));
        ASSERT_EQ(QString("VOL1:DIR%1").arg(i), bar.currentMessage());
        QCoreApplication::processEvents();
    }
    // 200 messages: one repaint at once and one at the end of each interval
    // they span (a busy machine may stretch them over several).
    EXPECT_LE(Paints(), 2 + elapsed.elapsed() / DisplayInterval.count());
    WaitPastTheInterval();
    EXPECT_TRUE(bar.updatesEnabled());
    EXPECT_EQ("VOL1:DIR199", bar.currentMessage());
    EXPECT_GE(Paints(), 2);  // the held-back repaint came
}

// As in a job: a new directory every millisecond, events processed between
// them. The bar is painted every interval, not only once the texts stop.
TEST_F(JobDisplayStatusBar, StatusTextIsPaintedWhileTextsKeepComing)
{
    QElapsedTimer elapsed;
    elapsed.start();
    for (int i = 0; elapsed.elapsed() < 8 * DisplayInterval.count(); ++i) {
        ShowStatusText(&bar, QString("VOL1:DIR%1").arg(i));
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
    EXPECT_GE(Paints(), 4);
}

TEST(JobDisplayTest, CaptionReachesTheLabelOncePerIntervalAndAtOnceWhenAsked)
{
    QLabel label("before");
    PaintCounter counter(&label);
    SetResultsCaption(&label, 1, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ("Results: Total: 1 - Matching: 0", label.text());  // the first at the next events

    QElapsedTimer sinceFirst;
    sinceFirst.start();
    SetResultsCaption(&label, 2, 1);
    QCoreApplication::processEvents();
    if (sinceFirst.elapsed() < DisplayInterval.count() / 2) {  // not on a machine that stalled
        EXPECT_EQ("Results: Total: 1 - Matching: 0", label.text());  // within the interval: waits
    }
    SetResultsCaption(&label, 3, 1);
    WaitPastTheInterval();
    EXPECT_EQ("Results: Total: 3 - Matching: 1", label.text());

    SetResultsCaption(&label, 4, 2);
    ShowResultsCaption();
    EXPECT_EQ("Results: Total: 4 - Matching: 2", label.text());
}

TEST(JobDisplayTest, StatusBarThatGoesWhileHeldBackLeavesNothingBehind)
{
    auto bar = std::make_unique<QStatusBar>();
    bar->show();
    ShowStatusText(bar.get(), "first");
    ShowStatusText(bar.get(), "second");  // held back
    EXPECT_FALSE(bar->updatesEnabled());
    bar.reset();
    QStatusBar other;
    other.show();
    ShowStatusText(&other, "other");
    EXPECT_EQ("other", other.currentMessage());
    EXPECT_TRUE(other.updatesEnabled());
}

} // namespace
