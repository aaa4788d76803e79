#include "platform/sheet/SheetFiles.h"
#include "platform/Raised.h"

#include "SheetTestUtil.h"
#include "platform/rtl/SysUtils.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zip.h>

namespace {

// Builds a package from (part name, XML text) pairs, as other programs write them.
// The texts are literals of this program, so they go into the file as UTF-8.
void MakePackage(const std::string& Path, const std::vector<std::pair<std::string, std::string>>& Parts) {
    int Err = 0;
    zip_t* Z = zip_open(Path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &Err);
    ASSERT_NE(Z, nullptr);
    std::vector<std::string> Keep;
    Keep.reserve(Parts.size());
    for (const auto& [Name, Text] : Parts) {
        Keep.push_back(AnsiToUtf8(Text));
        zip_source_t* Src = zip_source_buffer(Z, Keep.back().data(), Keep.back().size(), 0);
        ASSERT_GE(zip_file_add(Z, Name.c_str(), Src, ZIP_FL_OVERWRITE), 0);
    }
    ASSERT_EQ(zip_close(Z), 0);
}

const char* const WorkbookXml =
    R"(<?xml version="1.0" encoding="UTF-8"?>
<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"
 xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">
<bookViews><workbookView activeTab="1"/></bookViews>
<sheets><sheet name="Abone Listesi" sheetId="1" r:id="rId7"/><sheet name="İkinci Ğ" sheetId="2" r:id="rId8"/></sheets>
</workbook>)";

const char* const RelsXml =
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId7" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="sheets/a.xml"/>
<Relationship Id="rId8" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="/xl/sheets/b.xml"/>
<Relationship Id="rId9" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="strings.xml"/>
<Relationship Id="rId10" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="st.xml"/>
</Relationships>)";

const char* const StringsXml =
    R"(<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="3" uniqueCount="3">
<si><t>Ayşe</t></si>
<si><r><t>Kalın </t></r><r><rPr><b/></rPr><t xml:space="preserve">ve düz</t></r><rPh><t>ignored</t></rPh></si>
<si><t>line_x000D_break &#x20AC; &#x4E2D;</t></si>
</sst>)";

// xf 0 general, 1 built-in date 14, 2 custom date, 3 custom number with a quoted "d", 4 elapsed [h]:mm
const char* const StylesXml =
    R"(<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">
<numFmts count="3"><numFmt numFmtId="164" formatCode="dd/mm/yyyy"/><numFmt numFmtId="165" formatCode="#,##0.00&quot; adet&quot;"/>
<numFmt numFmtId="166" formatCode="[h]:mm"/></numFmts>
<cellStyleXfs count="1"><xf numFmtId="14"/></cellStyleXfs>
<cellXfs count="5"><xf numFmtId="0"/><xf numFmtId="14"/><xf numFmtId="164"/><xf numFmtId="165"/><xf numFmtId="166"/></cellXfs>
</styleSheet>)";

const char* const SheetAXml =
    R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>
<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c><c r="C1" t="s"><v>2</v></c></row>
<row r="3"><c r="A3"><v>1234.5</v></c><c r="B3" s="1"><v>42430</v></c><c r="C3" s="2"><v>42430.5</v></c>
  <c r="D3" s="3"><v>7</v></c><c r="E3" s="4"><v>1.5</v></c><c r="F3" s="1"><v>-18260</v></c>
  <c r="G3" s="2"><v>-1.25</v></c><c r="H3" s="1"><v>1e10</v></c><c r="I3" s="1"><v>-1e15</v></c></row>
<row r="4"><c r="A4" t="b"><v>1</v></c><c r="B4" t="e"><v>#DIV/0!</v></c><c r="C4" t="inlineStr"><is><t>satır içi</t></is></c>
  <c r="D4" t="str"><f>A1&amp;"x"</f><v>Ayşex</v></c><c r="E4"/><c r="F4" t="d"><v>2016-03-01T12:00:00</v></c></row>
<row><c><v>5</v></c><c><v>6</v></c></row>
<row r="9"><c r="AB9"><v>-1E-3</v></c></row>
</sheetData></worksheet>)";

const char* const SheetBXml =
    R"(<x:worksheet xmlns:x="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><x:sheetData>
<x:row r="2"><x:c r="B2" t="s"><x:v>0</x:v></x:c></x:row></x:sheetData></x:worksheet>)";

}  // namespace

TEST(XlsxRead, ReadsWhatOtherProgramsWrite) {
    TSheetTestDir Dir;
    MakePackage(Dir.Path + "other.xlsx", {{"xl/workbook.xml", WorkbookXml},
                                          {"xl/_rels/workbook.xml.rels", RelsXml},
                                          {"xl/strings.xml", StringsXml},
                                          {"xl/st.xml", StylesXml},
                                          {"xl/sheets/a.xml", SheetAXml},
                                          {"xl/sheets/b.xml", SheetBXml}});
    auto Excel = CreateOleObject("excel.application");
    TExcelWorkbook* Book = Excel->Workbooks()->Open(Dir.File("other.xlsx"));
    ASSERT_EQ(Book->Sheets()->Count(), 2);
    EXPECT_EQ(Book->Sheets(1)->Name(), "Abone Listesi");
    EXPECT_EQ(Book->Sheets(2)->Name(), "İkinci Ğ");
    EXPECT_EQ(Excel->ActiveSheet(), Book->Sheets(2));

    TExcelWorksheet* S = Book->Worksheets(1);
    EXPECT_EQ(S->Cells(1, 1).AsString(), "Ayşe");
    EXPECT_EQ(S->Cells(1, 2).AsString(), "Kalın ve düz");
    EXPECT_EQ(S->Cells(1, 3).AsString(), "line\rbreak € ?");
    EXPECT_EQ(S->Cells(3, 1).VType(), varDouble);
    EXPECT_DOUBLE_EQ(S->Cells(3, 1).AsDouble(), 1234.5);
    EXPECT_EQ(S->Cells(3, 2).VType(), varDate);
    EXPECT_DOUBLE_EQ(S->Cells(3, 2).AsDateTime(), EncodeDate(2016, 3, 1));
    EXPECT_EQ(S->Cells(3, 3).VType(), varDate);
    EXPECT_DOUBLE_EQ(S->Cells(3, 3).AsDateTime(), EncodeDate(2016, 3, 1) + 0.5);
    EXPECT_EQ(S->Cells(3, 4).VType(), varDouble);  // "d" inside quotes is no date
    EXPECT_EQ(S->Cells(3, 5).VType(), varDate);    // elapsed hours are
    // Days before 30 December 1899 count back from it; serials of no date are numbers.
    EXPECT_DOUBLE_EQ(S->Cells(3, 6).AsDateTime(), EncodeDate(1850, 1, 1));
    EXPECT_DOUBLE_EQ(S->Cells(3, 7).AsDateTime(), EncodeDate(1899, 12, 28) - 0.75);   // at 18:00
    EXPECT_EQ(VarToStr(S->Cells(3, 8)) + "|" + VarToStr(S->Cells(3, 9)), "10000000000|-1E15");
    EXPECT_TRUE(S->Cells(4, 1).AsBoolean());
    EXPECT_EQ(S->Cells(4, 2).VType(), varError);
    EXPECT_EQ(S->Cells(4, 2).AsError(), 2007);
    EXPECT_EQ(S->Cells(4, 3).AsString(), "satır içi");
    EXPECT_EQ(S->Cells(4, 4).AsString(), "Ayşex");
    EXPECT_TRUE(S->Cells(4, 5).IsEmpty());
    EXPECT_DOUBLE_EQ(S->Cells(4, 6).AsDateTime(), EncodeDate(2016, 3, 1) + 0.5);
    EXPECT_EQ(S->Cells(5, 1).AsInteger(), 5);  // rows and cells without references follow on
    EXPECT_EQ(S->Cells(5, 2).AsInteger(), 6);
    EXPECT_DOUBLE_EQ(S->Cells(9, 28).AsDouble(), -0.001);
    EXPECT_TRUE(S->Cells(2, 1).IsEmpty());
    EXPECT_EQ(S->UsedRange()->Address(), "$A$1:$AB$9");

    EXPECT_EQ(Book->Sheets(2)->Cells(2, 2).AsString(), "Ayşe");  // prefixed elements
}

TEST(XlsxRead, DefaultPartNamesWithoutRelationships) {
    TSheetTestDir Dir;
    MakePackage(Dir.Path + "plain.xlsx",
                {{"xl/workbook.xml", R"(<workbook><sheets><sheet name="S"/></sheets></workbook>)"},
                 {"xl/worksheets/sheet1.xml", R"(<worksheet><sheetData><row r="1"><c r="A1"><v>3</v></c></row></sheetData></worksheet>)"}});
    auto Excel = CreateOleObject("excel.application");
    EXPECT_EQ(Excel->Workbooks()->Open(Dir.File("plain.xlsx"))->Worksheets(1)->Cells(1, 1).AsInteger(), 3);
}

TEST(XlsxRead, DamagedPackagesRaiseNamingTheFile) {
    TSheetTestDir Dir;
    const std::string Sheet1 = "xl/worksheets/sheet1.xml";
    const std::string Wb = R"(<workbook><sheets><sheet name="S"/></sheets></workbook>)";
    struct TCase { const char* Name; std::vector<std::pair<std::string, std::string>> Parts; };
    const std::vector<TCase> Cases = {
        {"noworkbook.xlsx", {{"foo.txt", "x"}}},
        {"nosheets.xlsx", {{"xl/workbook.xml", "<workbook><sheets/></workbook>"}}},
        {"badxml.xlsx", {{"xl/workbook.xml", Wb}, {Sheet1, "<worksheet><sheetData><row>"}}},
        {"badnumber.xlsx", {{"xl/workbook.xml", Wb}, {Sheet1, R"(<worksheet><sheetData><row><c r="A1"><v>1,5</v></c></row></sheetData></worksheet>)"}}},
        {"badstring.xlsx", {{"xl/workbook.xml", Wb}, {Sheet1, R"(<worksheet><sheetData><row><c r="A1" t="s"><v>4</v></c></row></sheetData></worksheet>)"}}},
        {"badref.xlsx", {{"xl/workbook.xml", Wb}, {Sheet1, R"(<worksheet><sheetData><row><c r="XFE1"><v>1</v></c></row></sheetData></worksheet>)"}}},
    };
    auto Excel = CreateOleObject("excel.application");
    for (const auto& C : Cases) {
        MakePackage(Dir.Path + C.Name, C.Parts);
        // The workbook's structure is checked when it opens, a sheet's rows
        // when they are read.
        EXPECT_THAT(MessageOf<EOleException>([&] { Excel->Workbooks()->Open(Dir.File(C.Name))->Worksheets(1)->UsedRange(); }),
                    testing::HasSubstr(C.Name)) << C.Name;
    }
    Excel->Workbooks()->Clear();
    // A zip signature followed by garbage.
    Dir.Write("truncated.xlsx", std::string("PK\x03\x04", 4) + std::string(100, '\x07'));
    EXPECT_THROW(Excel->Workbooks()->Open(Dir.File("truncated.xlsx")), EOleException);
    EXPECT_EQ(Excel->Workbooks()->Count(), 0);
}

TEST(XlsxRead, IsoDateTimes) {
    TDateTime D = 0;
    EXPECT_TRUE(ParseIsoDateTime("2016-03-01", D));
    EXPECT_DOUBLE_EQ(D, EncodeDate(2016, 3, 1));
    EXPECT_TRUE(ParseIsoDateTime("12:30:00", D));
    EXPECT_DOUBLE_EQ(D, 0.5 + 30.0 / 1440);
    for (const char* Bad : {"", "2016-13-01", "2016-02-30", "2016-03-01x", "25:00:00", "abc"})
        EXPECT_FALSE(ParseIsoDateTime(Bad, D)) << Bad;
    EXPECT_DOUBLE_EQ(ExcelSerialToDateTime(1), EncodeDate(1900, 1, 1));
    EXPECT_DOUBLE_EQ(ExcelSerialToDateTime(61), EncodeDate(1900, 3, 1));
    EXPECT_DOUBLE_EQ(ExcelSerialToDateTime(0.5), 0.5);  // a time of day alone
}

namespace {

std::string SheetOf(const std::string& Rows) {
    return "<worksheet><sheetData>" + Rows + "</sheetData></worksheet>";
}

// The message of opening the package and reading its first sheet; empty when that works.
std::string OpenAndReadError(TSheetTestDir& Dir, const std::string& Name,
                             const std::vector<std::pair<std::string, std::string>>& Parts) {
    MakePackage(Dir.Path + Name, Parts);
    auto Excel = CreateOleObject("excel.application");
    try {
        Excel->Workbooks()->Open(Dir.File(Name))->Worksheets(1)->UsedRange();
    } catch (const EOleException& E) {
        EXPECT_NE(E.Message().find(Name), AnsiString::npos) << E.Message();
        return E.Message();
    }
    return {};
}

}  // namespace

TEST(XlsxRead, HostileCellsAreRefusedNotWrappedOrGuessed) {
    TSheetTestDir Dir;
    const std::string Wb = R"(<workbook><sheets><sheet name="S"/></sheets></workbook>)";
    const std::string Styles =
        R"(<styleSheet><cellXfs count="2"><xf numFmtId="0"/><xf numFmtId="14"/></cellXfs></styleSheet>)";
    const std::string Long(40000, 'x');
    const std::pair<std::string, const char*> Cases[] = {
        {R"(<row r="1"><c r="MWLQKXA1"><v>1</v></c></row>)", "'MWLQKXA1' out of range"},
        {R"(<row r="1"><c r="A4294967297"><v>1</v></c></row>)", "'A4294967297' out of range"},
        {R"(<row r="4294967297"><c><v>1</v></c></row>)", "row number '4294967297' out of range"},
        {R"(<row r="1048577"><c><v>1</v></c></row>)", "row number '1048577' out of range"},
        {R"(<row r="-1"><c><v>1</v></c></row>)", "row number '-1' out of range"},
        {R"(<row r="+1"><c><v>1</v></c></row>)", "row number '+1' out of range"},
        {R"(<row r="1 "><c><v>1</v></c></row>)", "row number '1 ' out of range"},
        {R"(<row r="1"><c r="A-0"><v>1</v></c></row>)", "'A-0' out of range"},
        {R"(<row r="2"><c r="A3"><v>1</v></c></row>)", "cell A3 in row 2"},
        {R"(<row r="5"><c><v>1</v></c></row><row r="4"><c><v>1</v></c></row>)", "row 4 after row 5"},
        {R"(<row r="1"><c><v>nan</v></c></row>)", "bad number 'nan'"},
        {R"(<row r="1"><c><v>inf</v></c></row>)", "bad number 'inf'"},
        {R"(<row r="1"><c><v>-infinity</v></c></row>)", "bad number '-infinity'"},
        {R"(<row r="1"><c><v>1e400</v></c></row>)", "bad number '1e400'"},
        {R"(<row r="1"><c t="inlineStr"><is><t>)" + Long + "</t></is></c></row>", "A1 is longer than 32767 characters"},
        {R"(<c><v>1</v></c>)", "a cell outside a row"},
    };
    int N = 0;
    for (const auto& [Rows, Why] : Cases) {
        std::string Msg = OpenAndReadError(Dir, "h" + std::to_string(++N) + ".xlsx",
                                           {{"xl/workbook.xml", Wb}, {"xl/styles.xml", Styles},
                                            {"xl/worksheets/sheet1.xml", SheetOf(Rows)}});
        EXPECT_NE(Msg.find(Why), std::string::npos) << Why << ": " << Msg;
    }
    // The limits themselves are cells like any other.
    std::string Msg = OpenAndReadError(
        Dir, "edge.xlsx",
        {{"xl/workbook.xml", Wb},
         {"xl/styles.xml", Styles},
         {"xl/worksheets/sheet1.xml",
          SheetOf(R"(<row r="1"><c r="XFD1"><v>1</v></c><c r="A1" s="1"><v>2958465.5</v></c></row>)"
                  R"(<row r="1048576"><c r="A1048576" t="inlineStr"><is><t>)" + std::string(32767, 'y') + "</t></is></c></row>")}});
    EXPECT_EQ(Msg, "");
}

TEST(XlsxRead, DamagedStructureIsRefusedWhenOpened) {
    TSheetTestDir Dir;
    const std::string Wb = R"(<workbook xmlns:r="r"><sheets><sheet name="S" r:id="rId1"/></sheets></workbook>)";
    auto Rels = [](const std::string& Target, const std::string& Extra = "") {
        return R"(<Relationships><Relationship Id="rId1" Type="http://x/worksheet" Target=")" + Target + "\"" + Extra +
               "/></Relationships>";
    };
    const std::string Sheet = SheetOf(R"(<row r="1"><c><v>1</v></c></row>)");
    std::string ManySheets = "<workbook><sheets>";
    for (int I = 0; I <= 10000; ++I) ManySheets += "<sheet name=\"s\"/>";
    ManySheets += "</sheets></workbook>";
    const std::pair<std::vector<std::pair<std::string, std::string>>, const char*> Cases[] = {
        {{{"xl/workbook.xml", Wb}, {"xl/_rels/workbook.xml.rels", Rels("worksheets/gone.xml")}},
         "the part 'xl/worksheets/gone.xml' of sheet 'S' is missing"},
        {{{"xl/workbook.xml", R"(<workbook><sheets><sheet name="S"/></sheets></workbook>)"}},
         "the part 'xl/worksheets/sheet1.xml' of sheet 'S' is missing"},
        {{{"xl/workbook.xml", Wb}, {"xl/_rels/workbook.xml.rels", Rels("../../../etc/passwd")}, {"etc/passwd", Sheet}},
         "points outside the package"},
        {{{"xl/workbook.xml", Wb}, {"xl/_rels/workbook.xml.rels", Rels("file:///etc/passwd")}}, "points outside the package"},
        {{{"xl/workbook.xml", Wb}, {"xl/_rels/workbook.xml.rels", Rels("s.xml", R"( TargetMode="External")")}, {"xl/s.xml", Sheet}},
         "points outside the package"},
        {{{"xl/workbook.xml", Wb}, {"xl/_rels/workbook.xml.rels", Rels("s.xml")}, {"xl/s.xml", Sheet},
          {"xl/sharedStrings.xml", "<sst><si><t>" + std::string(40000, 'z') + "</t></si></sst>"}},
         "shared string 0 is longer than 32767 characters"},
        {{{"xl/workbook.xml", "<!DOCTYPE x [<!ENTITY a \"aaaa\">]>" + Wb}}, "document type declaration is not allowed"},
        {{{"xl/workbook.xml", ManySheets}}, "more than 10000 sheets"},
    };
    int N = 0;
    for (const auto& [Parts, Why] : Cases) {
        std::string Msg = OpenAndReadError(Dir, "d" + std::to_string(++N) + ".xlsx", Parts);
        EXPECT_NE(Msg.find(Why), std::string::npos) << Why << ": " << Msg;
    }
}

TEST(XlsxRead, RowsAreReadForwardAndAgainFromTheStart) {
    TSheetTestDir Dir;
    std::string Rows;
    for (int R = 1; R <= 300; R += 3)
        Rows += "<row r=\"" + std::to_string(R) + "\"><c r=\"B" + std::to_string(R) + "\"><v>" + std::to_string(R) +
                "</v></c></row>";
    MakePackage(Dir.Path + "rows.xlsx", {{"xl/workbook.xml", R"(<workbook><sheets><sheet name="S"/></sheets></workbook>)"},
                                         {"xl/worksheets/sheet1.xml", SheetOf(Rows)}});
    auto Excel = CreateOleObject("excel.application");
    TExcelWorksheet* S = Excel->Workbooks()->Open(Dir.File("rows.xlsx"))->Worksheets(1);
    for (Integer R : {1, 2, 3, 4, 298, 299, 300, 301, 4, 1, 151, 150, 152, 1048576, 7})
        EXPECT_EQ(S->Cells(R, 2).IsEmpty(), R > 298 || (R - 1) % 3 != 0) << R;
    EXPECT_EQ(S->Cells(151, 2).AsInteger(), 151);
    S->SetCells(151, 2, Variant());  // a cleared file cell stays cleared
    S->SetCells(2, 1, "yeni");
    EXPECT_TRUE(S->Cells(151, 2).IsEmpty());
    EXPECT_EQ(S->CellCount(), 100);
    EXPECT_EQ(S->UsedRange()->Address(), "$A$1:$B$298");
}

TEST(XlsxRead, TextCellsOutOfOrderRepeatedOrPrefixedKeepTheirOwnTexts) {
    TSheetTestDir Dir;
    const std::string Strings = R"(<sst><si><t>bir</t></si><si><t></t></si><si><t>üç</t></si></sst>)";
    // Row 1 out of order with a column given twice (the last counts); row 2 with
    // prefixed attributes (the first of a name counts), escapes and empty texts.
    const std::string Rows =
        R"(<row r="1"><c r="C1" t="s"><v>2</v></c><c r="A1" t="inlineStr"><is><t>ilk</t></is></c>)"
        R"(<c r="C1" t="inlineStr"><is><t>son</t></is></c><c r="B1"><v>7</v></c><c r="D1" t="s"><v>1</v></c></row>)"
        R"(<row r="2"><c x:r="B2" r="Z9" t="s"><v>0</v></c><c t="inlineStr"><is><t>a_x000D_b</t></is></c>)"
        R"(<c t="inlineStr"><is><t></t></is></c><c t="s" s="0"><v>2</v></c><c t="inlineStr"><is><t>a_b_x</t></is></c>)"
        R"(<c t="inlineStr"><is><t>ş_x00E7_ş_x4E2D__x0041</t></is></c>)"
        R"(<c t="inlineStr"><is><t>_xD83D__xDE00_|_xDE00__xD83D_|&#x1F600;|_xD83D_</t></is></c></row>)";
    MakePackage(Dir.Path + "order.xlsx", {{"xl/workbook.xml", R"(<workbook><sheets><sheet name="S"/></sheets></workbook>)"},
                                          {"xl/sharedStrings.xml", Strings},
                                          {"xl/worksheets/sheet1.xml", SheetOf(Rows)}});
    auto Excel = CreateOleObject("excel.application");
    TExcelWorksheet* S = Excel->Workbooks()->Open(Dir.File("order.xlsx"))->Worksheets(1);
    std::vector<std::string> Seen;
    S->ForEachCell([&](Integer R, Integer C, const Variant& V) {
        Seen.push_back(std::to_string(R) + "," + std::to_string(C) + "=" + VarToStr(V));
    });
    EXPECT_EQ(Seen, (std::vector<std::string>{"1,1=ilk", "1,2=7", "1,3=son", "2,2=bir", "2,3=a\rb", "2,5=üç", "2,6=a_b_x",
                                              "2,7=şçş?_x0041", "2,8=?|??|?|?"}));
    for (int Pass = 0; Pass < 2; ++Pass) {  // the same text each time it is read
        EXPECT_EQ(S->Cells(1, 3).AsString(), "son");
        EXPECT_EQ(S->Cells(1, 1).VType(), varString);
        EXPECT_TRUE(S->Cells(1, 4).IsEmpty());
        EXPECT_EQ(S->Cells(2, 5).AsString(), "üç");
        EXPECT_TRUE(S->Cells(2, 4).IsEmpty());
    }
}
