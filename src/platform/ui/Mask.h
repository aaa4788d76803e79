#pragma once
// Edit masks: the picture of a fixed-form text that an edit takes, and the rules
// for typing into it. No widget here; the edit control applies them.
//
// A mask is Picture[;SaveLiterals[;Blank]]. In the picture:
//   0 digit, required          9 digit, optional        # digit, '+' or '-', optional
//   L letter, required         l letter, optional
//   A letter or digit, req.    a letter or digit, optional
//   C any character, required  c any character, optional
//   >  what follows is upper-cased, <  lower-cased, <> neither
//   \  the next character is a literal
//   :  the time separator, /  the date separator (of FormatSettings)
//   _  a blank literal
//   !  optional places stay blank at the front: a text shorter than the picture
//      is laid into it from its end (leading blanks), not from its start
// every other character is a literal. SaveLiterals '0' leaves the literals out of
// the text; anything else (the default) keeps them. Blank is the character that
// shows an empty position ('_' by default). Letters are those of code page 1254.
#include "platform/rtl/SysUtils.h"

#include <vector>

class TEditMask {
public:
    TEditMask() = default;
    explicit TEditMask(const AnsiString& Mask);

    bool Empty() const { return FPos.empty(); }
    // Positions of the edit text (literals and places to type).
    Integer Length() const { return static_cast<Integer>(FPos.size()); }
    bool SaveLiterals() const { return FSaveLiterals; }
    char BlankChar() const { return FBlank; }
    bool Reverse() const { return FReverse; }
    bool IsLiteral(Integer Pos) const;
    bool IsRequired(Integer Pos) const;
    // Whether Ch may stand at Pos; Ch takes the position's case when it may.
    bool Fits(Integer Pos, char& Ch) const;
    // The first place to type at or after Pos; Length() when there is none.
    Integer NextInput(Integer Pos) const;
    // The last place to type before Pos; -1 when there is none.
    Integer PrevInput(Integer Pos) const;

    // The edit text with nothing typed: literals and blanks.
    AnsiString BlankText() const;
    // A stored text laid into the picture. A text with literals fills the picture
    // position by position (a different separator in a literal's place is taken
    // as that literal); a text without them fills the places to type in order.
    // Characters that do not fit leave their place blank. With "!" the text is laid
    // in from its last character backwards.
    AnsiString EditTextOf(const AnsiString& Value) const;
    // The text as stored: blanks become spaces, literals stay when saved; an edit
    // text in which nothing is typed gives the empty text.
    AnsiString ValueOf(const AnsiString& EditText) const;
    bool NothingTyped(const AnsiString& EditText) const;
    // The first required place left blank; -1 when every one is filled.
    Integer FirstMissing(const AnsiString& EditText) const;

    // Typing Ch at the caret over the selection [SelStart, SelStart + SelLength):
    // the selection's places are blanked, Ch goes to the first place at or after the
    // caret and the caret moves past the literals that follow. A literal typed where
    // that literal stands moves the caret over it. False, and nothing changed, when
    // Ch fits nowhere there.
    bool Type(AnsiString& EditText, Integer& SelStart, Integer SelLength, char Ch) const;
    // Backspace (Backward) or Delete: blanks the selection's places, or else the place
    // before (at or after) the caret; the text keeps its length. Backspace puts the
    // caret on the blanked place, Delete leaves it where it was.
    void Erase(AnsiString& EditText, Integer& SelStart, Integer SelLength, bool Backward) const;
    // Types a whole text at the caret; false, and nothing changed, when any of its
    // characters does not fit.
    bool Paste(AnsiString& EditText, Integer& SelStart, Integer SelLength, const AnsiString& Value) const;

private:
    enum TKind : char { mkLiteral, mkDigit, mkDigitSign, mkLetter, mkAlnum, mkAny };
    enum TCase : char { mcNone, mcUpper, mcLower };
    struct TPosition {
        TKind Kind = mkLiteral;
        bool Required = false;
        TCase Case = mcNone;
        char Literal = 0;
    };
    void Blank(AnsiString& EditText, Integer From, Integer To) const;
    std::vector<TPosition> FPos;
    bool FSaveLiterals = true;
    char FBlank = '_';
    bool FReverse = false;
};

// A masked text left with a required place blank.
class EDBEditError : public Exception {
public:
    using Exception::Exception;
};
extern const char* const SMaskEditErr;
