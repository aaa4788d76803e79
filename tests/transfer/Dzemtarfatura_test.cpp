#include "transfer/Dzemtarfatura.h"

#include "ScreenTestKit.h"

#include "grid/ExtGrid.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/StdCtrls.h"

using namespace transfertest;

namespace {

class GasInvoiceScreen : public TScreenFixture {
protected:
    GasInvoiceScreen() {
        Exec("delete from DFATURA; delete from DABONEKIMLIK; delete from EFATURA;"
             "insert into DABONEKIMLIK (ABONENO,ADI,SOYADI,VERGINO,TCKIMLIK,ZEMTARDAHIL) "
             "values ('12345','ALİ','VELİ','1234567890','12345678901','EVET');"
             "insert into DFATURA (REFERANSNO,ABONENO,TOPLAMBEDELI,TOPLAMTUKETIM,FATURATARIHI) "
             "values ('81','12345',100.5,10,'02.03.2016');"
             "insert into DFATURA (REFERANSNO,ABONENO,TOPLAMBEDELI,TOPLAMTUKETIM,FATURATARIHI) "
             "values ('82','12345',20,5,'03.03.2016');"
             "insert into EFATURA (REFERANSNO,ABONENO,TOPLAMBEDELI,TOPLAMTUKETIM,FATURATARIHI) "
             "values ('71','12345',1,1,'03.03.2016');");
        F = std::make_unique<TDzemtarfaturaf>(nullptr);
        F->ilktarih->SetDate(EncodeDate(2016, 3, 1));
        F->sontarih->SetDate(EncodeDate(2016, 3, 31));
    }
    std::unique_ptr<TDzemtarfaturaf> F;
};

}  // namespace

TEST_F(GasInvoiceScreen, ListsTheGasTablesAndWritesTheGasFile) {
    EXPECT_EQ(F->Color(), TColor(0xC6DBF9));
    F->Button1->Click();
    ASSERT_EQ(F->OENDEKS->RowCount(), 4);
    EXPECT_EQ(F->OENDEKS->Cells(9, 1), "81");
    EXPECT_EQ(F->OENDEKS->Cells(9, 2), "82");
    EXPECT_EQ(F->OENDEKS->Cells(8, 2), "NORMAL");
    F->iay->SetText("Mart");
    F->VERGINOM->SetText("1234567890");
    F->YOL->SetText(Folder.Path());
    F->Button4->Click();
    const AnsiString Path = Folder.Path() + "dogalgaz_fatura_islemleri.xml";
    EXPECT_EQ(Prompts.LastMessage(), Path + " dosyası oluştu");
    const std::string Text = LoadFileToString(Path);
    EXPECT_NE(Text.find("<toplamtutar>120.50</toplamtutar>"), std::string::npos);
    EXPECT_NE(Text.find("<aboneno>000000000012345</aboneno>"), std::string::npos);
    EXPECT_NE(Text.find("islemturu=\"90072\""), std::string::npos);
}
