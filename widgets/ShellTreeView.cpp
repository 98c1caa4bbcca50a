// SPDX-License-Identifier: GPL-3.0-or-later
// The folder tree: a QTreeWidget over a folder source, filled lazily.
#include "widgets/ShellTreeView.h"

#include <QKeyEvent>

#include "util/D_Util.h"
#include "widgets/FocusFrame.h"
#include "widgets/FolderSource.h"

#include <QHeaderView>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int PathRole = Qt::UserRole;
constexpr int PopulatedRole = Qt::UserRole + 1;

std::string PathOf(const QTreeWidgetItem* item)
{
    return item ? item->data(0, PathRole).toByteArray().toStdString() : std::string();
}

// True when path is below (or at) folder: the folder's path, then the end or
// the separator. Compared exactly or ignoring ASCII case.
bool IsAtOrBelow(const std::string& path, const std::string& folder, char separator, bool ignoreCase)
{
    if (path.size() < folder.size())
        return false;
    const std::string head = path.substr(0, folder.size());
    if (ignoreCase ? !SameTextAscii(head, folder) : head != folder)
        return false;
    return path.size() == folder.size() || path[folder.size()] == separator || folder.back() == separator;
}

}  // namespace

ShellTreeView::ShellTreeView(QWidget* parent) : QWidget(parent), tree_(new QTreeWidget(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tree_);

    tree_->setColumnCount(1);
    tree_->header()->hide();
    tree_->setRootIsDecorated(false);  // no lines at the root level
    tree_->setUniformRowHeights(true);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setExpandsOnDoubleClick(false);  // a double-click collects the folder; the arrow expands

    connect(tree_, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) { Populate(item); });
    connect(tree_, &QTreeWidget::itemClicked, this, [this] { emit clicked(); });
    connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this] { emit doubleClicked(); });
    tree_->installEventFilter(this);
    ShowFocusFrame(tree_);

    setRoot("/");
}

ShellTreeView::~ShellTreeView() = default;

bool ShellTreeView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == tree_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && tree_->currentItem()) {
            emit enterPressed();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ShellTreeView::setRoot(const std::string& root)
{
    if (source_ && SameTextAscii(root, root_))
        return;
    std::unique_ptr<FolderSource> source;
    try {
        source = OpenFolderSource(root);
    } catch (const std::exception&) {
        throw ShellTreeViewError("Error setting path: " + DoubleQuoted(root));
    }

    tree_->clear();
    source_ = std::move(source);
    root_ = root;
    QTreeWidgetItem* top = NewFolderItem(source_->RootCaption(), source_->RootPath());
    top->setIcon(0, IsServerRoot(root) ? style()->standardIcon(QStyle::SP_DriveNetIcon) : FolderIcon());
    tree_->addTopLevelItem(top);
    top->setExpanded(true);  // lists the root's folders at once
}

std::string ShellTreeView::selectedPath() const
{
    return PathOf(tree_->currentItem() && tree_->currentItem()->isSelected() ? tree_->currentItem() : nullptr);
}

bool ShellTreeView::selectPath(const std::string& path)
{
    if (!source_ || path.empty())
        return false;
    const char separator = source_->Separator();
    QTreeWidgetItem* item = tree_->topLevelItem(0);
    if (!item || !IsAtOrBelow(path, PathOf(item), separator, true))
        return false;
    while (path.size() != PathOf(item).size()) {
        Populate(item);
        QTreeWidgetItem* next = nullptr;
        // An exact match wins over one that differs in case only.
        for (bool ignoreCase : {false, true}) {
            for (int i = 0; i < item->childCount() && !next; ++i)
                if (IsAtOrBelow(path, PathOf(item->child(i)), separator, ignoreCase))
                    next = item->child(i);
            if (next)
                break;
        }
        if (!next)
            return false;
        item->setExpanded(true);
        item = next;
    }
    tree_->setCurrentItem(item);
    item->setSelected(true);
    tree_->scrollToItem(item);
    return true;
}

const QIcon& ShellTreeView::FolderIcon()
{
    if (folderIcon_.isNull())
        folderIcon_ = style()->standardIcon(QStyle::SP_DirIcon);
    return folderIcon_;
}

QTreeWidgetItem* ShellTreeView::NewFolderItem(const std::string& caption, const std::string& path)
{
    auto* item = new QTreeWidgetItem(QStringList{QString::fromLocal8Bit(caption)});
    item->setData(0, PathRole, QByteArray::fromStdString(path));
    item->setData(0, PopulatedRole, false);
    item->setIcon(0, FolderIcon());
    // Until the folder is opened we don't know whether it has subfolders.
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    return item;
}

void ShellTreeView::Populate(QTreeWidgetItem* item)
{
    if (!source_ || item->data(0, PopulatedRole).toBool())
        return;
    item->setData(0, PopulatedRole, true);
    const auto folders = source_->SubFolders(PathOf(item));
    QList<QTreeWidgetItem*> children;
    children.reserve(static_cast<qsizetype>(folders.size()));
    for (const auto& folder : folders)
        children.append(NewFolderItem(folder.name, folder.path));
    item->addChildren(children);
    const std::string trouble = folders.empty() ? source_->Trouble() : std::string();
    if (!trouble.empty())
        item->addChild(NewNoteItem(trouble));
    item->setChildIndicatorPolicy(folders.empty() && trouble.empty() ? QTreeWidgetItem::DontShowIndicator
                                                                     : QTreeWidgetItem::ShowIndicator);
}

QTreeWidgetItem* ShellTreeView::NewNoteItem(const std::string& text)
{
    // A line that says something instead of a folder: no path, so nothing
    // selects or collects it.
    auto* item = new QTreeWidgetItem(QStringList{QString::fromLocal8Bit(text)});
    item->setFlags(Qt::ItemIsEnabled);
    item->setIcon(0, style()->standardIcon(QStyle::SP_MessageBoxWarning));
    item->setToolTip(0, item->text(0));
    return item;
}

void ShellTreeView::showNote(const std::string& text)
{
    tree_->clear();
    source_.reset();
    root_.clear();
    tree_->addTopLevelItem(NewNoteItem(text));
}
