// Streams: the abstract TStream, handle and file streams, memory, string and resource
// streams. Part of Classes.h; include that.
#pragma once

#include "classlib/Classes.h"

#include <QByteArray>
#include <functional>
#include <vector>

class TStream;

// Writes a file as a whole (platform/atomicfile.h): a failed write leaves the old file as it
// was, the file keeps its mode and owner, a symbolic link stays. EFCreateError when it
// cannot be written or is read-only.
void SaveFileSafely(const String& FileName, const std::function<void(TStream*)>& Write);

enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };
inline constexpr TSeekOrigin soFromBeginning = soBeginning;
inline constexpr TSeekOrigin soFromCurrent = soCurrent;
inline constexpr TSeekOrigin soFromEnd = soEnd;

class TStream : public TObject {
    Q_OBJECT

public:
    TStream();
    ~TStream() override;

    // Bytes moved (fewer at the end of the data); never raises for a short transfer.
    virtual Int64 Read(void* Buffer, Int64 Count) = 0;
    virtual Int64 Write(const void* Buffer, Int64 Count) = 0;
    // The new position.
    virtual Int64 Seek(Int64 Offset, TSeekOrigin Origin) = 0;

    Int64 Position() { return Seek(0, soCurrent); }
    void SetPosition(Int64 Value) { Seek(Value, soBeginning); }
    virtual Int64 Size();
    virtual void SetSize(Int64 NewSize);

    // Exactly Count bytes, or EReadError "Stream-Read-Fehler" / EWriteError "Stream write error".
    void ReadBuffer(void* Buffer, Int64 Count);
    void WriteBuffer(const void* Buffer, Int64 Count);
    // Copies Count bytes from Source's position; Count 0 copies all of Source from its start.
    Int64 CopyFrom(TStream* Source, Int64 Count);

    // A component in the layout text form at the stream's position (Filer.h): read into
    // Instance, or into a new instance of the class the text names when Instance is null.
    TComponent* ReadComponent(TComponent* Instance);
    void WriteComponent(TComponent* Instance);
};

// A stream over a platform file handle; the handle is not closed by this class.
class THandleStream : public TStream {
    Q_OBJECT

public:
    explicit THandleStream(THandle AHandle);
    ~THandleStream() override;

    Int64 Read(void* Buffer, Int64 Count) override;
    Int64 Write(const void* Buffer, Int64 Count) override;
    Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
    void SetSize(Int64 NewSize) override;
    THandle Handle() const { return handle_; }

protected:
    THandle handle_;
};

// A file opened by name. Mode is fmCreate (create or truncate) or fmOpenRead, fmOpenWrite or
// fmOpenReadWrite with an fmShare value. Failures raise EFCreateError
// "Datei %s kann nicht erstellt werden" or EFOpenError "Datei %s kann nicht geöffnet werden".
class TFileStream : public THandleStream {
    Q_OBJECT

public:
    TFileStream(const String& AFileName, Word Mode);
    ~TFileStream() override;
    String FileName() const { return fileName_; }

private:
    String fileName_;
};

// A stream over a block of memory given by SetPointer; reading and seeking only.
class TCustomMemoryStream : public TStream {
    Q_OBJECT

public:
    TCustomMemoryStream();
    ~TCustomMemoryStream() override;

    Int64 Read(void* Buffer, Int64 Count) override;
    Int64 Write(const void* Buffer, Int64 Count) override;
    Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
    Int64 Size() override { return size_; }
    void* Memory() const { return memory_; }
    void SaveToStream(TStream* Stream);
    // Written to a temporary file that then replaces FileName.
    void SaveToFile(const String& FileName);

protected:
    void SetPointer(void* Ptr, Int64 ASize);
    Int64 position_ = 0;

private:
    void* memory_ = nullptr;
    Int64 size_ = 0;
};

class TMemoryStream : public TCustomMemoryStream {
    Q_OBJECT

public:
    TMemoryStream();
    ~TMemoryStream() override;

    Int64 Write(const void* Buffer, Int64 Count) override;
    void SetSize(Int64 NewSize) override;
    void Clear();
    void LoadFromStream(TStream* Stream);
    void LoadFromFile(const String& FileName);

private:
    void grow(Int64 NewSize);
    std::vector<unsigned char> data_;
};

// A stream over a string of bytes.
class TStringStream : public TStream {
    Q_OBJECT

public:
    explicit TStringStream(const String& AString = String());
    ~TStringStream() override;

    Int64 Read(void* Buffer, Int64 Count) override;
    Int64 Write(const void* Buffer, Int64 Count) override;
    Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
    void SetSize(Int64 NewSize) override;
    String ReadString(Int64 Count);
    void WriteString(const String& AString);
    const String& DataString() const { return data_; }

private:
    String data_;
    Int64 position_ = 0;
};

// A resource built into the program (a Qt resource). A name starting with ":/" is taken
// as it is; otherwise the resource is ":/<ResType>/<ResName>" (ResType e.g. "RCDATA").
// A missing resource raises EResNotFound "Resource %s not found".
class TResourceStream : public TCustomMemoryStream {
    Q_OBJECT

public:
    TResourceStream(HINSTANCE Instance, const String& ResName, const String& ResType);
    explicit TResourceStream(const String& ResPath);
    ~TResourceStream() override;

private:
    void load(const String& Path, const String& ResName);
    QByteArray data_;
};
