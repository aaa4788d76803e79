#pragma once
// The properties a component keeps in a form file besides its published ones,
// held as "Name=Value" lines. A component describes each one with
// DefineProperty; a reader hands the stored value to the property's reading
// routine, a writer stores the value of every property that has data.
//
// A list of strings is one value: "(" items separated by "," ")". An item is made of
// quoted runs ('it''s': a quote inside is doubled) and character codes (#13), written
// one after the other; a W before the item marks it wide: its codes are UTF-16 units,
// while those of an 8-bit item are code page 1254 bytes. The quoted runs are the line's
// own code page 1254 text either way. So any text keeps every character, line breaks,
// quotes and "=" included, on one line.
#include <functional>
#include <vector>

#include "platform/rtl/Classes.h"

class TReader;
class TWriter;

class TFiler : public TObject {
public:
    TFiler(TStrings* Lines, TPersistent* Ancestor) : FLines(Lines), FAncestor(Ancestor) {}
    // The component the stored one derives from (its values need not be written again).
    TPersistent* Ancestor() const { return FAncestor; }
    virtual bool IsReader() const = 0;
    // HasData: the writer stores the property (the reader ignores it).
    virtual void DefineProperty(const AnsiString& Name, const std::function<void(TReader&)>& ReadData,
                                const std::function<void(TWriter&)>& WriteData, bool HasData) = 0;

protected:
    TStrings* FLines;
    TPersistent* FAncestor;
};

class TReader : public TFiler {
public:
    explicit TReader(TStrings* Lines) : TFiler(Lines, nullptr) {}
    bool IsReader() const override { return true; }
    void DefineProperty(const AnsiString& Name, const std::function<void(TReader&)>& ReadData,
                        const std::function<void(TWriter&)>& WriteData, bool HasData) override;
    // The value of the property being read; EReadError "Invalid property value" when it is not one.
    bool ReadBoolean();
    Integer ReadInteger();
    AnsiString ReadString() const { return FValue; }
    // Every item of a list of strings, 8-bit items converted; nothing is taken from a
    // value that is not a whole list.
    std::vector<WideString> ReadStringList() const;
    // The same as code page 1254 texts.
    std::vector<AnsiString> ReadAnsiStringList() const;
    // EReadError for a stored name that no property defined (after all were defined).
    void CheckAllRead() const;

private:
    AnsiString FValue;
    std::vector<AnsiString> FRead;
};

// Reads stored Name=Value lines into C through Define (its DefineProperties) as form reading
// would: C and what it owns are loading meanwhile; EReadError for a name nothing defined.
void ReadStoredLines(TComponent* C, TStrings* Lines, const std::function<void(TFiler*)>& Define);

class TWriter : public TFiler {
public:
    TWriter(TStrings* Lines, TPersistent* Ancestor = nullptr) : TFiler(Lines, Ancestor) {}
    bool IsReader() const override { return false; }
    void DefineProperty(const AnsiString& Name, const std::function<void(TReader&)>& ReadData,
                        const std::function<void(TWriter&)>& WriteData, bool HasData) override;
    void WriteBoolean(bool Value) { FValue = Value ? "True" : "False"; }
    void WriteInteger(Integer Value) { FValue = IntToStr(Value); }
    void WriteString(const AnsiString& Value) { FValue = Value; }
    // A list of wide strings.
    void WriteWideStringList(const std::vector<WideString>& Items);
    // A list of code page 1254 texts (read back whole by either reader).
    void WriteStringList(const std::vector<AnsiString>& Items);

private:
    AnsiString FValue;
};
