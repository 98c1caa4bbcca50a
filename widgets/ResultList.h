// The result list (ListBoxResults): a multi-select list of text lines that a
// job fills with up to millions of lines. The lines live in one compact model
// (a character buffer with offsets and one selection bit per line), so an
// append or a selection costs a few bytes and no item object.
#pragma once

#include <QAbstractListModel>
#include <QListView>

#include <cstdint>
#include <string>
#include <vector>

// The lines and their selection bits. rowCount() is the part of the lines the
// view has been told about; appends are announced in batches (see ResultList).
class ResultListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit ResultListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    int count() const { return static_cast<int>(spans_.size()); }
    std::string line(int index) const;
    int append(const std::string& text);
    void setLine(int index, const std::string& text);
    bool isSelected(int index) const { return selected_[static_cast<std::size_t>(index)]; }
    // Changes the bits of first..last; tells the view about the rows it knows.
    void setSelected(int first, int last, bool selected);
    void toggleSelected(int first, int last);
    void clearSelection();
    void clear();

    // Announces the lines appended since the last call to the views.
    void exposePending();
    bool hasPending() const { return exposed_ < count(); }

    // Bytes held for the lines (buffer, offsets and bits), for the memory budget.
    std::size_t memoryBytes() const;

private:
    struct Span {
        std::uint64_t start;
        std::uint32_t length;
    };
    void changed(int first, int last);

    std::string text_;          // every line's characters, back to back
    std::vector<Span> spans_;   // where each line lies in text_
    std::vector<bool> selected_;
    int exposed_ = 0;
};

class ResultSelectionModel;

class ResultList : public QListView {
    Q_OBJECT
public:
    explicit ResultList(QWidget* parent = nullptr);

    void clear();
    int addLine(const std::string& text);  // returns the new line's index
    void setLine(int index, const std::string& text);
    std::string line(int index) const { return model_->line(index); }
    int count() const { return model_->count(); }
    std::vector<std::string> lines() const;

    void setSelected(int index, bool selected);
    bool isSelected(int index) const { return model_->isSelected(index); }
    int selectedCount() const;

    ResultListModel* lineModel() const { return model_; }

protected:
    void showEvent(QShowEvent* event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;

private:
    void schedulePendingRows();
    void exposePendingRows();

    ResultListModel* model_;
    ResultSelectionModel* selection_;
    bool exposePosted_ = false;
};
