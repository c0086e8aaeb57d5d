// The font dialog: the real dialog with its colour button answered as a user would, the seam
// that scripts it, the limits of the size, and the dialog with its font in a layout.
#include "classlib/Dialogs.h"
#include "classlib/Filer.h"
#include "classlib/Forms.h"

#include <QApplication>
#include <QColorDialog>
#include <QFontDialog>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Runs `answer` on the modal dialog once it is up (the dialog inside the first one too).
void answerDialog(std::function<void(QDialog*)> answer) {
    QTimer::singleShot(0, [answer] {
        auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        answer(d);
    });
}

TFont* startFont(TFontDialog& dlg) {
    TFont* f = dlg.Font();
    f->SetName("DejaVu Sans");
    f->SetSize(12);
    f->SetColor(static_cast<TColor>(RGB(10, 20, 30)));
    f->SetCharset(204);
    f->SetPitch(fpVariable);
    return f;
}

}  // namespace

TEST(FontDialog, ChoosesNameSizeStyleAndColourWithTheColourButton) {
    TFontDialog dlg(nullptr);
    TFont* f = startFont(dlg);
    QFont shown;
    bool colourButton = false;
    answerDialog([&](QDialog* d) {
        EXPECT_EQ(d->objectName(), "TFontDialogWindow");
        auto* fonts = d->findChild<QFontDialog*>();
        ASSERT_NE(fonts, nullptr);
        EXPECT_TRUE(fonts->isVisible());
        shown = fonts->currentFont();
        QFont pick(QStringLiteral("DejaVu Serif"));
        pick.setPointSize(20);
        pick.setBold(true);
        pick.setUnderline(true);
        fonts->setCurrentFont(pick);
        auto* colour = d->findChild<QPushButton*>("ColourButton");
        ASSERT_NE(colour, nullptr);
        colourButton = true;
        // The colour dialog opens from the button; OK there, then OK here.
        answerDialog([d](QDialog* c) {
            auto* cd = qobject_cast<QColorDialog*>(c);
            ASSERT_NE(cd, nullptr);
            EXPECT_EQ(cd->currentColor(), QColor(10, 20, 30));
            cd->setCurrentColor(QColor(200, 0, 50));
            cd->accept();
            QTimer::singleShot(0, d, &QDialog::accept);
        });
        colour->click();
    });
    ASSERT_TRUE(dlg.Execute());
    EXPECT_TRUE(colourButton);
    EXPECT_EQ(shown.family(), "DejaVu Sans");
    EXPECT_EQ(shown.pointSize(), 12);
    EXPECT_EQ(f->Name(), "DejaVu Serif");
    EXPECT_EQ(f->Size(), 20);
    EXPECT_EQ(f->Style(), TFontStyles(fsBold | fsUnderline));
    EXPECT_EQ(ColorToRGB(f->Color()), RGB(200, 0, 50));
    // Character set and pitch are kept as they were.
    EXPECT_EQ(f->Charset(), 204);
    EXPECT_EQ(f->Pitch(), fpVariable);
}

TEST(FontDialog, CancelKeepsTheFontAndWithoutEffectsThereIsNoColour) {
    TFontDialog dlg(nullptr);
    TFont* f = startFont(dlg);
    answerDialog([](QDialog* d) {
        QFont pick(QStringLiteral("DejaVu Serif"));
        pick.setPointSize(30);
        d->findChild<QFontDialog*>()->setCurrentFont(pick);
        d->reject();
    });
    EXPECT_FALSE(dlg.Execute());
    EXPECT_EQ(f->Name(), "DejaVu Sans");
    EXPECT_EQ(f->Size(), 12);

    dlg.SetOptions({});
    bool noButton = false;
    answerDialog([&](QDialog* d) {
        noButton = d->findChild<QPushButton*>("ColourButton") == nullptr;
        d->accept();
    });
    ASSERT_TRUE(dlg.Execute());
    EXPECT_TRUE(noButton);
    EXPECT_EQ(ColorToRGB(f->Color()), RGB(10, 20, 30));
}

TEST(FontDialog, SizesStayWithinTheLimitsAndTheSeamAnswersInsteadOfTheDialog) {
    TFontDialog dlg(nullptr);
    TFont* f = startFont(dlg);
    dlg.SetOptions(TFontDialog::TFontDialogOptions(fdEffects) | fdLimitSize);
    dlg.SetMinFontSize(8);
    dlg.SetMaxFontSize(16);
    answerDialog([](QDialog* d) {
        QFont pick(QStringLiteral("DejaVu Sans"));
        pick.setPointSize(40);
        d->findChild<QFontDialog*>()->setCurrentFont(pick);
        d->accept();
    });
    ASSERT_TRUE(dlg.Execute());
    EXPECT_EQ(f->Size(), 16);

    int shows = 0, closes = 0;
    dlg.OnShow = TNotifyEvent([&](TObject*) { ++shows; });
    dlg.OnClose = TNotifyEvent([&](TObject*) { ++closes; });
    const TFontDialogHandler old = SetFontDialogHandler([](TFontDialog* d) {
        d->Font()->SetName("DejaVu Sans Mono");
        d->Font()->SetColor(clRed);
        return true;
    });
    EXPECT_TRUE(dlg.Execute());
    EXPECT_EQ(f->Name(), "DejaVu Sans Mono");
    EXPECT_EQ(f->Color(), clRed);
    // A handler that changes the font and cancels leaves the font as it was.
    SetFontDialogHandler([](TFontDialog* d) {
        d->Font()->SetName("Nothing");
        return false;
    });
    EXPECT_FALSE(dlg.Execute());
    EXPECT_EQ(f->Name(), "DejaVu Sans Mono");
    EXPECT_EQ(shows, 2);
    EXPECT_EQ(closes, 2);
    SetFontDialogHandler(old);
}

TEST(FontDialog, LayoutsCarryItsFontAndOptions) {
    RegisterStandardClasses();
    TForm form(nullptr);
    form.SetName("FontHost");
    auto* dlg = new TFontDialog(&form);
    dlg->SetName("FontDialog1");
    dlg->Font()->SetName("DejaVu Sans");
    dlg->Font()->SetHeight(-21);
    dlg->Font()->SetStyle(fsItalic);
    dlg->Font()->SetColor(clNavy);
    dlg->SetOptions(TFontDialog::TFontDialogOptions(fdEffects) | fdScalableOnly);
    dlg->SetMaxFontSize(72);
    const String text = WriteComponentText(&form);
    EXPECT_NE(text.find("Font.Name = 'DejaVu Sans'"), String::npos) << text;
    EXPECT_NE(text.find("Font.Color = clNavy"), String::npos) << text;
    EXPECT_NE(text.find("Options = [fdEffects, fdScalableOnly]"), String::npos) << text;
    TForm copy(nullptr);
    ReadComponentText(text, &copy);
    auto* read = qobject_cast<TFontDialog*>(copy.FindComponent("FontDialog1"));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->Font()->Name(), "DejaVu Sans");
    EXPECT_EQ(read->Font()->Height(), -21);
    EXPECT_EQ(read->Font()->Style(), TFontStyles(fsItalic));
    EXPECT_EQ(read->Font()->Color(), clNavy);
    EXPECT_EQ(read->Options(), TFontDialog::TFontDialogOptions(fdEffects) | fdScalableOnly);
    EXPECT_EQ(read->MaxFontSize(), 72);
}
