#include "transfer/InvoiceSheet.h"

#include "InvoiceTestKit.h"
#include "TransferTestKit.h"
#include "platform/sheet/Excel.h"
#include "platform/sheet/SheetFiles.h"

#include <cstdio>
#include <vector>

using namespace invoicetest;

namespace {

class InvoiceSheet : public TInvoiceScreensTest {
protected:
    void SetUp() override {
        TInvoiceScreensTest::SetUp();
        FPreviousOpener = SetSheetOpener([this](const AnsiString& F) {
            Shown.push_back(F);
            return true;
        });
    }
    void TearDown() override {
        SetSheetOpener(FPreviousOpener);
        for (const AnsiString& F : Shown) std::remove(F.c_str());   // workbooks the desktop would have opened
        TInvoiceScreensTest::TearDown();
    }

    // The first sheet of a workbook file, kept open by App.
    TExcelWorksheet* Read(const AnsiString& File) {
        App = CreateOleObject("excel.application");
        return App->Workbooks()->Open(File)->Worksheets(1);
    }

    // A workbook file with the given rows (columns 1..7) from row 2 on.
    AnsiString Workbook(const std::vector<std::vector<Variant>>& Rows) {
        TExcelApplication Maker;
        TExcelWorkbook* Book = Maker.Workbooks()->Add();
        TExcelWorksheet* Sheet = Book->Worksheets(1);
        for (Integer C = 1; C <= 7; ++C) Sheet->SetCells(1, C, Variant(InvoiceSheetHeader(C)));
        for (size_t R = 0; R < Rows.size(); ++R)
            for (size_t C = 0; C < Rows[R].size(); ++C) Sheet->SetCells(Integer(R) + 2, Integer(C) + 1, Rows[R][C]);
        const AnsiString File = Folder.Path() + "fatura.xlsx";
        WriteXlsxFile(*Book, File);
        Maker.Quit();
        return File;
    }

    // The shown texts of the given columns of a sheet row, joined by "|".
    static AnsiString SheetRow(TExcelWorksheet* Sheet, Integer R, std::initializer_list<Integer> Cols) {
        AnsiString Text;
        for (const Integer& C : Cols) Text += (&C == Cols.begin() ? "" : "|") + VarToStr(Sheet->Cells(R, C));
        return Text;
    }
    // A workbook row of the period Mart 2016.
    static std::vector<Variant> Invoice(const AnsiString& No, const AnsiString& Ref, const Variant& Amount,
                                        const AnsiString& Date = "01.03.2016", const Variant& Use = Variant(1.0)) {
        return {Variant(No), Variant(), Variant("Mart 2016"), Ref.empty() ? Variant() : Variant(Ref), Amount, Use,
                Variant(Date)};
    }

    AnsiString Row(const AnsiString& Where) {
        return DM().Value("select ABONENO || '|' || DONEMI || '|' || coalesce(REFERANSNO, '') || '|' || "
                          "cast(TOPLAMBEDELI * 100 as integer) || '|' || cast(TOPLAMTUKETIM * 100 as integer) || "
                          "'|' || FATURATARIHI from efatura where " + Where);
    }

    std::vector<AnsiString> Shown;
    std::unique_ptr<TExcelApplication> App;
    transfertest::TTempFolder Folder;

private:
    TSheetOpener FPreviousOpener;
};

TEST_F(InvoiceSheet, PeriodWithoutInvoicesOpensNoWorkbook) {
    AddInvoice("e", "R1", "100", "1", "1", "Şubat 2016", "01.02.2016");
    EBulk->Show();
    EBulk->iay->SetText("Mart");
    EBulk->Button3Click(EBulk.get());
    EXPECT_TRUE(Shown.empty());
    EXPECT_TRUE(Prompts.Records().empty());
}

TEST_F(InvoiceSheet, PeriodExportWritesTheLayoutWithNamesAndNumbers) {
    AddSubscriber("e", "100", "ALİ");
    AddInvoice("e", "R2", "200", "7", "8", "Mart 2016", "02.03.2016");
    AddInvoice("e", "R1", "100", "1234.5", "310.25", "Mart 2016", "01.03.2016");
    AddInvoice("e", "R3", "100", "1", "1", "Şubat 2016", "01.02.2016");
    EBulk->Show();
    EBulk->iay->SetText("Mart");
    EBulk->Button3Click(EBulk.get());
    ASSERT_EQ(Shown.size(), 1u);
    TExcelWorksheet* S = Read(Shown[0]);
    for (Integer C = 1; C <= 7; ++C) EXPECT_EQ(VarToStr(S->Cells(1, C)), InvoiceSheetHeader(C));
    EXPECT_EQ(InvoiceSheetHeader(2), "Abone Adı");
    EXPECT_EQ(SheetRow(S, 2, {1, 2, 3, 4, 7}), "100|ALİ|Mart 2016|R1|01.03.2016");
    EXPECT_EQ(S->Cells(2, 5).VType(), varDouble);
    EXPECT_DOUBLE_EQ(S->Cells(2, 5).AsDouble(), 1234.5);
    EXPECT_DOUBLE_EQ(S->Cells(2, 6).AsDouble(), 310.25);
    // No identity record: the name stays empty.
    EXPECT_EQ(VarToStr(S->Cells(3, 1)), "200");
    EXPECT_TRUE(S->Cells(3, 2).IsEmpty());
    EXPECT_TRUE(S->Cells(4, 1).IsEmpty());
}

TEST_F(InvoiceSheet, AllExportTakesEveryPeriod) {
    AddInvoice("d", "G1", "100", "1", "1", "Mart 2016", "01.03.2016");
    AddInvoice("d", "G2", "050", "1", "1", "Ocak 2015", "01.01.2015");
    AddInvoice("e", "R1", "100", "1", "1", "Mart 2016", "01.03.2016");
    DBulk->Show();
    DBulk->Button2Click(DBulk.get());
    ASSERT_EQ(Shown.size(), 1u);
    TExcelWorksheet* S = Read(Shown[0]);
    EXPECT_EQ(SheetRow(S, 2, {4}) + SheetRow(S, 3, {4}), "G2G1");
    EXPECT_TRUE(S->Cells(4, 1).IsEmpty());
}

TEST_F(InvoiceSheet, WrongAccessCodeStopsBeforeAnythingElse) {
    for (const char* Code : {"TUVAK", " tuvak", ""}) {
        Prompts.Clear();
        Prompts.QueueInput(true, Code);
        EBulk->Button4Click(EBulk.get());
        ASSERT_EQ(Prompts.Records().size(), 2u);
        EXPECT_EQ(Prompts.Records()[0].Caption + ": " + Prompts.Records()[0].Text, "Yetki Kodunu Giriniz: Yetki Kodu");
        EXPECT_EQ(Prompts.LastMessage(), "Yetki kodu yanlış");
    }
}

TEST_F(InvoiceSheet, ImportUpdatesByNumberAndDateAndInsertsTheRest) {
    AddInvoice("e", "R1", "100", "10", "1", "Şubat 2016", "01.03.2016");
    std::vector<Variant> Named = Invoice("100", "N1", Variant(55.5), "01.03.2016", Variant(6.25));
    Named[1] = Variant("x");
    const AnsiString File = Workbook({Named, Invoice("100", "R1", Variant(2.0), "02.03.2016", Variant(3.0)),
                                      Invoice("1\"9", "", Variant("4,5"), "03.03.2016", Variant())});
    Answer(File, "2", "4");
    EBulk->Show();
    EBulk->Button4Click(EBulk.get());
    EXPECT_EQ(Prompts.Messages().size(), 0u);
    EXPECT_EQ(DM().Count("select * from efatura"), 3);
    EXPECT_EQ(Row("FATURATARIHI = '01.03.2016'"), "100|Mart 2016|N1|5550|625|01.03.2016");
    // Same number, another date: a second invoice, even with a reference number already in use.
    EXPECT_EQ(Row("FATURATARIHI = '02.03.2016'"), "100|Mart 2016|R1|200|300|02.03.2016");
    EXPECT_EQ(Row("ABONENO = '1\"9'"), "1\"9|Mart 2016||450|0|03.03.2016");
    EXPECT_EQ(Prompts.Records()[2].Caption + " / " + Prompts.Records()[3].Caption + ": " + Prompts.Records()[3].Text,
              "Excel İlk Satır Numarasını Giriniz / Excel Son Satır Numarasını Giriniz: Satır No");
}

// A cancelled file choice never reuses the file of the import before.
TEST_F(InvoiceSheet, RowRangesAndACancelledFileChoiceThatImportNothing) {
    const AnsiString File = Workbook({Invoice("100", "N1", Variant(1.0))});
    Answer(File, "2", "1");   // the last row before the first
    EBulk->Button4Click(EBulk.get());
    EXPECT_EQ(DM().Count("select * from efatura"), 0);
    Answer(File, "iki", "3");
    EXPECT_THROW(EBulk->Button4Click(EBulk.get()), EConvertError);
    Prompts.Clear();
    Prompts.QueueInput(true, "tuvak");
    Prompts.QueueFile(false);
    EXPECT_NO_THROW(EBulk->Button4Click(EBulk.get()));
    EXPECT_EQ(Prompts.Records().size(), 2u);
    EXPECT_EQ(DM().Count("select * from efatura"), 0);
}

TEST_F(InvoiceSheet, AnUnreadableAmountStopsTheImportBeforeAnyRowIsWritten) {
    const AnsiString File =
        Workbook({Invoice("100", "N1", Variant(1.0)), Invoice("200", "N2", Variant(1.0), "01.03.2016", Variant(true))});
    DBulk->Show();   // showing the screen sets the shared data set's modifying texts
    Answer(File, "2", "3");
    EXPECT_THROW(DBulk->Button4Click(DBulk.get()), EConvertError);
    EXPECT_EQ(DM().Count("select * from dfatura"), 0);
}

TEST_F(InvoiceSheet, AnExportedWorkbookReimportedChangesNothing) {
    AddSubscriber("e", "100", "ALİ");
    AddInvoice("e", "R1", "100", "1234.5", "310.25", "Mart 2016", "01.03.2016");
    AddInvoice("e", "R2", "100", "7", "8", "Nisan 2016", "30.04.2016");
    AddInvoice("e", "R3", "007", "0.1", "0", "Mart 2016", "31.03.2016");
    AddInvoice("e", "R4", "100", "2", "3", "Mart 2016", "2016-03-10");   // as an older import stored it
    AddInvoice("e", "R5", "100", "5", "6", "Mart 2016", "01.03.2016");   // a second invoice of that day
    EBulk->Show();
    EBulk->Button2Click(EBulk.get());
    ASSERT_EQ(Shown.size(), 1u);
    const AnsiString Before = Row("REFERANSNO = 'R1'") + Row("REFERANSNO = 'R5'") + Row("REFERANSNO = 'R3'");
    Answer(Shown[0], "2", "6");
    EBulk->Button4Click(EBulk.get());
    EXPECT_EQ(DM().Count("select * from efatura"), 5);
    EXPECT_EQ(Row("REFERANSNO = 'R4'"), "100|Mart 2016|R4|200|300|10.03.2016");
    EXPECT_EQ(Row("REFERANSNO = 'R1'") + Row("REFERANSNO = 'R5'") + Row("REFERANSNO = 'R3'"), Before);
    EXPECT_EQ(Row("REFERANSNO = 'R3'"), "007|Mart 2016|R3|10|0|31.03.2016");
}

// Through the import button of the bulk screen, shown as the menu shows it.
class InvoiceSheetClick : public InvoiceSheet {};

TEST_F(InvoiceSheetClick, ATooLongReferenceStopsTheWholeImport) {
    const AnsiString File = Workbook({Invoice("100", "R1", Variant(1.0)), Invoice("200", AnsiString(21, '7'), Variant(2.0))});
    Answer(File, "2", "3");
    EXPECT_EQ(ClickImport(EBulk.get()),
              std::vector<AnsiString>{"Excel satırı 3, sütun 4 (referansno): \"777777777777777777777\" 21 karakter, bu "
                                      "sütun en çok 20 karakter alır. Hiçbir kayıt aktarılmadı."});
    EXPECT_EQ(DM().Count("select * from efatura"), 0);
}

TEST_F(InvoiceSheetClick, AnUnreadableAmountIsNamedAndNothingIsWritten) {
    const AnsiString File = Workbook({Invoice("100", "R1", Variant(1.0)), Invoice("200", "R2", Variant("12 TL"))});
    Answer(File, "2", "3");
    EXPECT_EQ(ClickImport(DBulk.get()), std::vector<AnsiString>{"Excel satırı 3, sütun 5 (TOPLAMBEDELI): \"12 TL\" sayı "
                                                                "değil. Hiçbir kayıt aktarılmadı."});
    EXPECT_EQ(DM().Count("select * from dfatura"), 0);
}

TEST_F(InvoiceSheetClick, ARowMatchingTwoStoredInvoicesStopsTheWholeImport) {
    AddInvoice("e", "R1", "100", "10", "1", "Mart 2016", "01.03.2016");
    AddInvoice("e", "R2", "100", "20", "2", "Mart 2016", "01.03.2016");
    Answer(Workbook({Invoice("200", "N1", Variant(1.0)), Invoice("100", "N2", Variant(2.0))}), "2", "3");
    EXPECT_EQ(ClickImport(EBulk.get()), std::vector<AnsiString>{"Excel satırı 3: \"100\" abonesinin 01.03.2016 tarihli "
              "birden çok faturası kayıtlı ve satırın referans numarası (\"N2\") bunlardan birini seçmiyor; satırın "
              "hangisini değiştireceği belli değil. Hiçbir kayıt aktarılmadı."});
    EXPECT_EQ(DM().Value("select count(*) || min(REFERANSNO) || max(REFERANSNO) from efatura"), "2R1R2");
}

// Two rows of one subscriber and invoice date (the date however written): the
// second would replace the first, so nothing is written and both rows are named.
TEST_F(InvoiceSheetClick, TwoRowsOfOneInvoiceStopTheWholeImportNamingBoth) {
    Answer(Workbook({Invoice("100", "R1", Variant(1.0)), Invoice("200", "R2", Variant(2.0)),
                     Invoice("100", "R1 ", Variant(3.0), "2016-03-01")}),
           "2", "4");
    EXPECT_EQ(ClickImport(EBulk.get()), std::vector<AnsiString>{"Excel satırları 2 ve 4: ikisi de \"100\" abonesinin "
              "01.03.2016 tarihli faturası; hangisinin kaydedileceği belli değil. Hiçbir kayıt aktarılmadı."});
    EXPECT_EQ(DM().Count("select * from efatura"), 0);
}

TEST_F(InvoiceSheetClick, RowsWithoutASubscriberNumberAreSkipped) {
    const AnsiString File = Workbook({Invoice("100", "R1", Variant(1.0)), Invoice("", "R2", Variant("x")),
                                      Invoice(" ", "R3", Variant(3.0)), std::vector<Variant>(7)});
    Answer(File, "2", "5");
    EXPECT_TRUE(ClickImport(EBulk.get()).empty());
    EXPECT_EQ(DM().Count("select * from efatura"), 1);
    EXPECT_EQ(Row("ABONENO = '100'"), "100|Mart 2016|R1|100|100|01.03.2016");
}

TEST_F(InvoiceSheetClick, ACancelledFileChoiceAsksNothingMore) {
    Prompts.QueueInput(true, "tuvak");
    Prompts.QueueFile(false);
    EXPECT_TRUE(ClickImport(EBulk.get()).empty());
    EXPECT_EQ(Prompts.Records().size(), 2u);
    EXPECT_EQ(DM().Count("select * from efatura"), 0);
}

// Turkish for a row number that is no number and a file not there; a cancelled row prompt is quiet.
TEST_F(InvoiceSheetClick, ARowNumberOrFileItCannotTakeIsSaidInTurkishAndACancelEndsQuietly) {
    const AnsiString File = Workbook({Invoice("100", "N1", Variant(1.0))}), Missing = Folder.Path() + "yok.xlsx";
    for (const auto& [F, Typed, Said] : {std::tuple{File, "abc", "\"abc\" bir satır numarası değil. Hiçbir kayıt aktarılmadı."},
                                        std::tuple{File, "", ""}, std::tuple{Missing, "", ""}}) {
        Prompts.Clear();
        Prompts.QueueInput(true, "tuvak");
        Prompts.QueueFile(true, F);
        if (F == File) Prompts.QueueInput(*Typed != 0, Typed);   // "": the prompt cancelled
        const std::vector<AnsiString> Expected{F == Missing ? "'" + Missing + "' dosyası bulunamadı." : AnsiString(Said)};
        EXPECT_EQ(ClickImport(DBulk.get()), *Said || F == Missing ? Expected : std::vector<AnsiString>{});
    }
    EXPECT_EQ(DM().Count("select * from dfatura"), 0);
}

// Rows with neither amount nor consumption (a typed 0 is one) are asked about once: Hayır stores no row.
TEST_F(InvoiceSheetClick, RowsWithoutAmountAndConsumptionAreAskedAboutOnce) {
    const AnsiString File = Workbook({Invoice("100", "R1", Variant(), "01.03.2016", Variant()),
                                      Invoice("200", "R2", Variant(0.0), "01.03.2016", Variant(0.0)),
                                      Invoice("300", "R3", Variant(" "), "01.03.2016", Variant())});
    for (Integer Answer_ : {IDNO, IDYES}) {
        Prompts.Clear();
        Answer(File, "2", "4");
        Prompts.QueueAnswer(Answer_);
        EXPECT_EQ(ClickImport(DBulk.get())[0].substr(0, 78),
                  "Excel satırları 2, 4: fatura bedeli ve toplam tüketim boş. Bu satırlar 0 bedel");
        EXPECT_EQ(DM().Count("select * from dfatura"), Answer_ == IDYES ? 3 : 0);
    }
}

// An invoice imported without a reference number opens from its row; Değiştir and SİL touch it alone.
TEST_F(InvoiceSheetClick, AnInvoiceImportedWithoutAReferenceOpensAndIsChangedAndDeletedAlone) {
    for (const char* K : {"e", "d"}) {
        TTopFaturaGirForm* Bulk = *K == 'e' ? static_cast<TTopFaturaGirForm*>(EBulk.get()) : DBulk.get();
        TFaturaGirForm* D = *K == 'e' ? static_cast<TFaturaGirForm*>(EDialog.get()) : DDialog.get();
        AddSubscriber(K, "100", "ALİ");
        AddInvoice(K, "R9", "100", "5", "5", "Mart 2016", "02.03.2016");
        Answer(Workbook({Invoice("100", "", Variant(7.0))}), "2", "2");
        ClickImport(Bulk);
        auto OpenFirstRow = [&] { ShowAndList(Bulk, "Mart"), Bulk->OENDEKS->SetRow(1), uitest::Click(Bulk->yenikayit); };
        OpenFirstRow();
        EXPECT_EQ(ShownButtons(D), "degistir sil");
        D->faturabedeli->SetTextAsFloat(8);
        uitest::Click(D->degistir);
        const AnsiString Amounts = Format("select list(coalesce(REFERANSNO, '-') || '=' || cast(TOPLAMBEDELI as "
                                          "integer)) from (select * from %sfatura order by FATURATARIHI)", {AnsiString(K)});
        EXPECT_EQ(DM().Value(Amounts), "-=8,R9=5");
        OpenFirstRow();
        uitest::Click(D->sil);
        EXPECT_EQ(DM().Value(Amounts), "R9=5");
    }
}

// A row the database refuses ends the import there; the rows before it stay, and
// the screen goes on working: the next import and the single invoice dialog store.
TEST_F(InvoiceSheetClick, ARowTheDatabaseRefusesKeepsEarlierRowsAndTheScreenWorking) {
    DM().Execute("alter table efatura add constraint CK_TEST_REF check (REFERANSNO <> 'YASAK')");
    AddSubscriber("e", "100", "ALİ");
    const AnsiString File =
        Workbook({Invoice("100", "R1", Variant(1.0)), Invoice("100", "YASAK", Variant(2.0), "02.03.2016"),
                  Invoice("100", "R3", Variant(3.0), "03.03.2016")});
    Answer(File, "2", "4");
    EXPECT_EQ(ClickImport(EBulk.get()).size(), 1u);   // the database's own words, in the exception dialog
    EXPECT_EQ(DM().Count("select * from efatura"), 1);
    EXPECT_EQ(DM().Module()->EFATURA->State(), dsInactive);

    Prompts.Clear();
    Answer(File, "4", "4");
    EXPECT_TRUE(ClickImport(EBulk.get()).empty());
    EXPECT_EQ(Row("REFERANSNO = 'R3'"), "100|Mart 2016|R3|300|100|03.03.2016");
    DM().Execute("alter table efatura drop constraint CK_TEST_REF");
}

}  // namespace
