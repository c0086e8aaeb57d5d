// The layout reader and writer (TFiler, TReader, TWriter) and forms from layout resources.
// Part of Classes.h; include that.
#pragma once

#include "classlib/Classes.h"
#include "classlib/Layout.h"
#include "classlib/Streams.h"
#include "classlib/TypInfo.h"

#include <QPointer>

#include <functional>
#include <memory>
#include <vector>

struct TPropType;  // TypInfo.h; Classes.h may include this header before that one is complete

// The kinds of values a DefineProperties reader meets (NextValue, ReadValue).
enum TFilerValueType {
    vaNull,  // end of a list
    vaList,
    vaInt8,
    vaInt16,
    vaInt32,
    vaExtended,
    vaString,  // up to 255 characters, none above 255
    vaIdent,
    vaFalse,
    vaTrue,
    vaBinary,
    vaSet,
    vaLString,  // longer strings, none above 255
    vaNil,
    vaCollection,
    vaSingle,
    vaCurrency,
    vaDate,
    vaWString,  // strings with characters above 255
    vaInt64,
    vaUTF8String,
    vaDouble
};

using TReaderProc = std::function<void(TReader* Reader)>;
using TWriterProc = std::function<void(TWriter* Writer)>;
using TStreamProc = std::function<void(TStream* Stream)>;

class TFiler : public TObject {
    Q_OBJECT

public:
    TFiler();
    ~TFiler() override;

    // From DefineProperties: a property the published properties do not cover. The reader
    // calls ReadData when the layout holds the property; the writer calls WriteData when
    // HasData is true (WriteData writes exactly one value).
    virtual void DefineProperty(const String& Name, TReaderProc ReadData, TWriterProc WriteData, bool HasData) = 0;
    // The same for binary data ({...} in the text): ReadData gets a stream over the bytes,
    // WriteData writes them to the stream it gets.
    virtual void DefineBinaryProperty(const String& Name, TStreamProc ReadData, TStreamProc WriteData, bool HasData) = 0;

    TComponent* Root() const { return root_; }
    TComponent* LookupRoot() const { return root_; }
    // While writing: the counterpart, in the ancestor, of the object being written (set the
    // ancestor root with SetAncestor before WriteRootComponent); properties equal to the
    // ancestor's are not written. None: the declared defaults decide.
    TPersistent* Ancestor() const { return ancestor_; }
    void SetAncestor(TPersistent* Value) { ancestor_ = Value; }

protected:
    TComponent* root_ = nullptr;
    TPersistent* ancestor_ = nullptr;
};

// Reads a layout into components. Errors raise EReadError (or the original exception, such
// as EComponentError or EClassNotFound) with " in line <n>" added to the message. References
// name a component of the root (or the root), or "Owner.Name" for one owned by a component
// of the root; one that names nothing raises EReadError.
class TReader : public TFiler {
    Q_OBJECT

public:
    TReader();
    ~TReader() override;

    // Reads Layout into Root (a new instance of the class the layout names when Root is
    // null); returns the root.
    TComponent* ReadRootComponent(TComponent* Root, const TLayoutObject& Layout);
    // The root component that owns what is read (null outside a layout).
    TComponent* Owner() const { return root_; }
    // The component whose children are being read.
    TComponent* Parent() const { return parent_; }
    // Properties and children of the component being read (TComponent::ReadState calls it).
    void ReadData(TComponent* Instance);

    void DefineProperty(const String& Name, TReaderProc ReadData, TWriterProc WriteData, bool HasData) override;
    void DefineBinaryProperty(const String& Name, TStreamProc ReadData, TStreamProc WriteData, bool HasData) override;

    // For DefineProperties readers: the value of the property being read. Each read takes
    // one value; a value of another kind raises EReadError "Ungültiger Wert der Eigenschaft",
    // and so does a reader that leaves values unread. Integers come as vaInt8, vaInt16,
    // vaInt32 or vaInt64 by size, strings as vaString (up to 255 characters), vaLString or
    // vaWString (any character above 255), True/False/nil as vaTrue/vaFalse/vaNil.
    TFilerValueType NextValue();
    // Takes the next value and gives its kind (entering a list or collection).
    TFilerValueType ReadValue();
    void SkipValue();
    bool EndOfList();
    void ReadListBegin();
    void ReadListEnd();
    bool ReadBoolean();
    char ReadChar();
    WideChar ReadWideChar();
    Integer ReadInteger();
    Int64 ReadInt64();
    long double ReadFloat();
    double ReadDouble();
    float ReadSingle();
    String ReadString();        // any string, in the ANSI code page
    WideString ReadWideString();  // any string
    std::string ReadUTF8String();  // any string, as UTF-8 bytes
    String ReadIdent();         // also True, False and nil
    std::vector<String> ReadSet();
    void ReadCollection(TCollection* Collection);

    // Applies one property (a dotted path) to Instance, as the layout would.
    void ReadProperty(TPersistent* Instance, const TLayoutProperty& Prop);

private:
    struct Token {
        TFilerValueType type;
        const TLayoutValue* value;
    };
    struct Fixup {
        QPointer<QObject> instance;
        QMetaProperty prop;
        String name;
        int line;
    };

    void readObject(TComponent* Instance, const TLayoutObject& Node);
    void readChild(const TLayoutObject& Node);
    void readProperties(TPersistent* Instance, const std::vector<TLayoutProperty>& Props);
    void applyValue(QObject* Instance, const QMetaProperty& Prop, const TLayoutValue& Value, int Line);
    void readDefined(TPersistent* Instance, const String& Name, const String& FullName, const TLayoutValue& Value);
    void readCollectionValue(TCollection* Collection, const TLayoutValue& Value);
    void resolveFixups();
    TComponent* findReference(const String& Name) const;
    void flatten(const TLayoutValue& Value);
    const Token& take();
    [[noreturn]] void valueError() const;
    void annotate(Exception& E, int Line);
    void finishRead(bool Failed);

    TComponent* parent_ = nullptr;
    const TLayoutObject* node_ = nullptr;
    std::vector<QPointer<TComponent>> loaded_;
    std::vector<Fixup> fixups_;
    // A DefineProperties read under way.
    String definedName_;
    bool definedFound_ = false;
    const TLayoutValue* definedValue_ = nullptr;
    std::vector<Token> tokens_;
    std::size_t pos_ = 0;
    const void* annotated_ = nullptr;
};

// Writes components as a layout. A property equal to its default is not written.
class TWriter : public TFiler {
    Q_OBJECT

public:
    TWriter();
    ~TWriter() override;

    TLayoutObject WriteRootComponent(TComponent* Root);
    // Properties and children of the component being written (TComponent::WriteState calls it).
    void WriteData(TComponent* Instance);
    // The stored properties of Instance (published, then defined), prefixed with Prefix.
    void WriteProperties(TPersistent* Instance, const String& Prefix = String());

    void DefineProperty(const String& Name, TReaderProc ReadData, TWriterProc WriteData, bool HasData) override;
    void DefineBinaryProperty(const String& Name, TStreamProc ReadData, TStreamProc WriteData, bool HasData) override;

    // For DefineProperties writers: each call writes one value (lists nest).
    void WriteBoolean(bool Value);
    void WriteChar(char Value);
    void WriteWideChar(WideChar Value);
    void WriteInteger(Int64 Value);
    void WriteFloat(long double Value);
    void WriteDouble(double Value);
    void WriteSingle(float Value);
    void WriteString(const String& Value);
    void WriteWideString(const WideString& Value);
    void WriteUTF8String(const std::string& Value);
    void WriteIdent(const String& Ident);
    void WriteSet(const std::vector<String>& Names);
    void WriteListBegin();
    void WriteListEnd();
    void WriteCollection(TCollection* Collection);

private:
    void writeComponent(TComponent* Instance, TLayoutObject& Node);
    void writeProperty(TPersistent* Instance, const QMetaProperty& Prop, const String& Prefix);
    bool isDefault(TPersistent* Instance, const QMetaProperty& Prop, const TPropType& Type, const TLayoutValue& Value);
    void addValue(TLayoutValue Value);
    String referenceName(TComponent* Component) const;
    std::vector<TLayoutItem> collectionItems(TCollection* Collection, TCollection* Ancestor);

    TLayoutObject* node_ = nullptr;
    TPersistent* rootAncestor_ = nullptr;
    std::vector<TLayoutProperty>* props_ = nullptr;
    String prefix_;
    // Values of a DefineProperty writer: the open lists, innermost last.
    std::vector<TLayoutValue> open_;
    std::vector<TLayoutValue> written_;
};

// Reads the layout resource ":/layouts/<LayoutName>.layout" into an existing root
// (a form constructor says ReadLayout(this, "PosterUnit")). EResNotFound when missing.
void ReadLayout(TComponent* Root, const String& LayoutName);
// The same for a resource path or name as TResourceStream takes it.
TComponent* ReadComponentRes(const String& ResName, TComponent* Instance);
// Layout text to components and back.
TComponent* ReadComponentText(const String& Text, TComponent* Instance);
String WriteComponentText(TComponent* Instance);
