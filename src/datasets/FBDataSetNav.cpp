// TFBCustomDataSet: record layout, fetching into the cache, navigation, bookmarks, opening and
// closing, posting, cancelling, deleting and refreshing.
#include "datasets/FBDataSet.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "dbclient/FBMessages.h"
#include "dbclient/SQLParser.h"
#include "dbclient/SqlTxtRtns.h"
#include "dbclient/StdFuncs.h"
#include "dbclient/StrUtil.h"

namespace {

bool IsPendingChange(Byte Status) { return Status == cusModified || Status == cusInserted || Status == cusDeleted; }

// Restores the screen cursor however the block is left.
class TCursorScope {
public:
    explicit TCursorScope(TFBCustomDataSet* D) : FDataSet(D), FAlive(D) { D->ChangeScreenCursor(FOld); }
    ~TCursorScope() {
        if (FAlive.Alive()) FDataSet->RestoreScreenCursor(FOld);
        // A handler freed the data set on the way: the cursor it set goes back all the same.
        else if (TScreenCursorHooks& H = ScreenCursorHooks(); H.Get && H.Set && FireEvent(H.Get) != FOld) FireEvent(H.Set, FOld);
    }
    TCursorScope(const TCursorScope&) = delete;
    TCursorScope& operator=(const TCursorScope&) = delete;

private:
    TFBCustomDataSet* FDataSet;
    TAliveGuard FAlive;
    TCursor FOld = 0;
};

// Bytes a column of the given SQL type takes in the record.
Integer ColumnWidth(Integer SqlType, Integer Length) {
    switch (SqlType) {
        case SQLTypeShort: return 2;
        case SQLTypeLong: case SQLTypeFloat: case SQLTypeDate: case SQLTypeTime: return 4;
        case SQLTypeDouble: case SQLTypeDFloat: case SQLTypeTimestamp: case SQLTypeInt64: return 8;
        default: return std::max(Length, 1);
    }
}

constexpr Integer BlobSlotSize = 8;   // a 1-based place in the blob-stream list, 0 for none

}  // namespace

// ---------------------------------------------------------------------------------------------
// Record layout and the cache

void TFBCustomDataSet::InitRecordLayout() {
    TFBXSQLDA* Cols = FSelectQuery->Current();
    const Integer N = Cols ? Cols->Count() : 0;
    FRecordBufferSize = N + 6;
    FCacheRecordSize = N + 1;
    FLongTextCount = 0;
    FFieldDescrs->Clear();
    FFieldDescrs->SetCapacity(N);
    for (Integer I = 0; I < N; ++I) {
        TFBXSQLVAR* V = Cols->Vars(I);
        XSQLVAR* X = V->AsXSQLVAR();
        const Integer T = V->SQLType();
        const Integer W = ColumnWidth(T, V->DataLength());
        TFieldType DefType = ftUnknown;
        for (Integer K = 0; K < FieldDefs()->Count(); ++K)
            if (FieldDefs()->Items(K)->FieldNo() == I + 1) DefType = FieldDefs()->Items(K)->DataType();
        const bool Text = T == SQLTypeVarying || T == SQLTypeText;
        const bool Long = Text && W > 8 && DefType != ftGuid;
        const Byte Kind = DefType == ftWideString ? 2 : (DefType == ftGuid ? 1 : 0);
        const AnsiString Name = V->SQLName();
        const Byte DBKey = (Name == "DB_KEY" || Name == "RDB$DB_KEY") ? 1 : 0;
        const Integer Idx = FFieldDescrs->Add(static_cast<Word>(T), static_cast<Word>(static_cast<SmallInt>(V->SQLScale())),
                                              static_cast<Word>(W), static_cast<Byte>(X->sqltype & 1), DBKey,
                                              Long ? 1 : 0, Kind);
        TFBFieldDescr* D = FFieldDescrs->Items(Idx);
        if (Long) {
            D->StringIndex = FLongTextCount++;
        } else {
            D->StringIndex = -1;
            D->Offset = FRecordBufferSize;
            FRecordBufferSize += W;
            FCacheRecordSize += W;
        }
    }
    for (Integer I = 0; I < N; ++I) {
        TFBFieldDescr* D = FFieldDescrs->Items(I);
        if (!D->OutOfLine) continue;
        D->Offset = FRecordBufferSize;
        FRecordBufferSize += D->Width;
    }
    FBlobSlotsOffset = FRecordBufferSize;
    FBlobSlotsImageOffset = FCacheRecordSize;
    FBlobFields.clear();
    for (Integer I = 0; I < FieldCount(); ++I) {
        TField* F = Fields()->Fields(I);
        if (F->IsBlob() && F->FieldKind() == fkData) FBlobFields.push_back(F);
    }
    FBlobFieldCount = static_cast<Integer>(FBlobFields.size());
    FRecordBufferSize += FBlobFieldCount * BlobSlotSize;
    FCacheRecordSize += FBlobFieldCount * BlobSlotSize;
    FCalcFieldsOffset = FRecordBufferSize;
    FRecordBufferSize += CalcFieldsSize();
}

Integer TFBCustomDataSet::CachePosition(Integer RecNo) const {
    if (RecNo < 0) return RecNo;
    if (FUniDirectional || LimitedCache()) return RecNo % FCacheModelOptions->BufferChunks();
    return RecNo;
}

void TFBCustomDataSet::FetchRecordToCache(TFBQuery* Qry, Integer RecNo) {
    const Integer Pos = CachePosition(RecNo);
    Byte* Image = FCache->RecordAddress(Pos + 1);
    if (Qry != FRefreshQuery) FreeImageStreams(Image);
    Image[0] = cusUnmodified;
    TFBXSQLDA* Cols = Qry->Current();
    // A fetched row's texts go to the cache together; a refreshed one's one by one.
    const bool WholeRow = Qry == FSelectQuery;
    if (WholeRow) FRowTexts.assign(static_cast<size_t>(FLongTextCount), TStringCollection::TText("", 0));
    const auto PutText = [&](TFBFieldDescr* D, const char* Chars, Integer Length) {
        if (WholeRow) FRowTexts[static_cast<size_t>(D->StringIndex)] = {Chars, static_cast<size_t>(Length)};
        else FCache->SetStringValueFromBuffer(D->StringIndex, Pos, false, Length, Chars);
    };
    for (Integer I = 0; I < Cols->Count(); ++I) {
        Integer J = I + 1;
        TFBXSQLVAR* V = Cols->Vars(I);
        if (Qry != FSelectQuery) {
            J = FSelectQuery->FieldIndex(V->Name()) + 1;
            if (J < 1) continue;
        }
        TFBFieldDescr* D = FFieldDescrs->Items(J - 1);
        XSQLVAR* X = V->AsXSQLVAR();
        const bool Null = (X->sqltype & 1) && X->sqlind && *X->sqlind == -1;
        Image[J] = Null ? 1 : 0;
        Byte* Dst = D->OutOfLine ? nullptr : Image + D->Offset - 5;
        const char* Src = X->sqldata;
        if (Null) {
            if (D->OutOfLine) PutText(D, "", 0);
            if ((D->SqlType == SQLTypeBlob || D->SqlType == SQLTypeArray) && Src)
                std::memcpy(Dst, Src, std::min<size_t>(D->Width, 8));
            continue;
        }
        switch (D->SqlType) {
            case SQLTypeTime: {
                uint32_t T;
                std::memcpy(&T, Src, 4);
                const int32_t Ms = static_cast<int32_t>(T / 10);
                std::memcpy(Dst, &Ms, 4);
                break;
            }
            case SQLTypeDate: {
                int32_t Days;
                std::memcpy(&Days, Src, 4);
                const int32_t V2 = Days + TimeStampDayToClientDelta;
                std::memcpy(Dst, &V2, 4);
                break;
            }
            case SQLTypeTimestamp: {
                int32_t Days;
                uint32_t T;
                std::memcpy(&Days, Src, 4);
                std::memcpy(&T, Src + 4, 4);
                const double Ms = (static_cast<double>(Days) + TimeStampDayToClientDelta) * 86400000.0 + T / 10.0;
                std::memcpy(Dst, &Ms, 8);
                break;
            }
            case SQLTypeVarying: {
                int16_t Len;
                std::memcpy(&Len, Src, 2);
                const Integer L = std::clamp<Integer>(Len, 0, D->Width);
                if (D->OutOfLine) {
                    PutText(D, Src + 2, L);
                } else {
                    std::memset(Dst, 0, D->Width);
                    std::memcpy(Dst, Src + 2, static_cast<size_t>(L));
                }
                break;
            }
            case SQLTypeText:
                // Trailing blanks are part of the value unless the options trim them.
                if (D->OutOfLine) {
                    Integer N = D->Width;
                    if (FOptions.Contains(poTrimCharFields))
                        while (N > 0 && static_cast<unsigned char>(Src[N - 1]) < 33) --N;
                    PutText(D, Src, N);
                } else
                    std::memcpy(Dst, Src, D->Width);
                break;
            case SQLTypeInt64:
                if (static_cast<SmallInt>(D->Scale) < -4 && !FPrepareOptions.Contains(psSQLINT64ToBCD)) {
                    Int64 Raw;
                    std::memcpy(&Raw, Src, 8);
                    const double F = static_cast<double>(static_cast<Extended>(Raw) * E10(static_cast<SmallInt>(D->Scale)));
                    std::memcpy(Dst, &F, 8);
                } else {
                    std::memcpy(Dst, Src, 8);
                }
                break;
            default:
                std::memcpy(Dst, Src, std::min<size_t>(D->Width, static_cast<size_t>(std::max<Integer>(X->sqllen, 0))));
                break;
        }
    }
    if (WholeRow && FLongTextCount > 0) FCache->SetStringRow(Pos, FRowTexts.data());
    if (Qry == FRefreshQuery) DropChangedStreams(Image);
    if (AfterFetchRecord) {
        bool Stop = false;
        const TAliveGuard alive(this);
        FireEvent(AfterFetchRecord, Qry, Pos, Stop);
        if (alive.Gone()) Abort();   // the fetch stops with its data set
        if (Stop) {
            if (Qry == FSelectQuery && RecNo >= FRecordsCount) FRecordsCount = RecNo + 1;
            Abort();
        }
    }
}

void TFBCustomDataSet::FetchCurrentRecordToBuffer(TFBQuery* Qry, Integer RecNo, TRecordBuffer Buffer) {
    if (RecNo < 0) {
        InitRecordLayout();
        return;
    }
    FetchRecordToCache(Qry, RecNo);
    ReadRecordCache(RecNo, Buffer, false);
}

void TFBCustomDataSet::ReadRecordCache(Integer RecNo, TRecordBuffer Buffer, bool Old) {
    const Integer Pos = CachePosition(RecNo);
    if (Pos < 0 || !FCache) return;
    BufRecNo(Buffer) = RecNo;
    // The image fills the buffer up to the calculated fields; texts end at their zero byte.
    BufFlag(Buffer) = 0;
    if (FRecordBufferSize > FCalcFieldsOffset)
        std::memset(Buffer + FCalcFieldsOffset, 0, static_cast<size_t>(FRecordBufferSize - FCalcFieldsOffset));
    if (Old) {
        const Byte* Work = FCache->GetRecordBuffer(Pos + 1);
        std::memcpy(Buffer + 5, Work, static_cast<size_t>(FCalcFieldsOffset - 5));
    } else {
        FCache->ReadRecord(Pos + 1, reinterpret_cast<Byte*>(Buffer + 5));
    }
}

void TFBCustomDataSet::WriteRecordCache(Integer RecNo, TRecordBuffer Buffer) {
    const Integer Pos = CachePosition(RecNo);
    if (Pos < 0 || !FCache) return;
    FCache->WriteRecord(Pos + 1, reinterpret_cast<const Byte*>(Buffer + 5), true);
}

void TFBCustomDataSet::SaveRecordCopy(TRecordBuffer Buffer) {
    if (!Buffer || !FCache) return;
    const Integer Pos = CachePosition(BufRecNo(Buffer));
    if (Pos < 0) return;
    FCache->LoadWorkBuffer(Pos + 1);
    // Only the first change keeps the values a revert goes back to.
    if (FCachedUpdates && Pos < FCache->RecordCount()) {
        const Byte* Image = FCache->RecordImage(Pos + 1);
        if (Image && Image[0] == cusUnmodified) FCache->SaveToLog(Pos + 1);
    }
}

TRecordBuffer TFBCustomDataSet::GetOldRecordBuffer(Integer RecNo) {
    if (!FCache) return nullptr;
    if (RecNo == -1) {
        TRecordBuffer B = GetActiveBuf();
        if (!B) return nullptr;
        RecNo = BufRecNo(B);
    }
    const Integer Pos = CachePosition(RecNo);
    if (Pos < 0) return nullptr;
    TRecordBuffer R = AllocRecordBuffer();
    BufRecNo(R) = RecNo;
    if (Pos >= FCache->RecordCount()) {
        for (Integer I = 1; I <= FFieldDescrs->Count(); ++I) BufNull(R, I) = 1;
        return R;
    }
    if (FCachedUpdates)
        FCache->ReadRecord(Pos + 1, reinterpret_cast<Byte*>(R + 5), true);
    else
        std::memcpy(R + 5, FCache->GetRecordBuffer(Pos + 1), static_cast<size_t>(FCalcFieldsOffset - 5));
    return R;
}

TRecordBuffer TFBCustomDataSet::GetActiveBuf() const {
    if (State() == dsCalcFields) return CalcBuffer();
    if (!FOpen) return nullptr;
    if (FApplyBuffer) return FApplyBuffer;
    if (IsEmpty() && State() != dsInsert) return nullptr;
    return ActiveBuffer();
}

bool TFBCustomDataSet::IsVisible(TRecordBuffer Buffer) {
    if (FFilterBypass) return true;
    const Byte S = BufStatus(Buffer);
    if (S > 7 || !FUpdateRecordTypes.Contains(static_cast<TCachedUpdateStatus>(S))) return false;
    return !Filtered() || FilterAccepts(Buffer);
}

void TFBCustomDataSet::RevertRecord(Integer RecNo) {
    const Integer Place = ActivePlace();
    const bool Values = RevertImage(RecNo);
    // An edit of the record goes on over what it is now: its post counts it as pending again.
    if (State() == dsEdit && BufRecNo(ActiveBuffer()) == RecNo)
        if (const Byte* Image = FCache->PeekRecord(CachePosition(RecNo) + 1)) BufStatus(ActiveBuffer()) = Image[0];
    if (Values && KeepsLocalOrder()) {
        const Integer To = SortedPlace(RecNo);
        if (To != RecNo) FCache->MoveRecord(RecNo, To);
    }
    // The record shown may be the one taken back, or have moved with it.
    if (Active()) FollowPlace(Place, true);
    FollowMasterAfterEdit();   // the kept master's last pending line was taken back
}

Integer TFBCustomDataSet::PhysicalAt(Integer Pos) const {
    if (!FCache || FUniDirectional || LimitedCache() || Pos < 0 || Pos >= FRecordsCount) return 0;
    return std::max(FCache->PhysicalRecNo(Pos), 0);
}

Integer TFBCustomDataSet::ActivePlace() const {
    if (!FOpen || (IsEmpty() && State() != dsInsert)) return 0;
    return PhysicalAt(BufRecNo(ActiveBuffer()));
}

void TFBCustomDataSet::FollowPlace(Integer Physical, bool Reread) {
    const Integer Pos = Physical > 0 ? FCache->LogicalIndex(Physical) : -1;
    if (Pos >= 0) {
        // An inserted buffer keeps its place before the record it was opened at.
        BufRecNo(ActiveBuffer()) = Pos;
        FCurrentRecord_ = Pos;
        CursorPosChanged();
    }
    if (Reread && State() == dsBrowse) Resync({});
}

TFBCustomDataSet::TRecordUndo TFBCustomDataSet::SaveRecordUndo(Integer Pos) {
    TRecordUndo U;
    U.Physical = PhysicalAt(Pos);
    U.Pos = Pos;
    U.Buffer.assign(static_cast<size_t>(FRecordBufferSize), 0);
    ReadRecordCache(Pos, U.Buffer.data(), false);
    U.DeletedRecords = FDeletedRecords;
    U.CacheModifiedCount = FCacheModifiedCount;
    U.UpdatesPending = FUpdatesPending;
    return U;
}

void TFBCustomDataSet::UndoRecord(const TRecordUndo& U) {
    const Integer Now = U.Physical > 0 ? FCache->LogicalIndex(U.Physical) : U.Pos;
    if (Now >= 0 && Now != U.Pos) FCache->MoveRecord(Now, U.Pos);
    std::vector<char> B(U.Buffer);
    WriteRecordCache(U.Pos, B.data());
    // The streams the record names are its own again.
    for (Integer I = 0; I < FBlobFieldCount; ++I)
        if (TFBBlobStream* S = StreamAt(BlobSlot(B.data(), I)))
            FHeldStreams.erase(std::remove(FHeldStreams.begin(), FHeldStreams.end(), S), FHeldStreams.end());
    FDeletedRecords = U.DeletedRecords;
    FCacheModifiedCount = U.CacheModifiedCount;
    FUpdatesPending = U.UpdatesPending;
}

void TFBCustomDataSet::EndHoldingStreams(bool Keep) {
    FHoldingStreams = false;
    std::vector<TFBBlobStream*> Held;
    Held.swap(FHeldStreams);
    if (!Keep)
        for (TFBBlobStream* S : Held) delete S;
}

bool TFBCustomDataSet::RevertImage(Integer RecNo) {
    const Integer Pos = CachePosition(RecNo);
    if (!FCache || Pos < 0 || Pos >= FCache->RecordCount()) return false;
    Byte* Image = FCache->RecordImage(Pos + 1);
    if (!Image) return false;
    const Byte Status = Image[0];
    switch (Status) {
        case cusModified:
        case cusDeleted: {
            // A deleted record may have been edited first: it goes back to its saved copy too
            // (a record without one has the values it was fetched with).
            if (FBlobFieldCount > 0) {
                // The record's blobs go back to what they were before its changes too; an edit of
                // the record goes on with what was typed in its streams, over the values before.
                TTempBuffer Now(this);
                ReadRecordCache(RecNo, Now.Buffer, false);
                const TRecordBuffer Edit = State() == dsEdit && BufRecNo(ActiveBuffer()) == RecNo ? ActiveBuffer() : nullptr;
                for (Integer I = 0; I < FBlobFieldCount; ++I) {
                    TFBBlobStream* S = StreamAt(BlobSlot(Now.Buffer, I));
                    if (S && Edit && S == StreamAt(BlobSlot(Edit, I))) S->ForgetPosted();
                    else if (S) BlobStreamStep(Now.Buffer, bsaRevert, FBlobFields[I]);
                }
            }
            std::vector<char> Tmp(static_cast<size_t>(FRecordBufferSize), 0);
            FCache->ReadRecord(Pos + 1, reinterpret_cast<Byte*>(Tmp.data() + 5), true);
            Tmp[5] = cusUnmodified;
            FCache->WriteRecord(Pos + 1, reinterpret_cast<const Byte*>(Tmp.data() + 5), false);
            if (Status == cusDeleted && FDeletedRecords > 0) --FDeletedRecords;
            break;
        }
        case cusInserted:
            // The record leaves the visible ones as a delete would.
            Image[0] = cusUninserted;
            ++FDeletedRecords;
            break;
        default:
            return false;
    }
    // A reverted change is no longer pending.
    if (FCacheModifiedCount > 0) --FCacheModifiedCount;
    FUpdatesPending = FCacheModifiedCount > 0;
    return Status != cusInserted;
}

// ---------------------------------------------------------------------------------------------
// Record buffers

TRecordBuffer TFBCustomDataSet::AllocRecordBuffer() {
    auto* B = new char[static_cast<size_t>(std::max(FRecordBufferSize, 8))];
    std::memset(B, 0, static_cast<size_t>(std::max(FRecordBufferSize, 8)));
    return B;
}

void TFBCustomDataSet::FreeRecordBuffer(TRecordBuffer& Buffer) {
    delete[] Buffer;
    Buffer = nullptr;
}

void TFBCustomDataSet::InternalInitRecord(TRecordBuffer Buffer) {
    std::memset(Buffer, 0, static_cast<size_t>(FRecordBufferSize));
    for (Integer I = 1; I <= FFieldDescrs->Count(); ++I) BufNull(Buffer, I) = 1;
}

void TFBCustomDataSet::ClearCalcFields(TRecordBuffer Buffer) {
    if (FRecordBufferSize > FCalcFieldsOffset)
        std::memset(Buffer + FCalcFieldsOffset, 0, static_cast<size_t>(FRecordBufferSize - FCalcFieldsOffset));
}

void TFBCustomDataSet::GetCalcFields(TRecordBuffer Buffer) {
    if (FDisableCalcCount == 0) TDataSet::GetCalcFields(Buffer);
}

void TFBCustomDataSet::EnableCalcFields() {
    if (FDisableCalcCount == 0) return;
    if (--FDisableCalcCount > 0 || !Active()) return;
    const TBookmark B = GetBookmark();
    DisableControls();
    DisableScrollEvents();
    try {
        if (!B.empty()) GotoBookmark(B); else Resync({});
    } catch (...) {
        EnableScrollEvents();
        EnableControls();
        throw;
    }
    EnableScrollEvents();
    EnableControls();
}

TBookmarkFlag TFBCustomDataSet::GetBookmarkFlag(TRecordBuffer Buffer) const {
    return static_cast<TBookmarkFlag>(BufFlag(Buffer));
}

void TFBCustomDataSet::SetBookmarkFlag(TRecordBuffer Buffer, TBookmarkFlag Value) {
    if (Value == bfEOF && BufFlag(Buffer) == bfInserted)
        BufRecNo(Buffer) = LimitedCache() ? FWindow.Last + 1 : FRecordsCount;
    BufFlag(Buffer) = static_cast<Byte>(Value);
}

void TFBCustomDataSet::GetBookmarkData(TRecordBuffer Buffer, void* Data) const {
    if (LimitedCache() && FCache) {
        // The record number holds only while the window does; the ORDER BY values find it later.
        std::memset(Data, 0, static_cast<size_t>(std::max(FBookmarkSize, 8)));
        const int32_t Rec = BufRecNo(Buffer);
        std::memcpy(Data, &Rec, 4);
        for (size_t I = 0; I < FWindowOrder.size() && I < FWindowKeyOffsets.size(); ++I) {
            TField* F = FWindowOrder[I].first;
            TFBFieldDescr* D = DescrOf(F);
            Byte* Out = static_cast<Byte*>(Data) + FWindowKeyOffsets[I];
            Out[0] = BufNull(Buffer, F->FieldNo());
            if (Out[0] || !D) continue;
            const bool Text = D->SqlType == SQLTypeVarying || D->SqlType == SQLTypeText;
            const char* V = Buffer + D->Offset;
            std::memcpy(Out + 1, V, Text ? strnlen(V, D->Width) : static_cast<size_t>(D->Width));
        }
        return;
    }
    std::memset(Data, 0, 8);
    if (!FCache || FRecordsCount == 0) return;
    const int32_t Phys = FCache->PhysicalRecNo(CachePosition(BufRecNo(Buffer)));
    const int32_t Active = FActiveRecord;
    std::memcpy(Data, &Phys, 4);
    std::memcpy(static_cast<char*>(Data) + 4, &Active, 4);
}

void TFBCustomDataSet::SetBookmarkData(TRecordBuffer Buffer, const void* Data) {
    int32_t Phys;
    std::memcpy(&Phys, Data, 4);
    if (LimitedCache()) BufRecNo(Buffer) = Phys;
    else BufRecNo(Buffer) = FCache ? FCache->LogicalIndex(Phys) : -1;
}

bool TFBCustomDataSet::BookmarkValid(const TBookmark& Bookmark) const {
    if (Bookmark.size() < 4 || !FCache) return false;
    // A window's bookmark holds the values of its order: one of another order is not its own.
    if (LimitedCache()) return Bookmark.size() == static_cast<size_t>(FBookmarkSize);
    int32_t Phys;
    std::memcpy(&Phys, Bookmark.data(), 4);
    const Integer Logical = FCache->LogicalIndex(Phys);
    return FCache->RecordExists(Phys) && Logical >= 0 && Logical < FRecordsCount;
}

Integer TFBCustomDataSet::CompareBookmarks(const TBookmark& Bookmark1, const TBookmark& Bookmark2) const {
    if (Bookmark1.empty() && Bookmark2.empty()) return 0;
    if (Bookmark1.empty()) return 1;
    if (Bookmark2.empty()) return -1;
    int32_t P1 = 0, P2 = 0;
    std::memcpy(&P1, Bookmark1.data(), std::min<size_t>(4, Bookmark1.size()));
    std::memcpy(&P2, Bookmark2.data(), std::min<size_t>(4, Bookmark2.size()));
    const bool Numbers = !FCache || LimitedCache();
    const Integer L1 = Numbers ? P1 : FCache->LogicalIndex(P1);
    const Integer L2 = Numbers ? P2 : FCache->LogicalIndex(P2);
    return L1 < L2 ? -1 : (L1 > L2 ? 1 : 0);
}

void TFBCustomDataSet::InternalGotoBookmark(const void* Bookmark) {
    if (LimitedCache()) {
        WindowGotoBookmark(static_cast<const Byte*>(Bookmark));
        return;
    }
    TBookmark B(static_cast<const Byte*>(Bookmark), static_cast<const Byte*>(Bookmark) + 8);
    // A bookmark of a record that is gone must not leave the cursor where it was as if found.
    if (!BookmarkValid(B)) DatabaseError(SRecordNotFound, this);
    int32_t Phys;
    std::memcpy(&Phys, Bookmark, 4);
    // A ring slot does not tell which of the records that took it turns is meant.
    CheckNotUniDirectional();
    FCurrentRecord_ = FCache->LogicalIndex(Phys);
}

TUpdateStatus TFBCustomDataSet::UpdateStatus() const {
    if (!Active()) return usUnmodified;
    TRecordBuffer B = GetActiveBuf();
    if (!B) return usUnmodified;
    switch (BufStatus(B)) {
        case cusModified: return usModified;
        case cusInserted: return usInserted;
        case cusDeleted: case cusUninserted: case cusDeletedApplied: return usDeleted;
        default: return usUnmodified;
    }
}

bool TFBCustomDataSet::GetCurrentRecord(TRecordBuffer Buffer) {
    if (IsEmpty() || !ActiveBuffer() || BufFlag(ActiveBuffer()) != bfCurrent) return false;
    ReadRecordCache(BufRecNo(ActiveBuffer()), Buffer, false);
    return true;
}

bool TFBCustomDataSet::IsSequenced() const {
    if (LimitedCache()) return false;
    return FSelectQuery->Eof() && !FUniDirectional && !(Filtered() && !IsEmpty());
}

// ---------------------------------------------------------------------------------------------
// Fetching and navigation

bool TFBCustomDataSet::FetchNextRow(TRecordBuffer Buffer) {
    if (FSelectQuery->Eof()) return false;
    FSelectQuery->Next();
    if (FSelectQuery->Eof()) return false;
    if (Buffer)
        FetchCurrentRecordToBuffer(FSelectQuery, FRecordsCount, Buffer);
    else
        FetchRecordToCache(FSelectQuery, FRecordsCount);
    ++FRecordsCount;
    return true;
}

TGetResult TFBCustomDataSet::GetNextVisibleRecord(TRecordBuffer Buffer, TGetMode Mode) {
    while (!IsVisible(Buffer)) {
        if (LimitedCache()) {
            // Hidden records are passed over across the window's edges too.
            const TGetResult R = GetWindowRecord(Buffer, Mode == gmPrior ? gmPrior : gmNext);
            if (R != grOK) return R;
            continue;
        }
        if (Mode != gmPrior) {
            if (FCurrentRecord_ + 1 < FRecordsCount) {
                ++FCurrentRecord_;
                ReadRecordCache(FCurrentRecord_, Buffer, false);
            } else {
                if (!FetchNextRow(Buffer)) {
                    FCurrentRecord_ = FRecordsCount;
                    return grEOF;
                }
                FCurrentRecord_ = FRecordsCount - 1;
            }
        } else {
            if (FCurrentRecord_ <= 0) {
                FCurrentRecord_ = -1;
                return grBOF;
            }
            --FCurrentRecord_;
            ReadRecordCache(FCurrentRecord_, Buffer, false);
        }
    }
    return grOK;
}

TGetResult TFBCustomDataSet::GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) {
    if (!FCache) return grError;
    const TAliveGuard alive(this);   // a fetch handler may free the data set
    if (!Buffer) {
        // Asked only to move: the records passed are still read, to tell the visible ones.
        TTempBuffer Work(this);
        const Integer Saved = FDisableCalcCount;
        FDisableCalcCount = Saved + 1;   // nobody sees this buffer's calculated fields
        try {
            const TGetResult R = GetRecord(Work.Buffer, GetMode, DoCheck);
            FDisableCalcCount = Saved;
            return R;
        } catch (...) {
            if (alive.Alive()) FDisableCalcCount = Saved;
            throw;
        }
    }
    struct TFetchFlag {
        bool& F;
        const TAliveGuard& Alive;
        TFetchFlag(bool& AF, const TAliveGuard& A) : F(AF), Alive(A) { F = true; }
        ~TFetchFlag() {
            if (Alive.Alive()) F = false;
        }
    } Flag(FInFetch, alive);
    TGetResult R = grError;
    try {
        Integer& C = FCurrentRecord_;
        const Integer& N = FRecordsCount;
        if (LimitedCache()) R = GetWindowRecord(Buffer, GetMode);
        else switch (GetMode) {
            case gmCurrent:
                if (C < 0) {
                    R = grBOF;
                    break;
                }
                while (C >= N && FetchNextRow(Buffer)) {}
                if (C >= N) C = N - 1;
                if (C < 0) {
                    R = grBOF;
                    break;
                }
                ReadRecordCache(C, Buffer, false);
                R = grOK;
                break;
            case gmNext:
                if (C < N - 1) {
                    ++C;
                    ReadRecordCache(C, Buffer, false);
                    R = grOK;
                } else if (C >= N) {
                    R = grEOF;
                } else if (FetchNextRow(Buffer)) {
                    C = N - 1;
                    R = grOK;
                } else {
                    C = N;
                    R = grEOF;
                }
                break;
            case gmPrior:
                if (C > N) C = N;
                if (C > 0 && !InRing(C - 1)) {
                    // Filling the buffers around the cursor simply stops at the ring's start.
                    if (FInResync) {
                        R = grBOF;
                        break;
                    }
                    CheckNotUniDirectional();
                }
                if (C > 0) {
                    --C;
                    ReadRecordCache(C, Buffer, false);
                    R = grOK;
                } else {
                    C = -1;
                    R = grBOF;
                }
                break;
        }
        if (R == grOK) R = GetNextVisibleRecord(Buffer, GetMode);
    } catch (EDatabaseError& E) {
        TDataAction Action = daFail;
        const TAliveGuard alive(this);
        if (OnGetRecordError) FireEvent(OnGetRecordError, this, E, Action);
        if (Action == daFail) throw;
        if (Action == daAbort || alive.Gone()) Abort();
    }
    if (Buffer) {
        if (R == grOK) {
            BufFlag(Buffer) = bfCurrent;
            GetCalcFields(Buffer);
        } else if (R == grBOF) {
            BufFlag(Buffer) = bfBOF;
        } else {
            BufFlag(Buffer) = bfEOF;
        }
    }
    return R;
}

bool TFBCustomDataSet::InRing(Integer RecNo) const {
    return !FUniDirectional || RecNo >= FRecordsCount - FCacheModelOptions->BufferChunks();
}

void TFBCustomDataSet::InternalFirst() {
    if (LimitedCache()) {
        WindowFirstRecords();
        return;
    }
    // The ring has dropped the first record: going back would show another one.
    if (!InRing(0)) CheckNotUniDirectional();
    FCurrentRecord_ = -1;
}

void TFBCustomDataSet::InternalLast() {
    if (LimitedCache()) {
        WindowLastRecords();
        return;
    }
    if (!FSelectQuery->Eof()) {
        TCursorScope Scope(this);
        try {
            while (FetchNextRow(nullptr)) {}
        } catch (EAbort&) {
            // A fetch stopped on purpose ends fetching; the rows fetched so far stay.
            // A real fetch error goes to the caller.
        }
    }
    FCurrentRecord_ = FRecordsCount;
}

void TFBCustomDataSet::InternalSetToRecord(TRecordBuffer Buffer) { FCurrentRecord_ = BufRecNo(Buffer); }

Integer TFBCustomDataSet::GetRecordCount() const {
    if (LimitedCache()) return FRecordsCount;
    if (FUniDirectional) {
        const Integer Chunks = FCacheModelOptions->BufferChunks();
        return FRecordsCount >= Chunks ? Chunks : FRecordsCount - FDeletedRecords;
    }
    return FRecordsCount - FDeletedRecords;
}

Integer TFBCustomDataSet::GetRecNo() const {
    if (State() == dsFilter) return FCurrentRecord_;
    TRecordBuffer B = GetActiveBuf();
    return B ? BufRecNo(B) + 1 : 0;
}

void TFBCustomDataSet::SetRecNoImpl(Integer Value) {
    CheckBrowseMode();
    if (Value < 1) Value = 1;
    // The window holds only its own records.
    if (LimitedCache() && (Value - 1 < FWindow.First || Value - 1 > FWindow.Last)) return;
    if (Value > FRecordsCount && !LimitedCache()) {
        InternalLast();
        Value = std::min(Value, FRecordsCount);
    }
    if (Value < 1 || Value == TFBCustomDataSet::GetRecNo()) return;
    if (!InRing(Value - 1)) CheckNotUniDirectional();
    DoBeforeScroll();
    FCurrentRecord_ = Value - 1;
    Resync({});
    DoAfterScroll();
}

void TFBCustomDataSet::FetchAll() {
    // A window never holds the whole select.
    if (LimitedCache()) return;
    if (!FSelectQuery->Open() || FSelectQuery->Eof()) return;
    if (!Active()) {
        InternalLast();
        return;
    }
    TCursorScope Scope(this);
    DisableControls();
    DisableScrollEvents();
    try {
        const TBookmark B = GetBookmark();
        Last();
        if (!B.empty()) GotoBookmark(B); else First();
    } catch (...) {
        EnableScrollEvents();
        EnableControls();
        throw;
    }
    EnableScrollEvents();
    EnableControls();
}

void TFBCustomDataSet::DoBeforeScroll() {
    if (FDisableScrollCount == 0) TDataSet::DoBeforeScroll();
}

void TFBCustomDataSet::DoAfterScroll() {
    if (FDisableScrollCount != 0) return;
    const TAliveGuard alive(this);
    TDataSet::DoAfterScroll();
    if (alive.Gone()) return;
    if (FEndScrollTimer) {
        FEndScrollTimer->SetEnabled(false);
        FEndScrollTimer->SetEnabled(true);
    }
}

// ---------------------------------------------------------------------------------------------
// Opening and closing

void TFBCustomDataSet::InternalOpen() {
    TCursorScope Scope(this);
    FUpdatesPending = false;
    // A changed macro changes the select: prepared and described anew.
    if (FSelectQuery->MacrosChanged()) {
        FSelectSQLChanged = true;
        FieldDefs()->Clear();
        FieldDefs()->SetUpdated(false);
        FPrepared = false;
        FSelectQuery->FreeHandle();
    }
    if (!FPrepared || !FSelectQuery->Prepared() || FieldDefs()->Count() == 0) Prepare();
    if (FSelectQuery->SQLType() != SQLSelect && FSelectQuery->SQLType() != SQLSelectForUpdate) {
        FSelectQuery->ExecQuery();
        FOpen = false;
        return;
    }
    if (DefaultFields()) CreateFields();
    BindFields(true);
    TFBXSQLDA* Cols = FSelectQuery->Current();
    for (Integer I = 0; I < FieldCount(); ++I)
        if (auto* B = dynamic_cast<TFBBlobField*>(Fields()->Fields(I)); B && B->FieldNo() >= 1 && B->FieldNo() <= Cols->Count())
            B->SetBlobSubType(Cols->Vars(B->FieldNo() - 1)->SQLSubtype());
    FCursorQuery = FSelectQuery;
    FCurrentRecord_ = -1;
    FMasterMovedWhileEditing = false;
    const bool Window = LimitedCache();
    if (Window) OpenWindowModel();
    ParamsFromMaster();
    DoBeforeExecuteSelect();
    FSelectQuery->ExecQuery();
    FOpen = FSelectQuery->Open();
    InitRecordLayout();
    FCache = std::make_unique<TRecordsCache>(FCacheModelOptions->BufferChunks(), FCalcFieldsOffset - 5,
                                             FCacheRecordSize, FLongTextCount);
    for (Integer I = 0; I < FFieldDescrs->Count(); ++I) {
        TFBFieldDescr* D = FFieldDescrs->Items(I);
        if (D->OutOfLine) FCache->SetStringColumn(D->StringIndex + 1, D->Offset - 5, D->Width);
    }
    FRecordsCount = 0;
    FDeletedRecords = 0;
    FInsertedRecords = 0;
    FCacheModifiedCount = 0;
    if (FPrepareOptions.Contains(psGetOrderInfo) && !Window) GetOrderInfo();
    SetBookmarkSize(8);
    if (Window) {
        SetWindowBookmarkLayout();
        ResetWindow();
    }
    if (!IsBlankStr(Filter()) && !FFilterExpr) BuildFilterExpression(Filter(), FilterOptions());
}

AnsiString TFBCustomDataSet::ColumnOrigin(TField* F) const {
    TFBXSQLDA* Cols = FSelectQuery->Current();
    if (!Cols || F->FieldKind() != fkData || F->FieldNo() < 1 || F->FieldNo() > Cols->Count()) return AnsiString();
    TFBXSQLVAR* V = Cols->Vars(F->FieldNo() - 1);
    const AnsiString Rel = V->RelationName(), Col = V->SQLName();
    return Rel.empty() ? Col : Rel + "." + Col;
}

void TFBCustomDataSet::GetOrderInfo() {
    if (FOptions.Contains(poPersistentSorting) && !VarIsNull(FSortDescription) && !VarIsEmpty(FSortDescription) &&
        FLocallySorted)
        return;
    const AnsiString Text = FSelectQuery->ProcessedSQL().empty() ? FSelectQuery->SQLText() : FSelectQuery->ProcessedSQL();
    FSortDescription = Null();
    TSQLParser Parser(Text);
    Variant Info = Parser.GetOrderInfo();
    if (!VarIsArray(Info)) return;
    const Integer High = VarArrayHighBound(Info, 1);
    for (Integer I = 0; I <= High; ++I) {
        const AnsiString Item = WithoutNullsPlacement(VarToStr(VarArrayGet(Info, {I, 0})));
        TField* F = nullptr;
        Int64 Number = 0;
        if (TryStrToInt64(Item, Number) && Number >= 1) {
            F = Number <= FieldCount() ? Fields()->Fields(static_cast<Integer>(Number - 1)) : nullptr;
            VarArrayPut(Info, Variant(F ? F->FieldName() : AnsiString("NotPresented")), {I, 0});
            continue;
        }
        const size_t Dot = Item.find('.');
        if (Dot != AnsiString::npos) {
            const AnsiString Rel = UnquoteStr(Item.substr(0, Dot)), Col = UnquoteStr(Item.substr(Dot + 1));
            for (const AnsiString& R : {Rel, TableByAlias(Text, Rel)}) {
                for (Integer K = 0; K < FieldCount() && !F; ++K) {
                    TField* C = Fields()->Fields(K);
                    if (AsciiEqualStr(ColumnOrigin(C), UnquoteStr(R) + "." + Col, false)) F = C;
                }
                if (F) break;
            }
        } else {
            F = FieldByOriginName(Item);
        }
        if (!F) {
            FSortDescription = Null();
            return;
        }
        VarArrayPut(Info, Variant(F->FieldName()), {I, 0});
    }
    FSortDescription = Info;
    FLocallySorted = false;
}

void TFBCustomDataSet::InternalClose() {
    CloseWindowQueries();
    FWindow = TWindowState{};
    FCurrentRecord_ = -1;
    FOpen = false;
    FRecordsCount = 0;
    FDeletedRecords = 0;
    FreeBlobStreams();
    FCache.reset();
    if (FFilterExpr) FFilterExpr->ClearFieldCache();   // the fields may go now
    BindFields(false);
    if (DefaultFields()) DestroyFields();
    FFieldByNameCache.clear();
}

void TFBCustomDataSet::CloseCursor() {
    TDataSet::CloseCursor();
    FSelectQuery->Close();
    if (ComponentState().Contains(csDesigning)) FreeHandles();
}

void TFBCustomDataSet::DoBeforeOpen() {
    if (FEventsSuppressed == 0) TDataSet::DoBeforeOpen();
}

void TFBCustomDataSet::DoBeforeClose() {
    const TAliveGuard alive(this);
    if (FEventsSuppressed == 0) TDataSet::DoBeforeClose();
    if (alive.Gone()) return;
    if (DefaultFields()) FFieldByNameCache.clear();
}

void TFBCustomDataSet::DoAfterClose() {
    const TAliveGuard alive(this);
    if (FEventsSuppressed == 0) TDataSet::DoAfterClose();
    if (alive.Gone()) return;
    if (FOptions.Contains(poFreeHandlesAfterClose)) FreeHandles();
}

void TFBCustomDataSet::DoAfterOpen() {
    if (!ComponentState().Contains(csDesigning)) {
        for (Integer I = 0; I < FieldCount(); ++I) Fields()->Fields(I)->SetOrigin(ColumnOrigin(Fields()->Fields(I)));
    }
    const bool Persistent = FOptions.Contains(poPersistentSorting);
    std::vector<TField*> SortFields;
    std::vector<bool> Ascending;
    SortFieldsOf(SortFields, Ascending);
    if (FLocallySorted && FSelectSQLChanged && Sorted() &&
        (!Persistent || static_cast<Integer>(SortFields.size()) != VarArrayHighBound(FSortDescription, 1) + 1)) {
        FSortDescription = Null();
        FLocallySorted = false;
    }
    if (Filtered() && (FFilterExpr ? FFilterExpr->FilterText() : AnsiString()) != FastTrim(Filter()))
        BuildFilterExpression(Filter(), FilterOptions());
    const TAliveGuard alive(this);
    TDataSet::DoAfterOpen();
    if (alive.Gone()) return;
    if (FOptions.Contains(poFetchAll)) FetchAll();
    FSelectSQLChanged = false;
    if (FWaitMasterTimer) FWaitMasterTimer->SetEnabled(false);
    if (Persistent && FLocallySorted && Sorted()) {
        // The records come in the server's order: the remembered local sort is made again.
        SortAgain();
        First();
    } else if (!Persistent && !FPrepareOptions.Contains(psGetOrderInfo)) {
        FSortDescription = Null();
    }
}

// ---------------------------------------------------------------------------------------------
// Editing

void TFBCustomDataSet::Post() {
    const TAliveGuard alive(this);   // AfterPost's handler may free the data set
    FPostedRowError = nullptr;
    TDataSet::Post();
    if (alive.Gone()) return;
    FollowMasterAfterEdit();
    if (alive.Gone()) return;
    if (FPostedRowError) std::rethrow_exception(std::exchange(FPostedRowError, nullptr));
}

void TFBCustomDataSet::DoAfterCancel() {
    const TAliveGuard alive(this);
    TDataSet::DoAfterCancel();
    if (alive.Gone()) return;
    FollowMasterAfterEdit();
}

void TFBCustomDataSet::Resync(TResyncMode Mode) {
    const bool Saved = FInResync;
    FInResync = true;
    try {
        TDataSet::Resync(Mode);
    } catch (...) {
        FInResync = Saved;
        throw;
    }
    FInResync = Saved;
}

void TFBCustomDataSet::FollowBeforeChange(bool NeedsRecord) {
    // With lines pending for the kept master, the change is one more of its lines.
    if (FMasterMovedWhileEditing && PendingForKeptMaster()) return;
    if (FollowMasterAfterEdit() && NeedsRecord && IsEmpty()) Abort();
    ApplyPendingMasterRefresh(NeedsRecord);
}

void TFBCustomDataSet::DoBeforeEdit() {
    FollowBeforeChange(true);
    if (!CanEdit()) Abort();
    SaveRecordCopy(ActiveBuffer());
    FSavedState = State();
    const TAliveGuard alive(this);
    TDataSet::DoBeforeEdit();
    if (alive.Gone()) return;
    KeepMasterValues();
    if (!Active()) FBError(29, {"continue after BeforeEdit", FullName()});
    SaveArrayIds();
}

void TFBCustomDataSet::DoAfterInsert() {
    SaveArrayIds();
    TDataSet::DoAfterInsert();
}

void TFBCustomDataSet::DoAfterDelete() {
    const TAliveGuard alive(this);
    TDataSet::DoAfterDelete();
    if (alive.Gone()) return;
    FollowMasterAfterEdit();   // an inserted line taken out may have been the kept master's last pending one
    if (alive.Gone()) return;
    RefreshMaster();
}

void TFBCustomDataSet::DoBeforeDelete() {
    FollowBeforeChange(true);
    if (!CanDelete()) Abort();
    SaveRecordCopy(ActiveBuffer());
    const TAliveGuard alive(this);
    TDataSet::DoBeforeDelete();
    if (alive.Gone()) return;
    KeepMasterValues();
    if (!Active()) FBError(29, {"continue after BeforeDelete", FullName()});
}

void TFBCustomDataSet::DoBeforeCancel() {
    const TAliveGuard alive(this);
    TDataSet::DoBeforeCancel();
    if (alive.Gone()) return;
    if (!Active()) FBError(29, {"continue after BeforeCancel", FullName()});
}

void TFBCustomDataSet::DoBeforePost() {
    const TAliveGuard alive(this);
    if (State() == dsEdit || State() == dsInsert) TDataSet::DoBeforePost();
    if (alive.Gone()) return;
    if (!Active()) FBError(29, {"continue after BeforePost", FullName()});
}

void TFBCustomDataSet::DoBeforeInsert() {
    FollowBeforeChange(false);
    if (!CanInsert()) Abort();
    const TAliveGuard alive(this);
    TDataSet::DoBeforeInsert();
    if (alive.Gone()) return;
    KeepMasterValues();
}

void TFBCustomDataSet::InternalPost() {
    CheckEditState();
    TDataSet::InternalPost();
    TCursorScope Scope(this);
    const bool IsInsert = State() == dsInsert;
    TFBQuery* Q = IsInsert ? FInsertQuery : FUpdateQuery;
    TRecordBuffer B = ActiveBuffer();
    // A record no value was written to is not counted as pending yet (nor one whose delete took it off).
    const bool Uncounted = BufStatus(B) == cusUnmodified || BufStatus(B) == cusUninserted;
    const bool SortChanged = !IsInsert && SortFieldChanged();
    // The server may change a sort value as well (a trigger, read back after the post).
    std::vector<TField*> SF;
    std::vector<bool> Asc;
    std::vector<Variant> Before;
    if (!IsInsert && !LimitedCache() && Sorted() && FOptions.Contains(poKeepSorting)) {
        SortFieldsOf(SF, Asc);
        Before = SortValues(BufRecNo(B), SF);
    }
    if (FBlobFieldCount > 0) BlobStreamStep(B, bsaRecord);
    if (LimitedCache()) {
        PostInWindow(Q, B, IsInsert);
        return;
    }
    if (IsInsert) {
        BufStatus(B) = cusInserted;
        const Integer Rn = BufRecNo(B) + 1;
        FCurrentRecord_ = (Rn >= 1 && BufFlag(B) != bfEOF && Rn - 1 <= FRecordsCount) ? Rn - 1 : FRecordsCount;
        BufRecNo(B) = FCurrentRecord_;
    } else {
        FCurrentRecord_ = BufRecNo(B);
        if (BufStatus(B) == cusUnmodified) {
            BufStatus(B) = cusModified;
        } else if (BufStatus(B) == cusUninserted) {
            BufStatus(B) = cusInserted;
            --FDeletedRecords;
        }
    }
    const Integer C = FCurrentRecord_;
    if (!FCachedUpdates) {
        if (IsInsert) FCache->InsertRecord(C);
        const TAliveGuard alive(this);
        try {
            InternalPostRecord(Q, B);
        } catch (...) {
            // The opened slot goes to the end, where the next fetched row takes it over.
            if (alive.Alive() && IsInsert && C != FRecordsCount) FCache->MoveRecord(C, FRecordsCount);
            throw;
        }
    } else {
        if (IsInsert) FCache->InsertRecord(C);
        WriteRecordCache(C, B);
        if (Uncounted) ++FCacheModifiedCount;
        FUpdatesPending = true;
    }
    if (IsInsert) {
        ++FRecordsCount;
        ++FInsertedRecords;
    }
    // Written blobs are now the record's; cached ones wait for the apply.
    if (FBlobFieldCount > 0) BlobStreamStep(B, FCachedUpdates ? bsaCached : bsaRelease);
    WriteRecordCache(BufRecNo(B), B);
    if (SortChanged || (IsInsert && Sorted() && FOptions.Contains(poKeepSorting)) ||
        (!Before.empty() && CompareSortValues(SortValues(BufRecNo(B), SF), Before, SF, Asc) != 0)) {
        // The record goes to its sorted place; the resync after posting shows it there.
        const Integer To = SortedPlace(BufRecNo(B));
        if (To != BufRecNo(B)) FCache->MoveRecord(BufRecNo(B), To);
        FCurrentRecord_ = BufRecNo(B) = To;
    } else if (!FOptions.Contains(poKeepSorting)) {
        // The posted record may break the select's order.
        FSortDescription = Null();
    }
}

void TFBCustomDataSet::InternalAddRecord(TRecordBuffer Buffer, bool Append) {
    if (!CanInsert()) FBError(44, {FullName()});
    if (Append) {
        if (!FUniDirectional) InternalLast();
        BufRecNo(Buffer) = FRecordsCount;
        FCurrentRecord_ = FRecordsCount;
    } else {
        BufRecNo(Buffer) = FCurrentRecord_;
    }
    BufStatus(Buffer) = cusInserted;
    InternalPost();
}

void TFBCustomDataSet::InternalCancel() {
    TRecordBuffer B = ActiveBuffer();
    if (B && FBlobFieldCount > 0) BlobStreamStep(B, bsaCancel);
    // A change that is dropped is no longer pending.
    if (FCachedUpdates && B && BufStatus(B) != cusUnmodified && FCacheModifiedCount > 0) {
        const Integer Pos = CachePosition(BufRecNo(B));
        const Byte* Image = (State() == dsEdit && Pos >= 0 && Pos < FCache->RecordCount()) ? FCache->RecordImage(Pos + 1) : nullptr;
        if (State() == dsInsert || (Image && Image[0] == cusUnmodified)) --FCacheModifiedCount;
    }
    if (State() == dsInsert && B && FCurrentRecord_ >= 0) {
        if (BufFlag(B) == bfBOF) {
            if (FRecordsCount == 0) --FCurrentRecord_;
        } else if (BufFlag(B) == bfEOF) {
            if (LimitedCache()) FCurrentRecord_ = FWindow.Last;
            else --FCurrentRecord_;
        }
    }
}

void TFBCustomDataSet::InternalDelete() {
    TCursorScope Scope(this);
    if (!CanDelete()) FBError(47, {FullName()});
    TRecordBuffer B = ActiveBuffer();
    FCurrentRecord_ = BufRecNo(B);
    if (FCachedUpdates) {
        if (BufStatus(B) == cusInserted) {
            BufStatus(B) = cusUninserted;
            if (FCacheModifiedCount > 0) --FCacheModifiedCount;
        } else {
            // An edited record is counted as pending already.
            if (BufStatus(B) == cusUnmodified) ++FCacheModifiedCount;
            BufStatus(B) = cusDeleted;
        }
        WriteRecordCache(BufRecNo(B), B);
    } else {
        InternalDeleteRecord(FDeleteQuery, B);
        if (LimitedCache()) {
            // The window is read again around the place the record had.
            WindowAroundKey(B, true);
            return;
        }
    }
    ++FDeletedRecords;
    FUpdatesPending = FCacheModifiedCount > 0;
}

void TFBCustomDataSet::InternalDeleteRecord(TFBQuery* Qry, TRecordBuffer Buff) {
    TFBTransaction* Tr = UpdateTransaction();
    if (Tr && !Tr->Active() && FOptions.Contains(poStartTransaction)) Tr->StartTransaction();
    // A refused auto-commit takes the delete back.
    const bool Kept = !FCachedUpdates && FAutoCommit && RunSavepoint("SAVEPOINT FB_RECORD");
    SetInternalSQLParams(Qry, Buff);
    Qry->ExecQuery();
    if (!FCachedUpdates) {
        try {
            AutoCommitUpdates();
        } catch (...) {
            try {
                if (Kept) RunSavepoint("ROLLBACK TO SAVEPOINT FB_RECORD");
            } catch (...) {
                // The commit's own error is the one reported.
            }
            throw;
        }
    }
    BufStatus(Buff) = cusDeletedApplied;
    WriteRecordCache(BufRecNo(Buff), Buff);
}

bool TFBCustomDataSet::RunSavepoint(const char* Sql) {
    TFBTransaction* Tr = UpdateTransaction();
    if (!Tr || !Tr->Active() || !Database()) return false;
    TFBQuery Q(nullptr);
    Q.SetDatabase(Database());
    Q.SetTransaction(Tr);
    Q.SQL()->SetText(Sql);
    Q.ExecQuery();
    return true;
}

void TFBCustomDataSet::AutoCommitUpdates() {
    TFBTransaction* Tr = UpdateTransaction();
    if (!FAutoCommit || !Tr || !Tr->Active()) return;
    if (Tr != Transaction() && Tr->TimeoutAction() == TACommit)
        Tr->Commit();
    else
        Tr->CommitRetaining();
}

void TFBCustomDataSet::DeleteFromCache() {
    CheckDatasetOpen(" do delete from cache ");
    TRecordBuffer B = GetActiveBuf();
    if (!B) return;
    DisableControls();
    try {
        BufStatus(B) = cusDeletedApplied;
        ++FDeletedRecords;
        WriteRecordCache(BufRecNo(B), B);
        FCurrentRecord_ = BufRecNo(B);
        CursorPosChanged();
        FCurrentRecord = -1;
        Resync({});
    } catch (...) {
        EnableControls();
        throw;
    }
    EnableControls();
}

void TFBCustomDataSet::CancelUpdates() {
    if (State() == dsEdit || State() == dsInsert) Cancel();
    if (!FCachedUpdates || FCacheModifiedCount == 0 || !FCache) return void(FollowMasterAfterEdit());
    bool Reverted = false;
    for (Integer I = 0; I < FRecordsCount; ++I) Reverted = RevertImage(I) || Reverted;
    FCacheModifiedCount = 0;
    FUpdatesPending = false;
    FCache->ClearLog();
    // The values went back, the places the posts gave them stayed.
    if (Reverted && KeepsLocalOrder()) SortAgain();
    if (Active()) {
        const TBookmark B = GetBookmark();
        if (!B.empty() && BookmarkValid(B)) {
            FCurrentRecord_ = FCache->LogicalIndex(*reinterpret_cast<const int32_t*>(B.data()));
            Resync({});
        } else {
            First();
        }
    }
    FollowMasterAfterEdit();
}

// ---------------------------------------------------------------------------------------------
// Refreshing

void TFBCustomDataSet::InternalRefresh() { InternalRefreshRow(FRefreshQuery, ActiveBuffer(), false); }

void TFBCustomDataSet::InternalRefreshRow(TFBQuery* Qry, TRecordBuffer Buff, bool ResortFlag) {
    const bool Editing = dsEditModes.Contains(State());
    if (LimitedCache()) {
        RefreshWindowRow(Qry, Buff, ResortFlag);
    } else {
        // What the record sorted by before, to tell whether the server moved it; a post places it itself.
        std::vector<TField*> SF;
        std::vector<bool> Asc;
        std::vector<Variant> Before;
        const bool Check = Buff && !Editing && Sorted() && BufRecNo(Buff) >= 0 && BufRecNo(Buff) < FRecordsCount;
        if (Check) {
            SortFieldsOf(SF, Asc);
            Before = SortValues(BufRecNo(Buff), SF);
        }
        // The cursor goes with a refreshed current record; another buffer (an apply's) leaves it
        // on the user's record, also when the refreshed one moves.
        const bool Current = Buff && !FApplyBuffer && Buff == GetActiveBuf();
        const Integer Place = Current ? 0 : ActivePlace();
        RefreshRecordFromQuery(Qry, Buff);
        if (Current) FCurrentRecord_ = BufRecNo(Buff);
        if (Check && BufStatus(Buff) != cusDeletedApplied &&
            CompareSortValues(SortValues(BufRecNo(Buff), SF), Before, SF, Asc) != 0) {
            if (FOptions.Contains(poKeepSorting)) {
                const Integer Pos = BufRecNo(Buff), To = SortedPlace(Pos);
                if (To != Pos) FCache->MoveRecord(Pos, To);
                BufRecNo(Buff) = To;
                if (Current) FCurrentRecord_ = To;
                // The other rows shown name places that moved (a protected edit's read-back gets
                // no resync of its own); an apply reads them again at its end.
                if (To != Pos) FollowPlace(Current ? 0 : Place, !FApplyBuffer);
            } else {
                // As after a post: the refreshed record may break the order.
                FSortDescription = Null();
            }
        }
    }
    if (!Editing) RefreshMaster(true);
}

void TFBCustomDataSet::RefreshWindowRow(TFBQuery* Qry, TRecordBuffer Buff, bool ResortFlag) {
    if (!Buff) return;
    if (!ResortFlag || State() == dsInsert) SaveRecordCopy(Buff);
    if (!RefreshRecordFromQuery(Qry, Buff)) {
        // The row is gone: the record keeps what it held (blobs as written).
        if (dsEditModes.Contains(State())) {
            TRecordBuffer Old = GetOldRecordBuffer(BufRecNo(Buff));
            for (Integer I = 1; Old && I <= FFieldDescrs->Count(); ++I) {
                TFBFieldDescr* D = FFieldDescrs->Items(I - 1);
                if (D->SqlType == SQLTypeBlob) continue;
                BufNull(Buff, I) = BufNull(Old, I);
                std::memcpy(Buff + D->Offset, Old + D->Offset, static_cast<size_t>(D->Width));
            }
            if (Old) FreeRecordBuffer(Old);
            WriteRecordCache(BufRecNo(Buff), Buff);
        }
        if (!ResortFlag && !SortFieldChanged()) return;
    }
    TTempBuffer Key(this);
    std::memcpy(Key.Buffer, Buff, static_cast<size_t>(RecordBufferSize()));
    WindowAroundKey(Key.Buffer, true);
}

bool TFBCustomDataSet::RefreshRecordFromQuery(TFBQuery* Qry, TRecordBuffer Buff) {
    if (!Buff) return false;
    TCursorScope Scope(this);
    if (IsBlankStr(Qry->SQL()->Text()) || !Active()) {
        if (GetRecordCount() > 0) FBError(48, {FullName()});
        return false;
    }
    if (!FCachedUpdates && !LimitedCache()) SaveRecordCopy(Buff);
    if (!Qry->Open()) {
        SetInternalSQLParams(Qry, Buff);
        if (Qry == FRefreshQuery) PrepareQuery(3);
        if (FOptions.Contains(poStartTransaction) && Qry->Transaction() && !Qry->Transaction()->Active())
            Qry->Transaction()->StartTransaction();
        Qry->ExecQuery();
    }
    // A cached change that the server's row replaces is no longer pending.
    Byte Pending = cusUnmodified;
    const Integer Pos = CachePosition(BufRecNo(Buff));
    if (FCachedUpdates && FCache && Pos >= 0 && Pos < FCache->RecordCount()) Pending = FCache->RecordImage(Pos + 1)[0];
    const auto DropPending = [&] {
        if (!IsPendingChange(Pending)) return;
        // The server's row is now what the old values and a later revert give.
        FCache->SaveToLog(Pos + 1);
        if (FCacheModifiedCount > 0) --FCacheModifiedCount;
        FUpdatesPending = FCacheModifiedCount > 0;
    };
    bool Result = false;
    try {
        bool Row = false;
        if (Qry->SQLType() == SQLExecProcedure) {
            Row = true;
        } else if (Qry->SQLType() == SQLSelect || Qry->SQLType() == SQLSelectForUpdate) {
            if (Qry->Bof() && !Qry->Eof()) Qry->Next();
            Row = !Qry->Eof();
        }
        if (Row) {
            const Byte Flag = BufFlag(Buff);
            // The change goes whole: its blobs too, which the server's ids alone would keep.
            if (IsPendingChange(Pending) && FBlobFieldCount > 0) FreeImageStreams(FCache->RecordImage(Pos + 1));
            // Once fetched the row is the record's, also when AfterFetchRecord stops there.
            const auto Settle = [&] {
                BufFlag(Buff) = Flag;
                DropPending();
                if (Pending == cusDeleted && FDeletedRecords > 0) --FDeletedRecords;
            };
            try {
                FetchCurrentRecordToBuffer(Qry, BufRecNo(Buff), Buff);
            } catch (const EAbort&) {
                ReadRecordCache(BufRecNo(Buff), Buff, false);
                Settle();
                throw;
            }
            Settle();
            Result = true;
        } else if (FOptions.Contains(poRefreshDeletedRecord) && !LimitedCache() && Pending != cusInserted) {
            // A cached insert has no row on the server yet: it is not a record that went.
            BufStatus(Buff) = cusDeletedApplied;
            if (Pending != cusDeleted) ++FDeletedRecords;
            DropPending();
            WriteRecordCache(BufRecNo(Buff), Buff);
            DoAfterRefresh();
        }
    } catch (...) {
        Qry->Close();
        throw;
    }
    Qry->Close();
    return Result;
}

// ---------------------------------------------------------------------------------------------
// Parameters of the modifying statements

void TFBCustomDataSet::SetInternalSQLParams(TFBQuery* Qry, TRecordBuffer Buffer) {
    if (!Buffer) FBError(49);
    if (BufRecNo(Buffer) < 0) return;
    TRecordBuffer OldBuf = nullptr;
    struct TFree {
        TFBCustomDataSet* D;
        TRecordBuffer& B;
        ~TFree() { if (B) D->FreeRecordBuffer(B); }
    } FreeOld{this, OldBuf};
    TRecordBuffer OldSource = Buffer;
    if (State() != dsInsert) {
        OldBuf = GetOldRecordBuffer(BufRecNo(Buffer));
        if (OldBuf) OldSource = OldBuf;
    }
    std::vector<AnsiString> Names;
    TFBXSQLDA* Params = Qry->Params();
    for (Integer I = 0; I < Params->Count(); ++I) Names.push_back(Params->Vars(I)->Name());
    for (const AnsiString& N : Qry->ExtraParamNames()) Names.push_back(N);
    for (const AnsiString& N : Names) {
        TFBXSQLVAR* P = Qry->FindParam(N);
        if (!P) continue;
        AnsiString Col = N;
        TRecordBuffer Src = Buffer;
        if (N.size() >= 5 && IsOldParamName(N)) {
            Col = N.substr(4);
            Src = OldSource;
        } else if (N.size() >= 5 && IsNewParamName(N)) {
            Col = N.substr(4);
        } else if (N.size() >= 5 && IsMasParamName(N) && DataSource() && DataSource()->DataSet()) {
            if (TField* MF = DataSource()->DataSet()->FindField(N.substr(4))) P->SetValue(MasterValue(MF));
            continue;
        }
        Integer ColNo = 0;
        if (TField* F = FBFindField(Col); F && F->FieldKind() == fkData) ColNo = F->FieldNo();
        else ColNo = FSelectQuery->FieldIndex(Col) + 1;
        if (Qry != FSelectQuery) {
            // A detail's refresh keeps to the master values its select was opened with.
            const bool FromSelect = ColNo < 1 || (Qry == FRefreshQuery && DataSource());
            TFBXSQLVAR* SP = FromSelect ? FSelectQuery->FindParam(N) : nullptr;
            if (SP) P->Assign(SP);
            if (SP || ColNo < 1) continue;
        }
        if (ColNo < 1 || ColNo > FFieldDescrs->Count()) continue;
        // The blob's body reaches the server first; the statement takes its id.
        if (!BufNull(Src, ColNo) && FFieldDescrs->Items(ColNo - 1)->SqlType == SQLTypeBlob && FBlobFieldCount > 0 &&
            Src == Buffer)
            if (TField* F = FBFindField(Col); F && F->IsBlob() && F->FieldKind() == fkData)
                BlobStreamStep(Src, bsaPost, F);
        SetParamFromRecord(P, ColNo, Src);
    }
}

void TFBCustomDataSet::SetParamFromRecord(TFBXSQLVAR* P, Integer ColNo, TRecordBuffer Src) {
    if (BufNull(Src, ColNo)) {
        P->SetIsNull(true);
        return;
    }
    TFBFieldDescr* D = FFieldDescrs->Items(ColNo - 1);
    const char* V = Src + D->Offset;
    const Integer Scale = static_cast<SmallInt>(D->Scale);
    switch (D->SqlType) {
        case SQLTypeLong:
        case SQLTypeShort: {
            Int64 Raw;
            if (D->SqlType == SQLTypeLong) { int32_t X; std::memcpy(&X, V, 4); Raw = X; }
            else { int16_t X; std::memcpy(&X, V, 2); Raw = X; }
            if (Scale >= 0) P->SetAsInt64(Raw);
            else {
                TBcd B;
                CurrToFBBcd(-Scale, B, Raw);
                P->SetAsBcd(B);
            }
            break;
        }
        case SQLTypeFloat: { float X; std::memcpy(&X, V, 4); P->SetAsDouble(X); break; }
        case SQLTypeDouble:
        case SQLTypeDFloat: { double X; std::memcpy(&X, V, 8); P->SetAsDouble(X); break; }
        case SQLTypeTimestamp: {
            double Ms;
            std::memcpy(&Ms, V, 8);
            P->SetAsDateTime(TimeStampToDateTime(MSecsToTimeStamp(std::round(Ms))));
            break;
        }
        case SQLTypeDate: {
            int32_t Day;
            std::memcpy(&Day, V, 4);
            P->SetAsDate(static_cast<TDateTime>(Day - DateDelta));
            break;
        }
        case SQLTypeTime: {
            int32_t Ms;
            std::memcpy(&Ms, V, 4);
            P->SetAsTime(Ms / 86400000.0);
            break;
        }
        case SQLTypeInt64: {
            if (Scale >= -4 || FPrepareOptions.Contains(psSQLINT64ToBCD)) {
                Int64 Raw;
                std::memcpy(&Raw, V, 8);
                if (Scale == 0) P->SetAsInt64(Raw);
                else {
                    TBcd B;
                    CurrToFBBcd(-Scale, B, Raw);
                    P->SetAsBcd(B);
                }
            } else {
                double X;
                std::memcpy(&X, V, 8);
                P->SetAsDouble(X);
            }
            break;
        }
        case SQLTypeVarying:
        case SQLTypeText:
            if (D->IsDBKey) {
                P->SetAsString(AnsiString(V, D->Width));
            } else if (D->Kind == 1) {
                TGUID G;
                std::memcpy(&G, V, 16);
                P->SetAsGuid(G);
            } else {
                P->SetAsString(AnsiString(V, strnlen(V, D->Width)));
            }
            break;
        case SQLTypeBlob:
        case SQLTypeQuad:
        case SQLTypeArray: {
            ISC_QUAD Q;
            std::memcpy(&Q, V, 8);
            P->SetAsQuad(Q);
            break;
        }
        case 590:
        case SQLTypeBoolean: {
            int16_t X = 0;
            std::memcpy(&X, V, std::min<size_t>(D->Width, 2));
            P->SetAsBoolean(D->Width == 1 ? (X & 0xFF) != 0 : X == 1);
            break;
        }
        default:
            break;
    }
}
