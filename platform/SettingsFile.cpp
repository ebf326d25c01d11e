// The settings file's text: the regedit export format, read and written. The
// key-tree helpers live here too, as the parser builds the same tree the store keeps.
#include "platform/SettingsFile.h"

#include "platform/TextUtils.h"
#include "platform/Trace.h"

#include <algorithm>
#include <cstdio>

namespace {

const std::string kHeader = "Windows Registry Editor Version 5.00";
const std::string kHeaderOld = "REGEDIT4";
const std::string kHive = "HKEY_CURRENT_USER";

} // namespace

namespace settingsfile {

// ---------------------------------------------------------------------------------------
// Key paths and names

// Components joined by single "\", without leading or trailing separators.
std::string NormaliseKeyPath(const std::string& path) {
    std::string result;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos)
            end = path.size();
        if (end > start) {
            if (!result.empty())
                result += '\\';
            result.append(path, start, end - start);
        }
        start = end + 1;
    }
    return result;
}

std::string FoldKeyName(const std::string& text) {
    return UpperCaseText(text);
}

bool SameKeyName(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; };
    for (size_t i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i]))
            return false;
    return true;
}

namespace {

// Parents before children: the separator sorts below every other byte, so that
// "A\B" comes right after "A" and before "A B" or "AB".
bool TreeLess(const std::string& a, const std::string& b) {
    auto rank = [](char c) { return c == '\\' ? 0 : int(static_cast<unsigned char>(c)) + 1; };
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [&](char x, char y) { return rank(x) < rank(y); });
}

// The key at normalised path, created with its parents when missing. A new key takes the

} // namespace
// case of its existing parents and the case path gives for the rest.
TRegKeyData& EnsureKey(TRegKeyMap& keys, const std::string& path) {
    if (path.empty()) {
        auto [it, inserted] = keys.try_emplace(std::string());
        return it->second;
    }
    std::string folded;
    std::string written;
    TRegKeyData* key = nullptr;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string part = path.substr(start, end - start);
        folded += (folded.empty() ? "" : "\\") + FoldKeyName(part);
        const std::string wanted = (key == nullptr ? std::string() : key->Path + "\\") + part;
        auto [it, inserted] = keys.try_emplace(folded);
        if (inserted)
            it->second.Path = wanted;
        key = &it->second;
        start = end + 1;
    }
    return *key;
}

namespace {

TRegValue* FindValue(TRegKeyData& key, const std::string& name) {
    for (TRegValue& value : key.Values)
        if (SameKeyName(value.Name, name))
            return &value;
    return nullptr;
}

} // namespace
// Sets a value, keeping the name and place of an existing one.
void PutValue(TRegKeyData& key, const TRegValue& value) {
    PutValue(key, TRegValue(value));
}

void PutValue(TRegKeyData& key, TRegValue&& value) {
    if (TRegValue* existing = FindValue(key, value.Name)) {
        std::string name = std::move(existing->Name);
        *existing = std::move(value);
        existing->Name = std::move(name);
    } else {
        key.Values.push_back(std::move(value));
    }
}

std::vector<TRegKeyMap::const_iterator> KeysInTreeOrder(const TRegKeyMap& keys) {
    std::vector<TRegKeyMap::const_iterator> order;
    for (auto it = keys.begin(); it != keys.end(); ++it)
        order.push_back(it);
    std::sort(order.begin(), order.end(),
              [](const auto& a, const auto& b) { return TreeLess(a->first, b->first); });
    return order;
}

// ---------------------------------------------------------------------------------------
// Reading the file text

namespace {

void AppendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xF0 | (code >> 18));
        out += char(0x80 | ((code >> 12) & 0x3F));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

// UTF-16LE (after its mark) as UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf16LeToUtf8(const std::string& bytes, size_t start) {
    std::string out;
    out.reserve(bytes.size() / 2);
    auto unit = [&](size_t i) {
        return uint32_t(static_cast<unsigned char>(bytes[i])) |
               uint32_t(static_cast<unsigned char>(bytes[i + 1])) << 8;
    };
    for (size_t i = start; i + 1 < bytes.size(); i += 2) {
        const uint32_t u = unit(i);
        if (u >= 0xD800 && u < 0xDC00 && i + 3 < bytes.size()) {
            const uint32_t low = unit(i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        AppendUtf8(out, (u >= 0xD800 && u < 0xE000) ? 0xFFFD : u);
    }
    return out;
}

std::string DecodeText(const std::string& raw) {
    if (raw.size() >= 2 && raw[0] == '\xFF' && raw[1] == '\xFE')
        return Utf16LeToUtf8(raw, 2);
    if (raw.compare(0, 3, "\xEF\xBB\xBF") == 0)
        return raw.substr(3);
    return raw;
}

// Lines split at LF, each without a CR before it.
std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

bool StartsWithNoCase(const std::string& text, size_t pos, const std::string& prefix) {
    return text.size() >= pos + prefix.size() &&
           SameKeyName(text.substr(pos, prefix.size()), prefix);
}

// A quoted text starting at text[pos]; pos ends after the closing quote. Inside the quotes
// "\\" is a backslash and "\"" a quote, as regedit writes them. A settings-file line cannot
// hold a line break, so ours are written as "\n" and "\r" (and NUL as "\0"); any other
// backslash is kept as it is, as hand-written Windows paths need.
bool ParseQuoted(const std::string& text, size_t& pos, std::string& out) {
    if (pos >= text.size() || text[pos] != '"')
        return false;
    out.clear();
    for (size_t i = pos + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            pos = i + 1;
            return true;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i >= text.size())
            return false;
        switch (text[i]) {
        case '\\':
        case '"':
            out += text[i];
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case '0':
            out += '\0';
            break;
        default:
            out += '\\';
            out += text[i];
        }
    }
    return false;
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool ParseDWord(const std::string& raw, uint32_t& out) {
    const std::string text = TrimText(raw);
    if (text.empty() || text.size() > 8 || !std::all_of(text.begin(), text.end(), IsHexDigit))
        return false;
    out = static_cast<uint32_t>(HexTextToInt(text));
    return true;
}

// Comma-separated bytes of one or two hex digits; a trailing comma is tolerated.
bool ParseHexBytes(const std::string& raw, std::vector<uint8_t>& out) {
    out.clear();
    const std::string text = TrimText(raw);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string item = TrimText(text.substr(start, end - start));
        if (item.empty() && end == text.size())
            break;
        if (item.empty() || item.size() > 2 || !std::all_of(item.begin(), item.end(), IsHexDigit))
            return false;
        out.push_back(static_cast<uint8_t>(HexTextToInt(item)));
        start = end + 1;
    }
    return true;
}

// The data after "name"= (continuation lines already joined).
bool ParseData(const std::string& data, TRegValue& value) {
    if (!data.empty() && data[0] == '"') {
        size_t pos = 0;
        if (!ParseQuoted(data, pos, value.Text) || !TrimText(data.substr(pos)).empty())
            return false;
        value.Type = TRegValueType::String;
        return true;
    }
    if (StartsWithNoCase(data, 0, "dword:")) {
        value.Type = TRegValueType::DWord;
        return ParseDWord(data.substr(6), value.Number);
    }
    if (StartsWithNoCase(data, 0, "hex:")) {
        value.Type = TRegValueType::Binary;
        return ParseHexBytes(data.substr(4), value.Bytes);
    }
    return false; // other value kinds (hex(2), hex(7), deletions) are not ours
}

bool IsHeader(const std::string& trimmed) {
    return trimmed == kHeader || trimmed == kHeaderOld;
}

void TraceLoad(const std::string& reason) {
    TraceError("TSettingsStore.Load", reason);
}

std::string LineRef(const std::string& source, size_t index) {
    return source + " line " + std::to_string(index + 1);
}

} // namespace

// Parses settings-file text into keys. False when it is not a settings file; text with
// nothing but blanks is an empty store.
bool ParseSettingsText(const std::string& raw, const std::string& source, TRegKeyMap& keys,
                       size_t* unparsed) {
    keys.clear();
    if (unparsed)
        *unparsed = 0;
    const std::vector<std::string> lines = SplitLines(DecodeText(raw));
    size_t i = 0;
    while (i < lines.size() && TrimText(lines[i]).empty())
        ++i;
    if (i == lines.size())
        return true;
    if (!IsHeader(TrimText(lines[i])))
        return false;

    TRegKeyData* current = nullptr;
    bool skipping = false; // inside a section that is not ours
    for (++i; i < lines.size(); ++i) {
        const std::string trimmed = TrimText(lines[i]);
        if (trimmed.empty() || trimmed[0] == ';' || IsHeader(trimmed))
            continue;
        const size_t first = i;
        bool parsed = false;
        if (trimmed.size() >= 2 && trimmed[0] == '[' && trimmed.back() == ']') {
            const std::string inner = trimmed.substr(1, trimmed.size() - 2);
            const size_t slash = inner.find('\\');
            const std::string hive = inner.substr(0, slash);
            current = nullptr;
            skipping = true;
            parsed = true;
            if (!inner.empty() && inner[0] == '-')
                TraceLoad("skipped key deletion in " + LineRef(source, first));
            else if (UpperCaseText(hive) != kHive)
                TraceLoad("skipped key outside " + kHive + " in " + LineRef(source, first));
            else {
                current = &EnsureKey(
                    keys, NormaliseKeyPath(slash == std::string::npos ? "" : inner.substr(slash)));
                skipping = false;
            }
        } else if (trimmed[0] == '"') {
            const std::string& line = lines[i];
            TRegValue value;
            size_t pos = line.find('"');
            if (ParseQuoted(line, pos, value.Name)) {
                while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
                    ++pos;
                if (pos < line.size() && line[pos] == '=') {
                    std::string data = TrimText(line.substr(pos + 1));
                    // Long raw values go on over several lines, each but the last ending in "\".
                    if (StartsWithNoCase(data, 0, "hex"))
                        while (!data.empty() && data.back() == '\\' && i + 1 < lines.size()) {
                            data.pop_back();
                            data += TrimText(lines[++i]);
                        }
                    if (skipping) {
                        parsed = true; // a value of a key that is not ours
                    } else if (current != nullptr && ParseData(data, value)) {
                        parsed = true;
                        PutValue(*current, std::move(value));
                    }
                }
            }
        }
        if (!parsed) {
            TraceLoad("cannot parse " + LineRef(source, first));
            if (unparsed && *unparsed == 0)
                *unparsed = first + 1;
        }
    }
    return true;
}

// ---------------------------------------------------------------------------------------
// Writing the file text

namespace {

// Appended straight to the file text: a settings file of thousands of values is written
// without a temporary string per value.
void AppendQuoted(std::string& out, const std::string& text) {
    out += '"';
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\0':
            out += "\\0";
            break;
        default:
            out += c;
        }
    }
    out += '"';
}

void AppendValue(std::string& out, const TRegValue& value) {
    AppendQuoted(out, value.Name);
    out += '=';
    char digits[16];
    switch (value.Type) {
    case TRegValueType::String:
        AppendQuoted(out, value.Text);
        break;
    case TRegValueType::DWord:
        std::snprintf(digits, sizeof digits, "%08x", value.Number);
        out += "dword:";
        out += digits;
        break;
    case TRegValueType::Binary: {
        // Wrapped as regedit does it, so no line grows past 80 characters.
        out += "hex:";
        size_t lineStart = out.rfind('\n') + 1;
        for (size_t i = 0; i < value.Bytes.size(); ++i) {
            std::snprintf(digits, sizeof digits, "%02x", value.Bytes[i]);
            out += digits;
            if (i + 1 == value.Bytes.size())
                break;
            out += ',';
            if (out.size() - lineStart > 75) {
                out += "\\\n  ";
                lineStart = out.size() - 2;
            }
        }
        break;
    }
    }
    out += '\n';
}

} // namespace

std::string FormatSettingsText(const TRegKeyMap& keys) {
    std::string out = kHeader + "\n\n";
    for (const auto& it : KeysInTreeOrder(keys)) {
        const TRegKeyData& key = it->second;
        out += "[" + kHive + (key.Path.empty() ? "" : "\\" + key.Path) + "]\n";
        for (const TRegValue& value : key.Values)
            AppendValue(out, value);
        out += "\n";
    }
    return out;
}

} // namespace settingsfile
