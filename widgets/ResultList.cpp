// The result list: compact line storage, the view over it, and a selection
// model that keeps its state in the lines' selection bits, so that a job can
// select a million lines without a million selection ranges.
#include "widgets/ResultList.h"

#include <QEvent>
#include <QItemSelectionModel>
#include <QMetaObject>
#include <QStyledItemDelegate>

#include <algorithm>
#include <utility>

namespace {

constexpr int SelectedRole = Qt::UserRole + 1;

// The view asks its selection model whether a row is selected, but that model's
// own ranges stay empty here: the selection bits are the truth, so the rows are
// painted from them.
class ResultLineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->state.setFlag(QStyle::State_Selected, index.data(SelectedRole).toBool());
    }
};

} // namespace

// Turns the view's selection commands (clicks, shift and control clicks, drags,
// keyboard, select all) into changes of the selection bits. A command with the
// Current flag replaces the previous command's change, as a drag or a shift
// range does while it grows, so the rows that change are remembered with their
// old bits.
class ResultSelectionModel : public QItemSelectionModel {
public:
    // The view decides between selecting and deselecting a control-clicked row
    // by asking this model, whose own ranges are empty; the next command is
    // therefore decided again from the row's bit, and a control drag keeps the
    // decision of its press.
    enum class Control { None, Press, Drag };
    void expectControl(Control control) { control_ = control; }

    explicit ResultSelectionModel(ResultListModel* model, QObject* parent)
        : QItemSelectionModel(model, parent), lines_(model)
    {
        connect(model, &QAbstractItemModel::modelReset, this, [this] { current_.clear(); });
    }

    void select(const QModelIndex& index, SelectionFlags command) override
    {
        select(QItemSelection(index, index), command);
    }

    void select(const QItemSelection& selection, SelectionFlags command) override
    {
        if (command == NoUpdate)
            return;
        if (control_ != Control::None && (command & (Select | Deselect)) && !selection.isEmpty()) {
            if (control_ == Control::Press)
                controlDecision_ = lines_->isSelected(selection.first().top()) ? Deselect : Select;
            command &= ~(Select | Deselect);
            command |= controlDecision_;
        }
        control_ = Control::None;
        if (command & Clear) {
            lines_->clearSelection();
        } else if (command & Current) {
            for (auto [row, bit] : current_)
                lines_->setSelected(row, row, bit);
        }
        current_.clear();
        if (!(command & (Select | Deselect | Toggle)))
            return;
        for (const QItemSelectionRange& range : selection) {
            if (!range.isValid())
                continue;
            int first = std::max(range.top(), 0);
            int last = std::min(range.bottom(), lines_->count() - 1);
            for (int row = first; row <= last; ++row)
                current_.emplace_back(row, lines_->isSelected(row));
            if (command & Toggle)
                lines_->toggleSelected(first, last);
            else
                lines_->setSelected(first, last, (command & Select) != 0);
        }
    }

    void clear() override
    {
        lines_->clearSelection();
        current_.clear();
        QItemSelectionModel::clear();
    }

private:
    ResultListModel* lines_;
    std::vector<std::pair<int, bool>> current_;
    Control control_ = Control::None;
    SelectionFlags controlDecision_ = Select;
};

// ---- ResultListModel --------------------------------------------------------

ResultListModel::ResultListModel(QObject* parent) : QAbstractListModel(parent) {}

int ResultListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : exposed_;
}

QVariant ResultListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    const Span& span = spans_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return QString::fromLocal8Bit(text_.data() + span.start, static_cast<qsizetype>(span.length));
    case SelectedRole:
        return isSelected(index.row());
    default:
        return {};
    }
}

std::string ResultListModel::line(int index) const
{
    const Span& span = spans_.at(static_cast<std::size_t>(index));
    return text_.substr(span.start, span.length);
}

int ResultListModel::append(const std::string& text)
{
    spans_.push_back({text_.size(), static_cast<std::uint32_t>(text.size())});
    text_ += text;
    selected_.push_back(false);
    return count() - 1;
}

void ResultListModel::setLine(int index, const std::string& text)
{
    Span& span = spans_.at(static_cast<std::size_t>(index));
    if (text.size() == span.length) {
        text_.replace(span.start, span.length, text);
    } else {
        // A line of another length moves to the end of the buffer; the old
        // characters stay unused until the list is cleared.
        span = {text_.size(), static_cast<std::uint32_t>(text.size())};
        text_ += text;
    }
    changed(index, index);
}

void ResultListModel::setSelected(int first, int last, bool selected)
{
    for (int row = first; row <= last; ++row)
        selected_[static_cast<std::size_t>(row)] = selected;
    changed(first, last);
}

void ResultListModel::toggleSelected(int first, int last)
{
    for (int row = first; row <= last; ++row)
        selected_[static_cast<std::size_t>(row)].flip();
    changed(first, last);
}

void ResultListModel::clearSelection()
{
    auto firstSet = std::find(selected_.begin(), selected_.end(), true);
    if (firstSet == selected_.end())
        return;
    std::fill(selected_.begin(), selected_.end(), false);
    changed(0, count() - 1);
}

void ResultListModel::clear()
{
    beginResetModel();
    text_ = std::string();  // gives the memory of a big job back
    spans_ = std::vector<Span>();
    selected_ = std::vector<bool>();
    exposed_ = 0;
    endResetModel();
}

void ResultListModel::exposePending()
{
    if (!hasPending())
        return;
    beginInsertRows({}, exposed_, count() - 1);
    exposed_ = count();
    endInsertRows();
}

std::size_t ResultListModel::memoryBytes() const
{
    return text_.capacity() + spans_.capacity() * sizeof(Span) + selected_.capacity() / 8;
}

void ResultListModel::changed(int first, int last)
{
    if (first >= exposed_)
        return;  // the view learns of these rows, bits included, when they are announced
    last = std::min(last, exposed_ - 1);
    emit dataChanged(index(first), index(last), {SelectedRole, Qt::DisplayRole});
}

// ---- ResultList -------------------------------------------------------------

ResultList::ResultList(QWidget* parent) : QListView(parent), model_(new ResultListModel(this)), selection_(nullptr)
{
    setModel(model_);
    QItemSelectionModel* standard = selectionModel();
    selection_ = new ResultSelectionModel(model_, this);
    setSelectionModel(selection_);
    delete standard;
    setItemDelegate(new ResultLineDelegate(this));
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Equal row heights let the view place a million rows without measuring them.
    setUniformItemSizes(true);
}

void ResultList::clear()
{
    exposePosted_ = false;
    model_->clear();
}

int ResultList::addLine(const std::string& text)
{
    int index = model_->append(text);
    schedulePendingRows();
    return index;
}

void ResultList::setLine(int index, const std::string& text)
{
    model_->setLine(index, text);
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
    model_->setSelected(index, index, selected);
}

int ResultList::selectedCount() const
{
    int n = 0;
    for (int i = 0; i < count(); ++i)
        n += isSelected(i) ? 1 : 0;
    return n;
}

void ResultList::showEvent(QShowEvent* event)
{
    exposePendingRows();
    QListView::showEvent(event);
}

QItemSelectionModel::SelectionFlags ResultList::selectionCommand(const QModelIndex& index, const QEvent* event) const
{
    QItemSelectionModel::SelectionFlags command = QListView::selectionCommand(index, event);
    if (event && (command & QItemSelectionModel::Toggle)) {
        if (event->type() == QEvent::MouseButtonPress)
            selection_->expectControl(ResultSelectionModel::Control::Press);
        else if (event->type() == QEvent::MouseMove)
            selection_->expectControl(ResultSelectionModel::Control::Drag);
    }
    return command;
}

// Telling the view about every single append would make it lay out again per
// line; instead the rows appended since the last announcement are announced
// together the next time events are processed, and not at all while the list is
// hidden (it catches up when shown).
void ResultList::schedulePendingRows()
{
    if (exposePosted_ || !isVisible())
        return;
    exposePosted_ = true;
    QMetaObject::invokeMethod(this, [this] { exposePendingRows(); }, Qt::QueuedConnection);
}

void ResultList::exposePendingRows()
{
    exposePosted_ = false;
    model_->exposePending();
}
