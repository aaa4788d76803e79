#include "platform/data/DBCommon.h"
#include "platform/Raised.h"

#include <gtest/gtest.h>

#include <cstring>

#include "MemDataSet.h"

namespace {

Word W(const TExprData& D, size_t At) {
    Word V;
    std::memcpy(&V, D.data() + At, 2);
    return V;
}

// Reads the buffer back as a readable tree, as an evaluator walks it.
AnsiString Decode(const TExprData& D, size_t Node) {
    const size_t Base = CANExprSize, Lit = W(D, 8);
    size_t At = Base + Node;
    int32_t Class, Op;
    std::memcpy(&Class, D.data() + At, 4);
    std::memcpy(&Op, D.data() + At + 4, 4);
    auto Arg = [&](int I) { return W(D, At + 8 + 2 * static_cast<size_t>(I)); };
    auto Text = [&](size_t Off) { return AnsiString(reinterpret_cast<const char*>(D.data() + Lit + Off)); };
    switch (Class) {
    case nodeUNARY: return "(u" + IntToStr(Op) + " " + Decode(D, Arg(0)) + ")";
    case nodeBINARY: return "(b" + IntToStr(Op) + " " + Decode(D, Arg(0)) + " " + Decode(D, Arg(1)) + ")";
    case nodeCOMPARE:
        return "(c" + IntToStr(Op) + (Arg(0) ? "i" : "") + ":" + IntToStr(Arg(1)) + " " + Decode(D, Arg(2)) + " " +
               Decode(D, Arg(3)) + ")";
    case nodeFIELD: return Text(Arg(1)) + "#" + IntToStr(Arg(0));
    case nodeCONST: {
        const Byte* V = D.data() + Lit + Arg(2);
        switch (Arg(0)) {
        case ftString: return "'" + AnsiString(reinterpret_cast<const char*>(V)) + "'";
        case ftInteger: { Integer I; std::memcpy(&I, V, 4); return IntToStr(I); }
        case ftFloat: { double F; std::memcpy(&F, V, 8); return "f" + FloatToStr(F); }
        case ftBoolean: { int16_t B; std::memcpy(&B, V, 2); return B ? "true" : "false"; }
        case ftDate: { Integer I; std::memcpy(&I, V, 4); return "d" + IntToStr(I); }
        case ftDateTime: { double F; std::memcpy(&F, V, 8); return "ts" + FormatFloat("0", F); }
        default: return "?";
        }
    }
    case nodeFUNC: return "(" + Text(Arg(0)) + (Arg(1) ? " " + Decode(D, Arg(1)) : "") + ")";
    case nodeLISTELEM: {
        AnsiString S = "[" + Decode(D, Arg(0));
        for (Word Next = Arg(1); Next;) {
            size_t N = Base + Next;
            S += " " + Decode(D, W(D, N + 8));
            Next = W(D, N + 10);
        }
        return S + "]";
    }
    default: return "?";
    }
}

AnsiString Parse(const AnsiString& Text, TFilterOptions Options = {}, TDataSet* DS = nullptr) {
    TExprParser P(DS, Text, Options);
    const TExprData& D = P.FilterData();
    EXPECT_EQ(W(D, 0), 2);
    EXPECT_EQ(W(D, 2), D.size());
    EXPECT_EQ(W(D, 6), CANExprSize);
    return Decode(D, 0);
}

AnsiString ErrorOf(const AnsiString& Text, TDataSet* DS = nullptr) {
    return MessageOf<EDatabaseError>([&] { TExprParser P(DS, Text, {}); });
}

}  // namespace

TEST(ExprParser, BuildsTheNodeFormat) {
    struct Case { const char* Text; const char* Tree; };
    const Case Cases[] = {
        {"A = 'X'", "(b3 A#0 'X')"},
        {"A <> 1 and B > 2.5", "(b10 (b4 A#0 1) (b5 B#0 f2,5))"},
        {"A < 1 or B >= 2 and not C <= 3", "(b11 (b6 A#0 1) (b10 (b7 B#0 2) (u9 (b8 C#0 3))))"},
        {"A is null", "(u1 A#0)"},
        {"A is not null", "(u2 A#0)"},
        {"A = null", "(u1 A#0)"},
        {"A <> NULL", "(u2 A#0)"},
        {"A like 'a%_'", "(b30 A#0 'a%_')"},
        {"A not like 'x%'", "(u9 (b30 A#0 'x%'))"},
        {"A in (1, 2, 3)", "(b31 A#0 [1 2 3])"},
        {"A in ('x')", "(b31 A#0 ['x'])"},
        {"-A + B * (C - 2) / 4", "(b16 (u15 A#0) (b19 (b18 B#0 (b17 C#0 2)) 4))"},
        {"upper(A) = 'X'", "(b3 (u33 A#0) 'X')"},
        {"lower([my field]) = \"other\"", "(b3 (u34 my field#0) other#0)"},
        {"substring(A, 2, 3) = 'bc'", "(b3 (SUBSTRING [A#0 2 3]) 'bc')"},
        {"year(D) = 2016", "(b3 (YEAR D#0) 2016)"},
        {"trim(upper(A)) = 'X'", "(b3 (TRIM (u33 A#0)) 'X')"},
        {"getdate() > D", "(b5 (GETDATE) D#0)"},
        {"date('05.03.2016', 'dd.mm.yyyy') = D", "(b3 (DATE ['05.03.2016' 'dd.mm.yyyy']) D#0)"},
        {"substring(A, '2,3') = 'bcd'", "(b3 (SUBSTRING [A#0 '2,3']) 'bcd')"},
        {"A = 'it''s'", "(b3 A#0 'it's')"},
        {"A = 3000000000", "(b3 A#0 f3000000000)"},
    };
    for (const Case& C : Cases) EXPECT_EQ(Parse(C.Text), C.Tree) << C.Text;
}

TEST(ExprParser, CompareNodesCarryCaseAndPartialLength) {
    EXPECT_EQ(Parse("A = 'abc*'"), "(c3:3 A#0 'abc')");
    EXPECT_EQ(Parse("A = 'abc*'", {foNoPartialCompare}), "(b3 A#0 'abc*')");
    EXPECT_EQ(Parse("A = 'x'", {foCaseInsensitive}), "(c3i:0 A#0 'x')");
    EXPECT_EQ(Parse("A like 'x%'", {foCaseInsensitive}), "(c30i:0 A#0 'x%')");
    EXPECT_EQ(Parse("A > 'x'", {foCaseInsensitive}), "(b5 A#0 'x')");
}

TEST(ExprParser, TextConstantsTakeTheTypeOfTheirField) {
    TFormatSettingsGuard Guard(TurkishFormatSettings());
    TMemDataSet DS;
    DS.FieldDefs()->Add("NAME", ftString, 10);
    DS.FieldDefs()->Add("DAY", ftDate);
    DS.FieldDefs()->Add("AMOUNT", ftFloat);
    DS.FieldDefs()->Add("FLAG", ftBoolean);
    DS.Open();
    EXPECT_EQ(Parse("name = 'A'", {}, &DS), "(b3 NAME#1 'A')");
    Integer Day = DateTimeToTimeStamp(EncodeDate(2016, 3, 5)).Date;
    EXPECT_EQ(Parse("DAY >= '05.03.2016'", {}, &DS), "(b7 DAY#2 d" + IntToStr(Day) + ")");
    EXPECT_EQ(Parse("AMOUNT = '12,5'", {}, &DS), "(b3 AMOUNT#3 f12,5)");
    EXPECT_EQ(Parse("FLAG = 'true'", {}, &DS), "(b3 FLAG#4 true)");
    EXPECT_EQ(Parse("DAY in ('05.03.2016')", {}, &DS), "(b31 DAY#2 [d" + IntToStr(Day) + "])");
    EXPECT_EQ(ErrorOf("MISSING = 1", &DS), "Field 'MISSING' not found");
}

TEST(ExprParser, ReportsMalformedTexts) {
    struct Case { const char* Text; const char* Error; };
    const Case Cases[] = {
        {"", "Expression expected but nothing found"}, {"A = 'abc", "Unterminated string constant"},
        {"[A = 1", "Unterminated field name"}, {"A = 1 )", "Filter expression incorrectly terminated"},
        {"A = ;", "Invalid filter expression character: ';'"}, {"(A = 1", "')' expected but nothing found"},
        {"A in (1 2)", "')' or ',' expected but '2' found"}, {"A in 1", "'(' expected but '1' found"},
        {"A > null", "NULL only allowed with '=' and '<>'"}, {"A = ", "Expression expected but nothing found"},
        {"A is 1", "Expression expected but '1' found"},
    };
    for (const Case& C : Cases) EXPECT_EQ(ErrorOf(C.Text), C.Error) << C.Text;
}

namespace {

// Walks the node area in order, checking what an evaluator relies on: node arguments point
// forward (no walk can loop back to the root), literals lie inside the literal area, and every
// constant's size matches its type.
void CheckLayout(const TExprData& D) {
    const size_t Base = CANExprSize, Lit = W(D, 8);
    ASSERT_LE(Lit, D.size());
    size_t At = Base;
    Integer Count = 0;
    auto NodeArg = [&](size_t Node, int I) {
        Word V = W(D, Node + 8 + 2 * static_cast<size_t>(I));
        EXPECT_GT(V, Node - Base) << "argument " << I << " of node at " << Node - Base;
        EXPECT_LT(Base + V, Lit);
    };
    while (At < Lit) {
        int32_t Class, Op;
        std::memcpy(&Class, D.data() + At, 4);
        std::memcpy(&Op, D.data() + At + 4, 4);
        ++Count;
        size_t Args = 0;
        switch (Class) {
        case nodeUNARY: Args = 1; NodeArg(At, 0); break;
        case nodeBINARY: Args = 2; NodeArg(At, 0); NodeArg(At, 1); break;
        case nodeCOMPARE: Args = 4; NodeArg(At, 2); NodeArg(At, 3); break;
        case nodeFIELD:
            Args = 2;
            EXPECT_EQ(Op, canFIELD);
            EXPECT_LT(Lit + W(D, At + 10), D.size());
            break;
        case nodeCONST: {
            Args = 3;
            EXPECT_EQ(Op, canCONST);
            const Word Type = W(D, At + 8), Size = W(D, At + 10);
            const size_t Expected[] = {0, 0, 2, 4, 2, 2, 8, 8, 8, 4, 4, 8};
            if (Type == ftString) {
                EXPECT_EQ(D[Lit + W(D, At + 12) + Size - 1], 0);
            } else if (Type < 12) {
                EXPECT_EQ(Size, Expected[Type]) << "type " << Type;
            }
            EXPECT_LE(Lit + W(D, At + 12) + Size, D.size());
            break;
        }
        case nodeFUNC:
            Args = 2;
            EXPECT_EQ(Op, canFUNC);
            if (W(D, At + 10)) NodeArg(At, 1);
            break;
        case nodeLISTELEM:
            Args = 2;
            EXPECT_EQ(Op, canLISTELEM);
            NodeArg(At, 0);
            if (W(D, At + 10)) NodeArg(At, 1);
            break;
        default: ADD_FAILURE() << "node class " << Class;
            return;
        }
        At += CANHdrSize + 2 * Args;
    }
    EXPECT_EQ(At, Lit);
    EXPECT_EQ(W(D, 4), Count);
}

}  // namespace

TEST(ExprParser, NestingAndTreeDepthAreBounded) {
    auto Repeat = [](const char* Part, Integer Times) {
        AnsiString S;
        for (Integer I = 0; I < Times; ++I) S += Part;
        return S;
    };
    // Deep enough to run the stack out before the text is read, or to build a tree too deep to walk.
    const AnsiString Refused[] = {
        Repeat("(", 100000) + "1 = 1" + Repeat(")", 100000),
        Repeat("not ", 100000) + "A = 1",
        "A = " + Repeat("-", 100000) + "1",
        "A = 1" + Repeat(" + 1", 100000),
        Repeat("A = 1 or ", 100000) + "A = 2",
        "A in (" + Repeat("1, ", 100000) + "1)",
        "A = " + Repeat("UPPER(", 3000) + "'x'" + Repeat(")", 3000),
    };
    for (const AnsiString& Text : Refused) EXPECT_EQ(ErrorOf(Text), SExprIncorrect) << Text.substr(0, 40);
    // What a person writes stays well inside.
    const AnsiString Accepted[] = {
        Repeat("(", 100) + "A = 1" + Repeat(")", 100),
        "A = " + Repeat("UPPER(", 100) + "'x'" + Repeat(")", 100),
        Repeat("not ", 200) + "A = 1",
        Repeat("A = 1 or ", 1000) + "A = 2",
        "A in (" + Repeat("1, ", 1000) + "1)",
    };
    for (const AnsiString& Text : Accepted) EXPECT_EQ(ErrorOf(Text), "") << Text.substr(0, 40);
}

TEST(ExprParser, NodesOnlyPointForwardAndConstantsHaveTheirSizes) {
    TFormatSettingsGuard Guard(TurkishFormatSettings());
    TMemDataSet DS;
    DS.FieldDefs()->Add("NAME", ftString, 10);
    DS.FieldDefs()->Add("DAY", ftDate);
    DS.FieldDefs()->Add("AT", ftDateTime);
    DS.FieldDefs()->Add("FLAG", ftBoolean);
    DS.FieldDefs()->Add("N", ftInteger);
    DS.Open();
    const char* Texts[] = {
        "NAME = 'abc*' and not (N in (1, 2, 3) or N is null)",
        "DAY >= '05.03.2016' and AT < '05.03.2016 10:00:00' and FLAG = 'false'",
        "upper(NAME) like 'A%' or substring(NAME, 2, 3) = 'bc' and year(DAY) = 2016",
        "-N * 2.5 + N / 3 - 4 > 0 or getdate() > AT",
        "NAME in ('x')",
    };
    for (const char* T : Texts) {
        SCOPED_TRACE(T);
        TExprParser P(&DS, T, {foCaseInsensitive});
        CheckLayout(P.FilterData());
    }
}
