#include "datasets/ExpressionParser.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Deeper than any filter a person writes; keeps a damaged buffer from exhausting the stack.
constexpr Integer MaxDepth = 2000;

// Whole days of 0001-01-01 and 9999-12-31, the calendar a date value may fall in.
constexpr Double FirstDay = 1 - DateDelta;
constexpr Double LastDay = 2958465;

[[noreturn]] void Incorrect() { DatabaseError(SExprIncorrect); }

bool IsBlank(const Variant& V) { return V.IsNull() || VarIsClear(V); }

// Null and unassigned count as false.
bool ToBoolean(const Variant& V) { return !IsBlank(V) && V.AsBoolean(); }

AnsiString ToText(const Variant& V) { return VarToStr(V); }

// The outcome of =, <>, LIKE or an ordering when a side is Null; false when neither is.
bool NullOutcome(Integer Op, const Variant& L, const Variant& R, bool& Result) {
    const bool LB = IsBlank(L), RB = IsBlank(R);
    if (!LB && !RB) return false;
    switch (Op) {
    case canEQ:
    case canLIKE: Result = LB && RB; break;
    case canNE: Result = !(LB && RB); break;
    default: Result = false; break;   // no order against Null
    }
    return true;
}

bool CompareValues(Integer Op, const Variant& L, const Variant& R) {
    bool Result;
    if (NullOutcome(Op, L, R, Result)) return Result;
    switch (Op) {
    case canEQ: return L == R;
    case canNE: return !(L == R);
    case canGT: return L > R;
    case canLT: return L < R;
    case canGE: return L >= R;
    case canLE: return L <= R;
    default: Incorrect();
    }
}

// Argument Index of a function: the array element, or the single value for index 0.
Variant FuncArg(const Variant& Args, Integer Index) {
    if (!Args.IsArray()) return Index == 0 ? Args : Variant();
    const Integer Low = VarArrayLowBound(Args, 1), High = VarArrayHighBound(Args, 1);
    if (Low + Index > High) return Variant();
    return Args[Low + Index];
}

bool IsNumberArg(const Variant& V) { return VarIsNumeric(V) && V.VType() != varBoolean; }

// Characters of S from Start (1-based), at most Count of them.
AnsiString CopyText(const AnsiString& S, Integer Start, Integer Count) {
    if (Start < 1) Start = 1;
    if (Count <= 0 || Start > static_cast<Integer>(S.size())) return AnsiString();
    return S.substr(static_cast<size_t>(Start - 1), static_cast<size_t>(Count));
}

}  // namespace

TExpressionParser::TExpressionParser(TDataSet* DataSet, TLikeFunc LikeFunc, TDateFunc DateFunc,
                                     const AnsiString& Text, TFilterOptions Options,
                                     TParserOptions ParserOptions) try
    : TExprParser(DataSet, Text, Options, ParserOptions),
      FLikeFunc(std::move(LikeFunc)),
      FDateFunc(std::move(DateFunc)) {
} catch (Exception& E) {
    // Same exception class, so callers still tell a parse error from a missing field.
    E.SetMessage(SCantParseFilter + E.Message());
    throw;
}

TExpressionParser::~TExpressionParser() = default;

void TExpressionParser::ClearFieldCache() { FFieldCache.clear(); }

TField* TExpressionParser::FieldByNameCached(const AnsiString& FieldName) {
    auto It = FFieldCache.find(FieldName);
    if (It != FFieldCache.end()) return It->second;
    if (!DataSet()) DatabaseErrorFmt(SFieldNotFound, {FieldName});
    TField* F = DataSet()->FieldByName(FieldName);
    FFieldCache.emplace(FieldName, F);
    return F;
}

Variant TExpressionParser::Evaluate() {
    try {
        return Variant(ToBoolean(EvaluateNode(0, 0)));
    } catch (const EVariantError&) {
        Incorrect();
    } catch (const EConvertError&) {
        Incorrect();
    }
}

bool TExpressionParser::EvaluateBoolean() { return Evaluate().AsBoolean(); }

// ---- buffer access ---------------------------------------------------------------------------

Integer TExpressionParser::NodeStart(Integer Offset) const {
    const TExprData& D = FilterData();
    const Integer At = CANExprSize + Offset;
    if (D.size() < static_cast<size_t>(CANExprSize) || At + CANHdrSize > DataSize()) Incorrect();
    return At;
}

Word TExpressionParser::Arg(Integer Node, Integer Index) const {
    const Integer At = Node + CANHdrSize + 2 * Index;
    if (At + 2 > DataSize()) Incorrect();
    Word W;
    std::memcpy(&W, FilterData().data() + At, 2);
    return W;
}

const Byte* TExpressionParser::Literal(Integer Offset, Integer Size) const {
    Word Start;
    std::memcpy(&Start, FilterData().data() + 8, 2);
    const Integer At = Start + Offset;
    if (At + Size > DataSize()) Incorrect();
    return FilterData().data() + At;
}

AnsiString TExpressionParser::LiteralText(Integer Offset) const {
    const Byte* P = Literal(Offset, 0);
    const Byte* End = FilterData().data() + DataSize();
    const Byte* Z = static_cast<const Byte*>(std::memchr(P, 0, static_cast<size_t>(End - P)));
    if (!Z) Incorrect();
    return AnsiString(reinterpret_cast<const char*>(P), static_cast<size_t>(Z - P));
}

// ---- evaluation ------------------------------------------------------------------------------

Variant TExpressionParser::EvaluateNode(Integer Offset, Integer Depth) {
    if (Depth > MaxDepth) Incorrect();
    const Integer Node = NodeStart(Offset);
    const Integer Class = FilterData()[static_cast<size_t>(Node)] & 0x7F;
    Integer Op;
    std::memcpy(&Op, FilterData().data() + Node + 4, 4);
    switch (Class) {
    case nodeUNARY: return EvaluateUnary(Node, Op, Depth + 1);
    case nodeBINARY: return EvaluateBinary(Node, Op, Depth + 1);
    case nodeCOMPARE: return EvaluateCompare(Node, Op, Depth + 1);
    case nodeFIELD:
        if (Op != canFIELD) Incorrect();
        return EvaluateField(Node);
    case nodeCONST:
        if (Op != canCONST) Incorrect();
        return EvaluateConst(Node);
    case nodeLISTELEM:
        if (Op != canLISTELEM) Incorrect();
        return EvaluateList(Node, Depth + 1);
    case nodeFUNC:
        if (Op != canFUNC) Incorrect();
        return EvaluateFunction(Node, Depth + 1);
    default: Incorrect();
    }
}

Variant TExpressionParser::EvaluateUnary(Integer Node, Integer Op, Integer Depth) {
    const Variant V = EvaluateNode(Arg(Node, 0), Depth);
    switch (Op) {
    case canISBLANK: return Variant(IsBlank(V));
    case canNOTBLANK: return Variant(!IsBlank(V));
    case canNOT: return Variant(!ToBoolean(V));
    case canMINUS: return IsBlank(V) ? Null() : -V;
    case canUPPER: return IsBlank(V) ? Null() : Variant(AnsiUpperCase(ToText(V)));
    case canLOWER: return IsBlank(V) ? Null() : Variant(AnsiLowerCase(ToText(V)));
    default: return Variant();
    }
}

Variant TExpressionParser::EvaluateBinary(Integer Node, Integer Op, Integer Depth) {
    if (Op == canAND) {
        if (!ToBoolean(EvaluateNode(Arg(Node, 0), Depth))) return Variant(false);
        return Variant(ToBoolean(EvaluateNode(Arg(Node, 1), Depth)));
    }
    if (Op == canOR) {
        if (ToBoolean(EvaluateNode(Arg(Node, 0), Depth))) return Variant(true);
        return Variant(ToBoolean(EvaluateNode(Arg(Node, 1), Depth)));
    }
    const Variant L = EvaluateNode(Arg(Node, 0), Depth);
    const Variant R = EvaluateNode(Arg(Node, 1), Depth);
    switch (Op) {
    case canEQ: case canNE: case canGT: case canLT: case canGE: case canLE:
        return Variant(CompareValues(Op, L, R));
    case canADD: return L + R;
    case canSUB: return L - R;
    case canMUL: return L * R;
    case canDIV: return L / R;
    case canMOD: case canREM: return L % R;
    case canLIKE: {
        if (!FLikeFunc) Incorrect();
        bool Result;
        if (NullOutcome(canLIKE, L, R, Result)) return Variant(Result);
        return Variant(FLikeFunc(ToText(L), ToText(R)));
    }
    case canIN: {
        if (!R.IsArray()) return Variant(CompareValues(canEQ, L, R));
        Variant Result;
        const Integer Low = VarArrayLowBound(R, 1), High = VarArrayHighBound(R, 1);
        for (Integer I = Low; I <= High; ++I) {
            const Variant E = R[I];
            if (VarIsClear(E)) break;
            const bool Match = CompareValues(canEQ, L, E);
            Result = Variant(Match);
            if (Match) break;
        }
        return Result;
    }
    case canASSIGN: return L;
    default: Incorrect();
    }
}

Variant TExpressionParser::EvaluateCompare(Integer Node, Integer Op, Integer Depth) {
    if (Op != canEQ && Op != canNE && Op != canLIKE) Incorrect();
    if (Op == canLIKE && !FLikeFunc) Incorrect();
    const bool CaseInsensitive = Arg(Node, 0) != 0;
    const Integer Partial = Arg(Node, 1);
    Variant L = EvaluateNode(Arg(Node, 2), Depth);
    Variant R = EvaluateNode(Arg(Node, 3), Depth);
    bool Result;
    if (NullOutcome(Op, L, R, Result)) return Variant(Result);
    if (CaseInsensitive) {
        L = AnsiUpperCase(ToText(L));
        R = AnsiUpperCase(ToText(R));
    }
    if (Partial != 0 && Op != canLIKE) {
        L = ToText(L).substr(0, static_cast<size_t>(Partial));
        R = ToText(R).substr(0, static_cast<size_t>(Partial));
    }
    if (Op == canLIKE) return Variant(FLikeFunc(ToText(L), ToText(R)));
    return Variant(CompareValues(Op, L, R));
}

Variant TExpressionParser::EvaluateField(Integer Node) {
    TField* F = FieldByNameCached(LiteralText(Arg(Node, 1)));
    if (F->IsNull()) return Null();
    return F->AsVariant();
}

Variant TExpressionParser::EvaluateConst(Integer Node) {
    const Integer Type = Arg(Node, 0) & 0x7F;
    const Integer Size = Arg(Node, 1);
    const Integer Offset = Arg(Node, 2);
    auto Read = [&](auto& Value) {
        std::memcpy(&Value, Literal(Offset, static_cast<Integer>(sizeof Value)), sizeof Value);
    };
    switch (Type) {
    case ftString:
    case ftFixedChar: {
        const Byte* P = Literal(Offset, Size);
        const Byte* Z = static_cast<const Byte*>(std::memchr(P, 0, static_cast<size_t>(Size)));
        return Variant(AnsiString(reinterpret_cast<const char*>(P), static_cast<size_t>(Z ? Z - P : Size)));
    }
    case ftSmallint: {
        SmallInt V;
        Read(V);
        return Variant(V);
    }
    case ftWord: {
        Word V;
        Read(V);
        return Variant(V);
    }
    case ftInteger:
    case ftAutoInc: {
        Integer V;
        Read(V);
        return Variant(V);
    }
    case ftBoolean: {
        SmallInt V;
        Read(V);
        return Variant(V != 0);
    }
    case ftFloat:
    case ftCurrency: {
        double V;
        Read(V);
        return Variant(V);
    }
    case ftBCD: {
        Int64 V;
        Read(V);
        return Variant(Currency::FromScaled(V));
    }
    case ftDate:
    case ftTime:
        return VarFromDateTime(NativeToDateTime(static_cast<TFieldType>(Type), Literal(Offset, 4)));
    case ftDateTime:
        return VarFromDateTime(NativeToDateTime(ftDateTime, Literal(Offset, 8)));
    default: Incorrect();
    }
}

Variant TExpressionParser::EvaluateList(Integer Node, Integer Depth) {
    std::vector<Variant> Values;
    // A chain of (value, next) elements; a damaged, circular chain stops at the buffer size.
    for (Integer Steps = 0;; ++Steps) {
        if (Steps > DataSize()) Incorrect();
        const Variant V = EvaluateNode(Arg(Node, 0), Depth);
        if (V.IsArray()) {
            const Integer Low = VarArrayLowBound(V, 1), High = VarArrayHighBound(V, 1);
            for (Integer I = Low; I <= High; ++I) {
                Variant E = V[I];
                if (VarIsClear(E)) break;
                Values.push_back(std::move(E));
            }
        } else {
            Values.push_back(V);
        }
        const Word Next = Arg(Node, 1);
        if (Next == 0) break;
        Node = NodeStart(Next);
        if ((FilterData()[static_cast<size_t>(Node)] & 0x7F) != nodeLISTELEM) break;
    }
    if (Values.size() < 2) {
        const Variant First = Values.empty() ? Variant() : Values[0];
        return First.IsNull() ? Null() : Variant(ToText(First));
    }
    return VarArrayOf(Values);
}

Variant TExpressionParser::EvaluateFunction(Integer Node, Integer Depth) {
    const AnsiString Name = UpperCase(LiteralText(Arg(Node, 0)));
    enum { fnDay, fnMonth, fnYear, fnHour, fnMinute, fnSecond, fnDate, fnGetDate, fnUpper, fnLower,
           fnTrim, fnTrimLeft, fnTrimRight, fnSubstring, fnNone };
    static const char* const Names[] = {"DAY", "MONTH", "YEAR", "HOUR", "MINUTE", "SECOND", "DATE",
                                        "GETDATE", "UPPER", "LOWER", "TRIM", "TRIMLEFT", "TRIMRIGHT",
                                        "SUBSTRING"};
    Integer Fn = fnNone;
    for (Integer I = 0; I < fnNone; ++I)
        if (Name == Names[I]) Fn = I;
    if (Fn == fnNone) DatabaseErrorFmt(SExprExpected, {Name});

    const Word ArgNode = Arg(Node, 1);
    const Variant Args = ArgNode ? EvaluateNode(ArgNode, Depth) : Variant();
    const Variant A0 = FuncArg(Args, 0);

    switch (Fn) {
    case fnGetDate: return VarFromDateTime(Now());
    case fnDate:
        if (Args.IsArray()) {
            if (!FDateFunc) Incorrect();
            if (IsBlank(A0)) return Null();
            return VarFromDateTime(FDateFunc(ToText(A0), ToText(FuncArg(Args, 1))));
        }
        if (IsBlank(A0)) return Null();
        {
            const Double Day = std::trunc(A0.AsDateTime());
            // A number past the calendar is no date (and no whole number of days either).
            if (!(Day >= FirstDay && Day <= LastDay)) Incorrect();
            return Variant(static_cast<Integer>(Day));
        }
    default: break;
    }

    if (IsBlank(A0)) return Null();
    switch (Fn) {
    case fnDay: case fnMonth: case fnYear: {
        Word Y, M, D;
        DecodeDate(A0.AsDateTime(), Y, M, D);
        return Variant(static_cast<Integer>(Fn == fnDay ? D : Fn == fnMonth ? M : Y));
    }
    case fnHour: case fnMinute: case fnSecond: {
        Word H, N, S, MS;
        DecodeTime(A0.AsDateTime(), H, N, S, MS);
        return Variant(static_cast<Integer>(Fn == fnHour ? H : Fn == fnMinute ? N : S));
    }
    case fnUpper: return Variant(AnsiUpperCase(ToText(A0)));
    case fnLower: return Variant(AnsiLowerCase(ToText(A0)));
    case fnTrim: return Variant(Trim(ToText(A0)));
    case fnTrimLeft: return Variant(TrimLeft(ToText(A0)));
    case fnTrimRight: return Variant(TrimRight(ToText(A0)));
    case fnSubstring: {
        const AnsiString S = ToText(A0);
        const Variant A1 = FuncArg(Args, 1);
        if (IsBlank(A1)) return Null();
        Integer Start, Count;
        if (IsNumberArg(A1)) {
            Start = A1.AsInteger();
            const Variant A2 = FuncArg(Args, 2);
            if (A2.IsNull()) return Null();
            // Without a length the rest of the text.
            Count = VarIsClear(A2) ? static_cast<Integer>(S.size()) : A2.AsInteger();
        } else {
            const AnsiString Spec = ToText(A1);
            const size_t Comma = Spec.find(',');
            if (Comma == AnsiString::npos) DatabaseErrorFmt(SExprExpected, {Name});
            Start = StrToInt(Trim(Spec.substr(0, Comma)));
            Count = StrToInt(Trim(Spec.substr(Comma + 1)));
        }
        return Variant(CopyText(S, Start, Count));
    }
    default: Incorrect();
    }
}
