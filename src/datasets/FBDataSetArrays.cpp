// TFBCustomDataSet: the elements of array columns, read from and written to the
// server as whole arrays through the column's array descriptor.
#include "datasets/FBDataSet.h"

#include "dbclient/FBMessages.h"
#include "dbclient/pFBArray.h"

#include <cstring>

namespace {

bool IsBlankValue(const Variant& V) { return VarIsNull(V) || VarIsEmpty(V); }

}  // namespace

TpFBArray* TFBCustomDataSet::ArrayOf(TField* Field) {
    if (!Field || Field->FieldKind() != fkData || !FSelectQuery->Current()) return nullptr;
    const Integer No = Field->FieldNo();
    if (No < 1 || No > FSelectQuery->Current()->Count()) return nullptr;
    return FSelectQuery->Current()->Vars(No - 1)->Array();
}

bool TFBCustomDataSet::ArrayId(TField* Field, ISC_QUAD& Id) {
    Id = ISC_QUAD{};
    TRecordBuffer B = ValueBuffer();
    TFBFieldDescr* D = DescrOf(Field);
    if (!B || !D || BufNull(B, Field->FieldNo())) return false;
    std::memcpy(&Id, B + D->Offset, sizeof Id);
    return true;
}

Variant TFBCustomDataSet::GetArrayFieldValue(TField* Field) {
    TpFBArray* A = ArrayOf(Field);
    if (!A) return Variant(false);
    ISC_QUAD Id;
    if (!ArrayId(Field, Id)) return Null();
    TFBTransaction* Tr = Transaction();
    if (!Tr) FBError(22, {FullName()});
    if (!Tr->Active() && FOptions.Contains(poStartTransaction)) Tr->StartTransaction();
    return A->GetArrayValues(Id, Database()->HandleAddress(), Tr->HandleAddress());
}

void TFBCustomDataSet::SetArrayFieldValue(TField* Field, const Variant& Value) {
    if (State() != dsEdit && State() != dsInsert) FBError(42, {FullName()});
    if (IsBlankValue(Value)) {
        Field->Clear();
        return;
    }
    TpFBArray* A = ArrayOf(Field);
    if (!A) return;
    TFBTransaction* Tr = UpdateTransaction();
    if (!Tr) FBError(22, {FullName()});
    if (!Tr->Active() && FOptions.Contains(poStartTransaction)) Tr->StartTransaction();
    Tr->CheckInTransaction();
    // The whole array is written anew: the server gives it a new id.
    ISC_QUAD Id{};
    A->PutArrayValues(Value, Id, Database()->HandleAddress(), Tr->HandleAddress());
    SetFieldData(Field, &Id);
}

void TFBCustomDataSet::SaveArrayIds() {
    for (Integer I = 0; I < FieldCount(); ++I)
        if (auto* F = dynamic_cast<TFBArrayField*>(Fields()->Fields(I))) {
            ISC_QUAD Id;
            const bool Set = ArrayId(F, Id);
            F->SetSavedId(Set, Id);
        }
}

void TFBCustomDataSet::ResetArrayFields() {
    if (State() != dsEdit && State() != dsInsert) return;
    for (Integer I = 0; I < FieldCount(); ++I)
        if (auto* F = dynamic_cast<TFBArrayField*>(Fields()->Fields(I))) {
            ISC_QUAD Id;
            if (F->SavedId(Id))
                SetFieldData(F, &Id);
            else
                SetFieldData(F, nullptr);
        }
}
