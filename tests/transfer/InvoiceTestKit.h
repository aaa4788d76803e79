#pragma once
// Fixture of the invoice screen tests: the data module on a fresh database
// (one per suite, tables emptied per test), both bulk screens and dialogs
// installed in their globals, a fixed clock, Turkish number settings and a
// prompter that records the messages.
#include "datasets/pFBDataSet.h"
#include "entry/ModalTestKit.h"
#include "platform/ui/UiTestKit.h"
#include "dbclient/pFBTransaction.h"
#include "entry/Mneyedit.h"
#include "grid/ExtGrid.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Spin.h"
#include "platform/ui/StdCtrls.h"
#include "support/db/TestDataModule.h"
#include "transfer/dfaturagir.h"
#include "transfer/dtopfaturagir.h"
#include "transfer/efaturagir.h"
#include "transfer/etopfaturagir.h"

#include <gtest/gtest.h>

#include <memory>

namespace invoicetest {

inline TDateTime At(Word Y, Word M, Word D, Word H = 10, Word N = 20, Word S = 30) {
    return EncodeDate(Y, M, D) + EncodeTime(H, N, S, 0);
}

class TInvoiceScreensTest : public TDataModuleSuite {
protected:
    void SetUp() override {
        SetNowProvider([this] { return Clock; });
        DM().Execute("delete from efatura; delete from dfatura; delete from eabonekimlik; delete from dabonekimlik");
        EBulk = std::make_unique<Tetopfaturagirf>(nullptr);
        DBulk = std::make_unique<Tdtopfaturagirf>(nullptr);
        EDialog = std::make_unique<Tefaturagirf>(nullptr);
        DDialog = std::make_unique<Tdfaturagirf>(nullptr);
        etopfaturagirf = EBulk.get();
        dtopfaturagirf = DBulk.get();
        efaturagirf = EDialog.get();
        dfaturagirf = DDialog.get();
    }
    void TearDown() override {
        DDialog.reset();
        EDialog.reset();
        DBulk.reset();
        EBulk.reset();
        if (DM()->FBTransact1->Active()) DM()->FBTransact1->Rollback();
        SetNowProvider({});
    }


    // Table "e" or "d".
    void AddSubscriber(const char* Kind, const AnsiString& No, const AnsiString& Adi, const AnsiString& Soyadi = "SOYAD",
                       const AnsiString& VergiNo = "1234567890", const AnsiString& TcKimlik = "12345678901",
                       const AnsiString& AboneTarihi = "05.01.2015") {
        DM().Execute(Format("insert into %sabonekimlik (ABONENO, ADI, SOYADI, VERGINO, TCKIMLIK, ABONETARIHI, "
                            "ABONEDURUMU, TELTIPI, TELEFON) values ('%s', '%s', '%s', '%s', '%s', '%s', "
                            "'2  Kapanma', '3  Cep', '5551234')",
                            {AnsiString(Kind), Quote(No), Quote(Adi), Quote(Soyadi), Quote(VergiNo), Quote(TcKimlik),
                             Quote(AboneTarihi)}));
    }
    void AddInvoice(const char* Kind, const AnsiString& Ref, const AnsiString& No, const AnsiString& Bedel,
                    const AnsiString& Tuketim, const AnsiString& Donemi, const AnsiString& Tarihi) {
        DM().Execute(Format("insert into %sfatura (REFERANSNO, ABONENO, TOPLAMBEDELI, TOPLAMTUKETIM, DONEMI, "
                            "FATURATARIHI) values ('%s', '%s', %s, %s, '%s', '%s')",
                            {AnsiString(Kind), Quote(Ref), Quote(No), Bedel, Tuketim, Quote(Donemi), Quote(Tarihi)}));
    }
    static AnsiString Quote(const AnsiString& S) {
        AnsiString R;
        for (char C : S) {
            R += C;
            if (C == '\'') R += '\'';
        }
        return R;
    }
    // Columns 6..9 of a grid row joined by "|".
    static AnsiString InvoiceCells(TExtStringGrid* G, Integer Row) {
        return G->Cells(6, Row) + "|" + G->Cells(7, Row) + "|" + G->Cells(8, Row) + "|" + G->Cells(9, Row);
    }
    // A dialog's subscriber fields, then its invoice fields, joined by "|".
    static AnsiString SubscriberFields(TFaturaGirForm* D) {
        return D->ABONENO->Text() + "|" + D->BADI->Text() + "|" + D->SOYADI->Text() + "|" + D->VERGINO->Text() + "|" +
               D->BTCKIMLIK->Text() + "|" + DateToStr(D->ABONETARIHI->Date()) + "|" + D->ABONEDURUMU->Text() + "|" +
               D->TELTIPI->Text() + "|" + D->TELEFON->Text();
    }
    static AnsiString InvoiceFields(TFaturaGirForm* D) {
        return D->referansno->Text() + "|" + D->donemi->Text() + "|" + DateToStr(D->faturatarihi->Date()) + "|" +
               D->faturabedeli->Text() + "|" + D->toplamtuketim->Text();
    }
    // Which of save, change and delete a dialog shows.
    static AnsiString ShownButtons(TFaturaGirForm* D) {
        return AnsiString(D->kaydet->Visible() ? "kaydet " : "") + (D->degistir->Visible() ? "degistir " : "") +
               (D->sil->Visible() ? "sil" : "");
    }
    // Scripts the answers of an invoice import: access code, file, first and last row.
    void Answer(const AnsiString& File, const AnsiString& First, const AnsiString& Last) {
        Prompts.QueueInput(true, "tuvak");
        Prompts.QueueFile(true, File);
        Prompts.QueueInput(true, First);
        Prompts.QueueInput(true, Last);
    }
    // Clicks the import button of Bulk (the electricity one by default), shown as the
    // menu shows it; the messages shown.
    std::vector<AnsiString> ClickImport(TTopFaturaGirForm* Bulk = nullptr) {
        if (!Bulk) Bulk = EBulk.get();
        modaltest::WhileShownModally(Bulk, [&] { uitest::Click(Bulk->Button4); });
        return Prompts.Messages();
    }
    // A click or close through the window system, and the events it leads to.
    static void ClickAndSettle(TControl* C) {
        uitest::SystemClick(C);
        uitest::Settle();
    }
    static void CloseAndSettle(TControl* Form) {
        uitest::SystemClose(Form);
        uitest::Settle();
    }
    // A bulk screen shown for the period Month Year and listed.
    void ShowAndList(TTopFaturaGirForm* B, const AnsiString& Month, const AnsiString& Year = "2016") {
        B->Show();
        B->iay->SetText(Month);
        B->iyil->SetText(Year);
        B->Button1Click(B);
    }

    TDateTime Clock = At(2016, 3, 15);
    TFormatSettingsGuard Settings{TurkishFormatSettings()};
    // Tests that store an invoice of nothing confirm it unless they queued an answer
    // (the dialog's own default is Hayır).
    struct TInvoicePrompter : TScriptedPrompter {
        Integer MessageBox(const AnsiString& Text, const AnsiString& Caption, Integer Flags) override {
            if (!Pending() && Text.find("sıfır") != AnsiString::npos) QueueAnswer(IDYES);
            return TScriptedPrompter::MessageBox(Text, Caption, Flags);
        }
    } Prompts;
    TPrompterGuard PromptGuard{&Prompts};
    std::unique_ptr<Tetopfaturagirf> EBulk;
    std::unique_ptr<Tdtopfaturagirf> DBulk;
    std::unique_ptr<Tefaturagirf> EDialog;
    std::unique_ptr<Tdfaturagirf> DDialog;
};

}  // namespace invoicetest
