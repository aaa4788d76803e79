#pragma once
// The bulk invoice screen: every subscriber of one energy kind with the
// invoices of the chosen period, one grid row per invoice (or one row for a
// subscriber without one); from the current row it fills and shows the single
// invoice dialog; three buttons exchange invoices with spreadsheets.
#include "platform/ui/Forms.h"
#include "transfer/InvoiceKind.h"

class TComboBox;
class TSpinEdit;
class TDateTimePicker;
class TButton;
class TBitBtn;
class TCheckBox;
class TLabel;
class TOpenDialog;
class TExtStringGrid;

// Grid columns of a listed row.
enum TBulkInvoiceColumn {
    bcRowNo = 0, bcAboneNo = 1, bcAdi = 2, bcSoyadi = 3, bcVergiNo = 4, bcTcKimlik = 5,
    bcFaturaTarihi = 6, bcToplamTuketim = 7, bcFaturaTutari = 8, bcReferansNo = 9
};

class TTopFaturaGirForm : public TForm {
public:
    TTopFaturaGirForm(TComponent* AOwner, const TInvoiceKind& AKind);
    ~TTopFaturaGirForm() override;

    const TInvoiceKind& Kind() const { return FKind; }
    // The screen's period: month text, one blank, year text ("Mart 2016").
    AnsiString Period() const;
    // Widens the reference column to its widest number: a cut number would show as "#"s.
    void ShowReferencesWhole();

    TLabel* Label1 = nullptr;
    TLabel* Label2 = nullptr;
    TLabel* Label3 = nullptr;
    TComboBox* iay = nullptr;
    TSpinEdit* iyil = nullptr;
    TDateTimePicker* faturatarihi = nullptr;
    TButton* Button1 = nullptr;
    TCheckBox* donemg = nullptr;
    TExtStringGrid* OENDEKS = nullptr;
    TBitBtn* yenikayit = nullptr;
    TButton* Button3 = nullptr;
    TButton* Button2 = nullptr;
    TButton* Button4 = nullptr;
    TOpenDialog* dosyaac = nullptr;

    void FormShow(TObject* Sender);
    void Button1Click(TObject* Sender);
    void OENDEKSDblClick(TObject* Sender);
    void yenikayitClick(TObject* Sender);
    void iayExit(TObject* Sender);
    void Button3Click(TObject* Sender);
    void Button2Click(TObject* Sender);
    void Button4Click(TObject* Sender);

private:
    void OpenInvoiceDialog(bool DoubleClick);
    const TInvoiceKind& FKind;
};
