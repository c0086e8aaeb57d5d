// The command buttons of every dialog layout of the program: OK and Cancel are themed
// buttons of their kinds with the kinds' modal results and glyphs, OK buttons whose handler
// decides keep the OK picture without a modal result, no plain button is left, and each
// dialog has at most one default and one cancel button. Enter and Escape typed into a
// dialog's focused control end it with OK and Cancel.
#include "editor/AdjustDialogs.h"
#include "editor/EffectDialogs.h"
#include "editor/GeometryDialogs.h"
#include "editor/JpegQFUnit.h"
#include "editor/NewUnit.h"
#include "editor/PaletteEditor.h"
#include "editor/PrintFUnit.h"
#include "editor/TextTool.h"
#include "editor/UserFilterDialog.h"
#include "editor/tests/DialogTestSupport.h"
#include "kit/SpeedBarSetup.h"
#include "kit/ThemedButtons.h"
#include "platform/msgbox.h"
#include "poster/About.h"
#include "poster/BrowserFUnit.h"
#include "poster/PictureDialogs.h"
#include "poster/Quality.h"
#include "poster/RenderSizeUnit.h"

#include <QDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <vector>

using namespace dlgtest;

namespace {

enum class CommandRole {
    Ok,         // closes with OK through its kind
    OkHandler,  // the default button whose handler decides whether and how the dialog closes
    Cancel,     // closes with Cancel through its kind
    Other,      // another command
};

struct Command {
    const char* Name;
    CommandRole Role;
    const char* Caption;
};

struct DialogCase {
    const char* Layout;
    std::function<TForm*()> Make;
    std::vector<Command> Commands;
    bool EnterEndsWithOk;  // Enter in the first focused control closes with OK
    // Where the keys are typed when the first focused control keeps Enter and Escape (a memo).
    const char* KeyTarget = nullptr;
    int EscapeResult = mrCancel;
};

template <class T>
std::function<TForm*()> make() {
    return [] { return new T(nullptr); };
}

const Command ok{"OKBtn", CommandRole::Ok, "OK"};
const Command cancel{"CancelBtn", CommandRole::Cancel, "&Cancel"};
const std::vector<Command> livePreview{{"OkBitBtn1", CommandRole::OkHandler, "OK"},
                                       {"CancelBitBtn2", CommandRole::Cancel, "&Cancel"},
                                       {"BacksetBitBtn3", CommandRole::Other, "Reset"},
                                       {"VschauBitBtn4", CommandRole::Other, "Preview"}};

const std::vector<DialogCase>& dialogs() {
    static const std::vector<DialogCase> all = {
        {"AddBordUnit", make<TAddBForm>(), {ok, cancel}, true},
        {"ButtonizeFUnit", make<TButtonForm>(), {ok, cancel}, true},
        {"CanvasSFUnit", make<TCanvasSForm>(), {ok, cancel}, true},
        {"ColizeFUnit", make<TColizeForm>(), livePreview, false},
        {"ConfigBarsUnit", make<TConfigBars>(), {ok, cancel}, true},
        {"DelNoiseFUnit", make<TDelNoiseForm>(), {ok, cancel}, true},
        {"FilterEditUnit",
         make<TFilterEditForm>(),
         {{"OkBtn", CommandRole::OkHandler, "OK"}, cancel},
         false},
        {"GammaFUnit", make<TGammaForm>(), livePreview, false},
        {"HKUnit", make<THKForm>(), livePreview, false},
        {"JpegQFUnit", make<TJPEGQForm>(), {ok, cancel}, true},
        {"LightFUnit", make<TLightForm>(), livePreview, false},
        {"MosaikFUnit", make<TMosaikForm>(), {ok, cancel}, true},
        {"NewUnit", make<TNewForm>(), {ok, cancel}, true},
        {"PaleditUnit",
         make<TPaleditForm>(),
         {{"BitBtn1", CommandRole::Ok, "OK"}, {"BitBtn2", CommandRole::Cancel, "&Cancel"}},
         true},
        {"PerpFUnit", make<TPerspForm>(), livePreview, false},
        {"PosterFaktorUnit", make<TPosterFaktor>(), {ok, cancel}, true},
        {"PrintFUnit",
         make<TPrintForm>(),
         {{"OkBitBtn1", CommandRole::Ok, "OK"},
          {"CancelBitBtn2", CommandRole::Cancel, "&Cancel"},
          {"PrintSetupBtn", CommandRole::Other, "Setup printer..."}},
         false},
        {"RGBFUnit", make<TRGBForm>(), livePreview, false},
        {"RotateFUnit", make<TRotateForm>(), {ok, cancel}, true},
        {"SchmutzHFUnit", make<TNoiseForm>(), {ok, cancel}, true},
        {"ShadFUnit", make<TShadowForm>(), {ok, cancel}, true},
        {"SolarFaktorUnit", make<TSolarfaktor>(), {ok, cancel}, true},
        {"TextTool",
         make<TAddTextForm>(),
         {{"OkBtn", CommandRole::Ok, "OK"},
          {"CancelBtn", CommandRole::Cancel, "Cancel"},
          {"SelFont", CommandRole::Other, "Select font..."}},
         true,
         "FntLabel"},
        {"UserFilterUnit",
         make<TUserFilterForm>(),
         {{"ApplyBtn", CommandRole::OkHandler, "Apply"},
          cancel,
          {"NewBtn", CommandRole::Other, "New..."},
          {"EditBtn", CommandRole::Other, "Edit..."},
          {"DelBtn", CommandRole::Other, "Delete"}},
         false},
        {"WoelbenFUnit", make<TWoelbenForm>(), livePreview, false},
        {"AboutUnit", make<TAboutBox>(), {{"OKButton", CommandRole::Other, "OK"}}, true, nullptr, mrOk},
        {"BrowserFUnit", make<TBrowserForm>(), {{"ReadyBtn", CommandRole::Other, "Back.."}}, false, nullptr, mrOk},
        {"DepthChangeUnit", make<TDepthChangeForm>(), {ok, cancel}, true},
        {"DepthDownUnit", make<TDepthDownForm>(), {ok, cancel}, true},
        {"FreeDepthUnit", make<TFreeDepthForm>(), {ok, cancel}, true},
        {"HKUnit2",
         make<THKForm2>(),
         {{"OkBitBtn1", CommandRole::OkHandler, "OK"},
          cancel,
          {"BacksetBitBtn3", CommandRole::Other, "Reset"},
          {"VschauBitBtn4", CommandRole::Other, "Preview"}},
         false},
        {"QualityUnit",
         make<TQualityForm>(),
         {{"OKBtn", CommandRole::Ok, "OK"},
          {"CancelBtn", CommandRole::Cancel, "Cancel"},
          {"setto72btn", CommandRole::Other, "72 DPI"},
          {"setto96btn", CommandRole::Other, "96 DPI"}},
         true},
        {"RenderSizeUnit", make<TRenderSizeForm>(), {ok, cancel}, true},
        {"ResizeFUnit", make<TResizeForm>(), {ok, cancel}, true},
        {"SpeedBarSetup", make<TSpeedbarSetupWindow>(), {{"CloseBtn", CommandRole::Other, "Close"}}, false},
    };
    return all;
}

// The main windows' layouts: not dialogs.
const std::set<std::string> mainWindows{"Main", "PosterUnit"};

// Pixel data of a bitmap, for comparing glyphs.
std::vector<BYTE> pixels(TBitmap* b) {
    std::vector<BYTE> info, bits;
    if (!b || !b->ReadDib(info, bits)) return {};
    bits.insert(bits.end(), info.begin(), info.end());
    return bits;
}

class DialogButtons : public ::testing::TestWithParam<DialogCase> {
protected:
    void SetUp() override { forgetStoredDialogs(); }
    platform::ScriptedMessageBoxes boxes{IDOK};
};

void PrintTo(const DialogCase& c, std::ostream* os) { *os << c.Layout; }

std::string caseName(const ::testing::TestParamInfo<DialogCase>& info) { return info.param.Layout; }

}  // namespace

TEST_P(DialogButtons, CommandButtonsAreThemedButtonsOfTheirKinds) {
    const DialogCase& c = GetParam();
    std::unique_ptr<TForm> form(c.Make());
    const std::vector<BYTE> okGlyph = pixels(ThemedKindGlyph(bkOK));
    const std::vector<BYTE> cancelGlyph = pixels(ThemedKindGlyph(bkCancel));
    ASSERT_FALSE(okGlyph.empty());

    for (const Command& cmd : c.Commands) {
        SCOPED_TRACE(cmd.Name);
        auto* b = dynamic_cast<TThemedBitBtn*>(form->FindComponent(cmd.Name));
        ASSERT_NE(b, nullptr) << "no themed button of that name";
        EXPECT_EQ(b->Caption(), cmd.Caption);
        // Glyph and caption lie inside the face, clear of the focus rectangle.
        TBitmap host;
        host.SetSize(1, 1);
        host.Canvas()->SetFont(b->Font());
        const int w = b->Width(), h = b->Height();
        const TButtonLayoutResult l = b->ButtonGlyph()->CalcButtonLayout(
            host.Canvas(), RECT{0, 0, w, h}, b->Caption(), b->Layout(), b->Margin(), b->Spacing(), false);
        const int inset = 4;
        if (l.GlyphSize.cx > 0) {
            EXPECT_GE(l.GlyphPos.x, inset);
            EXPECT_LE(l.GlyphPos.x + l.GlyphSize.cx, l.TextBounds.left);
            EXPECT_GE(l.GlyphPos.y, 3);
            EXPECT_LE(l.GlyphPos.y + l.GlyphSize.cy, h - 3);
        }
        EXPECT_GE(l.TextBounds.left, inset);
        EXPECT_LE(l.TextBounds.right, w - inset) << "caption clipped";
        EXPECT_LE(l.TextBounds.bottom - l.TextBounds.top, h - 2 * inset);
        switch (cmd.Role) {
        case CommandRole::Ok:
            EXPECT_EQ(b->Kind(), bkOK);
            EXPECT_EQ(b->ModalResult(), mrOk);
            EXPECT_TRUE(b->Default());
            EXPECT_FALSE(b->Cancel());
            EXPECT_EQ(pixels(b->Glyph()), okGlyph);
            EXPECT_EQ(b->NumGlyphs(), 2);
            break;
        case CommandRole::OkHandler:
            // The OK picture, but no modal result: the handler closes the dialog itself.
            EXPECT_EQ(b->Kind(), bkCustom);
            EXPECT_EQ(b->ModalResult(), mrNone);
            EXPECT_TRUE(b->Default());
            EXPECT_FALSE(b->Cancel());
            EXPECT_TRUE(static_cast<bool>(b->OnClick));
            EXPECT_EQ(pixels(b->Glyph()), okGlyph);
            EXPECT_EQ(b->NumGlyphs(), 2);
            break;
        case CommandRole::Cancel:
            EXPECT_EQ(b->Kind(), bkCancel);
            EXPECT_EQ(b->ModalResult(), mrCancel);
            EXPECT_TRUE(b->Cancel());
            EXPECT_FALSE(b->Default());
            EXPECT_EQ(pixels(b->Glyph()), cancelGlyph);
            EXPECT_EQ(b->NumGlyphs(), 2);
            break;
        case CommandRole::Other: break;
        }
    }

    // No plain button is left, every OK or Cancel button is one of the table's, and Enter and
    // Escape each have one button at most.
    int defaults = 0, cancels = 0;
    for (int i = 0; i < form->ComponentCount(); ++i) {
        auto* b = dynamic_cast<TButton*>(form->Components(i));
        if (!b) continue;
        SCOPED_TRACE(b->Name());
        EXPECT_NE(dynamic_cast<TThemedBitBtn*>(b), nullptr);
        defaults += b->Default();
        cancels += b->Cancel();
        const bool listed = std::any_of(c.Commands.begin(), c.Commands.end(),
                                        [&](const Command& cmd) { return b->Name() == cmd.Name; });
        if (b->Default() || b->Cancel() || b->ModalResult() != mrNone) {
            EXPECT_TRUE(listed);
        }
    }
    EXPECT_LE(defaults, 1);
    EXPECT_LE(cancels, 1);
}

TEST_P(DialogButtons, EnterAndEscapeInTheFocusedControlEndTheDialog) {
    const DialogCase& c = GetParam();
    std::unique_ptr<TForm> form(c.Make());
    auto typeInto = [&](Qt::Key k) {
        TWinControl* target = nullptr;
        whenShown([&, k] {
            if (c.KeyTarget) {
                target = dynamic_cast<TWinControl*>(form->FindComponent(c.KeyTarget));
                target->SetFocus();
            } else {
                target = form->ActiveControl() ? form->ActiveControl() : form.get();
            }
            key(target, k);
        });
        // A key that ends nothing fails here instead of waiting for ever.
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [&] { form->SetModalResult(-1); });
        guard.start(5000);
        const int result = form->ShowModal();
        EXPECT_NE(target, nullptr);
        return result;
    };
    EXPECT_EQ(typeInto(Qt::Key_Escape), c.EscapeResult);
    if (c.EnterEndsWithOk) {
        EXPECT_EQ(typeInto(Qt::Key_Return), mrOk);
    }
    EXPECT_TRUE(boxes.texts().empty());
}

INSTANTIATE_TEST_SUITE_P(EveryLayout, DialogButtons, ::testing::ValuesIn(dialogs()), caseName);

// Every dialog layout built into the program is in the table above.
TEST(DialogButtonLayouts, EveryDialogLayoutIsChecked) {
    for (const DialogCase& c : dialogs()) delete c.Make();  // registers each unit's layouts
    std::set<std::string> listed;
    for (const DialogCase& c : dialogs()) listed.insert(c.Layout);
    int layouts = 0;
    for (const QString& f : QDir(":/layouts").entryList(QDir::Files)) {
        const std::string name = f.chopped(QStringLiteral(".layout").size()).toStdString();
        ++layouts;
        if (!mainWindows.count(name)) {
            EXPECT_TRUE(listed.count(name)) << name << " is not checked";
        }
    }
    EXPECT_EQ(layouts, static_cast<int>(listed.size() + mainWindows.size()));
}

// Three dialogs as the user sees them: the OK glyph's green check and the Cancel glyph's red
// cross on their buttons, and neither on the commands without a picture.
TEST(DialogButtonLooks, GlyphsOnTheirButtons) {
    forgetStoredDialogs();
    const std::vector<std::pair<std::function<TForm*()>, const char*>> shots{
        {make<THKForm2>(), "dialog-buttons-poster-brightness"},
        {make<THKForm>(), "dialog-buttons-editor-brightness"},
        {make<TUserFilterForm>(), "dialog-buttons-editor-user-filters"},
    };
    const QColor green(0, 255, 0), red(255, 0, 0);
    for (const auto& [makeForm, name] : shots) {
        SCOPED_TRACE(name);
        std::unique_ptr<TForm> form(makeForm());
        form->Show();
        QApplication::processEvents();
        const QImage all = widget(form.get())->grab().toImage().convertToFormat(QImage::Format_RGB32);
        screenshot(form.get(), name);
        for (int i = 0; i < form->ComponentCount(); ++i) {
            auto* b = dynamic_cast<TThemedBitBtn*>(form->Components(i));
            if (!b) continue;
            SCOPED_TRACE(b->Name());
            const QPoint at = widget(b)->mapTo(widget(form.get()), QPoint(0, 0));
            const QImage face = all.copy(at.x(), at.y(), b->Width(), b->Height());
            int greens = 0, reds = 0;
            for (int y = 0; y < face.height(); ++y)
                for (int x = 0; x < face.width(); ++x) {
                    greens += face.pixelColor(x, y) == green;
                    reds += face.pixelColor(x, y) == red;
                }
            const bool okPicture = pixels(b->Glyph()) == pixels(ThemedKindGlyph(bkOK));
            const bool cancelPicture = b->Kind() == bkCancel;
            EXPECT_EQ(greens > 20, okPicture);
            EXPECT_EQ(reds > 20, cancelPicture);
        }
        form->Hide();
    }
}
