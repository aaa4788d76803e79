#include "transfer/ZemtarInvoiceFile.h"

#include "TransferTestKit.h"
#include "platform/Raised.h"
#include "platform/rtl/Classes.h"

#include <gtest/gtest.h>

using namespace transfertest;

namespace {

class ZemtarInvoiceFile : public TTransferFixture {
protected:
    void SetUp() override {
        SetUpGrid(12, 4);   // header, two invoices, the footer row
        In.Month = "Nisan";
        In.LastDate = EncodeDate(2016, 3, 31);
        In.Folder = Folder.Path();
        In.ZoneTaxNo = "1234567890";
        In.ZoneTitle = "ÖRNEK OSB & <Ş>";
        In.FileNo = "4";
        SetRow(1, {{0, "1"}, {1, "12345"}, {2, "Çağrı"}, {3, "Işık"}, {4, "1111111111"}, {5, ""}, {6, "250"},
                   {7, "100,5"}, {8, "NORMAL"}, {9, "920160301101010"}, {10, "01.03.2016"}, {11, "E"}});
        SetRow(2, {{0, "2"}, {1, "7"}, {2, "A&B"}, {3, "Ltd"}, {4, ""}, {5, "12345678901"}, {6, "0"},
                   {7, "20"}, {8, "NORMAL"}, {11, "E"}});
    }

    static std::string InvoiceEnvelope(const TU8& Schema, const TU8& Code, const TU8& Count, const TU8& Total) {
        return Envelope(Schema, Code, U8(u8"ÖRNEK OSB &amp; &lt;Ş&gt;"), "201604-201604", "4",
                        Leaf(6, "toplamislemsayisi", Count) + Leaf(6, "toplamtutar", Total));
    }

    static std::string Block(TU8 Code, TU8 Vkn, TU8 Tckn, TU8 No, TU8 Soyad, TU8 Ad, TU8 Tuketim, TU8 Tutar) {
        return Lines({u8"  <islemler>"}) + "    <islem  islemturu=\"" + Code.S + "\">\t\r\n" +
               Lines({u8"      <abonebilgileri>"}) + Leaf(8, "vkn", Vkn) + Leaf(8, "tckn", Tckn) +
               Leaf(8, "aboneno", No) + Leaf(8, "soyad", Soyad) + Leaf(8, "ad", Ad) +
               Leaf(8, "tuketimmiktar", Tuketim) + Leaf(8, "tutartl", Tutar) +
               Lines({u8"      </abonebilgileri>", u8"    </islem>", u8"  </islemler>"});
    }

    TInvoiceFileInputs In;
};

TEST_F(ZemtarInvoiceFile, EachKindsFileIsWrittenWhole) {
    struct TCase {
        const TZemtarEnergyKind* Kind;
        const char *File, *Code, *Islem, *Total;
        int NoWidth;
    };
    for (const TCase& C : {TCase{&ZemtarElectricity, "elektrik_fatura_islemleri", "80", "80070", "120.5", 26},
                           TCase{&ZemtarNaturalGas, "dogalgaz_fatura_islemleri", "90", "90072", "120.50", 15}}) {
        Prompts.Clear();
        ASSERT_EQ(zcOk, WriteInvoiceTransferFile(*C.Kind, *Grid, In));
        const AnsiString Path = Folder.Path() + C.File + ".xml";
        auto No = [&](const std::string& N) { return std::string(C.NoWidth - N.size(), '0') + N; };
        EXPECT_EQ(InvoiceEnvelope(std::string(C.File) + ".xsd", C.Code, u8"2", C.Total) +
                      Block(C.Islem, u8"1111111111", u8"22222222222", No("12345"), u8"Işık", u8"Çağrı", "250",
                            u8"100.5") +
                      Block(C.Islem, u8"2222222222", u8"12345678901", No("7"), u8"Ltd", u8"A&amp;B", u8"0", u8"20") + Tail,
                  Read(Path));
        EXPECT_EQ(std::vector<AnsiString>{Path + " dosyası oluştu"}, Prompts.Messages());
    }
}

TEST_F(ZemtarInvoiceFile, OnlyNormalAndRefundRowsGetBlocksButAllMarkedRowsCount) {
    Grid->SetRowCount(8);
    SetRow(3, {{1, "3"}, {7, "15,25"}, {8, "İADE"}, {11, "E"}});
    SetRow(4, {{1, "4"}, {7, "1"}, {8, "iade"}, {11, "H"}});
    SetRow(5, {{1, "5"}, {7, "3"}, {8, "ZEMTARTAN MUAF"}, {11, "H"}});
    SetRow(6, {{1, "6"}, {7, "999"}, {8, "NORMAL"}, {11, "H"}});
    for (const TZemtarEnergyKind* Kind : {&ZemtarElectricity, &ZemtarNaturalGas}) {
        ASSERT_EQ(zcOk, WriteInvoiceTransferFile(*Kind, *Grid, In));
        const std::string File = Read(InvoiceFilePath(*Kind, In));
        for (const char* L : {"<toplamislemsayisi>3</toplamislemsayisi>", "<toplamtutar>135.75</toplamtutar>"})
            EXPECT_NE(std::string::npos, File.find(L)) << L;
        const std::string Refund = "<islem  islemturu=\"" + Kind->RefundIslemTuru + "\">";
        const size_t At = File.find(Refund);
        ASSERT_NE(std::string::npos, At);
        EXPECT_NE(std::string::npos, File.find("<tutartl>15.25</tutartl>", At));
        size_t Blocks = 0;
        for (size_t P = File.find("<islemler>"); P != std::string::npos; P = File.find("<islemler>", P + 1)) ++Blocks;
        EXPECT_EQ(3u, Blocks);
        EXPECT_EQ(std::string::npos, File.find("999"));
    }
}

TEST_F(ZemtarInvoiceFile, NoMarkedRowsGiveTheEnvelopeAlone) {
    Grid->SetCells(11, 1, "e");
    Grid->SetCells(11, 2, "H");
    ASSERT_EQ(zcOk, WriteInvoiceTransferFile(ZemtarElectricity, *Grid, In));
    EXPECT_EQ(InvoiceEnvelope("elektrik_fatura_islemleri.xsd", u8"80", u8"0", u8"0") + Tail,
              Read(Folder.Path() + "elektrik_fatura_islemleri.xml"));
    Grid->SetRowCount(1);
    ASSERT_EQ(zcOk, WriteInvoiceTransferFile(ZemtarNaturalGas, *Grid, In));
    EXPECT_EQ(InvoiceEnvelope("dogalgaz_fatura_islemleri.xsd", u8"90", u8"0", u8"0.00") + Tail,
              Read(Folder.Path() + "dogalgaz_fatura_islemleri.xml"));
}

TEST_F(ZemtarInvoiceFile, TitleIsCutTo52AndThePeriodYearComesFromTheLastDate) {
    In.ZoneTitle = AnsiString(60, 'Z');
    In.LastDate = EncodeDate(2017, 12, 31);
    In.Month = "Ocak ";
    for (const TZemtarEnergyKind* Kind : {&ZemtarElectricity, &ZemtarNaturalGas}) {
        ASSERT_EQ(zcOk, WriteInvoiceTransferFile(*Kind, *Grid, In));
        const std::string File = Read(InvoiceFilePath(*Kind, In));
        EXPECT_NE(std::string::npos, File.find("<unvan>" + std::string(52, 'Z') + "</unvan>\t\r\n"));
        EXPECT_NE(std::string::npos, File.find("<bilgidonem>2017-2017</bilgidonem>"));
    }
}

TEST_F(ZemtarInvoiceFile, TotalsFollowEachEnergyKindsForm) {
    struct TCase {
        Int64 Millionths;
        const char* Electricity;
        const char* Gas;
    };
    for (const TCase& C : {TCase{120500000, "120.5", "120.50"}, TCase{-5000000, "-5", "-5.00"},
                           TCase{-4000, "-0.004", "0.00"}, TCase{1, "0.000001", "0.00"},
                           TCase{INT64_MAX, "9223372036854.775807", "9223372036854.78"},
                           TCase{INT64_MIN, "-9223372036854.775808", "-9223372036854.78"}}) {
        EXPECT_EQ(C.Electricity, InvoiceTotalText(ZemtarElectricity, C.Millionths));
        EXPECT_EQ(C.Gas, InvoiceTotalText(ZemtarNaturalGas, C.Millionths));
    }
}

TEST_F(ZemtarInvoiceFile, ChecksStopBeforeAnyFileIsTouched) {
    In.Month = "";
    In.ZoneTaxNo = "1";
    EXPECT_EQ(zcMonth, WriteInvoiceTransferFile(ZemtarElectricity, *Grid, In));
    EXPECT_EQ("lütfen Abone bilgilerini transfer edeceğimiz dönemi seçiniz.", Prompts.LastMessage());
    In.Month = "Mart";
    EXPECT_EQ(zcZoneTaxNo, WriteInvoiceTransferFile(ZemtarNaturalGas, *Grid, In));
    EXPECT_EQ("lütfen osb nin vergi numarasını düzgün giriniz.", Prompts.LastMessage());
    EXPECT_EQ(2u, Prompts.Messages().size());
    EXPECT_FALSE(FileExists(InvoiceFilePath(ZemtarElectricity, In)));
    EXPECT_FALSE(FileExists(InvoiceFilePath(ZemtarNaturalGas, In)));
}

TEST_F(ZemtarInvoiceFile, AnAmountThatIsNoNumberLeavesTheEarlierFile) {
    ASSERT_EQ(zcOk, WriteInvoiceTransferFile(ZemtarElectricity, *Grid, In));
    const AnsiString Path = InvoiceFilePath(ZemtarElectricity, In);
    const std::string Before = Read(Path);
    Prompts.Clear();
    Grid->SetCells(7, 2, "");
    EXPECT_THROW(WriteInvoiceTransferFile(ZemtarElectricity, *Grid, In), EConvertError);
    Grid->SetCells(7, 2, "12a");
    EXPECT_THROW(WriteInvoiceTransferFile(ZemtarElectricity, *Grid, In), EConvertError);
    EXPECT_EQ(Before, Read(Path));
    EXPECT_TRUE(Prompts.Messages().empty());
    auto Refusal = [&] { return MessageOf<EConvertError>([&] { WriteInvoiceTransferFile(ZemtarNaturalGas, *Grid, In); }); };
    // Amounts the total cannot hold to the millionth name their cell.
    for (const char* Amount : {"1000000000000", "-1E12", "0,0000001"}) {
        Grid->SetCells(7, 2, Amount);
        EXPECT_EQ(Refusal().find(AnsiString("Satır 2, sütun 7: '") + Amount + "' tutar"), 0u) << Amount;
    }
    Grid->SetCells(7, 2, "999999999999,999999");
    ASSERT_EQ(zcOk, WriteInvoiceTransferFile(ZemtarElectricity, *Grid, In));
    EXPECT_NE(std::string::npos, Read(Path).find(Leaf(6, "toplamtutar", "1000000000100.499999")));
    Grid->SetCells(11, 2, "H");   // unmarked rows are not read
    EXPECT_EQ(zcOk, WriteInvoiceTransferFile(ZemtarElectricity, *Grid, In));
    // Ten amounts near a trillion: the tenth takes the total past 64 bits of millionths.
    Grid->SetRowCount(12);
    for (Integer R = 1; R <= 10; ++R) SetRow(R, {{7, "999999999999,99"}, {8, "NORMAL"}, {11, "E"}});
    EXPECT_EQ(Refusal().find("Satır 10, sütun 7: '999999999999,99' ile toplam tutar"), 0u) << Refusal();
}

TEST_F(ZemtarInvoiceFile, AMissingFolderIsReportedNotSucceeded) {
    In.Folder = Folder.Path() + "nowhere/";
    EXPECT_EQ(zcFolder, WriteInvoiceTransferFile(ZemtarNaturalGas, *Grid, In));
    ASSERT_EQ(Prompts.Messages().size(), 1u);
    EXPECT_NE(Prompts.LastMessage().find("Klasör bulunamadı"), AnsiString::npos);
    EXPECT_FALSE(FileExists(In.Folder + "dogalgaz_fatura_islemleri.xml"));
}

TEST_F(ZemtarInvoiceFile, LongSubscriberNumbersAreCut) {
    Grid->SetCells(1, 1, "123456789012345678901234567890");
    ASSERT_EQ(zcOk, WriteInvoiceTransferFile(ZemtarNaturalGas, *Grid, In));
    EXPECT_NE(std::string::npos, Read(InvoiceFilePath(ZemtarNaturalGas, In)).find("<aboneno>123456789012345</aboneno>"));
}

TEST_F(ZemtarInvoiceFile, GasTotalIsTheDecimalSumRoundedToCents) {
    struct TCase {
        const char* A;
        const char* B;
        const char* Total;
    };
    for (const TCase& C : {TCase{"1,406", "4,169", "5.58"}, TCase{"1,119", "0,616", "1.74"},
                           TCase{"0,005", "0", "0.01"}, TCase{"-1,406", "-4,169", "-5.58"},
                           TCase{"0,004", "0,0049", "0.01"}, TCase{"0", "0", "0.00"},
                           TCase{"1234567,125", "0", "1234567.13"}}) {
        Grid->SetCells(7, 1, C.A);
        Grid->SetCells(7, 2, C.B);
        ASSERT_EQ(zcOk, WriteInvoiceTransferFile(ZemtarNaturalGas, *Grid, In));
        const std::string File = Read(InvoiceFilePath(ZemtarNaturalGas, In));
        EXPECT_NE(std::string::npos, File.find(Leaf(6, "toplamtutar", C.Total))) << C.A << " + " << C.B;
    }
}

TEST_F(ZemtarInvoiceFile, ForbiddenCharacterInAMarkedRowNamesItsRowAndColumn) {
    ASSERT_EQ(zcOk, WriteInvoiceTransferFile(ZemtarElectricity, *Grid, In));
    const std::string Before = Read(InvoiceFilePath(ZemtarElectricity, In));
    Prompts.Clear();
    Grid->SetCells(3, 2, "Lt\x1d");
    EXPECT_EQ(MessageOf<EZemtarText>([&] { WriteInvoiceTransferFile(ZemtarElectricity, *Grid, In); }),
              "Satır 2, sütun 3: XML dosyasına yazılamayan bir karakter (kod 29) var; dosya yazılmadı");
    EXPECT_EQ(Before, Read(InvoiceFilePath(ZemtarElectricity, In)));
    EXPECT_TRUE(Prompts.Messages().empty());
}

}  // namespace
