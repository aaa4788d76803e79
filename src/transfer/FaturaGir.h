#pragma once
// The single invoice dialog: saves, changes or deletes one invoice through the
// data module's shared invoice data set and writes the result into the current
// row of the bulk invoice screen's grid. The bulk screen fills it and decides
// which of the three buttons shows; every press ends with the dialog closed.
#include "platform/ui/Forms.h"
#include "transfer/InvoiceKind.h"

class TGroupBox;
class TEdit;
class TLabel;
class TComboBox;
class TDateTimePicker;
class TBitBtn;
class TMoneyEdit;

class TFaturaGirForm : public TForm {
public:
    TFaturaGirForm(TComponent* AOwner, const TInvoiceKind& AKind);
    ~TFaturaGirForm() override;

    const TInvoiceKind& Kind() const { return FKind; }

    TGroupBox* GroupBox1 = nullptr;   // "Abone Bilgisi"
    TEdit* ABONENO = nullptr;
    TEdit* BADI = nullptr;
    TEdit* SOYADI = nullptr;
    TEdit* VERGINO = nullptr;
    TEdit* BTCKIMLIK = nullptr;
    TDateTimePicker* ABONETARIHI = nullptr;
    TComboBox* ABONEDURUMU = nullptr;
    TEdit* TELEFON = nullptr;
    TComboBox* TELTIPI = nullptr;
    TGroupBox* GroupBox2 = nullptr;   // "Tüketim-Fatura Bilgisi"
    TDateTimePicker* faturatarihi = nullptr;
    TMoneyEdit* toplamtuketim = nullptr;
    TMoneyEdit* faturabedeli = nullptr;
    TEdit* referansno = nullptr;
    TEdit* donemi = nullptr;
    TBitBtn* kaydet = nullptr;
    TBitBtn* degistir = nullptr;
    TBitBtn* sil = nullptr;

    void FormShow(TObject* Sender);
    void kaydetClick(TObject* Sender);
    void degistirClick(TObject* Sender);
    void silClick(TObject* Sender);
    // Enter moves to the next control in tab order; other keys pass.
    void ABONENOKeyPress(TObject* Sender, char& Key);
    void toplamtuketimKeyPress(TObject* Sender, char& Key);
    void faturatarihiKeyPress(TObject* Sender, char& Key);

    // The bulk grid row the dialog was filled from and the reference number
    // that row showed (set by the bulk screen); the result goes there only.
    void SetBulkRow(Integer Row, const AnsiString& Ref) {
        FBulkRow = Row;
        FBulkRef = Ref;
        FOpenedDate.clear();
    }
    // The stored date of the invoice the dialog was filled with (empty for a new
    // one): of the subscriber's invoices numbered alike, the buttons touch that one.
    void SetOpenedDate(const AnsiString& Stored) { FOpenedDate = Stored; }

private:
    TpFBDataSet* InvoiceDataSet() const;
    // False (after the message and closing as each button does) when a
    // required field is empty.
    bool CheckRequired(bool Change);
    void AssignFields(TpFBDataSet* Ds);
    void WriteBack(bool Clear);
    // The invoice data set opened in the shared transaction on the invoices of
    // the reference and subscriber numbers shown; Found tells whether the one
    // opened (any of them for a new invoice) is there, and it is the current row.
    TpFBDataSet* OpenInvoice(bool& Found);
    // The typed date taken, and an invoice of zero amount and zero consumption
    // confirmed; false (focus on what to correct) when it is not to be stored.
    bool ReadyToStore();
    // Commits, then writes the row back to the grid and hides Kaydet.
    void CommitBlock(TpFBDataSet* Ds, bool Clear);
    const TInvoiceKind& FKind;
    Integer FBulkRow = -1;
    AnsiString FBulkRef;
    AnsiString FOpenedDate;
};
