#include "platform/rtl/Classes.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Files.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

// ---------------------------------------------------------------------------
// TStream

void TStream::ReadBuffer(void* Buffer, Integer Count)
{
    if (Count != 0 && Read(Buffer, Count) != Count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* Buffer, Integer Count)
{
    if (Count != 0 && Write(Buffer, Count) != Count) throw EWriteError("Stream write error");
}

Int64 TStream::CopyFrom(TStream* Source, Int64 Count)
{
    if (Count == 0) {
        Source->SetPosition(0);
        Count = Source->Size();
    }
    Int64 Result = Count;
    constexpr Integer MaxBufSize = 0xF000;
    std::vector<char> Buffer(static_cast<size_t>(std::min<Int64>(Count, MaxBufSize)));
    while (Count > 0) {
        Integer N = static_cast<Integer>(std::min<Int64>(Count, MaxBufSize));
        Source->ReadBuffer(Buffer.data(), N);
        WriteBuffer(Buffer.data(), N);
        Count -= N;
    }
    return Result;
}

Int64 TStream::Position()
{
    return Seek(0, soCurrent);
}

void TStream::SetPosition(Int64 Value)
{
    Seek(Value, soBeginning);
}

Int64 TStream::Size()
{
    Int64 Pos = Seek(0, soCurrent);
    Int64 Result = Seek(0, soEnd);
    Seek(Pos, soBeginning);
    return Result;
}

void TStream::SetSize(Int64 NewSize) {}

// ---------------------------------------------------------------------------
// TCustomMemoryStream / TMemoryStream

void TCustomMemoryStream::SetPointer(void* Ptr, Int64 Size)
{
    FMemory = Ptr;
    FSize = Size;
}

Integer TCustomMemoryStream::Read(void* Buffer, Integer Count)
{
    if (FPosition < 0 || Count <= 0) return 0;
    Int64 Avail = FSize - FPosition;
    if (Avail <= 0) return 0;
    Integer N = static_cast<Integer>(std::min<Int64>(Avail, Count));
    std::memcpy(Buffer, static_cast<char*>(FMemory) + FPosition, N);
    FPosition += N;
    return N;
}

Int64 TCustomMemoryStream::Seek(Int64 Offset, TSeekOrigin Origin)
{
    switch (Origin) {
    case soBeginning: FPosition = Offset; break;
    case soCurrent: FPosition += Offset; break;
    case soEnd: FPosition = FSize + Offset; break;
    }
    return FPosition;
}

void TCustomMemoryStream::SaveToStream(TStream* Stream)
{
    if (FSize > 0) Stream->WriteBuffer(FMemory, static_cast<Integer>(FSize));
}

void TCustomMemoryStream::SaveToFile(const AnsiString& FileName)
{
    SaveFileAtomically(FileName, AnsiString(static_cast<const char*>(FMemory), static_cast<size_t>(FSize)));
}

TMemoryStream::~TMemoryStream()
{
    std::free(FMemory);
}

void TMemoryStream::SetCapacity(Int64 NewCapacity)
{
    if (NewCapacity == FCapacity) return;
    if (NewCapacity <= 0) {
        std::free(FMemory);
        FMemory = nullptr;
        FCapacity = 0;
        FSize = 0;
        FPosition = 0;
        return;
    }
    void* P = std::realloc(FMemory, static_cast<size_t>(NewCapacity));
    if (!P) throw EStreamError("Out of memory while expanding memory stream");
    FMemory = P;
    FCapacity = NewCapacity;
    // The data past the new end is gone.
    if (FSize > NewCapacity) {
        FSize = NewCapacity;
        if (FPosition > FSize) FPosition = FSize;
    }
}

void TMemoryStream::SetSize(Int64 NewSize)
{
    if (NewSize < 0) NewSize = 0;
    Int64 OldPosition = FPosition;
    if (NewSize > FCapacity) {
        Int64 NewCapacity = std::max<Int64>(NewSize, FCapacity + FCapacity / 4);
        NewCapacity = (NewCapacity + 0x1FFF) & ~Int64(0x1FFF);
        SetCapacity(NewCapacity);
    }
    if (NewSize > FSize) std::memset(static_cast<char*>(FMemory) + FSize, 0, static_cast<size_t>(NewSize - FSize));
    FSize = NewSize;
    if (OldPosition > NewSize) Seek(0, soEnd);
}

Integer TMemoryStream::Write(const void* Buffer, Integer Count)
{
    if (FPosition < 0 || Count <= 0) return 0;
    Int64 Pos = FPosition + Count;
    if (Pos > FSize) {
        Int64 Keep = FPosition;
        SetSize(Pos);
        FPosition = Keep;
    }
    std::memcpy(static_cast<char*>(FMemory) + FPosition, Buffer, Count);
    FPosition = Pos;
    return Count;
}

void TMemoryStream::Clear()
{
    SetCapacity(0);
    FSize = 0;
    FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream* Stream)
{
    Stream->SetPosition(0);
    Int64 Count = Stream->Size();
    SetSize(Count);
    if (Count != 0) Stream->ReadBuffer(FMemory, static_cast<Integer>(Count));
    FPosition = 0;
}

void TMemoryStream::LoadFromFile(const AnsiString& FileName)
{
    TFileStream Stream(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&Stream);
}

// ---------------------------------------------------------------------------
// THandleStream / TFileStream

Integer THandleStream::Read(void* Buffer, Integer Count)
{
    if (Count <= 0) return 0;
    Integer Done = 0;
    while (Done < Count) {
        ssize_t N = ::read(FHandle, static_cast<char*>(Buffer) + Done, Count - Done);
        if (N < 0) {
            if (errno == EINTR) continue;
            return Done > 0 ? Done : 0;
        }
        if (N == 0) break;
        Done += static_cast<Integer>(N);
    }
    return Done;
}

Integer THandleStream::Write(const void* Buffer, Integer Count)
{
    if (Count <= 0) return 0;
    Integer Done = 0;
    while (Done < Count) {
        ssize_t N = ::write(FHandle, static_cast<const char*>(Buffer) + Done, Count - Done);
        if (N < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (N == 0) break;
        Done += static_cast<Integer>(N);
    }
    return Done;
}

Int64 THandleStream::Seek(Int64 Offset, TSeekOrigin Origin)
{
    int Whence = Origin == soBeginning ? SEEK_SET : Origin == soCurrent ? SEEK_CUR : SEEK_END;
    off_t R = ::lseek(FHandle, static_cast<off_t>(Offset), Whence);
    return R < 0 ? -1 : static_cast<Int64>(R);
}

void THandleStream::SetSize(Int64 NewSize)
{
    Int64 Pos = Position();
    if (::ftruncate(FHandle, static_cast<off_t>(NewSize)) != 0)
        throw EStreamError(SysErrorMessage(errno));
    if (Pos > NewSize) Seek(0, soEnd);
}

TFileStream::TFileStream(const AnsiString& AFileName, Word Mode) : THandleStream(-1), FFileName(AFileName)
{
    std::string Native = AnsiToUtf8(AFileName);
    if (Mode == fmCreate) {
        FHandle = ::open(Native.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (FHandle < 0) {
            const int Err = errno;
            throw EFCreateError(Format("Cannot create file \"%s\". %s", {AFileName, SysErrorMessage(Err)}), AFileName, Err);
        }
        return;
    }
    int Flags = O_CLOEXEC;
    switch (Mode & 0x0003) {
    case fmOpenWrite: Flags |= O_WRONLY; break;
    case fmOpenReadWrite: Flags |= O_RDWR; break;
    default: Flags |= O_RDONLY; break;
    }
    FHandle = ::open(Native.c_str(), Flags);
    if (FHandle < 0) {
        const int Err = errno;
        throw EFOpenError(Format("Cannot open file \"%s\". %s", {AFileName, SysErrorMessage(Err)}), AFileName, Err);
    }
}

TFileStream::~TFileStream()
{
    if (FHandle >= 0) ::close(FHandle);
}

// ---------------------------------------------------------------------------
// TStringStream

TStringStream::TStringStream(const AnsiString& AString) : FDataString(AString) {}

Integer TStringStream::Read(void* Buffer, Integer Count)
{
    if (FPosition < 0 || Count <= 0) return 0;
    Int64 Avail = Size() - FPosition;
    if (Avail <= 0) return 0;
    Integer N = static_cast<Integer>(std::min<Int64>(Avail, Count));
    std::memcpy(Buffer, FDataString.data() + FPosition, N);
    FPosition += N;
    return N;
}

Integer TStringStream::Write(const void* Buffer, Integer Count)
{
    if (FPosition < 0 || Count <= 0) return 0;
    size_t End = static_cast<size_t>(FPosition) + Count;
    if (End > FDataString.size()) FDataString.resize(End, '\0');
    std::memcpy(FDataString.data() + FPosition, Buffer, Count);
    FPosition += Count;
    return Count;
}

Int64 TStringStream::Seek(Int64 Offset, TSeekOrigin Origin)
{
    switch (Origin) {
    case soBeginning: FPosition = Offset; break;
    case soCurrent: FPosition += Offset; break;
    case soEnd: FPosition = Size() + Offset; break;
    }
    return FPosition;
}

void TStringStream::SetSize(Int64 NewSize)
{
    FDataString.resize(static_cast<size_t>(std::max<Int64>(NewSize, 0)), '\0');
    if (FPosition > NewSize) FPosition = Size();
}

AnsiString TStringStream::ReadString(Integer Count)
{
    Int64 Avail = Size() - FPosition;
    if (FPosition < 0 || Avail <= 0 || Count <= 0) return AnsiString();
    Integer N = static_cast<Integer>(std::min<Int64>(Avail, Count));
    AnsiString Result = FDataString.substr(static_cast<size_t>(FPosition), N);
    FPosition += N;
    return Result;
}

void TStringStream::WriteString(const AnsiString& AString)
{
    Write(AString.data(), static_cast<Integer>(AString.size()));
}
