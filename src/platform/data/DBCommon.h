#pragma once
// The parser of filter texts: turns "NAME = 'X' and AMOUNT > 10" into the expression buffer
// that a data set's filter evaluator walks.
//
// Buffer layout (16-bit words little-endian, 32-bit node class and operator):
//   0: version (2)   2: total size   4: node count   6: node area start (10)
//   8: literal area start            10: the root node, then the other nodes
// A node: bytes 0-3 node class, 4-7 operator, from byte 8 its 16-bit arguments. Node
// arguments are offsets from the node area start, literal arguments offsets from the literal
// area start.
//   nodeUNARY    operand
//   nodeBINARY   left, right                (IN: right is the first list element)
//   nodeCOMPARE  case-insensitive flag, partial length, left, right
//   nodeFIELD    field number, name (zero-terminated literal)
//   nodeCONST    value type (TFieldType), size, value (literal)
//   nodeFUNC     name (zero-terminated literal), argument: the value node itself for one
//                argument, the first list element for several, 0 for none
//   nodeLISTELEM value, next list element (0 after the last)
// Offset 0 is the root, which is never an argument or a list element: 0 always means "none".
// A list is a chain: walk value/next until next is 0 (an IN list of one is a chain of one).
// Constants: ftString zero-terminated text; ftSmallint 16-bit; ftInteger 32-bit; ftFloat
// double; ftBoolean 16-bit 0/1; ftDate 32-bit day number (1 = 0001-01-01); ftTime 32-bit
// milliseconds; ftDateTime double milliseconds (TimeStampToMSecs); ftBCD Currency (64-bit).
// A text compared with a date, time, number or Boolean field is converted to that field's type.
#include "platform/data/DB.h"

enum TParserOption { poExtSyntax, poAggregate, poDefaultExpr, poUseOrigNames, poFieldNameGiven, poFieldDepend };
using TParserOptions = TSet<TParserOption>;

enum TCANNodeClass {
    nodeNULL, nodeUNARY, nodeBINARY, nodeCOMPARE, nodeFIELD, nodeCONST, nodeTUPLE, nodeCONTINUE,
    nodeUDF, nodeLIST, nodeFUNC, nodeLISTELEM
};

enum TCANOperator {
    canNOTDEFINED, canISBLANK, canNOTBLANK, canEQ, canNE, canGT, canLT, canGE, canLE, canNOT,
    canAND, canOR, canTUPLE, canFIELD, canCONST, canMINUS, canADD, canSUB, canMUL, canDIV,
    canMOD, canREM, canSUM, canCOUNT, canMIN, canMAX, canAVG, canCONT, canUDF, canCONTINUE,
    canLIKE, canIN, canLIST, canUPPER, canLOWER, canFUNC, canLISTELEM, canASSIGN
};

inline constexpr Integer CANExprSize = 10;
inline constexpr Integer CANHdrSize = 8;

inline constexpr const char* SExprTermination = "Filter expression incorrectly terminated";
inline constexpr const char* SExprNameError = "Unterminated field name";
inline constexpr const char* SExprStringError = "Unterminated string constant";
inline constexpr const char* SExprInvalidChar = "Invalid filter expression character: '%s'";
inline constexpr const char* SExprNoLParen = "'(' expected but %s found";
inline constexpr const char* SExprNoRParen = "')' expected but %s found";
inline constexpr const char* SExprNoRParenOrComma = "')' or ',' expected but %s found";
inline constexpr const char* SExprExpected = "Expression expected but %s found";
inline constexpr const char* SExprBadNullTest = "NULL only allowed with '=' and '<>'";
inline constexpr const char* SExprRangeError = "Constant out of range";
inline constexpr const char* SExprNothing = "nothing";
inline constexpr const char* SExprIncorrect = "Incorrectly formed filter expression";

using TExprData = std::vector<Byte>;

class TExprParser : public TObject {
public:
    // Parses Text at once; failures raise EDatabaseError with the texts above. Field names are
    // looked up in DataSet (its own "Field '%s' not found" for an unknown one); without a data
    // set every name is taken as a field with number 0.
    TExprParser(TDataSet* DataSet, const AnsiString& Text, TFilterOptions Options,
                TParserOptions ParserOptions = {poExtSyntax});
    ~TExprParser() override;

    const TExprData& FilterData() const { return FFilterData; }
    Integer DataSize() const { return static_cast<Integer>(FFilterData.size()); }
    TDataSet* DataSet() const { return FDataSet; }
    const AnsiString& Text() const { return FText; }
    TFilterOptions Options() const { return FOptions; }

private:
    TDataSet* FDataSet;
    AnsiString FText;
    TFilterOptions FOptions;
    TParserOptions FParserOptions;
    TExprData FFilterData;
};
