// The result list (ListBoxResults): a multi-select list of text lines that a
// job fills with up to millions of lines. The lines live in one compact store
// (characters in large fixed-size blocks, one small record per line with its
// selection bit), and the view paints only the rows in sight, so an append or
// a selection costs a few bytes and no item object, nothing is laid out per
// row, and no append ever moves the lines already stored.
#pragma once

#include <QAbstractScrollArea>
#include <QElapsedTimer>

#include <climits>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A line can also be kept as a record: the values it shows and the function
// that writes its text from them. The text is written each time the line is
// read (painted, copied, saved), so a job that lists millions of files formats
// only the lines somebody reads. The writer appends the line's text to text and
// must give the same text for the same record every time.
using LineWriter = void (*)(std::string_view record, std::string& text);
// The smallest record: one 32-bit value, kept in the line's own slot, so the
// line takes no room in the text blocks at all.
using ValueLineWriter = void (*)(std::uint32_t value, std::string& text);

// The lines and their selection bits, without any widget.
class ResultLines {
public:
    int count() const { return count_; }
    std::string line(int index) const;  // bounds-checked
    // The line's text; for a record line it lies in a buffer of the store that
    // stays valid until the next record line is read.
    std::string_view view(int index) const;
    int append(std::string_view text) { return append({text}); }
    // Appends the pieces as one line.
    int append(std::initializer_list<std::string_view> pieces);
    // Appends a record line. textLength is the length of the text the writer
    // gives, or more (it only sets how far the list can scroll sideways).
    int appendRecord(LineWriter writer, std::string_view record, std::size_t textLength)
    {
        // A job adds several lines per file: the common case, room in the
        // last block and in the last block of line records, stays inline.
        const std::size_t length = sizeof writer + record.size();
        if ((count_ & (SpanBlockSize - 1)) == 0 || blocks_.empty() || blocks_.back().capacity - blocks_.back().used < length)
            return appendRecordInNewBlock(writer, record, textLength);
        TextBlock& block = blocks_.back();
        Span& s = span(count_);
        s = Span{static_cast<std::uint32_t>(blocks_.size() - 1), static_cast<std::uint32_t>(block.used),
                 static_cast<std::uint32_t>(length), Span::Record, 0};
        putRecord(block.chars.get() + block.used, writer, record);
        block.used += length;
        if (textLength > longest_)
            longest_ = textLength;
        return count_++;
    }
    int appendValue(ValueLineWriter writer, std::uint32_t value, std::size_t textLength)
    {
        newSpan() = Span{value, valueWriterIndex(writer), 0, Span::Value, 0};
        if (textLength > longest_)
            longest_ = textLength;
        return count_ - 1;
    }
    void set(int index, std::string_view text);
    // Makes line index a record line; a record of the old size is rewritten
    // where it lies.
    void setRecord(int index, LineWriter writer, std::string_view record, std::size_t textLength);
    bool isSelected(int index) const { return span(index).selected != 0; }
    void setSelected(int first, int last, bool selected);
    void toggleSelected(int index);
    void clearSelection();
    void clear();
    std::size_t longestLine() const { return longest_; }

    // Bytes held for the lines (text blocks and line records), for the memory budget.
    std::size_t memoryBytes() const;

    const char* data(int index, std::size_t& length) const;

private:
    // Where a line lies and what it is. A record line's characters are its
    // writer's address and then the record; a value line has no characters:
    // block holds the value and offset the number of its writer.
    struct Span {
        enum Kind { Text, Record, Value };
        std::uint32_t block;
        std::uint32_t offset;
        std::uint32_t length : 29;
        std::uint32_t kind : 2;
        std::uint32_t selected : 1;
    };
    struct TextBlock {
        std::unique_ptr<char[]> chars;
        std::size_t used = 0;
        std::size_t capacity = 0;
    };
    static constexpr std::size_t TextBlockSize = std::size_t(1) << 20;
    static constexpr int SpanBlockBits = 16;
    static constexpr int SpanBlockSize = 1 << SpanBlockBits;

    Span& span(int index) { return spans_[static_cast<std::size_t>(index) >> SpanBlockBits][index & (SpanBlockSize - 1)]; }
    const Span& span(int index) const
    {
        return spans_[static_cast<std::size_t>(index) >> SpanBlockBits][index & (SpanBlockSize - 1)];
    }
    // Room for length characters, in the last text block or a new one.
    char* place(std::size_t length, Span& span);
    TextBlock& newBlock(std::size_t length);
    // The record of a new line at the end (selection cleared).
    Span& newSpan()
    {
        if ((count_ & (SpanBlockSize - 1)) == 0)
            spans_.push_back(std::make_unique_for_overwrite<Span[]>(SpanBlockSize));
        Span& s = span(count_++);
        s.selected = 0;
        return s;
    }
    char* chars(const Span& s) const { return blocks_[s.block].chars.get() + s.offset; }
    static void putRecord(char* room, LineWriter writer, std::string_view record)
    {
        std::memcpy(room, &writer, sizeof writer);
        std::memcpy(room + sizeof writer, record.data(), record.size());
    }
    int appendRecordInNewBlock(LineWriter writer, std::string_view record, std::size_t textLength);
    std::uint32_t valueWriterIndex(ValueLineWriter writer)
    {
        // A job uses a handful of writers.
        const auto count = static_cast<std::uint32_t>(valueWriters_.size());
        for (std::uint32_t i = 0; i < count; ++i)
            if (valueWriters_[i] == writer)
                return i;
        valueWriters_.push_back(writer);
        return count;
    }

    std::vector<TextBlock> blocks_;
    std::vector<std::unique_ptr<Span[]>> spans_;  // SpanBlockSize lines each
    int count_ = 0;
    std::size_t longest_ = 0;
    mutable std::string written_;  // the text of the record line read last
    std::vector<ValueLineWriter> valueWriters_;  // the writers of the value lines, by number
};

class ResultList : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit ResultList(QWidget* parent = nullptr);

    void clear();
    int addLine(std::string_view text) { return addLine({text}); }  // returns the new line's index
    int addLine(std::initializer_list<std::string_view> pieces);     // the pieces as one line
    int addRecordLine(LineWriter writer, std::string_view record, std::size_t textLength)
    {
        const int index = lines_.appendRecord(writer, record, textLength);
        scheduleRefresh(index);
        return index;
    }
    int addValueLine(ValueLineWriter writer, std::uint32_t value, std::size_t textLength)
    {
        const int index = lines_.appendValue(writer, value, textLength);
        scheduleRefresh(index);
        return index;
    }
    void setLine(int index, std::string_view text);
    void setRecordLine(int index, LineWriter writer, std::string_view record, std::size_t textLength);
    std::string line(int index) const { return lines_.line(index); }
    int count() const { return lines_.count(); }
    std::vector<std::string> lines() const;

    void setSelected(int index, bool selected);
    bool isSelected(int index) const { return lines_.isSelected(index); }
    int selectedCount() const;
    void selectAll();

    int currentIndex() const { return current_; }
    int topIndex() const;
    // Where a line is drawn in the viewport; empty when it is out of sight.
    QRect lineRect(int index) const;
    int lineAt(const QPoint& viewportPos) const;  // -1 below the last line

    const ResultLines& store() const { return lines_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    int rowHeight() const;
    int visibleRows() const;
    void scheduleRefresh(int changedIndex)
    {
        if (changedIndex < firstChange_)
            firstChange_ = changedIndex;
        if (!refreshPosted_ && isVisible())
            postRefresh();
    }
    void postRefresh();
    void refresh();
    void updateScrollBars();
    void selectRange(int from, int to, bool keepOthers);
    void moveCurrent(int index, Qt::KeyboardModifiers modifiers);
    void ensureVisible(int index);

    ResultLines lines_;
    int current_ = -1;
    int anchor_ = -1;
    bool refreshPosted_ = false;
    int firstChange_ = INT_MAX;  // the first line changed since the last refresh
    QElapsedTimer sinceRefresh_;
    static constexpr std::int64_t RefreshInterval = 40;  // ms
};
