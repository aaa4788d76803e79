// Feeds arbitrary bytes as a local filter to the expression parser and evaluates the
// result on every record of a small in-memory data set. A filter that cannot be parsed or
// evaluated raises EDatabaseError; nothing else may escape, crash or hang.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "datasets/ExpressionParser.h"
#include "dbclient/StrUtil.h"
#include "platform/data/MemDataSet.h"

namespace {

// Every kind of column the filter compares, one record of nulls among them.
std::unique_ptr<TMemDataSet> MakeSet() {
    auto DS = std::make_unique<TMemDataSet>();
    auto* Defs = DS->FieldDefs();
    Defs->Add("ID", ftInteger);
    Defs->Add("NAME", ftString, 20);
    Defs->Add("AGE", ftInteger);
    Defs->Add("PRICE", ftFloat);
    Defs->Add("BIRTH", ftDate);
    Defs->Add("STAMP", ftDateTime);
    Defs->Add("ACTIVE", ftBoolean);
    Defs->Add("AT", ftTime);
    Defs->Add("FEE", ftBCD, 4);
    Defs->Add("QTY", ftSmallint);
    DS->Open();
    const TDateTime Day = EncodeDate(1990, 3, 15);
    DS->AppendRecord({1, "Ahmet", 30, 10.5, VarFromDateTime(Day), VarFromDateTime(Day + EncodeTime(13, 45, 20, 0)),
                      true, VarFromDateTime(EncodeTime(8, 30, 0, 0)), Currency::FromScaled(125000), SmallInt(7)});
    DS->AppendRecord({2, Null(), Null(), Null(), Null(), Null(), Null(), Null(), Null(), Null()});
    DS->AppendRecord({3, "  %_x  ", -2147483647 - 1, -1e308, VarFromDateTime(EncodeDate(1, 1, 1)),
                      VarFromDateTime(EncodeDate(9999, 12, 31)), false, VarFromDateTime(0.0),
                      Currency::FromScaled(-922337203685477000LL), SmallInt(-32768)});
    return DS;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    if (Size < 1 || Size > 4096) return 0;
    static std::unique_ptr<TMemDataSet> DS = MakeSet();
    // The first byte chooses the filter options, the rest is the filter text.
    TFilterOptions Options;
    if (Data[0] & 1) Options.Include(foCaseInsensitive);
    if (Data[0] & 2) Options.Include(foNoPartialCompare);
    TParserOptions ParserOptions;
    if (!(Data[0] & 4)) ParserOptions.Include(poExtSyntax);
    const AnsiString Text(reinterpret_cast<const char*>(Data + 1), Size - 1);
    std::unique_ptr<TExpressionParser> Parser;
    try {
        Parser = std::make_unique<TExpressionParser>(DS.get(), SQLMaskCompare, StrToDateFmt, Text, Options,
                                                     ParserOptions);
    } catch (const EDatabaseError&) {
        return 0;
    }
    for (DS->First(); !DS->Eof(); DS->Next()) {
        try {
            Parser->EvaluateBoolean();
            Parser->Evaluate();
        } catch (const EDatabaseError&) {
        }
    }
    return 0;
}
