#include "transfer/FaturaGir.h"
#include "transfer/TopFaturaGir.h"

#include "InvoiceTestKit.h"
#include "entry/ModalTestKit.h"
#include "platform/ui/Clipbrd.h"
#include "platform/ui/UiTestKit.h"

#include <QTest>

using namespace invoicetest;
using namespace uitest;

namespace {

// The bulk invoice grid worked as an operator does, on the screen shown as the
// menu shows it: clicks on cells, typing, keys, and the dialog it opens.
class BulkInvoiceEditing : public TInvoiceScreensTest {
protected:
    void SetUp() override {
        TInvoiceScreensTest::SetUp();
        AddSubscriber("e", "100", "ALİ");
        AddSubscriber("e", "200", "VELİ");
        AddInvoice("e", "R1", "100", "10", "1", "Mart 2016", "01.03.2016");
        G = EBulk->OENDEKS;
    }
    // Lists Month 2016 by the keyboard, then runs Steps inside the modal loop.
    void Run(const std::function<void()>& Steps, const char* Month = "Mart") {
        modaltest::WhileShownModally(EBulk.get(), [&] {
            List(Month);
            Steps();
        });
    }
    void List(const char* Month) {
        EBulk->iay->SetText(Month);
        EBulk->iyil->SetText("2016");
        ClickAndSettle(EBulk->Button1);
    }
    QPoint In(Integer C, Integer R) const { return Middle(G->CellRect(C, R)); }
    void ClickCell(Integer C, Integer R) {
        SystemClick(G, In(C, R));
        Settle();
    }
    void DblClickCell(Integer C, Integer R) {
        QWidget* W = G->Widget();
        QTest::mouseDClick(W->window()->windowHandle(), Qt::LeftButton, Qt::NoModifier, W->mapTo(W->window(), In(C, R)));
        Settle();
    }
    void Key(Qt::Key K, Qt::KeyboardModifiers M = Qt::NoModifier) {
        SystemKey(EBulk.get(), K, M);
        Settle();
    }
    // A dialog button pressed; its click comes a moment after the press.
    void Press(TControl* Button) {
        SystemClick(Button);
        WaitUntil([&] { return !EDialog->Visible(); });
    }
    // The dialog opened by Open, at its date.
    void OpenBy(const std::function<void()>& Open) {
        Open();
        ASSERT_TRUE(WaitUntil([&] { return EDialog->faturatarihi->Focused(); }));
    }
    TExtStringGrid* G = nullptr;
};

// Rows: 1 = 100 with R1, 2 = 200 without invoice, 3 = the footer row.
TEST_F(BulkInvoiceEditing, ArrowsStopAtTheLastListedRowAndColumn) {
    Run([&] {
        ClickCell(3, 1);
        for (int I = 0; I < 4; ++I) Key(Qt::Key_Down);
        EXPECT_EQ(G->Row(), 2);
        for (int I = 0; I < 9; ++I) Key(Qt::Key_Right);
        EXPECT_EQ(G->Col(), 9);
        for (int I = 0; I < 9; ++I) Key(Qt::Key_Left);
        EXPECT_EQ(G->Col(), 3);   // the fixed columns take no cursor
    });
}

TEST_F(BulkInvoiceEditing, EscapeGivesTheCellItsTextBackAndEnterKeepsTheTyped) {
    Run([&] {
        ClickCell(9, 1);
        Key(Qt::Key_F2);
        ASSERT_TRUE(G->EditorMode());
        TypeText(u"X");
        Key(Qt::Key_Escape);
        EXPECT_FALSE(G->EditorMode());
        EXPECT_EQ(G->Cells(9, 1), "R1");
        EXPECT_TRUE(EBulk->Visible());   // Escape closes the editor, not the screen
        TypeText(u"Q7");
        Key(Qt::Key_Return);
        EXPECT_EQ(G->Cells(9, 1), "Q7");
        Key(Qt::Key_Down);
        EXPECT_EQ(G->Cells(9, 1), "Q7");
        EXPECT_EQ(G->Cells(9, 2), "");
    });
}

// The grid's own copy keys are off on this screen; a cell's text is copied
// from its editor, which opens with the text selected, and pasted into another.
TEST_F(BulkInvoiceEditing, ACellsTextIsCopiedAndPastedThroughItsEditor) {
    // Control letters carry their control character, as the window system gives them.
    auto Ctrl = [](Qt::Key K, char C) {
        SendKey(FocusTarget(), K, QString(QChar(C)), Qt::ControlModifier);
        Settle();
    };
    Run([&] {
        Clipboard()->SetAsText("önce");
        ClickCell(9, 1);
        Ctrl(Qt::Key_C, 3);
        EXPECT_EQ(Clipboard()->AsText(), "önce");
        Key(Qt::Key_F2);
        ASSERT_TRUE(G->EditorMode());
        Ctrl(Qt::Key_C, 3);
        EXPECT_EQ(Clipboard()->AsText(), "R1");
        EXPECT_EQ(G->Cells(9, 1), "R1");
        ClickCell(9, 2);
        Key(Qt::Key_F2);
        Ctrl(Qt::Key_V, 22);
        Key(Qt::Key_Return);
        EXPECT_EQ(G->Cells(9, 2), "R1");
        EXPECT_EQ(G->Cells(9, 1), "R1");
    });
}

// Tab leaves the grid with the typed text in its cell; Shift+Tab comes back to
// the same cell, and Escape there no longer takes the text away.
TEST_F(BulkInvoiceEditing, TabOutAndBackKeepsTheTypedText) {
    Run([&] {
        ClickCell(7, 2);
        TypeText(u"42");
        PressTab();
        Settle();
        EXPECT_TRUE(EBulk->yenikayit->Focused());
        EXPECT_EQ(G->Cells(7, 2), "42");
        SendKey(FocusTarget(), Qt::Key_Backtab, QString(), Qt::ShiftModifier);
        Settle();
        ASSERT_TRUE(G->Focused());
        EXPECT_EQ(IntToStr(G->Col()) + "," + IntToStr(G->Row()), "7,2");
        Key(Qt::Key_Escape);
        EXPECT_EQ(G->Cells(7, 2), "42");
    });
}

TEST_F(BulkInvoiceEditing, TextTypedIntoACellIsInItWhenTheDialogOpens) {
    AddInvoice("e", "R9", "200", "70", "7", "Nisan 2016", "01.04.2016");
    Run([&] {
        ClickCell(9, 2);
        TypeText(u"R9");
        ASSERT_TRUE(G->EditorMode());
        ClickAndSettle(EBulk->yenikayit);
        ASSERT_TRUE(EDialog->Visible());
        EXPECT_EQ(G->Cells(9, 2), "R9");
        // The row's reference number finds the subscriber's stored invoice.
        EXPECT_EQ(EDialog->referansno->Text(), "R9");
        EXPECT_TRUE(EDialog->degistir->Visible());
        CloseAndSettle(EDialog.get());
    });
}

// Another subscriber's reference typed into a row opens a new invoice; SİL deletes only the invoice opened.
TEST_F(BulkInvoiceEditing, ARowFindsAndDeletesOnlyItsOwnSubscribersInvoice) {
    Run([&] {
        ClickCell(9, 2);
        TypeText(u"R1");
        OpenBy([&] { SystemClick(EBulk->yenikayit); });
        EXPECT_EQ(EDialog->referansno->Text(), "920160315102030");
        SystemClose(EDialog.get());
        AddInvoice("e", "R1", "200", "70", "7", "Nisan 2016", "01.04.2016");
        DblClickCell(8, 1);
        Press(EDialog->sil);
    });
    EXPECT_EQ(DM().Value("select ABONENO || DONEMI from efatura"), "200Nisan 2016");
}

// Invoices of one subscriber numbered alike (the import stores such): each row opens,
// changes and deletes its own. Rows: 1 = R1 of 01.03, 2 = R1 of 02.03, 3 = 200.
TEST_F(BulkInvoiceEditing, RowsOfInvoicesNumberedAlikeOpenTheirOwn) {
    AddInvoice("e", "R1", "100", "20", "2", "Mart 2016", "02.03.2016");
    Run([&] {
        OpenBy([&] { DblClickCell(8, 2); });
        EDialog->faturabedeli->SetTextAsFloat(EDialog->faturabedeli->TextAsFloat() + 5);
        Press(EDialog->degistir);
        OpenBy([&] { DblClickCell(8, 1); });
        Press(EDialog->sil);
        EXPECT_EQ(InvoiceCells(G, 1) + InvoiceCells(G, 2), "|||02.03.2016|2|25|R1");
    });
    EXPECT_EQ(DM().Value("select FATURATARIHI || '|' || TOPLAMBEDELI from efatura"), "02.03.2016|25.00000000000000");
}

// A click on Kaydet stores the date typed; Alt+K over a date not whole puts the
// date back and stores nothing.
TEST_F(BulkInvoiceEditing, SavesTakeTheTypedDateAndADateNotWholeStopsThem) {
    Run([&] {
        for (const char16_t* Day : {u"0", u"29"}) {
            OpenBy([&] { DblClickCell(8, 2); });
            EDialog->faturabedeli->SetTextAsFloat(12);
            TypeText(Day);
            if (Day[1]) SystemClick(EDialog->kaydet);
            else SystemKey(EDialog.get(), Qt::Key_K, Qt::AltModifier);
            WaitUntil([&] { return !EDialog->Visible() || (!Day[1] && !Prompts.Messages().empty()); });
            if (EDialog->Visible()) SystemClose(EDialog.get());
        }
    });
    EXPECT_EQ(Prompts.Messages().size(), 1u);
    EXPECT_EQ(DM().Value("select list(FATURATARIHI) from efatura where ABONENO = '200'"), "29.03.2016");
}

// Four Enters ask before storing an invoice of nothing: Hayır goes back to the amount,
// Evet stores.
TEST_F(BulkInvoiceEditing, AnInvoiceOfZeroAmountAndConsumptionIsStoredOnlyWhenConfirmed) {
    Prompts.QueueAnswer(IDNO);
    Run([&] {
        OpenBy([&] { DblClickCell(8, 2); });
        for (int I = 0; I < 4; ++I) PressEnter();
        ASSERT_TRUE(WaitUntil([&] { return EDialog->faturabedeli->Focused(); }));
        EXPECT_EQ(DM().Count("select * from efatura where ABONENO = '200'"), 0);
        Prompts.QueueAnswer(IDYES);
        for (int I = 0; I < 2; ++I) PressEnter();
        ASSERT_TRUE(WaitUntil([&] { return !EDialog->Visible(); }));
    });
    EXPECT_EQ(Prompts.Messages(), std::vector<AnsiString>(2, "Fatura bedeli ve toplam tüketim sıfır. Bu fatura yine de kaydedilsin mi?"));
    EXPECT_EQ(Prompts.Records()[0].Flags & MB_DEFBUTTON2, MB_DEFBUTTON2);   // a fifth Enter says Hayır
    EXPECT_EQ(DM().Count("select * from efatura where ABONENO = '200'"), 1);
}

// The dialog's values win over what was typed into the same cell meanwhile:
// the row shows what is stored.
TEST_F(BulkInvoiceEditing, AnEditorOpenOnAWrittenBackCellTakesTheStoredValue) {
    Run([&] {
        DblClickCell(8, 1);
        ASSERT_TRUE(EDialog->Visible());
        ClickCell(8, 1);
        TypeText(u"555");
        EDialog->faturabedeli->SetTextAsFloat(99);
        Press(EDialog->degistir);
        ClickCell(7, 2);
        EXPECT_EQ(G->Cells(8, 1), "99");
    });
    EXPECT_EQ(DM().Value("select TOPLAMBEDELI from efatura"), "99");
}

// The operator moves to another subscriber's row while the dialog is open: the
// saved invoice shows in its own subscriber's row, not in the other's.
TEST_F(BulkInvoiceEditing, AnInvoiceSavedWhileAnotherSubscribersRowIsCurrentGoesToItsOwnRow) {
    Run([&] {
        ClickCell(3, 2);
        ClickAndSettle(EBulk->yenikayit);
        ASSERT_TRUE(EDialog->Visible());
        ASSERT_TRUE(EDialog->kaydet->Visible());
        ClickCell(3, 1);
        ASSERT_EQ(G->Row(), 1);
        Press(EDialog->kaydet);
        EXPECT_EQ(InvoiceCells(G, 1), "01.03.2016|1|10|R1");
        EXPECT_EQ(G->Cells(9, 2), "920160315102030");
    });
    EXPECT_EQ(DM().Value("select ABONENO from efatura where REFERANSNO = '920160315102030'"), "200");
}

// Listed again for another period while the dialog is open: rows moved, and a
// row of another subscriber takes nothing; the next listing shows the invoice.
TEST_F(BulkInvoiceEditing, AnInvoiceDeletedAfterANewListingTouchesNoOtherRow) {
    AddSubscriber("e", "050", "AYŞE");   // lists before 100 from now on
    AddInvoice("e", "N1", "050", "5", "5", "Nisan 2016", "01.04.2016");
    Run([&] {
        // Rows: 1 = 050, 2 = 100 with R1, 3 = 200.
        DblClickCell(8, 2);
        ASSERT_TRUE(EDialog->sil->Visible());
        List("Nisan");   // rows: 1 = 050 with N1, 2 = 100, 3 = 200
        ClickCell(3, 1);
        Press(EDialog->sil);
        EXPECT_EQ(InvoiceCells(G, 1), "01.04.2016|5|5|N1");
        EXPECT_EQ(InvoiceCells(G, 2), "|||");
    });
    EXPECT_EQ(DM().Count("select * from efatura"), 1);
}

// Another invoice of the subscriber on the same date, and the current row moved
// there: a date typed into the dialog changes only the invoice shown, in its row.
TEST_F(BulkInvoiceEditing, AChangeTouchesOnlyTheInvoiceShownAndStoresItsNewDate) {
    AddInvoice("e", "R2", "100", "20", "2", "Mart 2016", "01.03.2016");
    Run([&] {
        const Integer Own = G->Cells(9, 1) == "R1" ? 1 : 2, Other = 3 - Own;
        DblClickCell(8, Own);
        ASSERT_TRUE(WaitUntil([&] { return EDialog->faturatarihi->Focused(); }));
        TypeText(u"05032016");
        ClickCell(8, Other);
        Press(EDialog->degistir);
        EXPECT_EQ(InvoiceCells(G, Own) + InvoiceCells(G, Other), "05.03.2016|1|10|R101.03.2016|2|20|R2");
    });
}

// A double click opens the row clicked, not the current one, also from a fixed
// column, and nothing on the header. However it opens (a double click, the second
// one on the current cell whose editor the first click opens, or the button), even
// after a close by the window button while Kaydet had the focus, it is at the date.
TEST_F(BulkInvoiceEditing, TheDialogOpensTheRowClickedAtTheDateEveryTime) {
    Run([&] {
        ClickCell(3, 1);
        DblClickCell(0, 0);
        EXPECT_FALSE(EDialog->Visible());
        for (Integer Opening : {1, 8, -1, 8}) {   // a fixed column, a cell, the button, the same cell
            if (Opening < 0) SystemClick(EBulk->yenikayit);
            else DblClickCell(Opening, 2);
            ASSERT_TRUE(WaitUntil([&] { return EDialog->faturatarihi->Focused(); })) << Opening;
            EXPECT_EQ(EDialog->ABONENO->Text(), "200");
            for (int I = 0; I < 3; ++I) PressEnter();
            ASSERT_TRUE(EDialog->kaydet->Focused());
            SystemClose(EDialog.get());
        }
    });
    EXPECT_EQ(DM().Count("select * from efatura where ABONENO = '200'"), 0);
}

// The whole entry without the mouse: Tab to the listing button, Enter lists,
// Tab into the grid, arrows, Alt+F opens the dialog, Enter walks the date and
// the amounts, Alt+K saves into the row.
TEST_F(BulkInvoiceEditing, AnInvoiceIsEnteredWithTheKeyboardAlone) {
    modaltest::WhileShownModally(EBulk.get(), [&] {
        EBulk->iay->SetFocus();
        Settle();
        TypeText(u"Mart");
        for (int I = 0; I < 3; ++I) PressTab();
        Settle();
        ASSERT_TRUE(EBulk->Button1->Focused());
        PressEnter();
        Settle();
        ASSERT_EQ(G->RowCount(), 4);
        PressTab();
        PressTab();
        Settle();
        ASSERT_TRUE(G->Focused());
        Key(Qt::Key_Down);
        EXPECT_EQ(G->Row(), 2);
        Key(Qt::Key_F, Qt::AltModifier);
        ASSERT_TRUE(WaitUntil([&] { return EDialog->Visible(); }));
        Settle();
        ASSERT_TRUE(EDialog->faturatarihi->Focused());
        PressEnter();
        TypeText(u"34");
        PressEnter();
        TypeText(u"56");
        Settle();
        SystemKey(EDialog.get(), Qt::Key_K, Qt::AltModifier);
        ASSERT_TRUE(WaitUntil([&] { return !EDialog->Visible(); }));
        EXPECT_EQ(InvoiceCells(G, 2), "31.03.2016|34|56|920160315102030");
    });
    EXPECT_EQ(DM().Value("select ABONENO || '|' || TOPLAMTUKETIM || '|' || TOPLAMBEDELI from efatura where ABONENO = '200'"),
              "200|34.00000000000000|56.00000000000000");
}

}  // namespace
