// SPDX-License-Identifier: GPL-3.0-or-later
// The least a program on libsmbclient pays for smbclient's per-folder purge:
// the same requests as smbclient's "rename", "del folder\*" and "rmdir", made
// through libsmbclient with nothing of the program around them. smb_bench.sh
// runs it beside smbclient, so that what morvane adds is told apart from what
// the library costs.
//
// Usage: SmbFloor smb://HOST/SHARE USER PASSWORD PORT < COMMANDS
// where each line of COMMANDS is "rename FROM TO", "del FOLDER" (lists the
// folder and unlinks each of its files) or "rmdir FOLDER", with paths below
// the share, "/" between folders. Prints the count of files deleted.
#include <libsmbclient.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char* user = "";
const char* password = "";

void Authenticate(SMBCCTX*, const char*, const char*, char* workgroup, int workgroupLength, char* name,
                  int nameLength, char* secret, int secretLength)
{
    std::snprintf(workgroup, static_cast<size_t>(workgroupLength), "%s", "WORKGROUP");
    std::snprintf(name, static_cast<size_t>(nameLength), "%s", user);
    std::snprintf(secret, static_cast<size_t>(secretLength), "%s", password);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::cerr << "usage: SmbFloor smb://HOST/SHARE USER PASSWORD PORT < COMMANDS\n";
        return 2;
    }
    const std::string share = argv[1];
    user = argv[2];
    password = argv[3];
    SMBCCTX* c = smbc_new_context();
    smbc_setFunctionAuthDataWithContext(c, &Authenticate);
    smbc_setPort(c, static_cast<uint16_t>(std::atoi(argv[4])));
    if (!smbc_init_context(c)) {
        std::perror("smbc_init_context");
        return 1;
    }
    long deleted = 0;
    int failed = 0;
    auto check = [&failed](int result, const std::string& url) {
        if (result < 0) {
            std::perror(url.c_str());
            ++failed;
        }
    };
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream words(line);
        std::string command, from, to;
        words >> command >> from >> to;
        const std::string url = share + "/" + from;
        if (command == "rename") {
            const std::string target = share + "/" + to;
            check(smbc_getFunctionRename(c)(c, url.c_str(), c, target.c_str()), url);
        } else if (command == "rmdir") {
            check(smbc_getFunctionRmdir(c)(c, url.c_str()), url);
        } else if (command == "del") {
            SMBCFILE* folder = smbc_getFunctionOpendir(c)(c, url.c_str());
            if (!folder) {
                check(-1, url);
                continue;
            }
            std::vector<std::string> files;
            struct stat info {};
            while (const libsmb_file_info* entry = smbc_getFunctionReaddirPlus2(c)(c, folder, &info))
                if (!S_ISDIR(info.st_mode))
                    files.emplace_back(entry->name);
            smbc_getFunctionClosedir(c)(c, folder);
            for (const std::string& name : files) {
                const std::string file = url + "/" + name;
                const int result = smbc_getFunctionUnlink(c)(c, file.c_str());
                check(result, file);
                deleted += result == 0;
            }
        }
    }
    smbc_free_context(c, 1);
    std::cout << "deleted " << deleted << "\n";
    return failed ? 1 : 0;
}
