// Components (ownership, names, free notification, published fields), events, the class
// registry, persistent assignment, lists and collections.
#include "classlib/Classes.h"

#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

using Log = std::vector<String>;

class TProbe : public TComponent {
    Q_OBJECT

public:
    explicit TProbe(TComponent* AOwner, Log* ALog = nullptr) : TComponent(AOwner), log(ALog) {}
    ~TProbe() override {
        if (log) log->push_back("~" + Name() + (ComponentState().Contains(csDestroying) ? "" : "(not destroying)"));
    }
    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        if (log) log->push_back(String(Operation == opInsert ? "+" : "-") + AComponent->Name() + "@" + Name());
        if (Operation == opRemove && AComponent == Watched) Watched = nullptr;
    }
    void Watch(TComponent* C) {
        if (Watched) Watched->RemoveFreeNotification(this);
        Watched = C;
        if (C) C->FreeNotification(this);
    }
    void BeforeDestruction() override {
        if (log) log->push_back("before " + Name());
        TComponent::BeforeDestruction();
    }

    TComponent* Watched = nullptr;
    Log* log;
};

class TOtherProbe : public TComponent {
    Q_OBJECT

public:
    using TComponent::TComponent;
};

class THandlers : public TComponent {
    Q_OBJECT

public:
    using TComponent::TComponent;
    Q_INVOKABLE void Clicked(TObject* Sender) {
        ++clicks;
        lastSender = Sender;
    }
    Q_INVOKABLE void Key(TObject*, Word& Key, int Shift) {
        Key = static_cast<Word>(Key + Shift);
    }
    Q_INVOKABLE void KeyPlatform(TObject*, WORD& Key, int) { Key = 0; }
    Q_INVOKABLE void NoSender() {}
    void Plain(TObject*) { ++plain; }
    void Other(TObject*) {}
    int clicks = 0;
    int plain = 0;
    TObject* lastSender = nullptr;
};

class TValueItem : public TCollectionItem {
    Q_OBJECT

public:
    using TCollectionItem::TCollectionItem;
    void Assign(TPersistent* Source) override {
        if (auto* s = qobject_cast<TValueItem*>(Source)) {
            value = s->value;
            return;
        }
        TCollectionItem::Assign(Source);
    }
    int value = 0;
};

class TCountingCollection : public TCollection {
    Q_OBJECT

public:
    explicit TCountingCollection(TPersistent* AOwner = nullptr) : TCollection(CollectionItemClass<TValueItem>(), AOwner) {}
    std::vector<TCollectionItem*> updates;
    std::vector<TCollectionNotification> notes;

protected:
    void Update(TCollectionItem* Item) override { updates.push_back(Item); }
    void Notify(TCollectionItem* Item, TCollectionNotification Action) override {
        notes.push_back(Action);
        TCollection::Notify(Item, Action);
    }
};

template <class E, class F>
String messageOf(F&& f) {
    try {
        f();
    } catch (const E& e) {
        return e.Message;
    }
    return "(nothing raised)";
}

}  // namespace

TEST(CoreComponents, OwnerFreesItsComponentsLastFirst) {
    Log log;
    auto* owner = new TProbe(nullptr, &log);
    owner->SetName("Owner");
    auto* a = new TProbe(owner, &log);
    a->SetName("A");
    auto* b = new TProbe(owner, &log);
    b->SetName("B");
    auto* c = new TProbe(b, &log);  // owned by B
    c->SetName("C");
    EXPECT_EQ(owner->ComponentCount(), 2);
    EXPECT_EQ(owner->Components(1), b);
    EXPECT_EQ(b->ComponentIndex(), 1);
    EXPECT_EQ(c->Owner(), b);
    EXPECT_EQ(messageOf<EListError>([&] { owner->Components(2); }), "Der Index der Liste überschreitet das Maximum (2)");
    log.clear();
    owner->Free();
    // Every owned component knows it is being destroyed before any of them goes.
    EXPECT_EQ(log, (Log{"before Owner", "~Owner", "before B", "~B", "before C", "~C", "before A", "~A"}));
}

TEST(CoreComponents, InsertAndRemoveNotifyTheOwnerAndItsComponents) {
    Log log;
    TProbe owner(nullptr, &log);
    owner.SetName("Owner");
    TProbe* sibling = new TProbe(&owner, &log);
    sibling->SetName("Sib");
    TProbe other(nullptr, &log);
    other.SetName("Other");
    auto* moved = new TProbe(&other, &log);
    moved->SetName("M");
    log.clear();
    owner.InsertComponent(moved);  // taken from its old owner
    EXPECT_EQ(moved->Owner(), &owner);
    EXPECT_EQ(other.ComponentCount(), 0);
    // An owner tells all its components, the moving one included, then itself.
    EXPECT_EQ(log, (Log{"-M@M", "-M@Other", "+M@M", "+M@Sib", "+M@Owner"}));
    log.clear();
    moved->Free();  // destroying an owned component tells the owner and its components
    EXPECT_EQ(log, (Log{"before M", "~M", "-M@Sib", "-M@Owner"}));
    EXPECT_EQ(owner.ComponentCount(), 1);
    log.clear();
    owner.RemoveComponent(sibling);
    EXPECT_EQ(sibling->Owner(), nullptr);
    sibling->log = nullptr;
    delete sibling;
    owner.log = nullptr;
    other.log = nullptr;
}

TEST(CoreComponents, FreeNotificationClearsReferences) {
    TProbe watcher(nullptr);
    auto* target = new TProbe(nullptr);
    watcher.Watch(target);
    EXPECT_TRUE(target->ComponentState().Contains(csFreeNotification));
    delete target;
    EXPECT_EQ(watcher.Watched, nullptr);

    // Works both ways: a watcher that goes first is forgotten by its target.
    auto* early = new TProbe(nullptr);
    TProbe lasting(nullptr);
    early->Watch(&lasting);
    delete early;
    lasting.SetName("StillFine");  // would touch freed memory otherwise (sanitizer build)

    // After RemoveFreeNotification no notification comes.
    TProbe w2(nullptr);
    auto* t2 = new TProbe(nullptr);
    w2.Watch(t2);
    t2->RemoveFreeNotification(&w2);
    delete t2;
    EXPECT_NE(w2.Watched, nullptr);  // stale on purpose: nobody told it
    w2.Watched = nullptr;

    // Components of one owner hear of each other's removal without FreeNotification.
    TProbe form(nullptr);
    auto* label = new TProbe(&form);
    auto* edit = new TProbe(&form);
    label->Watched = edit;
    delete edit;
    EXPECT_EQ(label->Watched, nullptr);
}

TEST(CoreComponents, NameRules) {
    TComponent owner(nullptr);
    auto* a = new TComponent(&owner);
    auto* b = new TComponent(&owner);
    a->SetName("Button1");
    EXPECT_EQ(messageOf<EComponentError>([&] { b->SetName("1abc"); }), "'1abc' is not a valid component name");
    EXPECT_EQ(messageOf<EComponentError>([&] { b->SetName("my name"); }), "'my name' is not a valid component name");
    EXPECT_EQ(messageOf<EComponentError>([&] { b->SetName("BUTTON1"); }), "A component named BUTTON1 already exists");
    EXPECT_EQ(b->Name(), "");
    a->SetName("BUTTON1");  // its own name in another case
    EXPECT_EQ(a->Name(), "BUTTON1");
    b->SetName("Button2");
    b->SetName("");  // unnamed components may share the empty name
    auto* c = new TComponent(&owner);
    EXPECT_EQ(c->Name(), "");
    EXPECT_EQ(owner.FindComponent("button1"), a);
    EXPECT_EQ(owner.FindComponent(""), nullptr);
    EXPECT_EQ(owner.FindComponent("Nope"), nullptr);
    // Another owner's components may use the same name, but inserting one that clashes fails.
    TComponent other(nullptr);
    auto* twin = new TComponent(&other);
    twin->SetName("Button1");
    EXPECT_THROW(owner.InsertComponent(twin), EComponentError);
    EXPECT_EQ(twin->Owner(), &other);  // refused before it left its owner
    EXPECT_EQ(a->GetNamePath(), "BUTTON1");
}

TEST(CoreComponents, PublishedFieldsFollowTheirComponents) {
    TComponent form(nullptr);
    TOtherProbe* field = nullptr;
    form.PublishField("Edit1", field);
    auto* e = new TOtherProbe(&form);
    EXPECT_EQ(field, nullptr);
    e->SetName("Edit1");
    EXPECT_EQ(field, e);
    e->SetName("Edit2");
    EXPECT_EQ(field, nullptr);
    e->SetName("EDIT1");
    EXPECT_EQ(field, e);
    delete e;
    EXPECT_EQ(field, nullptr);
    auto* wrong = new TProbe(&form);
    EXPECT_EQ(messageOf<EComponentError>([&] { wrong->SetName("Edit1"); }), "Field Edit1 cannot hold a component of class TProbe");
    EXPECT_EQ(field, nullptr);
    // PublishField registers the field's class for layouts.
    EXPECT_NE(GetClass("TOtherProbe"), nullptr);
}

TEST(CoreEvents, EventsAreValues) {
    THandlers a(nullptr), b(nullptr);
    TNotifyEvent e;
    EXPECT_FALSE(e);
    EXPECT_TRUE(e == nullptr);
    e(&a);  // an empty event does nothing
    e = TNotifyEvent(&a, &THandlers::Plain);
    EXPECT_TRUE(e.Assigned());
    e(&b);
    EXPECT_EQ(a.plain, 1);
    EXPECT_EQ(e.Data(), &a);
    EXPECT_TRUE(e == TNotifyEvent(&a, &THandlers::Plain));
    EXPECT_FALSE(e == TNotifyEvent(&b, &THandlers::Plain));
    EXPECT_FALSE(e == TNotifyEvent(&a, &THandlers::Other));
    // Copies of one callable compare equal; two callables do not.
    int calls = 0;
    TNotifyEvent f = [&](TObject*) { ++calls; };
    TNotifyEvent g = f;
    EXPECT_TRUE(f == g);
    EXPECT_FALSE(f == TNotifyEvent([&](TObject*) { ++calls; }));
    // Chaining: keep the old handler and call it from the new one.
    TNotifyEvent old = e;
    e = [&, old](TObject* Sender) {
        ++calls;
        old(Sender);
    };
    e(nullptr);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(a.plain, 2);
    // A handler may replace the event it is called through.
    TNotifyEvent self;
    self = [&](TObject*) {
        self = nullptr;
        ++calls;
    };
    self(nullptr);
    EXPECT_EQ(calls, 2);
    EXPECT_FALSE(self);
}

TEST(CoreEvents, PublishedMethodsAreFoundByNameAndType) {
    THandlers h(nullptr);
    TNotifyEvent e = TNotifyEvent::Published(&h, "clicked");  // without regard to case
    e(&h);
    EXPECT_EQ(h.clicks, 1);
    EXPECT_EQ(h.lastSender, &h);
    EXPECT_EQ(e.MethodName(), "Clicked");
    EXPECT_TRUE(e == TNotifyEvent::Published(&h, "Clicked"));
    using TKeyHandler = TEvent<void(TObject*, Word&, int)>;
    TKeyHandler k = TKeyHandler::Published(&h, "Key");
    Word key = 10;
    k(nullptr, key, 5);
    EXPECT_EQ(key, 15);  // the reference reaches the handler
    // The parameter may be spelt with another name of the same type.
    TKeyHandler::Published(&h, "KeyPlatform")(nullptr, key, 0);
    EXPECT_EQ(key, 0);
    EXPECT_THROW(TKeyHandler::Published(&h, "Clicked"), EMethodNotFound);
    EXPECT_THROW(TNotifyEvent::Published(&h, "NoSender"), EMethodNotFound);
    EXPECT_THROW(TNotifyEvent::Published(&h, "Missing"), EMethodNotFound);
    EXPECT_THROW(TNotifyEvent::Published(&h, "Plain"), EMethodNotFound);  // not published
}

TEST(CoreClasses, RegistryCreatesInstancesWithAnOwner) {
    TPersistentClass probe = RegisterClass<TOtherProbe>();
    EXPECT_EQ(RegisterClass<TOtherProbe>(), probe);
    EXPECT_EQ(FindClass("totherprobe"), probe);
    EXPECT_EQ(probe->ClassName(), "TOtherProbe");
    EXPECT_TRUE(probe->IsComponent);
    TComponent owner(nullptr);
    TPersistent* made = probe->Create(&owner);
    EXPECT_EQ(made->ClassName(), "TOtherProbe");
    EXPECT_EQ(owner.ComponentCount(), 1);
    EXPECT_EQ(GetClass("TNope"), nullptr);
    EXPECT_EQ(messageOf<EClassNotFound>([] { FindClass("TNope"); }), "Class TNope not found");
    RegisterClasses<TValueItem, TStringList>();
    EXPECT_FALSE(FindClass("TStringList")->IsComponent);
    TPersistent* list = FindClass("TStringList")->Create(nullptr);
    EXPECT_TRUE(list->Is<TStrings>());
    delete list;
    UnRegisterClass(FindClass("TValueItem"));
    EXPECT_EQ(GetClass("TValueItem"), nullptr);
}

TEST(CoreClasses, AssignAndNamePaths) {
    TStringList list;
    TComponent component(nullptr);
    EXPECT_EQ(messageOf<EConvertError>([&] { list.Assign(&component); }), "Cannot assign a TComponent to a TStringList");
    EXPECT_EQ(messageOf<EConvertError>([&] { component.Assign(nullptr); }), "Cannot assign a nil to a TComponent");
    EXPECT_TRUE(list.InheritsFrom(&TPersistent::staticMetaObject));
    EXPECT_FALSE(list.InheritsFrom(&TComponent::staticMetaObject));
    component.SetName("Form1");
    TCountingCollection items(&component);
    items.SetPropName("Panels");
    items.Add();
    items.Add();
    EXPECT_EQ(items.GetNamePath(), "Form1.Panels");
    EXPECT_EQ(items.Items(1)->GetNamePath(), "Form1.Panels[1]");
}

TEST(CoreIdents, IntegerIdentifiers) {
    const TIdentMap map = {{0xFF, "clRed"}, {0xFF00, "clLime"}, {0xFF, "clAlsoRed"}};
    long long v = 0;
    EXPECT_TRUE(IdentToInt("CLLIME", v, map));
    EXPECT_EQ(v, 0xFF00);
    EXPECT_FALSE(IdentToInt("clBlue", v, map));
    String name;
    EXPECT_TRUE(IntToIdent(0xFF, name, map));
    EXPECT_EQ(name, "clRed");
    EXPECT_FALSE(IntToIdent(1, name, map));
}

TEST(CoreLists, PointerLists) {
    TList list;
    int a = 1, b = 2, c = 3;
    list.Add(&a);
    list.Add(&b);
    list.Insert(0, &c);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list[0], &c);
    EXPECT_EQ(list.IndexOf(&b), 2);
    list.Exchange(0, 2);
    EXPECT_EQ(list.First(), &b);
    list.Move(0, 2);
    EXPECT_EQ(list.Last(), &b);
    list.Sort([](void* x, void* y) { return *static_cast<int*>(x) - *static_cast<int*>(y); });
    EXPECT_EQ(list[0], &a);
    EXPECT_EQ(list[2], &c);
    EXPECT_EQ(messageOf<EListError>([&] { list.Items(3); }), "Der Index der Liste überschreitet das Maximum (3)");
    EXPECT_EQ(messageOf<EListError>([&] { list.Insert(5, &a); }), "Der Index der Liste überschreitet das Maximum (5)");
    EXPECT_EQ(messageOf<EListError>([&] { list.Move(0, 3); }), "Der Index der Liste überschreitet das Maximum (3)");
    EXPECT_EQ(list.Count(), 3);
    list.SetCount(5);
    EXPECT_EQ(list[4], nullptr);
    list.Pack();
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Remove(&b), 1);
    EXPECT_EQ(list.Extract(&c), &c);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_THROW(list.SetCount(-1), EListError);

    struct Counted : TObject {
        explicit Counted(int* n) : count(n) {}
        ~Counted() override { ++*count; }
        int* count;
    };
    int freed = 0;
    {
        TObjectList owned;
        owned.Add(new Counted(&freed));
        auto* kept = new Counted(&freed);
        owned.Add(kept);
        owned.Add(new Counted(&freed));
        owned.Delete(0);
        EXPECT_EQ(freed, 1);
        EXPECT_EQ(owned.Extract(kept), kept);  // extracting does not free
        EXPECT_EQ(freed, 1);
        delete kept;
    }
    EXPECT_EQ(freed, 3);
}

TEST(CoreCollections, ItemsUpdatesAndNotifications) {
    TCountingCollection items;
    auto* first = static_cast<TValueItem*>(items.Add());
    first->value = 1;
    auto* second = items.Item<TValueItem>(items.Add()->Index());
    second->value = 2;
    EXPECT_EQ(items.Count(), 2);
    EXPECT_EQ(first->Collection(), &items);
    EXPECT_EQ(items.notes, (std::vector<TCollectionNotification>{cnAdded, cnAdded}));
    EXPECT_EQ(items.updates, (std::vector<TCollectionItem*>{nullptr, nullptr}));
    items.updates.clear();
    items.BeginUpdate();
    items.Add();
    items.Delete(2);
    EXPECT_TRUE(items.updates.empty());
    items.EndUpdate();
    EXPECT_EQ(items.updates, (std::vector<TCollectionItem*>{nullptr}));
    second->SetIndex(0);
    EXPECT_EQ(items.Items(0), second);
    EXPECT_EQ(first->Index(), 1);
    EXPECT_NE(first->ID(), second->ID());
    EXPECT_EQ(items.FindItemID(second->ID()), second);
    EXPECT_EQ(messageOf<EListError>([&] { items.Items(2); }), "Der Index der Liste überschreitet das Maximum (2)");
    TValueItem* inserted = static_cast<TValueItem*>(items.Insert(1));
    EXPECT_EQ(items.Items(1), inserted);

    TCountingCollection copy;
    copy.Assign(&items);
    ASSERT_EQ(copy.Count(), 3);
    EXPECT_EQ(copy.Item<TValueItem>(0)->value, 2);
    EXPECT_EQ(copy.Item<TValueItem>(2)->value, 1);

    delete first;  // an item that goes leaves its collection
    EXPECT_EQ(items.Count(), 2);
    items.Clear();
    EXPECT_EQ(items.Count(), 0);
    EXPECT_EQ(items.notes.back(), cnDeleting);
}

#include "CoreTest.moc"
