// Every operation on a photograph (the shipped start picture, scaled down), 24-bit and
// 256-colour, with a selection that
// touches the picture's edges: what lies outside the selection stays, and the results add
// up as a user would see them. With TESSELLON_SHOTS set, each result is also written there
// as a PNG, with one contact sheet of all of them.
#include "editor/ColourAdjust.h"
#include "editor/DocumentOps.h"
#include "editor/EditorOps.h"
#include "editor/Effects.h"
#include "editor/Geometry.h"
#include "editor/PaletteFiles.h"
#include "editor/tests/OpsTestSupport.h"

#include "platform/msgbox.h"
#include "poster/ColourDepth.h"
#include "poster/Resample.h"
#include "testsupport/TestSupport.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

using namespace opstest2;

namespace {

constexpr int W = 240, H = 170;

UniqueDib photo() {
    UniqueDib file;
    OpenDib(file.out(), TESSELLON_SOURCE_DIR "/app/poster.stb", PW_JIF, nullptr);
    if (!file) return UniqueDib();
    return ResizeDib(file.get(), W, H, false);
}

QImage toImage(const TDib& d) {
    QImage image(DibWidth(d), DibHeight(d), QImage::Format_RGB32);
    const bool pal = DibColorCount(d) <= 256;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int v = getpixel(d, x, y);
            if (pal) {
                const PALETTEENTRY& e = d.Palette.palPalEntry[v];
                image.setPixel(x, y, qRgb(e.peRed, e.peGreen, e.peBlue));
            } else {
                image.setPixel(x, y, qRgb(red(v), green(v), blue(v)));
            }
        }
    return image;
}

// Collects the results for the contact sheet.
class Shots {
public:
    Shots() : folder_(testsupport::env("TESSELLON_SHOTS")) {}
    ~Shots() {
        if (folder_.empty() || images_.empty()) return;
        const int cols = 6, cell = 176;
        QImage sheet(cols * cell, (static_cast<int>(images_.size()) + cols - 1) / cols * (cell + 14), QImage::Format_RGB32);
        sheet.fill(Qt::white);
        QPainter p(&sheet);
        for (std::size_t i = 0; i < images_.size(); ++i) {
            const int cx = static_cast<int>(i) % cols * cell, cy = static_cast<int>(i) / cols * (cell + 14);
            p.drawImage(QPoint(cx + 4, cy + 4), images_[i].second.scaled(cell - 8, cell - 8, Qt::KeepAspectRatio));
            p.drawText(cx + 4, cy + cell + 8, QString::fromStdString(images_[i].first));
        }
        p.end();
        sheet.save(QString::fromStdString(folder_ + "/" + sheetName_ + ".png"));
    }
    void sheet(const std::string& name) { sheetName_ = name; }
    // Each result is saved as a BMP file by the raster library and read back unchanged.
    void add(const std::string& name, const TDib& d) {
        const std::string bmp = (folder_.empty() ? scratch_.path() : folder_) + "/" + name + ".bmp";
        EXPECT_TRUE(SaveDib(d, bmp.c_str(), PW_BMP, nullptr)) << name;
        UniqueDib back;
        OpenDib(back.out(), bmp.c_str(), PW_BMP, nullptr);
        EXPECT_TRUE(back && toImage(back.get()) == toImage(d)) << name << ": the BMP file holds the result";
        if (folder_.empty()) return;
        const QImage image = toImage(d);
        image.save(QString::fromStdString(folder_ + "/" + name + ".png"));
        images_.emplace_back(name, image);
    }

private:
    testsupport::TempDir scratch_;
    std::string folder_, sheetName_ = "sheet";
    std::vector<std::pair<std::string, QImage>> images_;
};

// The selection: an ellipse that runs off the left and top edges.
bool inEllipse(int x, int y) {
    const double dx = (x - 0.2 * W) / (0.55 * W), dy = (y - 0.15 * H) / (0.6 * H);
    return dx * dx + dy * dy <= 1.0;
}

void expectOutsideKept(const TDib& result, const TDib& original) {
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            if (!inEllipse(x, y)) {
                ASSERT_EQ(getpixel(result, x, y), getpixel(original, x, y)) << x << "," << y;
            }
}

int changedInside(const TDib& result, const TDib& original) {
    int n = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) n += inEllipse(x, y) && getpixel(result, x, y) != getpixel(original, x, y);
    return n;
}

}  // namespace

TEST(EditorPhoto, ColourAdjustmentsOnAPhotographWithASelection) {
    Shots shots;
    shots.sheet("colour");
    const UniqueDib original = photo();
    ASSERT_TRUE(original);
    shots.add("photo", original.get());
    const std::vector<std::pair<const char*, std::function<void(UniqueDib&, const TDib*)>>> ops = {
        {"invert", [](UniqueDib& d, const TDib* m) { DibInvert(d, m); }},
        {"saturation", [](UniqueDib& d, const TDib* m) { Saettigung(d, 60, m); }},
        {"highmidshadow", [](UniqueDib& d, const TDib* m) { HighMidShadow(d, 200, 150, 40, m); }},
        {"rgb", [](UniqueDib& d, const TDib* m) { RedGreenBlue(d, 40, -30, -60, m); }},
        {"colorize", [](UniqueDib& d, const TDib* m) { Colorize(d, 30, 180, m); }},
        {"gamma", [](UniqueDib& d, const TDib* m) { Gamma(d, 1.8, m); }},
        {"grey", [](UniqueDib& d, const TDib* m) { DibGrayscale(d, m); }},
        {"histogram", [](UniqueDib& d, const TDib* m) { StretchHistogramm(d, m); }},
        {"poster", [](UniqueDib& d, const TDib* m) { DibPoster(d, 5, m); }},
        {"solar", [](UniqueDib& d, const TDib* m) { DibSolar(d, 160, m); }},
    };
    for (const auto& [name, op] : ops) {
        OpsDoc d(edtest::copyOf(original.get()));
        d.select(inEllipse);
        op(d.doc.Dib, editor::ActiveMask(d.doc));
        expectOutsideKept(d.doc.Dib.get(), original.get());
        EXPECT_GT(changedInside(d.doc.Dib.get(), original.get()), 1000) << name;
        shots.add(std::string(name), d.doc.Dib.get());
        // A 256-colour copy changes its palette only, for the whole picture.
        UniqueDib eight = DepthDownTo(original.get(), 8, TColourReduction{});
        ASSERT_TRUE(eight);
        const std::vector<BYTE> pixels = allBytes(eight.get());
        op(eight, editor::ActiveMask(d.doc));
        EXPECT_EQ(pixels, allBytes(eight.get())) << name;
        shots.add(std::string(name) + "-256", eight.get());
    }
}

TEST(EditorPhoto, GeometryOnAPhotograph) {
    Shots shots;
    shots.sheet("geometry");
    const UniqueDib original = photo();
    ASSERT_TRUE(original);
    UniqueDib r30 = DibRotxxx(original.get(), 0, rgb(255, 255, 255), 30.0);
    ASSERT_TRUE(r30);
    EXPECT_EQ(DibWidth(r30.get()), 292);  // corners at round(+-120 cos 30 -+ 85 sin 30)
    EXPECT_EQ(DibHeight(r30.get()), 268);
    shots.add("rotate30", r30.get());
    UniqueDib r90 = DibRotxxx(original.get(), 1, rgb(255, 255, 255), 90.0);
    ASSERT_TRUE(r90);
    EXPECT_EQ(DibWidth(r90.get()), H);
    EXPECT_EQ(DibHeight(r90.get()), W);
    shots.add("rotate90", r90.get());
    UniqueDib borders = AddBorders(original.get(), 10, 20, 30, 5, rgb(40, 40, 160));
    ASSERT_TRUE(borders);
    EXPECT_EQ(getpixel(borders.get(), 30, 10), getpixel(original.get(), 0, 0));
    shots.add("borders", borders.get());
    UniqueDib canvas = NewCanvas(original.get(), 200, 100, rgb(250, 250, 0), -40, 10);
    ASSERT_TRUE(canvas);
    EXPECT_EQ(getpixel(canvas.get(), 0, 10), getpixel(original.get(), 40, 0));
    shots.add("canvas", canvas.get());
    struct Case {
        const char* name;
        std::function<void(TChildDocument&, const TDib&)> op;
    };
    const std::vector<Case> cases = {
        {"perspective", [](TChildDocument& d, const TDib& b) { editorops::Perspektive(d, b, 50, true, true); }},
        {"perspective-v", [](TChildDocument& d, const TDib& b) { editorops::Perspektive(d, b, -50, true, false); }},
        {"skew", [](TChildDocument& d, const TDib& b) { editorops::Perspektive(d, b, 30, false, true); }},
        {"bulge", [](TChildDocument& d, const TDib& b) { editorops::Woelben(d, b, true, true, 1.6); }},
    };
    for (const Case& c : cases) {
        OpsDoc d(edtest::copyOf(original.get()));
        d.doc.Color2 = rgb(255, 255, 255);
        c.op(d.doc, original.get());
        EXPECT_GT(changedInside(d.doc.Dib.get(), original.get()), 500) << c.name;
        shots.add(c.name, d.doc.Dib.get());
    }
}

TEST(EditorPhoto, EffectsOnAPhotographWithASelection) {
    Shots shots;
    shots.sheet("effects");
    const UniqueDib original = photo();
    ASSERT_TRUE(original);
    struct Case {
        const char* name;
        std::function<void(TChildDocument&)> op;
        bool insideOnly;
    };
    const std::vector<Case> cases = {
        {"shadow", [](TChildDocument& d) { editorops::DrawShadow(d, 12, 10, rgb(20, 20, 20), 40, 30); }, false},
        {"button", [](TChildDocument& d) { editorops::Buttonize(d, 12, 20, rgb(200, 200, 255), false); }, true},
        {"mosaic", [](TChildDocument& d) { editorops::MosaikEffekt(d, 8, 6); }, true},
        {"erode", [](TChildDocument& d) { editorops::DibErodeFilter(d); }, true},
        {"dilate", [](TChildDocument& d) { editorops::DibDilateFilter(d); }, true},
        {"noise", [](TChildDocument& d) { editorops::AddNoise(d, 60, 50); }, true},
        {"denoise", [](TChildDocument& d) { editorops::DelNoise(d, 6); }, true},
    };
    for (const Case& c : cases) {
        OpsDoc d(edtest::copyOf(original.get()));
        d.select(inEllipse);
        c.op(d.doc);
        if (c.insideOnly) expectOutsideKept(d.doc.Dib.get(), original.get());
        EXPECT_TRUE(d.window.Boxes.empty()) << c.name;
        shots.add(c.name, d.doc.Dib.get());
    }
}

TEST(EditorPhoto, PalettesOfAPhotograph) {
    Shots shots;
    shots.sheet("palettes");
    testsupport::TempDir dir;
    const UniqueDib original = photo();
    ASSERT_TRUE(original);
    OpsDoc d(DepthDownTo(original.get(), 8, TColourReduction{}));
    ASSERT_TRUE(editorops::savepal(d.doc, dir.file("photo.pal")));
    const std::vector<unsigned char> file = testsupport::readFile(dir.file("photo.pal"));
    const std::vector<BYTE> pixels = allBytes(d.doc.Dib.get());
    ASSERT_TRUE(editorops::loadpal(d.doc, dir.file("photo.pal")));
    EXPECT_EQ(pixels, allBytes(d.doc.Dib.get()));
    ASSERT_TRUE(editorops::savepal(d.doc, dir.file("again.pal")));
    EXPECT_EQ(testsupport::readFile(dir.file("again.pal")), file);
    shots.add("256", d.doc.Dib.get());
    // A 16-colour palette into the 24-bit photograph, both ways.
    OpsDoc s(DepthDownTo(original.get(), 4, TColourReduction{}));
    ASSERT_TRUE(editorops::savepal(s.doc, dir.file("16.pal")));
    for (int answer : {IDYES, IDNO}) {
        OpsDoc t(edtest::copyOf(original.get()));
        t.window.Answer = answer;
        ASSERT_TRUE(editorops::loadpal0(t.doc, dir.file("16.pal")));
        EXPECT_EQ(DibBitCount(t.doc.Dib.get()), 4);
        const int n = editorops::CountColors(t.doc);
        EXPECT_GE(n, 2);
        EXPECT_LE(n, 16);
        shots.add(answer == IDYES ? "16-dithered" : "16-nearest", t.doc.Dib.get());
    }
}
