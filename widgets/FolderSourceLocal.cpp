// SPDX-License-Identifier: GPL-3.0-or-later
// Local folders: the Linux file system below a root folder.
#include "widgets/FolderSource.h"

#include "util/D_Util.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

class LocalFolderSource : public FolderSource {
public:
    explicit LocalFolderSource(std::string root) : root_(std::move(root)) {}

    std::string RootPath() const override { return root_; }
    std::string RootCaption() const override { return root_; }
    char Separator() const override { return '/'; }

    std::vector<FolderEntry> SubFolders(const std::string& path) override
    {
        std::vector<FolderEntry> entries;
        std::error_code error;
        fs::directory_iterator it(path, fs::directory_options::skip_permission_denied, error);
        for (; !error && it != fs::directory_iterator(); it.increment(error)) {
            const std::string name = it->path().filename().string();
            // Hidden folders stay hidden, as a file manager shows them by default.
            if (name.empty() || name[0] == '.')
                continue;
            std::error_code typeError;
            if (!it->is_directory(typeError))
                continue;
            entries.push_back({name, path.back() == '/' ? path + name : path + '/' + name});
        }
        SortFolderEntries(entries);
        return entries;
    }

private:
    std::string root_;
};

}  // namespace

std::unique_ptr<FolderSource> OpenLocalFolderSource(const std::string& root)
{
    std::error_code error;
    if (root.empty() || root[0] != '/' || !fs::is_directory(root, error))
        throw FolderSourceError("not a folder: " + DoubleQuoted(root));
    // "/home/" and "/home" are one folder; its subfolders are joined with one "/".
    std::string path = root;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return std::make_unique<LocalFolderSource>(path);
}
