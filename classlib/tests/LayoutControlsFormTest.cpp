// A form read from a layout resource: controls of several classes nested in panels, their
// names, captions and properties, events bound to the form's handlers and fired by code
// and by real mouse and key events, the written layout, and a missing handler.
#include "classlib/Buttons.h"
#include "classlib/ComCtrls.h"
#include "classlib/ExtCtrls.h"
#include "classlib/StdCtrls.h"

#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

class TLayoutControlsForm : public TForm {
    Q_OBJECT

public:
    explicit TLayoutControlsForm(TComponent* AOwner, const char* Layout = "LayoutControlsForm") : TForm(AOwner) {
        PublishField("TopPanel", TopPanel);
        PublishField("OptionsBox", OptionsBox);
        PublishField("BoldCheck", BoldCheck);
        PublishField("NameEdit", NameEdit);
        PublishField("ToolButton", ToolButton);
        PublishField("PagesLabel", PagesLabel);
        PublishField("Holder", Holder);
        PublishField("OkButton", OkButton);
        if (Layout) LoadLayout(Layout);
    }

    Q_INVOKABLE void FormResize(TObject* Sender) { log.push_back("resize " + senderName(Sender)); }
    Q_INVOKABLE void ButtonClick(TObject* Sender) { log.push_back("click " + senderName(Sender)); }
    Q_INVOKABLE void BoldCheckClick(TObject* Sender) {
        log.push_back(std::string("bold ") + (static_cast<TCheckBox*>(Sender)->Checked() ? "on" : "off"));
    }
    Q_INVOKABLE void NameEditEnter(TObject* Sender) { log.push_back("enter " + senderName(Sender)); }
    Q_INVOKABLE void NameEditKeyPress(TObject*, char& Key) {
        if (Key == 'q') Key = 0;  // swallowed
    }
    Q_INVOKABLE void NameEditKeyDown(TObject*, WORD& Key, TShiftState Shift) {
        if (Key == VK_SHIFT) return;
        log.push_back("key " + std::to_string(Key) + ((Shift & ssShift) ? " shift" : ""));
    }
    Q_INVOKABLE void LabelClick(TObject* Sender) { log.push_back("label " + senderName(Sender)); }
    Q_INVOKABLE void PanelMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y) {
        log.push_back("down " + senderName(Sender) + (Button == mbRight ? " right" : " left") +
                      ((Shift & ssCtrl) ? " ctrl " : " ") + std::to_string(X) + "," + std::to_string(Y));
    }

    TPanel* TopPanel = nullptr;
    TGroupBox* OptionsBox = nullptr;
    TCheckBox* BoldCheck = nullptr;
    TEdit* NameEdit = nullptr;
    TSpeedButton* ToolButton = nullptr;
    TLabel* PagesLabel = nullptr;
    TWinControl* Holder = nullptr;
    TButton* OkButton = nullptr;
    std::vector<std::string> log;

private:
    static std::string senderName(TObject* Sender) {
        auto* c = qobject_cast<TComponent*>(Sender);
        return c ? c->Name() : std::string("?");
    }
};

class LayoutControlsForm : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterStandardClasses();
        RegisterClass<TLayoutControlsForm>();
    }
    static QWidget* widgetOf(TWinControl* c) { return platform::windowWidget(c->Handle()); }
};

}  // namespace

TEST_F(LayoutControlsForm, ControlsHaveTheirNamesCaptionsPropertiesAndParents) {
    TLayoutControlsForm form(nullptr);
    EXPECT_EQ(form.Name(), "ControlsForm");
    EXPECT_EQ(form.Caption(), "Layout controls");
    EXPECT_EQ(form.ComponentCount(), 8);
    ASSERT_TRUE(form.TopPanel && form.OptionsBox && form.BoldCheck && form.NameEdit && form.ToolButton &&
                form.PagesLabel && form.Holder && form.OkButton);
    EXPECT_EQ(form.FindComponent("okbutton"), form.OkButton);

    // Nesting: every control has the parent it is written in.
    EXPECT_EQ(form.TopPanel->Parent(), &form);
    EXPECT_EQ(form.OptionsBox->Parent(), form.TopPanel);
    EXPECT_EQ(form.BoldCheck->Parent(), form.OptionsBox);
    EXPECT_EQ(form.NameEdit->Parent(), form.OptionsBox);
    EXPECT_EQ(form.ToolButton->Parent(), form.TopPanel);
    EXPECT_EQ(form.PagesLabel->Parent(), &form);
    EXPECT_EQ(form.OkButton->Parent(), form.Holder);
    for (int i = 0; i < form.ComponentCount(); ++i)
        EXPECT_FALSE(form.Components(i)->ComponentState().Contains(csLoading)) << form.Components(i)->Name();

    // Captions and texts.
    EXPECT_EQ(form.OptionsBox->Caption(), "Options");
    EXPECT_EQ(form.BoldCheck->Caption(), "Bold");
    EXPECT_EQ(form.NameEdit->Text(), "poster");
    EXPECT_EQ(form.ToolButton->Caption(), "Tool");
    EXPECT_EQ(form.PagesLabel->Caption(), "Pages &across");
    EXPECT_EQ(form.OkButton->Caption(), "OK");
    // The caption reached the windows too.
    char text[32] = {};
    GetWindowTextA(form.OkButton->Handle(), text, sizeof text);
    EXPECT_STREQ(text, "OK");

    // Properties of every kind: bounds, alignment, identifiers, sets, sub-objects.
    EXPECT_EQ(form.TopPanel->Align(), alTop);
    EXPECT_EQ(form.TopPanel->Width(), form.ClientWidth());  // aligned to the top
    EXPECT_EQ(form.TopPanel->Color(), clBtnFace);
    EXPECT_TRUE(form.BoldCheck->Checked());
    EXPECT_EQ(form.NameEdit->MaxLength(), 20);
    EXPECT_EQ(form.NameEdit->BoundsRect().left, 8);
    EXPECT_EQ(form.NameEdit->BoundsRect().top, 50);
    EXPECT_TRUE(form.ToolButton->AllowAllUp());
    EXPECT_EQ(form.ToolButton->GroupIndex(), 1);
    EXPECT_EQ(form.PagesLabel->Cursor(), crHandPoint);
    EXPECT_EQ(form.PagesLabel->Hint(), "Number of pages");
    EXPECT_TRUE(form.PagesLabel->ShowHint());
    EXPECT_FALSE(form.PagesLabel->ParentFont());
    EXPECT_EQ(form.PagesLabel->Font()->Style(), static_cast<TFontStyles>(fsBold));
    EXPECT_EQ(form.PagesLabel->Width(), 120);  // AutoSize off keeps the written size
    EXPECT_EQ(form.Holder->Anchors(), static_cast<TAnchors>(akLeft | akTop | akRight));
    EXPECT_TRUE(form.OkButton->Default());
    EXPECT_EQ(form.OkButton->ModalResult(), mrOk);
    EXPECT_EQ(form.OkButton->TabOrder(), 0);
    EXPECT_EQ(form.TabOrder(), -1);  // no parent
}

TEST_F(LayoutControlsForm, EventsCallTheFormsHandlersFromCodeAndFromRealInput) {
    TLayoutControlsForm form(nullptr);
    // Bound by name: the events call the form's published methods.
    EXPECT_EQ(form.OkButton->OnClick.MethodName(), "ButtonClick");
    EXPECT_EQ(form.OkButton->OnClick.Data(), &form);
    EXPECT_TRUE(form.OkButton->OnClick == form.ToolButton->OnClick);
    EXPECT_TRUE(form.log.empty());  // nothing fired while the layout was read

    form.Show();
    EXPECT_EQ(form.OnResize.MethodName(), "FormResize");
    form.log.clear();

    // By code.
    form.OkButton->Click();
    form.BoldCheck->SetChecked(false);
    form.SetBounds(40, 30, 400, 250);
    EXPECT_EQ(form.log, (std::vector<std::string>{"click OkButton", "bold off", "resize ControlsForm"}));
    form.log.clear();

    // By real mouse events on the controls' windows: a windowed button, a check box, a
    // speed button and a label drawn on their parents, and a panel's mouse-down.
    QTest::mouseClick(widgetOf(form.OkButton), Qt::LeftButton, Qt::NoModifier, QPoint(30, 12));
    QTest::mouseClick(widgetOf(form.BoldCheck), Qt::LeftButton, Qt::NoModifier, QPoint(8, 8));
    QTest::mouseClick(widgetOf(form.TopPanel), Qt::LeftButton, Qt::NoModifier, QPoint(250, 20));
    QTest::mouseClick(widgetOf(&form), Qt::LeftButton, Qt::NoModifier, QPoint(20, 128));
    QTest::mouseClick(widgetOf(form.TopPanel), Qt::RightButton, Qt::ControlModifier, QPoint(300, 90));
    EXPECT_EQ(form.log, (std::vector<std::string>{"click OkButton", "bold on", "click ToolButton", "label PagesLabel",
                                                  "down TopPanel right ctrl 300,90"}));
    EXPECT_TRUE(form.ToolButton->Down());
    form.log.clear();

    // Real keys in the edit reach the handlers with the shift state; a key press handler
    // can swallow the character.
    form.NameEdit->SetFocus();
    EXPECT_EQ(form.log, (std::vector<std::string>{"enter NameEdit"}));
    form.log.clear();
    QTest::keyClick(widgetOf(form.NameEdit), Qt::Key_End);
    QTest::keyClick(widgetOf(form.NameEdit), 'X', Qt::ShiftModifier);
    QTest::keyClick(widgetOf(form.NameEdit), Qt::Key_Q);
    QTest::keyClick(widgetOf(form.NameEdit), Qt::Key_F1);
    EXPECT_EQ(form.log, (std::vector<std::string>{"key " + std::to_string(VK_END), "key " + std::to_string(int('X')) + " shift",
                                                  "key " + std::to_string(int('Q')), "key " + std::to_string(VK_F1)}));
    EXPECT_EQ(form.NameEdit->Text(), "posterX");

    // Events stay values: code can chain on a bound handler.
    TNotifyEvent bound = form.OkButton->OnClick;
    form.OkButton->OnClick = [&](TObject* Sender) {
        form.log.push_back("before");
        bound(Sender);
    };
    form.log.clear();
    form.OkButton->Click();
    EXPECT_EQ(form.log, (std::vector<std::string>{"before", "click OkButton"}));
}

TEST_F(LayoutControlsForm, WrittenLayoutKeepsBoundHandlersAndLeavesDefaultsOut) {
    TLayoutControlsForm form(nullptr);
    const String text = WriteComponentText(&form);
    const std::size_t controlsAt = text.find("  object TopPanel");
    ASSERT_NE(controlsAt, String::npos) << text;
    const String controls = text.substr(controlsAt);
    auto has = [&](const char* line) { return controls.find(line) != String::npos; };
    EXPECT_TRUE(has("OnClick = ButtonClick")) << text;
    EXPECT_TRUE(has("OnKeyDown = NameEditKeyDown")) << text;
    EXPECT_TRUE(has("OnMouseDown = PanelMouseDown")) << text;
    EXPECT_TRUE(has("Cursor = crHandPoint")) << text;
    EXPECT_TRUE(has("Anchors = [akLeft, akTop, akRight]")) << text;
    EXPECT_TRUE(has("Caption = 'Tool'")) << text;
    EXPECT_TRUE(has("Font.Style = [fsBold]")) << text;
    EXPECT_TRUE(has("Font.Color = clWindowText")) << text;
    // Defaults and values taken from the parent are not written.
    EXPECT_FALSE(has("Visible =")) << text;
    EXPECT_FALSE(has("Enabled =")) << text;
    EXPECT_FALSE(has("Align = alNone")) << text;
    EXPECT_FALSE(has("Anchors = [akLeft, akTop]\n")) << text;
    EXPECT_FALSE(has("ParentFont = True")) << text;
    EXPECT_FALSE(has("Spacing =")) << text;
    EXPECT_FALSE(has("OnDblClick")) << text;
    // A speed button writes its caption once, as Caption.
    const std::size_t tool = text.find("object ToolButton");
    ASSERT_NE(tool, String::npos);
    const String toolPart = text.substr(tool, text.find("end", tool) - tool);
    EXPECT_EQ(toolPart.find("Text ="), String::npos) << toolPart;

    // Read back into a new form, the written layout gives the same controls and bindings.
    TLayoutControlsForm copy(nullptr, nullptr);
    ReadComponentText(text, &copy);
    ASSERT_TRUE(copy.ToolButton && copy.PagesLabel && copy.Holder);
    EXPECT_EQ(copy.ToolButton->Parent(), copy.TopPanel);
    EXPECT_EQ(copy.PagesLabel->Cursor(), crHandPoint);
    EXPECT_EQ(copy.Holder->Anchors(), form.Holder->Anchors());
    copy.log.clear();
    copy.ToolButton->Click();
    EXPECT_EQ(copy.log, (std::vector<std::string>{"click ToolButton"}));
}

TEST_F(LayoutControlsForm, AMissingHandlerRaisesAReadErrorNamingIt) {
    TLayoutControlsForm form(nullptr, nullptr);
    try {
        form.LoadLayout("LayoutMissingHandlerForm");
        FAIL() << "no error";
    } catch (const EReadError& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find("OkButtonClick"), std::string::npos) << message;
        EXPECT_NE(message.find("in line 5"), std::string::npos) << message;
    }
    for (int i = 0; i < form.ComponentCount(); ++i)
        EXPECT_FALSE(form.Components(i)->ComponentState().Contains(csLoading));
    EXPECT_FALSE(form.ComponentState().Contains(csLoading));
}

TEST_F(LayoutControlsForm, RegisteringTwiceIsHarmlessAndFindsTheStandardClasses) {
    RegisterStandardClasses();
    for (const char* name : {"TPanel", "TButton", "TLabel", "TEdit", "TCheckBox", "TSpeedButton", "TWinControl", "TFont",
                             "TBitmap", "TForm"})
        EXPECT_NE(GetClass(name), nullptr) << name;
}

#include "LayoutControlsFormTest.moc"
