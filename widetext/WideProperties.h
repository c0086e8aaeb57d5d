// Wide property filing: beside each published wide-string or wide-character property P of
// a component, layouts carry defined properties with the exact UTF-16 value, and reading a
// layout takes them back.
//
//   wide string P:    "PW" (read only: a UTF-8 string) and "P_UTF7" (a UTF-7 string,
//                     written when the value holds a character above 127)
//   wide character P: "PW" (a string of at most one character, written unless the value is
//                     the default) and "P_UTF7" (read only)
//
// The values are applied only while a layout with a root component is read; every reader
// takes its value in any case. A "PW" value of a wide character that is not a string of at
// most one character raises EReadError "Ungültiger Wert der Eigenschaft".
#pragma once

#include "classlib/Classes.h"

// Defines the twins of every published wide-string and wide-character property of
// Instance (call it from DefineProperties, after the inherited one).
void DefineWidePropertiesHook(TFiler* Filer, TPersistent* Instance);

class TWideStringPropertyFiler : public TObject {
    Q_OBJECT

public:
    TWideStringPropertyFiler(TPersistent* Instance, const QMetaProperty& Prop);
    void DefineProperties(TFiler* Filer, TPersistent* Instance, const String& Name);

private:
    void ReadDataUTF8(TReader* Reader);
    void ReadDataUTF7(TReader* Reader);
    void WriteDataUTF7(TWriter* Writer);
    bool NeedsWrite(TFiler* Filer) const;
    TPersistent* FInstance;
    QMetaProperty FProp;
};

class TWideCharPropertyFiler : public TObject {
    Q_OBJECT

public:
    TWideCharPropertyFiler(TPersistent* Instance, const QMetaProperty& Prop);
    void DefineProperties(TFiler* Filer, TPersistent* Instance, const String& Name);

private:
    void ReadDataW(TReader* Reader);
    void ReadDataUTF7(TReader* Reader);
    void WriteDataW(TWriter* Writer);
    bool NeedsWrite(TFiler* Filer) const;
    TPersistent* FInstance;
    QMetaProperty FProp;
};
