// Controls the tests make wide the way the layer's controls do: a UTF-16 window through
// CreateUnicodeWindow, wide Caption and Hint properties and their layout twins.
#pragma once

#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "platform/codepage.h"
#include "widetext/WideComCtrls.h"
#include "widetext/WideControls.h"
#include "widetext/WideProperties.h"

#include <QImage>
#include <QString>
#include <QWidget>

#include <string>

class TTestWideEdit : public TEdit {
    Q_OBJECT
    Q_PROPERTY(WideString Hint READ Hint WRITE SetHint)
public:
    WideString Caption() { return WideGetText(this); }
    void SetCaption(const WideString& Value) { WideSetText(this, Value); }
    WideString Hint() { return WideGetHint(this); }
    void SetHint(const WideString& Value) { WideSetHint(this, Value); }
    Q_INVOKABLE bool IsCaptionStored() const { return ::IsCaptionStored(const_cast<TTestWideEdit*>(this)); }
    Q_INVOKABLE bool IsHintStored() const { return ::IsHintStored(const_cast<TTestWideEdit*>(this)); }
    void DefineProperties(TFiler* Filer) override {
        TEdit::DefineProperties(Filer);
        DefineWidePropertiesHook(Filer, this);
    }

public:
    explicit TTestWideEdit(TComponent* AOwner) : TEdit(AOwner) {}

protected:
    void CreateWindowHandle(const TCreateParams& Params) override { CreateUnicodeWindow(this, Params, u"EDIT"); }
};

class TTestWideButton : public TButton {
    Q_OBJECT
    Q_PROPERTY(WideString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(WideString Hint READ Hint WRITE SetHint)
public:
    WideString Caption() { return WideGetText(this); }
    void SetCaption(const WideString& Value) { WideSetText(this, Value); }
    WideString Hint() { return WideGetHint(this); }
    void SetHint(const WideString& Value) { WideSetHint(this, Value); }
    Q_INVOKABLE bool IsCaptionStored() const { return ::IsCaptionStored(const_cast<TTestWideButton*>(this)); }
    Q_INVOKABLE bool IsHintStored() const { return ::IsHintStored(const_cast<TTestWideButton*>(this)); }
    void DefineProperties(TFiler* Filer) override {
        TButton::DefineProperties(Filer);
        DefineWidePropertiesHook(Filer, this);
    }

public:
    explicit TTestWideButton(TComponent* AOwner) : TButton(AOwner) {}
    ~TTestWideButton() override {
        Destroying();
        DestroyHandle();
    }
    void Dispatch(TMessage& Message) override { TButton::Dispatch(Message); }

protected:
    void CreateWindowHandle(const TCreateParams& Params) override { CreateUnicodeWindow(this, Params, u"BUTTON"); }
};

// A label has no window: its wide caption lives in a holder, and it asks for the wide
// hint window itself.
class TTestWideLabel : public TLabel {
    Q_OBJECT
    Q_PROPERTY(WideString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(WideString Hint READ Hint WRITE SetHint)
public:
    WideString Caption() { return WideGetText(this); }
    void SetCaption(const WideString& Value) { WideSetText(this, Value); }
    WideString Hint() { return WideGetHint(this); }
    void SetHint(const WideString& Value) { WideSetHint(this, Value); }
    Q_INVOKABLE bool IsCaptionStored() const { return ::IsCaptionStored(const_cast<TTestWideLabel*>(this)); }
    Q_INVOKABLE bool IsHintStored() const { return ::IsHintStored(const_cast<TTestWideLabel*>(this)); }
    void DefineProperties(TFiler* Filer) override {
        TLabel::DefineProperties(Filer);
        DefineWidePropertiesHook(Filer, this);
    }

public:
    explicit TTestWideLabel(TComponent* AOwner) : TLabel(AOwner) {}
    void Dispatch(TMessage& Message) override {
        if (Message.Msg == CM_HINTSHOW) ApplyWideHintFix(this, Message);
        TLabel::Dispatch(Message);
    }

protected:
    // Measured and drawn with the wide caption.
    void AdjustBounds() override {
        if (!AutoSize() || ComponentState().Contains(csLoading)) return;
        RECT r{0, 0, 0, 0};
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, Font()->Handle());
        const WideString text = Caption().empty() ? WideString(u" ") : Caption();
        WideApiDrawText(dc, text.c_str(), -1, r, DT_CALCRECT | DT_NOPREFIX);
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
        SetBounds(Left(), Top(), r.right - r.left, r.bottom - r.top);
    }
    void Paint() override {
        TCanvas* c = FCanvas;
        RECT r = ClientRect();
        c->Brush()->SetColor(Color());
        c->FillRect(r);
        c->SetFont(Font());
        c->TextExtent(" ");
        SetBkMode(c->Handle(), TRANSPARENT);
        const WideString text = Caption();
        WideApiDrawText(c->Handle(), text.c_str(), -1, r, DT_NOPREFIX | DT_SINGLELINE);
    }
};

// A form with a UTF-16 window and a wide caption.
class TTestWideForm : public TForm {
    Q_OBJECT
    Q_PROPERTY(WideString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(WideString Hint READ Hint WRITE SetHint)
public:
    WideString Caption() { return WideGetText(this); }
    void SetCaption(const WideString& Value) { WideSetText(this, Value); }
    WideString Hint() { return WideGetHint(this); }
    void SetHint(const WideString& Value) { WideSetHint(this, Value); }
    Q_INVOKABLE bool IsCaptionStored() const { return ::IsCaptionStored(const_cast<TTestWideForm*>(this)); }
    Q_INVOKABLE bool IsHintStored() const { return ::IsHintStored(const_cast<TTestWideForm*>(this)); }
    void DefineProperties(TFiler* Filer) override {
        TForm::DefineProperties(Filer);
        DefineWidePropertiesHook(Filer, this);
    }

public:
    explicit TTestWideForm(TComponent* AOwner) : TForm(AOwner) {}
    ~TTestWideForm() override {
        Destroying();
        DestroyHandle();
    }

protected:
    void CreateWindowHandle(const TCreateParams& Params) override { CreateUnicodeWindow(this, Params, WideString()); }
};

namespace widetest {

// Texts the code pages of the tests cannot all hold.
inline const WideString Greek = u"Ελληνικά";
inline const WideString Cyrillic = u"Кириллица";
inline const WideString Cjk = u"日本語の名前";
inline const WideString Astral = u"\U0001D400\U0001D401 \U0001F600";  // outside the basic plane

inline void registerClasses() {
    RegisterWideClasses();
    RegisterClasses<TTestWideEdit, TTestWideButton, TTestWideLabel, TTestWideForm>();
}

// The folder the tests' screenshots go to (made when missing).
std::string shotPath(const std::string& name);
// Saves a grab of a window's widget; returns the picture.
QImage saveShot(TWinControl* Control, const std::string& name);
// The caption Qt shows in a top-level window's title.
WideString windowTitle(TWinControl* Form);
// Counts pixels darker than mid grey (text) in a picture.
int inkPixels(const QImage& Image);

}  // namespace widetest
