#include "platform/win32/RegFile.h"

#include <cctype>
#include <cstdio>
#include <optional>

#include "platform/win32/Registry.h"

namespace {
constexpr const char* header5 = "Windows Registry Editor Version 5.00";
constexpr const char* header4 = "REGEDIT4";
constexpr size_t hexBytesPerLine = 25;

AnsiString TrimSpaces(const AnsiString& text) {
    size_t first = text.find_first_not_of(" \t");
    if (first == AnsiString::npos)
        return {};
    size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// The logical lines: CR LF or LF ends a line; a trailing backslash joins the next one.
std::vector<std::pair<int, AnsiString>> LogicalLines(const std::string& text) {
    std::vector<std::pair<int, AnsiString>> lines;
    std::optional<std::pair<int, AnsiString>> pending;
    int number = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        AnsiString line = text.substr(start, end - start);
        start = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        line = pending ? TrimSpaces(line) : line;
        bool continues = !line.empty() && line.back() == '\\';
        if (continues)
            line.pop_back();
        if (pending)
            pending->second += line;
        else
            pending = std::make_pair(number, line);
        if (!continues) {
            lines.push_back(*pending);
            pending.reset();
        }
    }
    if (pending)
        lines.push_back(*pending);
    return lines;
}

// A quoted text starting at text[pos] == '"'; pos ends after the closing quote.
std::optional<AnsiString> ReadQuoted(const AnsiString& text, size_t& pos) {
    AnsiString result;
    for (++pos; pos < text.size(); ++pos) {
        char c = text[pos];
        if (c == '"') {
            ++pos;
            return result;
        }
        if (c == '\\' && pos + 1 < text.size())
            c = text[++pos];
        result += c;
    }
    return std::nullopt;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

std::optional<std::string> ParseHexList(const AnsiString& text) {
    std::string bytes;
    size_t pos = 0;
    while (true) {
        while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos])))
            ++pos;
        if (pos == text.size())
            return bytes.empty() ? std::optional<std::string>(bytes) : std::nullopt;
        int value = 0;
        int digits = 0;
        while (pos < text.size() && HexDigit(text[pos]) >= 0 && digits < 2) {
            value = value * 16 + HexDigit(text[pos++]);
            ++digits;
        }
        if (digits == 0)
            return std::nullopt;
        bytes += static_cast<char>(value);
        while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos])))
            ++pos;
        if (pos == text.size())
            return bytes;
        if (text[pos++] != ',')
            return std::nullopt;
    }
}

bool StartsWithText(const AnsiString& text, const AnsiString& prefix) {
    return text.size() >= prefix.size() && SameName(text.substr(0, prefix.size()), prefix);
}

struct ParsedData {
    bool remove = false;
    DWORD type = REG_NONE;
    std::string data;
};

std::optional<ParsedData> ParseData(const AnsiString& text) {
    ParsedData parsed;
    if (text == "-") {
        parsed.remove = true;
        return parsed;
    }
    if (!text.empty() && text[0] == '"') {
        size_t pos = 0;
        auto value = ReadQuoted(text, pos);
        if (!value || !TrimSpaces(text.substr(pos)).empty())
            return std::nullopt;
        parsed.type = REG_SZ;
        parsed.data = *value + '\0';
        return parsed;
    }
    if (StartsWithText(text, "dword:")) {
        AnsiString digits = TrimSpaces(text.substr(6));
        if (digits.empty() || digits.size() > 8)
            return std::nullopt;
        uint32_t value = 0;
        for (char c : digits) {
            if (HexDigit(c) < 0)
                return std::nullopt;
            value = value * 16 + static_cast<uint32_t>(HexDigit(c));
        }
        parsed.type = REG_DWORD;
        for (int i = 0; i < 4; ++i)
            parsed.data += static_cast<char>((value >> (8 * i)) & 0xFF);
        return parsed;
    }
    AnsiString list;
    if (StartsWithText(text, "hex:")) {
        parsed.type = REG_BINARY;
        list = text.substr(4);
    } else if (StartsWithText(text, "hex(")) {
        size_t close = text.find("):", 4);
        if (close == AnsiString::npos || close == 4 || close > 12)
            return std::nullopt;
        uint32_t type = 0;
        for (size_t i = 4; i < close; ++i) {
            if (HexDigit(text[i]) < 0)
                return std::nullopt;
            type = type * 16 + static_cast<uint32_t>(HexDigit(text[i]));
        }
        parsed.type = type;
        list = text.substr(close + 2);
    } else {
        return std::nullopt;
    }
    auto bytes = ParseHexList(list);
    if (!bytes)
        return std::nullopt;
    parsed.data = std::move(*bytes);
    return parsed;
}

AnsiString Quote(const AnsiString& text) {
    AnsiString quoted = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

// A string value can be written as text when it is one zero-terminated line.
bool WritableAsText(const RegValue& value) {
    if (value.type != REG_SZ || value.data.empty() || value.data.back() != '\0')
        return false;
    for (size_t i = 0; i + 1 < value.data.size(); ++i) {
        char c = value.data[i];
        if (c == '\0' || c == '\r' || c == '\n')
            return false;
    }
    return true;
}

AnsiString HexList(const std::string& data, size_t firstLineUsed) {
    AnsiString text;
    size_t onLine = firstLineUsed / 3;
    char digits[4];
    for (size_t i = 0; i < data.size(); ++i) {
        std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(data[i]));
        text += digits;
        if (i + 1 < data.size()) {
            text += ',';
            if (++onLine >= hexBytesPerLine) {
                text += "\\\n  ";
                onLine = 0;
            }
        }
    }
    return text;
}

AnsiString FormatValue(const RegValue& value) {
    AnsiString line = value.name.empty() ? AnsiString("@") : Quote(value.name);
    line += '=';
    if (WritableAsText(value))
        return line + Quote(value.data.substr(0, value.data.size() - 1));
    if (value.type == REG_DWORD && value.data.size() == 4) {
        uint32_t number = 0;
        for (int i = 3; i >= 0; --i)
            number = number << 8 | static_cast<unsigned char>(value.data[static_cast<size_t>(i)]);
        char digits[16];
        std::snprintf(digits, sizeof digits, "dword:%08x", number);
        return line + digits;
    }
    if (value.type == REG_BINARY)
        line += "hex:";
    else {
        char prefix[24];
        std::snprintf(prefix, sizeof prefix, "hex(%x):", value.type);
        line += prefix;
    }
    return line + HexList(value.data, line.size());
}
} // namespace

bool ParseRegFile(const std::string& text, const AnsiString& rootName, RegistryHive& hive,
                  AnsiString& error) {
    hive = RegistryHive();
    std::string body = text;
    if (body.compare(0, 3, "\xEF\xBB\xBF") == 0)
        body.erase(0, 3);
    auto lines = LogicalLines(body);
    size_t index = 0;
    while (index < lines.size() && TrimSpaces(lines[index].second).empty())
        ++index;
    if (index == lines.size()) {
        return true; // an empty file is an empty hive
    }
    AnsiString first = TrimSpaces(lines[index].second);
    if (first != header5 && first != header4) {
        error = "line " + std::to_string(lines[index].first) + ": not a registry file";
        return false;
    }
    RegKey* currentKey = nullptr; // null outside a key or after [-key]
    bool inKey = false;
    for (++index; index < lines.size(); ++index) {
        auto [number, raw] = lines[index];
        AnsiString line = TrimSpaces(raw);
        auto fail = [&, number = number](const char* reason) {
            error = "line " + std::to_string(number) + ": " + reason;
            return false;
        };
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[') {
            if (line.back() != ']')
                return fail("unterminated key name");
            AnsiString name = line.substr(1, line.size() - 2);
            bool remove = !name.empty() && name[0] == '-';
            if (remove)
                name.erase(0, 1);
            if (!StartsWithText(name, rootName) ||
                (name.size() > rootName.size() && name[rootName.size()] != '\\'))
                return fail("key outside this hive");
            AnsiString path = NormalizeKeyPath(name.substr(rootName.size()));
            if (const char* beyond = KeyPathBeyondLimits(path))
                return fail(beyond);
            inKey = true;
            currentKey = nullptr;
            if (remove) {
                hive.RemoveTree(path);
            } else {
                bool created = false;
                currentKey = &hive.Create(path, created);
            }
            continue;
        }
        if (!inKey)
            return fail("value outside a key");
        AnsiString name;
        size_t pos = 0;
        if (line[0] == '@') {
            pos = 1;
        } else if (line[0] == '"') {
            auto quoted = ReadQuoted(line, pos);
            if (!quoted)
                return fail("unterminated value name");
            name = *quoted;
        } else {
            return fail("unrecognised line");
        }
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
            ++pos;
        if (pos >= line.size() || line[pos] != '=')
            return fail("missing '='");
        auto data = ParseData(TrimSpaces(line.substr(pos + 1)));
        if (!data)
            return fail("unreadable value data");
        if (!currentKey)
            continue; // values of a deleted key
        if (data->remove)
            currentKey->DeleteValue(name);
        else
            currentKey->SetValue(name, data->type, std::move(data->data));
    }
    return true;
}

std::string FormatRegFile(const RegistryHive& hive, const AnsiString& rootName) {
    std::string text = std::string(header5) + "\n";
    hive.ForEachKey([&](const AnsiString& path, const RegKey& key, bool hasSubkeys) {
        // A key without values is made again by its subkeys' lines: writing it too would let
        // the file grow with the square of the depth of its keys.
        if (key.values.empty() && (path.empty() || hasSubkeys))
            return;
        text += "\n[" + rootName;
        if (!path.empty())
            text += "\\" + path;
        text += "]\n";
        for (const auto& value : key.values)
            text += FormatValue(value) + "\n";
    });
    return text;
}
