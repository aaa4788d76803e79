#include "platform/sheet/SheetFiles.h"

#include "SheetTestUtil.h"
#include "platform/rtl/SysUtils.h"

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
  <c r="D3" s="3"><v>7</v></c><c r="E3" s="4"><v>1.5</v></c></row>
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
    struct TCase {
        const char* Name;
        std::vector<std::pair<std::string, std::string>> Parts;
    };
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
        try {
            Excel->Workbooks()->Open(Dir.File(C.Name));
            ADD_FAILURE() << C.Name;
        } catch (const EOleException& E) {
            EXPECT_NE(E.Message().find(C.Name), AnsiString::npos) << E.Message();
        }
    }
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
