#include "platform/ui/Mask.h"

#include <gtest/gtest.h>

namespace {

// The picture of a Turkish date: FormatSettings has '.' between day, month and year.
const char* const DateMask = "!99/99/0000;1;_";

struct TLayCase {
    const char* Mask;
    const char* Value;
    const char* EditText;
};

class MaskLay : public ::testing::TestWithParam<TLayCase> {};

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
                                           TLayCase{"c;1;*", "*", "*"}));

TEST(Mask, StoredFormWithAndWithoutLiterals) {
    EXPECT_EQ(TEditMask(DateMask).ValueOf("12.05.2020"), "12.05.2020");
    EXPECT_EQ(TEditMask(DateMask).ValueOf("1_.05.2020"), "1 .05.2020");
    EXPECT_EQ(TEditMask("00.00.0000;0;_").ValueOf("12.05.2020"), "12052020");
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
    const TEditMask D("00.00.0000;1;_");
    AnsiString T = D.BlankText();
    Integer Caret = 0;
    for (char C : AnsiString("1205")) ASSERT_TRUE(D.Type(T, Caret, 0, C));
    EXPECT_EQ(T, "12.05.____");
    EXPECT_EQ(Caret, 6);   // past the second literal, on the year
    // The separator the caret has just skipped is taken without a change.
    EXPECT_TRUE(D.Type(T, Caret, 0, '.'));
    EXPECT_EQ(T, "12.05.____");
    EXPECT_EQ(Caret, 6);
    for (char C : AnsiString("2020")) ASSERT_TRUE(D.Type(T, Caret, 0, C));
    EXPECT_EQ(T, "12.05.2020");
    EXPECT_EQ(Caret, 10);
    // Past the last place nothing more goes in.
    EXPECT_FALSE(D.Type(T, Caret, 0, '1'));
    EXPECT_EQ(T, "12.05.2020");
}

TEST(Mask, RefusedCharactersChangeNothing) {
    const TEditMask D("00.00.0000;1;_");
    AnsiString T = "12.__.____";
    Integer Caret = 3;
    EXPECT_FALSE(D.Type(T, Caret, 0, 'a'));
    EXPECT_FALSE(D.Type(T, Caret, 0, '-'));
    // A refused character leaves a selection as it was, too.
    Caret = 0;
    EXPECT_FALSE(D.Type(T, Caret, 2, 'x'));
    EXPECT_EQ(T, "12.__.____");
    EXPECT_EQ(Caret, 0);
    // The blank character would read back as empty: it never fills a place.
    const TEditMask Any("CCC;1;*");
    AnsiString A = Any.BlankText();
    Integer P = 0;
    EXPECT_FALSE(Any.Type(A, P, 0, '*'));
}

TEST(Mask, TypingOverASelectionBlanksIt) {
    const TEditMask D("00.00.0000;1;_");
    AnsiString T = "12.05.2020";
    Integer Caret = 0;
    ASSERT_TRUE(D.Type(T, Caret, 5, '3'));
    EXPECT_EQ(T, "3_.__.2020");
    EXPECT_EQ(Caret, 1);
}

TEST(Mask, CaseAndLettersOfTheCodePage) {
    const TEditMask M(">LL<ll<>L");
    AnsiString T = M.BlankText();
    Integer Caret = 0;
    for (char C : AnsiString("şiKIç")) ASSERT_TRUE(M.Type(T, Caret, 0, C)) << C;
    EXPECT_EQ(T, "Şİkıç");
    Caret = 0;
    EXPECT_FALSE(M.Type(T, Caret, 0, '1'));
    // Letters or digits; digits or a sign.
    const TEditMask AD("A#");
    AnsiString U = AD.BlankText();
    Caret = 0;
    EXPECT_TRUE(AD.Type(U, Caret, 0, '7'));
    EXPECT_TRUE(AD.Type(U, Caret, 0, '-'));
    EXPECT_EQ(U, "7-");
}

TEST(Mask, ASpaceLeavesAnOptionalPlaceBlankButNotARequiredOne) {
    const TEditMask M("90;1;_");
    AnsiString T = M.BlankText();
    Integer Caret = 0;
    EXPECT_TRUE(M.Type(T, Caret, 0, ' '));
    EXPECT_EQ(Caret, 1);
    EXPECT_FALSE(M.Type(T, Caret, 0, ' '));
    EXPECT_EQ(T, "__");
}

TEST(Mask, ALiteralTypedOnItsPlaceStepsOverIt) {
    const TEditMask M("(000)000;1;_");
    AnsiString T = M.BlankText();
    Integer Caret = 0;
    EXPECT_TRUE(M.Type(T, Caret, 0, '('));
    EXPECT_EQ(Caret, 1);
    EXPECT_EQ(T, "(___)___");
}

TEST(Mask, BackspaceAndDeleteKeepTheLength) {
    const TEditMask D("00.00.0000;1;_");
    AnsiString T = "12.05.2020";
    Integer Caret = 3;   // just after the first literal
    D.Erase(T, Caret, 0, true);
    EXPECT_EQ(T, "1_.05.2020");   // Backspace goes over the literal to the digit
    EXPECT_EQ(Caret, 1);
    Caret = 2;
    D.Erase(T, Caret, 0, false);
    EXPECT_EQ(T, "1_._5.2020");   // Delete on a literal blanks the next place
    EXPECT_EQ(Caret, 2);
    Caret = 6;
    D.Erase(T, Caret, 4, false);
    EXPECT_EQ(T, "1_._5.____");
    EXPECT_EQ(Caret, 6);
    // At either end there is nothing to erase.
    Caret = 0;
    D.Erase(T, Caret, 0, true);
    Caret = 10;
    D.Erase(T, Caret, 0, false);
    EXPECT_EQ(T, "1_._5.____");
}

TEST(Mask, PasteIsAllOrNothing) {
    const TEditMask D("00.00.0000;1;_");
    AnsiString T = D.BlankText();
    Integer Caret = 0;
    EXPECT_TRUE(D.Paste(T, Caret, 0, "12.05.2020\r\n"));
    EXPECT_EQ(T, "12.05.2020");
    EXPECT_EQ(Caret, 10);
    Caret = 0;
    EXPECT_FALSE(D.Paste(T, Caret, 10, "31.1x.2021"));
    EXPECT_EQ(T, "12.05.2020");
    EXPECT_EQ(Caret, 0);
    // Too long: the characters past the last place do not fit.
    EXPECT_FALSE(D.Paste(T, Caret, 10, "010120201"));
    // An empty paste only blanks the selection.
    Caret = 3;
    EXPECT_TRUE(D.Paste(T, Caret, 2, ""));
    EXPECT_EQ(T, "12.__.2020");
}

TEST(Mask, AnEditTextOfTheWrongLengthIsLaidInFirst) {
    const TEditMask D("00.00;1;_");
    AnsiString T = "1";
    Integer Caret = 1;
    EXPECT_TRUE(D.Type(T, Caret, 0, '2'));
    EXPECT_EQ(T, "12.__");
}
