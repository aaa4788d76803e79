#pragma once
// The invoice transfer-file screen shared by the electricity and natural-gas
// twins: lists the invoices of a date range with their subscribers' identity
// data and transfer status, lets the operator add refund rows, and writes the
// invoice transfer file from the marked rows. It only reads the database.
#include "platform/ui/Forms.h"
#include "transfer/ZemtarInvoiceFile.h"

class TEdit;
class TCheckBox;
class TGroupBox;
class TComboBox;
class TSpinEdit;
class TButton;
class TLabel;
class TGauge;
class TDateTimePicker;
class TExtStringGrid;

struct TInvoiceScreenKind {
    const TZemtarEnergyKind* Energy;
    const char* InvoiceTable;    // efatura / Dfatura
    const char* IdentityTable;   // eabonekimlik / DABONEKIMLIK
    TColor FormColor;
};

extern const TInvoiceScreenKind InvoiceScreenElectricity;
extern const TInvoiceScreenKind InvoiceScreenNaturalGas;

constexpr Integer InvoiceGridCols = 12;

// Transfer status texts of column 8.
extern const char* const InvoiceStatusNormal;      // "NORMAL"
extern const char* const InvoiceStatusExempt;      // "ZEMTARTAN MUAF"
extern const char* const InvoiceStatusNoIdentity;  // "ZEMTAR ABONE KİMLİK KAYDI YAPILMAMIŞ"

// The date-range select of the listing. The invoice dates are dd.mm.yyyy texts,
// so the range is compared on their year, month and day in that order (of a
// yyyy-mm-dd date that an older import stored too).
AnsiString InvoiceListingSQL(const TInvoiceScreenKind& Kind, TDateTime First, TDateTime Last);

class TZemtarInvoiceScreen : public TForm {
public:
    TZemtarInvoiceScreen(TComponent* AOwner, const TInvoiceScreenKind& Kind);
    ~TZemtarInvoiceScreen() override;

    const TInvoiceScreenKind& Kind() const { return FKind; }

    TGroupBox* GroupBox1 = nullptr;
    TDateTimePicker* ilktarih = nullptr;
    TDateTimePicker* sontarih = nullptr;
    TButton* Button1 = nullptr;
    TCheckBox* hepsec = nullptr;
    TGauge* hiz = nullptr;
    TExtStringGrid* OENDEKS = nullptr;
    TButton* Button2 = nullptr;
    TEdit* dosyano = nullptr;
    TEdit* VERGINOM = nullptr;
    TEdit* OSBUNVAN = nullptr;
    TComboBox* iay = nullptr;
    TSpinEdit* iyil = nullptr;
    TEdit* YOL = nullptr;
    TButton* Button4 = nullptr;

    void FormShow(TObject* Sender);
    void Button1Click(TObject* Sender);
    void Button2Click(TObject* Sender);
    void Button4Click(TObject* Sender);
    void VERGINOMExit(TObject* Sender);
    void dosyanoKeyPress(TObject* Sender, char& Key);
    void VERGINOMKeyPress(TObject* Sender, char& Key);

private:
    TLabel* MakeLabel(TWinControl* Parent, const AnsiString& Name, const AnsiString& Caption, Integer Left,
                      Integer Top);
    TEdit* MakeEdit(const AnsiString& Name, Integer Left, Integer Top, Integer Width);
    const TInvoiceScreenKind& FKind;
};
