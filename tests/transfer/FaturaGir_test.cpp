#include "transfer/FaturaGir.h"

#include "InvoiceTestKit.h"
#include "platform/ui/UiTestKit.h"

using namespace invoicetest;

namespace {

const char* const Stored = "Bu numaralı fatura kayıtlı lütfen başka bir fatura numarası giriniz";
const char* const NoSubscriber = "Lütfen Abone Numarasını Boş Bırakmayınız!";
const char* const NoReference = "Lütfen Referans Numarasını Boş Bırakmayınız!";

class InvoiceDialog : public TInvoiceScreensTest {
protected:
    // Lists the period on the bulk screen and opens the dialog on Row.
    TFaturaGirForm* Open(TTopFaturaGirForm* Bulk, TFaturaGirForm* Dialog, Integer Row, const AnsiString& Month = "Mart") {
        ShowAndList(Bulk, Month);
        Bulk->iayExit(Bulk->iay);
        Bulk->OENDEKS->SetRow(Row);
        Bulk->yenikayitClick(Bulk);
        return Dialog;
    }
    TFaturaGirForm* OpenE(Integer Row) { return Open(EBulk.get(), EDialog.get(), Row); }
    // Number, period, date and the two amounts in hundredths of the invoice with Ref.
    AnsiString Invoice(const char* Kind, const AnsiString& Ref) {
        return DM().Value(Format("select ABONENO || '|' || DONEMI || '|' || FATURATARIHI || '|' || "
                                 "cast(TOPLAMBEDELI * 100 as integer) || '|' || cast(TOPLAMTUKETIM * 100 as integer) "
                                 "from %sfatura where REFERANSNO = '%s'",
                                 {AnsiString(Kind), Ref}));
    }
};

TEST_F(InvoiceDialog, HasItsCaptionLockedFieldsYellowMarksAndOnlyTheSaveButtonShowingItsFocus) {
    EXPECT_EQ(DDialog->Caption(), "Doğalgaz Fatura Bilgisi Girişi");
    EXPECT_EQ(EDialog->ClassName(), "Tefaturagirf");
    EXPECT_FALSE(EDialog->GroupBox1->Enabled());
    EXPECT_FALSE(EDialog->referansno->Enabled());
    EXPECT_EQ(ShownButtons(EDialog.get()), "kaydet ");
    // The bulk check box is yellow and the focused save button shows it.
    for (TCheckBox* B : {EBulk->donemg, DBulk->donemg}) EXPECT_EQ(uitest::PixelAt(B->Widget()->grab().toImage(), 138, 8), clYellow);
    EDialog->Show();
    const QImage Unfocused = EDialog->kaydet->Widget()->grab().toImage();
    EDialog->faturabedeli->SetFocus();
    uitest::SystemKey(EDialog->faturabedeli, Qt::Key_Return);
    EXPECT_NE(EDialog->kaydet->Widget()->grab().toImage(), Unfocused);
}

TEST_F(InvoiceDialog, SaveStoresTheInvoiceAndWritesItIntoTheGridRow) {
    AddSubscriber("e", "100", "ALİ");
    AddSubscriber("e", "200", "AYŞE");
    TFaturaGirForm* D = OpenE(2);
    D->faturabedeli->SetTextAsFloat(1234.5);
    D->toplamtuketim->SetTextAsFloat(310.25);
    D->kaydetClick(D);
    EXPECT_TRUE(Prompts.Messages().empty());
    EXPECT_EQ(Invoice("e", "920160315102030"), "200|Mart 2016|31.03.2016|123450|31025");
    EXPECT_EQ(InvoiceCells(EBulk->OENDEKS, 2), "31.03.2016|310,25|1234,5|920160315102030");
    EXPECT_FALSE(EBulk->OENDEKS->CellTextCut(9, 2)) << "a reference number shows whole";
    EXPECT_EQ(InvoiceCells(EBulk->OENDEKS, 1), "|||");
    EXPECT_FALSE(D->Visible());
    EXPECT_FALSE(D->kaydet->Visible());
    EXPECT_FALSE(DM()->EFATURA->Active());
}

TEST_F(InvoiceDialog, SaveRefusesAReferenceNumberStoredForTheSubscriber) {
    AddSubscriber("e", "100", "ALİ");
    AddInvoice("e", "920160315102030", "100", "1", "1", "Ocak 2016", "01.01.2016");
    TFaturaGirForm* D = OpenE(1);
    D->kaydetClick(D);
    EXPECT_EQ(Prompts.LastMessage(), Stored);
    EXPECT_EQ(DM().Count("select * from efatura"), 1);
    EXPECT_FALSE(D->Visible());
    EXPECT_EQ(InvoiceCells(EBulk->OENDEKS, 1), "|||");
}

TEST_F(InvoiceDialog, EmptyRequiredFieldsAreReportedAndCloseTheDialog) {
    AddSubscriber("e", "100", "ALİ");
    struct TCase {
        const char* Field;
        void (TFaturaGirForm::*Press)(TObject*);
        const char* Message;
    };
    for (const TCase& C : {TCase{"ABONENO", &TFaturaGirForm::kaydetClick, NoSubscriber},
                           TCase{"referansno", &TFaturaGirForm::kaydetClick, NoReference},
                           TCase{"ABONENO", &TFaturaGirForm::silClick, NoSubscriber},
                           TCase{"referansno", &TFaturaGirForm::silClick, NoReference},
                           TCase{"referansno", &TFaturaGirForm::degistirClick, NoReference}}) {
        SCOPED_TRACE(C.Field);
        TFaturaGirForm* D = OpenE(1);
        (AnsiString(C.Field) == "ABONENO" ? D->ABONENO : D->referansno)->Clear();
        (D->*C.Press)(D);
        EXPECT_EQ(Prompts.LastMessage(), C.Message);
        EXPECT_FALSE(D->Visible());
    }
    EXPECT_EQ(DM().Count("select * from efatura"), 0);
}

TEST_F(InvoiceDialog, ChangeWithoutSubscriberKeepsOnlyTheElectricityDialogOpen) {
    AddSubscriber("e", "100", "ALİ");
    AddSubscriber("d", "100", "ALİ");
    for (bool Gas : {false, true}) {
        TFaturaGirForm* D = Gas ? Open(DBulk.get(), DDialog.get(), 1) : OpenE(1);
        D->ABONENO->Clear();
        D->degistirClick(D);
        EXPECT_EQ(Prompts.LastMessage(), NoSubscriber);
        EXPECT_EQ(D->Visible(), !Gas);
    }
}

TEST_F(InvoiceDialog, ChangeRewritesOnlyTheInvoiceShownNotItsSiblingsOnThatDate) {
    AddSubscriber("e", "100", "ALİ");
    AddInvoice("e", "R1", "100", "10", "1", "Mart 2016", "20.03.2016");
    AddInvoice("e", "R2", "100", "20", "2", "Mart 2016", "20.03.2016");
    AddInvoice("e", "R3", "100", "30", "3", "Mart 2016", "21.03.2016");
    TFaturaGirForm* D = OpenE(1);
    ASSERT_EQ(D->referansno->Text(), "R1");
    D->faturabedeli->SetTextAsFloat(99.5);
    D->degistirClick(D);
    EXPECT_TRUE(Prompts.Messages().empty());
    EXPECT_EQ(DM().Count("select * from efatura where REFERANSNO = 'R1' and TOPLAMBEDELI = 99.5"), 1);
    EXPECT_EQ(Invoice("e", "R2"), "100|Mart 2016|20.03.2016|2000|200");
    EXPECT_EQ(Invoice("e", "R3"), "100|Mart 2016|21.03.2016|3000|300");
    EXPECT_EQ(InvoiceCells(EBulk->OENDEKS, 1), "20.03.2016|1|99,5|R1");
    EXPECT_FALSE(D->Visible());
}

TEST_F(InvoiceDialog, AChangedDateIsStored) {
    AddSubscriber("e", "100", "ALİ");
    AddSubscriber("d", "100", "ALİ");
    AddInvoice("e", "R1", "100", "10", "1", "Mart 2016", "20.03.2016");
    AddInvoice("d", "G1", "100", "10", "1", "Mart 2016", "20.03.2016");
    struct TCase {
        TTopFaturaGirForm* Bulk;
        TFaturaGirForm* Dialog;
        const char* Kind;
        const char* Ref;
    };
    for (const TCase& C : {TCase{EBulk.get(), EDialog.get(), "e", "R1"}, TCase{DBulk.get(), DDialog.get(), "d", "G1"}}) {
        Prompts.Clear();
        TFaturaGirForm* D = Open(C.Bulk, C.Dialog, 1);
        D->faturatarihi->SetDate(EncodeDate(2016, 3, 22));
        D->faturabedeli->SetTextAsFloat(5);
        D->degistirClick(D);
        EXPECT_TRUE(Prompts.Messages().empty());
        EXPECT_FALSE(D->Visible());
        EXPECT_EQ(Invoice(C.Kind, C.Ref), "100|Mart 2016|22.03.2016|500|100");
        EXPECT_EQ(InvoiceCells(C.Bulk->OENDEKS, 1), AnsiString("22.03.2016|1|5|") + C.Ref);
    }
}

TEST_F(InvoiceDialog, DeleteRemovesTheInvoiceAndClearsItsColumns) {
    AddSubscriber("e", "100", "ALİ");
    AddInvoice("e", "R1", "100", "10", "1", "Mart 2016", "20.03.2016");
    TFaturaGirForm* D = OpenE(1);
    D->silClick(D);
    EXPECT_TRUE(Prompts.Messages().empty());
    EXPECT_EQ(DM().Count("select * from efatura"), 0);
    TExtStringGrid* G = EBulk->OENDEKS;
    EXPECT_EQ(InvoiceCells(G, 1), "|||");
    EXPECT_EQ(G->Cells(0, 1) + G->Cells(1, 1) + G->Cells(2, 1), "1100ALİ");
    EXPECT_FALSE(D->Visible());
}

TEST_F(InvoiceDialog, DeleteOfAnInvoiceNoLongerStoredSaysSo) {
    AddSubscriber("d", "100", "ALİ");
    AddInvoice("d", "G1", "100", "10", "1", "Mart 2016", "20.03.2016");
    TFaturaGirForm* D = Open(DBulk.get(), DDialog.get(), 1);
    DM().Execute("delete from dfatura");
    D->silClick(D);
    EXPECT_EQ(Prompts.LastMessage(), Stored);
    EXPECT_EQ(InvoiceCells(DBulk->OENDEKS, 1), "20.03.2016|1|10|G1");
    EXPECT_FALSE(D->Visible());
}

TEST_F(InvoiceDialog, WriteBackGoesToTheRowTheDialogCameFromNotTheCurrentOne) {
    AddSubscriber("e", "100", "ALİ");
    AddInvoice("e", "R1", "100", "10", "1", "Mart 2016", "01.03.2016");
    AddInvoice("e", "R2", "100", "20", "2", "Mart 2016", "02.03.2016");
    TFaturaGirForm* D = OpenE(1);
    EBulk->OENDEKS->SetRow(2);   // another row of the same subscriber
    D->faturabedeli->SetTextAsFloat(15);
    D->degistirClick(D);
    EXPECT_EQ(InvoiceCells(EBulk->OENDEKS, 1), "01.03.2016|1|15|R1");
    EXPECT_EQ(InvoiceCells(EBulk->OENDEKS, 2), "02.03.2016|2|20|R2");
    EXPECT_EQ(Invoice("e", "R1"), "100|Mart 2016|01.03.2016|1500|100");
}

TEST_F(InvoiceDialog, AFailingPostOrCommitKeepsTheDialogOpenAndTheRowUnchanged) {
    AddSubscriber("e", "100", "ALİ");
    TFaturaGirForm* D = OpenE(1);
    DM()->EFATURA->InsertSQL()->SetText("insert into nosuchtable(REFERANSNO) values (?REFERANSNO)");
    EXPECT_ANY_THROW(D->kaydetClick(D));
    EXPECT_TRUE(D->Visible());
    EXPECT_EQ(InvoiceCells(EBulk->OENDEKS, 1), "|||");
    EXPECT_EQ(DM().Count("select * from efatura"), 0);
    // A failing commit too: the row is written only once the invoice is stored.
    D->FormShow(D);
    DM()->FBTransact1->AddEndEvent(2, {}, [](TObject*, TTransactionAction A, bool) { if (A == TACommit) throw Exception("c"); });
    uitest::Click(D->kaydet);
    DM()->FBTransact1->RemoveEndEvent(2, {});
    EXPECT_EQ(InvoiceCells(EBulk->OENDEKS, 1), "|||");
}

TEST_F(InvoiceDialog, EnterMovesThroughDateAndAmounts) {
    AddSubscriber("e", "100", "ALİ");
    TFaturaGirForm* D = OpenE(1);
    D->faturatarihi->SetFocus();
    uitest::Settle();
    uitest::PressEnter();
    EXPECT_EQ(D->ActiveControl(), D->toplamtuketim);
    uitest::PressEnter();
    EXPECT_EQ(D->ActiveControl(), D->faturabedeli);
    char Letter = 'a', Enter = '\r';
    D->ABONENOKeyPress(D->faturabedeli, Letter);
    D->toplamtuketimKeyPress(D->faturabedeli, Enter);
    EXPECT_EQ(Letter, 'a');
    EXPECT_EQ(Enter, 0);
}

}  // namespace
