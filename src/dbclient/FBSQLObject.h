#pragma once
// ISQLObject: what statements and data sets expose of their fields and
// parameters, so that one object's parameters can be filled from others by
// name; AssignSQLObjectParams does that matching.
#include <initializer_list>

#include "platform/rtl/Variants.h"

class ISQLObject {
public:
    virtual ~ISQLObject() = default;
    virtual Integer ParamCount() = 0;
    virtual AnsiString ParamName(Integer ParamIndex) = 0;
    virtual Integer FieldsCount() = 0;
    virtual bool FieldExist(const AnsiString& FieldName, Integer& FieldIndex) = 0;
    virtual bool ParamExist(const AnsiString& ParamName, Integer& ParamIndex) = 0;
    virtual Variant FieldValue(const AnsiString& FieldName, bool Old) = 0;
    virtual Variant FieldValue(Integer FieldIndex, bool Old) = 0;
    virtual Variant ParamValue(const AnsiString& ParamName) = 0;
    virtual Variant ParamValue(Integer ParamIndex) = 0;
    virtual void SetParamValue(Integer ParamIndex, const Variant& aValue) = 0;
};

// Fills every parameter of Dest from the Sources, later sources winning:
// NEW_X takes field X, OLD_X the old value of field X, any other name the
// field of that name, else a source parameter of the same full name. A
// parameter no source can supply keeps its value; null objects are skipped.
void AssignSQLObjectParams(ISQLObject* Dest, std::initializer_list<ISQLObject*> Sources);
