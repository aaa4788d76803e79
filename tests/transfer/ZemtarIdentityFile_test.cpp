#include "transfer/ZemtarIdentityFile.h"

#include "TransferTestKit.h"
#include "platform/Raised.h"
#include "platform/rtl/Classes.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace transfertest;

namespace {

class ZemtarIdentityFile : public TTransferFixture {
protected:
    void SetUp() override {
        SetUpGrid(40, 4);   // header, two records, the footer row
        In.Month = "Mart";
        In.Year = "2016";
        In.Folder = Folder.Path();
        In.ZoneTaxNo = "1234567890";
        In.ZoneTitle = "ÇİĞLİ ORGANİZE SANAYİ BÖLGESİ";
        In.FileNo = "7";
    }

    // A record with every written column filled, Turkish letters and characters XML must escape.
    void FillFullRow(Integer Row, const char* Mark) {
        SetRow(Row, {{0, "1"}, {1, "123"}, {2, "Ayşe & Co"}, {3, "Öztürk"}, {4, ""}, {5, "12345678901"},
                     {6, "05.03.2016"}, {7, "1  Yeni"}, {8, "1234567890"}, {9, "İZMİR"}, {10, "Çiğli"},
                     {11, ""}, {12, "Bucak<1>"}, {13, ""}, {14, "Atatürk Mah."}, {15, "Cad. \"5\""},
                     {16, "12"}, {17, ""}, {18, "1  Mülk Sahibi"}, {19, ""}, {20, ""}, {21, ""}, {22, ""},
                     {23, "99999999"}, {24, "01.01.2015"}, {25, "2016-12-31"}, {26, "1250.5"}, {27, "1"},
                     {28, "(232)555 11 22"}, {29, "P'1"}, {30, "1"}, {31, "1"}, {32, "300"},
                     {33, "2  Sanayi"}, {34, "Mart 2016"}, {36, "0"}, {38, Mark}});
    }
    // A record whose optional columns are all empty.
    void FillSparseRow(Integer Row, const char* Mark) {
        SetRow(Row, {{0, "2"}, {1, "45"}, {2, "Veli"}, {3, "Can"}, {4, "9876543210"}, {5, "22222222222"},
                     {9, "MANİSA"}, {10, "Akhisar"}, {29, "P7"}, {38, Mark}});
    }

    TIdentityFileInputs In;
};


// The body block of FillFullRow in an electricity file.
std::string ElectricityFullBlock() {
    return Lines({u8"  <islemler>",
                  u8"    <islem  islemturu=\"80069\"  islemtipi=\"1  Mülk Sahibi\"  abonetipi=\"2  Sanayi\">",
                  u8"      <abonebilgileri>",
                  u8"        <vkn>2222222222</vkn>",
                  u8"        <tckn>12345678901</tckn>",
                  u8"        <aboneno>00000000000000000000000123</aboneno>",
                  u8"        <abonetarihi>20160305</abonetarihi>",
                  u8"        <soyad>Öztürk</soyad>",
                  u8"        <ad>Ayşe &amp; Co</ad>",
                  u8"        <aboneturu>1  Yeni</aboneturu>",
                  u8"      </abonebilgileri>",
                  u8"        <aboneadres>",
                  u8"        <ulusaladresno>1234567890</ulusaladresno>",
                  u8"        <iladi>İZMİR</iladi>",
                  u8"        <ilceadi>Çiğli</ilceadi>",
                  u8"        <belde> </belde>",
                  u8"        <bucak>Bucak&lt;1&gt;</bucak>",
                  u8"        <koyadi> </koyadi>",
                  u8"        <mahalle>Atatürk Mah.</mahalle>",
                  u8"        <cadsokbulmeydan>Cad. &quot;5&quot;</cadsokbulmeydan>",
                  u8"        <diskapi>12</diskapi>",
                  u8"        <ickapi> </ickapi>",
                  u8"      </aboneadres>",
                  u8"      <mulksahibi>",
                  u8"        <tckn>22222222222</tckn>",
                  u8"        <vkn>2222222222</vkn>",
                  u8"        <soyad> </soyad>",
                  u8"        <ad> </ad>",
                  u8"        <daskpolno>11111111</daskpolno>",
                  u8"        <kontratbaslatarih>20150101</kontratbaslatarih>",
                  u8"        <kontratbitistarih>20161231</kontratbitistarih>",
                  u8"        <kiratutar>1250.5</kiratutar>",
                  u8"      </mulksahibi>",
                  u8"      <aboneiletisim>",
                  u8"        <tip>1</tip>",
                  u8"        <tel_faks_email>(232)555 11 22</tel_faks_email>",
                  u8"      </aboneiletisim>",
                  u8"      <abonegayrimenkul>",
                  u8"        <paftano>P&apos;1</paftano>",
                  u8"        <adano>1</adano>",
                  u8"        <parselno>1</parselno>",
                  u8"        <yuzolcum>300</yuzolcum>",
                  u8"      </abonegayrimenkul>",
                  u8"    </islem>",
                  u8"  </islemler>"});
}

std::string IdentityEnvelope(const TU8& Schema, const TU8& Code, const TU8& Title, const TU8& Period,
                             const TU8& FileNo, const TU8& Count) {
    return Envelope(Schema, Code, Title, Period, FileNo, Leaf(6, "topislsayisi", Count));
}

const std::string Title = U8(u8"ÇİĞLİ ORGANİZE SANAYİ BÖLGESİ");

TEST_F(ZemtarIdentityFile, ElectricityPeriodFileIsWrittenWhole) {
    FillFullRow(1, "E");
    FillSparseRow(2, "H");
    ASSERT_EQ(zcOk, WriteIdentityTransferFile(ZemtarElectricity, ifPeriod, *Grid, In));
    const AnsiString Path = Folder.Path() + "elektrik_abone_kimlik.xml";
    EXPECT_EQ(IdentityEnvelope("elektrik_abone_kimlik.xsd", u8"80", Title, u8"201603-201603", "7", u8"1") +
                  ElectricityFullBlock() + Tail,
              Read(Path));
    EXPECT_EQ(std::vector<AnsiString>{Path + " dosyası oluştu"}, Prompts.Messages());
}

TEST_F(ZemtarIdentityFile, GasPeriodFileWritesItsExtraBlanks) {
    FillSparseRow(1, "E");
    SetRow(2, {{1, "7"}, {9, "Bursa"}, {11, "Belde"}, {12, "Bucak"}, {28, "t"}, {30, "A"}, {31, "3"}, {38, "E"}});
    ASSERT_EQ(zcOk, WriteIdentityTransferFile(ZemtarNaturalGas, ifPeriod, *Grid, In));
    auto Block = [](TU8 No, TU8 Vkn, TU8 Tckn, TU8 Soyad, TU8 Ad, TU8 Il, TU8 Ilce, TU8 Belde, TU8 Bucak,
                    TU8 Tel, TU8 Pafta, TU8 Ada, TU8 Parsel) {
        return Lines({u8"  <islemler>", u8"    <islem  islemturu=\"90071\"  islemtipi=\"\"  abonetipi=\"\">",
                      u8"      <abonebilgileri>"}) +
               Leaf(8, "vkn", Vkn) + Leaf(8, "tckn", Tckn) + Leaf(8, "aboneno", No) + Leaf(8, "abonetarihi", "") +
               Leaf(8, "soyad", Soyad) + Leaf(8, "ad", Ad) + Leaf(8, "aboneturu", "") +
               Lines({u8"      </abonebilgileri>", u8"        <aboneadres>"}) + Leaf(8, "ulusaladresno", "") +
               Leaf(8, "iladi", Il) + Leaf(8, "ilceadi", Ilce) + Leaf(8, "belde", Belde) + Leaf(8, "bucak", Bucak) +
               Lines({u8"        <koyadi> </koyadi>", u8"        <mahalle> </mahalle>",
                      u8"        <cadsokbulmeydan> </cadsokbulmeydan>", u8"        <diskapi> </diskapi>",
                      u8"        <ickapi> </ickapi>", u8"      </aboneadres>", u8"      <mulksahibi>",
                      u8"        <tckn>22222222222</tckn>", u8"        <vkn>2222222222</vkn>",
                      u8"        <soyad> </soyad>", u8"        <ad> </ad>", u8"        <daskpolno>11111111</daskpolno>",
                      u8"        <kontratbaslatarih></kontratbaslatarih>",
                      u8"        <kontratbitistarih></kontratbitistarih>", u8"        <kiratutar></kiratutar>",
                      u8"      </mulksahibi>", u8"      <aboneiletisim>", u8"        <tip></tip>"}) +
               Leaf(8, "tel_faks_email", Tel) + Lines({u8"      </aboneiletisim>", u8"      <abonegayrimenkul>"}) +
               Leaf(8, "paftano", Pafta) + Leaf(8, "adano", Ada) + Leaf(8, "parselno", Parsel) +
               Lines({u8"        <yuzolcum></yuzolcum>", u8"      </abonegayrimenkul>", u8"    </islem>",
                      u8"  </islemler>"});
    };
    EXPECT_EQ(IdentityEnvelope("dogalgaz_abone_kimlik.xsd", u8"90", Title, u8"201603-201603", "7", u8"2") +
                  Block("000000000000045", u8"9876543210", u8"22222222222", u8"Can", u8"Veli", u8"MANİSA ",
                        u8"Akhisar ", u8"  ", u8" ", u8" ", u8"P7 ", u8" ", u8" ") +
                  Block(u8"000000000000007", u8"2222222222", u8"22222222222", u8"", u8"", u8"Bursa ", u8" ",
                        u8"Belde ", u8"Bucak ", u8"t ", u8" ", u8"A ", u8"3 ") +
                  Tail,
              Read(Folder.Path() + "dogalgaz_abone_kimlik.xml"));
}

TEST_F(ZemtarIdentityFile, GasAllSubscribersFileBlanksOnlyTheParcelSheetAndBlock) {
    SetRow(1, {{1, "45"}, {9, "İl"}, {11, "B"}, {29, "P7"}, {30, ""}, {31, "9"}, {38, "E"}});
    In.Month = "Aralık";
    In.Year = "2015";
    In.ZoneTitle = AnsiString(60, 'X');
    ASSERT_EQ(zcOk, WriteIdentityTransferFile(ZemtarNaturalGas, ifAllSubscribers, *Grid, In));
    const std::string File = Read(Folder.Path() + "tum_dogalgaz_abone_kimlik.xml");
    const std::string Expected =
        IdentityEnvelope("tum_dogalgaz_abone_kimlik.xsd", u8"90", std::string(60, 'X'), "201512-201512", u8"7", u8"1");
    ASSERT_EQ(Expected, File.substr(0, Expected.size()));   // the gas title is written whole
    for (const char* L : {"        <iladi>İl</iladi>\t\r\n", "        <belde>B</belde>\t\r\n",
                          "        <paftano>P7 </paftano>\t\r\n", "        <adano> </adano>\t\r\n",
                          "        <parselno>9</parselno>\t\r\n", "        <tel_faks_email></tel_faks_email>\t\r\n",
                          "        <aboneno>000000000000045</aboneno>\t\r\n"}) {
        EXPECT_NE(std::string::npos, File.find(AnsiToUtf8(L))) << L;
    }
}

TEST_F(ZemtarIdentityFile, ElectricityClosedFileHasTheFixedPeriodAndReplacesThePeriodFile) {
    FillFullRow(1, "E");
    In.ZoneTitle = AnsiString(60, 'Y');
    ASSERT_EQ(zcOk, WriteIdentityTransferFile(ZemtarElectricity, ifPeriod, *Grid, In));
    Grid->SetCells(38, 1, "H");
    In.Month = "";   // no month check on this file
    In.FileNo = "9";
    ASSERT_EQ(zcOk, WriteIdentityTransferFile(ZemtarElectricity, ifClosedOrChanged, *Grid, In));
    EXPECT_EQ(IdentityEnvelope("elektrik_abone_kimlik.xsd", u8"80", std::string(52, 'Y'), "201602-201602", u8"50", "0") +
                  Tail,
              Read(Folder.Path() + "elektrik_abone_kimlik.xml"));
}

TEST_F(ZemtarIdentityFile, ChecksStopBeforeAnyFileIsTouched) {
    struct TCase {
        const TZemtarEnergyKind* Kind;
        TIdentityFileKind File;
        const char* Month;
        const char* TaxNo;
        TZemtarCheck Result;
        const char* Message;
    };
    const char* const Period = "lütfen Abone bilgilerini transfer edeceğimiz dönemi seçiniz.";
    const char* const TaxNo = "lütfen osb nin vergi numarasını düzgün giriniz.";
    const TZemtarEnergyKind* const E = &ZemtarElectricity;
    const TZemtarEnergyKind* const G = &ZemtarNaturalGas;
    const TCase Cases[] = {
        {E, ifPeriod, "", "1234567890", zcMonth, Period},        {E, ifAllSubscribers, "", "1234567890", zcMonth, Period},
        {G, ifPeriod, "", "1234567890", zcMonth, Period},        {E, ifPeriod, "", "123", zcMonth, Period},
        {G, ifAllSubscribers, "", "1234567890", zcMonth, "lütfen Beyan Ayını Giriniz"},
        {E, ifPeriod, "Ocak", "123456789", zcZoneTaxNo, TaxNo},  {E, ifClosedOrChanged, "", "", zcZoneTaxNo, TaxNo},
        {G, ifAllSubscribers, "Ocak", "", zcZoneTaxNo, TaxNo},
    };
    FillFullRow(1, "E");
    for (const TCase& C : Cases) {
        Prompts.Clear();
        In.Month = C.Month;
        In.ZoneTaxNo = C.TaxNo;
        EXPECT_EQ(C.Result, WriteIdentityTransferFile(*C.Kind, C.File, *Grid, In)) << C.Message;
        EXPECT_EQ(std::vector<AnsiString>{C.Message}, Prompts.Messages());
        EXPECT_FALSE(FileExists(IdentityFilePath(*C.Kind, C.File, In)));
    }
}

TEST_F(ZemtarIdentityFile, AnUnknownMonthGivesAYearOnlyPeriodAndLongTaxNumbersPass) {
    In.Month = "Mars";
    In.ZoneTaxNo = "123456789012";
    ASSERT_EQ(zcOk, WriteIdentityTransferFile(ZemtarElectricity, ifPeriod, *Grid, In));
    const std::string File = Read(Folder.Path() + "elektrik_abone_kimlik.xml");
    for (const char* L : {"<bilgidonem>2016-2016</bilgidonem>\t\r\n", "<vkn>123456789012</vkn>\t\r\n"})
        EXPECT_NE(std::string::npos, File.find(L)) << L;
}

TEST_F(ZemtarIdentityFile, FolderTextIsUsedAsItStands) {
    In.Folder = Folder.Path() + "data";
    ASSERT_EQ(zcOk, WriteIdentityTransferFile(ZemtarElectricity, ifPeriod, *Grid, In));
    EXPECT_TRUE(FileExists(Folder.Path() + "dataelektrik_abone_kimlik.xml"));
}

TEST_F(ZemtarIdentityFile, MarkedFooterRowAndLineBreaksInCells) {
    Grid->SetCells(2, 3, "Ali\nVeli");
    Grid->SetCells(38, 3, "E");   // the footer row takes part when marked
    ASSERT_EQ(zcOk, WriteIdentityTransferFile(ZemtarElectricity, ifPeriod, *Grid, In));
    const std::string File = Read(Folder.Path() + "elektrik_abone_kimlik.xml");
    for (const char* L : {"<topislsayisi>1</topislsayisi>", "        <ad>Ali\r\nVeli</ad>\t\r\n",
                          "<aboneno>00000000000000000000000000</aboneno>"})
        EXPECT_NE(std::string::npos, File.find(L)) << L;
}

TEST_F(ZemtarIdentityFile, AMissingFolderIsNamedAndNothingIsWritten) {
    In.Folder = Folder.Path() + "missing/";
    EXPECT_EQ(zcFolder, WriteIdentityTransferFile(ZemtarElectricity, ifPeriod, *Grid, In));
    ASSERT_EQ(Prompts.Messages().size(), 1u);
    EXPECT_EQ(Prompts.LastMessage(),
              "Klasör bulunamadı: \"" + In.Folder + "\". Lütfen var olan bir klasör yazınız; dosya yazılmadı.");
    EXPECT_FALSE(DirectoryExists(In.Folder));
}

TEST_F(ZemtarIdentityFile, AFailedWriteKeepsTheEarlierFileAndReportsNoSuccess) {
    // A folder in the way of the file: the rename over it fails.
    ASSERT_TRUE(ForceDirectories(Folder.Path() + "elektrik_abone_kimlik.xml/x"));
    EXPECT_THROW(WriteIdentityTransferFile(ZemtarElectricity, ifPeriod, *Grid, In), EFCreateError);
    EXPECT_TRUE(Prompts.Messages().empty());
    EXPECT_TRUE(DirectoryExists(Folder.Path() + "elektrik_abone_kimlik.xml/x"));
}

TEST_F(ZemtarIdentityFile, GasHasNoClosedOrChangedFile) {
    EXPECT_THROW(WriteIdentityTransferFile(ZemtarNaturalGas, ifClosedOrChanged, *Grid, In), EInvalidOperation);
    EXPECT_TRUE(Prompts.Messages().empty());
}

TEST_F(ZemtarIdentityFile, ForbiddenCharactersInAMarkedRowStopTheWriteKeepingTheEarlierFile) {
    FillFullRow(1, "E");
    ASSERT_EQ(zcOk, WriteIdentityTransferFile(ZemtarElectricity, ifPeriod, *Grid, In));
    const AnsiString Path = Folder.Path() + "elektrik_abone_kimlik.xml";
    const std::string Before = Read(Path);
    Grid->SetCells(2, 0, "ADI");
    for (char Bad : {'\x01', '\x08', '\x0B', '\x0C', '\x0E', '\x1F'}) {
        Prompts.Clear();
        Grid->SetCells(2, 1, AnsiString("Ay") + Bad + "şe");
        EXPECT_EQ(MessageOf<EZemtarText>([&] { WriteIdentityTransferFile(ZemtarElectricity, ifPeriod, *Grid, In); }),
                  Format("Satır 1, sütun 2 (ADI): XML dosyasına yazılamayan bir karakter (kod %d) var; dosya yazılmadı",
                         {Integer(Bad)}));
        EXPECT_TRUE(Prompts.Messages().empty());
        EXPECT_EQ(Before, Read(Path));
    }
    // In an attribute value too; an unmarked row is not looked at.
    Grid->SetCells(2, 1, "Ayşe");
    Grid->SetCells(33, 1, "2\x02");
    EXPECT_THROW(WriteIdentityTransferFile(ZemtarElectricity, ifPeriod, *Grid, In), EZemtarText);
    Grid->SetCells(38, 1, "H");
    EXPECT_EQ(zcOk, WriteIdentityTransferFile(ZemtarElectricity, ifPeriod, *Grid, In));
}

TEST_F(ZemtarIdentityFile, LineBreaksInAttributeValuesAreCharacterReferences) {
    FillFullRow(1, "E");
    Grid->SetCells(18, 1, "1\r\n2\n3\t4");
    Grid->SetCells(33, 1, "\"&<");
    ASSERT_EQ(zcOk, WriteIdentityTransferFile(ZemtarElectricity, ifPeriod, *Grid, In));
    const std::string File = Read(Folder.Path() + "elektrik_abone_kimlik.xml");
    EXPECT_NE(std::string::npos,
              File.find("<islem  islemturu=\"80069\"  islemtipi=\"1&#13;&#10;2&#10;3&#9;4\"  abonetipi=\"&quot;&amp;&lt;\">"
                        "\t\r\n"));
}

TEST_F(ZemtarIdentityFile, AFailureAfterTheFirstMegabyteLeavesTheEarlierFileAndNoTemporaryFile) {
    ASSERT_EQ(zcOk, WriteIdentityTransferFile(ZemtarElectricity, ifPeriod, *Grid, In));
    const AnsiString Path = Folder.Path() + "elektrik_abone_kimlik.xml";
    const std::string Before = Read(Path);
    Grid->SetRowCount(1002);
    for (Integer R = 1; R <= 1000; ++R) FillFullRow(R, "E");   // about 1.3 MB
    Grid->SetCells(16, 1000, "12\x10");
    EXPECT_THROW(WriteIdentityTransferFile(ZemtarElectricity, ifPeriod, *Grid, In), EZemtarText);
    EXPECT_EQ(Before, Read(Path));
    Integer Files = 0;
    for (const auto& E : std::filesystem::directory_iterator(Folder.Path())) Files += E.is_regular_file();
    EXPECT_EQ(Files, 1);
    // Mended, the whole file goes in.
    Grid->SetCells(16, 1000, "12");
    ASSERT_EQ(zcOk, WriteIdentityTransferFile(ZemtarElectricity, ifPeriod, *Grid, In));
    EXPECT_GT(Read(Path).size(), 1200000u);
}

}  // namespace
