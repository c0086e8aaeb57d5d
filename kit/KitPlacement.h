// Form placement and property storage: components that bring a window back the way the
// user left it (state, position, active control and named properties of its controls),
// stored as text values in the registry (one key per window class) or an ini file; and
// the named stored values and storage links that other objects put into that storage.
#pragma once

#include "classlib/Forms.h"
#include "classlib/StringList.h"

#include <QMetaProperty>
#include <QVariant>

#include <functional>
#include <vector>

class TFormPlacement;
class TKitWindowHook;

namespace KitPlacementTypes {
Q_NAMESPACE
enum TPlacementOption { fpState = 1, fpPosition = 2, fpActiveControl = 4 };
Q_DECLARE_FLAGS(TPlacementOptions, TPlacementOption)
Q_FLAG_NS(TPlacementOptions)
enum TPlacementRegRoot { prCurrentUser, prLocalMachine, prCurrentConfig, prClassesRoot, prUsers, prDynData };
Q_ENUM_NS(TPlacementRegRoot)
}  // namespace KitPlacementTypes
using KitPlacementTypes::TPlacementOption;
using KitPlacementTypes::TPlacementOptions;
using KitPlacementTypes::TPlacementRegRoot;
using enum KitPlacementTypes::TPlacementOption;
using enum KitPlacementTypes::TPlacementRegRoot;

// Size and position limits put on a window through its hook; empty when all are 0.
class TWinMinMaxInfo : public TPersistent {
    Q_OBJECT
    Q_PROPERTY(int MaxPosLeft READ MaxPosLeft WRITE SetMaxPosLeft)
    Q_PROPERTY(int MaxPosTop READ MaxPosTop WRITE SetMaxPosTop)
    Q_PROPERTY(int MaxSizeHeight READ MaxSizeHeight WRITE SetMaxSizeHeight)
    Q_PROPERTY(int MaxSizeWidth READ MaxSizeWidth WRITE SetMaxSizeWidth)
    Q_PROPERTY(int MaxTrackHeight READ MaxTrackHeight WRITE SetMaxTrackHeight)
    Q_PROPERTY(int MaxTrackWidth READ MaxTrackWidth WRITE SetMaxTrackWidth)
    Q_PROPERTY(int MinTrackHeight READ MinTrackHeight WRITE SetMinTrackHeight)
    Q_PROPERTY(int MinTrackWidth READ MinTrackWidth WRITE SetMinTrackWidth)
    Q_CLASSINFO("Default:MaxPosLeft", "0")
    Q_CLASSINFO("Default:MaxPosTop", "0")
    Q_CLASSINFO("Default:MaxSizeHeight", "0")
    Q_CLASSINFO("Default:MaxSizeWidth", "0")
    Q_CLASSINFO("Default:MaxTrackHeight", "0")
    Q_CLASSINFO("Default:MaxTrackWidth", "0")
    Q_CLASSINFO("Default:MinTrackHeight", "0")
    Q_CLASSINFO("Default:MinTrackWidth", "0")

public:
    TWinMinMaxInfo() = default;
    explicit TWinMinMaxInfo(TFormPlacement* Owner) : FOwner(Owner) {}
    void Assign(TPersistent* Source) override;
    bool DefaultMinMaxInfo() const;

    int MaxPosLeft() const { return F[0]; }
    int MaxPosTop() const { return F[1]; }
    int MaxSizeHeight() const { return F[2]; }
    int MaxSizeWidth() const { return F[3]; }
    int MaxTrackHeight() const { return F[4]; }
    int MaxTrackWidth() const { return F[5]; }
    int MinTrackHeight() const { return F[6]; }
    int MinTrackWidth() const { return F[7]; }
    void SetMaxPosLeft(int v) { Set(0, v); }
    void SetMaxPosTop(int v) { Set(1, v); }
    void SetMaxSizeHeight(int v) { Set(2, v); }
    void SetMaxSizeWidth(int v) { Set(3, v); }
    void SetMaxTrackHeight(int v) { Set(4, v); }
    void SetMaxTrackWidth(int v) { Set(5, v); }
    void SetMinTrackHeight(int v) { Set(6, v); }
    void SetMinTrackWidth(int v) { Set(7, v); }

private:
    void Set(int i, int v);
    TFormPlacement* FOwner = nullptr;
    int F[8] = {};
};

// A link through which an object saves and loads its own values while a placement's
// storage is open.
class TIniLink : public TPersistent {
    Q_OBJECT

public:
    TIniLink() = default;
    ~TIniLink() override;
    TFormPlacement* IniObject() const { return FIniObject; }
    void SetIniObject(TFormPlacement* v);
    // The placement's open storage (a TRegIniFile or TCustomIniFile), or null.
    TObject* Storage() const;
    // The placement's IniSection followed by "\", or empty.
    String RootSection() const;
    virtual void SaveToIni();
    virtual void LoadFromIni();

    TNotifyEvent OnSave;
    TNotifyEvent OnLoad;

private:
    TFormPlacement* FIniObject = nullptr;
};

using TStoredValueEvent = TEvent<void(TObject* Sender, QVariant& Value)>;

// One named value of a form storage.
class TStoredValue : public TCollectionItem {
    Q_OBJECT
    Q_PROPERTY(String Name READ Name WRITE SetName)
    Q_PROPERTY(QVariant Value READ Value WRITE SetValue)
    Q_CLASSINFO("Stored:Value", "IsValueStored")
    Q_PROPERTY(String KeyString READ KeyString WRITE SetKeyString)
    Q_PROPERTY(TStoredValueEvent OnSave MEMBER OnSave)
    Q_PROPERTY(TStoredValueEvent OnRestore MEMBER OnRestore)

public:
    explicit TStoredValue(TCollection* Collection);
    void Assign(TPersistent* Source) override;
    String Name() const { return FName; }
    // Another item's name (without regard to case) raises EStringListError.
    void SetName(const String& v);
    QVariant Value() const { return FValue; }
    void SetValue(const QVariant& v) { FValue = v; }
    String KeyString() const { return FKeyString; }
    void SetKeyString(const String& v) { FKeyString = v; }
    Q_INVOKABLE bool IsValueStored() const { return FValue.isValid() && !FValue.isNull(); }
    String DisplayName() const override;
    virtual void Save();
    virtual void Restore();

    TStoredValueEvent OnSave;
    TStoredValueEvent OnRestore;

private:
    TFormPlacement* Storage() const;
    String FName;
    QVariant FValue;
    String FKeyString;
};

class TStoredValues : public TOwnedCollection {
    Q_OBJECT

public:
    explicit TStoredValues(TPersistent* AOwner);
    int IndexOf(const String& Name) const;
    TStoredValue* Value(int Index) const { return Item<TStoredValue>(Index); }
    virtual void SaveValues();
    virtual void RestoreValues();
};

// The text of a variant as stored values write it (numbers with a "."); empty for none.
String VariantText(const QVariant& v);

// Remembers a window's state, position and active control.
class TFormPlacement : public TComponent {
    Q_OBJECT
    Q_PROPERTY(bool Active READ Active WRITE SetActive)
    Q_PROPERTY(String IniFileName READ IniFileName WRITE SetIniFileName)
    Q_PROPERTY(String IniSection READ IniSection WRITE SetIniSection)
    Q_PROPERTY(TWinMinMaxInfo* MinMaxInfo READ MinMaxInfo WRITE SetMinMaxInfo)
    Q_PROPERTY(TPlacementOptions Options READ Options WRITE SetOptions)
    Q_CLASSINFO("Stored:Options", "IsOptionsStored")
    Q_PROPERTY(bool PreventResize READ PreventResize WRITE SetPreventResize)
    Q_PROPERTY(TPlacementRegRoot RegistryRoot READ RegistryRoot WRITE SetRegistryRoot)
    Q_PROPERTY(bool UseRegistry READ UseRegistry WRITE SetUseRegistry)
    Q_PROPERTY(int Version READ Version WRITE SetVersion)
    Q_PROPERTY(TNotifyEvent OnSavePlacement MEMBER OnSavePlacement)
    Q_PROPERTY(TNotifyEvent OnRestorePlacement MEMBER OnRestorePlacement)
    Q_CLASSINFO("Default:Active", "True")
    Q_CLASSINFO("Default:PreventResize", "False")
    Q_CLASSINFO("Default:RegistryRoot", "prCurrentUser")
    Q_CLASSINFO("Default:UseRegistry", "False")
    Q_CLASSINFO("Default:Version", "0")

public:
    explicit TFormPlacement(TComponent* AOwner);
    ~TFormPlacement() override;

    bool Active() const { return FActive; }
    void SetActive(bool v) { FActive = v; }
    String IniFileName() const;
    void SetIniFileName(const String& v) { FIniFileName = v; }
    String IniSection() const;
    void SetIniSection(const String& v) { FIniSection = v; }
    // The section as set (empty: the default one).
    String IniSectionValue() const { return FIniSection; }
    TWinMinMaxInfo* MinMaxInfo() const { return FWinMinMaxInfo; }
    void SetMinMaxInfo(TWinMinMaxInfo* v) { FWinMinMaxInfo->Assign(v); }
    TPlacementOptions Options() const { return FOptions; }
    void SetOptions(TPlacementOptions v) { FOptions = v; }
    Q_INVOKABLE bool IsOptionsStored() const;
    bool PreventResize() const { return FPreventResize; }
    void SetPreventResize(bool v);
    TPlacementRegRoot RegistryRoot() const { return FRegistryRoot; }
    void SetRegistryRoot(TPlacementRegRoot v) { FRegistryRoot = v; }
    bool UseRegistry() const { return FUseRegistry; }
    void SetUseRegistry(bool v) { FUseRegistry = v; }
    int Version() const { return FVersion; }
    void SetVersion(int v) { FVersion = v; }

    // The open storage (TRegIniFile or TIniFile) during a save or restore, else null.
    TObject* IniFileObject() const { return FIniFile; }
    bool IsRestored() const { return FRestored; }

    virtual void SavePlacement();
    virtual void RestorePlacement();
    virtual String ReadString(const String& Section, const String& Ident, const String& Default);
    virtual void WriteString(const String& Section, const String& Ident, const String& Value);
    int ReadInteger(const String& Ident, int Default);
    void WriteInteger(const String& Ident, int Value);
    String ReadOwnString(const String& Ident, const String& Default) {
        return ReadString(IniSection(), Ident, Default);
    }
    void WriteOwnString(const String& Ident, const String& Value) { WriteString(IniSection(), Ident, Value); }
    void EraseSections();

    void SaveFormPlacement();
    void RestoreFormPlacement();

    TNotifyEvent OnSavePlacement;
    TNotifyEvent OnRestorePlacement;

    void Loaded() override;
    void UpdatePlacement();

protected:
    virtual void DoSavePlacement();
    virtual void DoRestorePlacement();
    TCustomForm* Form() const;
    void OpenStorage(bool ForReading);
    void CloseStorage();
    bool FSaved = false;
    bool FRestored = false;
    bool FDestroying = false;

private:
    friend class TIniLink;
    friend class TWinMinMaxInfo;
    void FormShow(TObject* Sender);
    void FormCloseQuery(TObject* Sender, bool& CanClose);
    void FormDestroy(TObject* Sender);
    void WndMessage(TObject* Sender, TMessage& Msg, bool& Handled);
    void CheckToggleHook();
    void MinMaxInfoModified();
    void AddLink(TIniLink* Link);
    void RemoveLink(TIniLink* Link);
    void NotifyLinks(bool Save);
    bool FActive = true;
    String FIniFileName;
    String FIniSection;
    TWinMinMaxInfo* FWinMinMaxInfo;
    TPlacementOptions FOptions;
    bool FPreventResize = false;
    TPlacementRegRoot FRegistryRoot = prCurrentUser;
    bool FUseRegistry = false;
    int FVersion = 0;
    TObject* FIniFile = nullptr;
    bool FReadOnlyStorage = false;
    std::vector<TIniLink*> FLinks;
    TKitWindowHook* FWinHook = nullptr;
    bool FDefMaximize = true;
    // The owner's section, kept from its loading (its class is gone while it is destroyed).
    mutable String FDefaultSection;
    bool FHooked = false;
    TNotifyEvent FSaveFormShow;
    TCloseQueryEvent FSaveFormCloseQuery;
    TNotifyEvent FSaveFormDestroy;
};

// Remembers named published properties of the window's controls beside its placement.
class TFormStorage : public TFormPlacement {
    Q_OBJECT
    Q_PROPERTY(TStrings* StoredProps READ StoredProps WRITE SetStoredProps)
    Q_PROPERTY(TStoredValues* StoredValues READ StoredValues WRITE SetStoredValues)

public:
    explicit TFormStorage(TComponent* AOwner);
    ~TFormStorage() override;

    TStrings* StoredProps() const { return FStoredProps; }
    void SetStoredProps(TStrings* v);
    TStoredValues* StoredValues() const { return FStoredValues; }
    void SetStoredValues(TStoredValues* v) { FStoredValues->Assign(v); }
    QVariant StoredValue(const String& Name) const;
    void SetStoredValue(const String& Name, const QVariant& Value);

    void SavePlacement() override;
    void RestorePlacement() override;
    virtual void SaveProperties();
    virtual void RestoreProperties();

    void Loaded() override;
    void WriteState(TWriter* Writer) override;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void ResolveStoredProps();
    void UpdateStoredList();
    TStringList* FStoredProps;
    TStoredValues* FStoredValues;
};

// Moves published properties of an object to and from text values.
class TPropsStorage : public TObject {
    Q_OBJECT

public:
    using TReadStrEvent = std::function<String(const String& Section, const String& Ident, const String& Default)>;
    using TWriteStrEvent = std::function<void(const String& Section, const String& Ident, const String& Value)>;
    using TEraseSectEvent = std::function<void(const String& Section)>;
    using TSectionNamesEvent = std::function<std::vector<String>(const String& Section)>;

    QObject* AObject = nullptr;
    TComponent* Owner = nullptr;
    String Prefix;
    String Section;
    TReadStrEvent OnReadString;
    TWriteStrEvent OnWriteString;
    TEraseSectEvent OnEraseSection;
    // The value names a section holds (bounds the item counts read back).
    TSectionNamesEvent OnReadSectionNames;

    virtual String ReadString(const String& ASection, const String& Item, const String& Default);
    virtual void WriteString(const String& ASection, const String& Item, const String& Value);
    virtual void EraseSection(const String& ASection);
    virtual String ValueName(const QMetaProperty& Prop) const;
    virtual TPropsStorage* NewStorage();

    void LoadAnyProperty(const QMetaProperty& Prop);
    void StoreAnyProperty(const QMetaProperty& Prop);
    // Lines "Component.Property" whose objects are the components.
    void LoadProperties(TStrings* PropList);
    void StoreProperties(TStrings* PropList);
    void LoadObjectsProps(TComponent* AComponent, TStrings* StoredList);
    void StoreObjectsProps(TComponent* AComponent, TStrings* StoredList);

private:
    String PropText(const QMetaProperty& Prop);
    void SetPropText(const QMetaProperty& Prop, const String& Text);
    String StoreObject(QObject* Obj, const QMetaProperty& Prop);
    void LoadObject(QObject* Obj, const QMetaProperty& Prop);
};

// The section of a component: a window's class name; a control's parent window class and
// its name; any other owned component "Window.Name".
String DefaultSectionOf(TComponent* Component);
// "(%dx%d)" of the screen's size.
String ScreenSizeSuffix();

// Dispatch to a TRegIniFile or a TCustomIniFile; anything else gives the default.
String StoreReadString(TObject* Ini, const String& Section, const String& Ident, const String& Default);
void StoreWriteString(TObject* Ini, const String& Section, const String& Ident, const String& Value);
int StoreReadInteger(TObject* Ini, const String& Section, const String& Ident, int Default);
void StoreWriteInteger(TObject* Ini, const String& Section, const String& Ident, int Value);
void StoreEraseSection(TObject* Ini, const String& Section);
std::vector<String> StoreSectionNames(TObject* Ini, const String& Section);

void WriteWindowPlacement(TCustomForm* Form, TObject* Ini, const String& Section);
void ReadWindowPlacement(TCustomForm* Form, TObject* Ini, const String& Section, bool LoadState, bool LoadPosition);

// Texts of floating-point values as stored properties write them: the digits the type
// holds (float 7, double 15, long double 18), always with ".".
String StoredFloatText(long double Value, int Digits);
bool StoredTextToFloat(const String& Text, long double& Value);

void RegisterKitPlacement();
