// The table of graphics objects behind the handles of the graphics device interface.
// A handle is the address of a live object; every call checks it against the table,
// so a stale or foreign handle fails instead of touching freed memory.
#pragma once

#include "platform/gditypes.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace platform::gdi {

class Object {
public:
    explicit Object(DWORD type) : type_(type) {}
    virtual ~Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    DWORD type() const { return type_; }

    // Stock objects are never deleted.
    bool stock = false;
    // Number of device contexts that have this object selected.
    int selections = 0;

private:
    DWORD type_;
};

// Takes ownership of the object and returns its handle.
HGDIOBJ add(std::unique_ptr<Object> object);

// The live object behind a handle, or null.
Object* find(HGDIOBJ handle);

template <class T>
T* find(HGDIOBJ handle, DWORD type) {
    Object* o = find(handle);
    return (o && o->type() == type) ? static_cast<T*>(o) : nullptr;
}

// Frees the object; false for an unknown handle.
bool remove(HGDIOBJ handle);

// Number of live objects (tests use it to find leaks).
std::size_t liveCount();

class Palette : public Object {
public:
    Palette() : Object(OBJ_PAL) {}
    std::vector<PALETTEENTRY> entries;
};

}  // namespace platform::gdi
