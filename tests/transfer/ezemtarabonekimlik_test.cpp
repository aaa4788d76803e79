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
    void InsertFull(const AnsiString& No, const AnsiString& Period) {
        Exec(Subscriber("EABONEKIMLIK", Full,
                        "'" + No + "','ALİ','VELİ','1234567890','12345678901','01.02.2010','1  Yeni','1234567890',"
                        "'BURSA','NİLÜFER','B','BC','K','MAH','CAD','12','3','1  Malik','MA','MS','9876543210',"
                        "'10987654321','12345678','01.01.2015','31.12.2016',1250.5,'1  Sabit','(224)111 22 33',"
                        "'P1','A1','PR1',300.25,'1  Sanayi','" + Period + "','Y2',1.5,2,'EVET'"));
    }
    std::unique_ptr<Tezemtarabonekimlikf> F;
};

}  // namespace

TEST_F(ElectricityIdentityScreen, StartsWithTheDefaultsTheListingsAndWritesRelyOn) {
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
}

TEST_F(ElectricityIdentityScreen, ShowSetsBothYearsToTheCurrentYear) {
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
    F->iay->SetText("Şubat");
    F->iyil->SetText("2016");
    F->Button7->Click();
    EXPECT_TRUE(Prompts.Messages().empty());
    TExtStringGrid* G = F->OENDEKS;
    ASSERT_EQ(G->RowCount(), 4);   // header, two records, footer
    EXPECT_EQ(Cell(1, 0), "aboneno");
    EXPECT_EQ(Cell(34, 0), "DÖNEMİ");
    EXPECT_EQ(Cell(38, 0), "SEÇ");
    EXPECT_EQ(Cell(39, 0), "");
    // A full record keeps its values; amounts get a point.
    EXPECT_EQ(Cell(0, 1), "1");
    EXPECT_EQ(Cell(1, 1), "1001");
    EXPECT_EQ(Cell(3, 1), "VELİ");
    EXPECT_EQ(Cell(7, 1), "1  Yeni");
    EXPECT_EQ(Cell(19, 1), "MA");
    EXPECT_EQ(Cell(20, 1), "MS");
    EXPECT_EQ(Cell(26, 1), "1250.5");
    EXPECT_EQ(Cell(28, 1), "(224)111 22 33");
    EXPECT_EQ(Cell(32, 1), "300.25");
    EXPECT_EQ(Cell(34, 1), "Şubat 2016");
    EXPECT_EQ(Cell(36, 1), "1,5");   // separator left as it is
    EXPECT_EQ(Cell(37, 1), "2");
    EXPECT_EQ(Cell(38, 1), "E");
    // Short and missing values become placeholders.
    EXPECT_EQ(Cell(0, 2), "2");
    EXPECT_EQ(Cell(3, 2), "AYŞE");
    EXPECT_EQ(Cell(4, 2), "2222222222");
    EXPECT_EQ(Cell(5, 2), "22222222222");
    EXPECT_EQ(Cell(8, 2), "1111111111");
    EXPECT_EQ(Cell(19, 2), "AYŞE");
    EXPECT_EQ(Cell(20, 2), "AYŞE");
    EXPECT_EQ(Cell(21, 2), "2222222222");
    EXPECT_EQ(Cell(22, 2), "22222222222");
    EXPECT_EQ(Cell(23, 2), "11111111");
    EXPECT_EQ(Cell(26, 2), "0.75");
    EXPECT_EQ(Cell(28, 2), "(000)000 00 00");
    EXPECT_EQ(Cell(29, 2), "1");
    EXPECT_EQ(Cell(30, 2), "1");
    EXPECT_EQ(Cell(31, 2), "1");
    EXPECT_EQ(Cell(32, 2), "0");
    EXPECT_EQ(Cell(1, 3), "");   // footer row stays empty
}

TEST_F(ElectricityIdentityScreen, ClearedMarkListsEveryRowAsH) {
    InsertFull("1001", "Şubat 2016");
    InsertFull("1002", "Şubat 2016");
    F->hepsec->SetChecked(false);
    F->iay->SetText("Şubat");
    F->iyil->SetText("2016");
    F->Button7->Click();
    EXPECT_EQ(Cell(38, 1), "H");
    EXPECT_EQ(Cell(38, 2), "H");
    EXPECT_EQ(CountMarkedRows(*F->OENDEKS, IdentityMarkCol), 0);
}

TEST_F(ElectricityIdentityScreen, EmptyPeriodListingEmptiesTheGridToItsHeader) {
    InsertFull("1001", "Şubat 2016");
    F->iay->SetText("Şubat");
    F->iyil->SetText("2016");
    F->Button7->Click();
    ASSERT_EQ(F->OENDEKS->RowCount(), 3);
    // An empty month searches for " 2016" and finds nothing.
    F->iay->SetText("");
    F->Button7->Click();
    EXPECT_EQ(Prompts.LastMessage(), IdentityEmptyPeriodMessage);
    EXPECT_EQ(F->OENDEKS->RowCount(), 1);
    EXPECT_EQ(Cell(1, 1), "");
    EXPECT_EQ(Cell(38, 1), "");
    // A later listing brings the rows and the fixed header back.
    F->iay->SetText("Şubat");
    F->Button7->Click();
    EXPECT_EQ(F->OENDEKS->RowCount(), 3);
    EXPECT_EQ(F->OENDEKS->FixedRows(), 1);
    EXPECT_EQ(Cell(1, 1), "1001");
}

TEST_F(ElectricityIdentityScreen, QuoteInThePeriodTextCannotWidenTheSelect) {
    InsertFull("1001", "Şubat 2016");
    F->iay->SetText("x\" or aboneno>\"");
    F->iyil->SetText("2016");
    F->Button7->Click();
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
    EXPECT_EQ(Cell(1, 1), "2001");
    EXPECT_EQ(Cell(3, 1), "A");   // fill rules apply
    EXPECT_EQ(Cell(1, 2), "2002");
    EXPECT_EQ(Cell(7, 2), "2  Kapanma");
    EXPECT_EQ(Cell(1, 3), "2003");
    EXPECT_EQ(Cell(1, 4), "2004");
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
    EXPECT_EQ(Cell(1, 1), "1001");
    EXPECT_EQ(Cell(1, 2), "1002");
}

TEST_F(ElectricityIdentityScreen, PeriodFileHoldsTheRowsMarkedAfterEditing) {
    InsertFull("1001", "Şubat 2016");
    InsertFull("1002", "Şubat 2016");
    F->iay->SetText("Şubat");
    F->iyil->SetText("2016");
    F->Button7->Click();
    F->OENDEKS->SetCells(38, 2, "H");   // the operator leaves the second one out
    F->VERGINOM->SetText("1234567890");
    F->iyol->SetText(Folder.Path());
    F->dosyano->SetText("3");
    F->Button8->Click();
    const AnsiString Path = Folder.Path() + "elektrik_abone_kimlik.xml";
    EXPECT_EQ(Prompts.LastMessage(), Path + " dosyası oluştu");
    const std::string Text = LoadFileToString(Path);
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
    EXPECT_FALSE(FileExists(Folder.Path() + "elektrik_abone_kimlik.xml"));
    // The closed or changed file needs no month.
    F->iay->SetText("");
    F->VERGINOM->SetText("1234567890");
    F->Button3->Click();
    EXPECT_EQ(Prompts.LastMessage(), Folder.Path() + "elektrik_abone_kimlik.xml dosyası oluştu");
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
    F->VERGINOM->SetText("123456789");
    F->dosyano->SetFocus();
    uitest::Settle();
    EXPECT_EQ(Prompts.LastMessage(), "Vergi Numarası 10 karakterden büyük veya küçük olamaz");
    EXPECT_TRUE(F->VERGINOM->Focused());
    Prompts.Clear();
    F->VERGINOM->SetText("1234567890");
    F->dosyano->SetFocus();
    uitest::Settle();
    EXPECT_TRUE(Prompts.Messages().empty());
    EXPECT_TRUE(F->dosyano->Focused());
}

TEST_F(ElectricityIdentityScreen, FoldersStartAsTheHomeFolder) {
    EXPECT_EQ(F->iyol->Text(), GetHomeDir());
    EXPECT_EQ(F->YOL->Text(), GetHomeDir());
}

// The screen shown as the menu shows it: February 2016 listed with the list
// button, the grid then changed by Edit, the period file written into Folder with
// the write button. True when the folder edit had the focus afterwards.
namespace {
bool ListAndWrite(Tezemtarabonekimlikf* F, const AnsiString& Folder,
                  const std::function<void()>& Edit = [] {}) {
    bool FolderFocused = false;
    modaltest::WhileShownModally(F, [&] {
        F->iay->SetText("Şubat");
        F->iyil->SetText("2016");
        uitest::Click(F->Button7);
        Edit();
        F->VERGINOM->SetText("1234567890");
        F->iyol->SetText(Folder);
        uitest::Click(F->Button8);
        FolderFocused = F->iyol->Focused();
    });
    return FolderFocused;
}
}  // namespace

// A folder standing where the file goes: the operator reads which file and why in
// Turkish, and the folder stays as it was.
TEST_F(ElectricityIdentityScreen, AFolderInThePlaceOfTheFileIsNamedInTurkishAndStays) {
    InsertFull("1001", "Şubat 2016");
    const AnsiString Path = Folder.Path() + "elektrik_abone_kimlik.xml";
    ASSERT_TRUE(ForceDirectories(Path + "/x"));
    ListAndWrite(F.get(), Folder.Path());
    ASSERT_EQ(Prompts.Messages().size(), 1u);
    EXPECT_EQ(Prompts.LastMessage(), "\"" + Path + "\" dosyası yazılamadı: bu adda bir klasör var. "
                                     "Yerindeki dosya ya da klasör değiştirilmedi.");
    EXPECT_TRUE(DirectoryExists(Path + "/x"));
}

// The write button clicked on the screen shown as the menu shows it.
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
        const bool FolderFocused = ListAndWrite(F.get(), C.Folder);
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
    ListAndWrite(F.get(), Locked);
    ::chmod(AnsiToUtf8(Locked).c_str(), 0700);
    EXPECT_EQ(Prompts.Messages(), std::vector<AnsiString>{"Bu klasöre yazılamıyor: \"" + Locked + "\". Dosya yazılmadı."});
}

TEST_F(ElectricityIdentityScreen, AFolderNamedWithoutItsLastSlashTakesTheFileInside) {
    InsertFull("1001", "Şubat 2016");
    const AnsiString Inside = Folder.Path() + "cikti";
    ASSERT_TRUE(ForceDirectories(Inside));
    ListAndWrite(F.get(), Inside);
    EXPECT_EQ(Prompts.LastMessage(), Inside + "/elektrik_abone_kimlik.xml dosyası oluştu");
    EXPECT_TRUE(FileExists(Inside + "/elektrik_abone_kimlik.xml"));
}

TEST_F(ElectricityIdentityScreen, ACellWithAControlCharacterStopsTheWriteWithItsRowAndColumn) {
    InsertFull("1001", "Şubat 2016");
    const AnsiString Path = Folder.Path() + "elektrik_abone_kimlik.xml";
    SaveFileAtomically(Path, "earlier");
    ListAndWrite(F.get(), Folder.Path(), [&] { F->OENDEKS->SetCells(3, 1, "VE\x07Lİ"); });
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
