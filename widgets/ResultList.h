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
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The lines and their selection bits, without any widget.
class ResultLines {
public:
    int count() const { return count_; }
    std::string line(int index) const;  // bounds-checked
    std::string_view view(int index) const;
    int append(std::string_view text) { return append({text}); }
    // Appends the pieces as one line.
    int append(std::initializer_list<std::string_view> pieces);
    void set(int index, std::string_view text);
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
    struct Span {
        std::uint32_t block;
        std::uint32_t offset;
        std::uint32_t length : 31;
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

    std::vector<TextBlock> blocks_;
    std::vector<std::unique_ptr<Span[]>> spans_;  // SpanBlockSize lines each
    int count_ = 0;
    std::size_t longest_ = 0;
};

class ResultList : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit ResultList(QWidget* parent = nullptr);

    void clear();
    int addLine(std::string_view text) { return addLine({text}); }  // returns the new line's index
    int addLine(std::initializer_list<std::string_view> pieces);     // the pieces as one line
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
};
