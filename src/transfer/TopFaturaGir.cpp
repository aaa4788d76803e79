#include "transfer/TopFaturaGir.h"

#include "datasets/pFBDataSet.h"
#include "dbclient/pFBTransaction.h"
#include "entry/Mneyedit.h"
#include "entry/UDMODULE1.h"
#include "entry/Util3a.h"
#include "grid/ExtGrid.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Spin.h"
#include "platform/ui/StdCtrls.h"
#include "transfer/FaturaGir.h"
#include "transfer/InvoiceSheet.h"

#include <tuple>

namespace {

struct TMonthEnd {
    const char* Name;
    const char* Day;
    const char* Code;
};

// February is always taken as the 28th.
const TMonthEnd MonthEnds[12] = {
    {"Ocak", "31", "01"},  {"Şubat", "28", "02"},   {"Mart", "31", "03"},    {"Nisan", "30", "04"},
    {"Mayıs", "31", "05"}, {"Haziran", "30", "06"}, {"Temmuz", "31", "07"},  {"Ağustos", "31", "08"},
    {"Eylül", "30", "09"}, {"Ekim", "31", "10"},    {"Kasım", "30", "11"},   {"Aralık", "31", "12"},
};

const char* const ColumnHeaders[10] = {
    "", "aboneno", "ADI", "SOYADI", "VERGINO", "TCKIMLIK", "faturatarihi", "Toplam Tüketim", "Fatura Tutarı", "REferasno",
};

const Integer ColumnWidths[10] = {64, 99, 163, 87, 91, 98, 67, 56, 64, 64};

constexpr TColor MarkColor = RGB(255, 198, 255);

template <class T>
T* Place(TWinControl* Parent, const char* Name, Integer L, Integer T_, Integer W, Integer H) {
    T* C = new T(Parent);
    C->SetParent(Parent);
    C->SetName(Name);
    C->SetBounds(L, T_, W, H);
    return C;
}

TLabel* RedLabel(TWinControl* Parent, const char* Name, const char* Text, Integer L, Integer T_) {
    TLabel* Lb = Place<TLabel>(Parent, Name, L, T_, 80, 16);
    Lb->SetCaption(Text);
    Lb->Font()->SetColor(clRed);
    Lb->Font()->SetStyle(TFontStyles{fsBold});
    return Lb;
}

AnsiString Field(TpFBDataSet* Ds, const char* Name) { return Ds->FieldByName(Name)->AsString(); }

// Columns 1 to 5 of a listed row, with the placeholders for missing identity data.
void WriteSubscriber(TExtStringGrid* G, Integer Row, TpFBDataSet* S) {
    const AnsiString Adi = Field(S, "ADI");
    const AnsiString Soyadi = Field(S, "SOYADI");
    const AnsiString VergiNo = Field(S, "VERGINO");
    const AnsiString TcKimlik = Field(S, "TCKIMLIK");
    G->SetCells(bcRowNo, Row, IntToStr(Row));
    G->SetCells(bcAboneNo, Row, Field(S, "aboneno"));
    G->SetCells(bcAdi, Row, Adi);
    G->SetCells(bcSoyadi, Row, Soyadi.size() > 1 ? Soyadi : Adi);
    G->SetCells(bcVergiNo, Row, VergiNo.size() >= 10 ? VergiNo : AnsiString("2222222222"));
    G->SetCells(bcTcKimlik, Row, TcKimlik.size() >= 11 ? TcKimlik : AnsiString("22222222222"));
}

void EnsureRow(TExtStringGrid* G, Integer Row) {
    if (G->RowCount() <= Row + 1) G->SetRowCount(Row + 2);
}

}  // namespace

TTopFaturaGirForm::TTopFaturaGirForm(TComponent* AOwner, const TInvoiceKind& AKind) : TForm(AOwner), FKind(AKind) {
    SetCaption(FKind.BulkCaption);
    SetColor(FKind.FormColor);
    SetBounds(0, 0, 920, 620);
    SetPosition(poScreenCenter);

    Label1 = RedLabel(this, "Label1", "DÖNEM Ayı", 16, 16);
    iay = Place<TComboBox>(this, "iay", 100, 12, 110, 24);
    for (const TMonthEnd& M : MonthEnds) iay->Items()->Add(M.Name);
    iay->SetText("");
    Label2 = RedLabel(this, "Label2", "Yılı", 224, 16);
    iyil = Place<TSpinEdit>(this, "iyil", 264, 12, 70, 24);
    iyil->SetMinValue(2003);
    iyil->SetMaxValue(2030);
    iyil->SetMaxLength(4);
    Label3 = RedLabel(this, "Label3", "Fatura Tarihi", 350, 16);
    faturatarihi = Place<TDateTimePicker>(this, "faturatarihi", 450, 12, 110, 24);
    faturatarihi->SetColor(clYellow);
    Button1 = Place<TButton>(this, "Button1", 576, 10, 90, 28);
    Button1->SetCaption("Listele");
    donemg = Place<TCheckBox>(this, "donemg", 680, 14, 140, 20);
    donemg->SetCaption("Dönemi Güncelle");
    donemg->SetColor(clYellow);
    donemg->SetChecked(true);

    OENDEKS = Place<TExtStringGrid>(this, "OENDEKS", 8, 48, 896, 460);
    OENDEKS->SetColCount(10);
    OENDEKS->SetRowCount(2);
    OENDEKS->SetFixedRows(1);
    OENDEKS->SetFixedCols(3);
    OENDEKS->SetDefaultRowHeight(21);
    TGridOptions Options = OENDEKS->Options();
    Options.Include(goEditing);
    Options.Include(goColSizing);
    OENDEKS->SetOptions(Options);
    OENDEKS->SetFixedFooters(1);
    OENDEKS->FloatingFooter()->SetVisible(true);
    OENDEKS->SetFloatFormat("%.2f");
    for (Integer C = 0; C < 10; ++C) OENDEKS->SetColWidths(C, ColumnWidths[C]);
    OENDEKS->FixedFont()->SetStyle(TFontStyles{fsBold});
    OENDEKS->SetFixedAsButtons(true);
    OENDEKS->SetMultilinecells(true);
    OENDEKS->DragDropSettings()->SetOleDropSource(true);
    OENDEKS->DragDropSettings()->SetOleCopyAlways(true);
    OENDEKS->DragDropSettings()->SetOleColumnDragDrop(true);
    OENDEKS->Bands()->SetActive(true);
    OENDEKS->SetActiveRowShow(true);
    OENDEKS->SetActiveRowColor(MarkColor);
    OENDEKS->SetActiveCellShow(true);
    OENDEKS->SetActiveCellColor(MarkColor);
    OENDEKS->SetSelectionColor(MarkColor);
    // A text the column cuts reads whole as the hint of its cell.
    OENDEKS->SetHintShowLargeText(true);
    OENDEKS->SetShowHint(true);
    OENDEKS->SetVisible(false);   // shown by the first listing that finds subscribers
    // The row double clicked becomes current first, even from a fixed column
    // (a press there moves no row); the header and the footer open nothing.
    OENDEKS->OnDblClickCell = [this](TObject* Sender, Integer ARow, Integer) {
        if (ARow < OENDEKS->FixedRows() || ARow >= OENDEKS->RowCount() - OENDEKS->FixedFooters()) return;
        OENDEKS->SetRow(ARow);
        OENDEKSDblClick(Sender);
    };

    yenikayit = Place<TBitBtn>(this, "yenikayit", 8, 520, 180, 32);
    yenikayit->SetCaption("&Fatura Gir / Degistir");
    Button3 = Place<TButton>(this, "Button3", 196, 520, 300, 32);
    Button3->SetCaption("Seçilen Dönemdeki Fatura Bilgilerini Excele At");
    Button2 = Place<TButton>(this, "Button2", 504, 520, 200, 32);
    Button2->SetCaption("Tüm Fatura Bilgilerini Excele At");
    Button4 = Place<TButton>(this, "Button4", 712, 520, 192, 32);
    Button4->SetCaption("Excelden Fatura Bilgisi Transferi");

    dosyaac = new TOpenDialog(this);
    dosyaac->SetName("dosyaac");
    dosyaac->SetFilter("xlsx|*.xlsx|xls Dosyaları|*.xls|Csv Dosyaları|*.csv");

    OnShow = [this](TObject* Sender) { FormShow(Sender); };
    Button1->OnClick = [this](TObject* Sender) { Button1Click(Sender); };
    yenikayit->OnClick = [this](TObject* Sender) { yenikayitClick(Sender); };
    iay->OnExit = [this](TObject* Sender) { iayExit(Sender); };
    iyil->OnExit = [this](TObject* Sender) { iayExit(Sender); };
    Button3->OnClick = [this](TObject* Sender) { Button3Click(Sender); };
    Button2->OnClick = [this](TObject* Sender) { Button2Click(Sender); };
    Button4->OnClick = [this](TObject* Sender) { Button4Click(Sender); };
}

TTopFaturaGirForm::~TTopFaturaGirForm() = default;

AnsiString TTopFaturaGirForm::Period() const { return iay->Text() + " " + iyil->Text(); }

void TTopFaturaGirForm::FormShow(TObject* Sender) {
    faturatarihi->SetDateTime(Now());
    iyil->SetText(FormatDateTime("yyyy", Now()));
    TpFBDataSet* Ds = dmodule1->*FKind.InvoiceDataSet;
    Ds->InsertSQL()->SetText(FKind.InsertSQL);
    Ds->UpdateSQL()->SetText(FKind.UpdateSQL);
    Ds->DeleteSQL()->SetText(FKind.DeleteSQL);
}

void TTopFaturaGirForm::Button1Click(TObject* Sender) {
    if (iay->Text().empty()) {
        ShowMessage("Lütfen ilgili dönem ayını seçiniz.");
        iay->SetFocus();
        return;
    }
    const AnsiString P = Period();
    dmodule1->FBTransact1->SetActive(true);
    auto Subscribers = OpenInvoiceQuery(Format(FKind.SubscriberListSQL, {AnsiString()}));
    if (Subscribers->IsEmpty()) return;

    TExtStringGrid* G = OENDEKS;
    // Nothing of an earlier listing stays: texts, the invoice colour of a row
    // that has none now, the footer row and the floating footer drawn from it.
    for (Integer R = G->FixedRows(); R < G->RowCount(); ++R) G->SetRowColor(R, clNone);   // clears every colour
    G->ClearRows(G->FixedRows(), G->RowCount() - G->FixedRows());
    G->SetVisible(true);
    for (Integer C = 1; C < 10; ++C) G->SetCells(C, 0, ColumnHeaders[C]);
    Integer R = 1;
    for (; !Subscribers->Eof(); Subscribers->Next()) {
        EnsureRow(G, R);
        WriteSubscriber(G, R, Subscribers.get());
        auto Invoices = OpenInvoiceQuery(Format(FKind.PeriodInvoicesSQL,
                                                {SqlStringValue(Field(Subscribers.get(), "aboneno")), SqlStringValue(P)}));
        if (Invoices->IsEmpty()) {
            for (Integer C = bcFaturaTarihi; C <= bcReferansNo; ++C) G->SetCells(C, R, "");
            G->SetRowFontColor(R, clBlack);
            ++R;
            continue;
        }
        for (; !Invoices->Eof(); Invoices->Next()) {
            EnsureRow(G, R);
            WriteSubscriber(G, R, Subscribers.get());
            G->SetCells(bcFaturaTarihi, R, Field(Invoices.get(), "faturaTARIHI"));
            G->SetCells(bcToplamTuketim, R, FloatToStr(Invoices->FieldByName("TOPLAMTUKETIM")->AsFloat()));
            G->SetCells(bcFaturaTutari, R, FloatToStr(Invoices->FieldByName("TOPLAMBEDELI")->AsFloat()));
            G->SetCells(bcReferansNo, R, Field(Invoices.get(), "referansno"));
            G->SetRowColor(R, clYellow);
            G->SetRowFontColor(R, clBlack);
            ++R;
        }
    }
    G->SetRowCount(R + 1);
    ShowReferencesWhole();
}

void TTopFaturaGirForm::ShowReferencesWhole() {
    const Integer Was = OENDEKS->ColWidths(bcReferansNo);
    OENDEKS->SizeColumnToContent(bcReferansNo, 8);   // the cell's lines and text margins
    if (OENDEKS->ColWidths(bcReferansNo) < Was) OENDEKS->SetColWidths(bcReferansNo, Was);
}

void TTopFaturaGirForm::OENDEKSDblClick(TObject* Sender) { OpenInvoiceDialog(true); }

void TTopFaturaGirForm::yenikayitClick(TObject* Sender) { OpenInvoiceDialog(false); }

void TTopFaturaGirForm::OpenInvoiceDialog(bool DoubleClick) {
    TFaturaGirForm* D = FKind.Dialog();
    if (!D) return;   // made at start-up; without it there is nothing to fill
    const Integer R = OENDEKS->Row();
    TpFBDataSet* Invoices = dmodule1->*FKind.InvoiceDataSet;
    Invoices->Close();
    (dmodule1->*FKind.SubscriberDataSet)->Close();
    D->SetBulkRow(R, OENDEKS->Cells(bcReferansNo, R));
    // Every opening starts at the date, never on the button last pressed or focused.
    D->SetActiveControl(D->faturatarihi);
    D->Show();
    D->ABONENO->Clear();
    D->BADI->Clear();
    D->SOYADI->Clear();
    D->VERGINO->Clear();
    D->BTCKIMLIK->Clear();
    if (DoubleClick && FKind.DblClickClearsPeriod) D->donemi->Clear();
    dmodule1->FBTransact1->SetActive(false);

    auto S = OpenInvoiceQuery(Format(FKind.SubscriberByNoSQL, {SqlStringValue(OENDEKS->Cells(bcAboneNo, R))}));
    if (S->IsEmpty()) {
        ShowMessage("Bu Kodda hiçbir abone kaydı yok");
        return;
    }
    // The row's invoice: its reference number of this subscriber only; another
    // subscriber's invoice of that number is not this row's.
    // A row without an invoice shows neither a date nor a number; an invoice
    // stored without a number (the import stores such) shows its date.
    const AnsiString AboneNo = Field(S.get(), "aboneno");
    const AnsiString RowRef = OENDEKS->Cells(bcReferansNo, R);
    const bool RowInvoice = !RowRef.empty() || !OENDEKS->Cells(bcFaturaTarihi, R).empty();
    if (RowInvoice) OpenInvoiceQuery(Invoices, FKind.InvoiceByRefSQL, {{"REFERANSNO", RowRef}, {"ABONENO", AboneNo}});
    const bool Stored = RowInvoice && !Invoices->IsEmpty();
    // Of the subscriber's invoices numbered alike (the import stores such), the
    // one of the date the row shows.
    if (Stored) LocateInvoiceDate(Invoices, OENDEKS->Cells(bcFaturaTarihi, R));
    // Read whole before anything is shown: a stored date that reads as no date
    // leaves the dialog without a subscriber, so that no button stores anything.
    TDateTime AboneTarihi = 0, FaturaTarihi = 0;
    const AnsiString AboneTarihiText = Trim(Field(S.get(), "ABONETARIHI"));
    const AnsiString FaturaTarihiText = Stored ? Trim(Field(Invoices, "faturatarihi")) : AnsiString();
    for (const auto& [Name, Text, Value] : {std::tuple{"ABONETARIHI", AboneTarihiText, &AboneTarihi},
                                            std::tuple{"FATURATARIHI", FaturaTarihiText, &FaturaTarihi}}) {
        if (!Text.empty() && !TryStoredDate(Text, *Value)) {
            ShowMessage(Format("Kayıtlı %s değeri \"%s\" bir tarih değil; fatura açılmadı.", {AnsiString(Name), Text}));
            return;
        }
    }
    D->BADI->SetText(Field(S.get(), "ADI"));
    D->SOYADI->SetText(Field(S.get(), "SOYADI"));
    D->VERGINO->SetText(Field(S.get(), "VERGINO"));
    D->BTCKIMLIK->SetText(Field(S.get(), "TCKIMLIK"));
    if (AboneTarihiText.empty()) D->ABONETARIHI->Clear();
    else D->ABONETARIHI->SetDate(AboneTarihi);
    D->ABONEDURUMU->SetText(Field(S.get(), "ABONEDURUMU"));
    D->TELTIPI->SetText(Field(S.get(), "TELTIPI"));
    D->TELEFON->SetText(Field(S.get(), "TELEFON"));
    if (!Stored) {
        D->referansno->SetText(NewInvoiceReferenceNo());
        D->donemi->SetText(Period());
        D->faturatarihi->SetDate(faturatarihi->Date());
        D->faturabedeli->SetTextAsFloat(0);
        D->toplamtuketim->SetTextAsFloat(0);
        D->kaydet->SetVisible(true);
        D->degistir->SetVisible(false);
        D->sil->SetVisible(false);
    } else {
        D->referansno->SetText(Field(Invoices, "referansno"));
        D->faturabedeli->SetTextAsFloat(Invoices->FieldByName("TOPLAMBEDELI")->AsFloat());
        D->toplamtuketim->SetTextAsFloat(Invoices->FieldByName("TOPLAMtuketim")->AsFloat());
        if (FaturaTarihiText.empty()) D->faturatarihi->SetDate(faturatarihi->Date());
        else D->faturatarihi->SetDate(FaturaTarihi);
        D->donemi->SetText(donemg->Checked() ? Period() : Field(Invoices, "donemi"));
        D->SetOpenedDate(Field(Invoices, "faturatarihi"));
        D->kaydet->SetVisible(false);
        D->degistir->SetVisible(true);
        D->sil->SetVisible(true);
    }
    D->ABONENO->SetText(AboneNo);   // last: a dialog without it stores nothing
}

void TTopFaturaGirForm::iayExit(TObject* Sender) {
    const AnsiString Shown = DateToStr(faturatarihi->Date());
    const char Sep = Shown.size() > 2 ? Shown[2] : FormatSettings.DateSeparator;
    const AnsiString Month = iay->Text();
    for (const TMonthEnd& M : MonthEnds) {
        if (Month == M.Name) {
            faturatarihi->SetDate(StrToDate(AnsiString(M.Day) + Sep + M.Code + Sep + iyil->Text()));
            return;
        }
    }
}

void TTopFaturaGirForm::Button3Click(TObject* Sender) { InvoiceSheetExport(this, false); }

void TTopFaturaGirForm::Button2Click(TObject* Sender) { InvoiceSheetExport(this, true); }

void TTopFaturaGirForm::Button4Click(TObject* Sender) { InvoiceSheetImport(this); }
