#include "dbclient/FBBlob.h"

#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "dbclient/FBDatabase.h"
#include "dbclient/FBMessages.h"
#include "dbclient/FBQuery.h"
#include "dbclient/FBTransaction.h"
#include "dbclient/StrUtil.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/SyncObjs.h"

namespace {

constexpr ISC_STATUS StatusSegment = 335544366;   // isc_segment: a partial segment, not an error
constexpr char CacheHeader[] = "FB$BLOB_BODY";     // 12 characters and the terminator: 13 bytes
constexpr Integer CacheHeaderSize = 13;
constexpr Integer CacheVersion = 2;                // 1 had no record version: refused

[[noreturn]] void UnknownLibrary(const char* Routine) {
    throw Exception("Can't perform operation %s. Unknown client library", {AnsiString(Routine)});
}

TCriticalSection& CacheLock() {
    static TCriticalSection lock;
    return lock;
}

struct TCacheGuard {
    TCacheGuard() { CacheLock().Enter(); }
    ~TCacheGuard() { CacheLock().Leave(); }
};

// ---- little-endian file fields

void PutInt32(AnsiString& S, Integer V) {
    const auto u = static_cast<uint32_t>(V);
    for (int i = 0; i < 4; ++i) S.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}

void PutText(AnsiString& S, const AnsiString& T) {
    PutInt32(S, static_cast<Integer>(T.size()));
    S += T;
}

class TReader {
public:
    explicit TReader(const AnsiString& Data) : FData(Data) {}
    bool Int32(Integer& V) {
        if (FData.size() - FPos < 4) return false;
        uint32_t u = 0;
        for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(static_cast<unsigned char>(FData[FPos + i])) << (8 * i);
        FPos += 4;
        V = static_cast<Integer>(u);
        return true;
    }
    bool Bytes(size_t N, AnsiString& V) {
        if (FData.size() - FPos < N) return false;
        V.assign(FData, FPos, N);
        FPos += N;
        return true;
    }
    bool Text(AnsiString& V) {
        Integer n = 0;
        return Int32(n) && n >= 0 && Bytes(static_cast<size_t>(n), V);
    }
    size_t Left() const { return FData.size() - FPos; }

private:
    const AnsiString& FData;
    size_t FPos = 0;
};

Integer KeyCount(const Variant& KeyValues) {
    if (!KeyValues.IsArray()) return KeyValues.IsEmpty() ? 0 : 1;
    if (VarArrayDimCount(KeyValues) != 1) return 0;
    return VarArrayHighBound(KeyValues, 1) - VarArrayLowBound(KeyValues, 1) + 1;
}

bool SameBlobID(const ISC_QUAD& A, const ISC_QUAD& B) {
    return A.gds_quad_high == B.gds_quad_high && A.gds_quad_low == B.gds_quad_low;
}

// A name part kept inside its folder: no delimiter, no "." or "..".
AnsiString SafeNamePart(const AnsiString& S) {
    AnsiString r;
    for (char c : S) {
        if (c == '/' || c == '\\' || c == '\0' || c == '%') {
            static const char hex[] = "0123456789ABCDEF";
            const auto u = static_cast<unsigned char>(c);
            r += '%';
            r += hex[u >> 4];
            r += hex[u & 15];
        } else {
            r += c;
        }
    }
    if (r == "." || r == "..") r = "%2E" + r.substr(1);
    return r;
}

// ---- validation threads still running
std::mutex RunningLock;
std::condition_variable RunningDone;
Integer RunningThreads = 0;

}  // namespace

// ---- low-level routines ------------------------------------------------------

void GetBlobInfo(const IIBClientLibrary* ClientLibrary, isc_blob_handle* BlobHandle, Integer& NumSegments,
                 Integer& MaxSegment, Integer& TotalLength, Integer& BlobType) {
    if (!ClientLibrary) UnknownLibrary("GetBlobInfo");
    const ISC_SCHAR items[] = {isc_info_blob_num_segments, isc_info_blob_max_segment,
                               isc_info_blob_total_length, isc_info_blob_type};
    ISC_SCHAR result[100] = {};
    NumSegments = MaxSegment = TotalLength = BlobType = 0;
    if (ClientLibrary->isc_blob_info(StatusVector(), BlobHandle, static_cast<short>(sizeof(items)), items,
                                     static_cast<short>(sizeof(result)), result) > 0)
        IBError(ClientLibrary, nullptr);
    Integer i = 0;
    while (i < static_cast<Integer>(sizeof(result)) && result[i] != isc_info_end) {
        if (i + 3 > static_cast<Integer>(sizeof(result))) break;
        const char item = result[i++];
        const Integer len = ClientLibrary->isc_vax_integer(&result[i], static_cast<short>(2));
        i += 2;
        if (len < 0 || i + len > static_cast<Integer>(sizeof(result))) break;
        const Integer value = ClientLibrary->isc_vax_integer(&result[i], static_cast<short>(len));
        i += len;
        switch (item) {
            case isc_info_blob_num_segments: NumSegments = value; break;
            case isc_info_blob_max_segment: MaxSegment = value; break;
            case isc_info_blob_total_length: TotalLength = value; break;
            case isc_info_blob_type: BlobType = value; break;
            default: break;
        }
    }
}

void ReadBlob(const IIBClientLibrary* ClientLibrary, isc_blob_handle* BlobHandle, char* Buffer, Integer Size) {
    if (!ClientLibrary) UnknownLibrary("ReadBlob");
    Integer done = 0;
    while (done < Size) {
        const auto ask = static_cast<unsigned short>(std::min<Integer>(MaxBlobSegment, Size - done));
        unsigned short got = 0;
        const ISC_STATUS st = ClientLibrary->isc_get_segment(StatusVector(), BlobHandle, &got, ask, Buffer + done);
        if (st != 0 && StatusVector()[1] != StatusSegment) IBError(ClientLibrary, nullptr);
        done += got;
        if (got == 0) break;   // nothing more came: never spin
    }
}

void WriteBlob(const IIBClientLibrary* ClientLibrary, isc_blob_handle* BlobHandle, const char* Buffer,
               Integer Size) {
    if (!ClientLibrary) UnknownLibrary("WriteBlob");
    Integer done = 0;
    while (done < Size) {
        const auto n = static_cast<unsigned short>(std::min<Integer>(MaxBlobSegment, Size - done));
        if (ClientLibrary->isc_put_segment(StatusVector(), BlobHandle, n, Buffer + done) > 0)
            IBError(ClientLibrary, nullptr);
        done += n;
    }
}

bool BlobExist(const IIBClientLibrary* ClientLibrary, isc_db_handle* DBHandle, isc_tr_handle* TRHandle,
               const ISC_QUAD& BlobID) {
    if (!ClientLibrary) UnknownLibrary("BlobExist");
    isc_blob_handle h = 0;
    ISC_QUAD id = BlobID;
    ISC_STATUS_ARRAY status = {};
    if (ClientLibrary->isc_open_blob2(status, DBHandle, TRHandle, &h, &id, static_cast<ISC_USHORT>(0),
                                      static_cast<const ISC_UCHAR*>(nullptr)) != 0)
        return false;
    ClientLibrary->isc_close_blob(status, &h);
    return true;
}

// ---- cache files ---------------------------------------------------------------

AnsiString BlobCacheKeyText(const Variant& KeyValues) {
    if (!KeyValues.IsArray()) return VarToStr(KeyValues);
    if (VarArrayDimCount(KeyValues) != 1) return AnsiString();
    AnsiString r;
    const Integer lo = VarArrayLowBound(KeyValues, 1);
    const Integer hi = VarArrayHighBound(KeyValues, 1);
    for (Integer i = lo; i <= hi; ++i) {
        if (i > lo) r += '_';
        r += VarToStr(VarArrayGet(KeyValues, {i}));
    }
    return r;
}

AnsiString BlobCacheFileName(const AnsiString& SwapDir, const AnsiString& TableName, const AnsiString& FieldName,
                             const Variant& KeyValues, bool CreateDirs) {
    if (SwapDir.empty()) return AnsiString();
    const AnsiString dir = IncludeTrailingPathDelimiter(SwapDir) + SafeNamePart(TableName) + PathDelim +
                           SafeNamePart(FieldName) + PathDelim;
    if (CreateDirs) {
        if (!ForceDirectories(dir)) return AnsiString();
    } else if (!DirectoryExists(dir)) {
        return AnsiString();
    }
    return dir + SafeNamePart(BlobCacheKeyText(KeyValues)) + ".blb";
}

AnsiString EncodeBlobCacheFile(const ISC_QUAD& BlobID, const AnsiString& TableName, const AnsiString& FieldName,
                               const Variant& KeyValues, const AnsiString& Body, Int64 RecordVersion) {
    AnsiString s(CacheHeader, CacheHeaderSize);
    PutInt32(s, CacheVersion);
    PutInt32(s, BlobID.gds_quad_high);
    PutInt32(s, static_cast<Integer>(BlobID.gds_quad_low));
    PutInt32(s, static_cast<Integer>(Body.size()));
    PutInt32(s, KeyCount(KeyValues));
    PutText(s, TableName);
    PutText(s, FieldName);
    PutText(s, BlobCacheKeyText(KeyValues));
    PutInt32(s, static_cast<Integer>(RecordVersion & 0xFFFFFFFF));
    PutInt32(s, static_cast<Integer>(RecordVersion >> 32));
    s += Body;
    return s;
}

bool ReadBlobCacheHeader(const AnsiString& Data, ISC_QUAD& BlobID) {
    TReader r(Data);
    AnsiString head;
    Integer version = 0, high = 0, low = 0;
    if (!r.Bytes(CacheHeaderSize, head) || head != AnsiString(CacheHeader, CacheHeaderSize)) return false;
    if (!r.Int32(version) || version != CacheVersion) return false;
    if (!r.Int32(high) || !r.Int32(low)) return false;
    BlobID.gds_quad_high = high;
    BlobID.gds_quad_low = static_cast<ISC_ULONG>(low);
    return true;
}

bool DecodeBlobCacheFile(const AnsiString& Data, const ISC_QUAD& BlobID, Integer Size, const AnsiString& TableName,
                         const AnsiString& FieldName, const Variant& KeyValues, AnsiString& Body,
                         Int64* RecordVersion) {
    ISC_QUAD id{};
    if (!ReadBlobCacheHeader(Data, id)) return false;
    if (!SameBlobID(id, BlobID)) return false;
    TReader r(Data);
    AnsiString skip, table, field, key;
    Integer length = 0, keys = 0;
    r.Bytes(CacheHeaderSize + 12, skip);
    if (!r.Int32(length) || length != Size || !r.Int32(keys) || keys != KeyCount(KeyValues)) return false;
    if (!r.Text(table) || table != TableName || !r.Text(field) || field != FieldName) return false;
    if (!r.Text(key) || key != BlobCacheKeyText(KeyValues)) return false;
    Integer low = 0, high = 0;
    if (!r.Int32(low) || !r.Int32(high)) return false;
    if (RecordVersion)
        *RecordVersion = static_cast<Int64>(static_cast<uint64_t>(static_cast<uint32_t>(high)) << 32 |
                                            static_cast<uint32_t>(low));
    if (r.Left() != static_cast<size_t>(length)) return false;   // cut short or trailing bytes
    return r.Bytes(static_cast<size_t>(length), Body);
}

void LockBlobCache() { CacheLock().Enter(); }
void UnlockBlobCache() { CacheLock().Leave(); }

// ---- TFBBlobStream -----------------------------------------------------------

TFBBlobStream::TFBBlobStream(TList* OwnerList, const ISC_QUAD& BlobID, TFBDatabase* Database,
                             TFBTransaction* Transaction, const AnsiString& TableName, const AnsiString& FieldName,
                             const Variant& KeyValues)
    : FDatabase(Database), FTransaction(Transaction), FBlobID(BlobID), FOwnerList(OwnerList),
      FTableName(TableName), FFieldName(FieldName) {
    SetKeyValues(KeyValues);
    if (FOwnerList) FOwnerIndex = FOwnerList->Add(this);
}

TFBBlobStream::~TFBBlobStream() {
    // The list keeps its other indexes: only this slot empties.
    if (FOwnerList && FOwnerIndex >= 0 && FOwnerIndex < FOwnerList->Count() &&
        FOwnerList->Items(FOwnerIndex) == this)
        FOwnerList->SetItems(FOwnerIndex, nullptr);
}

void TFBBlobStream::SetKeyValues(const Variant& Value) {
    if (Value.IsEmpty()) FKeyValues = VarArrayCreate({0, 0}, varVariant);
    else FKeyValues = Value;
}

void TFBBlobStream::SetDatabase(TFBDatabase* Value) {
    FDatabase = Value;
    FLoaded = false;
}

void TFBBlobStream::SetTransaction(TFBTransaction* Value) {
    FTransaction = Value;
    FLoaded = false;
}

void TFBBlobStream::SetBlobID(const ISC_QUAD& Value) {
    FBlobID = Value;
    FLoaded = false;
}

void TFBBlobStream::SetMode(TBlobStreamMode Value) {
    FMode = Value;
    FLoaded = false;
}

void TFBBlobStream::CheckConnection(TFBTransaction* Tr) const {
    if (!FDatabase) FBError(21, {AnsiString("BlobStream")});
    if (!FDatabase->Connected()) FBError(12, {AnsiString("BlobStream")});
    if (!Tr) FBError(22, {AnsiString("BlobStream")});
    if (!Tr->Active()) FBError(15, {AnsiString("BlobStream")});
}

void TFBBlobStream::CheckReadable() const {
    if (FMode == bmWrite) FBError(35);
}

void TFBBlobStream::CheckWritable() const {
    if (FMode == bmRead) FBError(36);
}

bool TFBBlobStream::CacheActive() const {
    if (!FDatabase || FDatabase->ComponentState().Contains(csDesigning)) return false;
    const TBlobSwapSupport* s = FDatabase->BlobSwapSupport();
    return s->Active() && !s->GetSwapDir().empty();
}

AnsiString TFBBlobStream::Filtered(const AnsiString& Body, bool ForWriting) const {
    if (!FDatabase || Body.empty() || FBlobSubType >= 0 || !FDatabase->FindBlobFilter(FBlobSubType)) return Body;
    Integer size = static_cast<Integer>(Body.size());
    void* buf = std::malloc(Body.size());
    if (!buf) throw EOutOfMemory("Out of memory");
    std::memcpy(buf, Body.data(), Body.size());
    try {
        FDatabase->CallBlobFilter(buf, size, ForWriting, FBlobSubType);
    } catch (...) {
        std::free(buf);
        throw;
    }
    AnsiString r(static_cast<const char*>(buf), static_cast<size_t>(std::max<Integer>(size, 0)));
    std::free(buf);
    return r;
}

void TFBBlobStream::CloseHandle(isc_blob_handle& Handle) {
    if (!Handle) return;
    IIBClientLibrary* lib = FDatabase->ClientLibrary();
    const ISC_STATUS st = lib->isc_close_blob(StatusVector(), &Handle);
    Handle = 0;
    if (st > 0) IBError(lib, FDatabase);
}

bool TFBBlobStream::WouldCache(Integer Size) const {
    return CacheActive() && Size >= FDatabase->BlobSwapSupport()->MinBlobSizeToSwap() &&
           FBlobID.gds_quad_high != 0 && !FTableName.empty() && !FKeyFields.empty() &&
           !BlobCacheKeyText(FKeyValues).empty();
}

bool TFBBlobStream::LoadFromCache(isc_blob_handle& Handle, TStoredStamp& Stamp) {
    if (!CacheActive()) return false;
    TFBDatabase* db = FDatabase;
    AnsiString path = BlobCacheFileName(FDatabase->BlobSwapSupport()->GetSwapDir(), FTableName, FFieldName,
                                        FKeyValues, false);
    bool canLoad = true;
    if (db->BeforeLoadBlobFromSwap) FireEvent(db->BeforeLoadBlobFromSwap, FTableName, FFieldName, FKeyValues, path, canLoad);
    if (!canLoad || path.empty() || FTableName.empty() || BlobCacheKeyText(FKeyValues).empty()) return false;
    AnsiString body;
    Int64 version = 0;
    {
        TCacheGuard g;
        if (!FileExists(path)) return false;
        AnsiString data;
        try {
            data = LoadFileToString(path);
        } catch (const Exception&) {
            return false;
        }
        if (!DecodeBlobCacheFile(data, FBlobID, FTotalLength, FTableName, FFieldName, FKeyValues, body, &version)) {
            DeleteFile(path);
            return false;
        }
    }
    // Id and length do not tell: once old record versions are cleaned up the server gives a blob id
    // out again. The file holds the record's value only while the record has the version it was stored for.
    Stamp = StoredStamp();
    if (!Stamp.Known || Stamp.Version != version || !SameBlobID(Stamp.Id, FBlobID)) {
        if (Stamp.Asked) {   // the file holds what is no longer stored
            TCacheGuard g;
            DeleteFile(path);
        }
        return false;
    }
    FBuffer = Filtered(body, false);
    CloseHandle(Handle);
    FFromCache = true;
    if (db->AfterLoadBlobFromSwap) FireEvent(db->AfterLoadBlobFromSwap, FTableName, FFieldName, FKeyValues, path);
    return true;
}

TFBBlobStream::TStoredStamp TFBBlobStream::StoredStamp() {
    TStoredStamp r;
    std::vector<AnsiString> keys;
    for (Integer i = 1; i <= WordCount(FKeyFields, ";"); ++i) keys.push_back(FastTrim(ExtractWord(i, FKeyFields, ";")));
    if (keys.empty() || static_cast<Integer>(keys.size()) != KeyCount(FKeyValues)) return r;
    const Integer dialect = FDatabase->SQLDialect();
    AnsiString sql = "select rdb$record_version, " + FormatIdentifier(dialect, FFieldName) +
                     ", current_transaction from " + FormatIdentifier(dialect, FTableName) + " where ";
    for (size_t i = 0; i < keys.size(); ++i)
        sql += (i ? " and " : "") + FormatIdentifier(dialect, keys[i]) + " = :K" + IntToStr(static_cast<Integer>(i));
    try {
        TFBQuery q(nullptr);
        q.SetDatabase(FDatabase);
        q.SetTransaction(FTransaction);
        q.SQL()->SetText(sql);
        const bool array = FKeyValues.IsArray();
        const Integer lo = array ? VarArrayLowBound(FKeyValues, 1) : 0;
        for (size_t i = 0; i < keys.size(); ++i) {
            const Variant v = array ? VarArrayGet(FKeyValues, {lo + static_cast<Integer>(i)}) : FKeyValues;
            if (v.IsNull() || v.IsEmpty()) return r;
            q.ParamByName("K" + IntToStr(static_cast<Integer>(i)))->SetValue(v);
        }
        q.ExecQuery();
        r.Asked = true;
        // A version this transaction wrote may be written again before it ends: never trusted.
        if (!q.Eof() && !q.Fields(0)->IsNull() && q.Fields(0)->AsInt64() != q.Fields(2)->AsInt64()) {
            r.Known = true;
            r.Version = q.Fields(0)->AsInt64();
            if (!q.Fields(1)->IsNull()) r.Id = q.Fields(1)->AsQuad();
        }
        q.Close();
    } catch (const Exception&) {
        r = TStoredStamp();   // not answered: the server's own copy is read
    }
    return r;
}

void TFBBlobStream::SaveToCache(const AnsiString& RawBody, const TStoredStamp& Stamp) {
    if (FFromCache || !WouldCache(static_cast<Integer>(RawBody.size()))) return;
    // Only a body the record's committed version holds is kept.
    if (!Stamp.Known || !SameBlobID(Stamp.Id, FBlobID)) return;
    TFBDatabase* db = FDatabase;
    AnsiString path = BlobCacheFileName(db->BlobSwapSupport()->GetSwapDir(), FTableName, FFieldName, FKeyValues, true);
    bool canSave = true;
    if (db->BeforeSaveBlobToSwap) FireEvent(db->BeforeSaveBlobToSwap, FTableName, FFieldName, FKeyValues, this, path, canSave);
    if (!canSave || path.empty() || FTableName.empty() || BlobCacheKeyText(FKeyValues).empty()) return;
    {
        TCacheGuard g;
        try {
            // An empty blob leaves an empty file; a failed write never replaces a good one.
            SaveFileAtomically(path, RawBody.empty() ? AnsiString()
                                                     : EncodeBlobCacheFile(FBlobID, FTableName, FFieldName,
                                                                           FKeyValues, RawBody, Stamp.Version));
        } catch (const Exception&) {
            return;   // the cache is an optimisation: the blob itself is safe on the server
        }
    }
    if (db->AfterSaveBlobToSwap) FireEvent(db->AfterSaveBlobToSwap, FTableName, FFieldName, FKeyValues, path);
}

void TFBBlobStream::CheckLoaded() {
    if (FLoaded) return;
    // Another blob (or the same one anew): nothing of an earlier edit carries over.
    FFromCache = false;
    FPosition = 0;
    FSaveCopyNext = true;
    FHasOldBuffer = false;
    ForgetPosted();
    FOldBuffer.clear();
    if (FMode == bmWrite || BlobIDIsZero(FBlobID)) {
        // Nothing to read: a new blob, or a null one.
        FBuffer.clear();
        FNumSegments = FMaxSegment = FTotalLength = 0;
        FModified = FMode != bmRead;
        FLoaded = true;
        return;
    }
    CheckConnection(FTransaction);
    IIBClientLibrary* lib = FDatabase->ClientLibrary();
    isc_blob_handle h = 0;
    ISC_QUAD id = FBlobID;
    if (lib->isc_open_blob2(StatusVector(), FDatabase->HandleAddress(), FTransaction->HandleAddress(), &h, &id,
                            static_cast<ISC_USHORT>(0), static_cast<const ISC_UCHAR*>(nullptr)) > 0)
        IBError(lib, FDatabase);
    AnsiString raw;
    TStoredStamp stamp;
    try {
        GetBlobInfo(lib, &h, FNumSegments, FMaxSegment, FTotalLength, FBlobType);
        if (!LoadFromCache(h, stamp)) {
            // Asked before the body is read: a later write can never be filed as the one read here.
            if (!stamp.Asked && WouldCache(FTotalLength)) stamp = StoredStamp();
            raw.resize(static_cast<size_t>(std::max<Integer>(FTotalLength, 0)));
            ReadBlob(lib, &h, raw.data(), static_cast<Integer>(raw.size()));
            CloseHandle(h);
            FBuffer = Filtered(raw, false);
        }
    } catch (...) {
        if (h) {
            ISC_STATUS_ARRAY st = {};
            lib->isc_close_blob(st, &h);
        }
        throw;
    }
    FModified = false;
    FLoaded = true;
    if (!FFromCache) SaveToCache(raw, stamp);
}

void TFBBlobStream::SaveCopyIfAsked() {
    if (FSaveCopyNext && !FHasOldBuffer) {
        FOldBuffer = FBuffer;
        FOldBlobID = FBlobID;
        FHasOldBuffer = true;
    }
    FSaveCopyNext = false;
}

void TFBBlobStream::MarkModified() {
    CheckLoaded();
    SaveCopyIfAsked();
    FModified = true;
}

Integer TFBBlobStream::Read(void* Buffer, Integer Count) {
    CheckReadable();
    CheckLoaded();
    const Int64 size = static_cast<Int64>(FBuffer.size());
    if (Count <= 0 || FPosition >= size) return 0;
    const Integer n = static_cast<Integer>(std::min<Int64>(Count, size - FPosition));
    std::memcpy(Buffer, FBuffer.data() + FPosition, static_cast<size_t>(n));
    FPosition += n;
    return n;
}

Integer TFBBlobStream::Write(const void* Buffer, Integer Count) {
    CheckWritable();
    CheckLoaded();
    if (Count <= 0) return 0;
    SaveCopyIfAsked();
    const auto end = static_cast<size_t>(FPosition + Count);
    if (end > FBuffer.size()) FBuffer.resize(end, '\0');
    std::memcpy(FBuffer.data() + FPosition, Buffer, static_cast<size_t>(Count));
    FPosition += Count;
    FModified = true;
    return Count;
}

Int64 TFBBlobStream::Seek(Int64 Offset, TSeekOrigin Origin) {
    CheckLoaded();
    switch (Origin) {
        case soBeginning: FPosition = Offset; break;
        case soCurrent: FPosition += Offset; break;
        case soEnd: FPosition = static_cast<Int64>(FBuffer.size()) + Offset; break;
    }
    if (FPosition < 0) FPosition = 0;
    return FPosition;
}

Int64 TFBBlobStream::Size() {
    CheckLoaded();
    return static_cast<Int64>(FBuffer.size());
}

void TFBBlobStream::SetSize(Int64 NewSize) {
    CheckWritable();
    CheckLoaded();
    if (NewSize < 0) NewSize = 0;
    if (static_cast<size_t>(NewSize) == FBuffer.size()) return;
    SaveCopyIfAsked();
    FBuffer.resize(static_cast<size_t>(NewSize), '\0');
    if (FPosition > NewSize) FPosition = NewSize;
    FModified = true;
}

AnsiString TFBBlobStream::AsString() {
    CheckReadable();
    CheckLoaded();
    return FBuffer;
}

void TFBBlobStream::Finalize(bool Force) {
    if (!FLoaded || FMode == bmRead || (!FModified && !Force)) return;
    TFBTransaction* tr = FUpdateTransaction ? FUpdateTransaction : FTransaction;
    CheckConnection(tr);
    IIBClientLibrary* lib = FDatabase->ClientLibrary();
    const AnsiString body = Filtered(FBuffer, true);
    isc_blob_handle h = 0;
    ISC_QUAD id{};
    if (lib->isc_create_blob2(StatusVector(), FDatabase->HandleAddress(), tr->HandleAddress(), &h, &id,
                              static_cast<short>(0), static_cast<const ISC_SCHAR*>(nullptr)) > 0)
        IBError(lib, FDatabase);
    try {
        WriteBlob(lib, &h, body.data(), static_cast<Integer>(body.size()));
        CloseHandle(h);
    } catch (...) {
        if (h) {
            // Never leave half a blob behind; the write's own error is the one reported.
            ISC_STATUS_ARRAY st = {};
            lib->isc_cancel_blob(st, &h);
        }
        throw;
    }
    FBlobID = id;
}

void TFBBlobStream::MarkFinalized() {
    FModified = false;
    FSaveCopyNext = true;
    FHasOldBuffer = false;
    FOldBuffer.clear();
    ForgetPosted();
}

void TFBBlobStream::FinalizeAndMark(bool Force) {
    Finalize(Force);
    MarkFinalized();
}

void TFBBlobStream::SetBlobIDAndCache(const ISC_QUAD& Value) {
    FBlobID = Value;
    FFromCache = false;
    if (FLoaded && WouldCache(static_cast<Integer>(FBuffer.size())))
        SaveToCache(Filtered(FBuffer, true), StoredStamp());
}

void TFBBlobStream::RestoreOldBuffer() {
    if (!FLoaded || !FModified) return;
    if (FHasPosted) {
        FBuffer = FPostedBuffer;
        if (FPosition > static_cast<Int64>(FBuffer.size())) FPosition = static_cast<Int64>(FBuffer.size());
        return;
    }
    if (FHasOldBuffer) {
        FBuffer = FOldBuffer;
        FBlobID = FOldBlobID;
    }
    FHasOldBuffer = false;
    FOldBuffer.clear();
    FSaveCopyNext = true;
    FModified = false;
    if (FPosition > static_cast<Int64>(FBuffer.size())) FPosition = static_cast<Int64>(FBuffer.size());
}

void TFBBlobStream::FreeOldBuffer() {
    FHasOldBuffer = false;
    FOldBuffer.clear();
    ForgetPosted();
}

void TFBBlobStream::MarkPosted() {
    if (!FLoaded || !FModified) return;
    FPostedBuffer = FBuffer;
    FHasPosted = true;
}

void TFBBlobStream::ForgetPosted() {
    FHasPosted = false;
    FPostedBuffer.clear();
}

Integer TFBBlobStream::ReadOldData(void* Buffer, Integer Count) {
    CheckLoaded();
    const AnsiString& src = FHasOldBuffer ? FOldBuffer : FBuffer;
    const Integer n = std::max<Integer>(0, std::min<Integer>(Count, static_cast<Integer>(src.size())));
    if (n > 0) std::memcpy(Buffer, src.data(), static_cast<size_t>(n));
    return n;
}

Integer TFBBlobStream::GetOldSize() {
    CheckLoaded();
    return static_cast<Integer>(FHasOldBuffer ? FOldBuffer.size() : FBuffer.size());
}

// ---- cache validation ------------------------------------------------------------

void StartValidateBlobCache(TFBDatabase* Database) {
    if (!Database || !Database->Connected()) return;
    const AnsiString dir = Database->BlobSwapSupport()->GetSwapDir();
    if (dir.empty() || !DirectoryExists(dir)) return;
    auto* t = new TValidateBlobCacheThread(Database, dir);
    t->SetFreeOnTerminate(true);
    {
        std::lock_guard<std::mutex> g(RunningLock);
        ++RunningThreads;
    }
    t->Start();
}

void WaitForBlobCacheValidation() {
    std::unique_lock<std::mutex> g(RunningLock);
    RunningDone.wait(g, [] { return RunningThreads == 0; });
}

TValidateBlobCacheThread::TValidateBlobCacheThread(TFBDatabase* Database, const AnsiString& CacheDir)
    : TThread(true), FCacheDir(CacheDir) {
    FDatabase = std::make_unique<TFBDatabase>(nullptr);
    FDatabase->SetName("dbValidateBlobCache");
    FDatabase->SetLibraryName(Database->LibraryName());
    FDatabase->SetDBParams(Database->DBParams());
    FDatabase->SetUseLoginPrompt(false);
    FDatabase->SetSynchronizeTime(false);
    // Embedded and remote names both reach the same database from this
    // process; a "localhost:" prefix would need a server that may not run.
    FDatabase->SetDBName(Database->DBName());
    FTransaction = std::make_unique<TFBTransaction>(nullptr);
    FTransaction->SetName("trValidateBlobCache");
    FTransaction->SetDefaultDatabase(FDatabase.get());
    FTransaction->TRParams()->SetText("read\r\nread_committed\r\nnowait\r\nrec_version");
}

TValidateBlobCacheThread::~TValidateBlobCacheThread() {
    if (!Finished()) {
        Terminate();
        WaitFor();
    }
    FTransaction.reset();
    FDatabase.reset();
    std::lock_guard<std::mutex> g(RunningLock);
    --RunningThreads;
    RunningDone.notify_all();
}

bool TValidateBlobCacheThread::EnsureConnected() {
    if (FConnectFailed) return false;
    try {
        if (!FDatabase->Connected()) FDatabase->Open();
        if (!FTransaction->Active()) FTransaction->StartTransaction();
        return true;
    } catch (const Exception&) {
        FConnectFailed = true;   // keep every file rather than judge without the server
        return false;
    }
}

void TValidateBlobCacheThread::ValidateFile(const AnsiString& FileName) {
    TCacheGuard g;
    AnsiString data;
    try {
        data = LoadFileToString(FileName);
    } catch (const Exception&) {
        return;
    }
    ISC_QUAD id{};
    if (!ReadBlobCacheHeader(data, id)) {
        DeleteFile(FileName);
        return;
    }
    if (!EnsureConnected()) return;
    if (!BlobExist(FDatabase->ClientLibrary(), FDatabase->HandleAddress(), FTransaction->HandleAddress(), id))
        DeleteFile(FileName);
}

void TValidateBlobCacheThread::WalkDir(const AnsiString& Dir) {
    constexpr Integer allowed = faReadOnly | faHidden | faSysFile | faVolumeID | faDirectory | faArchive;
    TSearchRec f;
    std::vector<AnsiString> files, dirs;
    if (FindFirst(Dir + "*", faAnyFile, f) == 0) {
        do {
            if ((f.Attr & ~allowed) != 0) continue;   // links and the like are not ours
            if (f.Attr & faDirectory) {
                if (f.Name != "." && f.Name != "..") dirs.push_back(Dir + f.Name + PathDelim);
            } else if (MatchesMask(f.Name, "*.blb")) {
                files.push_back(Dir + f.Name);
            }
        } while (!Terminated() && FindNext(f) == 0);
        FindClose(f);
    }
    for (const AnsiString& n : files) {
        if (Terminated() || FConnectFailed) return;
        ValidateFile(n);
    }
    for (const AnsiString& d : dirs) {
        if (Terminated() || FConnectFailed) return;
        WalkDir(d);
    }
}

void TValidateBlobCacheThread::Execute() {
    try {
        WalkDir(IncludeTrailingPathDelimiter(FCacheDir));
        if (FTransaction->Active()) FTransaction->Commit();
        if (FDatabase->Connected()) FDatabase->Close();
    } catch (const Exception&) {
        // A validation run that fails leaves the cache as it was.
        try {
            if (FDatabase->Connected()) FDatabase->ForceClose();
        } catch (...) {
        }
    }
}
