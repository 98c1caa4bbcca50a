// SPDX-License-Identifier: GPL-3.0-or-later
// Where the folder tree takes its folders from: the local file system below a
// Linux path, or a NetWare server's volumes and directories through the client.
// Plain C++ over 8-bit paths, so the tree widget stays a thin view.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

struct FolderEntry {
    std::string name;  // as shown in the tree
    std::string path;  // as the tree reports it
};

class FolderSource {
public:
    virtual ~FolderSource() = default;
    // The path the root folder reports, and its caption in the tree.
    virtual std::string RootPath() const = 0;
    virtual std::string RootCaption() const = 0;
    // The subfolders of a folder of this source, sorted by name ignoring ASCII
    // case. A folder that cannot be read has none.
    virtual std::vector<FolderEntry> SubFolders(const std::string& path) = 0;
    // Separator between a folder's path and its subfolders' names.
    virtual char Separator() const = 0;
    // Why the last SubFolders call could not list the folder (a server that
    // does not answer, say); empty when it could.
    virtual std::string Trouble() const { return {}; }
};

// A root that cannot be shown: not a folder, or a server without a connection.
class FolderSourceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// True for a server root "\\SERVER\" (the trailing backslash may be missing).
bool IsServerRoot(const std::string& root, std::string* server = nullptr);

// The folders below a local folder; raises FolderSourceError when root is not
// an existing folder.
std::unique_ptr<FolderSource> OpenLocalFolderSource(const std::string& root);
// The volumes and directories of the server named by a server root, reached
// through one of the workstation's connections to it; raises FolderSourceError
// when the workstation has none or it cannot be opened.
std::unique_ptr<FolderSource> OpenServerFolderSource(const std::string& root);
// The source for either kind of root.
std::unique_ptr<FolderSource> OpenFolderSource(const std::string& root);

// Sorts entries by name, ignoring ASCII case (the order the tree shows).
void SortFolderEntries(std::vector<FolderEntry>& entries);
