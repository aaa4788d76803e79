#include "transfer/TopFaturaGir.h"

#include "InvoiceTestKit.h"
#include "platform/ui/DragDrop.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

#include <tuple>

using namespace invoicetest;

namespace {

class BulkInvoiceScreen : public TInvoiceScreensTest {};

TEST_F(BulkInvoiceScreen, HasItsCaptionsMonthsAGridThatDragsOutAndShowSetsTheDayAndStatements) {
    EXPECT_EQ(DBulk->Caption(), "Doğalgaz Fatura Bilgileri Girişi");
    EXPECT_EQ(DBulk->ClassName(), "Tdtopfaturagirf");
    EXPECT_EQ(EBulk->iay->Items()->Strings(11), "Aralık");
    EXPECT_TRUE(EBulk->donemg->Checked());
    TExtStringGrid* G = EBulk->OENDEKS;
    EXPECT_EQ(G->ColCount(), 10);
    EXPECT_EQ(G->FixedCols(), 3);
    EXPECT_EQ(G->RowCount(), 2);
    // The footer row floats; the grid drags copies and columns out.
    EXPECT_TRUE(G->FloatingFooter()->Visible());
    EXPECT_EQ(G->FixedFooters(), 1);
    const auto* Drag = G->DragDropSettings();
    EXPECT_TRUE(Drag->OleDropSource() && Drag->OleCopyAlways() && Drag->OleColumnDragDrop());
    EXPECT_FALSE(Drag->OleDropTarget());
    // Showing sets today, the year and the modifying statements.
    EBulk->Show();
    EXPECT_EQ(EBulk->iyil->Text(), "2016");
    EXPECT_EQ(DateToStr(EBulk->faturatarihi->Date()), "15.03.2016");
    TpFBDataSet* Ds = DM()->EFATURA;
    EXPECT_EQ(Ds->DeleteSQL()->Strings(0),
              "Delete from EFATURA where REFERANSNO IS NOT DISTINCT FROM ?OLD_REFERANSNO AND ABONENO=?OLD_ABONENO AND FATURATARIHI=?OLD_FATURATARIHI");
    EXPECT_NE(Ds->InsertSQL()->Text().find("insert into efatura(REFERANSNO"), AnsiString::npos);
    DBulk->Show();
    EXPECT_EQ(DM()->dfatura->DeleteSQL()->Strings(0),
              "Delete from dFATURA where REFERANSNO IS NOT DISTINCT FROM ?OLD_REFERANSNO AND ABONENO=?OLD_ABONENO AND FATURATARIHI=?OLD_FATURATARIHI");
}

TEST_F(BulkInvoiceScreen, ListingWithoutMonthAsksForItAndFocusesTheMonth) {
    AddSubscriber("e", "100", "ALİ");
    EBulk->Show();
    EBulk->Button3->SetFocus();
    EBulk->Button1Click(EBulk.get());
    EXPECT_EQ(Prompts.LastMessage(), "Lütfen ilgili dönem ayını seçiniz.");
    EXPECT_EQ(EBulk->ActiveControl(), EBulk->iay);
    EXPECT_FALSE(EBulk->OENDEKS->Visible());
}

TEST_F(BulkInvoiceScreen, ListsEverySubscriberWithTheInvoicesOfThePeriod) {
    AddSubscriber("e", "100", "ALİ", "VELİ");
    AddSubscriber("e", "200", "AYŞE", "K", "123", "12345678901");
    AddSubscriber("e", "300", "CAN", "", "", "1234");
    AddInvoice("e", "R1", "100", "1234.5", "10", "Mart 2016", "01.03.2016");
    AddInvoice("e", "R2", "100", "20", "2.25", "Mart 2016", "02.03.2016");
    AddInvoice("e", "R3", "100", "30", "3", "Mart 2016", "03.03.2016");
    AddInvoice("e", "R4", "100", "40", "4", "Şubat 2016", "28.02.2016");
    AddInvoice("e", "R5", "100", "50", "5", "mart 2016", "04.03.2016");
    ShowAndList(EBulk.get(), "Mart");

    TExtStringGrid* G = EBulk->OENDEKS;
    ASSERT_TRUE(G->Visible());
    EXPECT_EQ(G->RowCount(), 7);   // header, 3 invoices, 2 subscribers without one, footer
    EXPECT_EQ(G->Cells(1, 0) + "|" + G->Cells(7, 0) + "|" + G->Cells(9, 0), "aboneno|Toplam Tüketim|REferasno");
    for (Integer R = 1; R <= 3; ++R) {
        EXPECT_EQ(G->Cells(0, R) + "|" + G->Cells(1, R) + "|" + G->Cells(3, R), IntToStr(R) + "|100|VELİ");
        EXPECT_EQ(G->Colors(6, R), clYellow);
    }
    EXPECT_EQ(InvoiceCells(G, 1), "01.03.2016|10|1234,5|R1");
    EXPECT_EQ(InvoiceCells(G, 2), "02.03.2016|2,25|20|R2");
    EXPECT_EQ(InvoiceCells(G, 3), "03.03.2016|3|30|R3");
    // Short surname, tax and identity numbers become the name and the placeholders.
    EXPECT_EQ(G->Cells(0, 4) + "|" + G->Cells(2, 4) + "|" + G->Cells(3, 4) + "|" + G->Cells(4, 4) + "|" + G->Cells(5, 4),
              "4|AYŞE|AYŞE|2222222222|12345678901");
    EXPECT_EQ(InvoiceCells(G, 4), "|||");
    EXPECT_EQ(G->Cells(3, 5) + "|" + G->Cells(5, 5), "CAN|22222222222");
    EXPECT_EQ(G->FontColors(6, 5), clBlack);
}

TEST_F(BulkInvoiceScreen, ANewListingShrinksTheGridAndOverwritesRows) {
    AddSubscriber("e", "100", "ALİ");
    AddSubscriber("e", "200", "AYŞE");
    AddInvoice("e", "R1", "100", "1", "1", "Mart 2016", "01.03.2016");
    AddInvoice("e", "R2", "100", "2", "2", "Mart 2016", "02.03.2016");
    ShowAndList(EBulk.get(), "Mart");
    EXPECT_EQ(EBulk->OENDEKS->RowCount(), 5);
    EBulk->iay->SetText("Nisan");
    EBulk->Button1Click(EBulk.get());
    TExtStringGrid* G = EBulk->OENDEKS;
    EXPECT_EQ(G->RowCount(), 4);
    EXPECT_EQ(G->Cells(1, 1) + "|" + InvoiceCells(G, 1) + "|" + G->Cells(1, 2), "100|||||200");
    EXPECT_EQ(G->Colors(6, 1), clNone);   // no invoice now: not yellow
    EXPECT_EQ(G->Cells(0, 3) + G->Cells(1, 3) + G->Cells(2, 3), "");   // the footer row, which the floating footer shows
}

TEST_F(BulkInvoiceScreen, WithoutSubscribersTheGridIsLeftAlone) {
    ShowAndList(EBulk.get(), "Mart");
    EXPECT_FALSE(EBulk->OENDEKS->Visible());
    EXPECT_EQ(EBulk->OENDEKS->RowCount(), 2);
    EXPECT_TRUE(Prompts.Messages().empty());
}

TEST_F(BulkInvoiceScreen, TypedPeriodStaysAValueInsideTheStatement) {
    AddSubscriber("e", "1\"0", "ALİ");
    AddInvoice("e", "R1", "1\"0", "1", "1", "Mart 2016", "01.03.2016");
    // Pasted as it stands this month text would make the condition true for every invoice.
    ShowAndList(EBulk.get(), "x\" or donemi<>\"");
    EXPECT_EQ(InvoiceCells(EBulk->OENDEKS, 1), "|||");
    EBulk->iay->SetText("Mart");
    EBulk->Button1Click(EBulk.get());
    EXPECT_EQ(EBulk->OENDEKS->Cells(1, 1) + EBulk->OENDEKS->Cells(9, 1), "1\"0R1");
}

TEST_F(BulkInvoiceScreen, GasScreenListsGasTables) {
    AddSubscriber("d", "700", "GAZ");
    AddSubscriber("e", "100", "ELEKTRİK");
    AddInvoice("d", "920160331101010", "700", "5", "6", "Mart 2016", "31.03.2016");
    ShowAndList(DBulk.get(), "Mart");
    EXPECT_EQ(DBulk->OENDEKS->RowCount(), 3);
    EXPECT_EQ(DBulk->OENDEKS->Cells(1, 1), "700");
    EXPECT_EQ(InvoiceCells(DBulk->OENDEKS, 1), "31.03.2016|6|5|920160331101010");
    EXPECT_FALSE(DBulk->OENDEKS->CellTextCut(9, 1)) << "a reference number shows whole";
}

using TMonthCase = std::tuple<const char*, const char*, const char*>;
class BulkInvoiceMonthEnd : public TInvoiceScreensTest, public ::testing::WithParamInterface<TMonthCase> {};

TEST_P(BulkInvoiceMonthEnd, LeavingTheMonthOrYearProposesTheLastDay) {
    const auto& [Month, Year, Expected] = GetParam();
    EBulk->Show();
    EBulk->iay->SetText(Month);
    EBulk->iyil->SetText(Year);
    EBulk->iayExit(EBulk->iay);
    EXPECT_EQ(DateToStr(EBulk->faturatarihi->Date()), Expected);
}

INSTANTIATE_TEST_SUITE_P(Months, BulkInvoiceMonthEnd,
                         ::testing::Values(TMonthCase{"Şubat", "2016", "28.02.2016"},
                                           TMonthCase{"Ocak", "2010", "31.01.2010"},
                                           TMonthCase{"Nisan", "2020", "30.04.2020"},
                                           TMonthCase{"Eylül", "2016", "30.09.2016"},
                                           TMonthCase{"Aralık", "2030", "31.12.2030"},
                                           TMonthCase{"mart", "2016", "15.03.2016"},
                                           TMonthCase{"Haziran ", "2016", "15.03.2016"}));

TEST_F(BulkInvoiceScreen, LeavingTheMonthFieldByFocusRunsTheHandler) {
    EBulk->Show();
    EBulk->iay->SetFocus();
    EBulk->iay->SetText("Kasım");
    EBulk->Button1->SetFocus();
    EXPECT_EQ(DateToStr(EBulk->faturatarihi->Date()), "30.11.2016");
}

// ---- opening the single invoice dialog

TEST_F(BulkInvoiceScreen, RowWithoutInvoiceOpensANewInvoice) {
    AddSubscriber("e", "100", "ALİ", "VELİ", "1234567890", "12345678901", "05.01.2015");
    ShowAndList(EBulk.get(), "Şubat");
    EBulk->iayExit(EBulk->iay);
    EBulk->OENDEKS->SetRow(1);
    EBulk->yenikayitClick(EBulk.get());
    EXPECT_TRUE(EDialog->Visible());
    EXPECT_EQ(SubscriberFields(EDialog.get()), "100|ALİ|VELİ|1234567890|12345678901|05.01.2015|2  Kapanma|3  Cep|5551234");
    EXPECT_EQ(InvoiceFields(EDialog.get()), "920160315102030|Şubat 2016|28.02.2016|0,00|0,00");
    EXPECT_EQ(ShownButtons(EDialog.get()), "kaydet ");
}

TEST_F(BulkInvoiceScreen, StoredInvoiceOpensWithTheScreensPeriodWhenAsked) {
    AddSubscriber("e", "100", "ALİ");
    AddInvoice("e", "R9", "100", "1234.5", "77", "Şubat 2016", "10.02.2016");
    for (bool Update : {true, false}) {
        SCOPED_TRACE(Update);
        ShowAndList(EBulk.get(), "Şubat");
        EBulk->iay->SetText("Mart");   // the screen now shows another period
        EBulk->donemg->SetChecked(Update);
        EBulk->OENDEKS->SetRow(1);
        EBulk->OENDEKSDblClick(EBulk->OENDEKS);
        EXPECT_EQ(InvoiceFields(EDialog.get()),
                  AnsiString("R9|") + (Update ? "Mart" : "Şubat") + " 2016|10.02.2016|1.234,50|77,00");
        EXPECT_EQ(ShownButtons(EDialog.get()), "degistir sil");
        EDialog->Close();
    }
}

TEST_F(BulkInvoiceScreen, UnknownSubscriberLeavesTheDialogWithClearedIdentity) {
    AddSubscriber("e", "100", "ALİ");
    ShowAndList(EBulk.get(), "Mart");
    EDialog->referansno->SetText("OLD");
    EBulk->OENDEKS->SetCells(1, 1, "999");
    EBulk->OENDEKS->SetRow(1);
    EBulk->yenikayitClick(EBulk.get());
    EXPECT_EQ(Prompts.LastMessage(), "Bu Kodda hiçbir abone kaydı yok");
    EXPECT_TRUE(EDialog->Visible());
    EXPECT_EQ(EDialog->ABONENO->Text() + EDialog->BADI->Text() + EDialog->referansno->Text(), "OLD");
}

TEST_F(BulkInvoiceScreen, OnlyTheElectricityDoubleClickClearsThePeriod) {
    AddSubscriber("e", "100", "ALİ");
    AddSubscriber("d", "100", "ALİ");
    struct TCase {
        TTopFaturaGirForm* Bulk;
        TFaturaGirForm* Dialog;
        bool DoubleClick;
        bool Cleared;
    };
    for (const TCase& C : {TCase{EBulk.get(), EDialog.get(), true, true}, TCase{EBulk.get(), EDialog.get(), false, false},
                           TCase{DBulk.get(), DDialog.get(), true, false}}) {
        ShowAndList(C.Bulk, "Mart");
        C.Dialog->donemi->SetText("ESKİ");
        C.Bulk->OENDEKS->SetCells(1, 1, "yok");   // not found: the opening stops after clearing
        C.Bulk->OENDEKS->SetRow(1);
        if (C.DoubleClick)
            C.Bulk->OENDEKSDblClick(C.Bulk->OENDEKS);
        else
            C.Bulk->yenikayitClick(C.Bulk);
        EXPECT_EQ(C.Dialog->donemi->Text(), C.Cleared ? "" : "ESKİ");
    }
}

TEST_F(BulkInvoiceScreen, BadStoredDateIsSaidAndLeavesNothingToSave) {
    AddSubscriber("e", "100", "ALİ", "VELİ", "1234567890", "12345678901", "bozuk");
    ShowAndList(EBulk.get(), "Mart");
    EBulk->OENDEKS->SetRow(1);
    EBulk->yenikayitClick(EBulk.get());
    EXPECT_EQ(Prompts.LastMessage(), "Kayıtlı ABONETARIHI değeri \"bozuk\" bir tarih değil; fatura açılmadı.");
    EXPECT_EQ(EDialog->ABONENO->Text(), "");
    EDialog->kaydetClick(EDialog.get());
    EXPECT_EQ(Prompts.LastMessage(), "Lütfen Abone Numarasını Boş Bırakmayınız!");
    EXPECT_EQ(DM().Count("select * from efatura"), 0);
}

// --- the grid's floating footer and drags, through the mouse ---------------------------------

class BulkInvoiceGrid : public TInvoiceScreensTest {
protected:
    void SetUp() override {
        TInvoiceScreensTest::SetUp();
        for (int I = 1; I <= 30; ++I) {
            const AnsiString No = IntToStr(100 + I);
            AddSubscriber("e", No, "FİRMA " + IntToStr(I));
            AddInvoice("e", "R" + IntToStr(I), No, IntToStr(I * 10), IntToStr(I), "Mart 2016", "01.03.2016");
        }
        ShowAndList(EBulk.get(), "Mart");
        G = EBulk->OENDEKS;
        SetDragHandler([this](TControl*, const TDataObject& Data, Integer) {
            ++Drags;
            const AnsiString T = Data.AsText();
            Carried = T.substr(0, T.find('\0'));
            Column = DroppedColumn(Data);
            return DROPEFFECT_MOVE;
        });
    }
    void TearDown() override {
        SetDragHandler(nullptr);
        TInvoiceScreensTest::TearDown();
    }
    void Send(QEvent::Type T, QPoint P, Qt::MouseButton B, Qt::MouseButtons Held) {
        QWidget* W = G->Widget();
        QMouseEvent E(T, QPointF(P), W->mapToGlobal(QPointF(P)), B, Held, Qt::NoModifier);
        QApplication::sendEvent(W, &E);
    }
    QPoint In(Integer ACol, Integer ARow) const { return uitest::Middle(G->CellRect(ACol, ARow)); }
    void ClickOn(Integer ACol, Integer ARow) {
        Send(QEvent::MouseButtonPress, In(ACol, ARow), Qt::LeftButton, Qt::LeftButton);
        Send(QEvent::MouseButtonRelease, In(ACol, ARow), Qt::LeftButton, Qt::NoButton);
    }
    // Press on a cell, move far enough for a drag to start, release.
    void DragFrom(Integer ACol, Integer ARow) {
        const QPoint P = In(ACol, ARow);
        Send(QEvent::MouseButtonPress, P, Qt::LeftButton, Qt::LeftButton);
        Send(QEvent::MouseMove, P + QPoint(12, 0), Qt::NoButton, Qt::LeftButton);
        Send(QEvent::MouseButtonRelease, P + QPoint(12, 0), Qt::LeftButton, Qt::NoButton);
    }
    TExtStringGrid* G = nullptr;
    Integer Drags = 0;
    AnsiString Carried;
    Integer Column = -1;
};

}  // namespace

TEST_F(BulkInvoiceGrid, TheFloatingFooterShowsUnderTheListedRowsAndTheLastRowScrollsAboveIt) {
    ASSERT_TRUE(G->Showing());
    TFooterPanel* P = G->FooterPanel();
    EXPECT_EQ(G, P->Parent());
    EXPECT_TRUE(P->Showing());
    EXPECT_EQ(20, P->Height());   // the row height 21 less one
    EXPECT_EQ(G->ClientRect().Bottom, P->Top());
    const Integer LastListed = G->RowCount() - 2;
    EXPECT_EQ(LastListed, 30);
    G->SetRow(LastListed);
    const TRect R = G->CellRect(1, LastListed);
    ASSERT_FALSE(R.IsEmpty());
    EXPECT_LE(R.Bottom, P->Top());
}

TEST_F(BulkInvoiceGrid, DragsStartOnlyFromCellsWhoseEditingTheGridSwitchedOff) {
    // Cells open their editor here: a press on the selection does not drag.
    ClickOn(7, 2);
    DragFrom(7, 2);
    EXPECT_EQ(0, Drags);
    // Nor does a header with the enhanced column move on.
    DragFrom(7, 0);
    EXPECT_EQ(0, Drags);
    // A cell the application keeps from editing switches editing off: it drags a copy.
    G->OnCanEditCell = [](TObject*, Integer, Integer ACol, bool& CanEdit) {
        if (ACol == 9) CanEdit = false;
    };
    Integer Stopped = -1;
    G->OnOleDragStop = [&](TObject*, Integer Effect) { Stopped = Effect; };
    ClickOn(9, 2);
    EXPECT_FALSE(G->Options().Contains(goEditing));
    DragFrom(9, 2);
    EXPECT_EQ(1, Drags);
    EXPECT_EQ("R2", Carried);
    EXPECT_EQ(DROPEFFECT_MOVE, Stopped);
    EXPECT_EQ("R2", G->Cells(9, 2));   // copies always: a move leaves the cell
    // The next editable cell switches editing on again, and drags stop.
    ClickOn(7, 3);
    EXPECT_TRUE(G->Options().Contains(goEditing));
    DragFrom(7, 3);
    EXPECT_EQ(1, Drags);
}

TEST_F(BulkInvoiceGrid, ColumnsDragOutOnlyWithoutTheEnhancedColumnMove) {
    G->OnCanEditCell = [](TObject*, Integer, Integer, bool& CanEdit) { CanEdit = false; };
    ClickOn(7, 2);
    ASSERT_FALSE(G->Options().Contains(goEditing));
    DragFrom(7, 0);
    EXPECT_EQ(0, Drags);
    G->SetEnhRowColMove(false);
    DragFrom(7, 0);
    EXPECT_EQ(1, Drags);
    EXPECT_EQ(7, Column);
    EXPECT_EQ("Toplam Tüketim", G->Cells(7, 0));   // the grid itself moves nothing
}
