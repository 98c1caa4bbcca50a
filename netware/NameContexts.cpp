// SPDX-License-Identifier: GPL-3.0-or-later
// The name contexts of a client back end.
#include "netware/NameContexts.h"

#include "netware/ClientText.h"

NWCCODE NameContexts::Create(NWDSContextHandle& context)
{
    if (next_ == 0)
        next_ = 1;
    context = next_++;
    for (Slot& slot : slots_)
        if (slot.handle == 0) {
            static const Context fresh;
            slot.handle = context;
            slot.context.flags = fresh.flags;
            slot.context.nameContext = fresh.nameContext;
            slot.context.tree = fresh.tree;
            return SUCCESSFUL;
        }
    slots_.push_back({context, Context{}});
    return SUCCESSFUL;
}

NWCCODE NameContexts::Free(NWDSContextHandle context)
{
    for (Slot& slot : slots_)
        if (context != 0 && slot.handle == context) {
            slot.handle = 0;
            return SUCCESSFUL;
        }
    return ERR_BAD_CONTEXT;
}

const NameContexts::Context* NameContexts::Find(NWDSContextHandle context) const
{
    if (context != 0)
        for (const Slot& slot : slots_)
            if (slot.handle == context)
                return &slot.context;
    return nullptr;
}

NameContexts::Context* NameContexts::FindMutable(NWDSContextHandle context)
{
    return const_cast<Context*>(Find(context));
}

NWCCODE NameContexts::Get(NWDSContextHandle context, nuint32 key, nuint32& value) const
{
    const Context* found = Find(context);
    if (!found)
        return ERR_BAD_CONTEXT;
    if (key != DCK_FLAGS)
        return ERR_BAD_KEY;
    value = found->flags;
    return SUCCESSFUL;
}

NWCCODE NameContexts::Get(NWDSContextHandle context, nuint32 key, char* text) const
{
    const Context* found = Find(context);
    if (!found)
        return ERR_BAD_CONTEXT;
    if (key == DCK_NAME_CONTEXT)
        CopyText256(found->nameContext, text);
    else if (key == DCK_TREE_NAME)
        CopyText256(found->tree, text);
    else
        return ERR_BAD_KEY;
    return SUCCESSFUL;
}

NWCCODE NameContexts::Set(NWDSContextHandle context, nuint32 key, nuint32 value)
{
    Context* found = FindMutable(context);
    if (!found)
        return ERR_BAD_CONTEXT;
    if (key != DCK_FLAGS)
        return ERR_BAD_KEY;
    found->flags = value;
    return SUCCESSFUL;
}

NWCCODE NameContexts::Set(NWDSContextHandle context, nuint32 key, const char* text)
{
    Context* found = FindMutable(context);
    if (!found)
        return ERR_BAD_CONTEXT;
    if (!text)
        return ERR_INVALID_PARAMETER;
    if (key == DCK_NAME_CONTEXT)
        found->nameContext = text;
    else if (key == DCK_TREE_NAME)
        found->tree = text;
    else
        return ERR_BAD_KEY;
    return SUCCESSFUL;
}
