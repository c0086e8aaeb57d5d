// Spin edits read from a layout resource: values, ranges, value types and button kinds,
// their click events bound to the form's handlers, and the layout they write back.
#include "kit/KitSpin.h"

#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

class TKitSpinLayoutForm : public TForm {
    Q_OBJECT

public:
    explicit TKitSpinLayoutForm(TComponent* AOwner, bool Load = true) : TForm(AOwner) {
        PublishField("PagesEdit", PagesEdit);
        PublishField("SizeEdit", SizeEdit);
        PublishField("ColorEdit", ColorEdit);
        if (Load) LoadLayout("LayoutSpinForm");
    }
    Q_INVOKABLE void PagesTopClick(TObject* Sender) { log.push_back("up " + static_cast<TComponent*>(Sender)->Name()); }
    Q_INVOKABLE void PagesBottomClick(TObject* Sender) {
        log.push_back("down " + static_cast<TComponent*>(Sender)->Name());
    }

    TKitSpinEdit* PagesEdit = nullptr;
    TKitSpinEdit* SizeEdit = nullptr;
    TKitSpinEdit* ColorEdit = nullptr;
    std::vector<std::string> log;
};

class SpinLayout : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterKitSpin();
        RegisterClass<TKitSpinLayoutForm>();
    }
};

}  // namespace

TEST_F(SpinLayout, SpinEditsHaveTheirValuesRangesTypesAndButtonKinds) {
    TKitSpinLayoutForm form(nullptr);
    ASSERT_TRUE(form.PagesEdit && form.SizeEdit && form.ColorEdit);
    EXPECT_EQ(form.PagesEdit->Parent(), &form);

    EXPECT_EQ(form.PagesEdit->Text(), "4");
    EXPECT_EQ(form.PagesEdit->Value(), 4.0L);
    EXPECT_EQ(form.PagesEdit->MinValue(), 1.0L);
    EXPECT_EQ(form.PagesEdit->MaxValue(), 20.0L);
    EXPECT_EQ(form.PagesEdit->ButtonKind(), bkDiagonal);
    EXPECT_TRUE(form.PagesEdit->Button() && form.PagesEdit->ButtonWindow());
    EXPECT_FALSE(form.PagesEdit->UpDown());

    EXPECT_EQ(form.SizeEdit->ValueType(), vtFloat);
    EXPECT_EQ(form.SizeEdit->Decimal(), 1);
    EXPECT_EQ(form.SizeEdit->Increment(), 0.5L);
    EXPECT_EQ(form.SizeEdit->Text(), "297.5");
    EXPECT_EQ(form.SizeEdit->ButtonKind(), bkStandard);
    EXPECT_TRUE(form.SizeEdit->UpDown());
    EXPECT_FALSE(form.SizeEdit->Button());
    EXPECT_EQ(form.SizeEdit->UpDown()->Owner(), form.SizeEdit);  // not one of the form's components

    EXPECT_EQ(form.ColorEdit->ValueType(), vtHex);
    EXPECT_EQ(form.ColorEdit->Text(), "C8");
    EXPECT_FALSE(form.ColorEdit->EditorEnabled());
    EXPECT_EQ(form.ComponentCount(), 3);

    // The bound events fire on steps, and the range read from the layout clamps them.
    form.PagesEdit->SetValue(19);
    form.PagesEdit->UpClick(form.PagesEdit);
    form.PagesEdit->UpClick(form.PagesEdit);
    form.PagesEdit->DownClick(form.PagesEdit);
    EXPECT_EQ(form.PagesEdit->Text(), "19");
    EXPECT_EQ(form.log, (std::vector<std::string>{"up PagesEdit", "up PagesEdit", "down PagesEdit"}));
    form.log.clear();

    // A real click on the standard kind's upper arrow steps by the increment.
    form.Show();
    QWidget* w = platform::windowWidget(form.SizeEdit->UpDown()->Handle());
    ASSERT_TRUE(w);
    QWidget* up = w->childAt(QPoint(w->width() / 2, 2));
    ASSERT_TRUE(up);
    QTest::mouseClick(up, Qt::LeftButton);
    EXPECT_EQ(form.SizeEdit->Text(), "298.0");
    EXPECT_EQ(form.log, (std::vector<std::string>{"up SizeEdit"}));
}

TEST_F(SpinLayout, WrittenLayoutHasOnlyWhatDiffersFromTheDefaults) {
    TKitSpinLayoutForm form(nullptr);
    const String text = WriteComponentText(&form);
    const std::size_t pagesAt = text.find("object PagesEdit"), sizeAt = text.find("object SizeEdit"),
                      colorAt = text.find("object ColorEdit");
    ASSERT_TRUE(pagesAt != String::npos && sizeAt != String::npos && colorAt != String::npos) << text;
    const String pages = text.substr(pagesAt, sizeAt - pagesAt);
    const String size = text.substr(sizeAt, colorAt - sizeAt);
    const String color = text.substr(colorAt);
    auto has = [](const String& part, const char* line) { return part.find(line) != String::npos; };

    EXPECT_TRUE(has(pages, "MaxValue = 20.0\n")) << pages;
    EXPECT_TRUE(has(pages, "MinValue = 1.0\n")) << pages;
    EXPECT_TRUE(has(pages, "Value = 4.0\n")) << pages;
    EXPECT_TRUE(has(pages, "OnTopClick = PagesTopClick")) << pages;
    EXPECT_TRUE(has(pages, "OnBottomClick = PagesBottomClick")) << pages;
    for (const char* absent : {"ButtonKind", "Increment", "Decimal", "ValueType", "ArrowKeys", "EditorEnabled",
                               "Alignment", "Text =", "AutoSelect", "TabStop", "ReadOnly"})
        EXPECT_FALSE(has(pages, absent)) << absent << "\n" << pages;

    EXPECT_TRUE(has(size, "ButtonKind = bkStandard")) << size;
    EXPECT_TRUE(has(size, "Decimal = 1\n")) << size;
    EXPECT_TRUE(has(size, "Increment = 0.5\n")) << size;
    EXPECT_TRUE(has(size, "ValueType = vtFloat")) << size;
    EXPECT_TRUE(has(size, "Value = 297.5\n")) << size;
    EXPECT_FALSE(has(size, "MinValue")) << size;
    EXPECT_TRUE(has(color, "EditorEnabled = False")) << color;
    EXPECT_TRUE(has(color, "Value = 200.0\n")) << color;

    // A zero value is not written; the text read back gives the same edits.
    form.ColorEdit->SetValue(0);
    TKitSpinLayoutForm copy(nullptr, false);
    ReadComponentText(WriteComponentText(&form), &copy);
    ASSERT_TRUE(copy.ColorEdit && copy.SizeEdit);
    EXPECT_EQ(copy.ColorEdit->Text(), "0");
    EXPECT_EQ(copy.SizeEdit->Text(), "297.5");
    EXPECT_EQ(copy.SizeEdit->ButtonKind(), bkStandard);
    EXPECT_EQ(copy.PagesEdit->OnTopClick.MethodName(), "PagesTopClick");
}

TEST_F(SpinLayout, ValuesReadFromALayoutDoNotFireOnChange) {
    // Properties come in any order in a hand-written layout; OnChange before Value must not
    // run a handler while the form is still being read.
    TKitSpinLayoutForm form(nullptr, false);
    int changes = 0;
    auto* edit = new TKitSpinEdit(&form);
    edit->SetName("Probe");
    edit->SetParent(&form);
    edit->OnChange = [&](TObject*) { ++changes; };
    form.Show();  // with a window, a written text notifies at once
    ReadComponentText("object SpinForm: TKitSpinLayoutForm\n"
                      "  inherited Probe: TKitSpinEdit\n"
                      "    Value = 7\n"
                      "  end\n"
                      "end\n",
                      &form);
    EXPECT_EQ(edit->Text(), "7");
    EXPECT_EQ(changes, 0);
    edit->SetValue(8);
    EXPECT_EQ(changes, 1);
}

#include "KitSpinLayoutTest.moc"
