#include "entry/SubscriberSheet.h"

#include <gtest/gtest.h>

#include "ModalTestKit.h"
#include "platform/ui/UiTestKit.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "datasets/pFBDataSet.h"
#include "entry/EABONEKIMLIK.h"
#include "entry/SheetExchange.h"
#include "entry/dABONEKIMLIK.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/SysUtils.h"
#include "platform/sheet/Excel.h"
#include "platform/sheet/SheetFiles.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/StdCtrls.h"
#include "support/TempFolder.h"
#include "support/db/TestDataModule.h"

namespace {

// A subscriber row in the table's insert order, numbers included.
AnsiString InsertRow(const AnsiString& Table, const AnsiString& No, const AnsiString& Name, const AnsiString& Rent) {
    return Format(
        "insert into %s (ABONENO,ADI,SOYADI,VERGINO,TCKIMLIK,ABONETARIHI,ABONEDURUMU,UAVTNO,ILADI,MULKIYET,"
        "KIRATUTARI,YUZOLCUM,ABONETIPI,YAZI1,SAYI1,ZEMTARDAHIL,SAYI2) values (\"%s\",\"%s\",\"Çağlar\","
        "\"0123456789\",\"22222222222\",\"21.04.2004\",\"1  Yeni\",\"0012345678\",\"İZMİR\",\"1  Mülk Sahibi\","
        "%s,12.5,\"4  Sanayi\",\"Şubat 2016\",0,\"EVET\",0)",
        {Table, No, Name, Rent});
}

class SubscriberSheetTest : public ::testing::Test {
protected:
    void SetUp() override {
        PreviousOpener = SetSheetOpener([this](const AnsiString& FileName) {
            Shown.push_back(FileName);
            return true;
        });
    }
    void TearDown() override {
        SetSheetOpener(PreviousOpener);
        for (const AnsiString& F : Shown) std::remove(F.c_str());
    }

    // The electricity or gas screen as its show handler leaves it.
    template <class TScreen>
    std::unique_ptr<TScreen> Screen() {
        auto S = std::make_unique<TScreen>(nullptr);
        S->FormShow(S.get());
        return S;
    }

    // A workbook file of the given rows (row 1 the headers), cells as given.
    AnsiString Workbook(const std::vector<std::vector<Variant>>& Rows, const AnsiString& Name = "giris.xlsx") {
        TExcelApplication App;
        TExcelWorksheet* Sheet = App.Workbooks()->Add()->Worksheets(1);
        for (Integer C = 1; C <= SubscriberSheetColumnCount; ++C) Sheet->SetCells(1, C, SubscriberSheetHeader(C));
        for (size_t R = 0; R < Rows.size(); ++R)
            for (size_t C = 0; C < Rows[R].size(); ++C)
                Sheet->SetCells(static_cast<Integer>(R + 2), static_cast<Integer>(C + 1), Rows[R][C]);
        const AnsiString FileName = DM.Database().Folder() + "/" + Name;
        WriteXlsxFile(*App.Workbooks(1), FileName);
        App.Quit();
        return FileName;
    }

    // A full row: number, name and rent; the other columns filled alike.
    static std::vector<Variant> Row(const AnsiString& No, const AnsiString& Name, const Variant& Rent) {
        std::vector<Variant> R(SubscriberSheetColumnCount);
        for (Integer C = 1; C <= SubscriberSheetColumnCount; ++C)
            R[C - 1] = SubscriberSheetNumberColumn(C) ? Variant(static_cast<double>(C))
                       : SubscriberSheetDateColumn(C) ? Variant(AnsiString("0") + IntToStr(C % 9 + 1) + ".03.2016")
                                                      : Variant(AnsiString("t") + IntToStr(C));
        R[0] = No;
        R[1] = Name;
        R[25] = Rent;
        R[37] = "HAYIR";
        return R;
    }

    // Expr of the stored electricity subscriber No.
    AnsiString Stored(const AnsiString& No, const AnsiString& Expr) {
        return DM.Value("select " + Expr + " from eabonekimlik where ABONENO='" + No + "'");
    }
    // The shown texts of the given columns of a sheet row, joined by "|".
    static AnsiString SheetRow(TExcelWorksheet* Sheet, Integer R, std::initializer_list<Integer> Cols) {
        AnsiString Text;
        for (const Integer& C : Cols) Text += (&C == Cols.begin() ? "" : "|") + VarToStr(Sheet->Cells(R, C));
        return Text;
    }

    // The answers of one import: access code, file, first and last row.
    void ScriptImport(const AnsiString& FileName, const AnsiString& First, const AnsiString& Last) {
        Prompts.QueueInput(true, SubscriberImportAccessCode);
        Prompts.QueueFile(true, FileName);
        Prompts.QueueInput(true, First);
        Prompts.QueueInput(true, Last);
    }

    TFormatSettingsGuard Settings{TurkishFormatSettings()};
    TTestDataModule DM;
    TScriptedPrompter Prompts;
    TPrompterGuard PromptGuard{&Prompts};
    TSheetOpener PreviousOpener;
    std::vector<AnsiString> Shown;
};

// ---------------------------------------------------------------------------
// Export

TEST_F(SubscriberSheetTest, ExportOfAnEmptyTableStartsNoSpreadsheetProgram) {
    auto S = Screen<TEABONEKIMLIKF>();
    bool Was = SetSpreadsheetAvailable(false);
    EXPECT_NO_THROW(S->Button16Click(S.get()));
    SetSpreadsheetAvailable(Was);
    EXPECT_TRUE(Shown.empty());
    EXPECT_TRUE(Prompts.Records().empty());
}

TEST_F(SubscriberSheetTest, ExportWritesHeadersAndEveryRowInNumberOrder) {
    DM.Execute(InsertRow("eabonekimlik", "00200", "Öz Gıda Şirketi", "1500.25") + ";" +
               InsertRow("eabonekimlik", "00100", "İpek Ğ", "0") + ";" +
               InsertRow("dabonekimlik", "00999", "Gaz", "1"));
    auto S = Screen<TEABONEKIMLIKF>();
    S->Button16Click(S.get());

    ASSERT_EQ(Shown.size(), 1u);
    TExcelApplication App;
    TExcelWorksheet* Sheet = App.Workbooks()->Open(Shown[0])->Worksheets(1);
    for (Integer C = 1; C <= SubscriberSheetColumnCount; ++C)
        EXPECT_EQ(VarToStr(Sheet->Cells(1, C)), SubscriberSheetHeader(C)) << C;
    EXPECT_EQ(SheetRow(Sheet, 1, {37, 38}), "SAYI2|ZEMTARADAHIL");

    // Identifiers stay text with their zeros; numbers are numbers.
    EXPECT_EQ(Sheet->Cells(2, 1).VType(), varString);
    EXPECT_EQ(VarToStr(Sheet->Cells(2, 1)), "00100");
    EXPECT_EQ(SheetRow(Sheet, 3, {1, 2, 3, 4, 6, 9, 34, 38}),
              "00200|Öz Gıda Şirketi|Çağlar|0123456789|21.04.2004|İZMİR|Şubat 2016|EVET");
    EXPECT_EQ(Sheet->Cells(3, 26).VType(), varDouble);
    EXPECT_EQ(Sheet->Cells(3, 37).VType(), varDouble);
    EXPECT_DOUBLE_EQ(Sheet->Cells(3, 26).AsDouble(), 1500.25);
    EXPECT_DOUBLE_EQ(Sheet->Cells(3, 32).AsDouble(), 12.5);
    // A column without a value leaves its cell empty.
    EXPECT_TRUE(Sheet->Cells(3, 10).IsEmpty());
    // No row past the last subscriber, no gas subscriber.
    EXPECT_TRUE(Sheet->Cells(4, 1).IsEmpty());
}

// ---------------------------------------------------------------------------
// Import

TEST_F(SubscriberSheetTest, WrongOrCancelledAccessCodeStopsBeforeTheFileDialog) {
    DM.Execute(InsertRow("eabonekimlik", "1", "Eski", "0"));
    auto S = Screen<TEABONEKIMLIKF>();
    for (auto [Ok, Code] : {std::pair<bool, AnsiString>{true, "TUVAK"}, {true, " tuvak"}, {false, ""}}) {
        Prompts.Clear();
        Prompts.QueueInput(Ok, Code);
        S->Button17Click(S.get());
        ASSERT_EQ(Prompts.Records().size(), 2u) << Code;
        EXPECT_EQ(Prompts.Records()[0].Caption + ": " + Prompts.Records()[0].Text, "Yetki Kodunu Giriniz: Yetki Kodu");
        EXPECT_EQ(Prompts.LastMessage(), "Yetki kodu yanlış");
    }
    EXPECT_EQ(DM.Value("select ADI from eabonekimlik"), "Eski");
}

TEST_F(SubscriberSheetTest, ImportInsertsNewAndUpdatesExistingRows) {
    DM.Execute(InsertRow("eabonekimlik", "00042", "Eski Ad", "5"));
    std::vector<Variant> Existing = Row("00042", "Yeni Ağ Çelik", 750.5);
    Existing[5] = Variant::FromDateTime(EncodeDate(2016, 5, 3));   // a date cell
    std::vector<Variant> Fresh = Row("00001", "Işık Öğüt", AnsiString("12,75"));   // number as text
    Fresh[2] = Variant();      // empty text cell
    Fresh[31] = Variant();     // empty number cell
    Fresh[3] = 1234567890.0;   // a number in a text column
    const AnsiString File = Workbook({Existing, Fresh, Row("", "Numarasız", 1.0)});

    auto S = Screen<TEABONEKIMLIKF>();
    ScriptImport(File, "2", "4");
    S->Button17Click(S.get());

    const auto& R = Prompts.Records();
    ASSERT_EQ(R.size(), 4u);
    EXPECT_EQ(R[1].Kind, TScriptedPrompter::pkFileDialog);
    EXPECT_EQ(R[1].File.Filter, "xlsx|*.xlsx|xls Dosyaları|*.xls|Csv Dosyaları|*.csv");
    EXPECT_EQ(R[2].Caption + ": " + R[2].Text + " / " + R[3].Text,
              "Satır No: Excel İlk Satır Numarasını Giriniz / Excel Son Satır Numarasını Giriniz");
    EXPECT_TRUE(Prompts.Messages().empty());

    // The row without a subscriber number is left out.
    EXPECT_EQ(DM.Count("select * from eabonekimlik"), 2);
    EXPECT_EQ(DM.Count("select * from eabonekimlik where ABONENO=''"), 0);
    EXPECT_EQ(Stored("00042", "ADI || '|' || ABONETARIHI || '|' || ZEMTARDAHIL || '|' || YAZI1"),
              "Yeni Ağ Çelik|03.05.2016|HAYIR|t34");
    EXPECT_EQ(Stored("00042", "cast(KIRATUTARI * 100 as integer) || '|' || cast(SAYI2 * 100 as integer) || '|' || "
                              "cast(SAYI1 * 100 as integer)"),
              "75050|3700|3600");
    EXPECT_EQ(Stored("00001", "ADI || '|' || coalesce(SOYADI, 'NULL') || '|' || VERGINO || '|' || "
                              "cast(KIRATUTARI * 100 as integer) || '|' || cast(YUZOLCUM * 100 as integer)"),
              "Işık Öğüt|NULL|1234567890|1275|0");
    EXPECT_EQ(DM.Count("select * from dabonekimlik"), 0);
}

TEST_F(SubscriberSheetTest, GasScreenExportsAndImportsTheGasTable) {
    DM.Execute(InsertRow("eabonekimlik", "1", "Elektrik", "0") + ";" + InsertRow("dabonekimlik", "7", "Gaz", "0"));
    auto S = Screen<TdABONEKIMLIKF>();
    S->Button16Click(S.get());
    ASSERT_EQ(Shown.size(), 1u);
    {
        TExcelApplication App;
        TExcelWorksheet* Sheet = App.Workbooks()->Open(Shown[0])->Worksheets(1);
        EXPECT_EQ(VarToStr(Sheet->Cells(2, 1)), "7");
        EXPECT_TRUE(Sheet->Cells(3, 1).IsEmpty());
        App.Quit();
    }
    ScriptImport(Workbook({Row("5", "Gaz Abonesi", 1.0)}), "2", "2");
    S->Button17Click(S.get());
    EXPECT_EQ(DM.Value("select ADI from dabonekimlik where ABONENO='5'"), "Gaz Abonesi");
    EXPECT_EQ(DM.Count("select * from eabonekimlik"), 1);
}

TEST_F(SubscriberSheetTest, ExportThenImportUpdatesEveryRowInPlace) {
    DM.Execute(InsertRow("eabonekimlik", "0001", "Bir", "1") + ";" + InsertRow("eabonekimlik", "0002", "İki", "2"));
    auto S = Screen<TEABONEKIMLIKF>();
    S->Button16Click(S.get());
    ASSERT_EQ(Shown.size(), 1u);
    DM.Execute("update eabonekimlik set ADI='Bozuldu', KIRATUTARI=99");

    ScriptImport(Shown[0], "2", "3");
    S->Button17Click(S.get());
    EXPECT_EQ(DM.Count("select * from eabonekimlik"), 2);
    EXPECT_EQ(Stored("0002", "ADI || '|' || cast(KIRATUTARI * 100 as integer)"), "İki|200");
    EXPECT_EQ(Stored("0001", "ABONETARIHI"), "21.04.2004");
}

// The import is the screen's own write, as Kaydet: the subscriber it shows comes
// back as stored, and a change typed next goes in (no "changed by another").
TEST_F(SubscriberSheetTest, ImportRenewsTheShownSubscriberForItsNextChange) {
    for (const bool Gas : {false, true}) {
        const AnsiString Table = Gas ? "dabonekimlik" : "eabonekimlik";
        DM.Execute(InsertRow(Table, "0001", "Bir", "1"));
        std::unique_ptr<TAboneKimlikForm> S;
        if (Gas) S = Screen<TdABONEKIMLIKF>();
        else S = Screen<TEABONEKIMLIKF>();
        S->Button16Click(S.get());
        DM.Execute("update " + Table + " set ADI='Eski'");
        S->caril->SetText("0001");
        S->carilClick(S->caril);
        ScriptImport(Shown.back(), "2", "2");
        S->Button17Click(S.get());
        EXPECT_EQ(S->BADI->Text(), "Bir");
        Prompts.Clear();
        S->SOYADI->SetText("Yeni Soyad");
        S->btrdegistirClick(S->btrdegistir);
        EXPECT_TRUE(Prompts.Messages().empty()) << Prompts.LastMessage();
        EXPECT_EQ(DM.Value("select ADI || '|' || SOYADI from " + Table), "Bir|Yeni Soyad");
    }
}

TEST_F(SubscriberSheetTest, RowRangesAndACancelledFileDialogThatImportNothing) {
    const AnsiString File = Workbook({Row("1", "A", 1.0)});
    auto S = Screen<TEABONEKIMLIKF>();
    struct TCase {
        const char* First;
        const char* Last;
        bool Raises;
    };
    for (const TCase& C : {TCase{"3", "2", false}, TCase{"abc", "2", true}, TCase{"2", "", true},
                           TCase{"2,5", "3", true}}) {
        Prompts.Clear();
        ScriptImport(File, C.First, C.Last);
        if (C.Raises)
            EXPECT_THROW(S->Button17Click(S.get()), EConvertError) << C.First << ".." << C.Last;
        else
            EXPECT_NO_THROW(S->Button17Click(S.get()));
        EXPECT_TRUE(Prompts.Messages().empty());
    }
    Prompts.Clear();
    ScriptImport(File, "0", "2");   // row zero is an automation error
    EXPECT_THROW(S->Button17Click(S.get()), EOleError);
    Prompts.Clear();
    ScriptImport(File, "1", "2");   // the header row stops the import there
    EXPECT_ANY_THROW(S->Button17Click(S.get()));
    Prompts.Clear();
    Prompts.QueueInput(true, SubscriberImportAccessCode);
    Prompts.QueueFile(false);
    EXPECT_NO_THROW(S->Button17Click(S.get()));
    EXPECT_EQ(Prompts.Records().size(), 2u);
    EXPECT_EQ(DM.Count("select * from eabonekimlik"), 0);
}

TEST_F(SubscriberSheetTest, UnconvertibleNumberStopsTheImportBeforeAnyRowIsWritten) {
    std::vector<Variant> Bad = Row("0003", "Üç", 3.0);
    Bad[31] = "on iki";   // YUZOLCUM
    const AnsiString File = Workbook({Row("0001", "Bir", 1.0), Row("0002", "İki", 2.0), Bad, Row("0004", "Dört", 4.0)});
    auto S = Screen<TEABONEKIMLIKF>();
    ScriptImport(File, "2", "5");
    EXPECT_THROW(S->Button17Click(S.get()), EConvertError);
    EXPECT_EQ(DM.Count("select * from eabonekimlik"), 0);

    // The shared data set is not left half-edited: the screen can go on.
    TpFBDataSet* Shared = DM->eabonekimlik;
    EXPECT_NE(Shared->State(), dsInsert);
    EXPECT_NE(Shared->State(), dsEdit);
    Prompts.Clear();
    ScriptImport(File, "5", "5");
    S->Button17Click(S.get());
    EXPECT_EQ(Stored("0004", "ADI"), "Dört");
}

TEST_F(SubscriberSheetTest, QuoteInASubscriberNumberStaysInsideTheLiteral) {
    DM.Execute(InsertRow("eabonekimlik", "12\"\"34", "Tırnak", "1"));   // the quote doubled in the literal
    const AnsiString File = Workbook({Row("12\"34", "Tırnak 2", 2.0)});
    auto S = Screen<TEABONEKIMLIKF>();
    ScriptImport(File, "2", "2");
    S->Button17Click(S.get());
    // The row found the stored one and updated it.
    EXPECT_EQ(DM.Count("select * from eabonekimlik"), 1);
    EXPECT_EQ(DM.Value("select ADI from eabonekimlik where ABONENO='12\"34'"), "Tırnak 2");
}

TEST_F(SubscriberSheetTest, DatabaseErrorInARowKeepsEarlierRows) {
    DM.Execute("alter table eabonekimlik add constraint CK_TEST_ADI check (ADI <> 'Yasak')");
    const AnsiString File = Workbook({Row("0001", "Bir", 1.0), Row("0002", "Yasak", 2.0), Row("0003", "Üç", 3.0)});
    auto S = Screen<TEABONEKIMLIKF>();
    ScriptImport(File, "2", "4");
    EXPECT_ANY_THROW(S->Button17Click(S.get()));
    EXPECT_EQ(DM.Count("select * from eabonekimlik"), 1);
    EXPECT_EQ(DM.Value("select ADI from eabonekimlik"), "Bir");

    // The transaction is usable again: the remaining row goes in on its own.
    Prompts.Clear();
    ScriptImport(File, "4", "4");
    S->Button17Click(S.get());
    EXPECT_EQ(Stored("0003", "ADI"), "Üç");
}

// ---------------------------------------------------------------------------
// Import through the screen's button, the screen shown as the menu shows it

class SubscriberSheetClickTest : public SubscriberSheetTest {
protected:
    // Clicks the import button of a modal electricity screen; returns the messages shown.
    std::vector<AnsiString> ClickImport() {
        TEABONEKIMLIKF S(nullptr);
        modaltest::WhileShownModally(&S, [&] { uitest::Click(S.Button17); });
        return Prompts.Messages();
    }
    static AnsiString Letters(size_t N) { return AnsiString(N, 'Ş'); }
};

TEST_F(SubscriberSheetClickTest, TooLongTextStopsTheWholeImportNamingRowColumnAndValue) {
    DM.Execute(InsertRow("eabonekimlik", "0001", "Eski", "1"));
    const AnsiString Long = Letters(48);
    const AnsiString File =
        Workbook({Row("0001", "Yeni", 1.0), Row("0002", Letters(30), 2.0), Row("0003", Long, 3.0)});
    ScriptImport(File, "2", "4");
    EXPECT_EQ(ClickImport(), std::vector<AnsiString>{"Excel satırı 4, sütun 2 (ADI): \"" + Long +
                                                     "\" 48 karakter, bu sütun en çok 30 karakter alır. "
                                                     "Hiçbir kayıt aktarılmadı."});
    EXPECT_EQ(DM.Count("select * from eabonekimlik"), 1);
    EXPECT_EQ(DM.Value("select ADI from eabonekimlik"), "Eski");

    // Exactly the column's width goes in whole.
    Prompts.Clear();
    ScriptImport(File, "2", "3");
    EXPECT_TRUE(ClickImport().empty());
    EXPECT_EQ(Stored("0002", "ADI"), Letters(30));
    EXPECT_EQ(Stored("0001", "ADI"), "Yeni");
}

TEST_F(SubscriberSheetClickTest, UnconvertibleNumberInTheLastRowWritesNoRow) {
    std::vector<Variant> Bad = Row("0009", "Dokuz", 9.0);
    Bad[35] = "yok";   // SAYI1
    ScriptImport(Workbook({Row("0001", "Bir", 1.0), Bad}), "2", "3");
    EXPECT_EQ(ClickImport(),
              std::vector<AnsiString>{"Excel satırı 3, sütun 36 (SAYI1): \"yok\" sayı değil. Hiçbir kayıt aktarılmadı."});
    EXPECT_EQ(DM.Count("select * from eabonekimlik"), 0);
}

// A date cell holds a date, or nothing (stored empty, as the program's own export writes it).
TEST_F(SubscriberSheetClickTest, SubscriptionDateMustHoldADateAndIsStoredInOneForm) {
    std::vector<Variant> NoDate = Row("0002", "İki", 2.0);
    NoDate[5] = Variant();
    std::vector<Variant> Word = Row("0003", "Üç", 3.0);
    Word[5] = "yarın";
    std::vector<Variant> Odd = Row("0004", "Dört", 4.0);
    Odd[5] = " 1.3.2016 ";
    Odd[23] = "2016-01-01";   // as office programs write date cells into CSV
    Odd[24] = Variant();   // a lease date may be left empty
    const AnsiString File = Workbook({Row("0001", "Bir", 1.0), NoDate, Word, Odd});

    for (const auto& [First, Row, Value] : {std::tuple{"4", "4", "yarın"}}) {
        Prompts.Clear();
        ScriptImport(File, First, "5");
        EXPECT_EQ(ClickImport(), std::vector<AnsiString>{AnsiString("Excel satırı ") + Row + ", sütun 6 (ABONETARIHI): \"" +
                                                         Value + "\" tarih değil. Hiçbir kayıt aktarılmadı."});
        EXPECT_EQ(DM.Count("select * from eabonekimlik"), 0);
    }

    Prompts.Clear();
    ScriptImport(File, "5", "5");
    EXPECT_TRUE(ClickImport().empty());
    Prompts.Clear();
    ScriptImport(File, "3", "3");
    EXPECT_TRUE(ClickImport().empty());
    EXPECT_EQ(Stored("0002", "coalesce(ABONETARIHI, 'NULL')"), "NULL");
    EXPECT_EQ(Stored("0004", "ABONETARIHI || KIRABASLAMATARIHI || coalesce(KIRABITISTARIHI, 'NULL')"),
              "01.03.201601.01.2016NULL");
}

// Two rows of one subscriber: the second would silently replace the first.
TEST_F(SubscriberSheetClickTest, TwoRowsOfOneSubscriberStopTheWholeImportNamingBoth) {
    ScriptImport(Workbook({Row("0001", "Bir", 1.0), Row("0002", "İki", 2.0), Row("0001 ", "Başka", 3.0)}), "2", "4");
    EXPECT_EQ(ClickImport(), std::vector<AnsiString>{"Excel satırları 2 ve 4: ikisi de \"0001 \" numaralı abone; "
                                                     "hangisinin kaydedileceği belli değil. Hiçbir kayıt aktarılmadı."});
    EXPECT_EQ(DM.Count("select * from eabonekimlik"), 0);
}

TEST_F(SubscriberSheetClickTest, RowsWithoutASubscriberNumberAreSkipped) {
    std::vector<Variant> Blank = Row("  ", "Boşluklu", 1.0);
    std::vector<Variant> Trailing(SubscriberSheetColumnCount);   // an empty row at the end
    std::vector<Variant> NoKeyButBad = Row("", "Ad", 1.0);
    NoKeyButBad[25] = "çok";   // not looked at: the row is skipped
    ScriptImport(Workbook({Row("0001", "Bir", 1.0), Blank, NoKeyButBad, Row("0002", "İki", 2.0), Trailing}), "2",
                 "7");
    EXPECT_TRUE(ClickImport().empty());
    EXPECT_EQ(DM.Count("select * from eabonekimlik"), 2);
    EXPECT_EQ(DM.Count("select * from eabonekimlik where ABONENO in ('0001','0002')"), 2);
}

TEST_F(SubscriberSheetClickTest, CancelledFileDialogDoesNotReadTheFileChosenBefore) {
    const AnsiString File = Workbook({Row("0001", "Bir", 1.0)});
    ScriptImport(File, "2", "2");
    EXPECT_TRUE(ClickImport().empty());
    DM.Execute("delete from eabonekimlik");

    Prompts.Clear();
    Prompts.QueueInput(true, SubscriberImportAccessCode);
    Prompts.QueueFile(false);
    EXPECT_TRUE(ClickImport().empty());
    // No row prompts followed the cancelled dialog, nothing was written.
    ASSERT_EQ(Prompts.Records().size(), 2u);
    EXPECT_EQ(Prompts.Records()[1].Kind, TScriptedPrompter::pkFileDialog);
    EXPECT_EQ(DM.Count("select * from eabonekimlik"), 0);
}

TEST_F(SubscriberSheetClickTest, ExportThatNoProgramCanShowTellsWhereTheWorkbookIs) {
    DM.Execute(InsertRow("eabonekimlik", "00100", "Bir", "1"));
    SetSheetOpener([this](const AnsiString& FileName) {
        Shown.push_back(FileName);
        return false;
    });
    TEABONEKIMLIKF S(nullptr);
    modaltest::WhileShownModally(&S, [&] { uitest::Click(S.Button16); });
    ASSERT_EQ(Shown.size(), 1u);
    EXPECT_TRUE(FileExists(Shown[0]));
    EXPECT_EQ(Prompts.Messages(),
              std::vector<AnsiString>{"Excel dosyası yazıldı, ancak onu açacak bir program bulunamadı. Dosya: " +
                                      Shown[0]});
}

TEST_F(SubscriberSheetClickTest, ExportThatCannotWriteTheWorkbookSaysWhy) {
    DM.Execute(InsertRow("eabonekimlik", "00100", "Bir", "1"));
    const std::string OldTmp = GetTempDir();
    const std::string Missing = OldTmp + "osb_no_such_folder";
    ::setenv("TMPDIR", Missing.c_str(), 1);
    TEABONEKIMLIKF S(nullptr);
    modaltest::WhileShownModally(&S, [&] { uitest::Click(S.Button16); });
    ::setenv("TMPDIR", OldTmp.c_str(), 1);
    EXPECT_TRUE(Shown.empty());
    EXPECT_EQ(Prompts.Messages(), std::vector<AnsiString>{"'" + Missing + "/Kitap1.xlsx' dosyası yazılamadı: " +
                                                          std::strerror(ENOENT) + "."});
}

// A desktop whose programs are small scripts in a folder put first on PATH.
class DesktopOpenerTest : public ::testing::Test {
protected:
    void SetUp() override {
        FPath = ::getenv("PATH") ? ::getenv("PATH") : "";
        ::setenv("PATH", (FDir + ":" + FPath).c_str(), 1);
    }
    void TearDown() override {
        ::setenv("PATH", FPath.c_str(), 1);
    }
    void Program(const std::string& Name, const std::string& Body) {
        const std::string P = FDir + "/" + Name;
        SaveFileAtomically(P, "#!/bin/sh\n" + Body + "\n");
        ::chmod(P.c_str(), 0755);
    }
    TTempFolder FFolder{"osb_opener_"};
    const std::string FDir = FFolder.Path().substr(0, FFolder.Path().size() - 1);
    std::string FPath;
};

TEST_F(DesktopOpenerTest, StartsTheDesktopProgramOnlyWhenOneIsNamedForWorkbooks) {
    Program("xdg-open", "echo \"$1\" > \"" + FDir + "/opened\"");
    Program("xdg-mime", "exit 0");   // no program for the type
    EXPECT_FALSE(DesktopSheetOpener("/tmp/kitap.xlsx"));
    Program("xdg-mime", "echo calc.desktop");
    EXPECT_TRUE(DesktopSheetOpener("/tmp/kitap.xlsx"));
    for (int I = 0; I < 100 && !FileExists(FDir + "/opened"); ++I) ::usleep(20000);
    EXPECT_EQ(LoadFileToString(FDir + "/opened"), "/tmp/kitap.xlsx\n");
    Program("xdg-mime", "echo calc.desktop; exit 1");
    EXPECT_FALSE(DesktopSheetOpener("/tmp/kitap.xlsx"));
}

class SubscriberSheetBadFileTest : public SubscriberSheetClickTest,
                                   public ::testing::WithParamInterface<const char*> {};

TEST_P(SubscriberSheetBadFileTest, FileWithoutAWorkbookWritesNothing) {
    DM.Execute(InsertRow("eabonekimlik", "0001", "Eski", "1"));
    const AnsiString File = DM.Database().Folder() + "/bozuk.xlsx";
    if (std::string_view(GetParam()) != "missing") {
        std::FILE* F = std::fopen(File.c_str(), "wb");
        ASSERT_NE(F, nullptr);
        std::fputs(GetParam(), F);
        std::fclose(F);
    }
    // No row numbers are asked for a file that cannot be read.
    Prompts.QueueInput(true, SubscriberImportAccessCode);
    Prompts.QueueFile(true, File);
    const std::vector<AnsiString> M = ClickImport();
    std::remove(File.c_str());
    ASSERT_EQ(M.size(), 1u);
    EXPECT_NE(M[0].find("bozuk.xlsx"), AnsiString::npos) << M[0];
    EXPECT_EQ(DM.Count("select * from eabonekimlik"), 1);
    EXPECT_EQ(DM.Value("select ADI from eabonekimlik"), "Eski");

    // The next import goes on as usual.
    Prompts.Clear();
    ScriptImport(Workbook({Row("0002", "İki", 2.0)}), "2", "2");
    EXPECT_TRUE(ClickImport().empty());
    EXPECT_EQ(DM.Count("select * from eabonekimlik"), 2);
}

INSTANTIATE_TEST_SUITE_P(Files, SubscriberSheetBadFileTest,
                         ::testing::Values("", "ABONENO;ADI\n0001;Bir\n", "PK\x03\x04 kırık", "missing"));

}  // namespace
