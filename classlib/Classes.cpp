// TObject, TPersistent, events, the class registry, TComponent, lists and collections.
#include "classlib/Classes.h"

#include <algorithm>
#include <mutex>

// ---- Sorting -----------------------------------------------------------------------------

namespace classes_detail {

// A merge sort of 0..n-1 by `less`, safe with comparisons that are not a strict order.
std::vector<int> mergeSortedIndexes(int n, const std::function<bool(int, int)>& less) {
    std::vector<int> a(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) a[static_cast<std::size_t>(k)] = k;
    std::vector<int> tmp(a.size());
    for (std::size_t width = 1; width < a.size(); width *= 2) {
        for (std::size_t lo = 0; lo < a.size(); lo += 2 * width) {
            const std::size_t mid = std::min(lo + width, a.size());
            const std::size_t hi = std::min(lo + 2 * width, a.size());
            std::size_t i = lo, j = mid, o = lo;
            while (i < mid && j < hi) tmp[o++] = less(a[j], a[i]) ? a[j++] : a[i++];
            while (i < mid) tmp[o++] = a[i++];
            while (j < hi) tmp[o++] = a[j++];
        }
        a.swap(tmp);
    }
    return a;
}

}  // namespace classes_detail

// ---- Events ------------------------------------------------------------------------------

bool TEventIdentity::operator==(const TEventIdentity& o) const {
    if (Object != o.Object || Serial != o.Serial) return false;
    if ((Code == nullptr) != (o.Code == nullptr)) return false;
    if (Code && *Code != *o.Code) return false;
    return std::memcmp(Key, o.Key, sizeof Key) == 0;
}

namespace {

std::mutex& registryMutex() {
    static std::mutex m;
    return m;
}

std::vector<TEventTypeInfo>& eventTypes() {
    static std::vector<TEventTypeInfo> v;
    return v;
}

}  // namespace

void RegisterEventType(const TEventTypeInfo& Info) {
    std::lock_guard<std::mutex> lock(registryMutex());
    for (const TEventTypeInfo& e : eventTypes())
        if (e.Type == Info.Type) return;
    eventTypes().push_back(Info);
}

const TEventTypeInfo* FindEventType(QMetaType Type) {
    std::lock_guard<std::mutex> lock(registryMutex());
    for (const TEventTypeInfo& e : eventTypes())
        if (e.Type == Type) return &e;
    return nullptr;
}

namespace classes_detail {

std::uint64_t nextEventSerial() {
    static std::atomic<std::uint64_t> serial{0};
    return ++serial;
}

void registerTypeAliases() {
    static const bool done = [] {
        qRegisterMetaType<Byte>("Byte");
        qRegisterMetaType<ShortInt>("ShortInt");
        qRegisterMetaType<SmallInt>("SmallInt");
        qRegisterMetaType<Word>("Word");
        qRegisterMetaType<Integer>("Integer");
        qRegisterMetaType<Integer>("LongInt");
        qRegisterMetaType<Cardinal>("Cardinal");
        qRegisterMetaType<Cardinal>("LongWord");
        qRegisterMetaType<Int64>("Int64");
        qRegisterMetaType<UInt64>("UInt64");
        qRegisterMetaType<bool>("Boolean");
        qRegisterMetaType<char>("Char");
        qRegisterMetaType<char>("AnsiChar");
        qRegisterMetaType<char16_t>("WideChar");
        qRegisterMetaType<String>("String");
        qRegisterMetaType<String>("AnsiString");
        qRegisterMetaType<WideString>("WideString");
        qRegisterMetaType<long double>("Extended");
        qRegisterMetaType<double>("Double");
        qRegisterMetaType<double>("TDateTime");
        qRegisterMetaType<float>("Single");
        // The platform's names, as handlers of platform-shaped events spell them.
        qRegisterMetaType<BYTE>("BYTE");
        qRegisterMetaType<WORD>("WORD");
        qRegisterMetaType<DWORD>("DWORD");
        qRegisterMetaType<LONG>("LONG");
        qRegisterMetaType<ULONG>("ULONG");
        qRegisterMetaType<INT>("INT");
        qRegisterMetaType<UINT>("UINT");
        qRegisterMetaType<SHORT>("SHORT");
        qRegisterMetaType<USHORT>("USHORT");
        qRegisterMetaType<BOOL>("BOOL");
        qRegisterMetaType<WCHAR>("WCHAR");
        qRegisterMetaType<COLORREF>("COLORREF");
        return true;
    }();
    (void)done;
}

bool typeNameMatches(QMetaType Type, const QByteArray& Name) {
    if (QMetaType::fromName(Name) == Type) return true;
    const QByteArray own = Type.name();
    return own == Name || own.endsWith("::" + Name);
}

void methodNotFound(const QObject* Target, const String& Name, bool NameFound) {
    const String cls = Target ? String(Target->metaObject()->className()) : String("nil");
    if (NameFound) throw EMethodNotFound(SMethodMismatch, {Name, String("of this type")});
    throw EMethodNotFound(SMethodNotFound, {Name, cls});
}

}  // namespace classes_detail

int FindPublishedMethod(const QObject* Target, const String& Name, const TEventTypeInfo& Info, bool* NameFound) {
    classes_detail::registerTypeAliases();
    if (NameFound) *NameFound = false;
    if (!Target || Name.empty()) return -1;
    const QMetaObject* mo = Target->metaObject();
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < mo->methodCount(); ++i) {
            const QMetaMethod m = mo->method(i);
            if (m.methodType() != QMetaMethod::Method && m.methodType() != QMetaMethod::Slot) continue;
            const QByteArray n = m.name();
            const String name(n.constData(), static_cast<std::size_t>(n.size()));
            if (pass == 0 ? name != Name : !SameText(name, Name)) continue;
            if (NameFound) *NameFound = true;
            if (Info.Accepts(m)) return i;
        }
    }
    return -1;
}

// ---- TObject -----------------------------------------------------------------------------

TObject::TObject() = default;
TObject::~TObject() = default;

String TObject::ClassName() const { return metaObject()->className(); }

String TObject::ClassName(const QMetaObject* Class) { return Class ? String(Class->className()) : String(); }

bool TObject::InheritsFrom(const QMetaObject* Class) const { return Class && metaObject()->inherits(Class); }

void TObject::Free() {
    BeforeDestruction();
    delete this;
}

// ---- TPersistent -------------------------------------------------------------------------

TPersistent::TPersistent() = default;
TPersistent::~TPersistent() = default;

void TPersistent::Assign(TPersistent* Source) {
    if (Source)
        Source->AssignTo(this);
    else
        AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* Dest) { Dest->AssignError(this); }

void TPersistent::AssignError(TPersistent* Source) {
    const String source = Source ? Source->ClassName() : String("nil");
    throw EConvertError(SAssignError, {source, ClassName()});
}

void TPersistent::DefineProperties(TFiler*) {}

TPersistent* TPersistent::GetOwner() { return nullptr; }

String TPersistent::GetNamePath() {
    String result = ClassName();
    if (TPersistent* owner = GetOwner()) {
        const String path = owner->GetNamePath();
        if (!path.empty()) result = path + "." + result;
    }
    return result;
}

// ---- The class registry ------------------------------------------------------------------

namespace {

std::vector<std::unique_ptr<TPersistentClassRec>>& classes() {
    static std::vector<std::unique_ptr<TPersistentClassRec>> v;
    return v;
}

TPersistentClass lookupClass(const String& ClassName) {
    for (const auto& c : classes())
        if (SameText(c->ClassName(), ClassName)) return c.get();
    return nullptr;
}

}  // namespace

TPersistentClass RegisterClass(const TPersistentClassRec& Rec) {
    std::lock_guard<std::mutex> lock(registryMutex());
    if (TPersistentClass found = lookupClass(Rec.ClassName())) {
        if (found->MetaObject == Rec.MetaObject) return found;
        throw EFilerError(SDuplicateClass, {Rec.ClassName()});
    }
    classes().push_back(std::make_unique<TPersistentClassRec>(Rec));
    return classes().back().get();
}

void UnRegisterClass(TPersistentClass Class) {
    std::lock_guard<std::mutex> lock(registryMutex());
    auto& v = classes();
    v.erase(std::remove_if(v.begin(), v.end(), [&](const auto& c) { return c.get() == Class; }), v.end());
}

TPersistentClass GetClass(const String& ClassName) {
    std::lock_guard<std::mutex> lock(registryMutex());
    return lookupClass(ClassName);
}

TPersistentClass FindClass(const String& ClassName) {
    TPersistentClass c = GetClass(ClassName);
    if (!c) throw EClassNotFound(SClassNotFound, {ClassName});
    return c;
}

// ---- Integer identifiers -----------------------------------------------------------------

bool IdentToInt(const String& Ident, long long& Int, const TIdentMap& Map) {
    for (const TIdentMapEntry& e : Map)
        if (SameText(e.Name, Ident)) {
            Int = e.Value;
            return true;
        }
    return false;
}

bool IntToIdent(long long Int, String& Ident, const TIdentMap& Map) {
    for (const TIdentMapEntry& e : Map)
        if (e.Value == Int) {
            Ident = e.Name;
            return true;
        }
    return false;
}

namespace {

std::vector<std::unique_ptr<TIntegerConsts>>& integerConsts() {
    static std::vector<std::unique_ptr<TIntegerConsts>> v;
    return v;
}

}  // namespace

void RegisterIntegerConsts(const TIntegerConsts& Consts) {
    std::lock_guard<std::mutex> lock(registryMutex());
    for (auto& c : integerConsts())
        if (c->Type == Consts.Type) {
            *c = Consts;
            return;
        }
    integerConsts().push_back(std::make_unique<TIntegerConsts>(Consts));
}

const TIntegerConsts* FindIntegerConsts(QMetaType Type) {
    std::lock_guard<std::mutex> lock(registryMutex());
    for (const auto& c : integerConsts())
        if (c->Type == Type) return c.get();
    return nullptr;
}

namespace {

std::vector<std::pair<String, std::unique_ptr<TIdentMap>>>& identMaps() {
    static std::vector<std::pair<String, std::unique_ptr<TIdentMap>>> v;
    return v;
}

}  // namespace

void RegisterIdentMap(const String& Name, TIdentMap Map) {
    std::lock_guard<std::mutex> lock(registryMutex());
    for (auto& [name, map] : identMaps())
        if (SameText(name, Name)) {
            *map = std::move(Map);
            return;
        }
    identMaps().emplace_back(Name, std::make_unique<TIdentMap>(std::move(Map)));
}

const TIdentMap* FindIdentMap(const String& Name) {
    std::lock_guard<std::mutex> lock(registryMutex());
    for (const auto& [name, map] : identMaps())
        if (SameText(name, Name)) return map.get();
    return nullptr;
}

bool FindIntegerIdent(const String& Ident, long long& Int) {
    std::lock_guard<std::mutex> lock(registryMutex());
    bool found = false;
    auto consider = [&](const TIdentMap& map) {
        long long v;
        if (!IdentToInt(Ident, v, map)) return true;
        if (found && v != Int) return false;
        Int = v;
        found = true;
        return true;
    };
    for (const auto& c : integerConsts())
        if (!consider(c->Map)) return false;
    for (const auto& m : identMaps())
        if (!consider(*m.second)) return false;
    return found;
}

// ---- TComponent --------------------------------------------------------------------------

TComponent::TComponent(TComponent* AOwner) {
    if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
    Destroying();
    while (!freeNotifies_.empty()) {
        TComponent* peer = freeNotifies_.back();
        freeNotifies_.pop_back();
        peer->removeNotification(this);
        peer->Notification(this, opRemove);
    }
    fields_.clear();
    DestroyComponents();
    if (owner_) owner_->RemoveComponent(this);
}

TComponent* TComponent::Components(int Index) const {
    if (Index < 0 || Index >= ComponentCount()) throw EListError(SListIndexError, {Index});
    return components_[static_cast<std::size_t>(Index)];
}

int TComponent::ComponentIndex() const {
    if (!owner_) return -1;
    const auto& v = owner_->components_;
    const auto it = std::find(v.begin(), v.end(), this);
    return it == v.end() ? -1 : static_cast<int>(it - v.begin());
}

void TComponent::SetComponentIndex(int Value) {
    if (!owner_) return;
    auto& v = owner_->components_;
    const int cur = ComponentIndex();
    if (cur < 0) return;
    Value = std::clamp(Value, 0, static_cast<int>(v.size()) - 1);
    if (Value == cur) return;
    v.erase(v.begin() + cur);
    v.insert(v.begin() + Value, this);
}

void TComponent::SetName(const String& NewName) {
    if (name_ == NewName) return;
    if (!NewName.empty() && !IsValidIdent(NewName)) throw EComponentError(SInvalidName, {NewName});
    if (owner_) {
        owner_->ValidateRename(this, name_, NewName);
        owner_->checkFieldType(NewName, this);
    } else {
        ValidateRename(nullptr, name_, NewName);
    }
    setReference(false);
    ChangeName(NewName);
    setReference(true);
}

void TComponent::ChangeName(const String& NewName) { name_ = NewName; }

// Checked for renames and for inserts alike, so no two components of one owner share a name.
void TComponent::ValidateRename(TComponent* AComponent, const String& CurName, const String& NewName) {
    if (AComponent && !NewName.empty() && !SameText(CurName, NewName)) {
        TComponent* other = FindComponent(NewName);
        if (other && other != AComponent) throw EComponentError(SDuplicateName, {NewName});
    }
}

void TComponent::ValidateContainer(TComponent* AComponent) { AComponent->ValidateInsert(this); }

void TComponent::ValidateInsert(TComponent*) {}

void TComponent::SetSubComponent(bool Value) {
    if (Value)
        style_.Include(csSubComponent);
    else
        style_.Exclude(csSubComponent);
}

void TComponent::SetDesigning(bool Value, bool SetChildren) {
    if (Value)
        state_.Include(csDesigning);
    else
        state_.Exclude(csDesigning);
    if (SetChildren)
        for (TComponent* c : components_) c->SetDesigning(Value, true);
}

void TComponent::InsertComponent(TComponent* AComponent) {
    if (!AComponent || AComponent->owner_ == this) return;
    // Everything is checked before the component leaves its old owner.
    AComponent->ValidateContainer(this);
    ValidateRename(AComponent, String(), AComponent->name_);
    checkFieldType(AComponent->name_, AComponent);
    if (AComponent->owner_) AComponent->owner_->RemoveComponent(AComponent);
    insert(AComponent);
    AComponent->setReference(true);
    if (state_.Contains(csDesigning)) AComponent->SetDesigning(true);
    Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
    if (!AComponent || AComponent->owner_ != this) return;
    ValidateRename(AComponent, AComponent->name_, String());
    Notification(AComponent, opRemove);
    AComponent->setReference(false);
    remove(AComponent);
}

void TComponent::insert(TComponent* AComponent) {
    components_.push_back(AComponent);
    AComponent->owner_ = this;
}

void TComponent::remove(TComponent* AComponent) {
    components_.erase(std::remove(components_.begin(), components_.end(), AComponent), components_.end());
    AComponent->owner_ = nullptr;
}

void TComponent::DestroyComponents() {
    while (!components_.empty()) {
        TComponent* c = components_.back();
        components_.pop_back();
        c->owner_ = nullptr;
        c->Free();
    }
}

void TComponent::Destroying() {
    if (state_.Contains(csDestroying)) return;
    state_.Include(csDestroying);
    for (TComponent* c : components_) c->Destroying();
}

void TComponent::BeforeDestruction() { Destroying(); }

TComponent* TComponent::FindComponent(const String& AName) const {
    if (AName.empty()) return nullptr;
    for (TComponent* c : components_)
        if (SameText(c->name_, AName)) return c;
    return nullptr;
}

void TComponent::FreeNotification(TComponent* AComponent) {
    if (!AComponent || AComponent == this) return;
    state_.Include(csFreeNotification);
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), AComponent) != freeNotifies_.end()) return;
    freeNotifies_.push_back(AComponent);
    AComponent->FreeNotification(this);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
    if (!AComponent) return;
    removeNotification(AComponent);
    AComponent->removeNotification(this);
}

void TComponent::removeNotification(TComponent* AComponent) {
    freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), AComponent), freeNotifies_.end());
    if (freeNotifies_.empty()) state_.Exclude(csFreeNotification);
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
    if (Operation == opRemove && AComponent) RemoveFreeNotification(AComponent);
    // Handlers may add or remove components; walk down from the end.
    std::size_t i = components_.size();
    while (i > 0) {
        --i;
        if (i >= components_.size()) {
            i = components_.size();
            continue;
        }
        components_[i]->Notification(AComponent, Operation);
    }
}

void TComponent::Loaded() { state_.Exclude(csLoading); }

bool TComponent::HasParent() const { return false; }

TComponent* TComponent::GetParentComponent() const { return nullptr; }

void TComponent::SetParentComponent(TComponent*) {}

void TComponent::GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root) {
    if (Root != this) return;
    for (TComponent* c : components_)
        if (!c->HasParent()) Proc(c);
}

void TComponent::SetChildOrder(TComponent*, int) {}

void TComponent::Updating() { state_.Include(csUpdating); }

void TComponent::Updated() { state_.Exclude(csUpdating); }

TPersistent* TComponent::GetOwner() { return owner_; }

String TComponent::GetNamePath() { return name_; }

void TComponent::setReference(bool Enable) {
    if (owner_ && !name_.empty()) owner_->assignField(name_, Enable ? this : nullptr);
}

void TComponent::checkFieldType(const String& FieldName, TComponent* Value) const {
    if (!Value || FieldName.empty()) return;
    for (const Field& f : fields_)
        if (SameText(f.name, FieldName) && !Value->metaObject()->inherits(f.type))
            throw EComponentError(SFieldTypeMismatch, {FieldName, Value->ClassName()});
}

void TComponent::assignField(const String& FieldName, TComponent* Value) {
    if (state_.Contains(csDestroying)) return;
    for (const Field& f : fields_)
        if (SameText(f.name, FieldName)) f.set(Value);
}

void TComponent::addField(const String& FieldName, const QMetaObject* Type, std::function<void(TComponent*)> Set) {
    TComponent* existing = FindComponent(FieldName);
    if (existing && !existing->metaObject()->inherits(Type))
        throw EComponentError(SFieldTypeMismatch, {FieldName, existing->ClassName()});
    fields_.push_back({FieldName, Type, std::move(Set)});
    fields_.back().set(existing);
}

// ---- TList -------------------------------------------------------------------------------

TList::TList() = default;

TList::~TList() { Clear(); }

void TList::Error(const TResStringRec& Msg, long long Data) { throw EListError(Msg, {Data}); }

void TList::check(int Index) const {
    if (Index < 0 || Index >= Count()) Error(SListIndexError, Index);
}

int TList::Add(void* Item) {
    items_.push_back(Item);
    if (Item) Notify(Item, lnAdded);
    return Count() - 1;
}

void TList::Insert(int Index, void* Item) {
    if (Index < 0 || Index > Count()) Error(SListIndexError, Index);
    items_.insert(items_.begin() + Index, Item);
    if (Item) Notify(Item, lnAdded);
}

void TList::Delete(int Index) {
    check(Index);
    void* item = items_[static_cast<std::size_t>(Index)];
    items_.erase(items_.begin() + Index);
    if (item) Notify(item, lnDeleted);
}

int TList::Remove(void* Item) {
    const int i = IndexOf(Item);
    if (i >= 0) Delete(i);
    return i;
}

void* TList::Extract(void* Item) {
    const int i = IndexOf(Item);
    if (i < 0) return nullptr;
    items_.erase(items_.begin() + i);
    Notify(Item, lnExtracted);
    return Item;
}

void TList::Clear() {
    SetCount(0);
    items_.shrink_to_fit();
}

void TList::Exchange(int Index1, int Index2) {
    check(Index1);
    check(Index2);
    std::swap(items_[static_cast<std::size_t>(Index1)], items_[static_cast<std::size_t>(Index2)]);
}

void TList::Move(int CurIndex, int NewIndex) {
    if (CurIndex == NewIndex) return;
    check(CurIndex);
    check(NewIndex);
    void* item = items_[static_cast<std::size_t>(CurIndex)];
    items_.erase(items_.begin() + CurIndex);
    items_.insert(items_.begin() + NewIndex, item);
}

int TList::IndexOf(void* Item) const {
    const auto it = std::find(items_.begin(), items_.end(), Item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void* TList::First() const { return Items(0); }

void* TList::Last() const { return Items(Count() - 1); }

void TList::Pack() { items_.erase(std::remove(items_.begin(), items_.end(), nullptr), items_.end()); }

void TList::Sort(const std::function<int(void*, void*)>& Compare) {
    const std::vector<void*> old = items_;
    const std::vector<int> order = classes_detail::mergeSortedIndexes(
        Count(), [&](int a, int b) { return Compare(old[static_cast<std::size_t>(a)], old[static_cast<std::size_t>(b)]) < 0; });
    for (std::size_t k = 0; k < order.size(); ++k) items_[k] = old[static_cast<std::size_t>(order[k])];
}

void TList::SetCount(int NewCount) {
    if (NewCount < 0) Error(SListCountError, NewCount);
    while (Count() > NewCount) Delete(Count() - 1);
    if (Count() < NewCount) items_.resize(static_cast<std::size_t>(NewCount), nullptr);
}

void TList::SetCapacity(int NewCapacity) {
    if (NewCapacity < Count()) Error(SListCapacityError, NewCapacity);
    items_.reserve(static_cast<std::size_t>(NewCapacity));
}

void* TList::Items(int Index) const {
    check(Index);
    return items_[static_cast<std::size_t>(Index)];
}

void TList::SetItems(int Index, void* Item) {
    check(Index);
    void* old = items_[static_cast<std::size_t>(Index)];
    if (old == Item) return;
    items_[static_cast<std::size_t>(Index)] = Item;
    if (old) Notify(old, lnDeleted);
    if (Item) Notify(Item, lnAdded);
}

void TList::Notify(void*, TListNotification) {}

TObjectList::TObjectList(bool AOwnsObjects) : ownsObjects_(AOwnsObjects) {}

TObjectList::~TObjectList() { Clear(); }

void TObjectList::Notify(void* Ptr, TListNotification Action) {
    if (ownsObjects_ && Action == lnDeleted) static_cast<TObject*>(Ptr)->Free();
    TList::Notify(Ptr, Action);
}

// ---- Collections -------------------------------------------------------------------------

TCollectionItem::TCollectionItem(TCollection* Collection) {
    if (Collection) SetCollection(Collection);
}

TCollectionItem::~TCollectionItem() {
    if (collection_) collection_->removeItem(this);
}

void TCollectionItem::SetCollection(TCollection* Value) {
    if (Value == collection_) return;
    if (collection_) {
        collection_->Notify(this, cnExtracting);
        collection_->removeItem(this);
    }
    if (Value) Value->insertItem(this);
}

int TCollectionItem::Index() const {
    if (!collection_) return -1;
    const auto& v = collection_->items_;
    const auto it = std::find(v.begin(), v.end(), this);
    return it == v.end() ? -1 : static_cast<int>(it - v.begin());
}

void TCollectionItem::SetIndex(int Value) {
    const int cur = Index();
    if (cur < 0 || cur == Value) return;
    auto& v = collection_->items_;
    Value = std::clamp(Value, 0, static_cast<int>(v.size()) - 1);
    if (cur == Value) return;
    v.erase(v.begin() + cur);
    v.insert(v.begin() + Value, this);
    Changed(true);
}

String TCollectionItem::DisplayName() const { return ClassName(); }

void TCollectionItem::SetDisplayName(const String&) { Changed(false); }

String TCollectionItem::GetNamePath() {
    if (!collection_) return ClassName();
    return collection_->GetNamePath() + "[" + IntToStr(Index()) + "]";
}

TPersistent* TCollectionItem::GetOwner() { return collection_; }

void TCollectionItem::Changed(bool AllItems) {
    if (collection_ && collection_->updateCount_ == 0) collection_->Update(AllItems ? nullptr : this);
}

TCollection::TCollection(TCollectionItemClass ItemClass, TPersistent* AOwner) : itemClass_(ItemClass), owner_(AOwner) {}

TCollection::~TCollection() {
    updateCount_ = 1;
    Clear();
}

TCollectionItem* TCollection::Add() {
    if (!itemClass_.Create) throw EInvalidOperation(SInvalidCast);
    return itemClass_.Create(this);
}

TCollectionItem* TCollection::Insert(int Index) {
    if (Index < 0 || Index > Count()) throw EListError(SListIndexError, {Index});
    TCollectionItem* item = Add();
    item->SetIndex(Index);
    return item;
}

void TCollection::Delete(int Index) {
    TCollectionItem* item = Items(Index);
    Notify(item, cnDeleting);
    items_.erase(items_.begin() + Index);
    item->collection_ = nullptr;
    item->Free();
    Changed();
}

void TCollection::Clear() {
    if (items_.empty()) return;
    BeginUpdate();
    while (!items_.empty()) Delete(Count() - 1);
    EndUpdate();
}

void TCollection::BeginUpdate() { ++updateCount_; }

void TCollection::EndUpdate() {
    if (updateCount_ > 0) --updateCount_;
    Changed();
}

TCollectionItem* TCollection::FindItemID(int ID) const {
    for (TCollectionItem* item : items_)
        if (item->id_ == ID) return item;
    return nullptr;
}

TCollectionItem* TCollection::Items(int Index) const {
    if (Index < 0 || Index >= Count()) throw EListError(SListIndexError, {Index});
    return items_[static_cast<std::size_t>(Index)];
}

void TCollection::SetItems(int Index, TCollectionItem* Value) { Items(Index)->Assign(Value); }

void TCollection::Assign(TPersistent* Source) {
    auto* source = qobject_cast<TCollection*>(Source);
    if (!source) {
        TPersistent::Assign(Source);
        return;
    }
    if (source == this) return;
    BeginUpdate();
    try {
        Clear();
        for (TCollectionItem* item : source->items_) Add()->Assign(item);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

String TCollection::GetNamePath() {
    if (!owner_ || propName_.empty()) return ClassName();
    const String path = owner_->GetNamePath();
    return path.empty() ? ClassName() : path + "." + propName_;
}

void TCollection::Update(TCollectionItem*) {}

void TCollection::Notify(TCollectionItem*, TCollectionNotification) {}

void TCollection::Changed() {
    if (updateCount_ == 0) Update(nullptr);
}

void TCollection::insertItem(TCollectionItem* Item) {
    if (itemClass_.MetaObject && !Item->metaObject()->inherits(itemClass_.MetaObject)) throw EInvalidCast(SInvalidCast);
    items_.push_back(Item);
    Item->collection_ = this;
    Item->id_ = nextId_++;
    Notify(Item, cnAdded);
    Changed();
}

void TCollection::removeItem(TCollectionItem* Item) {
    items_.erase(std::remove(items_.begin(), items_.end(), Item), items_.end());
    Item->collection_ = nullptr;
    Changed();
}
