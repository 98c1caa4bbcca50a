// SPDX-License-Identifier: GPL-3.0-or-later
// The directory-services name context: its texts, its flags, and pointing it
// at a tree.
#include "netware/D_NW.h"
#include "util/D_Util.h"

NWCCODE ContextText(NWDSContextHandle context, nuint32 key, std::string& text)
{
    char buffer[257];
    buffer[0] = buffer[256] = '\0';  // the client writes the rest
    const NWCCODE code = ContextGet(context, key, buffer);
    // Every "CN=" goes, in any letter case, as ReplaceText would drop it, but
    // without its copies: a context is read for every name looked up.
    text.clear();
    if (code != 0)
        return code;
    auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
    for (const char* p = buffer; *p != '\0';) {
        if (upper(p[0]) == 'C' && upper(p[1]) == 'N' && p[2] == '=')
            p += 3;
        else
            text += *p++;
    }
    return code;
}

NWCCODE ContextTreeName(NWDSContextHandle context, std::string& tree)
{
    return ContextText(context, DCK_TREE_NAME, tree);
}

void ChangeContextFlags(NWDSContextHandle context, char op, nuint32 mask)
{
    nuint32 flags = 0;
    ContextGet(context, DCK_FLAGS, flags);
    if (op == '+')
        flags |= mask;
    else if (op == '-')
        flags &= ~mask;
    ContextSet(context, DCK_FLAGS, flags);
}

std::string StripLeadingDot(const std::string& nameContext)
{
    return !nameContext.empty() && nameContext.front() == '.' ? nameContext.substr(1) : nameContext;
}

NWCCODE SetContextTreeAndName(NWDSContextHandle context, const std::string& tree, const std::string& nameContext)
{
    if (!tree.empty()) {
        std::string current;
        ContextTreeName(context, current);
        // Only a real change of tree is handed to the client; letter case
        // does not count.
        if (!SameTextAscii(tree, current)) {
            const NWCCODE code = ContextSet(context, DCK_TREE_NAME, tree.c_str());
            if (code != 0)
                return code;
        }
    }
    const char* name = nameContext.c_str();
    if (*name == '.')
        ++name;  // as StripLeadingDot, without a copy
    return ContextSet(context, DCK_NAME_CONTEXT, name);
}

NWCCODE AlignContextWithConn(NWDSContextHandle context, NWCONN_HANDLE conn)
{
    std::string tree;
    const NWCCODE code = ConnTreeName(conn, tree);
    if (code != 0)
        return code;
    return SetContextTreeAndName(context, tree, "[Root]");
}
