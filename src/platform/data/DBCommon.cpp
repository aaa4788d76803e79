#include "platform/data/DBCommon.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace {

enum TTokenKind { tkEnd, tkName, tkString, tkNumber, tkSymbol };

struct TToken {
    TTokenKind Kind = tkEnd;
    AnsiString Text;      // name, string value, number text or symbol
    bool Quoted = false;  // a name written in [] or ""
};

struct TNode;
using PNode = std::unique_ptr<TNode>;

// Deeper than any filter a person writes. The parser's recursion (a bracket or a
// function call takes one or two levels, each several calls deep) and the depth
// of the tree, which is written, freed and evaluated recursively.
constexpr Integer MaxNesting = 256;
constexpr Integer MaxDepth = 2000;

struct TNode {
    TCANNodeClass Class = nodeNULL;
    TCANOperator Op = canNOTDEFINED;
    PNode Left, Right;                 // operands, or value and next for a list element
    Integer Depth = 1;                 // levels of the tree from here down
    bool CaseInsensitive = false;
    Integer PartialLen = 0;
    // Field
    AnsiString Name;
    Integer FieldNo = 0;
    TField* Field = nullptr;
    // Constant
    TFieldType Type = ftUnknown;
    std::vector<Byte> Value;
};

PNode MakeNode(TCANNodeClass Class, TCANOperator Op, PNode L = nullptr, PNode R = nullptr) {
    auto N = std::make_unique<TNode>();
    N->Class = Class;
    N->Op = Op;
    N->Left = std::move(L);
    N->Right = std::move(R);
    N->Depth = 1 + std::max(N->Left ? N->Left->Depth : 0, N->Right ? N->Right->Depth : 0);
    if (N->Depth > MaxDepth) DatabaseError(SExprIncorrect);
    return N;
}

template <class T>
std::vector<Byte> Bytes(T V) {
    std::vector<Byte> B(sizeof V);
    std::memcpy(B.data(), &V, sizeof V);
    return B;
}

PNode StringConst(const AnsiString& S) {
    auto N = MakeNode(nodeCONST, canCONST);
    N->Type = ftString;
    N->Value.assign(S.begin(), S.end());
    N->Value.push_back(0);
    return N;
}

bool IsNameStart(char C) {
    unsigned char U = static_cast<unsigned char>(C);
    return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '_' || U >= 0x80;
}

bool IsNameChar(char C) { return IsNameStart(C) || (C >= '0' && C <= '9') || C == '$' || C == '#' || C == '.'; }

class TParser {
public:
    TParser(TDataSet* DataSet, const AnsiString& Text, TFilterOptions Options)
        : FDataSet(DataSet), FText(Text), FOptions(Options) {
        Next();
    }

    PNode ParseAll() {
        if (FTok.Kind == tkEnd) Error(SExprExpected, TokenName());
        PNode Root = ParseOr();
        if (FTok.Kind != tkEnd) DatabaseError(SExprTermination);
        return Root;
    }

private:
    [[noreturn]] void Error(const char* Msg, const AnsiString& Arg) { DatabaseErrorFmt(Msg, {Arg}); }

    AnsiString TokenName() const {
        if (FTok.Kind == tkEnd) return SExprNothing;
        if (FTok.Kind == tkString) return QuotedStr(FTok.Text);
        return "'" + FTok.Text + "'";
    }

    // One more level of the recursive descent; too many raise before the stack runs out.
    class TNesting {
    public:
        explicit TNesting(Integer& Depth) : FDepth(Depth) {
            if (FDepth >= MaxNesting) DatabaseError(SExprIncorrect);
            ++FDepth;
        }
        ~TNesting() { --FDepth; }
        TNesting(const TNesting&) = delete;
        TNesting& operator=(const TNesting&) = delete;

    private:
        Integer& FDepth;
    };

    bool IsSymbol(const char* S) const { return FTok.Kind == tkSymbol && FTok.Text == S; }
    bool IsKeyword(const char* K) const { return FTok.Kind == tkName && !FTok.Quoted && SameText(FTok.Text, K); }

    void Next() {
        const size_t N = FText.size();
        while (FPos < N && static_cast<unsigned char>(FText[FPos]) <= ' ') ++FPos;
        FTok = TToken();
        if (FPos >= N) return;
        char C = FText[FPos];
        if (C == '\'') {
            AnsiString S;
            ++FPos;
            for (;;) {
                if (FPos >= N) DatabaseError(SExprStringError);
                if (FText[FPos] == '\'') {
                    if (FPos + 1 < N && FText[FPos + 1] == '\'') {
                        S += '\'';
                        FPos += 2;
                        continue;
                    }
                    ++FPos;
                    break;
                }
                S += FText[FPos++];
            }
            FTok.Kind = tkString;
            FTok.Text = S;
        } else if (C == '[' || C == '"') {
            char Close = C == '[' ? ']' : '"';
            size_t End = FText.find(Close, FPos + 1);
            if (End == AnsiString::npos) DatabaseError(SExprNameError);
            FTok.Kind = tkName;
            FTok.Quoted = true;
            FTok.Text = FText.substr(FPos + 1, End - FPos - 1);
            FPos = End + 1;
        } else if (IsNameStart(C)) {
            size_t Start = FPos;
            while (FPos < N && IsNameChar(FText[FPos])) ++FPos;
            FTok.Kind = tkName;
            FTok.Text = FText.substr(Start, FPos - Start);
        } else if ((C >= '0' && C <= '9') || (C == '.' && FPos + 1 < N && FText[FPos + 1] >= '0' && FText[FPos + 1] <= '9')) {
            size_t Start = FPos;
            while (FPos < N && ((FText[FPos] >= '0' && FText[FPos] <= '9') || FText[FPos] == '.')) ++FPos;
            if (FPos < N && (FText[FPos] == 'e' || FText[FPos] == 'E')) {
                ++FPos;
                if (FPos < N && (FText[FPos] == '+' || FText[FPos] == '-')) ++FPos;
                while (FPos < N && FText[FPos] >= '0' && FText[FPos] <= '9') ++FPos;
            }
            FTok.Kind = tkNumber;
            FTok.Text = FText.substr(Start, FPos - Start);
        } else {
            static const char* const Two[] = {"<>", "<=", ">=", "!="};
            for (const char* T : Two)
                if (FText.compare(FPos, 2, T) == 0) {
                    FTok.Kind = tkSymbol;
                    FTok.Text = std::strcmp(T, "!=") == 0 ? "<>" : T;
                    FPos += 2;
                    return;
                }
            if (std::strchr("=<>()+-*/,", C) && C) {
                FTok.Kind = tkSymbol;
                FTok.Text = AnsiString(1, C);
                ++FPos;
                return;
            }
            Error(SExprInvalidChar, AnsiString(1, C));
        }
    }

    PNode ParseOr() {
        PNode L = ParseAnd();
        while (IsKeyword("OR")) {
            Next();
            L = MakeNode(nodeBINARY, canOR, std::move(L), ParseAnd());
        }
        return L;
    }

    PNode ParseAnd() {
        PNode L = ParseNot();
        while (IsKeyword("AND")) {
            Next();
            L = MakeNode(nodeBINARY, canAND, std::move(L), ParseNot());
        }
        return L;
    }

    PNode ParseNot() {
        const TNesting Level(FNesting);
        if (IsKeyword("NOT")) {
            Next();
            return MakeNode(nodeUNARY, canNOT, ParseNot());
        }
        return ParseCompare();
    }

    PNode ParseCompare() {
        PNode L = ParseAdd();
        static const struct { const char* Sym; TCANOperator Op; } Ops[] = {
            {"=", canEQ}, {"<>", canNE}, {"<", canLT}, {">", canGT}, {"<=", canLE}, {">=", canGE}};
        for (const auto& O : Ops)
            if (IsSymbol(O.Sym)) {
                Next();
                if (IsKeyword("NULL")) {
                    if (O.Op != canEQ && O.Op != canNE) DatabaseError(SExprBadNullTest);
                    Next();
                    return MakeNode(nodeUNARY, O.Op == canEQ ? canISBLANK : canNOTBLANK, std::move(L));
                }
                return MakeCompare(O.Op, std::move(L), ParseAdd());
            }
        if (IsKeyword("IS")) {
            Next();
            bool Negate = false;
            if (IsKeyword("NOT")) {
                Negate = true;
                Next();
            }
            if (!IsKeyword("NULL")) Error(SExprExpected, TokenName());
            Next();
            return MakeNode(nodeUNARY, Negate ? canNOTBLANK : canISBLANK, std::move(L));
        }
        bool Negate = false;
        if (IsKeyword("NOT")) {
            Negate = true;
            Next();
            if (!IsKeyword("LIKE") && !IsKeyword("IN")) Error(SExprExpected, TokenName());
        }
        PNode Result;
        if (IsKeyword("LIKE")) {
            Next();
            Result = MakeCompare(canLIKE, std::move(L), ParseAdd());
        } else if (IsKeyword("IN")) {
            Next();
            if (!IsSymbol("(")) Error(SExprNoLParen, TokenName());
            Next();
            PNode List = ParseList(L.get());
            Result = MakeNode(nodeBINARY, canIN, std::move(L), std::move(List));
        } else
            return L;
        return Negate ? MakeNode(nodeUNARY, canNOT, std::move(Result)) : std::move(Result);
    }

    // Values up to ")" as a chain of list elements; the opening "(" is already read.
    PNode ParseList(TNode* Against) {
        std::vector<PNode> Values;
        for (;;) {
            PNode V = ParseAdd();
            if (Against) ConvertTo(Against, V.get());
            Values.push_back(std::move(V));
            if (IsSymbol(",")) {
                Next();
                continue;
            }
            if (!IsSymbol(")")) Error(SExprNoRParenOrComma, TokenName());
            Next();
            break;
        }
        PNode Chain;
        for (auto It = Values.rbegin(); It != Values.rend(); ++It)
            Chain = MakeNode(nodeLISTELEM, canLISTELEM, std::move(*It), std::move(Chain));
        return Chain;
    }

    PNode ParseAdd() {
        PNode L = ParseMul();
        for (;;) {
            if (IsSymbol("+")) {
                Next();
                L = MakeNode(nodeBINARY, canADD, std::move(L), ParseMul());
            } else if (IsSymbol("-")) {
                Next();
                L = MakeNode(nodeBINARY, canSUB, std::move(L), ParseMul());
            } else
                return L;
        }
    }

    PNode ParseMul() {
        PNode L = ParseUnary();
        for (;;) {
            if (IsSymbol("*")) {
                Next();
                L = MakeNode(nodeBINARY, canMUL, std::move(L), ParseUnary());
            } else if (IsSymbol("/")) {
                Next();
                L = MakeNode(nodeBINARY, canDIV, std::move(L), ParseUnary());
            } else
                return L;
        }
    }

    PNode ParseUnary() {
        const TNesting Level(FNesting);
        if (IsSymbol("-")) {
            Next();
            return MakeNode(nodeUNARY, canMINUS, ParseUnary());
        }
        if (IsSymbol("+")) {
            Next();
            return ParseUnary();
        }
        return ParsePrimary();
    }

    PNode ParsePrimary() {
        switch (FTok.Kind) {
        case tkString: {
            PNode N = StringConst(FTok.Text);
            Next();
            return N;
        }
        case tkNumber: {
            PNode N = NumberConst(FTok.Text);
            Next();
            return N;
        }
        case tkSymbol:
            if (IsSymbol("(")) {
                Next();
                PNode N = ParseOr();
                if (!IsSymbol(")")) Error(SExprNoRParen, TokenName());
                Next();
                return N;
            }
            Error(SExprExpected, TokenName());
        case tkName: {
            AnsiString Name = FTok.Text;
            bool Quoted = FTok.Quoted;
            Next();
            if (!Quoted && IsSymbol("(")) return ParseFunction(Name);
            return FieldNode(Name);
        }
        case tkEnd:
        default:
            Error(SExprExpected, TokenName());
        }
    }

    PNode ParseFunction(const AnsiString& Name) {
        Next();   // "("
        AnsiString Upper = UpperCase(Name);
        PNode Args;
        if (!IsSymbol(")"))
            Args = ParseList(nullptr);
        else
            Next();
        if (Upper == "UPPER" || Upper == "LOWER") {
            if (!Args || Args->Right) Error(SExprExpected, "','");
            return MakeNode(nodeUNARY, Upper == "UPPER" ? canUPPER : canLOWER, std::move(Args->Left));
        }
        // A single argument is given as itself: a list of one would reach the function as text.
        if (Args && !Args->Right) Args = std::move(Args->Left);
        auto N = MakeNode(nodeFUNC, canFUNC, std::move(Args));
        N->Name = Upper;
        return N;
    }

    PNode FieldNode(const AnsiString& Name) {
        auto N = MakeNode(nodeFIELD, canFIELD);
        N->Name = Name;
        if (FDataSet) {
            TField* F = FDataSet->FieldByName(Name);
            N->Field = F;
            N->Name = F->FieldName();
            N->FieldNo = F->FieldNo() > 0 ? F->FieldNo() : F->Index() + 1;
        }
        return N;
    }

    PNode NumberConst(const AnsiString& Text) {
        auto N = MakeNode(nodeCONST, canCONST);
        bool IsInt = Text.find_first_of(".eE") == AnsiString::npos;
        Int64 I = 0;
        if (IsInt && TryStrToInt64(Text, I) && I >= INT32_MIN && I <= INT32_MAX) {
            N->Type = ftInteger;
            N->Value = Bytes(static_cast<Integer>(I));
            return N;
        }
        TFormatSettings Dot = FormatSettings;
        Dot.DecimalSeparator = '.';
        Extended V;
        if (!TryStrToFloat(Text, V, Dot) || !std::isfinite(static_cast<double>(V))) DatabaseError(SExprRangeError);
        N->Type = ftFloat;
        N->Value = Bytes(static_cast<double>(V));
        return N;
    }

    // A text constant against a typed field takes the field's type.
    void ConvertTo(const TNode* FieldSide, TNode* C) {
        if (FieldSide->Class != nodeFIELD || !FieldSide->Field || C->Class != nodeCONST || C->Type != ftString)
            return;
        AnsiString S(reinterpret_cast<const char*>(C->Value.data()));
        TFieldType T = FieldSide->Field->DataType();
        TDateTime D;
        Extended X;
        Int64 I;
        switch (T) {
        case ftDate:
            if (!TryStrToDate(S, D)) return;
            C->Value = Bytes(DateTimeToTimeStamp(D).Date);
            break;
        case ftTime:
            if (!TryStrToTime(S, D)) return;
            C->Value = Bytes(DateTimeToTimeStamp(D).Time);
            break;
        case ftDateTime:
            if (!TryStrToDateTime(S, D)) return;
            C->Value = Bytes(TimeStampToMSecs(DateTimeToTimeStamp(D)));
            break;
        case ftSmallint: case ftInteger: case ftWord: case ftAutoInc:
            if (!TryStrToInt64(S, I) || I < INT32_MIN || I > INT32_MAX) return;
            T = ftInteger;
            C->Value = Bytes(static_cast<Integer>(I));
            break;
        case ftFloat: case ftCurrency: case ftBCD: case ftLargeint:
            if (!TryStrToFloat(S, X)) return;
            T = ftFloat;
            C->Value = Bytes(static_cast<double>(X));
            break;
        case ftBoolean: {
            int16_t B;
            if (SameText(S, STextTrue)) B = 1;
            else if (SameText(S, STextFalse)) B = 0;
            else return;
            C->Value = Bytes(B);
            break;
        }
        default:
            return;
        }
        C->Type = T;
    }

    static bool IsTextSide(const TNode* N) {
        if (N->Class == nodeCONST) return N->Type == ftString;
        if (N->Class == nodeFIELD && N->Field) {
            TFieldType T = N->Field->DataType();
            return T == ftString || T == ftFixedChar || T == ftWideString || T == ftMemo || T == ftGuid;
        }
        return N->Class == nodeFIELD;
    }

    PNode MakeCompare(TCANOperator Op, PNode L, PNode R) {
        if (Op != canLIKE) {
            ConvertTo(L.get(), R.get());
            ConvertTo(R.get(), L.get());
        }
        bool Text = IsTextSide(L.get()) || IsTextSide(R.get());
        bool CaseInsensitive = Text && FOptions.Contains(foCaseInsensitive);
        Integer Partial = 0;
        if (Text && (Op == canEQ || Op == canNE) && !FOptions.Contains(foNoPartialCompare)) {
            // 'abc*' compares the leading characters only.
            for (TNode* N : {R.get(), L.get()})
                if (N->Class == nodeCONST && N->Type == ftString && N->Value.size() >= 2 &&
                    N->Value[N->Value.size() - 2] == '*') {
                    N->Value.erase(N->Value.end() - 2);
                    Partial = static_cast<Integer>(N->Value.size()) - 1;
                    break;
                }
        }
        if ((Op == canEQ || Op == canNE || Op == canLIKE) && (CaseInsensitive || Partial > 0)) {
            auto N = MakeNode(nodeCOMPARE, Op, std::move(L), std::move(R));
            N->CaseInsensitive = CaseInsensitive;
            N->PartialLen = Partial;
            return N;
        }
        return MakeNode(nodeBINARY, Op, std::move(L), std::move(R));
    }

    TDataSet* FDataSet;
    AnsiString FText;
    TFilterOptions FOptions;
    size_t FPos = 0;
    TToken FTok;
    Integer FNesting = 0;
};

// Writes the tree into the node and literal areas.
class TWriter {
public:
    TExprData Write(const TNode* Root) {
        Put(Root);
        TExprData Result(static_cast<size_t>(CANExprSize), 0);
        Result.insert(Result.end(), FNodes.begin(), FNodes.end());
        Word LiteralStart = static_cast<Word>(Result.size());
        Result.insert(Result.end(), FLiterals.begin(), FLiterals.end());
        if (Result.size() > 0xFFFF) DatabaseError(SExprIncorrect);
        SetWord(Result, 0, 2);
        SetWord(Result, 2, static_cast<Word>(Result.size()));
        SetWord(Result, 4, static_cast<Word>(FCount));
        SetWord(Result, 6, static_cast<Word>(CANExprSize));
        SetWord(Result, 8, LiteralStart);
        return Result;
    }

private:
    static void SetWord(std::vector<Byte>& B, size_t At, Word V) { std::memcpy(B.data() + At, &V, 2); }

    size_t NewNode(TCANNodeClass Class, TCANOperator Op, Integer ArgCount) {
        size_t At = FNodes.size();
        if (At > 0xFFFF) DatabaseError(SExprIncorrect);
        FNodes.resize(At + CANHdrSize + 2 * static_cast<size_t>(ArgCount), 0);
        int32_t C = Class, O = Op;
        std::memcpy(FNodes.data() + At, &C, 4);
        std::memcpy(FNodes.data() + At + 4, &O, 4);
        ++FCount;
        return At;
    }

    void SetArg(size_t Node, Integer Index, size_t Value) {
        if (Value > 0xFFFF) DatabaseError(SExprIncorrect);
        SetWord(FNodes, Node + CANHdrSize + 2 * static_cast<size_t>(Index), static_cast<Word>(Value));
    }

    size_t PutLiteral(const void* Data, size_t Size) {
        size_t At = FLiterals.size();
        FLiterals.insert(FLiterals.end(), static_cast<const Byte*>(Data), static_cast<const Byte*>(Data) + Size);
        return At;
    }

    size_t PutText(const AnsiString& S) { return PutLiteral(S.c_str(), S.size() + 1); }

    size_t Put(const TNode* N) {
        switch (N->Class) {
        case nodeUNARY: {
            size_t At = NewNode(nodeUNARY, N->Op, 1);
            SetArg(At, 0, Put(N->Left.get()));
            return At;
        }
        case nodeBINARY: {
            size_t At = NewNode(nodeBINARY, N->Op, 2);
            SetArg(At, 0, Put(N->Left.get()));
            SetArg(At, 1, Put(N->Right.get()));
            return At;
        }
        case nodeCOMPARE: {
            size_t At = NewNode(nodeCOMPARE, N->Op, 4);
            SetArg(At, 0, N->CaseInsensitive ? 1 : 0);
            SetArg(At, 1, static_cast<size_t>(N->PartialLen));
            SetArg(At, 2, Put(N->Left.get()));
            SetArg(At, 3, Put(N->Right.get()));
            return At;
        }
        case nodeFIELD: {
            size_t At = NewNode(nodeFIELD, canFIELD, 2);
            SetArg(At, 0, static_cast<size_t>(N->FieldNo));
            SetArg(At, 1, PutText(N->Name));
            return At;
        }
        case nodeCONST: {
            size_t At = NewNode(nodeCONST, canCONST, 3);
            SetArg(At, 0, static_cast<size_t>(N->Type));
            SetArg(At, 1, N->Value.size());
            SetArg(At, 2, PutLiteral(N->Value.data(), N->Value.size()));
            return At;
        }
        case nodeFUNC: {
            size_t At = NewNode(nodeFUNC, canFUNC, 2);
            SetArg(At, 0, PutText(N->Name));
            SetArg(At, 1, N->Left ? Put(N->Left.get()) : 0);
            return At;
        }
        case nodeLISTELEM: {
            size_t At = NewNode(nodeLISTELEM, canLISTELEM, 2);
            SetArg(At, 0, Put(N->Left.get()));
            SetArg(At, 1, N->Right ? Put(N->Right.get()) : 0);
            return At;
        }
        default:
            DatabaseError(SExprIncorrect);
        }
    }

    std::vector<Byte> FNodes;
    std::vector<Byte> FLiterals;
    Integer FCount = 0;
};

}  // namespace

TExprParser::TExprParser(TDataSet* DataSet, const AnsiString& Text, TFilterOptions Options,
                         TParserOptions ParserOptions)
    : FDataSet(DataSet), FText(Text), FOptions(Options), FParserOptions(ParserOptions) {
    TParser P(DataSet, Text, Options);
    PNode Root = P.ParseAll();
    FFilterData = TWriter().Write(Root.get());
}

TExprParser::~TExprParser() = default;
