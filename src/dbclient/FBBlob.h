#pragma once
// Blob contents: the low-level segment routines, TFBBlobStream (one blob held
// in memory, loaded on first access, written back as a new blob) and the
// local blob cache files ("*.blb" below the database's swap directory) with
// the thread that drops cache files whose blob is gone from the server.
#include <functional>
#include <memory>

#include "dbclient/IB_Intf.h"
#include "platform/data/DB.h"
#include "platform/rtl/SyncObjs.h"
#include "platform/rtl/Variants.h"

class TFBDatabase;
class TFBTransaction;

// Largest piece handed to one segment call.
inline constexpr Integer MaxBlobSegment = 65535;

// Blob information items 4..7. Raises Exception "Can't perform operation
// GetBlobInfo. Unknown client library" without a library, IBError on failure.
void GetBlobInfo(const IIBClientLibrary* ClientLibrary, isc_blob_handle* BlobHandle, Integer& NumSegments,
                 Integer& MaxSegment, Integer& TotalLength, Integer& BlobType);
// Reads Size bytes in requests of at most MaxBlobSegment bytes.
void ReadBlob(const IIBClientLibrary* ClientLibrary, isc_blob_handle* BlobHandle, char* Buffer, Integer Size);
// Writes Size bytes in pieces of MaxBlobSegment bytes, the last one shorter.
void WriteBlob(const IIBClientLibrary* ClientLibrary, isc_blob_handle* BlobHandle, const char* Buffer,
               Integer Size);
// True when the blob opens in the transaction; never raises a client error.
bool BlobExist(const IIBClientLibrary* ClientLibrary, isc_db_handle* DBHandle, isc_tr_handle* TRHandle,
               const ISC_QUAD& BlobID);

inline bool BlobIDIsZero(const ISC_QUAD& Id) { return Id.gds_quad_high == 0 && Id.gds_quad_low == 0; }

class TFBBlobStream;

// The key values as the cache keys them: each value as text, joined by "_".
AnsiString BlobCacheKeyText(const Variant& KeyValues);
// SwapDir + table + "/" + field + "/" + key text + ".blb"; a name part that
// could leave its folder ("/", "..") is escaped. With CreateDirs the folders
// are made; without, a missing folder gives ''.
AnsiString BlobCacheFileName(const AnsiString& SwapDir, const AnsiString& TableName, const AnsiString& FieldName,
                             const Variant& KeyValues, bool CreateDirs);

// One cache file's contents as written to disk. RecordVersion is the record version (the number
// of the transaction that wrote it) whose value Body is: every write of the record changes it, so
// a file is never taken for a value written after it, whatever its length or blob id.
AnsiString EncodeBlobCacheFile(const ISC_QUAD& BlobID, const AnsiString& TableName, const AnsiString& FieldName,
                               const Variant& KeyValues, const AnsiString& Body, Int64 RecordVersion = 0);
// True when the header, version and every identifying field match; Body gets the contents and
// RecordVersion the record version it was stored for. Files of the first version carry none: refused.
bool DecodeBlobCacheFile(const AnsiString& Data, const ISC_QUAD& BlobID, Integer Size, const AnsiString& TableName,
                         const AnsiString& FieldName, const Variant& KeyValues, AnsiString& Body,
                         Int64* RecordVersion = nullptr);
// Header "FB$BLOB_BODY" and the current version (2); BlobID gets the stored id.
bool ReadBlobCacheHeader(const AnsiString& Data, ISC_QUAD& BlobID);

// The process-wide lock of every cache file access.
void LockBlobCache();
void UnlockBlobCache();

class TFBBlobStream : public TStream {
public:
    // Registers in OwnerList (may be null); an absent key array becomes an
    // array of one empty value.
    TFBBlobStream(TList* OwnerList, const ISC_QUAD& BlobID, TFBDatabase* Database, TFBTransaction* Transaction,
                  const AnsiString& TableName = AnsiString(), const AnsiString& FieldName = AnsiString(),
                  const Variant& KeyValues = Variant());
    ~TFBBlobStream() override;

    Integer Read(void* Buffer, Integer Count) override;
    Integer Write(const void* Buffer, Integer Count) override;
    Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
    Int64 Size() override;
    void SetSize(Int64 NewSize) override;

    TFBDatabase* Database() const { return FDatabase; }
    void SetDatabase(TFBDatabase* Value);
    TFBTransaction* Transaction() const { return FTransaction; }
    void SetTransaction(TFBTransaction* Value);
    // Used for writing when set, else the read transaction.
    TFBTransaction* UpdateTransaction() const { return FUpdateTransaction; }
    void SetUpdateTransaction(TFBTransaction* Value) { FUpdateTransaction = Value; }
    const ISC_QUAD& BlobID() const { return FBlobID; }
    void SetBlobID(const ISC_QUAD& Value);
    TBlobStreamMode Mode() const { return FMode; }
    void SetMode(TBlobStreamMode Value);
    Integer BlobSubType() const { return FBlobSubType; }
    void SetBlobSubType(Integer Value) { FBlobSubType = Value; }
    const AnsiString& TableName() const { return FTableName; }
    void SetTableName(const AnsiString& Value) { FTableName = Value; }
    const AnsiString& FieldName() const { return FFieldName; }
    void SetFieldName(const AnsiString& Value) { FFieldName = Value; }
    const Variant& KeyValues() const { return FKeyValues; }
    void SetKeyValues(const Variant& Value);
    // The table's primary-key columns (";" between them), in the order of the key values: a cache
    // file is used only when the record, found by them, still has the version the file was stored for.
    const AnsiString& KeyFields() const { return FKeyFields; }
    void SetKeyFields(const AnsiString& Value) { FKeyFields = Value; }

    bool Loaded() const { return FLoaded; }
    bool Modified() const { return FModified; }
    // Marks the contents changed; the saved copy is taken first when asked for.
    void MarkModified();
    bool LoadedFromCache() const { return FFromCache; }
    Integer BlobNumSegments() const { return FNumSegments; }
    Integer BlobMaxSegmentSize() const { return FMaxSegment; }
    Integer BlobType() const { return FBlobType; }
    Integer OwnerIndex() const { return FOwnerIndex; }
    // The whole contents (loads first).
    AnsiString AsString();

    // Writes a loaded, modified stream that is not read-only (or any loaded
    // one when Force) to the server as a new blob; the new id is in BlobID.
    void Finalize(bool Force = false);
    // Marks the contents saved: not modified, a copy is kept before the next change.
    void MarkFinalized();
    void FinalizeAndMark(bool Force = false);
    // Sets the id after a write and stores the contents in the cache.
    void SetBlobIDAndCache(const ISC_QUAD& Value);

    // Cancel: a loaded, modified stream gets its saved copy back, with the
    // blob id it had then (a write of the cancelled contents is forgotten);
    // after MarkPosted, the contents posted then, still modified.
    void RestoreOldBuffer();
    void FreeOldBuffer();
    // A posted change that is not written yet (cached updates): a later cancel
    // goes back to these contents, not to the saved copy.
    void MarkPosted();
    // Drops what MarkPosted kept: a cancel goes back to the saved copy again.
    void ForgetPosted();
    // The contents from before the first change (the current ones when unchanged).
    Integer ReadOldData(void* Buffer, Integer Count);
    Integer GetOldSize();

private:
    void CheckLoaded();
    void CheckReadable() const;
    void CheckWritable() const;
    void CheckConnection(TFBTransaction* Tr) const;
    void SaveCopyIfAsked();
    bool CacheActive() const;
    // The record's value as the server holds it now, found by the key.
    struct TStoredStamp {
        bool Asked = false;   // the server answered
        bool Known = false;   // written by a committed transaction: it no longer changes
        Int64 Version = 0;    // the transaction that wrote it
        ISC_QUAD Id{};        // its blob id
    };
    TStoredStamp StoredStamp();
    // A body of Size bytes would be stored in the cache.
    bool WouldCache(Integer Size) const;
    bool LoadFromCache(isc_blob_handle& Handle, TStoredStamp& Stamp);
    void SaveToCache(const AnsiString& RawBody, const TStoredStamp& Stamp);
    AnsiString Filtered(const AnsiString& Body, bool ForWriting) const;
    void CloseHandle(isc_blob_handle& Handle);

    TFBDatabase* FDatabase;
    TFBTransaction* FTransaction;
    TFBTransaction* FUpdateTransaction = nullptr;
    ISC_QUAD FBlobID;
    Integer FNumSegments = 0;
    Integer FMaxSegment = 0;
    Integer FTotalLength = 0;
    Integer FBlobType = 0;
    Integer FBlobSubType = 0;
    AnsiString FBuffer;
    AnsiString FOldBuffer;
    bool FHasOldBuffer = false;
    ISC_QUAD FOldBlobID{};
    AnsiString FPostedBuffer;
    bool FHasPosted = false;
    bool FLoaded = false;
    TBlobStreamMode FMode = bmReadWrite;
    bool FModified = false;
    Int64 FPosition = 0;
    TList* FOwnerList;
    Integer FOwnerIndex = -1;
    bool FSaveCopyNext = true;
    AnsiString FTableName;
    AnsiString FFieldName;
    Variant FKeyValues;
    AnsiString FKeyFields;
    bool FFromCache = false;
};

// Starts the cache validation for a connected Database whose swap directory
// exists (called after every connect). The thread works on its own
// attachment and transaction and frees itself.
void StartValidateBlobCache(TFBDatabase* Database);
// Waits until no validation thread runs (program end, tests).
void WaitForBlobCacheValidation();

class TValidateBlobCacheThread : public TThread {
public:
    // Copies what it needs from Database; starts at once.
    TValidateBlobCacheThread(TFBDatabase* Database, const AnsiString& CacheDir);
    ~TValidateBlobCacheThread() override;

protected:
    void Execute() override;

private:
    void WalkDir(const AnsiString& Dir);
    void ValidateFile(const AnsiString& FileName);
    bool EnsureConnected();

    std::unique_ptr<TFBDatabase> FDatabase;
    std::unique_ptr<TFBTransaction> FTransaction;
    AnsiString FCacheDir;
    bool FConnectFailed = false;
};
