#include "platform/sheet/SheetFiles.h"
#include "platform/Raised.h"

#include "SheetTestUtil.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <random>

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
            EXPECT_EQ(VarToStr(V), C.Rows[R][K]) << C.Title << " " << R + 1 << "," << K + 1;
        }
    EXPECT_EQ(static_cast<size_t>(Sheet.CellCount()), Count) << C.Title;
}

void ExpectRefused(const std::string& Bytes, const char* Why) {
    TExcelWorksheet Sheet(nullptr, "S");
    EXPECT_THAT(MessageOf<EOleException>([&] { ReadCsvText(Bytes, Sheet); }), testing::HasSubstr(Why)) << Why;
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

TEST(CsvRead, UnquotedNumbersInTheUsersSettingsOrWithAPointAreNumbers) {
    struct TNumberCase { const char* Field; bool IsNumber; double Value; };
    const TNumberCase Turkish[] = {
        {"1.520,75", true, 1520.75}, {"1520,75", true, 1520.75}, {"1520.75", true, 1520.75},
        {"-3", true, -3},            {"0", true, 0},             {"0,5", true, 0.5},
        {"1.520", true, 1520},       {"1.5", true, 1.5},         {"12.345.678", true, 12345678},
        {"12345678901", true, 12345678901.0},
        {"0012", false, 0},          {"-012", false, 0},         {"1.52,3", false, 0},
        {"1,520.75", false, 0},      {"12.", false, 0},          {",5", false, 0},
        {"1 520", false, 0},         {"1e5", false, 0},          {"-", false, 0},
        {"+5", false, 0},            {"1234567890123456", false, 0}, {"1.2.3", false, 0},
        {"\"1520.75\"", false, 0},  {"\"00123\"", false, 0},
        // A point that cannot be grouping is a decimal point.
        {"0.123", true, 0.123},      {"1.2345", true, 1.2345},   {"1234.567", true, 1234.567},
        {"-1.234", true, -1234},     {"1.234,5", true, 1234.5},  {"1.234.5", false, 0},
        {"0.123,5", false, 0},       {"12.345x", false, 0},      {"1.234.567,", false, 0},
        {"123.4567890123456789", true, 123.4567890123456789},
    };
    for (const auto& C : Turkish) {
        TExcelWorksheet Sheet(nullptr, "S");
        ReadCsvText(std::string("x;") + C.Field + "\r\n", Sheet);
        Variant V = Sheet.Cells(1, 2);
        if (C.IsNumber) {
            ASSERT_EQ(V.VType(), varDouble) << C.Field;
            EXPECT_EQ(V.AsDouble(), C.Value) << C.Field;
        } else {
            EXPECT_EQ(V.VType(), varString) << C.Field;
        }
    }
    // At most 63 characters of a number: longer ones stay as they were written.
    const std::pair<std::string, bool> Long[] = {
        {"1" + std::string(60, '0') + ",5", true},  {"1" + std::string(61, '0') + ",5", false},
        {"-1" + std::string(60, '0') + ",5", false}, {"-1" + std::string(61, '0') + ".5", false},
        {"1" + std::string(60, '0') + ".5", true},
    };
    for (const auto& [Field, IsNumber] : Long) {
        TExcelWorksheet Sheet(nullptr, "S");
        ReadCsvText("x;" + Field + "\n", Sheet);
        EXPECT_EQ(Sheet.Cells(1, 2).VType(), IsNumber ? varDouble : varString) << Field;
        if (IsNumber) EXPECT_EQ(Sheet.Cells(1, 2).AsDouble(), 1e60);
        else EXPECT_EQ(VarToStr(Sheet.Cells(1, 2)), Field);
    }
    TFormatSettings English = TurkishFormatSettings();
    English.DecimalSeparator = '.';
    English.ThousandSeparator = ',';
    TFormatSettingsGuard Guard(English);
    TExcelWorksheet Sheet(nullptr, "S");
    ReadCsvText("1,520.75;1520,75;z\n", Sheet);  // as many commas as semicolons: ";" wins the tie
    EXPECT_EQ(Sheet.Cells(1, 1).AsDouble(), 1520.75);
    EXPECT_EQ(Sheet.Cells(1, 2).VType(), varString);
}

TEST(CsvRead, OfficeSemicolonFileImportsAmountsAndKeepsQuotedIdentifiers) {
    TSheetTestDir Dir;
    // Code page 1254 with CR LF, amounts written with a decimal point, identifiers quoted.
    Dir.Write("fatura.csv", "aboneno;ADI;TUTAR\r\n\"00123\";\xC7" "a\xF0r\xFD;1520.75\r\n\"00124\";Ali;1.520,75\r\n");
    auto Excel = CreateOleObject("excel.application");
    TExcelWorksheet* Sheet = Excel->Workbooks()->Open(Dir.File("fatura.csv"))->Worksheets(1);
    EXPECT_EQ(VarToStr(Sheet->Cells(2, 1)), "00123");
    EXPECT_EQ(VarToStr(Sheet->Cells(2, 2)), "Çağrı");
    EXPECT_EQ(Sheet->Cells(2, 3).AsDouble(), 1520.75);
    EXPECT_EQ(Sheet->Cells(3, 3).AsDouble(), 1520.75);
    EXPECT_EQ(VarToStr(Sheet->Cells(3, 1)), "00124");
}

TEST(CsvRead, DamagedFilesAreRefusedNamingTheLine) {
    const std::pair<std::string, const char*> Cases[] = {
        {"a;b\r\n\"open;c\r\nd;e\r\n", "the quote opened on line 2 is never closed"},
        {std::string("a;b\n\x89PNG\r\n\x1a\n") + std::string(3, '\0') + "\rIHDR", "NUL bytes, line 4"},
        {"\xC5\x9E" "ehir;x\n\xC3\x87" "ay;y\nbad\xFF;z\n", "damaged character on line 3"},
        {"\xEF\xBB\xBF" "a\n\xFE\n", "damaged character on line 2"},
        {std::string(ExcelMaxColumns, ';') + "\n", "line 1 has more than 16384 fields"},
        {"x\n" + std::string(ExcelMaxRows - 1, '\n') + "y", "more than 1048576 rows (line 1048577)"},
    };
    for (const auto& [Bytes, Why] : Cases) ExpectRefused(Bytes, Why);
    // At the limits themselves nothing is refused; code page 1254 stays code page 1254.
    TExcelWorksheet Sheet(nullptr, "S");
    ReadCsvText(std::string(ExcelMaxColumns - 1, ';') + "z\n\xDE\xFD\n" + std::string(ExcelMaxRows - 3, '\n') + "y", Sheet);
    EXPECT_EQ(Sheet.Cells(1, ExcelMaxColumns).AsString(), "z");
    EXPECT_EQ(Sheet.Cells(2, 1).AsString(), "Şı");
    EXPECT_EQ(Sheet.Cells(ExcelMaxRows, 1).AsString(), "y");
}

TEST(CsvRead, FileErrorsNameTheFile) {
    TSheetTestDir Dir;
    Dir.Write("resim.csv", std::string("\x89PNG\r\n\x1a\n\0\0", 10));
    auto Excel = CreateOleObject("excel.application");
    if (auto E = Raised<EOleException>([&] { Excel->Workbooks()->Open(Dir.File("resim.csv")); })) {
        EXPECT_NE(E->Message().find("resim.csv' CSV dosyası olarak okunamadı: it is not a text file"), AnsiString::npos)
            << E->Message();
    }
    EXPECT_EQ(Excel->Workbooks()->Count(), 0);
}

TEST(CsvRead, QuotedFieldsOfEveryShapeAndTheLinesAfterThem) {
    const std::vector<TCsvCase> Cases = {
        {"text after the closing quote", "\"x\"y;z\n", {{"xy", "z"}}},
        {"quoted parts around text", "\"a\"b\"c\";d\n", {{"abc", "d"}}},
        {"empty quotes are an empty cell", "\"\";x\n", {{nullptr, "x"}}},
        {"quoted at the very end", "a;\"b\"", {{"a", "b"}}},
        {"doubled quote at the end of a field", "\"a\"\"\";b\n", {{"a\"", "b"}}},
        {"quote inside an unquoted field", "x\"y;z\n", {{"x\"y", "z"}}},
        {"line breaks of every kind in quotes", "\"a\r\nb\";\"c\rd\";\"e\nf\"\n", {{"a\r\nb", "c\rd", "e\nf"}}},
    };
    for (const auto& C : Cases) {
        TExcelWorksheet Sheet(nullptr, "S");
        ReadCsvText(C.Bytes, Sheet);
        ExpectRows(Sheet, C);
    }
    // Lines inside quotes count for the lines named later.
    const std::pair<std::string, const char*> Damaged[] = {
        {"\"1\n2\r\n3\r4\";x\n\"open", "the quote opened on line 5 is never closed"},
        {"\"1\n2\";" + std::string(ExcelMaxColumns, ';') + "\n", "line 2 has more than 16384 fields"},
    };
    for (const auto& [Bytes, Why] : Damaged) ExpectRefused(Bytes, Why);
}

TEST(CsvRead, AmountsReadAsTheNearestDoubleAtEveryLength) {
    // Up to and past the 15 digits a double holds exactly, with the user's
    // decimal comma and with a point; the value is the one from_chars gives.
    std::vector<std::string> Fields = {"0,1", "0.3", "-0", "-0,0", "999999999999999", "99999999999999,9",
                                       "9999999999999,99", "1234567890123,456", "0,000000000000001",
                                       "0,0000000000000001", "4503599627370495,5", "9007199254740993,0",
                                       "-123456789012345,678901234567890123456789"};
    std::mt19937_64 Random(16);
    for (int I = 0; I < 2000; ++I) {
        std::string Int = std::to_string(Random() % 1000000000000ULL);
        std::string Frac = std::to_string(Random() % 100000000ULL);
        Fields.push_back((I % 2 ? "-" : "") + Int + (I % 3 ? "," : ".") + Frac);
    }
    std::string Text;
    for (const auto& F : Fields) Text += "x;" + F + "\n";
    TExcelWorksheet Sheet(nullptr, "S");
    ReadCsvText(Text, Sheet);
    for (size_t R = 0; R < Fields.size(); ++R) {
        std::string Plain = Fields[R];
        std::replace(Plain.begin(), Plain.end(), ',', '.');
        double Want = 0;
        std::from_chars(Plain.data(), Plain.data() + Plain.size(), Want);
        Variant V = Sheet.Cells(static_cast<Integer>(R + 1), 2);
        ASSERT_EQ(V.VType(), varDouble) << Fields[R];
        EXPECT_EQ(V.AsDouble(), Want) << Fields[R];
        EXPECT_EQ(std::signbit(V.AsDouble()), std::signbit(Want)) << Fields[R];
    }
}

TEST(CsvRead, FieldsOfEveryLengthEndAtTheirDelimiterWhereverItFalls) {
    // Fields are looked at sixteen bytes at a time: their ends fall before,
    // on and after such a block, and at the end of a text without a line break.
    for (size_t Len = 1; Len <= 40; ++Len) {
        std::string Word;
        for (size_t I = 0; I < Len; ++I) Word += static_cast<char>('a' + I % 26);
        for (const char* End : {"", "\n", "\r\n", "\r"}) {
            for (bool Quote : {false, true}) {
                const std::string Field = Quote ? "\"" + Word + "\"" : Word;
                const bool TwoLines = *End != '\0';
                const std::string Text = Field + ";" + Field + End + (TwoLines ? Field + End : "");
                TExcelWorksheet Sheet(nullptr, "S");
                ReadCsvText(Text, Sheet);
                EXPECT_EQ(VarToStr(Sheet.Cells(1, 1)), Word) << Text;
                EXPECT_EQ(VarToStr(Sheet.Cells(1, 2)), Word) << Text;
                EXPECT_EQ(VarToStr(Sheet.Cells(2, 1)), TwoLines ? Word : "") << Text;
                EXPECT_TRUE(Sheet.Cells(1, 3).IsEmpty()) << Text;
                EXPECT_EQ(Sheet.CellCount(), TwoLines ? 3 : 2) << Text;
            }
        }
    }
}

TEST(CsvRead, TextsReadAgainAfterGoingBackAndAfterAPassOverEveryCellStayTheSame) {
    std::string Text;
    for (int R = 1; R <= 300; ++R)
        Text += "\"abone " + std::to_string(R) + "\";" + std::to_string(R) + ",5;\"say \"\"" + std::to_string(R) +
                "\"\" uzun bir metin\"\r\n";
    TExcelWorksheet Sheet(nullptr, "S");
    ReadCsvText(Text, Sheet);
    const Variant Kept = Sheet.Cells(7, 1);  // a value outlives the row it came from
    for (int Pass = 0; Pass < 2; ++Pass)
        for (int R : {1, 150, 300, 2}) {
            EXPECT_EQ(VarToStr(Sheet.Cells(R, 1)), "abone " + std::to_string(R));
            EXPECT_EQ(Sheet.Cells(R, 2).AsDouble(), R + 0.5);
            EXPECT_EQ(VarToStr(Sheet.Cells(R, 3)), "say \"" + std::to_string(R) + "\" uzun bir metin");
        }
    Integer Texts = 0;
    Sheet.ForEachCell([&](Integer R, Integer C, const Variant& V) {
        if (C != 2) Texts += VarToStr(V).find(std::to_string(R)) != AnsiString::npos;
    });
    EXPECT_EQ(Texts, 600);
    EXPECT_EQ(VarToStr(Kept), "abone 7");
}
