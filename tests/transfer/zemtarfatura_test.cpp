#include "transfer/zemtarfatura.h"

#include "ScreenTestKit.h"
#include "../platform/ui/UiTestKit.h"
#include "entry/ModalTestKit.h"

#include "grid/ExtGrid.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Gauges.h"
#include "platform/ui/Spin.h"
#include "platform/ui/StdCtrls.h"

using namespace transfertest;

namespace {

AnsiString Invoice(const AnsiString& Ref, const AnsiString& No, double Amount, double Use, const AnsiString& Date) {
    return "insert into EFATURA (REFERANSNO,ABONENO,TOPLAMBEDELI,TOPLAMTUKETIM,DONEMI,FATURATARIHI) values ('" +
           Ref + "','" + No + "'," + FloatToStr(Amount, TFormatSettings()) + "," + FloatToStr(Use, TFormatSettings()) +
           ",'Mart 2016','" + Date + "');";
}

AnsiString Identity(const AnsiString& No, const AnsiString& Adi, const AnsiString& Soyadi, const AnsiString& VergiNo,
                    const AnsiString& TcKimlik, const AnsiString& Dahil) {
    return "insert into EABONEKIMLIK (ABONENO,ADI,SOYADI,VERGINO,TCKIMLIK,ZEMTARDAHIL) values ('" + No + "','" + Adi +
           "','" + Soyadi + "','" + VergiNo + "','" + TcKimlik + "','" + Dahil + "');";
}

class ElectricityInvoiceScreen : public TScreenFixture {
protected:
    ElectricityInvoiceScreen() {
        Exec("delete from EFATURA; delete from EABONEKIMLIK;");
        F = std::make_unique<Tzemtarfaturaf>(nullptr);
        F->ilktarih->SetDate(EncodeDate(2016, 3, 1));
        F->sontarih->SetDate(EncodeDate(2016, 3, 31));
    }
    AnsiString Cell(Integer C, Integer R) const { return F->OENDEKS->Cells(C, R); }
    void ThreeInvoices() {
        Exec(Identity("100", "ALİ", "VELİ", "123456789", "12345678901", "EVET") +
             Identity("200", "AYŞE", "", "1234567890", "1234", "HAYIR") +
             Invoice("91", "100", 100.5, 2.5, "10.03.2016") + Invoice("92", "200", 20, 3.5, "05.03.2016") +
             Invoice("93", "300", 7, 1234.4, "10.03.2016"));
    }
    std::unique_ptr<Tzemtarfaturaf> F;
};

}  // namespace

TEST_F(ElectricityInvoiceScreen, StartsHiddenWithTheDefaultsAndShowSetsTheDates) {
    EXPECT_EQ(F->Color(), TColor(0xCDFEED));
    EXPECT_TRUE(F->hepsec->Checked());
    EXPECT_FALSE(F->hiz->Visible());
    EXPECT_FALSE(F->OENDEKS->Visible());
    EXPECT_EQ(F->OENDEKS->ColCount(), 12);
    EXPECT_EQ(F->OENDEKS->RowCount(), 2);
    EXPECT_TRUE(F->OENDEKS->FloatingFooter()->Visible());
    const auto* Drag = F->OENDEKS->DragDropSettings();
    EXPECT_TRUE(Drag->OleDropSource() && Drag->OleCopyAlways() && Drag->OleColumnDragDrop());
    EXPECT_EQ(F->YOL->Text(), GetHomeDir());
    F->Show();   // sets the year and the last month up to today
    EXPECT_EQ(F->iyil->Text(), "2016");
    EXPECT_EQ(FormatDateTime("dd.mm.yyyy", F->sontarih->Date()), "15.03.2016");
    EXPECT_EQ(FormatDateTime("dd.mm.yyyy", F->ilktarih->Date()), "14.02.2016");
}

TEST_F(ElectricityInvoiceScreen, ListingShowsStatusMarksAndColours) {
    ThreeInvoices();
    F->Button1->Click();
    TExtStringGrid* G = F->OENDEKS;
    EXPECT_TRUE(G->Visible());
    EXPECT_FALSE(F->hiz->Visible());
    EXPECT_EQ(F->hiz->Progress(), 100);
    ASSERT_EQ(G->RowCount(), 5);
    EXPECT_EQ(Cell(6, 0), "AKTİF TÜKETİM");
    EXPECT_EQ(Cell(11, 0), "SEÇ");
    // Date order first: the invoice of 05.03 comes first.
    const std::vector<std::vector<AnsiString>> Expected = {
        {"1", "200", "AYŞE", "AYŞE", "1234567890", "22222222222", "4", "20", "ZEMTARTAN MUAF", "92", "05.03.2016", "H"},
        {"2", "100", "ALİ", "VELİ", "2222222222", "12345678901", "2", "100,5", "NORMAL", "91", "10.03.2016", "E"},
        {"3", "300", "", "", "", "", "", "", "ZEMTAR ABONE KİMLİK KAYDI YAPILMAMIŞ", "", "", "H"},
    };
    for (Integer R = 1; R <= 3; ++R)
        for (Integer C = 0; C < 12; ++C) EXPECT_EQ(Cell(C, R), Expected[R - 1][C]) << C << "," << R;
    EXPECT_TRUE(G->Colors(2, 1) == clYellow && G->Colors(2, 2) == clWhite && G->Colors(2, 3) == clRed);
}

TEST_F(ElectricityInvoiceScreen, OpensCentredAndItsCellsShowWholeLinesOnly) {
    ThreeInvoices();
    F->Show();
    EXPECT_NEAR(F->Left() + F->Width() / 2, Screen->Width() / 2, 1);
    F->Button1->Click();
    const Integer Y = 3 + F->OENDEKS->Canvas()->TextHeight("Wg");   // below the top margin and a line
    for (const auto& [C, R] : {std::pair(6, 0), std::pair(8, 1), std::pair(8, 3)}) {
        const QImage Shown = uitest::CellShot(F->OENDEKS, C, R).copy(0, Y, 82, 21 - Y);
        F->OENDEKS->SetCells(C, R, "");
        EXPECT_EQ(uitest::CellShot(F->OENDEKS, C, R).copy(0, Y, 82, 21 - Y), Shown) << C << "," << R;
    }
}

TEST_F(ElectricityInvoiceScreen, ConsumptionRoundsHalvesToEven) {
    Exec(Identity("100", "A", "B", "1234567890", "12345678901", "EVET") +
         Invoice("1", "100", 1, 2.5, "01.03.2016") + Invoice("2", "100", 1, 3.5, "02.03.2016") +
         Invoice("3", "100", 1, 1234.4, "03.03.2016") + Invoice("4", "100", 1, 0.5, "04.03.2016") +
         Invoice("5", "100", 1, -1e20, "05.03.2016"));
    F->Button1->Click();
    AnsiString Shown;
    for (Integer R = 1; R <= 5; ++R) Shown += Cell(6, R) + " ";
    EXPECT_EQ(Shown, "2 4 1234 0 -100000000000000000000 ");   // the last beyond 64 bits, not wrapped
}

TEST_F(ElectricityInvoiceScreen, RangeSelectsByDateNotByText) {
    Exec(Identity("100", "A", "B", "1234567890", "12345678901", "EVET") +
         Invoice("1", "100", 1, 1, "15.02.2016") + Invoice("2", "100", 2, 1, "31.03.2016") +
         Invoice("3", "100", 3, 1, "01.04.2016") + Invoice("4", "100", 4, 1, "02.03.2015") +
         Invoice("5", "100", 5, 1, "01.03.2016") + Invoice("6", "100", 6, 1, "2016-03-10") +
         Invoice("7", "100", 7, 1, "2016-04-01"));
    F->Button1->Click();
    // An invoice date an older import stored as yyyy-mm-dd is in its place too.
    ASSERT_EQ(F->OENDEKS->RowCount(), 5);
    EXPECT_EQ(Cell(9, 1) + Cell(9, 2) + Cell(9, 3), "562");
}

TEST_F(ElectricityInvoiceScreen, ClearedMarkLeavesNormalRowsOut) {
    ThreeInvoices();
    F->hepsec->SetChecked(false);
    F->Button1->Click();
    EXPECT_EQ(RowText(F->OENDEKS, 2, {8, 11}), "NORMAL|H");
    EXPECT_EQ(CountMarkedRows(*F->OENDEKS, InvoiceMarkCol), 0);
}

TEST_F(ElectricityInvoiceScreen, SecondListingClearsAndShortens) {
    ThreeInvoices();
    F->Button1->Click();
    Exec("delete from EFATURA where REFERANSNO<>'91';");
    F->Button1->Click();
    ASSERT_EQ(F->OENDEKS->RowCount(), 3);
    EXPECT_EQ(Cell(1, 1), "100");
    EXPECT_EQ(F->OENDEKS->Colors(2, 1), clWhite);
    EXPECT_EQ(Cell(0, 2), "");   // the footer row was the second invoice's row
    // Nothing found: cells emptied, row numbers kept, no message.
    Exec("delete from EFATURA;");
    F->Button1->Click();
    EXPECT_TRUE(Prompts.Messages().empty());
    EXPECT_EQ(RowText(F->OENDEKS, 1, {0, 1, 11}), "1||");
    F->Button2->Click();   // the kept number still opens a row
    EXPECT_EQ(Prompts.LastMessage(), "1");
    EXPECT_EQ(F->OENDEKS->RowCount(), 4);
}

TEST_F(ElectricityInvoiceScreen, RefundButtonOpensNumberedRows) {
    F->Button2->Click();   // before any listing: an empty message and no row
    EXPECT_EQ(Prompts.LastMessage(), "");
    EXPECT_EQ(F->OENDEKS->RowCount(), 2);
    ThreeInvoices();
    F->Button1->Click();
    F->Button2->Click();
    F->Button2->Click();
    EXPECT_EQ(Prompts.Messages(), (std::vector<AnsiString>{"", "3", "4"}));
    EXPECT_EQ(F->OENDEKS->RowCount(), 7);
    EXPECT_EQ(Cell(0, 4) + "|" + RowText(F->OENDEKS, 5, {0, 1}), "4|5|");
}

TEST_F(ElectricityInvoiceScreen, QuotedSubscriberNumberIsLookedUpSafely) {
    Exec(Identity("100", "A", "B", "1234567890", "12345678901", "EVET") +
         Invoice("1", "1\" or \"1\"=\"1", 1, 1, "01.03.2016"));
    F->Button1->Click();
    ASSERT_EQ(F->OENDEKS->RowCount(), 3);
    EXPECT_EQ(Cell(8, 1), "ZEMTAR ABONE KİMLİK KAYDI YAPILMAMIŞ");
}

TEST_F(ElectricityInvoiceScreen, WriteChecksThenWritesTheMarkedRows) {
    ThreeInvoices();
    F->Show();
    F->Button1->Click();
    F->YOL->SetText(Folder.Path());
    F->Button4->Click();
    EXPECT_EQ(Prompts.LastMessage(), ZemtarMonthMessage);
    EXPECT_TRUE(F->iay->Focused());
    F->iay->SetText("Nisan");
    F->VERGINOM->SetText("123456789");
    F->Button4->Click();
    EXPECT_EQ(Prompts.LastMessage(), ZemtarTaxNoMessage);
    EXPECT_TRUE(F->VERGINOM->Focused());
    F->VERGINOM->SetText("1234567890");
    F->Button4->Click();
    const AnsiString Path = Folder.Path() + "elektrik_fatura_islemleri.xml";
    EXPECT_EQ(Prompts.LastMessage(), Path + " dosyası oluştu");
    const std::string Text = LoadFileToString(Path);
    for (const char* Part : {"<bilgidonem>201604-201604</bilgidonem>", "<toplamislemsayisi>1</toplamislemsayisi>",
                             "<tutartl>100.5</tutartl>", "islemturu=\"80070\""})
        EXPECT_NE(Text.find(Part), std::string::npos) << Part;
    F->OENDEKS->SetCells(11, 1, "E");   // the exempt row marked by hand: no file
    uitest::Click(F->Button4);
    EXPECT_EQ(Prompts.LastMessage().find("Satır 1, sütun 8 (ZEMTAR DURUMU): 'ZEMTARTAN MUAF' durumundaki"), 0u);
    EXPECT_EQ(LoadFileToString(Path), Text);
    F->sontarih->SetFocus();   // a date typed but not whole stops the file and the listing, naming it
    for (TButton* B : {F->Button4, F->Button1}) uitest::TypeText(u"150"), uitest::SystemClick(B);
    EXPECT_EQ(Prompts.Messages().end()[-2] + Cell(11, 1), Prompts.LastMessage() + "E");
    EXPECT_EQ(Prompts.LastMessage().find("\"15.0 .2016\" tam bir tarih değil"), 0u);
}

TEST_F(ElectricityInvoiceScreen, NumberEditsFilterKeysAndTaxNumberLength) {
    char Key = 'x';
    F->dosyanoKeyPress(F->dosyano, Key);
    EXPECT_EQ(Key, 0);
    for (char Kept : {',', char(8)}) {
        Key = Kept;
        F->VERGINOMKeyPress(F->VERGINOM, Key);
        EXPECT_EQ(Key, Kept);
    }
    EXPECT_EQ(Prompts.Messages(), std::vector<AnsiString>{"Sadece rakam giriniz"});
    F->VERGINOM->SetText("");
    F->VERGINOMExit(F->VERGINOM);
    EXPECT_EQ(Prompts.LastMessage(), "Vergi Numarası 10 karakterden büyük veya küçük olamaz");
}

TEST_F(ElectricityInvoiceScreen, AMissingFolderIsNamed) {
    ThreeInvoices();
    bool FolderFocused = false;
    modaltest::WhileShownModally(F.get(), [&] {
        uitest::Click(F->Button1);
        F->iay->SetText("Nisan");
        F->VERGINOM->SetText("1234567890");
        F->YOL->SetText("C:\\");
        uitest::Click(F->Button4);
        FolderFocused = F->YOL->Focused();
    });
    EXPECT_EQ(Prompts.Messages(), std::vector<AnsiString>{"Klasör bulunamadı: \"C:\\elektrik_fatura_islemleri.xml\". "
                                                          "Lütfen var olan bir klasör yazınız; dosya yazılmadı."});
    EXPECT_TRUE(FolderFocused);
    EXPECT_FALSE(FileExists("C:\\elektrik_fatura_islemleri.xml"));
}

// A listing reads each invoice's subscriber once and lets the query go: the
// screen lives until the program ends, so nothing of a listing may stay with it.
TEST_F(ElectricityInvoiceScreen, ListingsClickedAgainAndAgainLeaveNoQueriesBehind) {
    ThreeInvoices();
    const Integer Owned = F->ComponentCount();
    modaltest::WhileShownModally(F.get(), [&] {
        for (int I = 0; I < 3; ++I) uitest::SystemClick(F->Button1);
    });
    EXPECT_EQ(F->ComponentCount(), Owned);
    ASSERT_EQ(F->OENDEKS->RowCount(), 5);
    EXPECT_EQ(Cell(2, 2), "ALİ");
    EXPECT_EQ(Cell(8, 3), "ZEMTAR ABONE KİMLİK KAYDI YAPILMAMIŞ");
}

// The listing keeps the window busy until it ends; its gauge is seen moving all the same.
TEST_F(ElectricityInvoiceScreen, TheGaugePaintsItsStepsWhileTheListingHoldsTheWindow) {
    ThreeInvoices();
    struct TPaints : QObject {
        int Count = 0;
        bool eventFilter(QObject*, QEvent* E) override {
            if (E->type() == QEvent::Paint) ++Count;
            return false;
        }
    } Paints;
    int DuringListing = 0;
    modaltest::WhileShownModally(F.get(), [&] {
        F->hiz->Widget()->installEventFilter(&Paints);
        F->Button1->OnClick = [&](TObject* Sender) {
            F->Button1Click(Sender);
            DuringListing = Paints.Count;   // before the window gets back to its events
        };
        uitest::SystemClick(F->Button1);
        F->hiz->Widget()->removeEventFilter(&Paints);
    });
    EXPECT_EQ(DuringListing, 3);   // 33, 67 and 100 percent
    EXPECT_FALSE(F->hiz->Visible());
}

TEST_F(ElectricityInvoiceScreen, AnAmountTypedWrongNamesItsRowAndColumn) {
    ThreeInvoices();
    modaltest::WhileShownModally(F.get(), [&] {
        uitest::Click(F->Button1);
        F->OENDEKS->SetCells(7, 2, "12x5");
        F->iay->SetText("Mart");
        F->VERGINOM->SetText("1234567890");
        F->YOL->SetText(Folder.Path());
        uitest::Click(F->Button4);
    });
    EXPECT_EQ(Prompts.Messages(),
              std::vector<AnsiString>{"Satır 2, sütun 7 (FATURA BEDELİ): '12x5' bir tutar değil; dosya yazılmadı."});
    EXPECT_FALSE(FileExists(Folder.Path() + "elektrik_fatura_islemleri.xml"));
}
