#include "platform/ui/Mask.h"

#include <gtest/gtest.h>

namespace {

// The picture of a Turkish date: FormatSettings has '.' between day, month and year.
const char* const DateMask = "99/99/0000;1;_";   // laid in from the front

struct TLayCase { const char* Mask; const char* Value; const char* EditText; };

class MaskLay : public ::testing::TestWithParam<TLayCase> {};

// A mask with the edit text and caret an edit control would hold; starts blank.
struct TMasked {
    TEditMask Mask;
    AnsiString Text;
    Integer Caret = 0;
    explicit TMasked(const char* M) : Mask(M), Text(Mask.BlankText()) {}
    TMasked(const char* M, const char* T, Integer C) : Mask(M), Text(T), Caret(C) {}
    bool Type(char C, Integer SelLength = 0) { return Mask.Type(Text, Caret, SelLength, C); }
    void Erase(Integer SelLength, bool Backward) { Mask.Erase(Text, Caret, SelLength, Backward); }
    bool Paste(Integer SelLength, const AnsiString& Clip) { return Mask.Paste(Text, Caret, SelLength, Clip); }
};

}  // namespace

TEST(Mask, PictureFieldsAndLiterals) {
    const TEditMask D(DateMask);
    EXPECT_EQ(D.Length(), 10);
    EXPECT_EQ(D.BlankText(), "__.__.____");
    EXPECT_TRUE(D.SaveLiterals());
    EXPECT_EQ(D.BlankChar(), '_');
    EXPECT_TRUE(D.IsLiteral(2));
    EXPECT_FALSE(D.IsRequired(0));
    EXPECT_TRUE(D.IsRequired(6));

    const TEditMask N("(000) 000;0; ");
    EXPECT_EQ(N.BlankText(), "(   )    ");
    EXPECT_FALSE(N.SaveLiterals());
    EXPECT_EQ(N.BlankChar(), ' ');

    // An escaped mask character, the blank literal, and a semicolon kept by escaping.
    const TEditMask E("\\0_\\;L");
    EXPECT_EQ(E.BlankText(), "0 ;_");
    EXPECT_EQ(E.NextInput(0), 3);
    EXPECT_EQ(E.PrevInput(3), -1);
    EXPECT_TRUE(TEditMask("").Empty());
    EXPECT_TRUE(TEditMask(";0;*").Empty());
}

TEST_P(MaskLay, StoredTextLaidIntoThePicture) {
    const TLayCase& C = GetParam();
    EXPECT_EQ(TEditMask(C.Mask).EditTextOf(C.Value), C.EditText) << C.Mask << " / " << C.Value;
}

INSTANTIATE_TEST_SUITE_P(Mask, MaskLay,
                         ::testing::Values(TLayCase{DateMask, "12.05.2020", "12.05.2020"},
                                           TLayCase{DateMask, "12052020", "12.05.2020"},
                                           TLayCase{DateMask, "12-05-2020", "12.05.2020"},
                                           TLayCase{DateMask, "", "__.__.____"},
                                           TLayCase{DateMask, "1x", "1_.__.____"},
                                           TLayCase{DateMask, "12.05.20201999", "12.05.2020"},
                                           TLayCase{DateMask, " 5.  .2020", "_5.__.2020"},
                                           TLayCase{"00.00;0;_", "1234", "12.34"},
                                           TLayCase{">LL-00", "ab-12", "AB-12"},
                                           TLayCase{"c;1;*", "*", "*"},
                                           // "!": laid in from the end, the front left blank
                                           TLayCase{"999", "5", "5__"},
                                           TLayCase{"!999", "5", "__5"},
                                           TLayCase{"9!99", "5", "__5"},
                                           TLayCase{"!999", "12345", "345"},
                                           TLayCase{"!99.99;1;_", "34", "__.34"},
                                           TLayCase{"!99.99;1;_", "3.4", "_3._4"},
                                           TLayCase{"!99.99;1;_", "1-2", "_1._2"},
                                           TLayCase{"!>LL", "a", "_A"},
                                           TLayCase{"!999", "", "___"},
                                           TLayCase{"!99/99/0000;1;_", "1.2.2003", "_1._2.2003"},
                                           TLayCase{"!99/99/0000;1;_", "01.02.2003", "01.02.2003"}));

TEST(Mask, StoredFormWithAndWithoutLiterals) {
    EXPECT_EQ(TEditMask(DateMask).ValueOf("12.05.2020"), "12.05.2020");
    EXPECT_EQ(TEditMask(DateMask).ValueOf("1_.05.2020"), "1 .05.2020");
    EXPECT_EQ(TEditMask("00.00.0000;0;_").ValueOf("12.05.2020"), "12052020");
    EXPECT_EQ(TEditMask("!999;1;_").ValueOf("__5"), "  5");   // the leading blanks are the text's
    // Nothing typed is no value at all, whatever the literals.
    EXPECT_EQ(TEditMask(DateMask).ValueOf("__.__.____"), "");
    EXPECT_TRUE(TEditMask(DateMask).NothingTyped("__.__.____"));
    EXPECT_FALSE(TEditMask(DateMask).NothingTyped("__.__.___1"));
}

TEST(Mask, FirstMissingRequiredPlace) {
    const TEditMask D(DateMask);
    EXPECT_EQ(D.FirstMissing("__.__.____"), 6);   // day and month are optional
    EXPECT_EQ(D.FirstMissing("__.__.20_0"), 8);
    EXPECT_EQ(D.FirstMissing("__.__.2020"), -1);
    EXPECT_EQ(TEditMask("L0").FirstMissing("A"), 1);   // a short text misses its tail
}

TEST(Mask, TypingFillsPlacesAndSkipsLiterals) {
    TMasked D("00.00.0000;1;_");
    for (char C : AnsiString("1205")) ASSERT_TRUE(D.Type(C));
    EXPECT_EQ(D.Text, "12.05.____");
    EXPECT_EQ(D.Caret, 6);   // past the second literal, on the year
    // The separator the caret has just skipped is taken without a change.
    EXPECT_TRUE(D.Type('.'));
    EXPECT_EQ(D.Text, "12.05.____");
    EXPECT_EQ(D.Caret, 6);
    for (char C : AnsiString("2020")) ASSERT_TRUE(D.Type(C));
    EXPECT_EQ(D.Text, "12.05.2020");
    EXPECT_EQ(D.Caret, 10);
    // Past the last place nothing more goes in.
    EXPECT_FALSE(D.Type('1'));
    EXPECT_EQ(D.Text, "12.05.2020");
}

TEST(Mask, RefusedCharactersChangeNothing) {
    TMasked D("00.00.0000;1;_", "12.__.____", 3);
    EXPECT_FALSE(D.Type('a'));
    EXPECT_FALSE(D.Type('-'));
    // A refused character leaves a selection as it was, too.
    D.Caret = 0;
    EXPECT_FALSE(D.Type('x', 2));
    EXPECT_EQ(D.Text, "12.__.____");
    EXPECT_EQ(D.Caret, 0);
    // The blank character would read back as empty: it never fills a place.
    TMasked Any("CCC;1;*");
    EXPECT_FALSE(Any.Type('*'));
}

TEST(Mask, TypingOverASelectionBlanksIt) {
    TMasked D("00.00.0000;1;_", "12.05.2020", 0);
    ASSERT_TRUE(D.Type('3', 5));
    EXPECT_EQ(D.Text, "3_.__.2020");
    EXPECT_EQ(D.Caret, 1);
}

TEST(Mask, CaseAndLettersOfTheCodePage) {
    TMasked M(">LL<ll<>L");
    for (char C : AnsiString("şiKIç")) ASSERT_TRUE(M.Type(C)) << C;
    EXPECT_EQ(M.Text, "Şİkıç");
    M.Caret = 0;
    EXPECT_FALSE(M.Type('1'));
    // Letters or digits; digits or a sign.
    TMasked AD("A#");
    EXPECT_TRUE(AD.Type('7'));
    EXPECT_TRUE(AD.Type('-'));
    EXPECT_EQ(AD.Text, "7-");
}

TEST(Mask, ASpaceLeavesAnOptionalPlaceBlankButNotARequiredOne) {
    TMasked M("90;1;_");
    EXPECT_TRUE(M.Type(' '));
    EXPECT_EQ(M.Caret, 1);
    EXPECT_FALSE(M.Type(' '));
    EXPECT_EQ(M.Text, "__");
}

TEST(Mask, ALiteralTypedOnItsPlaceStepsOverIt) {
    TMasked M("(000)000;1;_");
    EXPECT_TRUE(M.Type('('));
    EXPECT_EQ(M.Caret, 1);
    EXPECT_EQ(M.Text, "(___)___");
}

TEST(Mask, BackspaceAndDeleteKeepTheLength) {
    TMasked D("00.00.0000;1;_", "12.05.2020", 3);   // just after the first literal
    D.Erase(0, true);
    EXPECT_EQ(D.Text, "1_.05.2020");   // Backspace goes over the literal to the digit
    EXPECT_EQ(D.Caret, 1);
    D.Caret = 2;
    D.Erase(0, false);
    EXPECT_EQ(D.Text, "1_._5.2020");   // Delete on a literal blanks the next place
    EXPECT_EQ(D.Caret, 2);
    D.Caret = 6;
    D.Erase(4, false);
    EXPECT_EQ(D.Text, "1_._5.____");
    EXPECT_EQ(D.Caret, 6);
    // At either end there is nothing to erase.
    D.Caret = 0;
    D.Erase(0, true);
    D.Caret = 10;
    D.Erase(0, false);
    EXPECT_EQ(D.Text, "1_._5.____");
}

TEST(Mask, PasteIsAllOrNothing) {
    TMasked D("00.00.0000;1;_");
    EXPECT_TRUE(D.Paste(0, "12.05.2020\r\n"));
    EXPECT_EQ(D.Text, "12.05.2020");
    EXPECT_EQ(D.Caret, 10);
    D.Caret = 0;
    EXPECT_FALSE(D.Paste(10, "31.1x.2021"));
    EXPECT_EQ(D.Text, "12.05.2020");
    EXPECT_EQ(D.Caret, 0);
    // Too long: the characters past the last place do not fit.
    EXPECT_FALSE(D.Paste(10, "010120201"));
    // An empty paste only blanks the selection.
    D.Caret = 3;
    EXPECT_TRUE(D.Paste(2, ""));
    EXPECT_EQ(D.Text, "12.__.2020");
}

TEST(Mask, AnEditTextOfTheWrongLengthIsLaidInFirst) {
    TMasked D("00.00;1;_", "1", 1);
    EXPECT_TRUE(D.Type('2'));
    EXPECT_EQ(D.Text, "12.__");
}
