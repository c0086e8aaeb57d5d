// Published properties by name: their kinds and typed access, over Qt's property system.
// Qt's own properties (objectName) are not published properties. Part of Classes.h.
#pragma once

#include "classlib/Classes.h"

#include <QMetaEnum>
#include <QMetaProperty>
#include <vector>

enum TTypeKind {
    tkUnknown,
    tkInteger,
    tkChar,
    tkEnumeration,  // also Boolean, with the identifiers False and True
    tkFloat,
    tkString,
    tkSet,
    tkClass,
    tkMethod,
    tkWChar,
    tkLString,
    tkWString,
    tkVariant,
    tkInt64
};

enum TFloatType { ftSingle, ftDouble, ftExtended, ftComp, ftCurr };

// What a published property holds.
struct TPropType {
    TTypeKind Kind = tkUnknown;
    bool IsBoolean = false;
    bool IsUnsigned = false;
    int Size = 0;                                // bytes of an integer, enumeration or set
    TFloatType FloatType = ftExtended;
    QMetaEnum Enum;                              // enumerations and sets (invalid for Boolean)
    const TIntegerConsts* IntegerConsts = nullptr;  // integer types with identifiers
    const TIdentMap* Idents = nullptr;           // their identifiers, or a map named by Q_CLASSINFO("Idents:<name>")
    const TEventTypeInfo* Event = nullptr;       // tkMethod
    const QMetaObject* ClassType = nullptr;      // tkClass: the class pointed to
    bool IsQString = false;                      // tkWString held as QString
};

TPropType GetPropType(const QMetaProperty& Prop);

// The published properties of an object's class in declaration order (base classes first);
// a property that a descendant declares again comes once, as the descendant declares it.
std::vector<QMetaProperty> GetPropList(const QObject* Instance);
// A published property by name without regard to case; an invalid property when none.
QMetaProperty GetPropInfo(const QObject* Instance, const String& PropName);
bool IsPublishedProp(const QObject* Instance, const String& PropName);
// The property's stored state: STORED, Q_CLASSINFO("Stored:<name>", "<method>") or a
// Q_INVOKABLE bool Is<name>Stored() const.
bool IsStoredProp(const QObject* Instance, const QMetaProperty& Prop);
// The declared default as layout text (Q_CLASSINFO("Default:<name>", "<text>")), or "".
String GetPropDefaultText(const QObject* Instance, const QMetaProperty& Prop);

// Typed access; a value that does not fit the property raises EPropertyError.
long long GetOrdProp(const QObject* Instance, const QMetaProperty& Prop);  // integers, chars, enums, sets, Booleans
void SetOrdProp(QObject* Instance, const QMetaProperty& Prop, long long Value);
long double GetFloatProp(const QObject* Instance, const QMetaProperty& Prop);
void SetFloatProp(QObject* Instance, const QMetaProperty& Prop, long double Value);
String GetStrProp(const QObject* Instance, const QMetaProperty& Prop);  // String, WideString, QString
void SetStrProp(QObject* Instance, const QMetaProperty& Prop, const String& Value);
WideString GetWideStrProp(const QObject* Instance, const QMetaProperty& Prop);
void SetWideStrProp(QObject* Instance, const QMetaProperty& Prop, const WideString& Value);
String GetEnumProp(const QObject* Instance, const QMetaProperty& Prop);  // identifier ("True"/"False")
void SetEnumProp(QObject* Instance, const QMetaProperty& Prop, const String& Value);  // without regard to case
QObject* GetObjectProp(const QObject* Instance, const QMetaProperty& Prop);
void SetObjectProp(QObject* Instance, const QMetaProperty& Prop, QObject* Value);

// Identifiers of an enumeration or set type, by value; Boolean gives False, True.
std::vector<String> GetEnumNames(const QMetaProperty& Prop);
String GetEnumName(const QMetaProperty& Prop, long long Value);
// The value of an identifier without regard to case, or -1.
long long GetEnumValue(const QMetaProperty& Prop, const String& Name);
// The identifiers of the members of a set value in ascending order, and back.
std::vector<String> SetToNames(const QMetaProperty& Prop, long long Value);
// Unknown identifiers are skipped when Skipped is given (and listed there), else they
// raise EPropertyError.
long long NamesToSet(const QMetaProperty& Prop, const std::vector<String>& Names, std::vector<String>* Skipped = nullptr);

// Integers of any integral metatype (enumerations and QFlags included) to and from the bytes
// of a QVariant.
long long VariantToInt(const QVariant& Value, const TPropType& Type);
QVariant IntToVariant(QMetaType MetaType, const TPropType& Type, long long Value);
