#pragma once
// The local filter of a data set: the filter text is parsed once into an expression buffer
// (TExprParser) and then evaluated against the data set's current record, column values read
// through its fields.
//
// Evaluation rules worth knowing:
//  - =, <> and LIKE with a Null (or unassigned) side: one Null gives false, true for <>; two
//    Nulls give true, false for <>. <, >, <=, >= with a Null side give false.
//  - Text functions, date parts and SUBSTRING give Null for a Null argument; arithmetic with
//    Null gives Null; Null and unassigned count as false where a Boolean is needed.
//  - A list of values evaluates to an array; a list of one to its value as text.
//  - Every evaluation failure (type mismatch, unreadable number, division by zero, broken
//    buffer) raises EDatabaseError "Incorrectly formed filter expression", an unknown function
//    "Expression expected but %s found"; a field the data set lacks raises its own error.
#include <functional>
#include <map>

#include "platform/data/DBCommon.h"

// (value text, mask text) -> matches; the data set passes SQLMaskCompare.
using TLikeFunc = std::function<bool(const AnsiString& Value, const AnsiString& Mask)>;
// (text, format) -> date-time; the data set passes StrToDateFmt.
using TDateFunc = std::function<TDateTime(const AnsiString& Text, const AnsiString& Format)>;

inline constexpr const char* SCantParseFilter = "Can't parse Filter for: \r\n";

class TExpressionParser : public TExprParser {
public:
    // Parses Text over DataSet (which must outlive the evaluator). A parse failure is raised
    // again with its message prefixed by SCantParseFilter.
    TExpressionParser(TDataSet* DataSet, TLikeFunc LikeFunc, TDateFunc DateFunc, const AnsiString& Text,
                      TFilterOptions Options, TParserOptions ParserOptions = {poExtSyntax});
    ~TExpressionParser() override;

    const AnsiString& FilterText() const { return Text(); }

    // The root value as a Boolean variant, for the current record of the data set.
    Variant Evaluate();
    bool EvaluateBoolean();

    // Forgets the fields found so far; the data set calls it whenever its fields change, as the
    // cache holds plain field pointers.
    void ClearFieldCache();
    // The data set's field of that name (any case), looked up in the data set once per name.
    TField* FieldByNameCached(const AnsiString& FieldName);

private:
    Variant EvaluateNode(Integer Offset, Integer Depth);
    Variant EvaluateUnary(Integer Node, Integer Op, Integer Depth);
    Variant EvaluateBinary(Integer Node, Integer Op, Integer Depth);
    Variant EvaluateCompare(Integer Node, Integer Op, Integer Depth);
    Variant EvaluateField(Integer Node);
    Variant EvaluateConst(Integer Node);
    Variant EvaluateList(Integer Node, Integer Depth);
    Variant EvaluateFunction(Integer Node, Integer Depth);

    // Bounds-checked readers of the expression buffer.
    Integer NodeStart(Integer Offset) const;
    Word Arg(Integer Node, Integer Index) const;
    const Byte* Literal(Integer Offset, Integer Size) const;
    AnsiString LiteralText(Integer Offset) const;

    TLikeFunc FLikeFunc;
    TDateFunc FDateFunc;
    // By the name as written; the parser already gives each field's own spelling.
    std::map<AnsiString, TField*> FFieldCache;
};
