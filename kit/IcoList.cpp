// The icon list.
#include "kit/IcoList.h"

#include <algorithm>
#include <cstring>

TIconList::TIconList() = default;

TIconList::~TIconList() {
    for (auto& i : FList)
        if (i) i->OnChange = TNotifyEvent();
}

void TIconList::Changed() {
    if (FUpdateCount == 0 && OnChange) OnChange(this);
}

void TIconList::EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount == 0) Changed();
}

void TIconList::check(int Index) const {
    if (Index < 0 || Index >= Count()) throw EListError(SListIndexError, {Index});
}

void TIconList::bind(TIcon* Icon) {
    if (Icon) Icon->OnChange = TNotifyEvent([this](TObject*) { Changed(); });
}

std::unique_ptr<TIcon> TIconList::copyOf(TIcon* Icon) {
    if (!Icon) return nullptr;
    auto copy = std::make_unique<TIcon>();
    copy->Assign(Icon);
    bind(copy.get());
    return copy;
}

TIcon* TIconList::Icons(int Index) const {
    check(Index);
    return FList[static_cast<std::size_t>(Index)].get();
}

void TIconList::Put(int Index, TIcon* Icon) {
    if (Index == Count()) {
        Add(Icon);
        return;
    }
    check(Index);
    auto& slot = FList[static_cast<std::size_t>(Index)];
    if (!slot) {
        slot = std::make_unique<TIcon>();
        bind(slot.get());
    }
    slot->Assign(Icon);
    Changed();
}

int TIconList::Add(TIcon* Icon) {
    FList.push_back(copyOf(Icon));
    Changed();
    return Count() - 1;
}

int TIconList::AddResource(HINSTANCE Instance, const String& ResName) {
    auto icon = std::make_unique<TIcon>();
    icon->LoadFromResourceName(Instance, ResName);
    bind(icon.get());
    FList.push_back(std::move(icon));
    Changed();
    return Count() - 1;
}

void TIconList::Clear() {
    if (FList.empty()) return;
    FList.clear();
    Changed();
}

void TIconList::Delete(int Index) {
    check(Index);
    FList.erase(FList.begin() + Index);
    Changed();
}

void TIconList::Exchange(int Index1, int Index2) {
    check(Index1);
    check(Index2);
    std::swap(FList[static_cast<std::size_t>(Index1)], FList[static_cast<std::size_t>(Index2)]);
    Changed();
}

void TIconList::Insert(int Index, TIcon* Icon) {
    if (Index != Count()) check(Index);
    FList.insert(FList.begin() + Index, copyOf(Icon));
    Changed();
}

void TIconList::Move(int CurIndex, int NewIndex) {
    check(CurIndex);
    check(NewIndex);
    if (CurIndex == NewIndex) return;
    auto icon = std::move(FList[static_cast<std::size_t>(CurIndex)]);
    FList.erase(FList.begin() + CurIndex);
    FList.insert(FList.begin() + NewIndex, std::move(icon));
    Changed();
}

int TIconList::Remove(TIcon* Icon) {
    for (int i = 0; i < Count(); ++i)
        if (FList[static_cast<std::size_t>(i)].get() == Icon) {
            Delete(i);
            return i;
        }
    return -1;
}

void TIconList::Assign(TPersistent* Source) {
    if (!Source) {
        Clear();
        return;
    }
    if (auto* list = dynamic_cast<TIconList*>(Source)) {
        if (list == this) return;
        BeginUpdate();
        FList.clear();
        for (const auto& i : list->FList) FList.push_back(copyOf(i.get()));
        EndUpdate();
        return;
    }
    if (auto* icon = dynamic_cast<TIcon*>(Source)) {
        BeginUpdate();
        FList.clear();
        Add(icon);
        EndUpdate();
        return;
    }
    TPersistent::Assign(Source);
}

void TIconList::DefineProperties(TFiler* Filer) {
    TPersistent::DefineProperties(Filer);
    bool differs = Count() > 0;
    if (auto* ancestor = dynamic_cast<TIconList*>(Filer->Ancestor())) {
        differs = ancestor->Count() != Count();
        for (int i = 0; !differs && i < Count(); ++i)
            differs = ancestor->FList[static_cast<std::size_t>(i)].get() != FList[static_cast<std::size_t>(i)].get();
    }
    Filer->DefineBinaryProperty("Icons", [this](TStream* s) { ReadData(s); }, [this](TStream* s) { WriteData(s); },
                                differs);
}

void TIconList::ReadData(TStream* Stream) {
    auto left = [Stream] { return std::max<Int64>(0, Stream->Size() - Stream->Position()); };
    std::int32_t count = 0;
    Stream->ReadBuffer(&count, 4);
    // Each entry takes 4 bytes at least.
    if (count < 0 || static_cast<Int64>(count) * 4 > left()) throw EReadError(SReadError);
    std::vector<std::unique_ptr<TIcon>> icons;
    for (std::int32_t i = 0; i < count; ++i) {
        std::int32_t size = 0;
        Stream->ReadBuffer(&size, 4);
        if (size <= 0) {
            icons.push_back(nullptr);
            continue;
        }
        if (size > left()) throw EReadError(SReadError);
        std::vector<BYTE> bytes(static_cast<std::size_t>(size));
        Stream->ReadBuffer(bytes.data(), size);
        auto icon = std::make_unique<TIcon>();
        icon->LoadFromData(bytes.data(), bytes.size());
        bind(icon.get());
        icons.push_back(std::move(icon));
    }
    FList = std::move(icons);
    Changed();
}

void TIconList::WriteData(TStream* Stream) {
    const auto count = static_cast<std::int32_t>(Count());
    Stream->WriteBuffer(&count, 4);
    for (const auto& icon : FList) {
        const std::vector<BYTE> empty;
        const std::vector<BYTE>& bytes = icon ? icon->FileImage() : empty;
        const auto size = static_cast<std::int32_t>(bytes.size());
        Stream->WriteBuffer(&size, 4);
        if (size) Stream->WriteBuffer(bytes.data(), size);
    }
}
