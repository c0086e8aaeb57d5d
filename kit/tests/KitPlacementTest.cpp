// Form placement and property storage with a real registry file: a window shown, moved,
// resized, its controls changed by real input, closed, and shown again in a new process;
// damaged values, huge counts, windows off the screen, versions, stored values and links.
#include "kit/KitPlacement.h"

#include "classlib/Filer.h"
#include "classlib/Registry.h"
#include "kit/KitSlider.h"
#include "kit/KitSpin.h"
#include "kit/KitUtils.h"
#include "KitTestSupport.h"
#include "platform/registry.h"
#include "testsupport/TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

namespace {

class TPlaceForm : public TForm {
    Q_OBJECT

public:
    explicit TPlaceForm(TComponent* AOwner) : TForm(AOwner) {
        PublishField("SpinEdit1", SpinEdit1);
        PublishField("CheckBox1", CheckBox1);
        PublishField("Slider1", Slider1);
        PublishField("Memo1", Memo1);
        PublishField("FormStorage1", FormStorage1);
    }
    TKitSpinEdit* SpinEdit1 = nullptr;
    TCheckBox* CheckBox1 = nullptr;
    TKitSlider* Slider1 = nullptr;
    TMemo* Memo1 = nullptr;
    TFormStorage* FormStorage1 = nullptr;
};

const char* const kLayout =
    "object PlaceForm: TPlaceForm\n"
    "  Left = 40\n"
    "  Top = 30\n"
    "  Width = 320\n"
    "  Height = 240\n"
    "  Caption = 'Placement'\n"
    "  object SpinEdit1: TKitSpinEdit\n"
    "    Left = 8\n"
    "    Top = 8\n"
    "    Width = 80\n"
    "    Height = 24\n"
    "    MaxValue = 99\n"
    "    MinValue = 1\n"
    "    Value = 5\n"
    "  end\n"
    "  object CheckBox1: TCheckBox\n"
    "    Left = 8\n"
    "    Top = 40\n"
    "    Width = 120\n"
    "    Height = 20\n"
    "    Caption = 'Both'\n"
    "  end\n"
    "  object Slider1: TKitSlider\n"
    "    Left = 8\n"
    "    Top = 70\n"
    "    Width = 150\n"
    "    Height = 40\n"
    "    MinValue = 1\n"
    "    MaxValue = 99\n"
    "    Value = 75\n"
    "  end\n"
    "  object Memo1: TMemo\n"
    "    Left = 8\n"
    "    Top = 120\n"
    "    Width = 150\n"
    "    Height = 60\n"
    "  end\n"
    "  object FormStorage1: TFormStorage\n"
    "    UseRegistry = True\n"
    "    StoredProps.Strings = (\n"
    "      'SpinEdit1.Value'\n"
    "      'CheckBox1.Checked'\n"
    "      'Slider1.Value'\n"
    "      'Memo1.Lines'\n"
    "      'Missing1.Value')\n"
    "  end\n"
    "end\n";

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TPlaceForm* NewForm() {
    RegisterKitSpin();
    RegisterKitSlider();
    RegisterKitPlacement();
    RegisterClass<TPlaceForm>();
    auto* f = new TPlaceForm(nullptr);
    ReadComponentText(kLayout, f);
    return f;
}

const String kSection = "Software\\kit_tests\\TPlaceForm";

class Placement : public ::testing::Test {
protected:
    void SetUp() override { platform::setRegistryHive(dir.file("registry.ini")); }
    void TearDown() override { platform::setRegistryHive(std::string()); }
    void Put(const String& section, const String& name, const String& value) {
        TRegistry r;
        ASSERT_TRUE(r.OpenKey(section, true));
        r.WriteString(name, value);
    }
    // The window's bounds when shown with nothing stored.
    RECT Baseline() {
        platform::setRegistryHive(dir.file("baseline.ini"));
        std::unique_ptr<TPlaceForm> f(NewForm());
        f->FormStorage1->SetActive(false);
        f->Show();
        const RECT r = f->BoundsRect();
        f.reset();
        platform::setRegistryHive(dir.file("registry.ini"));
        return r;
    }
    String Get(const String& name, const String& section = kSection) {
        TRegistry r(KEY_READ);
        if (!r.OpenKeyReadOnly(section) || !r.ValueExists(name)) return "<missing>";
        return r.ReadString(name);
    }
    testsupport::TempDir dir;
};

}  // namespace

// Run by the test below in a process of its own; the expected values come in the
// environment.
TEST(PlacementChild, DISABLED_RestoresEverything) {
    const std::string hive = testsupport::env("KIT_PLACEMENT_HIVE");
    ASSERT_FALSE(hive.empty());
    platform::setRegistryHive(hive);
    std::unique_ptr<TPlaceForm> form(NewForm());
    ASSERT_EQ(form->FormStorage1->StoredProps()->Count(), 4);  // the missing control's line went
    form->FormStorage1->SetStoredValue("Plain", QVariant::fromValue(String("")));
    form->FormStorage1->SetStoredValue("Keyed", QVariant::fromValue(String("")));
    form->FormStorage1->StoredValues()->Value(1)->SetKeyString("Schlüssel");
    form->FormStorage1->SetStoredValue("EmptyKeyed", QVariant::fromValue(String("x")));
    form->FormStorage1->StoredValues()->Value(2)->SetKeyString("k");
    form->Show();
    std::ostringstream got;
    got << form->Left() << "," << form->Top() << "," << form->Width() << "," << form->Height() << ","
        << static_cast<int>(form->SpinEdit1->Value()) << "," << form->CheckBox1->Checked() << ","
        << form->Slider1->Value() << "," << form->Memo1->Lines()->Count() << ","
        << form->FormStorage1->StoredValue("Plain").value<String>() << ","
        << form->FormStorage1->StoredValue("Keyed").value<String>() << ",["
        << form->FormStorage1->StoredValue("EmptyKeyed").value<String>() << "]";
    EXPECT_EQ(got.str(), testsupport::env("KIT_PLACEMENT_EXPECT"));
    EXPECT_EQ(form->Memo1->Lines()->Text(), "first line\n  second, with blanks  \n");
}

TEST_F(Placement, EverythingComesBackInANewProcess) {
    std::unique_ptr<TPlaceForm> form(NewForm());
    form->Show();
    EXPECT_EQ(form->SpinEdit1->Value(), 5.0L);  // a first run changes nothing

    // Moved and resized through the window system.
    QWidget* w = platform::windowWidget(form->Handle());
    ASSERT_TRUE(w);
    w->move(w->pos() + QPoint(35, 25));
    w->resize(360, 270);
    QCoreApplication::processEvents();
    ASSERT_EQ(form->Width(), w->frameGeometry().width());
    ASSERT_EQ(form->Left(), w->frameGeometry().left());
    const int left = form->Left(), top = form->Top(), width = form->Width(), height = form->Height();

    // The controls changed by real keys and clicks.
    form->SpinEdit1->SetFocus();
    QTest::keyClick(platform::windowWidget(form->SpinEdit1->Handle()), Qt::Key_Up);
    QTest::keyClick(platform::windowWidget(form->SpinEdit1->Handle()), Qt::Key_Up);
    EXPECT_EQ(form->SpinEdit1->Value(), 7.0L);
    QWidget* box = platform::windowWidget(form->CheckBox1->Handle());
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(6, box->height() / 2));
    EXPECT_TRUE(form->CheckBox1->Checked());
    form->Slider1->SetFocus();
    QTest::keyClick(platform::windowWidget(form->Slider1->Handle()), Qt::Key_Right);
    EXPECT_EQ(form->Slider1->Value(), 90);
    form->Memo1->Lines()->SetText("first line\n  second, with blanks  \n");
    form->FormStorage1->SetStoredValue("Plain", QVariant::fromValue(String("plain text")));
    form->FormStorage1->SetStoredValue("Keyed", QVariant::fromValue(String("geheim 75")));
    form->FormStorage1->StoredValues()->Value(1)->SetKeyString("Schlüssel");
    form->FormStorage1->SetStoredValue("EmptyKeyed", QVariant::fromValue(String("")));
    form->FormStorage1->StoredValues()->Value(2)->SetKeyString("k");
    form->Close();
    form.reset();

    // The values are text under the window class's key.
    EXPECT_EQ(Get("SpinEdit1_Value"), "7");
    EXPECT_EQ(Get("CheckBox1_Checked"), "True");
    EXPECT_EQ(Get("Slider1_Value"), "90");
    EXPECT_EQ(Get("FormVersion"), "0");
    EXPECT_EQ(Get("Visible"), "0");
    EXPECT_EQ(Get("Plain"), "plain text");
    EXPECT_EQ(Get("Keyed"), ScrambleText("Schlüssel", "geheim 75"));
    EXPECT_EQ(Get("EmptyKeyed"), "");
    EXPECT_EQ(Get("Missing1_Value"), "<missing>");
    EXPECT_EQ(Get("Count", kSection + ".Memo1_Lines"), "2");
    EXPECT_EQ(Get("Item1", kSection + ".Memo1_Lines"), "  second, with blanks  ");
    const String norm = Get("NormPos");
    EXPECT_EQ(Get("NormPos" + ScreenSizeSuffix()), norm);
    EXPECT_EQ(WordCountOf(norm, {','}), 4) << norm;
    const std::string file = ReadText(dir.file("registry.ini"));
    EXPECT_NE(file.find("[Software\\kit_tests\\TPlaceForm]"), std::string::npos) << file;

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KIT_PLACEMENT_HIVE", QString::fromStdString(dir.file("registry.ini")));
    std::ostringstream expect;
    expect << left << "," << top << "," << width << "," << height << ",7,1,90,2,plain text,geheim 75,[]";
    env.insert("KIT_PLACEMENT_EXPECT", QString::fromStdString(expect.str()));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_also_run_disabled_tests", "--gtest_filter=PlacementChild.DISABLED_RestoresEverything"});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QByteArray out = child.readAllStandardOutput() + child.readAllStandardError();
    EXPECT_EQ(child.exitCode(), 0) << out.toStdString();
    EXPECT_NE(out.indexOf("[  PASSED  ] 1 test"), -1) << out.toStdString();
}

TEST_F(Placement, DamagedValuesAreIgnoredAndHugeCountsRestorePromptly) {
    Put(kSection, "SpinEdit1_Value", "12,5x");
    Put(kSection, "CheckBox1_Checked", "Vielleicht");
    Put(kSection, "Slider1_Value", "zwanzig");
    Put(kSection, "NormPos", "a,b");
    Put(kSection, "ShowCmd", "77");
    Put(kSection + ".Memo1_Lines", "Count", "2000000000");
    Put(kSection + ".Memo1_Lines", "Item0", "one");
    Put(kSection + ".Memo1_Lines", "Item1", "two");
    const RECT base = Baseline();
    std::unique_ptr<TPlaceForm> form(NewForm());
    form->CheckBox1->SetChecked(true);
    const QElapsedTimer t = [] {
        QElapsedTimer e;
        e.start();
        return e;
    }();
    form->Show();
    if (testsupport::TimingChecked()) {
        EXPECT_LT(t.elapsed(), 5000);
    }
    EXPECT_EQ(form->SpinEdit1->Value(), 5.0L);
    EXPECT_TRUE(form->CheckBox1->Checked());
    EXPECT_EQ(form->Slider1->Value(), 1);  // a non-numeric integer reads as 0, clamped into the range
    EXPECT_EQ(form->BoundsRect().left, base.left);
    EXPECT_EQ(form->BoundsRect().right, base.right);
    EXPECT_EQ(form->BoundsRect().bottom, base.bottom);
    EXPECT_EQ(form->WindowState(), wsNormal);
    EXPECT_EQ(form->Memo1->Lines()->Text(), "one\ntwo\n");

    // A negative count is no count: the memo keeps its lines.
    form->Close();
    form.reset();
    Put(kSection + ".Memo1_Lines", "Count", "-5");
    form.reset(NewForm());
    form->Memo1->Lines()->SetText("kept\n");
    form->Show();
    EXPECT_EQ(form->Memo1->Lines()->Text(), "kept\n");
}

TEST_F(Placement, AWindowStoredOffTheScreenComesBackOnIt) {
    Put(kSection, "NormPos", "5000,4000,5400,4300");
    Put(kSection, "PixelsPerInch", "96");
    std::unique_ptr<TPlaceForm> form(NewForm());
    form->Show();
    EXPECT_EQ(form->Width(), 400);
    EXPECT_EQ(form->Height(), 300);
    EXPECT_GE(form->Left(), 0);
    EXPECT_GE(form->Top(), 0);
    EXPECT_LE(form->Left() + form->Width(), Screen->Width());
    EXPECT_LE(form->Top() + form->Height(), Screen->Height());

    // A window larger than this screen (saved on a bigger one) is shrunk onto it.
    form->Close();
    form.reset();
    Put(kSection, "NormPos" + ScreenSizeSuffix(), "100,50,2100,1550");  // this screen's, read first
    form.reset(NewForm());
    form->Show();
    EXPECT_EQ(form->Left(), 0);
    EXPECT_EQ(form->Top(), 0);
    EXPECT_EQ(form->Width(), Screen->Width());
    EXPECT_EQ(form->Height(), Screen->Height());

    // Another screen's pixels per inch leaves the window where the layout put it.
    form->Close();
    form.reset();
    Put(kSection, "NormPos", "100,100,500,400");
    Put(kSection, "PixelsPerInch", "144");
    const RECT base = Baseline();
    form.reset(NewForm());
    form->Show();
    EXPECT_EQ(form->Left(), base.left);
    EXPECT_EQ(form->Width(), base.right - base.left);
}

TEST_F(Placement, AnOlderVersionSkipsTheRestoreButTheNextCloseSaves) {
    Put(kSection, "FormVersion", "1");
    Put(kSection, "SpinEdit1_Value", "42");
    std::unique_ptr<TPlaceForm> form(NewForm());
    form->FormStorage1->SetVersion(2);
    form->Show();
    EXPECT_EQ(form->SpinEdit1->Value(), 5.0L);
    form->Close();
    EXPECT_EQ(Get("FormVersion"), "2");
    EXPECT_EQ(Get("SpinEdit1_Value"), "5");
}

TEST_F(Placement, ADestroyedWindowSavesOnceWithVisibleSet) {
    std::unique_ptr<TPlaceForm> form(NewForm());
    form->Show();
    form->SpinEdit1->SetValue(9);
    form.reset();  // no close query
    EXPECT_EQ(Get("Visible"), "1");
    EXPECT_EQ(Get("SpinEdit1_Value"), "9");

    // Never shown: nothing is saved.
    platform::setRegistryHive(dir.file("other.ini"));
    form.reset(NewForm());
    form.reset();
    EXPECT_EQ(Get("FormVersion"), "<missing>");
}

TEST_F(Placement, LinksSaveAndLoadInOrderAfterThePlacementValues) {
    std::unique_ptr<TPlaceForm> form(NewForm());
    std::vector<std::string> order;
    TIniLink a, b;
    a.SetIniObject(form->FormStorage1);
    b.SetIniObject(form->FormStorage1);
    auto hook = [&](TIniLink* l, const char* name, bool save) {
        TNotifyEvent e = [&, l, name, save](TObject*) {
            // The storage is open on the program's key; sections lie beneath it.
            const String norm = StoreReadString(l->Storage(), "TPlaceForm", "NormPos", "none");
            const String spin = StoreReadString(l->Storage(), "TPlaceForm", "SpinEdit1_Value", "none");
            order.push_back(std::string(save ? "save " : "load ") + name + (norm != "none" ? " placed" : "") +
                            (spin != "none" ? " props" : ""));
            if (save) StoreWriteString(l->Storage(), l->RootSection() + "Link", name, "1");
        };
        if (save) l->OnSave = e;
        else l->OnLoad = e;
    };
    hook(&a, "a", true);
    hook(&b, "b", true);
    hook(&a, "a", false);
    hook(&b, "b", false);
    form->Show();
    form->Close();
    EXPECT_EQ(order, (std::vector<std::string>{"load a", "load b", "save a placed", "save b placed"}));
    EXPECT_EQ(Get("a", "Software\\kit_tests\\Link"), "1");
    EXPECT_EQ(a.RootSection(), "");
    form->FormStorage1->SetIniSection("Own");
    EXPECT_EQ(a.RootSection(), "Own\\");
    b.SetIniObject(nullptr);
    order.clear();
    form->Show();
    EXPECT_EQ(order.size(), 1u);
    EXPECT_EQ(a.Storage(), nullptr);  // open only during a save or restore
}

TEST(KitStoredValues, NamesAreUniqueWithoutRegardToCase) {
    TFormStorage storage(nullptr);
    TStoredValues* v = storage.StoredValues();
    auto* one = static_cast<TStoredValue*>(v->Add());
    one->SetName("Alpha");
    auto* two = static_cast<TStoredValue*>(v->Add());
    two->SetName("Beta");
    EXPECT_EQ(kittest::messageOf<EStringListError>([&] { two->SetName("ALPHA"); }),
              "In der Stringliste sind Duplikate nicht erlaubt");
    EXPECT_EQ(two->Name(), "Beta");
    two->SetName("BETA");  // its own name in other letters
    EXPECT_EQ(two->Name(), "BETA");
    EXPECT_EQ(v->IndexOf("beta"), 1);
    EXPECT_EQ(v->IndexOf("gamma"), -1);
    EXPECT_EQ(one->DisplayName(), "Alpha");
}

TEST(KitStoredTexts, FloatsUseTheirTypesDigitsAndAPointEverywhere) {
    EXPECT_EQ(StoredFloatText(0.1f, 7), "0.1");
    EXPECT_EQ(StoredFloatText(0.1f, 18), "0.100000001490116119");
    EXPECT_EQ(StoredFloatText(1.0L / 3, 18), "0.333333333333333333");
    EXPECT_EQ(StoredFloatText(2.5L, 15), "2.5");
    long double v = 0;
    EXPECT_TRUE(StoredTextToFloat("12,75", v));  // written where the separator was a comma
    EXPECT_EQ(v, 12.75L);
    EXPECT_TRUE(StoredTextToFloat(" 3.5 ", v));
    EXPECT_EQ(v, 3.5L);
    EXPECT_FALSE(StoredTextToFloat("3.5x", v));
    EXPECT_FALSE(StoredTextToFloat("", v));
    EXPECT_EQ(VariantText(QVariant(2.25)), "2.25");
    EXPECT_EQ(VariantText(QVariant()), "");
}

TEST_F(Placement, AModalDialogClosedWithOkSavesAndAMaximizedWindowComesBackMaximized) {
    std::unique_ptr<TPlaceForm> form(NewForm());
    auto* ok = new TButton(form.get());
    ok->SetParent(form.get());
    ok->SetBounds(200, 8, 75, 25);
    ok->SetCaption("OK");
    ok->SetModalResult(mrOk);
    QTimer::singleShot(0, [&] {
        form->CheckBox1->SetFocus();
        QWidget* box = platform::windowWidget(form->CheckBox1->Handle());
        QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(6, box->height() / 2));
        QTest::mouseClick(platform::windowWidget(ok->Handle()), Qt::LeftButton);
    });
    EXPECT_EQ(form->ShowModal(), mrOk);
    EXPECT_EQ(Get("CheckBox1_Checked"), "True");
    form.reset();

    form.reset(NewForm());
    form->Show();
    EXPECT_TRUE(form->CheckBox1->Checked());
    const RECT normal = form->BoundsRect();
    form->SetWindowState(wsMaximized);
    QCoreApplication::processEvents();
    form->Close();
    EXPECT_EQ(Get("ShowCmd"), "3");
    form.reset();

    form.reset(NewForm());
    form->Show();
    EXPECT_EQ(form->WindowState(), wsMaximized);
    form->SetWindowState(wsNormal);
    QCoreApplication::processEvents();
    EXPECT_EQ(form->BoundsRect().left, normal.left);
    EXPECT_EQ(form->BoundsRect().right, normal.right);
    EXPECT_EQ(form->BoundsRect().bottom, normal.bottom);
}

TEST_F(Placement, EachScreenSizeKeepsItsOwnPositionAndANewOneTakesThePlainValue) {
    Put(kSection, "NormPos(1024x768)", "300,200,700,500");
    Put(kSection, "NormPos", "120,90,520,390");
    std::unique_ptr<TPlaceForm> form(NewForm());
    form->Show();
    EXPECT_EQ(form->Left(), 120);
    EXPECT_EQ(form->Top(), 90);
    form->Close();
    form.reset();
    Put(kSection, "NormPos" + ScreenSizeSuffix(), "60,40,460,340");
    form.reset(NewForm());
    form->Show();
    EXPECT_EQ(form->Left(), 60);
    EXPECT_EQ(form->Top(), 40);
    EXPECT_EQ(Get("NormPos(1024x768)"), "300,200,700,500");  // the other screen's stays
}

TEST_F(Placement, AnIniFileServesAsStorageToo) {
    const String ini = dir.file("dialog.ini");
    {
        std::unique_ptr<TPlaceForm> form(NewForm());
        form->FormStorage1->SetUseRegistry(false);
        form->FormStorage1->SetIniFileName(ini);
        form->Show();
        form->SpinEdit1->SetValue(33);
        form->Memo1->Lines()->SetText("a\nb\n");
        form->Close();
    }
    const std::string text = ReadText(ini);
    EXPECT_NE(text.find("[TPlaceForm]"), std::string::npos) << text;
    EXPECT_NE(text.find("SpinEdit1_Value=33"), std::string::npos) << text;
    EXPECT_NE(text.find("[TPlaceForm.Memo1_Lines]"), std::string::npos) << text;
    EXPECT_EQ(Get("SpinEdit1_Value"), "<missing>");  // nothing in the registry
    std::unique_ptr<TPlaceForm> form(NewForm());
    form->FormStorage1->SetUseRegistry(false);
    form->FormStorage1->SetIniFileName(ini);
    form->Show();
    EXPECT_EQ(form->SpinEdit1->Value(), 33.0L);
    EXPECT_EQ(form->Memo1->Lines()->Text(), "a\nb\n");
}

TEST_F(Placement, SizeLimitsReachTheWindowThroughItsHook) {
    std::unique_ptr<TPlaceForm> form(NewForm());
    form->Show();
    MINMAXINFO info{};
    info.ptMaxPosition = POINT{-4, -4};
    SendMessageA(form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMaxPosition.x, -4);  // no limits: no hook
    form->FormStorage1->MinMaxInfo()->SetMinTrackWidth(200);
    form->FormStorage1->MinMaxInfo()->SetMaxTrackHeight(500);
    SendMessageA(form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 200);
    EXPECT_EQ(info.ptMaxTrackSize.y, 500);
    // Preventing resizing pins the tracking size to the window's own.
    TWinMinMaxInfo none;
    form->FormStorage1->MinMaxInfo()->Assign(&none);
    form->FormStorage1->SetPreventResize(true);
    SendMessageA(form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, form->Width());
    EXPECT_EQ(info.ptMaxTrackSize.y, form->Height());
    form->FormStorage1->SetPreventResize(false);
    info.ptMinTrackSize = POINT{1, 1};
    SendMessageA(form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 1);
}

namespace {

// Property texts kept in a map, as the registry would keep them.
struct MapStorage {
    std::map<std::string, std::string> values;
    void Attach(TPropsStorage& s) {
        s.OnWriteString = [this](const String& sec, const String& n, const String& v) { values[sec + "|" + n] = v; };
        s.OnReadString = [this](const String& sec, const String& n, const String& d) {
            auto it = values.find(sec + "|" + n);
            return it == values.end() ? d : it->second;
        };
        s.OnEraseSection = [this](const String& sec) {
            for (auto it = values.begin(); it != values.end();)
                it = it->first.rfind(sec + "|", 0) == 0 ? values.erase(it) : std::next(it);
        };
        s.OnReadSectionNames = [this](const String& sec) {
            std::vector<String> names;
            for (const auto& [k, v] : values)
                if (k.rfind(sec + "|", 0) == 0) names.push_back(k.substr(sec.size() + 1));
            return names;
        };
    }
};

}  // namespace

TEST(KitPropsStorage, SetsEnumerationsFontsAndReferencesByKind) {
    RegisterKitPlacement();
    TForm form(nullptr);
    form.SetName("Dialog");
    auto* label = new TLabel(&form);
    label->SetName("Label1");
    auto* edit = new TEdit(&form);
    edit->SetName("Edit1");
    label->SetFocusControl(edit);
    label->Font()->SetStyle(fsBold);
    label->SetAlignment(taCenter);
    TStringList lines;
    lines.Add("Label1.Font");
    lines.Add("Label1.Alignment");
    lines.Add("Label1.FocusControl");
    lines.Add("Label1.NoSuchProperty");
    lines.SetObjects(0, label);
    lines.SetObjects(1, label);
    lines.SetObjects(2, label);
    lines.SetObjects(3, label);

    MapStorage map;
    TPropsStorage store;
    store.Section = "TDialog";
    store.Owner = &form;
    map.Attach(store);
    store.StoreObjectsProps(&form, &lines);
    EXPECT_EQ(map.values["TDialog|Label1_FontStyle"], "[fsBold]");
    EXPECT_EQ(map.values["TDialog|Label1_Alignment"], "taCenter");
    EXPECT_EQ(map.values["TDialog|Label1_FocusControl"], "Edit1");
    EXPECT_EQ(map.values.count("TDialog|Label1_NoSuchProperty"), 0u);

    TPropsStorage load;
    load.Section = "TDialog";
    load.Owner = &form;
    map.Attach(load);
    map.values["TDialog|Label1_FontStyle"] = "[fsItalic, fsUnderline]";
    map.values["TDialog|Label1_Alignment"] = "TARIGHTJUSTIFY";
    map.values["TDialog|Label1_FocusControl"] = "(NULL)";
    load.LoadObjectsProps(&form, &lines);
    EXPECT_EQ(label->Font()->Style(), static_cast<TFontStyles>(fsItalic | fsUnderline));
    EXPECT_EQ(label->Alignment(), taRightJustify);
    EXPECT_EQ(label->FocusControl(), nullptr);

    map.values["TDialog|Label1_FontStyle"] = "[fsBold,Fett]";  // unknown words are skipped
    map.values["TDialog|Label1_Alignment"] = "Mitte";          // no match leaves the value
    map.values["TDialog|Label1_FocusControl"] = "Edit1";
    load.LoadObjectsProps(&form, &lines);
    EXPECT_EQ(label->Font()->Style(), static_cast<TFontStyles>(fsBold));
    EXPECT_EQ(label->Alignment(), taRightJustify);
    EXPECT_EQ(label->FocusControl(), edit);
    map.values["TDialog|Label1_FontStyle"] = "[]";
    load.LoadObjectsProps(&form, &lines);
    EXPECT_EQ(label->Font()->Style(), 0u);
}

#include "KitPlacementTest.moc"
