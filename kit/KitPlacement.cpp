// Form placement, property storage, stored values and storage links.
#include "kit/KitPlacement.h"

#include "classlib/Filer.h"
#include "classlib/IniFiles.h"
#include "classlib/Registry.h"
#include "classlib/TypInfo.h"
#include "kit/KitHook.h"
#include "kit/KitUtils.h"
#include "platform/process.h"
#include "platform/winpaint.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>

namespace {

const TCharSet kPosDelims = {' ', ','};

String ExeBaseName() {
    char buffer[4096] = {};
    const DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    String name = ExtractFileName(String(buffer, n));
    const std::size_t dot = name.rfind('.');
    if (dot != String::npos && dot > 0) name.erase(dot);
    return name;
}

// Leading and trailing blanks and control characters go.
String TrimText(const String& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
    return s.substr(b, e - b);
}

bool StrToIntStrict(const String& text, long long& out) {
    const String t = TrimText(text);
    if (t.empty()) return false;
    const char* b = t.c_str();
    const char* e = b + t.size();
    if (*b == '+') ++b;
    auto [end, ec] = std::from_chars(b, e, out);
    return ec == std::errc() && end == e;
}

int IntOr(const String& text, int def) {
    long long v = 0;
    if (!StrToIntStrict(text, v) || v < INT_MIN || v > INT_MAX) return def;
    return static_cast<int>(v);
}

int DigitsOf(TFloatType t) {
    switch (t) {
    case ftSingle: return 7;
    case ftDouble: return 15;
    case ftComp: return 18;
    case ftCurr: return 19;
    case ftExtended: break;
    }
    return 18;
}

}  // namespace

// Texts

String StoredFloatText(long double Value, int Digits) {
    char buffer[128];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, Value, std::chars_format::general, Digits);
    return ec == std::errc() ? String(buffer, end) : String("0");
}

bool StoredTextToFloat(const String& Text, long double& Value) {
    String t = TrimText(Text);
    // Texts written with a comma by older settings read the same.
    for (char& c : t)
        if (c == ',') c = '.';
    const char* b = t.c_str();
    const char* e = b + t.size();
    if (b != e && *b == '+') ++b;
    if (b == e) return false;
    long double v = 0;
    auto [end, ec] = std::from_chars(b, e, v);
    if (ec != std::errc() || end != e || !std::isfinite(v)) return false;
    Value = v;
    return true;
}

String VariantText(const QVariant& v) {
    if (!v.isValid() || v.isNull()) return String();
    switch (v.metaType().id()) {
    case QMetaType::Double: return StoredFloatText(v.toDouble(), 15);
    case QMetaType::Float: return StoredFloatText(v.toFloat(), 7);
    case QMetaType::Bool: return v.toBool() ? "True" : "False";
    default: break;
    }
    if (v.metaType() == QMetaType::fromType<String>()) return v.value<String>();
    if (v.metaType() == QMetaType::fromType<long double>()) return StoredFloatText(v.value<long double>(), 18);
    const QByteArray text = v.toString().toUtf8();
    return String(text.constData(), static_cast<std::size_t>(text.size()));
}

String DefaultSectionOf(TComponent* Component) {
    if (!Component) return String();
    if (qobject_cast<TCustomForm*>(Component)) return Component->ClassName();
    if (auto* c = qobject_cast<TControl*>(Component)) {
        if (TCustomForm* f = GetParentForm(c)) return f->ClassName() + c->Name();
        return c->Name();
    }
    if (TComponent* o = Component->Owner()) {
        if (qobject_cast<TCustomForm*>(o)) return Format("%s.%s", {o->ClassName(), Component->Name()});
        return DefaultSectionOf(o);
    }
    return Component->Name();
}

String ScreenSizeSuffix() {
    const int w = Screen ? Screen->Width() : GetSystemMetrics(SM_CXSCREEN);
    const int h = Screen ? Screen->Height() : GetSystemMetrics(SM_CYSCREEN);
    return Format("(%dx%d)", {w, h});
}

// Storage dispatch

String StoreReadString(TObject* Ini, const String& Section, const String& Ident, const String& Default) {
    if (auto* r = qobject_cast<TRegIniFile*>(Ini)) return r->ReadString(Section, Ident, Default);
    if (auto* f = qobject_cast<TCustomIniFile*>(Ini)) return f->ReadString(Section, Ident, Default);
    return Default;
}

void StoreWriteString(TObject* Ini, const String& Section, const String& Ident, const String& Value) {
    if (auto* r = qobject_cast<TRegIniFile*>(Ini)) r->WriteString(Section, Ident, Value);
    else if (auto* f = qobject_cast<TCustomIniFile*>(Ini)) f->WriteString(Section, Ident, Value);
}

int StoreReadInteger(TObject* Ini, const String& Section, const String& Ident, int Default) {
    if (!qobject_cast<TRegIniFile*>(Ini) && !qobject_cast<TCustomIniFile*>(Ini)) return Default;
    return IntOr(StoreReadString(Ini, Section, Ident, String()), Default);
}

void StoreWriteInteger(TObject* Ini, const String& Section, const String& Ident, int Value) {
    StoreWriteString(Ini, Section, Ident, IntToStr(Value));
}

void StoreEraseSection(TObject* Ini, const String& Section) {
    if (auto* r = qobject_cast<TRegIniFile*>(Ini)) r->EraseSection(Section);
    else if (auto* f = qobject_cast<TCustomIniFile*>(Ini)) f->EraseSection(Section);
}

std::vector<String> StoreSectionNames(TObject* Ini, const String& Section) {
    TStringList names;
    if (auto* r = qobject_cast<TRegIniFile*>(Ini)) r->ReadSection(Section, &names);
    else if (auto* f = qobject_cast<TCustomIniFile*>(Ini)) f->ReadSection(Section, &names);
    std::vector<String> out;
    for (int i = 0; i < names.Count(); ++i) out.push_back(names[i]);
    return out;
}

// Window placement

namespace {

String ReadSizedString(TObject* Ini, const String& Section, const String& Ident, const String& Default) {
    const String sized = StoreReadString(Ini, Section, Ident + ScreenSizeSuffix(), String());
    if (!sized.empty()) return sized;
    return StoreReadString(Ini, Section, Ident, Default);
}

void WriteSizedString(TObject* Ini, const String& Section, const String& Ident, const String& Value) {
    StoreWriteString(Ini, Section, Ident + ScreenSizeSuffix(), Value);
    StoreWriteString(Ini, Section, Ident, Value);
}

String FourInts(int a, int b, int c, int d) { return Format("%d,%d,%d,%d", {a, b, c, d}); }

bool ReadFourInts(TObject* Ini, const String& Section, const String& Ident, int out[4]) {
    const String text = ReadSizedString(Ini, Section, Ident, String());
    if (text.empty()) return false;
    for (int i = 0; i < 4; ++i) out[i] = IntOr(NthWord(i + 1, text, kPosDelims), 0);
    return true;
}

bool IsMainForm(TCustomForm* f) { return Application && Application->MainForm() == f; }

// The rectangle moved (and shrunk when larger) so that it lies whole on the screen it
// mostly covers (the nearest one when it covers none).
RECT KeepOnScreen(RECT r) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.isEmpty()) return r;
    const QRect want(r.left, r.top, std::max(1, WidthOfRect(r)), std::max(1, HeightOfRect(r)));
    QScreen* best = nullptr;
    long long bestArea = 0;
    for (QScreen* s : screens) {
        const QRect cut = s->geometry().intersected(want);
        const long long area = cut.isEmpty() ? 0 : 1LL * cut.width() * cut.height();
        if (area > bestArea) {
            bestArea = area;
            best = s;
        }
    }
    if (!best) {
        long long bestDist = -1;
        for (QScreen* s : screens) {
            const QPoint d = s->geometry().center() - want.center();
            const long long dist = 1LL * d.x() * d.x() + 1LL * d.y() * d.y();
            if (bestDist < 0 || dist < bestDist) {
                bestDist = dist;
                best = s;
            }
        }
    }
    const QRect area = best->availableGeometry();
    const int w = std::min(want.width(), area.width()), h = std::min(want.height(), area.height());
    const int left = std::clamp(r.left, area.left(), area.left() + area.width() - w);
    const int top = std::clamp(r.top, area.top(), area.top() + area.height() - h);
    return RECT{left, top, left + w, top + h};
}

}  // namespace

void WriteWindowPlacement(TCustomForm* Form, TObject* Ini, const String& Section) {
    if (!Form || !Form->HandleAllocated()) return;
    WINDOWPLACEMENT p{};
    p.length = sizeof p;
    if (!GetWindowPlacement(Form->Handle(), &p)) return;
    if (IsMainForm(Form) && IsIconic(Application->Handle()))
        p.showCmd = SW_SHOWMINIMIZED;
    if (Form->FormStyle() == TCustomForm::fsMDIChild && Form->WindowState() == wsMinimized)
        p.flags |= WPF_SETMINPOSITION;
    StoreWriteInteger(Ini, Section, "Flags", static_cast<int>(p.flags));
    StoreWriteInteger(Ini, Section, "ShowCmd", static_cast<int>(p.showCmd));
    StoreWriteInteger(Ini, Section, "PixelsPerInch", Screen ? Screen->PixelsPerInch() : 96);
    WriteSizedString(Ini, Section, "MinMaxPos",
                     FourInts(p.ptMinPosition.x, p.ptMinPosition.y, p.ptMaxPosition.x, p.ptMaxPosition.y));
    const RECT& n = p.rcNormalPosition;
    WriteSizedString(Ini, Section, "NormPos", FourInts(n.left, n.top, n.right, n.bottom));
}

void ReadWindowPlacement(TCustomForm* Form, TObject* Ini, const String& Section, bool LoadState, bool LoadPosition) {
    if (!Form || (!LoadState && !LoadPosition)) return;
    HWND wnd = Form->Handle();
    WINDOWPLACEMENT p{};
    p.length = sizeof p;
    if (!GetWindowPlacement(wnd, &p)) return;
    if (!IsWindowVisible(wnd)) p.showCmd = SW_HIDE;
    if (LoadPosition) {
        p.flags = static_cast<UINT>(StoreReadInteger(Ini, Section, "Flags", static_cast<int>(p.flags)));
        int mm[4], np[4];
        const bool haveMinMax = ReadFourInts(Ini, Section, "MinMaxPos", mm);
        if (haveMinMax) {
            p.ptMinPosition = POINT{mm[0], mm[1]};
            p.ptMaxPosition = POINT{mm[2], mm[3]};
        }
        const bool haveNorm = ReadFourInts(Ini, Section, "NormPos", np);
        if (haveNorm) p.rcNormalPosition = RECT{np[0], np[1], np[2], np[3]};
        const int ppi = Screen ? Screen->PixelsPerInch() : 96;
        if ((haveMinMax || haveNorm) && StoreReadInteger(Ini, Section, "PixelsPerInch", ppi) == ppi) {
            RECT& r = p.rcNormalPosition;
            const TFormBorderStyle bs = Form->BorderStyle();
            if (bs != bsSizeable && bs != bsSizeToolWin) {
                // A fixed border keeps its size and takes only the position.
                WINDOWPLACEMENT cur{};
                cur.length = sizeof cur;
                GetWindowPlacement(wnd, &cur);
                r.right = r.left + WidthOfRect(cur.rcNormalPosition);
                r.bottom = r.top + HeightOfRect(cur.rcNormalPosition);
            }
            if (r.right > r.left && r.bottom > r.top) {
                r = KeepOnScreen(r);
                if (Form->Position() == poScreenCenter || Form->Position() == TCustomForm::poDesktopCenter)
                    Form->SetPosition(poDesigned);
                SetWindowPlacement(wnd, &p);
            }
        }
    }
    if (LoadState) {
        TWindowState def = wsNormal;
        if ((IsMainForm(Form) || !Application || !Application->MainForm()) &&
            (Form->FormStyle() == TCustomForm::fsMDIForm ||
             (Form->FormStyle() == fsNormal && Form->Position() == TCustomForm::poDefault)))
            def = wsMaximized;
        TWindowState state = def;
        switch (StoreReadInteger(Ini, Section, "ShowCmd", 0)) {
        case SW_SHOWNORMAL:
        case SW_SHOW:
        case SW_RESTORE: state = wsNormal; break;
        case SW_SHOWMINIMIZED:
        case SW_MINIMIZE:
        case SW_SHOWMINNOACTIVE: state = wsMinimized; break;
        case SW_SHOWMAXIMIZED: state = wsMaximized; break;
        default: break;
        }
        Form->SetWindowState(state);
    }
    Form->Update();
}

// TWinMinMaxInfo

void TWinMinMaxInfo::Assign(TPersistent* Source) {
    if (auto* s = qobject_cast<TWinMinMaxInfo*>(Source)) {
        std::copy(std::begin(s->F), std::end(s->F), std::begin(F));
        if (FOwner) FOwner->MinMaxInfoModified();
        return;
    }
    TPersistent::Assign(Source);
}

bool TWinMinMaxInfo::DefaultMinMaxInfo() const {
    return std::all_of(std::begin(F), std::end(F), [](int v) { return v == 0; });
}

void TWinMinMaxInfo::Set(int i, int v) {
    if (F[i] == v) return;
    F[i] = v;
    if (FOwner) FOwner->MinMaxInfoModified();
}

// TIniLink

TIniLink::~TIniLink() {
    OnSave = nullptr;
    OnLoad = nullptr;
    SetIniObject(nullptr);
}

void TIniLink::SetIniObject(TFormPlacement* v) {
    if (v == FIniObject) return;
    if (FIniObject) FIniObject->RemoveLink(this);
    FIniObject = v;
    if (v) v->AddLink(this);
}

TObject* TIniLink::Storage() const { return FIniObject ? FIniObject->IniFileObject() : nullptr; }

String TIniLink::RootSection() const {
    if (!FIniObject || FIniObject->IniSectionValue().empty()) return String();
    return FIniObject->IniSectionValue() + "\\";
}

void TIniLink::SaveToIni() {
    if (OnSave) OnSave(this);
}

void TIniLink::LoadFromIni() {
    if (OnLoad) OnLoad(this);
}

// TStoredValue and TStoredValues

TStoredValue::TStoredValue(TCollection* Collection) : TCollectionItem(Collection) {}

void TStoredValue::Assign(TPersistent* Source) {
    if (auto* s = qobject_cast<TStoredValue*>(Source)) {
        FValue = s->FValue.isValid() ? s->FValue : QVariant();
        SetName(s->FName);
        FKeyString = s->FKeyString;
        return;
    }
    TCollectionItem::Assign(Source);
}

void TStoredValue::SetName(const String& v) {
    if (!SameText(v, FName))
        if (auto* values = qobject_cast<TStoredValues*>(Collection()); values && values->IndexOf(v) >= 0)
            throw EStringListError(SDuplicateString);
    FName = v;
}

String TStoredValue::DisplayName() const { return FName.empty() ? TCollectionItem::DisplayName() : FName; }

TFormPlacement* TStoredValue::Storage() const {
    auto* values = qobject_cast<TStoredValues*>(Collection());
    return values ? qobject_cast<TFormPlacement*>(values->GetOwner()) : nullptr;
}

void TStoredValue::Save() {
    TFormPlacement* s = Storage();
    if (!s) return;
    QVariant copy = FValue;
    if (OnSave) OnSave(this, copy);
    String text = VariantText(copy);
    if (!FKeyString.empty()) text = ScrambleText(FKeyString, text);
    s->WriteOwnString(FName, text);
}

void TStoredValue::Restore() {
    TFormPlacement* s = Storage();
    if (!s) return;
    String def = VariantText(FValue);
    if (!FKeyString.empty()) def = ScrambleText(FKeyString, def);
    String text = s->ReadOwnString(FName, def);
    if (!FKeyString.empty()) text = UnscrambleText(FKeyString, text);
    QVariant v = QVariant::fromValue(text);
    if (OnRestore) OnRestore(this, v);
    FValue = v;
}

TStoredValues::TStoredValues(TPersistent* AOwner) : TOwnedCollection(AOwner, CollectionItemClass<TStoredValue>()) {}

int TStoredValues::IndexOf(const String& Name) const {
    for (int i = 0; i < Count(); ++i)
        if (SameText(Value(i)->Name(), Name)) return i;
    return -1;
}

void TStoredValues::SaveValues() {
    for (int i = 0; i < Count(); ++i) Value(i)->Save();
}

void TStoredValues::RestoreValues() {
    for (int i = 0; i < Count(); ++i) Value(i)->Restore();
}

// TFormPlacement

TFormPlacement::TFormPlacement(TComponent* AOwner) : TComponent(AOwner) {
    FWinMinMaxInfo = new TWinMinMaxInfo(this);
    if (qobject_cast<TCustomForm*>(AOwner)) FOptions = TPlacementOptions(fpState | fpPosition);
    FWinHook = new TKitWindowHook(nullptr);
    FWinHook->AfterMessage = THookMessageEvent(this, &TFormPlacement::WndMessage);
    FWinHook->SetActive(false);
}

TFormPlacement::~TFormPlacement() {
    CloseStorage();
    while (!FLinks.empty()) FLinks.back()->SetIniObject(nullptr);
    delete FWinHook;
    if (FHooked) {
        if (TCustomForm* f = Form()) {
            f->OnShow = FSaveFormShow;
            f->OnCloseQuery = FSaveFormCloseQuery;
            f->OnDestroy = FSaveFormDestroy;
        }
    }
    delete FWinMinMaxInfo;
}

bool TFormPlacement::IsOptionsStored() const {
    const TPlacementOptions def =
        qobject_cast<TCustomForm*>(Owner()) ? TPlacementOptions(fpState | fpPosition) : TPlacementOptions();
    return FOptions != def;
}

TCustomForm* TFormPlacement::Form() const { return qobject_cast<TCustomForm*>(Owner()); }

String TFormPlacement::IniFileName() const {
    if (!FIniFileName.empty()) return FIniFileName;
    if (FUseRegistry) return "Software\\" + ExeBaseName();
    return ExeBaseName() + ".INI";
}

String TFormPlacement::IniSection() const {
    if (!FIniSection.empty()) return FIniSection;
    if (FDefaultSection.empty() && Owner() && !Owner()->ComponentState().Contains(csDestroying))
        FDefaultSection = DefaultSectionOf(Owner());
    return FDefaultSection.empty() ? DefaultSectionOf(Owner()) : FDefaultSection;
}

void TFormPlacement::Loaded() {
    TComponent::Loaded();
    if (ComponentState().Contains(csDesigning)) return;
    FDefaultSection = DefaultSectionOf(Owner());
    if (TCustomForm* f = Form(); f && !FHooked) {
        FHooked = true;
        FSaveFormShow = f->OnShow;
        FSaveFormCloseQuery = f->OnCloseQuery;
        FSaveFormDestroy = f->OnDestroy;
        f->OnShow = TNotifyEvent(this, &TFormPlacement::FormShow);
        f->OnCloseQuery = TCloseQueryEvent(this, &TFormPlacement::FormCloseQuery);
        f->OnDestroy = TNotifyEvent(this, &TFormPlacement::FormDestroy);
    }
    CheckToggleHook();
}

void TFormPlacement::CheckToggleHook() {
    const bool want = FPreventResize || !FWinMinMaxInfo->DefaultMinMaxInfo();
    TCustomForm* f = Form();
    if (want && f) {
        FWinHook->SetWinControl(f);
        FWinHook->SetActive(true);
    } else {
        FWinHook->SetActive(false);
    }
}

void TFormPlacement::MinMaxInfoModified() {
    if (!ComponentState().Contains(csLoading)) CheckToggleHook();
}

void TFormPlacement::SetPreventResize(bool v) {
    if (v == FPreventResize) return;
    FPreventResize = v;
    if (!ComponentState().Contains(csLoading)) CheckToggleHook();
}

void TFormPlacement::WndMessage(TObject*, TMessage& Msg, bool& Handled) {
    TCustomForm* f = Form();
    if (!f) return;
    if (Msg.Msg == WM_GETMINMAXINFO) {
        auto* info = reinterpret_cast<MINMAXINFO*>(Msg.LParam);
        if (!info) return;
        if (FPreventResize) {
            if (f->HandleAllocated() && IsWindowVisible(f->Handle())) {
                info->ptMinTrackSize = POINT{f->Width(), f->Height()};
                info->ptMaxTrackSize = POINT{f->Width(), f->Height()};
            }
        } else if (!FWinMinMaxInfo->DefaultMinMaxInfo()) {
            const TWinMinMaxInfo* m = FWinMinMaxInfo;
            if (m->MinTrackWidth()) info->ptMinTrackSize.x = m->MinTrackWidth();
            if (m->MinTrackHeight()) info->ptMinTrackSize.y = m->MinTrackHeight();
            if (m->MaxTrackWidth()) info->ptMaxTrackSize.x = m->MaxTrackWidth();
            if (m->MaxTrackHeight()) info->ptMaxTrackSize.y = m->MaxTrackHeight();
            if (m->MaxSizeWidth()) info->ptMaxSize.x = m->MaxSizeWidth();
            if (m->MaxSizeHeight()) info->ptMaxSize.y = m->MaxSizeHeight();
            if (m->MaxPosLeft()) info->ptMaxPosition.x = m->MaxPosLeft();
            if (m->MaxPosTop()) info->ptMaxPosition.y = m->MaxPosTop();
        } else {
            info->ptMaxPosition = POINT{0, 0};
        }
        Handled = true;
    } else if (Msg.Msg == WM_NCHITTEST && FPreventResize) {
        if (Msg.Result >= HTLEFT && Msg.Result <= HTBOTTOMRIGHT) Msg.Result = HTNOWHERE;
    }
}

void TFormPlacement::FormShow(TObject* Sender) {
    if (FActive) {
        try {
            RestoreFormPlacement();
        } catch (std::exception& e) {
            if (Application) Application->HandleException(this, e);
        }
    }
    if (FSaveFormShow) FSaveFormShow(Sender);
}

void TFormPlacement::FormCloseQuery(TObject* Sender, bool& CanClose) {
    if (FSaveFormCloseQuery) FSaveFormCloseQuery(Sender, CanClose);
    if (CanClose && FActive && Form() && Form()->HandleAllocated()) {
        try {
            SaveFormPlacement();
        } catch (std::exception& e) {
            if (Application) Application->HandleException(this, e);
        }
    }
}

void TFormPlacement::FormDestroy(TObject* Sender) {
    if (FActive && !FSaved) {
        FDestroying = true;
        try {
            SaveFormPlacement();
        } catch (std::exception& e) {
            if (Application) Application->HandleException(this, e);
        }
        FDestroying = false;
    }
    if (FSaveFormDestroy) FSaveFormDestroy(Sender);
}

void TFormPlacement::OpenStorage(bool ForReading) {
    if (FIniFile) return;
    FReadOnlyStorage = ForReading;
    if (FUseRegistry) {
        // Every root but the current user's is empty and read-only here; the settings stay
        // with the user.
        FIniFile = ForReading ? new TRegIniFile(IniFileName(), KEY_READ) : new TRegIniFile(IniFileName());
    } else {
        FIniFile = new TIniFile(IniFileName());
    }
}

void TFormPlacement::CloseStorage() {
    TObject* f = FIniFile;
    FIniFile = nullptr;
    if (auto* ini = qobject_cast<TCustomIniFile*>(f)) ini->UpdateFile();
    delete f;
}

String TFormPlacement::ReadString(const String& Section, const String& Ident, const String& Default) {
    if (FIniFile) return StoreReadString(FIniFile, Section, Ident, Default);
    OpenStorage(true);
    String r;
    try {
        r = StoreReadString(FIniFile, Section, Ident, Default);
    } catch (...) {
        CloseStorage();
        throw;
    }
    CloseStorage();
    return r;
}

void TFormPlacement::WriteString(const String& Section, const String& Ident, const String& Value) {
    if (FIniFile) {
        StoreWriteString(FIniFile, Section, Ident, Value);
        return;
    }
    OpenStorage(false);
    try {
        StoreWriteString(FIniFile, Section, Ident, Value);
    } catch (...) {
        CloseStorage();
        throw;
    }
    CloseStorage();
}

int TFormPlacement::ReadInteger(const String& Ident, int Default) {
    return IntOr(ReadString(IniSection(), Ident, String()), Default);
}

void TFormPlacement::WriteInteger(const String& Ident, int Value) { WriteString(IniSection(), Ident, IntToStr(Value)); }

void TFormPlacement::EraseSections() {
    OpenStorage(false);
    try {
        StoreEraseSection(FIniFile, IniSection());
    } catch (...) {
        CloseStorage();
        throw;
    }
    CloseStorage();
}

void TFormPlacement::AddLink(TIniLink* Link) {
    if (std::find(FLinks.begin(), FLinks.end(), Link) == FLinks.end()) FLinks.push_back(Link);
}

void TFormPlacement::RemoveLink(TIniLink* Link) { FLinks.erase(std::remove(FLinks.begin(), FLinks.end(), Link), FLinks.end()); }

void TFormPlacement::NotifyLinks(bool Save) {
    const std::vector<TIniLink*> links = FLinks;
    for (TIniLink* l : links) {
        if (std::find(FLinks.begin(), FLinks.end(), l) == FLinks.end()) continue;
        if (Save) l->SaveToIni();
        else l->LoadFromIni();
    }
}

void TFormPlacement::DoSavePlacement() {
    if (OnSavePlacement) OnSavePlacement(this);
}

void TFormPlacement::DoRestorePlacement() {
    if (OnRestorePlacement) OnRestorePlacement(this);
}

void TFormPlacement::SavePlacement() {
    if (TCustomForm* f = Form()) {
        const String section = IniSection();
        if (FOptions.testFlag(fpState) || FOptions.testFlag(fpPosition)) {
            WriteWindowPlacement(f, FIniFile, section);
            StoreWriteInteger(FIniFile, section, "Visible", FDestroying ? 1 : 0);
        }
        if (FOptions.testFlag(fpActiveControl) && f->ActiveControl())
            StoreWriteString(FIniFile, section, "ActiveControl", f->ActiveControl()->Name());
    }
    NotifyLinks(true);
}

void TFormPlacement::RestorePlacement() {
    if (TCustomForm* f = Form())
        ReadWindowPlacement(f, FIniFile, IniSection(), FOptions.testFlag(fpState), FOptions.testFlag(fpPosition));
    NotifyLinks(false);
}

void TFormPlacement::SaveFormPlacement() {
    if (!FRestored && FActive) return;
    OpenStorage(false);
    try {
        StoreWriteInteger(FIniFile, IniSection(), "FormVersion", FVersion);
        SavePlacement();
        DoSavePlacement();
        FSaved = true;
    } catch (...) {
        CloseStorage();
        throw;
    }
    CloseStorage();
}

void TFormPlacement::RestoreFormPlacement() {
    FSaved = false;
    OpenStorage(true);
    try {
        if (StoreReadInteger(FIniFile, IniSection(), "FormVersion", 0) >= FVersion) {
            RestorePlacement();
            FRestored = true;
            DoRestorePlacement();
            if (FOptions.testFlag(fpActiveControl)) {
                const String name = StoreReadString(FIniFile, IniSection(), "ActiveControl", String());
                TCustomForm* f = Form();
                if (f && !name.empty())
                    if (auto* c = qobject_cast<TWinControl*>(f->FindComponent(name)); c && c->CanFocus())
                        f->SetActiveControl(c);
            }
        }
        FRestored = true;
    } catch (...) {
        FRestored = true;
        CloseStorage();
        throw;
    }
    CloseStorage();
}

void TFormPlacement::UpdatePlacement() {
    if (TCustomForm* f = Form(); f && f->HandleAllocated()) f->Update();
}

// TFormStorage

TFormStorage::TFormStorage(TComponent* AOwner) : TFormPlacement(AOwner) {
    FStoredProps = new TStringList();
    FStoredValues = new TStoredValues(this);
}

TFormStorage::~TFormStorage() {
    FDestroying = true;
    delete FStoredValues;
    delete FStoredProps;
}

void TFormStorage::SetStoredProps(TStrings* v) {
    FStoredProps->Assign(v);
    for (int i = 0; i < FStoredProps->Count(); ++i)
        if (auto* c = qobject_cast<TComponent*>(FStoredProps->Objects(i))) c->FreeNotification(this);
}

QVariant TFormStorage::StoredValue(const String& Name) const {
    const int i = FStoredValues->IndexOf(Name);
    return i >= 0 ? FStoredValues->Value(i)->Value() : QVariant();
}

void TFormStorage::SetStoredValue(const String& Name, const QVariant& Value) {
    int i = FStoredValues->IndexOf(Name);
    if (i < 0) {
        auto* item = static_cast<TStoredValue*>(FStoredValues->Add());
        item->SetName(Name);
        i = item->Index();
    }
    FStoredValues->Value(i)->SetValue(Value);
}

void TFormStorage::Loaded() {
    TFormPlacement::Loaded();
    ResolveStoredProps();
}

void TFormStorage::ResolveStoredProps() {
    TComponent* root = Owner();
    for (int i = FStoredProps->Count() - 1; i >= 0; --i) {
        const String line = (*FStoredProps)[i];
        const std::size_t dot = line.find('.');
        const String comp = dot == String::npos ? String() : Trim(line.substr(0, dot));
        const String prop = dot == String::npos ? String() : Trim(line.substr(dot + 1));
        TComponent* c = root && !comp.empty() && !prop.empty() ? root->FindComponent(comp) : nullptr;
        if (!c) {
            FStoredProps->Delete(i);
            continue;
        }
        FStoredProps->SetObjects(i, c);
        c->FreeNotification(this);
    }
}

void TFormStorage::UpdateStoredList() {
    for (int i = FStoredProps->Count() - 1; i >= 0; --i) {
        auto* c = qobject_cast<TComponent*>(FStoredProps->Objects(i));
        const String line = (*FStoredProps)[i];
        const std::size_t dot = line.find('.');
        if (!c || dot == String::npos) {
            FStoredProps->Delete(i);
            continue;
        }
        FStoredProps->Put(i, c->Name() + "." + Trim(line.substr(dot + 1)));
    }
}

void TFormStorage::Notification(TComponent* AComponent, TOperation Operation) {
    TFormPlacement::Notification(AComponent, Operation);
    if (Operation != opRemove || FDestroying || !FStoredProps) return;
    for (int i = FStoredProps->Count() - 1; i >= 0; --i)
        if (FStoredProps->Objects(i) == AComponent) FStoredProps->Delete(i);
}

void TFormStorage::WriteState(TWriter* Writer) {
    UpdateStoredList();
    TFormPlacement::WriteState(Writer);
}

void TFormStorage::SavePlacement() {
    TFormPlacement::SavePlacement();
    SaveProperties();
    FStoredValues->SaveValues();
}

void TFormStorage::RestorePlacement() {
    TFormPlacement::RestorePlacement();
    FRestored = true;
    RestoreProperties();
    FStoredValues->RestoreValues();
}

void TFormStorage::SaveProperties() {
    UpdateStoredList();
    TPropsStorage storage;
    storage.Section = IniSection();
    storage.Owner = Owner();
    storage.OnWriteString = [this](const String& s, const String& n, const String& v) { WriteString(s, n, v); };
    storage.OnEraseSection = [this](const String& s) { StoreEraseSection(IniFileObject(), s); };
    storage.StoreObjectsProps(Owner(), FStoredProps);
}

void TFormStorage::RestoreProperties() {
    UpdateStoredList();
    TPropsStorage storage;
    storage.Section = IniSection();
    storage.Owner = Owner();
    storage.OnReadString = [this](const String& s, const String& n, const String& d) { return ReadString(s, n, d); };
    storage.OnReadSectionNames = [this](const String& s) {
        if (IniFileObject()) return StoreSectionNames(IniFileObject(), s);
        OpenStorage(true);
        std::vector<String> names = StoreSectionNames(IniFileObject(), s);
        CloseStorage();
        return names;
    };
    try {
        storage.LoadObjectsProps(Owner(), FStoredProps);
    } catch (std::exception&) {
        // A property that cannot be restored keeps its value.
    }
}

// TPropsStorage

String TPropsStorage::ReadString(const String& ASection, const String& Item, const String& Default) {
    return OnReadString ? OnReadString(ASection, Item, Default) : String();
}

void TPropsStorage::WriteString(const String& ASection, const String& Item, const String& Value) {
    if (OnWriteString) OnWriteString(ASection, Item, Value);
}

void TPropsStorage::EraseSection(const String& ASection) {
    if (OnEraseSection) OnEraseSection(ASection);
}

String TPropsStorage::ValueName(const QMetaProperty& Prop) const { return Prefix + Prop.name(); }

TPropsStorage* TPropsStorage::NewStorage() { return new TPropsStorage(); }

namespace {

bool IsTextKind(TTypeKind k) { return k == tkString || k == tkLString || k == tkWChar; }

String ClassNameWithoutT(const TComponent* c) {
    String n = c->ClassName();
    if (!n.empty() && (n[0] == 'T' || n[0] == 't')) n.erase(0, 1);
    return n;
}

TComponent* FindFormByName(const String& name) {
    if (!Screen) return nullptr;
    for (int i = 0; i < Screen->FormCount(); ++i)
        if (SameText(Screen->Forms(i)->Name(), name)) return Screen->Forms(i);
    return nullptr;
}

}  // namespace

String TPropsStorage::StoreObject(QObject* Obj, const QMetaProperty& Prop) {
    const String name = ValueName(Prop);
    const String key = Section + "." + name;
    if (auto* list = qobject_cast<TStrings*>(Obj)) {
        EraseSection(key);
        if (list->Count() > 0) {
            WriteString(key, "Count", IntToStr(list->Count()));
            for (int i = 0; i < list->Count(); ++i) WriteString(key, Format("Item%d", {i}), (*list)[i]);
        }
    } else if (auto* coll = qobject_cast<TCollection*>(Obj)) {
        EraseSection(key);
        WriteString(Section, name + ".Count", IntToStr(coll->Count()));
        for (int i = 0; i < coll->Count(); ++i) {
            std::unique_ptr<TPropsStorage> s(NewStorage());
            s->AObject = coll->Items(i);
            s->Owner = Owner;
            s->Prefix = Format("Item%d_", {i});
            s->Section = key;
            s->OnWriteString = OnWriteString;
            s->OnEraseSection = OnEraseSection;
            for (const QMetaProperty& p : GetPropList(coll->Items(i))) s->StoreAnyProperty(p);
        }
    }
    // Any object's own published properties follow under the prefix of its value name.
    if (Obj && !qobject_cast<TComponent*>(Obj)) {
        std::unique_ptr<TPropsStorage> s(NewStorage());
        s->AObject = Obj;
        s->Owner = Owner;
        s->Prefix = name;
        s->Section = Section;
        s->OnWriteString = OnWriteString;
        s->OnEraseSection = OnEraseSection;
        if (!qobject_cast<TStrings*>(Obj) && !qobject_cast<TCollection*>(Obj))
            for (const QMetaProperty& p : GetPropList(Obj)) s->StoreAnyProperty(p);
    }
    return String();
}

void TPropsStorage::LoadObject(QObject* Obj, const QMetaProperty& Prop) {
    const String name = ValueName(Prop);
    const String key = Section + "." + name;
    auto present = [&](const String& section) {
        return OnReadSectionNames ? OnReadSectionNames(section) : std::vector<String>();
    };
    if (auto* list = qobject_cast<TStrings*>(Obj)) {
        int count = IntOr(ReadString(key, "Count", "0"), 0);
        if (count > 0) {
            // No more lines than the key holds, whatever its "Count" says.
            const std::vector<String> names = present(key);
            int held = 0;
            for (const String& n : names)
                if (n.size() > 4 && SameText(n.substr(0, 4), "Item")) ++held;
            count = std::min(count, held);
        }
        if (count > 0) {
            TStringList lines;
            for (int i = 0; i < count; ++i) lines.Add(ReadString(key, Format("Item%d", {i}), String()));
            list->Assign(&lines);
        }
    } else if (auto* coll = qobject_cast<TCollection*>(Obj)) {
        int count = IntOr(ReadString(Section, name + ".Count", IntToStr(coll->Count())), coll->Count());
        if (count < 0) count = coll->Count();
        // Bounded by the items whose values the key holds.
        int items = 0;
        for (const String& n : present(key)) {
            if (n.size() < 6 || !SameText(n.substr(0, 4), "Item")) continue;
            const std::size_t us = n.find('_');
            const int index = IntOr(n.substr(4, us == String::npos ? String::npos : us - 4), -1);
            if (index >= 0 && index < 100000) items = std::max(items, index + 1);
        }
        count = std::min(count, std::max(items, coll->Count()));
        if (count != coll->Count()) {
            coll->BeginUpdate();
            try {
                coll->Clear();
                for (int i = 0; i < count; ++i) coll->Add();
            } catch (...) {
                coll->EndUpdate();
                throw;
            }
            coll->EndUpdate();
        }
        for (int i = 0; i < coll->Count(); ++i) {
            std::unique_ptr<TPropsStorage> s(NewStorage());
            s->AObject = coll->Items(i);
            s->Owner = Owner;
            s->Prefix = Format("Item%d_", {i});
            s->Section = key;
            s->OnReadString = OnReadString;
            s->OnReadSectionNames = OnReadSectionNames;
            for (const QMetaProperty& p : GetPropList(coll->Items(i))) s->LoadAnyProperty(p);
        }
    } else if (Obj && !qobject_cast<TComponent*>(Obj)) {
        std::unique_ptr<TPropsStorage> s(NewStorage());
        s->AObject = Obj;
        s->Owner = Owner;
        s->Prefix = name;
        s->Section = Section;
        s->OnReadString = OnReadString;
        s->OnReadSectionNames = OnReadSectionNames;
        for (const QMetaProperty& p : GetPropList(Obj)) s->LoadAnyProperty(p);
    }
}

String TPropsStorage::PropText(const QMetaProperty& Prop) {
    const TPropType t = GetPropType(Prop);
    switch (t.Kind) {
    case tkInteger:
    case tkInt64: return IntToStr(GetOrdProp(AObject, Prop));
    case tkChar:
    case tkWChar: {
        const long long c = GetOrdProp(AObject, Prop);
        return c > 0 && c < 128 ? String(1, static_cast<char>(c)) : String();
    }
    case tkEnumeration: return GetEnumProp(AObject, Prop);
    case tkFloat: return StoredFloatText(GetFloatProp(AObject, Prop), DigitsOf(t.FloatType));
    case tkString:
    case tkLString: return GetStrProp(AObject, Prop);
    case tkSet: {
        const std::vector<String> names = SetToNames(Prop, GetOrdProp(AObject, Prop));
        String s = "[";
        for (std::size_t i = 0; i < names.size(); ++i) s += (i ? "," : "") + names[i];
        return s + "]";
    }
    case tkVariant: return VariantText(Prop.read(AObject));
    case tkClass: {
        QObject* obj = GetObjectProp(AObject, Prop);
        if (t.ClassType && t.ClassType->inherits(&TComponent::staticMetaObject)) {
            auto* c = qobject_cast<TComponent*>(obj);
            if (!c) return "(null)";
            TComponent* o = c->Owner();
            if (!o || o == Owner) return c->Name();
            return (o->Name().empty() ? ClassNameWithoutT(o) : o->Name()) + "." + c->Name();
        }
        return String();
    }
    default: return String();
    }
}

void TPropsStorage::SetPropText(const QMetaProperty& Prop, const String& Text) {
    const TPropType t = GetPropType(Prop);
    switch (t.Kind) {
    case tkInteger:
    case tkInt64: {
        long long v = 0;
        if (!StrToIntStrict(Text, v)) v = 0;
        SetOrdProp(AObject, Prop, v);
        break;
    }
    case tkChar:
    case tkWChar:
        if (!Text.empty()) SetOrdProp(AObject, Prop, static_cast<unsigned char>(Text[0]));
        break;
    case tkEnumeration: {
        const std::vector<String> names = GetEnumNames(Prop);
        for (const String& n : names)
            if (SameText(n, Text)) {
                SetEnumProp(AObject, Prop, n);
                break;
            }
        break;
    }
    case tkFloat: {
        long double v = 0;
        if (StoredTextToFloat(Text, v)) SetFloatProp(AObject, Prop, v);
        break;
    }
    case tkString:
    case tkLString: SetStrProp(AObject, Prop, Text); break;
    case tkSet: {
        const std::vector<String> all = GetEnumNames(Prop);
        std::vector<String> words;
        String w;
        for (char c : Text + " ") {
            if (c == ' ' || c == ',' || c == '[' || c == ']') {
                if (!w.empty()) words.push_back(w);
                w.clear();
            } else {
                w += c;
            }
        }
        std::vector<String> known;
        for (const String& word : words)
            for (const String& n : all)
                if (SameText(n, word)) known.push_back(n);
        SetOrdProp(AObject, Prop, NamesToSet(Prop, known) & 0xFFFFFFFFLL);
        break;
    }
    case tkVariant: Prop.write(AObject, QVariant::fromValue(Text)); break;
    case tkClass: {
        if (!t.ClassType || !t.ClassType->inherits(&TComponent::staticMetaObject) || Text.empty()) break;
        if (SameText(Text, "(null)")) {
            SetObjectProp(AObject, Prop, nullptr);
            break;
        }
        const std::size_t dot = Text.find('.');
        TComponent* owner = dot == String::npos ? Owner : FindFormByName(Text.substr(0, dot));
        if (!owner) break;
        TComponent* c = owner->FindComponent(dot == String::npos ? Text : Text.substr(dot + 1));
        SetObjectProp(AObject, Prop, c);
        break;
    }
    default: break;
    }
}

void TPropsStorage::LoadAnyProperty(const QMetaProperty& Prop) {
    try {
        const TPropType t = GetPropType(Prop);
        if (t.Kind == tkMethod || t.Kind == tkUnknown || t.Kind == tkWString || !Prop.isWritable()) {
            if (t.Kind != tkClass) return;
        }
        const String current = TrimText(PropText(Prop));
        String text;
        if (!current.empty() || IsTextKind(t.Kind) || t.Kind == tkClass)
            text = TrimText(ReadString(Section, ValueName(Prop), current));
        if (t.Kind == tkClass) {
            QObject* obj = GetObjectProp(AObject, Prop);
            if (t.ClassType && t.ClassType->inherits(&TComponent::staticMetaObject)) {
                if (Prop.isWritable()) SetPropText(Prop, text);
            } else {
                LoadObject(obj, Prop);
            }
            return;
        }
        SetPropText(Prop, text);
    } catch (std::exception&) {
        // The property keeps its value.
    }
}

void TPropsStorage::StoreAnyProperty(const QMetaProperty& Prop) {
    const TPropType t = GetPropType(Prop);
    if (t.Kind == tkMethod || t.Kind == tkUnknown || t.Kind == tkWString) return;
    String text;
    if (t.Kind == tkClass) {
        QObject* obj = GetObjectProp(AObject, Prop);
        if (t.ClassType && t.ClassType->inherits(&TComponent::staticMetaObject)) text = PropText(Prop);
        else StoreObject(obj, Prop);
    } else {
        text = PropText(Prop);
    }
    text = TrimText(text);
    if (!text.empty() || IsTextKind(t.Kind)) WriteString(Section, ValueName(Prop), text);
}

void TPropsStorage::LoadProperties(TStrings* PropList) {
    for (int i = 0; i < PropList->Count(); ++i) {
        const QMetaProperty p = GetPropInfo(AObject, (*PropList)[i]);
        if (p.isValid()) LoadAnyProperty(p);
    }
}

void TPropsStorage::StoreProperties(TStrings* PropList) {
    for (int i = 0; i < PropList->Count(); ++i) {
        const QMetaProperty p = GetPropInfo(AObject, (*PropList)[i]);
        if (p.isValid()) StoreAnyProperty(p);
    }
}

namespace {

template <class F>
void ForEachStoredLine(TStrings* StoredList, F&& f) {
    for (int i = 0; i < StoredList->Count(); ++i) {
        const String line = (*StoredList)[i];
        const std::size_t dot = line.find('.');
        if (dot == String::npos) continue;
        const String comp = Trim(line.substr(0, dot)), prop = Trim(line.substr(dot + 1));
        auto* c = qobject_cast<TComponent*>(StoredList->Objects(i));
        if (comp.empty() || prop.empty() || !c) continue;
        const QMetaProperty p = GetPropInfo(c, prop);
        if (!p.isValid()) continue;
        f(c, p);
    }
}

}  // namespace

void TPropsStorage::LoadObjectsProps(TComponent*, TStrings* StoredList) {
    ForEachStoredLine(StoredList, [this](TComponent* c, const QMetaProperty& p) {
        AObject = c;
        Prefix = c->Name() + "_";
        LoadAnyProperty(p);
    });
}

void TPropsStorage::StoreObjectsProps(TComponent*, TStrings* StoredList) {
    ForEachStoredLine(StoredList, [this](TComponent* c, const QMetaProperty& p) {
        AObject = c;
        Prefix = c->Name() + "_";
        StoreAnyProperty(p);
    });
}

void RegisterKitPlacement() {
    RegisterStandardClasses();
    RegisterClasses<TFormPlacement, TFormStorage, TWinMinMaxInfo, TStoredValue>();
    RegisterKitHook();
}
