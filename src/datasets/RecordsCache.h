#pragma once
// The store of fetched records of a data set and the small containers of the
// data-set layer.
//
// TRecordsCache keeps fixed-size record images in blocks, numbered from 1 in
// the order in which they were first written (physical numbers). An optional
// index gives a logical order that sorting, moving and inserting change
// without moving any image. Long text columns live out of the images in a
// TStringCollection. One work buffer (the size of a data-set record buffer)
// holds the record being looked at, and a log keeps saved copies of images.
// Record numbers are 1-based logical positions unless said otherwise.
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/rtl/SysUtils.h"
#include "platform/rtl/System.h"

class EMemManagerError : public Exception {
public:
    using Exception::Exception;
};

// The error a bad TStringCollection index raises.
class EStrCollectionError : public Exception {
public:
    using Exception::Exception;
};

// A table of strings with a fixed number of columns. X is the column, Y the
// row, both 0-based; a bad index raises EStrCollectionError.
//
// A row's texts lie packed one after the other in a chunk of memory, each
// behind its length (7 bits a byte), so a row costs its text plus a byte or
// two per column and one offset. Changing a text of the newest row rewrites it
// in place; changing an older row moves that row to the end.
class TStringCollection : public TObject {
public:
    explicit TStringCollection(Integer ColCount);

    // Appends an empty row; returns the new row count.
    Integer AddRow();
    void Clear();
    Integer ColCount() const { return FColCount; }
    Integer RowCount() const { return FRowCount; }
    Integer Capacity() const { return FCapacity; }

    AnsiString GetValue(Integer X, Integer Y) const;
    // The text in place; valid until the collection next changes.
    std::string_view ValueView(Integer X, Integer Y) const;
    void SetValue(Integer X, Integer Y, const AnsiString& Value) { SetValueFromBuffer(X, Y, Value.data(), static_cast<Integer>(Value.size())); }
    // Length -1 means up to the first byte 0.
    void SetValueFromBuffer(Integer X, Integer Y, const char* Buffer, Integer Length);
    // Every text of row Y at once, in column order (a fetched row).
    using TText = std::pair<const char*, size_t>;
    void SetRow(Integer Y, const TText* Texts);
    // Copies row Y's texts in column order to Sink(Column, Chars, Length).
    template <class F>
    void ForEachValue(Integer Y, F&& Sink) const {
        CheckRead(0, Y);
        const Byte* P = RowStart(Y);
        // A row added but never given its texts holds empty ones.
        if (!P) {
            for (Integer X = 0; X < FColCount; ++X) Sink(X, "", size_t(0));
            return;
        }
        for (Integer X = 0; X < FColCount; ++X) {
            const size_t N = ReadLength(P);
            Sink(X, reinterpret_cast<const char*>(P), N);
            P += N;
        }
    }
    // Bytes held for texts (chunks), for measuring.
    size_t HeapSize() const;

private:
    void CheckRead(Integer X, Integer Y) const;
    void CheckWrite(Integer X, Integer Y) const;
    const Byte* RowStart(Integer Y) const;
    size_t RowSize(Integer Y) const;
    static size_t ReadLength(const Byte*& P);
    static size_t LengthSize(size_t N);
    static Byte* WriteLength(Byte* P, size_t N);
    // Room for Size bytes at the end of the newest chunk.
    Byte* Reserve(size_t Size, uint64_t& Place);
    // Copies the live rows into new chunks once moved rows left more behind than they hold.
    void CompactIfWasteful();

    struct TChunk {
        std::unique_ptr<Byte[]> Data;
        size_t Size = 0;
        size_t Used = 0;
    };
    std::vector<TChunk> FChunks;
    std::vector<uint64_t> FRows;   // chunk << 32 | offset; ~0 for an empty row
    // Where the last write left off, so that a row written column after column
    // (as fetching does) is not scanned from its start for every column.
    size_t FLive = 0;     // bytes of the rows in use
    size_t FWasted = 0;   // bytes rows left behind when they moved
    Integer FHintRow = -1;
    Integer FHintCol = 0;
    size_t FHintPos = 0;    // offset of column FHintCol in the row
    size_t FHintSize = 0;   // the row's size
    Integer FColCount;
    Integer FRowCount = 0;
    Integer FCapacity = 0;
};

class TRecordsCache : public TObject {
public:
    // Raises EMemManagerError "Incompatible Sizes" when a block cannot hold a record.
    TRecordsCache(Integer RecordsPerBlock, Integer BufferSize, Integer RecordSize, Integer StringColumns);
    ~TRecordsCache() override;

    Integer AddBlock();  // appends a zero-filled block; returns the block count
    // Column is 1-based; ignored without string columns or outside 1..count.
    void SetStringColumn(Integer Column, Integer Offset, Integer Length);

    // Makes room for record RecNo and returns the address of its image.
    Byte* RecordAddress(Integer RecNo);
    void ReadRecord(Integer RecNo, Byte* Buffer, bool FromLog = false);
    // Buffer nullptr stores a zero-filled image. Extend makes room first.
    void WriteRecord(Integer RecNo, const Byte* Buffer, bool Extend);
    // Column and RecIndex are 0-based; the value goes to the record's row.
    void SetStringValue(Integer Column, Integer RecIndex, const AnsiString& Value);
    // Length -1 means the column's room (with Trim) or up to the first byte 0.
    void SetStringValueFromBuffer(Integer Column, Integer RecIndex, bool Trim, Integer Length, const char* Chars);
    // Every text column of the record at once, in column order, as they are.
    void SetStringRow(Integer RecIndex, const TStringCollection::TText* Texts);

    Byte* GetRecordBuffer(Integer RecNo);
    // Always reloads: the work buffer then holds the values before an edit.
    void LoadWorkBuffer(Integer RecNo);
    void ClearWorkBuffer();  // every byte 1
    void SaveToLog(Integer RecNo);
    void ClearLog();
    void WriteBackRecord(Integer RecNo);
    Byte* RecordImage(Integer RecNo);  // nullptr beyond the blocks; counts as a change
    const Byte* PeekRecord(Integer RecNo) const { return ImageOf(Physical(RecNo)); }  // read only
    // Grows with every write of a record (or a hand-out of its image) and every move in the
    // order: what is worked out from the records is stale once it differs.
    Integer Changes() const { return FChanges; }

    // Logical order; positions are 0-based. Out-of-range positions raise
    // EListError before anything changes.
    void ExchangeRecords(Integer A, Integer B);
    void MoveRecord(Integer From, Integer To);
    void InsertRecord(Integer Pos);
    Integer PhysicalRecNo(Integer LogicalIndex) const;  // -1 beyond the index
    Integer LogicalIndex(Integer Physical) const;       // -1 when not present
    bool RecordExists(Integer Physical) const;

    Integer RecordCount() const { return FRecordCount; }
    Integer RecordSize() const { return FRecordSize; }
    Integer BufferSize() const { return FBufferSize; }
    Integer BlockSize() const { return FBlockSize; }
    Integer RecordsPerBlock() const { return FRecordsPerBlock; }
    Integer BlockCount() const { return static_cast<Integer>(FBlocks.size()); }
    Integer LogBlockCount() const { return static_cast<Integer>(FLogBlocks.size()); }
    Integer LogEntryCount() const { return FLogEntryCount; }
    Integer StringColumnCount() const { return FStringColumns; }
    Integer WorkRecNo() const { return FWorkRecNo; }
    bool LogMode() const { return FLogMode; }
    void SetLogMode(bool Value) { FLogMode = Value; }
    TStringCollection* Strings() const { return FStrings.get(); }
    TStringCollection* LogStrings() const { return FLogStrings.get(); }

private:
    struct TLogEntry {
        Integer Physical;
        Integer Slot;
    };
    using TBlock = std::unique_ptr<Byte[]>;

    Integer Physical(Integer RecNo) const;  // -1 when unknown
    Byte* ImageOf(Integer Physical) const;  // nullptr beyond the blocks
    void EnsureIndex();
    void EnsureStringRows(Integer Rows);
    void CheckPosition(Integer Pos, Integer Count) const;
    const TLogEntry* FindLog(Integer Physical) const;
    void ImageToBuffer(const Byte* Image, Byte* Buffer, TStringCollection* Strings, Integer Row);
    void BufferToImage(const Byte* Buffer, Byte* Image, Integer Row);
    AnsiString TakeStringValue(Integer Column, const AnsiString& Value) const;

    std::unique_ptr<std::vector<Integer>> FIndex;
    std::unique_ptr<TStringCollection> FStrings;
    std::unique_ptr<TStringCollection> FLogStrings;
    std::vector<TBlock> FBlocks;
    std::vector<TBlock> FLogBlocks;
    std::vector<TLogEntry> FLogDirectory;  // sorted by physical number
    Integer FWorkRecNo = -1;
    std::unique_ptr<Byte[]> FWorkBuffer;
    Integer FBlockSize = 0;
    Integer FRecordSize;
    Integer FBufferSize;
    Integer FRecordCount = 0;
    Integer FLogEntryCount = 0;
    std::vector<Integer> FStrOffsets;
    std::vector<Integer> FStrLengths;
    Integer FStrFirst = 0;   // where the text columns start and end in the buffer
    Integer FStrLast = 0;
    Integer FRecordsPerBlock;
    Integer FStringColumns = 0;
    bool FLogMode = false;
    Integer FChanges = 0;
};

// A sorted set of integers.
class TSortedList : public TObject {
public:
    // True when V is present; Index gets the first position whose value is not below V.
    bool Find(Integer V, Integer& Index) const;
    Integer Add(Integer V);  // position of V (inserted unless present)
    void Remove(Integer V);
    void ShiftFrom(Integer V, Integer Delta);  // Delta added to every value not below V
    Integer Items(Integer Index) const;
    Integer Count() const { return static_cast<Integer>(FItems.size()); }
    void Clear() { FItems.clear(); }
    Integer Last() const { return FItems.empty() ? -1 : FItems.back(); }

private:
    std::vector<Integer> FItems;
};

// Strings with owned objects. Without hashing the strings are kept sorted
// (duplicates allowed); with hashing they are kept in the order of their
// hashes and each text is held once. Texts compare exactly (case counts).
class TObjStringList : public TObject {
public:
    TObjStringList(void* AOwner, bool Hashed);
    ~TObjStringList() override;  // frees every held object

    // Hashed: present -> its index; else inserted at its place.
    Integer AddObject(const AnsiString& S, TObject* AObject);
    // Index: the first match, or where S would be inserted.
    bool Find(const AnsiString& S, Integer& Index) const;
    // Remove and Delete take the entry out without freeing its object.
    void Remove(const AnsiString& S);
    void Delete(Integer Index);
    TObject* GetObject(Integer Index) const;
    AnsiString Strings(Integer Index) const;
    Integer Count() const { return static_cast<Integer>(FItems.size()); }
    void* Owner() const { return FOwner; }
    bool Hashed() const { return FHashed; }

    static Integer HashOf(const AnsiString& S);

private:
    struct TItem {
        AnsiString Text;
        TObject* Object;
        Integer Hash;
    };
    void CheckIndex(Integer Index) const;
    void* FOwner;
    std::vector<TItem> FItems;
    bool FHashed;
};

// One column of a data set's select: what the record layout is computed from.
struct TFBFieldDescr {
    Word SqlType = 0;       // nullable bit cleared
    Word Scale = 0;
    Byte Nullable = 0;
    Word Width = 0;         // bytes
    Integer Offset = 0;     // in the record buffer, filled after adding
    Byte IsDBKey = 0;
    Byte OutOfLine = 0;     // a long text kept in the strings table
    Integer StringIndex = 0;  // filled after adding; -1 when inline
    Byte Kind = 0;          // 1 GUID, 2 wide text
};

class TFBFieldDescrList : public TObject {
public:
    ~TFBFieldDescrList() override = default;
    Integer Add(Word SqlType, Word Scale, Word Width, Byte Nullable, Byte IsDBKey, Byte OutOfLine, Byte Kind);
    Integer Count() const { return static_cast<Integer>(FItems.size()); }
    TFBFieldDescr* Items(Integer Index) const {
        if (Index < 0 || Index >= Count()) IndexError(Index);
        return FItems[static_cast<size_t>(Index)].get();
    }
    void SetCapacity(Integer Value);
    void Clear() { FItems.clear(); }

private:
    [[noreturn]] static void IndexError(Integer Index);
    std::vector<std::unique_ptr<TFBFieldDescr>> FItems;
};
