#pragma once
// The subscriber transfer-file screen shared by the electricity and natural-gas
// twins: lists subscriber identity records into OENDEKS with placeholders and a
// selection mark, and writes the identity transfer files from the marked rows.
// It only reads the database.
#include "platform/ui/Forms.h"
#include "transfer/ZemtarIdentityFile.h"

class TEdit;
class TCheckBox;
class TGroupBox;
class TComboBox;
class TSpinEdit;
class TButton;
class TLabel;
class TExtStringGrid;
class TpFBDataSet;

// What differs between the two subscriber transfer screens.
struct TIdentityScreenKind {
    const TZemtarEnergyKind* Energy;
    const char* Caption;
    const char* AllGroupCaption;
    const char* PeriodGroupName;     // GroupBox3 / GroupBox1
    const char* PeriodGroupCaption;
    const char* AllSQL;              // "%s": the empty string
    const char* PeriodSQL;           // "%s": the empty string, then the period text
    const char* ClosedSQL;           // nullptr when the screen has no closed or changed listing
    bool AllGroupVisible;
    bool PeriodFillRules;            // gas period listing copies the columns as they are
    bool EmptyPeriodShrinks;         // electricity: a listing that finds nothing leaves the header row alone
    bool FormShowsHints;             // electricity: every hint; gas: the write-all button's only
    // Button names by role: list all, write all, list period, write period,
    // list closed or changed, write closed or changed (the last two "" when absent).
    const char* ButtonNames[6];
};

extern const TIdentityScreenKind IdentityScreenElectricity;
extern const TIdentityScreenKind IdentityScreenNaturalGas;

// Columns of the identity grid.
constexpr Integer IdentityGridCols = 40;

extern const char* const IdentityEmptyPeriodMessage;

class TZemtarIdentityScreen : public TForm {
public:
    TZemtarIdentityScreen(TComponent* AOwner, const TIdentityScreenKind& Kind);
    ~TZemtarIdentityScreen() override;

    const TIdentityScreenKind& Kind() const { return FKind; }

    TEdit* dosyano = nullptr;
    TEdit* VERGINOM = nullptr;
    TEdit* OSBUNVAN = nullptr;
    TCheckBox* hepsec = nullptr;
    TExtStringGrid* OENDEKS = nullptr;
    TGroupBox* GroupBox2 = nullptr;
    TComboBox* ay = nullptr;
    TSpinEdit* yil = nullptr;
    TEdit* YOL = nullptr;
    TGroupBox* PeriodGroup = nullptr;   // GroupBox3 (electricity) / GroupBox1 (gas)
    TComboBox* iay = nullptr;
    TSpinEdit* iyil = nullptr;
    TEdit* iyol = nullptr;

    // Buttons by role (ClosedListButton and ClosedWriteButton only where the kind has them).
    TButton* AllListButton = nullptr;
    TButton* AllWriteButton = nullptr;
    TButton* PeriodListButton = nullptr;
    TButton* PeriodWriteButton = nullptr;
    TButton* ClosedListButton = nullptr;
    TButton* ClosedWriteButton = nullptr;

    void FormShow(TObject* Sender);
    void dosyanoKeyPress(TObject* Sender, char& Key);
    void VERGINOMExit(TObject* Sender);

    // The listings and writes behind the buttons.
    void ListAll();
    void ListPeriod();
    void ListClosedOrChanged();
    void WriteAll();
    void WritePeriod();
    void WriteClosedOrChanged();

    // The period text of the period listing: iay, one blank, iyil.
    AnsiString PeriodText() const;

private:
    enum TListing { lkAll, lkPeriod, lkClosed };
    void List(TListing Listing, const AnsiString& SQL);
    void FillRow(Integer Row, TpFBDataSet* DS, bool FillRules);
    void Write(TIdentityFileKind FileKind);
    TButton* MakeButton(TWinControl* Parent, Integer Role, const AnsiString& Caption, Integer Left, Integer Top,
                        Integer Width);
    TLabel* MakeLabel(TWinControl* Parent, const AnsiString& Name, const AnsiString& Caption, Integer Left, Integer Top);

    const TIdentityScreenKind& FKind;
};
