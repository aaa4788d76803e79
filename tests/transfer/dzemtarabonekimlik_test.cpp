#include "transfer/dzemtarabonekimlik.h"

#include "ScreenTestKit.h"

#include "grid/ExtGrid.h"
#include "platform/ui/Spin.h"
#include "platform/ui/StdCtrls.h"

using namespace transfertest;

namespace {

class GasIdentityScreen : public TScreenFixture {
protected:
    GasIdentityScreen() {
        Exec("delete from DABONEKIMLIK;"
             "insert into DABONEKIMLIK (ABONENO,ADI,SOYADI,VERGINO,TCKIMLIK,MULKADI,KIRATUTARI,YUZOLCUM,YAZI1) "
             "values ('501','MEHMET','K','123456789','','',1250.5,12.75,'Şubat 2016');");
        F = std::make_unique<Tdzemtarabonekimlikf>(nullptr);
    }
    std::unique_ptr<Tdzemtarabonekimlikf> F;
};

}  // namespace

TEST_F(GasIdentityScreen, CarriesTheGasCaptionsHintsAndNoClosedListing) {
    EXPECT_EQ(F->Caption(), "Doğalgaz Abone Kimlik Bilgilerinin ZEMTAR Sistemine Transfer Menüsü");
    EXPECT_FALSE(F->ShowHint());
    EXPECT_TRUE(F->Button4->ShowHint());
    EXPECT_TRUE(F->GroupBox2->Visible());
    EXPECT_EQ(F->GroupBox2->Caption(), "tum_dogalgaz_abone_kimlik.xml dosyası oluşturma Seçenekleri");
    EXPECT_EQ(F->GroupBox1, F->FindComponent("GroupBox1"));
    EXPECT_EQ(F->Button1->Caption(), "Tüm Abone Kimlik Bilgilerini Ekrana Listele");
    EXPECT_EQ(F->Button2->Caption(), "Abone Kimlik Bilgilerini Ekrana Listele");
    EXPECT_EQ(F->ClosedListButton, nullptr);
    EXPECT_EQ(F->FindComponent("Button5"), nullptr);
}

TEST_F(GasIdentityScreen, PeriodListingCopiesColumnsAsTheyAre) {
    F->iay->SetText("Şubat");
    F->iyil->SetText("2016");
    F->Button2->Click();
    ASSERT_EQ(F->OENDEKS->RowCount(), 3);
    EXPECT_EQ(RowText(F->OENDEKS, 1, {3, 4, 5, 19, 28, 26, 32, 38}), "K|123456789||||1250,5|12,75|E");
}

TEST_F(GasIdentityScreen, AllListingAppliesTheFillRules) {
    F->Button1->Click();
    ASSERT_EQ(F->OENDEKS->RowCount(), 3);
    EXPECT_EQ(RowText(F->OENDEKS, 1, {3, 4, 5, 19, 20, 26}), "MEHMET|2222222222|22222222222|MEHMET|MEHMET|1250.5");
}

TEST_F(GasIdentityScreen, EmptyPeriodListingKeepsTheRowCount) {
    F->Button1->Click();
    F->iay->SetText("Mart");
    F->iyil->SetText("2016");
    F->Button2->Click();
    EXPECT_EQ(Prompts.LastMessage(), IdentityEmptyPeriodMessage);
    EXPECT_EQ(F->OENDEKS->RowCount(), 3);
    EXPECT_EQ(RowText(F->OENDEKS, 1, {0, 1, 38}), "1||");
}

TEST_F(GasIdentityScreen, AllSubscribersFileAsksForItsOwnMonth) {
    F->Show();
    F->Button1->Click();
    F->ay->SetText("");
    F->YOL->SetText(Folder.Path());
    F->Button4->Click();
    EXPECT_EQ(Prompts.LastMessage(), "lütfen Beyan Ayını Giriniz");
    EXPECT_TRUE(F->ay->Focused());
    F->ay->SetText("Ocak");
    F->VERGINOM->SetText("1234567890");
    F->Button4->Click();
    const AnsiString Path = Folder.Path() + "tum_dogalgaz_abone_kimlik.xml";
    EXPECT_EQ(Prompts.LastMessage(), Path + " dosyası oluştu");
    EXPECT_NE(LoadFileToString(Path).find(ZemtarSubscriberNo("501", 15)), std::string::npos);
}

TEST_F(GasIdentityScreen, ZoneTaxNumberHasItsOwnDigitFilter) {
    char Key = 'q';
    F->VERGINOMKeyPress(F->VERGINOM, Key);
    EXPECT_EQ(Key, 0);
    EXPECT_EQ(Prompts.LastMessage(), "Sadece rakam giriniz");
}
