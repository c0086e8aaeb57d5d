// The clipboard on the offscreen platform, where Qt's clipboard lives in this process:
// formats and what the desktop sees of them, owners, registered formats, delayed rendering,
// the viewer chain and listeners, file lists and damaged blocks.
#include "platform/clipboard.h"
#include "platform/codepage.h"
#include "platform/gdi.h"
#include "platform/globalmem.h"
#include "platform/shellapi.h"
#include "platform/winerror.h"
#include "platform/winuser.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QUrl>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

struct Message {
    HWND wnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Message> messages;
// The next window of each viewer, and what a render request puts on the clipboard.
std::map<HWND, HWND> nextViewer;
std::u16string renderedText = u"rendered later";

LRESULT recordingProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
    case WM_DRAWCLIPBOARD:
        messages.push_back({w, m, wp, lp});
        if (nextViewer[w]) SendMessageW(nextViewer[w], m, wp, lp);
        return 0;
    case WM_CHANGECBCHAIN:
        messages.push_back({w, m, wp, lp});
        if (reinterpret_cast<HWND>(wp) == nextViewer[w])
            nextViewer[w] = reinterpret_cast<HWND>(lp);
        else if (nextViewer[w])
            SendMessageW(nextViewer[w], m, wp, lp);
        return 0;
    case WM_RENDERFORMAT: {
        messages.push_back({w, m, wp, lp});
        const Bytes b(reinterpret_cast<const unsigned char*>(renderedText.c_str()),
                      reinterpret_cast<const unsigned char*>(renderedText.c_str() + renderedText.size() + 1));
        SetClipboardData(static_cast<UINT>(wp), platform::globalFromBytes(b.data(), b.size()));
        return 0;
    }
    case WM_DESTROYCLIPBOARD:
    case WM_CLIPBOARDUPDATE:
        messages.push_back({w, m, wp, lp});
        return 0;
    default:
        return DefWindowProcW(w, m, wp, lp);
    }
}

HWND makeWindow() {
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = recordingProc;
        wc.lpszClassName = u"ClipboardTestWindow";
        RegisterClassExW(&wc);
        registered = true;
    }
    return CreateWindowExW(0, u"ClipboardTestWindow", u"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                           nullptr, nullptr);
}

int count(HWND w, UINT m) {
    int n = 0;
    for (const Message& x : messages) n += x.wnd == w && x.msg == m;
    return n;
}

Bytes blockBytes(HANDLE h) {
    const SIZE_T size = GlobalSize(h);
    const auto* p = static_cast<const unsigned char*>(GlobalLock(h));
    Bytes out = p ? Bytes(p, p + size) : Bytes{};
    if (p) GlobalUnlock(h);
    return out;
}

HGLOBAL block(const void* data, std::size_t size) { return platform::globalFromBytes(data, size); }

// Puts formats on the clipboard in one opening.
void put(HWND owner, const std::vector<std::pair<UINT, Bytes>>& formats) {
    ASSERT_TRUE(OpenClipboard(owner));
    ASSERT_TRUE(EmptyClipboard());
    for (const auto& [f, b] : formats) ASSERT_NE(SetClipboardData(f, block(b.data(), b.size())), nullptr);
    ASSERT_TRUE(CloseClipboard());
}

Bytes get(UINT format) {
    EXPECT_TRUE(OpenClipboard(nullptr));
    const Bytes b = blockBytes(GetClipboardData(format));
    CloseClipboard();
    return b;
}

std::vector<UINT> enumerated() {
    std::vector<UINT> out;
    EXPECT_TRUE(OpenClipboard(nullptr));
    for (UINT f = EnumClipboardFormats(0); f; f = EnumClipboardFormats(f)) out.push_back(f);
    CloseClipboard();
    return out;
}

Bytes wide(std::u16string_view s) {
    return Bytes(reinterpret_cast<const unsigned char*>(s.data()), reinterpret_cast<const unsigned char*>(s.data() + s.size())) ;
}

Bytes withNull(Bytes b, std::size_t nulls) {
    b.insert(b.end(), nulls, 0);
    return b;
}

// A 4-bit DIB of 5 x 3 pixels with a 16-colour table: pixel (x, y) has index (x + y) % 16.
Bytes fourBitDib() {
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = 5;
    h.biHeight = 3;
    h.biPlanes = 1;
    h.biBitCount = 4;
    h.biSizeImage = 12;
    Bytes b(sizeof h);
    std::memcpy(b.data(), &h, sizeof h);
    for (int i = 0; i < 16; ++i) b.insert(b.end(), {static_cast<unsigned char>(i * 16), static_cast<unsigned char>(255 - i * 16), 7, 0});
    for (int row = 0; row < 3; ++row) {
        const int y = 2 - row;
        unsigned char line[4] = {};
        for (int x = 0; x < 5; ++x) line[x / 2] |= static_cast<unsigned char>(((x + y) % 16) << (x % 2 ? 0 : 4));
        b.insert(b.end(), line, line + 4);
    }
    return b;
}

QClipboard* desktop() { return QGuiApplication::clipboard(); }

class Clipboard : public ::testing::Test {
protected:
    void SetUp() override {
        messages.clear();
        nextViewer.clear();
        owner = makeWindow();
    }
    void TearDown() override {
        if (GetClipboardViewer()) ChangeClipboardChain(GetClipboardViewer(), nullptr);
        DestroyWindow(owner);
        desktop()->clear();
    }
    HWND owner = nullptr;
};

TEST_F(Clipboard, TextFormatsStandForEachOtherAndForTheDesktopsText) {
    ASSERT_TRUE(platform::setAnsiCodePage(1252));
    put(owner, {{CF_UNICODETEXT, withNull(wide(u"Grüße €"), 2)}});
    EXPECT_EQ(enumerated(), (std::vector<UINT>{CF_UNICODETEXT, CF_TEXT, CF_OEMTEXT}));
    EXPECT_EQ(CountClipboardFormats(), 3);
    EXPECT_EQ(get(CF_TEXT), (Bytes{'G', 'r', 0xFC, 0xDF, 'e', ' ', 0x80, 0}));
    EXPECT_EQ(get(CF_OEMTEXT), (Bytes{'G', 'r', 0x81, 0xE1, 'e', ' ', '?', 0}));  // code page 850 has no euro
    EXPECT_EQ(desktop()->text(), QString::fromUtf8("Grüße €"));
    EXPECT_EQ(GetClipboardOwner(), owner);
    ASSERT_TRUE(platform::setAnsiCodePage(CP_UTF8));

    // Text that another program put there.
    desktop()->setText(QString::fromUtf8("fremd ✓"));
    EXPECT_EQ(GetClipboardOwner(), nullptr);
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_DIB));
    EXPECT_EQ(get(CF_UNICODETEXT), withNull(wide(u"fremd ✓"), 2));
    const std::string utf8 = "fremd ✓";
    EXPECT_EQ(get(CF_TEXT), withNull(Bytes(utf8.begin(), utf8.end()), 1));
    UINT order[] = {CF_DIB, CF_TEXT, CF_UNICODETEXT};
    EXPECT_EQ(GetPriorityClipboardFormat(order, 3), static_cast<int>(CF_TEXT));
    UINT none[] = {CF_DIB};
    EXPECT_EQ(GetPriorityClipboardFormat(none, 1), -1);
    desktop()->clear();
    EXPECT_EQ(GetPriorityClipboardFormat(none, 1), 0);
}

TEST_F(Clipboard, OpeningEmptyingAndOwnersFollowTheRules) {
    HWND other = makeWindow();
    EXPECT_EQ(GetClipboardData(CF_TEXT), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_CLIPBOARD_NOT_OPEN);
    EXPECT_FALSE(EmptyClipboard());
    EXPECT_FALSE(CloseClipboard());
    EXPECT_EQ(SetClipboardData(CF_TEXT, block("x", 2)), nullptr);  // the block stays the caller's
    EXPECT_EQ(GetLastError(), ERROR_CLIPBOARD_NOT_OPEN);

    const std::size_t live = platform::liveGlobalBlocks();
    put(owner, {{CF_TEXT, {'a', 0}}, {CF_DIB, fourBitDib()}});
    EXPECT_EQ(platform::liveGlobalBlocks(), live + 2);
    ASSERT_TRUE(OpenClipboard(other));
    EXPECT_TRUE(OpenClipboard(other));
    EXPECT_FALSE(OpenClipboard(owner));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(GetOpenClipboardWindow(), other);
    // The synthesized formats are blocks of the clipboard too, freed with the rest.
    EXPECT_NE(GetClipboardData(CF_UNICODETEXT), nullptr);
    EXPECT_EQ(count(owner, WM_DESTROYCLIPBOARD), 0);
    ASSERT_TRUE(EmptyClipboard());
    EXPECT_EQ(count(owner, WM_DESTROYCLIPBOARD), 1);
    EXPECT_EQ(GetClipboardOwner(), other);
    ASSERT_TRUE(CloseClipboard());
    EXPECT_EQ(CountClipboardFormats(), 0);
    EXPECT_EQ(platform::liveGlobalBlocks(), live);
    EXPECT_TRUE(desktop()->mimeData()->formats().isEmpty());

    // Another program's content tells our owner that its content is gone.
    put(owner, {{CF_TEXT, {'b', 0}}});
    desktop()->setText("theirs");
    EXPECT_EQ(count(owner, WM_DESTROYCLIPBOARD), 2);
    EXPECT_EQ(platform::liveGlobalBlocks(), live);
    DestroyWindow(other);
}

TEST_F(Clipboard, APictureIsPngAndBmpForTheDesktopAndExactForUs) {
    const Bytes dib = fourBitDib();
    put(owner, {{CF_DIB, dib}});
    EXPECT_EQ(get(CF_DIB), dib);
    EXPECT_EQ(enumerated(), (std::vector<UINT>{CF_DIB, CF_BITMAP}));
    const QMimeData* data = desktop()->mimeData();
    EXPECT_TRUE(data->hasFormat(QString::fromStdString(platform::clipboardMimeType(CF_DIB))));
    QImage png;
    ASSERT_TRUE(png.loadFromData(data->data("image/png"), "PNG"));
    ASSERT_EQ(png.size(), QSize(5, 3));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            const int i = (x + y) % 16;
            EXPECT_EQ(png.pixel(x, y), qRgb(7, 255 - i * 16, i * 16)) << x << "," << y;
        }
    const QByteArray bmp = data->data("image/bmp");
    ASSERT_EQ(static_cast<std::size_t>(bmp.size()), 14 + dib.size());
    EXPECT_EQ(bmp.left(2), "BM");
    EXPECT_EQ(Bytes(bmp.begin() + 14, bmp.end()), dib);
    QImage fromBmp;
    ASSERT_TRUE(fromBmp.loadFromData(bmp, "BMP"));
    EXPECT_EQ(fromBmp.convertToFormat(QImage::Format_RGB32), png.convertToFormat(QImage::Format_RGB32));

    // The bitmap handle made from it.
    ASSERT_TRUE(OpenClipboard(nullptr));
    auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    BITMAP bm{};
    ASSERT_TRUE(GetObjectW(bitmap, sizeof bm, &bm));
    EXPECT_EQ(bm.bmWidth, 5);
    EXPECT_EQ(bm.bmHeight, 3);
    EXPECT_EQ(GetObjectType(bitmap), static_cast<DWORD>(OBJ_BITMAP));
    CloseClipboard();

    // A bitmap set as CF_BITMAP is a DIB for the others.
    HDC screen = GetDC(nullptr);
    HBITMAP red = CreateCompatibleBitmap(screen, 4, 2);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, red);
    RECT all{0, 0, 4, 2};
    HBRUSH brush = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(dc, &all, brush);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(brush);
    ReleaseDC(nullptr, screen);
    ASSERT_TRUE(OpenClipboard(owner));
    EmptyClipboard();
    ASSERT_EQ(SetClipboardData(CF_BITMAP, red), red);
    CloseClipboard();
    const Bytes made = get(CF_DIB);
    ASSERT_GE(made.size(), 40u + 24u);
    BITMAPINFOHEADER h;
    std::memcpy(&h, made.data(), sizeof h);
    EXPECT_EQ(h.biWidth, 4);
    EXPECT_EQ(h.biHeight, 2);
    EXPECT_EQ(h.biBitCount, 24);
    EXPECT_EQ(made[40], 0);    // blue
    EXPECT_EQ(made[42], 255);  // red
    QImage shown = qvariant_cast<QImage>(desktop()->mimeData()->imageData());
    if (shown.isNull()) shown.loadFromData(desktop()->mimeData()->data("image/png"));
    EXPECT_EQ(shown.pixel(3, 1), qRgb(255, 0, 0));
}

TEST_F(Clipboard, PicturesOfOtherProgramsArriveAsDibs) {
    // An indexed picture keeps its colour table in the smallest depth that holds it.
    QImage indexed(3, 2, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(9, 9, 9), qRgb(1, 2, 3)});
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) indexed.setPixel(x, y, (x + 2 * y) % 5);
    auto* data = new QMimeData;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    indexed.save(&buffer, "PNG");
    data->setData("image/png", png);
    desktop()->setMimeData(data);
    EXPECT_EQ(enumerated(), (std::vector<UINT>{CF_DIB, CF_BITMAP}));
    Bytes dib = get(CF_DIB);
    ASSERT_GE(dib.size(), 40u);
    BITMAPINFOHEADER h;
    std::memcpy(&h, dib.data(), sizeof h);
    EXPECT_EQ(h.biBitCount, 4);
    EXPECT_EQ(h.biClrUsed, 5u);
    ASSERT_EQ(dib.size(), 40u + 5 * 4 + 2 * 4);
    EXPECT_EQ(dib[40 + 4 * 4 + 0], 3);  // entry 4 is (1, 2, 3) in blue, green, red order
    EXPECT_EQ(dib[40 + 4 * 4 + 2], 1);
    // Bottom row first: row y = 1 holds indexes 2, 3, 4.
    EXPECT_EQ(dib[60], 0x23);
    EXPECT_EQ(dib[61], 0x40);
    EXPECT_EQ(dib[64], 0x01);

    // Anything else becomes 24 bits, transparent parts over white.
    QImage argb(2, 1, QImage::Format_ARGB32);
    argb.setPixel(0, 0, qRgba(10, 20, 30, 255));
    argb.setPixel(1, 0, qRgba(0, 0, 0, 0));
    desktop()->setImage(argb);
    dib = get(CF_DIB);
    ASSERT_EQ(dib.size(), 40u + 8);
    std::memcpy(&h, dib.data(), sizeof h);
    EXPECT_EQ(h.biBitCount, 24);
    EXPECT_EQ(Bytes(dib.begin() + 40, dib.begin() + 46), (Bytes{30, 20, 10, 255, 255, 255}));
}

TEST_F(Clipboard, DamagedBlocksGiveNothingAndNeverAReadPastThem) {
    Bytes lying = fourBitDib();
    BITMAPINFOHEADER h;
    std::memcpy(&h, lying.data(), sizeof h);
    h.biWidth = 1000;
    h.biHeight = 1000;
    std::memcpy(lying.data(), &h, sizeof h);
    put(owner, {{CF_DIB, lying}});
    EXPECT_EQ(get(CF_DIB), lying);  // our own block comes back as it was given
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_EQ(GetClipboardData(CF_BITMAP), nullptr);
    CloseClipboard();
    EXPECT_TRUE(desktop()->mimeData()->data("image/png").isEmpty());
    EXPECT_TRUE(desktop()->mimeData()->data("image/bmp").isEmpty());

    // A file list whose names run past the block.
    DROPFILES head{sizeof(DROPFILES), {0, 0}, FALSE, TRUE};
    Bytes drop(sizeof head);
    std::memcpy(drop.data(), &head, sizeof head);
    const Bytes name = wide(u"/tmp/unterminated");
    drop.insert(drop.end(), name.begin(), name.end());
    put(owner, {{CF_HDROP, drop}});
    ASSERT_TRUE(OpenClipboard(nullptr));
    auto handle = static_cast<HDROP>(GetClipboardData(CF_HDROP));
    EXPECT_NE(handle, nullptr);
    EXPECT_EQ(DragQueryFileW(handle, 0xFFFFFFFFu, nullptr, 0), 0u);
    CloseClipboard();
    std::vector<std::string> paths;
    EXPECT_FALSE(platform::clipboardFiles(&paths, nullptr));
    head.pFiles = 4000;
    std::memcpy(drop.data(), &head, sizeof head);
    put(owner, {{CF_HDROP, drop}});
    EXPECT_FALSE(platform::clipboardFiles(&paths, nullptr));
    EXPECT_TRUE(desktop()->mimeData()->data("text/uri-list").isEmpty());
}

TEST_F(Clipboard, RegisteredFormatsAndTypesOfOtherPrograms) {
    const UINT selection = RegisterClipboardFormatA("DABWELL_SELECTION");
    EXPECT_GE(selection, CF_REGISTERED_FIRST);
    EXPECT_EQ(RegisterClipboardFormatW(u"dabwell_selection"), selection);
    EXPECT_EQ(RegisterClipboardFormatA(""), 0u);
    char name[64];
    EXPECT_EQ(GetClipboardFormatNameA(selection, name, sizeof name), 17);
    EXPECT_STREQ(name, "DABWELL_SELECTION");
    EXPECT_EQ(GetClipboardFormatNameA(selection, name, 8), 7);
    EXPECT_STREQ(name, "DABWELL");
    EXPECT_EQ(GetClipboardFormatNameA(CF_TEXT, name, sizeof name), 0);

    const Bytes mask = {1, 2, 3, 0, 255};
    const UINT html = RegisterClipboardFormatA("text/html");
    const std::string page = "<b>bold</b>";
    put(owner, {{CF_DIB, fourBitDib()}, {selection, mask}, {html, Bytes(page.begin(), page.end())}});
    EXPECT_EQ(get(selection), mask);
    EXPECT_EQ(enumerated(), (std::vector<UINT>{CF_DIB, selection, html, CF_BITMAP}));
    const QMimeData* data = desktop()->mimeData();
    EXPECT_EQ(data->data(QString::fromStdString(platform::clipboardMimeType(selection))),
              QByteArray("\x01\x02\x03\x00\xFF", 5));
    EXPECT_EQ(data->data("text/html"), "<b>bold</b>");
    EXPECT_NE(platform::clipboardMimeType(selection).find("DABWELL_SELECTION"), std::string::npos);

    // A type we do not know is a registered format named after it; adding to another
    // program's content keeps what was there.
    auto* foreign = new QMimeData;
    foreign->setData("application/x-other", "other");
    foreign->setText("their text");
    desktop()->setMimeData(foreign);
    const UINT other = RegisterClipboardFormatA("application/x-other");
    EXPECT_TRUE(IsClipboardFormatAvailable(other));
    EXPECT_EQ(get(other), (Bytes{'o', 't', 'h', 'e', 'r'}));
    ASSERT_TRUE(OpenClipboard(owner));
    ASSERT_NE(SetClipboardData(selection, block(mask.data(), mask.size())), nullptr);
    CloseClipboard();
    EXPECT_EQ(get(selection), mask);
    EXPECT_EQ(get(other), (Bytes{'o', 't', 'h', 'e', 'r'}));
    EXPECT_EQ(desktop()->text(), "their text");
}

TEST_F(Clipboard, DelayedRenderingAsksTheOwner) {
    ASSERT_TRUE(OpenClipboard(owner));
    EmptyClipboard();
    SetLastError(ERROR_INVALID_DATA);
    EXPECT_EQ(SetClipboardData(CF_UNICODETEXT, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), NO_ERROR);
    CloseClipboard();
    EXPECT_EQ(count(owner, WM_RENDERFORMAT), 0);
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
    EXPECT_EQ(get(CF_TEXT), withNull(Bytes{'r', 'e', 'n', 'd', 'e', 'r', 'e', 'd', ' ', 'l', 'a', 't', 'e', 'r'}, 1));
    EXPECT_EQ(count(owner, WM_RENDERFORMAT), 1);
    EXPECT_EQ(desktop()->text(), "rendered later");
    EXPECT_EQ(count(owner, WM_RENDERFORMAT), 1);  // rendered once
    // Without an owner nothing can render.
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    EXPECT_EQ(SetClipboardData(CF_TEXT, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    CloseClipboard();
}

TEST_F(Clipboard, ViewersAndListenersHearOfEveryChange) {
    HWND first = makeWindow(), second = makeWindow();
    EXPECT_EQ(SetClipboardViewer(first), nullptr);
    EXPECT_EQ(count(first, WM_DRAWCLIPBOARD), 1);
    nextViewer[second] = SetClipboardViewer(second);
    EXPECT_EQ(nextViewer[second], first);
    EXPECT_EQ(GetClipboardViewer(), second);
    ASSERT_TRUE(AddClipboardFormatListener(owner));
    const DWORD sequence = GetClipboardSequenceNumber();
    messages.clear();

    put(owner, {{CF_TEXT, {'1', 0}}});
    EXPECT_EQ(count(second, WM_DRAWCLIPBOARD), 1);
    EXPECT_EQ(count(first, WM_DRAWCLIPBOARD), 1);
    EXPECT_EQ(count(owner, WM_CLIPBOARDUPDATE), 0);  // posted
    platform::processPendingMessages();
    EXPECT_EQ(count(owner, WM_CLIPBOARDUPDATE), 1);
    EXPECT_GT(GetClipboardSequenceNumber(), sequence);

    // Emptying: the owner hears first, then the chain.
    messages.clear();
    put(second, {});
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].msg, WM_DESTROYCLIPBOARD);
    EXPECT_EQ(messages[0].wnd, owner);
    EXPECT_EQ(messages[1].wnd, second);
    EXPECT_EQ(messages[2].wnd, first);

    // A change from outside reaches the chain as well.
    messages.clear();
    desktop()->setText("outside");
    EXPECT_EQ(count(second, WM_DESTROYCLIPBOARD), 1);
    EXPECT_EQ(count(first, WM_DRAWCLIPBOARD), 1);

    // Leaving the chain: the window before the one that leaves takes its next.
    messages.clear();
    EXPECT_FALSE(ChangeClipboardChain(first, nullptr));
    EXPECT_EQ(count(second, WM_CHANGECBCHAIN), 1);
    EXPECT_EQ(nextViewer[second], nullptr);
    put(owner, {{CF_TEXT, {'2', 0}}});
    EXPECT_EQ(count(first, WM_DRAWCLIPBOARD), 0);
    EXPECT_TRUE(ChangeClipboardChain(second, nullptr));
    EXPECT_EQ(GetClipboardViewer(), nullptr);
    EXPECT_TRUE(RemoveClipboardFormatListener(owner));
    EXPECT_FALSE(RemoveClipboardFormatListener(owner));
    DestroyWindow(first);
    DestroyWindow(second);
}

TEST_F(Clipboard, FilesGoAsDroppedFilesAndAsTheFileManagersLists) {
    platform::setClipboardFiles({"/tmp/a b.png", "/tmp/Ä.txt"}, true);
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_HDROP));
    ASSERT_TRUE(OpenClipboard(nullptr));
    auto drop = static_cast<HDROP>(GetClipboardData(CF_HDROP));
    ASSERT_EQ(DragQueryFileW(drop, 0xFFFFFFFFu, nullptr, 0), 2u);
    char16_t name[64];
    ASSERT_EQ(DragQueryFileW(drop, 1, name, 64), 10u);
    EXPECT_EQ(std::u16string(name), u"/tmp/Ä.txt");
    const Bytes effect = blockBytes(GetClipboardData(RegisterClipboardFormatA("Preferred DropEffect")));
    EXPECT_EQ(effect, (Bytes{DROPEFFECT_MOVE, 0, 0, 0}));
    CloseClipboard();
    const QMimeData* data = desktop()->mimeData();
    EXPECT_EQ(data->data("text/uri-list"), "file:///tmp/a%20b.png\r\nfile:///tmp/%C3%84.txt\r\n");
    EXPECT_EQ(data->data("x-special/gnome-copied-files"), "cut\nfile:///tmp/a%20b.png\nfile:///tmp/%C3%84.txt");
    EXPECT_EQ(data->data("application/x-kde-cutselection"), "1");
    EXPECT_EQ(data->text(), QString::fromUtf8("/tmp/a b.png\n/tmp/Ä.txt\n"));
    std::vector<std::string> paths;
    bool cut = false;
    ASSERT_TRUE(platform::clipboardFiles(&paths, &cut));
    EXPECT_EQ(paths, (std::vector<std::string>{"/tmp/a b.png", "/tmp/Ä.txt"}));
    EXPECT_TRUE(cut);

    // A file manager's copy.
    auto* copied = new QMimeData;
    copied->setData("x-special/gnome-copied-files", "copy\nfile:///home/x/y%23.jpg");
    copied->setUrls({QUrl::fromLocalFile("/home/x/y#.jpg")});
    desktop()->setMimeData(copied);
    ASSERT_TRUE(platform::clipboardFiles(&paths, &cut));
    EXPECT_EQ(paths, (std::vector<std::string>{"/home/x/y#.jpg"}));
    EXPECT_FALSE(cut);
    const std::vector<UINT> formats = enumerated();
    EXPECT_NE(std::find(formats.begin(), formats.end(), CF_HDROP), formats.end());
    platform::clearClipboardFiles();
    EXPECT_FALSE(platform::clipboardFiles(&paths, &cut));
}

TEST_F(Clipboard, EditControlsAndTheClipboardAgree) {
    HWND edit = CreateWindowExW(0, u"EDIT", u"kopiert ✓", WS_CHILD | WS_VISIBLE, 0, 0, 100, 20, owner, nullptr, nullptr,
                                nullptr);
    ASSERT_NE(edit, nullptr);
    put(owner, {{CF_TEXT, {'o', 'l', 'd', 0}}});
    SendMessageW(edit, EM_SETSEL, 0, -1);
    SendMessageW(edit, WM_COPY, 0, 0);
    EXPECT_EQ(count(owner, WM_DESTROYCLIPBOARD), 1);  // the edit's copy replaced our content
    EXPECT_EQ(get(CF_UNICODETEXT), withNull(wide(u"kopiert ✓"), 2));
    put(owner, {{CF_TEXT, {'n', 'e', 'u', 0}}});
    SendMessageW(edit, EM_SETSEL, 0, -1);
    SendMessageW(edit, WM_PASTE, 0, 0);
    char16_t text[32];
    GetWindowTextW(edit, text, 32);
    EXPECT_EQ(std::u16string(text), u"neu");
    DestroyWindow(edit);
}

}  // namespace
