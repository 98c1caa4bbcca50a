// The result list (ListBoxResults): a multi-select list of text lines that a
// job fills with up to millions of lines. The lines live in one compact store
// (a character buffer with offsets and one selection bit per line), and the
// view paints only the rows in sight, so an append or a selection costs a few
// bytes and no item object, and nothing is laid out per row.
#pragma once

#include <QAbstractScrollArea>
#include <QElapsedTimer>

#include <cstdint>
#include <string>
#include <vector>

// The lines and their selection bits, without any widget.
class ResultLines {
public:
    int count() const { return static_cast<int>(spans_.size()); }
    std::string line(int index) const;
    int append(const std::string& text);
    void set(int index, const std::string& text);
    bool isSelected(int index) const { return selected_[static_cast<std::size_t>(index)]; }
    void setSelected(int first, int last, bool selected);
    void toggleSelected(int index);
    void clearSelection();
    void clear();
    std::size_t longestLine() const { return longest_; }

    // Bytes held for the lines (buffer, offsets and bits), for the memory budget.
    std::size_t memoryBytes() const;

    const char* data(int index, std::size_t& length) const;

private:
    struct Span {
        std::uint64_t start;
        std::uint32_t length;
    };

    std::string text_;         // every line's characters, back to back
    std::vector<Span> spans_;  // where each line lies in text_
    std::vector<bool> selected_;
    std::size_t longest_ = 0;
};

class ResultList : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit ResultList(QWidget* parent = nullptr);

    void clear();
    int addLine(const std::string& text);  // returns the new line's index
    void setLine(int index, const std::string& text);
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
    void scheduleRefresh();
    void refresh();
    void updateScrollBars();
    void selectRange(int from, int to, bool keepOthers);
    void moveCurrent(int index, Qt::KeyboardModifiers modifiers);
    void ensureVisible(int index);

    ResultLines lines_;
    int current_ = -1;
    int anchor_ = -1;
    bool refreshPosted_ = false;
    QElapsedTimer sinceRefresh_;
    static constexpr std::int64_t RefreshInterval = 40;  // ms
};
