#include "grid/EsgUni.h"

#include "platform/ui/Forms.h"
#include "platform/ui/UiTestKit.h"

#include <gtest/gtest.h>

#include <memory>

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
