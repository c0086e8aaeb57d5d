// Icons and animated cursors made by independent tools: icotool's icon and cursor files,
// and animated cursors built from the frames of a Linux cursor theme.
#include "kit/AniFile.h"
#include "kit/IcoList.h"
#include "kit/KitGIF.h"
#include "KitTestSupport.h"
#include "testsupport/TestSupport.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>

using testsupport::TempDir;

// A component that keeps an icon list in layouts.
class TIconHolder : public TComponent {
    Q_OBJECT
    Q_PROPERTY(TIconList* Icons READ Icons WRITE SetIcons)
public:
    explicit TIconHolder(TComponent* owner) : TComponent(owner) {}
    TIconList* Icons() { return &FIcons; }
    void SetIcons(TIconList* v) { FIcons.Assign(v); }

private:
    TIconList FIcons;
};

using kittest::messageOf;

namespace {

void put32(std::vector<BYTE>& out, DWORD v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<BYTE>(v >> (8 * i)));
}

void chunk(std::vector<BYTE>& out, const char* id, const std::vector<BYTE>& data) {
    out.insert(out.end(), id, id + 4);
    put32(out, static_cast<DWORD>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() & 1) out.push_back(0);
}

std::vector<BYTE> list(const char* type, const std::vector<BYTE>& chunks) {
    std::vector<BYTE> d(type, type + 4);
    d.insert(d.end(), chunks.begin(), chunks.end());
    return d;
}

struct AniParts {
    std::vector<std::vector<BYTE>> icons;
    DWORD frames = 0;        // the header's count (the icons' count when 0)
    DWORD rate = 6;
    std::vector<DWORD> rates;  // one "rate" chunk each
    std::vector<DWORD> sequence;
    DWORD flags = 1;
    std::string title, author;
};

// An animated cursor from cursor file images.
std::vector<BYTE> makeAni(const AniParts& p) {
    std::vector<BYTE> body;
    if (!p.title.empty()) {
        std::vector<BYTE> info;
        std::vector<BYTE> name(p.title.begin(), p.title.end());
        name.push_back(0);
        chunk(info, "INAM", name);
        std::vector<BYTE> art(p.author.begin(), p.author.end());
        art.push_back(0);
        chunk(info, "IART", art);
        chunk(body, "LIST", list("INFO", info));
    }
    std::vector<BYTE> anih;
    const DWORD n = p.frames ? p.frames : static_cast<DWORD>(p.icons.size());
    for (DWORD v : {36u, n, n, 0u, 0u, 0u, 0u, p.rate, p.flags}) put32(anih, v);
    chunk(body, "anih", anih);
    for (DWORD r : p.rates) {
        std::vector<BYTE> d;
        put32(d, r);
        chunk(body, "rate", d);
    }
    for (DWORD s : p.sequence) {
        std::vector<BYTE> d;
        put32(d, s);
        chunk(body, "seq ", d);
    }
    std::vector<BYTE> frames;
    for (const auto& icon : p.icons) chunk(frames, "icon", icon);
    chunk(body, "LIST", list("fram", frames));
    std::vector<BYTE> out = {'R', 'I', 'F', 'F'};
    put32(out, static_cast<DWORD>(body.size() + 4));
    out.insert(out.end(), {'A', 'C', 'O', 'N'});
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

struct CursorFrame {
    QImage image;
    int hotX = 0, hotY = 0, delay = 0;
};

// The frames of one nominal size of an X cursor file.
std::vector<CursorFrame> readXcursor(const std::string& path, int size) {
    const std::vector<unsigned char> d = testsupport::readFile(path);
    std::vector<CursorFrame> out;
    auto u32 = [&](std::size_t at) {
        DWORD v = 0;
        if (at + 4 <= d.size()) std::memcpy(&v, d.data() + at, 4);
        return v;
    };
    if (d.size() < 16 || std::memcmp(d.data(), "Xcur", 4) != 0) return out;
    const DWORD toc = u32(12);
    for (DWORD i = 0; i < toc; ++i) {
        const DWORD type = u32(16 + 12 * i), sub = u32(20 + 12 * i), pos = u32(24 + 12 * i);
        if (type != 0xFFFD0002u || static_cast<int>(sub) != size) continue;
        const int w = static_cast<int>(u32(pos + 16)), h = static_cast<int>(u32(pos + 20));
        if (pos + 36 + std::size_t(w) * h * 4 > d.size()) break;
        QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
        std::memcpy(img.bits(), d.data() + pos + 36, std::size_t(w) * h * 4);
        out.push_back({img.convertToFormat(QImage::Format_ARGB32), static_cast<int>(u32(pos + 24)),
                       static_cast<int>(u32(pos + 28)), static_cast<int>(u32(pos + 32))});
    }
    return out;
}

// A cursor file written by icotool from a PNG.
std::vector<BYTE> icotoolCursor(const TempDir& dir, const CursorFrame& f, int n) {
    const std::string png = dir.file("f" + std::to_string(n) + ".png");
    const std::string cur = dir.file("f" + std::to_string(n) + ".cur");
    if (!f.image.save(QString::fromStdString(png))) return {};
    if (testsupport::runCommand("icotool -c --cursor -X " + std::to_string(f.hotX) + " -Y " + std::to_string(f.hotY) +
                                " -o " + cur + " " + png) != 0)
        return {};
    return testsupport::readFile(cur);
}

QImage pictureOf(TBitmap& b) {
    QImage out(b.Width(), b.Height(), QImage::Format_RGB32);
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) {
            const COLORREF c = static_cast<COLORREF>(b.Canvas()->Pixel(x, y));
            out.setPixel(x, y, qRgb(GetRValue(c), GetGValue(c), GetBValue(c)));
        }
    return out;
}

void loadAni(TAnimatedCursorImage& ani, const std::vector<BYTE>& bytes) {
    TMemoryStream s;
    s.WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
    s.SetPosition(0);
    ani.LoadFromStream(&s);
}

const char* const kTheme = "/usr/share/icons/Adwaita/cursors/watch";

}  // namespace

TEST(Icons, IcotoolIconsLoadAndStreamInLayouts) {
    if (!testsupport::haveProgram("icotool")) GTEST_SKIP() << "icotool (icoutils) makes the icons";
    TempDir dir;
    // Three sizes in one icon file: the 32 x 32 one is shown.
    std::string pngs;
    for (int size : {16, 32, 48}) {
        QImage img(size, size, QImage::Format_ARGB32);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setBrush(size == 32 ? QColor(200, 30, 30) : QColor(30, 30, 200));
        p.setPen(Qt::NoPen);
        p.drawEllipse(0, 0, size, size);
        p.end();
        const std::string png = dir.file("i" + std::to_string(size) + ".png");
        ASSERT_TRUE(img.save(QString::fromStdString(png)));
        pngs += " " + png;
    }
    ASSERT_EQ(testsupport::runCommand("icotool -c -o " + dir.file("three.ico") + pngs), 0);
    TIcon icon;
    icon.LoadFromFile(dir.file("three.ico"));
    EXPECT_EQ(icon.Width(), 32);
    EXPECT_EQ(icon.Height(), 32);
    // Images stored as PNG data.
    ASSERT_EQ(testsupport::runCommand("icotool -c -o " + dir.file("raw.ico") + " -r " + dir.file("i32.png") + " " +
                                      dir.file("i48.png")),
              0);
    TIcon raw;
    raw.LoadFromFile(dir.file("raw.ico"));
    EXPECT_EQ(raw.Width(), 32);
    EXPECT_EQ(raw.Image().pixelColor(16, 16), QColor(200, 30, 30));
    // Drawn over a green bitmap: the disc in red, the corners still green.
    TBitmap b;
    b.SetSize(40, 40);
    b.Canvas()->Brush()->SetColor(clLime);
    b.Canvas()->FillRect(RECT{0, 0, 40, 40});
    b.Canvas()->Draw(4, 4, &icon);
    EXPECT_EQ(static_cast<COLORREF>(b.Canvas()->Pixel(20, 20) & 0xFFFFFF), RGB(200, 30, 30));
    EXPECT_EQ(b.Canvas()->Pixel(5, 5) & 0xFFFFFF, clLime);
    // The list streams its icons' own file images in a layout, null entries too.
    RegisterClass<TIconHolder>();
    TComponent root(nullptr);
    auto* holder = new TIconHolder(&root);
    holder->SetName("Holder");
    holder->Icons()->Add(&icon);
    holder->Icons()->Insert(0, nullptr);
    TIcon small;
    small.LoadFromFile(dir.file("three.ico"));
    holder->Icons()->Add(&small);
    int changes = 0;
    holder->Icons()->OnChange = TNotifyEvent([&](TObject*) { ++changes; });
    holder->Icons()->Exchange(1, 2);
    EXPECT_EQ(changes, 1);
    const String text = WriteComponentText(&root);
    EXPECT_NE(text.find("Icons.Icons"), String::npos) << text;
    TComponent copy(nullptr);
    ReadComponentText(text, &copy);
    auto* back = dynamic_cast<TIconHolder*>(copy.FindComponent("Holder"));
    ASSERT_TRUE(back);
    ASSERT_EQ(back->Icons()->Count(), 3);
    EXPECT_EQ(back->Icons()->Icons(0), nullptr);
    EXPECT_EQ(back->Icons()->Icons(1)->FileImage(), icon.FileImage());
    EXPECT_EQ(back->Icons()->Icons(2)->Width(), 32);
    // A damaged list: a count far beyond the data, an entry beyond the data.
    TIconList l;
    TMemoryStream bad;
    const std::int32_t huge[2] = {0x7FFFFFFF, 0};
    bad.WriteBuffer(huge, 8);
    bad.SetPosition(0);
    EXPECT_EQ(messageOf<EReadError>([&] { l.ReadData(&bad); }), "Stream-Read-Fehler");
    TMemoryStream longEntry;
    const std::int32_t entry[3] = {1, 0x10000000, 0};
    longEntry.WriteBuffer(entry, 12);
    longEntry.SetPosition(0);
    EXPECT_EQ(messageOf<EReadError>([&] { l.ReadData(&longEntry); }), "Stream-Read-Fehler");
    // Icon directories that point outside the file.
    std::vector<BYTE> file = icon.FileImage();
    std::vector<BYTE> wrong = file;
    wrong[4] = 0xFF;  // 255 entries of 16 bytes
    EXPECT_EQ(messageOf<EInvalidGraphic>([&] { TIcon i; i.LoadFromData(wrong.data(), wrong.size()); }), "Icon image is not valid");
    wrong = file;
    wrong[6 + 12] = 0xF0;  // the first image's offset
    wrong[6 + 15] = 0x0F;
    EXPECT_EQ(messageOf<EInvalidGraphic>([&] { TIcon i; i.LoadFromData(wrong.data(), wrong.size()); }), "Icon image is not valid");
}

TEST(AnimatedCursor, ThemeFramesThroughIcotoolReadAndPaintSideBySide) {
    if (!testsupport::haveProgram("icotool")) GTEST_SKIP() << "icotool (icoutils) makes the cursor frames";
    std::vector<CursorFrame> theme = readXcursor(kTheme, 32);
    if (theme.empty()) GTEST_SKIP() << kTheme << " (adwaita-icon-theme) gives the frames";
    TempDir dir;
    AniParts parts;
    std::vector<CursorFrame> used;
    for (std::size_t i = 0; i < theme.size() && used.size() < 10; i += 6) used.push_back(theme[i]);
    for (std::size_t i = 0; i < used.size(); ++i) {
        parts.icons.push_back(icotoolCursor(dir, used[i], static_cast<int>(i)));
        ASSERT_FALSE(parts.icons.back().empty());
    }
    parts.rate = static_cast<DWORD>(used[0].delay * 6 * 60 / 1000);
    parts.rates = {9};
    parts.title = "Adwaita watch";
    parts.author = "GNOME";
    const std::vector<BYTE> ani = makeAni(parts);
    ASSERT_TRUE(testsupport::writeFile(dir.file("watch.ani"), ani));
    TAnimatedCursorImage cursor;
    cursor.LoadFromFile(dir.file("watch.ani"));
    ASSERT_EQ(cursor.Count(), static_cast<int>(used.size()));
    EXPECT_EQ(cursor.Title(), "Adwaita watch");
    EXPECT_EQ(cursor.Author(), "GNOME");
    EXPECT_EQ(cursor.Header().FrameCount, used.size());
    EXPECT_EQ(cursor.SourceColors(), 0);  // 32-bit images
    EXPECT_EQ(cursor.Frames(0)->JiffRate(), 9u);
    EXPECT_EQ(cursor.Frames(1)->JiffRate(), parts.rate);
    for (int i = 0; i < cursor.Count(); ++i) {
        TIconFrame* f = cursor.Frames(i);
        EXPECT_FALSE(f->IsIcon());
        EXPECT_EQ(f->HotSpot().x, used[static_cast<std::size_t>(i)].hotX);
        EXPECT_EQ(f->HotSpot().y, used[static_cast<std::size_t>(i)].hotY);
        EXPECT_EQ(f->Width(), 32);
    }
    // All frames side by side on white: as wide as the frames together.
    TBitmap strip;
    strip.Canvas()->Brush()->SetColor(clWhite);
    strip.Assign(&cursor);
    ASSERT_EQ(strip.Width(), 32 * cursor.Count());
    ASSERT_EQ(strip.Height(), 32);
    const QImage painted = pictureOf(strip);
    // Each slot shows its frame laid over white (icotool keeps alpha above its threshold).
    for (int i = 0; i < cursor.Count(); ++i) {
        QImage expected(32, 32, QImage::Format_RGB32);
        expected.fill(Qt::white);
        QPainter p(&expected);
        p.drawImage(0, 0, cursor.Frames(i)->Icon()->Image());
        p.end();
        int differ = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const QRgb a = painted.pixel(32 * i + x, y), b = expected.pixel(x, y);
                differ += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)) > 6;
            }
        EXPECT_EQ(differ, 0) << "frame " << i;
    }
    const char* shots = std::getenv("TESSELLON_SCREENSHOT_DIR");
    EXPECT_TRUE(painted.scaled(painted.width() * 3, painted.height() * 3)
                    .save(QString::fromStdString(std::string(shots ? shots : "/tmp") + "/tessellon-ani-strip.png")));
    // Stacked, reduced: as tall as the frames together.
    TBitmap stacked;
    cursor.PaintFrames(&stacked, clSilver, true, true);
    EXPECT_EQ(stacked.Height(), 32 * cursor.Count());
    EXPECT_EQ(stacked.Width(), 32);
    // The first frame as an icon, all of them as an icon list and as GIF frames.
    TIcon first;
    first.Assign(&cursor);
    EXPECT_EQ(first.FileImage(), cursor.Frames(0)->Icon()->FileImage());
    TIconList icons;
    icons.Assign(&cursor);
    EXPECT_EQ(icons.Count(), cursor.Count());
    TGIFImage gif;
    gif.Assign(&cursor);
    ASSERT_EQ(gif.Count(), cursor.Count());
    EXPECT_EQ(gif.BackgroundColor(), clWindow);
    EXPECT_EQ(gif.Frames(0)->AnimateInterval(), 9 * 100 / 6);
    EXPECT_EQ(gif.Frames(1)->AnimateInterval(), static_cast<int>(parts.rate * 100 / 6));
    EXPECT_THROW(cursor.SaveToStream(nullptr), ENotImplemented);
}

TEST(AnimatedCursor, HostileFilesAreRefusedOrBounded) {
    // A small cursor of our own making: 2 x 2, 32 bits, the hot spot at (1, 0).
    QImage img(2, 2, QImage::Format_ARGB32);
    img.fill(QColor(10, 20, 30));
    // The entry's planes and bit count words hold the hot spot (1, 8); the image itself
    // is 32-bit, so no colour count comes of the 8.
    std::vector<BYTE> cur = {0, 0, 2, 0, 1, 0, 2, 2, 0, 0, 1, 0, 8, 0};
    const DWORD imageSize = 40 + 2 * 2 * 4 + 2 * 4;
    for (int i = 0; i < 4; ++i) cur.push_back(static_cast<BYTE>(imageSize >> (8 * i)));
    for (int i = 0; i < 4; ++i) cur.push_back(static_cast<BYTE>(22 >> (8 * i)));
    std::vector<BYTE> dib(40, 0);
    dib[0] = 40;
    dib[4] = 2;
    dib[8] = 4;  // twice the height: colour rows and mask rows
    dib[12] = 1;
    dib[14] = 32;
    cur.insert(cur.end(), dib.begin(), dib.end());
    for (int i = 0; i < 4; ++i) cur.insert(cur.end(), {30, 20, 10, 255});
    for (int i = 0; i < 8; ++i) cur.push_back(0);
    AniParts parts;
    parts.icons = {cur, cur};
    TAnimatedCursorImage ani;
    loadAni(ani, makeAni(parts));
    ASSERT_EQ(ani.Count(), 2);
    EXPECT_EQ(ani.Frames(0)->HotSpot().x, 1);
    EXPECT_EQ(ani.Frames(0)->HotSpot().y, 8);
    EXPECT_EQ(ani.SourceColors(), 0);
    EXPECT_FALSE(ani.Frames(0)->IsIcon());
    EXPECT_EQ(ani.Frames(0)->Icon()->Image().pixelColor(0, 0), QColor(10, 20, 30));

    // A frame count of 0x7FFFFFFF: only the frames that have icons are made.
    parts.frames = 0x7FFFFFFF;
    loadAni(ani, makeAni(parts));
    EXPECT_EQ(ani.Count(), 2);
    parts.frames = 0;
    // More "rate" and "seq " chunks than frames: the extras are ignored.
    parts.rates = {1, 2, 3, 4, 5};
    parts.sequence = {1, 0, 7, 7, 7};
    loadAni(ani, makeAni(parts));
    ASSERT_EQ(ani.Count(), 2);
    EXPECT_EQ(ani.Frames(0)->JiffRate(), 1u);
    EXPECT_EQ(ani.Frames(1)->JiffRate(), 2u);
    EXPECT_EQ(ani.Frames(0)->Sequence(), 1);
    parts.rates.clear();
    parts.sequence.clear();

    // Refused: no RIFF, the wrong form, frames not icons, a chunk past the end, a cut file.
    std::vector<BYTE> good = makeAni(parts);
    std::vector<std::vector<BYTE>> bad;
    bad.push_back({'R', 'I', 'F', 'X', 4, 0, 0, 0, 'A', 'C', 'O', 'N'});
    std::vector<BYTE> form = good;
    form[8] = 'W';
    bad.push_back(form);
    AniParts notIcons = parts;
    notIcons.flags = 0;
    bad.push_back(makeAni(notIcons));
    std::vector<BYTE> past = good;
    past[12 + 4] = 0xF0;  // the anih chunk's size
    past[12 + 7] = 0x7F;
    bad.push_back(past);
    bad.push_back(std::vector<BYTE>(good.begin(), good.end() - 30));
    // Icon directories that lie: many entries, an image beyond the chunk.
    AniParts lies = parts;
    lies.icons[0][4] = 0xFF;
    lies.icons[1][4] = 0xFF;
    bad.push_back(makeAni(lies));
    lies = parts;
    for (auto& icon : lies.icons) icon[6 + 8] = 0xFF;  // the image size
    bad.push_back(makeAni(lies));
    for (std::size_t i = 0; i < bad.size(); ++i) {
        EXPECT_EQ(messageOf<EReadError>([&] { loadAni(ani, bad[i]); }), "Stream-Read-Fehler") << "case " << i;
        EXPECT_EQ(ani.Count(), 0) << "case " << i;
    }
    // Every cut of a good file ends in frames or the read error.
    for (std::size_t n = 0; n < good.size(); ++n) {
        std::vector<BYTE> part(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
        try {
            loadAni(ani, part);
            EXPECT_GT(ani.Count(), 0);
        } catch (const EReadError&) {
            EXPECT_EQ(ani.Count(), 0);
        }
    }
    // A bad icon ends the list: the frames before it stay.
    lies = parts;
    lies.icons.push_back(cur);
    lies.icons[1][4] = 0xFF;
    loadAni(ani, makeAni(lies));
    EXPECT_EQ(ani.Count(), 1);
}

#include "AniIconTest.moc"
