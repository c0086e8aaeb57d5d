// Fuzzes the clipboard's readers of its own blocks: a CF_DIB block shows to the desktop as
// a PNG and a BMP exactly when its rows lie inside it, and a CF_HDROP block gives names
// that lie inside it.
#include "platform/clipboard.h"
#include "platform/globalmem.h"
#include "platform/shellapi.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "fuzz_clipboard";
    static char* argv[] = {name, nullptr};
    new QGuiApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const bool files = data[0] & 1;
    ++data;
    --size;
    HGLOBAL block = platform::globalFromBytes(data, size);
    if (!block || !OpenClipboard(nullptr)) std::abort();
    EmptyClipboard();
    if (!SetClipboardData(files ? CF_HDROP : CF_DIB, block)) std::abort();
    CloseClipboard();
    const QMimeData* shown = QGuiApplication::clipboard()->mimeData();
    if (files) {
        if (!OpenClipboard(nullptr)) std::abort();
        auto drop = static_cast<HDROP>(GetClipboardData(CF_HDROP));
        const UINT count = DragQueryFileW(drop, 0xFFFFFFFFu, nullptr, 0);
        std::size_t total = 0;
        for (UINT i = 0; i < count; ++i) total += DragQueryFileW(drop, i, nullptr, 0) + 1;
        if (total > size) std::abort();  // each name and its null take a byte at least
        CloseClipboard();
        shown->data("text/uri-list");
    } else {
        const bool readable = platform::packedDibLayout(data, size, nullptr);
        QImage png;
        png.loadFromData(shown->data("image/png"), "PNG");
        const QByteArray bmp = shown->data("image/bmp");
        if (readable == png.isNull() || readable == bmp.isEmpty()) std::abort();
        if (!OpenClipboard(nullptr)) std::abort();
        const bool bitmap = GetClipboardData(CF_BITMAP) != nullptr;
        CloseClipboard();
        if (bitmap != readable) std::abort();
    }
    return 0;
}
