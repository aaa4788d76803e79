#include "datasets/RecordsCache.h"

#include <algorithm>
#include <cstring>

namespace {

const char* const SIncompatibleSizes = "Incompatible Sizes";
const char* const SCantRead = "Can't read Buffer.Incorrect RecordNo";
const char* const SCantReadLog = "Can't read LogBuffer.Incorrect RecordNo";
const char* const SCantWrite = "Can't write to Buffer.Incorrect RecordNo";

inline bool BelowBlank(char C) { return static_cast<unsigned char>(C) < 33; }

std::unique_ptr<Byte[]> NewBlock(Integer Size, Byte Fill) {
    std::unique_ptr<Byte[]> b(new Byte[static_cast<size_t>(Size)]);
    std::memset(b.get(), Fill, static_cast<size_t>(Size));
    return b;
}

}  // namespace

// ---- TStringCollection --------------------------------------------------------------------------

namespace {
constexpr uint64_t EmptyRow = ~uint64_t(0);
constexpr size_t ChunkSize = 256 * 1024;
}  // namespace

TStringCollection::TStringCollection(Integer ColCount) : FColCount(std::max(ColCount, 0)) {}

Integer TStringCollection::AddRow() {
    if (FRowCount == FCapacity) {
        FCapacity = FCapacity == 0 ? 128 : FCapacity + FCapacity / 2;
        FRows.reserve(static_cast<size_t>(FCapacity));
    }
    FRows.push_back(EmptyRow);
    return ++FRowCount;
}

void TStringCollection::Clear() {
    FHintRow = -1;
    FLive = FWasted = 0;
    std::vector<TChunk>().swap(FChunks);
    std::vector<uint64_t>().swap(FRows);
    FRowCount = 0;
    FCapacity = 0;
}

size_t TStringCollection::HeapSize() const {
    size_t R = FRows.capacity() * sizeof(uint64_t);
    for (const TChunk& C : FChunks) R += C.Size;
    return R;
}

void TStringCollection::CheckRead(Integer X, Integer Y) const {
    if (X < 0 || X >= FColCount) throw EStrCollectionError("Can't read value to StrCollection. Bad X-Index");
    if (Y < 0 || Y >= FRowCount) throw EStrCollectionError("Can't read value to StrCollection. Bad Y-Index");
}

void TStringCollection::CheckWrite(Integer X, Integer Y) const {
    if (X < 0 || X >= FColCount) throw EStrCollectionError("Can't write value to StrCollection. Bad X-Index");
    if (Y < 0 || Y >= FRowCount) throw EStrCollectionError("Can't write value to StrCollection. Bad Y-Index");
}

size_t TStringCollection::ReadLength(const Byte*& P) {
    size_t N = 0;
    for (Integer Shift = 0;; Shift += 7) {
        const Byte B = *P++;
        N |= static_cast<size_t>(B & 0x7F) << Shift;
        if (!(B & 0x80)) return N;
    }
}

size_t TStringCollection::LengthSize(size_t N) {
    size_t R = 1;
    while (N >= 0x80) {
        N >>= 7;
        ++R;
    }
    return R;
}

Byte* TStringCollection::WriteLength(Byte* P, size_t N) {
    while (N >= 0x80) {
        *P++ = static_cast<Byte>(N | 0x80);
        N >>= 7;
    }
    *P++ = static_cast<Byte>(N);
    return P;
}

const Byte* TStringCollection::RowStart(Integer Y) const {
    const uint64_t Place = FRows[static_cast<size_t>(Y)];
    if (Place == EmptyRow) return nullptr;
    return FChunks[Place >> 32].Data.get() + (Place & 0xFFFFFFFFu);
}

size_t TStringCollection::RowSize(Integer Y) const {
    const Byte* Start = RowStart(Y);
    if (!Start) return 0;
    const Byte* P = Start;
    for (Integer X = 0; X < FColCount; ++X) P += ReadLength(P);
    return static_cast<size_t>(P - Start);
}

Byte* TStringCollection::Reserve(size_t Size, uint64_t& Place) {
    if (FChunks.empty() || FChunks.back().Size - FChunks.back().Used < Size) {
        TChunk C;
        C.Size = std::max(ChunkSize, Size);
        C.Data.reset(new Byte[C.Size]);
        FChunks.push_back(std::move(C));
    }
    TChunk& C = FChunks.back();
    Place = (static_cast<uint64_t>(FChunks.size() - 1) << 32) | C.Used;
    Byte* P = C.Data.get() + C.Used;
    C.Used += Size;
    return P;
}

AnsiString TStringCollection::GetValue(Integer X, Integer Y) const {
    const std::string_view V = ValueView(X, Y);
    return AnsiString(V.data(), V.size());
}

std::string_view TStringCollection::ValueView(Integer X, Integer Y) const {
    CheckRead(X, Y);
    const Byte* P = RowStart(Y);
    if (!P) return std::string_view();
    for (Integer I = 0; I < X; ++I) P += ReadLength(P);
    const size_t N = ReadLength(P);
    return std::string_view(reinterpret_cast<const char*>(P), N);
}

void TStringCollection::SetValueFromBuffer(Integer X, Integer Y, const char* Buffer, Integer Length) {
    CheckWrite(X, Y);
    const size_t N = !Buffer ? 0 : (Length < 0 ? std::strlen(Buffer) : static_cast<size_t>(Length));
    const Byte* Old = RowStart(Y);
    const bool Hint = Old && Y == FHintRow && X >= FHintCol;
    const size_t OldSize = Old ? (Hint ? FHintSize : RowSize(Y)) : static_cast<size_t>(FColCount);
    // Where column X lies in the old row, and how long it is.
    size_t Before = static_cast<size_t>(X), OldLen = 0, OldLenSize = 1;
    if (Old) {
        const Byte* P = Old + (Hint ? FHintPos : 0);
        for (Integer I = Hint ? FHintCol : 0; I < X; ++I) P += ReadLength(P);
        Before = static_cast<size_t>(P - Old);
        const Byte* Q = P;
        OldLen = ReadLength(Q);
        OldLenSize = static_cast<size_t>(Q - P);
    }
    const size_t After = OldSize - Before - OldLenSize - OldLen;
    const size_t NewSize = Before + LengthSize(N) + N + After;
    FHintRow = Y;
    FHintCol = X + 1;
    FHintPos = Before + LengthSize(N) + N;
    FHintSize = NewSize;
    const uint64_t Place = FRows[static_cast<size_t>(Y)];
    // The newest row of the last chunk grows or shrinks where it is.
    if (Old && (Place >> 32) == FChunks.size() - 1) {
        TChunk& C = FChunks.back();
        const size_t Off = Place & 0xFFFFFFFFu;
        if (Off + OldSize == C.Used && Off + NewSize <= C.Size) {
            Byte* Row = C.Data.get() + Off;
            std::memmove(Row + Before + LengthSize(N) + N, Row + Before + OldLenSize + OldLen, After);
            Byte* P = WriteLength(Row + Before, N);
            if (N) std::memcpy(P, Buffer, N);
            C.Used = Off + NewSize;
            FLive = FLive + NewSize - OldSize;
            return;
        }
    }
    uint64_t NewPlace;
    Byte* Row = Reserve(NewSize, NewPlace);
    Old = RowStart(Y);   // the chunk list may have grown
    if (Old) std::memcpy(Row, Old, Before);
    else std::memset(Row, 0, Before);
    Byte* P = WriteLength(Row + Before, N);
    if (N) std::memcpy(P, Buffer, N);
    P += N;
    if (Old) std::memcpy(P, Old + Before + OldLenSize + OldLen, After);
    else std::memset(P, 0, After);
    FRows[static_cast<size_t>(Y)] = NewPlace;
    FLive += NewSize;
    if (Old) {
        FLive -= OldSize;
        FWasted += OldSize;
        CompactIfWasteful();
    }
}

void TStringCollection::SetRow(Integer Y, const TText* Texts) {
    CheckWrite(0, Y);
    size_t Size = 0;
    for (Integer X = 0; X < FColCount; ++X) Size += LengthSize(Texts[X].second) + Texts[X].second;
    const bool Had = RowStart(Y) != nullptr;
    const size_t OldSize = Had ? RowSize(Y) : 0;
    uint64_t Place;
    Byte* P = Reserve(Size, Place);
    for (Integer X = 0; X < FColCount; ++X) {
        P = WriteLength(P, Texts[X].second);
        if (Texts[X].second) std::memcpy(P, Texts[X].first, Texts[X].second);
        P += Texts[X].second;
    }
    FRows[static_cast<size_t>(Y)] = Place;
    FHintRow = -1;
    FLive += Size;
    if (Had) {
        FLive -= OldSize;
        FWasted += OldSize;
        CompactIfWasteful();
    }
}

void TStringCollection::CompactIfWasteful() {
    // Rows rewritten again and again (a ring of records) must not grow the memory for ever.
    if (FWasted < ChunkSize || FWasted < FLive) return;
    std::vector<TChunk> Old;
    Old.swap(FChunks);
    for (Integer Y = 0; Y < FRowCount; ++Y) {
        const uint64_t Place = FRows[static_cast<size_t>(Y)];
        if (Place == EmptyRow) continue;
        const Byte* From = Old[Place >> 32].Data.get() + (Place & 0xFFFFFFFFu);
        const Byte* P = From;
        for (Integer X = 0; X < FColCount; ++X) P += ReadLength(P);
        const size_t Size = static_cast<size_t>(P - From);
        uint64_t NewPlace;
        std::memcpy(Reserve(Size, NewPlace), From, Size);
        FRows[static_cast<size_t>(Y)] = NewPlace;
    }
    FWasted = 0;
}

// ---- TRecordsCache ---------------------------------------------------------------------------------

TRecordsCache::TRecordsCache(Integer RecordsPerBlock, Integer BufferSize, Integer RecordSize, Integer StringColumns)
    : FRecordSize(RecordSize), FBufferSize(BufferSize), FRecordsPerBlock(RecordsPerBlock) {
    if (RecordSize < 1 || BufferSize < 1 || RecordSize > BufferSize) throw EMemManagerError(SIncompatibleSizes);
    Int64 block = Int64(RecordSize) * std::max(RecordsPerBlock, 0);
    if (block < 1024) block = BufferSize + 1024 - (1024 % BufferSize);
    if (block < RecordSize || block > INT32_MAX) throw EMemManagerError(SIncompatibleSizes);
    FBlockSize = static_cast<Integer>(block);
    FRecordsPerBlock = FBlockSize / RecordSize;
    if (StringColumns >= 1) {
        FStringColumns = StringColumns;
        FStrings = std::make_unique<TStringCollection>(StringColumns);
        FStrOffsets.assign(static_cast<size_t>(StringColumns), 0);
        FStrLengths.assign(static_cast<size_t>(StringColumns), 0);
    }
    FWorkBuffer = NewBlock(BufferSize, 1);
}

TRecordsCache::~TRecordsCache() = default;

Integer TRecordsCache::AddBlock() {
    FBlocks.push_back(NewBlock(FBlockSize, 0));
    return BlockCount();
}

void TRecordsCache::SetStringColumn(Integer Column, Integer Offset, Integer Length) {
    if (FStringColumns == 0 || Column < 1 || Column > FStringColumns) return;
    // A column outside the record buffer would be read and written past it.
    if (Offset < 0 || Length < 0 || Int64(Offset) + Length > FBufferSize) throw EMemManagerError(SIncompatibleSizes);
    FStrOffsets[Column - 1] = Offset;
    FStrLengths[Column - 1] = Length;
    FStrFirst = FBufferSize;
    FStrLast = 0;
    for (Integer c = 0; c < FStringColumns; ++c) {
        FStrFirst = std::min(FStrFirst, FStrOffsets[c]);
        FStrLast = std::max(FStrLast, FStrOffsets[c] + FStrLengths[c]);
    }
}

Integer TRecordsCache::Physical(Integer RecNo) const {
    if (RecNo < 1) return -1;
    if (!FIndex) return RecNo;
    if (RecNo > static_cast<Integer>(FIndex->size())) return -1;
    return (*FIndex)[RecNo - 1];
}

Byte* TRecordsCache::ImageOf(Integer Phys) const {
    if (Phys < 1) return nullptr;
    const Integer block = (Phys - 1) / FRecordsPerBlock;
    if (block >= BlockCount()) return nullptr;
    return FBlocks[block].get() + static_cast<size_t>((Phys - 1) % FRecordsPerBlock) * FRecordSize;
}

void TRecordsCache::EnsureStringRows(Integer Rows) {
    if (!FStrings) return;
    while (FStrings->RowCount() < Rows) FStrings->AddRow();
}

void TRecordsCache::EnsureIndex() {
    if (FIndex) return;
    FIndex = std::make_unique<std::vector<Integer>>(static_cast<size_t>(FRecordCount));
    for (Integer i = 0; i < FRecordCount; ++i) (*FIndex)[i] = i + 1;
}

Byte* TRecordsCache::RecordAddress(Integer RecNo) {
    if (RecNo < 1) throw EMemManagerError(SCantWrite);
    ++FChanges;
    if (FIndex) {
        while (static_cast<Integer>(FIndex->size()) < RecNo) FIndex->push_back(++FRecordCount);
    } else if (RecNo > FRecordCount) {
        FRecordCount = RecNo;
    }
    const Integer phys = Physical(RecNo);
    EnsureStringRows(FRecordCount);
    const Integer block = (phys - 1) / FRecordsPerBlock;
    while (BlockCount() <= block) AddBlock();
    return ImageOf(phys);
}

void TRecordsCache::ImageToBuffer(const Byte* Image, Byte* Buffer, TStringCollection* Strings, Integer Row) {
    if (FStringColumns == 0) {
        std::memcpy(Buffer, Image, static_cast<size_t>(FRecordSize));
        return;
    }
    const Integer first = FStrFirst, last = FStrLast;
    const Integer head = std::min(first, FRecordSize);
    std::memcpy(Buffer, Image, static_cast<size_t>(head));
    for (Integer c = 0; c < FStringColumns; ++c)
        if (FStrLengths[c] > 0) Buffer[FStrOffsets[c]] = 0;
    if (Strings && Row < Strings->RowCount()) {
        bool Cut = false;
        Strings->ForEachValue(Row, [&](Integer c, const char* Chars, size_t N) {
            const size_t room = static_cast<size_t>(FStrLengths[c]);
            const size_t n = std::min(N, room);
            Cut = Cut || N > room;
            Byte* dest = Buffer + FStrOffsets[c];
            if (n) std::memcpy(dest, Chars, n);
            if (n < room) dest[n] = 0;
        });
        // A longer text is cut when read, and kept cut.
        for (Integer c = 0; Cut && c < FStringColumns; ++c)
            if (Strings->ValueView(c, Row).size() > static_cast<size_t>(FStrLengths[c]))
                Strings->SetValueFromBuffer(c, Row, reinterpret_cast<const char*>(Buffer + FStrOffsets[c]), FStrLengths[c]);
    }
    const Integer tail = std::min(FRecordSize - head, FBufferSize - last);
    if (tail > 0) std::memcpy(Buffer + last, Image + head, static_cast<size_t>(tail));
}

void TRecordsCache::BufferToImage(const Byte* Buffer, Byte* Image, Integer Row) {
    if (FStringColumns == 0) {
        std::memcpy(Image, Buffer, static_cast<size_t>(FRecordSize));
        return;
    }
    const Integer first = FStrFirst, last = FStrLast;
    const Integer head = std::min(first, FRecordSize);
    std::memcpy(Image, Buffer, static_cast<size_t>(head));
    const Integer tail = std::min(FRecordSize - head, FBufferSize - last);
    if (tail > 0) std::memcpy(Image + head, Buffer + last, static_cast<size_t>(tail));
    EnsureStringRows(Row + 1);
    for (Integer c = 0; c < FStringColumns; ++c) {
        const char* chars = reinterpret_cast<const char*>(Buffer + FStrOffsets[c]);
        const size_t n = strnlen(chars, static_cast<size_t>(FStrLengths[c]));
        FStrings->SetValueFromBuffer(c, Row, chars, static_cast<Integer>(n));
    }
}

void TRecordsCache::ReadRecord(Integer RecNo, Byte* Buffer, bool FromLog) {
    const Integer phys = Physical(RecNo);
    if (FromLog) {
        if (const TLogEntry* entry = FindLog(phys)) {
            const Integer slot = entry->Slot;
            const Integer block = (slot - 1) / FRecordsPerBlock;
            if (block >= LogBlockCount()) throw EMemManagerError(SCantReadLog);
            const Byte* image = FLogBlocks[block].get() + static_cast<size_t>((slot - 1) % FRecordsPerBlock) * FRecordSize;
            ImageToBuffer(image, Buffer, FLogStrings.get(), slot - 1);
            return;
        }
    }
    const Byte* image = ImageOf(phys);
    if (!image) throw EMemManagerError(SCantRead);
    ImageToBuffer(image, Buffer, FStrings.get(), phys - 1);
}

void TRecordsCache::WriteRecord(Integer RecNo, const Byte* Buffer, bool Extend) {
    ++FChanges;
    if (Extend) RecordAddress(RecNo);
    const Integer phys = Physical(RecNo);
    Byte* image = ImageOf(phys);
    if (!image) throw EMemManagerError(SCantWrite);
    if (!FIndex && phys > FRecordCount) FRecordCount = phys;
    if (Buffer) {
        BufferToImage(Buffer, image, phys - 1);
        return;
    }
    std::memset(image, 0, static_cast<size_t>(FRecordSize));
    if (FStrings) {
        EnsureStringRows(phys);
        for (Integer c = 0; c < FStringColumns; ++c) FStrings->SetValue(c, phys - 1, AnsiString());
    }
}

AnsiString TRecordsCache::TakeStringValue(Integer Column, const AnsiString& Value) const {
    if (Value.empty()) return Value;
    const size_t room = static_cast<size_t>(FStrLengths[Column]);
    if (Value.size() > room) {
        size_t n = Value.size();
        while (n > 0 && BelowBlank(Value[n - 1])) --n;
        return n <= room ? Value.substr(0, n) : Value;  // a longer text is cut when read
    }
    if (Value.back() == ' ') {
        size_t n = Value.size();
        while (n > 0 && BelowBlank(Value[n - 1])) --n;
        return Value.substr(0, n);
    }
    return Value;
}

void TRecordsCache::SetStringValue(Integer Column, Integer RecIndex, const AnsiString& Value) {
    if (!FStrings || Column < 0 || Column >= FStringColumns)
        throw EStrCollectionError("Can't write value to StrCollection. Bad X-Index");
    const Integer phys = Physical(RecIndex + 1);
    if (phys < 1) throw EStrCollectionError("Can't write value to StrCollection. Bad Y-Index");
    EnsureStringRows(phys);
    FStrings->SetValue(Column, phys - 1, TakeStringValue(Column, Value));
}

void TRecordsCache::SetStringValueFromBuffer(Integer Column, Integer RecIndex, bool Trim, Integer Length,
                                             const char* Chars) {
    if (!FStrings || Column < 0 || Column >= FStringColumns)
        throw EStrCollectionError("Can't write value to StrCollection. Bad X-Index");
    const Integer phys = Physical(RecIndex + 1);
    if (phys < 1) throw EStrCollectionError("Can't write value to StrCollection. Bad Y-Index");
    const Integer room = FStrLengths[Column];
    size_t n = 0;
    if (Chars) {
        if (Trim) {
            n = static_cast<size_t>(std::max(Length < 0 ? room : Length, 0));
            while (n > 0 && BelowBlank(Chars[n - 1])) --n;
        } else {
            n = Length < 0 ? strnlen(Chars, static_cast<size_t>(room)) : static_cast<size_t>(Length);
        }
    }
    EnsureStringRows(phys);
    FStrings->SetValueFromBuffer(Column, phys - 1, Chars ? Chars : "", static_cast<Integer>(n));
}

void TRecordsCache::SetStringRow(Integer RecIndex, const TStringCollection::TText* Texts) {
    if (!FStrings) return;
    const Integer phys = Physical(RecIndex + 1);
    if (phys < 1) throw EStrCollectionError("Can't write value to StrCollection. Bad Y-Index");
    EnsureStringRows(phys);
    FStrings->SetRow(phys - 1, Texts);
}

void TRecordsCache::ClearWorkBuffer() { std::memset(FWorkBuffer.get(), 1, static_cast<size_t>(FBufferSize)); }

Byte* TRecordsCache::GetRecordBuffer(Integer RecNo) {
    if (FLogMode) {
        if (RecNo > FRecordCount) ClearWorkBuffer();
        else ReadRecord(RecNo, FWorkBuffer.get(), true);
        return FWorkBuffer.get();
    }
    if (RecNo != FWorkRecNo) {
        if (RecNo > FRecordCount) ClearWorkBuffer();
        else ReadRecord(RecNo, FWorkBuffer.get(), false);
        FWorkRecNo = RecNo;
    }
    return FWorkBuffer.get();
}

void TRecordsCache::LoadWorkBuffer(Integer RecNo) {
    if (FLogMode) {
        SaveToLog(RecNo);
        return;
    }
    // The record may have been posted since it was last loaded: read it again.
    if (RecNo > FRecordCount) ClearWorkBuffer();
    else ReadRecord(RecNo, FWorkBuffer.get(), false);
    FWorkRecNo = RecNo;
}

void TRecordsCache::WriteBackRecord(Integer RecNo) { WriteRecord(RecNo, GetRecordBuffer(RecNo), false); }

Byte* TRecordsCache::RecordImage(Integer RecNo) {
    ++FChanges;
    return ImageOf(Physical(RecNo));
}

const TRecordsCache::TLogEntry* TRecordsCache::FindLog(Integer Phys) const {
    auto it = std::lower_bound(FLogDirectory.begin(), FLogDirectory.end(), Phys,
                               [](const TLogEntry& e, Integer v) { return e.Physical < v; });
    return (it != FLogDirectory.end() && it->Physical == Phys) ? &*it : nullptr;
}

void TRecordsCache::SaveToLog(Integer RecNo) {
    const Integer phys = Physical(RecNo);
    const Byte* image = ImageOf(phys);
    if (!image) throw EMemManagerError(SCantRead);
    Integer slot;
    if (const TLogEntry* entry = FindLog(phys)) {
        slot = entry->Slot;
    } else {
        slot = FLogEntryCount + 1;
        if ((slot - 1) % FRecordsPerBlock == 0) FLogBlocks.push_back(NewBlock(FBlockSize, 0));
        if (FStringColumns > 0 && !FLogStrings) FLogStrings = std::make_unique<TStringCollection>(FStringColumns);
        auto it = std::lower_bound(FLogDirectory.begin(), FLogDirectory.end(), phys,
                                   [](const TLogEntry& e, Integer v) { return e.Physical < v; });
        FLogDirectory.insert(it, TLogEntry{phys, slot});
        FLogEntryCount = slot;
    }
    Byte* copy = FLogBlocks[(slot - 1) / FRecordsPerBlock].get() +
                 static_cast<size_t>((slot - 1) % FRecordsPerBlock) * FRecordSize;
    std::memcpy(copy, image, static_cast<size_t>(FRecordSize));
    if (FLogStrings) {
        while (FLogStrings->RowCount() < slot) FLogStrings->AddRow();
        const bool hasRow = FStrings && phys - 1 < FStrings->RowCount();
        for (Integer c = 0; c < FStringColumns; ++c)
            FLogStrings->SetValue(c, slot - 1, hasRow ? FStrings->GetValue(c, phys - 1) : AnsiString());
    }
}

void TRecordsCache::ClearLog() {
    FLogBlocks.clear();
    FLogDirectory.clear();
    // Slots start again from 1, in the first block appended next.
    FLogEntryCount = 0;
}

void TRecordsCache::CheckPosition(Integer Pos, Integer Count) const {
    if (Pos < 0 || Pos >= Count) throw EListError(SListIndexError, {Pos});
}

void TRecordsCache::ExchangeRecords(Integer A, Integer B) {
    const Integer n = FIndex ? static_cast<Integer>(FIndex->size()) : FRecordCount;
    CheckPosition(A, n);
    CheckPosition(B, n);
    EnsureIndex();
    std::swap((*FIndex)[A], (*FIndex)[B]);
    ++FChanges;
}

void TRecordsCache::MoveRecord(Integer From, Integer To) {
    const Integer n = FIndex ? static_cast<Integer>(FIndex->size()) : FRecordCount;
    CheckPosition(From, n);
    CheckPosition(To, n);
    if (From == To) return;
    EnsureIndex();
    const Integer v = (*FIndex)[From];
    FIndex->erase(FIndex->begin() + From);
    FIndex->insert(FIndex->begin() + To, v);
    ++FChanges;
}

void TRecordsCache::InsertRecord(Integer Pos) {
    const Integer n = FIndex ? static_cast<Integer>(FIndex->size()) : FRecordCount;
    CheckPosition(Pos, n + 1);
    EnsureIndex();
    FIndex->insert(FIndex->begin() + Pos, FRecordCount + 1);
    ++FChanges;
    ++FRecordCount;
    EnsureStringRows(FRecordCount);
}

Integer TRecordsCache::PhysicalRecNo(Integer LogicalIndex) const {
    if (LogicalIndex < 0) return -1;
    if (!FIndex) return LogicalIndex + 1;
    if (LogicalIndex >= static_cast<Integer>(FIndex->size())) return -1;
    return (*FIndex)[LogicalIndex];
}

Integer TRecordsCache::LogicalIndex(Integer Phys) const {
    if (Phys < 1) return -1;
    if (!FIndex) return Phys - 1;
    if (Phys <= static_cast<Integer>(FIndex->size()) && (*FIndex)[Phys - 1] == Phys) return Phys - 1;
    auto it = std::find(FIndex->begin(), FIndex->end(), Phys);
    return it == FIndex->end() ? -1 : static_cast<Integer>(it - FIndex->begin());
}

bool TRecordsCache::RecordExists(Integer Phys) const {
    if (Phys < 1) return false;
    if (!FIndex) return Phys <= FRecordCount;
    if (Phys <= static_cast<Integer>(FIndex->size()) && (*FIndex)[Phys - 1] == Phys) return true;
    return std::find(FIndex->begin(), FIndex->end(), Phys) != FIndex->end();
}

// ---- TSortedList ----------------------------------------------------------------------------------

bool TSortedList::Find(Integer V, Integer& Index) const {
    auto it = std::lower_bound(FItems.begin(), FItems.end(), V);
    Index = static_cast<Integer>(it - FItems.begin());
    return it != FItems.end() && *it == V;
}

Integer TSortedList::Add(Integer V) {
    Integer i;
    if (!Find(V, i)) FItems.insert(FItems.begin() + i, V);
    return i;
}

void TSortedList::Remove(Integer V) {
    Integer i;
    if (Find(V, i)) FItems.erase(FItems.begin() + i);
}

void TSortedList::ShiftFrom(Integer V, Integer Delta) {
    for (Integer& item : FItems)
        if (item >= V) item += Delta;
}

Integer TSortedList::Items(Integer Index) const {
    if (Index < 0 || Index >= Count()) throw EListError(SListIndexError, {Index});
    return FItems[Index];
}

// ---- TObjStringList -------------------------------------------------------------------------------

TObjStringList::TObjStringList(void* AOwner, bool Hashed) : FOwner(AOwner), FHashed(Hashed) {}

TObjStringList::~TObjStringList() {
    for (TItem& item : FItems) delete item.Object;
}

Integer TObjStringList::HashOf(const AnsiString& S) {
    uint32_t h = 0;
    const size_t n = S.size();
    if (n < 16) {
        for (char c : S) h = h * 37u + static_cast<unsigned char>(c) - 32u;
    } else {
        const size_t step = n / 8;
        for (size_t i = step; i <= n; i += step) h = h * 39u + static_cast<unsigned char>(S[i - 1]) - 32u;
    }
    return static_cast<Integer>(h);
}

bool TObjStringList::Find(const AnsiString& S, Integer& Index) const {
    if (!FHashed) {
        auto it = std::lower_bound(FItems.begin(), FItems.end(), S,
                                   [](const TItem& item, const AnsiString& v) { return item.Text < v; });
        Index = static_cast<Integer>(it - FItems.begin());
        return it != FItems.end() && it->Text == S;
    }
    const Integer h = HashOf(S);
    auto it = std::lower_bound(FItems.begin(), FItems.end(), h,
                               [](const TItem& item, Integer v) { return item.Hash < v; });
    Index = static_cast<Integer>(it - FItems.begin());
    for (auto j = it; j != FItems.end() && j->Hash == h; ++j) {
        if (j->Text == S) {
            Index = static_cast<Integer>(j - FItems.begin());
            return true;
        }
    }
    return false;
}

Integer TObjStringList::AddObject(const AnsiString& S, TObject* AObject) {
    Integer i;
    if (Find(S, i) && FHashed) return i;
    FItems.insert(FItems.begin() + i, TItem{S, AObject, FHashed ? HashOf(S) : 0});
    return i;
}

void TObjStringList::Remove(const AnsiString& S) {
    Integer i;
    if (Find(S, i)) FItems.erase(FItems.begin() + i);
}

void TObjStringList::CheckIndex(Integer Index) const {
    if (Index < 0 || Index >= Count()) throw EListError(SListIndexError, {Index});
}

void TObjStringList::Delete(Integer Index) {
    CheckIndex(Index);
    FItems.erase(FItems.begin() + Index);
}

TObject* TObjStringList::GetObject(Integer Index) const {
    CheckIndex(Index);
    return FItems[Index].Object;
}

AnsiString TObjStringList::Strings(Integer Index) const {
    CheckIndex(Index);
    return FItems[Index].Text;
}

// ---- TFBFieldDescrList ----------------------------------------------------------------------------

Integer TFBFieldDescrList::Add(Word SqlType, Word Scale, Word Width, Byte Nullable, Byte IsDBKey, Byte OutOfLine,
                               Byte Kind) {
    auto d = std::make_unique<TFBFieldDescr>();
    d->SqlType = SqlType;
    d->Scale = Scale;
    d->Width = Width;
    d->Nullable = Nullable;
    d->IsDBKey = IsDBKey;
    d->OutOfLine = OutOfLine;
    d->Kind = Kind;
    FItems.push_back(std::move(d));
    return Count() - 1;
}

void TFBFieldDescrList::IndexError(Integer Index) { throw EListError(SListIndexError, {Index}); }

void TFBFieldDescrList::SetCapacity(Integer Value) {
    if (Value > Count()) FItems.reserve(static_cast<size_t>(Value));
}
