#pragma once
// The subscriber identity screens: one implementation for electricity and
// natural gas, told apart by an energy-kind description. Every write goes
// through the data module's shared identity data set of the screen's kind.
#include "platform/ui/Forms.h"

#include <vector>

class TEdit;
class TComboBox;
class TButton;
class TLabel;
class TGroupBox;
class TDateTimePicker;
class TSpinEdit;
class TOpenDialog;
class TMoneyEdit;
class TpFBDataSet;
class Tdmodule1;

// What differs between the electricity and the natural-gas screen.
struct TAboneKimlikKind {
    const char* Caption;
    TColor FormColor;
    TpFBDataSet* (*SharedDataSet)(Tdmodule1* Module);
    const char* InsertSQL;
    const char* UpdateSQL;
    const char* DeleteSQL;
    const char* FindByNumberSQL;   // save, change and delete look-ups
    const char* PickNumberSQL;     // pick from the number list
    const char* PickNameSQL;       // pick from the name list
    const char* NumberListSQL;
    const char* NameListSQL;
    const char* InvoiceCheckSQL;   // a subscriber with invoices is not deleted
    const char* const* TypeItems;  // ABONETIPI list
    Integer TypeItemCount;
    const char* TypeInitial;
    const char* TypeHint;
    char TypeLastCode;             // ABONETIPI codes run from '1' to this
    const char* TypeMessage;
};

extern const TAboneKimlikKind ElectricityAboneKimlik;
extern const TAboneKimlikKind NaturalGasAboneKimlik;

class TAboneKimlikForm : public TForm {
public:
    TAboneKimlikForm(TComponent* AOwner, const TAboneKimlikKind& Kind);
    const TAboneKimlikKind& Kind() const { return FKind; }

    TGroupBox* GroupBox3;
    TEdit* ABONENO;
    TEdit* BADI;
    TEdit* SOYADI;
    TEdit* VERGINO;
    TEdit* BTCKIMLIK;
    TDateTimePicker* ABONETARIHI;
    TComboBox* ABONEDURUMU;
    TEdit* TELEFON;
    TComboBox* TELTIPI;

    TGroupBox* GroupBox7;
    TComboBox* bMULKIYET;
    TEdit* MULKADI;
    TEdit* MULKsoyADI;
    TEdit* MULKVERGINO;
    TEdit* MULKTCKIMLIK;
    TEdit* MULKDASK;
    TMoneyEdit* KIRATUTARI;
    TDateTimePicker* KIRABASLAMATARIHI;
    TDateTimePicker* KIRABITISTARIHI;

    TGroupBox* GroupBox6;
    TEdit* UAVTNO;
    TEdit* ILADI;
    TEdit* ILCEADI;
    TEdit* BELDEADI;
    TEdit* BUCAKADI;
    TEdit* KOYADI;
    TEdit* MAHALLEADI;
    TEdit* CADDEADI;
    TEdit* DISKAPINO;
    TEdit* ICKAPINO;

    TGroupBox* GroupBox8;
    TEdit* PAFTA;
    TEdit* ADA;
    TEdit* PERSEL;
    TMoneyEdit* YUZOLCUM;

    TComboBox* ABONETIPI;
    TComboBox* ay;
    TSpinEdit* yil;
    TComboBox* ZEMTARDAHIL;

    TButton* btrkaydet;
    TButton* btrdegistir;
    TButton* btrsil;
    TButton* Button16;
    TButton* Button17;
    TButton* Button1;
    TButton* ara;
    TLabel* kodar;
    TComboBox* caril;
    TLabel* adar;
    TComboBox* cadil;
    TOpenDialog* dosyaac;

    void FormShow(TObject* Sender);
    void ABONENOKeyPress(TObject* Sender, char& Key);
    void btrkaydetClick(TObject* Sender);
    void btrdegistirClick(TObject* Sender);
    void btrsilClick(TObject* Sender);
    void Button16Click(TObject* Sender);
    void Button17Click(TObject* Sender);
    void Button1Click(TObject* Sender);
    void araClick(TObject* Sender);
    void carilClick(TObject* Sender);
    void cadilClick(TObject* Sender);
    void VERGINOExit(TObject* Sender);
    void MULKVERGINOExit(TObject* Sender);
    void bMULKIYETExit(TObject* Sender);
    void ABONEDURUMUExit(TObject* Sender);
    void ABONETIPIExit(TObject* Sender);

private:
    TpFBDataSet* Shared() const;
    void SetCurrentPeriod();
    // Save steps 2 to 5: false (message shown, focus moved) when one fails.
    bool CheckRequired();
    // Looks the typed subscriber number up on the shared data set; true when found.
    bool FindTyped();
    void AssignRecord(TpFBDataSet* DS);
    // The current record into the fields, whole; false (told, nothing changed)
    // when a stored value cannot be shown.
    bool LoadRecord(TpFBDataSet* DS);
    // Digits typed into the date fields taken; false when one is refused.
    bool TakeTypedDates();
    void Pick(const char* SQL, const AnsiString& Value);
    void FillList(TComboBox* List, const char* SQL, const char* Field);
    void SetEditMode(bool Edit);
    // The stored record as this screen last read it (LoadRecord) or saved it.
    void RememberRecord(TpFBDataSet* DS);
    // A record read on this screen that another user has changed since: the
    // current one is shown, the message given, true returned. The record is
    // held for this screen's transaction otherwise.
    bool ChangedSinceRead(TpFBDataSet* DS);

    const TAboneKimlikKind& FKind;
    AnsiString FReadNumber;
    std::vector<AnsiString> FReadValues;
    bool FReadDeleted = false;   // FReadNumber was deleted on this screen
};

class TEABONEKIMLIKF : public TAboneKimlikForm {
public:
    explicit TEABONEKIMLIKF(TComponent* AOwner) : TAboneKimlikForm(AOwner, ElectricityAboneKimlik) {}
};

extern TEABONEKIMLIKF* EABONEKIMLIKF;

// The twelve month names, index 1 to 12; "" outside.
AnsiString AboneKimlikMonthName(Integer Index);
// A text value made safe inside a double-quoted literal of a dialect-1 statement.
AnsiString AboneKimlikQuoted(const AnsiString& Value);
