// The one registration of the class library's classes for layouts. A new layout class of
// the class library is added here; the kit and the other libraries register their own
// classes (RegisterKitSpin, ...) after calling this.
#include "classlib/ActnList.h"
#include "classlib/Buttons.h"
#include "classlib/ComCtrls.h"
#include "classlib/Controls.h"
#include "classlib/Dialogs.h"
#include "classlib/ExtCtrls.h"
#include "classlib/FileCtrl.h"
#include "classlib/Forms.h"
#include "classlib/Graphics.h"
#include "classlib/ImgList.h"
#include "classlib/Menus.h"
#include "classlib/StdCtrls.h"

void RegisterStandardClasses() {
    static const bool done = [] {
        RegisterGraphicsIdents();
        RegisterCursorIdents();
        // Graphics.
        RegisterClasses<TFont, TPen, TBrush, TBitmap, TPicture>();
        // Controls and Buttons.
        RegisterClasses<TControl, TWinControl, TGraphicControl, TCustomControl, TSpeedButton>();
        // StdCtrls.
        RegisterClasses<TEdit, TMemo, TLabel, TButton, TCheckBox, TRadioButton, TGroupBox, TListBox, TComboBox>();
        // ExtCtrls.
        RegisterClasses<TPanel, TTimer, TImage, TPaintBox, TBevel, TShape, TRadioGroup>();
        // ComCtrls.
        RegisterClasses<TUpDown, TStatusBar, TPageControl, TTabSheet, TTrackBar, TProgressBar, TTreeView, TToolBar, TToolButton>();
        RegisterClasses<TListView>();
        // ImgList.
        RegisterClasses<TImageList>();
        // Forms.
        RegisterClasses<TForm, TScrollBox, TFrame>();
        // Menus and Dialogs.
        RegisterClasses<TMenuItem, TPopupMenu, TMainMenu>();
        RegisterClasses<TOpenDialog, TSaveDialog, TColorDialog, TFontDialog, TPrintDialog>();
        // ActnList.
        RegisterClasses<TActionList, TAction, THintAction>();
        // FileCtrl.
        RegisterClasses<TFilterComboBox, TFileListBox, TDirectoryListBox>();
        return true;
    }();
    (void)done;
}
