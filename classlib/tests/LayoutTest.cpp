// The layout reader and writer on components of this test: properties of every kind,
// nested objects, collections, defined and binary properties, events bound to handler
// methods, references, Loaded order, errors with line numbers, and write -> read round trips.
#include "classlib/Classes.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <vector>

namespace LayoutTestTypes {
Q_NAMESPACE
enum TShape { shCircle, shSquare, shTriangle };
Q_ENUM_NS(TShape)
enum TEdge { edLeft = 1, edTop = 2, edRight = 4, edBottom = 8 };
Q_DECLARE_FLAGS(TEdges, TEdge)
Q_FLAG_NS(TEdges)
}  // namespace LayoutTestTypes
Q_DECLARE_OPERATORS_FOR_FLAGS(LayoutTestTypes::TEdges)
using LayoutTestTypes::TEdge;
using LayoutTestTypes::TEdges;
using LayoutTestTypes::TShape;
using enum LayoutTestTypes::TShape;
using enum LayoutTestTypes::TEdge;

// A colour-like integer type with identifiers.
enum TTestColor : int {};
constexpr TTestColor clRed = TTestColor(0x0000FF);
constexpr TTestColor clBtnFace = TTestColor(static_cast<int>(0x8000000F));
constexpr TTestColor clWindow = TTestColor(static_cast<int>(0x80000005));

using TTestKeyEvent = TEvent<void(TObject* Sender, Word& Key, int Shift)>;

// The order in which Loaded ran, with what each component saw then.
static std::vector<String> loadedLog;

class TTestFont : public TPersistent {
    Q_OBJECT
    Q_PROPERTY(String Name MEMBER Name)
    Q_PROPERTY(int Size MEMBER Size)
    Q_PROPERTY(TStyles Style READ GetStyle WRITE SetStyle)
    Q_CLASSINFO("Default:Size", "8")
    Q_CLASSINFO("Default:Name", "'Sans'")

public:
    enum TStyle { fsBold = 1, fsItalic = 2, fsUnderline = 4 };
    Q_DECLARE_FLAGS(TStyles, TStyle)
    Q_FLAG(TStyles)

    void Assign(TPersistent* Source) override {
        if (auto* f = qobject_cast<TTestFont*>(Source)) {
            Name = f->Name;
            Size = f->Size;
            Style = f->Style;
            return;
        }
        TPersistent::Assign(Source);
    }
    TStyles GetStyle() const { return Style; }
    void SetStyle(TStyles Value) { Style = Value; }
    String Name = "Sans";
    int Size = 8;
    TStyles Style;
};

class TTestItem : public TCollectionItem {
    Q_OBJECT
    Q_PROPERTY(int Width MEMBER Width)
    Q_PROPERTY(String Text MEMBER Text)
    Q_CLASSINFO("Default:Width", "50")

public:
    using TCollectionItem::TCollectionItem;
    int Width = 50;
    String Text;
};

class TTestItems : public TOwnedCollection {
    Q_OBJECT

public:
    explicit TTestItems(TPersistent* AOwner) : TOwnedCollection(AOwner, CollectionItemClass<TTestItem>()) {}
    TTestItem* At(int i) const { return Item<TTestItem>(i); }
};

// A component that holds others in a layout, as a windowed control does.
class TTestContainer : public TComponent {
    Q_OBJECT

public:
    using TComponent::TComponent;
    ~TTestContainer() override {
        for (TTestContainer* c : children) c->parent = nullptr;
        if (parent) parent->remove(this);
    }
    bool HasParent() const override { return parent != nullptr; }
    TComponent* GetParentComponent() const override { return parent; }
    void SetParentComponent(TComponent* Value) override {
        if (parent) parent->remove(this);
        parent = qobject_cast<TTestContainer*>(Value);
        if (parent) parent->children.push_back(this);
    }
    void GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root) override {
        if (Root == this)
            for (int i = 0; i < ComponentCount(); ++i)
                if (!Components(i)->HasParent()) Proc(Components(i));
        for (TTestContainer* c : children)
            if (c->Owner() == Root) Proc(c);
    }
    void Loaded() override {
        String line = Name();
        if (ComponentState().Contains(csLoading)) line += " loading";
        if (ComponentState().Contains(csReading)) line += " reading";
        loadedLog.push_back(line);
        TComponent::Loaded();
    }
    TTestContainer* parent = nullptr;
    std::vector<TTestContainer*> children;

private:
    void remove(TTestContainer* c) { children.erase(std::remove(children.begin(), children.end(), c), children.end()); }
};

class TTestControl : public TTestContainer {
    Q_OBJECT
    Q_PROPERTY(int Left MEMBER Left)
    Q_PROPERTY(bool Visible MEMBER Visible)
    Q_PROPERTY(long double Value MEMBER Value)
    Q_PROPERTY(double Ratio MEMBER Ratio)
    Q_PROPERTY(float Scale MEMBER Scale)
    Q_PROPERTY(String Caption MEMBER Caption)
    Q_PROPERTY(WideString WideCaption MEMBER WideCaption)
    Q_PROPERTY(QString Note MEMBER Note)
    Q_PROPERTY(TShape Shape MEMBER Shape)
    Q_PROPERTY(TEdges Edges MEMBER Edges)
    Q_PROPERTY(TAlignment Alignment MEMBER Alignment)
    Q_PROPERTY(TTestColor Color MEMBER Color)
    Q_PROPERTY(int Number MEMBER Number)
    Q_PROPERTY(int Tint MEMBER Tint)
    Q_PROPERTY(char Letter MEMBER Letter)
    Q_PROPERTY(char16_t WideLetter MEMBER WideLetter)
    Q_PROPERTY(qint64 Big MEMBER Big)
    Q_PROPERTY(unsigned char Small MEMBER Small)
    Q_PROPERTY(int Hidden MEMBER Hidden STORED false)
    Q_PROPERTY(int Computed READ Computed)
    Q_PROPERTY(int Maybe MEMBER Maybe)
    Q_PROPERTY(TTestFont* Font READ Font WRITE SetFont)
    Q_PROPERTY(TStrings* Lines READ Lines WRITE SetLines)
    Q_PROPERTY(TTestItems* Items READ Items WRITE SetItems)
    Q_PROPERTY(TTestControl* Buddy READ Buddy WRITE SetBuddy)
    Q_PROPERTY(TNotifyEvent OnClick MEMBER OnClick)
    Q_PROPERTY(TTestKeyEvent OnKey MEMBER OnKey)
    Q_CLASSINFO("Default:Visible", "True")
    Q_CLASSINFO("Default:Alignment", "taLeftJustify")
    Q_CLASSINFO("Default:Color", "clWindow")
    Q_CLASSINFO("Default:Shape", "shCircle")
    Q_CLASSINFO("Default:Edges", "[]")
    Q_CLASSINFO("Default:Number", "0")
    Q_CLASSINFO("Idents:Tint", "TTestColors")
    Q_CLASSINFO("Default:Big", "0")
    Q_CLASSINFO("Default:Small", "0")
    Q_CLASSINFO("Default:Left", "0")
    Q_CLASSINFO("Default:Maybe", "0")

public:
    enum TAlignment { taLeftJustify, taRightJustify, taCenter };
    Q_ENUM(TAlignment)

    explicit TTestControl(TComponent* AOwner) : TTestContainer(AOwner), items_(this) {}
    ~TTestControl() override { SetBuddy(nullptr); }

    int Computed() const { return 1; }
    Q_INVOKABLE bool IsMaybeStored() const { return Maybe != 42; }
    TTestFont* Font() { return &font_; }
    void SetFont(TTestFont* Value) { font_.Assign(Value); }
    TStrings* Lines() { return &lines_; }
    void SetLines(TStrings* Value) { lines_.Assign(Value); }
    TTestItems* Items() { return &items_; }
    void SetItems(TTestItems* Value) { items_.Assign(Value); }
    TTestControl* Buddy() const { return buddy_; }
    void SetBuddy(TTestControl* Value) {
        if (buddy_) buddy_->RemoveFreeNotification(this);
        buddy_ = Value;
        if (buddy_) buddy_->FreeNotification(this);
    }
    void Notification(TComponent* AComponent, TOperation Operation) override {
        TTestContainer::Notification(AComponent, Operation);
        if (Operation == opRemove && AComponent == buddy_) buddy_ = nullptr;
    }
    void Loaded() override {
        if (buddy_) loadedLog.push_back(Name() + " sees " + buddy_->Name());
        TTestContainer::Loaded();
    }

    void DefineProperties(TFiler* Filer) override {
        TTestContainer::DefineProperties(Filer);
        // With an ancestor only differences are written, as components of the class library do.
        auto* ancestor = qobject_cast<TTestControl*>(Filer->Ancestor());
        Filer->DefineBinaryProperty(
            "Data",
            [this](TStream* S) {
                Data.resize(static_cast<std::size_t>(S->Size()));
                S->ReadBuffer(Data.data(), static_cast<Int64>(Data.size()));
            },
            [this](TStream* S) { S->WriteBuffer(Data.data(), static_cast<Int64>(Data.size())); },
            ancestor ? ancestor->Data != Data : !Data.empty());
        Filer->DefineProperty(
            "Points",
            [this](TReader* R) {
                Points.clear();
                R->ReadListBegin();
                while (!R->EndOfList()) Points.push_back(R->ReadInteger());
                R->ReadListEnd();
            },
            [this](TWriter* W) {
                W->WriteListBegin();
                for (int p : Points) W->WriteInteger(p);
                W->WriteListEnd();
            },
            ancestor ? ancestor->Points != Points : !Points.empty());
        // One value of each kind through the typed calls.
        Filer->DefineProperty(
            "Mixed",
            [this](TReader* R) {
                R->ReadListBegin();
                mixed.flag = R->ReadBoolean();
                mixed.real = R->ReadFloat();
                mixed.letter = R->ReadChar();
                mixed.ident = R->ReadIdent();
                mixed.set = R->ReadSet();
                R->ReadCollection(&mixed.items);
                mixed.wide = R->ReadWideString();
                mixed.utf8 = R->ReadUTF8String();
                mixed.big = R->ReadInt64();
                R->ReadListEnd();
                mixed.used = true;
            },
            [this](TWriter* W) {
                W->WriteListBegin();
                W->WriteBoolean(mixed.flag);
                W->WriteFloat(mixed.real);
                W->WriteChar(mixed.letter);
                W->WriteIdent(mixed.ident);
                W->WriteSet(mixed.set);
                W->WriteCollection(&mixed.items);
                W->WriteWideString(mixed.wide);
                W->WriteUTF8String(mixed.utf8);
                W->WriteInteger(mixed.big);
                W->WriteListEnd();
            },
            mixed.used);
        // Reads any values and records their kinds; never written.
        Filer->DefineProperty(
            "Kinds",
            [this](TReader* R) {
                Kinds.clear();
                while (true) {
                    const TFilerValueType t = R->NextValue();
                    Kinds.push_back(t);
                    if (t == vaList) {
                        R->ReadListBegin();
                        while (!R->EndOfList()) {
                            Kinds.push_back(R->NextValue());
                            R->SkipValue();
                        }
                        R->ReadListEnd();
                        Kinds.push_back(vaNull);
                    } else {
                        R->SkipValue();
                    }
                    break;
                }
            },
            nullptr, false);
    }

    int Left = 0;
    bool Visible = true;
    long double Value = 0;
    double Ratio = 0;
    float Scale = 0;
    String Caption;
    WideString WideCaption;
    QString Note;
    TShape Shape = shCircle;
    TEdges Edges;
    TAlignment Alignment = taLeftJustify;
    TTestColor Color = clWindow;
    int Number = 0;
    int Tint = 0;
    char Letter = 0;
    char16_t WideLetter = 0;
    qint64 Big = 0;
    unsigned char Small = 0;
    int Hidden = 0;
    int Maybe = 0;
    TNotifyEvent OnClick;
    TTestKeyEvent OnKey;
    std::vector<unsigned char> Data;
    std::vector<int> Points;
    std::vector<TFilerValueType> Kinds;
    struct Mixed {
        explicit Mixed(TPersistent* Owner) : items(Owner) {}
        bool used = false;
        bool flag = false;
        long double real = 0;
        char letter = 0;
        String ident;
        std::vector<String> set;
        TTestItems items;
        WideString wide;
        std::string utf8;
        Int64 big = 0;
    } mixed{this};

private:
    TTestFont font_;
    TStringList lines_;
    TTestItems items_;
    TTestControl* buddy_ = nullptr;
};

class TTestTimer : public TComponent {
    Q_OBJECT
    Q_PROPERTY(int Interval MEMBER Interval)
    Q_PROPERTY(bool Enabled MEMBER Enabled)
    Q_PROPERTY(TNotifyEvent OnTimer MEMBER OnTimer)
    Q_CLASSINFO("Default:Interval", "1000")
    Q_CLASSINFO("Default:Enabled", "True")

public:
    using TComponent::TComponent;
    void Loaded() override {
        loadedLog.push_back(Name());
        TComponent::Loaded();
    }
    int Interval = 1000;
    bool Enabled = true;
    TNotifyEvent OnTimer;
};

class TTestForm : public TTestContainer {
    Q_OBJECT
    Q_PROPERTY(String Caption MEMBER Caption)
    Q_PROPERTY(TNotifyEvent OnCreate MEMBER OnCreate)

public:
    explicit TTestForm(TComponent* AOwner) : TTestContainer(AOwner) {
        PublishField("Button1", Button1);
        PublishField("Panel1", Panel1);
    }
    Q_INVOKABLE void ButtonClick(TObject* Sender) { clicked.push_back(Sender); }
    Q_INVOKABLE void KeyDown(TObject*, Word& Key, int) { Key = 0; }
    Q_INVOKABLE void WrongClick(int) {}

    String Caption;
    TNotifyEvent OnCreate;
    TTestControl* Button1 = nullptr;
    TTestControl* Panel1 = nullptr;
    std::vector<TObject*> clicked;
};

namespace {

void registerTestClasses() {
    RegisterClasses<TTestForm, TTestControl, TTestTimer>();
    RegisterIntegerConsts<TTestColor>({{clRed, "clRed"}, {clBtnFace, "clBtnFace"}, {clWindow, "clWindow"}});
    // The same identifiers for a plain integer property that names the map.
    RegisterIdentMap("TTestColors", {{clRed, "clRed"}, {clBtnFace, "clBtnFace"}, {clWindow, "clWindow"}});
}

std::unique_ptr<TTestForm> readForm(const String& text) {
    registerTestClasses();
    auto form = std::make_unique<TTestForm>(nullptr);
    ReadComponentText(text, form.get());
    return form;
}

// The message of the exception of type E that reading `text` into a new form raises.
template <class E>
String readError(const String& text) {
    registerTestClasses();
    TTestForm form(nullptr);
    try {
        ReadComponentText(text, &form);
    } catch (const E& e) {
        EXPECT_FALSE(form.ComponentState().Contains(csLoading));
        EXPECT_FALSE(form.ComponentState().Contains(csReading));
        return e.Message;
    } catch (const Exception& e) {
        return String(e.ClassName()) + ": " + e.Message;
    }
    return "(nothing raised)";
}

bool hasLine(const String& text, const String& line) {
    std::size_t from = 0;
    while (true) {
        const std::size_t at = text.find(line, from);
        if (at == String::npos) return false;
        const bool startOk = at == 0 || text[at - 1] == ' ' || text[at - 1] == '\n';
        const bool endOk = at + line.size() == text.size() || text[at + line.size()] == '\n';
        if (startOk && endOk) return true;
        from = at + 1;
    }
}

}  // namespace

TEST(LayoutReader, ResourceLayoutGivesComponentsPropertiesAndEvents) {
    registerTestClasses();
    loadedLog.clear();
    TTestForm form(nullptr);
    ReadLayout(&form, "LayoutTestForm");

    EXPECT_EQ(form.Name(), "TestForm");
    EXPECT_EQ(form.Caption, "Tessellon \u2013 poster");
    ASSERT_EQ(form.ComponentCount(), 3);
    ASSERT_NE(form.Panel1, nullptr);
    ASSERT_NE(form.Button1, nullptr);
    TTestControl& panel = *form.Panel1;
    TTestControl& button = *form.Button1;
    // Everything belongs to the form; the enclosing component is the parent.
    EXPECT_EQ(button.Owner(), &form);
    EXPECT_EQ(button.parent, &panel);
    EXPECT_EQ(panel.parent, &form);
    auto* timer = qobject_cast<TTestTimer*>(form.FindComponent("Timer1"));
    ASSERT_NE(timer, nullptr);
    EXPECT_FALSE(timer->HasParent());
    EXPECT_EQ(timer->Interval, 250);

    EXPECT_EQ(panel.Left, -12);
    EXPECT_EQ(panel.Shape, shSquare);
    EXPECT_EQ(panel.Edges, TEdges(edLeft) | edBottom);
    EXPECT_EQ(panel.Alignment, TTestControl::taCenter);
    EXPECT_EQ(panel.Color, clBtnFace);
    EXPECT_EQ(panel.Number, 0xFF);  // an identifier of a registered map on a plain integer
    EXPECT_EQ(panel.Tint, clBtnFace);
    EXPECT_EQ(panel.Font()->Name, "Arial");
    EXPECT_EQ(panel.Font()->Size, 10);
    EXPECT_EQ(panel.Font()->Style, TTestFont::TStyles(TTestFont::fsBold | TTestFont::fsItalic));
    ASSERT_EQ(panel.Lines()->Count(), 3);
    EXPECT_EQ(panel.Lines()->Strings(1), "it's");
    EXPECT_EQ(panel.Lines()->Strings(2), "");
    ASSERT_EQ(panel.Items()->Count(), 2);
    EXPECT_EQ(panel.Items()->At(0)->Width, 60);
    EXPECT_EQ(panel.Items()->At(1)->Width, 50);
    EXPECT_EQ(panel.Items()->At(1)->Text, "B");
    EXPECT_EQ(panel.Data, (std::vector<unsigned char>{0x0A, 0x0B, 0x0C}));
    EXPECT_EQ(panel.Points, (std::vector<int>{1, -2, 16}));

    EXPECT_EQ(button.Caption, "Caf\u00e9 \u041f");
    EXPECT_EQ(button.WideCaption, u"Gr\u00f6\u00dfe \u20ac \U0001F600");
    EXPECT_EQ(button.Note, QString("qt"));
    EXPECT_EQ(button.Value, 3.14159265358979323846L);
    EXPECT_EQ(button.Ratio, 0.1);
    EXPECT_EQ(button.Scale, 0.5f);
    EXPECT_FALSE(button.Visible);
    EXPECT_EQ(button.Letter, 'x');
    EXPECT_EQ(button.WideLetter, u'\u20ac');
    EXPECT_EQ(button.Big, 9000000000LL);
    EXPECT_EQ(button.Small, 200);
    EXPECT_EQ(button.Number, 255);
    EXPECT_EQ(button.Buddy(), &panel);

    // Events call the form's handlers.
    button.OnClick(&button);
    form.OnCreate(&form);
    timer->OnTimer(timer);
    EXPECT_EQ(form.clicked, (std::vector<TObject*>{&button, &form, timer}));
    EXPECT_EQ(button.OnClick.MethodName(), "ButtonClick");
    Word key = 13;
    button.OnKey(&button, key, 0);
    EXPECT_EQ(key, 0);

    // Loaded: the root first, then in creation order, references already resolved, each
    // still loading but no longer reading.
    EXPECT_EQ(loadedLog, (std::vector<String>{"TestForm loading", "Timer1", "Panel1 loading", "Button1 sees Panel1",
                                              "Button1 loading"}));
    for (TComponent* c : {static_cast<TComponent*>(&form), static_cast<TComponent*>(&button)}) {
        EXPECT_FALSE(c->ComponentState().Contains(csLoading));
        EXPECT_FALSE(c->ComponentState().Contains(csReading));
    }
    // A reference read from a layout is an ordinary one: freeing its target clears it,
    // and the form's field follows.
    delete form.Panel1;
    EXPECT_EQ(form.Panel1, nullptr);
    EXPECT_EQ(button.Buddy(), nullptr);
}

TEST(LayoutReader, ValueKindsSeenByDefinedProperties) {
    auto form = readForm(
        "object F: TTestForm\n"
        "  object C: TTestControl\n"
        "    Kinds = (1 300 70000 9000000000 1.5 'a' #1000 Ident True False nil [a, b] {00} <> ('x'))\n"
        "  end\n"
        "end\n");
    auto* c = qobject_cast<TTestControl*>(form->FindComponent("C"));
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->Kinds, (std::vector<TFilerValueType>{vaList, vaInt8, vaInt16, vaInt32, vaInt64, vaExtended, vaString,
                                                       vaWString, vaIdent, vaTrue, vaFalse, vaNil, vaSet, vaBinary,
                                                       vaCollection, vaList, vaNull}));
}

TEST(LayoutReader, TypedCallsOfDefinedPropertiesRoundTrip) {
    auto form = readForm(
        "object F: TTestForm\n"
        "  object C: TTestControl\n"
        "    Mixed = (True 2.5 'c' alTop [x, y] <\n"
        "      item\n"
        "        Width = 7\n"
        "      end> #8364 '\xC3\xBC' 9000000000)\n"
        "  end\n"
        "end\n");
    auto* c = qobject_cast<TTestControl*>(form->FindComponent("C"));
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(c->mixed.flag);
    EXPECT_EQ(c->mixed.real, 2.5L);
    EXPECT_EQ(c->mixed.letter, 'c');
    EXPECT_EQ(c->mixed.ident, "alTop");
    EXPECT_EQ(c->mixed.set, (std::vector<String>{"x", "y"}));
    ASSERT_EQ(c->mixed.items.Count(), 1);
    EXPECT_EQ(c->mixed.items.At(0)->Width, 7);
    EXPECT_EQ(c->mixed.wide, u"\u20ac");
    EXPECT_EQ(c->mixed.utf8, "\xC3\xBC");
    EXPECT_EQ(c->mixed.big, 9000000000LL);
    const String text = WriteComponentText(form.get());
    EXPECT_NE(text.find("Mixed = (\n      True\n      2.5\n      'c'\n      alTop\n      [x, y]\n      <\n"), String::npos) << text;
    TTestForm again(nullptr);
    ReadComponentText(text, &again);
    EXPECT_EQ(WriteComponentText(&again), text);
    // A reader that meets the wrong kind of value fails.
    EXPECT_THROW(readForm("object F: TTestForm\n  object C: TTestControl\n    Mixed = (1)\n  end\nend\n"), EReadError);
    EXPECT_THROW(readForm("object F: TTestForm\n  object C: TTestControl\n    Points = 5\n  end\nend\n"), EReadError);
}

TEST(LayoutReader, ErrorsNameTheProblemAndTheLine) {
    const String head = "object F: TTestForm\n  object C: TTestControl\n";
    const String tail = "  end\nend\n";
    EXPECT_EQ(readError<EReadError>(head + "    Bogus = 1\n" + tail), "Property Bogus does not exist in line 3");
    EXPECT_EQ(readError<EReadError>(head + "    Font.Bogus = 1\n" + tail), "Property Font.Bogus does not exist in line 3");
    EXPECT_EQ(readError<EReadError>(head + "    Left = 'abc'\n" + tail), "Ungültiger Wert der Eigenschaft in line 3");
    EXPECT_EQ(readError<EReadError>(head + "    Small = 300\n" + tail), "Ungültiger Wert der Eigenschaft in line 3");
    EXPECT_EQ(readError<EReadError>(head + "    Shape = shHexagon\n" + tail), "'shHexagon' is not a value of property Shape in line 3");
    EXPECT_EQ(readError<EReadError>(head + "    Edges = [edLeft, edMiddle]\n" + tail),
              "'edMiddle' is not a value of property Edges in line 3");
    EXPECT_EQ(readError<EReadError>(head + "    Color = clPurple\n" + tail), "'clPurple' is not a value of property Color in line 3");
    EXPECT_EQ(readError<EReadError>(head + "    Tint = alClient\n" + tail), "'alClient' is not a value of property Tint in line 3");
    EXPECT_EQ(readError<EReadError>(head + "    Computed = 2\n" + tail), "Property Computed cannot be written in line 3");
    EXPECT_EQ(readError<EReadError>(head + "    OnClick = NoSuchHandler\n" + tail),
              "Method NoSuchHandler is not published by TTestForm in line 3");
    EXPECT_EQ(readError<EReadError>(head + "    OnClick = WrongClick\n" + tail), "Method WrongClick does not fit event OnClick in line 3");
    EXPECT_EQ(readError<EReadError>(head + "    OnKey = ButtonClick\n" + tail), "Method ButtonClick does not fit event OnKey in line 3");
    EXPECT_EQ(readError<EReadError>(head + "    Points = ('x')\n" + tail), "Ungültiger Wert der Eigenschaft in line 3");
    EXPECT_EQ(readError<EReadError>(head + "    Data = (1)\n" + tail), "Ungültiger Wert der Eigenschaft in line 3");
    EXPECT_EQ(readError<EReadError>(head + "    Items = <\n      item\n        Width = 'w'\n      end>\n" + tail),
              "Ungültiger Wert der Eigenschaft in line 5");
    // References are resolved at the end and report their own line.
    EXPECT_EQ(readError<EReadError>(head + "    Left = 1\n    Buddy = Ghost\n" + tail), "Reference to an unknown component 'Ghost' in line 4");
    EXPECT_EQ(readError<EReadError>(head + "    Buddy = T\n  end\n  object T: TTestTimer\n  end\nend\n"),
              "Ungültiger Wert der Eigenschaft in line 3");
    EXPECT_EQ(readError<EClassNotFound>("object F: TTestForm\n\n  object X: TNoSuch\n  end\nend\n"), "Class TNoSuch not found in line 3");
    EXPECT_EQ(readError<EComponentError>(head + tail.substr(0, 6) + "  object C: TTestControl\n" + tail),
              "A component named C already exists in line 4");
    EXPECT_EQ(readError<EComponentError>("object F: TTestForm\n  object a.b: TTestControl\n  end\nend\n"),
              "'a.b' is not a valid component name in line 2");
    EXPECT_EQ(readError<EParserError>("object F: TTestForm\n  object 1x: TTestControl\n  end\nend\n"), "Invalid number in line 2");
    EXPECT_EQ(readError<EComponentError>("object F: TTestForm\n  object Panel1: TTestTimer\n  end\nend\n"),
              "Field Panel1 cannot hold a component of class TTestTimer in line 2");
    EXPECT_EQ(readError<EParserError>("object F: TTestForm\n  Caption = 'open\nend\n"), "Invalid string in line 2");
    EXPECT_EQ(readError<EReadError>("object F: TTestTimer\nend\n"), "The layout describes a TTestTimer, which TTestForm is not in line 1");
    EXPECT_EQ(readError<EReadError>("inherited F: TTestForm\n  inherited Missing: TTestControl\n  end\nend\n"),
              "An inherited component named Missing does not exist in line 2");
}

TEST(LayoutReader, FailedReadsLeaveNoHalfReadState) {
    registerTestClasses();
    // A new root made for the layout is freed again.
    EXPECT_THROW(ReadComponentText("object F: TTestForm\n  object C: TTestControl\n    Bogus = 1\n  end\nend\n", nullptr), EReadError);
    // A root given by the caller keeps what was read, none of it still loading.
    TTestForm form(nullptr);
    EXPECT_THROW(ReadComponentText("object F: TTestForm\n  object C: TTestControl\n  end\n  object D: TTestControl\n    Bogus = 1\n  end\nend\n", &form),
                 EReadError);
    ASSERT_EQ(form.ComponentCount(), 2);
    for (int i = 0; i < form.ComponentCount(); ++i) EXPECT_TRUE(form.Components(i)->ComponentState().Empty());
}

TEST(LayoutReader, NewRootsInheritedComponentsAndStreams) {
    registerTestClasses();
    TComponent* made = ReadComponentText("object Made: TTestForm\n  Caption = 'new'\nend\n", nullptr);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->ClassName(), "TTestForm");
    EXPECT_EQ(static_cast<TTestForm*>(made)->Caption, "new");
    delete made;

    // Inherited parts change components that already exist.
    auto form = readForm("object F: TTestForm\n  object Panel1: TTestControl\n    Left = 1\n  end\nend\n");
    TTestControl* panel = form->Panel1;
    ReadComponentText("inherited F: TTestForm\n  inherited Panel1: TTestControl\n    Left = 5\n  end\nend\n", form.get());
    EXPECT_EQ(form->Panel1, panel);
    EXPECT_EQ(panel->Left, 5);
    EXPECT_EQ(form->ComponentCount(), 1);

    // A second instance of a form under the same owner gets a name of its own.
    TComponent app(nullptr);
    auto* one = new TTestForm(&app);
    auto* two = new TTestForm(&app);
    ReadComponentText("object Dialog: TTestForm\nend\n", one);
    ReadComponentText("object Dialog: TTestForm\nend\n", two);
    EXPECT_EQ(one->Name(), "Dialog");
    EXPECT_EQ(two->Name(), "Dialog_2");

    // Streams carry the text form.
    TMemoryStream stream;
    stream.WriteComponent(form.get());
    stream.SetPosition(0);
    TTestForm copy(nullptr);
    stream.ReadComponent(&copy);
    ASSERT_NE(copy.Panel1, nullptr);
    EXPECT_EQ(copy.Panel1->Left, 5);
    EXPECT_THROW(ReadLayout(&copy, "NoSuchLayout"), EResNotFound);
}

TEST(LayoutWriter, DefaultsAreLeftOutAndValuesKeepTheirKind) {
    registerTestClasses();
    TTestForm form(nullptr);
    ReadLayout(&form, "LayoutTestForm");
    form.Button1->Hidden = 7;
    form.Button1->Maybe = 42;  // its stored test says no
    form.Panel1->Maybe = 3;
    form.Button1->Tint = 7;  // no identifier: a number
    const String text = WriteComponentText(&form);

    EXPECT_EQ(text.rfind("object TestForm: TTestForm\n", 0), 0u) << text;
    for (const char* line : {"Caption = 'Tessellon \u2013 poster'", "OnCreate = ButtonClick", "object Timer1: TTestTimer",
                             "Interval = 250", "OnTimer = ButtonClick", "object Panel1: TTestControl", "Left = -12",
                             "Shape = shSquare", "Edges = [edLeft, edBottom]", "Alignment = taCenter", "Color = clBtnFace",
                             "Number = 255", "Tint = clBtnFace", "Tint = 7", "Font.Name = 'Arial'", "Font.Size = 10", "Font.Style = [fsBold, fsItalic]",
                             "Lines.Strings = (", "'it''s'", "Items = <", "Width = 60", "Text = 'B'", "Points = (",
                             "Maybe = 3", "object Button1: TTestControl", "Caption = 'Caf\u00e9 \u041f'",
                             "Value = 3.1415926535897932385", "Ratio = 0.1", "Scale = 0.5", "Visible = False",
                             "Letter = 'x'", "WideLetter = '\u20ac'", "Big = 9000000000", "Small = 200", "Buddy = Panel1",
                             "OnClick = ButtonClick", "OnKey = KeyDown", "Note = 'qt'"})
        EXPECT_TRUE(hasLine(text, line)) << line << "\n" << text;
    EXPECT_NE(text.find("Data = {\n      0A0B0C}"), String::npos) << text;
    // Defaults, computed, unstored and Qt-only properties are not written.
    for (const char* absent : {"Visible = True", "Alignment = taLeftJustify", "Color = clWindow", "Tag =", " Name =",
                               "objectName", "Hidden", "Computed", "Maybe = 42", "Enabled", "Width = 50", "Kinds",
                               "Font.Name = 'Sans'", "Ratio = 0.0", "Shape = shCircle", "Edges = []"})
        EXPECT_EQ(text.find(absent), String::npos) << absent << "\n" << text;
    // Children follow their parents: the timer and the panel in the form, the button in the panel.
    EXPECT_LT(text.find("object Timer1"), text.find("object Panel1"));
    EXPECT_LT(text.find("object Panel1"), text.find("object Button1"));
}

TEST(LayoutWriter, RoundTripKeepsEveryValue) {
    registerTestClasses();
    TTestForm first(nullptr);
    ReadLayout(&first, "LayoutTestForm");
    first.Panel1->Value = 1.0L / 3;  // needs all 21 digits of a long double
    first.Panel1->Ratio = 2.0 / 3;
    first.Panel1->Scale = 1.0f / 3;
    first.Panel1->Caption = String("tab\there 'quoted' ") + String(100, 'x');
    first.Panel1->WideCaption = WideString(u"\u0001\u00ff\u0100") + u'\xD800';  // a lone surrogate as well
    first.Panel1->Number = -2147483647 - 1;
    first.Panel1->Data.assign(70, 0xAB);
    first.Panel1->Edges = TEdges();
    const String text = WriteComponentText(&first);

    TTestForm second(nullptr);
    ReadComponentText(text, &second);
    EXPECT_EQ(WriteComponentText(&second), text);
    TTestControl& a = *first.Panel1;
    TTestControl& b = *second.Panel1;
    EXPECT_EQ(b.Value, a.Value);
    EXPECT_EQ(b.Ratio, a.Ratio);
    EXPECT_EQ(b.Scale, a.Scale);
    EXPECT_EQ(b.Caption, a.Caption);
    EXPECT_EQ(b.WideCaption, a.WideCaption);
    EXPECT_EQ(b.Number, a.Number);
    EXPECT_EQ(b.Data, a.Data);
    EXPECT_EQ(b.Edges, a.Edges);
    EXPECT_EQ(second.Button1->WideCaption, first.Button1->WideCaption);
    EXPECT_EQ(second.Button1->Buddy(), second.Panel1);
    EXPECT_EQ(b.Items()->Count(), 2);
    EXPECT_EQ(b.Lines()->Text(), a.Lines()->Text());
    EXPECT_EQ(second.Button1->OnClick.MethodName(), "ButtonClick");
}

TEST(LayoutWriter, AnAncestorLeavesOnlyTheDifferences) {
    registerTestClasses();
    TTestForm base(nullptr), derived(nullptr);
    ReadLayout(&base, "LayoutTestForm");
    ReadLayout(&derived, "LayoutTestForm");
    derived.Panel1->Left = 99;
    derived.Button1->Visible = true;  // back to the default, unlike the ancestor
    TWriter writer;
    writer.SetAncestor(&base);
    const String text = LayoutToText(writer.WriteRootComponent(&derived));
    EXPECT_EQ(text,
              "inherited TestForm: TTestForm\n"
              "  inherited Timer1: TTestTimer\n"
              "  end\n"
              "  inherited Panel1: TTestControl\n"
              "    Left = 99\n"
              "    inherited Button1: TTestControl\n"
              "      Visible = True\n"
              "    end\n"
              "  end\n"
              "end\n");
}

TEST(LayoutWriter, EventsAndReferencesWithoutANameAreNotWritten) {
    registerTestClasses();
    TTestForm form(nullptr);
    form.SetName("Form");
    auto* c = new TTestControl(&form);
    c->SetName("C");
    auto* unnamed = new TTestControl(&form);
    c->SetBuddy(unnamed);
    c->OnClick = [](TObject*) {};  // a callable has no method name
    TTestForm other(nullptr);
    c->OnKey = TTestKeyEvent::Published(&other, "KeyDown");  // a method of another object
    const String text = WriteComponentText(&form);
    EXPECT_EQ(text.find("Buddy"), String::npos) << text;
    EXPECT_EQ(text.find("OnClick"), String::npos) << text;
    EXPECT_EQ(text.find("OnKey"), String::npos) << text;
    c->SetBuddy(c);
    c->OnKey = TTestKeyEvent::Published(&form, "KeyDown");
    const String again = WriteComponentText(&form);
    EXPECT_TRUE(hasLine(again, "Buddy = C")) << again;
    EXPECT_TRUE(hasLine(again, "OnKey = KeyDown")) << again;
}

TEST(LayoutProperties, PublishedPropertiesByName) {
    TTestControl c(nullptr);
    EXPECT_TRUE(IsPublishedProp(&c, "left"));
    EXPECT_FALSE(IsPublishedProp(&c, "objectName"));
    const std::vector<QMetaProperty> list = GetPropList(&c);
    ASSERT_GE(list.size(), 2u);
    EXPECT_STREQ(list[0].name(), "Name");  // base classes first
    EXPECT_STREQ(list[1].name(), "Tag");
    const QMetaProperty shape = GetPropInfo(&c, "Shape");
    EXPECT_EQ(GetPropType(shape).Kind, tkEnumeration);
    EXPECT_EQ(GetEnumNames(shape), (std::vector<String>{"shCircle", "shSquare", "shTriangle"}));
    SetEnumProp(&c, shape, "SHTRIANGLE");
    EXPECT_EQ(c.Shape, shTriangle);
    EXPECT_EQ(GetEnumProp(&c, shape), "shTriangle");
    EXPECT_THROW(SetEnumProp(&c, shape, "shNone"), EPropertyError);
    const QMetaProperty edges = GetPropInfo(&c, "Edges");
    EXPECT_EQ(GetPropType(edges).Kind, tkSet);
    std::vector<String> skipped;
    SetOrdProp(&c, edges, NamesToSet(edges, {"edTop", "nothing", "EDRIGHT"}, &skipped));
    EXPECT_EQ(c.Edges, TEdges(edTop) | edRight);
    EXPECT_EQ(skipped, (std::vector<String>{"nothing"}));
    EXPECT_EQ(SetToNames(edges, GetOrdProp(&c, edges)), (std::vector<String>{"edTop", "edRight"}));
    const QMetaProperty visible = GetPropInfo(&c, "Visible");
    EXPECT_TRUE(GetPropType(visible).IsBoolean);
    SetEnumProp(&c, visible, "false");
    EXPECT_EQ(GetEnumProp(&c, visible), "False");
    EXPECT_EQ(GetPropType(GetPropInfo(&c, "Value")).FloatType, ftExtended);
    SetFloatProp(&c, GetPropInfo(&c, "Value"), 0.1L);
    EXPECT_EQ(c.Value, 0.1L);
    SetStrProp(&c, GetPropInfo(&c, "WideCaption"), "Gr\u00fc\u00dfe");
    EXPECT_EQ(c.WideCaption, u"Gr\u00fc\u00dfe");
    EXPECT_EQ(GetStrProp(&c, GetPropInfo(&c, "WideCaption")), "Gr\u00fc\u00dfe");
    EXPECT_EQ(GetPropType(GetPropInfo(&c, "Font")).Kind, tkClass);
    EXPECT_EQ(GetObjectProp(&c, GetPropInfo(&c, "Font")), c.Font());
    EXPECT_EQ(GetPropType(GetPropInfo(&c, "OnClick")).Kind, tkMethod);
    EXPECT_THROW(SetOrdProp(&c, GetPropInfo(&c, "Small"), 256), EPropertyError);
    EXPECT_FALSE(IsStoredProp(&c, GetPropInfo(&c, "Hidden")));
    c.Maybe = 42;
    EXPECT_FALSE(IsStoredProp(&c, GetPropInfo(&c, "Maybe")));
    EXPECT_EQ(GetPropDefaultText(&c, GetPropInfo(&c, "Color")), "clWindow");
    TTestTimer timer(nullptr);
    EXPECT_THROW(SetObjectProp(&c, GetPropInfo(&c, "Buddy"), &timer), EPropertyError);
}

namespace {

// A descendant that declares a stored property of its base again, with another type.
class TTestWideCaptioned : public TTestControl {
    Q_OBJECT
    Q_PROPERTY(WideString Caption READ wideCaption WRITE setWideCaption)

public:
    using TTestControl::TTestControl;
    WideString wideCaption() const { return AnsiToWide(Caption) + u"!"; }
    void setWideCaption(const WideString& v) { Caption = WideToAnsi(v.substr(0, v.size() - 1)); }
};

}  // namespace

TEST(LayoutProperties, APropertyDeclaredAgainIsListedAndWrittenOnce) {
    TTestWideCaptioned c(nullptr);
    c.SetName("C");
    c.Caption = "Name";
    const std::vector<QMetaProperty> list = GetPropList(&c);
    int captions = 0;
    std::size_t at = 0, left = 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (String(list[i].name()) == "Left") left = i;
        if (String(list[i].name()) != "Caption") continue;
        ++captions;
        at = i;
        EXPECT_EQ(GetPropType(list[i]).Kind, tkWString);  // the descendant's
    }
    EXPECT_EQ(captions, 1);
    EXPECT_GT(at, left);  // where the base declares it
    EXPECT_LT(at, list.size() - 1);
    const String text = WriteComponentText(&c);
    EXPECT_EQ(text.find("Caption ="), text.rfind("Caption =")) << text;
    EXPECT_NE(text.find("Caption = 'Name!'"), String::npos) << text;
}

#include "LayoutTest.moc"
