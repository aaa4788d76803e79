// Parameters handed between a provider and the data set it exports.
#include "platform/data/Provider.h"

#include "platform/rtl/SysUtils.h"

TParam* TParams::CreateParam(TFieldType DataType, const AnsiString& Name) {
    FItems.push_back(std::make_unique<TParam>(Name, DataType));
    return FItems.back().get();
}

TParam* TParams::FindParam(const AnsiString& Name) const {
    for (const auto& P : FItems)
        if (SameText(P->Name(), Name)) return P.get();
    return nullptr;
}

TParam* TParams::ParamByName(const AnsiString& Name) const {
    TParam* P = FindParam(Name);
    if (!P) throw EDatabaseError("Parameter '" + Name + "' not found");
    return P;
}
