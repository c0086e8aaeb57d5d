// The class library's non-visual core: TObject, TPersistent, TComponent, events, sets,
// the class registry, lists and collections; this header also brings in the streams
// (Streams.h), the layout reader and writer (Filer.h), string lists (StringList.h) and
// threads (Thread.h). Include "classlib/Classes.h" only.
//
// ==== Conventions for components (read this before writing a component or a form) ====
//
// Objects. TObject derives from QObject; every class of the library and every component
// declares Q_OBJECT, so ClassName() and the published properties work. Components have an
// owner (TComponent) that frees them; QObject's parent is never used. Free a component with
// FreeAndNil(p) or p->Free() (both call BeforeDestruction first, which forms use to fire
// OnDestroy while their parts still exist); `delete` works too but skips that step. An owner
// marks all its components csDestroying, then frees them last to first. Removing or
// destroying a component tells its owner, which tells all its components
// (Notification(C, opRemove)); a component watching one of another owner calls
// C->FreeNotification(this) and clears its reference in Notification.
//
// Published properties are Q_PROPERTY declarations. The layout reader, the writer and form
// storage find them by name (without regard to case); Qt's own properties (objectName) are
// never read or written, and Name is not written as a property (it heads the object).
//     Q_PROPERTY(int Decimal READ Decimal WRITE SetDecimal)
//     Q_PROPERTY(long double Increment READ Increment WRITE SetIncrement)
//     Q_PROPERTY(String Caption READ Caption WRITE SetCaption)
//     Q_PROPERTY(TFont* Font READ Font WRITE SetFont)          // sub-object: "Font.Name = 'Arial'"
//     Q_PROPERTY(TStrings* Lines READ Lines WRITE SetLines)    // "Lines.Strings = ('a' 'b')"
//     Q_PROPERTY(TStatusPanels* Panels READ Panels WRITE SetPanels)   // collection: "<item ... end>"
//     Q_PROPERTY(TWinControl* FocusControl READ FocusControl WRITE SetFocusControl)  // reference
//     Q_PROPERTY(TNotifyEvent OnClick MEMBER OnClick)           // event
// Property types the layouts hold: bool ("True"/"False"); the integer types; float, double
// and long double (written with the digits of their type); String, WideString and QString;
// char and WideChar; enumerations declared with Q_ENUM or Q_ENUM_NS (written by
// identifier); sets as QFlags declared with Q_FLAG or Q_FLAG_NS, with one bit per element
// ("[fsBold, fsItalic]"; a Q_FLAG type of the class itself needs READ/WRITE, moc cannot
// build MEMBER access for it); integers with identifiers (colours, cursors): either a
// distinct type (an enum such as `enum TCursor : int {}`) registered with
// RegisterIntegerConsts<T>(map), or a plain integer property whose class names a map
// registered with RegisterIdentMap("TColor", map):  Q_CLASSINFO("Idents:Color", "TColor")
// (any other integer property also reads identifiers of the registered maps but is written
// as a number); pointers to a TPersistent that is not a component (sub-objects, written with
// dotted names; a TCollection as a collection); pointers to components (references by name,
// resolved after the whole layout is read; a component marked SetSubComponent(true) is
// written as a sub-object instead); events (TEvent types).
// Global enumerations for properties: declare them in a namespace with Q_NAMESPACE and
// Q_ENUM_NS (Q_DECLARE_FLAGS and Q_FLAG_NS for sets), then bring them out:
// `using Ns::TAlign; using enum Ns::TAlign;`.
// Defaults and stored state (a property equal to its default is not written):
//     Q_CLASSINFO("Default:Increment", "1")        // the default as layout text:
//     Q_CLASSINFO("Default:Caption", "'none'")     //   strings quoted, identifiers, sets "[]"
//     Q_CLASSINFO("Stored:MaxValue", "IsMaxStored") // Q_INVOKABLE bool IsMaxStored() const
//     a Q_INVOKABLE bool Is<Property>Stored() const is found without a Q_CLASSINFO
//     Q_PROPERTY(... STORED false)                 // never written
// Without a declared default: empty strings and characters, zero reals, nil references,
// empty events and empty collections are not written; integers, Booleans, enumerations and
// sets are. Read-only properties are not written (sub-objects and collections excepted).
// Binary or custom data: override DefineProperties(TFiler*) (call the inherited one) and
// call Filer->DefineProperty(name, reader, writer, hasData) or DefineBinaryProperty(...);
// hasData should compare with Filer->Ancestor() when there is one (see Filer.h).
//
// Events are values (TEvent<void(Args...)>): a slot that code reads, keeps, replaces,
// compares with empty or with another event, and calls (an empty event does nothing).
//     using TKeyEvent = TEvent<void(TObject* Sender, Word& Key, TShiftState Shift)>;
//     Button->OnClick = TNotifyEvent(this, &TMyForm::ButtonClick);   // a method
//     Button->OnClick = [this](TObject*) { ... };                    // any callable
//     TNotifyEvent old = Button->OnClick; ... old(Sender);           // chaining
//     if (Button->OnClick) ...;  if (Button->OnClick == old) ...;
// Two events are equal when they call the same method of the same object (or are copies
// of one callable). A handler may replace the event it runs from. Publish an event as a
// Q_PROPERTY of its TEvent type (MEMBER or READ/WRITE) so layouts can bind it; only events
// bound to a published method of the root are written back (by the method's name).
//
// Handlers of a form. A layout line "OnClick = BreitEdChange" binds the event to the method
// BreitEdChange of the root component (the form): exactly that name first, else without
// regard to case. A form publishes its handlers by declaring them Q_INVOKABLE (or in a
// `public slots:` section); the parameter types must be exactly the event's, spelt with the
// same or an equivalent type name (TObject* Sender, Word& Key, ...), the result void.
// A missing method or a mismatch raises EReadError naming the method and the line; code can
// bind the same way with TNotifyEvent::Published(Form, "BreitEdChange").
// Component fields of a form. In the form's constructor, before reading the layout:
//     PublishField("BreitEdit", BreitEdit);   // TKitSpinEdit* BreitEdit;
//     ReadLayout(this, "PosterUnit");          // the resource ":/layouts/PosterUnit.layout"
// A published field is set when a component of that name is inserted into (or renamed in)
// the form and cleared when it leaves; a component of the wrong class raises
// EComponentError. PublishField also registers the field's class with the class registry.
// Classes met in layouts must be registered: RegisterClass<TMyControl>() (or
// RegisterClasses<A, B, C>()), e.g. from a registration function the program calls at
// start-up. A static registration object in a .cpp file of a static library only runs when
// the linker keeps that file, so prefer explicit calls. Layout files are Qt resources under
// the prefix "/layouts"; a .qrc in a static library needs Q_INIT_RESOURCE(<qrc name>) once
// from the program (or a function of that library that the program calls).
//
// Reading a layout: every component is created with the root as its owner, gets
// csLoading and csReading, its Name, SetParentComponent(enclosing component: the root for
// the outermost ones), then ReadState, whose default reads its properties in layout order,
// then its children. References are resolved at the end; then, root first and the others
// in creation order, csReading is cleared and Loaded() is called, which clears csLoading.
// Override Loaded (and call the inherited one) to finish set-up. "inherited Name: TClass"
// reads into the root's existing component of that name.
// Components that hold others in a layout (controls) override HasParent,
// GetParentComponent, SetParentComponent and GetChildren(Proc, Root), which gives the held
// components whose owner is Root in their order; the root's default GetChildren gives its
// components without a parent, so the writer nests every component where it was read.
// Failures raise EReadError (or EClassNotFound, EComponentError, EParserError for bad
// text), the message ending in " in line <n>"; nothing read stays csLoading.
#pragma once

#include "classlib/Consts.h"
#include "classlib/SysUtils.h"
#include "classlib/System.h"

#include <QMetaMethod>
#include <QMetaType>
#include <QObject>
#include <QVariant>

#include <atomic>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <memory>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <vector>

class TObject;
class TPersistent;
class TComponent;
class TFiler;
class TReader;
class TWriter;
class TStream;
class TStrings;
class TCollection;
class TCollectionItem;

// ---- Sets --------------------------------------------------------------------------------

// A set of the elements of an enumeration with ordinals 0 to 63.
template <class E>
class TSet {
    static_assert(std::is_enum_v<E>, "TSet holds enumeration values");

public:
    constexpr TSet() = default;
    constexpr TSet(E e) : bits_(bit(e)) {}
    constexpr TSet(std::initializer_list<E> items) {
        for (E e : items) bits_ |= bit(e);
    }
    static constexpr TSet FromBits(std::uint64_t bits) {
        TSet s;
        s.bits_ = bits;
        return s;
    }

    constexpr bool Contains(E e) const { return (bits_ & bit(e)) != 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr std::uint64_t Bits() const { return bits_; }
    constexpr TSet& Include(E e) {
        bits_ |= bit(e);
        return *this;
    }
    constexpr TSet& Exclude(E e) {
        bits_ &= ~bit(e);
        return *this;
    }
    constexpr TSet& operator<<(E e) { return Include(e); }
    constexpr TSet& operator>>(E e) { return Exclude(e); }
    constexpr TSet operator+(TSet o) const { return FromBits(bits_ | o.bits_); }
    constexpr TSet operator-(TSet o) const { return FromBits(bits_ & ~o.bits_); }
    constexpr TSet operator*(TSet o) const { return FromBits(bits_ & o.bits_); }
    constexpr TSet& operator+=(TSet o) {
        bits_ |= o.bits_;
        return *this;
    }
    constexpr TSet& operator-=(TSet o) {
        bits_ &= ~o.bits_;
        return *this;
    }
    constexpr bool operator==(const TSet&) const = default;

private:
    static constexpr std::uint64_t bit(E e) { return std::uint64_t{1} << static_cast<unsigned>(e); }
    std::uint64_t bits_ = 0;
};

// ---- Events ------------------------------------------------------------------------------

// What an event calls, for comparing events: an object and the method or callable.
struct TEventIdentity {
    const void* Object = nullptr;
    const std::type_info* Code = nullptr;  // type of the member pointer; null for a callable
    unsigned char Key[32] = {};            // the member pointer's bytes, or the method index
    std::uint64_t Serial = 0;              // a callable's own number (copies share it)

    bool operator==(const TEventIdentity& o) const;
};

// The machinery the layout reader and writer use on event properties of any type.
struct TEventTypeInfo {
    QMetaType Type;
    // Whether a published method fits the event's parameters.
    bool (*Accepts)(const QMetaMethod& Method);
    // An event calling that published method of Target.
    QVariant (*Bind)(QObject* Target, int MethodIndex);
    // The published method an event calls, when it was bound by name (nullptr otherwise).
    const QObject* (*BoundMethod)(const QVariant& Value, int& MethodIndex);
    bool (*IsAssigned)(const QVariant& Value);
    QVariant (*Empty)();
};
void RegisterEventType(const TEventTypeInfo& Info);
const TEventTypeInfo* FindEventType(QMetaType Type);
// The index of the published method of Target named Name (exactly, else without regard to
// case) that fits the event type; -1 when none fits (NameFound tells whether a method of
// that name exists at all).
int FindPublishedMethod(const QObject* Target, const String& Name, const TEventTypeInfo& Info, bool* NameFound = nullptr);

namespace classes_detail {

std::uint64_t nextEventSerial();
void registerTypeAliases();
bool typeNameMatches(QMetaType Type, const QByteArray& Name);
[[noreturn]] void methodNotFound(const QObject* Target, const String& Name, bool NameFound);

template <class T>
bool parameterMatches(const QMetaMethod& m, int k) {
    using Bare = std::remove_cvref_t<T>;
    if constexpr (std::is_lvalue_reference_v<T> && !std::is_const_v<std::remove_reference_t<T>>) {
        QByteArray name = m.parameterTypeName(k);
        if (!name.endsWith('&')) return false;
        name.chop(1);
        return typeNameMatches(QMetaType::fromType<Bare>(), name);
    } else {
        if (m.parameterTypeName(k).endsWith('&')) return false;
        return m.parameterMetaType(k) == QMetaType::fromType<Bare>();
    }
}

}  // namespace classes_detail

template <class Signature>
class TEvent;

template <class... A>
class TEvent<void(A...)> {
public:
    using Signature = void(A...);

    TEvent() { registerType(); }
    TEvent(std::nullptr_t) : TEvent() {}

    // A method of an object.
    template <class C, class M>
        requires std::is_base_of_v<M, C>
    TEvent(C* Object, void (M::*Method)(A...)) : TEvent() {
        if (!Object || !Method) return;
        state_ = std::make_shared<State>(State{[Object, Method](A... a) { (Object->*Method)(std::forward<A>(a)...); }, {}});
        setMember(Object, Method);
    }
    template <class C, class M>
        requires std::is_base_of_v<M, C>
    TEvent(const C* Object, void (M::*Method)(A...) const) : TEvent() {
        if (!Object || !Method) return;
        state_ = std::make_shared<State>(State{[Object, Method](A... a) { (Object->*Method)(std::forward<A>(a)...); }, {}});
        setMember(Object, Method);
    }
    // Any callable; copies of the event compare equal.
    template <class F>
        requires(!std::is_same_v<std::decay_t<F>, TEvent> && !std::is_same_v<std::decay_t<F>, std::nullptr_t> &&
                 std::is_invocable_v<F&, A...>)
    TEvent(F&& Fn) : TEvent() {
        state_ = std::make_shared<State>(State{std::function<void(A...)>(std::forward<F>(Fn)), {}});
        id_.Serial = classes_detail::nextEventSerial();
    }

    // The published method MethodIndex of Target (as the layout reader binds events).
    static TEvent Method(QObject* Target, int MethodIndex) {
        TEvent e;
        if (!Target || MethodIndex < 0) return e;
        const QByteArray name = Target->metaObject()->method(MethodIndex).name();
        e.state_ = std::make_shared<State>(State{[Target, MethodIndex](A... a) {
                                                     void* argv[] = {nullptr, const_cast<void*>(static_cast<const void*>(std::addressof(a)))...};
                                                     QMetaObject::metacall(Target, QMetaObject::InvokeMetaMethod, MethodIndex, argv);
                                                 },
                                                 String(name.constData(), static_cast<std::size_t>(name.size()))});
        e.id_.Object = Target;
        e.id_.Code = &typeid(QMetaMethod);
        std::memcpy(e.id_.Key, &MethodIndex, sizeof MethodIndex);
        return e;
    }
    // The published method of Target with this name; EMethodNotFound when none fits.
    static TEvent Published(QObject* Target, const String& MethodName) {
        bool found = false;
        const int index = Target ? FindPublishedMethod(Target, MethodName, typeInfo(), &found) : -1;
        if (index < 0) classes_detail::methodNotFound(Target, MethodName, found);
        return Method(Target, index);
    }

    bool Assigned() const { return state_ != nullptr; }
    explicit operator bool() const { return Assigned(); }
    // Calls the handler; an empty event does nothing. The handler may replace the event.
    void operator()(A... a) const {
        const std::shared_ptr<const State> keep = state_;
        if (keep) keep->fn(std::forward<A>(a)...);
    }
    bool operator==(const TEvent& o) const {
        if (!state_ || !o.state_) return !state_ && !o.state_;
        return id_ == o.id_;
    }
    bool operator==(std::nullptr_t) const { return !state_; }

    // The object the handler belongs to (null for callables).
    const void* Data() const { return id_.Object; }
    // The name of the published method, for events bound by name; "" otherwise.
    String MethodName() const { return state_ ? state_->methodName : String(); }
    const TEventIdentity& Identity() const { return id_; }

private:
    struct State {
        std::function<void(A...)> fn;
        String methodName;
    };
    std::shared_ptr<const State> state_;
    TEventIdentity id_;

    template <class O, class P>
    void setMember(O* Object, P Method) {
        static_assert(sizeof(P) <= sizeof(TEventIdentity::Key), "member pointer too large");
        id_.Object = Object;
        id_.Code = &typeid(P);
        std::memcpy(id_.Key, &Method, sizeof(P));
    }

    static bool accepts(const QMetaMethod& m) {
        if (m.returnMetaType() != QMetaType::fromType<void>()) return false;
        if (m.parameterCount() != static_cast<int>(sizeof...(A))) return false;
        int k = 0;
        return (classes_detail::parameterMatches<A>(m, k++) && ...);
    }
    static const TEventTypeInfo& typeInfo() {
        static const TEventTypeInfo info = {
            QMetaType::fromType<TEvent>(),
            &accepts,
            [](QObject* Target, int Index) { return QVariant::fromValue(Method(Target, Index)); },
            [](const QVariant& v, int& Index) -> const QObject* {
                const TEvent e = v.value<TEvent>();
                if (!e.state_ || e.id_.Code != &typeid(QMetaMethod)) return nullptr;
                std::memcpy(&Index, e.id_.Key, sizeof Index);
                return static_cast<const QObject*>(e.id_.Object);
            },
            [](const QVariant& v) { return v.value<TEvent>().Assigned(); },
            []() { return QVariant::fromValue(TEvent()); }};
        return info;
    }
    static void registerType() {
        static const bool registered = (RegisterEventType(typeInfo()), true);
        (void)registered;
    }
};

using TNotifyEvent = TEvent<void(TObject* Sender)>;
using TThreadMethod = std::function<void()>;

// ---- Enumerations of the core ------------------------------------------------------------

enum TComponentStateItem {
    csLoading,
    csReading,
    csWriting,
    csDestroying,
    csDesigning,
    csAncestor,
    csUpdating,
    csFixups,
    csFreeNotification,
    csInline,
    csDesignInstance
};
using TComponentState = TSet<TComponentStateItem>;

enum TComponentStyleItem { csInheritable, csCheckPropAvail, csSubComponent, csTransient };
using TComponentStyle = TSet<TComponentStyleItem>;

enum TOperation { opInsert, opRemove };

// ---- TObject -----------------------------------------------------------------------------

class TObject : public QObject {
    Q_OBJECT

public:
    TObject();
    ~TObject() override;

    String ClassName() const;
    static String ClassName(const QMetaObject* Class);
    bool InheritsFrom(const QMetaObject* Class) const;
    template <class T>
    bool Is() const {
        return qobject_cast<const T*>(this) != nullptr;
    }

    // Runs just before destruction through Free.
    virtual void BeforeDestruction() {}
    // BeforeDestruction, then delete.
    void Free();
};

template <class T>
void FreeAndNil(T*& Obj) {
    T* o = Obj;
    Obj = nullptr;
    if (o) o->Free();
}

// ---- TPersistent -------------------------------------------------------------------------

class TPersistent : public TObject {
    Q_OBJECT

public:
    TPersistent();
    ~TPersistent() override;

    // Copies Source into this object: Source->AssignTo(this) unless overridden; a source
    // that cannot be assigned raises EConvertError "Cannot assign a %s to a %s".
    virtual void Assign(TPersistent* Source);
    virtual void AssignTo(TPersistent* Dest);
    // Custom properties for the layout reader and writer.
    virtual void DefineProperties(TFiler* Filer);
    virtual TPersistent* GetOwner();
    // The class name, after the owner's name path and a dot when the owner has one.
    virtual String GetNamePath();

protected:
    [[noreturn]] void AssignError(TPersistent* Source);
};

// ---- The class registry ------------------------------------------------------------------

// A registered class: its meta-object and a factory (components get the owner; Create is
// empty for classes that cannot be built without arguments).
struct TPersistentClassRec {
    const QMetaObject* MetaObject = nullptr;
    std::function<TPersistent*(TComponent* Owner)> Create;
    bool IsComponent = false;
    String ClassName() const { return MetaObject ? String(MetaObject->className()) : String(); }
};
using TPersistentClass = const TPersistentClassRec*;
using TComponentClass = const TPersistentClassRec*;

// Registers a class under its class name; registering it again does nothing, another class
// of the same name raises EFilerError.
TPersistentClass RegisterClass(const TPersistentClassRec& Rec);
void UnRegisterClass(TPersistentClass Class);
// The registered class of that name (without regard to case); EClassNotFound / nullptr.
TPersistentClass FindClass(const String& ClassName);
TPersistentClass GetClass(const String& ClassName);

template <class T>
TPersistentClass RegisterClass() {
    static_assert(std::is_base_of_v<TPersistent, T>, "only persistent classes are registered");
    TPersistentClassRec rec;
    rec.MetaObject = &T::staticMetaObject;
    if constexpr (std::is_base_of_v<TComponent, T>) {
        rec.IsComponent = true;
        rec.Create = [](TComponent* Owner) -> TPersistent* { return new T(Owner); };
    } else if constexpr (std::is_default_constructible_v<T>) {
        rec.Create = [](TComponent*) -> TPersistent* { return new T(); };
    } else if constexpr (std::is_constructible_v<T, std::nullptr_t>) {
        rec.Create = [](TComponent*) -> TPersistent* { return new T(nullptr); };  // e.g. collection items
    }
    return RegisterClass(rec);
}

template <class... T>
void RegisterClasses() {
    (RegisterClass<T>(), ...);
}

// ---- Integer identifiers -----------------------------------------------------------------

struct TIdentMapEntry {
    long long Value;
    const char* Name;
};
using TIdentMap = std::vector<TIdentMapEntry>;

// Case-insensitive look-up of an identifier; the first entry of a value.
bool IdentToInt(const String& Ident, long long& Int, const TIdentMap& Map);
bool IntToIdent(long long Int, String& Ident, const TIdentMap& Map);

// An integer-like property type with identifiers, for the layout reader and writer.
struct TIntegerConsts {
    QMetaType Type;
    TIdentMap Map;
    long long (*ToInt)(const QVariant&);
    QVariant (*FromInt)(long long);
};
void RegisterIntegerConsts(const TIntegerConsts& Consts);
const TIntegerConsts* FindIntegerConsts(QMetaType Type);
// A named map for properties of a plain integer type (such as `using TColor = int`): the
// class that declares the property names the map with Q_CLASSINFO("Idents:Color", "TColor"),
// and the layouts then read and write that property's values by identifier.
void RegisterIdentMap(const String& Name, TIdentMap Map);
const TIdentMap* FindIdentMap(const String& Name);
// An identifier of any registered map (for other integer properties); false when none or
// when two maps give it different values.
bool FindIntegerIdent(const String& Ident, long long& Int);

template <class T>
void RegisterIntegerConsts(TIdentMap Map) {
    TIntegerConsts c;
    c.Type = QMetaType::fromType<T>();
    c.Map = std::move(Map);
    c.ToInt = [](const QVariant& v) { return static_cast<long long>(v.value<T>()); };
    c.FromInt = [](long long i) { return QVariant::fromValue(static_cast<T>(i)); };
    RegisterIntegerConsts(c);
}

// ---- TComponent --------------------------------------------------------------------------

class TComponent : public TPersistent {
    Q_OBJECT
    Q_PROPERTY(String Name READ Name WRITE SetName STORED false)
    Q_PROPERTY(int Tag READ Tag WRITE SetTag)
    Q_CLASSINFO("Default:Tag", "0")

public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;

    TComponent* Owner() const { return owner_; }
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    // EListError for an index outside 0..ComponentCount-1.
    TComponent* Components(int Index) const;
    int ComponentIndex() const;
    void SetComponentIndex(int Value);

    String Name() const { return name_; }
    // A valid identifier (or empty) that no other component of the owner has; otherwise
    // EComponentError.
    virtual void SetName(const String& NewName);
    int Tag() const { return tag_; }
    void SetTag(int Value) { tag_ = Value; }

    TComponentState ComponentState() const { return state_; }
    TComponentStyle ComponentStyle() const { return style_; }
    void SetSubComponent(bool Value);
    void SetDesigning(bool Value, bool SetChildren = true);

    void InsertComponent(TComponent* AComponent);
    void RemoveComponent(TComponent* AComponent);
    // Frees the owned components, last first.
    void DestroyComponents();
    // Marks this component and its owned ones as being destroyed.
    void Destroying();
    // The owned component of that name (without regard to case), or nullptr.
    TComponent* FindComponent(const String& AName) const;

    // AComponent's Notification(this, opRemove) runs when this component is destroyed,
    // and the other way round.
    void FreeNotification(TComponent* AComponent);
    void RemoveFreeNotification(TComponent* AComponent);
    // Told when a component is inserted or removed (an owner passes it on to all its
    // components) and when a component this one watches is destroyed. Overrides clear
    // their references and call the inherited one.
    virtual void Notification(TComponent* AComponent, TOperation Operation);

    // After the layout was read: clears csLoading.
    virtual void Loaded();
    // For the layout reader and writer: the component that holds this one in a layout
    // (a control's parent); false / nullptr / nothing for plain components.
    virtual bool HasParent() const;
    virtual TComponent* GetParentComponent() const;
    virtual void SetParentComponent(TComponent* Value);
    // The components written inside this one. The default gives, for the root, the owned
    // components without a parent.
    virtual void GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root);
    virtual void SetChildOrder(TComponent* Child, int Order);
    virtual void ReadState(TReader* Reader);
    virtual void WriteState(TWriter* Writer);
    virtual void Updating();
    virtual void Updated();

    void BeforeDestruction() override;
    TPersistent* GetOwner() override;
    String GetNamePath() override;

    // A field of this component that follows the owned component of that name.
    template <class T>
    void PublishField(const String& FieldName, T*& Field) {
        static_assert(std::is_base_of_v<TComponent, T>, "published fields hold components");
        if constexpr (std::is_constructible_v<T, TComponent*> && !std::is_abstract_v<T>) RegisterClass<T>();
        T** slot = &Field;
        addField(FieldName, &T::staticMetaObject, [slot](TComponent* c) { *slot = static_cast<T*>(c); });
    }

protected:
    virtual void ValidateRename(TComponent* AComponent, const String& CurName, const String& NewName);
    virtual void ValidateContainer(TComponent* AComponent);
    virtual void ValidateInsert(TComponent* AComponent);
    virtual void ChangeName(const String& NewName);
    void IncludeState(TComponentStateItem Item) { state_.Include(Item); }
    void ExcludeState(TComponentStateItem Item) { state_.Exclude(Item); }

private:
    friend class TReader;
    friend class TWriter;

    struct Field {
        String name;
        const QMetaObject* type;
        std::function<void(TComponent*)> set;
    };

    void insert(TComponent* AComponent);
    void remove(TComponent* AComponent);
    void setReference(bool Enable);
    void assignField(const String& FieldName, TComponent* Value);
    void checkFieldType(const String& FieldName, TComponent* Value) const;
    void addField(const String& FieldName, const QMetaObject* Type, std::function<void(TComponent*)> Set);
    void removeNotification(TComponent* AComponent);

    TComponent* owner_ = nullptr;
    String name_;
    int tag_ = 0;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
    std::vector<Field> fields_;
    TComponentState state_;
    TComponentStyle style_{csInheritable};
};

// ---- TList -------------------------------------------------------------------------------

enum TListNotification { lnAdded, lnExtracted, lnDeleted };

// A list of pointers. Bad indexes raise EListError "Der Index der Liste überschreitet das
// Maximum (%d)".
class TList : public TObject {
    Q_OBJECT

public:
    TList();
    ~TList() override;

    int Add(void* Item);
    void Insert(int Index, void* Item);
    void Delete(int Index);
    int Remove(void* Item);
    void* Extract(void* Item);
    void Clear();
    void Exchange(int Index1, int Index2);
    void Move(int CurIndex, int NewIndex);
    int IndexOf(void* Item) const;
    void* First() const;
    void* Last() const;
    // Removes the null items.
    void Pack();
    void Sort(const std::function<int(void*, void*)>& Compare);

    int Count() const { return static_cast<int>(items_.size()); }
    void SetCount(int NewCount);
    int Capacity() const { return static_cast<int>(items_.capacity()); }
    void SetCapacity(int NewCapacity);
    void* Items(int Index) const;
    void SetItems(int Index, void* Item);
    void* operator[](int Index) const { return Items(Index); }

protected:
    virtual void Notify(void* Ptr, TListNotification Action);
    [[noreturn]] static void Error(const TResStringRec& Msg, long long Data);

private:
    void check(int Index) const;
    std::vector<void*> items_;
};

// A list of objects that frees the objects it deletes when OwnsObjects is set (the default).
class TObjectList : public TList {
    Q_OBJECT

public:
    explicit TObjectList(bool AOwnsObjects = true);
    ~TObjectList() override;

    int Add(TObject* Item) { return TList::Add(Item); }
    void Insert(int Index, TObject* Item) { TList::Insert(Index, Item); }
    int Remove(TObject* Item) { return TList::Remove(Item); }
    TObject* Extract(TObject* Item) { return static_cast<TObject*>(TList::Extract(Item)); }
    int IndexOf(TObject* Item) const { return TList::IndexOf(Item); }
    TObject* Items(int Index) const { return static_cast<TObject*>(TList::Items(Index)); }
    TObject* operator[](int Index) const { return Items(Index); }
    bool OwnsObjects() const { return ownsObjects_; }
    void SetOwnsObjects(bool Value) { ownsObjects_ = Value; }

protected:
    void Notify(void* Ptr, TListNotification Action) override;

private:
    bool ownsObjects_;
};

// ---- Collections -------------------------------------------------------------------------

// The item class of a collection: its meta-object and a factory.
struct TCollectionItemClass {
    const QMetaObject* MetaObject = nullptr;
    TCollectionItem* (*Create)(TCollection* Collection) = nullptr;
};
// Items are built without a collection and then joined to it, so that the collection's
// Update and Notify only ever see complete items.
template <class T>
TCollectionItemClass CollectionItemClass() {
    return {&T::staticMetaObject, [](TCollection* c) -> TCollectionItem* {
                T* item = new T(nullptr);
                item->SetCollection(c);
                return item;
            }};
}

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

class TCollectionItem : public TPersistent {
    Q_OBJECT

public:
    explicit TCollectionItem(TCollection* Collection);
    ~TCollectionItem() override;

    TCollection* Collection() const { return collection_; }
    void SetCollection(TCollection* Value);
    int ID() const { return id_; }
    int Index() const;
    virtual void SetIndex(int Value);
    virtual String DisplayName() const;
    virtual void SetDisplayName(const String& Value);
    String GetNamePath() override;
    TPersistent* GetOwner() override;

protected:
    // Tells the collection that this item (or, with AllItems, every item) changed.
    void Changed(bool AllItems);

private:
    friend class TCollection;
    TCollection* collection_ = nullptr;
    int id_ = 0;
};

class TCollection : public TPersistent {
    Q_OBJECT

public:
    explicit TCollection(TCollectionItemClass ItemClass, TPersistent* AOwner = nullptr);
    ~TCollection() override;

    TCollectionItem* Add();
    TCollectionItem* Insert(int Index);
    void Delete(int Index);
    void Clear();
    virtual void BeginUpdate();
    virtual void EndUpdate();
    TCollectionItem* FindItemID(int ID) const;

    int Count() const { return static_cast<int>(items_.size()); }
    // EListError for a bad index.
    TCollectionItem* Items(int Index) const;
    void SetItems(int Index, TCollectionItem* Value);
    template <class T>
    T* Item(int Index) const {
        return static_cast<T*>(Items(Index));
    }
    TCollectionItemClass ItemClass() const { return itemClass_; }
    void Assign(TPersistent* Source) override;
    TPersistent* GetOwner() override { return owner_; }
    String GetNamePath() override;
    // The name of the owner's property that holds this collection (for GetNamePath).
    void SetPropName(const String& Name) { propName_ = Name; }

protected:
    // An item changed (nullptr: the whole collection); only when no update is open.
    virtual void Update(TCollectionItem* Item);
    virtual void Notify(TCollectionItem* Item, TCollectionNotification Action);
    void Changed();
    int UpdateCount() const { return updateCount_; }

private:
    friend class TCollectionItem;
    void insertItem(TCollectionItem* Item);
    void removeItem(TCollectionItem* Item);

    TCollectionItemClass itemClass_;
    TPersistent* owner_;
    String propName_;
    std::vector<TCollectionItem*> items_;
    int updateCount_ = 0;
    int nextId_ = 0;
};

// A collection with an owner (the usual kind for a component's published collection).
class TOwnedCollection : public TCollection {
    Q_OBJECT

public:
    TOwnedCollection(TPersistent* AOwner, TCollectionItemClass ItemClass) : TCollection(ItemClass, AOwner) {}
};

#include "classlib/Streams.h"
#include "classlib/TypInfo.h"
#include "classlib/Filer.h"
#include "classlib/StringList.h"
#include "classlib/Thread.h"
