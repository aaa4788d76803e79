#pragma once
// A small in-memory data set over the protocol, for the tests: records are kept in a vector,
// field values in their native forms, bookmarks are record ids.
#include "platform/data/DB.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

class TMemDataSet : public TDataSet {
public:
    explicit TMemDataSet(TComponent* AOwner = nullptr) : TDataSet(AOwner) {}
    ~TMemDataSet() override {
        Destroying();   // no close events while going away
        Close();
    }

    bool ReadOnly = false;
    Integer GetRecordCalls = 0;   // how often the window asked for a record
    // Called before each internal step ("edit", "post", "delete", and "get" with the id of the
    // record about to be read) so that a test can make it fail.
    std::function<void(const AnsiString& Operation, Integer Id)> Fault;

    // Number of stored records (also the hidden ones).
    Integer StoredCount() const { return static_cast<Integer>(FRecords.size()); }

protected:
    struct THeader {
        Integer Id;             // record id, 0 for none
        TBookmarkFlag Flag;
    };
    struct TRec {
        Integer Id;
        std::vector<char> Data;  // the data part of a record buffer
    };

    Integer DataOffset(Integer FieldNo) const { return FOffsets[static_cast<size_t>(FieldNo - 1)]; }
    THeader* Header(TRecordBuffer B) const { return reinterpret_cast<THeader*>(B); }
    Integer IndexOfId(Integer Id) const {
        for (size_t I = 0; I < FRecords.size(); ++I)
            if (FRecords[I].Id == Id) return static_cast<Integer>(I);
        return -1;
    }

    TRecordBuffer AllocRecordBuffer() override {
        TRecordBuffer B = new char[static_cast<size_t>(FBufferSize)];
        std::memset(B, 0, static_cast<size_t>(FBufferSize));
        return B;
    }
    void FreeRecordBuffer(TRecordBuffer& Buffer) override {
        delete[] Buffer;
        Buffer = nullptr;
    }
    bool IsCursorOpen() const override { return FOpen; }
    Integer GetRecordSize() const override { return FDataSize; }
    bool GetCanModify() const override { return !ReadOnly; }

    void InternalOpen() override {
        FieldDefs()->Update();
        if (DefaultFields()) CreateFields();
        BindFields(true);
        FOffsets.clear();
        Integer Off = static_cast<Integer>(sizeof(THeader));
        for (Integer I = 0; I < FieldDefs()->Count(); ++I) {
            FOffsets.push_back(Off);
            TFieldDef* D = FieldDefs()->Items(I);
            Integer Size = 8;
            if (TField* F = FindField(D->Name())) Size = std::max(F->DataSize(), 1);
            Off += 1 + Size;
        }
        FDataSize = Off;
        FBufferSize = Off + CalcFieldsSize();
        for (TRec& R : FRecords) R.Data.resize(static_cast<size_t>(FDataSize), 0);
        SetBookmarkSize(sizeof(Integer));
        FCur = -1;
        FOpen = true;
    }
    void InternalClose() override {
        FOpen = false;
        BindFields(false);
        if (DefaultFields()) DestroyFields();
    }
    void InternalInitFieldDefs() override {}
    void InternalFirst() override { FCur = -1; }
    void InternalLast() override { FCur = static_cast<Integer>(FRecords.size()); }
    void InternalSetToRecord(TRecordBuffer Buffer) override {
        Integer I = IndexOfId(Header(Buffer)->Id);
        if (I >= 0) FCur = I;
    }
    void InternalGotoBookmark(const void* Bookmark) override {
        Integer Id;
        std::memcpy(&Id, Bookmark, sizeof Id);
        Integer I = IndexOfId(Id);
        if (I < 0) DatabaseError(SRecordNotFound, this);
        FCur = I;
    }
    void GetBookmarkData(TRecordBuffer Buffer, void* Data) const override {
        std::memcpy(Data, &Header(Buffer)->Id, sizeof(Integer));
    }
    void SetBookmarkData(TRecordBuffer Buffer, const void* Data) override {
        std::memcpy(&Header(Buffer)->Id, Data, sizeof(Integer));
    }
    TBookmarkFlag GetBookmarkFlag(TRecordBuffer Buffer) const override { return Header(Buffer)->Flag; }
    void SetBookmarkFlag(TRecordBuffer Buffer, TBookmarkFlag Value) override { Header(Buffer)->Flag = Value; }

public:
    bool BookmarkValid(const TBookmark& Bookmark) const override {
        if (Bookmark.size() != sizeof(Integer)) return false;
        Integer Id;
        std::memcpy(&Id, Bookmark.data(), sizeof Id);
        return IndexOfId(Id) >= 0;
    }
    Integer CompareBookmarks(const TBookmark& A, const TBookmark& B) const override {
        if (A.empty() && B.empty()) return 0;
        if (A.empty()) return 1;
        if (B.empty()) return -1;
        Integer Ia, Ib;
        std::memcpy(&Ia, A.data(), sizeof Ia);
        std::memcpy(&Ib, B.data(), sizeof Ib);
        Integer Pa = IndexOfId(Ia), Pb = IndexOfId(Ib);
        return Pa < Pb ? -1 : (Pa > Pb ? 1 : 0);
    }

protected:
    void CheckFault(const char* Operation, Integer Id = 0) {
        if (Fault) Fault(Operation, Id);
    }

    // A record passes when the filter is off or OnFilterRecord accepts it; the handler reads the
    // record through the fields in the filter state, as a buffered data set lets it.
    bool Visible(Integer Index) {
        if (!Filtered() || !OnFilterRecord()) return true;
        FFilterBuffer.resize(static_cast<size_t>(FBufferSize), 0);
        std::memcpy(FFilterBuffer.data() + sizeof(THeader), FRecords[static_cast<size_t>(Index)].Data.data() + sizeof(THeader),
                    static_cast<size_t>(FDataSize) - sizeof(THeader));
        TDataSetState Save = SetTempState(dsFilter);
        bool Accept = true;
        try {
            OnFilterRecord()(this, Accept);
        } catch (...) {
            RestoreState(Save);
            throw;
        }
        RestoreState(Save);
        return Accept;
    }

    TGetResult GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) override {
        ++GetRecordCalls;
        FFilterBuffer.assign(static_cast<size_t>(FBufferSize), 0);
        const Integer N = static_cast<Integer>(FRecords.size());
        for (;;) {
            switch (GetMode) {
            case gmNext:
                if (FCur < N) ++FCur;
                if (FCur >= N) return grEOF;
                break;
            case gmPrior:
                if (FCur >= 0) --FCur;
                if (FCur < 0) return grBOF;
                break;
            case gmCurrent:
                if (FCur < 0 || FCur >= N) return grError;
                break;
            }
            if (Visible(FCur)) break;
            if (GetMode == gmCurrent) GetMode = gmNext;
        }
        const TRec& R = FRecords[static_cast<size_t>(FCur)];
        CheckFault("get", R.Id);
        std::memcpy(Buffer, R.Data.data(), static_cast<size_t>(FDataSize));
        Header(Buffer)->Id = R.Id;
        Header(Buffer)->Flag = bfCurrent;
        std::memset(Buffer + FDataSize, 0, static_cast<size_t>(FBufferSize - FDataSize));
        GetCalcFields(Buffer);
        return grOK;
    }

    void InternalInitRecord(TRecordBuffer Buffer) override {
        std::memset(Buffer, 0, static_cast<size_t>(FBufferSize));
        for (Integer Off : FOffsets) Buffer[Off] = 1;   // every column null
    }
    void ClearCalcFields(TRecordBuffer Buffer) override {
        std::memset(Buffer + FDataSize, 0, static_cast<size_t>(FBufferSize - FDataSize));
    }

    TRecordBuffer CurrentBuffer() {
        switch (State()) {
        case dsCalcFields: return CalcBuffer();
        case dsFilter: return FFilterBuffer.data();
        case dsOldValue: return FOldBuffer.empty() ? nullptr : FOldBuffer.data();
        default: return IsEmpty() && State() != dsInsert ? nullptr : ActiveBuffer();
        }
    }

public:
    bool GetFieldData(TField* Field, void* Buffer) override {
        TRecordBuffer B = CurrentBuffer();
        if (!B) return false;
        if (Field->FieldNo() > 0) {
            char* P = B + DataOffset(Field->FieldNo());
            if (*P) return false;
            if (Buffer) std::memcpy(Buffer, P + 1, static_cast<size_t>(Field->DataSize()));
            return true;
        }
        char* P = B + FDataSize + Field->Offset();
        if (!*P) return false;
        if (Buffer) std::memcpy(Buffer, P + 1, static_cast<size_t>(Field->DataSize()));
        return true;
    }
    using TDataSet::GetFieldData;
    void SetFieldData(TField* Field, const void* Buffer) override {
        TRecordBuffer B = State() == dsCalcFields ? CalcBuffer() : ActiveBuffer();
        if (Field->FieldNo() > 0) {
            if (!dsWriteModes.Contains(State())) DatabaseError(SNotEditing, this);
            Field->Validate(Buffer);
            char* P = B + DataOffset(Field->FieldNo());
            *P = Buffer ? 0 : 1;
            std::memset(P + 1, 0, static_cast<size_t>(Field->DataSize()));
            if (Buffer) std::memcpy(P + 1, Buffer, static_cast<size_t>(Field->DataSize()));
        } else {
            char* P = B + FDataSize + Field->Offset();
            *P = Buffer ? 1 : 0;
            if (Buffer) std::memcpy(P + 1, Buffer, static_cast<size_t>(Field->DataSize()));
        }
        if (State() != dsCalcFields && State() != dsFilter && State() != dsNewValue)
            DataEvent(deFieldChange, reinterpret_cast<TDataEventInfo>(Field));
    }
    using TDataSet::SetFieldData;

protected:
    void InternalEdit() override {
        CheckFault("edit");
        FOldBuffer.assign(ActiveBuffer(), ActiveBuffer() + FBufferSize);
    }
    void InternalInsert() override {
        FOldBuffer.assign(static_cast<size_t>(FBufferSize), 0);
        for (Integer Off : FOffsets) FOldBuffer[static_cast<size_t>(Off)] = 1;
    }
    void InternalPost() override {
        CheckFault("post");
        TDataSet::InternalPost();
        TRecordBuffer B = ActiveBuffer();
        if (State() == dsEdit) {
            Integer I = IndexOfId(Header(B)->Id);
            std::memcpy(FRecords[static_cast<size_t>(I)].Data.data(), B, static_cast<size_t>(FDataSize));
            FCur = I;
        } else {
            TRec R{++FNextId, std::vector<char>(B, B + FDataSize)};
            Integer At = static_cast<Integer>(FRecords.size());
            if (Header(B)->Flag != bfEOF) {
                Integer I = IndexOfId(Header(B)->Id);
                if (I >= 0) At = I;
            }
            FRecords.insert(FRecords.begin() + At, R);
            FCur = At;
        }
        FOldBuffer.clear();
    }
    void InternalCancel() override { FOldBuffer.clear(); }
    void InternalDelete() override {
        CheckFault("delete");
        Integer I = IndexOfId(Header(ActiveBuffer())->Id);
        if (I >= 0) FRecords.erase(FRecords.begin() + I);
        FCur = I;
    }
    Integer GetRecordCount() const override {
        Integer N = 0;
        for (Integer I = 0; I < static_cast<Integer>(FRecords.size()); ++I)
            if (const_cast<TMemDataSet*>(this)->Visible(I)) ++N;
        return N;
    }
    Integer GetRecNo() const override {
        TRecordBuffer B = ActiveBuffer();
        if (!B || IsEmpty() || Header(B)->Flag != bfCurrent) return -1;
        return IndexOfId(Header(B)->Id) + 1;
    }
    void SetRecNoImpl(Integer Value) override {
        CheckBrowseMode();
        Value = std::clamp(Value, 1, static_cast<Integer>(FRecords.size()));
        if (Value == RecNo()) return;
        DoBeforeScroll();
        FCur = Value - 1;
        Resync({rmCenter});
        DoAfterScroll();
    }

    bool FOpen = false;
    Integer FCur = -1;
    Integer FNextId = 0;
    Integer FDataSize = 0;
    Integer FBufferSize = 0;
    std::vector<Integer> FOffsets;
    std::vector<TRec> FRecords;
    std::vector<char> FOldBuffer;
    std::vector<char> FFilterBuffer;
};

// A link that records what it was told, standing in for a grid of BufferCount rows.
class TRecordingLink : public TDataLink {
public:
    std::vector<AnsiString> Log;
    std::vector<Integer> Scrolls;

protected:
    void ActiveChanged() override { Log.push_back(Active() ? "active" : "inactive"); }
    void DataSetChanged() override { Log.push_back("changed"); }
    void DataSetScrolled(Integer Distance) override {
        Scrolls.push_back(Distance);
        Log.push_back("scrolled");
    }
    void RecordChanged(TField* Field) override { Log.push_back(Field ? "field " + Field->FieldName() : "record"); }
    void EditingChanged() override { Log.push_back(Editing() ? "editing" : "not editing"); }
    void UpdateData() override { Log.push_back("update"); }
};
