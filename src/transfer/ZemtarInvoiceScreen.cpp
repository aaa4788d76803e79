#include "transfer/ZemtarInvoiceScreen.h"

#include "datasets/pFBDataSet.h"
#include "dbclient/pFBTransaction.h"
#include "entry/UDMODULE1.h"
#include "grid/ExtGrid.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Gauges.h"
#include "platform/ui/Spin.h"
#include "platform/ui/StdCtrls.h"
#include "transfer/InvoiceKind.h"
#include "transfer/ZemtarScreen.h"

#include <cmath>

const char* const InvoiceStatusNormal = "NORMAL";
const char* const InvoiceStatusExempt = "ZEMTARTAN MUAF";
const char* const InvoiceStatusNoIdentity = "ZEMTAR ABONE KİMLİK KAYDI YAPILMAMIŞ";

const TInvoiceScreenKind InvoiceScreenElectricity = {&ZemtarElectricity, "efatura", "eabonekimlik",
                                                     RGB(237, 254, 205)};
const TInvoiceScreenKind InvoiceScreenNaturalGas = {&ZemtarNaturalGas, "Dfatura", "DABONEKIMLIK",
                                                    RGB(249, 219, 198)};

namespace {

const char* const Headers[InvoiceGridCols] = {"",       "ABONENO",       "ADI",           "SOYADI",
                                              "VERGINO", "TCKIMLIK",     "AKTİF TÜKETİM", "FATURA BEDELİ",
                                              "ZEMTAR DURUMU", "ref.NO",   "Fatura TArihi", "SEÇ"};
const Integer ColWidths[InvoiceGridCols] = {50, 77, 103, 77, 90, 82, 82, 82, 82, 82, 82, 64};

// yyyymmdd of a dd.mm.yyyy column, built in SQL so that texts compare in date
// order; a yyyy-mm-dd date that an older import stored is read as its own date.
const char* const DateKey =
    "(case when substring(faturatarihi from 5 for 1) = '-' then "
    "substring(faturatarihi from 1 for 4)||substring(faturatarihi from 6 for 2)||substring(faturatarihi from 9 for 2) "
    "else substring(faturatarihi from 7 for 4)||substring(faturatarihi from 4 for 2)||"
    "substring(faturatarihi from 1 for 2) end)";

void FocusIfCan(TWinControl* C) {
    if (C && C->CanFocus()) C->SetFocus();
}

// Whole number, halves to the even neighbour; one beyond 64 bits in all its digits, not wrapped.
AnsiString RoundedText(Double V) {
    const Double Whole = std::nearbyint(V);
    if (std::fabs(Whole) < 9e18) return IntToStr(static_cast<Int64>(Whole));
    return FormatFloat("0", Whole);
}

}  // namespace

AnsiString InvoiceListingSQL(const TInvoiceScreenKind& Kind, TDateTime First, TDateTime Last) {
    return Format(AnsiString("Select * from ") + Kind.InvoiceTable + " where " + DateKey + ">= \"%s\" and " +
                      DateKey + "<= \"%s\" ORDER BY " + DateKey + ",aboneno",
                  {FormatDateTime("yyyymmdd", First), FormatDateTime("yyyymmdd", Last)});
}

TZemtarInvoiceScreen::TZemtarInvoiceScreen(TComponent* AOwner, const TInvoiceScreenKind& Kind)
    : TForm(AOwner), FKind(Kind) {
    SetCaption("ZEMTAR Sistemi için Eletkrik Faturaların XML dosyasının oluşutulması");
    SetBounds(0, 0, 1000, 640);
    SetPosition(poScreenCenter);
    SetColor(Kind.FormColor);

    GroupBox1 = new TGroupBox(this);
    GroupBox1->SetName("GroupBox1");
    GroupBox1->SetParent(this);
    GroupBox1->SetBounds(8, 4, 620, 64);
    GroupBox1->SetColor(clYellow);
    GroupBox1->SetCaption("Fatura Dönemini Seçiniz");
    MakeLabel(GroupBox1, "Label1", "İlkTarih", 8, 28);
    ilktarih = new TDateTimePicker(this);
    ilktarih->SetName("ilktarih");
    ilktarih->SetParent(GroupBox1);
    ilktarih->SetBounds(60, 24, 110, 24);
    MakeLabel(GroupBox1, "Label2", "Son Tarih", 180, 28);
    sontarih = new TDateTimePicker(this);
    sontarih->SetName("sontarih");
    sontarih->SetParent(GroupBox1);
    sontarih->SetBounds(244, 24, 110, 24);
    sontarih->SetHint("BEYAN EDİLECEK DÖNEM İLE İLGİLİ AY İÇİNDEN BİR TARİH SEÇİNİZ");
    sontarih->SetShowHint(true);
    Button1 = new TButton(this);
    Button1->SetName("Button1");
    Button1->SetParent(GroupBox1);
    Button1->SetBounds(364, 22, 248, 28);
    Button1->SetCaption("Tüm Fatura -Tüketim Bilgilerini Ekrana Listele");

    hepsec = new TCheckBox(this);
    hepsec->SetName("hepsec");
    hepsec->SetParent(this);
    hepsec->SetBounds(640, 24, 260, 20);
    hepsec->SetCaption("Abonelerin Hepsini 'E' olarak İşaretle");
    hepsec->Font()->SetColor(clRed);
    hepsec->SetChecked(true);

    hiz = new TGauge(this);
    hiz->SetName("hiz");
    hiz->SetParent(this);
    hiz->SetBounds(8, 72, 984, 16);
    hiz->SetForeColor(clRed);
    hiz->SetMinValue(0);
    hiz->SetMaxValue(100);
    hiz->SetVisible(false);

    OENDEKS = new TExtStringGrid(this);
    OENDEKS->SetName("OENDEKS");
    OENDEKS->SetParent(this);
    OENDEKS->SetBounds(8, 92, 984, 400);
    OENDEKS->SetColCount(InvoiceGridCols);
    OENDEKS->SetRowCount(2);
    OENDEKS->SetFixedCols(1);
    OENDEKS->SetFixedRows(1);
    OENDEKS->SetFixedFooters(1);
    OENDEKS->FloatingFooter()->SetVisible(true);
    TGridOptions Opts = OENDEKS->Options();
    Opts.Include(goEditing);
    OENDEKS->SetOptions(Opts);
    OENDEKS->SetFloatFormat("%.2f");
    for (Integer C = 0; C < InvoiceGridCols; ++C) OENDEKS->SetColWidths(C, ColWidths[C]);
    OENDEKS->SetFixedAsButtons(true);
    OENDEKS->Bands()->SetActive(true);
    OENDEKS->DragDropSettings()->SetOleDropSource(true);
    OENDEKS->DragDropSettings()->SetOleCopyAlways(true);
    OENDEKS->DragDropSettings()->SetOleColumnDragDrop(true);
    OENDEKS->SetActiveCellColor(RGB(235, 84, 75));
    OENDEKS->SetSelectionColor(clWhite);
    OENDEKS->SetSelectionColorTo(clInfoBk);
    OENDEKS->SetHint(
        "İade faturasi girmek için \"İade Fatura İçin Satır Aç\" butonun basınız. En sonraki satıra bilgileri "
        "ve ZEMTAR DURUMU sutununa İADE yazınız.");
    OENDEKS->SetShowHint(true);
    OENDEKS->SetVisible(false);
    OENDEKS->SetHintShowLargeText(true);   // a cut text reads whole as its cell's hint

    Button2 = new TButton(this);
    Button2->SetName("Button2");
    Button2->SetParent(this);
    Button2->SetBounds(8, 498, 200, 28);
    Button2->SetCaption("İade Fatura İçin Satır Aç");

    MakeLabel(this, "Label3", "DOSYA NO", 8, 540);
    dosyano = MakeEdit("dosyano", 80, 536, 40);
    dosyano->SetColor(RGB(187, 255, 187));
    dosyano->SetMaxLength(2);
    dosyano->SetText("0");
    MakeLabel(this, "Label4", "OSB VERGİ NO", 132, 540);
    VERGINOM = MakeEdit("VERGINOM", 220, 536, 110);
    VERGINOM->SetColor(clYellow);
    VERGINOM->SetMaxLength(10);
    MakeLabel(this, "Label5", "OSB ÜNVANI", 344, 540);
    OSBUNVAN = MakeEdit("OSBUNVAN", 420, 536, 330);
    OSBUNVAN->SetMaxLength(ZemtarTitleLength);
    OSBUNVAN->SetText("............ ORGANİZE SANAYİ BÖLGESİ");

    MakeLabel(this, "Label6", "DÖNEM Ayı", 8, 574);
    iay = new TComboBox(this);
    iay->SetName("iay");
    iay->SetParent(this);
    iay->SetBounds(80, 570, 110, 24);
    ZemtarAddMonthItems(iay->Items());
    MakeLabel(this, "Label7", "Yılı", 204, 574);
    iyil = new TSpinEdit(this);
    iyil->SetName("iyil");
    iyil->SetParent(this);
    iyil->SetBounds(240, 570, 80, 24);
    iyil->SetMinValue(2003);
    iyil->SetMaxValue(2030);
    iyil->SetMaxLength(4);
    YOL = MakeEdit("YOL", 332, 570, 300);
    YOL->SetText(ZemtarDefaultFolder());
    Button4 = new TButton(this);
    Button4->SetName("Button4");
    Button4->SetParent(this);
    Button4->SetBounds(644, 568, 300, 28);
    Button4->SetCaption("Seçilen Faturaların Bilgilerini Oluştur");

    OnShow = [this](TObject* Sender) { FormShow(Sender); };
    Button1->OnClick = [this](TObject* Sender) { Button1Click(Sender); };
    Button2->OnClick = [this](TObject* Sender) { Button2Click(Sender); };
    Button4->OnClick = [this](TObject* Sender) { Button4Click(Sender); };
    VERGINOM->OnExit = [this](TObject* Sender) { VERGINOMExit(Sender); };
    dosyano->OnKeyPress = [this](TObject* Sender, char& Key) { dosyanoKeyPress(Sender, Key); };
    VERGINOM->OnKeyPress = [this](TObject* Sender, char& Key) { VERGINOMKeyPress(Sender, Key); };
}

TZemtarInvoiceScreen::~TZemtarInvoiceScreen() = default;

TLabel* TZemtarInvoiceScreen::MakeLabel(TWinControl* Parent, const AnsiString& Name, const AnsiString& Caption,
                                        Integer Left, Integer Top) {
    auto* L = new TLabel(this);
    L->SetName(Name);
    L->SetParent(Parent);
    L->SetBounds(Left, Top, 70, 16);
    L->SetCaption(Caption);
    return L;
}

TEdit* TZemtarInvoiceScreen::MakeEdit(const AnsiString& Name, Integer Left, Integer Top, Integer Width) {
    auto* E = new TEdit(this);
    E->SetName(Name);
    E->SetParent(this);
    E->SetBounds(Left, Top, Width, 24);
    return E;
}

void TZemtarInvoiceScreen::FormShow(TObject*) {
    iyil->SetText(ZemtarCurrentYearText());
    const TDateTime Today = Now();
    ilktarih->SetDate(Today - 30);
    sontarih->SetDate(Today);
}

void TZemtarInvoiceScreen::Button1Click(TObject*) {
    if (!ilktarih->TakeTyped() || !sontarih->TakeTyped()) return;
    TExtStringGrid* G = OENDEKS;
    for (Integer R = 1; R < G->RowCount(); ++R) {
        for (Integer C = 1; C < G->ColCount(); ++C) G->SetCells(C, R, AnsiString());
        G->SetRowColor(R, clWhite);
    }
    TpFBTransaction* Tr = dmodule1->FBTransact1;
    if (!Tr->Active()) Tr->SetActive(true);
    // Each query's data set goes when its rows are read: kept for the screen's
    // life, twenty thousand open subscriber cursors took a gigabyte and minutes.
    const auto Invoices = OpenInvoiceQuery(InvoiceListingSQL(FKind, ilktarih->Date(), sontarih->Date()));
    if (Invoices->IsEmpty()) return;
    // Row numbers stay while nothing is found (the refund button goes by them);
    // found invoices number their own rows and leave the footer row empty.
    G->ClearRect(0, 1, 0, G->RowCount() - 1);

    hiz->SetVisible(true);
    const Integer Total = Invoices->GetServerRecordCount();
    const Double Step = 100.0 / (Total > 0 ? Total : 1);
    Double Sum = 0;
    G->SetVisible(true);
    for (Integer C = 1; C < InvoiceGridCols; ++C) G->SetCells(C, 0, Headers[C]);

    const AnsiString IdentitySQL =
        AnsiString("Select * from ") + FKind.IdentityTable + " where aboneno = \"%s\" order by aboneno";
    Integer R = 1;
    while (!Invoices->Eof()) {
        Sum += Step;
        const Integer Shown = hiz->Progress();
        hiz->SetProgress(static_cast<Integer>(std::nearbyint(Sum)));
        // The listing holds the window until it ends: the gauge paints each step itself.
        if (hiz->Progress() != Shown) hiz->Repaint();
        const AnsiString AboneNo = Invoices->FieldByName("ABONENO")->AsString();
        G->SetCells(0, R, IntToStr(R));
        G->SetCells(1, R, AboneNo);
        G->SetRowColor(R, clWhite);
        const auto Identity = OpenInvoiceQuery(Format(IdentitySQL, {ZemtarSqlValue(AboneNo)}));
        if (Identity->IsEmpty()) {
            G->SetCells(8, R, InvoiceStatusNoIdentity);
            G->SetCells(2, R, AnsiString());
            G->SetCells(3, R, AnsiString());
            G->SetRowColor(R, clRed);
            G->SetCells(11, R, "H");
        } else {
            auto Text = [&Identity](const char* F) { return Identity->FieldByName(F)->AsString(); };
            const AnsiString Adi = Text("ADI");
            const AnsiString Soyadi = Text("SOYADI");
            const AnsiString VergiNo = Text("VERGINO");
            const AnsiString TcKimlik = Text("TCKIMLIK");
            G->SetCells(1, R, Text("ABONENO"));
            G->SetCells(2, R, Adi);
            G->SetCells(3, R, Soyadi.empty() ? Adi : Soyadi);
            G->SetCells(4, R, VergiNo.size() >= 10 ? VergiNo : AnsiString("2222222222"));
            G->SetCells(5, R, TcKimlik.size() >= 11 ? TcKimlik : AnsiString("22222222222"));
            G->SetCells(6, R, RoundedText(Invoices->FieldByName("TOPLAMTUKETIM")->AsFloat()));
            G->SetCells(7, R, FloatToStr(Invoices->FieldByName("TOPLAMBEDELI")->AsFloat()));
            G->SetCells(9, R, Invoices->FieldByName("REFERANSNO")->AsString());
            G->SetCells(11, R, hepsec->Checked() ? "E" : "H");
            G->SetCells(8, R, InvoiceStatusNormal);
            if (Text("ZEMTARDAHIL") == "HAYIR") {
                G->SetCells(8, R, InvoiceStatusExempt);
                G->SetCells(11, R, "H");
                G->SetRowColor(R, clYellow);
            }
            G->SetCells(10, R, Invoices->FieldByName("FATURATARIHI")->AsString());
        }
        ++R;
        G->SetRowCount(R + 1);
        Invoices->Next();
    }
    hiz->SetVisible(false);
}

void TZemtarInvoiceScreen::Button2Click(TObject*) {
    const Integer K = OENDEKS->RowCount() - 2;
    const AnsiString Number = K >= 0 ? OENDEKS->Cells(0, K) : AnsiString();
    ShowMessage(Number);
    if (Number.empty()) return;
    OENDEKS->SetCells(0, K + 1, IntToStr(K + 1));
    OENDEKS->SetRowCount(OENDEKS->RowCount() + 1);
}

void TZemtarInvoiceScreen::Button4Click(TObject*) {
    if (!sontarih->TakeTyped()) return;   // its year dates the file
    TInvoiceFileInputs In;
    In.Month = iay->Text();
    In.LastDate = sontarih->Date();
    In.Folder = YOL->Text();
    In.ZoneTaxNo = VERGINOM->Text();
    In.ZoneTitle = OSBUNVAN->Text();
    In.FileNo = dosyano->Text();
    switch (WriteInvoiceTransferFile(*FKind.Energy, *OENDEKS, In)) {
        case zcMonth: FocusIfCan(iay); break;
        case zcZoneTaxNo: FocusIfCan(VERGINOM); break;
        case zcFolder: FocusIfCan(YOL); break;
        case zcOk: break;
    }
}

void TZemtarInvoiceScreen::VERGINOMExit(TObject*) { ZemtarCheckZoneTaxNoLength(VERGINOM); }
void TZemtarInvoiceScreen::dosyanoKeyPress(TObject*, char& Key) { ZemtarDigitFilter(Key); }
void TZemtarInvoiceScreen::VERGINOMKeyPress(TObject*, char& Key) { ZemtarDigitFilter(Key); }
