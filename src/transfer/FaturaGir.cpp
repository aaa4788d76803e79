#include "transfer/FaturaGir.h"

#include "datasets/pFBDataSet.h"
#include "dbclient/pFBTransaction.h"
#include "entry/Mneyedit.h"
#include "entry/UDMODULE1.h"
#include "grid/ExtGrid.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/StdCtrls.h"
#include "transfer/TopFaturaGir.h"

namespace {

const char* const NoSubscriberMessage = "Lütfen Abone Numarasını Boş Bırakmayınız!";
const char* const NoReferenceMessage = "Lütfen Referans Numarasını Boş Bırakmayınız!";
const char* const StoredMessage = "Bu numaralı fatura kayıtlı lütfen başka bir fatura numarası giriniz";
const char* const ZeroInvoiceQuestion =
    "Fatura bedeli ve toplam tüketim sıfır. Bu fatura yine de kaydedilsin mi?";
const char* const RequiredHint = "SARI RENKLİ ALANLAR ZORUNLUDUR";

template <class T>
T* Place(TComponent* Owner, TWinControl* Parent, const char* Name, Integer L, Integer T_, Integer W, Integer H) {
    T* C = new T(Owner);
    C->SetParent(Parent);
    C->SetName(Name);
    C->SetBounds(L, T_, W, H);
    return C;
}

void AddLabel(TComponent* Owner, TWinControl* Parent, const char* Name, const char* Text, Integer L, Integer T_) {
    TLabel* Lb = Place<TLabel>(Owner, Parent, Name, L, T_, 110, 16);
    Lb->SetCaption(Text);
}

// Invoice dates are stored and shown as day.month.year text.
AnsiString DateText(TDateTime D) { return FormatDateTime("dd.mm.yyyy", D); }

}  // namespace

TFaturaGirForm::TFaturaGirForm(TComponent* AOwner, const TInvoiceKind& AKind) : TForm(AOwner), FKind(AKind) {
    SetCaption(FKind.DialogCaption);
    SetColor(FKind.FormColor);
    SetBounds(0, 0, 560, 470);
    SetBorderStyle(bsDialog);   // after the size: the dialog frame fixes the size it finds
    SetPosition(poScreenCenter);

    GroupBox1 = Place<TGroupBox>(this, this, "GroupBox1", 8, 8, 536, 210);
    GroupBox1->SetCaption("Abone Bilgisi");
    GroupBox1->SetEnabled(false);
    GroupBox1->SetHint(RequiredHint);
    GroupBox1->SetShowHint(true);
    AddLabel(this, GroupBox1, "Label1", "Abone No", 12, 24);
    ABONENO = Place<TEdit>(this, GroupBox1, "ABONENO", 130, 20, 150, 22);
    ABONENO->SetMaxLength(15);
    AddLabel(this, GroupBox1, "Label2", "Adı", 12, 50);
    BADI = Place<TEdit>(this, GroupBox1, "BADI", 130, 46, 200, 22);
    BADI->SetMaxLength(30);
    AddLabel(this, GroupBox1, "Label3", "Soyadı", 12, 76);
    SOYADI = Place<TEdit>(this, GroupBox1, "SOYADI", 130, 72, 200, 22);
    SOYADI->SetMaxLength(30);
    AddLabel(this, GroupBox1, "Label4", "Vergi No", 12, 102);
    VERGINO = Place<TEdit>(this, GroupBox1, "VERGINO", 130, 98, 110, 22);
    VERGINO->SetMaxLength(10);
    AddLabel(this, GroupBox1, "Label5", "TC Kimlik No", 260, 102);
    BTCKIMLIK = Place<TEdit>(this, GroupBox1, "BTCKIMLIK", 370, 98, 120, 22);
    BTCKIMLIK->SetMaxLength(11);
    BTCKIMLIK->SetText("22222222222");
    AddLabel(this, GroupBox1, "Label6", "Abone Tarihi", 12, 128);
    ABONETARIHI = Place<TDateTimePicker>(this, GroupBox1, "ABONETARIHI", 130, 124, 110, 22);
    AddLabel(this, GroupBox1, "Label7", "Abone Durumu", 260, 128);
    ABONEDURUMU = Place<TComboBox>(this, GroupBox1, "ABONEDURUMU", 370, 124, 150, 22);
    ABONEDURUMU->Items()->Add("1  Yeni");
    ABONEDURUMU->Items()->Add("2  Kapanma");
    ABONEDURUMU->Items()->Add("3  Değişiklik");
    ABONEDURUMU->SetText("1  Yeni");
    AddLabel(this, GroupBox1, "Label8", "Telefon", 12, 154);
    TELEFON = Place<TEdit>(this, GroupBox1, "TELEFON", 130, 150, 120, 22);
    AddLabel(this, GroupBox1, "Label9", "Telefon Tipi", 260, 154);
    TELTIPI = Place<TComboBox>(this, GroupBox1, "TELTIPI", 370, 150, 150, 22);
    TELTIPI->Items()->Add("1  İş Telefonu");
    TELTIPI->Items()->Add("2  Ev Telefonu");
    TELTIPI->Items()->Add("3  Cep");
    TELTIPI->SetText("1  İş Telefonu");
    for (TWinControl* C : {static_cast<TWinControl*>(ABONENO), static_cast<TWinControl*>(BADI),
                           static_cast<TWinControl*>(SOYADI), static_cast<TWinControl*>(VERGINO),
                           static_cast<TWinControl*>(BTCKIMLIK), static_cast<TWinControl*>(ABONETARIHI),
                           static_cast<TWinControl*>(ABONEDURUMU)})
        C->SetColor(clYellow);

    GroupBox2 = Place<TGroupBox>(this, this, "GroupBox2", 8, 226, 536, 170);
    GroupBox2->SetCaption("Tüketim-Fatura Bilgisi");
    GroupBox2->SetHint(RequiredHint);
    GroupBox2->SetShowHint(true);
    AddLabel(this, GroupBox2, "Label10", "Fatura Tarihi", 12, 24);
    faturatarihi = Place<TDateTimePicker>(this, GroupBox2, "faturatarihi", 130, 20, 110, 22);
    faturatarihi->SetColor(clYellow);
    AddLabel(this, GroupBox2, "Label11", "Toplam Tüketim", 12, 52);
    toplamtuketim = Place<TMoneyEdit>(this, GroupBox2, "toplamtuketim", 130, 48, 150, 24);
    toplamtuketim->SetMaxLength(20);
    toplamtuketim->SetDecimals(2);
    AddLabel(this, GroupBox2, "Label12", "Fatura Bedeli   ", 12, 82);
    faturabedeli = Place<TMoneyEdit>(this, GroupBox2, "faturabedeli", 130, 78, 150, 24);
    faturabedeli->SetMaxLength(20);
    faturabedeli->SetDecimals(2);
    AddLabel(this, GroupBox2, "Label13", "Referans Fat. No", 12, 112);
    referansno = Place<TEdit>(this, GroupBox2, "referansno", 130, 108, 150, 22);
    referansno->SetEnabled(false);
    referansno->SetTabStop(false);
    AddLabel(this, GroupBox2, "Label14", "Dönemi", 12, 138);
    donemi = Place<TEdit>(this, GroupBox2, "donemi", 130, 134, 150, 22);
    donemi->SetEnabled(false);
    donemi->SetTabStop(false);

    kaydet = Place<TBitBtn>(this, this, "kaydet", 8, 406, 120, 32);
    kaydet->SetCaption("&Kaydet");
    degistir = Place<TBitBtn>(this, this, "degistir", 136, 406, 120, 32);
    degistir->SetCaption("&Değiştir");
    degistir->SetVisible(false);
    sil = Place<TBitBtn>(this, this, "sil", 264, 406, 120, 32);
    sil->SetCaption("&SİL");
    sil->SetVisible(false);

    OnShow = [this](TObject* Sender) { FormShow(Sender); };
    kaydet->OnClick = [this](TObject* Sender) { kaydetClick(Sender); };
    degistir->OnClick = [this](TObject* Sender) { degistirClick(Sender); };
    sil->OnClick = [this](TObject* Sender) { silClick(Sender); };
    for (TWinControl* C : {static_cast<TWinControl*>(ABONENO), static_cast<TWinControl*>(BADI),
                           static_cast<TWinControl*>(SOYADI), static_cast<TWinControl*>(VERGINO),
                           static_cast<TWinControl*>(BTCKIMLIK), static_cast<TWinControl*>(ABONETARIHI),
                           static_cast<TWinControl*>(ABONEDURUMU), static_cast<TWinControl*>(TELEFON),
                           static_cast<TWinControl*>(TELTIPI), static_cast<TWinControl*>(faturatarihi),
                           static_cast<TWinControl*>(toplamtuketim), static_cast<TWinControl*>(faturabedeli),
                           static_cast<TWinControl*>(referansno), static_cast<TWinControl*>(donemi)})
        C->OnKeyPress = [this](TObject* Sender, char& Key) { ABONENOKeyPress(Sender, Key); };
}

TFaturaGirForm::~TFaturaGirForm() = default;

TpFBDataSet* TFaturaGirForm::InvoiceDataSet() const {
    if (!dmodule1) throw Exception("Veri modülü oluşturulmadı");
    return dmodule1->*FKind.InvoiceDataSet;
}

void TFaturaGirForm::FormShow(TObject* Sender) {
    TpFBDataSet* Ds = InvoiceDataSet();
    Ds->InsertSQL()->SetText(FKind.InsertSQL);
    Ds->DeleteSQL()->SetText(FKind.DialogDeleteSQL);
    Ds->UpdateSQL()->SetText(FKind.UpdateSQL);
}

void TFaturaGirForm::ABONENOKeyPress(TObject* Sender, char& Key) {
    if (Key != '\r') return;
    Key = 0;
    Perform(WM_NEXTDLGCTL, 0, 0);
}

void TFaturaGirForm::toplamtuketimKeyPress(TObject* Sender, char& Key) { ABONENOKeyPress(Sender, Key); }

void TFaturaGirForm::faturatarihiKeyPress(TObject* Sender, char& Key) { ABONENOKeyPress(Sender, Key); }

bool TFaturaGirForm::CheckRequired(bool Change) {
    if (ABONENO->Text().empty()) {
        ShowMessage(NoSubscriberMessage);
        if (!Change || FKind.ChangeWithoutSubscriberCloses) Close();
        return false;
    }
    // A stored invoice may have no number (the import stores such): it is still that invoice.
    if (referansno->Text().empty() && FOpenedDate.empty()) {
        ShowMessage(NoReferenceMessage);
        InvoiceDataSet()->Close();
        Close();
        return false;
    }
    return true;
}

void TFaturaGirForm::AssignFields(TpFBDataSet* Ds) {
    Ds->FieldByName("ABONENO")->SetAsString(ABONENO->Text());
    Ds->FieldByName("DONEMI")->SetAsString(donemi->Text());
    Ds->FieldByName("referansno")->SetAsString(referansno->Text());
    Ds->FieldByName("TOPLAMBEDELI")->SetAsFloat(faturabedeli->TextAsFloat());
    Ds->FieldByName("TOPLAMtuketim")->SetAsFloat(toplamtuketim->TextAsFloat());
    Ds->FieldByName("faturatarihi")->SetAsString(DateText(faturatarihi->Date()));
}

void TFaturaGirForm::WriteBack(bool Clear) {
    TTopFaturaGirForm* Bulk = FKind.BulkScreen();
    if (!Bulk) return;
    TExtStringGrid* G = Bulk->OENDEKS;
    // Only the row the dialog came from, while it still shows this subscriber and
    // that invoice: the current row may be another invoice, even of the same
    // subscriber. Listed anew since, the next listing shows the invoice.
    const Integer R = FBulkRow;
    if (R < G->FixedRows() || R >= G->RowCount() || G->Cells(bcAboneNo, R) != ABONENO->Text() ||
        G->Cells(bcReferansNo, R) != FBulkRef)
        return;
    if (Clear) {
        for (Integer C = bcFaturaTarihi; C <= bcReferansNo; ++C) G->SetCells(C, R, "");
    } else {
        G->SetCells(bcFaturaTarihi, R, DateText(faturatarihi->Date()));
        G->SetCells(bcToplamTuketim, R, FloatToStr(toplamtuketim->TextAsFloat()));
        G->SetCells(bcFaturaTutari, R, FloatToStr(faturabedeli->TextAsFloat()));
        G->SetCells(bcReferansNo, R, referansno->Text());
        Bulk->ShowReferencesWhole();
    }
    FBulkRef = G->Cells(bcReferansNo, R);
}

TpFBDataSet* TFaturaGirForm::OpenInvoice(bool& Found) {
    dmodule1->FBTransact1->SetActive(true);
    TpFBDataSet* Ds = InvoiceDataSet();
    OpenInvoiceQuery(Ds, FKind.DialogInvoiceByRefSQL, {{"REFERANSNO", referansno->Text()}, {"ABONENO", ABONENO->Text()}});
    Found = !Ds->IsEmpty() && (FOpenedDate.empty() || LocateInvoiceDate(Ds, FOpenedDate));
    return Ds;
}

void TFaturaGirForm::CommitBlock(TpFBDataSet* Ds, bool Clear) {
    // The row shows the invoice only once it is stored.
    dmodule1->CommitAndReopen(Ds);
    WriteBack(Clear);
    kaydet->SetVisible(false);
}

bool TFaturaGirForm::ReadyToStore() {
    // The date the dialog shows, typed digits included.
    if (!faturatarihi->TakeTyped()) return false;
    if (faturabedeli->TextAsFloat() != 0 || toplamtuketim->TextAsFloat() != 0) return true;
    // Hayır is the default: a fifth Enter must not store an invoice of nothing.
    if (Application->MessageBox(ZeroInvoiceQuestion, "Onay", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES)
        return true;
    faturabedeli->SetFocus();
    return false;
}

void TFaturaGirForm::kaydetClick(TObject* Sender) {
    if (!CheckRequired(false) || !ReadyToStore()) return;
    bool Found = false;
    TpFBDataSet* Ds = OpenInvoice(Found);
    if (Found) {
        ShowMessage(StoredMessage);
        Ds->Close();
        Close();
        return;
    }
    Ds->Insert();
    AssignFields(Ds);
    Ds->Post();
    CommitBlock(Ds, false);
    Ds->Close();
    Close();
}

void TFaturaGirForm::degistirClick(TObject* Sender) {
    if (!CheckRequired(true) || !ReadyToStore()) return;
    // The invoice shown, by its reference and subscriber numbers; its date may change.
    bool Found = false;
    TpFBDataSet* Ds = OpenInvoice(Found);
    if (!Found) {
        if (FKind.ChangeNotFoundMessage) ShowMessage(StoredMessage);
        Ds->Close();
        Close();
        return;
    }
    Ds->UpdateSQL()->SetText(FKind.UpdateSQL);   // the import may have left its own there
    Ds->Edit();
    AssignFields(Ds);
    Ds->UpdateRecord();
    Ds->Post();
    CommitBlock(Ds, false);
    Ds->Close();
    Close();
}

void TFaturaGirForm::silClick(TObject* Sender) {
    if (!CheckRequired(false)) return;
    bool Found = false;
    TpFBDataSet* Ds = OpenInvoice(Found);
    if (Found) {
        Ds->Delete();
        CommitBlock(Ds, true);
    } else {
        ShowMessage(StoredMessage);
    }
    Ds->Close();
    Close();
}
