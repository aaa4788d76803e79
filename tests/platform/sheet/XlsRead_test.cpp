#include "platform/sheet/SheetFiles.h"
#include "platform/Raised.h"

#include "SheetTestUtil.h"
#include "platform/rtl/SysUtils.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>

#include <unistd.h>

// No program on this machine writes .xls, so the tests build small BIFF8
// workbooks inside an OLE compound file by hand.
namespace {

void Put16(std::string& B, unsigned V) {
    B += static_cast<char>(V & 0xFF);
    B += static_cast<char>((V >> 8) & 0xFF);
}
void Put32(std::string& B, uint32_t V) {
    Put16(B, V & 0xFFFF);
    Put16(B, V >> 16);
}
void PutDouble(std::string& B, double D) {
    char Raw[8];
    std::memcpy(Raw, &D, 8);
    B.append(Raw, 8);
}
std::string Record(unsigned Type, const std::string& Data) {
    std::string R;
    Put16(R, Type);
    Put16(R, static_cast<unsigned>(Data.size()));
    return R + Data;
}
// UTF-16 characters of a UTF-8 literal.
std::u16string U16(const std::string& Utf8) { return Utf8ToWide(Utf8); }
std::string Chars16(const std::u16string& S) {
    std::string B;
    for (char16_t C : S) Put16(B, C);
    return B;
}

struct TXlsCell {
    enum TKind { Number, Text, Rk, Bool, DateNum };
    TXlsCell(unsigned ARow, unsigned ACol, TKind AKind, double ANum = 0, std::string AUtf8 = {})
        : Row(ARow), Col(ACol), Kind(AKind), Num(ANum), Utf8(std::move(AUtf8)) {}
    unsigned Row, Col;  // 0-based
    TKind Kind;
    double Num;
    std::string Utf8;
};

struct TXlsSheet { std::string Utf8Name; std::vector<TXlsCell> Cells; };

std::string Bof(unsigned Kind) {
    std::string D;
    Put16(D, 0x0600);
    Put16(D, Kind);
    Put16(D, 0x0DBB);
    Put16(D, 0x07CC);
    Put32(D, 0);
    Put32(D, 0x06);
    return Record(0x0809, D);
}

std::string Xf(unsigned Format) {
    std::string D;
    Put16(D, 0);       // font
    Put16(D, Format);  // number format
    Put16(D, 0x0001);  // cell xf, locked
    D += std::string(14, '\0');
    return Record(0x00E0, D);
}

// The BIFF8 workbook stream: globals with one shared-string table, then the sheets.
std::string WorkbookStream(const std::vector<TXlsSheet>& Sheets) {
    std::vector<std::u16string> Strings;
    for (const auto& S : Sheets)
        for (const auto& C : S.Cells)
            if (C.Kind == TXlsCell::Text) Strings.push_back(U16(C.Utf8));

    std::string Globals = Bof(0x0005);
    std::string Cp;
    Put16(Cp, 1200);
    Globals += Record(0x0042, Cp);
    for (int I = 0; I < 16; ++I) Globals += Xf(0);  // style records come first
    Globals += Xf(0) + Xf(14);                      // cell formats 16 (general), 17 (date)
    std::vector<size_t> OffsetAt;
    for (const auto& S : Sheets) {
        std::u16string Name = U16(S.Utf8Name);
        std::string D;
        OffsetAt.push_back(Globals.size() + 4);
        Put32(D, 0);  // filled in below
        D += '\0';
        D += '\0';
        D += static_cast<char>(Name.size());
        D += '\1';
        Globals += Record(0x0085, D + Chars16(Name));
    }
    std::string Sst;
    Put32(Sst, static_cast<uint32_t>(Strings.size()));
    Put32(Sst, static_cast<uint32_t>(Strings.size()));
    for (const auto& S : Strings) {
        Put16(Sst, static_cast<unsigned>(S.size()));
        Sst += '\1';
        Sst += Chars16(S);
    }
    Globals += Record(0x00FC, Sst);
    Globals += Record(0x000A, "");

    std::string Stream = Globals;
    size_t StringIndex = 0;
    for (size_t I = 0; I < Sheets.size(); ++I) {
        uint32_t Pos = static_cast<uint32_t>(Stream.size());
        std::memcpy(&Stream[OffsetAt[I]], &Pos, 4);
        unsigned MaxRow = 0, MaxCol = 0;
        for (const auto& C : Sheets[I].Cells) {
            MaxRow = std::max(MaxRow, C.Row + 1);
            MaxCol = std::max(MaxCol, C.Col + 1);
        }
        std::string Sheet = Bof(0x0010);
        std::string Dim;
        Put32(Dim, 0);
        Put32(Dim, MaxRow);
        Put16(Dim, 0);
        Put16(Dim, MaxCol);
        Put16(Dim, 0);
        Sheet += Record(0x0200, Dim);
        for (const auto& C : Sheets[I].Cells) {
            std::string D;
            Put16(D, C.Row);
            Put16(D, C.Col);
            Put16(D, C.Kind == TXlsCell::DateNum ? 17 : 16);
            switch (C.Kind) {
                case TXlsCell::Number:
                case TXlsCell::DateNum:
                    PutDouble(D, C.Num);
                    Sheet += Record(0x0203, D);
                    break;
                case TXlsCell::Text:
                    Put32(D, static_cast<uint32_t>(StringIndex++));
                    Sheet += Record(0x00FD, D);
                    break;
                case TXlsCell::Rk:
                    Put32(D, (static_cast<uint32_t>(static_cast<int32_t>(C.Num)) << 2) | 2);  // integer RK
                    Sheet += Record(0x027E, D);
                    break;
                case TXlsCell::Bool:
                    D += static_cast<char>(C.Num != 0);
                    D += '\0';
                    Sheet += Record(0x0205, D);
                    break;
            }
        }
        Sheet += Record(0x000A, "");
        Stream += Sheet;
    }
    // Small streams would go to the mini stream; pad past its cut-off.
    if (Stream.size() < 4096) Stream.resize(4096, '\0');
    return Stream;
}

// An OLE compound file (512-byte sectors) holding the stream "Workbook".
std::string CompoundFile(std::string Stream) {
    const uint32_t End = 0xFFFFFFFE, Free = 0xFFFFFFFF, FatSect = 0xFFFFFFFD;
    Stream.resize((Stream.size() + 511) / 512 * 512, '\0');
    uint32_t StreamSectors = static_cast<uint32_t>(Stream.size() / 512);
    uint32_t FatSectors = 1;
    while (FatSectors * 128 < FatSectors + StreamSectors + 1) ++FatSectors;  // at most 109
    uint32_t DirSector = FatSectors + StreamSectors;
    std::string H("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    H += std::string(16, '\0');
    Put16(H, 0x003E);
    Put16(H, 0x0003);
    Put16(H, 0xFFFE);
    Put16(H, 9);
    Put16(H, 6);
    H += std::string(6, '\0');
    Put32(H, 0);
    Put32(H, FatSectors);
    Put32(H, DirSector);  // first directory sector
    Put32(H, 0);
    Put32(H, 4096);
    Put32(H, End);  // no mini FAT
    Put32(H, 0);
    Put32(H, End);  // no DIFAT sectors
    Put32(H, 0);
    for (uint32_t I = 0; I < 109; ++I) Put32(H, I < FatSectors ? I : Free);

    std::string Fat;
    for (uint32_t I = 0; I < FatSectors; ++I) Put32(Fat, FatSect);
    for (uint32_t I = 1; I <= StreamSectors; ++I) Put32(Fat, I == StreamSectors ? End : FatSectors + I);
    Put32(Fat, End);
    while (Fat.size() < 512 * FatSectors) Put32(Fat, Free);

    auto Entry = [&](const std::u16string& Name, int Type, uint32_t Child, uint32_t Start, uint32_t Size) {
        std::string E = Chars16(Name);
        E.resize(64, '\0');
        Put16(E, Name.empty() ? 0 : static_cast<unsigned>((Name.size() + 1) * 2));
        E += static_cast<char>(Type);
        E += static_cast<char>(1);
        Put32(E, Free);
        Put32(E, Free);
        Put32(E, Child);
        E += std::string(36, '\0');
        Put32(E, Start);
        Put32(E, Size);
        Put32(E, 0);
        return E;
    };
    std::string Dir = Entry(u"Root Entry", 5, 1, End, 0) +
                      Entry(u"Workbook", 2, Free, FatSectors, static_cast<uint32_t>(Stream.size())) +
                      Entry(u"", 0, Free, 0, 0) + Entry(u"", 0, Free, 0, 0);
    return H + Fat + Stream + Dir;
}

}  // namespace

namespace {

// Two sheets with a cell of every type.
std::vector<TXlsSheet> TypedSheets() {
    return {
        {"Aboneler", {{0, 0, TXlsCell::Text, 0, "aboneno"},
                      {0, 1, TXlsCell::Text, 0, "\xC5\x9E" "ahin \xC4\xB0\xC4\x9F" "dir"},
                      {1, 0, TXlsCell::Text, 0, "00123"},
                      {1, 1, TXlsCell::Number, 1234.56},
                      {1, 2, TXlsCell::Rk, 42},
                      {1, 3, TXlsCell::DateNum, 42430},
                      {1, 4, TXlsCell::Bool, 1},
                      {3, 5, TXlsCell::Text, 0, "\xE4\xB8\xAD"}}},
        {"\xC3\x9C" "\xC3\xA7" "\xC3\xBC" "nc\xC3\xBC", {{2, 2, TXlsCell::Number, -0.5}}},
    };
}

}  // namespace

TEST(XlsRead, SheetsNamesAndTypedCells) {
    TSheetTestDir Dir;
    Dir.Write("eski.xls", CompoundFile(WorkbookStream(TypedSheets())));
    auto Excel = CreateOleObject("excel.application");
    TExcelWorkbook* Book = Excel->Workbooks()->Open(Dir.File("eski.xls"));
    ASSERT_EQ(Book->Sheets()->Count(), 2);
    EXPECT_EQ(Book->Sheets(1)->Name(), "Aboneler");
    EXPECT_EQ(Book->Sheets(2)->Name(), "Üçüncü");
    TExcelWorksheet* S = Book->Worksheets(1);
    EXPECT_EQ(S->Cells(1, 1).AsString(), "aboneno");
    EXPECT_EQ(S->Cells(1, 2).AsString(), "Şahin İğdir");
    EXPECT_EQ(S->Cells(2, 1).VType(), varString);
    EXPECT_EQ(S->Cells(2, 1).AsString(), "00123");
    EXPECT_EQ(S->Cells(2, 2).VType(), varDouble);
    EXPECT_DOUBLE_EQ(S->Cells(2, 2).AsDouble(), 1234.56);
    EXPECT_EQ(S->Cells(2, 3).VType(), varDouble);
    EXPECT_EQ(S->Cells(2, 3).AsInteger(), 42);
    EXPECT_EQ(S->Cells(2, 4).VType(), varDate);
    EXPECT_DOUBLE_EQ(S->Cells(2, 4).AsDateTime(), EncodeDate(2016, 3, 1));
    EXPECT_FALSE(S->Cells(2, 5).IsEmpty());
    EXPECT_EQ(S->Cells(4, 6).AsString(), "?");
    EXPECT_TRUE(S->Cells(3, 1).IsEmpty());
    EXPECT_EQ(S->UsedRange()->Address(), "$A$1:$F$4");
    EXPECT_DOUBLE_EQ(Book->Sheets(2)->Cells(3, 3).AsDouble(), -0.5);
}

TEST(XlsRead, DamagedCompoundFileRaisesNamingTheFile) {
    TSheetTestDir Dir;
    std::string Good = CompoundFile(WorkbookStream({{"S", {{0, 0, TXlsCell::Number, 1}}}}));
    std::string BadFat = Good;
    std::memset(&BadFat[512], 0x7F, 64);  // FAT chain pointing nowhere
    std::string Cut = Good.substr(0, 700);
    auto Excel = CreateOleObject("excel.application");
    for (auto [Name, Bytes] : std::vector<std::pair<std::string, std::string>>{{"fat.xls", BadFat}, {"cut.xls", Cut}}) {
        Dir.Write(Name, Bytes);
        EXPECT_THAT(MessageOf<EOleException>([&] { Excel->Workbooks()->Open(Dir.File(Name)); }),
                    testing::HasSubstr(Name)) << Name;
    }
    EXPECT_EQ(Excel->Workbooks()->Count(), 0);
}

TEST(XlsRead, SheetCountsBeyondTheLimitEndQuicklyWithAMessage) {
    TSheetTestDir Dir;
    for (size_t Count : {65536u}) {
        std::vector<TXlsSheet> Sheets(Count, TXlsSheet{"s", {}});
        Dir.Write("many.xls", CompoundFile(WorkbookStream(Sheets)));
        auto Excel = CreateOleObject("excel.application");
        EXPECT_THAT(MessageOf<EOleException>([&] { Excel->Workbooks()->Open(Dir.File("many.xls")); }),
                    testing::HasSubstr("many.xls' geçerli bir çalışma kitabı dosyası değil: it has more than 10000 sheets"))
            << Count;
    }
}

namespace {

// Stand-ins for the library failing inside the child process.
int CrashingParser(const char*, FILE*) {
    std::signal(SIGSEGV, SIG_DFL);   // die as a real fault does, also under a sanitizer's handler
    std::raise(SIGSEGV);
    return 0;
}
int HangingParser(const char*, FILE*) {
    for (;;) pause();
}
int FailingParser(const char*, FILE*) { return -20; }

struct TParserGuard {
    explicit TParserGuard(TXlsParser P, int Seconds = 60) : Old(SetXlsParser(P)), OldSeconds(SetXlsReadSeconds(Seconds)) {}
    ~TParserGuard() {
        SetXlsParser(Old);
        SetXlsReadSeconds(OldSeconds);
    }
    TXlsParser Old;
    int OldSeconds;
};

}  // namespace

TEST(XlsRead, AFaultOrHangOfTheReaderIsAMessageNotTheProgramsEnd) {
    TSheetTestDir Dir;
    Dir.Write("x.xls", CompoundFile(WorkbookStream({{"S", {{0, 0, TXlsCell::Number, 1}}}})));
    const std::pair<TXlsParser, const char*> Cases[] = {
        {CrashingParser, "x.xls' geçerli bir çalışma kitabı dosyası değil: its contents made the reader fail (signal 11)"},
        {HangingParser, "x.xls' geçerli bir çalışma kitabı dosyası değil: reading it took longer than 1 seconds"},
        {FailingParser, "x.xls' geçerli bir çalışma kitabı dosyası değil: a text in it is not valid in its code page"},
    };
    auto Excel = CreateOleObject("excel.application");
    for (const auto& [Parser, Why] : Cases) {
        TParserGuard Guard(Parser, 1);
        EXPECT_THAT(MessageOf<EOleException>([&] { Excel->Workbooks()->Open(Dir.File("x.xls")); }),
                    testing::HasSubstr(Why)) << Why;
    }
    EXPECT_EQ(Excel->Workbooks()->Open(Dir.File("x.xls"))->Worksheets(1)->Cells(1, 1).AsInteger(), 1);
}

TEST(XlsRead, TextsOfEveryRowStayWithTheirRowWhenReadAgainOrOutOfOrder) {
    TSheetTestDir Dir;
    TXlsSheet Sheet{"Sayfa1", {}};
    auto TextOf = [](unsigned R, unsigned C) { return std::string(R * 3 + C, 'a' + static_cast<char>(R % 26)); };
    for (unsigned R = 0; R < 12; ++R)
        for (unsigned C = 0; C < 3; ++C)
            if (R * 3 + C > 0) Sheet.Cells.push_back({R, C, TXlsCell::Text, 0, TextOf(R, C)});
    Sheet.Cells.push_back({12, 0, TXlsCell::Number, 7});
    Dir.Write("metin.xls", CompoundFile(WorkbookStream({Sheet})));
    auto Excel = CreateOleObject("excel.application");
    TExcelWorksheet* S = Excel->Workbooks()->Open(Dir.File("metin.xls"))->Worksheets(1);
    for (unsigned R : {11u, 0u, 4u, 5u, 4u, 11u})
        for (unsigned C = 0; C < 3; ++C) {
            Variant V = S->Cells(static_cast<Integer>(R + 1), static_cast<Integer>(C + 1));
            if (R * 3 + C == 0) {
                EXPECT_TRUE(V.IsEmpty());
                continue;
            }
            EXPECT_EQ(V.VType(), varString);
            EXPECT_EQ(V.AsString(), TextOf(R, C)) << R << "," << C;
        }
    Integer Texts = 0;
    S->ForEachCell([&](Integer R, Integer C, const Variant& V) {
        if (V.VType() == varString) Texts += V.AsString() == TextOf(static_cast<unsigned>(R - 1), static_cast<unsigned>(C - 1));
    });
    EXPECT_EQ(Texts, 35);
    EXPECT_EQ(S->Cells(13, 1).AsDouble(), 7);
}
namespace {

void Put32(std::string& S, size_t At, uint32_t V) {
    for (int I = 0; I < 4; ++I) S[At + I] = static_cast<char>(V >> (8 * I));
}

}  // namespace

// Damaged files that make the library itself fail end only its process: the
// program names the file and reads the next one.
TEST(XlsRead, DamageThatBreaksTheLibraryOrRunsAwayWithMemoryIsAMessage) {
    TSheetTestDir Dir;
    const std::string Good = CompoundFile(WorkbookStream({{"S", {{0, 0, TXlsCell::Number, 1}}}}));
    // The typed workbook with the end of a number record and the next record's head overwritten.
    std::string Record = CompoundFile(WorkbookStream(TypedSheets()));
    Record.replace(0x6C5, 8, std::string("\xD0\x58\x08\x00\x30\x60\x00\x00", 8));
    // A header that claims sixteen million sectors of its sector table, chained to itself.
    std::string Chain(1024, '\0');
    Chain.replace(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
    Chain.replace(0x18, 10, std::string("\x3E\x00\x03\x00\xFE\xFF\x09\x00\x06\x00", 10));
    Put32(Chain, 0x2C, 1);
    Put32(Chain, 0x30, 9);
    Put32(Chain, 0x48, 0x01000000);
    Chain.replace(0x4C, 12, 12, '\xFF');
    Dir.Write("good.xls", Good);
    Dir.Write("record.xls", Record);
    Dir.Write("chain.xls", Chain);
    auto Excel = CreateOleObject("excel.application");
    for (const auto& [Name, Why] : std::vector<std::pair<std::string, std::string>>{
             {"record.xls", ""}, {"chain.xls", "reading it needed more than 1024 MB of memory"}}) {
        const auto Start = std::chrono::steady_clock::now();
        EXPECT_THAT(MessageOf<EOleException>([&] { Excel->Workbooks()->Open(Dir.File(Name)); }),
                    testing::HasSubstr(Name + "' geçerli bir çalışma kitabı dosyası değil: " + Why));
        EXPECT_LT(std::chrono::steady_clock::now() - Start, std::chrono::seconds(30)) << Name;
        EXPECT_EQ(Excel->Workbooks()->Open(Dir.File("good.xls"))->Worksheets(1)->Cells(1, 1).AsInteger(), 1);
    }
}
