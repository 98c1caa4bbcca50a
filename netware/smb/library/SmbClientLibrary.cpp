// SPDX-License-Identifier: GPL-3.0-or-later
// The forwarders of the libsmbclient functions the SMB client calls: each one
// finds the library's function on its first call and then calls it. Their
// declarations come from the library's own header, so a forwarder whose
// signature differs from the library's does not compile. A function the SMB
// client starts to use needs one more line below.
#include "netware/smb/library/SmbClientLibrary.h"

#include <dlfcn.h>
#include <libsmbclient.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr const char* LibraryName = "libsmbclient.so.0";

struct LoadedLibrary {
    void* handle = nullptr;
    std::string error;
};

const LoadedLibrary& Library()
{
    static const LoadedLibrary loaded = [] {
        LoadedLibrary library;
        // Local: the library's names stay out of the program's lookups.
        library.handle = dlopen(LibraryName, RTLD_NOW | RTLD_LOCAL);
        if (!library.handle) {
            const char* why = dlerror();
            library.error = std::string("the SMB client library could not be loaded: ") + (why ? why : LibraryName);
        }
        return library;
    }();
    return loaded;
}

// The library's own function of that name. Reaching a forwarder without the
// library or with a library that lacks the function is a fault of the
// program: nothing sensible can go on, so it stops with the reason.
template <typename Function>
Function Resolved(const char* name)
{
    const LoadedLibrary& library = Library();
    void* found = library.handle ? dlsym(library.handle, name) : nullptr;
    if (!found) {
        std::fprintf(stderr, "morvane: %s: %s\n", name,
                     library.handle ? "not found in the SMB client library" : library.error.c_str());
        std::abort();
    }
    return reinterpret_cast<Function>(found);
}

}  // namespace

bool LoadSmbClientLibrary(std::string& error)
{
    error = Library().error;
    return Library().handle != nullptr;
}

// One forwarder: the library's function, found once, called with the same arguments.
#define MORVANE_SMBC_FORWARD(Result, name, Parameters, Arguments)              \
    extern "C" Result name Parameters                                           \
    {                                                                           \
        static const auto real = Resolved<decltype(&name)>(#name);              \
        return real Arguments;                                                  \
    }

MORVANE_SMBC_FORWARD(SMBCCTX*, smbc_new_context, (void), ())
MORVANE_SMBC_FORWARD(SMBCCTX*, smbc_init_context, (SMBCCTX * context), (context))
MORVANE_SMBC_FORWARD(int, smbc_free_context, (SMBCCTX * context, int shutdown_ctx), (context, shutdown_ctx))
MORVANE_SMBC_FORWARD(void, smbc_setDebug, (SMBCCTX * c, int debug), (c, debug))
MORVANE_SMBC_FORWARD(void, smbc_setLogCallback, (SMBCCTX * c, void* private_ptr, smbc_debug_callback_fn fn),
                     (c, private_ptr, fn))
MORVANE_SMBC_FORWARD(void, smbc_setPort, (SMBCCTX * c, uint16_t port), (c, port))
MORVANE_SMBC_FORWARD(void, smbc_setTimeout, (SMBCCTX * c, int timeout), (c, timeout))
MORVANE_SMBC_FORWARD(void*, smbc_getOptionUserData, (SMBCCTX * c), (c))
MORVANE_SMBC_FORWARD(void, smbc_setOptionUserData, (SMBCCTX * c, void* user_data), (c, user_data))
MORVANE_SMBC_FORWARD(void, smbc_setOptionUseKerberos, (SMBCCTX * c, smbc_bool b), (c, b))
MORVANE_SMBC_FORWARD(void, smbc_setOptionFallbackAfterKerberos, (SMBCCTX * c, smbc_bool b), (c, b))
MORVANE_SMBC_FORWARD(void, smbc_setOptionNoAutoAnonymousLogin, (SMBCCTX * c, smbc_bool b), (c, b))
MORVANE_SMBC_FORWARD(void, smbc_setOptionUseCCache, (SMBCCTX * c, smbc_bool b), (c, b))
MORVANE_SMBC_FORWARD(void, smbc_setFunctionAuthDataWithContext, (SMBCCTX * c, smbc_get_auth_data_with_context_fn fn),
                     (c, fn))
MORVANE_SMBC_FORWARD(smbc_open_fn, smbc_getFunctionOpen, (SMBCCTX * c), (c))
MORVANE_SMBC_FORWARD(smbc_write_fn, smbc_getFunctionWrite, (SMBCCTX * c), (c))
MORVANE_SMBC_FORWARD(smbc_close_fn, smbc_getFunctionClose, (SMBCCTX * c), (c))
MORVANE_SMBC_FORWARD(smbc_unlink_fn, smbc_getFunctionUnlink, (SMBCCTX * c), (c))
MORVANE_SMBC_FORWARD(smbc_rename_fn, smbc_getFunctionRename, (SMBCCTX * c), (c))
MORVANE_SMBC_FORWARD(smbc_stat_fn, smbc_getFunctionStat, (SMBCCTX * c), (c))
MORVANE_SMBC_FORWARD(smbc_statvfs_fn, smbc_getFunctionStatVFS, (SMBCCTX * c), (c))
MORVANE_SMBC_FORWARD(smbc_getxattr_fn, smbc_getFunctionGetxattr, (SMBCCTX * c), (c))
MORVANE_SMBC_FORWARD(smbc_opendir_fn, smbc_getFunctionOpendir, (SMBCCTX * c), (c))
MORVANE_SMBC_FORWARD(smbc_closedir_fn, smbc_getFunctionClosedir, (SMBCCTX * c), (c))
MORVANE_SMBC_FORWARD(smbc_readdir_fn, smbc_getFunctionReaddir, (SMBCCTX * c), (c))
MORVANE_SMBC_FORWARD(smbc_readdirplus2_fn, smbc_getFunctionReaddirPlus2, (SMBCCTX * c), (c))
MORVANE_SMBC_FORWARD(smbc_mkdir_fn, smbc_getFunctionMkdir, (SMBCCTX * c), (c))
MORVANE_SMBC_FORWARD(smbc_rmdir_fn, smbc_getFunctionRmdir, (SMBCCTX * c), (c))
