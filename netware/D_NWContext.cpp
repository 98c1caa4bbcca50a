// The directory-services name context: its texts, its flags, and pointing it
// at a tree.
#include "netware/D_NW.h"
#include "util/D_Util.h"

NWCCODE ContextText(NWDSContextHandle context, nuint32 key, std::string& text)
{
    char buffer[257] = {};
    const NWCCODE code = ContextGet(context, key, buffer);
    text = code == 0 ? ReplaceText(buffer, "CN=", "", true, false) : std::string();
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
    return ContextSet(context, DCK_NAME_CONTEXT, StripLeadingDot(nameContext).c_str());
}

NWCCODE AlignContextWithConn(NWDSContextHandle context, NWCONN_HANDLE conn)
{
    std::string tree;
    const NWCCODE code = ConnTreeName(conn, tree);
    if (code != 0)
        return code;
    return SetContextTreeAndName(context, tree, "[Root]");
}
