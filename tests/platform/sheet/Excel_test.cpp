#include "platform/sheet/Excel.h"
#include "platform/Raised.h"

#include "SheetTestUtil.h"
#include "platform/rtl/Files.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <tuple>

TEST(Excel, CreateOleObjectKnowsOnlyTheSpreadsheetAndCanBeSwitchedOff) {
    EXPECT_NE(CreateOleObject("Excel.Application"), nullptr);
    if (auto E = Raised<EOleSysError>([&] { CreateOleObject("word.application"); })) {
        EXPECT_EQ(E->Message(), "Invalid class string");
        EXPECT_EQ(E->ErrorCode, CO_E_CLASSSTRING);
    }
    bool Was = SetSpreadsheetAvailable(false);
    EXPECT_THROW(CreateOleObject("excel.application"), EOleSysError);
    SetSpreadsheetAvailable(Was);
    EXPECT_TRUE(SpreadsheetAvailable());
}

TEST(Excel, CellsReadWhatWasWrittenAndEmptyClears) {
    TSheetTestDir Dir;
    auto Excel = CreateOleObject("excel.application");
    Excel->Workbooks()->Add();
    TExcelWorksheet* Sheet = Excel->Workbooks(1)->Worksheets(1);
    EXPECT_EQ(Sheet->Name(), "Sayfa1");
    EXPECT_TRUE(Sheet->Cells(5, 5).IsEmpty());
    Sheet->SetCells(2, 3, "Çağrı");
    Sheet->SetCells(2, 4, 12.5);
    Sheet->SetCells(2, 5, Variant(u"wide"));
    EXPECT_EQ(Sheet->Cells(2, 3).AsString(), "Çağrı");
    EXPECT_EQ(Sheet->Cells(2, 4).VType(), varDouble);
    EXPECT_EQ(Sheet->Cells(2, 5).VType(), varString);  // held as code page text
    Sheet->SetCells(2, 3, "");
    Sheet->SetCells(2, 4, Null());
    EXPECT_TRUE(Sheet->Cells(2, 3).IsEmpty());
    EXPECT_TRUE(Sheet->Cells(2, 4).IsEmpty());
    EXPECT_THROW(Sheet->SetCells(1, 1, VarArrayOf({1, 2})), EOleException);
}

TEST(Excel, CellsSetInAnyOrderAreListedByRowThenColumn) {
    auto Excel = CreateOleObject("excel.application");
    TExcelWorksheet* Sheet = Excel->Workbooks()->Add()->Worksheets(1);
    // Backwards, into gaps, over and cleared again; the last row emptied whole.
    const std::tuple<Integer, Integer, Variant> Writes[] = {
        {5, 3, Variant(1.0)}, {5, 1, Variant("a")},  {2, 9, Variant("b")}, {5, 2, Variant(2.0)},
        {9, 1, Variant("x")}, {5, 1, Variant("c")},  {2, 9, Variant("")},  {2, 4, Variant(true)},
        {9, 1, Null()},       {ExcelMaxRows, ExcelMaxColumns, Variant("son")}, {5, 3, Variant()},
    };
    for (const auto& [R, C, V] : Writes) Sheet->SetCells(R, C, V);
    std::vector<std::string> Seen;
    Sheet->ForEachCell([&](Integer R, Integer C, const Variant& V) {
        Seen.push_back(std::to_string(R) + "," + std::to_string(C) + "=" + VarToStr(V));
    });
    EXPECT_EQ(Seen, (std::vector<std::string>{"2,4=True", "5,1=c", "5,2=2", "1048576,16384=son"}));
    EXPECT_EQ(Sheet->CellCount(), 4);
    EXPECT_TRUE(Sheet->Cells(9, 1).IsEmpty());
    EXPECT_TRUE(Sheet->Cells(5, 3).IsEmpty());
    EXPECT_EQ(Sheet->UsedRange()->Address(), "$A$2:$XFD$1048576");
}

TEST(Excel, BadIndexesRaise) {
    auto Excel = CreateOleObject("excel.application");
    EXPECT_THROW(Excel->Workbooks(1), EOleException);
    TExcelWorkbook* Book = Excel->Workbooks()->Add();
    EXPECT_THROW(Book->Worksheets(2), EOleException);
    EXPECT_THROW(Book->Sheets(0), EOleException);
    TExcelWorksheet* Sheet = Book->Sheets(1);
    for (auto [R, C] : std::vector<std::pair<Integer, Integer>>{{0, 1}, {1, 0}, {ExcelMaxRows + 1, 1}, {1, ExcelMaxColumns + 1}}) {
        EXPECT_THROW(Sheet->Cells(R, C), EOleException) << R << "," << C;
        EXPECT_THROW(Sheet->SetCells(R, C, 1), EOleException) << R << "," << C;
    }
    Excel->SetVisible(false);
}

TEST(Excel, ColumnNames) {
    const std::pair<Integer, const char*> Cases[] = {{1, "A"}, {26, "Z"}, {27, "AA"}, {52, "AZ"}, {53, "BA"},
                                                     {702, "ZZ"}, {703, "AAA"}, {16384, "XFD"}};
    for (auto [N, Name] : Cases) EXPECT_EQ(ExcelColumnName(N), Name) << N;
    EXPECT_THROW(ExcelColumnName(0), EOleException);
}

TEST(Excel, UsedRangeAddressAndValueArray) {
    auto Excel = CreateOleObject("excel.application");
    TExcelWorksheet* Sheet = Excel->Workbooks()->Add()->Worksheets(1);
    EXPECT_EQ(Sheet->UsedRange()->Address(), "$A$1");
    Sheet->SetCells(3, 2, "x");
    EXPECT_EQ(Sheet->UsedRange()->Address(), "$B$3");
    Sheet->SetCells(20, 28, 7);
    Sheet->SetCells(4, 2, true);
    auto Used = Sheet->UsedRange();
    EXPECT_EQ(Used->Address(), "$B$3:$AB$20");
    Variant V = Sheet->Range("b3:$C$4")->Value();
    ASSERT_TRUE(V.IsArray());
    EXPECT_EQ(VarArrayHighBound(V, 1), 2);
    EXPECT_EQ(VarArrayHighBound(V, 2), 2);
    EXPECT_EQ(VarArrayGet(V, {1, 1}).AsString(), "x");
    EXPECT_TRUE(VarArrayGet(V, {2, 1}).AsBoolean());
    EXPECT_TRUE(VarArrayGet(V, {1, 2}).IsEmpty());
    EXPECT_EQ(Sheet->Range("AB20")->Value().AsInteger(), 7);
    for (const char* Bad : {"", "A", "1", "A0", "A1:", "A1048577", "XFE1", "A1:B"})
        EXPECT_THROW(Sheet->Range(Bad), EOleException) << Bad;
}

TEST(Excel, RangeSetValueFillsFromArrayAndPadsWithNotAvailable) {
    auto Excel = CreateOleObject("excel.application");
    TExcelWorksheet* Sheet = Excel->Workbooks()->Add()->Worksheets(1);
    Variant A = VarArrayCreate({1, 1, 1, 2}, varVariant);
    VarArrayPut(A, "a", {1, 1});
    VarArrayPut(A, 2.5, {1, 2});
    Sheet->Range("A1:C2")->SetValue(A);
    EXPECT_EQ(Sheet->Cells(1, 1).AsString(), "a");
    EXPECT_EQ(Sheet->Cells(1, 2).AsDouble(), 2.5);
    EXPECT_EQ(Sheet->Cells(1, 3).VType(), varError);
    EXPECT_EQ(Sheet->Cells(2, 1).AsError(), 2042);
    Sheet->Range("D1:D2")->SetValue(0);
    EXPECT_EQ(Sheet->Cells(2, 4).AsInteger(), 0);
}

TEST(Excel, CloseAndQuitRemoveWorkbooksAndActiveFollows) {
    auto Excel = CreateOleObject("excel.application");
    EXPECT_EQ(Excel->ActiveSheet(), nullptr);
    TExcelWorkbook* A = Excel->Workbooks()->Add();
    TExcelWorkbook* B = Excel->Workbooks()->Add();
    EXPECT_EQ(B->Name(), "Kitap2");
    EXPECT_EQ(Excel->ActiveWorkbook(), B);
    B->Close(false);
    EXPECT_EQ(Excel->Workbooks()->Count(), 1);
    EXPECT_EQ(Excel->ActiveWorkbook(), A);
    EXPECT_EQ(Excel->ActiveSheet(), A->Worksheets(1));
    Excel->Quit();
    EXPECT_EQ(Excel->Workbooks()->Count(), 0);
    EXPECT_EQ(Excel->ActiveWorkbook(), nullptr);
}

TEST(Excel, VisibleNewWorkbookIsWrittenAndOpenedWhenLetGo) {
    TSheetTestDir Dir;
    TRecordingSheetOpener Opener;
    {
        auto Excel = CreateOleObject("excel.application");
        Excel->Workbooks()->Add();
        TExcelWorksheet* Sheet = Excel->Workbooks(1)->Worksheets(1);
        Excel->SetVisible(true);
        Sheet->SetCells(1, 1, "aboneno");  // written after Visible, still shown
    }
    ASSERT_EQ(Opener.Files.size(), 1u);
    EXPECT_EQ(Opener.Files[0], Dir.File("Kitap1.xlsx"));
    auto Reader = CreateOleObject("excel.application");
    EXPECT_EQ(Reader->Workbooks()->Open(Opener.Files[0])->Worksheets(1)->Cells(1, 1).AsString(), "aboneno");
    // Only the finished file is there: no temporary left behind.
    EXPECT_EQ(Dir.Names(), std::vector<std::string>{"Kitap1.xlsx"});
}

TEST(Excel, NothingIsShownWhenInvisibleClosedOrOpenedFromFile) {
    TSheetTestDir Dir;
    TRecordingSheetOpener Opener;
    {
        auto Excel = CreateOleObject("excel.application");
        Excel->Workbooks()->Add()->Worksheets(1)->SetCells(1, 1, 1);
    }
    {
        auto Excel = CreateOleObject("excel.application");
        Excel->SetVisible(true);
        Excel->Workbooks()->Add()->Close(false);
    }
    EXPECT_TRUE(Opener.Files.empty());
    EXPECT_TRUE(Dir.Names().empty());
}

TEST(Excel, ExistingFileIsNeverReplacedAndRefusalIsReported) {
    TSheetTestDir Dir;
    Dir.Write("Kitap1.xlsx", "someone else's");
    TRecordingSheetOpener Opener(false);
    auto Excel = CreateOleObject("excel.application");
    Excel->Workbooks()->Add()->Worksheets(1)->SetCells(1, 1, "x");
    Excel->SetVisible(true);
    EXPECT_THROW(Excel->Detach(), EOleException);
    ASSERT_EQ(Excel->ShownFiles().size(), 1u);
    EXPECT_EQ(Excel->ShownFiles()[0], Dir.File("Kitap1_2.xlsx"));
    EXPECT_EQ(LoadFileToString(Dir.File("Kitap1.xlsx")), "someone else's");
    Excel->Detach();  // only once
    EXPECT_EQ(Opener.Files.size(), 1u);
}

TEST(Excel, OpenErrorsNameTheFile) {
    TSheetTestDir Dir;
    auto Excel = CreateOleObject("excel.application");
    AnsiString Missing = Dir.File("yok.xlsx");
    EXPECT_THAT(MessageOf<EOleException>([&] { Excel->Workbooks()->Open(Missing); }), testing::HasSubstr(Missing));
    EXPECT_THROW(Excel->Workbooks()->Open(""), EOleException);
    Dir.Write("bozuk.xls", "not a workbook at all");
    EXPECT_THAT(MessageOf<EOleException>([&] { Excel->Workbooks()->Open(Dir.File("bozuk.xls")); }),
                testing::HasSubstr("bozuk.xls"));
    EXPECT_EQ(Excel->Workbooks()->Count(), 0);
}

TEST(Excel, CloseWithSaveWritesBackXlsxAndRefusesOtherFormats) {
    TSheetTestDir Dir;
    auto Excel = CreateOleObject("excel.application");
    TExcelWorkbook* New = Excel->Workbooks()->Add();
    New->Worksheets(1)->SetCells(1, 1, "ilk");
    New->Close(true);
    AnsiString File = Dir.File("Kitap1.xlsx");
    ASSERT_TRUE(FileExists(File));
    TExcelWorkbook* Book = Excel->Workbooks()->Open(File);
    EXPECT_TRUE(Book->Saved());
    Book->Worksheets(1)->SetCells(2, 1, "ikinci");
    EXPECT_FALSE(Book->Saved());
    Book->Close(true);
    Book = Excel->Workbooks()->Open(File);
    EXPECT_EQ(Book->Worksheets(1)->Cells(2, 1).AsString(), "ikinci");

    Dir.Write("a.csv", "1;2\n");
    TExcelWorkbook* Csv = Excel->Workbooks()->Open(Dir.File("a.csv"));
    Csv->Worksheets(1)->SetCells(1, 1, "x");
    EXPECT_THROW(Csv->Close(true), EOleException);
    EXPECT_EQ(LoadFileToString(Dir.File("a.csv")), "1;2\n");
}

TEST(Excel, DefaultOpenerPassesTheNameAsOneArgument) {
    // Only a shell on the path: nothing is really opened, and a hostile name
    // must not run as a command.
    TSheetTestDir Dir;
    std::filesystem::create_symlink("/bin/sh", Dir.Path + "sh");
    AnsiString Marker = Dir.File("ran");
    AnsiString Hostile = Dir.File("x\"; /usr/bin/touch ") + Marker + "; \".xlsx";
    const char* OldPath = std::getenv("PATH");
    std::string Saved = OldPath ? OldPath : "";
    setenv("PATH", Dir.Path.c_str(), 1);
    bool Started = DefaultSheetOpener(Hostile);
    setenv("PATH", Saved.c_str(), 1);
    EXPECT_TRUE(Started);
    EXPECT_FALSE(FileExists(Marker));
}
