#include "dbclient/FBSQLObject.h"

#include "dbclient/StrUtil.h"

void AssignSQLObjectParams(ISQLObject* Dest, std::initializer_list<ISQLObject*> Sources) {
    if (!Dest) return;
    const Integer n = Dest->ParamCount();
    for (Integer i = 0; i < n; ++i) {
        const AnsiString name = Dest->ParamName(i);
        bool old = false;
        AnsiString fieldName = name;
        if (IsNewParamName(name)) {
            fieldName = name.substr(4);
        } else if (IsOldParamName(name)) {
            fieldName = name.substr(4);
            old = true;
        }
        for (ISQLObject* src : Sources) {
            if (!src) continue;
            Integer index = -1;
            if (src->FieldExist(fieldName, index))
                Dest->SetParamValue(i, src->FieldValue(fieldName, old));
            else if (src->ParamExist(name, index))
                Dest->SetParamValue(i, src->ParamValue(name));
        }
    }
}
