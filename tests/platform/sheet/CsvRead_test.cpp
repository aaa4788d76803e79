#include "platform/sheet/SheetFiles.h"

#include "SheetTestUtil.h"

#include <gtest/gtest.h>

namespace {

struct TCsvCase {
    const char* Title;
    std::string Bytes;  // file contents as they stand on disk
    std::vector<std::vector<const char*>> Rows;  // expected texts (program code page); nullptr = empty
};

void ExpectRows(TExcelWorksheet& Sheet, const TCsvCase& C) {
    size_t Count = 0;
    for (size_t R = 0; R < C.Rows.size(); ++R)
        for (size_t K = 0; K < C.Rows[R].size(); ++K) {
            Variant V = Sheet.Cells(static_cast<Integer>(R + 1), static_cast<Integer>(K + 1));
            if (!C.Rows[R][K]) {
                EXPECT_TRUE(V.IsEmpty()) << C.Title << " " << R + 1 << "," << K + 1;
                continue;
            }
            ++Count;
            EXPECT_EQ(V.VType(), varString) << C.Title;
            EXPECT_EQ(V.AsString(), C.Rows[R][K]) << C.Title << " " << R + 1 << "," << K + 1;
        }
    EXPECT_EQ(Sheet.CellMap().size(), Count) << C.Title;
}

}  // namespace

TEST(CsvRead, FieldsQuotesDelimitersAndEncodings) {
    const std::string Cp1254Name = "\xC7" "a\xF0r\xFD";  // "Çağrı" in code page 1254
    const std::vector<TCsvCase> Cases = {
        {"semicolon", "aboneno;ADI;TUTAR\r\n00123;Ali;1234,56\r\n", {{"aboneno", "ADI", "TUTAR"}, {"00123", "Ali", "1234,56"}}},
        {"comma", "a,b,c\n1,2,3\n", {{"a", "b", "c"}, {"1", "2", "3"}}},
        {"more semicolons than commas", "a;b,c;d\n", {{"a", "b,c", "d"}}},
        {"tie takes semicolon", "a;b,c\n", {{"a", "b,c"}}},
        {"quoted delimiter and quotes", "\"x;y\";\"say \"\"hi\"\"\";z\n", {{"x;y", "say \"hi\"", "z"}}},
        {"quoted line break", "\"one\ntwo\";3\n4;5\n", {{"one\ntwo", "3"}, {"4", "5"}}},
        {"empty fields and rows", "a;;c\n\n;e\n", {{"a", nullptr, "c"}, {}, {nullptr, "e"}}},
        {"identity numbers stay text", "12345678901;0012\n", {{"12345678901", "0012"}}},
        {"no final line break", "a;b", {{"a", "b"}}},
        {"old mac line ends", "a\rb\r", {{"a"}, {"b"}}},
        {"code page 1254", Cp1254Name + ";\xDE\n", {{"Çağrı", "Ş"}}},
        {"utf-8 with mark", "\xEF\xBB\xBF" "\xC3\x87" "a\xC4\x9Fr\xC4\xB1;\xE4\xB8\xAD\n", {{"Çağrı", "?"}}},
        {"utf-8 without mark", "\xC5\x9E" "ehir;x\n", {{"Şehir", "x"}}},
    };
    for (const auto& C : Cases) {
        TExcelWorksheet Sheet(nullptr, "S");
        ReadCsvText(C.Bytes, Sheet);
        ExpectRows(Sheet, C);
    }
}

TEST(CsvRead, OpenGivesOneSheetNamedAfterTheFile) {
    TSheetTestDir Dir;
    Dir.Write("fatura listesi.csv", "Abone no;Dönemi\n1;Ocak 2016\n");
    auto Excel = CreateOleObject("excel.application");
    TExcelWorkbook* Book = Excel->Workbooks()->Open(Dir.File("fatura listesi.csv"));
    ASSERT_EQ(Book->Sheets()->Count(), 1);
    EXPECT_EQ(Book->Sheets(1)->Name(), "fatura listesi");
    EXPECT_EQ(Book->Worksheets(1)->Cells(2, 2).AsString(), "Ocak 2016");
    EXPECT_EQ(Excel->ActiveSheet()->UsedRange()->Address(), "$A$1:$B$2");
}
