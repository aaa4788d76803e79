// The editor law: an editor opened and closed without a change leaves every cell as it
// was, whatever the editor, the cell and the way the edit ends; and a value typed while the
// program changes rows or columns goes into its own cell, checked there.
#include "GridTestKit.h"

#include "grid/ExtGridEditors.h"
#include "grid/ExtGridLink.h"
#include "grid/ExtUtil.h"
#include "platform/rtl/CodePage.h"
#include "platform/ui/Clipbrd.h"
#include "platform/ui/UiTestKit.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

using namespace uitest;

namespace {

using TSnapshot = std::vector<std::vector<AnsiString>>;   // by real row, then column

TSnapshot Snap(TExtStringGrid* G) {
    TSnapshot S;
    for (Integer R = 0; R < G->AllRowCount(); ++R) {
        S.emplace_back();
        for (Integer C = 0; C < G->ColCount(); ++C) S.back().push_back(G->AllCells(C, R));
    }
    return S;
}

// A grid of 5 x 9 whose cell (2, 3) is edited; column 2 opens the editor under test.
struct TLawGrid : gridtest::TEditingGrid {
    explicit TLawGrid(TEditorType E) : TEditingGrid(5, 9) {
        Options({goTabs});
        for (Integer R = 0; R < 9; ++R)
            for (Integer C = 0; C < 5; ++C) Grid->SetCells(C, R, "r" + IntToStr(R) + "c" + IntToStr(C));
        Grid->OnGetEditorType = [E](TObject*, Integer ACol, Integer, TEditorType& AEditor) {
            if (ACol == 2) AEditor = E;
        };
        for (const char* I : {"bir", "iki"}) Grid->Combobox()->Items()->Add(I);
        for (const char16_t* I : {u"bir", u"\u0416"}) Grid->UniCombo()->Items()->Add(I);
    }
    void Open(Integer ACol, Integer ARow) {
        Grid->SetCol(ACol);
        Grid->SetRow(ARow);
        Key(Qt::Key_F2);
        Settle();
    }
    bool Editing() const { return Grid->EditorMode() || Grid->ActiveEditorControl(); }
};

// Every editor kind but the edit link, which stores what its application gives it.
std::vector<TEditorType> LawEditors() {
    std::vector<TEditorType> E;
    for (Integer I = edNormal; I <= edUniMemo; ++I)
        if (I != edCustom) E.push_back(TEditorType(I));
    return E;
}

struct TCellKind {
    const char* Name;
    std::function<void(TExtStringGrid*)> Make;   // on cell (2, 3)
};

const TCellKind CellKinds[] = {
    {"plain", [](TExtStringGrid* G) { G->SetCells(2, 3, "abc 12"); }},
    {"Turkish", [](TExtStringGrid* G) { G->SetCells(2, 3, "\xFE\xDD\xF0\xE7"); }},
    {"Unicode", [](TExtStringGrid* G) { G->SetWideCell(2, 3, u"\u0416\u0438 \u4E2D 5"); }},
    {"Unicode in the code page", [](TExtStringGrid* G) { G->SetWideCell(2, 3, u"\u015Fey"); }},
    {"multi-line", [](TExtStringGrid* G) { G->SetCells(2, 3, "a\r\nb"); }},
    {"rich", [](TExtStringGrid* G) { G->SetCells(2, 3, "{\\rtf1\\ansi a\\b b\\b0}"); }},
    {"html", [](TExtStringGrid* G) { G->SetCells(2, 3, "<b>a</b> b"); }},
    {"merged", [](TExtStringGrid* G) { G->MergeCells(2, 3, 2, 2); }},
    {"password", [](TExtStringGrid* G) {
         G->OnIsPasswordCell = [](TObject*, Integer ARow, Integer ACol, bool& P) { P = ACol == 2 && ARow == 3; };
     }},
    {"read-only", [](TExtStringGrid* G) { G->SetReadOnly(2, 3, true); }},
    {"by hidden and contracted rows", [](TExtStringGrid* G) {
         G->HideRow(2);
         G->AddNode(4, 3);
         G->ContractNode(4);
     }},
};

struct TRoad {
    const char* Name;
    std::function<void(TLawGrid&)> End;
    bool RowInserted = false;
    bool TypedBack = false;   // only where a letter typed at the end goes in as typed
};

bool TakesALetterAtTheEnd(TEditorType E, const TCellKind& K) {
    return std::string(K.Name) != "read-only" &&
           (E == edNormal || E == edEditBtn || E == edCapital || E == edPassword || E == edUnitEditBtn || E == edLowerCase ||
            E == edUpperCase || E == edRichEdit || E == edUniEdit || E == edUniEditBtn);
}

const TRoad Roads[] = {
    {"Enter", [](TLawGrid&) { PressEnter(); }},
    {"Tab", [](TLawGrid&) { PressTab(); }},
    {"Escape", [](TLawGrid&) { PressEscape(); }},
    {"a click elsewhere", [](TLawGrid& F) {
         const QPoint P = F.Centre(1, 1);
         F.Mouse(QEvent::MouseButtonPress, P, Qt::LeftButton, Qt::LeftButton);
         F.Mouse(QEvent::MouseButtonRelease, P, Qt::LeftButton, Qt::NoButton);
     }},
    {"a scroll", [](TLawGrid& F) { TurnWheel(F.Grid->Widget(), true); }},
    {"a letter typed and taken back, then Enter", [](TLawGrid& F) {
         SendKey(FocusTarget(), Qt::Key_End);
         TypeText(u"z");
         SendKey(FocusTarget(), Qt::Key_Backspace, QStringLiteral("\b"));
         PressEnter();
     }, false, true},
    {"the program inserting a row", [](TLawGrid& F) {
         F.Grid->InsertRows(1, 1);
         PressEnter();
     }, true},
};

}  // namespace

// Every editor on every kind of cell, ended without a change by every road, leaves every
// cell byte for byte.
TEST(ExtGridEditorLaw, AnEditorEndedWithoutAChangeLeavesEveryCell) {
    for (TEditorType E : LawEditors())
        for (const TCellKind& K : CellKinds)
            for (const TRoad& Road : Roads) {
                if (&Road == &Roads[0] && E == edUniMemo) continue;   // Enter is a line break there
                if (Road.TypedBack && !TakesALetterAtTheEnd(E, K)) continue;
                SCOPED_TRACE(testing::Message() << "editor " << E << ", " << K.Name << " cell, " << Road.Name);
                TLawGrid F(E);
                K.Make(F.Grid);
                TSnapshot Before = Snap(F.Grid);
                F.Open(2, 3);
                Road.End(F);
                Settle();
                if (F.Editing()) PressEscape();
                if (Road.RowInserted) Before.insert(Before.begin() + 1, std::vector<AnsiString>(5));
                EXPECT_EQ(Before, Snap(F.Grid));
            }
}

// The program changes rows or columns while a value is being typed, or the check's handler
// does: the answer (accepted, rewritten or refused) goes into the cell it was typed in,
// wherever that cell went, checked once, with its undo step, modified mark and change event.
TEST(ExtGridEditorLaw, AValueTypedWhileRowsOrColumnsChangeGoesIntoItsOwnCell) {
    struct TChange {
        const char* Name;
        std::function<void(TExtStringGrid*)> Do;
        Integer DCol, DRow;   // where the edited cell goes
    };
    const TChange Changes[] = {
        {"a row inserted above", [](TExtStringGrid* G) { G->InsertRows(1, 1); }, 0, 1},
        {"a row removed above", [](TExtStringGrid* G) { G->RemoveRowsEx(1, 1); }, 0, -1},
        {"a row hidden above", [](TExtStringGrid* G) { G->HideRow(1); }, 0, -1},
        {"a column inserted before", [](TExtStringGrid* G) { G->InsertCols(1, 1); }, 1, 0},
        {"a column removed before", [](TExtStringGrid* G) { G->RemoveCols(1, 1); }, -1, 0},
        {"the rows sorted", [](TExtStringGrid* G) {
             G->SortSettings()->SetColumn(3);
             G->SortSettings()->SetDirection(sdDescending);
             G->SortByColumn();
         }, 0, 3},
        {"fewer rows", [](TExtStringGrid* G) { G->SetRowCount(5); }, 0, 0},
        {"a row added at the end", [](TExtStringGrid* G) { G->AddRow(); }, 0, 0},
        {"one row more", [](TExtStringGrid* G) { G->SetRowCount(G->RowCount() + 1); }, 0, 0},
        {"a column added at the end", [](TExtStringGrid* G) { G->InsertCols(G->ColCount(), 1); }, 0, 0},
        {"a row moved from above", [](TExtStringGrid* G) { G->MoveRow(1, 8); }, 0, -1},
        {"a column moved from before", [](TExtStringGrid* G) { G->MoveColumn(1, 4); }, -1, 0},
    };
    enum TAnswer { Accept, Rewrite, Refuse };
    for (TEditorType E : {edNormal, edEditBtn, edComboEdit, edUniEdit, edNumericEditBtn})
        for (const TChange& Ch : Changes)
            for (const TAnswer A : {Accept, Rewrite, Refuse})
            for (const bool ByCheck : {false, true}) {   // the change made by the check's handler
                SCOPED_TRACE(testing::Message() << "editor " << E << ", " << Ch.Name << ", answer " << A << (ByCheck ? ", by the check" : ""));
                TLawGrid F(E);
                F.Grid->ShowModified()->SetEnabled(true);
                std::vector<std::pair<Integer, Integer>> Checked;
                Integer Changed = 0;   // changes of the edited cell alone
                const Integer C = 2 + Ch.DCol, R = 3 + Ch.DRow;
                F.Grid->OnCellsChanged = [&](TObject*, TRect Rc) { Changed += Rc == Rect(C, R, C, R); };
                auto Check = [&](Integer ACol, Integer ARow, bool& Valid) {
                    Checked.emplace_back(ACol, ARow), Valid = A != Refuse;
                    if (ByCheck) Ch.Do(F.Grid);
                };
                F.Grid->OnCellValidate = [&](TObject*, Integer C, Integer R, AnsiString& V, bool& Valid) {
                    if (A == Rewrite) V = "78";
                    Check(C, R, Valid);
                };
                F.Grid->OnCellValidateWide = [&](TObject*, Integer C, Integer R, WideString& V, bool& Valid) {
                    if (A == Rewrite) V = u"78";
                    Check(C, R, Valid);
                };
                F.Open(2, 3);
                F.Key(Qt::Key_A, Qt::ControlModifier);
                TypeText(u"77");
                if (!ByCheck) Ch.Do(F.Grid);
                PressEnter();
                Settle();
                if (F.Editing()) PressEscape();
                const AnsiString Stored = A == Accept ? "77" : A == Rewrite ? "78" : "r3c2";
                EXPECT_EQ(Stored, WideToAnsi(F.Grid->GetWideCell(C, R)));
                Integer Typed = 0;
                for (const auto& Row : Snap(F.Grid))
                    for (const AnsiString& S : Row) Typed += WideToAnsi(CellTextToWide(S)).substr(0, 1) == "7";
                EXPECT_EQ(A == Refuse ? 0 : 1, Typed);
                EXPECT_EQ((std::vector<std::pair<Integer, Integer>>{{2, 3}}), Checked);
                if (!ByCheck) continue;   // the change before the check has stored and checked already
                EXPECT_TRUE(F.Grid->RowMarked(R));
                EXPECT_EQ(A == Refuse ? 0 : 1, Changed);
            }
}

// On a Unicode cell the editor standing in for the column's keeps its rules (characters,
// hidden letters, the ellipsis), and what a change leaves alone keeps its letters.
TEST(ExtGridEditorLaw, AUnicodeCellKeepsTheColumnsRulesAndTheLettersAChangeLeaves) {
    auto Typing = [](std::u16string T) {
        return [T](TLawGrid& F) { F.Key(Qt::Key_A, Qt::ControlModifier), TypeText(T); };
    };
    auto Pasting = [](std::u16string T) {
        return [T](TLawGrid& F) { Clipboard()->SetAsWideText(T), F.Key(Qt::Key_A, Qt::ControlModifier), F.Key(Qt::Key_V, Qt::ControlModifier); };
    };
    auto Ellipsis = [](TLawGrid& F) {
        F.Grid->OnEllipsClick = [](TObject*, Integer, Integer, AnsiString& V) { V = "5"; };
        F.Grid->UniEditBtn()->ClickBtn(F.Grid->UniEditBtn());
    };
    const std::tuple<TEditorType, WideString, std::function<void(TLawGrid&)>, WideString> Cases[] = {
        {edUpperCase, u"\u0416", Typing(u"ab"), u"AB"}, {edLowerCase, u"\u0416", Typing(u"AB"), u"ab"},
        {edNumeric, u"\u0416", Typing(u"a1\u04162"), u"12"}, {edNumericEditBtn, u"\u0416", Typing(u"x-3"), u"-3"},
        {edPassword, u"\u0416", Typing(u"\u0436b"), u"\u0436b"}, {edEditBtn, u"\u04161", Ellipsis, u"5"},
        {edNumericEditBtn, u"\u04161", Ellipsis, u"5"},
        {edUnitEditBtn, u"10 \u043C\u00B2", [](TLawGrid& F) { F.Grid->BtnUnitEdit()->SetText("13"); }, u"13 \u043C\u00B2"},
        {edMixedCase, u"\u0416", Typing(u"ab \u0436c"), u"Ab \u0436c"}, {edNumeric, u"\u0416", Pasting(u"1a"), u"\u0416"},
        {edUpperCase, u"\u0416", Pasting(u"ab\u0436"), u"AB\u0436"}, {edFloatEditBtn, u"\u0416", Pasting(u"x"), u"\u0416"},
        {edNumericEditBtn, u"7", Pasting(u"x1"), u"7"}, {edComboEdit, u"\u0416", Typing(u"iki"), u"iki"}};
    for (const auto& [E, Letters, Change, Stored] : Cases) {
        TLawGrid F(E);
        F.Grid->SetWideCell(2, 3, Letters);
        F.Open(2, 3);
        Change(F);
        if (E == edPassword) EXPECT_EQ(F.Grid->PasswordChar(), F.Grid->UniEdit()->PasswordChar());
        PressEnter();
        EXPECT_EQ(Stored, F.Grid->GetWideCell(2, 3)) << E;
        EXPECT_EQ(u"\u0416", F.Grid->UniCombo()->Items()->Strings(1)) << E;   // its own items stay its own
    }
}

// Every editor over every kind of cell hands the checker (its correction, its mark) the
// letters the user typed, once each, and the cell keeps the letters the checker left.
TEST(ExtGridEditorLaw, EveryEditorHandsTheCheckerTheLettersTyped) {
    struct TChecker : TExtStringGridCheck {
        using TExtStringGridCheck::TExtStringGridCheck;
        std::vector<AnsiString> Seen;
        AnsiString Correct(Integer, Integer, const AnsiString& S) override { return Seen.push_back(S), S; }
        AnsiString MarkError(Integer, Integer, const AnsiString& S) override {
            Seen.push_back(S);
            return S.find_first_not_of("0123456789") == AnsiString::npos ? S : "<i>" + S + "</i>";
        }
    };
    const std::tuple<TEditorType, WideString, std::u16string, AnsiString, WideString> Cases[] = {
        {edNormal, u"12", u"15", "15", u"15"}, {edSpinEdit, u"12", u"15", "15", u"15"},
        {edPassword, u"ab", u"cd", "cd", u"<i>cd</i>"}, {edNormal, u"\u0416", u"15", "15", u"15"},
        {edNormal, u"\u0416", u"\u04165", "?5", u"<i>\u04165</i>"}, {edSpinEdit, u"\u015F", u"15", "15", u"15"}};
    for (const auto& [E, Letters, Typing, Seen, Stored] : Cases) {
        SCOPED_TRACE(testing::Message() << "editor " << E << " typing " << WideToAnsi(Typing));
        TLawGrid F(E);
        auto* C = new TChecker(F.Form.get());
        C->SetAutoCorrect(true);
        C->SetAutoMarkError(true);
        F.Grid->SetCellChecker(C);
        F.Grid->SetWideCell(2, 3, Letters);
        F.Open(2, 3);
        F.Key(Qt::Key_A, Qt::ControlModifier);
        TypeText(Typing);
        PressEnter();
        EXPECT_EQ((std::vector<AnsiString>{Seen, Seen}), C->Seen);
        EXPECT_EQ(Stored, F.Grid->GetWideCell(2, 3));
    }
}

// A Unicode stand-in opened by a typed key takes that key as the keys after it: through
// OnKeyPress and the column's character rules. Its pastes raise the grid's paste events
// and keep the grid's length limit.
TEST(ExtGridEditorLaw, AUnicodeStandInTakesItsStartKeyAndPastesAsTheTextEditor) {
    const WideString One = u"\u0416", Lines = u"\u0416\r\n2";   // the stand-ins: edit, edit with button, memo, combo
    const std::tuple<TEditorType, WideString, std::u16string, WideString> Cases[] = {
        {edUpperCase, One, u"ab", u"AB"}, {edUpperCase, One, u"\u0436b", u"\u0436B"}, {edNumeric, One, u"a1", u"1"},
        {edNumeric, One, u"\u04361", u"1"}, {edNormal, One, u"q", u"w"}, {edMixedCase, One, u"ab", u"Ab"},
        {edNumericEditBtn, One, u"x5", u"5"}, {edLowerCase, One, u"A\u0416", u"a\u0416"}, {edNormal, One, u"abcd", u"abc"},
        {edUpperCase, Lines, u"ab", u"AB"}, {edNumeric, Lines, u"a1", u"1"}, {edComboEdit, One, u"q", u"w"}};
    for (const auto& [E, Cell, Keys, Stored] : Cases) {
        SCOPED_TRACE(testing::Message() << "editor " << E << " typing " << WideToAnsi(Keys));
        TLawGrid F(E);
        F.Options({goEditing});
        F.Grid->SetMaxEditLength(3);
        F.Grid->OnKeyPress = [](TObject*, char& K) { K = K == 'q' ? 'w' : K; };
        F.Grid->SetWideCell(2, 3, Cell);
        F.Grid->SetCol(2);
        F.Grid->SetRow(3);
        TypeText(Keys);
        if (Cell == Lines) PressTab();   // Enter breaks the line there
        else PressEnter();
        EXPECT_EQ(Stored, F.Grid->GetWideCell(2, 3));
    }
    TLawGrid F(edNormal);
    F.Grid->SetMaxEditLength(3);
    Integer Pastes = 0, CellPastes = 0;
    F.Grid->OnClipboardPaste = [&](TObject*, bool&) { ++Pastes; };
    F.Grid->OnClipboardBeforePasteCell = [&](TObject*, Integer, Integer, AnsiString&, bool&) { ++CellPastes; };
    F.Grid->SetWideCell(2, 3, u"\u0416");
    F.Open(2, 3);
    for (const char16_t* Clip : {u"\u0436xyz", u"\u0436x"}) {
        Clipboard()->SetAsWideText(Clip);
        F.Key(Qt::Key_A, Qt::ControlModifier);
        F.Key(Qt::Key_V, Qt::ControlModifier);
    }
    PressEnter();
    EXPECT_EQ(u"\u0436x", F.Grid->GetWideCell(2, 3));
    EXPECT_EQ(2, Pastes);
    EXPECT_EQ(2, CellPastes);
}

// The fixed-cell editor on a header or a row label, plain, Turkish or with letters outside
// the code page: a change goes into its own cell only, letters untouched stay, also when
// the program changes rows or columns while it is open; no change leaves every cell.
TEST(ExtGridEditorLaw, TheFixedCellEditorChangesItsOwnCellOnly) {
    const std::pair<AnsiString, WideString> Kinds[] = {{"Head", u"Head"}, {"\xDE" "ube", u"\u015Eube"}, {"", u"\u03A9mega"}};
    struct TEnd {
        const char* Name;
        std::function<void(TExtStringGrid*)> Do;   // none: Enter
        Integer DCol, DRow;   // where a data row or column goes
    };
    const TEnd Ends[] = {{"Enter", nullptr, 0, 0},
                         {"a row inserted above", [](TExtStringGrid* G) { G->InsertRows(1, 1); }, 0, 1},
                         {"a row removed above", [](TExtStringGrid* G) { G->RemoveRowsEx(1, 1); }, 0, -1},
                         {"a column inserted before", [](TExtStringGrid* G) { G->InsertCols(1, 1); }, 1, 0}};
    for (const TPoint At : {Point(2, 0), Point(0, 3)})
        for (const auto& [Plain, Letters] : Kinds)
            for (const bool Typed : {false, true})
                for (const TEnd& End : Ends) {
                    SCOPED_TRACE(testing::Message() << At.X << "," << At.Y << " " << WideToAnsi(Letters) << (Typed ? " typed, " : ", ") << End.Name);
                    TLawGrid F(edNormal);
                    F.Grid->MouseActions()->SetFixedRowsEdit(fceLeftClick);
                    F.Grid->MouseActions()->SetFixedColsEdit(fceLeftClick);
                    if (Plain.empty()) F.Grid->SetWideCell(At.X, At.Y, Letters);
                    else F.Grid->SetCells(At.X, At.Y, Plain);
                    TSnapshot Before = Snap(F.Grid);
                    F.Mouse(QEvent::MouseButtonPress, F.Centre(At.X, At.Y), Qt::LeftButton, Qt::LeftButton);
                    F.Mouse(QEvent::MouseButtonRelease, F.Centre(At.X, At.Y), Qt::LeftButton, Qt::NoButton);
                    SendKey(FocusTarget(), Qt::Key_End);
                    if (Typed) TypeText(u"s");
                    if (End.Do) End.Do(F.Grid);
                    else PressEnter();
                    Settle();
                    EXPECT_FALSE(F.Grid->FixedCellEditor() && F.Grid->FixedCellEditor()->Visible());
                    const TPoint Now{At.X + (At.X > 0 ? End.DCol : 0), At.Y + (At.Y > 0 ? End.DRow : 0)};
                    EXPECT_EQ(Letters + (Typed ? u"s" : u""), F.Grid->GetWideCell(Now.X, Now.Y));
                    if (End.Do) continue;
                    if (!Typed) EXPECT_EQ(Before, Snap(F.Grid));
                    Before[size_t(At.Y)][size_t(At.X)] = F.Grid->Cells(At.X, At.Y);
                    EXPECT_EQ(Before, Snap(F.Grid));
                }
}
