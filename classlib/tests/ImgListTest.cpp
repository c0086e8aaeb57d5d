// Image lists of the class library: images from bitmaps and icons, drawing at its styles and
// greyed, change links, shared handles, the "Bitmap" layout data, and the progress bar.
#include "classlib/ComCtrls.h"
#include "classlib/Forms.h"
#include "classlib/ImgList.h"
#include "platform/shellapi.h"
#include "testsupport/TestSupport.h"

#include <QApplication>
#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

class TImagesForm : public TForm {
    Q_OBJECT
public:
    explicit TImagesForm(TComponent* AOwner) : TForm(AOwner) {
        PublishField("Images", Images);
        PublishField("Bar", Bar);
    }
    TImageList* Images = nullptr;
    TProgressBar* Bar = nullptr;
};

// An 8 x 8 bitmap strip of `n` images: image k is a square of colour k on fuchsia with a
// fuchsia 4 x 4 corner at its bottom right.
TBitmap* strip(int n, const std::vector<TColor>& colours) {
    auto* b = new TBitmap;
    b->SetSize(8 * n, 8);
    TCanvas* c = b->Canvas();
    for (int k = 0; k < n; ++k) {
        c->Brush()->SetColor(colours[static_cast<std::size_t>(k)]);
        c->FillRect(RECT{8 * k, 0, 8 * k + 8, 8});
        c->Brush()->SetColor(clFuchsia);
        c->FillRect(RECT{8 * k + 4, 4, 8 * k + 8, 8});
    }
    return b;
}

// A canvas of w x h filled with one colour.
struct Paper {
    TBitmap bitmap;
    Paper(int w, int h, TColor fill) {
        bitmap.SetSize(w, h);
        bitmap.Canvas()->Brush()->SetColor(fill);
        bitmap.Canvas()->FillRect(RECT{0, 0, w, h});
    }
    TCanvas* canvas() { return bitmap.Canvas(); }
    TColor at(int x, int y) { return bitmap.Canvas()->Pixel(x, y); }
};

}  // namespace

#include "ImgListTest.moc"

TEST(TImageList, ImagesGoInFromBitmapsAndIconsAndAreDrawnAtTheListsStyle) {
    TImageList list(8, 8);
    EXPECT_EQ(list.Count(), 0);
    std::unique_ptr<TBitmap> two(strip(2, {clRed, clBlue}));
    EXPECT_EQ(list.AddMasked(two.get(), clFuchsia), 0);
    EXPECT_EQ(list.Count(), 2);
    {
        Paper p(16, 8, clLime);
        list.Draw(p.canvas(), 0, 0, 0);
        list.Draw(p.canvas(), 8, 0, 1);
        EXPECT_EQ(p.at(0, 0), clRed);
        EXPECT_EQ(p.at(7, 7), clLime);  // the masked corner
        EXPECT_EQ(p.at(8, 0), clBlue);
    }
    // Selected blends with BlendColor; itMask draws the mask.
    list.SetBlendColor(clBlue);
    {
        Paper p(16, 8, clLime);
        list.Draw(p.canvas(), 0, 0, 0, dsSelected, itImage);
        list.Draw(p.canvas(), 8, 0, 0, dsNormal, itMask);
        EXPECT_EQ(p.at(0, 0), static_cast<TColor>(RGB(128, 0, 128)));
        EXPECT_EQ(p.at(8, 0), clBlack);
        EXPECT_EQ(p.at(15, 7), clWhite);
    }
    // A background colour fills the masked part under dsNormal, not under dsTransparent.
    list.SetBkColor(clYellow);
    EXPECT_EQ(list.BkColor(), clYellow);
    {
        Paper p(16, 8, clLime);
        list.Draw(p.canvas(), 0, 0, 0);
        list.SetDrawingStyle(dsTransparent);
        list.Draw(p.canvas(), 8, 0, 0);
        EXPECT_EQ(p.at(7, 7), clYellow);
        EXPECT_EQ(p.at(15, 7), clLime);
    }
    list.SetDrawingStyle(dsNormal);
    list.SetBkColor(clNone);
    // An icon round trip keeps the transparency.
    TIcon icon;
    list.GetIcon(1, &icon);
    EXPECT_EQ(icon.Width(), 8);
    EXPECT_EQ(list.AddIcon(&icon), 2);
    TBitmap bitmap;
    list.GetBitmap(2, &bitmap);
    EXPECT_EQ(bitmap.Width(), 8);
    EXPECT_EQ(bitmap.Canvas()->Pixel(0, 0), clBlue);
    EXPECT_EQ(bitmap.Canvas()->Pixel(7, 7), ColorToRGB(clBtnFace));
    // Insert, move, replace and delete; bad indexes raise.
    std::unique_ptr<TBitmap> green(strip(1, {clGreen}));
    list.InsertMasked(0, green.get(), clFuchsia);
    EXPECT_EQ(list.Count(), 4);
    {
        Paper p(32, 8, clWhite);
        for (int i = 0; i < 4; ++i) list.Draw(p.canvas(), 8 * i, 0, i);
        EXPECT_EQ(p.at(0, 0), clGreen);
        EXPECT_EQ(p.at(8, 0), clRed);
        EXPECT_EQ(p.at(16, 0), clBlue);
        EXPECT_EQ(p.at(24, 0), clBlue);
    }
    list.Move(0, 3);
    list.Delete(0);
    list.Replace(0, green.get(), nullptr);
    {
        Paper p(24, 8, clWhite);
        for (int i = 0; i < 3; ++i) list.Draw(p.canvas(), 8 * i, 0, i);
        EXPECT_EQ(p.at(0, 0), clGreen);
        EXPECT_EQ(p.at(7, 7), clFuchsia);  // replaced without a mask
        EXPECT_EQ(p.at(8, 0), clBlue);
        EXPECT_EQ(p.at(16, 0), clGreen);
    }
    EXPECT_THROW(list.Delete(3), EInvalidOperation);
    EXPECT_THROW(list.Replace(-1, green.get(), nullptr), EInvalidOperation);
    EXPECT_THROW(list.SetWidth(0), EInvalidOperation);
    // Masked off: the list keeps its images, without their masks.
    list.SetMasked(false);
    EXPECT_EQ(list.Count(), 3);
    {
        Paper p(8, 8, clWhite);
        list.Draw(p.canvas(), 0, 0, 1);
        EXPECT_EQ(p.at(0, 0), clBlue);
    }
    // A new width removes the images.
    list.SetWidth(16);
    EXPECT_EQ(list.Count(), 0);
}

TEST(TImageList, DisabledImagesAreGreyedShapes) {
    TImageList list(8, 8);
    std::unique_ptr<TBitmap> one(strip(1, {clRed}));
    list.AddMasked(one.get(), clFuchsia);
    Paper p(10, 10, clLime);
    list.Draw(p.canvas(), 0, 0, 0, false);
    // The shape in the shadow colour, and the highlight one pixel down and right of it.
    EXPECT_EQ(p.at(0, 0), ColorToRGB(clBtnShadow));
    EXPECT_EQ(p.at(3, 7), ColorToRGB(clBtnShadow));
    EXPECT_EQ(p.at(8, 1), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(p.at(4, 8), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(p.at(6, 6), clLime);  // the masked corner stays
    EXPECT_EQ(p.at(9, 9), clLime);
}

TEST(TImageList, ChangeLinksHearEveryChangeOnceAndLeaveCleanly) {
    auto* list = new TImageList(8, 8);
    int heard = 0, notified = 0;
    TChangeLink link;
    link.OnChange = [&](TObject* sender) {
        EXPECT_EQ(sender, list);
        ++heard;
    };
    list->OnChange = [&](TObject*) { ++notified; };
    list->RegisterChanges(&link);
    list->RegisterChanges(&link);  // once only
    EXPECT_EQ(link.Sender(), list);
    std::unique_ptr<TBitmap> two(strip(2, {clRed, clBlue}));
    list->AddMasked(two.get(), clFuchsia);
    EXPECT_EQ(heard, 1);
    EXPECT_EQ(notified, 1);
    list->BeginUpdate();
    list->Delete(0);
    list->SetBkColor(clWhite);
    list->Overlay(0, 0);
    EXPECT_EQ(heard, 1);
    list->EndUpdate();
    EXPECT_EQ(heard, 2);
    {
        TChangeLink second;
        list->RegisterChanges(&second);
    }  // leaves the list when it goes
    list->Clear();
    EXPECT_EQ(heard, 3);
    delete list;
    EXPECT_EQ(link.Sender(), nullptr);
}

TEST(TImageList, SharedHandlesAreNotDestroyedAndOwnOnesAre) {
    const HIMAGELIST system = platform::systemImageList(true);
    {
        TImageList shared(nullptr);
        shared.SetShareImages(true);
        shared.SetHandle(system);
        EXPECT_EQ(shared.Width(), 16);
        EXPECT_GT(shared.Count(), 0);
    }
    EXPECT_GT(ImageList_GetImageCount(system), 0);
    HIMAGELIST own = nullptr;
    {
        TImageList list(8, 8);
        own = list.Handle();
        TImageList copy(nullptr);
        std::unique_ptr<TBitmap> two(strip(2, {clRed, clBlue}));
        list.AddMasked(two.get(), clFuchsia);
        copy.Assign(&list);
        EXPECT_EQ(copy.Count(), 2);
        EXPECT_NE(copy.Handle(), list.Handle());
    }
    EXPECT_EQ(ImageList_GetImageCount(own), 0);
    EXPECT_FALSE(ImageList_Destroy(own));  // already gone
}

TEST(TImageList, TheLayoutCarriesTheImagesAsBitmapData) {
    RegisterClasses<TImagesForm>();
    RegisterStandardClasses();
    TImagesForm form(nullptr);
    form.SetName("ImagesForm");
    auto* images = new TImageList(&form);
    images->SetName("Images");
    images->SetWidth(8);
    images->SetHeight(8);
    images->SetBkColor(clYellow);
    std::unique_ptr<TBitmap> three(strip(3, {clRed, clBlue, clGreen}));
    images->AddMasked(three.get(), clFuchsia);
    const String text = WriteComponentText(&form);
    EXPECT_NE(text.find("object Images: TImageList"), String::npos) << text;
    EXPECT_NE(text.find("BkColor = clYellow"), String::npos) << text;
    EXPECT_NE(text.find("Bitmap = {"), String::npos) << text;
    EXPECT_EQ(text.find("Masked"), String::npos);  // the default

    TImagesForm back(nullptr);
    ReadComponentText(text, &back);
    ASSERT_NE(back.Images, nullptr);
    EXPECT_EQ(back.Images->Count(), 3);
    EXPECT_EQ(back.Images->Width(), 8);
    Paper p(24, 8, clLime);
    for (int i = 0; i < 3; ++i) back.Images->Draw(p.canvas(), 8 * i, 0, i);
    EXPECT_EQ(p.at(0, 0), clRed);
    EXPECT_EQ(p.at(8, 0), clBlue);
    EXPECT_EQ(p.at(16, 0), clGreen);
    EXPECT_EQ(p.at(23, 7), clYellow);
    // Writing again gives the same text.
    EXPECT_EQ(WriteComponentText(&back), text);

    // Damaged data is refused.
    String bad = text;
    const std::size_t at = bad.find("494C0101");  // the header's mark
    ASSERT_NE(at, String::npos) << text;
    bad.replace(at, 8, "00000000");
    TImagesForm damaged(nullptr);
    EXPECT_THROW(ReadComponentText(bad, &damaged), EReadError);
}

TEST(TProgressBar, PropertiesStepsAndTheLayout) {
    RegisterClasses<TImagesForm>();
    RegisterStandardClasses();
    TImagesForm form(nullptr);
    ReadComponentText("object ImagesForm: TImagesForm\n"
                      "  Left = 10\n  Top = 10\n  Width = 260\n  Height = 80\n"
                      "  object Bar: TProgressBar\n"
                      "    Left = 8\n    Top = 8\n    Width = 202\n    Height = 18\n"
                      "    Min = 10\n    Max = 60\n    Position = 35\n    Smooth = True\n    Step = 20\n"
                      "  end\n"
                      "end\n",
                      &form);
    ASSERT_NE(form.Bar, nullptr);
    TProgressBar* bar = form.Bar;
    form.Show();
    EXPECT_EQ(bar->Position(), 35);
    EXPECT_EQ(SendMessageA(bar->Handle(), PBM_GETPOS, 0, 0), 35);
    EXPECT_EQ(SendMessageA(bar->Handle(), PBM_GETRANGE, TRUE, 0), 10);
    // Half of the range: the bar fills half the inside.
    QWidget* w = platform::windowWidget(bar->Handle());
    const QImage shot = w->grab().toImage();
    const QColor highlight(GetRValue(GetSysColor(COLOR_HIGHLIGHT)), GetGValue(GetSysColor(COLOR_HIGHLIGHT)),
                           GetBValue(GetSysColor(COLOR_HIGHLIGHT)));
    EXPECT_EQ(shot.pixelColor(100, 9), highlight);
    EXPECT_NE(shot.pixelColor(102, 9), highlight);
    const std::string screens = testsupport::env("TESSELLON_SCREEN_DIR");
    if (!screens.empty()) {
        bar->SetPosition(47);
        platform::windowWidget(form.Handle())->grab().save(QString::fromStdString(screens + "/progressbar.png"));
    }
    bar->SetPosition(35);
    bar->StepIt();
    EXPECT_EQ(bar->Position(), 55);
    bar->StepIt();  // past the end: again from the start
    EXPECT_EQ(bar->Position(), 25);
    bar->StepBy(-100);
    EXPECT_EQ(bar->Position(), 10);
    bar->SetPosition(1000);
    EXPECT_EQ(bar->Position(), 60);
    EXPECT_THROW(bar->SetMax(5), EInvalidOperation);
    bar->SetMax(40);
    EXPECT_EQ(bar->Position(), 40);
    // A re-created window keeps the values; a vertical bar turns its bounds.
    bar->SetPosition(30);
    bar->SetOrientation(pbVertical);
    EXPECT_EQ(bar->Width(), 18);
    EXPECT_EQ(bar->Height(), 202);
    EXPECT_TRUE(GetWindowLongA(bar->Handle(), GWL_STYLE) & PBS_VERTICAL);
    EXPECT_EQ(bar->Position(), 30);
    EXPECT_EQ(SendMessageA(bar->Handle(), PBM_GETRANGE, FALSE, 0), 40);
    // Without a window the values still hold.
    TProgressBar loose(nullptr);
    loose.SetStep(30);
    loose.SetPosition(90);
    loose.StepIt();
    EXPECT_EQ(loose.Position(), 20);
    const String text = WriteComponentText(&form);
    EXPECT_NE(text.find("Orientation = pbVertical"), String::npos) << text;
    EXPECT_NE(text.find("Position = 30"), String::npos) << text;
}
