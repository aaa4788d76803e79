#include "entry/EABONEKIMLIK.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>

#include <memory>
#include <vector>

#include "datasets/pFBDataSet.h"
#include "dbclient/FBDatabase.h"
#include "dbclient/FBQuery.h"
#include "dbclient/FBTransaction.h"
#include "dbclient/pFBTransaction.h"
#include "entry/Mneyedit.h"
#include "entry/dABONEKIMLIK.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Spin.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/UiTestKit.h"
#include "support/db/TestDataModule.h"
#include "ModalTestKit.h"

namespace {

using namespace uitest;

const char* const NotFound = "Bu abone numaralı abone kimlik kartı kayıtlı değil";

struct TKindCase {
    bool Gas;
    const char* Table;
    const char* InvoiceTable;
};
const TKindCase Electricity{false, "EABONEKIMLIK", "EFATURA"};
const TKindCase NaturalGas{true, "DABONEKIMLIK", "DFATURA"};

// One database for the whole program; every test starts from empty tables,
// a fixed day (15 May 2016) and a shown screen.
class ScreenTest : public TDataModuleSuite, public ::testing::WithParamInterface<TKindCase> {
protected:
    void SetUp() override {
        M().Execute("delete from EABONEKIMLIK; delete from DABONEKIMLIK; delete from EFATURA; delete from DFATURA");
        SetNowProvider([] { return EncodeDate(2016, 5, 15) + 0.5; });
        if (GetParam().Gas)
            F.reset(new TdABONEKIMLIKF(nullptr));
        else
            F.reset(new TEABONEKIMLIKF(nullptr));
        F->Show();
        Settle();
        P.Clear();
    }
    void TearDown() override {
        F.reset();
        SetNowProvider({});
    }

    static TTestDataModule& M() { return DM(); }
    const char* Table() const { return GetParam().Table; }
    AnsiString Column(const char* Name, const AnsiString& Number) {
        return M().Value(Format("select %s from %s where ABONENO = '%s'", {AnsiString(Name), AnsiString(Table()), Number}));
    }
    Integer Rows() { return M().Count(Format("select * from %s", {AnsiString(Table())})); }
    // Which of save, change and delete the screen shows.
    AnsiString ShownButtons() const {
        return AnsiString(F->btrkaydet->Visible() ? "kaydet " : "") + (F->btrdegistir->Visible() ? "degistir " : "") +
               (F->btrsil->Visible() ? "sil" : "");
    }

    // The inputs a save needs, with the number given.
    void FillRequired(const AnsiString& Number) {
        F->ABONENO->SetText(Number);
        F->BADI->SetText("ACME");
        F->UAVTNO->SetText("1234567890");
    }
    void Insert(const AnsiString& Number, const AnsiString& Name, const AnsiString& Period = "Ocak 2016") {
        M().Execute(Format("insert into %s (ABONENO, ADI, UAVTNO, ABONETARIHI, KIRABASLAMATARIHI, "
                           "KIRABITISTARIHI, KIRATUTARI, YUZOLCUM, YAZI1, ZEMTARDAHIL, ABONETIPI, MULKIYET) values "
                           "('%s', '%s', '55', "
                           "'01.02.2010', '03.04.2011', '05.06.2012', 1500.5, 250.25, '%s', 'HAYIR', '2  X', '2  Kiracı')",
                           {AnsiString(Table()), Number, Name, Period}));
    }

    TScriptedPrompter P;
    TPrompterGuard Guard{&P};
    std::unique_ptr<TAboneKimlikForm> F;
};


INSTANTIATE_TEST_SUITE_P(Kinds, ScreenTest, ::testing::Values(Electricity, NaturalGas),
                         [](const auto& Info) { return std::string(Info.param.Gas ? "NaturalGas" : "Electricity"); });

TEST_P(ScreenTest, ShownItHasItsInputsThePeriodAndTheModifyingTexts) {
    const bool Gas = GetParam().Gas;
    EXPECT_EQ(F->ClassName(), Gas ? "TdABONEKIMLIKF" : "TEABONEKIMLIKF");
    EXPECT_EQ(F->Caption(), Gas ? "Doğalgaz Abonelerinin Kimlik Bilgilerinin Tanımlama Menüsü"
                                : "Elektrik Abonelerinin Kimlik Bilgilerinin Tanımlama Menüsü");
    EXPECT_EQ(F->Color(), Gas ? 13032441 : 13500141);
    EXPECT_EQ(IntToStr(F->Width()) + "x" + IntToStr(F->Height()), "782x477");
    EXPECT_EQ(F->Position(), poDesktopCenter);

    struct {
        TWinControl* Control;
        const char* Name;
        Integer MaxLength;   // -1: not an edit
        const char* Text;
        bool Yellow;
    } const Inputs[] = {
        {F->ABONENO, "ABONENO", 15, "", true},          {F->BADI, "BADI", 30, "", true},
        {F->SOYADI, "SOYADI", 30, "", true},            {F->VERGINO, "VERGINO", 10, "", true},
        {F->BTCKIMLIK, "BTCKIMLIK", 11, "22222222222", true},
        {F->ABONEDURUMU, "ABONEDURUMU", -1, "1  Yeni", true},
        {F->TELEFON, "TELEFON", 20, "", false},          {F->TELTIPI, "TELTIPI", -1, "1  İş Telefonu", false},
        {F->bMULKIYET, "bMULKIYET", -1, "1  Mülk Sahibi", true},
        {F->MULKADI, "MULKADI", 30, "", true},          {F->MULKsoyADI, "MULKsoyADI", 30, "", true},
        {F->MULKVERGINO, "MULKVERGINO", 10, "", true},  {F->MULKTCKIMLIK, "MULKTCKIMLIK", 11, "22222222222", true},
        {F->MULKDASK, "MULKDASK", 8, "11111111", true}, {F->UAVTNO, "UAVTNO", 10, "", true},
        {F->ILADI, "ILADI", 20, "", true},              {F->ILCEADI, "ILCEADI", 20, "", true},
        {F->BELDEADI, "BELDEADI", 20, "", false},       {F->MAHALLEADI, "MAHALLEADI", 32, "", false},
        {F->DISKAPINO, "DISKAPINO", 5, "", false},      {F->ICKAPINO, "ICKAPINO", 5, "", false},
        {F->ABONETIPI, "ABONETIPI", -1, Gas ? "2  İşyeri" : "4 Sanayi", true},
        {F->ZEMTARDAHIL, "ZEMTARDAHIL", -1, "EVET", false},
    };
    for (const auto& I : Inputs) {
        SCOPED_TRACE(I.Name);
        EXPECT_EQ(I.Control->Name(), I.Name);
        EXPECT_EQ(I.Control->Text(), I.Text);
        if (I.MaxLength >= 0) {
            EXPECT_EQ(static_cast<TEdit*>(I.Control)->MaxLength(), I.MaxLength);
        }
        EXPECT_EQ(I.Control->Color() == clYellow, I.Yellow);
        EXPECT_TRUE(static_cast<bool>(I.Control->OnKeyPress));
    }
    EXPECT_EQ(F->ZEMTARDAHIL->Color(), clAqua);
    EXPECT_EQ(F->ABONETARIHI->Date(), EncodeDate(2004, 4, 21));
    EXPECT_EQ(F->KIRABITISTARIHI->Date(), EncodeDate(2004, 4, 21));
    EXPECT_EQ(F->KIRATUTARI->Decimals(), 2);
    EXPECT_EQ(F->yil->MinValue(), 2003);
    EXPECT_EQ(F->yil->MaxValue(), 2030);
    EXPECT_EQ(F->ABONETIPI->Items()->Count(), Gas ? 2 : 7);
    EXPECT_EQ(F->ABONETIPI->Items()->Strings(1), Gas ? "2  İşyeri" : "2  Ticaret");
    EXPECT_EQ(F->ay->Items()->Count(), 12);
    EXPECT_EQ(F->GroupBox3->Hint(), "SARI RENKLİ ALANLAR ZORUNLUDUR");
    EXPECT_EQ(F->GroupBox7->Caption(), "Mülk Sahibi Bilgileri");

    EXPECT_EQ(ShownButtons(), "kaydet ");
    EXPECT_FALSE(F->caril->Visible());
    EXPECT_TRUE(F->caril->Sorted());
    EXPECT_EQ(F->btrsil->Caption(), "&SİL");
    EXPECT_EQ(F->Button17->Caption(), "&Kimlik Bilgisini Excelden Al");
    EXPECT_EQ(F->FindComponent("dosyaac"), F->dosyaac);
    // Showing sets the period and the modifying texts.
    EXPECT_EQ(F->ay->Text(), "Mayıs");
    EXPECT_EQ(F->yil->Text(), "2016");
    TpFBDataSet* DS = GetParam().Gas ? M()->dabonekimlik : M()->eabonekimlik;
    const AnsiString T = GetParam().Gas ? "dabonekimlik" : "eABONEKIMLIK";
    EXPECT_EQ(DS->DeleteSQL()->Text(), "Delete from " + T + " where ABONENO=?ABONENO\r\n");
    EXPECT_EQ(DS->InsertSQL()->Text().rfind("insert into " + T + "(ABONENO,ADI,", 0), 0u);
    EXPECT_NE(DS->UpdateSQL()->Text().find("zemtardahil=?zemtardahil,SAYI2=?SAYI2 WHERE ABONENO=?ABONENO"),
              AnsiString::npos);
}

TEST_P(ScreenTest, SaveStoresEveryColumn) {
    FillRequired("A-1");
    F->SOYADI->SetText("Soy");
    F->VERGINO->SetText("1234567890");
    F->ABONETARIHI->SetDate(EncodeDate(2015, 3, 9));
    F->KIRATUTARI->SetTextAsFloat(1234.5);
    F->YUZOLCUM->SetTextAsFloat(99.25);
    F->MAHALLEADI->SetText("Çarşı Mahallesi");
    F->ZEMTARDAHIL->SetText("HAYIR");
    F->btrkaydetClick(F->btrkaydet);
    EXPECT_EQ(P.Messages(), std::vector<AnsiString>{"Kayıt Tamamlandı."});
    EXPECT_EQ(Column("ADI || '|' || SOYADI || '|' || TCKIMLIK || '|' || ABONETARIHI || '|' || KIRABITISTARIHI || '|' || "
                     "ABONEDURUMU || '|' || MAHALLEADI || '|' || YAZI1 || '|' || ZEMTARDAHIL || '|' || MULKDASK",
                     "A-1"),
              "ACME|Soy|22222222222|09.03.2015|21.04.2004|1  Yeni|Çarşı Mahallesi|Mayıs 2016|HAYIR|11111111");
    EXPECT_EQ(Column("KIRATUTARI * 10", "A-1"), "12345");
    EXPECT_EQ(Column("YUZOLCUM * 100", "A-1"), "9925");
    EXPECT_EQ(Column("ABONETIPI", "A-1"), GetParam().Gas ? "2  İşyeri" : "4 Sanayi");
    EXPECT_EQ(Column("YAZI2 is null", "A-1"), Column("1 = 1", "A-1"));   // the empty text is stored as NULL
    EXPECT_EQ(Column("SAYI1 + SAYI2", "A-1"), "0");
    // Written to this kind's table only.
    const char* Other = GetParam().Gas ? "EABONEKIMLIK" : "DABONEKIMLIK";
    EXPECT_EQ(M().Count(Format("select * from %s", {AnsiString(Other)})), 0);
}

TEST_P(ScreenTest, SaveChecksInOrderWithFocus) {
    struct TCheck {
        const char* Case;
        std::function<void(TAboneKimlikForm*)> Spoil;
        const char* Message;
        std::function<TWinControl*(TAboneKimlikForm*)> Focus;
    };
    const TCheck Checks[] = {
        {"period", [](TAboneKimlikForm* f) { f->ay->SetText(""); }, "Lütfen İlgili Ay ve Yılı Giriniz.!",
         [](TAboneKimlikForm* f) { return f->ay; }},
        {"number", [](TAboneKimlikForm* f) { f->ABONENO->SetText(""); f->BADI->SetText(""); },
         "Lütfen ZEMTARa esas Müşteri Kodunu Boş Bırakmayınız!", [](TAboneKimlikForm* f) { return f->ABONENO; }},
        {"name", [](TAboneKimlikForm* f) { f->BADI->SetText(""); f->UAVTNO->SetText(""); }, "Lütfen Müşteri Adını Boş Bırakmayınız!",
         [](TAboneKimlikForm* f) { return f->BADI; }},
        {"uavt", [](TAboneKimlikForm* f) { f->UAVTNO->SetText(""); }, "Lütfen UAVT Numarasını Bırakmayınız!",
         [](TAboneKimlikForm* f) { return f->UAVTNO; }},
        {"zemtar in lower case", [](TAboneKimlikForm* f) { f->ZEMTARDAHIL->SetText("evet"); },
         "Abonenin Faturalarının ZEMTAR Sistemine Yüklenip Yüklenmeyeceğini EVETveya HAYIR seçeneklerinden birisini "
         "seçiniz",
         [](TAboneKimlikForm* f) { return f->ZEMTARDAHIL; }},
    };
    for (const auto& C : Checks) {
        SCOPED_TRACE(C.Case);
        FillRequired("B-1");
        F->ay->SetText("Mayıs");
        F->ZEMTARDAHIL->SetText("EVET");
        F->Button1->SetFocus();
        C.Spoil(F.get());
        P.Clear();
        F->btrkaydetClick(F->btrkaydet);
        Settle();
        EXPECT_EQ(P.Messages(), std::vector<AnsiString>{C.Message});
        EXPECT_TRUE(C.Focus(F.get())->Focused());
        EXPECT_EQ(Rows(), 0);
    }
}

TEST_P(ScreenTest, SaveRefusesAnExistingNumber) {
    Insert("C-1", "Eski");
    FillRequired("C-1");
    F->btrkaydetClick(F->btrkaydet);
    Settle();
    EXPECT_EQ(P.Messages(), std::vector<AnsiString>{"Bu Abone Numarası ile Daha  önce kayıt var"});
    EXPECT_TRUE(F->ABONENO->Focused());
    EXPECT_EQ(Column("ADI", "C-1"), "Eski");
    EXPECT_EQ(Rows(), 1);
}

TEST_P(ScreenTest, RefusedRowLeavesNothingHalfMadeForTheNextSave) {
    const AnsiString Check = Format("CK_%s_ADI", {AnsiString(Table())});
    M().Execute(Format("alter table %s add constraint %s check (ADI <> 'Yasak')", {AnsiString(Table()), Check}));
    FillRequired("H-1");
    F->BADI->SetText("Yasak");
    EXPECT_ANY_THROW(F->btrkaydetClick(F->btrkaydet));
    EXPECT_EQ(Rows(), 0);
    TpFBDataSet* DS = GetParam().Gas ? M()->dabonekimlik : M()->eabonekimlik;
    EXPECT_NE(DS->State(), dsInsert);

    P.Clear();
    F->BADI->SetText("Serbest");
    F->btrkaydetClick(F->btrkaydet);
    EXPECT_EQ(P.Messages(), std::vector<AnsiString>{"Kayıt Tamamlandı."});
    EXPECT_EQ(Column("ADI", "H-1"), "Serbest");
    M().Execute(Format("alter table %s drop constraint %s", {AnsiString(Table()), Check}));
}

TEST_P(ScreenTest, TypingStopsAtTheColumnWidthAndTheSaveStoresTheWholeText) {
    FillRequired("L-1");
    const std::pair<TWinControl*, const char*> Inputs[] = {
        {F->TELEFON, "TELEFON"}, {F->TELTIPI, "TELTIPI"}, {F->ay, "left(YAZI1, char_length(YAZI1) - 5)"}};
    for (auto [Input, Name] : Inputs) Input->SetFocus(), TypeText(u"1234567890123456789012345678901234567890");
    Click(F->btrkaydet);
    EXPECT_EQ(P.Messages(), std::vector<AnsiString>{"Kayıt Tamamlandı."});
    for (auto [Input, Name] : Inputs) EXPECT_EQ(Column(Name, "L-1"), Input->Text()) << Name;
}

TEST_P(ScreenTest, AFailedCommitKeepsItsErrorWhenTheRollbackFailsToo) {
    TFBTransaction* Tr = M()->FBTransact1;
    Tr->AddEndEvent(2, {}, [](TObject*, TTransactionAction A, bool) { throw Exception(A == TACommit ? "commit" : "rollback"); });
    FillRequired("K-1");
    Click(F->btrkaydet);
    Tr->RemoveEndEvent(2, {});
    Tr->Rollback();
    EXPECT_EQ(P.Messages(), std::vector<AnsiString>{"commit."});
}

TEST_P(ScreenTest, TypedDoubleQuotesStayInsideTheLiteral) {
    // A number such as  x" or "1"="1  must neither break the look-up nor match other rows.
    Insert("ABC", "Var");
    FillRequired("x\" or \"1\"=\"1");
    F->btrkaydetClick(F->btrkaydet);
    EXPECT_EQ(P.Messages(), std::vector<AnsiString>{"Kayıt Tamamlandı."});
    EXPECT_EQ(Column("ADI", "x\" or \"1\"=\"1"), "ACME");
    EXPECT_EQ(Column("ADI", "ABC"), "Var");
    EXPECT_EQ(AboneKimlikQuoted("a\"b\"\""), "a\"\"b\"\"\"\"");
}

TEST_P(ScreenTest, ChangeUpdatesTheRowOfTheTypedNumberWithTheSaveChecksButNotThePeriod) {
    Insert("D-1", "Bir");
    Insert("D-2", "Iki");
    F->caril->SetText("D-1");
    F->carilClick(F->caril);
    ASSERT_EQ(F->BADI->Text(), "Bir");
    F->ABONENO->SetText("D-2");   // edited after loading D-1
    F->BADI->SetText("Yeni Ad");
    F->ay->SetText("");
    F->btrdegistirClick(F->btrdegistir);
    EXPECT_TRUE(P.Messages().empty());
    // D-1 stays; no period check on change.
    EXPECT_EQ(Column("ADI", "D-1") + "|" + Column("ADI || '|' || YAZI1", "D-2"), "Bir|Yeni Ad| 2016");

    F->ABONENO->SetText("D-9");
    F->btrdegistirClick(F->btrdegistir);
    EXPECT_EQ(P.LastMessage(), NotFound);
    EXPECT_EQ(Rows(), 2);
    // The save's own checks apply.
    F->ABONENO->SetText("D-1");
    F->BADI->SetText("");
    F->btrdegistirClick(F->btrdegistir);
    EXPECT_EQ(P.LastMessage(), "Lütfen Müşteri Adını Boş Bırakmayınız!");
    EXPECT_EQ(Column("ADI", "D-1"), "Bir");
}

TEST_P(ScreenTest, DeleteAsksAndRefusesSubscribersWithInvoices) {
    Insert("E-1", "Sil");
    Insert("E-2", "Fatura");
    M().Execute(Format("insert into %s (REFERANSNO, ABONENO) values ('9', 'E-2')", {AnsiString(GetParam().InvoiceTable)}));

    F->ABONENO->SetText("E-1");
    for (Integer Answer : {mrNo, mrCancel}) {
        P.Clear();
        P.QueueAnswer(Answer);
        F->btrsilClick(F->btrsil);
        ASSERT_EQ(P.Records().size(), 1u);
        EXPECT_EQ(P.Records()[0].Caption + ": " + P.Records()[0].Text, "Onay: Kayıt Silinsinmi?");
        EXPECT_EQ(P.Records()[0].Buttons, mbYesNoCancel);
        EXPECT_EQ(Rows(), 2);
    }

    // Answered Evet: refused with invoices, unknown or empty numbers; then deleted.
    for (const auto& [No, Message, Left] :
         {std::tuple{"E-2", "FATURA girişi yapıldığından silinemez", 2}, std::tuple{"E-7", NotFound, 2},
          std::tuple{"", "Lütfen ZEMTARa esas Müşteri Kodunu Boş Bırakmayınız!", 2}, std::tuple{"E-1", "Kayıt Silindi", 1}}) {
        F->ABONENO->SetText(No);
        P.QueueAnswer(mrYes);
        F->btrsilClick(F->btrsil);
        EXPECT_EQ(P.LastMessage(), Message) << No;
        EXPECT_EQ(Rows(), Left) << No;
    }
    EXPECT_EQ(Column("ADI", "E-2"), "Fatura");
}

// The search lists are sorted as they fill: a zone with a few thousand subscribers
// (numbers stored in any order, names shared) must fill them at once, in order.
TEST_P(ScreenTest, SearchClickedOnTheShownScreenSortsThousandsOfSubscribers) {
    const AnsiString Digit = "(select 0 x from rdb$database union all select 1 from rdb$database union all "
                             "select 2 from rdb$database union all select 3 from rdb$database union all "
                             "select 4 from rdb$database union all select 5 from rdb$database union all "
                             "select 6 from rdb$database union all select 7 from rdb$database union all "
                             "select 8 from rdb$database union all select 9 from rdb$database)";
    const AnsiString N = "cast(a.x + 10 * b.x + 100 * c.x + 1000 * d.x as integer)";
    M().Execute(Format("insert into %s (ABONENO, ADI) select lpad(%s, 5, '0'), iif(a.x < 5, 'ZETA', 'alfa ' || %s) "
                       "from %s a, %s b, %s c, %s d where d.x < 3",
                       {AnsiString(Table()), N, N, Digit, Digit, Digit, Digit}));
    F->Close();
    modaltest::WhileShownModally(F.get(), [&] { SystemClick(F->ara); });
    ASSERT_EQ(F->caril->Items()->Count(), 3000);
    ASSERT_EQ(F->cadil->Items()->Count(), 3000);
    EXPECT_EQ(F->caril->Items()->Strings(0), "00000");
    EXPECT_EQ(F->caril->Items()->Strings(2999), "02999");
    EXPECT_EQ(F->cadil->Items()->Strings(2999), "ZETA");
    for (Integer I = 1; I < 3000; ++I)
        ASSERT_LE(AnsiCompareText(F->cadil->Items()->Strings(I - 1), F->cadil->Items()->Strings(I)), 0) << I;
}

// The drop-down rows of the name and number lists hold Turkish capitals whole: the
// marks above a capital paint inside the row, above where the plain letter begins.
TEST_P(ScreenTest, DropDownListsShowTheDotsAndAccentsOfCapitals) {
    const std::pair<const char*, const char*> Pairs[] = {{"Ismail", "İsmail"}, {"Omer", "Ömer"}, {"GUNES", "GÜNEŞ"}};
    for (const char* Name : {"AAA", "Ismail", "İsmail", "Omer", "Ömer", "GUNES", "GÜNEŞ"}) Insert(Name, Name);
    SystemClick(F->ara);   // "AAA" is the first, framed row of both lists
    for (TComboBox* Box : {F->cadil, F->caril}) {
        Box->SetFocus();
        SystemKey(Box, Qt::Key_Down, Qt::AltModifier);
        auto* View = static_cast<QComboBox*>(Box->Widget())->view();
        ASSERT_TRUE(View->isVisible());
        const QImage Shot = View->viewport()->grab().toImage();
        auto InkTop = [&](const char* Text) {   // the first row of the text's pixels, from the row's top
            const QRect R = View->visualRect(View->model()->index(Box->Items()->IndexOf(Text), 0));
            for (int Y = R.top(); Y < R.bottom(); ++Y)
                for (int X = R.left() + 2; X < R.width() / 2; ++X)
                    if (qGray(Shot.pixel(R.right() - 2, Y)) - qGray(Shot.pixel(X, Y)) > 40) return Y - R.top();
            return R.height();
        };
        for (const auto& [Plain, Marked] : Pairs)
            EXPECT_TRUE(InkTop(Marked) > 0 && InkTop(Marked) < InkTop(Plain)) << Box->Name() << " " << Plain;
        Box->SetDroppedDown(false);
    }
}

TEST_P(ScreenTest, SearchListsNumbersAndNamesAndPickLoadsTheRow) {
    Insert("F-2", "Zeta");
    Insert("F-1", "Alfa", "Ağustos 2015");
    M().Execute(Format("update %s set KIRABASLAMATARIHI = '' where ABONENO = 'F-2'", {AnsiString(Table())}));
    F->araClick(F->ara);
    EXPECT_TRUE(F->caril->Visible() && F->cadil->Visible() && F->kodar->Visible());
    EXPECT_EQ(ShownButtons(), "kaydet degistir ");
    ASSERT_EQ(F->caril->Items()->Count(), 2);
    EXPECT_EQ(F->caril->Items()->Strings(0), "F-1");
    EXPECT_EQ(F->cadil->Items()->Strings(1), "Zeta");

    F->cadil->SetItemIndex(0);
    F->cadil->Click();
    EXPECT_EQ(F->ABONENO->Text() + "|" + F->BADI->Text() + "|" + F->ZEMTARDAHIL->Text() + "|" + F->bMULKIYET->Text() +
                  "|" + F->ay->Text() + "|" + F->yil->Text(),
              "F-1|Alfa|HAYIR|2  Kiracı|Ağustos|2015");
    EXPECT_EQ(F->ABONETARIHI->Date(), EncodeDate(2010, 2, 1));
    EXPECT_EQ(F->KIRABASLAMATARIHI->Date(), EncodeDate(2011, 4, 3));
    EXPECT_DOUBLE_EQ(F->KIRATUTARI->TextAsFloat(), 1500.5);
    EXPECT_DOUBLE_EQ(F->YUZOLCUM->TextAsFloat(), 250.25);
    EXPECT_EQ(ShownButtons(), "degistir sil");

    // A number no longer there: back to insert mode with the current period; inputs kept.
    F->caril->SetText("F-9");
    F->carilClick(F->caril);
    EXPECT_EQ(ShownButtons(), "kaydet ");
    EXPECT_EQ(F->ay->Text() + " " + F->yil->Text() + "|" + F->BADI->Text(), "Mayıs 2016|Alfa");

    F->caril->SetText("F-2");
    F->carilClick(F->caril);
    EXPECT_EQ(F->ay->Text() + " " + F->yil->Text(), "Ocak 2016");
    // A day typed into its empty lease date shows alone; left so, the date is empty again.
    F->KIRABASLAMATARIHI->SetFocus();
    TypeText(u"20");
    EXPECT_EQ(F->KIRABASLAMATARIHI->Text(), "20.  .    ");
    F->BADI->SetFocus();
    EXPECT_TRUE(F->KIRABASLAMATARIHI->Empty());
    F->Button1Click(F->Button1);
    EXPECT_EQ(ShownButtons(), "kaydet ");
    EXPECT_EQ(F->BADI->Text(), "Zeta");
}

// Picks one after another by the keyboard, as imports left the records: an empty
// lease date shows empty and is stored back so, a yyyy-mm-dd one reads as its date,
// no field keeps the subscriber picked before; a stored date that is no date is
// said in Turkish and the screen stays as it was.
TEST_P(ScreenTest, EveryPickShowsThePickedSubscriberWholeOrNothing) {
    for (const char* No : {"F-1", "F-2", "F-3"}) Insert(No, No);
    M().Execute(Format("update %s set PAFTA = ABONENO, TELEFON = iif(ABONENO = 'F-1', '111', null), "
                       "KIRABASLAMATARIHI = iif(ABONENO = 'F-1', '01.01.2001', ''), "
                       "KIRABITISTARIHI = iif(ABONENO = 'F-3', 'yok', '2012-07-08')",
                       {AnsiString(Table())}));
    F->Close();
    modaltest::WhileShownModally(F.get(), [&] {
        SystemClick(F->ara);
        F->caril->SetFocus();
        for (int I = 0; I < 2; ++I) SystemKey(F->caril, Qt::Key_Down);
        const AnsiString Shown = F->PAFTA->Text() + F->TELEFON->Text() + "|" + F->KIRABASLAMATARIHI->Text() + "|" +
                                 F->KIRABITISTARIHI->Text();
        EXPECT_EQ(Shown, "F-2||08.07.2012");
        F->KIRABITISTARIHI->SetFocus();   // a date selected whole and deleted is stored empty
        SystemKey(F->KIRABITISTARIHI, Qt::Key_A, Qt::ControlModifier);
        SystemKey(F->KIRABITISTARIHI, Qt::Key_Delete);
        SystemClick(F->btrdegistir);
        F->caril->SetFocus();
        SystemKey(F->caril, Qt::Key_Down);
        EXPECT_EQ(F->BADI->Text() + F->KIRABITISTARIHI->Text() + (F->btrsil->Visible() ? "|sil" : ""), "F-2|sil");
    });
    EXPECT_EQ(P.Messages(), std::vector<AnsiString>{"Abonenin kayıtlı KIRABITISTARIHI değeri \"yok\" bir tarih değil; kayıt açılmadı."});
    EXPECT_EQ(Column("coalesce(KIRABASLAMATARIHI || KIRABITISTARIHI || TELEFON, '|')", "F-2"), "|");
}

TEST_P(ScreenTest, TaxNumberExitRules) {
    struct {
        const char* Typed;
        const char* Identity;
        bool Refused;
    } const Cases[] = {
        {"1234567890", "22222222222", false},
        {"2222222222", "12345678901", false},
        {"123456789", "12345678901", true},
        {"", "12345678901", true},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Typed);
        for (bool Owner : {false, true}) {
            TEdit* Tax = Owner ? F->MULKVERGINO : F->VERGINO;
            TEdit* Id = Owner ? F->MULKTCKIMLIK : F->BTCKIMLIK;
            F->VERGINO->SetText("2222222222");   // both leave quietly
            F->MULKVERGINO->SetText("2222222222");
            F->ILADI->SetFocus();
            Settle();
            Id->SetText("12345678901");
            Tax->SetText(C.Typed);
            P.Clear();
            (F.get()->*(Owner ? &TAboneKimlikForm::MULKVERGINOExit : &TAboneKimlikForm::VERGINOExit))(Tax);
            Settle();
            EXPECT_EQ(Id->Text(), C.Identity);
            EXPECT_EQ(P.Messages().size(), C.Refused ? 1u : 0u);
            if (C.Refused) {
                EXPECT_EQ(P.LastMessage(), "Vergi Numarası 10 karakterden büyük veya küçük olamaz");
                EXPECT_TRUE(Tax->Focused());
            }
        }
    }
}

TEST_P(ScreenTest, LeavingTaxNumberByKeyboardKeepsTheFocusUntilTenCharacters) {
    F->VERGINO->SetFocus();
    Settle();
    TypeText(u"123456789");
    PressEnter();
    Settle();
    EXPECT_EQ(P.LastMessage(), "Vergi Numarası 10 karakterden büyük veya küçük olamaz");
    EXPECT_TRUE(F->VERGINO->Focused());
    TypeText(u"0");
    PressEnter();
    Settle();
    EXPECT_TRUE(F->BTCKIMLIK->Focused());
    EXPECT_EQ(F->BTCKIMLIK->Text(), "22222222222");
}

// Alt+K is shared by "&Kaydet" and the two "&Kimlik Bilgisini ..." buttons: it saves.
TEST_P(ScreenTest, AltKSaves) {
    F->BADI->SetFocus();
    Settle();
    TypeText(u"ACME");
    SystemKey(F->BADI, Qt::Key_D, Qt::AltModifier);   // no button shows it: it types nothing
    EXPECT_EQ(F->BADI->Text(), "ACME");
    QTest::keyClick(F->Widget()->windowHandle(), Qt::Key_K, Qt::AltModifier);
    QTest::qWait(250);
    EXPECT_EQ(P.Messages(), (std::vector<AnsiString>{"Lütfen ZEMTARa esas Müşteri Kodunu Boş Bırakmayınız!"}));
    EXPECT_TRUE(F->ABONENO->Focused());
    EXPECT_EQ(Rows(), 0);
    // The lease date shown, typed digits included, is saved.
    FillRequired("T-1");
    for (const char16_t* Day : {u"150", u"150", u"29"}) {   // not whole: Alt+K, then a click, stop
        F->KIRABASLAMATARIHI->SetFocus();
        TypeText(Day);
        if (P.Messages().size() == 2) SystemClick(F->btrkaydet);
        else SystemKey(F.get(), Qt::Key_K, Qt::AltModifier);
        QTest::qWait(250);
    }
    EXPECT_EQ(P.Messages()[2].find("\"15.0 .2004\" tam bir tarih değil; işlem yapılmadı."), 0u);
    EXPECT_EQ(P.Messages().back(), "Kayıt Tamamlandı.");
    EXPECT_EQ(Column("KIRABASLAMATARIHI", "T-1"), "29.04.2004");
}

TEST_P(ScreenTest, EnterMovesToTheNextInput) {
    F->ABONENO->SetFocus();
    Settle();
    PressEnter();
    Settle();
    EXPECT_TRUE(F->BADI->Focused());
    char Letter = 'a', Enter = 13;
    F->ABONENOKeyPress(F->BADI, Letter);
    F->ABONENOKeyPress(F->BADI, Enter);
    Settle();
    EXPECT_EQ(Letter, 'a');
    EXPECT_EQ(Enter, 0);
    EXPECT_TRUE(F->SOYADI->Focused());
}

TEST_P(ScreenTest, OwnershipExitCopiesTheSubscriberWhenOwner) {
    F->BADI->SetText("Ad");
    F->SOYADI->SetText("Soyad");
    F->VERGINO->SetText("1111111111");
    F->BTCKIMLIK->SetText("22222222222");
    F->MULKDASK->SetText("99");
    F->bMULKIYET->SetText("1  Mülk Sahibi");
    F->bMULKIYETExit(F->bMULKIYET);
    EXPECT_EQ(F->MULKADI->Text() + "|" + F->MULKsoyADI->Text() + "|" + F->MULKVERGINO->Text() + "|" + F->MULKDASK->Text(),
              "Ad|Soyad|1111111111|11111111");
    EXPECT_TRUE(P.Messages().empty());

    F->MULKADI->SetText("Sahip");
    F->bMULKIYET->SetText("2  Kiracı");
    F->bMULKIYETExit(F->bMULKIYET);
    EXPECT_EQ(F->MULKADI->Text(), "Sahip");
    EXPECT_TRUE(P.Messages().empty());

    F->bMULKIYET->SetText("3");
    F->bMULKIYETExit(F->bMULKIYET);
    Settle();
    EXPECT_EQ(P.LastMessage(), "1=Mülk Sahibi   2=Kiracı seçeneklerinden birisini seçiniz.");
    EXPECT_TRUE(F->bMULKIYET->Focused());
}

TEST_P(ScreenTest, CodedChoiceExitChecksLookAtTheFirstCharacter) {
    const bool Gas = GetParam().Gas;
    const AnsiString StatusMsg = "1=Yeni    2=Kapanma   3=Değişiklik seçeneklerinden birisini seçiniz.";
    const AnsiString TypeMsg = Gas ? "1=  Mesken    2=İş Yeri seçeneklerinden birisini seçiniz."
                                   : "1=Mesken  2=Ticaret  3=Resmi Daire  4=Sanayi  5=Tarımsal Sulama  6=Genel "
                                     "Aydınlatma  7=Diğer seçeneklerinden birisini seçiniz.";
    struct {
        TComboBox* Box;
        const char* Text;
        bool Refused;
        AnsiString Message;
    } const Cases[] = {
        {F->ABONEDURUMU, "3x", false, StatusMsg}, {F->ABONEDURUMU, "4  Yeni", true, StatusMsg},
        {F->ABONEDURUMU, "", true, StatusMsg},    {F->ABONETIPI, "2", false, TypeMsg},
        {F->ABONETIPI, "3  Resmi Daire", Gas, TypeMsg}, {F->ABONETIPI, "7", Gas, TypeMsg},
        {F->ABONETIPI, "8", true, TypeMsg},       {F->ABONETIPI, "0", true, TypeMsg},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Text);
        F->ABONEDURUMU->SetText("1");   // both leave quietly
        F->ABONETIPI->SetText("1");
        F->ILADI->SetFocus();
        Settle();
        P.Clear();
        C.Box->SetText(C.Text);
        (F.get()->*(C.Box == F->ABONEDURUMU ? &TAboneKimlikForm::ABONEDURUMUExit : &TAboneKimlikForm::ABONETIPIExit))(C.Box);
        Settle();
        EXPECT_EQ(P.Messages().size(), C.Refused ? 1u : 0u);
        if (C.Refused) {
            EXPECT_EQ(P.LastMessage(), C.Message);
            EXPECT_TRUE(C.Box->Focused());
        }
    }
}

TEST(AboneKimlikPeriod, MonthNamesAndSplitOfThePeriodText) {
    AnsiString Names;
    for (Integer M : {0, 1, 5, 12, 13}) Names += AboneKimlikMonthName(M) + "|";
    EXPECT_EQ(Names, "|Ocak|Mayıs|Aralık||");
}

// Another operator: a connection of its own to the same database.
class TOtherOperator {
public:
    explicit TOtherOperator(TTestDataModule& M) : Db(nullptr), Tr(nullptr), Q(nullptr) {
        Db.SetDBName(M.Database().Path());
        TTestDatabase::AddLogin(Db.DBParams());
        Db.SetSQLDialect(1);
        Db.Open();
        Tr.SetDefaultDatabase(&Db);
        Q.SetDatabase(&Db);
        Q.SetTransaction(&Tr);
    }
    ~TOtherOperator() {
        if (Tr.Active()) Tr.Rollback();
        Db.Close();
    }
    // Runs SQL in a transaction of its own, committed unless Keep.
    void Run(const AnsiString& SQL, bool Commit = true) {
        if (!Tr.Active()) Tr.StartTransaction();
        Q.SQL()->SetText(SQL);
        Q.ExecQuery();
        if (Commit) Tr.Commit();
    }
    void Commit() { Tr.Commit(); }

    TFBDatabase Db;
    TFBTransaction Tr;
    TFBQuery Q;
};

const char* const ChangedMeanwhile =
    "Bu kayıt siz okuduktan sonra başka bir kullanıcı tarafından değiştirildi. Değişikliğiniz kaydedilmedi; "
    "kaydın güncel hali ekranda.";

TEST_P(ScreenTest, ASaveOverAnotherOperatorsCommittedChangeIsRefusedAndShowsTheCurrentRecord) {
    Insert("D-5", "Eski Ad");
    F->caril->SetText("D-5");
    F->carilClick(F->caril);   // A reads the record
    ASSERT_EQ(F->BADI->Text(), "Eski Ad");
    TOtherOperator B(M());
    B.Run(Format("update %s set ADI = 'B Adı' where ABONENO = 'D-5'", {AnsiString(Table())}));

    F->SOYADI->SetText("A Soyadı");
    Click(F->btrdegistir);
    EXPECT_EQ(P.Messages(), std::vector<AnsiString>{ChangedMeanwhile});
    EXPECT_EQ(Column("ADI || '|' || coalesce(SOYADI, '')", "D-5"), "B Adı|");
    EXPECT_EQ(F->BADI->Text() + "|" + F->SOYADI->Text(), "B Adı|");   // A now sees the current record

    // Saved again from the current record, A's change goes in and B's stays.
    P.Clear();
    F->SOYADI->SetText("A Soyadı");
    Click(F->btrdegistir);
    EXPECT_TRUE(P.Messages().empty());
    EXPECT_EQ(Column("ADI || '|' || SOYADI", "D-5"), "B Adı|A Soyadı");
    // And once more: A's own save is no change by another.
    F->SOYADI->SetText("A Soyadı 2");
    Click(F->btrdegistir);
    EXPECT_TRUE(P.Messages().empty());
    EXPECT_EQ(Column("SOYADI", "D-5"), "A Soyadı 2");
}

TEST_P(ScreenTest, ASaveWhileAnotherOperatorHoldsTheRecordIsRefused) {
    Insert("D-6", "Eski Ad");
    F->caril->SetText("D-6");
    F->carilClick(F->caril);
    TOtherOperator B(M());
    B.Run(Format("update %s set ADI = 'B Adı' where ABONENO = 'D-6'", {AnsiString(Table())}), false);
    F->SOYADI->SetText("A Soyadı");
    Click(F->btrdegistir);
    EXPECT_EQ(P.Messages(), std::vector<AnsiString>{ChangedMeanwhile});
    B.Commit();
    EXPECT_EQ(Column("ADI || '|' || coalesce(SOYADI, '')", "D-6"), "B Adı|");
}

// Its own save is what it last read; a record it deleted that is there again is another's.
TEST_P(ScreenTest, ItsOwnDeleteAndSaveRenewWhatItRead) {
    for (const AnsiString No : {"D-7", "D-8"}) {
        Insert(No, "Eski Ad");
        F->caril->SetText(No);
        F->carilClick(F->caril);
        P.Clear();
        P.QueueAnswer(mrYes);
        Click(F->btrsil);
        Click(F->Button1);   // Yeni Kayıt
        if (No == "D-8") Insert(No, "Eski Ad");
        else Click(F->btrkaydet);
        Click(F->ara);
        Click(F->btrdegistir);
        EXPECT_EQ(P.LastMessage(), No == "D-7" ? "Kayıt Tamamlandı." : ChangedMeanwhile);
    }
}

}  // namespace
