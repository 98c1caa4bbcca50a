// SPDX-License-Identifier: GPL-3.0-or-later
// The folder tree of the start-path tab: folders only, listed when a folder is
// first expanded, below a root that is a local folder ("/" at design) or a
// server root "\\SERVER\". Paths are 8-bit text as the rest of the program
// keeps them: local folders as Linux paths, server folders as
// \\SERVER\VOLUME\DIR\SUB.
#pragma once

#include <QIcon>
#include <QWidget>
#include <memory>
#include <stdexcept>
#include <string>

class FolderSource;
class QTreeWidget;
class QTreeWidgetItem;

// "Error setting path: " and the root in double quotes.
class ShellTreeViewError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ShellTreeView : public QWidget {
    Q_OBJECT

public:
    explicit ShellTreeView(QWidget* parent = nullptr);
    ~ShellTreeView() override;

    std::string root() const { return root_; }
    // A root equal to the current one, ignoring case, leaves the tree as it is.
    // A root that cannot be shown raises ShellTreeViewError; the tree then keeps
    // its old root.
    void setRoot(const std::string& root);

    // Shows no folders, only the text (why there are none); a later setRoot
    // shows folders again.
    void showNote(const std::string& text);

    // The selected folder's path; empty when no folder is selected.
    std::string selectedPath() const;
    // Selects the folder with this path, expanding the folders above it; false
    // (selection unchanged) when the tree has no such folder.
    bool selectPath(const std::string& path);

    QTreeWidget* treeWidget() const { return tree_; }

signals:
    // A mouse click, and a double-click, on a folder of the tree.
    void clicked();
    void doubleClicked();
    // Enter or Return on the current folder, which the keyboard keeps selected.
    void enterPressed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Populate(QTreeWidgetItem* item);
    QTreeWidgetItem* NewFolderItem(const std::string& caption, const std::string& path);
    QTreeWidgetItem* NewNoteItem(const std::string& text);
    const QIcon& FolderIcon();

    QTreeWidget* tree_;
    // Made once and shared by every folder's item: the style draws a new set
    // of pixmaps for each icon it is asked for.
    QIcon folderIcon_;
    std::unique_ptr<FolderSource> source_;
    std::string root_;
};
