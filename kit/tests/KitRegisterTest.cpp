// Every kit class a layout names is found after the one registration, and a dialog layout
// using them reads with its values.
#include "kit/KitRegister.h"

#include "classlib/Filer.h"
#include "kit/KitCheckList.h"
#include "kit/KitLabel.h"
#include "kit/KitSlider.h"
#include "kit/KitSpin.h"

#include <gtest/gtest.h>

TEST(KitRegistration, LayoutsFindEveryKitClass) {
    RegisterKitClasses();
    RegisterKitClasses();
    for (const char* name : {"TKitLabel", "TKitSlider", "TKitCheckListBox", "TKitSpinEdit", "TFormStorage",
                             "TFormPlacement", "TKitWindowHook", "TGIFImage", "TLabel", "TCheckBox"})
        EXPECT_NE(GetClass(name), nullptr) << name;

    TForm form(nullptr);
    ReadComponentText("object JPEGQForm: TForm\n"
                      "  object KitLabel1: TKitLabel\n"
                      "    Left = 8\n"
                      "    Top = 8\n"
                      "    Caption = '&Quality:'\n"
                      "    FocusControl = QualED1\n"
                      "    ShadowColor = clBlack\n"
                      "    ShadowPos = spRightBottom\n"
                      "  end\n"
                      "  object QualED1: TKitSlider\n"
                      "    Left = 8\n"
                      "    Top = 30\n"
                      "    Width = 200\n"
                      "    MinValue = 1\n"
                      "    MaxValue = 99\n"
                      "    Value = 75\n"
                      "    Options = [soShowFocus, soShowPoints]\n"
                      "  end\n"
                      "end\n",
                      &form);
    auto* label = qobject_cast<TKitLabel*>(form.FindComponent("KitLabel1"));
    auto* slider = qobject_cast<TKitSlider*>(form.FindComponent("QualED1"));
    ASSERT_TRUE(label && slider);
    EXPECT_EQ(label->FocusControl(), slider);
    EXPECT_EQ(label->ShadowColor(), clBlack);
    EXPECT_EQ(label->ShadowPos(), spRightBottom);
    EXPECT_EQ(slider->Value(), 75);
    EXPECT_EQ(slider->MaxValue(), 99);
    EXPECT_FALSE(slider->Options().testFlag(soSmooth));
    // Written back, only what differs from the defaults.
    const String text = WriteComponentText(&form);
    EXPECT_NE(text.find("ShadowPos = spRightBottom"), String::npos) << text;
    EXPECT_EQ(text.find("ShadowSize"), String::npos) << text;
    EXPECT_EQ(text.find("Increment"), String::npos) << text;
    EXPECT_NE(text.find("Value = 75"), String::npos) << text;
}
