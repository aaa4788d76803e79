// Every event of the grid with a handler that frees the grid, driven by the
// user's own road (clicks, keys, editors): the call that raised it returns
// without touching the freed grid. A new event joins the table with one line.
#include <gtest/gtest.h>

#include "grid/ExtGridEditors.h"
#include "grid/GridTestKit.h"
#include "support/Scribble.h"

using namespace uitest;

namespace {

class GridLifetimes;
using TStep = void (*)(GridLifetimes& F);
struct TLifeCase {
    const char* Name;
    TStep Hear;   // sets the handler (and what the road needs)
    TStep Road;
};

class GridLifetimes : public ::testing::TestWithParam<TLifeCase> {
public:
    gridtest::TEditingGrid F{4, 6};
    TExtStringGrid* G = F.Grid;
    int frees = 0;

    // A handler of any signature that frees the grid, as a handler closing its form does.
    auto FreeGrid() {
        return [this](auto&&...) { Free(); };
    }
    void Free() {
        if (!F.Grid) return;
        ++frees;
        delete std::exchange(F.Grid, nullptr);
    }
    void Mouse(std::initializer_list<QEvent::Type> Ts, QPoint P, Qt::MouseButton B = Qt::LeftButton) {
        for (QEvent::Type T : Ts)
            if (F.Grid) SendMouse(F.Grid->Widget(), T, P, B, T == QEvent::MouseButtonRelease ? Qt::NoButton : B);
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
};

QPoint NodeButton(GridLifetimes& F) { return QPoint(F.G->CellRect(0, 2).Left + 6, F.F.Centre(0, 2).y()); }

const TLifeCase kCases[] = {
    {"OnClickCell", [](GridLifetimes& F) { F.G->OnClickCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.Press(2, 2); }},
    {"OnClick", [](GridLifetimes& F) { F.G->OnClick = F.FreeGrid(); }, [](GridLifetimes& F) { F.Press(2, 2); }},
    {"OnMouseDown", [](GridLifetimes& F) { F.G->OnMouseDown = F.FreeGrid(); }, [](GridLifetimes& F) { F.Press(2, 2); }},
    {"OnMouseUp", [](GridLifetimes& F) { F.G->OnMouseUp = F.FreeGrid(); }, [](GridLifetimes& F) { F.Press(2, 2); }},
    {"OnDblClick", [](GridLifetimes& F) { F.G->OnDblClick = F.FreeGrid(); }, [](GridLifetimes& F) { F.Mouse({QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}, F.F.Centre(2, 2)); }},
    {"OnDblClickCell", [](GridLifetimes& F) { F.G->OnDblClickCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.Mouse({QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}, F.F.Centre(2, 2)); }},
    {"OnRightClickCell", [](GridLifetimes& F) { F.G->OnRightClickCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.Mouse({QEvent::MouseButtonPress, QEvent::MouseButtonRelease}, F.F.Centre(2, 2), Qt::RightButton); }},
    {"OnCheckBoxClick", [](GridLifetimes& F) { F.G->CreateCellGraphic(2, 2)->SetCellType(ctCheckBox); F.G->OnCheckBoxClick = F.FreeGrid(); }, [](GridLifetimes& F) { F.Press(2, 2); }},
    {"OnCheckBoxClickBySpace", [](GridLifetimes& F) { F.G->CreateCellGraphic(2, 2)->SetCellType(ctCheckBox); F.G->SetCol(2), F.G->SetRow(2); F.G->OnCheckBoxClick = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Key(Qt::Key_Space, Qt::NoModifier, " "); }},
    {"OnRowChanging", [](GridLifetimes& F) { F.G->OnRowChanging = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Down); }},
    {"OnColChanging", [](GridLifetimes& F) { F.G->OnColChanging = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Right); }},
    {"OnCellChanging", [](GridLifetimes& F) { F.G->OnCellChanging = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Down); }},
    {"OnSelectCell", [](GridLifetimes& F) { F.G->OnSelectCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Down); }},
    {"OnSelectCellByClick", [](GridLifetimes& F) { F.G->OnSelectCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.Press(3, 3); }},
    {"OnSelectionChanged", [](GridLifetimes& F) { F.G->OnSelectionChanged = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Down); }},
    {"OnTopLeftChanged", [](GridLifetimes& F) { F.G->SetRowCount(80); F.G->OnTopLeftChanged = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_PageDown); }},
    {"OnAutoAddRow", [](GridLifetimes& F) { F.G->SetRow(5); F.G->Navigation()->SetAppendOnArrowDown(true); F.G->OnAutoAddRow = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Down); }},
    {"OnKeyDown", [](GridLifetimes& F) { F.G->OnKeyDown = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Down); }},
    {"OnKeyUp", [](GridLifetimes& F) { F.G->OnKeyUp = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Down); }},
    {"OnKeyPress", [](GridLifetimes& F) { F.G->OnKeyPress = F.FreeGrid(); }, [](GridLifetimes& F) { TypeText(u"x"); }},
    {"OnCellValidate", [](GridLifetimes& F) { F.G->OnCellValidate = F.FreeGrid(); }, [](GridLifetimes& F) { F.EditAndEnter(); }},
    {"OnEditChange", [](GridLifetimes& F) { F.G->OnEditChange = F.FreeGrid(); }, [](GridLifetimes& F) { F.EditAndEnter(); }},
    {"OnEditingDone", [](GridLifetimes& F) { F.G->OnEditingDone = F.FreeGrid(); }, [](GridLifetimes& F) { F.EditAndEnter(); }},
    {"OnEditingDoneByTabFromAList", [](GridLifetimes& F) { F.F.Options({goTabs}); F.OpenCombo(); F.G->OnEditingDone = F.FreeGrid(); }, [](GridLifetimes& F) { PressTab(); }},
    {"OnEditingDoneByClickAwayFromAList", [](GridLifetimes& F) { F.OpenCombo(); F.G->OnEditingDone = F.FreeGrid(); }, [](GridLifetimes& F) { F.Press(3, 4); }},
    {"OnEditingDoneByEnterInAList", [](GridLifetimes& F) { F.OpenCombo(); F.G->OnEditingDone = F.FreeGrid(); }, [](GridLifetimes& F) { PressEnter(); }},
    {"OnComboChange", [](GridLifetimes& F) { F.OpenCombo(); F.G->OnComboChange = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Down); }},
    {"OnExpandNode", [](GridLifetimes& F) { F.G->AddNode(2, 2); F.G->ContractNode(2); F.G->OnExpandNode = F.FreeGrid(); }, [](GridLifetimes& F) { F.PressAt(NodeButton(F)); }},
    {"OnContractNode", [](GridLifetimes& F) { F.G->AddNode(2, 2); F.G->OnContractNode = F.FreeGrid(); }, [](GridLifetimes& F) { F.PressAt(NodeButton(F)); }},
    {"OnClickSort", [](GridLifetimes& F) { F.G->SortSettings()->SetShow(true); F.G->OnClickSort = F.FreeGrid(); }, [](GridLifetimes& F) { F.Press(1, 0); }},
    {"OnCanSort", [](GridLifetimes& F) { F.G->SortSettings()->SetShow(true); F.G->OnCanSort = F.FreeGrid(); }, [](GridLifetimes& F) { F.Press(1, 0); }},
    {"OnAnchorClick", [](GridLifetimes& F) { F.G->SetCells(1, 1, "<A href=\"CELL://R4C3\">go</A>"); F.G->OnAnchorClick = F.FreeGrid(); }, [](GridLifetimes& F) { F.PressAt(QPoint(F.G->CellRect(1, 1).Left + 6, F.F.Centre(1, 1).y())); }},
    {"OnClipboardCopy", [](GridLifetimes& F) { F.G->Navigation()->SetAllowClipboardShortCuts(true); F.G->OnClipboardCopy = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Key(Qt::Key_C, Qt::ControlModifier); }},
    {"OnClipboardCut", [](GridLifetimes& F) { F.G->Navigation()->SetAllowClipboardShortCuts(true); F.G->OnClipboardCut = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Key(Qt::Key_X, Qt::ControlModifier); }},
    {"OnClipboardPaste", [](GridLifetimes& F) { F.G->Navigation()->SetAllowClipboardShortCuts(true); F.G->OnClipboardPaste = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Key(Qt::Key_V, Qt::ControlModifier); }},
    {"OnAutoInsertRow", [](GridLifetimes& F) { F.G->Navigation()->SetAllowInsertRow(true); F.G->OnAutoInsertRow = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Insert); }},
    {"OnCanDeleteRow", [](GridLifetimes& F) { F.G->Navigation()->SetAllowDeleteRow(true); F.G->OnCanDeleteRow = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Delete); }},
    {"OnAutoDeleteRow", [](GridLifetimes& F) { F.G->Navigation()->SetAllowDeleteRow(true); F.G->OnAutoDeleteRow = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Delete); }},
    {"OnCanEditCell", [](GridLifetimes& F) { F.G->OnCanEditCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Edit(1, 1); }},
    {"OnCanEditCellByEnter", [](GridLifetimes& F) { F.G->OnCanEditCell = F.FreeGrid(); }, [](GridLifetimes& F) { F.Key(Qt::Key_Return); }},
    {"OnGetEditorType", [](GridLifetimes& F) { F.G->OnGetEditorType = F.FreeGrid(); }, [](GridLifetimes& F) { F.F.Edit(1, 1); }},
    {"OnSetEditText", [](GridLifetimes& F) { F.G->OnSetEditText = F.FreeGrid(); }, [](GridLifetimes& F) { F.EditAndEnter(); }},
};

TEST_P(GridLifetimes, RaisingCallLeavesTheFreedGridAlone) {
    TScribbledFrees scribble;
    GetParam().Hear(*this);
    GetParam().Road(*this);
    Settle();
    EXPECT_EQ(frees, 1) << "the event never came";
    EXPECT_EQ(scribble.Release(), 0) << "freed memory written";
}

INSTANTIATE_TEST_SUITE_P(Events, GridLifetimes, ::testing::ValuesIn(kCases),
                         [](const auto& I) { return std::string(I.param.Name); });

}  // namespace
