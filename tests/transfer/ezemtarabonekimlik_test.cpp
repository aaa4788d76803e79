#include "transfer/ezemtarabonekimlik.h"

#include "ScreenTestKit.h"
#include "../platform/ui/UiTestKit.h"
#include "entry/ModalTestKit.h"

#include "grid/ExtGrid.h"
#include "platform/ui/Spin.h"
#include "platform/ui/StdCtrls.h"
#include "transfer/ZemtarScreen.h"

#include <sys/stat.h>
#include <unistd.h>

using namespace transfertest;

namespace {

// One subscriber row; fields left out are NULL.
AnsiString Subscriber(const AnsiString& Table, const AnsiString& Columns, const AnsiString& Values) {
    return "insert into " + Table + " (" + Columns + ") values (" + Values + ");";
}

const char* const Full =
    "ABONENO,ADI,SOYADI,VERGINO,TCKIMLIK,ABONETARIHI,ABONEDURUMU,UAVTNO,ILADI,ILCEADI,BELDEADI,BUCAKADI,KOYADI,"
    "MAHALLEADI,CADDEADI,DISKAPINO,ICKAPINO,MULKIYET,MULKADI,MULKSOYADI,MULKVERGINO,MULKTCKIMLIK,MULKDASK,"
    "KIRABASLAMATARIHI,KIRABITISTARIHI,KIRATUTARI,TELTIPI,TELEFON,PAFTA,ADA,PERSEL,YUZOLCUM,ABONETIPI,YAZI1,"
    "YAZI2,SAYI1,SAYI2,ZEMTARDAHIL";

class ElectricityIdentityScreen : public TScreenFixture {
protected:
    ElectricityIdentityScreen() {
        Exec("delete from EABONEKIMLIK;");
        F = std::make_unique<Tezemtarabonekimlikf>(nullptr);
    }
    AnsiString Cell(Integer C, Integer R) const { return F->OENDEKS->Cells(C, R); }
    // The period Month 2016 listed with the list button.
    void ListPeriod(const AnsiString& Month = "Şubat") {
        F->iay->SetText(Month);
        F->iyil->SetText("2016");
        F->Button7->Click();
    }
    AnsiString FilePath() const { return Folder.Path() + "elektrik_abone_kimlik.xml"; }
    void InsertFull(const AnsiString& No, const AnsiString& Period) {
        Exec(Subscriber("EABONEKIMLIK", Full,
                        "'" + No + "','ALİ','VELİ','1234567890','12345678901','01.02.2010','1  Yeni','1234567890',"
                        "'BURSA','NİLÜFER','B','BC','K','MAH','CAD','12','3','1  Malik','MA','MS','9876543210',"
                        "'10987654321','12345678','01.01.2015','31.12.2016',1250.5,'1  Sabit','(224)111 22 33',"
                        "'P1','A1','PR1',300.25,'1  Sanayi','" + Period + "','Y2',1.5,2,'EVET'"));
    }
    // The screen shown as the menu shows it: February 2016 listed with the list
    // button, the grid then changed by Edit, the period file written into Dir with
    // the write button. True when the folder edit had the focus afterwards.
    bool ListAndWrite(const AnsiString& Dir, const std::function<void()>& Edit = [] {}) {
        bool FolderFocused = false;
        modaltest::WhileShownModally(F.get(), [&] {
            F->iay->SetText("Şubat");
            F->iyil->SetText("2016");
            uitest::Click(F->Button7);
            Edit();
            F->VERGINOM->SetText("1234567890");
            F->iyol->SetText(Dir);
            uitest::Click(F->Button8);
            FolderFocused = F->iyol->Focused();
        });
        return FolderFocused;
    }
    std::unique_ptr<Tezemtarabonekimlikf> F;
};

}  // namespace

TEST_F(ElectricityIdentityScreen, StartsWithTheDefaultsTheListingsAndWritesRelyOnAndShowSetsTheYears) {
    EXPECT_EQ(F->dosyano->Text(), "0");
    EXPECT_EQ(F->OSBUNVAN->Text(), "............ ORGANİZE SANAYİ BÖLGESİ");
    EXPECT_TRUE(F->hepsec->Checked());
    EXPECT_FALSE(F->GroupBox2->Visible());   // the all-subscribers file is out of reach here
    EXPECT_EQ(F->GroupBox3, F->FindComponent("GroupBox3"));
    EXPECT_EQ(F->iay->Text(), "");
    ASSERT_EQ(F->iay->Items()->Count(), 12);
    EXPECT_EQ(F->iay->Items()->Strings(1), "Şubat");
    for (const char* Name : {"Button2", "Button3", "Button5", "Button6", "Button7", "Button8", "OENDEKS"})
        EXPECT_NE(F->FindComponent(Name), nullptr) << Name;
    TExtStringGrid* G = F->OENDEKS;
    EXPECT_EQ(G->ColCount(), 40);
    EXPECT_EQ(G->RowCount(), 2);
    EXPECT_EQ(G->FixedCols(), 6);
    EXPECT_TRUE(G->Options().Contains(goEditing));
    EXPECT_EQ(F->iyol->Text(), GetHomeDir());
    EXPECT_EQ(F->YOL->Text(), GetHomeDir());
    // Showing sets both years to the current one.
    F->iyil->SetText("2005");
    F->Show();
    EXPECT_EQ(F->iyil->Text(), "2016");
    EXPECT_EQ(F->yil->Text(), "2016");
    EXPECT_EQ(F->iay->Text(), "");
}

TEST_F(ElectricityIdentityScreen, PeriodListingAppliesTheFillRules) {
    InsertFull("1001", "Şubat 2016");
    Exec(Subscriber("EABONEKIMLIK", "ABONENO,ADI,SOYADI,VERGINO,TCKIMLIK,UAVTNO,MULKDASK,KIRATUTARI,YAZI1",
                    "'1002','AYŞE','K','123456789','1234567890','12345','1234567',0.75,'Şubat 2016'"));
    InsertFull("1003", "Mart 2016");
    ListPeriod();
    EXPECT_TRUE(Prompts.Messages().empty());
    ASSERT_EQ(F->OENDEKS->RowCount(), 4);   // header, two records, footer
    EXPECT_EQ(RowText(F->OENDEKS, 0, {1, 34, 38, 39}), "aboneno|DÖNEMİ|SEÇ|");
    // A full record keeps its values; amounts get a point, the "1,5" keeps its separator.
    EXPECT_EQ(RowText(F->OENDEKS, 1, {0, 1, 3, 7, 19, 20, 26, 28, 32, 34, 36, 37, 38}),
              "1|1001|VELİ|1  Yeni|MA|MS|1250.5|(224)111 22 33|300.25|Şubat 2016|1,5|2|E");
    // Short and missing values become placeholders.
    EXPECT_EQ(RowText(F->OENDEKS, 2, {0, 3, 4, 5, 8, 19, 20, 21, 22, 23, 26, 28, 29, 30, 31, 32}),
              "2|AYŞE|2222222222|22222222222|1111111111|AYŞE|AYŞE|2222222222|22222222222|11111111|0.75|"
              "(000)000 00 00|1|1|1|0");
    EXPECT_EQ(Cell(1, 3), "");   // footer row stays empty
}

TEST_F(ElectricityIdentityScreen, ClearedMarkListsEveryRowAsH) {
    InsertFull("1001", "Şubat 2016");
    InsertFull("1002", "Şubat 2016");
    F->hepsec->SetChecked(false);
    ListPeriod();
    EXPECT_EQ(Cell(38, 1), "H");
    EXPECT_EQ(Cell(38, 2), "H");
    EXPECT_EQ(CountMarkedRows(*F->OENDEKS, IdentityMarkCol), 0);
}

TEST_F(ElectricityIdentityScreen, EmptyPeriodListingEmptiesTheGridToItsHeader) {
    InsertFull("1001", "Şubat 2016");
    ListPeriod();
    ASSERT_EQ(F->OENDEKS->RowCount(), 3);
    ListPeriod("");   // searches for " 2016" and finds nothing
    EXPECT_EQ(Prompts.LastMessage(), IdentityEmptyPeriodMessage);
    EXPECT_EQ(F->OENDEKS->RowCount(), 1);
    EXPECT_EQ(Cell(1, 1), "");
    EXPECT_EQ(Cell(38, 1), "");
    // A later listing brings the rows and the fixed header back.
    ListPeriod();
    EXPECT_EQ(F->OENDEKS->RowCount(), 3);
    EXPECT_EQ(F->OENDEKS->FixedRows(), 1);
    EXPECT_EQ(Cell(1, 1), "1001");
}

TEST_F(ElectricityIdentityScreen, QuoteInThePeriodTextCannotWidenTheSelect) {
    InsertFull("1001", "Şubat 2016");
    ListPeriod("x\" or aboneno>\"");
    EXPECT_EQ(Prompts.LastMessage(), IdentityEmptyPeriodMessage);
    EXPECT_EQ(F->OENDEKS->RowCount(), 1);
    EXPECT_EQ(ZemtarSqlValue("a\"b\"\""), "a\"\"b\"\"\"\"");
}

// The subscriber screens store the status as "2  Kapanma"; older rows may hold the bare code.
TEST_F(ElectricityIdentityScreen, ClosedOrChangedListsByTheCodeDigit) {
    Exec(Subscriber("EABONEKIMLIK", "ABONENO,ADI,ABONEDURUMU,YAZI1", "'2001','A','2','Ocak 2016'") +
         Subscriber("EABONEKIMLIK", "ABONENO,ADI,ABONEDURUMU,YAZI1", "'2002','B','2  Kapanma','Ocak 2016'") +
         Subscriber("EABONEKIMLIK", "ABONENO,ADI,ABONEDURUMU,YAZI1", "'2003','C','3','Ocak 2015'") +
         Subscriber("EABONEKIMLIK", "ABONENO,ADI,ABONEDURUMU,YAZI1", "'2004','D','3  Değişiklik','Ocak 2015'") +
         Subscriber("EABONEKIMLIK", "ABONENO,ADI,ABONEDURUMU,YAZI1", "'2005','E','1  Yeni','Ocak 2015'") +
         Subscriber("EABONEKIMLIK", "ABONENO,ADI,ABONEDURUMU,YAZI1", "'2006','F',' 2','Ocak 2015'"));
    F->Show();
    uitest::SystemClick(F->ClosedListButton);
    ASSERT_EQ(F->OENDEKS->RowCount(), 6);
    EXPECT_EQ(RowText(F->OENDEKS, 1, {1, 3}), "2001|A");   // fill rules apply
    EXPECT_EQ(RowText(F->OENDEKS, 2, {1, 7}), "2002|2  Kapanma");
    EXPECT_EQ(Cell(1, 3) + Cell(1, 4), "20032004");
    Exec("delete from EABONEKIMLIK where ABONENO<>'2005' and ABONENO<>'2006';");
    uitest::SystemClick(F->ClosedListButton);
    EXPECT_EQ(Prompts.LastMessage(), IdentityEmptyPeriodMessage);
    EXPECT_EQ(F->OENDEKS->RowCount(), 1);
}

// The screen lives until the program ends: a listing's rows go once they are in the grid,
// found or not.
TEST_F(ElectricityIdentityScreen, ListingsClickedAgainAndAgainKeepNoRowsBehind) {
    InsertFull("1001", "Şubat 2016");
    const Integer Owned = F->ComponentCount();
    modaltest::WhileShownModally(F.get(), [&] {
        F->iay->SetText("Şubat");
        F->iyil->SetText("2016");
        for (int I = 0; I < 3; ++I) uitest::SystemClick(F->PeriodListButton);
        F->iay->SetText("Mart");
        uitest::SystemClick(F->PeriodListButton);   // nothing found
    });
    EXPECT_EQ(F->ComponentCount(), Owned);
    EXPECT_EQ(Prompts.Messages(), std::vector<AnsiString>{IdentityEmptyPeriodMessage});
}

TEST_F(ElectricityIdentityScreen, AllListingThatFindsNothingEmptiesTheGridWithoutAMessage) {
    F->OENDEKS->SetCells(1, 1, "earlier");
    F->Button5->Click();
    EXPECT_TRUE(Prompts.Messages().empty());
    EXPECT_EQ(Cell(1, 1), "");
    InsertFull("1002", "Mart 2016");
    InsertFull("1001", "Şubat 2016");
    F->Button5->Click();
    ASSERT_EQ(F->OENDEKS->RowCount(), 4);
    EXPECT_EQ(Cell(1, 1) + Cell(1, 2), "10011002");
}

TEST_F(ElectricityIdentityScreen, PeriodFileHoldsTheRowsMarkedAfterEditing) {
    InsertFull("1001", "Şubat 2016");
    InsertFull("1002", "Şubat 2016");
    ListPeriod();
    F->OENDEKS->SetCells(38, 2, "H");   // the operator leaves the second one out
    F->VERGINOM->SetText("1234567890");
    F->iyol->SetText(Folder.Path());
    F->dosyano->SetText("3");
    F->Button8->Click();
    EXPECT_EQ(Prompts.LastMessage(), FilePath() + " dosyası oluştu");
    const std::string Text = LoadFileToString(FilePath());
    EXPECT_NE(Text.find(ZemtarSubscriberNo("1001", 26)), std::string::npos);
    EXPECT_EQ(Text.find(ZemtarSubscriberNo("1002", 26)), std::string::npos);
    EXPECT_NE(Text.find("<bilgidonem>201602-201602</bilgidonem>"), std::string::npos);
}

TEST_F(ElectricityIdentityScreen, WriteChecksFocusTheControl) {
    F->Show();
    F->iyol->SetText(Folder.Path());
    F->Button8->Click();
    EXPECT_EQ(Prompts.LastMessage(), ZemtarMonthMessage);
    EXPECT_TRUE(F->iay->Focused());
    F->iay->SetText("Ocak");
    F->VERGINOM->SetText("123");
    F->Button8->Click();
    EXPECT_EQ(Prompts.LastMessage(), ZemtarTaxNoMessage);
    EXPECT_TRUE(F->VERGINOM->Focused());
    EXPECT_FALSE(FileExists(FilePath()));
    // The closed or changed file needs no month.
    F->iay->SetText("");
    F->VERGINOM->SetText("1234567890");
    F->Button3->Click();
    EXPECT_EQ(Prompts.LastMessage(), FilePath() + " dosyası oluştu");
}

TEST_F(ElectricityIdentityScreen, NumberEditsTakeDigitsOnly) {
    F->Show();
    for (TEdit* E : {F->dosyano, F->VERGINOM}) {
        E->SetText("");
        E->SetFocus();
        uitest::Settle();
        Prompts.Clear();
        uitest::TypeText(u"1a,");
        EXPECT_EQ(E->Text(), "1,") << E->Name();
        ASSERT_EQ(Prompts.Messages().size(), 1u);
        EXPECT_EQ(Prompts.LastMessage(), "Sadece rakam giriniz");
    }
}

TEST_F(ElectricityIdentityScreen, LeavingTheZoneTaxNumberChecksItsLength) {
    F->Show();
    F->VERGINOM->SetFocus();
    for (const char* No : {"123456789", "1234567890"}) {
        F->VERGINOM->SetText(No);
        F->dosyano->SetFocus();
        uitest::Settle();
        EXPECT_TRUE((AnsiString(No).size() == 10 ? F->dosyano : F->VERGINOM)->Focused()) << No;
    }
    EXPECT_EQ(Prompts.Messages(), std::vector<AnsiString>{"Vergi Numarası 10 karakterden büyük veya küçük olamaz"});
}

TEST_F(ElectricityIdentityScreen, AFolderInThePlaceOfTheFileIsNamedInTurkishAndStays) {
    InsertFull("1001", "Şubat 2016");
    const AnsiString Path = FilePath();
    ASSERT_TRUE(ForceDirectories(Path + "/x"));
    ListAndWrite(Folder.Path());
    ASSERT_EQ(Prompts.Messages().size(), 1u);
    EXPECT_EQ(Prompts.LastMessage(), "\"" + Path + "\" dosyası yazılamadı: bu adda bir klasör var. "
                                     "Yerindeki dosya ya da klasör değiştirilmedi.");
    EXPECT_TRUE(DirectoryExists(Path + "/x"));
}

TEST_F(ElectricityIdentityScreen, AFolderThatCannotTakeTheFileIsNamedAndNothingIsWritten) {
    InsertFull("1001", "Şubat 2016");
    const AnsiString AFile = Folder.Path() + "dosya";
    SaveFileAtomically(AFile, "x");
    struct TCase {
        AnsiString Folder;
        AnsiString Named;
    };
    for (const TCase& C : {TCase{"C:\\", "C:\\elektrik_abone_kimlik.xml"}, TCase{"", "elektrik_abone_kimlik.xml"},
                           TCase{Folder.Path() + "yok/", Folder.Path() + "yok/"}, TCase{AFile + "/", AFile + "/"}}) {
        Prompts.Clear();
        F = std::make_unique<Tezemtarabonekimlikf>(nullptr);   // a fresh screen each time, as from the menu
        const bool FolderFocused = ListAndWrite(C.Folder);
        ASSERT_EQ(Prompts.Messages().size(), 1u) << C.Folder;
        EXPECT_EQ(Prompts.LastMessage(),
                  "Klasör bulunamadı: \"" + C.Named + "\". Lütfen var olan bir klasör yazınız; dosya yazılmadı.");
        EXPECT_TRUE(FolderFocused) << C.Folder;
    }
    EXPECT_FALSE(FileExists("C:\\elektrik_abone_kimlik.xml"));
    EXPECT_FALSE(FileExists("elektrik_abone_kimlik.xml"));
}

TEST_F(ElectricityIdentityScreen, AFolderWithoutWriteRightIsNamed) {
    if (::geteuid() == 0) GTEST_SKIP() << "the superuser may write anywhere";
    InsertFull("1001", "Şubat 2016");
    const AnsiString Locked = Folder.Path() + "kilitli/";
    ASSERT_TRUE(ForceDirectories(Locked));
    ::chmod(AnsiToUtf8(Locked).c_str(), 0500);
    ListAndWrite(Locked);
    ::chmod(AnsiToUtf8(Locked).c_str(), 0700);
    EXPECT_EQ(Prompts.Messages(), std::vector<AnsiString>{"Bu klasöre yazılamıyor: \"" + Locked + "\". Dosya yazılmadı."});
}

TEST_F(ElectricityIdentityScreen, AFolderNamedWithoutItsLastSlashTakesTheFileInside) {
    InsertFull("1001", "Şubat 2016");
    const AnsiString Inside = Folder.Path() + "cikti";
    ASSERT_TRUE(ForceDirectories(Inside));
    ListAndWrite(Inside);
    EXPECT_EQ(Prompts.LastMessage(), Inside + "/elektrik_abone_kimlik.xml dosyası oluştu");
    EXPECT_TRUE(FileExists(Inside + "/elektrik_abone_kimlik.xml"));
}

TEST_F(ElectricityIdentityScreen, ACellWithAControlCharacterStopsTheWriteWithItsRowAndColumn) {
    InsertFull("1001", "Şubat 2016");
    const AnsiString Path = FilePath();
    SaveFileAtomically(Path, "earlier");
    ListAndWrite(Folder.Path(), [&] { F->OENDEKS->SetCells(3, 1, "VE\x07Lİ"); });
    ASSERT_EQ(Prompts.Messages().size(), 1u);
    EXPECT_EQ(Prompts.LastMessage().find("Satır 1, sütun 3"), 0u);
    EXPECT_NE(Prompts.LastMessage().find("(kod 7) var; dosya yazılmadı"), AnsiString::npos);
    EXPECT_EQ(LoadFileToString(Path), "earlier");
}

// A shorter listing after a longer one: its footer row was a record row before,
// and a row left marked there would be written with the new records.
TEST_F(ElectricityIdentityScreen, ASecondListingLeavesNoRowOfTheFirstInTheGrid) {
    for (const char* No : {"1001", "1002", "1003"}) InsertFull(No, "Şubat 2016");
    InsertFull("1004", "Mart 2016");
    modaltest::WhileShownModally(F.get(), [&] {
        F->iyil->SetText("2016");
        for (const char* Month : {"Şubat", "Mart"}) {
            F->iay->SetText(Month);
            uitest::Click(F->Button7);
        }
    });
    ASSERT_EQ(F->OENDEKS->RowCount(), 3);
    EXPECT_EQ(Cell(1, 1), "1004");
    for (Integer C = 0; C < IdentityGridCols; ++C) EXPECT_EQ(Cell(C, 2), "") << C;
}

TEST_F(ElectricityIdentityScreen, NothingIsPaintedBetweenTheScrollBars) {
    TExtStringGrid* G = F->OENDEKS;
    G->SetRowCount(40);
    for (Integer I = 0; I < 38 * 38; ++I) G->SetCells(1 + I % 38, 1 + I / 38, "KızılayMahallesiAtatürkCaddesi");
    F->Show();
    for (Integer H = G->Height(), Last = H - 22; H > Last; --H) {   // the bottom edge cuts a row anywhere
        G->SetHeight(H);
        const QScrollBar* V = uitest::GridBar(G, Qt::Vertical);
        const int E = V->width();
        const QImage Corner = F->Widget()->grab().toImage().copy(QRect(V->mapTo(F->Widget(), QPoint(0, V->height())), QSize(E, E)));
        EXPECT_EQ(uitest::CountColour(Corner, Rect(0, 0, E, E), uitest::PixelAt(Corner, 0, 0)), E * E) << H;
    }
}
