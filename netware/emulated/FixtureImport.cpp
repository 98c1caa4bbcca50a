// SPDX-License-Identifier: GPL-3.0-or-later
// Reads the line-based text fixture format (docs/fixture-format.md) into a
// network, in one transaction.
#include <cstdio>
#include <map>
#include <sstream>
#include <stdexcept>

#include "netware/emulated/EmulatedClient.h"
#include "netware/emulated/EmulatedDatabase.h"
#include "netware/NetWarePath.h"
#include "netware/emulated/NetworkStore.h"

namespace {

struct FixtureLine {
    std::vector<std::string> words;               // positional tokens, the kind first
    std::map<std::string, std::string> options;   // key=value tokens
};

bool IsOptionToken(const std::string& token)
{
    auto eq = token.find('=');
    if (eq == std::string::npos || eq == 0)
        return false;
    for (size_t i = 0; i < eq; ++i)
        if (token[i] < 'a' || token[i] > 'z')
            return false;
    return true;
}

// Splits at blanks; double quotes group a token or an option value ("" is an
// empty token). Tokens that were quoted are never taken as options.
std::vector<std::pair<std::string, bool>> Tokens(const std::string& line)
{
    std::vector<std::pair<std::string, bool>> tokens;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (i >= line.size())
            break;
        std::string token;
        bool quotedWhole = line[i] == '"';
        bool inQuotes = false;
        while (i < line.size() && (inQuotes || (line[i] != ' ' && line[i] != '\t'))) {
            if (line[i] == '"')
                inQuotes = !inQuotes;
            else
                token += line[i];
            ++i;
        }
        if (inQuotes)
            throw std::runtime_error("unterminated quote");
        tokens.emplace_back(token, quotedWhole);
    }
    return tokens;
}

FixtureLine ParseLine(const std::string& text)
{
    FixtureLine line;
    for (auto& [token, quoted] : Tokens(text)) {
        if (!quoted && IsOptionToken(token)) {
            auto eq = token.find('=');
            line.options[token.substr(0, eq)] = token.substr(eq + 1);
        } else {
            line.words.push_back(token);
        }
    }
    return line;
}

bool IsDigit(char c, bool hex)
{
    return (c >= '0' && c <= '9') || (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
}

// Decimal digits, or 0x and hexadecimal digits; a leading zero is still
// decimal. No sign, no blanks. Values past 2^40 are out of every field's range.
long long Number(const std::string& text, const char* what)
{
    if (text.empty())
        throw std::runtime_error(std::string("missing ") + what);
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::size_t first = hex ? 2 : 0;
    constexpr long long Ceiling = 1LL << 40;
    long long value = 0;
    for (std::size_t i = first; i < text.size(); ++i) {
        const char c = text[i];
        if (!IsDigit(c, hex))
            throw std::runtime_error(std::string("bad ") + what + ": " + text);
        const int digit = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
        value = value * (hex ? 16 : 10) + digit;
        if (value > Ceiling)
            value = Ceiling;  // stays out of range, whatever digits follow
    }
    return value;
}

long long NumberInRange(const std::string& text, const char* what, long long max)
{
    long long value = Number(text, what);
    if (value > max)
        throw std::runtime_error(std::string(what) + " out of range: " + text);
    return value;
}

// "YYYY-MM-DD HH:MM:SS"; any part that fits its field is kept, valid or not.
nuint32 ParseDeletedDateTime(const std::string& text)
{
    int y, mo, d, h, mi, s;
    char tail;
    if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d%c", &y, &mo, &d, &h, &mi, &s, &tail) != 6)
        throw std::runtime_error("bad date-time (want \"YYYY-MM-DD HH:MM:SS\"): " + text);
    if (y < 1980 || y > 2043 || mo < 0 || mo > 15 || d < 0 || d > 31 || h < 0 || h > 31 || mi < 0 || mi > 63 ||
        s < 0 || s > 63)
        throw std::runtime_error("date-time part out of range: " + text);
    return PackDeletedDateTime(y, mo, d, h, mi, s);
}

class FixtureImporter {
public:
    explicit FixtureImporter(NetworkStore& store) : store_(store) {}

    void Apply(const FixtureLine& line)
    {
        if (line.words.empty())
            throw std::runtime_error("line kind missing (the line holds only options)");
        const auto& kind = line.words[0];
        if (kind == "tree") {
            Want(line, 2, {});
            store_.AddTree(line.words[1]);
        } else if (kind == "server") {
            Want(line, 2, {"tree"});
            StoredServer existing;
            if (store_.FindServer(line.words[1], existing))
                throw std::runtime_error("server already defined: " + line.words[1]);
            store_.AddServer(line.words[1], Option(line, "tree"));
        } else if (kind == "volume") {
            Want(line, 3, {"number"});
            long long serverId = Server(line.words[1]);
            StoredVolume existing;
            if (store_.FindVolume(serverId, line.words[2], existing))
                throw std::runtime_error("volume already defined: " + line.words[2]);
            int number = line.options.count("number") ? static_cast<int>(NumberInRange(Option(line, "number"), "number", 255)) : -1;
            if (number >= 0 && store_.VolumeByNumber(serverId, number, existing))
                throw std::runtime_error("volume number already used: " + std::to_string(number));
            store_.AddVolume(serverId, line.words[2], number);
        } else if (kind == "dir") {
            Want(line, 2, {});
            Directory(line.words[1], false);
        } else if (kind == "file") {
            Want(line, 2, {"size"});
            std::string name;
            long long dir = FileDirectory(line.words[1], name);
            store_.AddFile(dir, name, Size(line));
        } else if (kind == "deleted") {
            Want(line, 2, {"size", "deleted", "packed", "user"});
            std::string name;
            long long dir = FileDirectory(line.words[1], name);
            nuint32 packed = 0;
            if (line.options.count("packed") && line.options.count("deleted"))
                throw std::runtime_error("give deleted= or packed=, not both");
            if (line.options.count("packed"))
                packed = static_cast<nuint32>(NumberInRange(Option(line, "packed"), "packed", 0xFFFFFFFFll));
            else if (line.options.count("deleted"))
                packed = ParseDeletedDateTime(Option(line, "deleted"));
            else
                throw std::runtime_error("deleted needs deleted=\"YYYY-MM-DD HH:MM:SS\" or packed=N");
            nuint32 user = static_cast<nuint32>(NumberInRange(Option(line, "user", "0"), "user", 0xFFFFFFFFll));
            store_.AddDeleted(dir, name, Size(line), packed, user);
        } else if (kind == "user") {
            Want(line, 3, {});
            store_.AddUser(static_cast<nuint32>(NumberInRange(line.words[1], "user id", 0xFFFFFFFFll)), line.words[2]);
        } else if (kind == "connection") {
            if (line.words.size() == 3 && line.words[2] != "primary")
                throw std::runtime_error("unknown word: " + line.words[2]);
            if (line.words.size() == 3)
                Want(line, 3, {});
            else
                Want(line, 2, {});
            store_.AddConnection(Server(line.words[1]), line.words.size() == 3);
        } else if (kind == "fault") {
            Fault(line);
        } else {
            throw std::runtime_error("unknown line kind: " + kind);
        }
    }

private:
    static void Want(const FixtureLine& line, size_t words, std::initializer_list<const char*> allowed)
    {
        if (line.words.size() < words)
            throw std::runtime_error(line.words[0] + ": missing arguments");
        if (line.words.size() > words)
            throw std::runtime_error(line.words[0] + ": unexpected word: " + line.words[words]);
        for (const auto& [key, value] : line.options) {
            bool known = false;
            for (const char* a : allowed)
                known = known || key == a;
            if (!known)
                throw std::runtime_error(line.words[0] + ": unknown option: " + key);
        }
    }

    static std::string Option(const FixtureLine& line, const char* key, const char* fallback = "")
    {
        auto it = line.options.find(key);
        return it == line.options.end() ? fallback : it->second;
    }

    static nuint32 Size(const FixtureLine& line)
    {
        return static_cast<nuint32>(NumberInRange(Option(line, "size", "0"), "size", 0xFFFFFFFFll));
    }

    long long Server(const std::string& name)
    {
        StoredServer server;
        if (!store_.FindServer(name, server))
            throw std::runtime_error("unknown server: " + name);
        return server.id;
    }

    long long Volume(const NetWarePathParts& parts)
    {
        StoredVolume volume;
        if (!store_.FindVolume(Server(parts.server), parts.volume, volume))
            throw std::runtime_error("unknown volume: " + parts.server + "\\" + parts.volume);
        return volume.id;
    }

    static NetWarePathParts Unc(const std::string& path)
    {
        NetWarePathParts parts;
        if (!ParseUncPath(path, parts))
            throw std::runtime_error("not a \\\\SERVER\\VOLUME path: " + path);
        return parts;
    }

    // With mustExist the directory is looked up, else created with its parents.
    long long Directory(const std::string& path, bool mustExist)
    {
        auto parts = Unc(path);
        long long volume = Volume(parts);
        if (!mustExist)
            return store_.EnsureDirectory(volume, parts.directories);
        long long dir = store_.FindDirectory(volume, parts.directories);
        if (!dir)
            throw std::runtime_error("unknown directory: " + path);
        return dir;
    }

    long long FileDirectory(const std::string& path, std::string& name)
    {
        auto parts = Unc(path);
        if (parts.directories.empty())
            throw std::runtime_error("path names no file: " + path);
        name = parts.directories.back();
        parts.directories.pop_back();
        return store_.EnsureDirectory(Volume(parts), parts.directories);
    }

    void Fault(const FixtureLine& line)
    {
        Want(line, 3, {"code", "after"});
        const auto& op = line.words[1];
        const auto& target = line.words[2];
        auto code = static_cast<nuint16>(NumberInRange(Option(line, "code"), "code", 0xFFFF));
        if (code == 0)
            throw std::runtime_error("fault code must not be 0");
        long long after = NumberInRange(Option(line, "after", "0"), "after", 0xFFFFFFFFll);
        if (op == "name") {
            store_.AddFault(op, 0, "", NumberInRange(target, "user id", 0xFFFFFFFFll), code, after);
        } else if (op == "alloc" || op == "scan") {
            store_.AddFault(op, Directory(target, true), "", 0, code, after);
        } else if (op == "purge") {
            // A directory target covers every file in it; otherwise the last
            // component names the deleted file.
            auto parts = Unc(target);
            long long volume = Volume(parts);
            if (long long dir = store_.FindDirectory(volume, parts.directories)) {
                store_.AddFault(op, dir, "", 0, code, after);
                return;
            }
            if (parts.directories.empty())
                throw std::runtime_error("unknown purge target: " + target);
            std::string name = parts.directories.back();
            parts.directories.pop_back();
            long long dir = store_.FindDirectory(volume, parts.directories);
            if (!dir)
                throw std::runtime_error("unknown directory: " + target);
            store_.AddFault(op, dir, name, 0, code, after);
        } else {
            throw std::runtime_error("unknown fault operation (alloc, purge, scan, name): " + op);
        }
    }

    NetworkStore& store_;
};

}  // namespace

void EmulatedClient::ImportFixture(const std::string& fixtureText)
{
    Transaction transaction(*db_);
    FixtureImporter importer(*store_);
    std::istringstream in(fixtureText);
    std::string text;
    int number = 0;
    while (std::getline(in, text)) {
        ++number;
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        auto first = text.find_first_not_of(" \t");
        if (first == std::string::npos || text[first] == '#')
            continue;
        try {
            importer.Apply(ParseLine(text));
        } catch (const std::exception& e) {
            throw std::runtime_error("line " + std::to_string(number) + ": " + e.what());
        }
    }
    transaction.Commit();
}
