// The shadowed label drawn and measured with a fixed font: shadow sizes and positions, the
// disabled look, word wrap, right-aligned growth, the accelerator by a real key, mouse
// enter and leave, and a screenshot of the styles.
#include "kit/KitLabel.h"

#include "classlib/Forms.h"

#include <QApplication>
#include <QDir>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

class Labels : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterKitLabel();
        form = new TForm(nullptr);
        form->SetBounds(30, 30, 420, 260);
        form->SetColor(clBtnFace);
    }
    void TearDown() override { delete form; }
    TKitLabel* Add(const String& caption, int x, int y) {
        auto* l = new TKitLabel(form);
        l->SetParent(form);
        l->Font()->SetName("DejaVu Sans Mono");
        l->Font()->SetSize(10);
        l->SetLeft(x);
        l->SetTop(y);
        l->SetCaption(caption);
        return l;
    }
    QImage Shot(TControl* c) {
        form->Show();
        QApplication::processEvents();
        const QImage all = platform::windowWidget(form->Handle())->grab().toImage();
        return all.copy(c->Left(), c->Top(), c->Width(), c->Height());
    }
    // The bounding box of the pixels of one colour.
    static QRect BoxOf(const QImage& img, COLORREF colour) {
        QRect box;
        const QRgb want = qRgb(GetRValue(colour), GetGValue(colour), GetBValue(colour));
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if ((img.pixel(x, y) & 0xFFFFFF) == (want & 0xFFFFFF)) box |= QRect(x, y, 1, 1);
        return box;
    }
    TForm* form = nullptr;
};

}  // namespace

TEST_F(Labels, ShadowSizeAndPositionWidenTheMeasuredText) {
    TKitLabel* flat = Add("Gamma", 10, 10);
    flat->SetShadowSize(0);
    TKitLabel* two = Add("Gamma", 10, 40);
    two->SetShadowSize(2);
    EXPECT_EQ(two->Width(), flat->Width() + 2);
    EXPECT_EQ(two->Height(), flat->Height() + 2);
    two->SetShadowPos(spRightBottom);
    EXPECT_EQ(two->Width(), flat->Width() + 2);

    // The shadow in black, two pixels up and left of the text, both inside the label.
    two->SetShadowPos(spLeftTop);
    two->SetShadowColor(clBlack);
    two->Font()->SetColor(clRed);
    const QImage img = Shot(two);
    const QRect text = BoxOf(img, RGB(255, 0, 0)), shadow = BoxOf(img, RGB(0, 0, 0));
    ASSERT_FALSE(text.isEmpty());
    ASSERT_FALSE(shadow.isEmpty());
    EXPECT_EQ(shadow.left(), text.left() - 2);
    EXPECT_EQ(shadow.top(), text.top() - 2);
    EXPECT_GE(shadow.left(), 0);
    EXPECT_GE(shadow.top(), 0);
    EXPECT_LT(text.right(), img.width());
    EXPECT_LT(text.bottom(), img.height());
}

TEST_F(Labels, EmptyCaptionsKeepOneLineAndAmpersandsFollowShowAccelChar) {
    TKitLabel* empty = Add("", 10, 10);
    TKitLabel* line = Add("W", 10, 40);
    EXPECT_EQ(empty->Height(), line->Height());
    TKitLabel* amp = Add("&", 10, 70);
    EXPECT_EQ(amp->Height(), line->Height());
    TKitLabel* lit = Add("a&&b", 10, 100);
    TKitLabel* raw = Add("a&&b", 10, 130);
    raw->SetShowAccelChar(false);
    raw->SetAutoSize(false);
    raw->SetAutoSize(true);
    EXPECT_GT(raw->Width(), lit->Width());  // "a&&b" against "a&b"
}

TEST_F(Labels, ADisabledLabelIsGreyWithALightShadowDownRight) {
    TKitLabel* l = Add("Disabled", 10, 10);
    l->SetShadowSize(0);
    l->SetEnabled(false);
    const QImage img = Shot(l);
    const QRect grey = BoxOf(img, ColorToRGB(clGrayText)), light = BoxOf(img, ColorToRGB(clBtnHighlight));
    ASSERT_FALSE(grey.isEmpty());
    ASSERT_FALSE(light.isEmpty());
    // The light copy lies one pixel down and right of the grey text: it shows past the
    // text's right and bottom edges.
    EXPECT_EQ(light.right(), grey.right() + 1);
    EXPECT_EQ(light.bottom(), grey.bottom() + 1);
    EXPECT_GE(light.left(), grey.left() + 1);
    EXPECT_GE(light.top(), grey.top() + 1);
    EXPECT_LT(light.right(), img.width());
    EXPECT_LT(light.bottom(), img.height());
}

TEST_F(Labels, RightAlignedAutoSizedLabelsGrowToTheLeftAndWordWrapBreaksLines) {
    TKitLabel* r = Add("Kurz", 100, 10);
    r->SetAlignment(taRightJustify);
    const int right = r->Left() + r->Width();
    r->SetCaption("Ein viel längerer Text");
    EXPECT_EQ(r->Left() + r->Width(), right);
    EXPECT_LT(r->Left(), 100);

    TKitLabel* w = Add("one two three four five six", 10, 60);
    const int oneLine = w->Height();
    w->SetAutoSize(false);
    w->SetWidth(70);
    w->SetWordWrap(true);
    w->SetAutoSize(true);
    EXPECT_LE(w->Width(), 70);  // the widest line
    EXPECT_GE(w->Height(), 3 * (oneLine - 1) - 2);
}

TEST_F(Labels, TheAcceleratorMovesTheFocusToItsControl) {
    auto* button = new TButton(form);
    button->SetParent(form);
    button->SetBounds(200, 10, 80, 25);
    auto* edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetBounds(200, 60, 100, 24);
    TKitLabel* l = Add("&Name:", 10, 60);
    l->SetFocusControl(edit);
    l->SetShowFocus(true);
    form->Show();
    button->SetFocus();
    ASSERT_TRUE(button->Focused());
    QTest::keyClick(platform::windowWidget(button->Handle()), Qt::Key_N);
    EXPECT_TRUE(edit->Focused());
    EXPECT_TRUE(l->FocusedState());
    // Without ShowAccelChar the "&" is a plain character and the key does nothing.
    button->SetFocus();
    l->SetShowAccelChar(false);
    QTest::keyClick(platform::windowWidget(button->Handle()), Qt::Key_N);
    EXPECT_TRUE(button->Focused());
}

TEST_F(Labels, TheMouseEnteringAndLeavingIsReported) {
    TKitLabel* l = Add("Hover me", 40, 40);
    std::vector<std::string> log;
    l->OnMouseEnter = [&](TObject*) { log.push_back("enter"); };
    l->OnMouseLeave = [&](TObject*) { log.push_back("leave"); };
    form->Show();
    QWidget* w = platform::windowWidget(form->Handle());
    QTest::mouseMove(w, QPoint(5, 5));
    QTest::mouseMove(w, QPoint(l->Left() + 5, l->Top() + 5));
    QTest::mouseMove(w, QPoint(l->Left() + 8, l->Top() + 6));
    EXPECT_TRUE(l->MouseInControl());
    QTest::mouseMove(w, QPoint(300, 200));
    EXPECT_EQ(log, (std::vector<std::string>{"enter", "leave"}));
    // A disabled label reports nothing.
    l->SetEnabled(false);
    QTest::mouseMove(w, QPoint(l->Left() + 5, l->Top() + 5));
    QTest::mouseMove(w, QPoint(300, 200));
    EXPECT_EQ(log.size(), 2u);
    l->OnMouseEnter = nullptr;
    l->OnMouseLeave = nullptr;
}

TEST_F(Labels, ScreenshotOfTheStyles) {
    TKitLabel* a = Add("Shadow 2, black, left top", 10, 10);
    a->SetShadowSize(2);
    a->SetShadowColor(clBlack);
    a->Font()->SetColor(clWhite);
    TKitLabel* b = Add("Default: light shadow", 10, 40);
    TKitLabel* c = Add("Disabled label", 10, 70);
    c->SetEnabled(false);
    TKitLabel* d = Add("Right bottom, navy", 10, 100);
    d->SetShadowPos(spRightBottom);
    d->SetShadowColor(clNavy);
    d->SetShadowSize(1);
    TKitLabel* e = Add("Word-wrapped text over several lines", 250, 10);
    e->SetAutoSize(false);
    e->SetBounds(250, 10, 120, 80);
    e->SetWordWrap(true);
    e->SetTransparent(true);
    TKitLabel* f = Add("Right aligned", 250, 110);
    f->SetAutoSize(false);
    f->SetBounds(250, 110, 150, 40);
    f->SetAlignment(taRightJustify);
    f->SetLayout(tlBottom);
    f->SetColor(clWhite);
    (void)b;
    form->Show();
    QApplication::processEvents();
    const QImage shot = platform::windowWidget(form->Handle())->grab().toImage();
    const QString dir = QDir::current().absoluteFilePath("screenshots");
    QDir().mkpath(dir);
    EXPECT_TRUE(shot.save(dir + "/kit-labels.png"));
    // The bottom layout puts the text in the lower part of its label.
    const QImage fi = shot.copy(f->Left(), f->Top(), f->Width(), f->Height());
    const QRect text = BoxOf(fi, RGB(0, 0, 0));
    ASSERT_FALSE(text.isEmpty());
    EXPECT_GT(text.top(), f->Height() / 3);
    EXPECT_GE(text.right(), f->Width() - 4);
}
