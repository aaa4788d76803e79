// TFBCustomDataSet: blob streams of the records, the stream blob fields read and write through,
// the blob step of posting and cancelling, and the swap key of a record's blob.
#include "datasets/FBDataSet.h"

#include <cstring>

#include "dbclient/FBDatabase.h"
#include "dbclient/FBMessages.h"
#include "dbclient/StrUtil.h"
#include "dbclient/pFBDataInfo.h"

std::vector<AnsiString> SplitFieldNames(const AnsiString& Names) {
    std::vector<AnsiString> R;
    size_t Start = 0;
    for (;;) {
        const size_t P = Names.find(';', Start);
        const AnsiString Item = FastTrim(Names.substr(Start, P == AnsiString::npos ? AnsiString::npos : P - Start));
        if (!Item.empty()) R.push_back(Item);
        if (P == AnsiString::npos) break;
        Start = P + 1;
    }
    return R;
}

namespace {

bool IsEditing(TDataSet* D) { return D->State() == dsEdit || D->State() == dsInsert; }

}  // namespace

// ---------------------------------------------------------------------------------------------
// TFBDSBlobStream

TFBDSBlobStream::TFBDSBlobStream(TBlobField* Field, TFBBlobStream* BlobStream, TBlobStreamMode Mode,
                                 const ISC_QUAD& BlobID, bool Owned)
    : FField(Field), FBlobStream(BlobStream), FModified(Mode == bmWrite), FOwned(Owned) {
    if (!FBlobStream) {
        FBlobID = BlobID;
        return;
    }
    FBlobID = FBlobStream->BlobID();
    FBlobStream->Seek(0, soBeginning);
    if (Mode == bmWrite) FBlobStream->MarkModified();
    // Written anew: what was there goes, also beyond the end of what is written.
    if (Mode == bmWrite && Field->DataSet() && IsEditing(Field->DataSet())) FBlobStream->SetSize(0);
}

TFBDSBlobStream::~TFBDSBlobStream() {
    if (FModified) {
        FModified = false;
        if (!FField->Modified()) FField->SetModified(true);
        if (TDataSet* D = FField->DataSet())
            D->DataEvent(deFieldChange, reinterpret_cast<TDataEventInfo>(static_cast<TField*>(FField)));
    }
    if (FOwned) delete FBlobStream;
}

bool TFBDSBlobStream::OldState() const { return FField->DataSet() && FField->DataSet()->State() == dsOldValue; }

Integer TFBDSBlobStream::Read(void* Buffer, Integer Count) {
    if (!FBlobStream) return 0;
    if (OldState()) return FBlobStream->ReadOldData(Buffer, Count);
    return FBlobStream->Read(Buffer, Count);
}

Int64 TFBDSBlobStream::Seek(Int64 Offset, TSeekOrigin Origin) {
    if (!FBlobStream) return 0;
    if (OldState()) return FBlobStream->GetOldSize();
    return FBlobStream->Seek(Offset, Origin);
}

Int64 TFBDSBlobStream::Size() {
    if (!FBlobStream) return 0;
    if (OldState()) return FBlobStream->GetOldSize();
    return FBlobStream->Size();
}

Integer TFBDSBlobStream::Write(const void* Buffer, Integer Count) {
    TDataSet* D = FField->DataSet();
    if (!D || !IsEditing(D)) FBError(43);
    FModified = true;
    if (auto* FD = dynamic_cast<TFBCustomDataSet*>(D)) FD->SetModified(true);
    FField->SetModified(true);
    return FBlobStream ? FBlobStream->Write(Buffer, Count) : 0;
}

void TFBDSBlobStream::SetSize(Int64 NewSize) {
    if (FBlobStream) FBlobStream->SetSize(NewSize);
}

// ---------------------------------------------------------------------------------------------
// The record's streams

Integer TFBCustomDataSet::BlobIndex(TField* Field) const {
    for (size_t I = 0; I < FBlobFields.size(); ++I)
        if (FBlobFields[I] == Field) return static_cast<Integer>(I);
    return -1;
}

TFBBlobStream* TFBCustomDataSet::StreamAt(Int64 Slot) const {
    // A slot names its stream by place, so a record copy left behind by a freed
    // stream finds an empty place rather than a dangling pointer.
    if (Slot < 1 || Slot > FBlobStreams->Count()) return nullptr;
    return static_cast<TFBBlobStream*>(FBlobStreams->Items(static_cast<Integer>(Slot - 1)));
}

TFBBlobStream* TFBCustomDataSet::SlotStream(TRecordBuffer Buffer, TField* Field) const {
    const Integer I = BlobIndex(Field);
    return (Buffer && I >= 0) ? StreamAt(BlobSlot(Buffer, I)) : nullptr;
}

void TFBCustomDataSet::FreeImageStreams(Byte* Image) {
    for (Integer I = 0; I < FBlobFieldCount; ++I) {
        Byte* P = Image + FBlobSlotsImageOffset + I * 8;
        Int64 Slot;
        std::memcpy(&Slot, P, 8);
        DiscardStream(StreamAt(Slot));
        std::memset(P, 0, 8);
    }
}

void TFBCustomDataSet::DiscardStream(TFBBlobStream* S) {
    if (!S) return;
    if (FHoldingStreams) FHeldStreams.push_back(S);
    else delete S;   // empties its place in the list
}

void TFBCustomDataSet::DropChangedStreams(Byte* Image) {
    for (Integer I = 0; I < FBlobFieldCount; ++I) {
        TField* F = FBlobFields[I];
        TFBFieldDescr* D = DescrOf(F);
        Byte* P = Image + FBlobSlotsImageOffset + I * 8;
        Int64 Slot;
        std::memcpy(&Slot, P, 8);
        TFBBlobStream* S = StreamAt(Slot);
        if (!S || !D) continue;
        ISC_QUAD Id;
        std::memcpy(&Id, Image + D->Offset - 5, 8);
        // A stream being edited keeps its unsaved body.
        if (S->Modified() && IsEditing(this)) continue;
        if (std::memcmp(&Id, &S->BlobID(), 8) == 0) continue;
        DiscardStream(S);
        std::memset(P, 0, 8);
    }
}

void TFBCustomDataSet::FreeBlobStreams() {
    if (!FBlobStreams) return;
    for (Integer I = 0; I < FBlobStreams->Count(); ++I) delete static_cast<TFBBlobStream*>(FBlobStreams->Items(I));
    FBlobStreams->Clear();
    FWrittenBlobs.clear();
    // The records are gone with them: nothing of theirs is held for an undo.
    FHeldStreams.clear();
    FHoldingStreams = false;
}

AnsiString TFBCustomDataSet::KeyFieldsOfTable(const AnsiString& TableName) {
    TFBDatabase* Db = Database();
    TFBXSQLDA* Cols = FSelectQuery->Current();
    if (!Db || !Cols || TableName.empty()) return AnsiString();
    const AnsiString Table = UnquoteStr(TableName);
    TpFBTableInfo* Info = GetTableInfo(Db, Table, false);
    if (!Info) return AnsiString();
    AnsiString R;
    for (const AnsiString& Col : SplitFieldNames(Info->PrimaryKeyFields())) {
        AnsiString Found;
        for (Integer I = 0; I < FieldCount() && Found.empty(); ++I) {
            TField* F = Fields()->Fields(I);
            if (F->FieldKind() != fkData || F->FieldNo() < 1 || F->FieldNo() > Cols->Count()) continue;
            TFBXSQLVAR* V = Cols->Vars(F->FieldNo() - 1);
            if (V->RelationName() == Table && V->SQLName() == Col) Found = F->FieldName();
        }
        // Before the fields exist the columns' names are the ones they will have.
        if (FieldCount() == 0)
            if (TFBXSQLVAR* V = FSelectQuery->FieldByOrigin(Table, Col)) Found = V->Name();
        if (Found.empty()) return AnsiString();
        if (!R.empty()) R += ";";
        R += Found;
    }
    return R;
}

void TFBCustomDataSet::SetSwapKey(TFBBlobStream* S, TField* Field) {
    TFBDatabase* Db = Database();
    TFBXSQLDA* Cols = FSelectQuery->Current();
    if (!Db || Db->BlobSwapSupport()->GetSwapDir().empty() || !Cols) return;
    if (Field->FieldNo() < 1 || Field->FieldNo() > Cols->Count()) return;
    TFBXSQLVAR* V = Cols->Vars(Field->FieldNo() - 1);
    const AnsiString Table = V->RelationName();
    const std::vector<AnsiString> Keys = SplitFieldNames(KeyFieldsOfTable(Table));
    if (Keys.empty()) return;
    Variant Values = VarArrayCreate({0, static_cast<Integer>(Keys.size()) - 1}, varVariant);
    for (size_t I = 0; I < Keys.size(); ++I) VarArrayPut(Values, FieldByName(Keys[I])->AsVariant(), {static_cast<Integer>(I)});
    S->SetTableName(Table);
    S->SetFieldName(V->SQLName());
    S->SetKeyValues(Values);
    // The key's columns in the table, in the order of the values (KeyFieldsOfTable found them all).
    S->SetKeyFields(GetTableInfo(Db, UnquoteStr(Table), false)->PrimaryKeyFields());
}

TStream* TFBCustomDataSet::CreateBlobStream(TField* Field, TBlobStreamMode Mode) {
    auto* BF = dynamic_cast<TBlobField*>(Field);
    if (!BF) DatabaseErrorFmt(SFieldAccessError, {Field->DisplayName(), AnsiString("Blob")});
    if (Mode != bmRead && !Field->ReadOnly()) CheckEditState();
    TRecordBuffer B = ValueBuffer();
    const Integer I = BlobIndex(Field);
    TFBFieldDescr* D = DescrOf(Field);
    ISC_QUAD Id{};
    if (!B || I < 0 || !D) return new TFBDSBlobStream(BF, nullptr, Mode, Id);
    TFBBlobStream* S = StreamAt(BlobSlot(B, I));
    if (S) return new TFBDSBlobStream(BF, S, Mode, Id);
    std::memcpy(&Id, B + D->Offset, 8);
    const bool Null = BufNull(B, Field->FieldNo()) != 0;
    if (Null && Mode == bmRead) return new TFBDSBlobStream(BF, nullptr, Mode, Id);
    // Only the record shown or edited keeps its stream; other buffers (old
    // values, calculated fields) get one for this read alone.
    const bool Keep = State() != dsOldValue && State() != dsCalcFields && B == ActiveBuffer();
    S = new TFBBlobStream(Keep ? FBlobStreams.get() : nullptr, Null ? ISC_QUAD{} : Id, Database(), Transaction());
    S->SetUpdateTransaction(UpdateTransaction());
    if (auto* FB = dynamic_cast<TFBBlobField*>(Field)) S->SetBlobSubType(FB->BlobSubType());
    else S->SetBlobSubType(FSelectQuery->Current()->Vars(Field->FieldNo() - 1)->SQLSubtype());
    if (!Keep) return new TFBDSBlobStream(BF, S, Mode, Id, true);
    try {
        SetSwapKey(S, Field);
        if (FCachedUpdates && !BlobIDIsZero(S->BlobID())) {
            // The body is read now, while the read transaction is there.
            TFBTransaction* Tr = Transaction();
            const bool Started = Tr && !Tr->Active();
            if (Started) Tr->StartTransaction();
            S->Size();
            if (Started) Tr->Commit();
        }
    } catch (...) {
        delete S;
        throw;
    }
    SetBlobSlot(B, I, S->OwnerIndex() + 1);
    // The cached record keeps the stream too (only the slot: the other values may be mid-edit).
    const Integer Pos = CachePosition(BufRecNo(B));
    if (State() != dsInsert && FCache && Pos >= 0 && Pos < FCache->RecordCount())
        if (Byte* Image = FCache->RecordImage(Pos + 1)) {
            const Int64 Slot = BlobSlot(B, I);
            std::memcpy(Image + FBlobSlotsImageOffset + I * 8, &Slot, 8);
        }
    return new TFBDSBlobStream(BF, S, Mode, Id);
}

void TFBCustomDataSet::BlobStreamStep(TRecordBuffer Buffer, TBlobStreamAction Action, TField* Field) {
    if (!Buffer) return;
    for (Integer I = 0; I < FBlobFieldCount; ++I) {
        TField* F = FBlobFields[I];
        if (Field && F != Field) continue;
        TFBBlobStream* S = StreamAt(BlobSlot(Buffer, I));
        TFBFieldDescr* D = DescrOf(F);
        if (!S || !D) continue;
        switch (Action) {
            case bsaPost: {
                SetSwapKey(S, F);
                UInt64 Was, Now;
                std::memcpy(&Was, &S->BlobID(), 8);
                S->Finalize(FWrittenBlobs.contains(Was));
                std::memcpy(&Now, &S->BlobID(), 8);
                if (Now != Was) FWrittenBlobs.insert(Now);
                break;
            }
            case bsaCancel: S->RestoreOldBuffer(); break;
            case bsaRelease: if (S->Modified()) S->MarkFinalized(); else S->FreeOldBuffer(); break;
            case bsaCached: S->MarkPosted(); break;
            case bsaRevert:
                S->ForgetPosted();
                S->RestoreOldBuffer();
                break;
            case bsaRecord: break;
        }
        if (Action == bsaCancel || Action == bsaRelease || Action == bsaRevert)
            static_cast<TBlobField*>(F)->SetModified(false);
        const bool Empty = S->Size() == 0;
        BufNull(Buffer, F->FieldNo()) = Empty ? 1 : 0;
        ISC_QUAD Id = S->BlobID();
        if (Empty && BlobIDIsZero(Id)) Id = ISC_QUAD{};
        std::memcpy(Buffer + D->Offset, &Id, 8);
    }
}

bool TFBCustomDataSet::BlobFieldModified(TField* Field) {
    auto* BF = dynamic_cast<TBlobField*>(Field);
    if (!BF) return false;
    if (!FCachedUpdates) return BF->Modified();
    std::unique_ptr<TStream> W(CreateBlobStream(Field, bmRead));
    auto* DW = static_cast<TFBDSBlobStream*>(W.get());
    return DW->Modified() || (DW->BlobStream() && DW->BlobStream()->Modified());
}
