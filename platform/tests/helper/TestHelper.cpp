// A second process for the registry and clipboard tests.
//   reg-set HIVE KEY NAME TEXT          writes a text value, prints the status
//   reg-get HIVE KEY NAME               prints the text value (exit 1 when missing)
//   clip-set NAME TEXT SECONDS          puts TEXT under the registered format NAME, prints
//                                       "ready" and serves it for SECONDS
//   clip-get NAME                       prints the block of format NAME (exit 1 when none)
#include "platform/clipboard.h"
#include "platform/globalmem.h"
#include "platform/registry.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

HKEY openKey(const char* hive, const char* key) {
    platform::setRegistryHive(hive);
    HKEY k = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
    return k;
}

int regSet(const char* hive, const char* key, const char* name, const std::string& text) {
    HKEY k = openKey(hive, key);
    const LSTATUS r = RegSetValueExA(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                     static_cast<DWORD>(text.size() + 1));
    std::printf("%d\n", static_cast<int>(r));
    RegCloseKey(k);
    return 0;
}

int regGet(const char* hive, const char* key, const char* name) {
    platform::setRegistryHive(hive);
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return 1;
    char buffer[4096];
    DWORD size = sizeof buffer, type = 0;
    const LSTATUS r = RegQueryValueExA(k, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(k);
    if (r != ERROR_SUCCESS) return 1;
    std::printf("%s\n", buffer);
    return 0;
}

int clipSet(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const UINT format = RegisterClipboardFormatA(argv[2]);
    const std::string text = argv[3];
    if (!OpenClipboard(nullptr)) return 2;
    EmptyClipboard();
    SetClipboardData(format, platform::globalFromBytes(text.c_str(), text.size() + 1));
    CloseClipboard();
    std::printf("ready\n");
    std::fflush(stdout);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < std::stoi(argv[4]) * 1000) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return 0;
}

int clipGet(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const UINT format = RegisterClipboardFormatA(argv[2]);
    if (!OpenClipboard(nullptr)) return 2;
    HANDLE h = GetClipboardData(format);
    int rc = 1;
    if (h) {
        const SIZE_T size = GlobalSize(h);
        const char* p = static_cast<const char*>(GlobalLock(h));
        std::printf("%s\n", std::string(p, strnlen(p, size)).c_str());
        GlobalUnlock(h);
        rc = 0;
    }
    CloseClipboard();
    return rc;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "reg-set" && argc == 6) return regSet(argv[2], argv[3], argv[4], argv[5]);
    if (command == "reg-get" && argc == 5) return regGet(argv[2], argv[3], argv[4]);
    if (command == "clip-set" && argc == 5) return clipSet(argc, argv);
    if (command == "clip-get" && argc == 3) return clipGet(argc, argv);
    std::fprintf(stderr, "usage: see the source\n");
    return 64;
}
