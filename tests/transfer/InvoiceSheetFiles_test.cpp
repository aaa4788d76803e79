#include "transfer/InvoiceSheet.h"

#include "InvoiceTestKit.h"
#include "TransferTestKit.h"
#include "platform/rtl/Files.h"
#include "platform/sheet/Excel.h"
#include "platform/sheet/SheetFiles.h"

#include <cstdio>
#include <unistd.h>

using namespace invoicetest;

namespace {

// Invoice imports of files an operator may really choose, through the import
// button of the bulk screen shown as the menu shows it.
class InvoiceSheetFiles : public TInvoiceScreensTest {
protected:
    AnsiString Save(const AnsiString& Name, const std::string& Bytes) {
        const AnsiString F = Folder.Path() + Name;
        SaveFileAtomically(F, Bytes);
        return F;
    }
    // An .xlsx file with one invoice row (row 2) whose date cell is Date.
    AnsiString Xlsx(const AnsiString& Name, const Variant& Date) {
        TExcelApplication Maker;
        TExcelWorksheet* Sheet = Maker.Workbooks()->Add()->Worksheets(1);
        const std::vector<Variant> Row = {Variant("100"),     Variant("ALİ"), Variant("Mart 2016"), Variant("R1"),
                                          Variant(12.5), Variant(3.0),   Date};
        for (Integer C = 1; C <= 7; ++C) {
            Sheet->SetCells(1, C, Variant(InvoiceSheetHeader(C)));
            Sheet->SetCells(2, C, Row[C - 1]);
        }
        const AnsiString File = Folder.Path() + Name;
        WriteXlsxFile(*Maker.Workbooks(1), File);
        Maker.Quit();
        return File;
    }
    AnsiString Stored() {
        return DM().Value("select list(ABONENO || '|' || DONEMI || '|' || coalesce(REFERANSNO, '') || '|' || "
                          "cast(TOPLAMBEDELI * 100 as integer) || '|' || FATURATARIHI, '#') from efatura");
    }
    transfertest::TTempFolder Folder;
};

const char* const Header = "Abone no;Abone Adı;Dönemi;Referans No;Toplam Bedel;Toplam Tüketim;Fatura Tarihi\r\n";

TEST_F(InvoiceSheetFiles, CsvInEitherCodePageWithQuotedDelimitersQuotesAndLineBreaks) {
    struct TCase {
        const char* Name;
        std::string Bytes;
        const char* Stored;
    };
    const TCase Cases[] = {
        {"utf8.csv", std::string(Header) + "100;x;Şubat 2016;RŞ1;12,5;3;01.02.2016\r\n", "100|Şubat 2016|RŞ1|1250|01.02.2016"},
        {"cp1254.csv", "a;b;c;d;e;f;g\r\n100;x;\xDE" "ubat 2016;R\xDE" "1;12,5;3;01.02.2016\r\n",
         "100|Şubat 2016|RŞ1|1250|01.02.2016"},
        {"quoted.csv", "a;b;c;d;e;f;g\r\n\"1;0\";\"x\";\"Mart\r\n2016\";\"R\"\"3\";\"12,5\";2;\" 03.03.2016\"\r\n",
         "1;0|Mart\r\n2016|R\"3|1250|03.03.2016"},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        Prompts.Clear();
        DM().Execute("delete from efatura");
        Answer(Save(C.Name, C.Bytes), "2", "2");
        EXPECT_TRUE(ClickImport().empty()) << Prompts.LastMessage();
        EXPECT_EQ(Stored(), C.Stored);
    }
}

// The invoice date is a lookup key and the invoice dialog reads it back as a
// date: it is stored as dd.mm.yyyy, and a cell that is no date stops the import.
TEST_F(InvoiceSheetFiles, InvoiceDatesAreStoredInTheScreensFormOrStopTheImport) {
    struct TCase {
        Variant Date;
        const char* Stored;   // nullptr: refused
    };
    const TCase Cases[] = {
        {Variant("01.03.2016"), "01.03.2016"},
        {Variant("1.3.2016"), "01.03.2016"},
        {VarAsType(Variant(EncodeDate(2016, 3, 7)), varDate), "07.03.2016"},
        {Variant(""), nullptr},
        {Variant("31.02.2016"), nullptr},
        {Variant("Mart 2016"), nullptr},
        {Variant(42430.0), nullptr},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(VarToStr(C.Date));
        Prompts.Clear();
        DM().Execute("delete from efatura");
        Answer(Xlsx("tarih.xlsx", C.Date), "2", "2");
        const std::vector<AnsiString> M = ClickImport();
        if (C.Stored) {
            EXPECT_TRUE(M.empty()) << Prompts.LastMessage();
            EXPECT_EQ(Stored(), AnsiString("100|Mart 2016|R1|1250|") + C.Stored);
        } else {
            EXPECT_EQ(M, std::vector<AnsiString>{"Excel satırı 2, sütun 7 (faturatarihi): \"" + VarToStr(C.Date) +
                                                 "\" tarih değil. Hiçbir kayıt aktarılmadı."});
            EXPECT_EQ(DM().Count("select * from efatura"), 0);
        }
    }
}

TEST_F(InvoiceSheetFiles, ADateWrittenAnotherWayFindsTheStoredInvoice) {
    AddInvoice("e", "R0", "100", "1", "1", "Mart 2016", "01.03.2016");
    Answer(Xlsx("tarih.xlsx", Variant("1.3.2016")), "2", "2");
    EXPECT_TRUE(ClickImport().empty()) << Prompts.LastMessage();
    EXPECT_EQ(Stored(), "100|Mart 2016|R1|1250|01.03.2016");
}

// The check before the first row is written takes the database's limits: a
// number too large for it stops the import there, not half-way.
TEST_F(InvoiceSheetFiles, ANumberTooLargeToStoreStopsTheImportBeforeAnyRow) {
    Answer(Save("buyuk.csv", "a;b;c;d;e;f;g\r\n100;x;Mart 2016;R1;5;1;01.03.2016\r\n"
                             "200;x;Mart 2016;R2;1;1e999;01.03.2016\r\n"),
           "2", "3");
    EXPECT_EQ(ClickImport(), std::vector<AnsiString>{"Excel satırı 3, sütun 6 (TOPLAMtuketim): \"1e999\" sayı değil. "
                                                     "Hiçbir kayıt aktarılmadı."});
    EXPECT_EQ(DM().Count("select * from efatura"), 0);
}

// A subscriber list chosen by mistake: its columns hold no invoice date.
TEST_F(InvoiceSheetFiles, AFileOfOtherColumnsStoresNothing) {
    Answer(Save("abone.csv", "ABONENO;ADI;SOYADI\r\n104;Ali;Veli\r\n"), "2", "2");
    EXPECT_EQ(ClickImport(), std::vector<AnsiString>{"Excel satırı 2, sütun 7 (faturatarihi): \"\" tarih değil. "
                                                     "Hiçbir kayıt aktarılmadı."});
    EXPECT_EQ(DM().Count("select * from efatura"), 0);
}

// Damaged, cut or vanished files are named in one message; nothing is stored
// and the next import goes on as usual.
TEST_F(InvoiceSheetFiles, FilesThatHoldNoWorkbookAreNamedAndStoreNothing) {
    const std::string Good = LoadFileToString(Xlsx("iyi.xlsx", Variant("01.03.2016")));
    struct TCase {
        const char* Name;
        std::string Bytes;   // "-": chosen, then deleted before it is read
    };
    const TCase Cases[] = {
        {"yarim.xlsx", Good.substr(0, Good.size() / 2)},
        {"yarim.xls", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(600, '\0')},
        {"bos.xlsx", ""},
        {"silindi.xlsx", "-"},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        Prompts.Clear();
        const AnsiString File = Save(C.Name, C.Bytes);
        if (C.Bytes == "-") std::remove(File.c_str());
        // No row numbers are asked for a file that cannot be read.
        Prompts.QueueInput(true, "tuvak");
        Prompts.QueueFile(true, File);
        const std::vector<AnsiString> M = ClickImport();
        std::remove(File.c_str());
        ASSERT_EQ(M.size(), 1u);
        EXPECT_NE(M[0].find(C.Name), AnsiString::npos) << M[0];
        EXPECT_EQ(DM().Count("select * from efatura"), 0);
    }
    Prompts.Clear();
    Answer(Folder.Path() + "iyi.xlsx", "2", "2");
    EXPECT_TRUE(ClickImport().empty()) << Prompts.LastMessage();
    EXPECT_EQ(Stored(), "100|Mart 2016|R1|1250|01.03.2016");
}

// The file changes while the row numbers are asked for (the operator saves it
// again in the spreadsheet program): an opened workbook whose file is deleted or
// replaced is read as it was opened; one cut in place stops the import with a
// message naming it, before any row is stored.
TEST_F(InvoiceSheetFiles, AWorkbookChangedWhileTheRowsAreAskedForStoresAllOrNothing) {
    constexpr Integer Rows = 3000;   // more than the reader holds at opening
    for (const bool Deleted : {true, false}) {
        SCOPED_TRACE(Deleted ? "deleted" : "cut in place");
        Prompts.Clear();
        DM().Execute("delete from efatura");
        TExcelApplication Maker;
        TExcelWorksheet* Sheet = Maker.Workbooks()->Add()->Worksheets(1);
        // Two invoices, then rows without a subscriber number (skipped) to make the file long.
        for (Integer R = 2; R <= Rows + 1; ++R) {
            if (R <= 3) Sheet->SetCells(R, 1, Variant(IntToStr(R)));
            if (R <= 3) Sheet->SetCells(R, 5, Variant(1.0));
            Sheet->SetCells(R, 2, Variant("FİRMA " + IntToStr(R)));
            Sheet->SetCells(R, 7, Variant("01.03.2016"));
        }
        const AnsiString File = Folder.Path() + "degisen.xlsx";
        WriteXlsxFile(*Maker.Workbooks(1), File);
        Maker.Quit();
        Prompts.OnPrompt = [&](const TScriptedPrompter::TRecord& R) {
            if (R.Caption != "Excel İlk Satır Numarasını Giriniz") return;
            if (Deleted) {
                std::remove(File.c_str());
                return;
            }
            std::FILE* F = std::fopen(File.c_str(), "r+b");
            ASSERT_NE(F, nullptr);
            std::fseek(F, 0, SEEK_END);
            ASSERT_EQ(::ftruncate(::fileno(F), std::ftell(F) / 2), 0);
            std::fclose(F);
        };
        Answer(File, "2", IntToStr(Rows + 1));
        const std::vector<AnsiString> M = ClickImport();
        Prompts.OnPrompt = nullptr;
        std::remove(File.c_str());
        if (Deleted) {
            EXPECT_TRUE(M.empty()) << Prompts.LastMessage();
            EXPECT_EQ(DM().Count("select * from efatura"), 2);
        } else {
            ASSERT_EQ(M.size(), 1u);
            EXPECT_NE(M[0].find("degisen.xlsx"), AnsiString::npos) << M[0];
            EXPECT_EQ(DM().Count("select * from efatura"), 0);
        }
    }
}

}  // namespace
