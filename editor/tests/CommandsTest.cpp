// Every command of the editor's Picture, Filter and Colours menus chosen with the mouse on
// a true-colour and on a 256-colour picture: the dialog cancelled (nothing changes, no
// step), then confirmed (the command's step), then undone (the picture exactly as before).
#include "editor/AdjustDialogs.h"
#include "editor/EffectDialogs.h"
#include "editor/GeometryDialogs.h"
#include "editor/PaletteEditor.h"
#include "editor/PaletteFile.h"
#include "editor/UserFilterDialog.h"
#include "editor/UserFilterFile.h"
#include "editor/tests/EditorTestSupport.h"
#include "editor/tests/MainWindowFixture.h"
#include "poster/PictureDialogs.h"

#include <QFile>
#include <QPushButton>

#include <fstream>
#include <set>

using namespace edtest;

namespace {

// Everything of a picture that a command may change.
struct Snapshot {
    int width = 0, height = 0, bits = 0;
    std::vector<BYTE> bytes;
    std::vector<int> palette;
    bool operator==(const Snapshot&) const = default;
};

Snapshot snap(const TDib& d) {
    Snapshot s{DibWidth(d), DibHeight(d), DibBitCount(d), {}, {}};
    if (!d.Bits) return s;
    s.bytes.assign(d.Bits, d.Bits + static_cast<std::size_t>(d.LineBytes) * s.height);
    if (s.bits <= 8)
        for (int i = 0; i < (1 << s.bits); ++i) {
            const PALETTEENTRY& e = d.Palette.palPalEntry[i];
            const RGBQUAD& q = d.Info->bmiColors[i];
            s.palette.push_back(e.peRed | e.peGreen << 8 | e.peBlue << 16);
            s.palette.push_back(q.rgbRed | q.rgbGreen << 8 | q.rgbBlue << 16);
        }
    return s;
}

enum class TKind { Plain, Dialog, OpenPalette, SavePalette, Message };

struct Command {
    std::vector<QString> path;
    TKind kind = TKind::Plain;
    bool on24 = true, on8 = true;  // enabled at that depth
    bool selection = false;        // run with a selection
    std::function<void(TForm*)> tweak = {};
    int steps = 1;                 // undo steps the command adds
    bool changes = true;           // the picture differs afterwards
};

template <class T>
std::function<void(TForm*)> with(std::function<void(T*)> f) {
    return [f](TForm* d) {
        T* t = dynamic_cast<T*>(d);
        ASSERT_NE(t, nullptr) << "a dialog of another class: " << d->ClassName();
        f(t);
    };
}

class Commands : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        // One user filter, "Sharper", and a grey 256-colour palette file.
        TFilterRec f;
        TransposeKernel(EditorFilter(7), f);
        SetUserFilterName(f, "Sharper");
        const std::vector<unsigned char> bytes = StoreUserFilters({f});
        std::ofstream(dir.file("UserFilt.dat"), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        TDibPalette grey{};
        grey.palVersion = 0x0300;
        grey.palNumEntries = 256;
        for (int i = 0; i < 256; ++i) grey.palPalEntry[i] = PALETTEENTRY{BYTE(i), BYTE(i), BYTE(i), 0};
        ASSERT_TRUE(WritePaletteFile(dir.file("grey.pal"), grey));
    }

    // The dialog the window shows now.
    TForm* dialog() const {
        for (int i = form->ComponentCount() - 1; i >= 0; --i)
            if (auto* f = dynamic_cast<TForm*>(form->Components(i)); f && f->Visible()) return f;
        return nullptr;
    }
    static TButton* button(TForm* d, std::initializer_list<const char*> captions) {
        for (int i = 0; i < d->ComponentCount(); ++i)
            if (auto* b = dynamic_cast<TButton*>(d->Components(i)))
                for (const char* c : captions)
                    if (b->Caption() == c && b->Visible()) return b;
        return nullptr;
    }
    // Cancels or confirms the dialog the next menu choice shows, after `tweak`.
    void answerDialog(bool ok, const std::function<void(TForm*)>& tweak, bool& shown) {
        whenShown([this, ok, tweak, &shown] {
            TForm* d = dialog();
            ASSERT_NE(d, nullptr);
            shown = true;
            if (ok && tweak) tweak(d);
            TButton* b = button(d, ok ? std::initializer_list<const char*>{"OK", "Apply"}
                                      : std::initializer_list<const char*>{"&Cancel"});
            ASSERT_NE(b, nullptr);
            QTest::mouseClick(widgetOf(b), Qt::LeftButton, {}, QPoint(b->Width() / 2, b->Height() / 2));
            settle();
        });
    }

    UniqueDib picture(int bits) const {
        return bits == 24 ? makePicture(60, 40, 24, pattern24)
                          : makePicture(60, 40, 8, [](int x, int y) { return (x * 3 + y * 5) % 200 + 20; });
    }

    void runAll(int bits, const std::vector<Command>& commands) {
        TMDIChild& v = *form->MDIChild1;
        std::size_t ran = 0;
        for (const Command& c : commands) {
            const std::string name = c.path.back().toStdString();
            SCOPED_TRACE(name);
            form->NewWindow(picture(bits), "cmd", 0);
            if (c.selection) {
                pressTool(form->SelectBtn);
                drag({8, 6}, {40, 30});
                ASSERT_TRUE(v.SelActive);
            }
            const bool enabled = menuEnabled(c.path);
            ASSERT_EQ(enabled, bits == 24 ? c.on24 : c.on8) << "menu state";
            if (!enabled) continue;
            ++ran;
            const int u0 = v.UndoCount;
            const Snapshot before = snap(v.Dib.get());
            boxes.clear();

            // Cancelled: nothing changes.
            if (c.kind == TKind::Dialog || c.kind == TKind::OpenPalette || c.kind == TKind::SavePalette) {
                bool shown = false;
                if (c.kind == TKind::Dialog) answerDialog(false, {}, shown);
                else answerFile("");
                ASSERT_TRUE(chooseMenu(c.path));
                if (c.kind == TKind::Dialog) {
                    EXPECT_TRUE(shown);
                } else {
                    EXPECT_FALSE(dialogsShown.empty());
                }
                EXPECT_EQ(Application->ModalLevel, 0);
                EXPECT_TRUE(snap(v.Dib.get()) == before) << "cancelled";
                EXPECT_EQ(v.UndoCount, u0) << "cancelled";
                EXPECT_TRUE(boxes.shown().empty());
            }

            // Confirmed: the command's step, the picture changed.
            bool shown = false;
            if (c.kind == TKind::Dialog) answerDialog(true, c.tweak, shown);
            if (c.kind == TKind::OpenPalette) answerFile(dir.file("grey.pal"));
            if (c.kind == TKind::SavePalette) answerFile(dir.file("saved.pal"));
            ASSERT_TRUE(chooseMenu(c.path));
            if (c.kind == TKind::Dialog) {
                EXPECT_TRUE(shown);
            }
            EXPECT_EQ(Application->ModalLevel, 0);
            EXPECT_EQ(v.UndoCount, std::min(3, u0 + c.steps));
            const Snapshot after = snap(v.Dib.get());
            EXPECT_EQ(!(after == before), c.changes) << "changed";
            if (c.kind == TKind::SavePalette) {
                TDibPalette saved{};
                ASSERT_TRUE(ReadPaletteFile(dir.file("saved.pal"), saved));
                EXPECT_EQ(saved.palNumEntries, 256);
                EXPECT_EQ(saved.palPalEntry[100].peRed, v.Dib.get().Palette.palPalEntry[100].peRed);
            }
            if (c.kind == TKind::Message) {
                ASSERT_EQ(boxes.shown().size(), 1u);
                EXPECT_EQ(boxes.captions()[0], "Used colours");
                EXPECT_EQ(boxes.texts()[0].rfind("Used colours: ", 0), 0u) << boxes.texts()[0];
            }
            if (c.kind == TKind::OpenPalette && name == "Open Palette and adapt picture...") {
                // The dithering question, answered with OK: nearest colours.
                ASSERT_FALSE(boxes.texts().empty());
                EXPECT_EQ(boxes.texts()[0], "Do you want to adapt the picture by Floyd Steinberg dithering?");
                EXPECT_EQ(DibBitCount(v.Dib.get()), 8);
            }
            EXPECT_EQ(form->ShowProzent->Position(), 0);
            if (c.steps == 0) continue;

            // Undone: exactly the picture of before.
            ASSERT_TRUE(chooseMenu({"Edit", "Undo"}));
            EXPECT_EQ(v.UndoCount, u0);
            EXPECT_TRUE(snap(v.Dib.get()) == before) << "undone";
            EXPECT_EQ(v.SelActive, c.selection);
        }
        // The commands of the depth all ran.
        std::size_t expected = 0;
        for (const Command& c : commands) expected += (bits == 24 ? c.on24 : c.on8) ? 1 : 0;
        EXPECT_EQ(ran, expected);
    }

    static std::vector<Command> table() {
        auto pic = [](std::initializer_list<const char*> p) {
            std::vector<QString> v;
            for (const char* s : p) v.push_back(QString::fromUtf8(s));
            return v;
        };
        const TKind D = TKind::Dialog;
        std::vector<Command> t = {
            // Picture
            {pic({"Picture", "Mirror"})},
            {pic({"Picture", "Flip"})},
            {pic({"Picture", "Rotate..."}), D, true, true, false,
             with<TRotateForm>([](TRotateForm* f) { f->Grad90Check->SetChecked(true); })},
            {pic({"Picture", "Mirror"}), TKind::Plain, true, true, true},
            {pic({"Picture", "Rotate..."}), D, true, true, true,
             with<TRotateForm>([](TRotateForm* f) { f->Grad180Check->SetChecked(true); })},
            {pic({"Picture", "Modify size..."}), D, true, true, false,
             with<TResizeForm>([](TResizeForm* f) { f->BreitEdit->SetValue(30); })},
            {pic({"Picture", "Add edge..."}), D, true, true, false,
             with<TAddBForm>([](TAddBForm* f) { f->TopEdit->SetValue(4); })},
            {pic({"Picture", "Modify canvas size..."}), D, true, true, false,
             with<TCanvasSForm>([](TCanvasSForm* f) { f->BreitEdit->SetValue(72); })},
            {pic({"Picture", "Reduce to the selection"}), TKind::Plain, true, true, true},
            {pic({"Picture", "Deformations", "Perspective..."}), D, true, false, false,
             with<TPerspForm>([](TPerspForm* f) { f->StarkEd2->SetValue(40); })},
            {pic({"Picture", "Deformations", "Curve..."}), D, true, false, false,
             with<TWoelbenForm>([](TWoelbenForm* f) { f->StarkED2->SetValue(2.0L); })},
            {pic({"Picture", "Effects", "Create pushbutton..."}), D, true, false, true,
             with<TButtonForm>([](TButtonForm* f) { f->BreitEd->SetValue(3); })},
            {pic({"Picture", "Effects", "Add Shadows..."}), D, true, true, true,
             with<TShadowForm>([](TShadowForm* f) {
                 f->HorzEd->SetValue(4);
                 f->VertEd->SetValue(4);
                 f->ColorBox->SetItemIndex(2);
             })},
            // Filter
            {pic({"Filter", "Edge filters", "Emphasize Edges"}), TKind::Plain, true, false},
            {pic({"Filter", "Edge filters", "Find edges"}), TKind::Plain, true, false},
            {pic({"Filter", "Edge filters", "Find edges horizontal"}), TKind::Plain, true, false},
            {pic({"Filter", "Edge filters", "Find edges vertical"}), TKind::Plain, true, false},
            {pic({"Filter", "Edge filters", "Draw outlines"}), TKind::Plain, true, false},
            {pic({"Filter", "Focusing filter", "Soften"}), TKind::Plain, true, false},
            {pic({"Filter", "Focusing filter", "Strongly soften"}), TKind::Plain, true, false},
            {pic({"Filter", "Focusing filter", "Weakly soften"}), TKind::Plain, true, false},
            {pic({"Filter", "Focusing filter", "Sharpnesses"}), TKind::Plain, true, false},
            {pic({"Filter", "Focusing filter", "Strongly sharpen"}), TKind::Plain, true, false},
            {pic({"Filter", "Focusing filter", "Soften"}), TKind::Plain, true, false, true},
            {pic({"Filter", "Disturbances", "Add..."}), D, true, false, false,
             with<TNoiseForm>([](TNoiseForm* f) {
                 f->StarkEd->SetValue(80);
                 f->WahrEd->SetValue(100);
             })},
            {pic({"Filter", "Disturbances", "Remove..."}), D, true, false, false,
             with<TDelNoiseForm>([](TDelNoiseForm* f) { f->GrenzEd->SetValue(5); })},
            {pic({"Filter", "Speciall filters", "Emboss horizontal"}), TKind::Plain, true, false},
            {pic({"Filter", "Speciall filters", "Emboss vertical"}), TKind::Plain, true, false},
            {pic({"Filter", "Speciall filters", "Extend"}), TKind::Plain, true, false},
            {pic({"Filter", "Speciall filters", "Wash"}), TKind::Plain, true, false},
            {pic({"Filter", "Speciall filters", "Mosaic effect..."}), D, true, false, false,
             with<TMosaikForm>([](TMosaikForm* f) {
                 f->BreitEd->SetValue(4);
                 f->HochEd->SetValue(3);
             })},
            {pic({"Filter", "User-defined filters..."}), D, true, false, false,
             with<TUserFilterForm>([](TUserFilterForm* f) {
                 ASSERT_EQ(f->ListBox1->Items()->Count(), 1);
                 f->ListBox1->SetItemIndex(0);
             })},
            // Colours
            {pic({"Colours", "Adapt", "Brightness, contrast and saturation..."}), D, true, true, false,
             with<THKForm>([](THKForm* f) { f->TrackBar1->SetPosition(40); })},
            {pic({"Colours", "Adapt", "Gamma correction..."}), D, true, true, false,
             with<TGammaForm>([](TGammaForm* f) { f->GammaEdit->SetValue(2.5L); })},
            {pic({"Colours", "Adapt", "Gloss light, center, shadow..."}), D, true, true, false,
             with<TLightForm>([](TLightForm* f) { f->TrackBar2->SetPosition(200); })},
            {pic({"Colours", "Adapt", "Red/green/blue..."}), D, true, true, false,
             with<TRGBForm>([](TRGBForm* f) { f->TrackBar1->SetPosition(50); })},
            {pic({"Colours", "Colorize..."}), D, true, true, false,
             with<TColizeForm>([](TColizeForm* f) { f->TrackBar1->SetPosition(60); })},
            {pic({"Colours", "Colorize..."}), D, true, true, true,
             with<TColizeForm>([](TColizeForm* f) { f->TrackBar1->SetPosition(200); })},
            {pic({"Colours", "Gray tones"})},
            {pic({"Colours", "Optimize color distribution"})},
            {pic({"Colours", "Turn colours around"})},
            {pic({"Colours", "Turn colours around"}), TKind::Plain, true, true, true},
            {pic({"Colours", "Limited deep..."}), D, true, true, false,
             with<TPosterFaktor>([](TPosterFaktor* f) { f->PosterEdit->SetValue(2); })},
            {pic({"Colours", "Solarize..."}), D, true, true, false,
             with<TSolarfaktor>([](TSolarfaktor* f) { f->SolarEdit->SetValue(200); })},
            {pic({"Colours", "Reduce number of colors", "2 colours (1 bit)..."}), D},
            {pic({"Colours", "Reduce number of colors", "16 colours (4 bits)..."}), D},
            {pic({"Colours", "Reduce number of colors", "256 colours (8 bits)..."}), D, true, false},
            {pic({"Colours", "Reduce number of colors", "X colours (4 Bit/8 bits)..."}), D, true, true, false,
             with<TFreeDepthForm>([](TFreeDepthForm* f) { f->NumColEd->SetValue(12); })},
            {pic({"Colours", "Enlarge number of colors", "16 million colours (24 bits)"}), TKind::Plain, false, true},
            {pic({"Colours", "Count used colours"}), TKind::Message, true, true, false, {}, 0, false},
            {pic({"Colours", "Count used colours"}), TKind::Message, true, true, true, {}, 0, false},
            {pic({"Colours", "Open Palette and adapt picture..."}), TKind::OpenPalette},
            {pic({"Colours", "Open palette..."}), TKind::OpenPalette, false, true},
            {pic({"Colours", "Save palette..."}), TKind::SavePalette, false, true, false, {}, 0, false},
            {pic({"Colours", "Edit palette..."}), D, false, true, false,
             with<TPaleditForm>([](TPaleditForm* f) { f->Palette.palPalEntry[40] = PALETTEENTRY{1, 2, 3, 0}; })},
        };
        return t;
    }
};

}  // namespace

TEST_F(Commands, EveryCommandOnATrueColourPicture) {
    create();
    runAll(24, table());
}

TEST_F(Commands, EveryCommandOnAPictureOf256Colours) {
    create();
    runAll(8, table());
}
