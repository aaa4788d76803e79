#include "grid/ExtGrid.h"

#include "grid/ExtUtil.h"
#include "grid/GridTestKit.h"
#include "platform/ui/DragDrop.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/Rtf.h"
#include "platform/ui/Forms.h"
#include "platform/ui/UiTestKit.h"

#include <gtest/gtest.h>

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QImage>
#include <QMimeData>

#include <memory>
#include <vector>

using namespace gridtest;
using namespace uitest;

namespace {

// Two grids side by side; a drag started in one is carried by the desktop's drag
// loop stand-in to a cell of the target, with the keys the test holds.
struct TDragForm {
    std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
    TExtStringGrid* Source = nullptr;
    TExtStringGrid* Target = nullptr;
    TPoint DropCell{2, 3};
    TShiftState DropShift;
    Integer DragsCarried = 0;
    AnsiString CarriedText;   // of the last drag, up to its end zero
    WideString CarriedWide;
    bool ToAnotherProgram = false;   // which takes all it gets
    Integer CarriedColumn = -1;

    TDragForm() {
        Form->SetBounds(0, 0, 1000, 400);
        Source = MakeGrid(0);
        Target = MakeGrid(500);
        for (Integer R = 1; R < 6; ++R)
            for (Integer C = 1; C < 5; ++C) Source->SetCells(C, R, "s" + IntToStr(C) + IntToStr(R));
        Source->DragDropSettings()->SetOleDropSource(true);
        Target->DragDropSettings()->SetOleDropTarget(true);
        AddOptions(Target, {goEditing});
        SetDragHandler([this](TControl*, const TDataObject& Data, Integer Allowed) {
            ++DragsCarried;
            const AnsiString T = Data.AsText();
            CarriedText = T.substr(0, T.find('\0'));
            CarriedWide = Data.AsWideText();
            CarriedColumn = DroppedColumn(Data);
            if (ToAnotherProgram) return Allowed & DROPEFFECT_MOVE;
            const TRect R = Target->CellRect(DropCell.X, DropCell.Y);
            return DeliverDrop(Target, R.Left + 5, R.Top + 5, Data, Allowed, DropShift);
        });
        Form->Show();
        Settle();
    }
    ~TDragForm() { SetDragHandler(nullptr); }

    TExtStringGrid* MakeGrid(Integer Left) {
        auto* G = Place<TExtStringGrid>(Form.get(), Left, 0, 480, 300);
        G->SetScrollBars(ssNone);
        G->SetColCount(5);
        G->SetRowCount(8);
        G->SetDefaultColWidth(80);
        return G;
    }
    void Send(TControl* C, QEvent::Type T, QPoint P, Qt::MouseButton B, Qt::MouseButtons Held) {
        SendMouse(C->Widget(), T, P, B, Held);
    }
    QPoint In(TExtStringGrid* G, Integer ACol, Integer ARow) const { return Middle(G->CellRect(ACol, ARow)); }
    // Press on a cell of the source, move far enough to start a drag, release.
    void DragFrom(Integer ACol, Integer ARow, Integer Move = 12) {
        const QPoint P = In(Source, ACol, ARow);
        Send(Source, QEvent::MouseButtonPress, P, Qt::LeftButton, Qt::LeftButton);
        Send(Source, QEvent::MouseMove, P + QPoint(Move, 0), Qt::NoButton, Qt::LeftButton);
        Send(Source, QEvent::MouseButtonRelease, P + QPoint(Move, 0), Qt::LeftButton, Qt::NoButton);
    }
    void Select(TExtStringGrid* G, Integer L, Integer T, Integer R, Integer B) {
        G->SetSelection(TGridRect{L, T, R, B});
    }
};

// Drops the named files on cell (1, 1) of G; the effect the grid answers.
Integer DropFiles(TExtStringGrid* G, const std::vector<AnsiString>& Names) {
    TDataObject D;
    D.SetFiles(Names);
    const TRect R = G->CellRect(1, 1);
    return DeliverDrop(G, R.Left + 5, R.Top + 5, D, DROPEFFECT_COPY);
}

}  // namespace

TEST(ExtGridDragDrop, ASelectionDraggedToAnotherGridLandsAtTheDropCellAndIsSelectedThere) {
    TDragForm F;
    F.Select(F.Source, 1, 1, 2, 2);
    Integer Stopped = -1;
    TGridRect Dropped{};
    F.Source->OnOleDragStop = [&](TObject*, Integer Effect) { Stopped = Effect; };
    F.Target->OnOleDropped = [&](TObject*, TGridRect S) { Dropped = S; };
    F.DragFrom(1, 1);
    ASSERT_EQ(1, F.DragsCarried);
    EXPECT_EQ("s11\ts21\r\ns12\ts22", F.CarriedText);
    EXPECT_EQ("s11", F.Target->Cells(2, 3));
    EXPECT_EQ("s21", F.Target->Cells(3, 3));
    EXPECT_EQ("s12", F.Target->Cells(2, 4));
    EXPECT_EQ("s22", F.Target->Cells(3, 4));
    EXPECT_EQ("", F.Target->Cells(4, 3));
    const TGridRect S = F.Target->Selection();
    EXPECT_EQ((std::vector<Integer>{2, 3, 3, 4}), (std::vector<Integer>{S.Left, S.Top, S.Right, S.Bottom}));
    EXPECT_EQ(S.Left, Dropped.Left);
    EXPECT_EQ(S.Bottom, Dropped.Bottom);
    // A move: the dragged cells are emptied in the source, the rest stays.
    EXPECT_EQ(DROPEFFECT_MOVE, Stopped);
    EXPECT_EQ("", F.Source->Cells(1, 1));
    EXPECT_EQ("", F.Source->Cells(2, 2));
    EXPECT_EQ("s31", F.Source->Cells(3, 1));
}

TEST(ExtGridDragDrop, CopiesLeaveTheSourceAsItWas) {
    struct TCase {
        bool CopyAlways;
        bool Ctrl;
        Integer Effect;
    };
    const TCase Cases[] = {{true, false, DROPEFFECT_MOVE}, {false, true, DROPEFFECT_COPY}};
    for (const TCase& C : Cases) {
        TDragForm F;
        F.Source->DragDropSettings()->SetOleCopyAlways(C.CopyAlways);
        if (C.Ctrl) F.DropShift = TShiftState{ssCtrl};
        F.Select(F.Source, 1, 1, 1, 1);
        Integer Stopped = -1;
        F.Source->OnOleDragStop = [&](TObject*, Integer Effect) { Stopped = Effect; };
        F.DragFrom(1, 1);
        EXPECT_EQ(C.Effect, Stopped) << C.Ctrl;
        EXPECT_EQ("s11", F.Source->Cells(1, 1)) << C.Ctrl;
        EXPECT_EQ("s11", F.Target->Cells(2, 3)) << C.Ctrl;
    }
}

TEST(ExtGridDragDrop, InsertRowsOpensRoomForEveryDroppedLine) {
    TDragForm F;
    F.Target->DragDropSettings()->SetOleInsertRows(true);
    F.Target->SetCells(2, 3, "kept");
    F.Select(F.Source, 1, 1, 2, 2);
    F.DragFrom(1, 1);
    EXPECT_EQ(10, F.Target->RowCount());
    EXPECT_EQ("s11", F.Target->Cells(2, 3));
    EXPECT_EQ("s12", F.Target->Cells(2, 4));
    EXPECT_EQ("kept", F.Target->Cells(2, 5));
}

// Row 4 dragged onto row 2 of its own grid: with rows inserted there and disjunct marks, or without.
TEST(ExtGridDragDrop, AMoveInsideTheGridRemovesTheDraggedRow) {
    for (const bool Insert : {true, false}) {
        TDragForm F;
        TExtStringGrid* G = F.Target = F.Source;
        F.DropCell = TPoint{1, 2};
        G->DragDropSettings()->SetOleDropTarget(true);
        G->DragDropSettings()->SetOleRemoveRows(true);
        G->DragDropSettings()->SetOleInsertRows(Insert);
        G->MouseActions()->SetDisjunctRowSelect(Insert);
        G->Navigation()->SetAllowClipboardAlways(true);   // the drop may write into the dragging grid
        AddOptions(G, {goRowSelect});
        F.Select(G, 1, 4, 4, 4);
        G->SetRowSelected(4, true);
        F.DragFrom(1, 4);
        EXPECT_EQ("s14", G->Cells(1, 2)) << Insert;
        EXPECT_EQ("s15", G->Cells(1, Insert ? 5 : 4)) << Insert;
    }
}

TEST(ExtGridDragDrop, DropsOnFixedRowsOrRefusedByTheEventChangeNothing) {
    for (int Case = 0; Case < 3; ++Case) {
        TDragForm F;
        if (Case == 0) F.DropCell = TPoint{2, 0};
        else if (Case == 1) F.Target->OnOleDragOver = [](TObject*, Integer, Integer, bool& Allow) { Allow = false; };
        else F.Target->OnOleDrop = [](TObject*, Integer, Integer, const AnsiString&, bool& Allow) { Allow = false; };
        F.Select(F.Source, 1, 1, 1, 1);
        bool Stopped = false;
        F.Source->OnOleDragStop = [&](TObject*, Integer) { Stopped = true; };
        F.DragFrom(1, 1);
        EXPECT_EQ(1, F.DragsCarried) << Case;
        EXPECT_FALSE(Stopped) << Case;   // a refused drag counts as cancelled
        EXPECT_EQ("s11", F.Source->Cells(1, 1)) << Case;
        EXPECT_EQ("", F.Target->Cells(2, 0)) << Case;
        EXPECT_EQ("", F.Target->Cells(2, 3)) << Case;
    }
}

TEST(ExtGridDragDrop, TheRowMarkerShowsLeftOfTheTargetCellWhileTheDropIsAsked) {
    TDragForm F;
    F.Select(F.Source, 1, 1, 1, 1);
    bool MarkerSeen = false;
    F.Target->OnOleDrop = [&](TObject* Sender, Integer ARow, Integer ACol, const AnsiString& Data, bool&) {
        EXPECT_EQ(3, ARow);
        EXPECT_EQ(2, ACol);
        EXPECT_EQ("s11", Data);
        auto* G = static_cast<TExtStringGrid*>(Sender);
        const TRect Cell = G->CellRect(2, 3);
        for (Integer I = 0; I < G->ComponentCount(); ++I)
            if (auto* M = dynamic_cast<TPanel*>(G->Components(I)); M && M->Visible() && M->Parent() == G)
                MarkerSeen = MarkerSeen || (M->Left() == Cell.Left - 10 && M->Top() >= Cell.Top && M->Top() < Cell.Bottom);
    };
    F.DragFrom(1, 1);
    EXPECT_TRUE(MarkerSeen);
    for (Integer I = 0; I < F.Target->ComponentCount(); ++I) {
        auto* M = dynamic_cast<TPanel*>(F.Target->Components(I));
        if (M && M->Parent() == F.Target) {
            EXPECT_FALSE(M->Visible());
        }
    }
}

TEST(ExtGridDragDrop, AHeaderDragCarriesTheColumnAndIsReportedOnTheTargetHeader) {
    TDragForm F;
    F.Source->DragDropSettings()->SetOleColumnDragDrop(true);
    F.Source->SetEnhRowColMove(false);
    F.DropCell = TPoint{3, 0};
    std::vector<Integer> Reported;
    F.Target->OnOleDropCol = [&](TObject*, Integer ARow, Integer ACol, Integer DropCol) {
        Reported = {ARow, ACol, DropCol};
    };
    bool Started = false;
    F.Source->OnOleDragStart = [&](TObject*, Integer ARow, Integer ACol) { Started = ARow == 0 && ACol == 2; };
    F.DragFrom(2, 0);
    EXPECT_TRUE(Started);
    EXPECT_EQ(2, F.CarriedColumn);
    EXPECT_EQ("", F.CarriedText);
    EXPECT_EQ((std::vector<Integer>{0, 3, 2}), Reported);
    EXPECT_EQ("s21", F.Source->Cells(2, 1));   // the grid itself moves nothing
}

TEST(ExtGridDragDrop, APressThatDoesNotMoveFarEnoughSelectsOnRelease) {
    TDragForm F;
    F.Select(F.Source, 1, 1, 2, 2);
    F.DragFrom(2, 2, 2);
    EXPECT_EQ(0, F.DragsCarried);
    const TGridRect S = F.Source->Selection();
    EXPECT_EQ((std::vector<Integer>{2, 2, 2, 2}), (std::vector<Integer>{S.Left, S.Top, S.Right, S.Bottom}));
}

TEST(ExtGridDragDrop, ARefusedDragTurnsThePressIntoARangeSelection) {
    TDragForm F;
    F.Select(F.Source, 1, 1, 2, 2);
    F.Source->OnOleDrag = [](TObject*, Integer, Integer, const AnsiString& Data, bool& Allow) {
        EXPECT_EQ("s22", Data);
        Allow = false;
    };
    const QPoint P = F.In(F.Source, 2, 2);
    F.Send(F.Source, QEvent::MouseButtonPress, P, Qt::LeftButton, Qt::LeftButton);
    F.Send(F.Source, QEvent::MouseMove, P + QPoint(12, 0), Qt::NoButton, Qt::LeftButton);
    F.Send(F.Source, QEvent::MouseMove, F.In(F.Source, 3, 3), Qt::NoButton, Qt::LeftButton);
    F.Send(F.Source, QEvent::MouseButtonRelease, F.In(F.Source, 3, 3), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(0, F.DragsCarried);
    const TGridRect S = F.Source->Selection();
    EXPECT_EQ((std::vector<Integer>{2, 2, 3, 3}), (std::vector<Integer>{S.Left, S.Top, S.Right, S.Bottom}));
}

TEST(ExtGridDragDrop, AnEditedGridDoesNotStartDrags) {
    TDragForm F;
    AddOptions(F.Source, {goEditing});
    F.Select(F.Source, 1, 1, 2, 2);
    F.DragFrom(1, 1);
    EXPECT_EQ(0, F.DragsCarried);
}

TEST(ExtGridDragDrop, OneDroppedCsvFileIsImportedAndOthersAreNot) {
    TDragForm F;
    TTempFile Csv("ad,soyad\r\nAyşe,Çelik\r\n", "liste.csv");
    TTempFile Other("x", "notlar.txt");
    std::vector<AnsiString> Asked;
    F.Target->OnOleDrop = [&](TObject*, Integer ARow, Integer ACol, const AnsiString& Data, bool&) {
        EXPECT_EQ(-1, ARow);
        EXPECT_EQ(-1, ACol);
        Asked.push_back(Data);
    };
    EXPECT_EQ(DROPEFFECT_COPY, DropFiles(F.Target, {Csv.Name(), Other.Name()}));
    EXPECT_EQ("", F.Target->Cells(0, 0));   // two files: nothing
    DropFiles(F.Target, {Other.Name()});
    EXPECT_EQ("", F.Target->Cells(0, 0));
    EXPECT_TRUE(Asked.empty());
    DropFiles(F.Target, {Csv.Name()});
    EXPECT_EQ("ad", F.Target->Cells(0, 0));
    EXPECT_EQ("Çelik", F.Target->Cells(1, 1));
    EXPECT_EQ((std::vector<AnsiString>{Csv.Name()}), Asked);
}

TEST(ExtGridDragDrop, ADroppedFileRefusedByTheEventIsNotRead) {
    TDragForm F;
    TTempFile Csv("a,b\r\n", "liste.csv");
    F.Target->OnOleDropFile = [&](TObject*, Integer ARow, Integer ACol, const AnsiString& Name, bool& Allow) {
        EXPECT_EQ(1, ARow);
        EXPECT_EQ(1, ACol);
        EXPECT_EQ(Csv.Name(), Name);
        Allow = false;
    };
    DropFiles(F.Target, {Csv.Name()});
    EXPECT_EQ("", F.Target->Cells(0, 0));
}

TEST(ExtGridDragDrop, WithoutTheTargetSettingTheGridTakesNoDrops) {
    TDragForm F;
    F.Target->DragDropSettings()->SetOleDropTarget(false);
    EXPECT_FALSE(F.Target->DropTargetRegistered());
    F.Select(F.Source, 1, 1, 1, 1);
    F.DragFrom(1, 1);
    EXPECT_EQ("", F.Target->Cells(2, 3));
    EXPECT_EQ("s11", F.Source->Cells(1, 1));
    // Assigning the settings registers again.
    TDragDropSettings On;
    On.SetOleDropTarget(true);
    F.Target->DragDropSettings()->Assign(&On);
    EXPECT_TRUE(F.Target->DropTargetRegistered());
}

TEST(ExtGridDragDrop, RichTextIsOfferedAndTakenOnlyWhenRichTextDropsAreOn) {
    TDataObject Plain;
    MakeDragData(Plain, "a", -1, "{\\rtf1 a}");
    EXPECT_FALSE(Plain.HasFormat(CF_RTF()));
    TDragForm F;
    F.Target->DragDropSettings()->SetOleDropRTF(true);
    TDataObject Rich;
    MakeDragData(Rich, "a", -1, "{\\rtf1 a}");
    ASSERT_TRUE(Rich.HasFormat(CF_RTF()));
    const TRect R = F.Target->CellRect(2, 2);
    DeliverDrop(F.Target, R.Left + 5, R.Top + 5, Rich, DROPEFFECT_COPY);
    EXPECT_EQ("{\\rtf1 a}", F.Target->RawCells(2, 2));
    F.Target->DragDropSettings()->SetOleDropRTF(false);
    EXPECT_FALSE(RTFDropEnabled());
}

// Rich text, text and file drops all leave a cell the grid may not edit as it was.
TEST(ExtGridDragDrop, NoDropWritesACellTheGridMayNotEdit) {
    TDragForm F;
    TExtStringGrid* G = F.Target;
    G->SetCells(2, 2, "keep");
    G->GetCellProperties(2, 2)->SetReadOnly(true);
    G->DragDropSettings()->SetOleDropRTF(true);
    TDataObject Rich, Text;
    MakeDragData(Rich, "a", -1, "{\\rtf1 a}");
    MakeDragData(Text, "t", -1, "");
    const TRect R = G->CellRect(2, 2);
    for (const TDataObject* D : {&Rich, &Text}) DeliverDrop(G, R.Left + 5, R.Top + 5, *D, DROPEFFECT_COPY);
    TTempFile Csv("a,b,c\r\nd,e,f\r\ng,h,i\r\n", "liste.csv");
    DropFiles(G, {Csv.Name()});   // the current cell rests on the cell it may not edit
    EXPECT_EQ("keep e a", G->Cells(2, 2) + " " + G->Cells(1, 1) + " " + G->Cells(0, 0));
    TDragForm Plain;   // a grid that takes nothing from outside takes no file either
    Plain.Target->SetOptions(TGridOptions());
    DropFiles(Plain.Target, {Csv.Name()});
    EXPECT_EQ("", Plain.Target->Cells(0, 0));
    G->DragDropSettings()->SetOleDropRTF(false);
}

TEST(ExtGridDragDrop, AColumnDragCarriesAPictureOfItsHeaderWithTheBottomLeftUnderTheMouse) {
    TDragForm F;
    F.Source->DragDropSettings()->SetOleColumnDragDrop(true);
    F.Source->SetEnhRowColMove(false);
    F.Source->SetCells(2, 0, "TUTAR");
    F.Source->SetColWidths(2, 90);
    F.DropCell = TPoint{3, 0};
    Integer W = 0, H = 0, Ink = 0;
    TPoint Hot(-1, -1);
    TColor Corner = clNone;
    SetDragHandler([&](TControl*, const TDataObject&, Integer) {
        const TDragImage& I = CurrentDragImage();
        if (!I.Bitmap) return DROPEFFECT_NONE;
        W = I.Bitmap->Width();
        H = I.Bitmap->Height();
        Hot = I.HotSpot;
        const QColor C = I.Bitmap->Image().pixelColor(0, 0);
        Corner = RGB(Byte(C.red()), Byte(C.green()), Byte(C.blue()));
        for (Integer Y = 1; Y < H - 1; ++Y)
            for (Integer X = 1; X < W - 1; ++X)
                if (qGray(I.Bitmap->Image().pixel(X, Y)) < 100) ++Ink;
        return DROPEFFECT_COPY;
    });
    F.DragFrom(2, 0);
    EXPECT_EQ(90, W);
    EXPECT_EQ(F.Source->RowHeights(0), H);
    EXPECT_EQ(TPoint(0, H), Hot);
    EXPECT_EQ(TColor(0x808080), Corner);
    EXPECT_GT(Ink, 10);   // the header's text
    // The picture went with the drag; a text drag carries none.
    EXPECT_EQ(nullptr, CurrentDragImage().Bitmap);
    bool TextImage = true;
    SetDragHandler([&](TControl*, const TDataObject&, Integer) {
        TextImage = CurrentDragImage().Bitmap != nullptr;
        return DROPEFFECT_COPY;
    });
    F.Select(F.Source, 1, 1, 1, 1);
    F.DragFrom(1, 1);
    EXPECT_FALSE(TextImage);
}

TEST(ExtGridDragDrop, TheDropTargetTakesTheAcceptSettingsAgainWhenLoaded) {
    TDragForm F;
    F.Target->DragDropSettings()->SetOleAcceptText(false);
    TDataObject Text;
    Text.SetAsText("x");
    const TRect R = F.Target->CellRect(2, 2);
    // Until loading, the target keeps what it took when it was made.
    EXPECT_NE(DROPEFFECT_NONE, DeliverDrop(F.Target, R.Left + 5, R.Top + 5, Text, DROPEFFECT_COPY));
    EXPECT_EQ("x", F.Target->Cells(2, 2));
    F.Target->Loaded();
    Text.SetAsText("y");
    EXPECT_EQ(DROPEFFECT_NONE, DeliverDrop(F.Target, R.Left + 5, R.Top + 5, Text, DROPEFFECT_COPY));
    EXPECT_EQ("x", F.Target->Cells(2, 2));
    // A grid without a drop target is loaded without one.
    F.Source->Loaded();
    EXPECT_FALSE(F.Source->DropTargetRegistered());
}

// --- drag scrolling ---------------------------------------------------------------------------
namespace {

// A grid of 60 rows and 30 columns that scrolls while something is dragged near
// its edges, on the manual clock; drags are carried to it as the desktop does.
struct TScrollForm : TManualClock, TGridOnForm<TExtStringGrid> {
    QMimeData Mime;
    TScrollForm() : TGridOnForm(30, 60, 400, 300) {
        Grid->DragScrollOptions()->SetActive(true);
        Mime.setText(QStringLiteral("x"));
        Form->Show();
        Settle();
    }
    // Enters (first time) or moves to (X, Y); whether the grid keeps the drag.
    bool DragAt(Integer X, Integer Y, bool Enter = false) {
        QWidget* W = Grid->Widget();
        if (Enter) {
            QDragEnterEvent E(QPoint(X, Y), Qt::CopyAction, &Mime, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(W, &E);
            return E.isAccepted();
        }
        QDragMoveEvent E(QPoint(X, Y), Qt::CopyAction, &Mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(W, &E);
        return true;
    }
    void Leave() {
        QDragLeaveEvent E;
        QApplication::sendEvent(Grid->Widget(), &E);
    }
    std::pair<Integer, Integer> TopLeft() const { return {Grid->TopRow(), Grid->LeftCol()}; }
};

}  // namespace

TEST(ExtGridDragScroll, NewGridsWaitASecondThenStepEveryQuarterWithinFiftyPixels) {
    TExtStringGrid G(nullptr);
    TDragScrollOptions* O = G.DragScrollOptions();
    EXPECT_FALSE(O->Active());
    EXPECT_EQ(1000, O->Delays()->InitialDelay());
    EXPECT_EQ(250, O->Delays()->RepeatDelay());
    for (Integer M : {O->Margins()->TopMargin(), O->Margins()->BottomMargin(), O->Margins()->LeftMargin(),
                      O->Margins()->RightMargin()})
        EXPECT_EQ(50, M);
}

TEST(ExtGridDragScroll, ADragNearTheBottomScrollsDownAfterTheInitialDelayThenAtTheRepeatDelay) {
    TScrollForm F;
    const Integer Top = F.Grid->TopRow();
    EXPECT_TRUE(F.DragAt(200, 280, true));   // kept although the grid takes no drop
    F.DragAt(200, 281);
    F.Clock.Advance(999);
    EXPECT_EQ(Top, F.Grid->TopRow());
    F.Clock.Advance(1);
    EXPECT_EQ(Top + 1, F.Grid->TopRow());
    F.Clock.Advance(250);
    EXPECT_EQ(Top + 2, F.Grid->TopRow());
    // A move near the edge after a step waits the initial delay again.
    F.DragAt(200, 282);
    F.Clock.Advance(250);
    EXPECT_EQ(Top + 2, F.Grid->TopRow());
    F.Clock.Advance(750);
    EXPECT_EQ(Top + 3, F.Grid->TopRow());
    // Out of the margins, nothing more.
    F.DragAt(200, 150);
    F.Clock.Advance(5000);
    EXPECT_EQ(Top + 3, F.Grid->TopRow());
}

TEST(ExtGridDragScroll, CornersScrollBothWaysAndStopAtTheFixedCells) {
    TScrollForm F;
    F.Grid->SetTopRow(3);
    F.Grid->SetLeftCol(2);
    F.DragAt(10, 10, true);
    F.Clock.Advance(1000);
    EXPECT_EQ(std::make_pair(2, 1), F.TopLeft());
    F.Clock.Advance(250 * 5);
    EXPECT_EQ(std::make_pair(1, 1), F.TopLeft());   // never into the fixed row and column
    F.DragAt(390, 290);
    F.Clock.Advance(1000);
    EXPECT_EQ(std::make_pair(2, 2), F.TopLeft());
}

TEST(ExtGridDragScroll, TheEventMayRefuseOrTurnAStep) {
    TScrollForm F;
    std::vector<Integer> Seen;
    bool Refuse = true;
    F.Grid->OnDragScroll = [&](TObject*, Integer TopRow, Integer, TDragScrollDirection& Dirs, bool& CanScroll) {
        Seen.push_back(TopRow);
        EXPECT_TRUE(Dirs.Contains(dsdDown));
        EXPECT_FALSE(Dirs.Contains(dsdUp));
        if (Refuse) CanScroll = false;
        else Dirs = TDragScrollDirection{dsdRight};
    };
    F.DragAt(200, 280, true);
    F.Clock.Advance(1000);
    EXPECT_EQ(std::make_pair(1, 1), F.TopLeft());
    Refuse = false;
    F.Clock.Advance(250);
    EXPECT_EQ(std::make_pair(1, 2), F.TopLeft());
    EXPECT_EQ(2u, Seen.size());
}

TEST(ExtGridDragScroll, LeavingDroppingOrSwitchingOffStopsIt) {
    TScrollForm F;
    F.DragAt(200, 280, true);
    F.Leave();
    F.Clock.Advance(3000);
    EXPECT_EQ(1, F.Grid->TopRow());
    F.DragAt(200, 280, true);
    F.Grid->DragScrollOptions()->SetActive(false);
    F.DragAt(200, 281);
    F.Clock.Advance(3000);
    EXPECT_EQ(1, F.Grid->TopRow());
    // Inactive, a drag the grid takes no drop of goes elsewhere.
    EXPECT_FALSE(F.DragAt(200, 280, true));
    // A drop ends it too.
    F.Grid->DragScrollOptions()->SetActive(true);
    F.Grid->DragDropSettings()->SetOleDropTarget(true);
    F.DragAt(200, 280, true);
    QDropEvent Drop(QPointF(200, 280), Qt::CopyAction, &F.Mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(F.Grid->Widget(), &Drop);
    const Integer AfterDrop = F.Grid->TopRow();   // the drop target's own scrolling may have moved it
    F.Clock.Advance(3000);
    EXPECT_EQ(AfterDrop, F.Grid->TopRow());
}

TEST(ExtGridDragDrop, AUnicodeCellDraggedToAnotherGridArrivesWhole) {   // its stored form holds zero bytes
    TDragForm F;
    F.Source->SetWideCell(1, 1, u"\u010Daj\r\n\u0416");
    F.Select(F.Source, 1, 1, 2, 2);
    F.DragFrom(1, 1);
    EXPECT_EQ(u"\"\u010Daj\r\n\u0416\"\ts21\r\ns12\ts22", F.CarriedWide);   // other programs read letters
    EXPECT_EQ(u"\u010Daj\r\n\u0416", F.Target->GetWideCell(2, 3));
    EXPECT_EQ("s22", F.Target->Cells(3, 4));
    F.Target->DragDropSettings()->SetOleDropRTF(true);   // the whole block still
    F.Source->SetWideCell(1, 3, u"\u0416a");
    F.Select(F.Source, 1, 3, 2, 4);
    F.DragFrom(1, 3);
    EXPECT_EQ(u"\u0416a", F.Target->GetWideCell(2, 3));
    EXPECT_EQ("s14", F.Target->Cells(2, 4));
    F.Target->DragDropSettings()->SetOleDropRTF(false);   // the flag is shared by every grid
    TDataObject Outside;   // another program's letters outside the code page
    Outside.SetAsWideText(u"Dvo\u0159\u00E1k\t\u015E");
    const TRect R = F.Target->CellRect(1, 1);
    DeliverDrop(F.Target, R.Left + 5, R.Top + 5, Outside, DROPEFFECT_COPY);
    EXPECT_EQ(u"Dvo\u0159\u00E1k", F.Target->GetWideCell(1, 1));
    EXPECT_EQ("Ş", F.Target->RawCells(2, 1));
}

// A move takes what it moved and nothing else: cells a drop into the dragging grid
// wrote stay, rows dragged onto their own block are neither lost nor doubled, a drop
// that could not be written or was refused takes nothing, and marked rows are found by real row
// and give only the columns they carried, also to another program.
TEST(ExtGridDragDrop, AMoveTakesOnlyWhatItMoved) {
    struct TCase { TGridRect Sel; TPoint Drop; bool Self, Rows, Insert, Write, Marked; const char* Want; bool Refuse = false, Out = false; };
    const TCase Cases[] = {
        {{1, 1, 2, 2}, {2, 2}, true, false, false, true, false, ",|,s11|s13,s12|s14,s24|s15,s25"},
        {{1, 2, 4, 3}, {1, 3}, true, true, true, true, false, "s11,s21|s12,s22|s13,s23|s14,s24|s15,s25"},
        {{1, 2, 4, 3}, {1, 3}, true, true, false, true, false, "s11,s21|s12,s22|s13,s23|s15,s25|,"},
        {{1, 4, 4, 4}, {1, 2}, true, true, false, false, false, "s11,s21|s12,s22|s13,s23|s14,s24|s15,s25"},
        {{1, 2, 1, 2}, {2, 3}, false, false, false, true, true, "s11,s21|s12,s22|,s23|s14,s24|s15,s25"},
        {{1, 1, 2, 2}, {2, 3}, false, false, false, true, false, ",|s12,s22|s13,s23|s14,s24|s15,s25", true},
        {{1, 2, 1, 2}, {2, 3}, false, false, false, true, true, "s11,s21|s12,s22|,s23|s14,s24|s15,s25", false, true},
    };
    for (const TCase& C : Cases) {
        TDragForm F;
        TExtStringGrid* G = F.Source;
        if (C.Self) F.Target = G;
        F.DropCell = C.Drop;
        F.ToAnotherProgram = C.Out;
        G->DragDropSettings()->SetOleDropTarget(C.Self);
        G->Navigation()->SetAllowClipboardAlways(C.Write);
        G->DragDropSettings()->SetOleRemoveRows(C.Rows);
        G->DragDropSettings()->SetOleInsertRows(C.Insert);
        if (C.Rows) AddOptions(G, {goRowSelect});
        G->MouseActions()->SetDisjunctRowSelect(C.Marked);
        // Refused: the target takes neither s12 (not editable) nor s22 (its paste event).
        if (C.Refuse) F.Target->OnCanEditCell = [](TObject*, Integer R, Integer Cl, bool& Can) { Can = Cl != 2 || R != 4; };
        if (C.Refuse) F.Target->OnClipboardBeforePasteCell = [](TObject*, Integer Cl, Integer R, AnsiString&, bool& A) { A = Cl != 3 || R != 4; };
        if (C.Marked) {
            G->SetRowSelected(3, true);   // s?3
            G->HideRow(1);                // s?3 is shown at 2
        }
        F.Select(G, C.Sel.Left, C.Sel.Top, C.Sel.Right, C.Sel.Bottom);
        F.DragFrom(C.Sel.Left, C.Sel.Top);
        G->UnHideRowsAll();
        AnsiString Got;
        for (Integer R = 1; R <= 5; ++R) Got += (R > 1 ? "|" : "") + G->Cells(1, R) + "," + G->Cells(2, R);
        EXPECT_EQ(C.Want, Got) << C.Sel.Top << C.Insert;   // columns 1 and 2 of rows 1 to 5
    }
}

// Each kind of cell dragged to another grid, moved inside its own and dragged to another
// program: what arrives is what left, and a move empties exactly the cells it carried.
TEST(ExtGridDragDrop, EveryKindOfCellArrivesAsItLeft) {
    AnsiString Rich = RtfWrite(RtfFromPlainText("Kalın"));
    Rich.replace(Rich.find('\n'), 1, "\r\n");   // a lone LF arrives as CR LF, which rich text reads alike
    const AnsiString Kinds[] = {"Şeker ığ", "iki\r\nsatır", WideToCellText(u"Dvo\u0159\u00E1k\r\n\u010D"), Rich};
    for (const char* Road : {"copy", "move", "self", "out"}) {
        TDragForm F;
        const AnsiString R = Road;
        F.Source->SetMultilinecells(true);
        F.Target->SetMultilinecells(true);
        for (Integer I = 0; I < 4; ++I) F.Source->SetCells(1 + I % 2, 1 + I / 2, Kinds[I]);
        if (R == "copy") F.DropShift = TShiftState{ssCtrl};
        if (R == "self") {
            F.Target = F.Source;
            F.Source->DragDropSettings()->SetOleDropTarget(true);
            F.Source->Navigation()->SetAllowClipboardAlways(true);
        }
        F.ToAnotherProgram = R == "out";
        F.Select(F.Source, 1, 1, 2, 2);
        F.DragFrom(1, 1);
        AnsiString Got, Left;
        for (Integer I = 0; I < 4; ++I) {
            Got += F.Target->RawCells(2 + I % 2, 3 + I / 2) + "|";
            Left += F.Source->RawCells(1 + I % 2, 1 + I / 2) + "|";
        }
        const AnsiString Want = Kinds[0] + "|" + Kinds[1] + "|" + Kinds[2] + "|" + Kinds[3] + "|";
        EXPECT_EQ(R == "out" ? "||||" : Want, Got) << Road;
        EXPECT_EQ(R == "copy" ? Want : "||||", Left) << Road;
        if (R == "out") EXPECT_EQ(u"\u015Eeker \u0131\u011F\t\"iki\r\nsat\u0131r\"\r\n\"Dvo\u0159\u00E1k\r\n\u010D\"\tKal\u0131n", F.CarriedWide);
    }
}
