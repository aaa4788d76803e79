#include "transfer/FaturaGir.h"
#include "transfer/TopFaturaGir.h"

#include "InvoiceTestKit.h"
#include "platform/ui/UiTestKit.h"

#include <QTimer>

using namespace invoicetest;
using namespace uitest;

namespace {

// The bulk screen shown modally as the menu shows it; the single invoice
// dialog it opens is driven with the mouse while the bulk screen stays modal.
class ModalInvoiceEntry : public TInvoiceScreensTest {
protected:
    struct TCase {
        TTopFaturaGirForm* Bulk;
        TFaturaGirForm* Dialog;
        const char* Kind;
    };

    // Runs Steps inside the bulk screen's modal loop, then closes the screen.
    void WhileModal(TTopFaturaGirForm* Bulk, const std::function<void()>& Steps) {
        bool Ran = false;
        modaltest::WhileShownModally(Bulk, [&] { Steps(), Ran = true; });
        EXPECT_TRUE(Ran);
    }
    // Whether the key, sent to the focused amount, changed its text.
    static bool KeyChanges(TMoneyEdit* Amount, Qt::Key K) {
        const AnsiString Before = Amount->Text();
        SystemKey(Amount, K);
        return Amount->Text() != Before;
    }

    // Lists March 2016 and opens the dialog for a new invoice of the first row.
    void OpenDialog(TTopFaturaGirForm* Bulk) {
        Bulk->iay->SetText("Mart");
        Bulk->iay->SetFocus();
        SystemClick(Bulk->Button1);   // leaving the month sets the invoice date
        Settle();
        Bulk->OENDEKS->SetRow(1);
        ClickAndSettle(Bulk->yenikayit);
    }
};

TEST_F(ModalInvoiceEntry, SaveClickedInTheDialogStoresTheInvoice) {
    for (const TCase& C : {TCase{EBulk.get(), EDialog.get(), "e"}, TCase{DBulk.get(), DDialog.get(), "d"}}) {
        SCOPED_TRACE(C.Kind);
        AddSubscriber(C.Kind, "100", "ALİ");
        WhileModal(C.Bulk, [&] {
            OpenDialog(C.Bulk);
            ASSERT_TRUE(C.Dialog->Visible());
            C.Dialog->faturabedeli->SetTextAsFloat(1234.5);
            C.Dialog->toplamtuketim->SetTextAsFloat(310.25);
            ClickAndSettle(C.Dialog->kaydet);
            EXPECT_FALSE(C.Dialog->Visible());
            EXPECT_TRUE(C.Bulk->Modal());
            // Back on the bulk screen, which takes the mouse again.
            EXPECT_EQ(QApplication::activeWindow(), C.Bulk->Widget());
        });
        EXPECT_EQ(DM().Count(Format("select * from %sfatura where ABONENO = '100' and TOPLAMBEDELI = 1234.5 and "
                                    "DONEMI = 'Mart 2016'", {AnsiString(C.Kind)})), 1);
        EXPECT_TRUE(Prompts.Messages().empty()) << Prompts.LastMessage();
    }
}

TEST_F(ModalInvoiceEntry, TheDialogTakesKeysAndItsCloseButtonWhileTheScreenIsModal) {
    AddSubscriber("e", "100", "ALİ");
    WhileModal(EBulk.get(), [&] {
        OpenDialog(EBulk.get());
        ASSERT_TRUE(EDialog->Visible());
        TMoneyEdit* Amount = EDialog->toplamtuketim;
        Amount->SetText("31");
        Amount->SetFocus();
        Settle();
        SystemKey(Amount, Qt::Key_End);
        EXPECT_TRUE(KeyChanges(Amount, Qt::Key_7));
        CloseAndSettle(EDialog.get());
        EXPECT_FALSE(EDialog->Visible());
        EXPECT_TRUE(EBulk->Visible());
    });
    EXPECT_EQ(DM().Count("select * from efatura"), 0);
}

// After a press closes the dialog the bulk screen comes back to the front; the
// next opening must bring the dialog up over it again and give it the keys.
TEST_F(ModalInvoiceEntry, TheDialogComesBackToTheFrontWhenOpenedAgain) {
    AddSubscriber("e", "100", "ALİ");
    WhileModal(EBulk.get(), [&] {
        OpenDialog(EBulk.get());
        ClickAndSettle(EDialog->kaydet);
        ASSERT_FALSE(EDialog->Visible());
        ASSERT_EQ(QApplication::activeWindow(), EBulk->Widget());
        ClickAndSettle(EBulk->yenikayit);
        ASSERT_TRUE(EDialog->Visible());
        EXPECT_EQ(QApplication::activeWindow(), EDialog->Widget());
        EXPECT_TRUE(EDialog->degistir->Visible());
        TMoneyEdit* Amount = EDialog->faturabedeli;
        Amount->SetFocus();
        Settle();
        EXPECT_TRUE(KeyChanges(Amount, Qt::Key_3));
        CloseAndSettle(EDialog.get());
    });
    EXPECT_EQ(DM().Count("select * from efatura"), 1);
}

// The dialog is not modal: it can outlive the bulk screen that opened it. The
// next visit of the screen disables it with every open window, and opening it
// from there must give it back to the operator, not leave it shown but dead.
TEST_F(ModalInvoiceEntry, ADialogLeftOpenTakesInputWhenTheNextVisitOpensIt) {
    AddSubscriber("e", "100", "ALİ");
    bool Ran = false;
    QTimer::singleShot(0, [&] {
        OpenDialog(EBulk.get());
        SystemClose(EBulk.get());   // the screen goes, the dialog stays
        Ran = true;
    });
    EBulk->ShowModal();
    ASSERT_TRUE(Ran);
    ASSERT_TRUE(EDialog->Visible());
    WhileModal(EBulk.get(), [&] {
        OpenDialog(EBulk.get());
        ASSERT_TRUE(EDialog->Visible());
        EXPECT_EQ(QApplication::activeWindow(), EDialog->Widget());
        TMoneyEdit* Amount = EDialog->faturabedeli;
        ClickAndSettle(Amount);
        EXPECT_TRUE(KeyChanges(Amount, Qt::Key_4));
        ClickAndSettle(EDialog->kaydet);
        EXPECT_FALSE(EDialog->Visible());
    });
    EXPECT_EQ(DM().Count("select * from efatura"), 1);
}

// A month typed by keys in other letters than the list's is taken as the list's
// month: the period text and the proposed invoice date follow it.
TEST_F(ModalInvoiceEntry, AMonthTypedInSmallLettersBecomesTheListsMonth) {
    AddSubscriber("e", "100", "ALİ");
    WhileModal(EBulk.get(), [&] {
        EBulk->iay->SetFocus();
        Settle();
        TypeText(u"ağ");
        SystemKey(EBulk->iay, Qt::Key_Tab);
        Settle();
        EXPECT_EQ(EBulk->iay->Text(), "Ağustos");
        EXPECT_EQ(DateToStr(EBulk->faturatarihi->Date()), "31.08.2016");
        ClickAndSettle(EBulk->Button1);
        EBulk->OENDEKS->SetRow(1);
        ClickAndSettle(EBulk->yenikayit);
        ASSERT_TRUE(EDialog->Visible());
        EXPECT_EQ(EDialog->donemi->Text(), "Ağustos 2016");
        ClickAndSettle(EDialog->kaydet);
    });
    EXPECT_EQ(DM().Value("select DONEMI from efatura"), "Ağustos 2016");
}

}  // namespace
