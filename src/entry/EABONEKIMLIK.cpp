#include "entry/EABONEKIMLIK.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "datasets/pFBDataSet.h"
#include "dbclient/pFBTransaction.h"
#include "entry/Mneyedit.h"
#include "entry/SubscriberSheet.h"
#include "entry/UDMODULE1.h"
#include "entry/Util3a.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Spin.h"
#include "platform/ui/StdCtrls.h"

TEABONEKIMLIKF* EABONEKIMLIKF = nullptr;

namespace {

const char* const MonthNames[12] = {"Ocak",   "Şubat", "Mart",  "Nisan", "Mayıs", "Haziran",
                                    "Temmuz", "Ağustos", "Eylül", "Ekim", "Kasım", "Aralık"};

const char* const ElectricityTypes[] = {"1  Mesken",          "2  Ticaret",           "3  Resmi Daire", "4  Sanayi",
                                        "5  Tarımsal Sulama", "6  Genel Aydınlatma", "7  Diğer"};
const char* const NaturalGasTypes[] = {"1  Mesken", "2  İşyeri"};

const char* const RequiredHint = "SARI RENKLİ ALANLAR ZORUNLUDUR";
const char* const MsgPeriod = "Lütfen İlgili Ay ve Yılı Giriniz.!";
const char* const MsgNumber = "Lütfen ZEMTARa esas Müşteri Kodunu Boş Bırakmayınız!";
const char* const MsgName = "Lütfen Müşteri Adını Boş Bırakmayınız!";
const char* const MsgUavt = "Lütfen UAVT Numarasını Bırakmayınız!";
const char* const MsgZemtar =
    "Abonenin Faturalarının ZEMTAR Sistemine Yüklenip Yüklenmeyeceğini EVETveya HAYIR seçeneklerinden birisini seçiniz";
const char* const MsgExists = "Bu Abone Numarası ile Daha  önce kayıt var";
const char* const MsgNotFound = "Bu abone numaralı abone kimlik kartı kayıtlı değil";
const char* const MsgHasInvoices = "FATURA girişi yapıldığından silinemez";
const char* const MsgTaxNumber = "Vergi Numarası 10 karakterden büyük veya küçük olamaz";
const char* const MsgOwnership = "1=Mülk Sahibi   2=Kiracı seçeneklerinden birisini seçiniz.";
const char* const MsgStatus = "1=Yeni    2=Kapanma   3=Değişiklik seçeneklerinden birisini seçiniz.";

// Widths of the table columns behind inputs that have no length of their own:
// an input takes no more than its column stores.
constexpr Integer TextColumnWidth = 20;    // TELEFON, PAFTA, ADA, PERSEL
constexpr Integer CodedColumnWidth = 30;   // the coded choices
constexpr Integer MonthWidth = 15;         // YAZI1 (20) holds the month, a blank and the year

const char* const TaxPlaceholder = "2222222222";
const char* const IdentityPlaceholder = "22222222222";
const char* const PolicyPlaceholder = "11111111";

Tdmodule1& Module() {
    if (!dmodule1) throw Exception("Veri modülü oluşturulmadı");
    return *dmodule1;
}

TpFBDataSet* ElectricityDataSet(Tdmodule1* M) { return M->eabonekimlik; }
TpFBDataSet* NaturalGasDataSet(Tdmodule1* M) { return M->dabonekimlik; }

char FirstChar(const AnsiString& S) { return S.empty() ? '\0' : S[0]; }

// Posts the record; a refused record is cancelled so that the data set does
// not keep a half-made row that the next save would trip over.
void PostRecord(TpFBDataSet* DS) {
    try {
        DS->Post();
    } catch (...) {
        if (DS->State() == dsInsert || DS->State() == dsEdit) DS->Cancel();
        throw;
    }
}

// The stored values of the current record, as texts.
std::vector<AnsiString> StoredValues(TpFBDataSet* DS) {
    std::vector<AnsiString> V;
    V.reserve(static_cast<size_t>(DS->FieldCount()));
    for (Integer I = 0; I < DS->FieldCount(); ++I) V.push_back(DS->Fields()->Fields(I)->AsString());
    return V;
}

const char* const MsgBadStoredDate = "Abonenin kayıtlı %s değeri \"%s\" bir tarih değil; kayıt açılmadı.";
const char* const MsgChangedMeanwhile =
    "Bu kayıt siz okuduktan sonra başka bir kullanıcı tarafından değiştirildi. Değişikliğiniz kaydedilmedi; "
    "kaydın güncel hali ekranda.";

// Opens DS on Format(SQL, Value) and tells whether it has rows.
bool QueryHasRows(TpFBDataSet* DS, const char* SQL, const AnsiString& Value) {
    Module().SetDataSetSQL(DS, Format(SQL, {AboneKimlikQuoted(Value)}));
    DS->Open();
    DS->First();
    return !DS->IsEmpty();
}

TLabel* MakeLabel(TAboneKimlikForm* Form, TWinControl* Parent, Integer& Number, const AnsiString& Caption,
                  Integer Left, Integer Top) {
    auto* L = new TLabel(Form);
    L->SetName("Label" + IntToStr(++Number));
    L->SetParent(Parent);
    L->SetCaption(Caption);
    L->SetLeft(Left);
    L->SetTop(Top + 3);
    return L;
}

template <class T>
T* MakeInput(TAboneKimlikForm* Form, TWinControl* Parent, const char* Name, Integer Left, Integer Top, Integer Width,
             bool Yellow) {
    auto* C = new T(Form);
    C->SetName(Name);
    C->SetParent(Parent);
    C->SetBounds(Left, Top, Width, 21);
    if (Yellow) C->SetColor(clYellow);
    C->OnKeyPress = [Form](TObject* Sender, char& Key) { Form->ABONENOKeyPress(Sender, Key); };
    return C;
}

// Two columns of label and input inside a group box.
struct TGroupLayout {
    TAboneKimlikForm* Form;
    TWinControl* Parent;
    Integer& LabelNumber;
    Integer Rows;
    Integer Index = 0;

    void Cell(const AnsiString& Caption, Integer& Left, Integer& Top) {
        const Integer Col = Index / Rows, Row = Index % Rows;
        ++Index;
        Left = 8 + Col * 186;
        Top = 18 + Row * 26;
        MakeLabel(Form, Parent, LabelNumber, Caption, Left, Top);
        Left += 84;
    }
    TEdit* Edit(const char* Name, const AnsiString& Caption, Integer MaxLength, bool Yellow,
                const AnsiString& Text = AnsiString()) {
        Integer L, T;
        Cell(Caption, L, T);
        auto* E = MakeInput<TEdit>(Form, Parent, Name, L, T, 96, Yellow);
        E->SetMaxLength(MaxLength);
        E->SetText(Text);
        return E;
    }
    TComboBox* Combo(const char* Name, const AnsiString& Caption, const char* const* Items, Integer Count,
                     const AnsiString& Text, bool Yellow) {
        Integer L, T;
        Cell(Caption, L, T);
        auto* C = MakeInput<TComboBox>(Form, Parent, Name, L, T, 96, Yellow);
        C->SetMaxLength(CodedColumnWidth);
        for (Integer I = 0; I < Count; ++I) C->Items()->Add(Items[I]);
        C->SetText(Text);
        return C;
    }
    TDateTimePicker* Date(const char* Name, const AnsiString& Caption, bool Yellow) {
        Integer L, T;
        Cell(Caption, L, T);
        auto* D = MakeInput<TDateTimePicker>(Form, Parent, Name, L, T, 96, Yellow);
        D->SetDate(EncodeDate(2004, 4, 21));
        D->SetAllowEmpty(true);   // the record stores a date left empty so
        return D;
    }
    TMoneyEdit* Money(const char* Name, const AnsiString& Caption) {
        Integer L, T;
        Cell(Caption, L, T);
        auto* M = MakeInput<TMoneyEdit>(Form, Parent, Name, L, T, 96, false);
        M->SetHeight(21);
        M->SetDecimals(2);
        M->SetMaxLength(20);
        return M;
    }
};

TGroupBox* MakeGroup(TAboneKimlikForm* Form, const char* Name, const AnsiString& Caption, TColor Color, Integer Left,
                     Integer Top, Integer Height) {
    auto* G = new TGroupBox(Form);
    G->SetName(Name);
    G->SetParent(Form);
    G->SetCaption(Caption);
    G->SetColor(Color);
    G->SetBounds(Left, Top, 376, Height);
    G->SetHint(RequiredHint);
    G->SetShowHint(true);
    return G;
}

TButton* MakeButton(TAboneKimlikForm* Form, const char* Name, const AnsiString& Caption, Integer Left, Integer Top,
                    Integer Width, void (TAboneKimlikForm::*Handler)(TObject*)) {
    auto* B = new TButton(Form);
    B->SetName(Name);
    B->SetParent(Form);
    B->SetCaption(Caption);
    B->SetBounds(Left, Top, Width, 27);
    B->OnClick = [Form, Handler](TObject* Sender) { (Form->*Handler)(Sender); };
    return B;
}

}  // namespace

// ---------------------------------------------------------------------------

const TAboneKimlikKind ElectricityAboneKimlik = {
    "Elektrik Abonelerinin Kimlik Bilgilerinin Tanımlama Menüsü",
    13500141,
    ElectricityDataSet,
    "insert into eABONEKIMLIK(ABONENO,ADI,SOYADI,VERGINO,TCKIMLIK,ABONETARIHI,ABONEDURUMU,UAVTNO,ILADI,ILCEADI,"
    "BELDEADI,BUCAKADI,KOYADI,MAHALLEADI,CADDEADI,DISKAPINO,ICKAPINO,MULKIYET,MULKADI,MULKSOYADI,MULKVERGINO,"
    "MULKTCKIMLIK,MULKDASK,KIRABASLAMATARIHI,KIRABITISTARIHI,KIRATUTARI,TELTIPI,TELEFON,PAFTA,ADA,PERSEL,YUZOLCUM,"
    "ABONETIPI,YAZI1,YAZI2,SAYI1,zemtardahil,SAYI2)values (?ABONENO,?ADI,?SOYADI,?VERGINO,?TCKIMLIK,?ABONETARIHI,"
    "?ABONEDURUMU,?UAVTNO,?ILADI,?ILCEADI,?BELDEADI,?BUCAKADI,?KOYADI,?MAHALLEADI,?CADDEADI,?DISKAPINO,?ICKAPINO,"
    "?MULKIYET,?MULKADI,?MULKSOYADI,?MULKVERGINO,?MULKTCKIMLIK,?MULKDASK,?KIRABASLAMATARIHI,?KIRABITISTARIHI,"
    "?KIRATUTARI,?TELTIPI,?TELEFON,?PAFTA,?ADA,?PERSEL,?YUZOLCUM,?ABONETIPI,?YAZI1,?YAZI2,?SAYI1,?zemtardahil,?SAYI2)",
    "update eABONEKIMLIK set ADI=?ADI,SOYADI=?SOYADI,VERGINO=?VERGINO,TCKIMLIK=?TCKIMLIK,ABONETARIHI=?ABONETARIHI,"
    "ABONEDURUMU=?ABONEDURUMU,UAVTNO=?UAVTNO,ILADI=?ILADI,ILCEADI=?ILCEADI,BELDEADI=?BELDEADI,BUCAKADI=?BUCAKADI,"
    "KOYADI=?KOYADI,MAHALLEADI=?MAHALLEADI,CADDEADI=?CADDEADI,DISKAPINO=?DISKAPINO,ICKAPINO=?ICKAPINO,"
    "MULKIYET=?MULKIYET,MULKADI=?MULKADI,MULKSOYADI=?MULKSOYADI,MULKVERGINO=?MULKVERGINO,MULKTCKIMLIK=?MULKTCKIMLIK,"
    "MULKDASK=?MULKDASK,KIRABASLAMATARIHI=?KIRABASLAMATARIHI,KIRABITISTARIHI=?KIRABITISTARIHI,KIRATUTARI=?KIRATUTARI,"
    "TELTIPI=?TELTIPI,TELEFON=?TELEFON,PAFTA=?PAFTA,ADA=?ADA,PERSEL=?PERSEL,YUZOLCUM=?YUZOLCUM,ABONETIPI=?ABONETIPI,"
    "YAZI1=?YAZI1,YAZI2=?YAZI2,SAYI1=?SAYI1,zemtardahil=?zemtardahil,SAYI2=?SAYI2 WHERE ABONENO=?ABONENO",
    "Delete from eABONEKIMLIK where ABONENO=?ABONENO",
    "Select * from eabonekimlik where aboneno= \"%s\" ",
    "Select * from Eabonekimlik where aboneno= \"%s\" ",
    "Select * from Eabonekimlik where adi= \"%s\" ",
    "Select aboneno from eabonekimlik where aboneno >= \"%s\" order by aboneno",
    "Select adi from eabonekimlik where adi>= \"%s\" order by adi",
    "Select  * from EFATURA where ABONENO= \"%s\" ORDER BY faturatarihi",
    ElectricityTypes,
    7,
    "4 Sanayi",
    "1=Mesken  2=Ticaret  3=Resmi Daire  4=Sanayi  5=Tarımsal Sulama  6=Genel Aydınlatma  7=Diğer",
    '7',
    "1=Mesken  2=Ticaret  3=Resmi Daire  4=Sanayi  5=Tarımsal Sulama  6=Genel Aydınlatma  7=Diğer seçeneklerinden "
    "birisini seçiniz.",
};

const TAboneKimlikKind NaturalGasAboneKimlik = {
    "Doğalgaz Abonelerinin Kimlik Bilgilerinin Tanımlama Menüsü",
    13032441,
    NaturalGasDataSet,
    "insert into dabonekimlik(ABONENO,ADI,SOYADI,VERGINO,TCKIMLIK,ABONETARIHI,ABONEDURUMU,UAVTNO,ILADI,ILCEADI,"
    "BELDEADI,BUCAKADI,KOYADI,MAHALLEADI,CADDEADI,DISKAPINO,ICKAPINO,MULKIYET,MULKADI,MULKSOYADI,MULKVERGINO,"
    "MULKTCKIMLIK,MULKDASK,KIRABASLAMATARIHI,KIRABITISTARIHI,KIRATUTARI,TELTIPI,TELEFON,PAFTA,ADA,PERSEL,YUZOLCUM,"
    "ABONETIPI,YAZI1,YAZI2,SAYI1,zemtardahil,SAYI2)values (?ABONENO,?ADI,?SOYADI,?VERGINO,?TCKIMLIK,?ABONETARIHI,"
    "?ABONEDURUMU,?UAVTNO,?ILADI,?ILCEADI,?BELDEADI,?BUCAKADI,?KOYADI,?MAHALLEADI,?CADDEADI,?DISKAPINO,?ICKAPINO,"
    "?MULKIYET,?MULKADI,?MULKSOYADI,?MULKVERGINO,?MULKTCKIMLIK,?MULKDASK,?KIRABASLAMATARIHI,?KIRABITISTARIHI,"
    "?KIRATUTARI,?TELTIPI,?TELEFON,?PAFTA,?ADA,?PERSEL,?YUZOLCUM,?ABONETIPI,?YAZI1,?YAZI2,?SAYI1,?zemtardahil,?SAYI2)",
    "update dabonekimlik set ADI=?ADI,SOYADI=?SOYADI,VERGINO=?VERGINO,TCKIMLIK=?TCKIMLIK,ABONETARIHI=?ABONETARIHI,"
    "ABONEDURUMU=?ABONEDURUMU,UAVTNO=?UAVTNO,ILADI=?ILADI,ILCEADI=?ILCEADI,BELDEADI=?BELDEADI,BUCAKADI=?BUCAKADI,"
    "KOYADI=?KOYADI,MAHALLEADI=?MAHALLEADI,CADDEADI=?CADDEADI,DISKAPINO=?DISKAPINO,ICKAPINO=?ICKAPINO,"
    "MULKIYET=?MULKIYET,MULKADI=?MULKADI,MULKSOYADI=?MULKSOYADI,MULKVERGINO=?MULKVERGINO,MULKTCKIMLIK=?MULKTCKIMLIK,"
    "MULKDASK=?MULKDASK,KIRABASLAMATARIHI=?KIRABASLAMATARIHI,KIRABITISTARIHI=?KIRABITISTARIHI,KIRATUTARI=?KIRATUTARI,"
    "TELTIPI=?TELTIPI,TELEFON=?TELEFON,PAFTA=?PAFTA,ADA=?ADA,PERSEL=?PERSEL,YUZOLCUM=?YUZOLCUM,ABONETIPI=?ABONETIPI,"
    "YAZI1=?YAZI1,YAZI2=?YAZI2,SAYI1=?SAYI1,zemtardahil=?zemtardahil,SAYI2=?SAYI2 WHERE ABONENO=?ABONENO",
    "Delete from dabonekimlik where ABONENO=?ABONENO",
    "Select * from dabonekimlik where aboneno= \"%s\" ",
    "Select * from dabonekimlik where aboneno= \"%s\" ",
    "Select * from dabonekimlik where adi= \"%s\" ",
    "Select aboneno from dabonekimlik where aboneno >= \"%s\" order by aboneno",
    "Select adi from dabonekimlik where adi>= \"%s\" order by adi",
    "Select  * from DFATURA where ABONENO= \"%s\" ORDER BY faturatarihi",
    NaturalGasTypes,
    2,
    "2  İşyeri",
    "1=  Mesken    2=İş Yeri",
    '2',
    "1=  Mesken    2=İş Yeri seçeneklerinden birisini seçiniz.",
};

AnsiString AboneKimlikMonthName(Integer Index) {
    return Index >= 1 && Index <= 12 ? AnsiString(MonthNames[Index - 1]) : AnsiString();
}

AnsiString AboneKimlikQuoted(const AnsiString& Value) {
    AnsiString Result;
    Result.reserve(Value.size());
    for (char C : Value) {
        if (C == '"') Result += '"';
        Result += C;
    }
    return Result;
}

// ---------------------------------------------------------------------------

TAboneKimlikForm::TAboneKimlikForm(TComponent* AOwner, const TAboneKimlikKind& Kind)
    : TForm(AOwner), FKind(Kind) {
    SetCaption(Kind.Caption);
    SetColor(Kind.FormColor);
    SetPosition(poDesktopCenter);
    SetBounds(0, 0, 782, 477);

    Integer LabelNo = 0;

    GroupBox3 = MakeGroup(this, "GroupBox3", "Abone Bilgisi", 14671871, 8, 4, 150);
    {
        TGroupLayout G{this, GroupBox3, LabelNo, 5};
        ABONENO = G.Edit("ABONENO", "ABONENO", 15, true);
        BADI = G.Edit("BADI", "ADI", 30, true);
        SOYADI = G.Edit("SOYADI", "SOYADI", 30, true);
        VERGINO = G.Edit("VERGINO", "VERGINO", 10, true);
        BTCKIMLIK = G.Edit("BTCKIMLIK", "TCKIMLIK", 11, true, IdentityPlaceholder);
        ABONETARIHI = G.Date("ABONETARIHI", "ABONETARIHI", true);
        const char* const Status[] = {"1  Yeni", "2  Kapanma", "3  Değişiklik"};
        ABONEDURUMU = G.Combo("ABONEDURUMU", "ABONEDURUMU", Status, 3, "1  Yeni", true);
        TELEFON = G.Edit("TELEFON", "TELEFON", TextColumnWidth, false);
        const char* const Phones[] = {"1  İş Telefonu", "2  Ev Telefonu", "3  Cep"};
        TELTIPI = G.Combo("TELTIPI", "TELTIPI", Phones, 3, "1  İş Telefonu", false);
    }

    GroupBox7 = MakeGroup(this, "GroupBox7", "Mülk Sahibi Bilgileri", 16768991, 394, 4, 150);
    {
        TGroupLayout G{this, GroupBox7, LabelNo, 5};
        const char* const Owner[] = {"1  Mülk Sahibi", "2  Kiracı"};
        bMULKIYET = G.Combo("bMULKIYET", "MULKIYET", Owner, 2, "1  Mülk Sahibi", true);
        MULKADI = G.Edit("MULKADI", "ADI", 30, true);
        MULKsoyADI = G.Edit("MULKsoyADI", "SOYADI", 30, true);
        MULKVERGINO = G.Edit("MULKVERGINO", "MÜLK. VERGİ NO", 10, true);
        MULKTCKIMLIK = G.Edit("MULKTCKIMLIK", "MÜLK.TC KİMLİK", 11, true, IdentityPlaceholder);
        MULKDASK = G.Edit("MULKDASK", "DASK POLİÇE NO", 8, true, PolicyPlaceholder);
        KIRATUTARI = G.Money("KIRATUTARI", "KIRATUTARI");
        KIRABASLAMATARIHI = G.Date("KIRABASLAMATARIHI", "KİRA BAŞ. TARİHİ", false);
        KIRABITISTARIHI = G.Date("KIRABITISTARIHI", "KİRA BİTİŞ TARİHİ", false);
    }

    GroupBox6 = MakeGroup(this, "GroupBox6", "Ulusal Adres Bilgileri", 14024703, 8, 158, 176);
    {
        TGroupLayout G{this, GroupBox6, LabelNo, 6};
        UAVTNO = G.Edit("UAVTNO", "UAVTNO", 10, true);
        ILADI = G.Edit("ILADI", "ILADI", 20, true);
        ILCEADI = G.Edit("ILCEADI", "ILCEADI", 20, true);
        BELDEADI = G.Edit("BELDEADI", "BELDEADI", 20, false);
        BUCAKADI = G.Edit("BUCAKADI", "BUCAKADI", 20, false);
        KOYADI = G.Edit("KOYADI", "KOYADI", 20, false);
        MAHALLEADI = G.Edit("MAHALLEADI", "MAHALLEADI", 32, false);
        CADDEADI = G.Edit("CADDEADI", "CADDEADI", 20, false);
        DISKAPINO = G.Edit("DISKAPINO", "DISKAPINO", 5, false);
        ICKAPINO = G.Edit("ICKAPINO", "ICKAPINO", 5, false);
    }

    GroupBox8 = MakeGroup(this, "GroupBox8", "Gayrimenkul Bilgisi", 16770736, 394, 158, 98);
    {
        TGroupLayout G{this, GroupBox8, LabelNo, 2};
        PAFTA = G.Edit("PAFTA", "PAFTA", TextColumnWidth, false);
        ADA = G.Edit("ADA", "ADA", TextColumnWidth, false);
        PERSEL = G.Edit("PERSEL", "PERSEL", TextColumnWidth, false);
        YUZOLCUM = G.Money("YUZOLCUM", "YUZOLCUM");
    }

    MakeLabel(this, this, LabelNo, "ABONETIPI", 402, 262);
    ABONETIPI = MakeInput<TComboBox>(this, this, "ABONETIPI", 486, 262, 180, true);
    ABONETIPI->SetMaxLength(CodedColumnWidth);
    for (Integer I = 0; I < Kind.TypeItemCount; ++I) ABONETIPI->Items()->Add(Kind.TypeItems[I]);
    ABONETIPI->SetText(Kind.TypeInitial);
    ABONETIPI->SetHint(Kind.TypeHint);
    ABONETIPI->SetShowHint(true);

    MakeLabel(this, this, LabelNo, "DÖNEM Ayı", 402, 288);
    ay = MakeInput<TComboBox>(this, this, "ay", 486, 288, 100, false);
    ay->SetMaxLength(MonthWidth);
    for (Integer I = 1; I <= 12; ++I) ay->Items()->Add(AboneKimlikMonthName(I));
    MakeLabel(this, this, LabelNo, "Yılı", 596, 288);
    yil = MakeInput<TSpinEdit>(this, this, "yil", 626, 288, 60, false);
    yil->SetMinValue(2003);
    yil->SetMaxValue(2030);
    yil->SetMaxLength(4);
    yil->SetValue(2004);

    MakeLabel(this, this, LabelNo, "Faturalarını ZEMTAR'a dahil Et", 402, 314);
    ZEMTARDAHIL = MakeInput<TComboBox>(this, this, "ZEMTARDAHIL", 586, 314, 80, false);
    ZEMTARDAHIL->SetColor(clAqua);
    ZEMTARDAHIL->Items()->Add("EVET");
    ZEMTARDAHIL->Items()->Add("HAYIR");
    ZEMTARDAHIL->SetMaxLength(10);
    ZEMTARDAHIL->SetText("EVET");

    btrkaydet = MakeButton(this, "btrkaydet", "&Kaydet", 8, 378, 90, &TAboneKimlikForm::btrkaydetClick);
    btrdegistir = MakeButton(this, "btrdegistir", "&Değiştir", 104, 378, 90, &TAboneKimlikForm::btrdegistirClick);
    btrdegistir->SetVisible(false);
    btrsil = MakeButton(this, "btrsil", "&SİL", 200, 378, 90, &TAboneKimlikForm::btrsilClick);
    btrsil->SetVisible(false);
    Button1 = MakeButton(this, "Button1", "Yeni Kayıt", 296, 378, 90, &TAboneKimlikForm::Button1Click);
    ara = MakeButton(this, "ara", "Arama", 392, 378, 90, &TAboneKimlikForm::araClick);
    Button16 = MakeButton(this, "Button16", "&Kimlik Bilgisini Excele At", 8, 410, 230,
                          &TAboneKimlikForm::Button16Click);
    Button17 = MakeButton(this, "Button17", "&Kimlik Bilgisini Excelden Al", 244, 410, 230,
                          &TAboneKimlikForm::Button17Click);

    kodar = MakeLabel(this, this, LabelNo, "Abone Numarası", 8, 344);
    kodar->SetName("kodar");
    kodar->SetVisible(false);
    caril = new TComboBox(this);
    caril->SetName("caril");
    caril->SetParent(this);
    caril->SetBounds(104, 344, 150, 21);
    caril->SetSorted(true);
    caril->SetVisible(false);
    caril->OnClick = [this](TObject* Sender) { carilClick(Sender); };
    adar = MakeLabel(this, this, LabelNo, "Abone Adından Ara", 262, 344);
    adar->SetName("adar");
    adar->SetVisible(false);
    cadil = new TComboBox(this);
    cadil->SetName("cadil");
    cadil->SetParent(this);
    cadil->SetBounds(382, 344, 200, 21);
    cadil->SetSorted(true);
    cadil->SetVisible(false);
    cadil->OnClick = [this](TObject* Sender) { cadilClick(Sender); };

    dosyaac = new TOpenDialog(this);
    dosyaac->SetName("dosyaac");

    VERGINO->OnExit = [this](TObject* Sender) { VERGINOExit(Sender); };
    MULKVERGINO->OnExit = [this](TObject* Sender) { MULKVERGINOExit(Sender); };
    bMULKIYET->OnExit = [this](TObject* Sender) { bMULKIYETExit(Sender); };
    ABONEDURUMU->OnExit = [this](TObject* Sender) { ABONEDURUMUExit(Sender); };
    ABONETIPI->OnExit = [this](TObject* Sender) { ABONETIPIExit(Sender); };
    OnShow = [this](TObject* Sender) { FormShow(Sender); };
}

TpFBDataSet* TAboneKimlikForm::Shared() const { return FKind.SharedDataSet(&Module()); }

void TAboneKimlikForm::SetCurrentPeriod() {
    const AnsiString Today = DateToStr(Date());
    yil->SetText(Copy(Today, 7, 4));
    Integer Month = 0;
    // A date format other than dd.mm.yyyy leaves the month alone instead of
    // reading past the table.
    if (TryStrToInt(Copy(Today, 4, 2), Month) && Month >= 1 && Month <= 12) ay->SetText(AboneKimlikMonthName(Month));
}

void TAboneKimlikForm::FormShow(TObject* Sender) {
    SetCurrentPeriod();
    TpFBDataSet* DS = Shared();
    DS->InsertSQL()->SetText(FKind.InsertSQL);
    DS->UpdateSQL()->SetText(FKind.UpdateSQL);
    DS->DeleteSQL()->SetText(FKind.DeleteSQL);
}

void TAboneKimlikForm::ABONENOKeyPress(TObject* Sender, char& Key) {
    if (Key == 13) {
        Key = 0;
        Perform(WM_NEXTDLGCTL, 0, 0);
    }
}

bool TAboneKimlikForm::CheckRequired() {
    auto Fail = [](const char* Msg, TWinControl* Control) {
        ShowMessage(Msg);
        Control->SetFocus();
        return false;
    };
    if (ABONENO->Text().empty()) return Fail(MsgNumber, ABONENO);
    if (BADI->Text().empty()) return Fail(MsgName, BADI);
    if (UAVTNO->Text().empty()) return Fail(MsgUavt, UAVTNO);
    const AnsiString Z = ZEMTARDAHIL->Text();
    if (Z != "EVET" && Z != "HAYIR") return Fail(MsgZemtar, ZEMTARDAHIL);
    return true;
}

bool TAboneKimlikForm::FindTyped() { return QueryHasRows(Shared(), FKind.FindByNumberSQL, ABONENO->Text()); }

namespace {

enum TLinkKind { lkText, lkDate, lkMoney };

struct TFieldLink {
    const char* Field;
    TControl* Control;
    TLinkKind Kind;
};

// The record's fields and their controls, in the order they are written and
// read; the number, the period and the Zemtar flag are handled apart.
std::vector<TFieldLink> FieldLinks(TAboneKimlikForm* F) {
    return {
        {"ADI", F->BADI, lkText},
        {"SOYADI", F->SOYADI, lkText},
        {"VERGINO", F->VERGINO, lkText},
        {"TCKIMLIK", F->BTCKIMLIK, lkText},
        {"ABONETARIHI", F->ABONETARIHI, lkDate},
        {"ABONEDURUMU", F->ABONEDURUMU, lkText},
        {"UAVTNO", F->UAVTNO, lkText},
        {"ILADI", F->ILADI, lkText},
        {"ILCEADI", F->ILCEADI, lkText},
        {"BELDEADI", F->BELDEADI, lkText},
        {"BUCAKADI", F->BUCAKADI, lkText},
        {"KOYADI", F->KOYADI, lkText},
        {"MAHALLEADI", F->MAHALLEADI, lkText},
        {"CADDEADI", F->CADDEADI, lkText},
        {"DISKAPINO", F->DISKAPINO, lkText},
        {"ICKAPINO", F->ICKAPINO, lkText},
        {"MULKIYET", F->bMULKIYET, lkText},
        {"MULKADI", F->MULKADI, lkText},
        {"MULKSOYADI", F->MULKsoyADI, lkText},
        {"MULKVERGINO", F->MULKVERGINO, lkText},
        {"MULKTCKIMLIK", F->MULKTCKIMLIK, lkText},
        {"MULKDASK", F->MULKDASK, lkText},
        {"KIRABASLAMATARIHI", F->KIRABASLAMATARIHI, lkDate},
        {"KIRABITISTARIHI", F->KIRABITISTARIHI, lkDate},
        {"KIRATUTARI", F->KIRATUTARI, lkMoney},
        {"TELTIPI", F->TELTIPI, lkText},
        {"TELEFON", F->TELEFON, lkText},
        {"PAFTA", F->PAFTA, lkText},
        {"ADA", F->ADA, lkText},
        {"PERSEL", F->PERSEL, lkText},
        {"YUZOLCUM", F->YUZOLCUM, lkMoney},
        {"ABONETIPI", F->ABONETIPI, lkText},
    };
}

}  // namespace

void TAboneKimlikForm::AssignRecord(TpFBDataSet* DS) {
    auto Str = [DS](const char* Field, const AnsiString& Value) { DS->FieldByName(Field)->SetAsString(Value); };
    auto Num = [DS](const char* Field, Double Value) { DS->FieldByName(Field)->SetAsFloat(Value); };
    Str("aboneno", ABONENO->Text());
    for (const TFieldLink& L : FieldLinks(this)) {
        switch (L.Kind) {
            case lkText: Str(L.Field, L.Control->Text()); break;
            case lkDate: {
                // An empty date is stored back empty.
                auto* D = static_cast<TDateTimePicker*>(L.Control);
                Str(L.Field, D->Empty() ? AnsiString() : StoredDateText(D->Date()));
                break;
            }
            case lkMoney: Num(L.Field, static_cast<TMoneyEdit*>(L.Control)->TextAsFloat()); break;
        }
    }
    Str("YAZI1", ay->Text() + " " + yil->Text());
    Str("YAZI2", AnsiString());
    Num("SAYI1", 0);
    Num("SAYI2", 0);
    Str("zemtardahil", ZEMTARDAHIL->Text());
}

bool TAboneKimlikForm::LoadRecord(TpFBDataSet* DS) {
    auto Str = [DS](const char* Field) { return DS->FieldByName(Field)->AsString(); };
    // Everything is read before anything is shown: a value that cannot be shown
    // leaves every field as it was, never half of another subscriber.
    struct TRead {
        AnsiString Text;
        TDateTime Date = 0;
        Double Amount = 0;
    };
    const std::vector<TFieldLink> Links = FieldLinks(this);
    std::vector<TRead> Read(Links.size());
    for (size_t I = 0; I < Links.size(); ++I) {
        const TFieldLink& L = Links[I];
        TRead& R = Read[I];
        if (L.Kind == lkMoney) {
            R.Amount = DS->FieldByName(L.Field)->AsFloat();
            continue;
        }
        R.Text = Str(L.Field);
        if (L.Kind == lkDate) {
            R.Text = Trim(R.Text);
            if (!R.Text.empty() && !TryStoredDate(R.Text, R.Date)) {
                ShowMessage(Format(MsgBadStoredDate, {AnsiString(L.Field), R.Text}));
                return false;
            }
        }
    }
    const AnsiString Number = Str("ABONENO"), Zemtar = Str("zemtardahil"), Period = Str("YAZI1");

    ABONENO->SetText(Number);
    for (size_t I = 0; I < Links.size(); ++I) {
        const TFieldLink& L = Links[I];
        switch (L.Kind) {
            case lkText: L.Control->SetText(Read[I].Text); break;
            case lkDate: {
                auto* D = static_cast<TDateTimePicker*>(L.Control);
                // Empty, on today: a day typed into it later takes its month and
                // year from today, not from the subscriber shown before.
                D->SetDate(Read[I].Text.empty() ? Date() : Read[I].Date);
                if (Read[I].Text.empty()) D->Clear();
                break;
            }
            case lkMoney: static_cast<TMoneyEdit*>(L.Control)->SetTextAsFloat(Read[I].Amount); break;
        }
    }
    ZEMTARDAHIL->SetText(Zemtar);
    RememberRecord(DS);
    ay->SetText(Copy(Period, 1, static_cast<Integer>(Period.size()) - 5));
    yil->SetText(Copy(Period, static_cast<Integer>(ay->Text().size()) + 2, 4));
    return true;
}

bool TAboneKimlikForm::TakeTypedDates() {
    for (TDateTimePicker* D : {ABONETARIHI, KIRABASLAMATARIHI, KIRABITISTARIHI})
        if (!D->TakeTyped()) return false;
    return true;
}

void TAboneKimlikForm::SetEditMode(bool Edit) {
    btrdegistir->SetVisible(Edit);
    btrsil->SetVisible(Edit);
    btrkaydet->SetVisible(!Edit);
}

void TAboneKimlikForm::btrkaydetClick(TObject* Sender) {
    if (!TakeTypedDates()) return;
    if (ay->Text().empty()) {
        ShowMessage(MsgPeriod);
        ay->SetFocus();
        return;
    }
    if (!CheckRequired()) return;
    if (FindTyped()) {
        ShowMessage(MsgExists);
        ABONENO->SetFocus();
        return;
    }
    TpFBDataSet* DS = Shared();
    DS->Insert();
    AssignRecord(DS);
    PostRecord(DS);
    Module().CommitAndReopen(DS);
    // What it saved is what the screen now shows: a change of it follows.
    if (!DS->IsEmpty()) RememberRecord(DS);
    ShowMessage("Kayıt Tamamlandı.");
}

void TAboneKimlikForm::btrdegistirClick(TObject* Sender) {
    if (!TakeTypedDates()) return;
    if (!CheckRequired()) return;
    if (!FindTyped()) {
        ShowMessage(MsgNotFound);
        return;
    }
    TpFBDataSet* DS = Shared();
    if (ChangedSinceRead(DS)) return;
    DS->Edit();
    AssignRecord(DS);
    PostRecord(DS);
    Module().CommitAndReopen(DS);
    if (!DS->IsEmpty()) RememberRecord(DS);
}

void TAboneKimlikForm::RememberRecord(TpFBDataSet* DS) {
    FReadNumber = DS->FieldByName("ABONENO")->AsString();
    FReadValues = StoredValues(DS);
    FReadDeleted = false;
}

bool TAboneKimlikForm::ChangedSinceRead(TpFBDataSet* DS) {
    // A record typed in without being read first has nothing to compare with.
    if ((FReadValues.empty() && !FReadDeleted) || DS->FieldByName("ABONENO")->AsString() != FReadNumber) return false;
    TFBTransaction* Tr = Module().FBTransact1;
    bool Changed = false;
    try {
        // Held first, then read again: nobody can change it between the look and the save.
        DS->LockRecord(true);
        // One this screen deleted that is there again was made by another.
        Changed = !FindTyped() || FReadDeleted || StoredValues(DS) != FReadValues;
    } catch (const Exception&) {
        Changed = true;   // held by another user's unfinished change (the lock is refused)
    }
    if (!Changed) return false;
    if (Tr->Active()) Tr->Rollback();
    Tr->SetActive(true);
    if (FindTyped()) {
        LoadRecord(DS);
    } else {
        FReadValues.clear();
    }
    ShowMessage(MsgChangedMeanwhile);
    return true;
}

void TAboneKimlikForm::btrsilClick(TObject* Sender) {
    if (MessageDlg("Kayıt Silinsinmi?", mtConfirmation, mbYesNoCancel, 0) != mrYes) return;
    if (ABONENO->Text().empty()) {
        ShowMessage(MsgNumber);
        ABONENO->SetFocus();
        return;
    }
    {
        std::unique_ptr<TpFBDataSet> Work(new TpFBDataSet(this));
        if (QueryHasRows(Work.get(), FKind.InvoiceCheckSQL, ABONENO->Text())) {
            ShowMessage(MsgHasInvoices);
            return;
        }
    }
    if (!FindTyped()) {
        ShowMessage(MsgNotFound);
        return;
    }
    TpFBDataSet* DS = Shared();
    const AnsiString Number = DS->FieldByName("ABONENO")->AsString();
    DS->Delete();
    Module().CommitAndReopen(DS);
    FReadNumber = Number;
    FReadValues.clear();
    FReadDeleted = true;
    ShowMessage("Kayıt Silindi");
}

void TAboneKimlikForm::Button16Click(TObject* Sender) { SubscriberSheetExport(this); }

void TAboneKimlikForm::Button17Click(TObject* Sender) {
    const std::vector<AnsiString> Stored = SubscriberSheetImport(this);
    // Its own write, as Kaydet's: the subscriber the screen read comes back as stored,
    // so that a change of it is no change by another.
    if (FReadNumber.empty() || std::find(Stored.begin(), Stored.end(), TrimRight(FReadNumber)) == Stored.end()) return;
    if (QueryHasRows(Shared(), FKind.FindByNumberSQL, FReadNumber)) LoadRecord(Shared());
}

void TAboneKimlikForm::Button1Click(TObject* Sender) { SetEditMode(false); }

void TAboneKimlikForm::FillList(TComboBox* List, const char* SQL, const char* Field) {
    std::unique_ptr<TpFBDataSet> Work(new TpFBDataSet(this));
    Module().SetDataSetSQL(Work.get(), Format(SQL, {AboneKimlikQuoted(".")}));
    Work->Open();
    Work->First();
    List->Clear();
    while (!Work->Eof()) {
        List->Items()->Add(Work->FieldByName(Field)->AsString());
        Work->Next();
    }
    Work->Close();
}

void TAboneKimlikForm::araClick(TObject* Sender) {
    caril->SetVisible(true);
    kodar->SetVisible(true);
    cadil->SetVisible(true);
    adar->SetVisible(true);
    btrdegistir->SetVisible(true);
    FillList(caril, FKind.NumberListSQL, "aboneno");
    FillList(cadil, FKind.NameListSQL, "adi");
}

void TAboneKimlikForm::Pick(const char* SQL, const AnsiString& Value) {
    TpFBDataSet* DS = Shared();
    if (QueryHasRows(DS, SQL, Value)) {
        if (LoadRecord(DS)) SetEditMode(true);
    } else {
        SetEditMode(false);
        SetCurrentPeriod();
    }
}

void TAboneKimlikForm::carilClick(TObject* Sender) { Pick(FKind.PickNumberSQL, caril->Text()); }

void TAboneKimlikForm::cadilClick(TObject* Sender) { Pick(FKind.PickNameSQL, cadil->Text()); }

void TAboneKimlikForm::VERGINOExit(TObject* Sender) {
    const AnsiString V = VERGINO->Text();
    if (V.size() == 10 && V != TaxPlaceholder) BTCKIMLIK->SetText(IdentityPlaceholder);
    if (V.size() != 10) {
        ShowMessage(MsgTaxNumber);
        VERGINO->SetFocus();
    }
}

void TAboneKimlikForm::MULKVERGINOExit(TObject* Sender) {
    const AnsiString V = MULKVERGINO->Text();
    if (V.size() == 10 && V != TaxPlaceholder) MULKTCKIMLIK->SetText(IdentityPlaceholder);
    if (V.size() != 10) {
        ShowMessage(MsgTaxNumber);
        MULKVERGINO->SetFocus();
    }
}

void TAboneKimlikForm::bMULKIYETExit(TObject* Sender) {
    const char C = FirstChar(bMULKIYET->Text());
    if (C == '1') {
        MULKADI->SetText(BADI->Text());
        MULKsoyADI->SetText(SOYADI->Text());
        MULKVERGINO->SetText(VERGINO->Text());
        MULKTCKIMLIK->SetText(BTCKIMLIK->Text());
        MULKDASK->SetText(PolicyPlaceholder);
    }
    if (C != '1' && C != '2') {
        ShowMessage(MsgOwnership);
        bMULKIYET->SetFocus();
    }
}

void TAboneKimlikForm::ABONEDURUMUExit(TObject* Sender) {
    const char C = FirstChar(ABONEDURUMU->Text());
    if (C < '1' || C > '3') {
        ShowMessage(MsgStatus);
        ABONEDURUMU->SetFocus();
    }
}

void TAboneKimlikForm::ABONETIPIExit(TObject* Sender) {
    const char C = FirstChar(ABONETIPI->Text());
    if (C < '1' || C > FKind.TypeLastCode) {
        ShowMessage(FKind.TypeMessage);
        ABONETIPI->SetFocus();
    }
}
