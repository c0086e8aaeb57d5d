// A layout with the poster window's controls read into a form: properties, nested menus,
// collections, tab sheets, references and handlers bound by name; the user's actions reach
// the handlers and code changes do not fire OnChange.
#include "classlib/ComCtrls.h"
#include "classlib/Dialogs.h"
#include "classlib/ExtCtrls.h"
#include "classlib/FileCtrl.h"
#include "classlib/Forms.h"
#include "classlib/Menus.h"
#include "classlib/StdCtrls.h"

#include <QImage>
#include <gtest/gtest.h>
#include <string>
#include <vector>

class TPosterControlsForm : public TForm {
    Q_OBJECT

public:
    explicit TPosterControlsForm(TComponent* AOwner) : TForm(AOwner) {
        RegisterStandardClasses();
        PublishField("Pages", Pages);
        PublishField("PictureSheet", PictureSheet);
        PublishField("SizeSheet", SizeSheet);
        PublishField("Picture", Picture);
        PublishField("Folders", Folders);
        PublishField("Kind", Kind);
        PublishField("Notes", Notes);
        PublishField("Order", Order);
        PublishField("Scroller", Scroller);
        PublishField("Grid", Grid);
        PublishField("Types", Types);
        PublishField("Status", Status);
        PublishField("Saver", Saver);
        PublishField("FormPopup", FormPopup);
        PublishField("EffectPopup", EffectPopup);
        PublishField("FileItem", FileItem);
        PublishField("OpenItem", OpenItem);
        PublishField("QuitItem", QuitItem);
        PublishField("SharpenItem", SharpenItem);
        PublishField("BlurItem", BlurItem);
        LoadLayout("PosterControlsForm");
    }
    TPageControl* Pages = nullptr;
    TTabSheet* PictureSheet = nullptr;
    TTabSheet* SizeSheet = nullptr;
    TImage* Picture = nullptr;
    TListBox* Folders = nullptr;
    TComboBox* Kind = nullptr;
    TMemo* Notes = nullptr;
    TRadioGroup* Order = nullptr;
    TScrollBox* Scroller = nullptr;
    TPaintBox* Grid = nullptr;
    TFilterComboBox* Types = nullptr;
    TStatusBar* Status = nullptr;
    TSaveDialog* Saver = nullptr;
    TPopupMenu* FormPopup = nullptr;
    TPopupMenu* EffectPopup = nullptr;
    TMenuItem* FileItem = nullptr;
    TMenuItem* OpenItem = nullptr;
    TMenuItem* QuitItem = nullptr;
    TMenuItem* SharpenItem = nullptr;
    TMenuItem* BlurItem = nullptr;
    std::vector<std::string> log;
    std::vector<int> draws;

    Q_INVOKABLE void PagesChange(TObject*) { log.push_back("pages " + Pages->ActivePage()->Name()); }
    Q_INVOKABLE void PictureMouseDown(TObject*, TMouseButton Button, TShiftState, int X, int Y) {
        log.push_back("mouse " + std::to_string(static_cast<int>(Button)) + " " + std::to_string(X) + "," +
                      std::to_string(Y));
    }
    Q_INVOKABLE void FoldersDblClick(TObject*) { log.push_back("dbl " + std::to_string(Folders->ItemIndex())); }
    Q_INVOKABLE void KindChange(TObject*) { log.push_back("kind " + Kind->Text()); }
    Q_INVOKABLE void GridPaint(TObject*) { log.push_back("grid"); }
    Q_INVOKABLE void StatusDrawPanel(TStatusBar* StatusBar, TStatusPanel* Panel, const RECT& Rect) {
        StatusBar->Canvas()->Brush()->SetColor(TColor(0x800000));
        StatusBar->Canvas()->FillRect(RECT{Rect.left, Rect.top, Rect.left + 50, Rect.bottom});
        draws.push_back(Panel->Index());  // painting, whenever the bar is drawn
    }
    Q_INVOKABLE void OpenItemClick(TObject* Sender) { log.push_back("menu " + static_cast<TMenuItem*>(Sender)->Name()); }
};

namespace {

// Sends the notification a user's action on a child window gives its parent.
void notify(TWinControl* control, WORD code) {
    SendMessageA(control->Parent()->Handle(), WM_COMMAND, MAKEWPARAM(0, code),
                 reinterpret_cast<LPARAM>(control->Handle()));
}

}  // namespace

TEST(PosterLayout, ReadsEveryControlWithItsProperties) {
    TPosterControlsForm form(nullptr);
    EXPECT_EQ(form.Caption(), "Poster controls");
    EXPECT_EQ(form.PopupMenu(), form.FormPopup);
    // Pages in layout order, the named one active, the others hidden.
    ASSERT_EQ(form.Pages->PageCount(), 2);
    EXPECT_EQ(form.Pages->Pages(0), form.PictureSheet);
    EXPECT_EQ(form.Pages->ActivePage(), form.SizeSheet);
    EXPECT_EQ(form.Pages->ActivePageIndex(), 1);
    EXPECT_EQ(form.PictureSheet->Caption(), "&Picture");
    EXPECT_FALSE(form.PictureSheet->Visible());
    EXPECT_TRUE(form.SizeSheet->Visible());
    EXPECT_EQ(form.Picture->Parent(), form.PictureSheet);
    // The image from its resource.
    EXPECT_EQ(form.Picture->Picture()->Width(), 4);
    EXPECT_EQ(form.Picture->Picture()->Height(), 3);
    EXPECT_TRUE(form.Picture->Stretch());
    EXPECT_EQ(form.Picture->PopupMenu(), form.EffectPopup);
    // Lists.
    ASSERT_EQ(form.Folders->Items()->Count(), 2);
    EXPECT_EQ(form.Folders->Items()->Strings(0), "/home/b");
    EXPECT_EQ(form.Kind->Style(), csDropDownList);
    EXPECT_EQ(form.Kind->ItemIndex(), 1);
    EXPECT_EQ(form.Kind->Text(), "Millimetres");
    EXPECT_EQ(form.Notes->Lines()->Count(), 2);
    EXPECT_TRUE(form.Notes->ReadOnly());
    EXPECT_EQ(form.Notes->ScrollBars(), ssVertical);
    ASSERT_EQ(form.Order->ButtonCount(), 2);
    EXPECT_EQ(form.Order->ItemIndex(), 0);
    EXPECT_TRUE(form.Order->Buttons(0)->Checked());
    EXPECT_EQ(form.Order->Columns(), 2);
    EXPECT_EQ(form.Scroller->HorzScrollBar()->Increment(), 5);
    EXPECT_EQ(form.Types->Items()->Count(), 3);
    EXPECT_EQ(form.Types->Mask(), "*.BMP;*.PNG");
    // The status bar's collection.
    ASSERT_EQ(form.Status->Panels()->Count(), 2);
    EXPECT_EQ(form.Status->Panels()->Items(0)->Width(), 200);
    EXPECT_EQ(form.Status->Panels()->Items(0)->Style(), psOwnerDraw);
    EXPECT_EQ(form.Status->Panels()->Items(1)->Text(), "ready");
    EXPECT_EQ(form.Status->Panels()->Items(1)->Alignment(), taCenter);
    EXPECT_EQ(form.Status->Panels()->Items(1)->Bevel(), pbRaised);
    EXPECT_EQ(form.Status->Align(), alBottom);
    // Dialog settings.
    EXPECT_EQ(form.Saver->DefaultExt(), "bmp");
    EXPECT_EQ(form.Saver->Title(), "Save picture");
    // Nested menus.
    ASSERT_EQ(form.FormPopup->Items()->Count(), 1);
    EXPECT_EQ(form.FormPopup->Items()->Items(0), form.FileItem);
    ASSERT_EQ(form.FileItem->Count(), 3);
    EXPECT_TRUE(form.FileItem->Items(1)->IsLine());
    EXPECT_FALSE(form.QuitItem->Enabled());
    EXPECT_TRUE(form.SharpenItem->Checked());
    EXPECT_TRUE(form.SharpenItem->RadioItem());
}

TEST(PosterLayout, UserActionsReachTheHandlersAndCodeChangesDoNot) {
    TPosterControlsForm form(nullptr);
    form.Show();
    // Code sets the combo box: no OnChange.
    form.Kind->SetItemIndex(0);
    form.Kind->SetText("Millimetres");
    EXPECT_EQ(form.Kind->ItemIndex(), 1);
    EXPECT_TRUE(form.log.empty());
    // The user picks an entry.
    SendMessageA(form.Kind->Handle(), CB_SETCURSEL, 0, 0);
    notify(form.Kind, CBN_SELCHANGE);
    ASSERT_EQ(form.log.size(), 1u);
    EXPECT_EQ(form.log.back(), "kind Pages");
    EXPECT_EQ(form.Kind->ItemIndex(), 0);
    // A double click in the list.
    form.Folders->SetItemIndex(1);
    notify(form.Folders, LBN_DBLCLK);
    EXPECT_EQ(form.log.back(), "dbl 1");
    // A click on the first tab changes the page and fires OnChange; setting it in code does not.
    const RECT tab = form.Pages->TabRect(0);
    SendMessageA(form.Pages->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(tab.left + 3, tab.top + 5));
    SendMessageA(form.Pages->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(tab.left + 3, tab.top + 5));
    EXPECT_EQ(form.log.back(), "pages PictureSheet");
    EXPECT_EQ(form.Pages->ActivePage(), form.PictureSheet);
    EXPECT_TRUE(form.PictureSheet->Visible());
    EXPECT_FALSE(form.SizeSheet->Visible());
    const std::size_t n = form.log.size();
    form.Pages->SetActivePageIndex(1);
    EXPECT_EQ(form.log.size(), n);
    // Mouse events of the image reach the form's handler.
    form.Pages->SetActivePage(form.PictureSheet);
    SendMessageA(form.PictureSheet->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 12));
    SendMessageA(form.PictureSheet->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(10, 12));
    EXPECT_EQ(form.log.back(), "mouse 0 6,8");
}

TEST(PosterLayout, RightClickShowsTheNearestPopupMenuThroughTheSeam) {
    TPosterControlsForm form(nullptr);
    form.Pages->SetActivePage(form.PictureSheet);
    form.Show();
    std::vector<std::pair<TPopupMenu*, POINT>> shown;
    TMenuItem* answer = nullptr;
    TPopupMenuHandler old = SetPopupMenuHandler([&](TPopupMenu* menu, int X, int Y) {
        shown.push_back({menu, POINT{X, Y}});
        return answer;
    });
    // Over the image: its own menu, at the pointer's screen point.
    const POINT onImage = form.Picture->ClientToScreen(POINT{5, 5});
    answer = form.SharpenItem;
    SendMessageA(form.PictureSheet->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(form.PictureSheet->Handle()),
                 MAKELPARAM(onImage.x, onImage.y));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].first, form.EffectPopup);
    EXPECT_EQ(shown[0].second.x, onImage.x);
    EXPECT_EQ(shown[0].second.y, onImage.y);
    EXPECT_EQ(form.EffectPopup->PopupComponent(), form.Picture);
    EXPECT_EQ(form.log.back(), "menu SharpenItem");
    // Over the list, which has none: the form's menu; a dismissed menu runs nothing.
    const POINT onList = form.Folders->ClientToScreen(POINT{5, 5});
    answer = nullptr;
    const std::size_t n = form.log.size();
    SendMessageA(form.Folders->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(form.Folders->Handle()),
                 MAKELPARAM(onList.x, onList.y));
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].first, form.FormPopup);
    EXPECT_EQ(form.log.size(), n);
    SetPopupMenuHandler(old);
}

TEST(PosterLayout, WritesBackWhatItReadAndReadsItAgain) {
    TPosterControlsForm form(nullptr);
    form.Scroller->HorzScrollBar()->SetIncrement(7);
    const String text = WriteComponentText(&form);
    // Nesting and collections as in the layout; the buttons of the radio group and the
    // visibility of tab sheets are not stored.
    EXPECT_NE(text.find("object FileItem: TMenuItem"), String::npos);
    EXPECT_NE(text.find("object OpenItem: TMenuItem"), String::npos);
    EXPECT_NE(text.find("OnClick = OpenItemClick"), String::npos);
    EXPECT_NE(text.find("Panels = <"), String::npos);
    EXPECT_NE(text.find("Style = psOwnerDraw"), String::npos);
    EXPECT_NE(text.find("OnDrawPanel = StatusDrawPanel"), String::npos);
    EXPECT_NE(text.find("Caption = '&Picture'"), String::npos);
    EXPECT_NE(text.find("HorzScrollBar.Increment = 7"), String::npos);
    EXPECT_EQ(text.find("TRadioButton"), String::npos);
    EXPECT_EQ(text.find("Visible = False", text.find("object Pages")), String::npos);
    EXPECT_LT(text.find("object FileItem"), text.find("object OpenItem"));
    EXPECT_LT(text.find("object PictureSheet"), text.find("object Picture: TImage"));
    // Read into a fresh form, the copy has the same parts.
    TPosterControlsForm copy(nullptr);
    for (int i = copy.ComponentCount() - 1; i >= 0; --i) delete copy.Components(i);
    ReadComponentText(text, &copy);
    EXPECT_EQ(copy.Scroller->HorzScrollBar()->Increment(), 7);
    ASSERT_EQ(copy.Pages->PageCount(), 2);
    EXPECT_EQ(copy.Pages->ActivePage(), copy.SizeSheet);
    EXPECT_EQ(copy.FileItem->Count(), 3);
    EXPECT_EQ(copy.Status->Panels()->Count(), 2);
    EXPECT_EQ(copy.Order->ButtonCount(), 2);
    EXPECT_EQ(copy.Kind->ItemIndex(), 1);
}

#include "StdCtrlsLayoutTest.moc"
