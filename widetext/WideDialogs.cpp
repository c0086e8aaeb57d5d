// The wide message dialog.
#include "widetext/WideDialogs.h"

#include "classlib/Consts.h"
#include "platform/process.h"
#include "platform/winicon.h"
#include "platform/winpaint.h"
#include "widetext/WideClipbrd.h"
#include "widetext/WideExtCtrls.h"
#include "widetext/WideStdCtrls.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace {

struct ButtonKind {
    const char* name;
    const TResStringRec* caption;
    TModalResult result;
};

constexpr int kButtonCount = mbHelp + 1;

const ButtonKind kButtons[kButtonCount] = {
    {"Yes", &SMsgDlgYes, mrYes},         {"No", &SMsgDlgNo, mrNo},
    {"OK", &SMsgDlgOK, mrOk},            {"Cancel", &SMsgDlgCancel, mrCancel},
    {"Abort", &SMsgDlgAbort, mrAbort},   {"Retry", &SMsgDlgRetry, mrRetry},
    {"Ignore", &SMsgDlgIgnore, mrIgnore}, {"All", &SMsgDlgAll, mrAll},
    {"NoToAll", &SMsgDlgNoToAll, mrNoToAll}, {"YesToAll", &SMsgDlgYesToAll, mrYesToAll},
    {"Help", &SMsgDlgHelp, mrNone},
};

bool requested(TMsgDlgButtons Buttons, int B) { return (Buttons & (1u << static_cast<unsigned>(B))) != 0; }

WORD iconOf(TMsgDlgType Type) {
    switch (Type) {
    case mtWarning: return IDI_EXCLAMATION;
    case mtError: return IDI_HAND;
    case mtInformation: return IDI_ASTERISK;
    case mtConfirmation: return IDI_QUESTION;
    default: return 0;
    }
}

// The desktop's message font.
void takeMessageFont(TFont* Font) {
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) return;
    const LOGFONTA& lf = metrics.lfMessageFont;
    Font->SetName(String(lf.lfFaceName, strnlen(lf.lfFaceName, LF_FACESIZE)));
    Font->SetHeight(lf.lfHeight);
    Font->SetCharset(lf.lfCharSet);
    TFontStyles style = 0;
    if (lf.lfWeight >= FW_BOLD) style |= fsBold;
    if (lf.lfItalic) style |= fsItalic;
    Font->SetStyle(style);
}

// The message dialog's focus goes to its default button when it shows.
class TMessageFormFocus : public TComponent {
public:
    TMessageFormFocus(TWideMessageForm* Form, TWinControl* Button) : TComponent(Form), FButton(Button) {
        Button->FreeNotification(this);
        TNotifyEvent before = Form->OnShow;
        Form->OnShow = TNotifyEvent([this, Form, before](TObject* Sender) {
            if (before) before(Sender);
            if (FButton && FButton->CanFocus()) Form->SetActiveControl(FButton);
        });
    }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        if (Operation == opRemove && AComponent == FButton) FButton = nullptr;
    }

private:
    TWinControl* FButton;
};

}  // namespace

WideString GetMessageCaption(TMsgDlgType MsgType) {
    switch (MsgType) {
    case mtWarning: return LoadResStringW(&SMsgDlgWarning);
    case mtError: return LoadResStringW(&SMsgDlgError);
    case mtInformation: return LoadResStringW(&SMsgDlgInformation);
    case mtConfirmation: return LoadResStringW(&SMsgDlgConfirm);
    case mtCustom: return WideApplication ? WideApplication->Title() : AnsiToWide(Application ? Application->Title() : String());
    }
    throw EWideInternalError("Unexpected MsgType in GetMessageCaption.");
}

WideString GetButtonCaption(TMsgDlgBtn Button) {
    const int b = static_cast<int>(Button);
    if (b < 0 || b >= kButtonCount) throw EWideInternalError("Unexpected MsgDlgBtn in GetButtonCaption.");
    return LoadResStringW(kButtons[b].caption);
}

// ---- The form ----------------------------------------------------------------------------

WideString TWideMessageForm::ClipboardText() {
    const WideString divider = WideString(27, u'-') + u"\r\n";
    WideString buttons;
    WideString message;
    for (int i = 0; i < ComponentCount(); ++i) {
        if (auto* b = qobject_cast<TWideButton*>(Components(i))) buttons += b->Caption() + u"   ";
        else if (auto* l = qobject_cast<TWideLabel*>(Components(i)); l && l->Name() == "Message") message = l->Caption();
    }
    buttons = WideStringReplace(buttons, u"&", u"", wrfReplaceAll);
    return divider + Caption() + u"\r\n" + divider + message + u"\r\n" + divider + buttons + u"\r\n" + divider;
}

void TWideMessageForm::KeyDown(WORD& Key, TShiftState Shift) {
    if ((Shift & (ssShift | ssCtrl | ssAlt)) == ssCtrl && Key == 'C') {
        MessageBeep(0);
        WideClipboard()->SetAsWideText(ClipboardText());
    }
    TWideForm::KeyDown(Key, Shift);
}

void TWideMessageForm::HelpButtonClick(TObject*) {
    if (!Application) return;
    // The application's help on the dialog's topic; the dialog's help file stands in for the
    // application's while it is asked.
    const String saved = Application->HelpFile;
    if (!HelpFile.empty()) Application->HelpFile = HelpFile;
    try {
        Application->HelpContext(HelpContext);
    } catch (...) {
        Application->HelpFile = saved;
        throw;
    }
    Application->HelpFile = saved;
}

// ---- Building and showing ---------------------------------------------------------------------

TWideMessageForm* WideCreateMessageDialog(const WideString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons) {
    InitApplication();
    auto* form = new TWideMessageForm(Application);
    try {
        takeMessageFont(form->Font());
        form->SetBorderStyle(bsDialog);
        form->SetKeyPreview(true);
        const UINT reading = form->UseRightToLeftReading() ? DT_RTLREADING : 0;

        // Dialog units from the 52 letters, and the dialog's measures in them.
        HDC dc = GetDC(nullptr);
        HGDIOBJ oldFont = SelectObject(dc, form->Font()->Handle());
        static const char16_t letters[] = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
        SIZE extent{0, 0};
        GetTextExtentPoint32W(dc, letters, 52, &extent);
        const int duX = extent.cx / 52;
        const int duY = extent.cy;
        const int horzMargin = MulDiv(8, duX, 4);
        const int vertMargin = MulDiv(8, duY, 8);
        const int horzSpacing = MulDiv(10, duX, 4);
        const int vertSpacing = MulDiv(10, duY, 8);
        int buttonWidth = MulDiv(50, duX, 4);
        for (int b = 0; b < kButtonCount; ++b) {
            if (!requested(Buttons, b)) continue;
            const WideString caption = GetButtonCaption(static_cast<TMsgDlgBtn>(b));
            RECT r{0, 0, 0, 0};
            WideApiDrawText(dc, caption.c_str(), -1, r, DT_CALCRECT | DT_SINGLELINE | reading);
            buttonWidth = std::max(buttonWidth, static_cast<int>(r.right - r.left) + 8);
        }
        const int buttonHeight = MulDiv(14, duY, 8);
        const int buttonSpacing = MulDiv(4, duX, 4);
        // The message wraps within half the screen; "&" is a character like any other.
        RECT textRect{0, 0, (Screen ? Screen->Width() : 800) / 2, 0};
        WideApiDrawText(dc, Msg.c_str(), static_cast<int>(Msg.size()), textRect,
                        DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX | reading);
        SelectObject(dc, oldFont);
        ReleaseDC(nullptr, dc);

        const WORD icon = iconOf(DlgType);
        const int textWidth = textRect.right - textRect.left;
        const int textHeight = textRect.bottom - textRect.top;
        const int iconTextWidth = icon ? textWidth + horzSpacing + 32 : textWidth;
        const int iconTextHeight = icon ? std::max(textHeight, 32) : textHeight;
        int count = 0;
        for (int b = 0; b < kButtonCount; ++b) count += requested(Buttons, b) ? 1 : 0;
        const int groupWidth = count > 0 ? count * buttonWidth + (count - 1) * buttonSpacing : 0;
        form->SetClientWidth(std::max(iconTextWidth, groupWidth) + 2 * horzMargin);
        form->SetClientHeight(iconTextHeight + vertSpacing + buttonHeight + 2 * vertMargin);
        if (Screen) {
            form->SetLeft(Screen->Width() / 2 - form->Width() / 2);
            form->SetTop(Screen->Height() / 2 - form->Height() / 2);
        }
        form->SetCaption(GetMessageCaption(DlgType));

        if (icon) {
            auto* image = new TWideImage(form);
            image->SetName("Image");
            image->SetParent(form);
            TIcon picture;
            picture.SetHandle(LoadIconW(nullptr, MAKEINTRESOURCEW(icon)));
            image->Picture()->SetGraphic(&picture);
            image->SetBounds(horzMargin, vertMargin, 32, 32);
        }
        auto* message = new TWideLabel(form);
        message->SetName("Message");
        message->SetParent(form);
        message->SetBiDiMode(form->BiDiMode());
        message->SetShowAccelChar(false);
        int x = iconTextWidth - textWidth + horzMargin;
        if (form->UseRightToLeftAlignment()) x = form->ClientWidth() - x - textWidth;
        message->SetBounds(x, vertMargin, textWidth, textHeight);
        message->SetWordWrap(true);
        message->SetCaption(Msg);
        message->SetBounds(x, vertMargin, textWidth, textHeight);

        const int defaultButton = requested(Buttons, mbOK) ? mbOK : requested(Buttons, mbYes) ? mbYes : mbRetry;
        const int cancelButton = requested(Buttons, mbCancel) ? mbCancel : requested(Buttons, mbNo) ? mbNo : mbOK;
        int left = (form->ClientWidth() - groupWidth) / 2;
        const int top = iconTextHeight + vertMargin + vertSpacing;
        for (int b = 0; b < kButtonCount; ++b) {
            if (!requested(Buttons, b)) continue;
            auto* button = new TWideButton(form);
            button->SetName(kButtons[b].name);
            button->SetParent(form);
            button->SetCaption(GetButtonCaption(static_cast<TMsgDlgBtn>(b)));
            button->SetModalResult(kButtons[b].result);
            if (b == defaultButton) {
                button->SetDefault(true);
                new TMessageFormFocus(form, button);
            }
            if (b == cancelButton) button->SetCancel(true);
            button->SetBounds(left, top, buttonWidth, buttonHeight);
            left += buttonWidth + buttonSpacing;
            if (b == mbHelp) button->OnClick = TNotifyEvent(form, &TWideMessageForm::HelpButtonClick);
        }
    } catch (...) {
        delete form;
        throw;
    }
    return form;
}

int WideMessageDlgPosHelp(const WideString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx, int X,
                          int Y, const WideString& HelpFileName) {
    TWideMessageForm* form = WideCreateMessageDialog(Msg, DlgType, Buttons);
    int result = mrNone;
    try {
        form->HelpContext = HelpCtx;
        form->HelpFile = WideToAnsi(HelpFileName);
        if (X >= 0) form->SetLeft(X);
        if (Y >= 0) form->SetTop(Y);
        if (X < 0 && Y < 0) form->SetPosition(poScreenCenter);
        result = form->ShowModal();
    } catch (...) {
        delete form;
        throw;
    }
    delete form;
    return result;
}

int WideMessageDlgPos(const WideString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx, int X, int Y) {
    return WideMessageDlgPosHelp(Msg, DlgType, Buttons, HelpCtx, X, Y, WideString());
}

void ShowWideMessage(const WideString& Msg) { WideMessageDlgPos(Msg, mtCustom, MsgDlgButton(mbOK), 0, -1, -1); }
