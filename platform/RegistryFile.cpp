// The registry's keys in memory and the text form of the hive file.
#include "platform/codepage.h"
#include "RegistryHive.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace platform::reg {

std::u16string fold(std::u16string_view name) {
    std::u16string out(name);
    for (char16_t& c : out) c = upperUnit(c);
    return out;
}

namespace {

template <class Items>
auto findByName(Items& items, std::u16string_view name) {
    const std::u16string key = fold(name);
    return std::find_if(items.begin(), items.end(), [&](const auto& item) { return fold(item.name) == key; });
}

}  // namespace

Key* Key::child(std::u16string_view name) {
    auto it = findByName(children, name);
    return it == children.end() ? nullptr : &*it;
}

const Key* Key::child(std::u16string_view name) const {
    auto it = findByName(children, name);
    return it == children.end() ? nullptr : &*it;
}

Key& Key::makeChild(std::u16string_view name) {
    if (Key* k = child(name)) return *k;
    const std::u16string key = fold(name);
    auto at = std::find_if(children.begin(), children.end(), [&](const Key& k) { return fold(k.name) > key; });
    Key made;
    made.name = std::u16string(name);
    return *children.insert(at, std::move(made));
}

bool Key::removeChild(std::u16string_view name) {
    auto it = findByName(children, name);
    if (it == children.end()) return false;
    children.erase(it);
    return true;
}

Value* Key::value(std::u16string_view name) {
    auto it = findByName(values, name);
    return it == values.end() ? nullptr : &*it;
}

const Value* Key::value(std::u16string_view name) const {
    auto it = findByName(values, name);
    return it == values.end() ? nullptr : &*it;
}

bool Key::removeValue(std::u16string_view name) {
    auto it = findByName(values, name);
    if (it == values.end()) return false;
    values.erase(it);
    return true;
}

// ---- String data ----------------------------------------------------------------------------

namespace {

void appendUnits(std::vector<BYTE>& out, std::u16string_view text) {
    const std::size_t at = out.size();
    out.resize(at + (text.size() + 1) * 2);
    if (!text.empty()) std::memcpy(out.data() + at, text.data(), text.size() * 2);
    out[out.size() - 2] = 0;
    out[out.size() - 1] = 0;
}

}  // namespace

std::vector<BYTE> textData(std::u16string_view text) {
    std::vector<BYTE> out;
    appendUnits(out, text.substr(0, std::min(text.find(u'\0'), text.size())));
    return out;
}

std::vector<BYTE> listData(const std::vector<std::u16string>& items) {
    std::vector<BYTE> out;
    for (const std::u16string& item : items)
        if (!item.empty()) appendUnits(out, item);
    appendUnits(out, u"");
    if (out.size() == 2) appendUnits(out, u"");  // an empty list: two nulls
    return out;
}

std::u16string textOf(const BYTE* data, std::size_t size) {
    std::u16string text(size / 2, u'\0');
    if (!text.empty()) std::memcpy(text.data(), data, text.size() * 2);
    const std::size_t end = text.find(u'\0');
    if (end != std::u16string::npos) text.resize(end);
    return text;
}

std::vector<std::u16string> listOf(const BYTE* data, std::size_t size) {
    std::u16string all(size / 2, u'\0');
    if (!all.empty()) std::memcpy(all.data(), data, all.size() * 2);
    std::vector<std::u16string> items;
    std::size_t pos = 0;
    while (pos < all.size()) {
        std::size_t end = all.find(u'\0', pos);
        if (end == std::u16string::npos) end = all.size();
        if (end == pos) break;  // the empty item ends the list
        items.push_back(all.substr(pos, end - pos));
        pos = end + 1;
    }
    return items;
}

std::vector<BYTE> storedForm(DWORD type, const BYTE* data, std::size_t size) {
    if (isTextType(type)) return textData(textOf(data, size));
    if (type == REG_MULTI_SZ) return listData(listOf(data, size));
    return std::vector<BYTE>(data, data + size);
}

// ---- Escaped text -----------------------------------------------------------------------------

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void escapeByte(std::string& out, unsigned char b) {
    out += '%';
    out += kHex[b >> 4];
    out += kHex[b & 15];
}

// UTF-8 with "%XX" for the bytes that must not stand as they are and "%uXXXX" for a lone
// surrogate; `special` lists further characters to escape.
std::string escape(std::u16string_view text, std::string_view special) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        char32_t cp = c;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            out += "%u";
            for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(c >> shift) & 15];
            continue;
        }
        if (cp < 0x80) {
            const char a = static_cast<char>(cp);
            if (cp < 0x20 || cp == 0x7F || a == '%' || special.find(a) != std::string_view::npos)
                escapeByte(out, static_cast<unsigned char>(a));
            else
                out += a;
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    // Blanks at either end would be lost to trimming.
    auto protect = [&](std::size_t at) { out.replace(at, 1, "%20"); };
    if (!out.empty() && out.back() == ' ') protect(out.size() - 1);
    if (!out.empty() && out.front() == ' ') protect(0);
    return out;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The reverse of escape; false for a broken escape.
bool unescape(std::string_view text, std::u16string& out) {
    out.clear();
    std::string bytes;
    auto flush = [&] {
        out += toWide(bytes, CP_UTF8);
        bytes.clear();
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            bytes += text[i];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == 'u') {
            if (i + 6 > text.size()) return false;
            int unit = 0;
            for (std::size_t k = 2; k < 6; ++k) {
                const int d = hexDigit(text[i + k]);
                if (d < 0) return false;
                unit = unit * 16 + d;
            }
            flush();
            out += static_cast<char16_t>(unit);
            i += 5;
            continue;
        }
        if (i + 2 >= text.size()) return false;
        const int hi = hexDigit(text[i + 1]), lo = hexDigit(text[i + 2]);
        if (hi < 0 || lo < 0) return false;
        bytes += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    flush();
    return true;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// ---- Values -----------------------------------------------------------------------------------

std::string hexBytes(const std::vector<BYTE>& data) {
    std::string out;
    for (BYTE b : data) {
        out += kHex[b >> 4];
        out += kHex[b & 15];
    }
    return out;
}

bool readHexBytes(std::string_view text, std::vector<BYTE>& out) {
    out.clear();
    int pending = -1;
    for (char c : text) {
        if (c == ' ' || c == ',') continue;
        const int d = hexDigit(c);
        if (d < 0) return false;
        if (pending < 0) {
            pending = d;
        } else {
            out.push_back(static_cast<BYTE>(pending * 16 + d));
            pending = -1;
        }
    }
    return pending < 0;
}

template <class T>
bool readNumber(std::string_view text, T& value) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    if (text.empty()) return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return ec == std::errc() && end == text.data() + text.size();
}

std::string valueLine(const Value& v) {
    std::string line = v.name.empty() ? std::string("@") : escape(v.name, "=[];#@");
    // A name that only looks like the default value's marker keeps its "@" escaped.
    if (!v.name.empty() && line.front() == '@') line.replace(0, 1, "%40");
    line += '=';
    switch (v.type) {
    case REG_SZ:
        return line + "text:" + escape(textOf(v.data.data(), v.data.size()), "");
    case REG_EXPAND_SZ:
        return line + "expand:" + escape(textOf(v.data.data(), v.data.size()), "");
    case REG_MULTI_SZ: {
        line += "list:";
        bool first = true;
        for (const std::u16string& item : listOf(v.data.data(), v.data.size())) {
            if (!first) line += ',';
            first = false;
            line += escape(item, ",");
        }
        return line;
    }
    case REG_DWORD:
        if (v.data.size() == 4) {
            DWORD d;
            std::memcpy(&d, v.data.data(), 4);
            return line + "dword:" + std::to_string(d);
        }
        break;
    case REG_QWORD:
        if (v.data.size() == 8) {
            ULONGLONG q;
            std::memcpy(&q, v.data.data(), 8);
            return line + "qword:" + std::to_string(q);
        }
        break;
    case REG_BINARY:
        return line + "bytes:" + hexBytes(v.data);
    default:
        break;
    }
    return line + "bytes(" + std::to_string(v.type) + "):" + hexBytes(v.data);
}

bool readValueLine(std::string_view line, Value& v) {
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return false;
    const std::string_view name = trim(line.substr(0, eq));
    if (name.empty()) return false;
    if (name == "@") {
        v.name.clear();
    } else if (!unescape(name, v.name) || v.name.empty() || v.name.size() > 16383 ||
               v.name.find(u'\0') != std::u16string::npos) {
        return false;  // a name the value calls could not pass
    }
    std::string_view rest = trim(line.substr(eq + 1));
    const std::size_t colon = rest.find(':');
    if (colon == std::string_view::npos) return false;
    const std::string_view kind = trim(rest.substr(0, colon));
    const std::string_view data = trim(rest.substr(colon + 1));
    std::u16string text;
    if (kind == "text" || kind == "expand") {
        if (!unescape(data, text)) return false;
        v.type = kind == "text" ? REG_SZ : REG_EXPAND_SZ;
        v.data = textData(text);
        return true;
    }
    if (kind == "list") {
        std::vector<std::u16string> items;
        std::size_t pos = 0;
        while (pos < data.size()) {
            std::size_t end = data.find(',', pos);
            if (end == std::string_view::npos) end = data.size();
            if (!unescape(trim(data.substr(pos, end - pos)), text)) return false;
            items.push_back(text);
            pos = end + 1;
        }
        v.type = REG_MULTI_SZ;
        v.data = listData(items);
        return true;
    }
    if (kind == "dword") {
        DWORD d;
        if (!readNumber(data, d)) return false;
        v.type = REG_DWORD;
        v.data.resize(4);
        std::memcpy(v.data.data(), &d, 4);
        return true;
    }
    if (kind == "qword") {
        ULONGLONG q;
        if (!readNumber(data, q)) return false;
        v.type = REG_QWORD;
        v.data.resize(8);
        std::memcpy(v.data.data(), &q, 8);
        return true;
    }
    if (kind == "bytes") {
        v.type = REG_BINARY;
        return readHexBytes(data, v.data);
    }
    if (kind.size() > 7 && kind.substr(0, 6) == "bytes(" && kind.back() == ')') {
        if (!readNumber(kind.substr(6, kind.size() - 7), v.type) || !readHexBytes(data, v.data)) return false;
        v.data = storedForm(v.type, v.data.data(), v.data.size());  // a text written as bytes is still a text
        return true;
    }
    return false;
}

void writeKey(std::string& out, const Key& key, const std::string& path, bool root) {
    if (!root || !key.values.empty()) {
        out += '[' + path + "]\n";
        for (const Value& v : key.values) out += valueLine(v) + '\n';
    }
    for (const Key& child : key.children) {
        const std::string name = escape(child.name, "[]");
        writeKey(out, child, path.empty() ? name : path + '\\' + name, false);
    }
}

}  // namespace

std::string writeHive(const Key& root) {
    std::string out =
        "; Tessellon registry of this user: one section per key, one line per value (name=type:data).\n";
    writeKey(out, root, std::string(), true);
    return out;
}

Key readHive(std::string_view text, bool* damaged) {
    Key root;
    bool bad = false;
    Key* current = &root;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = trim(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line.front() == ';' || line.front() == '#') continue;
        if (line.find('\0') != std::string_view::npos) {
            bad = true;
            current = nullptr;
            continue;
        }
        if (line.front() == '[') {
            current = nullptr;
            if (line.back() != ']') {
                bad = true;
                continue;
            }
            std::string_view path = line.substr(1, line.size() - 2);
            Key* key = &root;
            bool ok = true;
            std::size_t p = 0;
            while (ok && p < path.size()) {
                std::size_t e = path.find('\\', p);
                if (e == std::string_view::npos) e = path.size();
                std::u16string name;
                // A key name holds no backslash or zero and at most 255 characters, as the key calls take it.
                ok = unescape(trim(path.substr(p, e - p)), name) && !name.empty() && name.size() <= 255 &&
                     name.find_first_of(std::u16string_view(u"\\\0", 2)) == std::u16string::npos;
                if (ok) key = &key->makeChild(name);
                p = e + 1;
                if (ok && e < path.size() && p == path.size()) ok = false;  // a trailing "\"
            }
            if (ok) current = key;
            bad = bad || !ok;
            continue;
        }
        Value v;
        if (!current || !readValueLine(line, v)) {
            bad = true;
            continue;
        }
        if (Value* existing = current->value(v.name)) {
            *existing = std::move(v);
        } else {
            current->values.push_back(std::move(v));
        }
    }
    if (damaged) *damaged = bad;
    return root;
}

}  // namespace platform::reg
