#include "platform/data/DB.h"
#include "platform/rtl/CodePage.h"

#include <algorithm>
#include <cmath>
#include <cstring>

// ---------------------------------------------------------------------------------------------
// Errors and helpers.

void DatabaseError(const AnsiString& Message, TComponent* Component) {
    if (Component && !Component->Name().empty())
        throw EDatabaseError(Component->Name() + ": " + Message);
    throw EDatabaseError(Message);
}

void DatabaseErrorFmt(const AnsiString& Message, std::initializer_list<TVarRec> Args, TComponent* Component) {
    DatabaseError(Format(Message, Args), Component);
}

namespace {

const char* const FieldTypeNames[FieldTypeCount] = {
    "Unknown", "String", "SmallInt", "Integer", "Word", "Boolean", "Float", "Currency", "BCD",
    "Date", "Time", "DateTime", "Bytes", "VarBytes", "AutoInc", "Blob", "Memo", "Graphic",
    "FmtMemo", "ParadoxOle", "dBaseOle", "TypedBinary", "Cursor", "FixedChar", "WideString",
    "LargeInt", "ADT", "Array", "Reference", "DataSet", "OraBlob", "OraClob", "Variant",
    "Interface", "IDispatch", "Guid", "TimeStamp", "FMTBcd"};

// Types that can stand for each other between a field and its definition.
TFieldType BaseFieldType(TFieldType T) {
    switch (T) {
    case ftCurrency: return ftFloat;
    case ftDate: case ftTime: return ftDateTime;
    case ftAutoInc: return ftInteger;
    case ftFixedChar: return ftString;
    case ftMemo: case ftGraphic: case ftFmtMemo: case ftParadoxOle: case ftDBaseOle:
    case ftTypedBinary: case ftOraBlob: case ftOraClob: return ftBlob;
    default: return T;
    }
}

}  // namespace

bool SameFieldName(std::string_view A, std::string_view B) { return SameName(A, B); }

AnsiString FieldTypeName(TFieldType Type) {
    if (Type < 0 || Type >= FieldTypeCount) return "Unknown";
    return FieldTypeNames[Type];
}

TVarType FieldTypeVarType(TFieldType Type) {
    switch (Type) {
    case ftString: case ftFixedChar: case ftGuid: case ftMemo: case ftFmtMemo: case ftBlob:
    case ftGraphic: return varString;
    case ftWideString: return varOleStr;
    case ftSmallint: return varSmallint;
    case ftInteger: case ftWord: case ftAutoInc: return varInteger;
    case ftBoolean: return varBoolean;
    case ftFloat: return varDouble;
    case ftCurrency: case ftBCD: return varCurrency;
    case ftDate: case ftTime: case ftDateTime: return varDate;
    case ftLargeint: return varInt64;
    default: return varEmpty;
    }
}

double TimeStampToMSecs(const TTimeStamp& TimeStamp) {
    return static_cast<double>(TimeStamp.Date) * MSecsPerDay + TimeStamp.Time;
}

TTimeStamp MSecsToTimeStamp(double MSecs) {
    TTimeStamp Result;
    double Days = std::floor(MSecs / MSecsPerDay);
    Result.Date = static_cast<Integer>(Days);
    Result.Time = static_cast<Integer>(std::llround(MSecs - Days * MSecsPerDay));
    if (Result.Time >= MSecsPerDay) { Result.Time -= MSecsPerDay; ++Result.Date; }
    return Result;
}

TDateTime NativeToDateTime(TFieldType DataType, const void* Native) {
    switch (DataType) {
    case ftDate: {
        Integer D;
        std::memcpy(&D, Native, 4);
        return static_cast<TDateTime>(D - DateDelta);
    }
    case ftTime: {
        Integer T;
        std::memcpy(&T, Native, 4);
        return static_cast<TDateTime>(T) / MSecsPerDay;
    }
    default: {
        double Ms;
        std::memcpy(&Ms, Native, 8);
        return TimeStampToDateTime(MSecsToTimeStamp(Ms));
    }
    }
}

void DateTimeToNative(TFieldType DataType, TDateTime Value, void* Native) {
    TTimeStamp TS = DateTimeToTimeStamp(Value);
    switch (DataType) {
    case ftDate: std::memcpy(Native, &TS.Date, 4); break;
    case ftTime: std::memcpy(Native, &TS.Time, 4); break;
    default: {
        double Ms = TimeStampToMSecs(TS);
        std::memcpy(Native, &Ms, 8);
    }
    }
}

AnsiString ExtractFieldName(const AnsiString& Fields, Integer& Pos) {
    Integer I = Pos;
    const Integer Len = static_cast<Integer>(Fields.size());
    while (I <= Len && Fields[static_cast<size_t>(I - 1)] != ';') ++I;
    AnsiString Result = Trim(Fields.substr(static_cast<size_t>(Pos - 1), static_cast<size_t>(I - Pos)));
    if (I <= Len && Fields[static_cast<size_t>(I - 1)] == ';') ++I;
    Pos = I;
    return Result;
}

// ---------------------------------------------------------------------------------------------
// TFieldDef / TFieldDefs

TFieldDef::TFieldDef(TCollection* Owner) : TCollectionItem(Owner) {}

TFieldDef::TFieldDef(TFieldDefs* Owner, const AnsiString& Name, TFieldType DataType, Integer Size,
                     bool Required, Integer FieldNo)
    : TCollectionItem(Owner) {
    SetName(Name);
    FDataType = DataType;
    FSize = Size;
    FRequired = Required;
    FFieldNo = FieldNo;
}

TFieldDefs* TFieldDef::FieldDefs() const { return static_cast<TFieldDefs*>(Collection()); }

void TFieldDef::SetName(const AnsiString& Value) {
    TFieldDefs* Defs = FieldDefs();
    if (Defs && !Value.empty()) {
        Integer I = Defs->IndexOf(Value);
        if (I >= 0 && Defs->Items(I) != this) {
            AnsiString Owner = Defs->DataSet() ? Defs->DataSet()->Name() : AnsiString();
            DatabaseErrorFmt(SDuplicateName, {Value, Owner}, Defs->DataSet());
        }
    }
    FName = Value;
}

Integer TFieldDef::FieldNo() const { return FFieldNo > 0 ? FFieldNo : Index() + 1; }

void TFieldDef::Assign(TPersistent* Source) {
    if (auto* S = dynamic_cast<TFieldDef*>(Source)) {
        SetName(S->FName);
        FDataType = S->FDataType;
        FSize = S->FSize;
        FPrecision = S->FPrecision;
        FRequired = S->FRequired;
        FFieldNo = S->FFieldNo;
        FInternalCalcField = S->FInternalCalcField;
        return;
    }
    TCollectionItem::Assign(Source);
}

TField* TFieldDef::CreateField(TComponent* Owner, const AnsiString& FieldName) {
    TDataSet* DS = FieldDefs() ? FieldDefs()->DataSet() : nullptr;
    TFieldClass Class = DS ? DS->GetFieldClass(FDataType) : nullptr;
    if (!Class) DatabaseErrorFmt("Field '%s' is of an unknown type", {FName}, DS);
    TField* Result = Class(Owner);
    try {
        Result->SetDataType(FDataType);
        Result->SetSize(FSize);
        Result->SetFieldName(FieldName.empty() ? FName : FieldName);
        Result->SetRequired(FRequired);
        if (FInternalCalcField) Result->SetFieldKind(fkInternalCalc);
        if (auto* F = dynamic_cast<TFloatField*>(Result); F && FPrecision > 0) F->SetPrecision(FPrecision);
        if (auto* B = dynamic_cast<TBCDField*>(Result); B && FPrecision > 0) B->SetPrecision(FPrecision);
        Result->SetDataSet(DS);
    } catch (...) {
        delete Result;
        throw;
    }
    return Result;
}

TFieldDefs::TFieldDefs(TDataSet* DataSet)
    : TCollection([](TCollection* C) -> TCollectionItem* { return new TFieldDef(C); }), FDataSet(DataSet) {}

TFieldDef* TFieldDefs::Items(Integer Index) const { return static_cast<TFieldDef*>(TCollection::Items(Index)); }

TFieldDef* TFieldDefs::AddFieldDef() { return static_cast<TFieldDef*>(TCollection::Add()); }

void TFieldDefs::Add(const AnsiString& Name, TFieldType DataType, Integer Size, bool Required) {
    if (Name.empty()) DatabaseError(SFieldNameMissing, FDataSet);
    TFieldDef* Def = AddFieldDef();
    try {
        Def->SetName(Name);
    } catch (...) {
        delete Def;
        throw;
    }
    Def->SetDataType(DataType);
    Def->SetSize(Size);
    Def->SetRequired(Required);
}

Integer TFieldDefs::IndexOf(const AnsiString& Name) const {
    for (Integer I = 0; I < Count(); ++I)
        if (SameFieldName(Items(I)->Name(), Name)) return I;
    return -1;
}

TFieldDef* TFieldDefs::Find(const AnsiString& Name) const {
    Integer I = IndexOf(Name);
    if (I < 0) DatabaseErrorFmt(SFieldNotFound, {Name}, FDataSet);
    return Items(I);
}

void TFieldDefs::Update() {
    if (!FUpdated && FDataSet) FDataSet->InitFieldDefs();
}

// ---------------------------------------------------------------------------------------------
// TFields

TFields::~TFields() {
    for (TField* F : FList) F->FDataSet = nullptr;
}

TField* TFields::Fields(Integer Index) const {
    if (Index < 0 || Index >= Count()) DatabaseError(SFieldIndexError, FDataSet);
    return FList[static_cast<size_t>(Index)];
}

void TFields::Add(TField* Field) {
    if (!Field->FieldName().empty() && FindField(Field->FieldName()))
        DatabaseErrorFmt(SDuplicateFieldName, {Field->DisplayName()}, FDataSet);
    FList.push_back(Field);
    Field->FDataSet = FDataSet;
    if (FDataSet) FDataSet->DataEvent(deFieldListChange, 0);
}

void TFields::Remove(TField* Field) {
    auto It = std::find(FList.begin(), FList.end(), Field);
    if (It == FList.end()) return;
    FList.erase(It);
    Field->FDataSet = nullptr;
    if (FDataSet) FDataSet->DataEvent(deFieldListChange, 0);
}

void TFields::Clear() {
    while (!FList.empty()) {
        TField* F = FList.back();
        FList.pop_back();
        F->FDataSet = nullptr;
        delete F;
    }
}

Integer TFields::IndexOf(const TField* Field) const {
    auto It = std::find(FList.begin(), FList.end(), Field);
    return It == FList.end() ? -1 : static_cast<Integer>(It - FList.begin());
}

namespace {
// Byte equality written out, eight bytes a step: field names are short, and a library call
// per comparison costs more than the comparison.
inline bool SameBytes(const AnsiString& A, std::string_view B) {
    const size_t N = A.size();
    if (N != B.size()) return false;
    const char* P = A.data();
    const char* Q = B.data();
    if (N >= 8) {
        uint64_t X, Y;
        for (size_t I = 0; I + 8 <= N; I += 8) {
            std::memcpy(&X, P + I, 8);
            std::memcpy(&Y, Q + I, 8);
            if (X != Y) return false;
        }
        std::memcpy(&X, P + N - 8, 8);   // the last eight, overlapping what was compared
        std::memcpy(&Y, Q + N - 8, 8);
        return X == Y;
    }
    for (size_t I = 0; I < N; ++I)
        if (P[I] != Q[I]) return false;
    return true;
}
}  // namespace

TField* TFields::FindField(std::string_view FieldName) const {
    // Names are mostly written as the fields spell them, and fields are mostly read one after
    // the other: the plain comparison starts after the field found last.
    const size_t N = FList.size(), From = std::min(FSearchFrom, N);
    for (size_t I = From; I < N; ++I)
        if (SameBytes(FList[I]->FieldName(), FieldName)) {
            FSearchFrom = I + 1;
            return FList[I];
        }
    for (size_t I = 0; I < From; ++I)
        if (SameBytes(FList[I]->FieldName(), FieldName)) {
            FSearchFrom = I + 1;
            return FList[I];
        }
    for (TField* F : FList)
        if (SameFieldName(F->FieldName(), FieldName)) return F;
    return nullptr;
}

TField* TFields::FieldByName(std::string_view FieldName) const {
    TField* F = FindField(FieldName);
    if (!F) DatabaseErrorFmt(SFieldNotFound, {AnsiString(FieldName)}, FDataSet);
    return F;
}

TField* TFields::FieldByNumber(Integer FieldNo) const {
    for (TField* F : FList)
        if (F->FieldNo() == FieldNo) return F;
    return nullptr;
}

void TFields::GetFieldNames(TStrings* List) const {
    List->BeginUpdate();
    List->Clear();
    for (TField* F : FList) List->Add(F->FieldName());
    List->EndUpdate();
}

void TFields::SetFieldIndex(TField* Field, Integer Value) {
    Integer Cur = IndexOf(Field);
    if (Cur < 0) return;
    Value = std::clamp(Value, 0, Count() - 1);
    if (Cur == Value) return;
    FList.erase(FList.begin() + Cur);
    FList.insert(FList.begin() + Value, Field);
    if (FDataSet) FDataSet->DataEvent(deFieldListChange, 0);
}

// ---------------------------------------------------------------------------------------------
// TDataSet

TDataSet::TDataSet(TComponent* AOwner)
    : TComponent(AOwner), FFields(std::make_unique<TFields>(this)),
      FFieldDefs(std::make_unique<TFieldDefs>(this)) {}

TDataSet::~TDataSet() {
    // Links and sources must not reach a half-destroyed data set.
    for (TDataSource* DS : std::vector<TDataSource*>(FDataSources)) {
        DS->FDataSet = nullptr;
        DS->UpdateState();
    }
    FDataSources.clear();
    // Buffers belong to the descendant's allocator; it frees them when it closes.
    FBuffers.clear();
}

void TDataSet::SetActive(bool Value) {
    if (ComponentState().Contains(csReading) || ComponentState().Contains(csLoading)) {
        FStreamedActive = Value;
        return;
    }
    if (Active() == Value) return;
    // Any handler may free the data set: nothing of it is touched afterwards.
    const TAliveGuard alive(this);
    if (Value) {
        DoBeforeOpen();
        if (alive.Gone()) return;
        FInternalOpenComplete = false;
        try {
            OpenCursor(false);
        } catch (...) {
            if (alive.Alive()) OpenCursorComplete();
            throw;
        }
        if (alive.Alive()) OpenCursorComplete();
    } else {
        bool Destroying = ComponentState().Contains(csDestroying);
        if (!Destroying) DoBeforeClose();
        if (alive.Gone()) return;
        SetState(dsInactive);
        if (alive.Gone()) return;
        CloseCursor();
        if (!Destroying) DoAfterClose();
    }
}

void TDataSet::Loaded() {
    TComponent::Loaded();
    if (FStreamedActive) {
        FStreamedActive = false;
        SetActive(true);
    }
}

void TDataSet::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove) {
        if (auto* F = dynamic_cast<TField*>(AComponent); F && F->FDataSet == this) FFields->Remove(F);
    }
}

void TDataSet::OpenCursor(bool InfoQuery) {
    if (InfoQuery)
        InternalInitFieldDefs();
    else if (FState != dsOpening)
        DoInternalOpen();
}

void TDataSet::DoInternalOpen() {
    FDefaultFields = FieldCount() == 0;
    InternalOpen();
    FInternalOpenComplete = true;
    UpdateBufferCount();
    FBOF = true;
}

void TDataSet::OpenCursorComplete() {
    if (FInternalOpenComplete) {
        const TAliveGuard alive(this);
        SetState(dsBrowse);
        if (alive.Gone()) return;
        DoAfterOpen();
        if (alive.Gone()) return;
        if (!IsEmpty()) DoAfterScroll();
    } else {
        SetState(dsInactive);
        CloseCursor();
    }
}

void TDataSet::CloseCursor() {
    FInternalOpenComplete = false;
    SetBufferCount(0);
    InternalClose();
}

void TDataSet::InitFieldDefs() {
    if (IsCursorOpen())
        InternalInitFieldDefs();
    else {
        OpenCursor(true);
    }
    FFieldDefs->SetUpdated(true);
}

void TDataSet::CheckActive() const {
    if (FState == dsInactive) DatabaseError(SDataSetClosed, const_cast<TDataSet*>(this));
}

void TDataSet::CheckInactive() {
    if (Active()) DatabaseError(SDataSetOpen, this);
}

void TDataSet::CheckCanModify() {
    if (!CanModify()) DatabaseError(SDataSetReadOnly, this);
}

void TDataSet::SetState(TDataSetState Value) {
    if (FState != Value) {
        FState = Value;
        FModified = false;
        DataEvent(deUpdateState, 0);
    }
}

TDataSetState TDataSet::SetTempState(TDataSetState Value) {
    TDataSetState Old = FState;
    FState = Value;
    return Old;
}

void TDataSet::RestoreState(TDataSetState Value) { FState = Value; }

// --- fields ---

TFieldClass TDataSet::GetFieldClass(TFieldType FieldType) const {
    switch (FieldType) {
    case ftString: case ftFixedChar: return &MakeField<TStringField>;
    case ftSmallint: return &MakeField<TSmallintField>;
    case ftInteger: return &MakeField<TIntegerField>;
    case ftWord: return &MakeField<TWordField>;
    case ftBoolean: return &MakeField<TBooleanField>;
    case ftFloat: return &MakeField<TFloatField>;
    case ftCurrency: return &MakeField<TCurrencyField>;
    case ftBCD: return &MakeField<TBCDField>;
    case ftDate: return &MakeField<TDateField>;
    case ftTime: return &MakeField<TTimeField>;
    case ftDateTime: return &MakeField<TDateTimeField>;
    case ftBytes: return &MakeField<TBytesField>;
    case ftVarBytes: return &MakeField<TVarBytesField>;
    case ftAutoInc: return &MakeField<TAutoIncField>;
    case ftBlob: case ftFmtMemo: case ftParadoxOle: case ftDBaseOle: case ftTypedBinary:
        return &MakeField<TBlobField>;
    case ftMemo: return &MakeField<TMemoField>;
    case ftGraphic: return &MakeField<TGraphicField>;
    case ftWideString: return &MakeField<TWideStringField>;
    case ftLargeint: return &MakeField<TLargeintField>;
    case ftGuid: return &MakeField<TGuidField>;
    default: return nullptr;
    }
}

void TDataSet::CreateFields() {
    for (Integer I = 0; I < FFieldDefs->Count(); ++I) {
        TFieldDef* Def = FFieldDefs->Items(I);
        if (Def->DataType() != ftUnknown) Def->CreateField(this);
    }
}

void TDataSet::DestroyFields() { FFields->Clear(); }

void TDataSet::CheckFieldCompatibility(TField* Field, TFieldDef* FieldDef) {
    if (BaseFieldType(Field->DataType()) != BaseFieldType(FieldDef->DataType()))
        DatabaseErrorFmt(SFieldTypeMismatch,
                         {Field->DisplayName(), FieldTypeName(Field->DataType()), FieldTypeName(FieldDef->DataType())},
                         this);
}

void TDataSet::BindFields(bool Binding) {
    FCalcFieldsSize = 0;
    FInternalCalcFields = false;
    for (Integer I = 0; I < FieldCount(); ++I) {
        TField* F = FFields->Fields(I);
        if (Binding) {
            if (F->FieldKind() == fkCalculated || F->FieldKind() == fkLookup) {
                F->FFieldNo = -1;
                F->FOffset = FCalcFieldsSize;
                FCalcFieldsSize += F->DataSize() + 1;
            } else {
                TFieldDef* Def = FFieldDefs->Find(F->FieldName());
                CheckFieldCompatibility(F, Def);
                F->FFieldNo = Def->FieldNo();
                if (F->FieldKind() == fkInternalCalc) FInternalCalcFields = true;
            }
        }
        F->Bind(Binding);
    }
}

void TDataSet::GetFieldNames(TStrings* List) const {
    if (FieldCount() > 0)
        FFields->GetFieldNames(List);
    else {
        const_cast<TFieldDefs*>(FFieldDefs.get())->Update();
        List->BeginUpdate();
        List->Clear();
        for (Integer I = 0; I < FFieldDefs->Count(); ++I) List->Add(FFieldDefs->Items(I)->Name());
        List->EndUpdate();
    }
}

void TDataSet::GetFieldList(std::vector<TField*>& List, const AnsiString& FieldNames) const {
    Integer Pos = 1;
    while (Pos <= static_cast<Integer>(FieldNames.size())) {
        AnsiString Name = ExtractFieldName(FieldNames, Pos);
        if (!Name.empty()) List.push_back(FieldByName(Name));
    }
}

Variant TDataSet::FieldValues(const AnsiString& FieldNames) const {
    std::vector<TField*> List;
    GetFieldList(List, FieldNames);
    if (List.size() == 1) return List[0]->AsVariant();
    if (List.empty()) return Null();
    std::vector<Variant> Values;
    for (TField* F : List) Values.push_back(F->AsVariant());
    return VarArrayOf(Values);
}

void TDataSet::SetFieldValues(const AnsiString& FieldNames, const Variant& Value) {
    std::vector<TField*> List;
    GetFieldList(List, FieldNames);
    if (List.size() == 1 && !VarIsArray(Value)) {
        List[0]->SetAsVariant(Value);
        return;
    }
    for (size_t I = 0; I < List.size(); ++I) List[I]->SetAsVariant(Value[static_cast<Integer>(I)]);
}

bool TDataSet::GetFieldData(TField* Field, void* Buffer) { return false; }

bool TDataSet::GetFieldData(TField* Field, void* Buffer, bool NativeFormat) {
    if (NativeFormat || !Buffer) return GetFieldData(Field, Buffer);
    std::vector<char> Temp(static_cast<size_t>(std::max(Field->DataSize(), 8)), 0);
    bool Result = GetFieldData(Field, Temp.data());
    if (Result) DataConvert(Field, Temp.data(), Buffer, false);
    return Result;
}

void TDataSet::SetFieldData(TField* Field, const void* Buffer) {}

void TDataSet::SetFieldData(TField* Field, const void* Buffer, bool NativeFormat) {
    if (NativeFormat || !Buffer) {
        SetFieldData(Field, Buffer);
        return;
    }
    std::vector<char> Temp(static_cast<size_t>(std::max(Field->DataSize(), 8)), 0);
    DataConvert(Field, Buffer, Temp.data(), true);
    SetFieldData(Field, Temp.data());
}

void TDataSet::DataConvert(TField* Field, const void* Source, void* Dest, bool ToNative) {
    switch (Field->DataType()) {
    case ftDate: case ftTime: case ftDateTime:
        if (ToNative) {
            TDateTime V;
            std::memcpy(&V, Source, sizeof V);
            DateTimeToNative(Field->DataType(), V, Dest);
        } else {
            TDateTime V = NativeToDateTime(Field->DataType(), Source);
            std::memcpy(Dest, &V, sizeof V);
        }
        break;
    default:
        std::memcpy(Dest, Source, static_cast<size_t>(Field->DataSize()));
    }
}

Variant TDataSet::GetStateFieldValue(TDataSetState AState, TField* Field) {
    if (Field->FieldKind() != fkData && Field->FieldKind() != fkInternalCalc) return Null();
    TDataSetState Save = SetTempState(AState);
    try {
        Variant Result = Field->AsVariant();
        RestoreState(Save);
        return Result;
    } catch (...) {
        RestoreState(Save);
        throw;
    }
}

void TDataSet::SetStateFieldValue(TDataSetState AState, TField* Field, const Variant& Value) {
    TDataSetState Save = SetTempState(AState);
    try {
        Field->SetAsVariant(Value);
    } catch (...) {
        RestoreState(Save);
        throw;
    }
    RestoreState(Save);
}

Integer TDataSet::Translate(const char* Src, char* Dest, bool ToOem) {
    if (!Src) return 0;
    size_t Len = std::strlen(Src);
    if (Dest != Src) std::memmove(Dest, Src, Len + 1);
    return static_cast<Integer>(Len);
}

// --- buffers ---

TRecordBuffer TDataSet::ActiveBuffer() const {
    if (FBuffers.empty()) return nullptr;
    return FBuffers[static_cast<size_t>(FActiveRecord)];
}

void TDataSet::UpdateBufferCount() {
    if (!IsCursorOpen()) return;
    Integer Max = 1;
    for (TDataSource* DS : FDataSources)
        for (TDataLink* L : DS->FDataLinks) Max = std::max(Max, L->BufferCount());
    SetBufferCount(Max);
}

void TDataSet::SetBufferCount(Integer Value) {
    if (Value <= 0) {
        for (TRecordBuffer& B : FBuffers) FreeRecordBuffer(B);
        FBuffers.clear();
        FBufferCount = 0;
        ClearBuffers();
        return;
    }
    if (Value == FBufferCount && !FBuffers.empty()) return;
    Integer Delta = 0;
    if (FRecordCount > Value) {
        // Keep the active record inside the smaller window.
        Integer Front = std::max(0, FActiveRecord - (Value - 1));
        for (Integer I = 0; I < Front; ++I) MoveBuffer(0, static_cast<Integer>(FBuffers.size()) - 1);
        FActiveRecord -= Front;
        FRecordCount = std::min(FRecordCount - Front, Value);
        Delta = -Front;
        FCurrentRecord = -1;
    }
    const Integer Old = FBufferCount;
    while (static_cast<Integer>(FBuffers.size()) > Value + 1) {
        FreeRecordBuffer(FBuffers.back());
        FBuffers.pop_back();
    }
    while (static_cast<Integer>(FBuffers.size()) < Value + 1) FBuffers.push_back(AllocRecordBuffer());
    FBufferCount = Value;
    if (Value > Old) {
        UpdateCursorPos();
        GetNextRecords();
        if (FRecordCount < FBufferCount) Delta += GetPriorRecords();
    }
    if (Delta != 0)
        for (TDataSource* DS : FDataSources)
            for (TDataLink* L : DS->FDataLinks)
                if (L->Active()) L->FFirstRecord += Delta;
}

void TDataSet::ClearBuffers() {
    FRecordCount = 0;
    FActiveRecord = 0;
    FCurrentRecord = -1;
    FBOF = true;
    FEOF = true;
}

void TDataSet::ActivateBuffers() {
    FRecordCount = 1;
    FActiveRecord = 0;
    FBOF = false;
    FEOF = false;
}

void TDataSet::MoveBuffer(Integer CurIndex, Integer NewIndex) {
    if (CurIndex == NewIndex) return;
    TRecordBuffer B = FBuffers[static_cast<size_t>(CurIndex)];
    FBuffers.erase(FBuffers.begin() + CurIndex);
    FBuffers.insert(FBuffers.begin() + NewIndex, B);
}

void TDataSet::SetCurrentRecord(Integer Index) {
    if (FCurrentRecord != Index) {
        TRecordBuffer Buffer = FBuffers[static_cast<size_t>(Index)];
        switch (GetBookmarkFlag(Buffer)) {
        case bfCurrent: case bfInserted: InternalSetToRecord(Buffer); break;
        case bfBOF: InternalFirst(); break;
        case bfEOF: InternalLast(); break;
        }
        FCurrentRecord = Index;
    }
}

void TDataSet::UpdateCursorPos() {
    if (FRecordCount > 0) SetCurrentRecord(FActiveRecord);
}

bool TDataSet::GetNextRecord() {
    TGetMode Mode = gmNext;
    if (FRecordCount > 0) {
        SetCurrentRecord(FRecordCount - 1);
        if (FState == dsInsert && FCurrentRecord == FActiveRecord && GetBookmarkFlag(ActiveBuffer()) == bfCurrent)
            Mode = gmCurrent;
    }
    bool Result = ReadRecord(FBuffers[static_cast<size_t>(FRecordCount)], Mode, true) == grOK;
    if (Result) {
        if (FRecordCount == 0)
            ActivateBuffers();
        else if (FRecordCount < FBufferCount)
            ++FRecordCount;
        else
            MoveBuffer(0, FRecordCount);
        FCurrentRecord = FRecordCount - 1;
    } else
        CursorPosChanged();
    return Result;
}

bool TDataSet::GetPriorRecord() {
    if (FRecordCount > 0) SetCurrentRecord(0);
    bool Result = ReadRecord(FBuffers[static_cast<size_t>(FRecordCount)], gmPrior, true) == grOK;
    if (Result) {
        if (FRecordCount == 0)
            ActivateBuffers();
        else {
            MoveBuffer(FRecordCount, 0);
            if (FRecordCount < FBufferCount) {
                ++FRecordCount;
                ++FActiveRecord;
            }
        }
        FCurrentRecord = 0;
    } else
        CursorPosChanged();
    return Result;
}

TGetResult TDataSet::ReadRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) {
    const TAliveGuard alive(this);   // a fetch handler may free the data set
    try {
        return GetRecord(Buffer, GetMode, DoCheck);
    } catch (...) {
        // The cursor may have moved before the failure: find it again from the buffers next time,
        // or the record it failed on would be skipped.
        if (alive.Alive()) CursorPosChanged();
        throw;
    }
}

Integer TDataSet::GetNextRecords() {
    Integer Result = 0;
    while (FRecordCount < FBufferCount && GetNextRecord()) ++Result;
    return Result;
}

Integer TDataSet::GetPriorRecords() {
    Integer Result = 0;
    while (FRecordCount < FBufferCount && GetPriorRecord()) ++Result;
    return Result;
}

void TDataSet::Resync(TResyncMode Mode) {
    if (FBuffers.empty()) return;
    TRecordBuffer Spare = FBuffers[static_cast<size_t>(FRecordCount)];
    if (Mode.Contains(rmExact)) {
        CursorPosChanged();
        if (ReadRecord(Spare, gmCurrent, true) != grOK) DatabaseError(SRecordNotFound, this);
    } else if (ReadRecord(Spare, gmCurrent, false) != grOK && ReadRecord(Spare, gmNext, false) != grOK &&
               ReadRecord(Spare, gmPrior, false) != grOK) {
        ClearBuffers();
        DataEvent(deDataSetChange, 0);
        return;
    }
    Integer Count = Mode.Contains(rmCenter) ? (FBufferCount - 1) / 2 : FActiveRecord;
    MoveBuffer(FRecordCount, 0);
    ActivateBuffers();
    FCurrentRecord = 0;
    try {
        while (Count > 0 && GetPriorRecord()) --Count;
        GetNextRecords();
        GetPriorRecords();
    } catch (...) {
        DataEvent(deDataSetChange, 0);
        throw;
    }
    DataEvent(deDataSetChange, 0);
}

bool TDataSet::IsEmpty() const { return FActiveRecord >= FRecordCount; }

// --- navigation ---

void TDataSet::First() {
    const TAliveGuard alive(this);
    CheckBrowseMode();
    if (alive.Gone()) return;
    DoBeforeScroll();
    if (alive.Gone()) return;
    ClearBuffers();
    try {
        InternalFirst();
    } catch (...) {
        // A refused move leaves the cursor on the records it was on.
        try {
            Resync({});
        } catch (...) {
        }
        DataEvent(deDataSetChange, 0);
        throw;
    }
    try {
        GetNextRecord();
        GetNextRecords();
    } catch (...) {
        FBOF = true;
        DataEvent(deDataSetChange, 0);
        throw;
    }
    FBOF = true;
    DataEvent(deDataSetChange, 0);
    if (alive.Alive()) DoAfterScroll();
}

void TDataSet::Last() {
    CheckBiDirectional();
    const TAliveGuard alive(this);
    CheckBrowseMode();
    if (alive.Gone()) return;
    DoBeforeScroll();
    if (alive.Gone()) return;
    ClearBuffers();
    try {
        InternalLast();
        GetPriorRecord();
        GetPriorRecords();
    } catch (...) {
        FEOF = true;
        DataEvent(deDataSetChange, 0);
        throw;
    }
    FEOF = true;
    DataEvent(deDataSetChange, 0);
    if (alive.Alive()) DoAfterScroll();
}

Integer TDataSet::MoveBy(Integer Distance) {
    const TAliveGuard alive(this);
    CheckBrowseMode();
    Integer Result = 0;
    if (alive.Gone()) return Result;
    DoBeforeScroll();
    if (alive.Gone()) return Result;
    if ((Distance > 0 && !FEOF) || (Distance < 0 && !FBOF)) {
        FBOF = false;
        FEOF = false;
        Integer ScrollCount = 0;
        try {
            while (Distance > 0) {
                if (FActiveRecord < FRecordCount - 1)
                    ++FActiveRecord;
                else {
                    Integer I = FRecordCount < FBufferCount ? 0 : 1;
                    if (GetNextRecord()) {
                        ScrollCount -= I;
                        if (FActiveRecord < FRecordCount - 1) ++FActiveRecord;
                    } else {
                        FEOF = true;
                        break;
                    }
                }
                --Distance;
                ++Result;
            }
            while (Distance < 0) {
                if (FActiveRecord > 0)
                    --FActiveRecord;
                else {
                    Integer I = FRecordCount < FBufferCount ? 0 : 1;
                    if (GetPriorRecord()) {
                        ScrollCount += I;
                        if (FActiveRecord > 0) --FActiveRecord;
                    } else {
                        FBOF = true;
                        break;
                    }
                }
                ++Distance;
                --Result;
            }
        } catch (...) {
            if (alive.Gone()) throw;   // freed by a handler of the fetch
            DataEvent(deDataSetScroll, ScrollCount);
            if (alive.Alive()) DoAfterScroll();
            throw;
        }
        DataEvent(deDataSetScroll, ScrollCount);
        if (alive.Alive()) DoAfterScroll();
    }
    return Result;
}

// --- editing ---

void TDataSet::CheckOperation(TDataOperation Operation, const TDataSetErrorEvent& ErrorEvent) {
    for (;;) {
        try {
            UpdateCursorPos();
            (this->*Operation)();
            return;
        } catch (EDatabaseError& E) {
            TDataAction Action = daFail;
            const TAliveGuard alive(this);
            FireEvent(ErrorEvent, this, E, Action);
            if (Action == daFail) throw;
            // A data set its handler freed is not tried again: the operation ends quietly.
            if (Action == daAbort || alive.Gone()) Abort();
            // daRetry: run the operation again.
        }
    }
}

void TDataSet::CheckBrowseMode() {
    CheckActive();
    const TAliveGuard alive(this);
    DataEvent(deCheckBrowseMode, 0);
    if (alive.Gone()) Abort();   // a handler freed the data set: what asked goes no further
    switch (FState) {
    case dsEdit: case dsInsert:
        UpdateRecord();
        if (FModified) Post(); else Cancel();
        break;
    case dsSetKey: Post(); break;
    default: break;
    }
}

void TDataSet::UpdateRecord() {
    if (!dsEditModes.Contains(FState)) DatabaseError(SNotEditing, this);
    DataEvent(deUpdateRecord, 0);
}

void TDataSet::Edit() {
    if (FState == dsEdit || FState == dsInsert) return;
    if (FRecordCount == 0) {
        Insert();
        return;
    }
    const TAliveGuard alive(this);
    CheckBrowseMode();
    if (alive.Gone()) return;
    CheckCanModify();
    DoBeforeEdit();
    if (alive.Gone()) return;
    CheckOperation(&TDataSet::InternalEdit, OnEditError);
    GetCalcFields(ActiveBuffer());
    SetState(dsEdit);
    DataEvent(deRecordChange, 0);
    if (alive.Alive()) DoAfterEdit();
}

void TDataSet::BeginInsertAppend() {
    const TAliveGuard alive(this);
    CheckBrowseMode();
    if (alive.Gone()) return;
    CheckCanModify();
    DoBeforeInsert();
    if (alive.Gone()) return;
    // The new record becomes the current one: a scroll, which Cancel undoes with its own pair.
    DoBeforeScroll();
}

void TDataSet::EndInsertAppend() {
    const TAliveGuard alive(this);
    SetState(dsInsert);
    if (alive.Gone()) return;
    try {
        DoOnNewRecord();
    } catch (...) {
        if (alive.Gone()) throw;
        UpdateCursorPos();
        SetState(dsBrowse);
        Resync({});
        throw;
    }
    if (alive.Gone()) return;
    FModified = false;
    DataEvent(deDataSetChange, 0);
    if (alive.Gone()) return;
    DoAfterInsert();
    if (alive.Gone()) return;
    DoAfterScroll();
}

void TDataSet::Insert() {
    const TAliveGuard alive(this);
    BeginInsertAppend();
    if (alive.Gone()) return;
    TBookmark OldCurrent = GetBookmark();
    MoveBuffer(FRecordCount, FActiveRecord);
    TRecordBuffer Buffer = ActiveBuffer();
    InitRecord(Buffer);
    if (FRecordCount == 0)
        SetBookmarkFlag(Buffer, bfBOF);
    else if (!OldCurrent.empty())
        SetBookmarkData(Buffer, OldCurrent.data());
    if (FRecordCount < FBufferCount) ++FRecordCount;
    InternalInsert();
    EndInsertAppend();
}

void TDataSet::Append() {
    const TAliveGuard alive(this);
    BeginInsertAppend();
    if (alive.Gone()) return;
    ClearBuffers();
    TRecordBuffer Buffer = FBuffers[0];
    InitRecord(Buffer);
    SetBookmarkFlag(Buffer, bfEOF);
    FRecordCount = 1;
    FBOF = false;
    GetPriorRecords();
    InternalInsert();
    EndInsertAppend();
}

void TDataSet::InitRecord(TRecordBuffer Buffer) {
    InternalInitRecord(Buffer);
    ClearCalcFields(Buffer);
    SetBookmarkFlag(Buffer, bfInserted);
}

void TDataSet::InternalPost() { CheckRequiredFields(); }

void TDataSet::CheckRequiredFields() {
    for (Integer I = 0; I < FieldCount(); ++I) {
        TField* F = FFields->Fields(I);
        if (F->Required() && !F->ReadOnly() && F->FieldKind() == fkData && F->IsNull()) {
            F->FocusControl();
            DatabaseErrorFmt(SFieldRequired, {F->DisplayName()});
        }
    }
}

void TDataSet::Post() {
    UpdateRecord();
    if (FState == dsEdit || FState == dsInsert) {
        DataEvent(deCheckBrowseMode, 0);
        // A handler may free the data set: nothing of it is touched afterwards.
        const TAliveGuard alive(this);
        DoBeforePost();
        if (alive.Gone()) return;
        CheckOperation(&TDataSet::InternalPost, OnPostError);
        SetState(dsBrowse);
        Resync({});
        DoAfterPost();
    }
}

void TDataSet::Cancel() {
    if (FState != dsEdit && FState != dsInsert) return;
    DataEvent(deCheckBrowseMode, 0);
    const TAliveGuard alive(this);
    DoBeforeCancel();
    if (alive.Gone()) return;
    bool DoScrollEvents = FState == dsInsert;
    if (DoScrollEvents) DoBeforeScroll();
    if (alive.Gone()) return;
    UpdateCursorPos();
    InternalCancel();
    SetState(dsBrowse);
    Resync({});
    DoAfterCancel();
    if (DoScrollEvents && alive.Alive()) DoAfterScroll();
}

void TDataSet::Delete() {
    CheckActive();
    if (FState == dsInsert || FState == dsSetKey) {
        Cancel();
        return;
    }
    if (FRecordCount == 0) DatabaseError(SDataSetEmpty, this);
    DataEvent(deCheckBrowseMode, 0);
    const TAliveGuard alive(this);
    DoBeforeDelete();
    if (alive.Gone()) return;
    DoBeforeScroll();
    if (alive.Gone()) return;
    CheckOperation(&TDataSet::InternalDelete, OnDeleteError);
    SetState(dsBrowse);
    Resync({});
    DoAfterDelete();
    if (alive.Gone()) return;
    DoAfterScroll();
}

void TDataSet::Refresh() {
    const TAliveGuard alive(this);
    DoBeforeRefresh();
    if (alive.Gone()) return;
    CheckBrowseMode();
    if (alive.Gone()) return;
    UpdateCursorPos();
    try {
        InternalRefresh();
    } catch (...) {
        if (alive.Alive()) Resync({});
        throw;
    }
    if (alive.Gone()) return;
    Resync({});
    DoAfterRefresh();
}

void TDataSet::InternalHandleException() {}

void TDataSet::SetFields(const std::vector<Variant>& Values) {
    for (size_t I = 0; I < Values.size() && I < static_cast<size_t>(FieldCount()); ++I) {
        TField* F = FFields->Fields(static_cast<Integer>(I));
        if (!VarIsEmpty(Values[I])) F->SetAsVariant(Values[I]);
    }
}

void TDataSet::InsertRecord(const std::vector<Variant>& Values) {
    Insert();
    SetFields(Values);
    Post();
}

void TDataSet::AppendRecord(const std::vector<Variant>& Values) {
    Append();
    SetFields(Values);
    Post();
}

void TDataSet::ClearFields() {
    if (!dsEditModes.Contains(FState)) DatabaseError(SNotEditing, this);
    for (Integer I = 0; I < FieldCount(); ++I) {
        TField* F = FFields->Fields(I);
        if (F->FieldKind() == fkData && !F->ReadOnly()) F->Clear();
    }
}

// --- bookmarks ---

bool TDataSet::BookmarkAvailable() const {
    return (FState == dsBrowse || FState == dsEdit || FState == dsInsert) && !IsEmpty() &&
           GetBookmarkFlag(ActiveBuffer()) == bfCurrent;
}

TBookmark TDataSet::GetBookmark() const {
    TBookmark Result;
    if (BookmarkAvailable() && FBookmarkSize > 0) {
        Result.assign(static_cast<size_t>(FBookmarkSize), 0);
        GetBookmarkData(ActiveBuffer(), Result.data());
    }
    return Result;
}

void TDataSet::GotoBookmark(const TBookmark& Bookmark) {
    if (Bookmark.empty()) return;
    CheckBrowseMode();
    DoBeforeScroll();
    InternalGotoBookmark(Bookmark.data());
    Resync({rmExact, rmCenter});
    DoAfterScroll();
}

TBookmarkStr TDataSet::Bookmark() const {
    TBookmark B = GetBookmark();
    return TBookmarkStr(B.begin(), B.end());
}

void TDataSet::SetBookmark(const TBookmarkStr& Value) { GotoBookmark(TBookmark(Value.begin(), Value.end())); }

// --- searching ---

namespace {

std::vector<Variant> KeyValueList(const Variant& KeyValues, size_t Count) {
    std::vector<Variant> Result;
    if (VarIsArray(KeyValues)) {
        Integer Lo = VarArrayLowBound(KeyValues, 1);
        Integer Hi = VarArrayHighBound(KeyValues, 1);
        for (Integer I = Lo; I <= Hi; ++I) Result.push_back(VarArrayGet(KeyValues, {I}));
    } else
        Result.push_back(KeyValues);
    if (Result.size() < Count) DatabaseError("Field value required");
    return Result;
}

bool IsTextField(const TField* F) {
    switch (F->DataType()) {
    case ftString: case ftFixedChar: case ftWideString: case ftGuid: case ftMemo: case ftFmtMemo: return true;
    default: return false;
    }
}

// Partial and case-insensitive matching apply to text fields; other fields compare by value, so
// that "1" does not find 12 as its leading part.
bool FieldMatches(TField* F, const Variant& Key, TLocateOptions Options) {
    if (VarIsNull(Key) || VarIsEmpty(Key)) return F->IsNull();
    if (F->IsNull()) return false;
    if (IsTextField(F)) {
        AnsiString Value = F->AsString();
        AnsiString K = VarToStr(Key);
        if (Options.Contains(loCaseInsensitive)) {
            Value = AnsiUpperCase(Value);
            K = AnsiUpperCase(K);
        }
        if (Options.Contains(loPartialKey)) return Value.compare(0, K.size(), K) == 0;
        return Value == K;
    }
    try {
        return F->AsVariant() == Key;
    } catch (EVariantError&) {
        return false;
    }
}

}  // namespace

bool TDataSet::LocateRecord(const std::vector<TField*>& Fields, const std::vector<Variant>& Values,
                            TLocateOptions Options) {
    for (size_t I = 0; I < Fields.size(); ++I)
        if (!FieldMatches(Fields[I], Values[I], Options)) return false;
    return true;
}

bool TDataSet::Locate(const AnsiString& KeyFields, const Variant& KeyValues, TLocateOptions Options) {
    CheckBrowseMode();
    std::vector<TField*> Fields;
    GetFieldList(Fields, KeyFields);
    std::vector<Variant> Values = KeyValueList(KeyValues, Fields.size());
    TBookmark Saved = GetBookmark();
    bool Found = false;
    DisableControls();
    try {
        First();
        while (!Eof()) {
            if (LocateRecord(Fields, Values, Options)) {
                Found = true;
                break;
            }
            Next();
        }
        if (!Found && !Saved.empty()) GotoBookmark(Saved);
    } catch (...) {
        EnableControls();
        throw;
    }
    EnableControls();
    return Found;
}

Variant TDataSet::Lookup(const AnsiString& KeyFields, const Variant& KeyValues, const AnsiString& ResultFields) {
    if (Trim(ResultFields).empty()) return Null();
    CheckBrowseMode();
    TBookmark Saved = GetBookmark();
    Variant Result = Null();
    DisableControls();
    try {
        if (Locate(KeyFields, KeyValues, {})) Result = FieldValues(ResultFields);
        if (!Saved.empty()) GotoBookmark(Saved);
    } catch (...) {
        EnableControls();
        throw;
    }
    EnableControls();
    return Result;
}

// --- filtering ---

void TDataSet::SetFilterText(const AnsiString& Value) {
    if (Active() && FFiltered) CheckBrowseMode();
    FFilterText = Value;
    if (Active() && FFiltered) First();
}

void TDataSet::SetFiltered(bool Value) {
    if (Active()) CheckBrowseMode();
    if (FFiltered == Value) return;
    FFiltered = Value;
    if (Active()) First();
}

void TDataSet::SetFilterOptions(TFilterOptions Value) {
    if (Active() && FFiltered) CheckBrowseMode();
    if (FFilterOptions == Value) return;
    FFilterOptions = Value;
    if (Active() && FFiltered) First();
}

void TDataSet::SetOnFilterRecord(const TFilterRecordEvent& Value) {
    if (Active() && FFiltered) CheckBrowseMode();
    FOnFilterRecord = Value;
    if (Active() && FFiltered) First();
}

// --- calculated fields ---

void TDataSet::GetCalcFields(TRecordBuffer Buffer) {
    if (FCalcFieldsSize > 0 || FInternalCalcFields) {
        TDataSetState Save = SetTempState(dsCalcFields);
        try {
            CalculateFields(Buffer);
        } catch (...) {
            RestoreState(Save);
            throw;
        }
        RestoreState(Save);
    }
}

void TDataSet::CalculateFields(TRecordBuffer Buffer) {
    FCalcBuffer = Buffer;
    if (FState != dsInternalCalc) {
        ClearCalcFields(Buffer);
        for (Integer I = 0; I < FieldCount(); ++I) {
            TField* F = FFields->Fields(I);
            if (F->FieldKind() == fkLookup) CalcLookupValue(F);
        }
    }
    DoOnCalcFields();
}

void TDataSet::CalcLookupValue(TField* Field) {
    TDataSet* L = Field->LookupDataSet();
    if (!L || !L->Active() || Field->KeyFields().empty() || Field->LookupKeyFields().empty() ||
        Field->LookupResultField().empty())
        return;
    Variant Keys = FieldValues(Field->KeyFields());
    // A missing key refers to nothing; it must not find a looked-up record whose key is missing too.
    if (VarIsArray(Keys)) {
        for (Integer I = VarArrayLowBound(Keys, 1); I <= VarArrayHighBound(Keys, 1); ++I)
            if (VarIsNull(VarArrayGet(Keys, {I}))) return;
    } else if (VarIsNull(Keys))
        return;
    Field->SetAsVariant(L->Lookup(Field->LookupKeyFields(), Keys, Field->LookupResultField()));
}

void TDataSet::UpdateCalcFields() {
    if (FState != dsSetKey && FState != dsCalcFields && FAutoCalcFields &&
        (FCalcFieldsSize > 0 || FInternalCalcFields) && ActiveBuffer())
        GetCalcFields(ActiveBuffer());
}

// --- events to sources ---

void TDataSet::DataEvent(TDataEvent Event, TDataEventInfo Info) {
    TField* Field = (Event == deFieldChange) ? reinterpret_cast<TField*>(Info) : nullptr;
    switch (Event) {
    case deFieldChange:
        if (Field && (Field->FieldKind() == fkData || Field->FieldKind() == fkInternalCalc)) SetModified(true);
        UpdateCalcFields();
        break;
    case dePropertyChange:
        FFieldDefs->SetUpdated(false);
        break;
    default:
        break;
    }
    bool Notify = !(ControlsDisabled() || FState == dsBlockRead);
    if (Notify) {
        // A receiver may free another source meanwhile (a handler closing its form): it is not called.
        for (TDataSource* DS : std::vector<TDataSource*>(FDataSources))
            if (std::find(FDataSources.begin(), FDataSources.end(), DS) != FDataSources.end()) DS->DataEvent(Event, Info);
    } else if ((Event == deUpdateState && FState == dsInactive) || Event == deLayoutChange)
        FEnableEvent = deLayoutChange;
    if (Field) Field->Change();
}

void TDataSet::DisableControls() {
    if (FDisableCount == 0) {
        FDisableState = FState;
        FEnableEvent = deDataSetChange;
    }
    ++FDisableCount;
}

void TDataSet::EnableControls() {
    if (FDisableCount == 0) return;
    if (--FDisableCount == 0) {
        if (FDisableState != FState) DataEvent(deUpdateState, 0);
        if (FDisableState != dsInactive && FState != dsInactive) DataEvent(FEnableEvent, 0);
    }
}

bool TDataSet::IsLinkedTo(TDataSource* DataSource) const {
    for (Integer Guard = 0; DataSource && Guard < 1000; ++Guard) {
        TDataSet* DS = DataSource->DataSet();
        if (!DS) break;
        if (DS == this) return true;
        DataSource = DS->DataSource();
    }
    return false;
}

void TDataSet::AddDataSource(TDataSource* DataSource) {
    FDataSources.push_back(DataSource);
    DataSource->FDataSet = this;
    UpdateBufferCount();
    DataSource->UpdateState();
}

void TDataSet::RemoveDataSource(TDataSource* DataSource) {
    auto It = std::find(FDataSources.begin(), FDataSources.end(), DataSource);
    if (It != FDataSources.end()) FDataSources.erase(It);
    DataSource->FDataSet = nullptr;
    DataSource->UpdateState();
    UpdateBufferCount();
}

// ---------------------------------------------------------------------------------------------
// TDataSource

TDataSource::TDataSource(TComponent* AOwner) : TComponent(AOwner) {}

TDataSource::~TDataSource() {
    for (TDataLink* L : std::vector<TDataLink*>(FDataLinks)) {
        L->FDataSource = nullptr;
        L->UpdateState();
    }
    FDataLinks.clear();
    if (FDataSet) {
        auto& List = FDataSet->FDataSources;
        List.erase(std::remove(List.begin(), List.end(), this), List.end());
        FDataSet = nullptr;
    }
}

void TDataSource::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
}

bool TDataSource::IsLinkedTo(TDataSet* DataSet) const {
    for (Integer Guard = 0; DataSet && Guard < 1000; ++Guard) {
        TDataSource* DS = DataSet->DataSource();
        if (!DS) break;
        if (DS == this) return true;
        DataSet = DS->DataSet();
    }
    return false;
}

void TDataSource::SetDataSet(TDataSet* ADataSet) {
    if (ADataSet == FDataSet) return;
    if (IsLinkedTo(ADataSet)) DatabaseError(SCircularDataLink, this);
    if (FDataSet) FDataSet->RemoveDataSource(this);
    if (ADataSet) ADataSet->AddDataSource(this);
}

void TDataSource::SetEnabled(bool Value) {
    FEnabled = Value;
    UpdateState();
}

void TDataSource::UpdateState() {
    SetState(FEnabled && FDataSet ? FDataSet->State() : dsInactive);
}

void TDataSource::SetState(TDataSetState Value) {
    if (FState == Value) return;
    TDataSetState Prior = FState;
    FState = Value;
    NotifyDataLinks(deUpdateState, 0);
    if (!ComponentState().Contains(csDestroying)) {
        if (OnStateChange) FireEvent(OnStateChange, this);
        if (Prior == dsInactive && OnDataChange) FireEvent(OnDataChange, this, nullptr);
    }
}

void TDataSource::DataEvent(TDataEvent Event, TDataEventInfo Info) {
    if (Event == deUpdateState) {
        UpdateState();
        return;
    }
    if (FState == dsInactive) return;
    NotifyDataLinks(Event, Info);
    switch (Event) {
    case deFieldChange:
        if (OnDataChange) FireEvent(OnDataChange, this, reinterpret_cast<TField*>(Info));
        break;
    case deRecordChange: case deDataSetChange: case deDataSetScroll: case deLayoutChange:
        if (OnDataChange) FireEvent(OnDataChange, this, nullptr);
        break;
    case deUpdateRecord:
        if (OnUpdateData) FireEvent(OnUpdateData, this);
        break;
    default:
        break;
    }
}

void TDataSource::NotifyDataLinks(TDataEvent Event, TDataEventInfo Info) {
    // Single-record links (editors) first, then multi-record ones (grids).
    // A link freed by another's handler meanwhile is not touched.
    std::vector<TDataLink*> Links(FDataLinks);
    const auto Listed = [this](TDataLink* L) { return std::find(FDataLinks.begin(), FDataLinks.end(), L) != FDataLinks.end(); };
    for (TDataLink* L : Links)
        if (Listed(L) && L->FBufferCount == 1 && L->FDataSource == this) L->DataEvent(Event, Info);
    for (TDataLink* L : Links)
        if (Listed(L) && L->FBufferCount > 1 && L->FDataSource == this) L->DataEvent(Event, Info);
}

void TDataSource::Edit() {
    if (FAutoEdit && FState == dsBrowse && FDataSet) FDataSet->Edit();
}

void TDataSource::AddDataLink(TDataLink* DataLink) {
    FDataLinks.push_back(DataLink);
    DataLink->FDataSource = this;
    if (FDataSet) FDataSet->UpdateBufferCount();
    DataLink->UpdateState();
}

void TDataSource::RemoveDataLink(TDataLink* DataLink) {
    FDataLinks.erase(std::remove(FDataLinks.begin(), FDataLinks.end(), DataLink), FDataLinks.end());
    DataLink->FDataSource = nullptr;
    DataLink->UpdateState();
    if (FDataSet) FDataSet->UpdateBufferCount();
}

// ---------------------------------------------------------------------------------------------
// TDataLink

TDataLink::TDataLink() = default;

TDataLink::~TDataLink() {
    if (FDataSource) {
        auto& List = FDataSource->FDataLinks;
        List.erase(std::remove(List.begin(), List.end(), this), List.end());
        FDataSource = nullptr;
    }
}

TDataSet* TDataLink::DataSet() const { return FDataSource ? FDataSource->DataSet() : nullptr; }

void TDataLink::SetDataSource(TDataSource* ADataSource) {
    if (FDataSource == ADataSource) return;
    if (FDataSourceFixed) DatabaseError(SDataSourceChange, FDataSource);
    if (ADataSource) {
        TDataSet* Detail = GetDetailDataSet();
        if (Detail && Detail->IsLinkedTo(ADataSource)) DatabaseError(SCircularDataLink, ADataSource);
    }
    if (FDataSource) FDataSource->RemoveDataLink(this);
    if (ADataSource) ADataSource->AddDataLink(this);
}

void TDataLink::SetReadOnly(bool Value) {
    if (FReadOnly != Value) {
        FReadOnly = Value;
        UpdateState();
    }
}

void TDataLink::SetBufferCount(Integer Value) {
    if (Value < 1) Value = 1;
    if (FBufferCount != Value) {
        FBufferCount = Value;
        // Also while the source is disabled: the window must be ready when it is enabled again.
        if (DataSet()) DataSet()->UpdateBufferCount();
        if (FActive) UpdateRange();
    }
}

Integer TDataLink::UpdateRange() {
    TDataSet* DS = DataSet();
    if (!DS) return 0;
    Integer Before = FFirstRecord;
    Integer Min = std::max(0, DS->FActiveRecord - FBufferCount + 1);
    Integer Max = std::min(std::max(0, DS->FBufferCount - FBufferCount), DS->FActiveRecord);
    if (FFirstRecord < Min) FFirstRecord = Min;
    if (FFirstRecord > Max) FFirstRecord = Max;
    return FFirstRecord - Before;
}

Integer TDataLink::ActiveRecord() const {
    TDataSet* DS = DataSet();
    if (!DS || !FActive) return 0;
    return DS->FActiveRecord - FFirstRecord;
}

void TDataLink::SetActiveRecord(Integer Value) {
    TDataSet* DS = DataSet();
    if (DS && FActive) DS->FActiveRecord = Value + FFirstRecord;
}

Integer TDataLink::RecordCount() const {
    TDataSet* DS = DataSet();
    if (!DS || !FActive) return 0;
    return std::clamp(DS->FRecordCount - FFirstRecord, 0, FBufferCount);
}

bool TDataLink::Edit() {
    if (!FReadOnly && FDataSource) FDataSource->Edit();
    return FEditing;
}

void TDataLink::UpdateRecord() {
    FUpdating = true;
    try {
        UpdateData();
    } catch (...) {
        FUpdating = false;
        throw;
    }
    FUpdating = false;
}

void TDataLink::UpdateState() {
    SetActive(FDataSource && FDataSource->State() != dsInactive);
    SetEditing(FDataSource && dsEditModes.Contains(FDataSource->State()) && !FReadOnly);
}

void TDataLink::SetActive(bool Value) {
    if (FActive == Value) return;
    FActive = Value;
    if (Value)
        UpdateRange();
    else
        FFirstRecord = 0;
    ActiveChanged();
}

void TDataLink::SetEditing(bool Value) {
    if (FEditing == Value) return;
    FEditing = Value;
    EditingChanged();
}

void TDataLink::DataEvent(TDataEvent Event, TDataEventInfo Info) {
    if (Event == deUpdateState) {
        UpdateState();
        return;
    }
    if (!FActive) return;
    switch (Event) {
    case deFieldChange: case deRecordChange:
        if (!FUpdating) RecordChanged(reinterpret_cast<TField*>(Info));
        break;
    case deDataSetChange: case deDataSetScroll: case deLayoutChange: {
        Integer Distance = 0;
        if (FDataSource->State() != dsSetKey) {
            // Follow the records the data set's window moved, then keep the active one in view.
            if (Event == deDataSetScroll) FFirstRecord += static_cast<Integer>(Info);
            Distance = UpdateRange();
        }
        if (Event == deDataSetScroll)
            DataSetScrolled(Distance);
        else if (Event == deLayoutChange)
            LayoutChanged();
        else
            DataSetChanged();
        break;
    }
    case deUpdateRecord:
        UpdateRecord();
        break;
    case deCheckBrowseMode:
        CheckBrowseMode();
        break;
    case deFocusControl:
        FocusControl(reinterpret_cast<TField*>(Info));
        break;
    default:
        break;
    }
}
