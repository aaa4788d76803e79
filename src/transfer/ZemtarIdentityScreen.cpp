#include "transfer/ZemtarIdentityScreen.h"

#include "datasets/pFBDataSet.h"
#include "dbclient/pFBTransaction.h"
#include "entry/UDMODULE1.h"
#include "entry/Util3a.h"
#include "grid/ExtGrid.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Spin.h"
#include "platform/ui/StdCtrls.h"
#include "transfer/InvoiceKind.h"
#include "transfer/ZemtarScreen.h"

const char* const IdentityEmptyPeriodMessage =
    "Seçilen Döneme Ait ilave veya değişiklik yapılmış Abone Kimlik Kartı Bulunamadı.";

const TIdentityScreenKind IdentityScreenElectricity = {
    &ZemtarElectricity,
    "Elektrik Abone Kimlik Bilgilerinin ZEMTAR Sistemine Transfer Menüsü",
    "tum_elektrik_abone_kimlik.xml dosyası oluşturma Seçenekleri",
    "GroupBox3",
    "Seçilen Dönemde İlave veya Değişiklik Olan Abonelere ait olan  elektrik_abone_kimlik.xml dosyası "
    "oluşturma Seçenekleri",
    "Select * from Eabonekimlik where aboneno>\"%s\" ORDER BY aboneno",
    "Select * from Eabonekimlik where aboneno>\"%s\" and yazi1=\"%s\" ORDER BY aboneno,yazi1",
    // The status is stored as the whole item text ("2  Kapanma"): its code is the first character.
    "Select * from Eabonekimlik where substring(aboneDURUMU from 1 for 1)=\"%s\" OR "
    "substring(aboneDURUMU from 1 for 1)=\"%s\" ORDER BY aboneno,yazi1",
    false,
    true,
    true,
    true,
    {"Button5", "Button6", "Button7", "Button8", "Button2", "Button3"},
};

const TIdentityScreenKind IdentityScreenNaturalGas = {
    &ZemtarNaturalGas,
    "Doğalgaz Abone Kimlik Bilgilerinin ZEMTAR Sistemine Transfer Menüsü",
    "tum_dogalgaz_abone_kimlik.xml dosyası oluşturma Seçenekleri",
    "GroupBox1",
    "Seçilen Dönemde İlave veya Değişiklik Olan Abonelere ait olan  dogalgaz_abone_kimlik.xml dosyası "
    "oluşturma Seçenekleri",
    "Select * from Dabonekimlik where aboneno>\"%s\" ORDER BY aboneno",
    "Select * from dabonekimlik where aboneno>\"%s\" and yazi1=\"%s\" ORDER BY aboneno,yazi1",
    nullptr,
    true,
    false,
    false,
    false,
    {"Button1", "Button4", "Button2", "Button3", "", ""},
};

namespace {

enum { brListAll, brWriteAll, brListPeriod, brWritePeriod, brListClosed, brWriteClosed };

const char* const Headers[IdentityGridCols] = {
    "",           "aboneno",     "ADI",         "SOYADI",     "VERGINO",           "TCKIMLIK",
    "ABONETARIHI", "ABONEDURUMU", "UAVTNO",      "ILADI",      "ILCEADI",           "BELDEADI",
    "BUCAKADI",   "KOYADI",      "MAHALLEADI",  "CADDEADI",   "DISKAPINO",         "ICKAPINO",
    "MULKIYET",   "MULKADI",     "MULKSOYADI",  "MULKVERGINO", "MULKTCKIMLIK",     "MULKDASK",
    "KIRABASLAMATARIHI", "KIRABITISTARIHI", "KIRATUTARI", "TELTIPI", "TELEFON", "PAFTA",
    "ADA",        "PERSEL",      "YUZOLCUM",    "ABONETIPI",  "DÖNEMİ",            "YAZI2",
    "SAYI1",      "SAYI2",       "SEÇ",         ""};

// Text columns copied as they are (column, field).
const std::pair<Integer, const char*> PlainColumns[] = {
    {6, "ABONETARIHI"}, {7, "ABONEDURUMU"}, {9, "ILADI"},     {10, "ILCEADI"},  {11, "BELDEADI"},
    {12, "BUCAKADI"},   {13, "KOYADI"},     {14, "MAHALLEADI"}, {15, "CADDEADI"}, {16, "DISKAPINO"},
    {17, "ICKAPINO"},   {18, "MULKIYET"},   {24, "KIRABASLAMATARIHI"}, {25, "KIRABITISTARIHI"},
    {27, "TELTIPI"},    {33, "ABONETIPI"},  {34, "YAZI1"},    {35, "YAZI2"}};

// Columns with a placeholder when the value is shorter than the length (column, field, length, placeholder).
struct TShortRule {
    Integer Col;
    const char* Field;
    size_t MinLength;
    const char* Placeholder;
};
const TShortRule ShortRules[] = {
    {4, "VERGINO", 10, "2222222222"},      {5, "TCKIMLIK", 11, "22222222222"},
    {8, "UAVTNO", 10, "1111111111"},       {21, "MULKVERGINO", 10, "2222222222"},
    {22, "MULKTCKIMLIK", 11, "22222222222"}, {23, "MULKDASK", 8, "11111111"}};

// Columns with a placeholder when empty.
const TShortRule EmptyRules[] = {
    {28, "TELEFON", 1, "(000)000 00 00"}, {29, "PAFTA", 1, "1"}, {30, "ADA", 1, "1"}, {31, "PERSEL", 1, "1"}};

const std::pair<Integer, const char*> CopiedColumns[] = {
    {4, "VERGINO"}, {5, "TCKIMLIK"}, {8, "UAVTNO"}, {21, "MULKVERGINO"}, {22, "MULKTCKIMLIK"},
    {23, "MULKDASK"}, {28, "TELEFON"}, {29, "PAFTA"}, {30, "ADA"}, {31, "PERSEL"}};

const Integer ColWidths[8] = {64, 75, 102, 74, 77, 84, 67, 51};

void FocusIfCan(TWinControl* C) {
    if (C && C->CanFocus()) C->SetFocus();
}

// Keeps the grid from repainting while rows are written, also when a read fails.
class TGridUpdate {
public:
    explicit TGridUpdate(TExtStringGrid* G) : FGrid(G) { FGrid->BeginUpdate(); }
    ~TGridUpdate() { FGrid->EndUpdate(); }

private:
    TExtStringGrid* FGrid;
};

}  // namespace

TZemtarIdentityScreen::TZemtarIdentityScreen(TComponent* AOwner, const TIdentityScreenKind& Kind)
    : TForm(AOwner), FKind(Kind) {
    SetCaption(Kind.Caption);
    SetPosition(poDesktopCenter);
    SetBounds(0, 0, 1024, 660);
    SetShowHint(Kind.FormShowsHints);

    MakeLabel(this, "Label1", "DOSYA NO", 8, 10);
    dosyano = new TEdit(this);
    dosyano->SetName("dosyano");
    dosyano->SetParent(this);
    dosyano->SetBounds(70, 6, 40, 24);
    dosyano->SetMaxLength(2);
    dosyano->SetText("0");

    MakeLabel(this, "Label2", "OSB VERGİ NO", 124, 10);
    VERGINOM = new TEdit(this);
    VERGINOM->SetName("VERGINOM");
    VERGINOM->SetParent(this);
    VERGINOM->SetBounds(212, 6, 110, 24);
    VERGINOM->SetMaxLength(10);
    VERGINOM->SetColor(clYellow);

    MakeLabel(this, "Label3", "OSB ÜNVANI", 336, 10);
    OSBUNVAN = new TEdit(this);
    OSBUNVAN->SetName("OSBUNVAN");
    OSBUNVAN->SetParent(this);
    OSBUNVAN->SetBounds(412, 6, 330, 24);
    OSBUNVAN->SetMaxLength(ZemtarTitleLength);
    OSBUNVAN->SetText("............ ORGANİZE SANAYİ BÖLGESİ");

    hepsec = new TCheckBox(this);
    hepsec->SetName("hepsec");
    hepsec->SetParent(this);
    hepsec->SetBounds(756, 8, 260, 20);
    hepsec->SetCaption("Abonelerin Hepsini 'E' olarak İşaretle");
    hepsec->SetChecked(true);

    OENDEKS = new TExtStringGrid(this);
    OENDEKS->SetName("OENDEKS");
    OENDEKS->SetParent(this);
    OENDEKS->SetBounds(8, 38, 1008, 400);
    OENDEKS->SetColCount(IdentityGridCols);
    OENDEKS->SetRowCount(2);
    OENDEKS->SetFixedCols(6);
    OENDEKS->SetFixedRows(1);
    // An empty listing may leave the header row alone; the next listing makes it fixed again.
    OENDEKS->SetFixedRowAlways(true);
    OENDEKS->SetDefaultRowHeight(21);
    OENDEKS->SetFixedFooters(1);
    TGridOptions Opts = OENDEKS->Options();
    Opts.Include(goEditing);
    Opts.Include(goColSizing);
    Opts.Include(goRangeSelect);
    OENDEKS->SetOptions(Opts);
    OENDEKS->SetMultilinecells(true);
    OENDEKS->SetFloatFormat("%.2f");
    for (Integer C = 0; C < IdentityGridCols; ++C) OENDEKS->SetColWidths(C, C < 8 ? ColWidths[C] : 64);
    // A text the column cuts reads whole as the hint of its cell, on the gas form too.
    OENDEKS->SetHintShowLargeText(true);
    OENDEKS->SetShowHint(true);

    GroupBox2 = new TGroupBox(this);
    GroupBox2->SetName("GroupBox2");
    GroupBox2->SetParent(this);
    GroupBox2->SetBounds(8, 446, 440, 200);
    GroupBox2->SetCaption(Kind.AllGroupCaption);
    GroupBox2->SetVisible(Kind.AllGroupVisible);
    MakeLabel(GroupBox2, "Label4", "DÖNEM Ayı", 10, 28);
    ay = new TComboBox(GroupBox2);
    ay->SetName("ay");
    ay->SetParent(GroupBox2);
    ay->SetBounds(90, 24, 110, 24);
    ZemtarAddMonthItems(ay->Items());
    ay->SetText("Aralık");
    MakeLabel(GroupBox2, "Label5", "Yılı", 214, 28);
    yil = new TSpinEdit(GroupBox2);
    yil->SetName("yil");
    yil->SetParent(GroupBox2);
    yil->SetBounds(250, 24, 80, 24);
    yil->SetMinValue(2003);
    yil->SetMaxValue(2030);
    yil->SetMaxLength(4);
    YOL = new TEdit(GroupBox2);
    YOL->SetName("YOL");
    YOL->SetParent(GroupBox2);
    YOL->SetBounds(10, 58, 320, 24);
    YOL->SetText(ZemtarDefaultFolder());
    AllListButton = MakeButton(GroupBox2, brListAll, "Tüm Abone Kimlik Bilgilerini Ekrana Listele", 10, 92, 420);
    AllWriteButton = MakeButton(GroupBox2, brWriteAll, "Tüm Abone Kimlik Bilgilerini Oluştur", 10, 126, 420);
    AllWriteButton->SetHint(
        "Sadece İlk Ay Bu  butona basarak dosya oluşturunuz. Diğer Aylarda Seçilen Dönemdeki Abone Kimlik "
        "Bilgileri Oluştur Butonunu Kullanınız.");
    if (!Kind.FormShowsHints) AllWriteButton->SetShowHint(true);

    PeriodGroup = new TGroupBox(this);
    PeriodGroup->SetName(Kind.PeriodGroupName);
    PeriodGroup->SetParent(this);
    PeriodGroup->SetBounds(456, 446, 560, 200);
    PeriodGroup->SetColor(clYellow);
    PeriodGroup->SetCaption(Kind.PeriodGroupCaption);
    MakeLabel(PeriodGroup, "Label6", "DÖNEM Ayı", 10, 28);
    iay = new TComboBox(PeriodGroup);
    iay->SetName("iay");
    iay->SetParent(PeriodGroup);
    iay->SetBounds(90, 24, 110, 24);
    ZemtarAddMonthItems(iay->Items());
    MakeLabel(PeriodGroup, "Label7", "Yılı", 214, 28);
    iyil = new TSpinEdit(PeriodGroup);
    iyil->SetName("iyil");
    iyil->SetParent(PeriodGroup);
    iyil->SetBounds(250, 24, 80, 24);
    iyil->SetMinValue(2003);
    iyil->SetMaxValue(2030);
    iyil->SetMaxLength(4);
    iyol = new TEdit(PeriodGroup);
    iyol->SetName("iyol");
    iyol->SetParent(PeriodGroup);
    iyol->SetBounds(340, 24, 210, 24);
    iyol->SetText(ZemtarDefaultFolder());
    PeriodListButton = MakeButton(PeriodGroup, brListPeriod, "Abone Kimlik Bilgilerini Ekrana Listele", 10, 58, 540);
    PeriodWriteButton = MakeButton(PeriodGroup, brWritePeriod,
                                   "Seçilen Dönemdeki Abenelerin Abone Kimlik Bilgilerini Oluştur", 10, 88, 540);
    if (Kind.ClosedSQL) {
        ClosedListButton = MakeButton(
            PeriodGroup, brListClosed,
            "Ocak 2016 ve Öncesindeki Sadece Kapalı ve Değişiklik Abone Kimlik Bilgilerini Ekrana Listele", 10, 126,
            540);
        ClosedWriteButton = MakeButton(
            PeriodGroup, brWriteClosed,
            "Ocak 2016 ve Öncesindeki Sadece Kapalı  Değişiklik Abenelerin Abone Kimlik Bilgilerini Oluştur", 10,
            156, 540);
        ClosedWriteButton->Font()->SetColor(clRed);
    }

    OnShow = [this](TObject* Sender) { FormShow(Sender); };
    dosyano->OnKeyPress = [this](TObject* Sender, char& Key) { dosyanoKeyPress(Sender, Key); };
    VERGINOM->OnExit = [this](TObject* Sender) { VERGINOMExit(Sender); };
}

TZemtarIdentityScreen::~TZemtarIdentityScreen() = default;

TButton* TZemtarIdentityScreen::MakeButton(TWinControl* Parent, Integer Role, const AnsiString& Caption,
                                           Integer Left, Integer Top, Integer Width) {
    auto* B = new TButton(this);
    B->SetName(FKind.ButtonNames[Role]);
    B->SetParent(Parent);
    B->SetBounds(Left, Top, Width, 28);
    B->SetCaption(Caption);
    return B;
}

TLabel* TZemtarIdentityScreen::MakeLabel(TWinControl* Parent, const AnsiString& Name, const AnsiString& Caption,
                                         Integer Left, Integer Top) {
    auto* L = new TLabel(this);
    L->SetName(Name);
    L->SetParent(Parent);
    L->SetBounds(Left, Top, 80, 16);
    L->SetCaption(Caption);
    return L;
}

void TZemtarIdentityScreen::FormShow(TObject*) {
    const AnsiString Year = ZemtarCurrentYearText();
    yil->SetText(Year);
    iyil->SetText(Year);
}

void TZemtarIdentityScreen::dosyanoKeyPress(TObject*, char& Key) { ZemtarDigitFilter(Key); }

void TZemtarIdentityScreen::VERGINOMExit(TObject*) { ZemtarCheckZoneTaxNoLength(VERGINOM); }

AnsiString TZemtarIdentityScreen::PeriodText() const { return iay->Text() + " " + iyil->Text(); }

void TZemtarIdentityScreen::ListAll() { List(lkAll, Format(FKind.AllSQL, {AnsiString()})); }

void TZemtarIdentityScreen::ListPeriod() {
    List(lkPeriod, Format(FKind.PeriodSQL, {AnsiString(), ZemtarSqlValue(PeriodText())}));
}

void TZemtarIdentityScreen::ListClosedOrChanged() {
    if (!FKind.ClosedSQL) return;
    List(lkClosed, Format(FKind.ClosedSQL, {AnsiString("2"), AnsiString("3")}));
}

void TZemtarIdentityScreen::List(TListing Listing, const AnsiString& SQL) {
    TpFBTransaction* Tr = dmodule1->FBTransact1;
    if (!Tr->Active()) Tr->SetActive(true);
    // Read into the grid, the rows are let go: the screen lives until the program ends.
    const auto Query = OpenInvoiceQuery(SQL);
    TpFBDataSet* DS = Query.get();
    // No listing leaves records of an earlier one behind: they would be written with this one's.
    if (DS->IsEmpty()) {
        if (Listing != lkAll) ShowMessage(IdentityEmptyPeriodMessage);
        TGridUpdate Update(OENDEKS);
        for (Integer R = 1; R < OENDEKS->RowCount(); ++R)
            for (Integer C = 1; C <= 38; ++C) OENDEKS->SetCells(C, R, AnsiString());
        if (FKind.EmptyPeriodShrinks) OENDEKS->SetRowCount(1);
        return;
    }
    const bool FillRules = Listing != lkPeriod || FKind.PeriodFillRules;
    TGridUpdate Update(OENDEKS);
    // The rows kept below the new records (its footer row among them) start empty.
    OENDEKS->ClearRows(1, OENDEKS->RowCount() - 1);
    OENDEKS->SetVisible(true);
    for (Integer C = 1; C <= 38; ++C) OENDEKS->SetCells(C, 0, Headers[C]);
    Integer Row = 1;
    while (!DS->Eof()) {
        // The row must exist before it is written: an empty listing may have left the header alone.
        OENDEKS->SetRowCount(Row + 2);
        FillRow(Row, DS, FillRules);
        ++Row;
        DS->Next();
    }
}

void TZemtarIdentityScreen::FillRow(Integer Row, TpFBDataSet* DS, bool FillRules) {
    auto Text = [DS](const char* Field) { return DS->FieldByName(Field)->AsString(); };
    auto Number = [DS](const char* Field) { return FloatToStr(DS->FieldByName(Field)->AsFloat()); };
    TExtStringGrid* G = OENDEKS;
    const AnsiString Adi = Text("ADI");
    G->SetCells(0, Row, IntToStr(Row));
    G->SetCells(1, Row, Text("ABONENO"));
    G->SetCells(2, Row, Adi);
    for (const auto& [Col, Field] : PlainColumns) G->SetCells(Col, Row, Text(Field));
    G->SetCells(36, Row, Number("SAYI1"));
    G->SetCells(37, Row, Number("SAYI2"));
    G->SetCells(38, Row, hepsec->Checked() ? "E" : "H");
    if (!FillRules) {
        G->SetCells(3, Row, Text("SOYADI"));
        for (const auto& [Col, Field] : CopiedColumns) G->SetCells(Col, Row, Text(Field));
        G->SetCells(19, Row, Text("MULKADI"));
        G->SetCells(20, Row, Text("MULKSOYADI"));
        G->SetCells(26, Row, Number("KIRATUTARI"));
        G->SetCells(32, Row, Number("YUZOLCUM"));
        return;
    }
    const AnsiString Soyadi = Text("SOYADI");
    G->SetCells(3, Row, Soyadi.size() < 2 ? Adi : Soyadi);
    for (const TShortRule& R : ShortRules) {
        const AnsiString V = Text(R.Field);
        G->SetCells(R.Col, Row, V.size() < R.MinLength ? AnsiString(R.Placeholder) : V);
    }
    for (const TShortRule& R : EmptyRules) {
        const AnsiString V = Text(R.Field);
        G->SetCells(R.Col, Row, V.empty() ? AnsiString(R.Placeholder) : V);
    }
    AnsiString MulkAdi = Text("MULKADI");
    if (MulkAdi.size() < 2) MulkAdi = Adi;
    const AnsiString MulkSoyadi = Text("MULKSOYADI");
    G->SetCells(19, Row, MulkAdi);
    G->SetCells(20, Row, MulkSoyadi.size() < 2 ? MulkAdi : MulkSoyadi);
    G->SetCells(26, Row, ReplaceAll(Number("KIRATUTARI"), ",", "."));
    G->SetCells(32, Row, ReplaceAll(Number("YUZOLCUM"), ",", "."));
}

void TZemtarIdentityScreen::WriteAll() { Write(ifAllSubscribers); }
void TZemtarIdentityScreen::WritePeriod() { Write(ifPeriod); }
void TZemtarIdentityScreen::WriteClosedOrChanged() {
    if (FKind.ClosedSQL) Write(ifClosedOrChanged);
}

void TZemtarIdentityScreen::Write(TIdentityFileKind FileKind) {
    const bool All = FileKind == ifAllSubscribers;
    TIdentityFileInputs In;
    In.Month = All ? ay->Text() : iay->Text();
    In.Year = All ? yil->Text() : iyil->Text();
    In.Folder = All ? YOL->Text() : iyol->Text();
    In.ZoneTaxNo = VERGINOM->Text();
    In.ZoneTitle = OSBUNVAN->Text();
    In.FileNo = dosyano->Text();
    switch (WriteIdentityTransferFile(*FKind.Energy, FileKind, *OENDEKS, In)) {
        case zcMonth: FocusIfCan(All ? ay : iay); break;
        case zcZoneTaxNo: FocusIfCan(VERGINOM); break;
        case zcFolder: FocusIfCan(All ? YOL : iyol); break;
        case zcOk: break;
    }
}
