// SPDX-License-Identifier: GPL-3.0-or-later
// The directory-services name contexts a client back end hands out: each a
// handle to its flags, name context and tree name.
#pragma once

#include <string>
#include <vector>

#include "netware/ntypes.h"

constexpr NWCCODE ERR_INVALID_PARAMETER = 0x8836;
constexpr NWCCODE ERR_BAD_CONTEXT = 0xFEB8;  // -328: a handle that is not a live context
constexpr NWCCODE ERR_BAD_KEY = 0xFEB5;      // -331: a key the call does not take

class NameContexts {
public:
    struct Context {
        nuint32 flags = 0;
        std::string nameContext = "[Root]";
        std::string tree;
    };

    // The calls of the same names: DCK_FLAGS is a number, DCK_NAME_CONTEXT
    // and DCK_TREE_NAME are texts; other keys give ERR_BAD_KEY, a handle not
    // created or already freed ERR_BAD_CONTEXT.
    NWCCODE Create(NWDSContextHandle& context);
    NWCCODE Free(NWDSContextHandle context);
    NWCCODE Get(NWDSContextHandle context, nuint32 key, nuint32& value) const;
    NWCCODE Get(NWDSContextHandle context, nuint32 key, char* text) const;
    NWCCODE Set(NWDSContextHandle context, nuint32 key, nuint32 value);
    NWCCODE Set(NWDSContextHandle context, nuint32 key, const char* text);

    // The live context of that handle; null for any other handle.
    const Context* Find(NWDSContextHandle context) const;

private:
    // The program holds a context or two at a time, and a scan creates and
    // frees one for every name it looks up: a short list, whose freed slots
    // (handle 0) are used again with the room their texts had.
    struct Slot {
        NWDSContextHandle handle = 0;
        Context context;
    };
    Context* FindMutable(NWDSContextHandle context);

    std::vector<Slot> slots_;
    NWDSContextHandle next_ = 1;
};
