// Fuzzes the registry's hive reader: any file gives keys whose every subkey opens and whose
// every value reads back in both forms with its terminators and the sizes it announces.
#include "platform/registry.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string hive;

void walk(HKEY key, int depth) {
    if (depth > 64) std::abort();  // the file's paths are flat text: no deeper than its lines
    for (DWORD i = 0;; ++i) {
        char16_t name[300];
        DWORD len = 300;
        const LSTATUS r = RegEnumKeyExW(key, i, name, &len, nullptr, nullptr, nullptr, nullptr);
        if (r == ERROR_NO_MORE_ITEMS) break;
        if (r != ERROR_SUCCESS || len == 0 || len > 255) std::abort();
        HKEY sub = nullptr;
        if (RegOpenKeyExW(key, name, 0, KEY_READ, &sub) != ERROR_SUCCESS) std::abort();
        walk(sub, depth + 1);
        RegCloseKey(sub);
    }
    for (DWORD i = 0;; ++i) {
        std::vector<char16_t> name(16384);
        DWORD len = static_cast<DWORD>(name.size()), type = 0, size = 0;
        const LSTATUS r = RegEnumValueW(key, i, name.data(), &len, nullptr, &type, nullptr, &size);
        if (r == ERROR_NO_MORE_ITEMS) break;
        if (r != ERROR_SUCCESS) std::abort();
        std::vector<BYTE> data(size + 1);
        DWORD got = size;
        if (RegQueryValueExW(key, name.data(), nullptr, nullptr, data.data(), &got) != ERROR_SUCCESS || got != size)
            std::abort();
        if ((type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) &&
            (size < 2 || size % 2 || data[size - 1] || data[size - 2]))
            std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char folder[] = "/tmp/tessellon-fuzz-registry-XXXXXX";
    if (!mkdtemp(folder)) std::abort();
    hive = std::string(folder) + "/registry.ini";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(hive.c_str(), "wb");
    if (!f) std::abort();
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    platform::setRegistryHive(hive);
    walk(HKEY_CURRENT_USER, 0);
    if (platform::openRegistryKeys() != 0) std::abort();
    return 0;
}
