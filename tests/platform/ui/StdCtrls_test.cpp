#include "platform/ui/StdCtrls.h"
#include "platform/Raised.h"

#include "platform/rtl/CodePage.h"
#include "platform/ui/Clipbrd.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Spin.h"
#include "UiTestKit.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace uitest;

namespace {

struct TScreenForm {
    std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
    template <class T>
    T* Add(int Top) { return Place<T>(Form.get(), 10, Top, 150, 22); }
};

}  // namespace

using StdCtrls = uitest::TFormTest<TScreenForm>;

TEST_F(StdCtrls, TurkishCaptionAndTypedTextRoundTripAsCp1254) {
    F.Form->SetCaption("ORGANİZE SANAYİ BÖLGELERİ");
    auto* E = F.Add<TEdit>(10);
    auto* L = F.Add<TLabel>(40);
    L->SetCaption("Mülk Sahibi Bilgileri");
    F.Form->Show();
    EXPECT_EQ(F.Form->Widget()->windowTitle(), QString::fromUtf16(u"ORGANİZE SANAYİ BÖLGELERİ"));
    EXPECT_EQ(F.Form->Caption(), "ORGANİZE SANAYİ BÖLGELERİ");
    TypeText(u"ĞÜŞİÖÇ ğüşıöç");
    const AnsiString Expected("\xD0\xDC\xDE\xDD\xD6\xC7 \xF0\xFC\xFE\xFD\xF6\xE7");
    EXPECT_EQ(E->Text(), Expected);
    EXPECT_EQ(L->Caption(), "Mülk Sahibi Bilgileri");
}

// A letter outside code page 1254, typed or pasted, shows as the "?" the control gives.
TEST_F(StdCtrls, EveryEightBitInputShowsWhatItsTextGives) {
    for (int I = 0; I < 5; ++I) {
        TScreenForm S;
        TWinControl* C = I == 0 ? S.Add<TEdit>(10) : I == 1 ? S.Add<TMemo>(10) : I == 2 ? static_cast<TWinControl*>(S.Add<TComboBox>(10)) : I == 3 ? static_cast<TWinControl*>(S.Add<TSpinEdit>(10)) : S.Add<TEdit>(10);
        if (I == 4) static_cast<TEdit*>(C)->SetCharCase(ecUpperCase);
        S.Form->Show(), C->SetFocus(), Settle();
        TypeText(u"\u015Fb\u03A9");
        Clipboard()->SetAsWideText(u"\u0142");
        SendKey(FocusTarget(), Qt::Key_V, QString(), Qt::ControlModifier);
        auto* Plain = qobject_cast<QPlainTextEdit*>(C->Widget());
        const QString Shown = Plain ? Plain->toPlainText() : C->Widget()->findChild<QLineEdit*>() ? C->Widget()->findChild<QLineEdit*>()->text() : qobject_cast<QLineEdit*>(C->Widget())->text();
        EXPECT_EQ(Shown.toStdU16String(), AnsiToWide(C->Text())) << I;
        EXPECT_TRUE(Shown.endsWith(QLatin1Char('?'))) << I;
    }
}

// "DÖNEM", "KİRA": the marks above Turkish capitals reach past the font's ascent
// and must stay inside the label, or İ reads as I.
TEST_F(StdCtrls, LabelKeepsTheMarksAboveTurkishCapitals) {
    for (bool Bold : {false, true}) {
        SCOPED_TRACE(Bold);
        TScreenForm F;
        auto* L = F.Add<TLabel>(40);
        L->Font()->SetName("MS Sans Serif");
        L->Font()->SetHeight(-11);
        if (Bold) L->Font()->SetStyle(TFontStyles{fsBold});
        L->SetCaption("DÖNEM KİRA ÜĞ");
        F.Form->Show();
        auto* Q = qobject_cast<QLabel*>(L->Widget());
        ASSERT_NE(Q, nullptr);
        const QFontMetrics M(Q->font());
        const QRect Ink = M.tightBoundingRect(QString::fromUtf16(u"DÖNEM KİRA ÜĞ"));
        const int Baseline = Q->contentsRect().top() + M.ascent();
        EXPECT_GE(Baseline + Ink.top(), 0);                  // the marks are not cut at the top
        EXPECT_LE(Baseline + Ink.bottom(), L->Height() - 1);   // nor the letters at the bottom
    }
}

// "&Kaydet" and two "&Kimlik ..." buttons share Alt+K: the first that can be
// pressed is clicked, every time, instead of the focus only moving between them.
TEST_F(StdCtrls, SharedAcceleratorPressesTheFirstButtonThatCanTakeIt) {
    auto* E = F.Add<TEdit>(10);
    std::vector<AnsiString> Clicked;
    TButton* B[3];
    const char* Captions[] = {"&Kaydet", "&Kimlik Bilgisini Excele At", "&Kimlik Bilgisini Excelden Al"};
    for (int I = 0; I < 3; ++I) {
        B[I] = F.Add<TButton>(40 + 30 * I);
        B[I]->SetCaption(Captions[I]);
        B[I]->OnClick = [&, I](TObject*) { Clicked.push_back(Captions[I]); };
    }
    F.Form->Show();
    E->SetFocus();
    QApplication::processEvents();
    auto AltK = [&] {
        QTest::keyClick(F.Form->Widget()->windowHandle(), Qt::Key_K, Qt::AltModifier);
        QTest::qWait(250);   // a pressed button shows itself down for a moment
    };
    AltK();
    AltK();
    EXPECT_EQ(Clicked, (std::vector<AnsiString>{"&Kaydet", "&Kaydet"}));
    EXPECT_TRUE(B[0]->Focused());
    Clicked.clear();
    B[0]->SetVisible(false);   // a hidden button is passed over
    B[1]->SetEnabled(false);   // and so is a disabled one
    AltK();
    EXPECT_EQ(Clicked, (std::vector<AnsiString>{"&Kimlik Bilgisini Excelden Al"}));
}

TEST_F(StdCtrls, KeyPressSeesTheCp1254Character) {
    auto* E = F.Add<TEdit>(10);
    char Seen = 0;
    E->OnKeyPress = [&](TObject*, char& Key) { Seen = Key; };
    F.Form->Show();
    TypeText(u"ş");
    EXPECT_EQ(static_cast<unsigned char>(Seen), 0xFE);
}

TEST_F(StdCtrls, EditMaxLengthCharCaseReadOnlyAndOnChange) {
    auto* E = F.Add<TEdit>(10);
    int Changes = 0;
    E->OnChange = [&](TObject*) { ++Changes; };
    E->SetMaxLength(4);
    E->SetCharCase(ecUpperCase);
    F.Form->Show();
    TypeText(u"istanbul");
    EXPECT_EQ(E->Text(), "İSTA");
    EXPECT_EQ(Changes, 4);
    E->SetText("program metni uzun");   // the program's own text is kept whole
    EXPECT_EQ(E->Text(), "PROGRAM METNİ UZUN");
    EXPECT_EQ(Changes, 5);
    E->SetReadOnly(true);
    E->SetText("");
    TypeText(u"x");
    EXPECT_EQ(E->Text(), "");
}

TEST_F(StdCtrls, EditSelection) {
    auto* E = F.Add<TEdit>(10);
    E->SetText("1.234,56");
    E->SetSelStart(5);
    EXPECT_EQ(E->SelStart(), 5);
    EXPECT_EQ(E->SelLength(), 0);
    E->SetSelLength(2);
    EXPECT_EQ(E->SelText(), ",5");
    E->SetSelText("X");
    EXPECT_EQ(E->Text(), "1.234X6");
}

TEST_F(StdCtrls, MemoLinesAndText) {
    auto* M = F.Add<TMemo>(10);
    EXPECT_EQ(M->Lines()->Count(), 0);
    M->Lines()->Add("OSB ÜST KURULUŞU");
    M->Lines()->Add("Ankara");
    EXPECT_EQ(M->Lines()->Count(), 2);
    EXPECT_EQ(M->Text(), "OSB ÜST KURULUŞU\r\nAnkara");
    M->Lines()->SetStrings(1, "İstanbul");
    M->Lines()->Delete(0);
    EXPECT_EQ(M->Lines()->Strings(0), "İstanbul");
    M->SetText("a\r\nb\r\n");
    EXPECT_EQ(M->Lines()->Count(), 2);
    M->SetWantReturns(false);
    F.Form->Show();
    M->SetFocus();
    M->SetSelStart(0);
    PressEnter();
    EXPECT_EQ(M->Lines()->Count(), 2);   // Enter does not break the line
}

TEST_F(StdCtrls, ComboBoxStylesItemsAndEvents) {
    auto* C = F.Add<TComboBox>(10);
    C->Items()->Add("1  Yeni");
    C->Items()->Add("2  Kapanma");
    C->Items()->Add("3  Değişiklik");
    EXPECT_EQ(C->ItemIndex(), -1);
    EXPECT_EQ(C->Text(), "");
    C->SetText("1  Yeni");
    EXPECT_EQ(C->ItemIndex(), 0);
    C->SetText("9 yok");   // drop-down boxes take any text
    EXPECT_EQ(C->Text(), "9 yok");
    EXPECT_EQ(C->ItemIndex(), -1);
    C->SetItemIndex(2);
    EXPECT_EQ(C->Text(), "3  Değişiklik");

    std::string Log;
    C->OnClick = [&](TObject*) { Log += "click "; };
    C->OnChange = [&](TObject*) { Log += "change "; };
    F.Form->Show();
    C->SetFocus();
    C->SetText("");
    TypeText(u"4");
    EXPECT_EQ(Log, "change ");
    EXPECT_EQ(C->Text(), "4");

    C->SetStyle(csDropDownList);
    C->SetText("2  kapanma");   // list-only: the matching item
    EXPECT_EQ(C->ItemIndex(), 1);
    C->SetText("yok");
    EXPECT_EQ(C->ItemIndex(), -1);
    EXPECT_EQ(C->Text(), "");
}

TEST_F(StdCtrls, SortedComboKeepsOrder) {
    auto* C = F.Add<TComboBox>(10);
    C->SetSorted(true);
    for (const char* S : {"300", "100", "200"}) C->Items()->Add(S);
    EXPECT_EQ(C->Items()->Strings(0), "100");
    EXPECT_EQ(C->Items()->Strings(2), "300");
    C->Items()->Clear();
    EXPECT_EQ(C->Items()->Count(), 0);
}

TEST_F(StdCtrls, SortedComboPlacesEqualsAfterTheirTwinsAndLongListsInOrder) {
    auto* C = F.Add<TComboBox>(10);
    C->SetSorted(true);
    TObject First, Second;
    EXPECT_EQ(C->Items()->AddObject("b", &First), 0);
    EXPECT_EQ(C->Items()->Add("A"), 0);   // letters compare without their case
    EXPECT_EQ(C->Items()->AddObject("B", &Second), 2);   // after its twin, not before
    EXPECT_EQ(C->Items()->Add("c"), 3);
    EXPECT_EQ(C->Items()->Objects(1), &First);
    EXPECT_EQ(C->Items()->Objects(2), &Second);
    C->Items()->Clear();
    // A subscriber list read backwards, every other number twice.
    for (Integer I = 3000; I > 0; --I) {
        C->Items()->Add(Format("%.5d", {I}));
        if (I % 2 == 0) C->Items()->Add(Format("%.5d", {I}));
    }
    ASSERT_EQ(C->Items()->Count(), 4500);
    for (Integer I = 1; I < C->Items()->Count(); ++I)
        ASSERT_LE(AnsiCompareText(C->Items()->Strings(I - 1), C->Items()->Strings(I)), 0) << I;
    EXPECT_EQ(C->Items()->Strings(0), "00001");
    EXPECT_EQ(C->Items()->Strings(4499), "03000");
}

TEST_F(StdCtrls, CheckAndRadioFireOnClickOnChange) {
    auto* Ch = F.Add<TCheckBox>(10);
    int Clicks = 0;
    Ch->OnClick = [&](TObject*) { ++Clicks; };
    Ch->SetChecked(true);
    EXPECT_TRUE(Ch->Checked());
    EXPECT_EQ(Clicks, 1);
    Ch->SetChecked(true);
    EXPECT_EQ(Clicks, 1);
    auto* R1 = F.Add<TRadioButton>(40);
    auto* R2 = F.Add<TRadioButton>(70);
    R1->SetChecked(true);
    R2->SetChecked(true);
    EXPECT_FALSE(R1->Checked());
}

TEST_F(StdCtrls, DefaultAndCancelButtonsTakeEnterAndEscape) {
    auto* E = F.Add<TEdit>(10);
    auto* Ok = F.Add<TButton>(40);
    auto* Cancel = F.Add<TButton>(70);
    Ok->SetDefault(true);
    Cancel->SetCancel(true);
    std::string Log;
    Ok->OnClick = [&](TObject*) { Log += "ok "; };
    Cancel->OnClick = [&](TObject*) { Log += "cancel "; };
    F.Form->Show();
    E->SetFocus();
    PressEnter();
    PressEscape();
    EXPECT_EQ(Log, "ok cancel ");
}

TEST_F(StdCtrls, SpinEditTextAndValue) {
    auto* S = F.Add<TSpinEdit>(10);
    S->SetMinValue(2003);
    S->SetMaxValue(2030);
    S->SetMaxLength(4);
    S->SetText("2016");
    EXPECT_EQ(S->Value(), 2016);
    EXPECT_EQ(S->Text(), "2016");
    S->SetText("abc");
    EXPECT_EQ(S->Value(), 2003);
    S->SetValue(2040);
    EXPECT_EQ(S->Value(), 2030);
}

TEST_F(StdCtrls, DateTimePickerKeepsDates) {
    auto* D = F.Add<TDateTimePicker>(10);
    TDateTime Day = EncodeDate(2004, 4, 21);
    D->SetDate(Day);
    EXPECT_EQ(D->Date(), Day);
    EXPECT_EQ(D->Text(), "21.04.2004");
    EXPECT_EQ(DateToStr(D->Date()), "21.04.2004");
    D->SetDateTime(EncodeDate(2016, 2, 28) + EncodeTime(13, 30, 0, 0));
    EXPECT_EQ(D->Date(), EncodeDate(2016, 2, 28));
    EXPECT_NEAR(D->Time(), EncodeTime(13, 30, 0, 0), 1e-9);
}

TEST_F(StdCtrls, MaxLengthHoldsAgainAfterTheProgramsLongerText) {
    auto* E = F.Add<TEdit>(10);
    E->SetMaxLength(10);
    E->SetText("123456789012345");   // a longer stored value is shown whole
    EXPECT_EQ(E->Text(), "123456789012345");
    F.Form->Show();
    E->SetFocus();
    E->SelectAll();
    SendKey(FocusTarget(), Qt::Key_Delete);
    TypeText(u"123456789012");
    EXPECT_EQ(E->Text(), "1234567890");   // what the user types stops at the limit
}

TEST_F(StdCtrls, CharCaseAlsoHoldsForPastedText) {
    auto* E = F.Add<TEdit>(10);
    E->SetCharCase(ecUpperCase);
    F.Form->Show();
    E->SetFocus();
    E->SetSelText("vergi dairesi");   // as a paste does
    EXPECT_EQ(E->Text(), "VERGİ DAİRESİ");
}

TEST_F(StdCtrls, ComboKeepsTheProgramsTextWholeButLimitsTyping) {
    auto* C = F.Add<TComboBox>(10);
    C->Items()->Add("EVET");
    C->Items()->Add("HAYIR");
    C->SetMaxLength(3);
    C->SetText("HAYIR");
    EXPECT_EQ(C->Text(), "HAYIR");
    EXPECT_EQ(C->ItemIndex(), 1);
    F.Form->Show();
    C->SetFocus();
    C->SetText("");
    TypeText(u"EVETT");
    EXPECT_EQ(C->Text(), "EVE");
}

TEST_F(StdCtrls, ProgramChangesOfAComboFireNoEvents) {
    auto* C = F.Add<TComboBox>(10);
    for (const char* S : {"1  Mülk Sahibi", "2  Kiracı"}) C->Items()->Add(S);
    std::string Log;
    C->OnClick = [&](TObject*) { Log += "click "; };
    C->OnChange = [&](TObject*) { Log += "change "; };
    C->OnSelect = [&](TObject*) { Log += "select "; };
    C->SetItemIndex(1);
    C->SetText("1  Mülk Sahibi");
    C->SetItemIndex(-1);
    C->Items()->Add("3  Diğer");
    C->Items()->Clear();
    EXPECT_EQ(Log, "");
}

TEST_F(StdCtrls, PickingAComboItemFiresClickThenChange) {
    auto* C = F.Add<TComboBox>(10);
    for (const char* S : {"1  Yeni", "2  Kapanma", "3  Değişiklik"}) C->Items()->Add(S);
    std::string Log;
    C->OnClick = [&](TObject*) { Log += "click "; };
    C->OnChange = [&](TObject*) { Log += "change:" + std::string(C->Text()) + " "; };
    F.Form->Show();
    auto* Q = static_cast<QComboBox*>(C->Widget());
    Q->setCurrentIndex(1);
    emit Q->activated(1);
    EXPECT_EQ(Log, "click change:2  Kapanma ");
    EXPECT_EQ(C->ItemIndex(), 1);
}

// The screens bind one key handler to every input: Enter moves to the next input
// in tab order, whatever its kind.
TEST_F(StdCtrls, EnterMovesOnThroughEveryKindOfInput) {
    auto* E = F.Add<TEdit>(10);
    auto* C = F.Add<TComboBox>(40);
    auto* D = F.Add<TDateTimePicker>(70);
    auto* S = F.Add<TSpinEdit>(100);
    auto* M = F.Add<TMemo>(130);
    M->SetWantReturns(false);
    auto* Last = F.Add<TEdit>(200);
    std::vector<TWinControl*> Order{E, C, D, S, M, Last};
    std::string Keys;
    for (TWinControl* W : Order)
        W->OnKeyPress = [&](TObject*, char& Key) {
            Keys += Key == 13 ? 'E' : Key;
            if (Key == 13) {
                Key = 0;
                F.Form->Perform(WM_NEXTDLGCTL, 0, 0);
            }
        };
    D->SetDate(EncodeDate(2004, 4, 21));
    F.Form->Show();
    ASSERT_TRUE(E->Focused());
    for (size_t I = 1; I < Order.size(); ++I) {
        PressEnter();
        EXPECT_TRUE(Order[I]->Focused()) << "input " << I;
        EXPECT_EQ(F.Form->ActiveControl(), Order[I]);
    }
    EXPECT_EQ(Keys, "EEEEE");
    EXPECT_EQ(M->Text(), "");
    EXPECT_EQ(D->Date(), EncodeDate(2004, 4, 21));
}

TEST_F(StdCtrls, DigitFilterOnKeyPress) {
    auto* E = F.Add<TEdit>(10);
    E->SetMaxLength(2);
    int Refused = 0;
    E->OnKeyPress = [&](TObject*, char& Key) {
        if ((Key >= '0' && Key <= '9') || Key == 8 || Key == 13 || Key == ',') return;
        ++Refused;
        Key = 0;
    };
    F.Form->Show();
    TypeText(u"a1-ş");
    EXPECT_EQ(E->Text(), "1");
    EXPECT_EQ(Refused, 3);
    SendKey(FocusTarget(), Qt::Key_Backspace, QStringLiteral("\b"));
    EXPECT_EQ(E->Text(), "");
    TypeText(u"123");
    EXPECT_EQ(E->Text(), "12");
}

TEST_F(StdCtrls, MemoPositionsCountALineBreakAsTwoCharactersAndLinesAsShown) {
    auto* M = F.Add<TMemo>(10);
    M->SetBounds(10, 10, 200, 80);
    M->SetWordWrap(false);
    F.Form->Show();
    M->SetText("ab\r\ncd\r\n\r\ne");
    // The index after the second break is that of the text: 2 + 2 + 2 + 2.
    M->SetSelStart(8);
    EXPECT_EQ(M->SelStart(), 8);
    EXPECT_EQ(M->LineFromChar(8), 2);
    EXPECT_EQ(M->LineFromChar(9), 3);
    EXPECT_EQ(M->LineFromChar(0), 0);
    EXPECT_EQ(M->LineCount(), 4);
    // A selection over a break counts the break whole.
    M->SetSelStart(1);
    M->SetSelLength(3);
    EXPECT_EQ(M->SelText(), "b\r\n");
    EXPECT_EQ(M->SelLength(), 3);
    // Past the end and inside a CR LF: clamped, after the break.
    M->SetSelStart(3);
    EXPECT_EQ(M->SelStart(), 4);
    M->SetSelStart(99);
    EXPECT_EQ(M->SelStart(), static_cast<Integer>(M->Text().size()));
    // A one-line edit has one line.
    auto* E = F.Add<TEdit>(100);
    E->SetText("xyz");
    EXPECT_FALSE(E->MultiLine());
    EXPECT_EQ(E->LineCount(), 1);
    EXPECT_EQ(E->LineFromChar(2), 0);
}

TEST_F(StdCtrls, MemoWrappedLinesCountAsLinesAndCharFromPosFindsTheCharacter) {
    auto* M = F.Add<TMemo>(10);
    M->SetBounds(10, 10, 60, 120);
    M->SetWordWrap(true);
    F.Form->Show();
    Settle();
    M->SetText("aaaa bbbb cccc dddd eeee ffff");
    EXPECT_GT(M->LineCount(), 1);
    EXPECT_EQ(M->LineFromChar(0), 0);
    EXPECT_EQ(M->LineFromChar(static_cast<Integer>(M->Text().size())), M->LineCount() - 1);
    // The top-left corner is the first character; far below the text is its end.
    EXPECT_EQ(M->CharFromPos(TPoint(1, 1)), 0);
    EXPECT_EQ(M->CharFromPos(TPoint(55, 115)), static_cast<Integer>(M->Text().size()));
    auto* E = F.Add<TEdit>(140);
    E->SetText("abcdefgh");
    EXPECT_EQ(E->CharFromPos(TPoint(0, 5)), 0);
    EXPECT_EQ(E->CharFromPos(TPoint(149, 5)), 8);
}

TEST_F(StdCtrls, MemoLimitLetsTheProgramsLongerTextStandButNotGrow) {
    auto* M = F.Add<TMemo>(10);
    M->SetMaxLength(5);
    M->SetText("1234567");
    F.Form->Show();
    M->SetFocus();
    M->SetSelStart(7);
    TypeText(u"8");
    EXPECT_EQ(M->Text(), "1234567");   // nothing of the program's text is cut
    M->SelectAll();
    TypeText(u"abcdefg");
    EXPECT_EQ(M->Text(), "abcde");
}

TEST_F(StdCtrls, ANarrowComboBoxShowsTheStartOfTheTextTheProgramSets) {
    auto* C = new TComboBox(F.Form.get());
    C->SetParent(F.Form.get());
    C->SetWidth(48);
    for (const char* S : {"1  Yeni", "2  Kapanma", "3  Değişiklik"}) C->Items()->Add(S);
    F.Form->Show();
    QLineEdit* E = static_cast<QComboBox*>(C->Widget())->lineEdit();
    C->SetText("3  Değişiklik");
    EXPECT_EQ(E->cursorPosition(), 0);   // scrolled to the code digit, not to the end
    C->SetItemIndex(1);
    EXPECT_EQ(E->cursorPosition(), 0);
    C->SetText("");
    EXPECT_EQ(E->cursorPosition(), 0);
}

TEST_F(StdCtrls, AComboBoxCompletesTypedTextFromItsItemsOnceTheUserIsThere) {
    auto* C = new TComboBox(F.Form.get());
    C->SetParent(F.Form.get());
    for (const char* S : {"Ocak", "Mart", "Mayıs"}) C->Items()->Add(S);
    F.Form->Show();
    C->SetFocus();
    Settle();
    SendKey(C->Widget(), Qt::Key_O, QStringLiteral("O"));
    EXPECT_EQ(C->Text(), "Ocak");   // completed inline, the rest selected
    EXPECT_EQ(C->SelLength(), 3);
    C->Items()->Add("Nisan");   // items added later complete too
    C->SetText("");
    SendKey(C->Widget(), Qt::Key_N, QStringLiteral("N"));
    EXPECT_EQ(C->Text(), "Nisan");
}

// --- edit masks ------------------------------------------------------------------
TEST_F(StdCtrls, MaskedEditTakesOnlyWhatFitsAndSkipsLiterals) {
    auto* E = F.Add<TEdit>(10);
    E->SetEditMask("00.00.0000;1;_");
    int Changes = 0;
    E->OnChange = [&](TObject*) { ++Changes; };
    F.Form->Show();
    E->SetFocus();
    E->SetSelStart(0);
    EXPECT_EQ(E->EditText(), "__.__.____");
    EXPECT_EQ(E->Text(), "");   // nothing typed is no value
    TypeText(u"12a05x");
    EXPECT_EQ(E->EditText(), "12.05.____");
    EXPECT_EQ(E->SelStart(), 6);   // the caret waits on the year, past the literal
    EXPECT_EQ(Changes, 4);         // the refused letters changed nothing
    TypeText(u"20201");            // the fifth digit has no place left
    EXPECT_EQ(E->Text(), "12.05.2020");
    EXPECT_TRUE(E->Modified());
    EXPECT_FALSE(E->MaskIncomplete());
}

TEST_F(StdCtrls, MaskedEditBackspaceDeleteCutAndPasteKeepThePicture) {
    auto* E = F.Add<TEdit>(10);
    E->SetEditMask("00.00.0000;0;_");
    E->SetText("12052020");
    F.Form->Show();
    E->SetFocus();
    E->SetSelStart(3);
    SendKey(FocusTarget(), Qt::Key_Backspace, QStringLiteral("\b"));
    EXPECT_EQ(E->EditText(), "1_.05.2020");
    EXPECT_EQ(E->Text(), "1 052020");   // literals are not saved; blanks are spaces
    EXPECT_EQ(E->SelStart(), 1);
    E->SetSelStart(2);
    SendKey(FocusTarget(), Qt::Key_Delete);
    EXPECT_EQ(E->EditText(), "1_._5.2020");
    E->SetSelStart(6);
    E->SetSelLength(4);
    SendKey(FocusTarget(), Qt::Key_X, QStringLiteral("\x18"), Qt::ControlModifier);
    EXPECT_EQ(Clipboard()->AsText(), "2020");
    EXPECT_EQ(E->EditText(), "1_._5.____");
    Clipboard()->SetAsText("3112");
    E->SetSelStart(0);
    E->SetSelLength(5);
    SendKey(FocusTarget(), Qt::Key_V, QStringLiteral("\x16"), Qt::ControlModifier);
    EXPECT_EQ(E->EditText(), "31.12.____");
    Clipboard()->SetAsText("20x1");   // one misfit refuses the whole paste
    SendKey(FocusTarget(), Qt::Key_V, QStringLiteral("\x16"), Qt::ControlModifier);
    EXPECT_EQ(E->EditText(), "31.12.____");
    Clipboard()->Clear();
}

TEST_F(StdCtrls, AReversedMaskShowsAShortTextWithLeadingBlanks) {
    auto* E = F.Add<TEdit>(10);
    E->SetEditMask("!999;1;_");
    E->SetText("7");
    EXPECT_EQ(E->EditText(), "__7");
    F.Form->Show();
    E->SetFocus();
    E->SetSelStart(0);
    SendKey(FocusTarget(), Qt::Key_4, QStringLiteral("4"));   // typing still goes from the caret on
    EXPECT_EQ(E->EditText(), "4_7");
    EXPECT_EQ(E->Text(), "4 7");
}

TEST_F(StdCtrls, IncompleteMaskIsRefusedWithTheCaretOnTheGap) {
    auto* E = F.Add<TEdit>(10);
    E->SetEditMask("99/99/0000;1;_");
    E->ValidateEdit();   // nothing typed: nothing to refuse
    E->SetText("01.02.201");
    EXPECT_EQ(E->EditText(), "01.02.201_");
    EXPECT_FALSE(E->MaskIncomplete());   // the program's text is not held to the mask
    F.Form->Show();
    E->SetFocus();
    E->SetSelStart(9);
    SendKey(FocusTarget(), Qt::Key_Backspace, QStringLiteral("\b"));
    EXPECT_EQ(E->EditText(), "01.02.20__");
    EXPECT_TRUE(E->MaskIncomplete());
    EXPECT_EQ(MessageOf<EDBEditError>([&] { E->ValidateEdit(); }), SMaskEditErr) << "no error";
    EXPECT_EQ(E->SelStart(), 8);
    // Removing the mask keeps the text as it was stored.
    E->SetEditMask("");
    EXPECT_EQ(E->Text(), "01.02.20  ");
    EXPECT_FALSE(E->MaskIncomplete());
}
