// Published properties by name over Qt's property system.
#include "classlib/Classes.h"

#include <QMetaClassInfo>
#include <algorithm>
#include <bit>
#include <cstring>

namespace {

[[noreturn]] void propertyError(const QMetaProperty& Prop) {
    throw EPropertyError(SInvalidPropertyValue);
}

String propName(const QMetaProperty& Prop) { return Prop.name(); }

// The enumerator of an enumeration or flags type, also for types declared with Q_ENUM_NS
// or Q_FLAG_NS in a namespace that the property's class does not name.
QMetaEnum enumOf(const QMetaProperty& Prop) {
    QMetaEnum e = Prop.enumerator();
    if (e.isValid()) return e;
    const QMetaType mt = Prop.metaType();
    const QMetaObject* scope = mt.metaObject();
    if (!scope) return {};
    // "Scope::TAlign" for an enumeration, "QFlags<Scope::TEdge>" for flags.
    QByteArray name = mt.name();
    const bool flags = name.startsWith("QFlags<") && name.endsWith('>');
    if (flags) name = name.mid(7, name.size() - 8);
    const int colon = name.lastIndexOf("::");
    if (colon >= 0) name = name.mid(colon + 2);
    if (flags) {
        for (int i = 0; i < scope->enumeratorCount(); ++i) {
            const QMetaEnum candidate = scope->enumerator(i);
            if (candidate.isFlag() && name == candidate.enumName()) return candidate;
        }
        return {};
    }
    for (int i = 0; i < scope->enumeratorCount(); ++i) {
        const QMetaEnum candidate = scope->enumerator(i);
        if (name == candidate.name() || name == candidate.enumName()) return candidate;
    }
    return {};
}

bool fits(long long Value, const TPropType& Type) {
    if (Type.Size >= 8 || Type.Size <= 0) return true;
    const int bits = Type.Size * 8;
    if (Type.IsUnsigned) return Value >= 0 && Value <= static_cast<long long>((1ULL << bits) - 1);
    const long long lim = 1LL << (bits - 1);
    return Value >= -lim && Value < lim;
}

bool enumValueOf(const TPropType& Type, const String& Name, long long& Value) {
    if (Type.IsBoolean) {
        if (SameText(Name, "True")) {
            Value = 1;
            return true;
        }
        if (SameText(Name, "False")) {
            Value = 0;
            return true;
        }
        return false;
    }
    if (!Type.Enum.isValid()) return false;
    for (int i = 0; i < Type.Enum.keyCount(); ++i)
        if (SameText(Type.Enum.key(i), Name)) {
            Value = Type.Enum.value(i);
            return true;
        }
    return false;
}

bool singleBit(long long v) { return v > 0 && std::has_single_bit(static_cast<unsigned long long>(v)); }

}  // namespace

TPropType GetPropType(const QMetaProperty& Prop) {
    TPropType t;
    const QMetaType mt = Prop.metaType();
    if (!mt.isValid()) return t;
    if (const TIntegerConsts* c = FindIntegerConsts(mt)) {
        t.Kind = tkInteger;
        t.IntegerConsts = c;
        t.Idents = &c->Map;
        t.Size = static_cast<int>(mt.sizeOf());
        t.IsUnsigned = (mt.flags() & QMetaType::IsUnsignedEnumeration) != 0;
        return t;
    }
    if (const TEventTypeInfo* e = FindEventType(mt)) {
        t.Kind = tkMethod;
        t.Event = e;
        return t;
    }
    auto integer = [&](TTypeKind kind, int size, bool isUnsigned) {
        t.Kind = kind;
        t.Size = size;
        t.IsUnsigned = isUnsigned;
        if (kind != tkChar && kind != tkWChar)
            if (const QMetaObject* mo = Prop.enclosingMetaObject()) {
                const int info = mo->indexOfClassInfo((String("Idents:") + Prop.name()).c_str());
                if (info >= 0) t.Idents = FindIdentMap(mo->classInfo(info).value());
            }
        return t;
    };
    switch (mt.id()) {
    case QMetaType::Bool:
        t.Kind = tkEnumeration;
        t.IsBoolean = true;
        t.Size = 1;
        return t;
    case QMetaType::Char: return integer(tkChar, 1, false);
    case QMetaType::SChar: return integer(tkInteger, 1, false);
    case QMetaType::UChar: return integer(tkInteger, 1, true);
    case QMetaType::Short: return integer(tkInteger, 2, false);
    case QMetaType::UShort: return integer(tkInteger, 2, true);
    case QMetaType::Int: return integer(tkInteger, 4, false);
    case QMetaType::UInt: return integer(tkInteger, 4, true);
    case QMetaType::Long: return integer(sizeof(long) == 8 ? tkInt64 : tkInteger, static_cast<int>(sizeof(long)), false);
    case QMetaType::ULong: return integer(sizeof(long) == 8 ? tkInt64 : tkInteger, static_cast<int>(sizeof(long)), true);
    case QMetaType::LongLong: return integer(tkInt64, 8, false);
    case QMetaType::ULongLong: return integer(tkInt64, 8, true);
    case QMetaType::Char16: return integer(tkWChar, 2, true);
    case QMetaType::Float:
        t.Kind = tkFloat;
        t.FloatType = ftSingle;
        return t;
    case QMetaType::Double:
        t.Kind = tkFloat;
        t.FloatType = ftDouble;
        return t;
    case QMetaType::QString:
        t.Kind = tkWString;
        t.IsQString = true;
        return t;
    default: break;
    }
    if (mt == QMetaType::fromType<long double>()) {
        t.Kind = tkFloat;
        t.FloatType = ftExtended;
        return t;
    }
    if (mt == QMetaType::fromType<String>()) {
        t.Kind = tkLString;
        return t;
    }
    if (mt == QMetaType::fromType<WideString>()) {
        t.Kind = tkWString;
        return t;
    }
    if (mt.flags() & QMetaType::PointerToQObject) {
        t.Kind = tkClass;
        t.ClassType = mt.metaObject();
        return t;
    }
    if (Prop.isEnumType() || (mt.flags() & QMetaType::IsEnumeration) || mt.metaObject()) {
        const QMetaEnum e = enumOf(Prop);
        if (e.isValid()) {
            t.Enum = e;
            t.Kind = e.isFlag() ? tkSet : tkEnumeration;
            t.Size = static_cast<int>(mt.sizeOf());
            t.IsUnsigned = (mt.flags() & QMetaType::IsUnsignedEnumeration) != 0;
            return t;
        }
    }
    return t;
}

std::vector<QMetaProperty> GetPropList(const QObject* Instance) {
    std::vector<QMetaProperty> list;
    if (!Instance) return list;
    const QMetaObject* mo = Instance->metaObject();
    // A property a descendant declares again is listed once, as the descendant declares it,
    // at the place of its first declaration.
    std::vector<int> seen;
    for (int i = QObject::staticMetaObject.propertyCount(); i < mo->propertyCount(); ++i) {
        const int actual = mo->indexOfProperty(mo->property(i).name());
        if (std::find(seen.begin(), seen.end(), actual) != seen.end()) continue;
        seen.push_back(actual);
        list.push_back(mo->property(actual));
    }
    return list;
}

QMetaProperty GetPropInfo(const QObject* Instance, const String& PropName) {
    if (!Instance || PropName.empty()) return {};
    const QMetaObject* mo = Instance->metaObject();
    const int first = QObject::staticMetaObject.propertyCount();
    const int exact = mo->indexOfProperty(PropName.c_str());
    if (exact >= first) return mo->property(exact);
    for (int i = mo->propertyCount() - 1; i >= first; --i)
        if (SameText(mo->property(i).name(), PropName)) return mo->property(i);
    return {};
}

bool IsPublishedProp(const QObject* Instance, const String& PropName) { return GetPropInfo(Instance, PropName).isValid(); }

bool IsStoredProp(const QObject* Instance, const QMetaProperty& Prop) {
    if (!Instance || !Prop.isValid() || !Prop.isStored()) return false;
    const QMetaObject* mo = Instance->metaObject();
    String method;
    const int info = mo->indexOfClassInfo(("Stored:" + propName(Prop)).c_str());
    if (info >= 0) method = mo->classInfo(info).value();
    bool declared = !method.empty();
    if (!declared) method = "Is" + propName(Prop) + "Stored";
    const int index = mo->indexOfMethod((method + "()").c_str());
    if (index < 0) {
        if (declared) throw EPropertyError(SUnknownProperty, {method});
        return true;
    }
    const QMetaMethod m = mo->method(index);
    if (m.returnMetaType() != QMetaType::fromType<bool>()) return true;
    bool stored = true;
    m.invoke(const_cast<QObject*>(Instance), Qt::DirectConnection, Q_RETURN_ARG(bool, stored));
    return stored;
}

String GetPropDefaultText(const QObject* Instance, const QMetaProperty& Prop) {
    if (!Instance || !Prop.isValid()) return {};
    const QMetaObject* mo = Instance->metaObject();
    const int info = mo->indexOfClassInfo(("Default:" + propName(Prop)).c_str());
    return info >= 0 ? String(mo->classInfo(info).value()) : String();
}

long long VariantToInt(const QVariant& Value, const TPropType& Type) {
    if (Type.IntegerConsts) return Type.IntegerConsts->ToInt(Value);
    if (Type.IsBoolean) return Value.toBool() ? 1 : 0;
    const QMetaType mt = Value.metaType();
    const std::size_t size = std::min<std::size_t>(static_cast<std::size_t>(mt.sizeOf()), 8);
    if (!Value.isValid() || size == 0) return 0;
    unsigned long long bits = 0;
    std::memcpy(&bits, Value.constData(), size);  // little-endian: the low bytes
    if (size < 8 && !Type.IsUnsigned && Type.Kind != tkSet) {
        const unsigned shift = static_cast<unsigned>(64 - size * 8);
        return static_cast<long long>(bits << shift) >> shift;
    }
    return static_cast<long long>(bits);
}

QVariant IntToVariant(QMetaType MetaType, const TPropType& Type, long long Value) {
    if (Type.IntegerConsts) return Type.IntegerConsts->FromInt(Value);
    if (Type.IsBoolean) return QVariant(Value != 0);
    QVariant v(MetaType);
    const std::size_t size = std::min<std::size_t>(static_cast<std::size_t>(MetaType.sizeOf()), 8);
    if (size > 0) std::memcpy(v.data(), &Value, size);
    return v;
}

long long GetOrdProp(const QObject* Instance, const QMetaProperty& Prop) {
    const TPropType t = GetPropType(Prop);
    switch (t.Kind) {
    case tkInteger:
    case tkInt64:
    case tkChar:
    case tkWChar:
    case tkEnumeration:
    case tkSet: return VariantToInt(Prop.read(Instance), t);
    default: propertyError(Prop);
    }
}

void SetOrdProp(QObject* Instance, const QMetaProperty& Prop, long long Value) {
    const TPropType t = GetPropType(Prop);
    switch (t.Kind) {
    case tkInteger:
    case tkInt64:
    case tkChar:
    case tkWChar:
        if (!t.IntegerConsts && !fits(Value, t)) propertyError(Prop);
        break;
    case tkEnumeration:
    case tkSet: break;
    default: propertyError(Prop);
    }
    if (!Prop.write(Instance, IntToVariant(Prop.metaType(), t, Value))) throw EPropertyError(SPropertyReadOnly, {propName(Prop)});
}

long double GetFloatProp(const QObject* Instance, const QMetaProperty& Prop) {
    const TPropType t = GetPropType(Prop);
    if (t.Kind != tkFloat) propertyError(Prop);
    const QVariant v = Prop.read(Instance);
    if (t.FloatType == ftExtended) return v.value<long double>();
    if (t.FloatType == ftSingle) return v.value<float>();
    return v.value<double>();
}

void SetFloatProp(QObject* Instance, const QMetaProperty& Prop, long double Value) {
    const TPropType t = GetPropType(Prop);
    if (t.Kind != tkFloat) propertyError(Prop);
    QVariant v;
    if (t.FloatType == ftExtended)
        v = QVariant::fromValue(Value);
    else if (t.FloatType == ftSingle)
        v = QVariant::fromValue(static_cast<float>(Value));
    else
        v = QVariant::fromValue(static_cast<double>(Value));
    if (!Prop.write(Instance, v)) throw EPropertyError(SPropertyReadOnly, {propName(Prop)});
}

WideString GetWideStrProp(const QObject* Instance, const QMetaProperty& Prop) {
    const TPropType t = GetPropType(Prop);
    const QVariant v = Prop.read(Instance);
    switch (t.Kind) {
    case tkLString: return AnsiToWide(v.value<String>());
    case tkWString: return t.IsQString ? v.toString().toStdU16String() : v.value<WideString>();
    case tkChar: {
        const char c = static_cast<char>(VariantToInt(v, t));
        return c ? AnsiToWide(String(1, c)) : WideString();
    }
    case tkWChar: {
        const auto c = static_cast<char16_t>(VariantToInt(v, t));
        return c ? WideString(1, c) : WideString();
    }
    default: propertyError(Prop);
    }
}

void SetWideStrProp(QObject* Instance, const QMetaProperty& Prop, const WideString& Value) {
    const TPropType t = GetPropType(Prop);
    QVariant v;
    switch (t.Kind) {
    case tkLString: v = QVariant::fromValue(WideToAnsi(Value)); break;
    case tkWString: v = t.IsQString ? QVariant(QString::fromStdU16String(Value)) : QVariant::fromValue(Value); break;
    case tkChar: {
        const String s = WideToAnsi(Value);
        if (s.size() > 1) propertyError(Prop);
        v = IntToVariant(Prop.metaType(), t, s.empty() ? 0 : static_cast<unsigned char>(s[0]));
        break;
    }
    case tkWChar:
        if (Value.size() > 1) propertyError(Prop);
        v = IntToVariant(Prop.metaType(), t, Value.empty() ? 0 : Value[0]);
        break;
    default: propertyError(Prop);
    }
    if (!Prop.write(Instance, v)) throw EPropertyError(SPropertyReadOnly, {propName(Prop)});
}

String GetStrProp(const QObject* Instance, const QMetaProperty& Prop) {
    const TPropType t = GetPropType(Prop);
    if (t.Kind == tkLString) return Prop.read(Instance).value<String>();
    if (t.Kind == tkChar) {
        const char c = static_cast<char>(VariantToInt(Prop.read(Instance), t));
        return c ? String(1, c) : String();
    }
    return WideToAnsi(GetWideStrProp(Instance, Prop));
}

void SetStrProp(QObject* Instance, const QMetaProperty& Prop, const String& Value) {
    const TPropType t = GetPropType(Prop);
    if (t.Kind == tkLString) {
        if (!Prop.write(Instance, QVariant::fromValue(Value))) throw EPropertyError(SPropertyReadOnly, {propName(Prop)});
        return;
    }
    if (t.Kind == tkChar) {
        if (Value.size() > 1) propertyError(Prop);
        if (!Prop.write(Instance, IntToVariant(Prop.metaType(), t, Value.empty() ? 0 : static_cast<unsigned char>(Value[0]))))
            throw EPropertyError(SPropertyReadOnly, {propName(Prop)});
        return;
    }
    SetWideStrProp(Instance, Prop, AnsiToWide(Value));
}

String GetEnumProp(const QObject* Instance, const QMetaProperty& Prop) {
    const TPropType t = GetPropType(Prop);
    if (t.Kind != tkEnumeration) propertyError(Prop);
    return GetEnumName(Prop, VariantToInt(Prop.read(Instance), t));
}

void SetEnumProp(QObject* Instance, const QMetaProperty& Prop, const String& Value) {
    const TPropType t = GetPropType(Prop);
    if (t.Kind != tkEnumeration) propertyError(Prop);
    long long v;
    if (!enumValueOf(t, Value, v)) throw EPropertyError(SUnknownValue, {Value, propName(Prop)});
    SetOrdProp(Instance, Prop, v);
}

QObject* GetObjectProp(const QObject* Instance, const QMetaProperty& Prop) {
    const TPropType t = GetPropType(Prop);
    if (t.Kind != tkClass) propertyError(Prop);
    const QVariant v = Prop.read(Instance);
    if (!v.isValid()) return nullptr;
    QObject* o = nullptr;
    std::memcpy(&o, v.constData(), sizeof o);
    return o;
}

void SetObjectProp(QObject* Instance, const QMetaProperty& Prop, QObject* Value) {
    const TPropType t = GetPropType(Prop);
    if (t.Kind != tkClass) propertyError(Prop);
    if (Value && t.ClassType && !Value->metaObject()->inherits(t.ClassType)) propertyError(Prop);
    // Pointer types of the library's single-inheritance classes share the QObject address.
    QVariant v(Prop.metaType());
    std::memcpy(v.data(), &Value, sizeof Value);
    if (!Prop.write(Instance, v)) throw EPropertyError(SPropertyReadOnly, {propName(Prop)});
}

std::vector<String> GetEnumNames(const QMetaProperty& Prop) {
    const TPropType t = GetPropType(Prop);
    std::vector<String> names;
    if (t.IsBoolean) return {"False", "True"};
    if (!t.Enum.isValid()) return names;
    std::vector<std::pair<long long, String>> keys;
    for (int i = 0; i < t.Enum.keyCount(); ++i) keys.emplace_back(t.Enum.value(i), t.Enum.key(i));
    std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& k : keys) names.push_back(std::move(k.second));
    return names;
}

String GetEnumName(const QMetaProperty& Prop, long long Value) {
    const TPropType t = GetPropType(Prop);
    if (t.IsBoolean) return Value ? "True" : "False";
    if (t.Enum.isValid())
        for (int i = 0; i < t.Enum.keyCount(); ++i)
            if (t.Enum.value(i) == Value) return t.Enum.key(i);
    return IntToStr(Value);
}

long long GetEnumValue(const QMetaProperty& Prop, const String& Name) {
    long long v;
    return enumValueOf(GetPropType(Prop), Name, v) ? v : -1;
}

std::vector<String> SetToNames(const QMetaProperty& Prop, long long Value) {
    const TPropType t = GetPropType(Prop);
    std::vector<std::pair<long long, String>> members;
    if (t.Enum.isValid())
        for (int i = 0; i < t.Enum.keyCount(); ++i) {
            const long long bit = static_cast<unsigned>(t.Enum.value(i));
            if (singleBit(bit) && (Value & bit) == bit) members.emplace_back(bit, t.Enum.key(i));
        }
    std::stable_sort(members.begin(), members.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<String> names;
    for (std::size_t k = 0; k < members.size(); ++k)
        if (k == 0 || members[k].first != members[k - 1].first) names.push_back(members[k].second);
    return names;
}

long long NamesToSet(const QMetaProperty& Prop, const std::vector<String>& Names, std::vector<String>* Skipped) {
    const TPropType t = GetPropType(Prop);
    long long result = 0;
    for (const String& name : Names) {
        bool found = false;
        if (t.Enum.isValid())
            for (int i = 0; i < t.Enum.keyCount(); ++i)
                if (SameText(t.Enum.key(i), name)) {
                    result |= static_cast<unsigned>(t.Enum.value(i));
                    found = true;
                    break;
                }
        if (found) continue;
        if (!Skipped) throw EPropertyError(SUnknownValue, {name, propName(Prop)});
        Skipped->push_back(name);
    }
    return result;
}
