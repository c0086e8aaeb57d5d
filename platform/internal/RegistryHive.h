// The registry's keys in memory and their text file form.
#pragma once

#include "platform/registry.h"

#include <string>
#include <string_view>
#include <vector>

namespace platform::reg {

// A value with its data in the UTF-16 form: texts carry their terminator, lists one per
// item and one more.
struct Value {
    std::u16string name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

struct Key {
    std::u16string name;
    std::vector<Key> children;  // sorted by their folded names
    std::vector<Value> values;  // in the order they were made

    Key* child(std::u16string_view name);
    const Key* child(std::u16string_view name) const;
    // The child of that name, made when missing.
    Key& makeChild(std::u16string_view name);
    bool removeChild(std::u16string_view name);
    Value* value(std::u16string_view name);
    const Value* value(std::u16string_view name) const;
    bool removeValue(std::u16string_view name);
};

// Names compared without regard to case: each unit in upper case.
std::u16string fold(std::u16string_view name);

// The text of a hive and a hive read back from text; `damaged` tells whether a line could not
// be read (it is left out).
std::string writeHive(const Key& root);
Key readHive(std::string_view text, bool* damaged);

// Data of the string types in their stored form: a text up to its first null, a list up to
// its empty item.
std::vector<BYTE> textData(std::u16string_view text);
std::vector<BYTE> listData(const std::vector<std::u16string>& items);
std::u16string textOf(const BYTE* data, std::size_t size);
std::vector<std::u16string> listOf(const BYTE* data, std::size_t size);
inline bool isTextType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }
// UTF-16 data of a type in its stored form: texts and lists cut and terminated as above,
// other types as they are.
std::vector<BYTE> storedForm(DWORD type, const BYTE* data, std::size_t size);

}  // namespace platform::reg
