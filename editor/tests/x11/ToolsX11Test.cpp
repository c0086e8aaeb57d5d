// The editor's tools on a virtual display, driven by real pointer events from xdotool: every
// tool on a photograph at 1:1 and 4:1 with strokes along all four edges of the picture,
// each result compared with the same strokes replayed on a document of its own (the
// reference), and the view's pixels on the screen compared with the reference picture; the
// colour panel at every depth with real clicks; the pipette's read-out going idle after three
// seconds; texts aligned three ways through the dialog, and an empty one placing nothing.
// Screenshots go to $TESSELLON_SHOT_DIR.
#include "EditorTestSupport.h"
#include "editor/TextTool.h"
#include "editor/tests/MainWindowFixture.h"
#include "editor/ColourAdjust.h"
#include "poster/ColourDepth.h"
#include "poster/PictureOps.h"
#include "poster/Resample.h"
#include "X11Driver.h"
#include "testsupport/TestSupport.h"

#include <cstring>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScreen>

using namespace edtest;

namespace {

using namespace x11driver;

QStringList at(QPoint g) { return {"mousemove", "--sync", QString::number(g.x()), QString::number(g.y())}; }

// A photograph: the shipped start picture, made small.
UniqueDib photo(int w, int h) {
    UniqueDib file;
    OpenDib(file.out(), TESSELLON_SOURCE_DIR "/app/poster.stb", PW_JIF, nullptr);
    if (!file) return UniqueDib();
    return ResizeDib(file.get(), w, h, false);
}

// The tools' link of the reference document: the same options as the editor window's panel.
class MirrorLink : public TToolLink {
public:
    explicit MirrorLink(TColourPanel& Panel) : FPanel(Panel) {}
    TToolOptions Options() const override { return FPanel.Options(); }
    const TDib* Pattern() const override { return FPanel.Pattern(); }

private:
    TColourPanel& FPanel;
};

constexpr int W = 120, H = 80;

class ToolsX11 : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        create(true);
        ASSERT_TRUE(waitFor([this] { return widgetOf(form)->isVisible(); }));
        xdo({"windowactivate", "--sync", QString::number(widgetOf(form)->winId())});
        pause(300);
        recordEvents();
    }
    TMDIChild& view() const { return *form->MDIChild1; }
    // What the view's paint box hands the document: each event is recorded on its way.
    struct Event {
        int kind;  // 0 down, 1 move, 2 up
        TShiftState shift;
        int x, y;
    };
    std::vector<Event> events;
    void recordEvents() {
        TDocPaintBox* box = view().PaintBox1;
        const TMouseEvent down = box->OnMouseDown, up = box->OnMouseUp;
        const TMouseMoveEvent move = box->OnMouseMove;
        box->OnMouseDown = TMouseEvent([this, down](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
            events.push_back({0, sh, x, y});
            down(s, b, sh, x, y);
        });
        box->OnMouseMove = TMouseMoveEvent([this, move](TObject* s, TShiftState sh, int x, int y) {
            events.push_back({1, sh, x, y});
            move(s, sh, x, y);
        });
        box->OnMouseUp = TMouseEvent([this, up](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
            events.push_back({2, sh, x, y});
            up(s, b, sh, x, y);
        });
    }
    // The screen point of a view (paint-box) point.
    QPoint onView(int x, int y) const { return viewWidget()->mapToGlobal(viewPoint(x, y)); }
    static QPoint global(TControl* c, int x, int y) {
        POINT p{c->Left() + x, c->Top() + y};
        ClientToScreen(c->Parent()->Handle(), &p);
        return QPoint(p.x, p.y);
    }
    void tool(TSpeedItem* item) {
        TSpeedbarButton* b = item->Button();
        xdo(at(global(b, b->Width() / 2, b->Height() / 2)) << "click" << "1");
        ASSERT_TRUE(item->Down());
    }
    // The photograph in the window and in a fresh reference document, both at Zoom:1.
    void start(int zoom) {
        UniqueDib p = photo(W, H);
        ASSERT_TRUE(p);
        ref = std::make_unique<Doc>(copyOf(p.get()));
        form->NewWindow(std::move(p), "photo", 0);
        form->SetZoom(zoom, 1);
        ref->doc.ZoomNum = zoom;
        ref->doc.ZoomDen = 1;
        const SIZE s = ref->doc.ZoomedSize();
        ref->view.Box = SIZE{2000, 2000};
        ref->view.SetPaintBoxSize(s.cx, s.cy);
        mirror = std::make_unique<MirrorLink>(*form->RightSidePanel);
        refTools.SetLink(mirror.get());
        ref->doc.SetPaintTools(&refTools);
        colours(0x000000, 0xFFFFFF);
        pause(150);
    }
    void colours(int c1, int c2) {
        view().setcol1(c1);
        view().setcol2(c2);
        ref->doc.setcol1(c1);
        ref->doc.setcol2(c2);
    }
    void refTool(TEditorTool t) {
        ref->window.Tool = t;
        ref->window.Type = form->RightSidePanel->SelectionType();
        ref->window.Tol = form->RightSidePanel->Tolerance();
    }
    // A stroke through view points with the left button (or a click for one point). The
    // reference document gets the events the view received, which must be the stroke's: the
    // press and release where they were made, every move on the path between its points.
    void stroke(const std::vector<QPoint>& points, TShiftState shift = 0) {
        QStringList cmd;
        if (shift & ssShift) cmd << "keydown" << "shift";
        cmd << at(onView(points[0].x(), points[0].y())) << "mousedown" << "1" << "sleep" << "0.05";
        for (std::size_t i = 1; i < points.size(); ++i)
            cmd << at(onView(points[i].x(), points[i].y())) << "sleep" << "0.04";
        cmd << "mouseup" << "1";
        if (shift & ssShift) cmd << "keyup" << "shift";
        events.clear();
        xdo(cmd);
        auto onPath = [&](int x, int y) {
            for (std::size_t i = 0; i + 1 < points.size(); ++i) {
                const QPoint a = points[i], b = points[i + 1];
                const bool inX = x >= std::min(a.x(), b.x()) && x <= std::max(a.x(), b.x());
                const bool inY = y >= std::min(a.y(), b.y()) && y <= std::max(a.y(), b.y());
                const long long cross = static_cast<long long>(b.x() - a.x()) * (y - a.y()) -
                                        static_cast<long long>(b.y() - a.y()) * (x - a.x());
                if (inX && inY && cross == 0) return true;
            }
            return points.size() == 1 && x == points[0].x() && y == points[0].y();
        };
        int downs = 0, ups = 0;
        TChildDocument& d = ref->doc;
        bool pressed = false;
        for (const Event& e : events) {
            if (e.kind == 0) {
                ++downs;
                pressed = true;
                EXPECT_EQ(QPoint(e.x, e.y), points.front());
                d.PaintBox1MouseDown(mbLeft, e.shift, e.x, e.y);
            } else if (e.kind == 1) {
                if (pressed) {
                    EXPECT_TRUE(onPath(e.x, e.y)) << e.x << "," << e.y;
                }
                d.PaintBox1MouseMove(e.shift, e.x, e.y);
            } else {
                ++ups;
                pressed = false;
                EXPECT_EQ(QPoint(e.x, e.y), points.back());
                d.PaintBox1MouseUp(mbLeft, e.shift, e.x, e.y);
            }
        }
        EXPECT_EQ(downs, 1);
        EXPECT_EQ(ups, 1);
        pause(100);
    }
    // The four strokes: each starts on a corner pixel and runs along an edge to 9 view pixels
    // beyond the next corner, where the button is let go.
    std::vector<std::vector<QPoint>> edgeStrokes(int zoom) const {
        const int c = zoom / 2, r = W * zoom - 1 - zoom / 2, b = H * zoom - 1 - zoom / 2;
        const int R = W * zoom + 8, B = H * zoom + 8;
        auto line = [](QPoint a, QPoint e) {
            return std::vector<QPoint>{a, a + (e - a) / 3, a + (e - a) * 2 / 3, e};
        };
        return {line({c, c}, {R, c}), line({r, c}, {r, B}), line({r, b}, {-9, b}), line({c, b}, {c, -9})};
    }
    void edges(int zoom) {
        for (const auto& s : edgeStrokes(zoom)) stroke(s);
    }
    void expectSame(const char* what) {
        int differ = 0;
        QPoint first(-1, -1);
        const TDib& a = view().Dib.get();
        const TDib& b = ref->doc.Dib.get();
        for (int y = 0; y < DibHeight(a) && y < DibHeight(b); ++y)
            for (int x = 0; x < DibWidth(a) && x < DibWidth(b); ++x)
                if (getpixel(a, x, y) != getpixel(b, x, y) && differ++ == 0) first = QPoint(x, y);
        EXPECT_EQ(differ, 0) << what << ": first at " << first.x() << "," << first.y();
        EXPECT_TRUE(samePixels(view().SelMask.get(), ref->doc.SelMask.get())) << what;
        EXPECT_EQ(view().UndoCount, ref->doc.UndoCount) << what;
    }
    // The view's paint box on the screen against the reference picture (or another) at the zoom.
    void expectScreenShows(int zoom, const char* name, const TDib* picture = nullptr) {
        pause(200);
        const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
        saveShot(shot, name);
        const QPoint origin = onView(0, 0);
        const TDib& d = picture ? *picture : ref->doc.Dib.get();
        int wrong = 0;
        for (int y = 0; y < H * zoom; ++y)
            for (int x = 0; x < W * zoom; ++x) {
                const int v = getpixel(d, x / zoom, y / zoom);
                if (shot.pixel(origin.x() + x, origin.y() + y) != qRgb(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF))
                    ++wrong;
            }
        EXPECT_EQ(wrong, 0) << name;
    }

    std::unique_ptr<Doc> ref;
    std::unique_ptr<MirrorLink> mirror;
    TPaintTools refTools;
};

}  // namespace

TEST_F(ToolsX11, RunsOnARealDisplay) { ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb")); }

TEST_F(ToolsX11, EveryToolAlongTheFourEdgesAtOneToOneAndFourToOne) {
    TColourPanel& p = *form->RightSidePanel;
    for (const int zoom : {1, 4}) {
        SCOPED_TRACE(zoom);
        const std::string z = std::to_string(zoom);
        // Brush, with a round tip of 7 and a square one of 4.
        start(zoom);
        tool(form->BrushBtn);
        refTool(TEditorTool::Brush);
        edges(zoom);
        p.FormBox->SetItemIndex(0);
        p.SizeEdit->SetValue(4);
        colours(0x0000FF, 0xFFFFFF);
        edges(zoom);
        expectSame("brush");
        expectScreenShows(zoom, ("x11-tools-brush-" + z + ".png").c_str());
        p.FormBox->SetItemIndex(1);
        p.SizeEdit->SetValue(7);

        // Line (width 3) and shapes (outlined rectangle, filled ellipse).
        start(zoom);
        tool(form->LineBtn);
        refTool(TEditorTool::Line);
        p.BreitEdit->SetValue(3);
        edges(zoom);
        expectSame("line");
        tool(form->ShapeBtn);
        refTool(TEditorTool::Shape);
        colours(0x00C000, 0xFFFFFF);
        p.TypBox->SetItemIndex(0);
        p.StilBox->SetItemIndex(0);
        refTool(TEditorTool::Shape);
        edges(zoom);
        p.TypBox->SetItemIndex(2);
        p.StilBox->SetItemIndex(1);
        refTool(TEditorTool::Shape);
        stroke({{zoom / 2, zoom / 2}, {W * zoom / 2, H * zoom / 2}, {W * zoom + 8, H * zoom + 8}});
        expectSame("line and shapes");
        expectScreenShows(zoom, ("x11-tools-lines-shapes-" + z + ".png").c_str());
        p.BreitEdit->SetValue(1);
        p.StilBox->SetItemIndex(0);
        p.TypBox->SetItemIndex(0);

        // Colour replacer: the corner's colour, tolerance 60.
        start(zoom);
        tool(form->ReplaceBtn);
        refTool(TEditorTool::Replace);
        p.TolEdit->SetValue(60);
        refTool(TEditorTool::Replace);
        colours(0xFF00FF, view().Dib.get().Bits ? getpixel(view().Dib.get(), 0, 0) : 0);
        edges(zoom);
        expectSame("replace");
        p.TolEdit->SetValue(25);

        // Clone brush: the source set with Shift in the middle, aligned strokes.
        start(zoom);
        tool(form->CloneBtn);
        refTool(TEditorTool::Clone);
        stroke({{W * zoom / 2, H * zoom / 2}}, ssShift);
        edges(zoom);
        expectSame("clone");
        expectScreenShows(zoom, ("x11-tools-clone-" + z + ".png").c_str());

        // Fill: uniform at a corner, then a gradient at the opposite one.
        start(zoom);
        tool(form->FillBtn);
        refTool(TEditorTool::Fill);
        stroke({{zoom / 2, zoom / 2}});
        p.FillStyleBox->SetItemIndex(2);
        colours(0xFF0000, 0x00FFFF);
        stroke({{W * zoom - 1, H * zoom - 1}});
        expectSame("fill");
        expectScreenShows(zoom, ("x11-tools-fill-" + z + ".png").c_str());
        p.FillStyleBox->SetItemIndex(0);

        // Pipette at the four corners: colour 1 is the corner's pixel.
        start(zoom);
        tool(form->DropBtn);
        for (const QPoint c : {QPoint(0, 0), QPoint(W - 1, 0), QPoint(W - 1, H - 1), QPoint(0, H - 1)}) {
            xdo(at(onView(c.x() * zoom + zoom / 2, c.y() * zoom + zoom / 2)) << "click" << "1");
            EXPECT_EQ(view().Color1, getpixel(view().Dib.get(), c.x(), c.y()));
        }
        EXPECT_EQ(view().UndoCount, 0);

        // Retouch: each mode along the edges; lighten and darken only go their way, and
        // nothing changes away from the edges.
        for (int mode = 0; mode < 4; ++mode) {
            start(zoom);
            tool(form->RetouchBtn);
            p.RetouchBox->SetItemIndex(mode);
            const UniqueDib before = copyOf(view().Dib.get());
            for (const auto& s : edgeStrokes(zoom)) {
                QStringList cmd;
                cmd << at(onView(s[0].x(), s[0].y())) << "mousedown" << "1";
                for (std::size_t i = 1; i < s.size(); ++i) cmd << "sleep" << "0.04" << at(onView(s[i].x(), s[i].y()));
                cmd << "mouseup" << "1";
                xdo(cmd);
            }
            EXPECT_EQ(view().UndoCount, 3) << mode;
            int changed = 0;
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W; ++x) {
                    const int a = getpixel(before.get(), x, y), b = getpixel(view().Dib.get(), x, y);
                    const bool nearEdge = x < 5 || y < 5 || x >= W - 5 || y >= H - 5;
                    if (!nearEdge) {
                        ASSERT_EQ(a, b) << mode << " " << x << "," << y;
                    }
                    changed += a != b;
                    for (int shift = 0; shift < 24 && mode < 2; shift += 8) {
                        const int ca = (a >> shift) & 0xFF, cb = (b >> shift) & 0xFF;
                        if (mode == 0) {
                            ASSERT_GE(cb, ca);
                        } else {
                            ASSERT_LE(cb, ca);
                        }
                    }
                }
            EXPECT_GT(changed, 100) << mode;
        }
        p.RetouchBox->SetItemIndex(0);
        expectScreenShows(zoom, ("x11-tools-retouch-" + z + ".png").c_str(), &view().Dib.get());

        // Selections: a rectangle from a corner to beyond the opposite one, the wand at a
        // corner, a free selection around the edges.
        start(zoom);
        tool(form->SelectBtn);
        refTool(TEditorTool::Select);
        stroke({{zoom / 2, zoom / 2}, {W * zoom / 3, H * zoom / 3}, {W * zoom + 8, H * zoom + 8}});
        expectSame("select");
        EXPECT_EQ(ref->selectedCount(), W * H);
        form->Nichtauswhlen1Click(form);
        form->Clipboard.SelectNone(ref->doc);
        tool(form->MagicBtn);
        refTool(TEditorTool::MagicWand);
        stroke({{W * zoom - 1, H * zoom - 1}});
        expectSame("wand");
        EXPECT_GT(ref->selectedCount(), 0);
        form->Nichtauswhlen1Click(form);
        form->Clipboard.SelectNone(ref->doc);
        tool(form->FreeSelBtn);
        refTool(TEditorTool::FreeSelect);
        const int c = zoom / 2, r = W * zoom - 1, b = H * zoom - 1;
        stroke({{c, c}, {r / 2, c}, {r, c}, {r, b / 2}, {r, b}, {r / 2, b}, {c, b}, {c, b / 2}});
        EXPECT_TRUE(view().SelActive);
        EXPECT_GT(ref->selectedCount(), W * H / 2);
        expectSame("free selection");

        // Hand and zoom leave the picture alone.
        start(zoom);
        tool(form->HandBtn);
        refTool(TEditorTool::Hand);
        edges(zoom);
        EXPECT_EQ(view().UndoCount, 0);
        tool(form->ZoomBtn);
        xdo(at(onView(zoom / 2, zoom / 2)) << "click" << "1");
        EXPECT_EQ(view().ZoomNum, zoom + 1);
        xdo(at(onView(0, 0)) << "click" << "3");
        EXPECT_EQ(view().ZoomNum, zoom);
        EXPECT_TRUE(samePixels(view().Dib.get(), ref->doc.Dib.get()));
    }
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(ToolsX11, ATextPlacedOverTheCornerKeepsToThePicture) {
    for (const int zoom : {1, 4}) {
        start(zoom);
        tool(form->TxtBtn);
        whenShown([this] {
            pause(200);
            auto* d = dynamic_cast<TAddTextForm*>(Screen->ActiveForm());
            ASSERT_NE(d, nullptr);
            d->TxtMemo->Lines()->Clear();
            d->TxtMemo->Lines()->Add("Corner");
            d->TxtMemo->Lines()->Add("text");
            xdo(at(global(d->OkBtn, 10, 10)) << "click" << "1");
        });
        xdo(at(onView(10, 10)) << "click" << "1");
        ASSERT_TRUE(waitFor([&] { return static_cast<bool>(view().FloatDib); }));
        // Placed so that most of it lies beyond the bottom right corner.
        xdo(at(onView(W * zoom - 6 * zoom, H * zoom - 6 * zoom)));
        xdo(at(onView(W * zoom - 5 * zoom, H * zoom - 5 * zoom)) << "click" << "1");
        EXPECT_EQ(view().ToolState, 0);
        EXPECT_TRUE(view().DragActive);
        saveShot(QGuiApplication::primaryScreen()->grabWindow(0).toImage(),
                 ("x11-tools-text-corner-" + std::to_string(zoom) + ".png").c_str());
        form->Nichtauswhlen1Click(form);
        EXPECT_FALSE(view().FloatDib);
    }
}

TEST_F(ToolsX11, TheColourPanelAtEveryDepthWithRealClicks) {
    struct Case {
        int bits, width, height;
    };
    TColourPanel& p = *form->RightSidePanel;
    for (const Case c : {Case{1, 29, 17}, Case{4, 29, 101}, Case{8, 29, 1541}, Case{24, 52, 96}}) {
        SCOPED_TRACE(c.bits);
        UniqueDib pic = photo(W, H);
        ASSERT_TRUE(pic);
        if (c.bits < 24) pic = DepthDownTo(pic.get(), c.bits, TColourReduction{});
        ASSERT_TRUE(pic);
        ASSERT_EQ(DibBitCount(pic.get()), c.bits);
        form->NewWindow(std::move(pic), "depth", 0);
        pause(200);
        EXPECT_EQ(p.PalPaintBox->Width(), c.width);
        EXPECT_EQ(p.PalPaintBox->Height(), c.height);
        saveShot(widgetOf(form)->grab().toImage(), ("x11-colour-panel-" + std::to_string(c.bits) + ".png").c_str());
        const QPoint origin = global(p.PalPaintBox, 0, 0);
        auto clickBox = [&](int x, int y, int button) {
            const TMouseEvent handler = p.PalPaintBox->OnMouseDown;
            QPoint got(-1, -1);
            p.PalPaintBox->OnMouseDown = TMouseEvent([&](TObject* s, TMouseButton b, TShiftState sh, int X, int Y) {
                got = QPoint(X, Y);
                handler(s, b, sh, X, Y);
            });
            xdo(at(origin + QPoint(x, y)) << "click" << QString::number(button));
            p.PalPaintBox->OnMouseDown = handler;
            EXPECT_EQ(got, QPoint(x, y));
        };
        view().setcol1(c.bits == 24 ? 0x123456 : 1);
        if (c.bits == 24) {
            // Hue 0, lightness 0: black as the colour field's formula makes it, (2, 0, 0).
            clickBox(2, 0, 1);
            EXPECT_EQ(view().Color1, 0x000002);
            clickBox(48, 40, 3);
            int r = 0, g = 0, b = 0;
            HSLToRGB(40 * 255 / 95, 255, 46 * 255 / 47, r, g, b);
            EXPECT_EQ(view().Color2, r | g << 8 | b << 16);
        } else {
            clickBox(7, 7, 1);  // cell 0
            EXPECT_EQ(view().Color1, 0);
            clickBox(20, 7, 3);  // cell 1, right button
            EXPECT_EQ(view().Color2, 1);
            clickBox(16, 10, 1);  // the gap between the two cells
            EXPECT_EQ(view().Color1, 0);
            if (c.bits >= 4) {
                clickBox(20, 33, 1);  // row 2, right column: cell 5
                EXPECT_EQ(view().Color1, 5);
                clickBox(10, 28, 1);  // the gap between two rows
                EXPECT_EQ(view().Color1, 5);
            }
        }
    }
}

TEST_F(ToolsX11, ThePipettesReadOutGoesIdleThreeSecondsAfterTheFirstHover) {
    start(1);
    TColourPanel& p = *form->RightSidePanel;
    tool(form->DropBtn);
    ASSERT_EQ(p.RedLabel->Caption(), "R --");
    QElapsedTimer clock;
    xdo(at(onView(10, 10)));
    clock.start();
    const int v = getpixel(view().Dib.get(), 10, 10);
    EXPECT_EQ(p.RedLabel->Caption(), "R " + std::to_string(v & 0xFF));
    EXPECT_EQ(p.IndexLabel->Caption(), "I --");
    EXPECT_TRUE(p.AColShape->Visible());
    // Hovering again later does not start the three seconds anew.
    waitFor([&] { return clock.elapsed() >= 1500; });
    xdo(at(onView(30, 20)));
    waitFor([&] { return clock.elapsed() >= 2400; });
    if (clock.elapsed() < 2900) {
        EXPECT_NE(p.RedLabel->Caption(), "R --");
    }
    EXPECT_TRUE(waitFor([&] { return p.RedLabel->Caption() == "R --"; }, 4000));
    EXPECT_LT(clock.elapsed(), 3900);
    EXPECT_GE(clock.elapsed(), 2900);
    EXPECT_EQ(p.IndexLabel->Caption(), "I --");
    EXPECT_FALSE(p.AColShape->Visible());
}

TEST_F(ToolsX11, ThreeLineTextsLeftCentredAndRightAndAnEmptyOne) {
    UniqueDib white = picops::newPicture(420, 260, 24, nullptr, 0);
    std::memset(white.get().Bits, 255, white.get().Info->bmiHeader.biSizeImage);
    form->NewWindow(std::move(white), "texts", 0);
    view().setcol1(0x0000C0);
    pause(200);
    tool(form->TxtBtn);
    struct Placed {
        POINT home;
        int w, h;
    };
    std::vector<Placed> placed;
    const std::vector<TRadioButton* TAddTextForm::*> aligns = {&TAddTextForm::Leftb, &TAddTextForm::Zentr,
                                                                &TAddTextForm::Rightb};
    for (int i = 0; i < 3; ++i) {
        whenShown([this, i, &aligns] {
            pause(200);
            auto* d = dynamic_cast<TAddTextForm*>(Screen->ActiveForm());
            ASSERT_NE(d, nullptr);
            d->FontDialog1->Font()->SetName("DejaVu Sans");
            d->FontDialog1->Font()->SetSize(14);
            d->FontDialog1->Font()->SetStyle(0);
            // The lines typed into the memo, the alignment clicked.
            auto* memo = widgetOf(d->TxtMemo)->findChild<QPlainTextEdit*>();
            QWidget* target = memo ? static_cast<QWidget*>(memo) : widgetOf(d->TxtMemo);
            xdo(at(target->mapToGlobal(target->rect().center())) << "click" << "1" << "key" << "ctrl+a"
                                                                  << "key" << "BackSpace");
            xdo({"type", "--delay", "20", "Mill\rtill and hill\rhill"});
            TRadioButton* r = d->*aligns[i];
            xdo(at(global(r, 8, r->Height() / 2)) << "click" << "1");
            EXPECT_TRUE(r->Checked());
            saveShot(widgetOf(d)->grab().toImage(), ("x11-text-dialog-" + std::to_string(i) + ".png").c_str());
            xdo(at(global(d->OkBtn, 10, 10)) << "click" << "1");
        });
        xdo(at(onView(20, 20 + i * 80)) << "click" << "1");
        ASSERT_TRUE(waitFor([&] { return static_cast<bool>(view().FloatDib); }));
        xdo(at(onView(21, 21 + i * 80)));
        xdo(at(onView(20, 20 + i * 80)) << "click" << "1");
        ASSERT_EQ(view().ToolState, 0);
        placed.push_back({view().FloatHome, DibWidth(view().FloatDib.get()), DibHeight(view().FloatDib.get())});
        form->Nichtauswhlen1Click(form);
    }
    pause(300);
    saveShot(QGuiApplication::primaryScreen()->grabWindow(0).toImage(), "x11-text-three-alignments.png");
    // Ink in colour 1 only; each line's first and last ink column, per text.
    const TDib& d = view().Dib.get();
    for (int i = 0; i < 3; ++i) {
        const Placed& t = placed[i];
        ASSERT_EQ(t.h % 3, 0);
        const int lh = t.h / 3;
        std::vector<int> first, last;
        for (int line = 0; line < 3; ++line) {
            int f = -1, l = -1;
            for (int x = 0; x < t.w; ++x)
                for (int y = line * lh; y < (line + 1) * lh; ++y) {
                    const int v = getpixel(d, t.home.x + x, t.home.y + y);
                    ASSERT_TRUE(v == 0xFFFFFF || v == 0x0000C0) << std::hex << v;
                    if (v == 0x0000C0) {
                        if (f < 0) f = x;
                        l = x;
                    }
                }
            first.push_back(f);
            last.push_back(l);
        }
        SCOPED_TRACE(i);
        if (i == 0) {
            EXPECT_EQ(first[0], first[2]);  // "Mill" and "hill" start in one column
            EXPECT_LT(first[1], 3);
        } else if (i == 2) {
            EXPECT_EQ(last[0], last[1]);  // every line ends in an "l": one column
            EXPECT_EQ(last[1], last[2]);
            EXPECT_GT(last[0], t.w - 4);
        } else {
            EXPECT_GT(first[0], first[1] + 10);
            EXPECT_LT(last[0], last[1] - 10);
        }
    }
    // OK with an empty memo places nothing and says nothing.
    const UniqueDib before = copyOf(view().Dib.get());
    const int undo = view().UndoCount;
    whenShown([this] {
        pause(200);
        auto* dlg = dynamic_cast<TAddTextForm*>(Screen->ActiveForm());
        ASSERT_NE(dlg, nullptr);
        auto* memo = widgetOf(dlg->TxtMemo)->findChild<QPlainTextEdit*>();
        QWidget* target = memo ? static_cast<QWidget*>(memo) : widgetOf(dlg->TxtMemo);
        xdo(at(target->mapToGlobal(target->rect().center())) << "click" << "1" << "key" << "ctrl+a" << "key"
                                                              << "BackSpace");
        EXPECT_EQ(dlg->TxtMemo->Lines()->Count(), 0);
        xdo(at(global(dlg->OkBtn, 10, 10)) << "click" << "1");
    });
    xdo(at(onView(300, 200)) << "click" << "1");
    waitFor([] { return Application->ModalLevel == 0; });
    pause(200);
    EXPECT_FALSE(view().FloatDib);
    EXPECT_EQ(view().ToolState, 0);
    EXPECT_EQ(view().UndoCount, undo);
    EXPECT_TRUE(samePixels(view().Dib.get(), before.get()));
    EXPECT_TRUE(boxes.shown().empty());
}
