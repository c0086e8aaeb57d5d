// Themed bitmap buttons on both drawing paths (the desktop's theme and the classic frame):
// kinds and what a layout keeps of them, glyph counts, the pressed picture, Enter and
// Escape in a modal dialog, the help kind, and screenshots of every state.
#include "kit/ThemedButtons.h"

#include "ButtonTestSupport.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"

#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace buttontest;

namespace {

class TButtonDialog : public TForm {
    Q_OBJECT

public:
    explicit TButtonDialog(TComponent* AOwner) : TForm(AOwner) {
        PublishField("OkBtn", OkBtn);
        PublishField("CancelBtn", CancelBtn);
        PublishField("HelpBtn", HelpBtn);
        PublishField("Panel1", Panel1);
        PublishField("Edit1", Edit1);
    }
    TThemedBitBtn* OkBtn = nullptr;
    TThemedBitBtn* CancelBtn = nullptr;
    TThemedBitBtn* HelpBtn = nullptr;
    TPanel* Panel1 = nullptr;
    TEdit* Edit1 = nullptr;
};

const char* const kDialog =
    "object ButtonDialog: TButtonDialog\n"
    "  Left = 60\n"
    "  Top = 60\n"
    "  Width = 330\n"
    "  Height = 140\n"
    "  Caption = 'Buttons'\n"
    "  HelpContext = 20\n"
    "  object Edit1: TEdit\n"
    "    Left = 10\n"
    "    Top = 10\n"
    "    Width = 120\n"
    "    Height = 24\n"
    "    TabOrder = 0\n"
    "  end\n"
    "  object Panel1: TPanel\n"
    "    Left = 0\n"
    "    Top = 50\n"
    "    Width = 320\n"
    "    Height = 50\n"
    "    BevelOuter = bvNone\n"
    "    object OkBtn: TThemedBitBtn\n"
    "      Left = 8\n"
    "      Top = 10\n"
    "      Width = 98\n"
    "      Height = 28\n"
    "      TabOrder = 0\n"
    "      Kind = bkOK\n"
    "    end\n"
    "    object CancelBtn: TThemedBitBtn\n"
    "      Left = 110\n"
    "      Top = 10\n"
    "      Width = 98\n"
    "      Height = 28\n"
    "      TabOrder = 1\n"
    "      Caption = 'Abbrechen'\n"
    "      Kind = bkCancel\n"
    "    end\n"
    "    object HelpBtn: TThemedBitBtn\n"
    "      Left = 212\n"
    "      Top = 10\n"
    "      Width = 98\n"
    "      Height = 28\n"
    "      TabOrder = 2\n"
    "      Kind = bkHelp\n"
    "    end\n"
    "  end\n"
    "end\n";

class ThemedButtons : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        RegisterThemedButtons();
        RegisterClass<TButtonDialog>();
        platform::setThemesInUse(GetParam());
        dialog = new TButtonDialog(nullptr);
        ReadComponentText(kDialog, dialog);
    }
    void TearDown() override {
        delete dialog;
        platform::setThemesInUse(true);
    }
    TButtonDialog* dialog = nullptr;
};

QImage GrabWindow(TWinControl* c) {
    QApplication::processEvents();
    return platform::windowWidget(c->Handle())->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The first pixel of a colour, scanning rows from the top.
QPoint FirstOf(const QImage& img, const QColor& c) {
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixelColor(x, y) == c) return QPoint(x, y);
    return QPoint(-1, -1);
}

}  // namespace

TEST_P(ThemedButtons, KindsBringCaptionGlyphAndModalResultAndALayoutKeepsWhatDiffers) {
    TThemedBitBtn* ok = dialog->OkBtn;
    EXPECT_EQ(ok->Kind(), bkOK);
    EXPECT_EQ(ok->Caption(), "OK");
    EXPECT_TRUE(ok->Default());
    EXPECT_EQ(ok->ModalResult(), mrOk);
    EXPECT_EQ(ok->NumGlyphs(), 2);
    EXPECT_EQ(ok->Glyph()->Width(), 36);
    EXPECT_EQ(ok->Glyph()->Height(), 18);
    // A caption of its own in the layout stays; a button made by code gets the kind's.
    EXPECT_EQ(dialog->CancelBtn->Caption(), "Abbrechen");
    EXPECT_TRUE(dialog->CancelBtn->Cancel());
    EXPECT_EQ(dialog->HelpBtn->Caption(), "&Help");
    TThemedBitBtn made(nullptr);
    made.SetKind(bkAll);
    EXPECT_EQ(made.Caption(), "&All");
    EXPECT_EQ(made.ModalResult(), mrAll);
    EXPECT_EQ(made.Glyph()->Height(), 19);

    // The layout of a kind button holds the kind alone.
    String text = WriteComponentText(dialog);
    auto block = [&](const String& name) {
        const std::size_t at = text.find("object " + name);
        return text.substr(at, text.find("end", at) - at);
    };
    EXPECT_NE(block("OkBtn").find("Kind = bkOK"), String::npos);
    EXPECT_EQ(block("OkBtn").find("Glyph"), String::npos);
    EXPECT_EQ(block("OkBtn").find("Caption"), String::npos);
    EXPECT_NE(block("CancelBtn").find("Caption = 'Abbrechen'"), String::npos);
    // Another modal result makes it a custom button, and everything is written.
    ok->SetModalResult(mrCancel);
    EXPECT_EQ(ok->Kind(), bkCustom);
    text = WriteComponentText(dialog);
    const String custom = block("OkBtn");
    EXPECT_NE(custom.find("Kind = bkCustom"), String::npos) << custom;
    EXPECT_NE(custom.find("ModalResult = 2"), String::npos) << custom;
    EXPECT_NE(custom.find("Default = True"), String::npos) << custom;
    EXPECT_NE(custom.find("Glyph.Data"), String::npos) << custom;
    EXPECT_NE(custom.find("NumGlyphs = 2"), String::npos) << custom;
    // It reads back as the same custom button.
    auto* again = new TButtonDialog(nullptr);
    ReadComponentText(text, again);
    EXPECT_EQ(again->OkBtn->Kind(), bkCustom);
    EXPECT_EQ(again->OkBtn->ModalResult(), mrCancel);
    EXPECT_EQ(again->OkBtn->Glyph()->Width(), 36);
    delete again;
}

TEST_P(ThemedButtons, GlyphCountsMarginsAndThePressedPicture) {
    TThemedBitBtn* b = dialog->OkBtn;
    auto strip = [](int w, int h) {
        auto bmp = std::make_unique<TBitmap>();
        bmp->SetPixelFormat(pf24bit);
        bmp->SetSize(w, h);
        return bmp;
    };
    b->SetGlyph(strip(72, 18).get());
    EXPECT_EQ(b->NumGlyphs(), 4);
    b->SetGlyph(strip(90, 18).get());
    EXPECT_EQ(b->NumGlyphs(), 1);
    b->SetNumGlyphs(3);
    b->SetGlyph(strip(40, 18).get());
    EXPECT_EQ(b->NumGlyphs(), 3);
    b->SetNumGlyphs(7);
    EXPECT_EQ(b->NumGlyphs(), 4);
    b->SetMargin(-2);
    EXPECT_EQ(b->Margin(), -1);
    b->SetMargin(3);
    EXPECT_EQ(b->Margin(), 3);
    EXPECT_EQ(b->Kind(), bkCustom);

    // With one or two pictures a press shows the up picture one pixel right and down; with
    // three, the third picture.
    std::unique_ptr<TBitmap> two(MakeGlyph(16, 2));
    b->SetGlyph(two.get());
    b->SetMargin(-1);
    dialog->Show();
    QWidget* w = platform::windowWidget(b->Handle());
    const QPoint up = FirstOf(GrabWindow(b), Qt::black);
    QTest::mousePress(w, Qt::LeftButton, {}, QPoint(40, 14));
    const QImage down = GrabWindow(b);
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(250, 14));
    EXPECT_EQ(FirstOf(down, Qt::black), up + QPoint(1, 1));
    EXPECT_GT(CountColour(down, Qt::red), 10);
    std::unique_ptr<TBitmap> three(MakeGlyph(16, 3));
    b->SetGlyph(three.get());
    QTest::mousePress(w, Qt::LeftButton, {}, QPoint(40, 14));
    const QImage third = GrabWindow(b);
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(250, 14));
    EXPECT_EQ(CountColour(third, Qt::red), 0);
    EXPECT_GT(CountColour(third, Qt::blue), 10);
}

// Runs the dialog modally; `act` runs once it is up. A dialog that does not end within 10 s
// ends with mrAbort, so that a failure does not hang the test.
TModalResult RunModal(TForm* dialog, const std::function<void()>& act) {
    QTimer step, guard;
    step.setSingleShot(true);
    guard.setSingleShot(true);
    QObject::connect(&step, &QTimer::timeout, act);
    QObject::connect(&guard, &QTimer::timeout, [dialog] { dialog->SetModalResult(mrAbort); });
    step.start(50);
    guard.start(10000);
    return dialog->ShowModal();
}

TEST_P(ThemedButtons, EnterAndEscapeEndTheDialogWithOneAndTwo) {
    auto keyOnEdit = [&](Qt::Key key) {
        return RunModal(dialog, [&, key] {
            dialog->Edit1->SetFocus();
            EXPECT_TRUE(dialog->OkBtn->IsFocusedDefault());
            QTest::keyClick(platform::windowWidget(dialog->Edit1->Handle()), key);
        });
    };
    EXPECT_EQ(keyOnEdit(Qt::Key_Return), mrOk);
    EXPECT_EQ(keyOnEdit(Qt::Key_Escape), mrCancel);
    // With the focus on Cancel, Enter presses Cancel; OK is no longer the focused default.
    EXPECT_EQ(RunModal(dialog,
                       [&] {
                           dialog->CancelBtn->SetFocus();
                           EXPECT_TRUE(dialog->CancelBtn->IsFocusedDefault());
                           EXPECT_FALSE(dialog->OkBtn->IsFocusedDefault());
                           QTest::keyClick(platform::windowWidget(dialog->CancelBtn->Handle()), Qt::Key_Return);
                       }),
              mrCancel);
    // The space bar clicks the focused button.
    EXPECT_EQ(RunModal(dialog,
                       [&] {
                           dialog->OkBtn->SetFocus();
                           QTest::keyClick(platform::windowWidget(dialog->OkBtn->Handle()), Qt::Key_Space);
                       }),
              mrOk);
}

TEST_P(ThemedButtons, HelpOpensTheNearestTopicWithoutAClick) {
    int clicks = 0;
    dialog->HelpBtn->OnClick = [&](TObject*) { ++clicks; };
    std::vector<int> topics;
    Application->OnHelp = [&](TObject*, int context, bool& callHelp) {
        topics.push_back(context);
        callHelp = false;
    };
    dialog->Show();
    QWidget* w = platform::windowWidget(dialog->HelpBtn->Handle());
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(20, 14));
    // The panel has no topic; the form's (20) is taken.
    EXPECT_EQ(topics, std::vector<int>{20});
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(dialog->ModalResult(), mrNone);
    dialog->Panel1->SetHelpContext(31);
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(20, 14));
    EXPECT_EQ(topics.back(), 31);
    // Without any topic it is an ordinary click.
    dialog->Panel1->SetHelpContext(0);
    dialog->SetHelpContext(0);
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(20, 14));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(topics.size(), 2u);
    Application->OnHelp = nullptr;
    // A close button closes its form.
    dialog->HelpBtn->SetKind(bkClose);
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(20, 14));
    EXPECT_FALSE(dialog->Visible());
    EXPECT_EQ(clicks, 1);
}

TEST_P(ThemedButtons, ScreenshotsOfEveryState) {
    const bool themed = GetParam();
    dialog->Show();
    dialog->Edit1->SetFocus();
    EXPECT_EQ(dialog->OkBtn->Themed(), themed);
    QImage normal = GrabWindow(dialog);
    // Pressed: OK held down.
    QWidget* okw = platform::windowWidget(dialog->OkBtn->Handle());
    QTest::mousePress(okw, Qt::LeftButton, {}, QPoint(30, 14));
    QImage pressed = GrabWindow(dialog);
    QTest::mouseRelease(okw, Qt::LeftButton, {}, QPoint(300, 14));
    // Disabled.
    dialog->OkBtn->SetEnabled(false);
    dialog->CancelBtn->SetEnabled(false);
    dialog->HelpBtn->SetEnabled(false);
    QImage disabled = GrabWindow(dialog);
    dialog->OkBtn->SetEnabled(true);
    dialog->CancelBtn->SetEnabled(true);
    dialog->HelpBtn->SetEnabled(true);
    // Focused default: the focus on OK itself.
    dialog->OkBtn->SetFocus();
    EXPECT_TRUE(dialog->OkBtn->IsFocusedDefault());
    QImage focused = GrabWindow(dialog);
    const int top = dialog->Panel1->Top();
    QImage sheet(normal.width(), 4 * 50, QImage::Format_RGB32);
    const QImage* parts[] = {&normal, &pressed, &disabled, &focused};
    for (int i = 0; i < 4; ++i)
        for (int y = 0; y < 50; ++y)
            for (int x = 0; x < normal.width(); ++x) sheet.setPixel(x, i * 50 + y, parts[i]->pixel(x, top + y));
    EXPECT_TRUE(SaveShot(sheet, themed ? "kit-themedbuttons-themed.png" : "kit-themedbuttons-classic.png"));

    // The disabled glyph is the kind's own second picture: no green of the check is left.
    const QImage okDisabled = disabled.copy(dialog->OkBtn->Left(), top + dialog->OkBtn->Top(), 98, 28);
    EXPECT_EQ(CountColour(okDisabled, QColor(0, 255, 0)), 0);
    EXPECT_GT(CountColour(okDisabled, Sys(clBtnShadow)), 10);
    const QImage okNormal = normal.copy(dialog->OkBtn->Left(), top + dialog->OkBtn->Top(), 98, 28);
    EXPECT_GT(CountColour(okNormal, QColor(0, 255, 0)), 10);
    // Classic: the focused default gets the window-frame rectangle; the pressed face differs.
    const QImage okPressed = pressed.copy(dialog->OkBtn->Left(), top + dialog->OkBtn->Top(), 98, 28);
    EXPECT_NE(okPressed, okNormal);
    if (!themed) {
        const QImage okFocused = focused.copy(dialog->OkBtn->Left(), top + dialog->OkBtn->Top(), 98, 28);
        EXPECT_EQ(okFocused.pixelColor(0, 0), Sys(clWindowFrame));
        EXPECT_EQ(okFocused.pixelColor(0, 27), Sys(clWindowFrame));
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, ThemedButtons, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Themed" : "Classic"; });

#include "ThemedButtonsTest.moc"
