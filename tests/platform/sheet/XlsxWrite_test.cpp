#include "platform/sheet/SheetFiles.h"

#include "SheetTestUtil.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace {

struct TCellCase {
    Integer Row, Col;
    Variant Written;
    TVarType ReadType;  // varEmpty: reads back empty
};

}  // namespace

TEST(XlsxWrite, EveryCellKeepsItsValueAndType) {
    TSheetTestDir Dir;
    AnsiString EveryByteAfter;
    for (int B = 0; B < 256; ++B) EveryByteAfter += "_x0041" + AnsiString(1, static_cast<char>(B));
    TDateTime Date = EncodeDate(2016, 3, 1);
    TDateTime Stamp = EncodeDate(2023, 12, 31) + EncodeTime(13, 45, 30, 0);
    const std::vector<TCellCase> Cases = {
        {1, 1, "aboneno", varString},
        {1, 2, "ŞİRKET ÇĞÖÜ ığüşöç", varString},
        {1, 3, "00123", varString},              // leading zeros stay
        {1, 4, "12345678901", varString},        // identity number stays text
        {1, 5, "1234567890123456789", varString},
        {1, 6, "01.02.2016", varString},         // date text stays text
        {1, 7, "a & <b> \"c\"", varString},
        {1, 8, "satır1\r\nsatır2", varString},
        {1, 9, "a_x0041_b", varString},          // looks like the format's character escape
        {1, 10, "_x000D_\r_X00e7_ş_x005F_", varString},
        {1, 11, std::string("a\0b", 3), varString},
        {1, 12, EveryByteAfter, varString},      // each a look-alike closed by any byte
        {4, 1, AnsiString(32767, '\r'), varString},   // as long as a cell may be, all escapes
        {2, 1, 1234.56, varDouble},
        {2, 2, -0.125, varDouble},
        {2, 3, 42, varDouble},
        {2, 4, Variant(Currency::FromScaled(123456)), varDouble},
        {2, 5, 12345678901.0, varDouble},
        {3, 1, Variant::FromDateTime(Date), varDate},
        {3, 2, Variant::FromDateTime(Stamp), varDate},
        {3, 3, Variant::FromDateTime(EncodeDate(1900, 1, 15)), varDate},
        {3, 4, true, varBoolean},
        {3, 5, false, varBoolean},
        {3, 6, Variant::FromDateTime(EncodeTime(12, 0, 0, 0)), varDate},  // a time of day alone
        {3, 7, Variant::FromDateTime(EncodeTime(0, 0, 1, 0)), varDate},
        {3, 8, Variant::FromDateTime(EncodeDate(1899, 12, 31) + 0.25), varString},  // no serial for it
        {3, 9, Variant::FromDateTime(EncodeDate(1850, 6, 1)), varString},
        {40, 30, "uzak hücre", varString},      // sparse
    };
    auto Excel = CreateOleObject("excel.application");
    TExcelWorkbook* Book = Excel->Workbooks()->Add();
    TExcelWorksheet* Sheet = Book->Worksheets(1);
    for (const auto& C : Cases) Sheet->SetCells(C.Row, C.Col, C.Written);
    WriteXlsxFile(*Book, Dir.File("rt.xlsx"));

    TExcelWorkbook* Back = Excel->Workbooks()->Open(Dir.File("rt.xlsx"));
    TExcelWorksheet* S = Back->Worksheets(1);
    EXPECT_EQ(S->Name(), "Sayfa1");
    for (const auto& C : Cases) {
        Variant V = S->Cells(C.Row, C.Col);
        ASSERT_EQ(V.VType(), C.ReadType) << C.Row << "," << C.Col;
        if (C.ReadType == varString)
            EXPECT_EQ(V.AsString(), C.Written.AsString()) << C.Row << "," << C.Col;
        else if (C.ReadType == varBoolean)
            EXPECT_EQ(V.AsBoolean(), C.Written.AsBoolean());
        else
            EXPECT_NEAR(V.AsDouble(), C.Written.AsDouble(), 1e-7) << C.Row << "," << C.Col;
    }
    EXPECT_TRUE(S->Cells(2, 6).IsEmpty());
    EXPECT_EQ(static_cast<size_t>(S->CellCount()), Cases.size());
    EXPECT_EQ(S->UsedRange()->Address(), "$A$1:$AD$40");
}

TEST(XlsxWrite, SeveralSheetsKeepNamesOrderAndActiveSheet) {
    TSheetTestDir Dir;
    auto Excel = CreateOleObject("excel.application");
    TExcelWorkbook* Book = Excel->Workbooks()->Add();
    Book->AddSheet("Faturalar Ş")->SetCells(1, 1, 2);
    Book->AddSheet("Üçüncü")->SetCells(1, 1, 3);
    Book->SetActiveSheetIndex(1);
    WriteXlsxFile(*Book, Dir.File("multi.xlsx"));
    TExcelWorkbook* Back = Excel->Workbooks()->Open(Dir.File("multi.xlsx"));
    ASSERT_EQ(Back->Sheets()->Count(), 3);
    EXPECT_EQ(Back->Sheets(2)->Name(), "Faturalar Ş");
    EXPECT_EQ(Back->Sheets(3)->Name(), "Üçüncü");
    EXPECT_EQ(Back->ActiveSheet(), Back->Sheets(2));
    EXPECT_EQ(Back->Sheets(3)->Cells(1, 1).AsInteger(), 3);
}

TEST(XlsxWrite, FailureLeavesTheOldFileAndNoTemporary) {
    TSheetTestDir Dir;
    Dir.Write("keep.xlsx", "old contents");
    auto Excel = CreateOleObject("excel.application");
    TExcelWorkbook* Book = Excel->Workbooks()->Add();
    Book->Worksheets(1)->SetCells(1, 1, AnsiString(40000, 'x'));  // longer than a cell may hold
    EXPECT_THROW(WriteXlsxFile(*Book, Dir.File("keep.xlsx")), EOleException);
    EXPECT_EQ(LoadFileToString(Dir.File("keep.xlsx")), "old contents");
    EXPECT_EQ(Dir.Names(), std::vector<std::string>{"keep.xlsx"});
    EXPECT_THROW(WriteXlsxFile(*Book, Dir.File("no/such/folder/x.xlsx")), EOleException);
}

TEST(XlsxWrite, ReplacedFileKeepsItsPermissions) {
    TSheetTestDir Dir;
    Dir.Write("shared.xlsx", "old");
    std::filesystem::permissions(Dir.Path + "shared.xlsx", std::filesystem::perms(0644));
    auto Excel = CreateOleObject("excel.application");
    WriteXlsxFile(*Excel->Workbooks()->Add(), Dir.File("shared.xlsx"));
    EXPECT_EQ(std::filesystem::status(Dir.Path + "shared.xlsx").permissions(), std::filesystem::perms(0644));
    EXPECT_NE(LoadFileToString(Dir.File("shared.xlsx")), "old");
}

TEST(XlsxWrite, NewFileNamesCountUp) {
    TSheetTestDir Dir;
    auto Excel = CreateOleObject("excel.application");
    TExcelWorkbook* Book = Excel->Workbooks()->Add();
    EXPECT_EQ(WriteNewXlsxFile(*Book, Dir.Path.c_str(), "Kitap1"), Dir.File("Kitap1.xlsx"));
    EXPECT_EQ(WriteNewXlsxFile(*Book, Dir.Path.c_str(), "Kitap1"), Dir.File("Kitap1_2.xlsx"));
    Book->AddSheet("a\tb");   // a name no reader would take back
    EXPECT_THROW(WriteNewXlsxFile(*Book, Dir.Path.c_str(), "Kitap1"), EOleException);
    EXPECT_EQ(Dir.Names().size(), 2u);
}

TEST(XlsxWrite, LeftoversOfKilledWritesGoAndNewFilesFollowTheUmask) {
    TSheetTestDir Dir;
    Dir.Write(".osbsheet-AbC123", "killed half-way");
    Dir.Write(".osbsheet-Locked", "still being written");
    Dir.Write(".osbsheet-", "not one of ours");
    Dir.Write("rapor.osbsheet-x", "not one of ours");
    int Held = LockTempFile(Dir.Path + ".osbsheet-Locked");
    ASSERT_GE(Held, 0);
    mode_t Old = umask(027);
    auto Excel = CreateOleObject("excel.application");
    AnsiString File = WriteNewXlsxFile(*Excel->Workbooks()->Add(), Dir.Path.c_str(), "Kitap1");
    WriteXlsxFile(*Excel->Workbooks()->Add(), Dir.File("yeni.xlsx"));
    umask(Old);
    close(Held);
    std::vector<std::string> Names = Dir.Names();
    std::sort(Names.begin(), Names.end());
    EXPECT_EQ(Names, (std::vector<std::string>{".osbsheet-", ".osbsheet-Locked", "Kitap1.xlsx", "rapor.osbsheet-x",
                                               "yeni.xlsx"}));
    EXPECT_EQ(std::filesystem::status(Dir.Path + "Kitap1.xlsx").permissions(), std::filesystem::perms(0640));
    EXPECT_EQ(std::filesystem::status(Dir.Path + "yeni.xlsx").permissions(), std::filesystem::perms(0640));
}

TEST(XlsxWrite, ALargeNewSheetGoesOutRowByRowAndReadsBack) {
    TSheetTestDir Dir;
    TRecordingSheetOpener Opener;
    const Integer Rows = 10000, Cols = 8;  // more cells than a sheet holds
    auto Value = [](Integer R, Integer C) {
        return C % 2 ? Variant(AnsiString("Şirket ") + IntToStr(R)) : Variant(R * 10.0 + C);
    };
    {
        auto Excel = CreateOleObject("excel.application");
        TExcelWorksheet* Sheet = Excel->Workbooks()->Add()->Worksheets(1);
        Excel->SetVisible(true);
        for (Integer R = 1; R <= Rows; ++R)
            for (Integer C = 1; C <= Cols; ++C) Sheet->SetCells(R, C, Value(R, C));
        EXPECT_GT(Sheet->WrittenThrough(), 0);
        EXPECT_THROW(Sheet->Cells(1, 1), EOleException);  // gone to the file
        EXPECT_THROW(Sheet->SetCells(2, 1, "x"), EOleException);
        EXPECT_EQ(Sheet->Cells(Rows, 2).AsDouble(), Rows * 10.0 + 2);  // still held
        EXPECT_EQ(Sheet->UsedRange()->Address(), "$A$1:$H$10000");
        EXPECT_EQ(Sheet->CellCount(), Rows * Cols);
    }
    ASSERT_EQ(Opener.Files.size(), 1u);
    auto Reader = CreateOleObject("excel.application");
    TExcelWorksheet* Back = Reader->Workbooks()->Open(Opener.Files[0])->Worksheets(1);
    EXPECT_EQ(Back->CellCount(), Rows * Cols);
    for (Integer R : {1, 4321, Rows})
        for (Integer C = 1; C <= Cols; ++C) EXPECT_EQ(VarToStr(Back->Cells(R, C)), VarToStr(Value(R, C))) << R;
    EXPECT_EQ(Dir.Names(), std::vector<std::string>{"Kitap1.xlsx"});
}

TEST(XlsxWrite, AStreamedWorkbookKeepsItsOtherSheetsAndIsWrittenOnce) {
    TSheetTestDir Dir;
    auto Excel = CreateOleObject("excel.application");
    TExcelWorkbook* Book = Excel->Workbooks()->Add();
    TExcelWorksheet* Second = Book->AddSheet("İkinci");
    for (Integer R = 1; R <= 20000; ++R)
        for (Integer C = 1; C <= 4; ++C) Second->SetCells(R, C, R);
    Book->Worksheets(1)->SetCells(3, 3, "ilk");  // the first sheet after the second began to go out
    Book->AddSheet("Üçüncü")->SetCells(1, 1, true);
    AnsiString File = WriteNewXlsxFile(*Book, Dir.Path.c_str(), "büyük");
    EXPECT_THROW(WriteNewXlsxFile(*Book, Dir.Path.c_str(), "yine"), EOleException);
    TExcelWorkbook* Back = Excel->Workbooks()->Open(File);
    ASSERT_EQ(Back->Sheets()->Count(), 3);
    EXPECT_EQ(Back->Sheets(1)->Cells(3, 3).AsString(), "ilk");
    EXPECT_EQ(Back->Sheets(2)->Name(), "İkinci");
    EXPECT_EQ(Back->Sheets(2)->CellCount(), 80000);
    EXPECT_EQ(Back->Sheets(2)->Cells(20000, 4).AsInteger(), 20000);
    EXPECT_TRUE(Back->Sheets(3)->Cells(1, 1).AsBoolean());
    std::vector<std::string> Names = Dir.Names();
    EXPECT_EQ(Names.size(), 1u);
}

namespace {

// Writes a workbook of Rows short rows as Dir's "rapor" in a child process
// whose files may not grow past Limit bytes, as on a full disk; returns what
// the write reported, "" when it succeeded.
std::string WriteUnderFileSizeLimit(const TSheetTestDir& Dir, rlim_t Limit, Integer Rows, bool NewFile) {
    int Pipe[2];
    if (pipe(Pipe) != 0) return "no pipe";
    pid_t Child = fork();
    if (Child == 0) {
        close(Pipe[0]);
        signal(SIGXFSZ, SIG_IGN);
        rlimit Lim{Limit, Limit};
        std::string Said;
        try {
            if (setrlimit(RLIMIT_FSIZE, &Lim) != 0) throw Exception("no limit");
            auto Excel = CreateOleObject("excel.application");
            TExcelWorkbook* Book = Excel->Workbooks()->Add();
            for (Integer R = 1; R <= Rows; ++R) Book->Worksheets(1)->SetCells(R, 1, "satır " + IntToStr(R * 7919));
            if (NewFile)
                WriteNewXlsxFile(*Book, Dir.Path.c_str(), "rapor");
            else
                WriteXlsxFile(*Book, Dir.File("rapor.xlsx"));
        } catch (const Exception& E) {
            Said = AnsiToUtf8(E.Message());
        }
        ssize_t Written = write(Pipe[1], Said.data(), Said.size());
        _exit(Written == static_cast<ssize_t>(Said.size()) ? 0 : 1);
    }
    close(Pipe[1]);
    std::string Said;
    char Buf[512];
    ssize_t N;
    while ((N = read(Pipe[0], Buf, sizeof Buf)) > 0) Said.append(Buf, static_cast<size_t>(N));
    close(Pipe[0]);
    int Status = 0;
    waitpid(Child, &Status, 0);
    return WIFEXITED(Status) && WEXITSTATUS(Status) == 0 ? Said : "child failed";
}

}  // namespace

TEST(XlsxWrite, AFileThatCannotGrowIsReportedWithTheSystemsReasonAndLeavesNothingBehind) {
    struct TCase { rlim_t Limit; Integer Rows; bool NewFile; bool Fails; } const Cases[] = {
        {3000, 500, false, true},      // the package itself
        {8000, 500, false, true},      // a part of the package, cut short before it is packed
        {8000, 70000, true, true},     // the rows of a sheet going out as they come
        {1 << 24, 500, false, false},  // room enough
        {1 << 24, 70000, true, false},
    };
    for (const TCase& C : Cases) {
        TSheetTestDir Dir;
        if (!C.NewFile) Dir.Write("rapor.xlsx", "old contents");
        std::string Said = WriteUnderFileSizeLimit(Dir, C.Limit, C.Rows, C.NewFile);
        std::vector<std::string> Names = Dir.Names();
        if (!C.Fails) {
            EXPECT_EQ(Said, "") << C.Limit;
            EXPECT_EQ(Names, std::vector<std::string>{"rapor.xlsx"});
            continue;
        }
        EXPECT_EQ(Said, AnsiToUtf8("'" + Dir.Path + "rapor.xlsx' dosyası yazılamadı: " + std::strerror(EFBIG)))
            << C.Limit << " " << C.Rows;
        EXPECT_EQ(Names, C.NewFile ? std::vector<std::string>{} : std::vector<std::string>{"rapor.xlsx"}) << C.Limit;
        if (!C.NewFile) {
            EXPECT_TRUE(LoadFileToString(Dir.File("rapor.xlsx")) == "old contents");
        }
    }
}
