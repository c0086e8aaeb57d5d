// Drag and drop between programs: Qt's drag events of the desktop's data (a file manager's
// text/uri-list) reaching a registered target, files dropped as WM_DROPFILES, and data
// objects turned into the desktop's data and back.
#include "platform/clipboard.h"
#include "platform/codepage.h"
#include "platform/dragdrop.h"
#include "platform/gditypes.h"
#include "platform/shellapi.h"
#include "platform/winuser.h"
#include "testsupport/TestSupport.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QImage>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <QWindow>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::vector<std::vector<std::u16string>> droppedFiles;

LRESULT dropProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_DROPFILES) {
        auto drop = reinterpret_cast<HDROP>(w);
        std::vector<std::u16string> names;
        const UINT n = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < n; ++i) {
            std::u16string name(DragQueryFileW(drop, i, nullptr, 0) + 1, u'\0');
            name.resize(DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size())));
            names.push_back(name);
        }
        DragFinish(drop);
        droppedFiles.push_back(names);
        return 0;
    }
    return DefWindowProcW(h, m, w, l);
}

HWND makeWindow(int x) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = dropProc;
        wc.lpszClassName = u"DropTestWindow";
        RegisterClassExW(&wc);
        registered = true;
    }
    HWND h = CreateWindowExW(0, u"DropTestWindow", u"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, 40, 200, 150, nullptr,
                             nullptr, nullptr, nullptr);
    return h;
}

struct Call {
    std::string what;
    DWORD keys;
    POINT pt;
};

class RecordingTarget : public IDropTarget {
public:
    std::vector<Call> calls;
    DWORD answer = DROPEFFECT_COPY;
    std::vector<std::u16string> files;
    std::u16string text;
    std::vector<UINT> formats;
    DWORD allowedAtDrop = 0;

    HRESULT DragEnter(const std::shared_ptr<IDataObject>& data, DWORD keys, POINT pt, DWORD* effect) override {
        calls.push_back({"enter", keys, pt});
        data->EnumFormats(&formats);
        *effect &= answer;
        return S_OK;
    }
    HRESULT DragOver(DWORD keys, POINT pt, DWORD* effect) override {
        calls.push_back({"over", keys, pt});
        *effect &= answer;
        return S_OK;
    }
    HRESULT DragLeave() override {
        calls.push_back({"leave", 0, POINT{0, 0}});
        return S_OK;
    }
    HRESULT Drop(const std::shared_ptr<IDataObject>& data, DWORD keys, POINT pt, DWORD* effect) override {
        calls.push_back({"drop", keys, pt});
        allowedAtDrop = *effect;
        HGLOBAL block = nullptr;
        if (data->GetData(CF_HDROP, &block) == S_OK) {
            auto drop = reinterpret_cast<HDROP>(block);
            const UINT n = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
            for (UINT i = 0; i < n; ++i) {
                std::u16string name(DragQueryFileW(drop, i, nullptr, 0) + 1, u'\0');
                name.resize(DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size())));
                files.push_back(name);
            }
            GlobalFree(block);
        }
        if (data->GetData(CF_UNICODETEXT, &block) == S_OK) {
            text = static_cast<const char16_t*>(GlobalLock(block));
            GlobalUnlock(block);
            GlobalFree(block);
        }
        *effect &= answer;
        return S_OK;
    }
};

// What a file manager drags: the files as a text/uri-list.
QMimeData* fileManagerData(const std::vector<std::string>& paths) {
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const std::string& p : paths) urls << QUrl::fromLocalFile(QString::fromStdString(p));
    data->setUrls(urls);
    return data;
}

// Qt's drag events at a point of a widget, delivered to its window as the window system
// delivers them (the window passes them on to the widget under the point); the answer of
// each (accepted, action).
struct Answer {
    bool accepted;
    Qt::DropAction action;
};

Answer sendDrag(QWidget* w, QEvent::Type type, QPoint at, const QMimeData* data,
                Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction, Qt::KeyboardModifiers mods = {}) {
    QWindow* window = w->window()->windowHandle();
    const QPoint p = w->mapTo(w->window(), at);
    if (type == QEvent::DragEnter) {
        QDragEnterEvent e(p, actions, data, Qt::LeftButton, mods);
        QApplication::sendEvent(window, &e);
        return {e.isAccepted(), e.dropAction()};
    }
    if (type == QEvent::DragMove) {
        QDragMoveEvent e(p, actions, data, Qt::LeftButton, mods);
        QApplication::sendEvent(window, &e);
        return {e.isAccepted(), e.dropAction()};
    }
    QDropEvent e(QPointF(p), actions, data, Qt::LeftButton, mods);
    QApplication::sendEvent(window, &e);
    return {e.isAccepted(), e.dropAction()};
}

void leave(QWidget* w) {
    QDragLeaveEvent e;
    QApplication::sendEvent(w->window()->windowHandle(), &e);
}

std::string makeFile(const testsupport::TempDir& dir, const std::string& name) {
    const std::string p = dir.file(name);
    std::ofstream(p) << "x";
    return p;
}

class DragDrop : public ::testing::Test {
protected:
    void SetUp() override {
        OleInitialize(nullptr);
        droppedFiles.clear();
        wnd = makeWindow(30);
        widget = platform::windowWidget(wnd);
        ASSERT_NE(widget, nullptr);
    }
    void TearDown() override {
        if (IsWindow(wnd)) DestroyWindow(wnd);
        OleUninitialize();
    }
    HWND wnd = nullptr;
    QWidget* widget = nullptr;
};

}  // namespace

TEST_F(DragDrop, FilesDraggedFromAFileManagerReachTheRegisteredTargetAsADropList) {
    testsupport::TempDir dir;
    const std::string a = makeFile(dir, "first picture.bmp");
    const std::string b = makeFile(dir, "zweites Bild \xC3\xA4.png");
    auto target = std::make_shared<RecordingTarget>();
    ASSERT_EQ(RegisterDragDrop(wnd, target), S_OK);
    EXPECT_EQ(RegisterDragDrop(wnd, target), DRAGDROP_E_ALREADYREGISTERED);
    EXPECT_EQ(platform::dropTargetOf(wnd), target);
    EXPECT_TRUE(widget->acceptDrops());

    std::unique_ptr<QMimeData> data(fileManagerData({a, b}));
    const Answer enter = sendDrag(widget, QEvent::DragEnter, QPoint(20, 30), data.get());
    EXPECT_TRUE(enter.accepted);
    EXPECT_EQ(enter.action, Qt::CopyAction);
    ASSERT_EQ(target->calls.size(), 1u);
    const QPoint global = widget->mapToGlobal(QPoint(20, 30));
    EXPECT_EQ(target->calls[0].pt.x, global.x());
    EXPECT_EQ(target->calls[0].pt.y, global.y());
    EXPECT_TRUE(target->calls[0].keys & MK_LBUTTON);
    EXPECT_NE(std::find(target->formats.begin(), target->formats.end(), CF_HDROP), target->formats.end());

    const Answer over = sendDrag(widget, QEvent::DragMove, QPoint(25, 35), data.get(), Qt::CopyAction | Qt::MoveAction,
                                 Qt::ControlModifier);
    EXPECT_TRUE(over.accepted);
    EXPECT_TRUE(target->calls.back().keys & MK_CONTROL);
    const Answer drop = sendDrag(widget, QEvent::Drop, QPoint(25, 35), data.get());
    EXPECT_TRUE(drop.accepted);
    EXPECT_EQ(drop.action, Qt::CopyAction);
    ASSERT_EQ(target->calls.back().what, "drop");
    EXPECT_EQ(target->allowedAtDrop, DROPEFFECT_COPY | DROPEFFECT_MOVE);
    ASSERT_EQ(target->files.size(), 2u);
    EXPECT_EQ(target->files[0], platform::fileNameToWide(a));
    EXPECT_EQ(target->files[1], platform::fileNameToWide(b));
}

TEST_F(DragDrop, ATargetThatRefusesOrIsRevokedLeavesTheDragUnaccepted) {
    auto target = std::make_shared<RecordingTarget>();
    target->answer = DROPEFFECT_NONE;
    ASSERT_EQ(RegisterDragDrop(wnd, target), S_OK);
    auto data = std::make_unique<QMimeData>();
    data->setText(QStringLiteral("just words"));
    EXPECT_FALSE(sendDrag(widget, QEvent::DragEnter, QPoint(5, 5), data.get()).accepted);
    leave(widget);
    EXPECT_EQ(target->calls.back().what, "leave");
    // A move-only target gets a move when the source allows it.
    target->answer = DROPEFFECT_MOVE;
    const Answer enter = sendDrag(widget, QEvent::DragEnter, QPoint(5, 5), data.get());
    EXPECT_TRUE(enter.accepted);
    EXPECT_EQ(enter.action, Qt::MoveAction);
    EXPECT_FALSE(sendDrag(widget, QEvent::DragMove, QPoint(6, 6), data.get(), Qt::CopyAction).accepted);
    const Answer drop = sendDrag(widget, QEvent::Drop, QPoint(6, 6), data.get());
    EXPECT_EQ(drop.action, Qt::MoveAction);
    EXPECT_EQ(target->text, u"just words");

    ASSERT_EQ(RevokeDragDrop(wnd), S_OK);
    EXPECT_EQ(RevokeDragDrop(wnd), DRAGDROP_E_NOTREGISTERED);
    EXPECT_FALSE(widget->acceptDrops());
    const std::size_t before = target->calls.size();
    sendDrag(widget, QEvent::DragEnter, QPoint(5, 5), data.get());
    EXPECT_EQ(target->calls.size(), before);
    EXPECT_EQ(RegisterDragDrop(nullptr, target), DRAGDROP_E_INVALIDHWND);
    EXPECT_EQ(RegisterDragDrop(wnd, nullptr), E_INVALIDARG);
}

TEST_F(DragDrop, AWindowThatAcceptsFilesGetsThemAsWmDropFilesAndNothingElse) {
    testsupport::TempDir dir;
    const std::string a = makeFile(dir, "one.jpg");
    DragAcceptFiles(wnd, TRUE);
    auto words = std::make_unique<QMimeData>();
    words->setText(QStringLiteral("not a file"));
    EXPECT_FALSE(sendDrag(widget, QEvent::DragEnter, QPoint(5, 5), words.get()).accepted);
    leave(widget);
    // Links to the web are no files.
    auto web = std::make_unique<QMimeData>();
    web->setUrls({QUrl(QStringLiteral("https://example.org/a.png"))});
    EXPECT_FALSE(sendDrag(widget, QEvent::DragEnter, QPoint(5, 5), web.get()).accepted);
    leave(widget);
    std::unique_ptr<QMimeData> files(fileManagerData({a}));
    EXPECT_TRUE(sendDrag(widget, QEvent::DragEnter, QPoint(5, 5), files.get()).accepted);
    EXPECT_TRUE(sendDrag(widget, QEvent::Drop, QPoint(5, 5), files.get()).accepted);
    ASSERT_EQ(droppedFiles.size(), 1u);
    EXPECT_EQ(droppedFiles[0], std::vector<std::u16string>{platform::fileNameToWide(a)});
    DragAcceptFiles(wnd, FALSE);
    EXPECT_EQ(platform::dropTargetOf(wnd), nullptr);
}

TEST_F(DragDrop, ADestroyedWindowTakesItsRegistrationAlong) {
    auto target = std::make_shared<RecordingTarget>();
    ASSERT_EQ(RegisterDragDrop(wnd, target), S_OK);
    DestroyWindow(wnd);
    EXPECT_EQ(platform::dropTargetOf(wnd), nullptr);
    EXPECT_EQ(target.use_count(), 1);
}

TEST_F(DragDrop, ADataObjectTravelsAsTheDesktopsTypesAndComesBackWhole) {
    testsupport::TempDir dir;
    const std::string a = makeFile(dir, "a b.tif");
    auto data = platform::createDataObject();
    // CF_HDROP as a DROPFILES block of UTF-16 names.
    const std::u16string name = platform::fileNameToWide(a);
    std::vector<unsigned char> block(sizeof(DROPFILES) + (name.size() + 2) * 2, 0);
    DROPFILES head{};
    head.pFiles = sizeof(DROPFILES);
    head.fWide = TRUE;
    std::memcpy(block.data(), &head, sizeof head);
    std::memcpy(block.data() + sizeof head, name.data(), name.size() * 2);
    ASSERT_EQ(data->SetData(CF_HDROP, platform::globalFromBytes(block.data(), block.size()), TRUE), S_OK);
    const std::u16string words = u"Gr\u00FC\u00DFe";
    ASSERT_EQ(data->SetData(CF_UNICODETEXT, platform::globalFromBytes(words.c_str(), (words.size() + 1) * 2), TRUE),
              S_OK);
    const UINT own = RegisterClipboardFormatW(u"Tessellon drag test");
    const char mark[] = {1, 2, 0, 4};
    ASSERT_EQ(data->SetData(own, platform::globalFromBytes(mark, sizeof mark), TRUE), S_OK);

    std::unique_ptr<QMimeData> mime(platform::mimeOfDataObject(data));
    ASSERT_TRUE(mime->hasUrls());
    ASSERT_EQ(mime->urls().size(), 1);
    EXPECT_EQ(mime->urls()[0].toLocalFile().toStdString(), a);
    EXPECT_EQ(mime->text().toStdU16String(), words);
    // Another process sees a copy of the types: the blocks come back from it.
    QMimeData copy;
    for (const QString& t : mime->formats()) copy.setData(t, mime->data(t));
    auto back = platform::dataObjectOfMime(&copy);
    EXPECT_EQ(back->QueryGetData(CF_HDROP), S_OK);
    EXPECT_EQ(back->QueryGetData(own), S_OK);
    HGLOBAL got = nullptr;
    ASSERT_EQ(back->GetData(own, &got), S_OK);
    ASSERT_EQ(GlobalSize(got), sizeof mark);
    EXPECT_EQ(std::memcmp(GlobalLock(got), mark, sizeof mark), 0);
    GlobalUnlock(got);
    GlobalFree(got);
    ASSERT_EQ(back->GetData(CF_UNICODETEXT, &got), S_OK);
    EXPECT_EQ(std::u16string(static_cast<const char16_t*>(GlobalLock(got))), words);
    GlobalUnlock(got);
    GlobalFree(got);
    EXPECT_EQ(back->GetData(CF_DIB, &got), DV_E_FORMATETC);
    EXPECT_EQ(got, nullptr);
}

TEST_F(DragDrop, APictureDropsAsADibAndBadBlocksAreRefused) {
    QImage picture(7, 3, QImage::Format_RGB32);
    picture.fill(QColor(10, 200, 30));
    auto mime = std::make_unique<QMimeData>();
    mime->setImageData(picture);
    auto obj = platform::dataObjectOfMime(mime.get());
    HGLOBAL dib = nullptr;
    ASSERT_EQ(obj->GetData(CF_DIB, &dib), S_OK);
    ASSERT_GE(GlobalSize(dib), sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER h{};
    std::memcpy(&h, GlobalLock(dib), sizeof h);
    GlobalUnlock(dib);
    EXPECT_EQ(h.biWidth, 7);
    EXPECT_EQ(h.biHeight, 3);
    // The desktop's data gone: nothing is read from it any more.
    mime.reset();
    HGLOBAL none = nullptr;
    EXPECT_EQ(obj->GetData(CF_DIB, &none), DV_E_FORMATETC);
    std::vector<UINT> formats{1};
    EXPECT_EQ(obj->EnumFormats(&formats), S_OK);
    EXPECT_TRUE(formats.empty());

    auto data = platform::createDataObject();
    EXPECT_EQ(data->SetData(CF_DIB, nullptr, TRUE), E_INVALIDARG);
    EXPECT_EQ(data->SetData(0, dib, FALSE), E_INVALIDARG);
    ASSERT_EQ(data->SetData(CF_DIB, dib, TRUE), S_OK);
    std::unique_ptr<QMimeData> out(platform::mimeOfDataObject(data));
    const QImage png = QImage::fromData(out->data(QStringLiteral("image/png")), "PNG");
    ASSERT_EQ(png.size(), QSize(7, 3));
    EXPECT_EQ(png.pixelColor(3, 1), QColor(10, 200, 30));
    // A damaged drop list gives no names.
    auto damaged = platform::createDataObject();
    DROPFILES head{};
    head.pFiles = 4000;
    head.fWide = TRUE;
    ASSERT_EQ(damaged->SetData(CF_HDROP, platform::globalFromBytes(&head, sizeof head), TRUE), S_OK);
    std::unique_ptr<QMimeData> bad(platform::mimeOfDataObject(damaged));
    EXPECT_TRUE(bad->data(QStringLiteral("text/uri-list")).isEmpty());
}

TEST_F(DragDrop, DoDragDropChecksItsArgumentsAndASourceMayEndTheDragBeforeItStarts) {
    class Refusing : public IDropSource {
    public:
        int asked = 0;
        HRESULT QueryContinueDrag(BOOL, DWORD) override {
            ++asked;
            return DRAGDROP_S_CANCEL;
        }
        HRESULT GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
    };
    auto source = std::make_shared<Refusing>();
    auto data = platform::createDataObject();
    DWORD effect = 77;
    EXPECT_EQ(DoDragDrop(nullptr, source, DROPEFFECT_COPY, &effect), E_INVALIDARG);
    EXPECT_EQ(DoDragDrop(data, source, DROPEFFECT_NONE, &effect), E_INVALIDARG);
    EXPECT_EQ(DoDragDrop(data, source, DROPEFFECT_COPY, &effect), DRAGDROP_S_CANCEL);
    EXPECT_EQ(effect, DROPEFFECT_NONE);
    EXPECT_EQ(source->asked, 1);
}
