// Every place raising a grid event, its handler freeing the grid, driven by the user's road (clicks, keys,
// editors, drops): the raising call leaves the freed grid alone. A new event or place joins with one line.
#include <gtest/gtest.h>

#include "grid/EsgDD.h"
#include "grid/ExtGridEditors.h"
#include "grid/ExtGridLink.h"
#include "grid/ExtUtil.h"
#include "grid/GridTestKit.h"
#include "platform/sheet/SheetFiles.h"
#include "platform/ui/Clipbrd.h"
#include "platform/ui/DragDrop.h"
#include "support/Scribble.h"
#include "support/SourceEvents.h"

#include <QCursor>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QWheelEvent>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>

using namespace uitest;

namespace {

// The program's own cell editor, a plain edit.
class TOwnEditor : public TEditLink {
public:
    using TEditLink::TEditLink;
    TEdit* Edit = nullptr;
    TWinControl* GetEditControl() override { return Edit; }
    void CreateEditor(TWinControl* AParent) override { if (!Edit) Edit = new TEdit(this); Edit->SetParent(AParent); }
    void DestroyEditor() override { delete std::exchange(Edit, nullptr); }
    void GetEditorValue(AnsiString& S) override { S = Edit->Text(); }
    void SetEditorValue(const AnsiString& S) override { Edit->SetText(S); }
};

class GridLifetimes;
using TStep = void (*)(GridLifetimes& F);
struct TLifeCase {
    const char* Name;   // the event, then "By" and the road when the event has several
    TStep Hear;         // sets the handler (and what the road needs)
    TStep Road;
    const char* Site = nullptr;   // the function raising it; needed where the event has several
};

class GridLifetimes : public ::testing::TestWithParam<TLifeCase> {
public:
    TManualClock Clock;   // before the grid, whose timers then tick only when a road moves it on
    gridtest::TEditingGrid F{4, 6};
    TExtStringGrid* G = F.Grid;
    int frees = 0;

    // A handler of any signature that frees the grid, as a handler closing its form does,
    // and reads its own state after the free: the grid must call it from a copy.
    auto FreeGrid() {
        return [this, Seen = std::make_shared<int>(0)](auto&&...) { Free(), ++*Seen; };
    }
    // A handler freeing the grid at its N-th call, for a place the road reaches after another.
    auto FreeAtCall(int N) { return [this, N, Seen = std::make_shared<int>(0)](auto&&...) { if (++*Seen == N) Free(); }; }
    // One cell's text on the clipboard, pasted with Ctrl+V over three selected cells.
    void SmartPaste() {
        Clipboard()->SetAsText("a"), F.Options({goRangeSelect});
        G->Navigation()->SetAllowClipboardShortCuts(true), G->Navigation()->SetAllowSmartClipboard(true);
    }
    // The whole grid, no fixed cells, copied with Ctrl+A Ctrl+C; cell (2, 2) may not be edited.
    void CopyWholeGrid() {
        G->SetFixedCols(0), G->SetFixedRows(0), SmartPaste();
        G->Navigation()->SetAllowFmtClipboard(true), G->SetCells(2, 2, "k");
        G->OnCanEditCell = [](TObject*, Integer R, Integer C, bool& Can) { Can = C != 2 || R != 2; };
        F.Key(Qt::Key_A, Qt::ControlModifier), F.Key(Qt::Key_C, Qt::ControlModifier);
    }
    // Cells (1, 1) to (1, 3) copied in the grid's own format, the cursor back on (1, 1).
    void CopyBlock() {
        SmartPaste(), G->Navigation()->SetAllowFmtClipboard(true), G->Navigation()->SetAllowSmartClipboard(false);
        for (Integer R = 1; R <= 3; ++R) G->SetCells(1, R, "b");
        F.Key(Qt::Key_Down, Qt::ShiftModifier), F.Key(Qt::Key_Down, Qt::ShiftModifier), F.Key(Qt::Key_C, Qt::ControlModifier), F.Key(Qt::Key_Up);
    }
    void PasteOverThree() { F.Key(Qt::Key_Down, Qt::ShiftModifier), F.Key(Qt::Key_Down, Qt::ShiftModifier), F.Key(Qt::Key_V, Qt::ControlModifier); }
    void Free() {
        if (!F.Grid) return;
        ++frees;
        delete std::exchange(F.Grid, nullptr);
    }
    void Mouse(std::initializer_list<QEvent::Type> Ts, QPoint P, Qt::MouseButton B = Qt::LeftButton, QWidget* W = nullptr) {
        for (QEvent::Type T : Ts)
            if (F.Grid) SendMouse(W ? W : F.Grid->Widget(), T, P, B, T == QEvent::MouseButtonRelease ? Qt::NoButton : B);
    }
    void Press(Integer C, Integer R) { Mouse({QEvent::MouseButtonPress, QEvent::MouseButtonRelease}, F.Centre(C, R)); }
    void PressAt(QPoint P) { Mouse({QEvent::MouseButtonPress, QEvent::MouseButtonRelease}, P); }
    void Key(int K) { F.Key(K); }
    // F2 on cell (1, 1), "x" typed, Enter.
    void EditAndEnter() {
        F.Edit(1, 1);
        TypeText(u"x");
        if (F.Grid) PressEnter();
    }
    // A list editor open on cell (1, 1).
    void OpenCombo() {
        F.EditorInColumn1(edComboList);
        for (const char* S : {"bir", "iki", "üç"}) G->Combobox()->Items()->Add(S);
        F.Edit(1, 1);
    }
    // The editor E open on cell (1, 1).
    void OpenEditor(TEditorType E) {
        F.EditorInColumn1(E);
        F.Edit(1, 1);
    }
    void Radio() {
        G->SetRowHeights(2, 60);
        TCellGraphic* B = G->CreateCellGraphic(2, 2);
        B->SetCellType(ctRadio);
        B->SetCellBoolean(true);
        auto* Values = new TStringList();
        Values->Add("A");
        Values->Add("B");
        B->SetGraphic(Values, true);
        B->SetCellIndex(1);
    }
    void Resizer() {
        F.Options({goRangeSelect});
        G->SetSelectionRectangle(true);
        G->SetSelectionResizer(true);
    }
    void AdvanceInsert() {
        G->Navigation()->SetAdvanceOnEnter(true);
        G->Navigation()->SetAdvanceDirection(adTopBottom);
        G->Navigation()->SetAdvanceInsert(true);
    }
    // A form control of Type in cell (1, R).
    void CellControl(const char* Type, Integer R = 1) {
        G->SetColWidths(1, 200);
        G->SetRowHeights(R, 30);
        G->SetCells(1, R, AnsiString("<CONTROL TYPE=\"") + Type + "\" ID=\"c\" VALUE=\"a\" WIDTH=\"60\"> <B>x</B>");
    }
    QPoint ControlPoint(Integer R = 1) const { return QPoint(G->CellRect(1, R).Left + 12, F.Centre(1, R).y()); }
    // A drag from outside rests near the bottom edge while the drag-scroll clock runs.
    void HoverNearTheBottom() {
        QMimeData Mime;
        Mime.setText(QStringLiteral("x"));
        const QPoint P(100, G->ClientHeight() - 5);
        QDragEnterEvent E(P, Qt::CopyAction, &Mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(G->Widget(), &E);
        Clock.Clock.Advance(1000);
        if (F.Grid) {
            QDragLeaveEvent L;
            QApplication::sendEvent(F.Grid->Widget(), &L);
        }
    }
    void ButtonIn22() {
        TCellGraphic* B = G->CreateCellGraphic(2, 2);
        B->SetCellType(ctButton);
        B->SetCellIndex(40 | (16 << 16));
        G->Widget()->repaint();   // the painter places the button
    }
    // OnCanEditCell freeing the grid when asked about cell (C, R) the N-th time.
    auto FreeAskedFor(Integer C, Integer R, int N = 1) {
        return [this, C, R, N, Seen = std::make_shared<int>(0)](TObject*, Integer AR, Integer AC, bool&) { if (AC == C && AR == R && ++*Seen == N) Free(); };
    }
    // The EDIT form control of cell (1, R) open.
    void OpenFormEdit(Integer R = 1) { CellControl("EDIT", R), PressAt(ControlPoint(R)), Settle(); }
    // Cell (1, 1) edited in the program's own editor.
    void OpenOwnEditor() { G->SetDefaultEditor(edCustom), G->SetEditLink(new TOwnEditor(F.Form.get())), F.Edit(1, 1); }
    // "x" typed in cell (1, 1) of a one-line editor closed by Ctrl+Enter: the edit is pending, the grid has the keys.
    void PendingEdit() { G->Navigation()->SetAllowCtrlEnter(false), F.Edit(1, 1), TypeText(u"x"), F.Key(Qt::Key_Return, Qt::ControlModifier); }
    // A check box in cell (2, 2), the current cell.
    void CheckBoxIn22() { G->CreateCellGraphic(2, 2)->SetCellType(ctCheckBox), G->SetCol(2), G->SetRow(2); }
    void ClickOn(TControl* C) {
        if (C) Click(C, QPoint(C->Width() / 2, C->Height() / 2));
    }
    // A grid on another screen takes what is dragged from cell (1, 1) of this one.
    std::unique_ptr<gridtest::TEditingGrid> Other;
    void DropOnOther() {
        Other = std::make_unique<gridtest::TEditingGrid>(4, 6);
        Other->Grid->DragDropSettings()->SetOleDropTarget(true);
        TGridOptions O = G->Options();
        G->SetOptions(O.Exclude(goEditing));
        G->DragDropSettings()->SetOleDropSource(true);
        SetDragHandler([this](TControl*, const TDataObject& Data, Integer Allowed) {
            const QPoint P = Other->Centre(DropAt.X, DropAt.Y);
            return DeliverDrop(Other->Grid, P.x(), P.y(), Data, Allowed);
        });
    }
    TPoint DropAt{2, 2};
    void Drag(TPoint From = {1, 1}) { DragFromTo(F.Centre(From.X, From.Y), F.Centre(From.X, From.Y) + QPoint(12, 0)); }
    void Wheel(int Delta) {
        const QPointF P = F.Centre(2, 2);
        QWheelEvent E(P, F.Grid->Widget()->mapToGlobal(P), QPoint(), QPoint(0, Delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(F.Grid->Widget(), &E);
    }
    ~GridLifetimes() override { SetDragHandler(nullptr); }
    void Move(QPoint P) { if (F.Grid) SendMouse(F.Grid->Widget(), QEvent::MouseMove, P, Qt::NoButton, Qt::NoButton); }
    // A left drag on this grid from P to Q.
    void DragFromTo(QPoint P, QPoint Q) {
        Mouse({QEvent::MouseButtonPress}, P);
        for (int I = 1; I <= 4; ++I)
            if (F.Grid) SendMouse(F.Grid->Widget(), QEvent::MouseMove, P + (Q - P) * I / 4, Qt::NoButton, Qt::LeftButton);
        Mouse({QEvent::MouseButtonRelease}, Q);
    }
    QPoint ColEdge(Integer C) { return QPoint(G->CellRect(C, 0).Right, F.Centre(C, 0).y()); }
    void EdgeDblClick() { Mouse({QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}, ColEdge(1)); }
    QPoint RowEdge(Integer R) { return QPoint(F.Centre(0, R).x(), G->CellRect(0, R).Bottom); }
    // Text dropped on cell (2, 2), a file with File, rich text with Rich.
    void Drop(const char* File = nullptr, const char* Rich = nullptr) {
        G->DragDropSettings()->SetOleDropRTF(Rich != nullptr);
        TDataObject D;
        if (File) D.SetFiles({File});
        else if (Rich) MakeDragData(D, "a", -1, Rich);
        else D.SetAsText("a");
        G->DragDropSettings()->SetOleDropTarget(true), G->DragDropSettings()->SetOleAcceptFiles(true);
        const QPoint P = F.Centre(2, 2);
        DeliverDrop(G, P.x(), P.y(), D, DROPEFFECT_COPY);
    }
    // An edit before the grid, editor E open on (1, 1) with "7" typed; then a click on the edit, or Tab out.
    void EditThenLeave(TEditorType E, bool ByTab = false) {
        F.AddEditBefore(), G->SetFocus(), Settle();
        if (E == edRichEdit) G->SetCells(1, 1, "{\\rtf1\\ansi kelime\\par}");
        OpenEditor(E), TypeText(u"7");
        if (!F.Grid) return;
        if (ByTab) SystemKey(G, Qt::Key_Tab); else SystemClick(F.Before);
        Settle();
    }
    void CsvFile() { std::ofstream("/tmp/lifetimes.csv") << "a;b\nc;d\n"; }
    // The search panel shown, "s" typed in its edit; Button clicked when given.
    void Find(const char* Button) {
        G->SearchFooter()->SetVisible(true);
        auto* E = dynamic_cast<TEdit*>(G->SearchPanel()->FindComponent("FindEdit"));
        E->SetFocus();
        Settle();
        TypeText(u"s");
        if (Button && F.Grid) ClickOn(dynamic_cast<TControl*>(G->SearchPanel()->FindComponent(Button)));
    }
    // Enter in the last cell appends a row.
    void AppendOnEnter() { G->Navigation()->SetAdvanceOnEnter(true), G->Navigation()->SetAdvanceInsert(true), F.Edit(3, 5); }
    // A list editor open on (1, 1) and a check box right of it, where Enter in the list goes on to.
    void ListBeforeACheckBox() { G->Navigation()->SetAdvanceOnEnter(true), G->CreateCellGraphic(2, 1)->SetCellType(ctCheckBox), OpenCombo(); }
    // The program's own edit over cell (2, 3), "v" typed into it, then a click on another control.
    void TransEditThenLeave() {
        TGridTransEdit* E = G->TransEdit();
        F.AddEditBefore(), E->SetEditCol(2), E->SetEditRow(3), E->Show(), E->SetFocus(), Settle(), TypeText(u"v");
        if (F.Grid) SystemClick(F.Before), Settle();
    }
    // A workbook of one cell, written as the program writes its own.
    void WorkbookFile() {
        auto Excel = CreateOleObject("excel.application");
        TExcelWorkbook* Book = Excel->Workbooks()->Add();
        Book->Worksheets(1)->SetCells(1, 1, Variant(AnsiString("a"))), WriteXlsxFile(*Book, "/tmp/lifetimes.xlsx");
    }
    // A double click on the open text editor of cell (1, 1).
    void DblClickTheEditor() { Mouse({QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}, QPoint(4, 8), Qt::LeftButton, G->InplaceEditor()->Widget()); }
};

// A link editing in a combo box of its own.
struct TComboLink : TEditLink {
    TComboBox* Combo = new TComboBox(this);
    explicit TComboLink(TComponent* AOwner) : TEditLink(AOwner) { SetWantKeyUpDown(true), Combo->Items()->SetText("bir\r\niki"); }
    TWinControl* GetEditControl() override { return Combo; }
    void CreateEditor(TWinControl* AParent) override { Combo->SetParent(AParent); }
};

QPoint NodeButton(GridLifetimes& F) { return QPoint(F.G->CellRect(0, 2).Left + 6, F.F.Centre(0, 2).y()); }

const TLifeCase kCases[] = {
    {"OnClickCell", [](GridLifetimes& F) { F.G->OnClickCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.Press(2, 2); }, "TExtStringGrid::DataCellPressed"},
    {"OnClick", [](GridLifetimes& F) { F.G->OnClick = F.FreeGrid(); }, [](GridLifetimes& F) { F.Press(2, 2); }, "TControl::QtEvent"},
    {"OnMouseDown", [](GridLifetimes& F) { F.G->OnMouseDown = F.FreeGrid(); }, [](GridLifetimes& F) { F.Press(2, 2); }, "TControl::QtEvent"},
    {"OnMouseUp", [](GridLifetimes& F) { F.G->OnMouseUp = F.FreeGrid(); }, [](GridLifetimes& F) { F.Press(2, 2); }, "TControl::QtEvent"},
    {"OnDblClick", [](GridLifetimes& F) { F.G->OnDblClick = F.FreeGrid(); }, [](GridLifetimes& F) { F.Mouse({QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}, F.F.Centre(2, 2)); }, "TControl::QtEvent"},
    {"OnDblClickCell", [](GridLifetimes& F) { F.G->OnDblClickCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.Mouse({QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}, F.F.Centre(2, 2)); }, "TExtStringGrid::DblClick"},
    {"OnRightClickCell", [](GridLifetimes& F) { F.G->OnRightClickCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.Mouse({QEvent::MouseButtonPress, QEvent::MouseButtonRelease}, F.F.Centre(2, 2), Qt::RightButton); }},
    {"OnCheckBoxClick", [](GridLifetimes& F) { F.G->CreateCellGraphic(2, 2)->SetCellType(ctCheckBox); F.G->OnCheckBoxClick = F.FreeGrid(); }, [](GridLifetimes& F) { F.Press(2, 2); }, "TExtStringGrid::LeftPress"},
    {"OnCheckBoxClickBySpace", [](GridLifetimes& F) { F.G->CreateCellGraphic(2, 2)->SetCellType(ctCheckBox); F.G->SetCol(2), F.G->SetRow(2); F.G->OnCheckBoxClick = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Key(Qt::Key_Space, Qt::NoModifier, " "); }, "TExtStringGrid::ControlCellKey"},
    {"OnRowChanging", [](GridLifetimes& F) { F.G->OnRowChanging = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Down); }},
    {"OnColChanging", [](GridLifetimes& F) { F.G->OnColChanging = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Right); }},
    {"OnCellChanging", [](GridLifetimes& F) { F.G->OnCellChanging = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Down); }},
    {"OnSelectCell", [](GridLifetimes& F) { F.G->OnSelectCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Down); }, "TCustomGrid::MoveCurrent"},
    {"OnSelectCellByClick", [](GridLifetimes& F) { F.G->OnSelectCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.Press(3, 3); }, "TCustomGrid::MoveCurrent"},
    {"OnSelectionChanged", [](GridLifetimes& F) { F.G->OnSelectionChanged = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Down); }, "TExtStringGrid::KeyDown"},
    {"OnTopLeftChanged", [](GridLifetimes& F) { F.G->SetRowCount(80); F.G->OnTopLeftChanged = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_PageDown); }},
    {"OnAutoAddRow", [](GridLifetimes& F) { F.G->SetRow(5); F.G->Navigation()->SetAppendOnArrowDown(true); F.G->OnAutoAddRow = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Down); }, "TExtStringGrid::KeyDown"},
    {"OnKeyDown", [](GridLifetimes& F) { F.G->OnKeyDown = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Down); }, "TWinControl::QtEvent"},
    {"OnKeyUp", [](GridLifetimes& F) { F.G->OnKeyUp = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Down); }},
    {"OnKeyPress", [](GridLifetimes& F) { F.G->OnKeyPress = F.FreeGrid(); }, [](GridLifetimes& F) { TypeText(u"x"); }, "TWinControl::QtEvent"},
    {"OnCellValidate", [](GridLifetimes& F) { F.G->OnCellValidate = F.FreeGrid(); }, [](GridLifetimes& F) { F.EditAndEnter(); }, "TExtStringGrid::Validate"},
    {"OnEditChange", [](GridLifetimes& F) { F.G->OnEditChange = F.FreeGrid(); }, [](GridLifetimes& F) { F.EditAndEnter(); }, "TExtInplaceEdit::Change"},
    {"OnEditingDone", [](GridLifetimes& F) { F.G->OnEditingDone = F.FreeGrid(); }, [](GridLifetimes& F) { F.EditAndEnter(); }, "TExtStringGrid::EditorHidden"},
    {"OnEditingDoneByTabFromAList", [](GridLifetimes& F) { F.F.Options({goTabs}); F.OpenCombo(); F.G->OnEditingDone = F.FreeGrid(); }, [](GridLifetimes& F) { PressTab(); }, "TExtStringGrid::EndEditorControl"},
    {"OnEditingDoneByClickAwayFromAList", [](GridLifetimes& F) { F.OpenCombo(); F.G->OnEditingDone = F.FreeGrid(); }, [](GridLifetimes& F) { F.Press(3, 4); }, "TExtStringGrid::EndEditorControl"},
    {"OnEditingDoneByEnterInAList", [](GridLifetimes& F) { F.OpenCombo(); F.G->OnEditingDone = F.FreeGrid(); }, [](GridLifetimes& F) { PressEnter(); }, "TExtStringGrid::EndEditorControl"},
    {"OnComboChange", [](GridLifetimes& F) { F.OpenCombo(); F.G->OnComboChange = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Down); }, "TGridComboEditor::Select"},
    {"OnExpandNode", [](GridLifetimes& F) { F.G->AddNode(2, 2); F.G->ContractNode(2); F.G->OnExpandNode = F.FreeGrid(); }, [](GridLifetimes& F) { F.PressAt(NodeButton(F)); }},
    {"OnContractNode", [](GridLifetimes& F) { F.G->AddNode(2, 2); F.G->OnContractNode = F.FreeGrid(); }, [](GridLifetimes& F) { F.PressAt(NodeButton(F)); }},
    {"OnClickSort", [](GridLifetimes& F) { F.G->SortSettings()->SetShow(true); F.G->OnClickSort = F.FreeGrid(); }, [](GridLifetimes& F) { F.Press(1, 0); }},
    {"OnCanSort", [](GridLifetimes& F) { F.G->SortSettings()->SetShow(true); F.G->OnCanSort = F.FreeGrid(); }, [](GridLifetimes& F) { F.Press(1, 0); }},
    {"OnAnchorClick", [](GridLifetimes& F) { F.G->SetCells(1, 1, "<A href=\"CELL://R4C3\">go</A>"); F.G->OnAnchorClick = F.FreeGrid(); }, [](GridLifetimes& F) { F.PressAt(QPoint(F.G->CellRect(1, 1).Left + 6, F.F.Centre(1, 1).y())); }, "TExtStringGrid::LeftPress"},
    {"OnClipboardCopy", [](GridLifetimes& F) { F.G->Navigation()->SetAllowClipboardShortCuts(true); F.G->OnClipboardCopy = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Key(Qt::Key_C, Qt::ControlModifier); }, "TExtStringGrid::KeyDown"},
    {"OnClipboardCut", [](GridLifetimes& F) { F.G->Navigation()->SetAllowClipboardShortCuts(true); F.G->OnClipboardCut = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Key(Qt::Key_X, Qt::ControlModifier); }, "TExtStringGrid::KeyDown"},
    {"OnClipboardPaste", [](GridLifetimes& F) { F.G->Navigation()->SetAllowClipboardShortCuts(true); F.G->OnClipboardPaste = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Key(Qt::Key_V, Qt::ControlModifier); }, "TExtStringGrid::KeyDown"},
    {"OnAutoInsertRow", [](GridLifetimes& F) { F.G->Navigation()->SetAllowInsertRow(true); F.G->OnAutoInsertRow = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Insert); }},
    {"OnCanDeleteRow", [](GridLifetimes& F) { F.G->Navigation()->SetAllowDeleteRow(true); F.G->OnCanDeleteRow = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Delete); }},
    {"OnAutoDeleteRow", [](GridLifetimes& F) { F.G->Navigation()->SetAllowDeleteRow(true); F.G->OnAutoDeleteRow = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Delete); }},
    {"OnCanEditCell", [](GridLifetimes& F) { F.G->OnCanEditCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Edit(1, 1); }, "TExtStringGrid::CellEditable"},
    {"OnCanEditCellByAClickOnTheCurrentCell", [](GridLifetimes& F) { F.G->OnCanEditCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.Press(1, 1); }, "TExtStringGrid::CanEditShow"},
    {"OnCanEditCellByEnter", [](GridLifetimes& F) { F.G->OnCanEditCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Return); }, "TExtStringGrid::CellEditable"},
    {"OnGetEditorType", [](GridLifetimes& F) { F.G->OnGetEditorType = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Edit(1, 1); }, "TExtStringGrid::CanEditShow"},
    {"OnButtonClick", [](GridLifetimes& F) { F.ButtonIn22(); F.G->OnButtonClick = F.FreeGrid(); }, [](GridLifetimes& F) { F.Press(2, 2); }, "TExtStringGrid::ButtonRelease"},
    {"OnEllipsClick", [](GridLifetimes& F) { F.OpenEditor(edEditBtn); F.G->OnEllipsClick = F.FreeGrid(); }, [](GridLifetimes& F) { F.ClickOn(F.G->BtnEdit()->Button()->Button()); }, "TGridEditBtn::TGridEditBtn"},
    {"OnEllipsClickByAUnicodeCell", [](GridLifetimes& F) { F.G->SetCells(1, 1, WideToCellText(u"\u0416")); F.OpenEditor(edEditBtn); F.G->OnEllipsClick = F.FreeGrid(); }, [](GridLifetimes& F) { F.ClickOn(F.G->UniEditBtn()->Button()->Button()); }, "TGridUniEditBtn::TGridUniEditBtn"},
    {"OnEllipsClickByAPushButton", [](GridLifetimes& F) { F.OpenEditor(edButton); F.G->OnEllipsClick = F.FreeGrid(); }, [](GridLifetimes& F) { F.ClickOn(F.G->ButtonEditor()); }, "TGridButton::Click"},
    {"OnOleDroppedByFreeingTheSource", [](GridLifetimes& F) { F.DropOnOther(); F.Other->Grid->OnOleDropped = [&F](auto&&...) { F.Free(); }; }, [](GridLifetimes& F) { F.Drag(); }},
    {"OnSelectCellByDisjunctRelease", [](GridLifetimes& F) { F.G->MouseActions()->SetDisjunctCellSelect(true); F.G->OnSelectCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.Press(1, 1); }, "TExtStringGrid::DisjunctCellRelease"},
    {"OnComboCloseUp", [](GridLifetimes& F) { F.OpenCombo(); F.G->OnComboCloseUp = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Key(Qt::Key_Down, Qt::AltModifier); Settle(); F.F.Key(Qt::Key_Escape); }, "TGridCombo::TGridCombo"},
    {"OnAnchorEnter", [](GridLifetimes& F) { F.G->SetCells(1, 1, "<A href=\"x\">go</A>"); F.G->OnAnchorEnter = F.FreeGrid(); }, [](GridLifetimes& F) { F.Move(QPoint(F.G->CellRect(1, 1).Left + 6, F.F.Centre(1, 1).y())); }},
    {"OnAnchorExit", [](GridLifetimes& F) { F.G->SetCells(1, 1, "<A href=\"x\">go</A>"); F.G->OnAnchorExit = F.FreeGrid(); }, [](GridLifetimes& F) { F.Move(QPoint(F.G->CellRect(1, 1).Left + 6, F.F.Centre(1, 1).y())); F.Move(F.F.Centre(3, 3)); }},
    {"OnBeforeExpandNode", [](GridLifetimes& F) { F.G->AddNode(2, 2); F.G->ContractNode(2); F.G->OnBeforeExpandNode = F.FreeGrid(); }, [](GridLifetimes& F) { F.PressAt(NodeButton(F)); }},
    {"OnBeforeContractNode", [](GridLifetimes& F) { F.G->AddNode(2, 2); F.G->OnBeforeContractNode = F.FreeGrid(); }, [](GridLifetimes& F) { F.PressAt(NodeButton(F)); }},
    {"OnCanAddRow", [](GridLifetimes& F) { F.G->SetRow(5); F.G->Navigation()->SetAppendOnArrowDown(true); F.G->OnCanAddRow = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Down); }, "TExtStringGrid::KeyDown"},
    {"OnCanInsertRow", [](GridLifetimes& F) { F.G->Navigation()->SetAllowInsertRow(true); F.G->OnCanInsertRow = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Insert); }},
    {"OnCanClickCell", [](GridLifetimes& F) { F.G->OnCanClickCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.Press(2, 2); }},
    {"OnCellValidateWide", [](GridLifetimes& F) { F.G->SetCells(1, 1, WideToCellText(u"\u0416")); F.G->OnCellValidateWide = F.FreeGrid(); }, [](GridLifetimes& F) { F.EditAndEnter(); }},
    {"OnCheckBoxMouseUp", [](GridLifetimes& F) { F.G->CreateCellGraphic(2, 2)->SetCellType(ctCheckBox); F.G->OnCheckBoxMouseUp = F.FreeGrid(); }, [](GridLifetimes& F) { F.Press(2, 2); }},
    {"OnRadioClick", [](GridLifetimes& F) { F.Radio(); F.G->OnRadioClick = F.FreeGrid(); }, [](GridLifetimes& F) { F.PressAt(QPoint(F.G->CellRect(2, 2).Left + 10, F.G->CellRect(2, 2).Top + 4)); }, "TExtStringGrid::LeftPress"},
    {"OnRadioMouseUp", [](GridLifetimes& F) { F.Radio(); F.G->OnRadioMouseUp = F.FreeGrid(); }, [](GridLifetimes& F) { F.PressAt(QPoint(F.G->CellRect(2, 2).Left + 10, F.G->CellRect(2, 2).Top + 4)); }},
    {"OnClipboardBeforePasteCell", [](GridLifetimes& F) { Clipboard()->SetAsText("a"); F.G->Navigation()->SetAllowClipboardShortCuts(true); F.G->OnClipboardBeforePasteCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Key(Qt::Key_V, Qt::ControlModifier); }, "TExtStringGrid::PasteText"},
    {"OnClipboardBeforePasteWideCell", [](GridLifetimes& F) { Clipboard()->SetAsWideText(u"\u0416"); F.G->Navigation()->SetAllowClipboardShortCuts(true); F.G->OnClipboardBeforePasteWideCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Key(Qt::Key_V, Qt::ControlModifier); }},
    {"OnComboObjectChange", [](GridLifetimes& F) { F.OpenCombo(); F.G->OnComboObjectChange = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Down); }, "TGridComboEditor::Select"},
    {"OnSpinClick", [](GridLifetimes& F) { F.OpenEditor(edSpinEdit); F.G->OnSpinClick = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Up); }, "TGridSpin::Stepped"},
    {"OnFloatSpinClick", [](GridLifetimes& F) { F.OpenEditor(edFloatSpinEdit); F.G->OnFloatSpinClick = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Up); }},
    {"OnDateSpinClick", [](GridLifetimes& F) { F.OpenEditor(edDateSpinEdit); F.G->OnDateSpinClick = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Up); }},
    {"OnTimeSpinClick", [](GridLifetimes& F) { F.OpenEditor(edTimeSpinEdit); F.G->OnTimeSpinClick = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Up); }},
    {"OnDateTimeChange", [](GridLifetimes& F) { F.OpenEditor(edDateEditUpDown); F.G->OnDateTimeChange = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Up); }},
    {"OnEnter", [](GridLifetimes& F) { F.F.AddEditBefore(); F.G->OnEnter = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.TabIn(); }},
    {"OnExit", [](GridLifetimes& F) { F.F.AddEditBefore(); F.F.TabIn(); F.G->OnExit = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Tab); }},
    {"OnMouseMove", [](GridLifetimes& F) { F.G->OnMouseMove = F.FreeGrid(); }, [](GridLifetimes& F) { F.Move(F.F.Centre(2, 2)); }},
    {"OnResize", [](GridLifetimes& F) { F.G->SetAlign(alClient); Settle(); F.G->OnResize = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Form->SetBounds(0, 0, 300, 200); Settle(); }},
    {"OnColumnSize", [](GridLifetimes& F) { F.F.Options({goColSizing}); F.G->OnColumnSize = F.FreeGrid(); }, [](GridLifetimes& F) { F.DragFromTo(F.ColEdge(1), F.ColEdge(1) + QPoint(30, 0)); }, "TExtStringGrid::CalcSizingState"},
    {"OnEndColumnSize", [](GridLifetimes& F) { F.F.Options({goColSizing}); F.G->OnEndColumnSize = F.FreeGrid(); }, [](GridLifetimes& F) { F.DragFromTo(F.ColEdge(1), F.ColEdge(1) + QPoint(30, 0)); }, "TExtStringGrid::ColWidthsChanged"},
    {"OnColumnSizeByDblClick", [](GridLifetimes& F) { F.F.Options({goColSizing}); F.G->OnColumnSize = F.FreeGrid(); }, [](GridLifetimes& F) { F.EdgeDblClick(); }, "TExtStringGrid::DblClick"},
    {"OnEndColumnSizeByDblClick", [](GridLifetimes& F) { F.F.Options({goColSizing}); F.G->OnEndColumnSize = F.FreeGrid(); }, [](GridLifetimes& F) { F.EdgeDblClick(); }, "TExtStringGrid::DblClick"},
    {"OnEndColumnSizeByAFixedColumn", [](GridLifetimes& F) { F.G->MouseActions()->SetSizeFixedCol(true); F.G->OnEndColumnSize = F.FreeGrid(); }, [](GridLifetimes& F) { F.DragFromTo(F.ColEdge(0), F.ColEdge(0) + QPoint(30, 0)); }, "TExtStringGrid::FixedSizingEnd"},
    {"OnUpdateColumnSizeByAFixedColumn", [](GridLifetimes& F) { F.G->MouseActions()->SetSizeFixedCol(true); F.G->OnUpdateColumnSize = F.FreeGrid(); }, [](GridLifetimes& F) { F.DragFromTo(F.ColEdge(0), F.ColEdge(0) + QPoint(30, 0)); }, "TExtStringGrid::FixedSizingEnd"},
    {"OnEndRowSizeByAFixedRow", [](GridLifetimes& F) { F.G->MouseActions()->SetSizeFixedRow(true); F.G->OnEndRowSize = F.FreeGrid(); }, [](GridLifetimes& F) { F.DragFromTo(F.RowEdge(0), F.RowEdge(0) + QPoint(0, 20)); }, "TExtStringGrid::FixedSizingEnd"},
    {"OnEndRowSizeByTypingInAWrappedCell", [](GridLifetimes& F) { F.G->SizeWhileTyping()->SetHeight(true); F.G->SetWordWrap(true); F.F.Edit(1, 1); F.G->OnEndRowSize = F.FreeGrid(); }, [](GridLifetimes& F) { TypeText(u"x"); }, "TExtInplaceEdit::KeyUp"},
    {"OnEndRowSizeByCtrlEnterInTheEditor", [](GridLifetimes& F) { F.G->SizeWhileTyping()->SetHeight(true); F.G->SetMultilinecells(true); F.F.Edit(1, 1); F.G->OnEndRowSize = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Key(Qt::Key_Return, Qt::ControlModifier); }, "TExtInplaceEdit::BreakLine"},
    {"OnRowSize", [](GridLifetimes& F) { F.F.Options({goRowSizing}); F.G->OnRowSize = F.FreeGrid(); }, [](GridLifetimes& F) { F.DragFromTo(F.RowEdge(1), F.RowEdge(1) + QPoint(0, 20)); }},
    {"OnEndRowSize", [](GridLifetimes& F) { F.F.Options({goRowSizing}); F.G->OnEndRowSize = F.FreeGrid(); }, [](GridLifetimes& F) { F.DragFromTo(F.RowEdge(1), F.RowEdge(1) + QPoint(0, 20)); }, "TExtStringGrid::RowHeightsChanged"},
    {"OnColumnMove", [](GridLifetimes& F) { F.F.Options({goColMoving}); F.G->OnColumnMove = F.FreeGrid(); }, [](GridLifetimes& F) { F.DragFromTo(F.F.Centre(1, 0), F.F.Centre(3, 0)); }},
    {"OnColumnMoved", [](GridLifetimes& F) { F.F.Options({goColMoving}); F.G->OnColumnMoved = F.FreeGrid(); }, [](GridLifetimes& F) { F.DragFromTo(F.F.Centre(1, 0), F.F.Centre(3, 0)); }},
    {"OnRowMove", [](GridLifetimes& F) { F.F.Options({goRowMoving}); F.G->OnRowMove = F.FreeGrid(); }, [](GridLifetimes& F) { F.DragFromTo(F.F.Centre(0, 1), F.F.Centre(0, 4)); }},
    {"OnRowMoved", [](GridLifetimes& F) { F.F.Options({goRowMoving}); F.G->OnRowMoved = F.FreeGrid(); }, [](GridLifetimes& F) { F.DragFromTo(F.F.Centre(0, 1), F.F.Centre(0, 4)); }},
    {"OnOleDrag", [](GridLifetimes& F) { F.DropOnOther(); F.G->OnOleDrag = F.FreeGrid(); }, [](GridLifetimes& F) { F.Drag(); }},
    {"OnOleDragStart", [](GridLifetimes& F) { F.DropOnOther(); F.G->OnOleDragStart = F.FreeGrid(); }, [](GridLifetimes& F) { F.Drag(); }},
    {"OnOleDragStop", [](GridLifetimes& F) { F.DropOnOther(); F.G->OnOleDragStop = F.FreeGrid(); }, [](GridLifetimes& F) { F.Drag(); }},
    {"OnOleDrop", [](GridLifetimes& F) { F.G->OnOleDrop = F.FreeGrid(); }, [](GridLifetimes& F) { F.Drop(); }, "TExtStringGrid::OleDropText"},
    {"OnOleDragOver", [](GridLifetimes& F) { F.G->OnOleDragOver = F.FreeGrid(); }, [](GridLifetimes& F) { F.Drop(); }},
    {"OnOleDropped", [](GridLifetimes& F) { F.G->OnOleDropped = F.FreeGrid(); }, [](GridLifetimes& F) { F.Drop(); }},
    {"OnOleDropFile", [](GridLifetimes& F) { F.G->OnOleDropFile = F.FreeGrid(); }, [](GridLifetimes& F) { F.Drop("/tmp/a.txt"); }},
    {"OnAutoAdvance", [](GridLifetimes& F) { F.G->Navigation()->SetAdvanceOnEnter(true); F.G->OnAutoAdvance = F.FreeGrid(); }, [](GridLifetimes& F) { F.EditAndEnter(); }},
    {"OnRowUpdate", [](GridLifetimes& F) { F.G->OnRowUpdate = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Down); }},
    {"OnCellsChanged", [](GridLifetimes& F) { F.G->OnCellsChanged = F.FreeGrid(); }, [](GridLifetimes& F) { F.EditAndEnter(); }, "TExtStringGrid::Validate"},
    {"TSearchPanel_OnEditChange", [](GridLifetimes& F) { F.G->SearchPanel()->OnEditChange = F.FreeGrid(); }, [](GridLifetimes& F) { F.Find(nullptr); }, "TExtStringGrid::BuildSearchPanel"},
    {"TSearchPanel_OnForwardClick", [](GridLifetimes& F) { F.G->SearchPanel()->OnForwardClick = F.FreeGrid(); }, [](GridLifetimes& F) { F.Find("FindNextButton"); }},
    {"TSearchPanel_OnBackwardClick", [](GridLifetimes& F) { F.G->SearchPanel()->OnBackwardClick = F.FreeGrid(); }, [](GridLifetimes& F) { F.Find("FindPrevButton"); }},
    {"TSearchPanel_OnHighlightClick", [](GridLifetimes& F) { F.G->SearchPanel()->OnHighlightClick = F.FreeGrid(); }, [](GridLifetimes& F) { F.Find("HighlightButton"); }},
    {"TSearchPanel_OnExitClick", [](GridLifetimes& F) { F.G->SearchPanel()->OnExitClick = F.FreeGrid(); }, [](GridLifetimes& F) { F.Find("CloseButton"); }},
    {"OnUpdateColumnSize", [](GridLifetimes& F) { F.F.Options({goColSizing}); F.G->OnUpdateColumnSize = F.FreeGrid(); }, [](GridLifetimes& F) { F.DragFromTo(F.ColEdge(1), F.ColEdge(1) + QPoint(30, 0)); }, "TExtStringGrid::ColWidthsChanged"},
    {"OnSelectionResize", [](GridLifetimes& F) { F.Resizer(); F.G->OnSelectionResize = F.FreeGrid(); }, [](GridLifetimes& F) { F.DragFromTo(QPoint(F.G->CellRect(1, 1).Right - 2, F.G->CellRect(1, 1).Bottom - 2), F.F.Centre(1, 3)); }},
    {"OnSelectionResized", [](GridLifetimes& F) { F.Resizer(); F.G->OnSelectionResized = F.FreeGrid(); }, [](GridLifetimes& F) { F.DragFromTo(QPoint(F.G->CellRect(1, 1).Right - 2, F.G->CellRect(1, 1).Bottom - 2), F.F.Centre(1, 3)); }},
    {"OnAutoInsertCol", [](GridLifetimes& F) { F.AdvanceInsert(); F.G->OnAutoInsertCol = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Edit(3, 5); TypeText(u"x"); PressEnter(); }},
    {"OnControlClick", [](GridLifetimes& F) { F.CellControl("CHECK"); F.G->OnControlClick = F.FreeGrid(); }, [](GridLifetimes& F) { F.PressAt(F.ControlPoint()); }},
    {"OnControlComboList", [](GridLifetimes& F) { F.CellControl("COMBO"); F.G->OnControlComboList = F.FreeGrid(); }, [](GridLifetimes& F) { F.PressAt(F.ControlPoint()); }},
    {"OnControlEditDone", [](GridLifetimes& F) { F.CellControl("EDIT"); F.G->OnControlEditDone = F.FreeGrid(); }, [](GridLifetimes& F) { F.PressAt(F.ControlPoint()); Settle(); PressEnter(); }, "LeaveKey"},
    {"OnOleDropColByFreeingTheSource", [](GridLifetimes& F) { F.DropOnOther(); F.G->DragDropSettings()->SetOleColumnDragDrop(true); F.G->SetEnhRowColMove(false); F.DropAt = {2, 0}; F.Other->Grid->OnOleDropCol = [&F](auto&&...) { F.Free(); }; }, [](GridLifetimes& F) { F.Drag({2, 0}); }},
    {"OnRichEditSelectionChange", [](GridLifetimes& F) { F.G->SetCells(1, 1, "{\\rtf1\\ansi kelime\\par}"); F.OpenEditor(edRichEdit); F.G->OnRichEditSelectionChange = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Key(Qt::Key_Right, Qt::ShiftModifier); }},
    {"OnDragScroll", [](GridLifetimes& F) { F.G->SetRowCount(80); F.G->DragScrollOptions()->SetActive(true); F.G->OnDragScroll = F.FreeGrid(); }, [](GridLifetimes& F) { F.HoverNearTheBottom(); }},
    {"OnFileProgressByADroppedFile", [](GridLifetimes& F) { std::ofstream("/tmp/lifetimes.csv") << "a;b\nc;d\n"; F.G->OnFileProgress = F.FreeGrid(); }, [](GridLifetimes& F) { F.Drop("/tmp/lifetimes.csv"); }, "TExtStringGrid::ImportCSVFile"},
    {"OnSetEditText", [](GridLifetimes& F) { F.G->OnSetEditText = F.FreeGrid(); }, [](GridLifetimes& F) { F.EditAndEnter(); }, "TCustomGrid::UpdateText"},
    {"OnCellValidateByClickAway", [](GridLifetimes& F) { F.G->OnCellValidate = F.FreeGrid(); }, [](GridLifetimes& F) { F.EditThenLeave(edNormal); }, "TExtStringGrid::Validate"},
    {"OnCellValidateByTabOut", [](GridLifetimes& F) { F.G->OnCellValidate = F.FreeGrid(); }, [](GridLifetimes& F) { F.EditThenLeave(edNormal, true); }, "TExtStringGrid::Validate"},
    {"OnCellsChangedByClickAway", [](GridLifetimes& F) { F.G->OnCellsChanged = F.FreeGrid(); }, [](GridLifetimes& F) { F.EditThenLeave(edNormal); }, "TExtStringGrid::Validate"},
    {"OnEditingDoneByClickAway", [](GridLifetimes& F) { F.G->OnEditingDone = F.FreeGrid(); }, [](GridLifetimes& F) { F.EditThenLeave(edNormal); }, "TExtStringGrid::EditorHidden"},
    {"OnEditingDoneByClickAwayFromASpin", [](GridLifetimes& F) { F.G->OnEditingDone = F.FreeGrid(); }, [](GridLifetimes& F) { F.EditThenLeave(edSpinEdit); }, "TExtStringGrid::EndEditorControl"},
    {"OnEditingDoneByClickAwayFromAListToAnotherControl", [](GridLifetimes& F) { F.G->OnEditingDone = F.FreeGrid(); for (const char* S : {"bir", "iki"}) F.G->Combobox()->Items()->Add(S); }, [](GridLifetimes& F) { F.EditThenLeave(edComboList); }, "TExtStringGrid::EndEditorControl"},
    {"OnEditingDoneByClickAwayFromARichEdit", [](GridLifetimes& F) { F.G->OnEditingDone = F.FreeGrid(); }, [](GridLifetimes& F) { F.EditThenLeave(edRichEdit); }, "TExtStringGrid::EndEditorControl"},
    {"OnOleDropByRichText", [](GridLifetimes& F) { F.G->OnOleDrop = F.FreeGrid(); }, [](GridLifetimes& F) { F.Drop(nullptr, "{\\rtf1 a}"); }, "TExtStringGrid::OleDropRTF"},
    {"OnOleDropByAFile", [](GridLifetimes& F) { F.CsvFile(); F.G->OnOleDrop = F.FreeGrid(); }, [](GridLifetimes& F) { F.Drop("/tmp/lifetimes.csv"); }, "TExtStringGrid::OleDropFiles"},
    {"OnCellsChangedByRichText", [](GridLifetimes& F) { F.G->OnCellsChanged = F.FreeGrid(); }, [](GridLifetimes& F) { F.Drop(nullptr, "{\\rtf1 a}"); }, "TExtStringGrid::OleDropRTF"},
    {"OnCellsChangedByHeaderSort", [](GridLifetimes& F) { F.G->SortSettings()->SetShow(true); F.G->OnCellsChanged = F.FreeGrid(); }, [](GridLifetimes& F) { F.Press(1, 0); }, "TExtStringGrid::ApplyRowOrder"},
    {"OnCellsChangedByInsertKey", [](GridLifetimes& F) { F.G->Navigation()->SetAllowInsertRow(true); F.G->OnCellsChanged = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Insert); }, "TExtStringGrid::InsertRows"},
    {"OnCellsChangedByDeleteKey", [](GridLifetimes& F) { F.G->Navigation()->SetAllowDeleteRow(true); F.G->OnCellsChanged = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Delete); }, "TExtStringGrid::DeleteGridRows"},
    {"OnCellsChangedByOwnFormatPaste", [](GridLifetimes& F) { F.G->Navigation()->SetAllowClipboardShortCuts(true); F.G->Navigation()->SetAllowFmtClipboard(true); F.G->SetCells(1, 1, "a"); }, [](GridLifetimes& F) { F.G->SetCol(1), F.G->SetRow(1); F.F.Key(Qt::Key_C, Qt::ControlModifier); F.G->OnCellsChanged = F.FreeGrid(); F.G->SetRow(2); F.F.Key(Qt::Key_V, Qt::ControlModifier); }, "TExtStringGrid::PasteAt"},
    {"OnCellsChangedByTextPaste", [](GridLifetimes& F) { Clipboard()->SetAsText("a\tb"); F.G->Navigation()->SetAllowClipboardShortCuts(true); F.G->OnCellsChanged = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Key(Qt::Key_V, Qt::ControlModifier); }, "TExtStringGrid::PasteText"},
    {"OnCellsChangedByCut", [](GridLifetimes& F) { F.G->Navigation()->SetAllowClipboardShortCuts(true); F.G->OnCellsChanged = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Key(Qt::Key_X, Qt::ControlModifier); }, "TExtStringGrid::CutToClipboard"},
    {"OnCellsChangedByEnterAddingAColumn", [](GridLifetimes& F) { F.AdvanceInsert(); F.G->OnCellsChanged = [&F](auto&&...) { if (F.G->ColCount() > 4) F.Free(); }; }, [](GridLifetimes& F) { F.F.Edit(3, 5); TypeText(u"x"); PressEnter(); }, "TExtStringGrid::InsertCols"},
    {"OnCellsChangedByADropInsertingRows", [](GridLifetimes& F) { F.G->DragDropSettings()->SetOleInsertRows(true); F.G->OnCellsChanged = F.FreeGrid(); }, [](GridLifetimes& F) { F.Drop(); }, "TExtStringGrid::InsertRows"},
    {"OnCellsChangedByADragMoveTakingRows", [](GridLifetimes& F) { F.DropOnOther(); F.G->DragDropSettings()->SetOleRemoveRows(true); F.F.Options({goRowSelect}); F.G->OnCellsChanged = F.FreeGrid(); }, [](GridLifetimes& F) { F.Drag(); }, "TExtStringGrid::DeleteGridRows"},
    {"OnCellsChangedByADroppedFile", [](GridLifetimes& F) { F.CsvFile(); F.G->OnCellsChanged = F.FreeGrid(); }, [](GridLifetimes& F) { F.Drop("/tmp/lifetimes.csv"); }, "TExtStringGrid::ImportCSVFile"},
    {"OnLoadCellByADroppedFile", [](GridLifetimes& F) { F.CsvFile(); F.G->OnLoadCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.Drop("/tmp/lifetimes.csv"); }, "TExtStringGrid::ImportCSVFile"},
    {"OnSaveCellByCtrlC", [](GridLifetimes& F) { F.G->Navigation()->SetAllowClipboardShortCuts(true); F.G->OnSaveCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Key(Qt::Key_C, Qt::ControlModifier); }, "TExtStringGrid::TransferCells"},
    {"OnFileProgressByCtrlC", [](GridLifetimes& F) { F.G->Navigation()->SetAllowClipboardShortCuts(true); F.G->Navigation()->SetAllowFmtClipboard(true); F.F.Options({goRangeSelect}); F.G->OnFileProgress = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Key(Qt::Key_Down, Qt::ShiftModifier); F.F.Key(Qt::Key_Down, Qt::ShiftModifier); F.F.Key(Qt::Key_C, Qt::ControlModifier); }, "TExtStringGrid::WriteCellStream"},
    {"OnCellsChangedBySmartFill", [](GridLifetimes& F) { F.SmartPaste(); F.G->OnCellsChanged = F.FreeAtCall(2); }, [](GridLifetimes& F) { F.PasteOverThree(); }, "TExtStringGrid::SmartFill"},
    {"OnClipboardBeforePasteCellBySmartFill", [](GridLifetimes& F) { F.SmartPaste(); F.G->OnClipboardBeforePasteCell = F.FreeAtCall(2); }, [](GridLifetimes& F) { F.PasteOverThree(); }, "TExtStringGrid::SmartFill"},
    {"OnCellsChangedByCtrlVOfTheWholeGrid", [](GridLifetimes& F) { F.CopyWholeGrid(); F.G->OnCellsChanged = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Key(Qt::Key_V, Qt::ControlModifier); }, "TExtStringGrid::ClearRect"},
    {"OnSaveCellByADrag", [](GridLifetimes& F) { F.DropOnOther(); F.G->OnSaveCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.Drag(); }, "TExtStringGrid::TransferCells"},
    {"OnSelectionChangedByClick", [](GridLifetimes& F) { F.G->OnSelectionChanged = F.FreeGrid(); }, [](GridLifetimes& F) { F.Press(3, 3); }, "TExtStringGrid::MouseDown"},
    {"OnSelectionChangedByDrag", [](GridLifetimes& F) { F.F.Options({goRangeSelect}); F.G->OnSelectionChanged = F.FreeGrid(); }, [](GridLifetimes& F) { F.DragFromTo(F.F.Centre(1, 1), F.F.Centre(3, 3)); }, "TExtStringGrid::MouseMove"},
    {"OnSelectionChangedByWheel", [](GridLifetimes& F) { F.G->OnSelectionChanged = F.FreeGrid(); }, [](GridLifetimes& F) { F.Wheel(-120); }, "TExtStringGrid::WheelTurn"},
    {"OnMouseDownByACheckBox", [](GridLifetimes& F) { F.G->CreateCellGraphic(2, 2)->SetCellType(ctCheckBox); F.G->OnMouseDown = F.FreeGrid(); }, [](GridLifetimes& F) { F.Press(2, 2); }, "TExtStringGrid::LeftPress"},
    {"OnClickCellByAHeader", [](GridLifetimes& F) { F.G->OnClickCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.Press(1, 0); }, "TExtStringGrid::LeftPress"},
    {"OnCanEditCellBySpace", [](GridLifetimes& F) { F.G->CreateCellGraphic(2, 2)->SetCellType(ctCheckBox); F.G->SetCol(2), F.G->SetRow(2); F.G->OnCanEditCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Key(Qt::Key_Space, Qt::NoModifier, " "); }, "TExtStringGrid::ControlCellKey"},
    {"OnCanEditCellByAFormControl", [](GridLifetimes& F) { F.CellControl("CHECK"); F.G->OnCanEditCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.PressAt(F.ControlPoint()); }, "TExtStringGrid::FormControlPress"},
    {"OnCanEditCellByAHeaderEditor", [](GridLifetimes& F) { F.G->MouseActions()->SetFixedRowsEdit(fceLeftClick); F.G->OnCanEditCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.Press(1, 0); }, "TExtStringGrid::OpenFixedCellEditor"},
    {"OnCanEditCellByEnterAdvancing", [](GridLifetimes& F) { F.G->Navigation()->SetAdvanceOnEnter(true); F.G->OnCanEditCell = F.FreeAskedFor(2, 1); }, [](GridLifetimes& F) { F.EditAndEnter(); }, "TExtStringGrid::AdvanceEdit"},
    {"OnCanEditCellByEnterInAnEllipsisEditAdvancing", [](GridLifetimes& F) { F.G->Navigation()->SetAdvanceOnEnter(true); F.OpenEditor(edEditBtn); F.G->OnCanEditCell = F.FreeAskedFor(2, 1, 3); }, [](GridLifetimes& F) { PressEnter(); }, "TExtStringGrid::CellEditable"},
    {"OnCanEditCellByEnterAddingAColumn", [](GridLifetimes& F) { F.AdvanceInsert(); F.G->OnCanEditCell = F.FreeAskedFor(4, 1); }, [](GridLifetimes& F) { F.F.Edit(3, 5); TypeText(u"x"); PressEnter(); }, "TExtStringGrid::AdvanceEdit"},
    {"OnCanEditCellByReleasingAButton", [](GridLifetimes& F) { F.ButtonIn22(); F.G->SetCol(2), F.G->SetRow(2); F.G->OnCanEditCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.Press(2, 2); }, "TExtStringGrid::ButtonRelease"},
    {"OnCanEditCellByDown", [](GridLifetimes& F) { F.G->OnCanEditCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Down); }, "TExtStringGrid::SelectCell"},
    {"OnCanEditCellByDownOntoACheckBox", [](GridLifetimes& F) { F.G->CreateCellGraphic(1, 2)->SetCellType(ctCheckBox); F.G->OnCanEditCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Down); }, "TExtStringGrid::SelectCell"},
    {"OnCanEditCellBySpaceToggling", [](GridLifetimes& F) { F.CheckBoxIn22(); F.G->OnCanEditCell = F.FreeAtCall(2); }, [](GridLifetimes& F) { F.F.Key(Qt::Key_Space, Qt::NoModifier, " "); }, "TExtStringGrid::ToggleCheck"},
    {"OnCanEditCellByClickOnACheckBox", [](GridLifetimes& F) { F.CheckBoxIn22(); F.G->OnCanEditCell = F.FreeAtCall(2); }, [](GridLifetimes& F) { F.Press(2, 2); }, "TExtStringGrid::ToggleCheck"},
    {"OnCanEditCellByClickOnTheCurrentCheckBox", [](GridLifetimes& F) { F.CheckBoxIn22(); F.G->OnCanEditCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.Press(2, 2); }, "TExtStringGrid::CellEditable"},
    {"OnCanEditCellByClickOnARadio", [](GridLifetimes& F) { F.Radio(); F.G->SetCol(2), F.G->SetRow(2); F.G->OnCanEditCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.PressAt(QPoint(F.G->CellRect(2, 2).Left + 10, F.G->CellRect(2, 2).Top + 4)); }, "TExtStringGrid::CellEditable"},
    {"OnCanEditCellByTab", [](GridLifetimes& F) { F.F.Options({goTabs}); F.G->OnCanEditCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Tab); }, "TExtStringGrid::CellEditable"},
    {"OnCanEditCellByEnterAdvancingOnTheGrid", [](GridLifetimes& F) { F.G->Navigation()->SetAdvanceOnEnter(true); F.G->OnCanEditCell = F.FreeAtCall(2); }, [](GridLifetimes& F) { PressEnter(); }, "TExtStringGrid::CellEditable"},
    {"OnCanEditCellByADirectEditClick", [](GridLifetimes& F) { F.G->MouseActions()->SetDirectEdit(true); F.G->OnCanEditCell = F.FreeAskedFor(3, 3, 2); }, [](GridLifetimes& F) { F.Press(3, 3); }, "TExtStringGrid::CellEditable"},
    {"OnCanEditCellByCtrlX", [](GridLifetimes& F) { F.G->Navigation()->SetAllowClipboardShortCuts(true); F.G->OnCanEditCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Key(Qt::Key_X, Qt::ControlModifier); }, "TExtStringGrid::CellEditable"},
    {"OnCanEditCellByCtrlV", [](GridLifetimes& F) { Clipboard()->SetAsText("a\tb"); F.G->Navigation()->SetAllowClipboardShortCuts(true); F.G->OnCanEditCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Key(Qt::Key_V, Qt::ControlModifier); }, "TExtStringGrid::CellEditable"},
    {"OnCanEditCellByADrop", [](GridLifetimes& F) { F.G->OnCanEditCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.Drop(); }, "TExtStringGrid::CellEditable"},
    {"OnCanEditCellByADroppedFile", [](GridLifetimes& F) { F.CsvFile(); F.G->OnCanEditCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.Drop("/tmp/lifetimes.csv"); }, "TExtStringGrid::CellEditable"},
    {"OnCanEditCellByDblClickSelectingToEdit", [](GridLifetimes& F) { F.G->MouseActions()->SetRangeSelectAndEdit(true); F.G->OnCanEditCell = F.FreeAskedFor(3, 3, 2); }, [](GridLifetimes& F) { F.Mouse({QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}, F.F.Centre(3, 3)); }, "TExtStringGrid::CellEditable"},
    {"OnCanEditCellBySpaceOnARadio", [](GridLifetimes& F) { F.Radio(); F.G->SetCol(2), F.G->SetRow(2); F.G->OnCanEditCell = F.FreeAtCall(2); }, [](GridLifetimes& F) { F.F.Key(Qt::Key_Space, Qt::NoModifier, " "); }, "TExtStringGrid::ToggleRadio"},
    {"OnControlEditDoneByClickOnAnotherControl", [](GridLifetimes& F) { F.CellControl("CHECK", 2); F.OpenFormEdit(); F.G->OnControlEditDone = F.FreeGrid(); }, [](GridLifetimes& F) { F.PressAt(F.ControlPoint(2)); }, "TExtStringGrid::FormControlPress"},
    {"OnControlEditDoneByTab", [](GridLifetimes& F) { F.OpenFormEdit(); F.G->OnControlEditDone = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Tab); }, "TExtStringGrid::FormControlTab"},
    {"OnControlEditDoneByClickAway", [](GridLifetimes& F) { F.F.AddEditBefore(); F.OpenFormEdit(); F.G->OnControlEditDone = F.FreeGrid(); }, [](GridLifetimes& F) { SystemClick(F.F.Before); Settle(); }, "TFormControlEditor::DoExit"},
    {"OnControlEditDoneByWheel", [](GridLifetimes& F) { F.G->SetRowCount(80); F.OpenFormEdit(); F.G->OnControlEditDone = F.FreeGrid(); }, [](GridLifetimes& F) { for (int I = 0; I < 40 && F.F.Grid; ++I) F.Wheel(-120); }, "TExtStringGrid::PlaceFormControl"},
    {"OnControlEditDoneByClosingItsNode", [](GridLifetimes& F) { F.G->AddNode(2, 2); F.OpenFormEdit(3); F.G->OnControlEditDone = F.FreeGrid(); }, [](GridLifetimes& F) { F.PressAt(NodeButton(F)); }, "TExtStringGrid::EndEditBeforeRowsMove"},
    {"OnControlEditDoneByHeaderSort", [](GridLifetimes& F) { F.G->SortSettings()->SetShow(true); F.OpenFormEdit(); F.G->OnControlEditDone = F.FreeGrid(); }, [](GridLifetimes& F) { F.Press(2, 0); }, "TExtStringGrid::EndEditBeforeRowsMove"},
    {"OnEditingDoneByClosingANode", [](GridLifetimes& F) { F.G->AddNode(2, 2); F.F.Edit(1, 1); TypeText(u"x"); F.G->OnEditingDone = F.FreeGrid(); }, [](GridLifetimes& F) { F.PressAt(NodeButton(F)); }, "TExtStringGrid::EditorHidden"},
    {"OnEditingDoneByClosingANodeOfColumn0", [](GridLifetimes& F) { F.G->SetFixedCols(0); F.G->AddNode(2, 2); F.F.Edit(1, 1); TypeText(u"x"); F.G->OnEditingDone = F.FreeGrid(); }, [](GridLifetimes& F) { F.PressAt(NodeButton(F)); }, "TExtStringGrid::EditorHidden"},
    {"OnAnchorClickByARefusedFormControl", [](GridLifetimes& F) { F.CellControl("CHECK"); F.G->OnCanEditCell = [](TObject*, Integer, Integer, bool& Can) { Can = false; }; F.G->OnAnchorClick = F.FreeGrid(); }, [](GridLifetimes& F) { F.PressAt(F.ControlPoint()); }, "TExtStringGrid::FormControlPress"},
    {"OnKeyDownByTab", [](GridLifetimes& F) { F.F.Options({goTabs}); F.G->OnKeyDown = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Tab); }, "TCustomGrid::QtEvent"},
    {"OnKeyDownByTabInTheEditor", [](GridLifetimes& F) { F.F.Options({goTabs}); F.F.Edit(1, 1); F.G->OnKeyDown = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Tab); }, "TInplaceEdit::QtEvent"},
    {"OnKeyDownByDownInTheProgramsEditor", [](GridLifetimes& F) { F.OpenOwnEditor(); F.G->OnKeyDown = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Down); }, "TEditLink::EditKeyDown"},
    {"OnSelectCellByDownInTheProgramsEditor", [](GridLifetimes& F) { F.OpenOwnEditor(); F.G->OnSelectCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Down); }, "TEditLink::EditKeyDown"},
    {"OnKeyDownByF2OnAReadOnlyCell", [](GridLifetimes& F) { F.G->OnCanEditCell = [](TObject*, Integer, Integer, bool& Can) { Can = false; }; F.G->OnKeyDown = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_F2); }, "TExtStringGrid::ConsumeKey"},
    {"OnKeyDownByHomeSelectingRows", [](GridLifetimes& F) { F.F.Options({goRowSelect}); F.G->Navigation()->SetHomeEndKey(heFirstLastRow); F.G->Navigation()->SetKeepHorizScroll(true); F.G->SetRow(3); F.G->OnKeyDown = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Home); }, "TExtStringGrid::ConsumeKey"},
    {"OnKeyDownByEnterInAnEllipsisEdit", [](GridLifetimes& F) { F.OpenEditor(edEditBtn); F.G->BtnEdit()->OnKeyDown = F.FreeGrid(); }, [](GridLifetimes& F) { PressEnter(); }, "TGridEditBtn::KeyDown"},
    {"OnKeyDownByTabInAnEllipsisEdit", [](GridLifetimes& F) { F.F.Options({goTabs}); F.OpenEditor(edEditBtn); F.G->BtnEdit()->OnKeyDown = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Tab); }, "TGridEditorKeys::ClaimsTab"},
    {"OnKeyDownByDownInAnEllipsisEdit", [](GridLifetimes& F) { F.OpenEditor(edEditBtn); F.G->OnKeyDown = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Down); }, "TGridEditorKeys::HandToGrid"},
    {"OnKeyPressByEnterOnAReadOnlyCell", [](GridLifetimes& F) { F.G->OnCanEditCell = [](TObject*, Integer, Integer, bool& Can) { Can = false; }; F.G->OnKeyPress = F.FreeGrid(); }, [](GridLifetimes& F) { PressEnter(); }, "TExtStringGrid::KeyDown"},
    {"OnKeyPressByTheFirstKeyOfAComboEdit", [](GridLifetimes& F) { F.F.EditorInColumn1(edComboEdit); F.G->SetCol(1), F.G->SetRow(1); F.G->Combobox()->OnKeyPress = F.FreeGrid(); }, [](GridLifetimes& F) { TypeText(u"b"); }, "TypeStartKey"},
    {"OnSetEditTextByClickAwayFromAComboEdit", [](GridLifetimes& F) { F.G->OnSetEditText = F.FreeGrid(); }, [](GridLifetimes& F) { F.EditThenLeave(edComboEdit); }, "TExtStringGrid::StoreCellText"},
    {"OnSetEditTextByEscapeOnTheGrid", [](GridLifetimes& F) { F.PendingEdit(); F.G->OnSetEditText = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Escape); }, "TExtStringGrid::RestoreEditText"},
    {"OnKeyPressByEscapeOnTheGrid", [](GridLifetimes& F) { F.PendingEdit(); F.G->OnKeyPress = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Escape); }, "TWinControl::QtEvent"},
    {"OnSetEditTextByEscapeRestoringTheEditedCell", [](GridLifetimes& F) { F.F.Edit(1, 1); TypeText(u"x"); F.G->OnSetEditText = F.FreeAtCall(3); }, [](GridLifetimes& F) { F.Key(Qt::Key_Escape); }, "TExtStringGrid::RestoreEditText"},
    {"OnSetEditTextByTabInTheEditor", [](GridLifetimes& F) { F.F.Options({goTabs}); F.F.Edit(1, 1); TypeText(u"x"); F.G->OnSetEditText = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Tab); }, "TCustomGrid::UpdateText"},
    {"OnSetEditTextByEnterInTheEditor", [](GridLifetimes& F) { F.F.Edit(1, 1); TypeText(u"x"); F.G->OnSetEditText = F.FreeGrid(); }, [](GridLifetimes& F) { PressEnter(); }, "TCustomGrid::UpdateText"},
    {"OnSetEditTextByDownInTheEditor", [](GridLifetimes& F) { F.F.Edit(1, 1); TypeText(u"x"); F.G->OnSetEditText = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Down); }, "TCustomGrid::UpdateText"},
    {"OnEditingDoneByDownInTheEditor", [](GridLifetimes& F) { F.F.Edit(1, 1); TypeText(u"x"); F.G->OnEditingDone = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Down); }, "TExtStringGrid::EditorHidden"},
    {"OnSelectCellByTabIn", [](GridLifetimes& F) { F.F.AddEditBefore(); F.G->OnSelectCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.TabIn(); }, "TExtStringGrid::EnterGrid"},
    {"OnCanEditCellByTabIn", [](GridLifetimes& F) { F.F.AddEditBefore(); F.G->OnCanEditCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.TabIn(); }, "TExtStringGrid::SelectCell"},
    {"OnCellsChangedByADragMoveOfCells", [](GridLifetimes& F) { F.DropOnOther(); F.F.Options({goRowSelect}); F.G->OnCellsChanged = F.FreeGrid(); }, [](GridLifetimes& F) { F.Drag(); }, "TExtStringGrid::ClearRect"},
    {"OnClipboardCopyByCtrlCInTheEditor", [](GridLifetimes& F) { F.G->OnClipboardCopy = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Edit(1, 1); F.F.Key(Qt::Key_C, Qt::ControlModifier); }, "TExtInplaceEdit::CopyToClipboard"},
    {"OnClipboardCutByCtrlXInTheEditor", [](GridLifetimes& F) { F.G->OnClipboardCut = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Edit(1, 1); F.F.Key(Qt::Key_X, Qt::ControlModifier); }, "TExtInplaceEdit::CutToClipboard"},
    {"OnClipboardPasteByCtrlVInTheEditor", [](GridLifetimes& F) { Clipboard()->SetAsText("a"); F.G->OnClipboardPaste = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Edit(1, 1); F.F.Key(Qt::Key_V, Qt::ControlModifier); }, "TExtInplaceEdit::PasteFromClipboard"},
    {"OnClipboardBeforePasteCellByCtrlVInTheEditor", [](GridLifetimes& F) { Clipboard()->SetAsText("a"); F.G->OnClipboardBeforePasteCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Edit(1, 1); F.F.Key(Qt::Key_V, Qt::ControlModifier); }, "TExtInplaceEdit::PasteFromClipboard"},
    {"OnSpinClickByHome", [](GridLifetimes& F) { F.OpenEditor(edSpinEdit); F.G->OnSpinClick = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Home); }, "TGridSpin::KeyDown"},
    {"OnEditChangeByASpin", [](GridLifetimes& F) { F.OpenEditor(edSpinEdit); F.G->OnEditChange = F.FreeGrid(); }, [](GridLifetimes& F) { TypeText(u"5"); }, "TGridSpin::Change"},
    {"OnEditChangeByAComboEdit", [](GridLifetimes& F) { F.OpenEditor(edComboEdit); F.G->OnEditChange = F.FreeGrid(); }, [](GridLifetimes& F) { TypeText(u"b"); }, "TGridCombo::Change"},
    {"OnEditChangeByAnEllipsisEdit", [](GridLifetimes& F) { F.OpenEditor(edEditBtn); F.G->OnEditChange = F.FreeGrid(); }, [](GridLifetimes& F) { TypeText(u"b"); }, "TGridEditBtn::Change"},
    {"OnComboChangeByTyping", [](GridLifetimes& F) { F.OpenEditor(edComboEdit); F.G->OnComboChange = F.FreeGrid(); }, [](GridLifetimes& F) { TypeText(u"b"); }, "TGridCombo::Change"},
    {"OnKeyPressByEscapeInTheEditor", [](GridLifetimes& F) { F.F.Edit(1, 1); F.G->OnKeyPress = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Escape); }, "TExtInplaceEdit::KeyDown"},
    {"OnKeyPressByEscapeInAList", [](GridLifetimes& F) { F.OpenCombo(); F.G->OnKeyPress = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Escape); }, "TGridEditorKeys::HandToGrid"},
    {"OnSetEditTextByEscape", [](GridLifetimes& F) { F.F.Edit(1, 1); F.G->OnSetEditText = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Escape); }, "TCustomGrid::UpdateText"},
    {"OnSetEditTextByTypingThenEscape", [](GridLifetimes& F) { F.F.Edit(1, 1); TypeText(u"x"); F.G->OnSetEditText = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Escape); }, "TCustomGrid::UpdateText"},
    {"OnSetEditTextByCtrlVOfAnotherText", [](GridLifetimes& F) { Clipboard()->SetAsText("b"); F.G->SetCells(1, 1, "a"); F.F.Edit(1, 1); F.G->OnSetEditText = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Key(Qt::Key_V, Qt::ControlModifier); }, "TExtStringGrid::SetCurrentCellEditText"},
    {"OnSetEditTextByCtrlVOfTheSameText", [](GridLifetimes& F) { Clipboard()->SetAsText("a"); F.G->SetCells(1, 1, "a"); F.F.Edit(1, 1); F.G->OnSetEditText = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Key(Qt::Key_V, Qt::ControlModifier); }, "TExtStringGrid::SetCurrentCellEditText"},
    {"OnCanAddRowByEnter", [](GridLifetimes& F) { F.G->OnCanAddRow = F.FreeGrid(); }, [](GridLifetimes& F) { F.AppendOnEnter(); TypeText(u"x"); PressEnter(); }, "TExtStringGrid::AdvanceEdit"},
    {"OnAutoAddRowByEnter", [](GridLifetimes& F) { F.G->OnAutoAddRow = F.FreeGrid(); }, [](GridLifetimes& F) { F.AppendOnEnter(); TypeText(u"x"); PressEnter(); }, "TExtStringGrid::AdvanceEdit"},
    {"OnMouseDownByEnterOntoACheckBox", [](GridLifetimes& F) { F.ListBeforeACheckBox(); F.G->OnMouseDown = F.FreeGrid(); }, [](GridLifetimes& F) { PressEnter(); }, "TExtStringGrid::AdvanceEdit"},
    {"OnMouseUpByEnterOntoACheckBox", [](GridLifetimes& F) { F.ListBeforeACheckBox(); F.G->OnMouseUp = F.FreeGrid(); }, [](GridLifetimes& F) { PressEnter(); }, "TExtStringGrid::AdvanceEdit"},
    {"OnButtonClickBySpace", [](GridLifetimes& F) { F.ButtonIn22(); F.G->SetCol(2), F.G->SetRow(2); F.G->OnButtonClick = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Key(Qt::Key_Space, Qt::NoModifier, " "); }, "TExtStringGrid::ControlCellKey"},
    {"OnRadioClickBySpace", [](GridLifetimes& F) { F.Radio(); F.G->SetCol(2), F.G->SetRow(2); F.G->OnRadioClick = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Key(Qt::Key_Space, Qt::NoModifier, " "); }, "TExtStringGrid::ControlCellKey"},
    {"OnCellValidateByLeavingTheProgramsEdit", [](GridLifetimes& F) { F.G->OnCellValidate = F.FreeGrid(); }, [](GridLifetimes& F) { F.TransEditThenLeave(); }, "TGridTransEdit::Commit"},
    {"OnEditingDoneByLeavingTheProgramsEdit", [](GridLifetimes& F) { F.G->OnEditingDone = F.FreeGrid(); }, [](GridLifetimes& F) { F.TransEditThenLeave(); }, "TGridTransEdit::Commit"},
    {"OnCellsChangedByADroppedWorkbook", [](GridLifetimes& F) { F.WorkbookFile(); F.G->OnCellsChanged = F.FreeGrid(); }, [](GridLifetimes& F) { F.Drop("/tmp/lifetimes.xlsx"); }, "TExtStringGrid::ImportExcelFile"},
    {"OnCanEditCellByADropOfRichText", [](GridLifetimes& F) { F.G->OnCanEditCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.Drop(nullptr, "{\\rtf1 a}"); }, "TExtStringGrid::CellEditable"},
    {"OnLoadCellByADroppedWorkbook", [](GridLifetimes& F) { F.WorkbookFile(); F.G->OnLoadCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.Drop("/tmp/lifetimes.xlsx"); }, "TExtStringGrid::ImportExcelFile"},
    {"OnCanEditCellByCtrlVOfTheWholeGrid", [](GridLifetimes& F) { F.CopyWholeGrid(); F.G->OnCanEditCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Key(Qt::Key_V, Qt::ControlModifier); }, "TExtStringGrid::CellEditable"},
    {"OnCanEditCellByCtrlVOfABlockEmptyingItsCells", [](GridLifetimes& F) { F.CopyBlock(); F.G->OnCanEditCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Key(Qt::Key_V, Qt::ControlModifier); }, "TExtStringGrid::CellEditable"},
    {"OnCanEditCellByCtrlVOfABlockWritingItsCells", [](GridLifetimes& F) { F.CopyBlock(); F.G->OnCanEditCell = F.FreeAtCall(4); }, [](GridLifetimes& F) { F.F.Key(Qt::Key_V, Qt::ControlModifier); }, "TExtStringGrid::CellEditable"},
    {"OnCellsChangedByCtrlVOfTheWholeGridKeepingACell", [](GridLifetimes& F) { F.CopyWholeGrid(); F.G->OnCellsChanged = F.FreeAtCall(2); }, [](GridLifetimes& F) { F.F.Key(Qt::Key_V, Qt::ControlModifier); }, "TExtStringGrid::ReadCellStream"},
    {"OnClickByHoldingTheSpinButton", [](GridLifetimes& F) { F.OpenEditor(edSpinEdit); F.G->OnSpinClick = F.FreeGrid(); }, [](GridLifetimes& F) { TControl* B = F.G->SpinEdit()->Button()->UpButton(); LeftPress(B, QPoint(3, 3)), F.Clock.Clock.Advance(1000); if (F.F.Grid) LeftRelease(B, QPoint(3, 3)); }, "TExtTimerSpeedButton::TimerExpired"},
    {"OnClipboardPasteByCtrlVInAUnicodeEditor", [](GridLifetimes& F) { Clipboard()->SetAsText("a"); F.G->SetCells(1, 1, WideToCellText(u"\u0416")); F.G->OnClipboardPaste = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Edit(1, 1); F.F.Key(Qt::Key_V, Qt::ControlModifier); }, "TGridEditorKeys::PastesAsTextEditor"},
    {"OnClipboardBeforePasteCellByCtrlVInAUnicodeEditor", [](GridLifetimes& F) { Clipboard()->SetAsText("a"); F.G->SetCells(1, 1, WideToCellText(u"\u0416")); F.G->OnClipboardBeforePasteCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Edit(1, 1); F.F.Key(Qt::Key_V, Qt::ControlModifier); }, "TGridEditorKeys::PastesAsTextEditor"},
    {"OnComboChangeByALinksCombo", [](GridLifetimes& F) { F.G->SetDefaultEditor(edCustom); F.G->SetEditLink(new TComboLink(F.F.Form.get())); F.G->OnComboChange = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_F2); F.Key(Qt::Key_Down); }, "TEditLink::SetFocus"},
    {"OnComboChangeByOpeningAListOnAnotherText", [](GridLifetimes& F) { F.G->OnComboChange = F.FreeGrid(); }, [](GridLifetimes& F) { F.OpenCombo(); }, "TExtStringGrid::ShowEditorControl"},
    {"OnComboObjectChangeByOpeningAListOnAnotherText", [](GridLifetimes& F) { F.G->OnComboObjectChange = F.FreeGrid(); }, [](GridLifetimes& F) { F.OpenCombo(); }, "TExtStringGrid::ShowEditorControl"},
    {"OnComboCloseUpByAUnicodeList", [](GridLifetimes& F) { F.G->SetCells(1, 1, WideToCellText(u"\u0416")); F.OpenCombo(); F.G->OnComboCloseUp = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Key(Qt::Key_Down, Qt::AltModifier); Settle(); F.F.Key(Qt::Key_Escape); }, "TGridUniCombo::TGridUniCombo"},
    {"OnDblClickByTheEditor", [](GridLifetimes& F) { F.F.Edit(1, 1); F.G->OnDblClick = F.FreeGrid(); }, [](GridLifetimes& F) { F.DblClickTheEditor(); }, "TExtInplaceEdit::MousePressed"},
    {"OnDblClickCellByTheEditor", [](GridLifetimes& F) { F.F.Edit(1, 1); F.G->OnDblClickCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.DblClickTheEditor(); }, "TExtInplaceEdit::MousePressed"},
    {"OnEndRowSizeByTypingInARichEdit", [](GridLifetimes& F) { F.G->SetCells(1, 1, "{\\rtf1\\ansi a\\par b\\par c\\par}"); F.G->SizeWhileTyping()->SetHeight(true); F.OpenEditor(edRichEdit); F.G->OnEndRowSize = F.FreeGrid(); }, [](GridLifetimes& F) { TypeText(u"x"); }, "TExtRichEdit::ResizeRequested"},
    {"OnGetEditorTypeByTabIn", [](GridLifetimes& F) { F.F.AddEditBefore(); F.G->Navigation()->SetAlwaysEdit(true); F.G->OnGetEditorType = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.TabIn(); }, "TExtStringGrid::FocusReceived"},
    {"OnSelectionChangedByPanning", [](GridLifetimes& F) { F.G->SetRowCount(40); QCursor::setPos(F.G->Widget()->mapToGlobal(F.F.Centre(2, 2) + QPoint(0, 60))); F.G->OnSelectionChanged = F.FreeGrid(); }, [](GridLifetimes& F) { F.Mouse({QEvent::MouseButtonPress, QEvent::MouseButtonRelease}, F.F.Centre(2, 2), Qt::MiddleButton); F.Clock.Clock.Advance(100); }, "TExtStringGrid::IntelliPanTick"},
    {"OnSelectCellByARefusedProgramsEdit", [](GridLifetimes& F) { F.G->OnCellValidate = [](TObject*, Integer, Integer, AnsiString&, bool& Valid) { Valid = false; }; F.G->OnSelectCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.TransEditThenLeave(); }, "TCustomGrid::MoveCurrent"},
    {"OnEditChangeByTypingOnASpinCell", [](GridLifetimes& F) { F.F.EditorInColumn1(edSpinEdit); F.G->SetCol(1), F.G->SetRow(1); F.G->OnEditChange = F.FreeGrid(); }, [](GridLifetimes& F) { TypeText(u"5"); }, "TGridSpin::Change"},
    {"OnEditChangeByTypingOnACell", [](GridLifetimes& F) { F.G->SetCol(1), F.G->SetRow(1); F.G->OnEditChange = F.FreeGrid(); }, [](GridLifetimes& F) { TypeText(u"5"); }, "TExtInplaceEdit::Change"},
    {"OnEditChangeByTypingOnAMaskedCell", [](GridLifetimes& F) { F.G->OnGetEditMask = [](TObject*, Integer, Integer, AnsiString& M) { M = "99;1;_"; }; F.G->SetCol(1), F.G->SetRow(1); F.G->OnEditChange = F.FreeAtCall(2); }, [](GridLifetimes& F) { TypeText(u"5"); }, "TExtInplaceEdit::Change"},
    {"OnEditChangeByTypingOnAMaskedText", [](GridLifetimes& F) { F.G->OnGetEditMask = [](TObject*, Integer, Integer, AnsiString& M) { M = "99;1;_"; }; F.G->SetCells(1, 1, "12"); F.G->SetCol(1), F.G->SetRow(1); F.G->OnEditChange = F.FreeAtCall(3); }, [](GridLifetimes& F) { TypeText(u"5"); }, "TExtInplaceEdit::Change"},
    {"OnEditChangeByOpeningTheEditorOnAMaskedText", [](GridLifetimes& F) { F.G->OnGetEditMask = [](TObject*, Integer, Integer, AnsiString& M) { M = "99;1;_"; }; F.G->SetCells(1, 1, "12"); F.G->OnEditChange = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Edit(1, 1); }, "TExtInplaceEdit::Change"},
    {"OnEditChangeByOpeningTheEditorOnAText", [](GridLifetimes& F) { F.G->SetCells(1, 1, "a"); F.G->OnEditChange = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Edit(1, 1); }, "TExtInplaceEdit::Change"},
    {"OnEditChangeByMovingWithTheEditorShown", [](GridLifetimes& F) { F.F.Options({goAlwaysShowEditor}); F.G->SetCells(1, 2, "b"); F.F.Edit(1, 1); F.G->OnEditChange = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Down); }, "TExtInplaceEdit::Change"},
    {"OnSelectionChangedByARowMove", [](GridLifetimes& F) { F.F.Options({goRowMoving}); F.G->OnSelectionChanged = F.FreeGrid(); }, [](GridLifetimes& F) { F.DragFromTo(F.F.Centre(0, 1), F.F.Centre(0, 4)); }, "TExtStringGrid::MouseUp"},
};

// Events raised only inside the program's own call, with a counting handler: no row's road may raise one.
const char kProgramsCall[] = "OnFilterProgress";
const std::pair<const char*, void (*)(TExtStringGrid*, const std::shared_ptr<int>&)> kProgramsCallHeard[] = {
    {"OnFilterProgress", [](TExtStringGrid* G, const std::shared_ptr<int>& N) { G->OnFilterProgress = [N](auto&&...) { ++*N; }; }},
};

TEST_P(GridLifetimes, RaisingCallLeavesTheFreedGridAlone) {
    TScribbledFrees scribble;
    const auto Unexpected = std::make_shared<int>(0);
    for (const auto& [Name, Hear] : kProgramsCallHeard) Hear(G, Unexpected);
    GetParam().Hear(*this);
    GetParam().Road(*this);
    Settle();
    EXPECT_EQ(frees, 1) << "the event never came";
    EXPECT_EQ(scribble.Release(), 0) << "freed memory written";
    EXPECT_EQ(*Unexpected, 0) << "a user's road raised an event said to be raised only by the program's call";
}

INSTANTIATE_TEST_SUITE_P(Events, GridLifetimes, ::testing::ValuesIn(kCases),
                         [](const auto& I) { return std::string(I.param.Name); });

// Events without a row, by what they are (names separated by spaces).
const std::pair<const char*, const char*> kNoRoad[] = {
    {"OnDrawCell OnCustomCellDraw OnAfterPaint OnFooterPaint OnGetCellColor OnGetCellPrintColor OnGetCellBorder "
     "OnGetCellBorderProp OnGetAlignment OnGetFormat OnGetFloatFormat OnIsFixedCell OnIsPasswordCell OnGetWordWrap "
     "OnGetDisplText OnGetDisplWideText OnGetCheckTrue OnGetCheckFalse TFloatingFooter.OnCalcFooter",
     "asked while painting: no program frees a grid to answer how a cell looks"},
    {"OnGetEditText OnGetEditMask OnHasComboBox OnGetEditorProp OnCustomCompare OnRawCompare "
     "OnGridHint OnAnchorHint OnScrollHint OnCellBalloon",
     "asked for a value (an editor's text, mask, list or properties, a sort's order of two cells, a hint's "
     "text): a question, no place to close a screen"},
    {kProgramsCall, "raised inside the program's own call (filtering): no click, key or drop of its own, the program holds the grid across its call"},
    {"OnDataDragOver OnDataDrop OnDataDragLeave",
     "taken by the grid's own drop target, which hands a drag on as OnOleDragOver and OnOleDrop (rows)"},
    {"TEsgEditBtn.OnClickBtn TEsgEditButton.OnClick TEsgSpinButton.OnUpClick TEsgSpinButton.OnDownClick",
     "the grid's editors take them and hand them on as OnEllipsClick and OnSpinClick (rows)"},
    {"TIntList.OnChange TSearchFooter.OnChange TShowModified.OnChange TBalloonSettings.OnEnableChange "
     "TGridRowMap.OnChanged",
     "the grid's own hooks on its option and row objects, changed by the program's calls only"},
    {"THTMLPicture.OnDownLoadProgress THTMLPicture.OnDownLoadCancel THTMLPicture.OnDownLoadComplete "
     "THTMLPicture.OnDownLoadError",
     "never raised: pictures come from files and memory, nothing is downloaded"},
    {"THTMLPicture.OnFrameChange", "raised by an animated picture's timer, no user's action"},
    {"TExtGridButton.OnMouseEnter TExtGridButton.OnMouseLeave TExtGridButton.OnDropDown",
     "a stand-alone button of this folder that no grid holds or raises"},
    {"TGridComboEditor.OnReturn", "never raised: the list editor hands Enter to the grid as a key before it "
     "becomes a typed character"},
};

// The handler members of the grid (by name: its own and those of the controls it derives
// from) and of the other classes of its folder (Class.Name), read from their headers.
std::set<std::string> EventsInTheCode() {
    namespace fs = std::filesystem;
    const std::regex Class(R"(^\s*(?:class|struct)\s+(\w+)[^;]*$)");
    const std::regex Member(R"(^\s*(?:std::function<.*>|T\w*Event)\s+((?:On|Before|After)\w*(?:\s*,\s*\w+)*)\s*;)");
    const fs::path Src = fs::path(OSB_SOURCE_DIR) / "src";
    std::vector<fs::path> Files{Src / "platform/ui/Controls.h", Src / "platform/ui/Grids.h"};
    for (const auto& E : fs::directory_iterator(Src / "grid"))
        if (E.path().extension() == ".h") Files.push_back(E.path());
    const std::set<std::string> GridFiles{"Controls.h", "Grids.h", "BaseGrid.h", "ExtGrid.h"};
    std::set<std::string> Events;
    for (const fs::path& P : Files) {
        std::ifstream In(P);
        std::string Line, Owner;
        std::smatch M;
        const bool Grid = GridFiles.count(P.filename().string()) > 0;
        while (std::getline(In, Line)) {
            if (std::regex_search(Line, M, Class)) Owner = M[1];
            if (!std::regex_search(Line, M, Member)) continue;
            const std::string Names = M[1];
            const std::regex Name(R"(\w+)");
            for (auto I = std::sregex_iterator(Names.begin(), Names.end(), Name); I != std::sregex_iterator(); ++I)
                Events.insert(Grid ? I->str() : Owner + "." + I->str());
        }
    }
    return Events;
}

TEST(GridLifetimeSweep, EveryEventInTheCodeHasARowOrAReason) {
    std::map<std::string, std::string> Reason;
    for (const auto& [Names, Why] : kNoRoad) {
        std::istringstream In(Names);
        for (std::string N; In >> N;) Reason[N] = Why;
    }
    const std::set<std::string> Events = EventsInTheCode();
    ASSERT_GT(Events.size(), 100u);
    for (const std::string& E : Events) {
        std::string Row = E;
        std::replace(Row.begin(), Row.end(), '.', '_');
        const bool HasRow = std::any_of(std::begin(kCases), std::end(kCases), [&](const TLifeCase& C) {
            const std::string N = C.Name;
            return N == Row || N.rfind(Row + "By", 0) == 0;
        });
        EXPECT_NE(HasRow, Reason.count(E) > 0) << E << (HasRow ? ": a row and a reason" : ": no row and no reason");
    }
    for (const auto& R : Reason) EXPECT_TRUE(Events.count(R.first)) << R.first << ": a reason for no event";
}

// Places without a row, by why no user's road reaches them ("Event@Class::Function").
const std::pair<const char*, const char*> kNoRoadSite[] = {
    {"OnKeyDown@ClaimTab", "Tab claimed by a form control's editor goes to the row's next control, never on to a key handler"},
    {"OnControlEditDone@TExtStringGrid::HideRows OnControlEditDone@TExtStringGrid::MoveRowsTo",
     "a node's button and a header sort store an open form control first (rows ...ByClosingItsNode, ...ByHeaderSort); rows hide or move under an open one only in the program's own call"},
    {"OnControlEditDone@TExtStringGrid::HideRowList", "raised inside the program's own call (the filter switched on): a node hides again only rows that were hidden, never an open control's"},
    {"OnSetEditText@TInplaceEdit::KeyDown", "Escape in the framework's text editor; the grid's own editor takes Escape itself (rows ...ByEscape)"},
    {"Event@TExtStringGrid::BuildSearchPanel", "the search panel's buttons raise their events through one helper handed the handler; each event has its row (TSearchPanel_...)"},
    {"OnCanEditCell@TExtStringGrid::DrawCellGraphicLayer", "asked while painting a cell's control"},
    {"OnCellsChanged@TExtStringGrid::LoadCellsFromStrings OnLoadCell@TExtStringGrid::LoadCellsFromStrings OnSaveCell@TExtStringGrid::SaveCellsToStrings OnCellsChanged@TExtStringGrid::RemoveCols",
     "raised inside the program's own call (one grid copied into another, saved cells loaded, a column grouped): no click, key or drop of its own, the program holds the grid across its call"},
    {"OnClick@TEsgSpinButton::KeyDown", "the spin editor's button takes no focus (a press on it focuses the edit): keys reach the edit, whose steps have rows (OnSpinClick...)"},
    {"OnClick@TExtGridButton::DialogChar OnClick@TExtGridButton::MouseUp", "a stand-alone button of this folder that no grid holds or raises"},
};

// Places in src/grid and the platform's control/grid/form code raising an event: FireEvent, or its routine (CellsChanged).
const TRaisingSites& SitesInTheCode() {
    static const TRaisingSites Sites = SourceRaisingSites(
        {"src/grid", "src/platform/ui/Controls.h", "src/platform/ui/Controls.cpp", "src/platform/ui/Grids.h", "src/platform/ui/Grids.cpp"},
        {"TExtStringGrid", "TBaseGrid", "TCustomGrid", "TDrawGrid", "TControl", "TWinControl"});
    return Sites;
}

TEST(GridLifetimeSweep, EveryPlaceRaisingAnEventHasARowOrAReason) {
    const std::set<std::string>& Sites = SitesInTheCode().Sites;
    ASSERT_GT(Sites.size(), 150u);
    auto EventOf = [](const std::string& Site) { return Site.substr(0, Site.find('@')); };
    auto ClassOf = [](const std::string& Site) {
        const std::string F = Site.substr(Site.find('@') + 1);
        return F.substr(0, F.rfind("::") == std::string::npos ? 0 : F.rfind("::"));
    };
    // Rows by event (their name up to "By"), so that an event's reasons reach only places without rows.
    std::map<std::string, std::vector<const TLifeCase*>> Rows;
    for (const TLifeCase& C : kCases) {
        std::string N = C.Name;
        N = N.substr(0, N.find("By") == std::string::npos ? N.size() : N.find("By"));
        Rows[N.rfind("TSearchPanel_", 0) == 0 ? N.substr(13) : N].push_back(&C);
    }
    // A reason for an event reaches its every place; "Class.Event" its places in Class (every place if no row).
    std::map<std::string, std::string> Reason;
    for (const auto& [Names, Why] : kNoRoad) {
        std::istringstream In(Names);
        for (std::string N; In >> N;) {
            const size_t Dot = N.find('.');
            const std::string E = Dot == std::string::npos ? N : N.substr(Dot + 1);
            for (const std::string& S : Sites)
                if (EventOf(S) == E && (Dot == std::string::npos || !Rows.count(E) || ClassOf(S) == N.substr(0, Dot)))
                    Reason[S] = Why;
        }
    }
    for (const auto& [Names, Why] : kNoRoadSite) {
        std::istringstream In(Names);
        for (std::string N; In >> N;) {
            EXPECT_TRUE(Sites.count(N)) << N << ": a reason for no place in the code";
            EXPECT_FALSE(Reason.count(N)) << N << ": two reasons";
            Reason[N] = Why;
        }
    }
    // A row names its place, or its event has one place without a reason.
    std::map<std::string, std::vector<std::string>> Walked;
    for (const auto& [Event, Cases] : Rows) {
        std::vector<std::string> Open;
        for (const std::string& S : Sites)
            if (EventOf(S) == Event && !Reason.count(S)) Open.push_back(S);
        for (const TLifeCase* C : Cases) {
            const std::string Site = C->Site ? Event + "@" + C->Site : Open.size() == 1 ? Open.front() : std::string();
            // An event raised only through a helper handed the handler (the search panel's) has no place of its own.
            if (Open.empty() && !C->Site) continue;
            EXPECT_FALSE(Site.empty()) << C->Name << ": name the place of the road, the event has " << Open.size();
            EXPECT_TRUE(Site.empty() || Sites.count(Site)) << C->Name << ": " << Site << " raises nothing";
            EXPECT_FALSE(Reason.count(Site)) << C->Name << ": " << Site << " has a row and a reason";
            Walked[Site].push_back(C->Name);
        }
    }
    for (const std::string& S : Sites)
        EXPECT_TRUE(Walked.count(S) || Reason.count(S)) << S << ": no row and no reason";
}

// What the test sees of two reasons above: the spin editor's button keeps no focus, and only the
// stand-alone button's own code makes one.
TEST(GridLifetimeSweep, PlacesWithoutARoadAreOutOfTheUsersReach) {
    gridtest::TEditingGrid F{4, 6};
    F.EditorInColumn1(edSpinEdit), F.Edit(1, 1);
    TControl* Up = F.Grid->SpinEdit()->Button()->UpButton();
    LeftPress(Up, QPoint(3, 3)), LeftRelease(Up, QPoint(3, 3));
    EXPECT_EQ(F.Grid->SpinEdit()->Widget(), FocusTarget());
    EXPECT_EQ(Qt::NoFocus, F.Grid->SpinEdit()->Button()->Widget()->focusPolicy()) << "a click or Tab could give it the keys";
    const std::regex Makes(R"(new TExtGridButton\b|<TExtGridButton>|\bTExtGridButton\s+\w+\s*[({;])");
    for (const std::string& P : SourceFiles({"src", "app"}, {".cpp", ".h"}, true))
        EXPECT_TRUE(P.find("ExtObj.") != std::string::npos || SourceMatches(SourceText(P), Makes).empty()) << P;
}

}  // namespace
