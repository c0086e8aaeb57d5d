// The layout reader and writer, and forms from layout resources.
#include "classlib/Classes.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

bool isReal(const TLayoutValue& v) { return v.Kind == TLayoutValue::lvReal; }

bool classNamed(const QMetaObject* mo, const String& Name) {
    for (; mo; mo = mo->superClass())
        if (SameText(mo->className(), Name)) return true;
    return false;
}

// The layout text value of a simple (not class, not event) property; false for other kinds.
bool layoutValueOf(const QObject* Instance, const QMetaProperty& Prop, const TPropType& Type, TLayoutValue& Out) {
    switch (Type.Kind) {
    case tkInteger:
    case tkInt64: {
        const long long n = GetOrdProp(Instance, Prop);
        String ident;
        if (Type.Idents && IntToIdent(n, ident, *Type.Idents))
            Out = TLayoutValue::MakeIdent(ident);
        else
            Out = TLayoutValue::MakeInteger(n);
        return true;
    }
    case tkChar:
    case tkWChar:
    case tkLString:
    case tkWString:
    case tkString: Out = TLayoutValue::MakeString(GetWideStrProp(Instance, Prop)); return true;
    case tkEnumeration: Out = TLayoutValue::MakeIdent(GetEnumProp(Instance, Prop)); return true;
    case tkSet:
        Out = TLayoutValue();
        Out.Kind = TLayoutValue::lvSet;
        Out.Set = SetToNames(Prop, GetOrdProp(Instance, Prop));
        return true;
    case tkFloat: {
        const int digits = Type.FloatType == ftSingle   ? std::numeric_limits<float>::digits10
                           : Type.FloatType == ftDouble ? std::numeric_limits<double>::digits10
                                                        : std::numeric_limits<long double>::digits10;
        Out = TLayoutValue::MakeReal(GetFloatProp(Instance, Prop), digits);
        return true;
    }
    default: return false;
    }
}

// A value as a number, identifiers of integer constants included.
bool numberOf(const TLayoutValue& v, const TPropType& Type, long double& Out) {
    if (v.Kind == TLayoutValue::lvInteger) {
        Out = static_cast<long double>(v.Integer);
        return true;
    }
    if (isReal(v)) {
        Out = v.Real;
        return true;
    }
    if (v.Kind != TLayoutValue::lvIdent || (Type.Kind != tkInteger && Type.Kind != tkInt64)) return false;
    long long n;
    if (Type.Idents ? IdentToInt(v.Ident, n, *Type.Idents) : FindIntegerIdent(v.Ident, n)) {
        Out = static_cast<long double>(n);
        return true;
    }
    return false;
}

long double inPrecision(long double v, const TPropType& Type) {
    if (Type.Kind != tkFloat) return v;
    if (Type.FloatType == ftSingle) return static_cast<float>(v);
    if (Type.FloatType == ftDouble) return static_cast<double>(v);
    return v;
}

bool sameValue(const TLayoutValue& a, const TLayoutValue& b, const TPropType& Type) {
    long double x, y;
    if (numberOf(a, Type, x) && numberOf(b, Type, y)) return inPrecision(x, Type) == inPrecision(y, Type);
    if (a.Kind == TLayoutValue::lvIdent && b.Kind == TLayoutValue::lvIdent) return SameText(a.Ident, b.Ident);
    if (a.Kind == TLayoutValue::lvString && b.Kind == TLayoutValue::lvString) return a.Str == b.Str;
    if (a.Kind == TLayoutValue::lvSet && b.Kind == TLayoutValue::lvSet) {
        auto norm = [](std::vector<String> s) {
            for (String& e : s) e = UpperCase(e);
            std::sort(s.begin(), s.end());
            s.erase(std::unique(s.begin(), s.end()), s.end());
            return s;
        };
        return norm(a.Set) == norm(b.Set);
    }
    return false;
}

// The name of the published method of Root an event calls; "" when it calls anything else.
String boundMethodName(const QVariant& Value, const TPropType& Type, const TComponent* Root) {
    if (!Type.Event || !Type.Event->IsAssigned(Value)) return {};
    int index = -1;
    const QObject* target = Type.Event->BoundMethod(Value, index);
    if (!target || target != Root || index < 0) return {};
    return String(target->metaObject()->method(index).name().constData());
}

}  // namespace

// ---- TFiler ------------------------------------------------------------------------------

TFiler::TFiler() = default;
TFiler::~TFiler() = default;

// ---- TReader -----------------------------------------------------------------------------

TReader::TReader() = default;
TReader::~TReader() = default;

TComponent* TReader::ReadRootComponent(TComponent* Root, const TLayoutObject& Layout) {
    bool created = false;
    if (!Root) {
        TPersistentClass cls;
        try {
            cls = FindClass(Layout.ClassName);
            if (!cls->IsComponent) throw EReadError(SNotAComponentClass, {Layout.ClassName});
        } catch (Exception& e) {
            annotate(e, Layout.Line);
            throw;
        }
        Root = static_cast<TComponent*>(cls->Create(nullptr));
        created = true;
    } else if (!Layout.ClassName.empty() && !classNamed(Root->metaObject(), Layout.ClassName)) {
        EReadError e(SRootClassMismatch, {Layout.ClassName, Root->ClassName()});
        annotate(e, Layout.Line);
        throw e;
    }
    root_ = Root;
    parent_ = nullptr;
    loaded_.clear();
    fixups_.clear();
    Root->state_.Include(csLoading);
    Root->state_.Include(csReading);
    try {
        if (!Layout.Name.empty() && Root->Name() != Layout.Name) {
            try {
                String name = Layout.Name;
                // Another instance of the same form under the same owner gets "Name_2", ...
                if (TComponent* owner = Root->Owner())
                    for (int k = 2; owner->FindComponent(name) && owner->FindComponent(name) != Root; ++k)
                        name = Layout.Name + "_" + IntToStr(k);
                Root->SetName(name);
            } catch (Exception& e) {
                annotate(e, Layout.Line);
                throw;
            }
        }
        readObject(Root, Layout);
        resolveFixups();
    } catch (...) {
        finishRead(true);
        root_ = nullptr;
        if (created) delete Root;
        throw;
    }
    finishRead(false);
    return Root;
}

void TReader::finishRead(bool Failed) {
    std::vector<QPointer<TComponent>> all;
    all.emplace_back(root_);
    all.insert(all.end(), loaded_.begin(), loaded_.end());
    loaded_.clear();
    fixups_.clear();
    for (const auto& c : all)
        if (c) c->state_.Exclude(csReading);
    if (Failed) {
        for (const auto& c : all)
            if (c) c->state_.Exclude(csLoading);
        return;
    }
    for (std::size_t k = 0; k < all.size(); ++k) {
        if (!all[k]) continue;
        try {
            all[k]->Loaded();
        } catch (...) {
            for (std::size_t j = k; j < all.size(); ++j)
                if (all[j]) all[j]->state_.Exclude(csLoading);
            throw;
        }
    }
}

void TReader::readObject(TComponent* Instance, const TLayoutObject& Node) {
    const TLayoutObject* savedNode = node_;
    TComponent* savedParent = parent_;
    node_ = &Node;
    try {
        Instance->ReadState(this);
    } catch (...) {
        node_ = savedNode;
        parent_ = savedParent;
        throw;
    }
    node_ = savedNode;
    parent_ = savedParent;
}

void TReader::ReadData(TComponent* Instance) {
    if (!node_ || !Instance) return;
    const TLayoutObject& node = *node_;
    readProperties(Instance, node.Properties);
    TComponent* savedParent = parent_;
    parent_ = Instance;
    try {
        for (const TLayoutObject& child : node.Children) readChild(child);
    } catch (...) {
        parent_ = savedParent;
        throw;
    }
    parent_ = savedParent;
}

void TReader::readChild(const TLayoutObject& Node) {
    TComponent* child = nullptr;
    try {
        if (Node.Kind == TLayoutObject::loInherited) {
            child = root_->FindComponent(Node.Name);
            if (!child) throw EReadError(SNoInheritedComponent, {Node.Name});
            child->state_.Include(csLoading);
            child->state_.Include(csReading);
            loaded_.emplace_back(child);
        } else {
            TPersistentClass cls = FindClass(Node.ClassName);
            if (!cls->IsComponent) throw EReadError(SNotAComponentClass, {Node.ClassName});
            child = static_cast<TComponent*>(cls->Create(root_));
            child->state_.Include(csLoading);
            child->state_.Include(csReading);
            if (Node.Kind == TLayoutObject::loInline) child->state_.Include(csInline);
            try {
                child->SetName(Node.Name);
            } catch (...) {
                delete child;
                throw;
            }
            loaded_.emplace_back(child);
        }
        child->SetParentComponent(parent_);
        if (Node.Index >= 0 && parent_) parent_->SetChildOrder(child, Node.Index);
    } catch (Exception& e) {
        annotate(e, Node.Line);
        throw;
    }
    readObject(child, Node);
}

void TReader::readProperties(TPersistent* Instance, const std::vector<TLayoutProperty>& Props) {
    for (const TLayoutProperty& p : Props) {
        try {
            ReadProperty(Instance, p);
        } catch (Exception& e) {
            annotate(e, p.Line);
            throw;
        }
    }
}

void TReader::ReadProperty(TPersistent* Instance, const TLayoutProperty& Prop) {
    QObject* target = Instance;
    String path = Prop.Name;
    std::size_t dot;
    while ((dot = path.find('.')) != String::npos) {
        const String head = path.substr(0, dot);
        const QMetaProperty p = GetPropInfo(target, head);
        if (!p.isValid() || GetPropType(p).Kind != tkClass) throw EReadError(SUnknownProperty, {Prop.Name});
        target = GetObjectProp(target, p);
        if (!target) throw EReadError(SUnknownProperty, {Prop.Name});
        path = path.substr(dot + 1);
    }
    const QMetaProperty p = GetPropInfo(target, path);
    if (p.isValid()) {
        applyValue(target, p, Prop.Value, Prop.Line);
        return;
    }
    auto* persistent = qobject_cast<TPersistent*>(target);
    if (!persistent) throw EReadError(SUnknownProperty, {Prop.Name});
    readDefined(persistent, path, Prop.Name, Prop.Value);
}

void TReader::applyValue(QObject* Instance, const QMetaProperty& Prop, const TLayoutValue& Value, int Line) {
    const TPropType t = GetPropType(Prop);
    const String name = Prop.name();
    if (t.Kind == tkUnknown) throw EReadError(SInvalidPropertyType, {name});
    if (t.Kind == tkClass) {
        if (Value.Kind == TLayoutValue::lvCollection) {
            auto* collection = qobject_cast<TCollection*>(GetObjectProp(Instance, Prop));
            if (!collection) valueError();
            readCollectionValue(collection, Value);
            return;
        }
        if (Value.Kind != TLayoutValue::lvIdent) valueError();
        if (!Prop.isWritable()) throw EReadError(SPropertyReadOnly, {name});
        if (SameText(Value.Ident, "nil")) {
            SetObjectProp(Instance, Prop, nullptr);
            return;
        }
        fixups_.push_back({Instance, Prop, Value.Ident, Line});
        return;
    }
    if (!Prop.isWritable()) throw EReadError(SPropertyReadOnly, {name});
    try {
        switch (t.Kind) {
        case tkMethod: {
            if (Value.Kind != TLayoutValue::lvIdent) valueError();
            if (SameText(Value.Ident, "nil")) {
                Prop.write(Instance, t.Event->Empty());
                return;
            }
            bool found = false;
            const int index = FindPublishedMethod(root_, Value.Ident, *t.Event, &found);
            if (index < 0) {
                if (found) throw EReadError(SMethodMismatch, {Value.Ident, name});
                throw EReadError(SMethodNotFound, {Value.Ident, root_ ? root_->ClassName() : String("nil")});
            }
            Prop.write(Instance, t.Event->Bind(root_, index));
            return;
        }
        case tkInteger:
        case tkInt64: {
            if (Value.Kind == TLayoutValue::lvInteger) {
                SetOrdProp(Instance, Prop, Value.Integer);
                return;
            }
            if (Value.Kind != TLayoutValue::lvIdent) valueError();
            long long n;
            const bool known = t.Idents ? IdentToInt(Value.Ident, n, *t.Idents) : FindIntegerIdent(Value.Ident, n);
            if (!known) throw EReadError(SUnknownValue, {Value.Ident, name});
            SetOrdProp(Instance, Prop, n);
            return;
        }
        case tkChar:
        case tkWChar:
            if (Value.Kind == TLayoutValue::lvInteger) {
                SetOrdProp(Instance, Prop, Value.Integer);
                return;
            }
            if (Value.Kind != TLayoutValue::lvString || Value.Str.size() > 1) valueError();
            SetWideStrProp(Instance, Prop, Value.Str);
            return;
        case tkEnumeration:
            if (Value.Kind != TLayoutValue::lvIdent) valueError();
            SetEnumProp(Instance, Prop, Value.Ident);
            return;
        case tkSet:
            if (Value.Kind != TLayoutValue::lvSet) valueError();
            SetOrdProp(Instance, Prop, NamesToSet(Prop, Value.Set));
            return;
        case tkFloat:
            if (Value.Kind == TLayoutValue::lvReal)
                SetFloatProp(Instance, Prop, Value.Real);
            else if (Value.Kind == TLayoutValue::lvInteger)
                SetFloatProp(Instance, Prop, static_cast<long double>(Value.Integer));
            else
                valueError();
            return;
        case tkString:
        case tkLString:
        case tkWString:
            if (Value.Kind != TLayoutValue::lvString) valueError();
            SetWideStrProp(Instance, Prop, Value.Str);
            return;
        default: throw EReadError(SInvalidPropertyType, {name});
        }
    } catch (const EPropertyError& e) {
        throw EReadError(e.Message);
    }
}

void TReader::readCollectionValue(TCollection* Collection, const TLayoutValue& Value) {
    Collection->BeginUpdate();
    try {
        Collection->Clear();
        for (const TLayoutItem& item : Value.Items) {
            TCollectionItem* ci = Collection->Add();
            try {
                readProperties(ci, item.Properties);
            } catch (Exception& e) {
                annotate(e, item.Line);
                throw;
            }
        }
    } catch (...) {
        Collection->EndUpdate();
        throw;
    }
    Collection->EndUpdate();
}

void TReader::readDefined(TPersistent* Instance, const String& Name, const String& FullName, const TLayoutValue& Value) {
    // Readers may nest (a collection read inside a defined property).
    const String savedName = definedName_;
    const bool savedFound = definedFound_;
    const TLayoutValue* savedValue = definedValue_;
    std::vector<Token> savedTokens = std::move(tokens_);
    const std::size_t savedPos = pos_;
    auto restore = [&] {
        definedName_ = savedName;
        definedFound_ = savedFound;
        definedValue_ = savedValue;
        tokens_ = std::move(savedTokens);
        pos_ = savedPos;
    };
    definedName_ = Name;
    definedFound_ = false;
    definedValue_ = &Value;
    tokens_.clear();
    pos_ = 0;
    flatten(Value);
    bool found;
    try {
        Instance->DefineProperties(this);
        found = definedFound_;
    } catch (...) {
        restore();
        throw;
    }
    restore();
    if (!found) throw EReadError(SUnknownProperty, {FullName});
}

void TReader::DefineProperty(const String& Name, TReaderProc ReadData, TWriterProc, bool) {
    if (definedFound_ || !definedValue_ || !SameText(Name, definedName_)) return;
    definedFound_ = true;
    if (!ReadData) return;
    ReadData(this);
    if (pos_ != tokens_.size()) valueError();
}

void TReader::DefineBinaryProperty(const String& Name, TStreamProc ReadData, TStreamProc, bool) {
    if (definedFound_ || !definedValue_ || !SameText(Name, definedName_)) return;
    definedFound_ = true;
    if (definedValue_->Kind != TLayoutValue::lvBinary) valueError();
    if (!ReadData) return;
    TMemoryStream stream;
    stream.WriteBuffer(definedValue_->Binary.data(), static_cast<Int64>(definedValue_->Binary.size()));
    stream.SetPosition(0);
    ReadData(&stream);
    pos_ = tokens_.size();
}

void TReader::flatten(const TLayoutValue& Value) {
    TFilerValueType type = vaNull;
    switch (Value.Kind) {
    case TLayoutValue::lvInteger: {
        const long long n = Value.Integer;
        type = n >= -128 && n <= 127 ? vaInt8 : n >= -32768 && n <= 32767 ? vaInt16 : n >= INT32_MIN && n <= INT32_MAX ? vaInt32 : vaInt64;
        break;
    }
    case TLayoutValue::lvReal: type = vaExtended; break;
    case TLayoutValue::lvString: {
        const bool wide = std::any_of(Value.Str.begin(), Value.Str.end(), [](char16_t c) { return c > 255; });
        type = wide ? vaWString : Value.Str.size() > 255 ? vaLString : vaString;
        break;
    }
    case TLayoutValue::lvIdent:
        type = SameText(Value.Ident, "True") ? vaTrue : SameText(Value.Ident, "False") ? vaFalse : SameText(Value.Ident, "nil") ? vaNil : vaIdent;
        break;
    case TLayoutValue::lvSet: type = vaSet; break;
    case TLayoutValue::lvBinary: type = vaBinary; break;
    case TLayoutValue::lvCollection: type = vaCollection; break;
    case TLayoutValue::lvList:
        tokens_.push_back({vaList, &Value});
        for (const TLayoutValue& item : Value.List) flatten(item);
        tokens_.push_back({vaNull, nullptr});
        return;
    }
    tokens_.push_back({type, &Value});
}

const TReader::Token& TReader::take() {
    if (pos_ >= tokens_.size()) valueError();
    return tokens_[pos_++];
}

void TReader::valueError() const { throw EReadError(SInvalidPropertyValue); }

void TReader::annotate(Exception& E, int Line) {
    if (Line <= 0 || annotated_ == &E) return;
    annotated_ = &E;
    E.Message = Format(LoadResString(&SParseErrorAt), {E.Message, Line});
}

TFilerValueType TReader::NextValue() {
    if (pos_ >= tokens_.size()) valueError();
    return tokens_[pos_].type;
}

TFilerValueType TReader::ReadValue() { return take().type; }

void TReader::SkipValue() {
    const Token& t = take();
    if (t.type != vaList) return;
    int depth = 1;
    while (depth > 0) {
        const Token& n = take();
        if (n.type == vaList) ++depth;
        if (n.type == vaNull) --depth;
    }
}

bool TReader::EndOfList() { return NextValue() == vaNull; }

void TReader::ReadListBegin() {
    if (take().type != vaList) valueError();
}

void TReader::ReadListEnd() {
    if (take().type != vaNull) valueError();
}

bool TReader::ReadBoolean() {
    const Token& t = take();
    if (t.type == vaTrue) return true;
    if (t.type == vaFalse) return false;
    valueError();
}

char TReader::ReadChar() {
    const Token& t = take();
    if (t.type != vaString && t.type != vaLString) valueError();
    const String s = WideToAnsi(t.value->Str);
    if (s.size() != 1) valueError();
    return s[0];
}

WideChar TReader::ReadWideChar() {
    const Token& t = take();
    if (t.type != vaString && t.type != vaLString && t.type != vaWString) valueError();
    if (t.value->Str.size() > 1) valueError();
    return t.value->Str.empty() ? u'\0' : t.value->Str[0];
}

Integer TReader::ReadInteger() {
    const Token& t = take();
    if (t.type != vaInt8 && t.type != vaInt16 && t.type != vaInt32) valueError();
    return static_cast<Integer>(t.value->Integer);
}

Int64 TReader::ReadInt64() {
    const Token& t = take();
    if (t.type != vaInt8 && t.type != vaInt16 && t.type != vaInt32 && t.type != vaInt64) valueError();
    return t.value->Integer;
}

long double TReader::ReadFloat() {
    const Token& t = take();
    if (t.type == vaExtended) return t.value->Real;
    if (t.type == vaInt8 || t.type == vaInt16 || t.type == vaInt32 || t.type == vaInt64)
        return static_cast<long double>(t.value->Integer);
    valueError();
}

double TReader::ReadDouble() { return static_cast<double>(ReadFloat()); }

float TReader::ReadSingle() { return static_cast<float>(ReadFloat()); }

WideString TReader::ReadWideString() {
    const Token& t = take();
    if (t.type != vaString && t.type != vaLString && t.type != vaWString && t.type != vaUTF8String) valueError();
    return t.value->Str;
}

String TReader::ReadString() { return WideToAnsi(ReadWideString()); }

std::string TReader::ReadUTF8String() { return platform::fromWide(ReadWideString(), CP_UTF8); }

String TReader::ReadIdent() {
    const Token& t = take();
    switch (t.type) {
    case vaIdent: return t.value->Ident;
    case vaTrue: return "True";
    case vaFalse: return "False";
    case vaNil: return "nil";
    default: valueError();
    }
}

std::vector<String> TReader::ReadSet() {
    const Token& t = take();
    if (t.type != vaSet) valueError();
    return t.value->Set;
}

void TReader::ReadCollection(TCollection* Collection) {
    const Token& t = take();
    if (t.type != vaCollection || !Collection) valueError();
    readCollectionValue(Collection, *t.value);
}

void TReader::resolveFixups() {
    std::vector<Fixup> fixups = std::move(fixups_);
    fixups_.clear();
    for (const Fixup& f : fixups) {
        if (!f.instance) continue;
        TComponent* c = findReference(f.name);
        if (!c) {
            EReadError e(SUnresolvedReference, {f.name});
            annotate(e, f.line);
            throw e;
        }
        try {
            SetObjectProp(f.instance, f.prop, c);
        } catch (const EPropertyError& pe) {
            EReadError e(pe.Message);
            annotate(e, f.line);
            throw e;
        }
    }
}

TComponent* TReader::findReference(const String& Name) const {
    if (!root_ || Name.empty()) return nullptr;
    auto lookup = [this](const String& n) -> TComponent* {
        if (SameText(root_->Name(), n)) return root_;
        return root_->FindComponent(n);
    };
    const std::size_t dot = Name.find('.');
    if (dot == String::npos) return lookup(Name);
    TComponent* owner = lookup(Name.substr(0, dot));
    return owner ? owner->FindComponent(Name.substr(dot + 1)) : nullptr;
}

// ---- TWriter -----------------------------------------------------------------------------

TWriter::TWriter() = default;
TWriter::~TWriter() = default;

TLayoutObject TWriter::WriteRootComponent(TComponent* Root) {
    TLayoutObject node;
    if (!Root) return node;
    root_ = Root;
    rootAncestor_ = ancestor_;
    try {
        writeComponent(Root, node);
    } catch (...) {
        ancestor_ = rootAncestor_;
        throw;
    }
    ancestor_ = rootAncestor_;
    return node;
}

void TWriter::writeComponent(TComponent* Instance, TLayoutObject& Node) {
    Node.Name = Instance->Name();
    Node.ClassName = Instance->ClassName();
    TPersistent* savedAncestor = ancestor_;
    TLayoutObject* savedNode = node_;
    if (Instance == root_) {
        ancestor_ = rootAncestor_;
    } else {
        auto* ancestorRoot = qobject_cast<TComponent*>(rootAncestor_);
        ancestor_ = ancestorRoot && !Instance->Name().empty() ? ancestorRoot->FindComponent(Instance->Name()) : nullptr;
    }
    if (ancestor_) Node.Kind = TLayoutObject::loInherited;
    node_ = &Node;
    const bool wasWriting = Instance->state_.Contains(csWriting);
    Instance->state_.Include(csWriting);
    auto restore = [&] {
        if (!wasWriting) Instance->state_.Exclude(csWriting);
        node_ = savedNode;
        ancestor_ = savedAncestor;
    };
    try {
        Instance->WriteState(this);
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

void TWriter::WriteData(TComponent* Instance) {
    if (!node_ || !Instance) return;
    TLayoutObject& node = *node_;
    std::vector<TLayoutProperty>* savedProps = props_;
    props_ = &node.Properties;
    try {
        WriteProperties(Instance);
    } catch (...) {
        props_ = savedProps;
        throw;
    }
    props_ = savedProps;
    Instance->GetChildren(
        [&](TComponent* Child) {
            node.Children.emplace_back();
            writeComponent(Child, node.Children.back());
        },
        root_);
}

void TWriter::WriteProperties(TPersistent* Instance, const String& Prefix) {
    if (!props_) throw EWriteError(SWriteError);
    for (const QMetaProperty& p : GetPropList(Instance))
        if (IsStoredProp(Instance, p)) writeProperty(Instance, p, Prefix);
    const String savedPrefix = prefix_;
    prefix_ = Prefix;
    try {
        Instance->DefineProperties(this);
    } catch (...) {
        prefix_ = savedPrefix;
        throw;
    }
    prefix_ = savedPrefix;
}

void TWriter::writeProperty(TPersistent* Instance, const QMetaProperty& Prop, const String& Prefix) {
    const TPropType t = GetPropType(Prop);
    if (t.Kind == tkUnknown || !Prop.isReadable()) return;
    const String name = Prefix + Prop.name();
    QMetaProperty ancestorProp;
    if (ancestor_) {
        ancestorProp = GetPropInfo(ancestor_, Prop.name());
        if (ancestorProp.isValid() && GetPropType(ancestorProp).Kind != t.Kind) ancestorProp = QMetaProperty();
    }

    if (t.Kind == tkClass) {
        QObject* object = GetObjectProp(Instance, Prop);
        QObject* ancestorObject = ancestorProp.isValid() ? GetObjectProp(ancestor_, ancestorProp) : nullptr;
        auto* component = qobject_cast<TComponent*>(object);
        if (!object || (component && !component->ComponentStyle().Contains(csSubComponent))) {
            if (!Prop.isWritable()) return;
            const String ref = component ? referenceName(component) : String("nil");
            if (ref.empty()) return;
            if (ancestorProp.isValid()) {
                auto* ancestorComponent = qobject_cast<TComponent*>(ancestorObject);
                const String ancestorRef = ancestorComponent ? ancestorComponent->Name() : String("nil");
                if (SameText(ref, ancestorRef) || (component && ancestorComponent && component->Name() == ancestorComponent->Name()))
                    return;
            } else if (!object) {
                return;  // nil is the default
            }
            props_->push_back({name, TLayoutValue::MakeIdent(ref), 0});
            return;
        }
        if (auto* collection = qobject_cast<TCollection*>(object)) {
            // Collections are written whole, or not at all when they equal the ancestor's.
            auto* ancestorCollection = qobject_cast<TCollection*>(ancestorObject);
            TLayoutValue v;
            v.Kind = TLayoutValue::lvCollection;
            v.Items = collectionItems(collection, nullptr);
            if (ancestorCollection) {
                TLayoutValue av;
                av.Kind = TLayoutValue::lvCollection;
                av.Items = collectionItems(ancestorCollection, nullptr);
                if (LayoutValueToText(v) == LayoutValueToText(av)) return;
            } else if (collection->Count() == 0) {
                return;
            }
            props_->push_back({name, std::move(v), 0});
            return;
        }
        if (auto* sub = qobject_cast<TPersistent*>(object)) {
            TPersistent* saved = ancestor_;
            ancestor_ = qobject_cast<TPersistent*>(ancestorObject);
            try {
                WriteProperties(sub, name + ".");
            } catch (...) {
                ancestor_ = saved;
                throw;
            }
            ancestor_ = saved;
        }
        return;
    }

    if (!Prop.isWritable()) return;
    if (t.Kind == tkMethod) {
        const String method = boundMethodName(Prop.read(Instance), t, root_);
        if (method.empty()) return;
        if (ancestorProp.isValid()) {
            const auto* ancestorRoot = qobject_cast<const TComponent*>(rootAncestor_);
            const QVariant av = ancestorProp.read(ancestor_);
            int index = -1;
            const QObject* target = t.Event->IsAssigned(av) ? t.Event->BoundMethod(av, index) : nullptr;
            if (target && target == ancestorRoot && index >= 0 && method == target->metaObject()->method(index).name().constData())
                return;
        }
        props_->push_back({name, TLayoutValue::MakeIdent(method), 0});
        return;
    }
    TLayoutValue v;
    if (!layoutValueOf(Instance, Prop, t, v)) return;
    if (isDefault(Instance, Prop, t, v)) return;
    props_->push_back({name, std::move(v), 0});
}

bool TWriter::isDefault(TPersistent* Instance, const QMetaProperty& Prop, const TPropType& Type, const TLayoutValue& Value) {
    if (ancestor_) {
        const QMetaProperty ap = GetPropInfo(ancestor_, Prop.name());
        if (ap.isValid()) {
            const TPropType at = GetPropType(ap);
            TLayoutValue av;
            if (at.Kind == Type.Kind && layoutValueOf(ancestor_, ap, at, av)) return sameValue(Value, av, Type);
        }
    }
    const String text = GetPropDefaultText(Instance, Prop);
    if (!text.empty()) {
        TLayoutValue def;
        try {
            def = ParseLayoutValue(text);
        } catch (const Exception&) {
            return false;
        }
        return sameValue(Value, def, Type);
    }
    switch (Type.Kind) {
    case tkChar:
    case tkWChar:
    case tkString:
    case tkLString:
    case tkWString: return Value.Str.empty();
    case tkFloat: return Value.Real == 0;
    default: return false;
    }
}

String TWriter::referenceName(TComponent* Component) const {
    if (!Component || Component->Name().empty()) return {};
    if (Component == root_ || Component->Owner() == root_ || !Component->Owner()) return Component->Name();
    if (Component->Owner()->Name().empty()) return {};
    return Component->Owner()->Name() + "." + Component->Name();
}

std::vector<TLayoutItem> TWriter::collectionItems(TCollection* Collection, TCollection* Ancestor) {
    std::vector<TLayoutItem> items;
    std::vector<TLayoutProperty>* savedProps = props_;
    TPersistent* savedAncestor = ancestor_;
    try {
        for (int i = 0; i < Collection->Count(); ++i) {
            items.emplace_back();
            props_ = &items.back().Properties;
            ancestor_ = Ancestor && i < Ancestor->Count() ? Ancestor->Items(i) : nullptr;
            WriteProperties(Collection->Items(i));
        }
    } catch (...) {
        props_ = savedProps;
        ancestor_ = savedAncestor;
        throw;
    }
    props_ = savedProps;
    ancestor_ = savedAncestor;
    return items;
}

void TWriter::DefineProperty(const String& Name, TReaderProc, TWriterProc WriteData, bool HasData) {
    if (!HasData || !WriteData || !props_) return;
    std::vector<TLayoutValue> savedOpen = std::move(open_);
    std::vector<TLayoutValue> savedWritten = std::move(written_);
    open_.clear();
    written_.clear();
    auto restore = [&] {
        open_ = std::move(savedOpen);
        written_ = std::move(savedWritten);
    };
    try {
        WriteData(this);
    } catch (...) {
        restore();
        throw;
    }
    if (!open_.empty() || written_.size() != 1) {
        restore();
        throw EWriteError(SWriteError);
    }
    TLayoutValue value = std::move(written_.front());
    restore();
    props_->push_back({prefix_ + Name, std::move(value), 0});
}

void TWriter::DefineBinaryProperty(const String& Name, TStreamProc, TStreamProc WriteData, bool HasData) {
    if (!HasData || !WriteData || !props_) return;
    TMemoryStream stream;
    WriteData(&stream);
    TLayoutValue v;
    v.Kind = TLayoutValue::lvBinary;
    const auto* bytes = static_cast<const unsigned char*>(stream.Memory());
    v.Binary.assign(bytes, bytes + stream.Size());
    props_->push_back({prefix_ + Name, std::move(v), 0});
}

void TWriter::addValue(TLayoutValue Value) {
    if (!open_.empty())
        open_.back().List.push_back(std::move(Value));
    else
        written_.push_back(std::move(Value));
}

void TWriter::WriteBoolean(bool Value) { addValue(TLayoutValue::MakeIdent(Value ? "True" : "False")); }

void TWriter::WriteChar(char Value) { addValue(TLayoutValue::MakeString(AnsiToWide(String(1, Value)))); }

void TWriter::WriteWideChar(WideChar Value) { addValue(TLayoutValue::MakeString(Value ? WideString(1, Value) : WideString())); }

void TWriter::WriteInteger(Int64 Value) { addValue(TLayoutValue::MakeInteger(Value)); }

void TWriter::WriteFloat(long double Value) { addValue(TLayoutValue::MakeReal(Value, std::numeric_limits<long double>::digits10)); }

void TWriter::WriteDouble(double Value) { addValue(TLayoutValue::MakeReal(Value, std::numeric_limits<double>::digits10)); }

void TWriter::WriteSingle(float Value) { addValue(TLayoutValue::MakeReal(Value, std::numeric_limits<float>::digits10)); }

void TWriter::WriteString(const String& Value) { addValue(TLayoutValue::MakeString(AnsiToWide(Value))); }

void TWriter::WriteWideString(const WideString& Value) { addValue(TLayoutValue::MakeString(Value)); }

void TWriter::WriteUTF8String(const std::string& Value) { addValue(TLayoutValue::MakeString(platform::toWide(Value, CP_UTF8))); }

void TWriter::WriteIdent(const String& Ident) { addValue(TLayoutValue::MakeIdent(Ident)); }

void TWriter::WriteSet(const std::vector<String>& Names) {
    TLayoutValue v;
    v.Kind = TLayoutValue::lvSet;
    v.Set = Names;
    addValue(std::move(v));
}

void TWriter::WriteListBegin() {
    TLayoutValue v;
    v.Kind = TLayoutValue::lvList;
    open_.push_back(std::move(v));
}

void TWriter::WriteListEnd() {
    if (open_.empty()) throw EWriteError(SWriteError);
    TLayoutValue v = std::move(open_.back());
    open_.pop_back();
    addValue(std::move(v));
}

void TWriter::WriteCollection(TCollection* Collection) {
    TLayoutValue v;
    v.Kind = TLayoutValue::lvCollection;
    if (Collection) v.Items = collectionItems(Collection, nullptr);
    addValue(std::move(v));
}

// ---- Components and streams --------------------------------------------------------------

void TComponent::ReadState(TReader* Reader) { Reader->ReadData(this); }

void TComponent::WriteState(TWriter* Writer) { Writer->WriteData(this); }

TComponent* ReadComponentText(const String& Text, TComponent* Instance) {
    const TLayoutObject layout = ParseLayout(Text);
    TReader reader;
    return reader.ReadRootComponent(Instance, layout);
}

String WriteComponentText(TComponent* Instance) {
    TWriter writer;
    return LayoutToText(writer.WriteRootComponent(Instance));
}

TComponent* TStream::ReadComponent(TComponent* Instance) {
    const Int64 size = Size() - Position();
    String text;
    if (size > 0) {
        text.resize(static_cast<std::size_t>(size));
        ReadBuffer(text.data(), size);
    }
    return ReadComponentText(text, Instance);
}

void TStream::WriteComponent(TComponent* Instance) {
    const String text = WriteComponentText(Instance);
    WriteBuffer(text.data(), static_cast<Int64>(text.size()));
}

TComponent* ReadComponentRes(const String& ResName, TComponent* Instance) {
    const String path = ResName.rfind(":/", 0) == 0 ? ResName : ":/layouts/" + ResName + ".layout";
    TResourceStream stream(path);
    return stream.ReadComponent(Instance);
}

void ReadLayout(TComponent* Root, const String& LayoutName) { ReadComponentRes(":/layouts/" + LayoutName + ".layout", Root); }
