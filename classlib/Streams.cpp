// Streams.
#include "classlib/Classes.h"

#include "platform/atomicfile.h"
#include "platform/fileapi.h"

#include <QFile>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

// ---- TStream -----------------------------------------------------------------------------

TStream::TStream() = default;
TStream::~TStream() = default;

Int64 TStream::Size() {
    const Int64 pos = Seek(0, soCurrent);
    const Int64 size = Seek(0, soEnd);
    Seek(pos, soBeginning);
    return size;
}

void TStream::SetSize(Int64) { throw EStreamError(SSeekNotImplemented); }

void TStream::ReadBuffer(void* Buffer, Int64 Count) {
    if (Count > 0 && Read(Buffer, Count) != Count) throw EReadError(SReadError);
}

void TStream::WriteBuffer(const void* Buffer, Int64 Count) {
    if (Count > 0 && Write(Buffer, Count) != Count) throw EWriteError(SWriteError);
}

Int64 TStream::CopyFrom(TStream* Source, Int64 Count) {
    if (Count == 0) {
        Source->SetPosition(0);
        Count = Source->Size();
    }
    const Int64 total = Count;
    std::vector<unsigned char> buf(static_cast<std::size_t>(std::min<Int64>(Count, 0xF000)));
    while (Count > 0) {
        const Int64 n = std::min<Int64>(Count, static_cast<Int64>(buf.size()));
        Source->ReadBuffer(buf.data(), n);
        WriteBuffer(buf.data(), n);
        Count -= n;
    }
    return total;
}

// ---- THandleStream and TFileStream -------------------------------------------------------

THandleStream::THandleStream(THandle AHandle) : handle_(AHandle) {}
THandleStream::~THandleStream() = default;

Int64 THandleStream::Read(void* Buffer, Int64 Count) {
    if (Count <= 0) return 0;
    const Int64 n = FileRead(handle_, Buffer, Count);
    return n < 0 ? 0 : n;
}

Int64 THandleStream::Write(const void* Buffer, Int64 Count) {
    if (Count <= 0) return 0;
    const Int64 n = FileWrite(handle_, Buffer, Count);
    return n < 0 ? 0 : n;
}

Int64 THandleStream::Seek(Int64 Offset, TSeekOrigin Origin) {
    const Int64 p = FileSeek(handle_, Offset, static_cast<int>(Origin));
    if (p < 0) throw EStreamError(SSeekNotImplemented);
    return p;
}

void THandleStream::SetSize(Int64 NewSize) {
    Seek(NewSize, soBeginning);
    if (!SetEndOfFile(handle_)) RaiseLastOSError();
}

TFileStream::TFileStream(const String& AFileName, Word Mode) : THandleStream(INVALID_HANDLE_VALUE), fileName_(AFileName) {
    if ((Mode & fmCreate) == fmCreate) {
        handle_ = FileCreate(AFileName);
        if (handle_ == INVALID_HANDLE_VALUE) throw EFCreateError(SFCreateError, {AFileName});
    } else {
        handle_ = FileOpen(AFileName, Mode);
        // A FIFO or a device would make reading wait without end.
        if (handle_ != INVALID_HANDLE_VALUE && !platform::isRegularFile(handle_)) {
            FileClose(handle_);
            handle_ = INVALID_HANDLE_VALUE;
        }
        if (handle_ == INVALID_HANDLE_VALUE) throw EFOpenError(SFOpenError, {AFileName});
    }
}

TFileStream::~TFileStream() {
    if (handle_ != INVALID_HANDLE_VALUE) FileClose(handle_);
}

// ---- Memory streams ----------------------------------------------------------------------

TCustomMemoryStream::TCustomMemoryStream() = default;
TCustomMemoryStream::~TCustomMemoryStream() = default;

void TCustomMemoryStream::SetPointer(void* Ptr, Int64 ASize) {
    memory_ = Ptr;
    size_ = ASize;
}

Int64 TCustomMemoryStream::Read(void* Buffer, Int64 Count) {
    if (Count <= 0 || position_ >= size_) return 0;
    const Int64 n = std::min(Count, size_ - position_);
    std::memcpy(Buffer, static_cast<const char*>(memory_) + position_, static_cast<std::size_t>(n));
    position_ += n;
    return n;
}

Int64 TCustomMemoryStream::Write(const void*, Int64) { return 0; }

Int64 TCustomMemoryStream::Seek(Int64 Offset, TSeekOrigin Origin) {
    Int64 p = Offset;
    if (Origin == soCurrent) p += position_;
    else if (Origin == soEnd) p += size_;
    if (p < 0) throw EStreamError(SSeekNotImplemented);
    position_ = p;
    return p;
}

void TCustomMemoryStream::SaveToStream(TStream* Stream) {
    if (size_ > 0) Stream->WriteBuffer(memory_, size_);
}

void SaveFileSafely(const String& FileName, const std::function<void(TStream*)>& write) {
    TMemoryStream data;
    write(&data);
    if (!platform::writeWholeFile(platform::ansiToFileName(FileName), data.Memory(),
                                  static_cast<std::size_t>(data.Size())))
        throw EFCreateError(SFCreateError, {FileName});
}

void TCustomMemoryStream::SaveToFile(const String& FileName) {
    SaveFileSafely(FileName, [this](TStream* s) { SaveToStream(s); });
}

TMemoryStream::TMemoryStream() = default;
TMemoryStream::~TMemoryStream() = default;

void TMemoryStream::grow(Int64 NewSize) {
    try {
        if (static_cast<std::size_t>(NewSize) > data_.capacity())
            data_.reserve(std::max<std::size_t>(static_cast<std::size_t>(NewSize), data_.capacity() + data_.capacity() / 2));
        data_.resize(static_cast<std::size_t>(NewSize));
    } catch (const std::bad_alloc&) {
        throw EStreamError(SMemoryStreamError);
    } catch (const std::length_error&) {
        throw EStreamError(SMemoryStreamError);
    }
    SetPointer(data_.data(), NewSize);
}

void TMemoryStream::SetSize(Int64 NewSize) {
    if (NewSize < 0) throw EStreamError(SMemoryStreamError);
    grow(NewSize);
    if (position_ > NewSize) position_ = NewSize;
}

Int64 TMemoryStream::Write(const void* Buffer, Int64 Count) {
    if (Count <= 0) return 0;
    const Int64 end = position_ + Count;
    if (end > Size()) grow(end);
    std::memcpy(data_.data() + position_, Buffer, static_cast<std::size_t>(Count));
    position_ = end;
    return Count;
}

void TMemoryStream::Clear() {
    data_.clear();
    data_.shrink_to_fit();
    SetPointer(nullptr, 0);
    position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream* Stream) {
    Stream->SetPosition(0);
    const Int64 n = Stream->Size();
    SetSize(n);
    if (n > 0) Stream->ReadBuffer(data_.data(), n);
    position_ = 0;
}

void TMemoryStream::LoadFromFile(const String& FileName) {
    TFileStream s(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&s);
}

// ---- TStringStream -----------------------------------------------------------------------

TStringStream::TStringStream(const String& AString) : data_(AString) {}
TStringStream::~TStringStream() = default;

Int64 TStringStream::Read(void* Buffer, Int64 Count) {
    const Int64 size = static_cast<Int64>(data_.size());
    if (Count <= 0 || position_ >= size) return 0;
    const Int64 n = std::min(Count, size - position_);
    std::memcpy(Buffer, data_.data() + position_, static_cast<std::size_t>(n));
    position_ += n;
    return n;
}

Int64 TStringStream::Write(const void* Buffer, Int64 Count) {
    if (Count <= 0) return 0;
    const std::size_t end = static_cast<std::size_t>(position_ + Count);
    if (end > data_.size()) data_.resize(end);
    std::memcpy(data_.data() + position_, Buffer, static_cast<std::size_t>(Count));
    position_ += Count;
    return Count;
}

Int64 TStringStream::Seek(Int64 Offset, TSeekOrigin Origin) {
    Int64 p = Offset;
    if (Origin == soCurrent) p += position_;
    else if (Origin == soEnd) p += static_cast<Int64>(data_.size());
    position_ = std::clamp<Int64>(p, 0, static_cast<Int64>(data_.size()));
    return position_;
}

void TStringStream::SetSize(Int64 NewSize) {
    data_.resize(static_cast<std::size_t>(std::max<Int64>(NewSize, 0)));
    if (position_ > NewSize) position_ = static_cast<Int64>(data_.size());
}

String TStringStream::ReadString(Int64 Count) {
    const Int64 n = std::clamp<Int64>(std::min(Count, static_cast<Int64>(data_.size()) - position_), 0, Count);
    String s = data_.substr(static_cast<std::size_t>(position_), static_cast<std::size_t>(n));
    position_ += n;
    return s;
}

void TStringStream::WriteString(const String& AString) { Write(AString.data(), static_cast<Int64>(AString.size())); }

// ---- TResourceStream ---------------------------------------------------------------------

TResourceStream::TResourceStream(HINSTANCE, const String& ResName, const String& ResType) {
    if (ResName.rfind(":/", 0) == 0)
        load(ResName, ResName);
    else
        load(":/" + ResType + "/" + ResName, ResName);
}

TResourceStream::TResourceStream(const String& ResPath) { load(ResPath, ResPath); }

TResourceStream::~TResourceStream() = default;

void TResourceStream::load(const String& Path, const String& ResName) {
    QFile f(QString::fromUtf8(Path.c_str()));
    if (!f.open(QIODevice::ReadOnly)) throw EResNotFound(SResNotFound, {ResName});
    data_ = f.readAll();
    SetPointer(data_.data(), data_.size());
}
