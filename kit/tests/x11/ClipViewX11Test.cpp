// The clipboard viewer on a virtual display, following what another program (xclip) puts on
// the desktop's clipboard: text, a picture, a palette alone and a damaged palette.
#include "classlib/Clipbrd.h"
#include "kit/ClipView.h"
#include "kit/KitRegister.h"
#include "platform/clipboard.h"
#include "testsupport/TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QWidget>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

using testsupport::waitFor;

// xclip serving one selection of one type until the next one replaces it.
class XClip {
public:
    XClip(const QString& type, const QByteArray& data) {
        QStringList args{"-quiet", "-i", "-selection", "clipboard"};
        if (!type.isEmpty()) args << "-t" << type;
        p_.start("xclip", args);
        EXPECT_TRUE(p_.waitForStarted(10000));
        p_.write(data);
        p_.closeWriteChannel();
    }
    ~XClip() {
        p_.kill();
        p_.waitForFinished(5000);
    }

private:
    QProcess p_;
};

std::string shotDir() {
    const char* dir = std::getenv("TESSELLON_SCREENSHOT_DIR");
    const std::string path = dir ? dir : "/tmp/shots/kit24";
    QDir().mkpath(QString::fromStdString(path));
    return path;
}

QByteArray paletteBlock(int count, int declared) {
    QByteArray b;
    b.append(char(0x00)).append(char(0x03));
    b.append(char(declared & 0xFF)).append(char(declared >> 8));
    for (int i = 0; i < count; ++i) b.append(char(i * 12)).append(char(200 - i * 8)).append(char(i * 5)).append(char(0));
    return b;
}

}  // namespace

TEST(ClipboardViewerX11, FollowsAnotherProgramsClipboardIncludingAPaletteAlone) {
    RegisterKitClasses();
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(60, 60, 360, 240);
    form->SetCaption("Clipboard viewer");
    auto* viewer = new TClipboardViewer(form.get());
    viewer->SetAlign(alClient);
    int changes = 0;
    viewer->OnChange = [&](TObject*) { ++changes; };
    viewer->SetParent(form.get());
    form->Show();
    ASSERT_TRUE(viewer->InChain());
    // The program's own viewer is 0 x 0: a second one of that size follows the same changes.
    auto* hidden = new TClipboardViewer(form.get());
    hidden->SetBounds(0, 0, 0, 0);
    int hiddenChanges = 0;
    hidden->OnChange = [&](TObject*) { ++hiddenChanges; };
    hidden->SetParent(form.get());
    hidden->HandleNeeded();
    auto grab = [&](const char* name) {
        const QImage shot = platform::windowWidget(form->Handle())->grab().toImage();
        shot.save(QString::fromStdString(shotDir() + "/" + name));
    };
    auto memoText = [&]() -> String {
        auto* memo = dynamic_cast<TCustomMemo*>(viewer->ViewControl());
        if (!memo) return "(no memo)";
        String t = memo->Text();
        while (!t.empty() && (t.back() == '\n' || t.back() == '\r')) t.pop_back();
        return t;
    };

    {
        changes = hiddenChanges = 0;
        XClip text("", "Text from another program");
        ASSERT_TRUE(waitFor([&] { return memoText() == "Text from another program"; })) << memoText();
        EXPECT_GE(changes, 1);
        EXPECT_GE(hiddenChanges, 1);
        EXPECT_EQ(viewer->GetDrawFormat(), cvText);
        grab("clipview-text.png");
    }
    {
        QImage picture(64, 48, QImage::Format_RGB32);
        picture.fill(QColor(30, 140, 220));
        for (int x = 0; x < 64; ++x) picture.setPixelColor(x, x * 48 / 64, Qt::yellow);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "PNG");
        changes = 0;
        XClip image("image/png", png);
        ASSERT_TRUE(waitFor([&] { return dynamic_cast<TImage*>(viewer->ViewControl()) != nullptr; }));
        EXPECT_GE(changes, 1);
        EXPECT_EQ(viewer->GetDrawFormat(), cvBitmap);
        EXPECT_EQ(static_cast<TImage*>(viewer->ViewControl())->Picture()->Width(), 64);
        grab("clipview-picture.png");
    }
    const QString paletteType = QString::fromStdString(platform::clipboardMimeType(CF_PALETTE));
    {
        changes = hiddenChanges = 0;
        XClip palette(paletteType, paletteBlock(24, 24));
        ASSERT_TRUE(waitFor([&] { return dynamic_cast<TPaletteGrid*>(viewer->ViewControl()) != nullptr; }));
        EXPECT_GE(hiddenChanges, 1);
        auto* grid = static_cast<TPaletteGrid*>(viewer->ViewControl());
        EXPECT_EQ(grid->EntryCount(), 24);
        EXPECT_EQ(grid->EntryColor(2), RGB(24, 184, 10));
        auto* hiddenGrid = dynamic_cast<TPaletteGrid*>(hidden->ViewControl());
        ASSERT_TRUE(hiddenGrid);
        EXPECT_EQ(hiddenGrid->ColCount(), 1);
        grab("clipview-palette.png");
    }
    {
        // A palette block that announces more entries than it holds.
        // The old owner giving up the clipboard may be seen first (an empty clipboard): wait
        // for the damaged block itself.
        changes = 0;
        XClip damaged(paletteType, paletteBlock(3, 200));
        const auto damagedShown = [&] {
            if (auto* grid = dynamic_cast<TPaletteGrid*>(viewer->ViewControl())) return grid->EntryCount() == 0;
            return memoText() == "Cannot display. Data in Clipboard is in an unknown format.";
        };
        ASSERT_TRUE(waitFor(damagedShown)) << memoText();
        EXPECT_GE(changes, 1);
    }
    form.reset();
    EXPECT_EQ(GetClipboardViewer(), nullptr);
}
