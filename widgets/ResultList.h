// SPDX-License-Identifier: GPL-3.0-or-later
// The result list (ListBoxResults): a multi-select list of text lines that a
// job fills with up to millions of lines. The lines live in one compact store
// (characters in large fixed-size blocks, one small record per line with its
// selection bit), and the view paints only the rows in sight, so an append or
// a selection costs a few bytes and no item object, nothing is laid out per
// row, and no append ever moves the lines already stored. Only the newest
// blocks of characters stay in memory: older ones go to a scratch file and are
// read back when a line of theirs is painted, copied or saved, so a job's
// memory grows by the line records alone.
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
#include <utility>
#include <vector>

#include "util/ScratchFile.h"

// A line can also be kept as a record: the values it shows and the function
// that writes its text from them. The text is written each time the line is
// read (painted, copied, saved), so a job that lists millions of files formats
// only the lines somebody reads. The writer appends the line's text to text and
// must give the same text for the same record every time.
using LineWriter = void (*)(std::string_view record, std::string& text);
// The smallest record: one 32-bit value, kept in the line's own slot, so the
// line takes no room in the text blocks at all.
using ValueLineWriter = void (*)(std::uint32_t value, std::string& text);

// A line keeps its writer as a number of one byte: writers are numbered once
// per process, in the order they are first used (at most 256 of each kind).
namespace resultlinesdetail {
std::uint8_t NumberOfLineWriter(LineWriter writer);
std::uint8_t NumberOfValueLineWriter(ValueLineWriter writer);
LineWriter LineWriterNumbered(std::uint8_t number);
ValueLineWriter ValueLineWriterNumbered(std::uint8_t number);

// The number of a writer known when the program is built, looked up once
// when the program starts (the registry is a function's own static, ready
// whenever it is asked), so that adding a line tests no guard.
template <LineWriter Writer>
inline const std::uint8_t LineWriterNumberOf = NumberOfLineWriter(Writer);
template <ValueLineWriter Writer>
inline const std::uint8_t ValueLineWriterNumberOf = NumberOfValueLineWriter(Writer);

template <LineWriter Writer>
std::uint8_t LineWriterNumber()
{
    return LineWriterNumberOf<Writer>;
}
template <ValueLineWriter Writer>
std::uint8_t ValueLineWriterNumber()
{
    return ValueLineWriterNumberOf<Writer>;
}
}  // namespace resultlinesdetail

// The lines and their selection bits, without any widget.
class ResultLines {
public:
    int count() const { return count_; }
    std::string line(int index) const;  // bounds-checked
    // The line's text; it lies in a buffer of the store that stays valid
    // until the next line is read or the store is changed. Raises
    // std::runtime_error when a line kept on disk cannot be read back.
    std::string_view view(int index) const;
    int append(std::string_view text) { return append({text}); }
    // Appends the pieces as one line.
    int append(std::initializer_list<std::string_view> pieces);
    // Appends a record line written by Writer. textLength is the length of the
    // text the writer gives, or more (it only sets how far the list can scroll
    // sideways).
    template <LineWriter Writer>
    int appendRecord(std::string_view record, std::size_t textLength)
    {
        return appendRecordWith<Writer>(record.size(), textLength,
                                        [record](char* room) { std::memcpy(room, record.data(), record.size()); });
    }
    // Appends a record line of recordSize bytes, which fill (not throwing)
    // writes at the address it is given: the record is made where it stays.
    template <LineWriter Writer, typename Fill>
    int appendRecordWith(std::size_t recordSize, std::size_t textLength, Fill&& fill)
    {
        fill(recordRoom(resultlinesdetail::LineWriterNumber<Writer>(), recordSize, textLength));
        return count_ - 1;
    }
    // The record of record line index, to be changed where it lies (a record
    // kept on disk is first brought back to the end of the memory part).
    char* recordData(int index);
    // Inline wherever it is called: the scan adds up to four value lines per file.
    template <ValueLineWriter Writer>
    [[gnu::always_inline]] int appendValue(std::uint32_t value, std::size_t textLength)
    {
        newSpan() = Span::Value(resultlinesdetail::ValueLineWriterNumber<Writer>(), value);
        noteLength(textLength);
        return count_ - 1;
    }
    void set(int index, std::string_view text);
    bool isSelected(int index) const { return span(index).selected != 0; }
    void setSelected(int first, int last, bool selected);
    void toggleSelected(int index);
    void clearSelection();
    void clear();
    std::size_t longestLine() const { return longest_; }

    // Bytes held in memory for the lines (text blocks and line records), for the memory budget.
    std::size_t memoryBytes() const;

    // How many blocks of characters stay in memory before the oldest go to a
    // scratch file in folder (empty: the scratch file's default), for the
    // lists made from now on. Without a scratch file (it cannot be made or
    // written) every block stays in memory.
    void keepInMemory(std::size_t blocks, std::string folder = {});
    static constexpr std::size_t DefaultMemoryBlocks = 8;
    // Blocks of characters on disk.
    std::size_t blocksOnDisk() const { return firstInMemory_; }

private:
    // Where a line lies and what it is, in eight bytes. A text or record line
    // lies at offset in text block block and takes length characters; a
    // record line's characters are the number of its writer and then the
    // record. A value line has no characters: it keeps its value and the
    // number of its writer here.
    struct Span {
        enum Kind { Text, Record, ValueLine };
        static constexpr int BlockBits = 16, OffsetBits = 20, LengthBits = 25;
        std::uint64_t kind : 2;
        std::uint64_t selected : 1;
        std::uint64_t length : LengthBits;            // a value line's writer number
        std::uint64_t position : BlockBits + OffsetBits;  // block, offset; a value line's value

        static Span Chars(Kind kind, std::size_t block, std::size_t offset, std::size_t length)
        {
            return Span{static_cast<std::uint64_t>(kind), 0, length, (std::uint64_t(block) << OffsetBits) | offset};
        }
        static Span Value(std::uint8_t writer, std::uint32_t value) { return Span{ValueLine, 0, writer, value}; }
        std::size_t block() const { return static_cast<std::size_t>(position >> OffsetBits); }
        std::size_t offset() const { return static_cast<std::size_t>(position & ((1u << OffsetBits) - 1)); }
        std::uint32_t value() const { return static_cast<std::uint32_t>(position); }
    };
    static_assert(sizeof(Span) == 8);
    // A block before firstInMemory_ lies in the scratch file at fileOffset and
    // has no characters in memory.
    struct TextBlock {
        std::unique_ptr<char[]> chars;
        std::size_t used = 0;
        std::size_t capacity = 0;
        std::uint64_t fileOffset = 0;
    };
    // Offsets within a block must fit the span's offset field.
    static constexpr std::size_t TextBlockSize = std::size_t(1) << Span::OffsetBits;
    static constexpr std::size_t MaxLineLength = (std::size_t(1) << Span::LengthBits) - 1;
    static constexpr std::size_t MaxBlocks = std::size_t(1) << Span::BlockBits;
    static constexpr int SpanBlockBits = 16;
    static constexpr int SpanBlockSize = 1 << SpanBlockBits;

    Span& span(int index) { return spans_[static_cast<std::size_t>(index) >> SpanBlockBits][index & (SpanBlockSize - 1)]; }
    const Span& span(int index) const
    {
        return spans_[static_cast<std::size_t>(index) >> SpanBlockBits][index & (SpanBlockSize - 1)];
    }
    // Room for length characters, in the last text block or a new one.
    char* place(std::size_t length, Span::Kind kind, Span& span);
    TextBlock& newBlock(std::size_t length);
    // Writes the oldest block in memory to the scratch file and gives its
    // characters back for reuse; nullptr when it stays in memory.
    std::unique_ptr<char[]> spillOldestBlock();
    // The characters of a block on disk, read into the cache.
    const char* blockOnDisk(std::size_t block) const;
    // The record of a new line at the end (selection cleared).
    [[gnu::always_inline]] Span& newSpan()
    {
        if ((count_ & (SpanBlockSize - 1)) == 0)
            addSpanBlock();
        return span(count_++);
    }
    void addSpanBlock();
    void noteLength(std::size_t textLength)
    {
        if (textLength > longest_)
            longest_ = textLength;
    }
    char* inMemory(const Span& s) const { return blocks_[s.block()].chars.get() + s.offset(); }
    const char* chars(const Span& s) const
    {
        return s.block() >= firstInMemory_ ? inMemory(s) : blockOnDisk(s.block()) + s.offset();
    }
    // Room for the record of a new record line at the end, after its writer's number.
    char* recordRoom(std::uint8_t writerNumber, std::size_t recordSize, std::size_t textLength)
    {
        // A job adds several lines per file: the common case, room in the
        // last block and in the last block of line records, stays inline.
        const std::size_t length = 1 + recordSize;
        if ((count_ & (SpanBlockSize - 1)) == 0 || blocks_.empty() ||
            blocks_.back().capacity - blocks_.back().used < length)
            return recordRoomInNewBlock(writerNumber, recordSize, textLength);
        TextBlock& block = blocks_.back();
        span(count_) = Span::Chars(Span::Record, blocks_.size() - 1, block.used, length);
        char* room = block.chars.get() + block.used;
        *room = static_cast<char>(writerNumber);
        block.used += length;
        noteLength(textLength);
        ++count_;
        return room + 1;
    }
    char* recordRoomInNewBlock(std::uint8_t writerNumber, std::size_t recordSize, std::size_t textLength);

    std::vector<TextBlock> blocks_;
    std::vector<std::unique_ptr<Span[]>> spans_;  // SpanBlockSize lines each
    int count_ = 0;
    std::size_t longest_ = 0;
    mutable std::string written_;  // the text of the record line read last

    std::size_t memoryBlocks_ = DefaultMemoryBlocks;
    std::string scratchFolder_;
    ScratchFile scratch_;
    bool scratchFailed_ = false;  // a block could not be written: the rest stays in memory
    std::uint64_t scratchEnd_ = 0;
    std::size_t firstInMemory_ = 0;  // the blocks before it are on disk
    // The block on disk read last.
    mutable std::unique_ptr<char[]> cache_;
    mutable std::size_t cacheCapacity_ = 0;
    mutable std::size_t cachedBlock_ = SIZE_MAX;
};

class ResultList : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit ResultList(QWidget* parent = nullptr);

    void clear();
    int addLine(std::string_view text) { return addLine({text}); }  // returns the new line's index
    int addLine(std::initializer_list<std::string_view> pieces);     // the pieces as one line
    template <LineWriter Writer>
    int addRecordLine(std::string_view record, std::size_t textLength)
    {
        const int index = lines_.appendRecord<Writer>(record, textLength);
        scheduleRefresh(index);
        return index;
    }
    // A record line whose record fill (not throwing) writes in the list's own store.
    template <LineWriter Writer, typename Fill>
    int addRecordLineWith(std::size_t recordSize, std::size_t textLength, Fill&& fill)
    {
        const int index = lines_.appendRecordWith<Writer>(recordSize, textLength, std::forward<Fill>(fill));
        scheduleRefresh(index);
        return index;
    }
    // Lets change (not throwing) alter the record of record line index where it lies.
    template <typename Change>
    void changeRecordLine(int index, Change&& change)
    {
        change(lines_.recordData(index));
        scheduleRefresh(index);
    }
    template <ValueLineWriter Writer>
    [[gnu::always_inline]] int addValueLine(std::uint32_t value, std::size_t textLength)
    {
        const int index = lines_.appendValue<Writer>(value, textLength);
        scheduleRefresh(index);
        return index;
    }
    void setLine(int index, std::string_view text);
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
    int widestDrawn_ = 0;  // pixels: the widest line drawn since the list was cleared
};
