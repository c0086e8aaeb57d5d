// Wide property filing: the "W" and "_UTF7" twins of published wide properties.
#include "widetext/WideProperties.h"

#include "widetext/WideEncodings.h"

#include <algorithm>

namespace {

bool hasCharacterAbove127(const WideString& S) {
    return std::any_of(S.begin(), S.end(), [](char16_t c) { return c > 127; });
}

// The same property of the writer's ancestor, when it has one of the same kind.
QMetaProperty ancestorProperty(TFiler* Filer, const QMetaProperty& Prop) {
    TPersistent* ancestor = Filer ? Filer->Ancestor() : nullptr;
    if (!ancestor) return {};
    const QMetaProperty p = GetPropInfo(ancestor, Prop.name());
    if (!p.isValid() || GetPropType(p).Kind != GetPropType(Prop).Kind) return {};
    return p;
}

// Values are applied only while a layout with a root component is read.
bool applies(TReader* Reader) { return Reader->Owner() != nullptr; }

}  // namespace

void DefineWidePropertiesHook(TFiler* Filer, TPersistent* Instance) {
    if (!Filer || !Instance) return;
    for (const QMetaProperty& p : GetPropList(Instance)) {
        switch (GetPropType(p).Kind) {
        case tkWString: {
            TWideStringPropertyFiler filer(Instance, p);
            filer.DefineProperties(Filer, Instance, p.name());
            break;
        }
        case tkWChar: {
            TWideCharPropertyFiler filer(Instance, p);
            filer.DefineProperties(Filer, Instance, p.name());
            break;
        }
        default: break;
        }
    }
}

// ---- Wide strings ------------------------------------------------------------------------

TWideStringPropertyFiler::TWideStringPropertyFiler(TPersistent* Instance, const QMetaProperty& Prop)
    : FInstance(Instance), FProp(Prop) {}

void TWideStringPropertyFiler::DefineProperties(TFiler* Filer, TPersistent* Instance, const String& Name) {
    FInstance = Instance;
    if (!FProp.isValid()) return;
    Filer->DefineProperty(Name + "W", [this](TReader* R) { ReadDataUTF8(R); }, nullptr, false);
    Filer->DefineProperty(Name + "_UTF7", [this](TReader* R) { ReadDataUTF7(R); },
                          [this](TWriter* W) { WriteDataUTF7(W); }, NeedsWrite(Filer));
}

void TWideStringPropertyFiler::ReadDataUTF8(TReader* Reader) {
    const WideString value = Utf8ToWide(Reader->ReadUTF8String());
    if (applies(Reader)) SetWideStrProp(FInstance, FProp, value);
}

void TWideStringPropertyFiler::ReadDataUTF7(TReader* Reader) {
    const WideString value = Utf7ToWide(Reader->ReadString());
    if (applies(Reader)) SetWideStrProp(FInstance, FProp, value);
}

void TWideStringPropertyFiler::WriteDataUTF7(TWriter* Writer) {
    Writer->WriteString(WideToUtf7(GetWideStrProp(FInstance, FProp)));
}

bool TWideStringPropertyFiler::NeedsWrite(TFiler* Filer) const {
    if (!qobject_cast<TWriter*>(Filer) || !IsStoredProp(FInstance, FProp)) return false;
    const WideString value = GetWideStrProp(FInstance, FProp);
    if (const QMetaProperty a = ancestorProperty(Filer, FProp); a.isValid())
        if (GetWideStrProp(Filer->Ancestor(), a) == value) return false;
    return hasCharacterAbove127(value);
}

// ---- Wide characters -----------------------------------------------------------------------

TWideCharPropertyFiler::TWideCharPropertyFiler(TPersistent* Instance, const QMetaProperty& Prop)
    : FInstance(Instance), FProp(Prop) {}

void TWideCharPropertyFiler::DefineProperties(TFiler* Filer, TPersistent* Instance, const String& Name) {
    FInstance = Instance;
    if (!FProp.isValid()) return;
    Filer->DefineProperty(Name + "W", [this](TReader* R) { ReadDataW(R); }, [this](TWriter* W) { WriteDataW(W); },
                          NeedsWrite(Filer));
    Filer->DefineProperty(Name + "_UTF7", [this](TReader* R) { ReadDataUTF7(R); }, nullptr, false);
}

void TWideCharPropertyFiler::ReadDataW(TReader* Reader) {
    switch (Reader->NextValue()) {
    case vaString:
    case vaLString:
    case vaWString:
    case vaUTF8String: break;
    default: throw EReadError(SInvalidPropertyValue);
    }
    const WideString text = Reader->ReadWideString();
    if (text.size() > 1) throw EReadError(SInvalidPropertyValue);
    if (applies(Reader)) SetOrdProp(FInstance, FProp, text.empty() ? 0 : text[0]);
}

void TWideCharPropertyFiler::ReadDataUTF7(TReader* Reader) {
    const WideString text = Utf7ToWide(Reader->ReadString());
    if (applies(Reader)) SetOrdProp(FInstance, FProp, text.empty() ? 0 : text[0]);
}

void TWideCharPropertyFiler::WriteDataW(TWriter* Writer) {
    const auto c = static_cast<WideChar>(GetOrdProp(FInstance, FProp));
    Writer->WriteWideString(WideString(1, c));
}

bool TWideCharPropertyFiler::NeedsWrite(TFiler* Filer) const {
    if (!qobject_cast<TWriter*>(Filer) || !IsStoredProp(FInstance, FProp)) return false;
    const long long value = GetOrdProp(FInstance, FProp);
    if (const QMetaProperty a = ancestorProperty(Filer, FProp); a.isValid()) {
        // An ancestor of the same lineage: its value is the default.
        return GetOrdProp(Filer->Ancestor(), a) != value;
    }
    if (!FProp.isReadable() || !FProp.isWritable()) return false;
    const String declared = GetPropDefaultText(FInstance, FProp);
    if (declared.empty()) return true;
    try {
        const TLayoutValue d = ParseLayoutValue(declared);
        if (d.Kind == TLayoutValue::lvInteger) return d.Integer != value;
        if (d.Kind == TLayoutValue::lvString) return (d.Str.empty() ? 0 : d.Str[0]) != value || d.Str.size() > 1;
    } catch (const Exception&) {
    }
    return true;
}
