// An ordered list of icons that layouts store as one binary property, "Icons".
#pragma once

#include "classlib/Graphics.h"

#include <memory>
#include <vector>

class TIconList : public TPersistent {
    Q_OBJECT
public:
    TIconList();
    ~TIconList() override;
    void Assign(TPersistent* Source) override;
    void DefineProperties(TFiler* Filer) override;

    virtual void Changed();
    // The icon at an index (null entries allowed); EListError for a bad index.
    virtual TIcon* Icons(int Index) const;
    virtual int Count() const { return static_cast<int>(FList.size()); }
    // Appends at Index = Count; makes an icon where the entry is null; then assigns.
    virtual void Put(int Index, TIcon* Icon);
    // A copy of the icon; its index.
    virtual int Add(TIcon* Icon);
    // An icon of the program's resources (":/icons/NAME.ico").
    virtual int AddResource(HINSTANCE Instance, const String& ResName);
    virtual void Clear();
    virtual void Delete(int Index);
    virtual void Exchange(int Index1, int Index2);
    // A copy of the icon (null for an empty entry) at Index.
    virtual void Insert(int Index, TIcon* Icon);
    virtual void Move(int CurIndex, int NewIndex);
    // Deletes the entry holding that very icon; its former index, or -1.
    virtual int Remove(TIcon* Icon);
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();

    // The binary form: a 32-bit count, then per entry a 32-bit size and the icon's file
    // image (size 0 for an empty entry). Damaged data raise EReadError.
    void ReadData(TStream* Stream);
    void WriteData(TStream* Stream);

    TNotifyEvent OnChange;

private:
    void check(int Index) const;
    std::unique_ptr<TIcon> copyOf(TIcon* Icon);
    void bind(TIcon* Icon);
    std::vector<std::unique_ptr<TIcon>> FList;
    int FUpdateCount = 0;
};
