// The wide message dialog: a form built at run time with an icon, the message in a
// word-wrapped wide label and a row of wide buttons, shown modally through the application.
// Ctrl+C copies its texts to the clipboard as UTF-16.
#pragma once

#include "classlib/Dialogs.h"
#include "widetext/WideForms.h"

class TWideLabel;

class TWideMessageForm : public TWideForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TWideMessageForm(TComponent* AOwner) : TWideForm(AOwner) {}
    int HelpContext = 0;
    String HelpFile;
    // The texts the dialog shows, as Ctrl+C copies them.
    WideString ClipboardText();
    // The Help button's click: the application's help on HelpContext (in the dialog's help
    // file when it has one).
    void HelpButtonClick(TObject* Sender);

protected:
    void KeyDown(WORD& Key, TShiftState Shift) override;
};

// The caption of a message type ("Warnung", "Fehler", "Information", "Bestätigung"; the
// application's wide title for mtCustom) and of a button ("&Ja", "OK", ...); another value
// raises EWideInternalError.
WideString GetMessageCaption(TMsgDlgType MsgType);
WideString GetButtonCaption(TMsgDlgBtn Button);

// Builds the dialog (the caller shows and frees it).
TWideMessageForm* WideCreateMessageDialog(const WideString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons);
// Builds the dialog, places it at X and Y (each when not negative; centred on the screen
// when both are), shows it modally, frees it and returns the modal result.
int WideMessageDlgPosHelp(const WideString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx, int X,
                          int Y, const WideString& HelpFileName);
int WideMessageDlgPos(const WideString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx, int X, int Y);
// The message with one OK button, no icon and the application's title.
void ShowWideMessage(const WideString& Msg);
