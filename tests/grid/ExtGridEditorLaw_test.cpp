// The editor law: an editor opened and closed without a change leaves every cell as it
// was, whatever the editor, the cell and the way the edit ends; and a value typed while the
// program changes rows or columns goes into its own cell, checked there.
#include "GridTestKit.h"

#include "grid/ExtGridEditors.h"
#include "grid/ExtGridLink.h"
#include "grid/ExtUtil.h"
#include "platform/rtl/CodePage.h"
#include "platform/ui/Clipbrd.h"
#include "platform/ui/Rtf.h"
#include "platform/ui/UiTestKit.h"
#include "support/SourceEvents.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <regex>
#include <set>
#include <sstream>
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
    void Click(Integer ACol, Integer ARow) {
        Mouse(QEvent::MouseButtonPress, Centre(ACol, ARow), Qt::LeftButton, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, Centre(ACol, ARow), Qt::LeftButton, Qt::NoButton);
    }
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
    {"merged, its first row hidden", [](TExtStringGrid* G) { G->MergeCells(2, 2, 1, 3), G->HideRow(2); }},
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

const TRoad Roads[] = {
    {"Enter", [](TLawGrid&) { PressEnter(); }},
    {"Tab", [](TLawGrid&) { PressTab(); }},
    {"Escape", [](TLawGrid&) { PressEscape(); }},
    {"a click elsewhere", [](TLawGrid& F) { F.Click(1, 1); }},
    {"a scroll", [](TLawGrid& F) { TurnWheel(F.Grid->Widget(), true); }},
    {"a letter typed and taken back, then Enter", [](TLawGrid&) {
         SendKey(FocusTarget(), Qt::Key_End), TypeText(u"z"), SendKey(FocusTarget(), Qt::Key_Backspace, QStringLiteral("\b")), PressEnter();
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
                const TEditorType Typing[] = {edNormal, edEditBtn, edCapital, edPassword, edUnitEditBtn, edLowerCase, edUpperCase, edRichEdit, edUniEdit, edUniEditBtn};
                if (Road.TypedBack && (std::string(K.Name) == "read-only" || std::ranges::find(Typing, E) == std::end(Typing))) continue;
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

// The program changes rows or columns while a value is being typed, or the check's handler does: the answer
// (accepted, rewritten, refused) goes into the cell it was typed in, wherever it went, checked once, marked.
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
                F.Grid->OnCellValidate = [&](TObject*, Integer C, Integer R, AnsiString& V, bool& Ok) { V = A == Rewrite ? "78" : V, Check(C, R, Ok); };
                F.Grid->OnCellValidateWide = [&](TObject*, Integer C, Integer R, WideString& V, bool& Ok) { V = A == Rewrite ? u"78" : V, Check(C, R, Ok); };
                F.Open(2, 3);
                F.Key(Qt::Key_A, Qt::ControlModifier);
                TypeText(u"77");
                if (!ByCheck) Ch.Do(F.Grid);
                PressEnter();
                Settle();
                if (F.Editing()) PressEscape();
                EXPECT_EQ(A == Accept ? "77" : A == Rewrite ? "78" : "r3c2", WideToAnsi(F.Grid->GetWideCell(C, R)));
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

struct TMarkingCheck : TExtStringGridCheck {   // corrects to upper case, marks what is no number
    using TExtStringGridCheck::TExtStringGridCheck;
    AnsiString Correct(Integer, Integer, const AnsiString& S) override { return AnsiUpperCase(S); }
    AnsiString MarkError(Integer, Integer, const AnsiString& S) override { return S.find_first_not_of("0123456789") == S.npos ? S : "<i>" + S + "</i>"; }
};

// On a Unicode cell the editor standing in for the column's keeps its rules (characters, hidden letters, the
// ellipsis, the length limit, the paste events), also for the key that opens it, and what a change leaves alone
// keeps its letters; every editor hands the checker the letters typed.
TEST(ExtGridEditorLaw, AUnicodeCellKeepsTheColumnsRulesAndTheLettersAChangeLeaves) {
    auto Typing = [](std::u16string T) {
        return [T](TLawGrid& F) { F.Key(Qt::Key_A, Qt::ControlModifier), TypeText(T); };
    };
    auto Pasting = [](std::u16string T) {
        return [T](TLawGrid& F) { Clipboard()->SetAsWideText(T), F.Key(Qt::Key_A, Qt::ControlModifier), F.Key(Qt::Key_V, Qt::ControlModifier); };
    };
    auto Starting = [](std::u16string T) { return [T](TLawGrid& F) { PressEscape(), TypeText(T); }; };
    auto Limited = [](std::function<void(TLawGrid&)> Do) { return [Do](TLawGrid& F) { F.Grid->SetMaxEditLength(3), Do(F); }; };
    auto Checking = [&](std::u16string T) {
        return [T, Typing](TLawGrid& F) { F.Grid->SetCellChecker(new TMarkingCheck(F.Form.get())), F.Grid->CellChecker()->SetAutoCorrect(true), F.Grid->CellChecker()->SetAutoMarkError(true), Typing(T)(F); };
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
        {edNumericEditBtn, u"7", Pasting(u"x1"), u"7"}, {edComboEdit, u"\u0416", Typing(u"iki"), u"iki"},
        {edComboEdit, u"\u0416", Typing(u"\u00FC\u00E7"), u"\u00FC\u00E7"}, {edComboEdit, u"\u0416", Typing(u"\u0436"), u"\u0436"},
        {edUpperCase, u"\u0416", Starting(u"ab"), u"AB"}, {edUpperCase, u"\u0416", Starting(u"\u0436b"), u"\u0436B"},
        {edNumeric, u"\u0416", Starting(u"a1"), u"1"}, {edNumeric, u"\u0416", Starting(u"\u04361"), u"1"},
        {edNormal, u"\u0416", Starting(u"q"), u"w"}, {edComboEdit, u"\u0416", Starting(u"q"), u"w"},
        {edNumericEditBtn, u"\u0416", Starting(u"x5"), u"5"}, {edNormal, u"\u0416", Limited(Starting(u"abcd")), u"abc"},
        {edNormal, u"\u0416", Limited(Pasting(u"\u0436xyz")), u"\u0416"}, {edNormal, u"\u0416", Limited(Pasting(u"\u0436x")), u"\u0436x"},
        {edNormal, u"\u0416", [&](TLawGrid& F) { F.Grid->OnClipboardBeforePasteCell = [](TObject*, Integer, Integer, AnsiString& V, bool&) { V += "!"; }, Pasting(u"ab")(F); }, u"ab!"},
        {edNormal, u"\u0416", [&](TLawGrid& F) { F.Grid->OnClipboardPaste = [](TObject*, bool& Allow) { Allow = false; }, Pasting(u"ab")(F); }, u"\u0416"},
        {edSpinEdit, u"12", Checking(u"15"), u"15"}, {edPassword, u"ab", Checking(u"cd"), u"<i>CD</i>"},
        {edNormal, u"\u0416", Checking(u"\u04365"), u"<i>\u04365</i>"}, {edSpinEdit, u"\u015F", Checking(u"15"), u"15"}};
    for (const auto& [E, Letters, Change, Stored] : Cases) {
        TLawGrid F(E);
        F.Grid->OnKeyPress = [](TObject*, char& K) { K = K == 'q' ? 'w' : K; };
        F.Grid->SetLookupHistory(true);
        F.Grid->SetWideCell(2, 3, Letters);
        F.Open(2, 3);
        Change(F);
        if (E == edPassword && !FitsCodePage(Letters)) EXPECT_EQ(F.Grid->PasswordChar(), F.Grid->UniEdit()->PasswordChar());
        PressEnter();
        EXPECT_EQ(Stored, F.Grid->GetWideCell(2, 3)) << E << " " << WideToAnsi(Stored);
        EXPECT_EQ(u"\u0416", F.Grid->UniCombo()->Items()->Strings(1)) << E;   // its own items stay its own
        if (E == edComboEdit)   // the column's history takes what its list can hold
            EXPECT_EQ(FitsCodePage(Stored), F.Grid->Combobox()->Items()->IndexOf(WideToAnsi(Stored)) >= 0) << WideToAnsi(Stored);
    }
}

// The fixed-cell editor on a header or a row label, plain, Turkish or with letters outside the code page:
// a change goes into its own cell only, the letters untouched stay, also when rows or columns change meanwhile.
TEST(ExtGridEditorLaw, TheFixedCellEditorChangesItsOwnCellOnly) {
    const std::pair<AnsiString, WideString> Kinds[] = {{"Head", u"Head"}, {"\xDE" "ube", u"\u015Eube"}, {"", u"\u03A9mega"}};
    const std::tuple<std::function<void(TExtStringGrid*)>, Integer, Integer> Ends[] = {   // none: Enter; where data goes
        {nullptr, 0, 0}, {[](TExtStringGrid* G) { G->InsertRows(1, 1); }, 0, 1},
        {[](TExtStringGrid* G) { G->RemoveRowsEx(1, 1); }, 0, -1}, {[](TExtStringGrid* G) { G->InsertCols(1, 1); }, 1, 0}};
    for (const TPoint At : {Point(2, 0), Point(0, 3)})
        for (const auto& [Plain, Letters] : Kinds)
            for (const bool Typed : {false, true})
                for (const auto& [Do, DCol, DRow] : Ends) {
                    SCOPED_TRACE(testing::Message() << At.X << "," << At.Y << " " << WideToAnsi(Letters) << Typed << DCol << DRow << !Do);
                    TLawGrid F(edNormal);
                    F.Grid->MouseActions()->SetFixedRowsEdit(fceLeftClick), F.Grid->MouseActions()->SetFixedColsEdit(fceLeftClick);
                    Plain.empty() ? F.Grid->SetWideCell(At.X, At.Y, Letters) : F.Grid->SetCells(At.X, At.Y, Plain);
                    TSnapshot Before = Snap(F.Grid);
                    F.Click(At.X, At.Y), SendKey(FocusTarget(), Qt::Key_End), TypeText(Typed ? u"s" : u"");
                    Do ? Do(F.Grid) : PressEnter();
                    EXPECT_FALSE(F.Grid->FixedCellEditor() && F.Grid->FixedCellEditor()->Visible());
                    EXPECT_EQ(Letters + (Typed ? u"s" : u""), F.Grid->GetWideCell(At.X + (At.X > 0) * DCol, At.Y + (At.Y > 0) * DRow));
                    if (Do) continue;
                    Before[size_t(At.Y)][size_t(At.X)] = F.Grid->Cells(At.X, At.Y);
                    EXPECT_EQ(Before, Snap(F.Grid));
                }
}

// Every editor kind x road ending an edit x letter class, read from the code: stored as shown, checked once, Escape heard.
namespace {

std::vector<std::string> Names(const std::string& List) { return SourceMatches(List, R"(\S+)"); }

// The values of TEditorType, then the grid's other editors (its Open...Editor routines).
std::vector<std::string> KindsInTheCode() {
    std::vector<std::string> K;
    for (const std::string& Enum : SourceMatches(SourceText("src/grid/BaseGrid.h"), R"(enum TEditorType\s*\{([^}]*)\})", 1))
        for (const std::string& E : SourceMatches(Enum, R"(\w+)")) K.push_back(E);
    for (const std::string& O : SourceMatches(SourceText("src/grid/ExtGrid.h"), R"(void Open(\w+)Editor\()", 1)) K.push_back(O);
    return K;
}

// The routines that end an edit, by the functions that call them, and the keys the editors act on.
std::set<std::string> RoadsInTheCode() {
    const std::regex Def(R"(^[A-Za-z].*?\b(T\w+::~?\w+)\s*\()"), Ends(
        R"(\b(HideEditor|EndEditorControl|CloseFixedCellEditor|EndEditBeforeLayoutChange|EndEditBeforeRowsMove|RestoreEditText|ValidatePending)\s*\()");
    std::set<std::string> R;
    for (const std::string& P : SourceFiles({"src/platform/ui/Grids.cpp", "src/grid"}, {".cpp"})) {
        std::istringstream In(SourceText(P));
        std::string Fn;
        std::smatch M;
        for (std::string L; std::getline(In, L);) {
            if (std::regex_search(L, M, Def)) Fn = M[1];
            if (std::regex_search(L, Ends) && L.find("//") > L.find_first_not_of(' ')) R.insert(Fn);
        }
    }
    for (const char* P : {"ExtGridEditors", "ExtGridInplace", "ExtGridRich", "ExtGridMouse"})
        for (const std::string& K : SourceMatches(SourceText("src/grid/" + std::string(P) + ".cpp"), R"(VK_\w+)")) R.insert(K);
    return R;
}

const std::pair<const char*, const char*> kNoKindRow[] = {
    {"edCustom", "the program's own editor: it stores what its edit link gives"},
    {"edNone", "opens no editor"},
    {"edCheckBox edDataCheckBox edButton", "take no letters: a toggle or a press (ExtGridControls)"},
};

struct TEndRoad { const char* Name; const char* Through; std::function<void(struct TProductGrid&)> End; };   // Through: code it ends by

const std::pair<const char*, const char*> kNoRoad[] = {
    {"TCustomGrid::HideEditor TCustomGrid::SetEditorMode TExtStringGrid::EndEditorControl TExtStringGrid::HideInplaceEditor "
     "TExtStringGrid::CloseFixedCellEditor TExtStringGrid::ValidatePending TExtStringGrid::Validate TExtStringGrid::RestoreEditText "
     "TExtStringGrid::EndEditBeforeLayoutChange TExtStringGrid::EndEditBeforeRowsMove",
     "the ending routines themselves, reached by every road"},
    {"TExtStringGrid::Assign TExtStringGrid::SetRowCount TExtStringGrid::SetColCount TExtStringGrid::InsertRows "
     "TExtStringGrid::InsertCols TExtStringGrid::RemoveRowsEx TExtStringGrid::RemoveCols TExtStringGrid::DeleteGridRows "
     "TExtStringGrid::MoveRowData TExtStringGrid::MoveColData TExtStringGrid::MoveRowsTo TExtStringGrid::SortOnKeys "
     "TExtStringGrid::HideRows TExtStringGrid::HideRowList TExtStringGrid::ShowHiddenRows TExtStringGrid::ShowAllRows "
     "TExtStringGrid::SetFilterActive TExtStringGrid::ResetContent TExtStringGrid::ContractNode TExtStringGrid::AutoDeleteRow "
     "TCustomGrid::MoveColumn TCustomGrid::MoveRow TCustomGrid::DeleteColumn TCustomGrid::DeleteRow TCustomGrid::SizesChanged "
     "TExtStringGrid::Resize TCustomGrid::SetOptions",
     "the program changing rows, columns, sizes or options: AValueTypedWhileRowsOrColumnsChangeGoesIntoItsOwnCell"},
    {"TEditLink::EditKeyDown TEditLink::SetFocus TExtStringGrid::ShowEditLink", "the program's own editor (edCustom)"},
    {"TExtInplaceEdit::MousePressed", "a double click that opened the editor opens it again on the cell"},
    {"TExtStringGrid::OpenFixedCellEditor", "opening the fixed-cell editor over a cell edit: the press on a fixed cell, a click elsewhere"},
    {"TExtInplaceEdit::AutoAdvance", "a full mask moves on as Enter (ExtGridInplace)"},
    {"VK_BACK VK_DELETE VK_INSERT VK_DECIMAL VK_F4", "edit within the editor: delete, the clipboard, the keypad's decimal, the list or button"},
};

struct TProductGrid : gridtest::TEditingGrid {
    TEdit* Other = nullptr;
    Integer Checks = 0, Escapes = 0;
    explicit TProductGrid(TEditorType E) : TEditingGrid(12, 30) {
        Options({goTabs});
        for (Integer R = 0; R < 30; ++R)
            for (Integer C = 0; C < 12; ++C) Grid->SetCells(C, R, C == 4 && R > 0 ? "z" + IntToStr(99 - R) : "r" + IntToStr(R) + "c" + IntToStr(C));
        Grid->SetCells(2, 3, "12");
        Grid->OnGetEditorType = [E](TObject*, Integer ACol, Integer, TEditorType& AEditor) { AEditor = ACol == 2 ? E : AEditor; };
        for (const char* I : {"bir", "iki"}) Grid->Combobox()->Items()->Add(I);
        for (const char16_t* I : {u"bir", u"\u0416"}) Grid->UniCombo()->Items()->Add(I);
        Grid->SortSettings()->SetShow(true), Grid->OnCellValidate = [this](TObject*, Integer, Integer, AnsiString&, bool&) { ++Checks; };
        Grid->OnCellValidateWide = [this](TObject*, Integer, Integer, WideString&, bool&) { ++Checks; };
        Grid->OnKeyPress = [this](TObject*, char& K) { Escapes += K == 27; };
        Other = Place<TEdit>(Form.get(), 10, 320, 100, 22);
    }
    bool Editing() const { return Grid->EditorMode() || Grid->ActiveEditorControl() || (Grid->FixedCellEditor() && Grid->FixedCellEditor()->Visible()); }
    void ScrollBarPage(Qt::Orientation O) {
        QScrollBar* B = GridBar(Grid, O);
        const QRect T = ScrollThumb(B, false);
        const QPoint P = O == Qt::Vertical ? QPoint(T.center().x(), T.bottom() + 4) : QPoint(T.right() + 4, T.center().y());
        ScrollBarMouse(B, QEvent::MouseButtonPress, P), ScrollBarMouse(B, QEvent::MouseButtonRelease, P);
    }
    Integer RowOf(const AnsiString& Key) const {   // the real row holding Key in column 1
        for (Integer R = 0; R < Grid->AllRowCount(); ++R)
            if (Grid->AllCells(1, R) == Key) return R;
        return -1;
    }
};

auto KeyRoad(int K) { return [K](TProductGrid&) { SendKey(FocusTarget(), K); }; }

const TEndRoad kRoads[] = {
    {"Enter", "VK_RETURN TInplaceEdit::KeyDown TCustomGrid::KeyPress TGridEditorKeys::HandToGrid TExtStringGrid::AdvanceEdit TExtStringGrid::HookFixedEditor",
     [](TProductGrid&) { PressEnter(); }},
    {"Tab", "VK_TAB TInplaceEdit::QtEvent TGridEditorKeys::TabAdvance", [](TProductGrid&) { PressTab(); }},
    {"Escape", "VK_ESCAPE TExtStringGrid::KeyPress TExtInplaceEdit::KeyDown TGridButton::KeyDown", [](TProductGrid&) { PressEscape(); }},
    {"Up", "VK_UP TExtRichEdit::KeyDown", KeyRoad(Qt::Key_Up)}, {"Down", "VK_DOWN", KeyRoad(Qt::Key_Down)},
    {"PgUp", "VK_PRIOR TCustomGrid::MoveCurrent", KeyRoad(Qt::Key_PageUp)}, {"PgDn", "VK_NEXT", KeyRoad(Qt::Key_PageDown)},
    {"Left", "VK_LEFT", KeyRoad(Qt::Key_Left)}, {"Right", "VK_RIGHT", KeyRoad(Qt::Key_Right)},
    {"Home", "VK_HOME", KeyRoad(Qt::Key_Home)}, {"End", "VK_END", KeyRoad(Qt::Key_End)},
    {"a click on another cell", "TExtStringGrid::MouseDown TExtStringGrid::LeftPress TCustomGrid::MouseDown TExtStringGrid::SelectCell",
     [](TProductGrid& F) { Click(F.Grid, F.Centre(1, 5)); }},
    {"a click on another control", "TExtInplaceEdit::QtEvent TGridEditorKeys::Exited TExtRichEdit::DoExit",
     [](TProductGrid& F) { SystemClick(F.Other); }},
    {"the scroll bar", "TExtStringGrid::TopLeftChanged",
     [](TProductGrid& F) { F.ScrollBarPage(Qt::Vertical), F.ScrollBarPage(Qt::Horizontal); }},
    {"the wheel", "TExtStringGrid::TopLeftChanged", [](TProductGrid& F) { TurnWheel(F.Grid->Widget(), true); }},
    {"a header-click sort", "TExtStringGrid::HeaderRelease", [](TProductGrid& F) { Click(F.Grid, F.Centre(4, 0)); }},
    {"the program moving the current cell", "TCustomGrid::MoveCurrent", [](TProductGrid& F) { F.Grid->SetRow(6); }},
    {"the screen closing", "TInplaceEdit::QtEvent TGridEditorKeys::Exited TExtStringGrid::QtEvent", [](TProductGrid& F) { SystemClose(F.Form.get()); }},
};

// Roads that do not end an edit of these kinds (names matched whole), and why: it ends by its commit key.
const std::tuple<const char*, const char*, const char*> kGoesOn[] = {
    {".*", "Home", "moves the caret, the date part or the list to its start"},
    {"(?!ed(Uni)?ComboList$).*", "Left|Right", "move the caret or the date part; only a list hands them to the grid"},
    {"(?!(ed(Uni)?ComboEdit|edDateEdit|edDateEditUpDown|edTimeEdit)$).*", "End", "moves the caret; the edit combos and the date pickers hand it to the grid"},
    {"ed(Float|Date|Time)?SpinEdit|ed(Uni)?ComboList|edUniMemo|edRichEdit|FixedCell.*", "Up|Down|PgUp|PgDn",
     "a spin steps, a list moves, the memo and the rich text move the caret, a one-line fixed-cell editor ignores them"},
    {"edUniEdit|edUniEditBtn", "PgUp|PgDn", "the Unicode edits hand only Tab, Enter, Escape, Up and Down to the grid"},
    {"edDateEdit|edDateEditUpDown|edTimeEdit", "Up|Down", "change the picked part of the date or time"},
    {"edUniMemo|edRichEdit", "Enter", "a line break"},
    {"edRichEdit", "Escape", "the rich-text editor keeps Escape"},
    {"FixedCell.*", "the wheel|the program moving the current cell",
     "the wheel moves the current cell without a scroll, and a fixed-cell editor does not stand on the current cell"},
};

struct TProductKind { std::string Name; Integer Editor; TPoint Cell; };   // Editor -1: the fixed-cell editor on Cell

std::vector<TProductKind> ProductKinds() {
    std::set<std::string> NoRow;
    for (const auto& [List, Why] : kNoKindRow) for (const std::string& N : Names(List)) NoRow.insert(N);
    std::vector<TProductKind> K;
    const std::vector<std::string> Code = KindsInTheCode();
    for (size_t I = 0; I < Code.size(); ++I)
        if (!NoRow.count(Code[I]) && Code[I].rfind("ed", 0) == 0) K.push_back({Code[I], Integer(I), Point(2, 3)});
    K.push_back({"FixedCell on a row label", -1, Point(0, 3)}), K.push_back({"FixedCell on a header", -1, Point(2, 0)});
    return K;
}

WideString ShownText() {
    QWidget* W = QApplication::focusWidget();
    if (auto* C = W ? qobject_cast<QComboBox*>(W->parentWidget()) : nullptr) W = C;
    QString S = QStringLiteral("<none>");
    if (auto* L = qobject_cast<QLineEdit*>(W)) S = L->text();
    else if (auto* P = qobject_cast<QPlainTextEdit*>(W)) S = P->toPlainText();
    else if (auto* T = qobject_cast<QTextEdit*>(W)) S = T->toPlainText();
    else if (auto* C = qobject_cast<QComboBox*>(W)) S = C->currentText();
    else if (auto* L = W ? W->findChild<QLineEdit*>() : nullptr) S = L->text();
    return S.toStdU16String();
}

WideString StoredLetters(TExtStringGrid* G, Integer ACol, Integer ARow) {
    const AnsiString S = G->AllCells(ACol, ARow);
    WideString W = IsRtfText(S) ? RtfRead(S).PlainText() : CellTextToWide(S);
    for (size_t I; (I = W.find(u"\r\n")) != W.npos;) W.erase(I, 1);   // a line break as an editor shows it
    return W;
}

}  // namespace

TEST(ExtGridEditorLaw, EveryKindOfEditorAndEveryRoadAreRowsOrReasons) {
    const std::vector<std::string> Kinds = KindsInTheCode();
    ASSERT_GT(Kinds.size(), 30u);
    std::set<std::string> Named;
    for (const TProductKind& K : ProductKinds()) Named.insert(Names(K.Name)[0]);
    for (const auto& [List, Why] : kNoKindRow)
        for (const std::string& N : Names(List)) EXPECT_TRUE(Named.insert(N).second) << N << ": a row and a reason";
    for (const std::string& K : Kinds) EXPECT_TRUE(Named.count(K)) << K << ": an editor kind with no row and no reason";
    for (const std::string& N : Named) EXPECT_NE(std::ranges::find(Kinds, N), Kinds.end()) << N << ": names no kind of the code";
    const std::set<std::string> Code = RoadsInTheCode();
    ASSERT_GT(Code.size(), 40u);
    std::set<std::string> Roads, Reasons;
    for (const TEndRoad& R : kRoads) for (const std::string& N : Names(R.Through)) Roads.insert(N);
    for (const auto& [List, Why] : kNoRoad) for (const std::string& N : Names(List)) Reasons.insert(N);
    for (const std::string& C : Code) EXPECT_NE(Roads.count(C), Reasons.count(C)) << C << (Roads.count(C) ? ": a road and a reason" : ": no road and no reason");
    for (const std::string& N : Roads) EXPECT_TRUE(Code.count(N)) << N << ": a road through nothing of the code";
    for (const std::string& N : Reasons) EXPECT_TRUE(Code.count(N)) << N << ": a reason for nothing of the code";
}

// One letter class of the product (a test each, to keep each run short).
static void TypedIsStoredAsShown(const char* Class, const std::u16string& Letter) {
    for (const TProductKind& K : ProductKinds())
        for (const TEndRoad& Road : kRoads) {
            SCOPED_TRACE(testing::Message() << K.Name << ", " << Road.Name << ", " << Class);
            const bool Fixed = K.Editor < 0;
            TProductGrid F(Fixed ? edNormal : TEditorType(K.Editor));
            const WideString Before = StoredLetters(F.Grid, K.Cell.X, K.Cell.Y);
            if (Fixed) {   // a right press, which no header sorts on
                (K.Cell.X == 0 ? F.Grid->MouseActions()->SetFixedColsEdit(fceLeftClick) : F.Grid->MouseActions()->SetFixedRowsEdit(fceLeftClick));
                F.Mouse(QEvent::MouseButtonPress, F.Centre(K.Cell.X, K.Cell.Y), Qt::RightButton, Qt::RightButton);
                F.Mouse(QEvent::MouseButtonRelease, F.Centre(K.Cell.X, K.Cell.Y), Qt::RightButton, Qt::NoButton);
            } else {
                F.Grid->SetCol(2), F.Grid->SetRow(3), F.Key(Qt::Key_F2);
            }
            Settle();
            const WideString Opened = ShownText();
            TypeText(Letter);
            WideString Shown = ShownText();
            Road.End(F), Settle();
            const bool GoesOn = std::ranges::any_of(kGoesOn, [&](const auto& G) {
                return std::regex_match(K.Name, std::regex(std::get<0>(G))) && std::regex_match(Road.Name, std::regex(std::get<1>(G)));
            });
            EXPECT_EQ(GoesOn, F.Editing()) << "GOESON|" << K.Name << "|" << Road.Name;
            const bool Escape = std::string(Road.Name) == "Escape" && !F.Editing();
            if (F.Editing() && F.Form->Visible()) {   // it ends as it does elsewhere
                Shown = ShownText(), Click(F.Grid, F.Centre(1, F.Grid->TopRow() + 1)), Settle();
            }
            EXPECT_FALSE(F.Editing());
            // An editor left as it opened leaves its cell; one changed stores what it shows, as the column keeps a float.
            WideString Stored = Escape || Shown == Opened ? Before : Shown;
            if (K.Editor == edFloatSpinEdit && Stored != Before) Stored = AnsiToWide(Format(F.Grid->FloatFormat(), {Extended(StrToFloat(WideToAnsi(Shown)))}));
            const Integer Row = K.Cell.Y == 0 ? 0 : F.RowOf("r" + IntToStr(K.Cell.Y) + "c1");
            EXPECT_EQ(Stored, StoredLetters(F.Grid, K.Cell.X, Row)) << WideToUtf8(Shown);
            EXPECT_LE(F.Checks, Fixed || Escape ? 0 : 1);
            EXPECT_EQ(Escape && !Fixed ? 1 : 0, F.Escapes);
        }
}

TEST(ExtGridEditorLaw, WhatIsTypedIsStoredAsShownWhateverTheEditorAndTheRoadASCII) { TypedIsStoredAsShown("ASCII", u"k"); }
TEST(ExtGridEditorLaw, WhatIsTypedIsStoredAsShownWhateverTheEditorAndTheRoadTurkish) { TypedIsStoredAsShown("Turkish", u"\u015F"); }
TEST(ExtGridEditorLaw, WhatIsTypedIsStoredAsShownWhateverTheEditorAndTheRoadOutsideTheCodePage) { TypedIsStoredAsShown("outside the code page", u"\u03A9"); }
