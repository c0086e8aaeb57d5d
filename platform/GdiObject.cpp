#include "platform/GdiObject.h"

#include <mutex>
#include <unordered_map>

namespace platform::gdi {
namespace {

struct Table {
    std::mutex mutex;
    std::unordered_map<HGDIOBJ, std::unique_ptr<Object>> objects;
};

Table& table() {
    static Table* t = new Table;  // outlives every static that frees handles at exit
    return *t;
}

}  // namespace

HGDIOBJ add(std::unique_ptr<Object> object) {
    if (!object) return nullptr;
    HGDIOBJ h = object.get();
    Table& t = table();
    std::lock_guard lock(t.mutex);
    t.objects.emplace(h, std::move(object));
    return h;
}

Object* find(HGDIOBJ handle) {
    if (!handle) return nullptr;
    Table& t = table();
    std::lock_guard lock(t.mutex);
    auto it = t.objects.find(handle);
    return it == t.objects.end() ? nullptr : it->second.get();
}

bool remove(HGDIOBJ handle) {
    std::unique_ptr<Object> doomed;
    {
        Table& t = table();
        std::lock_guard lock(t.mutex);
        auto it = t.objects.find(handle);
        if (it == t.objects.end() || it->second->stock) return false;
        doomed = std::move(it->second);
        t.objects.erase(it);
    }
    return true;  // the object is destroyed outside the lock
}

std::size_t liveCount() {
    Table& t = table();
    std::lock_guard lock(t.mutex);
    std::size_t n = 0;
    for (const auto& [handle, object] : t.objects)
        if (!object->stock) ++n;
    return n;
}

}  // namespace platform::gdi
