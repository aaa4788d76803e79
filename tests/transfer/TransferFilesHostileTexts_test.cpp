#include "transfer/ezemtarabonekimlik.h"
#include "transfer/zemtarfatura.h"

#include "ScreenTestKit.h"
#include "../platform/ui/UiTestKit.h"
#include "entry/ModalTestKit.h"

#include "grid/ExtGrid.h"
#include "platform/rtl/Files.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Spin.h"
#include "platform/ui/StdCtrls.h"

using namespace transfertest;

namespace {

// Stored texts an operator could have typed: markup characters, Turkish letters,
// a "]]>" and a row of NULLs. The files stay well-formed and carry each text
// exactly, in UTF-8.
class TransferFilesOfHostileTexts : public TScreenFixture {
protected:
    TransferFilesOfHostileTexts() {
        Exec("delete from EFATURA; delete from EABONEKIMLIK;");
        Exec("insert into EABONEKIMLIK (ABONENO,ADI,SOYADI,VERGINO,TCKIMLIK,ZEMTARDAHIL,YAZI1) values "
             "('1&<2>\"''','A&B <x> \"q\" ''s'' ĞÜŞİÖÇğüşıöç€','ŞAH]]>İN','1234567890','12345678901','EVET','Mart 2016');"
             "insert into EABONEKIMLIK (ABONENO,YAZI1) values ('BOS','Mart 2016');"
             "insert into EFATURA (REFERANSNO,ABONENO,TOPLAMBEDELI,TOPLAMTUKETIM,DONEMI,FATURATARIHI) values "
             "('R&<>Ş','1&<2>\"''',1.5,2,'Mart 2016','10.03.2016');"
             "insert into EFATURA (REFERANSNO,ABONENO,FATURATARIHI) values (null,'BOS','11.03.2016');");
    }
    // Clicks Button of the screen shown as the menu shows it, after Steps.
    static void ClickWhileModal(TForm* F, TControl* Button, const std::function<void()>& Steps) {
        modaltest::WhileShownModally(F, [&] {
            Steps();
            uitest::Click(Button);
        });
    }
};

const char* const Name = "<ad>A&amp;B &lt;x&gt; &quot;q&quot; &apos;s&apos; \xC4\x9E\xC3\x9C\xC5\x9E\xC4\xB0\xC3\x96\xC3\x87"
                         "\xC4\x9F\xC3\xBC\xC5\x9F\xC4\xB1\xC3\xB6\xC3\xA7\xE2\x82\xAC</ad>";
const char* const Surname = "<soyad>\xC5\x9E" "AH]]&gt;\xC4\xB0N</soyad>";
const char* const Number = "<aboneno>00000000000000000001&amp;&lt;2&gt;&quot;&apos;</aboneno>";

TEST_F(TransferFilesOfHostileTexts, InvoiceFile) {
    auto F = std::make_unique<Tzemtarfaturaf>(nullptr);
    ClickWhileModal(F.get(), F->Button4, [&] {
        F->ilktarih->SetDate(EncodeDate(2016, 3, 1));
        F->sontarih->SetDate(EncodeDate(2016, 3, 31));
        uitest::Click(F->Button1);
        F->iay->SetText("Mart");
        F->VERGINOM->SetText("1234567890");
        F->OSBUNVAN->SetText("OSB & <Ünvan>");
        F->YOL->SetText(Folder.Path());
    });
    const AnsiString Path = Folder.Path() + "elektrik_fatura_islemleri.xml";
    ASSERT_EQ(Prompts.LastMessage(), Path + " dosyası oluştu");
    const std::string Text = LoadFileToString(Path);
    for (const char* Part : {Name, Surname, Number, "<unvan>OSB &amp; &lt;\xC3\x9Cnvan&gt;</unvan>",
                             "<toplamislemsayisi>2</toplamislemsayisi>", "<aboneno>00000000000000000000000BOS</aboneno>",
                             "<soyad></soyad>\t\r\n        <ad></ad>", "<tutartl>0</tutartl>"})
        EXPECT_NE(Text.find(Part), std::string::npos) << Part;
}

TEST_F(TransferFilesOfHostileTexts, IdentityFile) {
    auto F = std::make_unique<Tezemtarabonekimlikf>(nullptr);
    ClickWhileModal(F.get(), F->Button8, [&] {
        F->iay->SetText("Mart");
        F->iyil->SetText("2016");
        uitest::Click(F->Button7);
        F->VERGINOM->SetText("1234567890");
        F->iyol->SetText(Folder.Path());
        F->dosyano->SetText("3");
    });
    const AnsiString Path = Folder.Path() + "elektrik_abone_kimlik.xml";
    ASSERT_EQ(Prompts.LastMessage(), Path + " dosyası oluştu");
    const std::string Text = LoadFileToString(Path);
    for (const char* Part : {Name, Surname, Number, "<topislsayisi>2</topislsayisi>",
                             "<aboneno>00000000000000000000000BOS</aboneno>"})
        EXPECT_NE(Text.find(Part), std::string::npos) << Part;
    EXPECT_EQ(Text.find("]]>"), std::string::npos);
}

}  // namespace
