// A form with spin edits of each kind, grabbed offscreen and saved under /tmp.
#include "kit/KitSpin.h"

#include <QImage>
#include <QWidget>
#include <cstdlib>
#include <gtest/gtest.h>

TEST(SpinScreenshot, FormWithEachKindTypeAndState) {
    RegisterKitSpin();
    auto* form = new TForm(nullptr);
    form->SetBounds(0, 0, 470, 200);
    form->SetCaption("Spin edits");
    const char* rows[] = {"Integer", "Float", "Hex"};
    const TValueType types[] = {vtInteger, vtFloat, vtHex};
    const long double values[] = {42, 3.14159L, 255};
    const char* cols[] = {"Diagonal", "Diagonal, off", "Standard", "Standard, off"};
    std::vector<TKitSpinEdit*> spins;
    for (int c = 0; c < 4; ++c) {
        auto* l = new TLabel(form);
        l->SetParent(form);
        l->SetBounds(80 + c * 95, 8, 90, 16);
        l->SetCaption(cols[c]);
    }
    for (int r = 0; r < 3; ++r) {
        auto* l = new TLabel(form);
        l->SetParent(form);
        l->SetBounds(8, 34 + r * 34, 70, 16);
        l->SetCaption(rows[r]);
        for (int c = 0; c < 4; ++c) {
            auto* s = new TKitSpinEdit(form);
            s->SetParent(form);
            s->SetButtonKind(c < 2 ? bkDiagonal : bkStandard);
            s->SetValueType(types[r]);
            s->SetValue(values[r]);
            s->SetBounds(80 + c * 95, 30 + r * 34, 88, 24);
            s->SetEnabled(c % 2 == 0);
            spins.push_back(s);
        }
    }
    // A few standard controls beside them.
    auto* caption = new TLabel(form);
    caption->SetParent(form);
    caption->SetBounds(8, 142, 60, 16);
    caption->SetCaption("Name:");
    auto* edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetBounds(80, 138, 120, 24);
    edit->SetText("poster");
    auto* check = new TCheckBox(form);
    check->SetParent(form);
    check->SetBounds(210, 140, 110, 20);
    check->SetCaption("Cut lines");
    check->SetChecked(true);
    auto* ok = new TButton(form);
    ok->SetParent(form);
    ok->SetBounds(340, 137, 88, 26);
    ok->SetCaption("Print");
    ok->SetDefault(true);
    form->Show();
    QWidget* w = platform::windowWidget(form->Handle());
    ASSERT_TRUE(w);
    const QImage shot = w->grab().toImage();
    const char* dir = std::getenv("TESSELLON_SCREENSHOT_DIR");
    const std::string path = std::string(dir ? dir : "/tmp") + "/tessellon-kitspin.png";
    EXPECT_TRUE(shot.save(QString::fromStdString(path)));

    // The diagonal button: frame colour on its diagonal, button face in its halves.
    TKitSpinEdit* first = spins[0];
    POINT o = first->ButtonWindow()->ClientToScreen(POINT{0, 0});
    POINT f = form->ClientToScreen(POINT{0, 0});
    const int bx = o.x - f.x, by = o.y - f.y;
    const int bw = first->Button()->Width(), bh = first->Button()->Height();
    auto sys = [](int index) {
        const COLORREF c = GetSysColor(index);
        return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
    };
    const QColor frame = sys(COLOR_WINDOWFRAME);
    EXPECT_EQ(shot.pixelColor(bx + bw / 2, by + bh - 1 - bw / 2), frame);
    EXPECT_EQ(shot.pixelColor(bx, by + bh / 2), frame);
    EXPECT_EQ(shot.pixelColor(bx + bw / 2, by + 3), sys(COLOR_BTNFACE));
    delete form;
}

