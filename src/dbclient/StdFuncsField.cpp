#include "dbclient/StdFuncs.h"

#include "platform/data/DB.h"

#include <algorithm>
#include <vector>

namespace {

// Reaches the data set's temporary-state switch, which the framework keeps
// for its own descendants.
struct TStateAccess : TDataSet {
    using TDataSet::RestoreState;
    using TDataSet::SetTempState;
};

}  // namespace

bool GetFieldOldData(TField* Field, bool OldState, void* Buffer) {
    if (!Field || !Field->DataSet()) return false;
    TDataSet* ds = Field->DataSet();
    if (!OldState || ds->State() == dsOldValue) return ds->GetFieldData(Field, Buffer);
    const TDataSetState saved = (ds->*&TStateAccess::SetTempState)(dsOldValue);
    try {
        const bool result = ds->GetFieldData(Field, Buffer);
        (ds->*&TStateAccess::RestoreState)(saved);
        return result;
    } catch (...) {
        (ds->*&TStateAccess::RestoreState)(saved);
        throw;
    }
}

bool GetFieldOldValue(TField* Field, bool OldState, Variant& Value) {
    // Room for the field's own data size too, so an odd field cannot overrun.
    const size_t size = std::max<size_t>(sizeof(TBcd), Field ? static_cast<size_t>(std::max(0, Field->DataSize())) : 0);
    std::vector<Byte> buffer(size);
    const bool has = GetFieldOldData(Field, OldState, buffer.data());
    if (has) {
        TBcd bcd;
        std::copy_n(buffer.data(), sizeof(TBcd), reinterpret_cast<Byte*>(&bcd));
        Value = Variant(BcdToStr(bcd));
    } else {
        Value = Null();
    }
    return has;
}
