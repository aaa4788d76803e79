#include "grid/EsgUni.h"

#include "platform/data/Filer.h"

#include "platform/ui/Forms.h"
#include "platform/ui/UiTestKit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QImage>

#include <initializer_list>
#include <memory>
#include <vector>

using namespace uitest;

namespace {

struct TUniForm {
    std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
    TUniForm() {
        Form->SetBounds(0, 0, 400, 300);
        Form->Show();
        Form->Widget()->activateWindow();
        Settle();
    }
    template <class T>
    T* Make() {
        auto* C = new T(Form.get());
        C->SetParent(Form.get());
        return C;
    }
};

class TObj : public TObject {};

}  // namespace

TEST(EsgUni, TypingOutsideTheCodePageKeepsTheCharacterInTheWideText) {
    TUniForm F;
    auto* E = F.Make<TEsgUniEdit>();
    E->SetFocus();
    TypeText(u"a\u0416\u4E2D");
    EXPECT_EQ(u"a\u0416\u4E2D", E->Text());
    EXPECT_EQ("a??", E->TCustomEdit::Text());   // the 8-bit text cannot hold them
    E->SetText(WideString(u"\u03A9x"));
    EXPECT_EQ(u"\u03A9x", E->Text());
}

TEST(EsgUni, TheMemoKeepsItsWideTextWhenItsLookChanges) {
    TUniForm F;
    auto* M = F.Make<TEsgUniMemo>();
    EXPECT_EQ(200, M->Width());
    EXPECT_EQ(100, M->Height());
    EXPECT_FALSE(M->WantReturns());
    EXPECT_FALSE(M->WantTabs());
    M->SetText(WideString(u"\u0416\r\n\u4E2D"));
    M->SetWordWrap(!M->WordWrap());
    M->SetScrollBars(ssBoth);
    EXPECT_EQ(u"\u0416\n\u4E2D", M->Text());
}

TEST(EsgUni, TheUnicodeEditWithButtonStartsEmpty) {
    TUniForm F;
    auto* B = F.Make<TEsgUniEditBtn>();
    EXPECT_TRUE(B->Text().empty());
    B->SetText(WideString(u"\u4E2D"));
    EXPECT_EQ(u"\u4E2D", B->Text());
}

TEST(EsgUni, ComboItemsAreWideAndFoundIgnoringCase) {
    TUniForm F;
    auto* C = F.Make<TESGUniComboBox>();
    C->Items()->Add(u"\u0436\u0443\u043A");   // lower case
    C->Items()->Add(u"abc");
    EXPECT_EQ(2, C->Items()->Count());
    EXPECT_EQ(u"\u0436\u0443\u043A", C->Items()->Strings(0));
    EXPECT_EQ(0, C->Items()->IndexOf(u"\u0416\u0423\u041A"));   // upper case
    EXPECT_EQ(1, C->Items()->IndexOf(u"ABC"));
    EXPECT_EQ(-1, C->Items()->IndexOf(u"ab"));
    // The 8-bit view converts.
    EXPECT_EQ("???", C->Items()->AnsiStrings()->Strings(0));
    EXPECT_EQ("abc", C->AnsiItems()->Strings(1));
}

TEST(EsgUni, PickingAnItemGivesItsWideTextAndClearKeepsTheText) {
    TUniForm F;
    auto* C = F.Make<TCustomUNIComboBox>();
    C->Items()->Add(u"x\u4E2D");
    C->Items()->Add(u"y");
    C->SetItemIndex(0);
    EXPECT_EQ(u"x\u4E2D", C->Text());
    C->Items()->Clear();
    EXPECT_EQ(0, C->Items()->Count());
    EXPECT_EQ(u"x\u4E2D", C->Text());
}

TEST(EsgUni, SetTextStrSplitsAtEveryBreakAndCrLfOnce) {
    TUniForm F;
    auto* C = F.Make<TESGUniComboBox>();
    C->Items()->SetTextStr(u"a\r\nb\nc");
    ASSERT_EQ(3, C->Items()->Count());
    EXPECT_EQ(u"c", C->Items()->Strings(2));
    C->Items()->SetTextStr(u"1\u20282\u20293\v4\f5\r6\r\n");
    EXPECT_EQ(6, C->Items()->Count());
    EXPECT_EQ(u"1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n", C->Items()->GetTextStr());
    C->Items()->SetTextStr(u"");
    EXPECT_EQ(0, C->Items()->Count());
}

TEST(EsgUni, ObjectsTravelWithTheirItems) {
    TUniForm F;
    auto* C = F.Make<TESGUniComboBox>();
    TObj A, B, D;
    C->Items()->AddObject(u"a", &A);
    C->Items()->AddObject(u"b", &B);
    C->Items()->AddObject(u"d", &D);
    C->Items()->Exchange(0, 2);
    EXPECT_EQ(u"d", C->Items()->Strings(0));
    EXPECT_EQ(&D, C->Items()->Objects(0));
    EXPECT_EQ(&A, C->Items()->Objects(2));
    C->Items()->Move(0, 1);
    EXPECT_EQ(u"b", C->Items()->Strings(0));
    EXPECT_EQ(&D, C->Items()->Objects(1));
    C->Items()->Put(1, u"\u4E2D");
    EXPECT_EQ(u"\u4E2D", C->Items()->Strings(1));
    EXPECT_EQ(&D, C->Items()->Objects(1));
}

TEST(EsgUni, AssignToAndFromAnEightBitList) {
    TUniForm F;
    auto* C = F.Make<TESGUniComboBox>();
    TObj O;
    TStringList L;
    L.AddObject("\xFE" "e", &O);   // code page 1254
    L.Add("two");
    C->Items()->Assign(&L);
    ASSERT_EQ(2, C->Items()->Count());
    EXPECT_EQ(u"\u015Fe", C->Items()->Strings(0));
    EXPECT_EQ(&O, C->Items()->Objects(0));
    C->Items()->Add(u"\u4E2D");
    TStringList Back;
    Back.Add("old");
    C->Items()->AssignTo(&Back);
    ASSERT_EQ(3, Back.Count());
    EXPECT_EQ("\xFE" "e", Back.Strings(0));
    EXPECT_EQ("?", Back.Strings(2));
    auto* Other = F.Make<TESGUniComboBox>();
    Other->Items()->Assign(C->Items());
    EXPECT_EQ(u"\u4E2D", Other->Items()->Strings(2));
}

TEST(EsgUni, KeyPressHandlersSeeAWideCharacterAs255) {
    TUniForm F;
    auto* E = F.Make<TEsgUniEdit>();
    std::vector<char> Seen;
    WideString SeenWide;
    E->OnKeyPress = [&](TObject*, char& Key) {
        Seen.push_back(Key);
        SeenWide += E->KeyPressWide();
        if (Key == 'x') Key = 0;   // a filter still drops its keys
    };
    E->SetFocus();
    TypeText(u"\u0416?x\u015F");
    ASSERT_EQ(4u, Seen.size());
    EXPECT_EQ(char(0xFF), Seen[0]);
    EXPECT_EQ('?', Seen[1]);        // a real question mark stays one
    EXPECT_EQ(char(0xFE), Seen[3]); // a letter of the code page comes as its byte
    EXPECT_EQ(u"\u0416", SeenWide);
    EXPECT_TRUE(E->KeyPressWide().empty());   // only while the handlers run
    EXPECT_EQ(u"\u0416?\u015F", E->Text());
}

TEST(EsgUni, AHandlerCanDropOrReplaceAWideCharacter) {
    TUniForm F;
    auto* E = F.Make<TEsgUniEdit>();
    Integer N = 0;
    E->OnKeyPress = [&](TObject*, char& Key) {
        if (Key != char(0xFF)) return;
        Key = ++N == 1 ? char(0) : 'z';
    };
    E->SetFocus();
    TypeText(u"\u03A9\u03A9");
    EXPECT_EQ(u"z", E->Text());
}

TEST(EsgUni, UpperCaseBoxesTypeAWideCharacterAsItCame) {
    TUniForm F;
    auto* E = F.Make<TEsgUniEdit>();
    E->SetCharCase(ecUpperCase);
    E->SetFocus();
    TypeText(u"a\u4E2D");
    EXPECT_EQ(u"A\u4E2D", E->Text());
}

TEST(EsgUni, EightBitControlsStillSeeAQuestionMark) {
    TUniForm F;
    auto* E = F.Make<TEdit>();
    char Seen = 0;
    E->OnKeyPress = [&](TObject*, char& Key) { Seen = Key; };
    E->SetFocus();
    TypeText(u"\u0416");
    EXPECT_EQ('?', Seen);
    EXPECT_TRUE(E->KeyPressWide().empty());
}

TEST(EsgUni, TheUnicodeComboTypesAndShowsWideLetters) {
    TUniForm F;
    auto* C = F.Make<TESGUniComboBox>();
    C->SetBounds(10, 10, 150, 24);
    char Seen = 0;
    C->OnKeyPress = [&](TObject*, char& Key) { Seen = Key; };
    C->SetFocus();
    TypeText(u"\u0416");
    EXPECT_EQ(char(0xFF), Seen);
    EXPECT_EQ(u"\u0416", C->Text());
    const QImage Wide = C->Widget()->grab().toImage();
    C->SetText(WideString(u"?"));
    Settle();
    EXPECT_NE(Wide, C->Widget()->grab().toImage());
}

TEST(EsgUni, TheUnicodeComboButtonEdgeShowsOnlyWithTheFocus) {
    TUniForm F;
    auto* Other = F.Make<TEdit>();
    Other->SetBounds(10, 60, 100, 24);
    auto* C = F.Make<TESGUniComboBox>();
    C->SetBounds(10, 10, 150, 24);
    const Integer Left = 150 - C->ButtonWidth() + 1;   // the edge's inner left column
    auto Px = [&](Integer X, Integer Y) {
        const QColor Q = C->Widget()->grab().toImage().pixelColor(X, Y);
        return RGB(Byte(Q.red()), Byte(Q.green()), Byte(Q.blue()));
    };
    Other->SetFocus();
    QEvent Leave(QEvent::Leave);   // the mouse is elsewhere
    QApplication::sendEvent(C->Widget(), &Leave);
    Settle();
    ASSERT_FALSE(C->MouseInControl());
    EXPECT_EQ(ColorToRGB(clBtnFace), Px(Left, 10));
    EXPECT_EQ(ColorToRGB(clBtnFace), Px(147, 10));
    C->SetFocus();
    Settle();
    EXPECT_EQ(ColorToRGB(clBtnHighlight), Px(Left, 10));
    // While the list is down the edge lies flat.
    C->Items()->Add(u"\u0416");
    C->SetDroppedDown(true);
    Settle();
    ASSERT_TRUE(C->DroppedDown());
    EXPECT_EQ(ColorToRGB(clBtnShadow), Px(Left - 1, 10));
    C->SetDroppedDown(false);
    EXPECT_NE(ColorToRGB(clBtnFace), Px(148, 10));
}

// --- form storage ------------------------------------------------------------------------
namespace {

// A wide list over a vector: the storage needs no window.
class TVectorWideStrings : public TWideStrings {
public:
    TVectorWideStrings(std::initializer_list<WideString> Items = {}) : FItems(Items) {}
    WideString Get(Integer Index) const override { return FItems.at(size_t(Index)); }
    Integer GetCount() const override { return Integer(FItems.size()); }
    void Clear() override { FItems.clear(); }
    void Delete(Integer Index) override { FItems.erase(FItems.begin() + Index); }
    void Insert(Integer Index, const WideString& S) override { FItems.insert(FItems.begin() + Index, S); }
    std::vector<WideString> FItems;
};

// The lines the list stores, under Ancestor when given.
std::vector<AnsiString> Stored(TWideStrings& L, TPersistent* Ancestor = nullptr) {
    TStringList Lines;
    TWriter W(&Lines, Ancestor);
    L.DefineProperties(&W);
    std::vector<AnsiString> Out;
    for (Integer I = 0; I < Lines.Count(); ++I) Out.push_back(Lines.Strings(I));
    return Out;
}

void Load(TWideStrings& L, const AnsiString& Line) {
    TStringList Lines;
    Lines.Add(Line);
    TReader R(&Lines);
    L.DefineProperties(&R);
    R.CheckAllRead();
}

}  // namespace

TEST(EsgUni, AWideListIsStoredAndReadBackWhole) {
    TVectorWideStrings L{u"a=b", u"", u"it's\r\n\u4E2D", u"\u015Fe"};
    const std::vector<AnsiString> Lines = Stored(L);
    ASSERT_EQ(1u, Lines.size());
    EXPECT_EQ(0u, Lines[0].rfind("WideStrings=", 0));
    TVectorWideStrings Back{u"old"};
    Load(Back, Lines[0]);
    EXPECT_EQ(L.FItems, Back.FItems);
}

TEST(EsgUni, AnEmptyWideListIsNotStored) {
    TVectorWideStrings L;
    EXPECT_TRUE(Stored(L).empty());
}

TEST(EsgUni, EightBitItemsAreReadConverted) {
    TVectorWideStrings L;
    Load(L, "WideStrings=('\xFE" "ey', W'x'#1046, #199)");   // ş and Ç in code page 1254
    EXPECT_EQ((std::vector<WideString>{u"\u015Fey", u"x\u0416", u"\u00C7"}), L.FItems);
}

TEST(EsgUni, UnderAnAncestorOnlyADifferentListIsStored) {
    TVectorWideStrings L{u"a", u"b"};
    TVectorWideStrings Same{u"a", u"b"}, Other{u"a", u"B"}, Longer{u"a", u"b", u"c"};
    EXPECT_TRUE(Stored(L, &Same).empty());
    EXPECT_EQ(1u, Stored(L, &Other).size());
    EXPECT_EQ(1u, Stored(L, &Longer).size());
    // Emptied under an ancestor with items: stored, so that reading empties it too.
    TVectorWideStrings Empty;
    const std::vector<AnsiString> Lines = Stored(Empty, &Same);
    ASSERT_EQ(1u, Lines.size());
    TVectorWideStrings Back{u"a", u"b"};
    Load(Back, Lines[0]);
    EXPECT_TRUE(Back.FItems.empty());
}

TEST(EsgUni, AMalformedStoredListLeavesTheItemsAndSaysSo) {
    TVectorWideStrings L{u"keep"};
    EXPECT_THROW(Load(L, "WideStrings=('a', 'b"), EReadError);
    EXPECT_EQ(std::vector<WideString>{u"keep"}, L.FItems);
}
