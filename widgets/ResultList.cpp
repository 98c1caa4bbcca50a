// SPDX-License-Identifier: GPL-3.0-or-later
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
#include <cstring>
#include <stdexcept>

// ---- ResultLines --------------------------------------------------------------

namespace {

// The writers of one kind, by number.
template <typename Writer>
std::vector<Writer>& Numbered()
{
    static std::vector<Writer> writers;
    return writers;
}

template <typename Writer>
std::uint8_t NumberOf(Writer writer)
{
    std::vector<Writer>& writers = Numbered<Writer>();
    const auto found = std::find(writers.begin(), writers.end(), writer);
    if (found != writers.end())
        return static_cast<std::uint8_t>(found - writers.begin());
    // Writers are the functions of the program's line kinds, a handful.
    if (writers.size() > UINT8_MAX)
        throw std::length_error("ResultLines: too many line writers");
    writers.push_back(writer);
    return static_cast<std::uint8_t>(writers.size() - 1);
}

} // namespace

std::uint8_t resultlinesdetail::NumberOfLineWriter(LineWriter writer)
{
    return NumberOf(writer);
}

std::uint8_t resultlinesdetail::NumberOfValueLineWriter(ValueLineWriter writer)
{
    return NumberOf(writer);
}

LineWriter resultlinesdetail::LineWriterNumbered(std::uint8_t number)
{
    return Numbered<LineWriter>().at(number);
}

ValueLineWriter resultlinesdetail::ValueLineWriterNumbered(std::uint8_t number)
{
    return Numbered<ValueLineWriter>().at(number);
}

std::string ResultLines::line(int index) const
{
    if (index < 0 || index >= count_)
        throw std::out_of_range("ResultLines::line");
    return std::string(view(index));
}

std::string_view ResultLines::view(int index) const
{
    const Span& s = span(index);
    if (s.kind == Span::Text)
        return {chars(s), s.length};
    written_.clear();
    if (s.kind == Span::ValueLine) {
        resultlinesdetail::ValueLineWriterNumbered(static_cast<std::uint8_t>(s.length))(s.value(), written_);
        return written_;
    }
    const char* record = chars(s);
    resultlinesdetail::LineWriterNumbered(static_cast<std::uint8_t>(*record))(
        {record + 1, static_cast<std::size_t>(s.length) - 1}, written_);
    return written_;
}

void ResultLines::addSpanBlock()
{
    spans_.push_back(std::make_unique_for_overwrite<Span[]>(SpanBlockSize));
}

ResultLines::TextBlock& ResultLines::newBlock(std::size_t length)
{
    if (blocks_.size() >= MaxBlocks)
        throw std::length_error("ResultLines: too many lines");
    // A line never straddles two blocks; one longer than a block gets a block
    // of its own size, which it fills, so that every offset stays within
    // the size of a block.
    const std::size_t capacity = std::max(length, TextBlockSize);
    std::unique_ptr<char[]> chars;
    if (blocks_.size() - firstInMemory_ >= memoryBlocks_)
        chars = spillOldestBlock();
    if (!chars || capacity != TextBlockSize)
        chars = std::make_unique_for_overwrite<char[]>(capacity);
    return blocks_.emplace_back(TextBlock{std::move(chars), 0, capacity});
}

std::unique_ptr<char[]> ResultLines::spillOldestBlock()
{
    if (scratchFailed_)
        return nullptr;
    if (!scratch_.IsOpen() && !scratch_.Open(scratchFolder_)) {
        scratchFailed_ = true;
        return nullptr;
    }
    TextBlock& block = blocks_[firstInMemory_];
    if (!scratch_.WriteAt(scratchEnd_, block.chars.get(), block.used)) {
        scratchFailed_ = true;  // a full disk: what is in memory stays there
        return nullptr;
    }
    block.fileOffset = scratchEnd_;
    scratchEnd_ += block.used;
    ++firstInMemory_;
    // Reused only when it has a block's ordinary size.
    std::unique_ptr<char[]> chars = std::move(block.chars);
    return block.capacity == TextBlockSize ? std::move(chars) : nullptr;
}

const char* ResultLines::blockOnDisk(std::size_t block) const
{
    if (cachedBlock_ == block)
        return cache_.get();
    const TextBlock& onDisk = blocks_[block];
    if (cacheCapacity_ < onDisk.used) {
        cache_ = std::make_unique_for_overwrite<char[]>(std::max(onDisk.used, TextBlockSize));
        cacheCapacity_ = std::max(onDisk.used, TextBlockSize);
    }
    cachedBlock_ = SIZE_MAX;
    if (!scratch_.ReadAt(onDisk.fileOffset, cache_.get(), onDisk.used))
        throw std::runtime_error("Cannot read the result list's lines back from its scratch file in " +
                                 (scratchFolder_.empty() ? ScratchFolder() : scratchFolder_));
    cachedBlock_ = block;
    return cache_.get();
}

void ResultLines::keepInMemory(std::size_t blocks, std::string folder)
{
    memoryBlocks_ = std::max<std::size_t>(blocks, 1);
    scratchFolder_ = std::move(folder);
}

// Inline: it runs for every line added, more often than anything else here.
inline char* ResultLines::place(std::size_t length, Span::Kind kind, Span& span)
{
    if (length > MaxLineLength)
        throw std::length_error("ResultLines: line too long");
    TextBlock* block = blocks_.empty() ? nullptr : &blocks_.back();
    // A full block takes not even an empty line: its offset would be the
    // block's size, which the span's offset cannot hold.
    if (!block || block->capacity - block->used < length || block->used >= TextBlockSize)
        block = &newBlock(length);
    span = Span::Chars(kind, blocks_.size() - 1, block->used, length);
    char* room = block->chars.get() + block->used;
    block->used += length;
    return room;
}

int ResultLines::append(std::initializer_list<std::string_view> pieces)
{
    std::size_t length = 0;
    for (std::string_view piece : pieces)
        length += piece.size();
    // The line is counted only once it has its room: a line refused as too
    // long leaves the list as it was.
    Span s;
    char* room = place(length, Span::Text, s);
    for (std::string_view piece : pieces) {
        std::memcpy(room, piece.data(), piece.size());
        room += piece.size();
    }
    newSpan() = s;
    noteLength(length);
    return count_ - 1;
}

char* ResultLines::recordRoomInNewBlock(std::uint8_t writerNumber, std::size_t recordSize, std::size_t textLength)
{
    Span s;
    char* room = place(1 + recordSize, Span::Record, s);
    *room = static_cast<char>(writerNumber);
    newSpan() = s;
    noteLength(textLength);
    return room + 1;
}

char* ResultLines::recordData(int index)
{
    if (index < 0 || index >= count_)
        throw std::out_of_range("ResultLines::recordData");
    Span& s = span(index);
    if (s.kind != Span::Record)
        throw std::logic_error("ResultLines::recordData: not a record line");
    if (s.block() < firstInMemory_) {
        // Moved to the end of the store, as a changed line of another length;
        // copied first, as making room may reuse the cache.
        const std::string record(chars(s), s.length);
        const bool selected = s.selected;
        std::memcpy(place(record.size(), Span::Record, s), record.data(), record.size());
        s.selected = selected;
    }
    return inMemory(s) + 1;
}

void ResultLines::set(int index, std::string_view text)
{
    if (index < 0 || index >= count_)
        throw std::out_of_range("ResultLines::set");
    Span& s = span(index);
    const bool selected = s.selected;
    if (s.kind == Span::Text && text.size() == s.length && s.block() >= firstInMemory_) {
        std::memmove(inMemory(s), text.data(), text.size());
    } else {
        // A line of another length, or one on disk, moves to the end of the
        // store; the old characters stay unused until the list is cleared.
        // The text may lie in the store itself, whose block may go to disk
        // and be reused to make the room: it is copied first.
        const std::string copy(text);
        std::memcpy(place(copy.size(), Span::Text, s), copy.data(), copy.size());
        s.selected = selected;
    }
    noteLength(text.size());
}

void ResultLines::setSelected(int first, int last, bool selected)
{
    for (int row = std::max(first, 0); row <= last && row < count(); ++row)
        span(row).selected = selected ? 1 : 0;
}

void ResultLines::toggleSelected(int index)
{
    Span& s = span(index);
    s.selected = s.selected ? 0 : 1;
}

void ResultLines::clearSelection()
{
    setSelected(0, count_ - 1, false);
}

void ResultLines::clear()
{
    blocks_ = std::vector<TextBlock>();  // gives the memory of a big job back
    spans_ = std::vector<std::unique_ptr<Span[]>>();
    count_ = 0;
    longest_ = 0;
    scratch_.Clear();
    scratchFailed_ = false;
    scratchEnd_ = 0;
    firstInMemory_ = 0;
    cache_.reset();
    cacheCapacity_ = 0;
    cachedBlock_ = SIZE_MAX;
}

std::size_t ResultLines::memoryBytes() const
{
    std::size_t bytes = blocks_.capacity() * sizeof(TextBlock) + spans_.capacity() * sizeof(spans_[0]) +
                        spans_.size() * SpanBlockSize * sizeof(Span);
    for (std::size_t block = firstInMemory_; block < blocks_.size(); ++block)
        bytes += blocks_[block].capacity;
    return bytes + cacheCapacity_;
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
    widestDrawn_ = 0;
    current_ = -1;
    anchor_ = -1;
    firstChange_ = 0;
    refresh();
}

int ResultList::addLine(std::initializer_list<std::string_view> pieces)
{
    int index = lines_.append(pieces);
    scheduleRefresh(index);
    return index;
}

void ResultList::setLine(int index, std::string_view text)
{
    lines_.set(index, text);
    scheduleRefresh(index);
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
    scheduleRefresh(index);
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
// list each time. Rows are repainted only when a line in sight has changed:
// appends below the last visible row only move the scroll bar.
void ResultList::postRefresh()
{
    refreshPosted_ = true;
    const auto wait = std::max<std::int64_t>(0, RefreshInterval - sinceRefresh_.elapsed());
    QTimer::singleShot(std::chrono::milliseconds(wait), this, [this] { refresh(); });
}

void ResultList::refresh()
{
    refreshPosted_ = false;
    sinceRefresh_.restart();
    updateScrollBars();
    if (firstChange_ <= topIndex() + visibleRows())
        viewport()->update();
    firstChange_ = INT_MAX;
}

void ResultList::updateScrollBars()
{
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(0, std::max(0, count() - visibleRows()));
    vertical->setPageStep(visibleRows());
    // Measured on the lines drawn so far: a list of a million lines is never
    // measured whole, and a line wider than the view shows the bar when it
    // comes into sight.
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setRange(0, std::max(0, widestDrawn_ + 4 - viewport()->width()));
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
    const QFontMetrics metrics = fontMetrics();
    int widest = widestDrawn_;
    for (int index = top; index <= last; ++index) {
        QRect rect(0, (index - top) * height, viewport()->width(), height);
        std::string_view text;
        std::string unreadable;
        try {
            text = lines_.view(index);
        } catch (const std::runtime_error& error) {
            unreadable = error.what();
            text = unreadable;
        }
        const bool selected = lines_.isSelected(index);
        if (selected)
            painter.fillRect(rect, pal.brush(QPalette::Highlight));
        painter.setPen(pal.color(selected ? QPalette::HighlightedText : QPalette::Text));
        const QString shown = QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
        widest = std::max(widest, metrics.horizontalAdvance(shown));
        painter.drawText(rect.adjusted(left, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
        if (index == current_ && hasFocus()) {
            painter.setPen(QPen(pal.color(QPalette::Text), 1, Qt::DotLine));
            painter.drawRect(rect.adjusted(0, 0, -1, -1));
        }
    }
    if (widest > widestDrawn_) {
        widestDrawn_ = widest;
        // Not while painting: a bar that appears changes the viewport.
        QMetaObject::invokeMethod(this, [this] { updateScrollBars(); }, Qt::QueuedConnection);
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
    firstChange_ = 0;
    refresh();
}

void ResultList::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        widestDrawn_ = 0;
        firstChange_ = 0;
        refresh();
    }
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
