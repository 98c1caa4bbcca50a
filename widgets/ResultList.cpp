// The result list: compact line storage and a view that paints only the rows
// in sight. Appends and selection changes made by the program reach the screen
// together the next time events are processed, so a job that adds a line per
// file pays for no layout or repaint per line.
#include "widgets/ResultList.h"

#include <QKeyEvent>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <chrono>

// ---- ResultLines --------------------------------------------------------------

std::string ResultLines::line(int index) const
{
    const Span& span = spans_.at(static_cast<std::size_t>(index));
    return text_.substr(span.start, span.length);
}

const char* ResultLines::data(int index, std::size_t& length) const
{
    const Span& span = spans_[static_cast<std::size_t>(index)];
    length = span.length;
    return text_.data() + span.start;
}

int ResultLines::append(const std::string& text)
{
    spans_.push_back({text_.size(), static_cast<std::uint32_t>(text.size())});
    text_ += text;
    selected_.push_back(false);
    longest_ = std::max(longest_, text.size());
    return count() - 1;
}

void ResultLines::set(int index, const std::string& text)
{
    Span& span = spans_.at(static_cast<std::size_t>(index));
    if (text.size() == span.length) {
        text_.replace(span.start, span.length, text);
    } else {
        // A line of another length moves to the end of the buffer; the old
        // characters stay unused until the list is cleared.
        span = {text_.size(), static_cast<std::uint32_t>(text.size())};
        text_ += text;
        longest_ = std::max(longest_, text.size());
    }
}

void ResultLines::setSelected(int first, int last, bool selected)
{
    for (int row = std::max(first, 0); row <= last && row < count(); ++row)
        selected_[static_cast<std::size_t>(row)] = selected;
}

void ResultLines::toggleSelected(int index)
{
    selected_[static_cast<std::size_t>(index)].flip();
}

void ResultLines::clearSelection()
{
    std::fill(selected_.begin(), selected_.end(), false);
}

void ResultLines::clear()
{
    text_ = std::string();  // gives the memory of a big job back
    spans_ = std::vector<Span>();
    selected_ = std::vector<bool>();
    longest_ = 0;
}

std::size_t ResultLines::memoryBytes() const
{
    return text_.capacity() + spans_.capacity() * sizeof(Span) + selected_.capacity() / 8;
}

// ---- ResultList ---------------------------------------------------------------

ResultList::ResultList(QWidget* parent) : QAbstractScrollArea(parent)
{
    sinceRefresh_.start();
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    verticalScrollBar()->setSingleStep(1);
}

void ResultList::clear()
{
    lines_.clear();
    current_ = -1;
    anchor_ = -1;
    refresh();
}

int ResultList::addLine(const std::string& text)
{
    int index = lines_.append(text);
    scheduleRefresh();
    return index;
}

void ResultList::setLine(int index, const std::string& text)
{
    lines_.set(index, text);
    scheduleRefresh();
}

std::vector<std::string> ResultList::lines() const
{
    std::vector<std::string> result;
    result.reserve(static_cast<std::size_t>(count()));
    for (int i = 0; i < count(); ++i)
        result.push_back(line(i));
    return result;
}

void ResultList::setSelected(int index, bool selected)
{
    lines_.setSelected(index, index, selected);
    scheduleRefresh();
}

int ResultList::selectedCount() const
{
    int n = 0;
    for (int i = 0; i < count(); ++i)
        n += isSelected(i) ? 1 : 0;
    return n;
}

void ResultList::selectAll()
{
    lines_.setSelected(0, count() - 1, true);
    viewport()->update();
}

int ResultList::rowHeight() const
{
    return fontMetrics().height() + 2;
}

int ResultList::visibleRows() const
{
    return std::max(1, viewport()->height() / rowHeight());
}

int ResultList::topIndex() const
{
    return verticalScrollBar()->value();
}

QRect ResultList::lineRect(int index) const
{
    int row = index - topIndex();
    if (index < 0 || index >= count() || row < 0 || row > visibleRows())
        return {};
    return QRect(0, row * rowHeight(), viewport()->width(), rowHeight());
}

int ResultList::lineAt(const QPoint& pos) const
{
    int index = topIndex() + std::max(pos.y(), 0) / rowHeight();
    return index < count() ? index : -1;
}

// The program changes the list far more often than a screen can show; the
// changes are collected and shown together, when events are processed and at
// most RefreshInterval after the last time, which is still smooth to the eye
// but keeps a job that pumps events every few milliseconds from repainting the
// list each time.
void ResultList::scheduleRefresh()
{
    if (refreshPosted_ || !isVisible())
        return;
    refreshPosted_ = true;
    const auto wait = std::max<std::int64_t>(0, RefreshInterval - sinceRefresh_.elapsed());
    QTimer::singleShot(std::chrono::milliseconds(wait), this, [this] { refresh(); });
}

void ResultList::refresh()
{
    refreshPosted_ = false;
    sinceRefresh_.restart();
    updateScrollBars();
    viewport()->update();
}

void ResultList::updateScrollBars()
{
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(0, std::max(0, count() - visibleRows()));
    vertical->setPageStep(visibleRows());
    QScrollBar* horizontal = horizontalScrollBar();
    int width = static_cast<int>(std::min<std::size_t>(lines_.longestLine(), 100000)) *
                fontMetrics().horizontalAdvance(QLatin1Char('M'));
    horizontal->setRange(0, std::max(0, width + 4 - viewport()->width()));
    horizontal->setPageStep(viewport()->width());
    horizontal->setSingleStep(fontMetrics().horizontalAdvance(QLatin1Char('M')));
}

void ResultList::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    const int height = rowHeight();
    const int left = 2 - horizontalScrollBar()->value();
    const QPalette& pal = palette();
    const int top = topIndex();
    const int last = std::min(count() - 1, top + visibleRows());
    for (int index = top; index <= last; ++index) {
        QRect rect(0, (index - top) * height, viewport()->width(), height);
        std::size_t length = 0;
        const char* text = lines_.data(index, length);
        const bool selected = lines_.isSelected(index);
        if (selected)
            painter.fillRect(rect, pal.brush(QPalette::Highlight));
        painter.setPen(pal.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter.drawText(rect.adjusted(left, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         QString::fromLocal8Bit(text, static_cast<qsizetype>(length)));
        if (index == current_ && hasFocus()) {
            painter.setPen(QPen(pal.color(QPalette::Text), 1, Qt::DotLine));
            painter.drawRect(rect.adjusted(0, 0, -1, -1));
        }
    }
}

void ResultList::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void ResultList::showEvent(QShowEvent* event)
{
    QAbstractScrollArea::showEvent(event);
    refresh();
}

void ResultList::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        refresh();
}

void ResultList::scrollContentsBy(int, int)
{
    viewport()->update();
}

// Selects from..to (in either order); without keepOthers every other line is
// deselected first.
void ResultList::selectRange(int from, int to, bool keepOthers)
{
    if (!keepOthers)
        lines_.clearSelection();
    lines_.setSelected(std::min(from, to), std::max(from, to), true);
    viewport()->update();
}

void ResultList::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    int index = lineAt(event->position().toPoint());
    if (index < 0)
        return;
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if ((modifiers & Qt::ShiftModifier) && anchor_ >= 0) {
        selectRange(anchor_, index, modifiers & Qt::ControlModifier);
    } else if (modifiers & Qt::ControlModifier) {
        lines_.toggleSelected(index);
        anchor_ = index;
    } else {
        selectRange(index, index, false);
        anchor_ = index;
    }
    current_ = index;
    viewport()->update();
}

void ResultList::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton) || anchor_ < 0)
        return;
    QPoint pos = event->position().toPoint();
    int index = lineAt(pos);
    if (pos.y() < 0)
        index = std::max(topIndex() - 1, 0);
    if (index < 0)
        index = count() - 1;
    if (index < 0 || index == current_)
        return;
    selectRange(anchor_, index, event->modifiers() & Qt::ControlModifier);
    current_ = index;
    ensureVisible(index);
}

void ResultList::mouseReleaseEvent(QMouseEvent* event)
{
    event->setAccepted(event->button() == Qt::LeftButton);
}

void ResultList::moveCurrent(int index, Qt::KeyboardModifiers modifiers)
{
    if (count() == 0)
        return;
    index = std::clamp(index, 0, count() - 1);
    if (modifiers & Qt::ShiftModifier) {
        if (anchor_ < 0)
            anchor_ = current_ < 0 ? index : current_;
        selectRange(anchor_, index, modifiers & Qt::ControlModifier);
    } else if (!(modifiers & Qt::ControlModifier)) {
        selectRange(index, index, false);
        anchor_ = index;
    }
    current_ = index;
    ensureVisible(index);
    viewport()->update();
}

void ResultList::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const int from = current_ < 0 ? topIndex() : current_;
    switch (event->key()) {
    case Qt::Key_Up: moveCurrent(from - 1, modifiers); break;
    case Qt::Key_Down: moveCurrent(current_ < 0 ? from : from + 1, modifiers); break;
    case Qt::Key_PageUp: moveCurrent(from - visibleRows(), modifiers); break;
    case Qt::Key_PageDown: moveCurrent(from + visibleRows(), modifiers); break;
    case Qt::Key_Home: moveCurrent(0, modifiers); break;
    case Qt::Key_End: moveCurrent(count() - 1, modifiers); break;
    case Qt::Key_Space:
        if (current_ >= 0 && (modifiers & Qt::ControlModifier)) {
            lines_.toggleSelected(current_);
            anchor_ = current_;
            viewport()->update();
        }
        break;
    default:
        if (event->matches(QKeySequence::SelectAll)) {
            selectAll();
            break;
        }
        QAbstractScrollArea::keyPressEvent(event);
    }
}

void ResultList::ensureVisible(int index)
{
    updateScrollBars();
    QScrollBar* vertical = verticalScrollBar();
    if (index < vertical->value())
        vertical->setValue(index);
    else if (index >= vertical->value() + visibleRows())
        vertical->setValue(index - visibleRows() + 1);
}
