#pragma once
// Unicode controls: edit, memo, edit with button and combo boxes whose Text is
// wide, so that characters outside code page 1254 are kept; and TWideStrings,
// a list of wide strings shaped like the string list.
#include "grid/EsgCombo.h"
#include "grid/EsgEditBtn.h"
#include "platform/ui/StdCtrls.h"

class TFiler;
class TWideStrings;

// An 8-bit view of a wide list: items read converted to code page 1254.
class TAnsiStringsForWideStrings : public TStrings {
public:
    explicit TAnsiStringsForWideStrings(TWideStrings* AWideStrings) : FWideStrings(AWideStrings) {}
    TWideStrings* WideStrings() const { return FWideStrings; }
    void Clear() override;
    void Delete(Integer Index) override;
    void Insert(Integer Index, const AnsiString& S) override;

protected:
    Integer GetCount() const override;
    AnsiString Get(Integer Index) const override;
    TObject* GetObject(Integer Index) const override;
    void PutObject(Integer Index, TObject* AObject) override;

private:
    TWideStrings* FWideStrings;
};

class TWideStrings : public TPersistent {
public:
    TWideStrings();
    ~TWideStrings() override;

    virtual WideString Get(Integer Index) const = 0;
    virtual Integer GetCount() const = 0;
    virtual void Clear() = 0;
    virtual void Delete(Integer Index) = 0;
    virtual void Insert(Integer Index, const WideString& S) = 0;
    virtual TObject* GetObject(Integer Index) const { return nullptr; }
    virtual void PutObject(Integer Index, TObject* AObject) {}
    // Keeps the object, replaces the text.
    virtual void Put(Integer Index, const WideString& S);
    virtual Integer GetCapacity() const { return GetCount(); }
    virtual void SetCapacity(Integer) {}

    Integer Count() const { return GetCount(); }
    WideString Strings(Integer Index) const { return Get(Index); }
    TObject* Objects(Integer Index) const { return GetObject(Index); }

    virtual Integer Add(const WideString& S);
    virtual Integer AddObject(const WideString& S, TObject* AObject);
    // Every item with its object, inside one update.
    virtual void AddStrings(TStrings* Strings);
    virtual void AddWideStrings(TWideStrings* Strings);
    virtual void Exchange(Integer Index1, Integer Index2);
    virtual void Move(Integer CurIndex, Integer NewIndex);
    // The first item equal to S ignoring case; -1 when none.
    virtual Integer IndexOf(const WideString& S) const;

    // Every item followed by CR LF.
    virtual WideString GetTextStr() const;
    // Splits at LF, VT, FF, CR, U+2028 and U+2029; CR LF is one break.
    virtual void SetTextStr(const WideString& Value);
    WideString GetText() const { return GetTextStr(); }
    // A zero-terminated text.
    void SetText(const char16_t* Value) { SetTextStr(Value ? WideString(Value) : WideString()); }

    // From another wide list or an 8-bit list; AssignTo fills an 8-bit or wide list.
    void Assign(TPersistent* Source) override;
    void AssignTo(TPersistent* Dest) override;
    // Form storage: the items as the property "WideStrings", stored when there are any
    // (under an ancestor: when they differ from its items); read back from wide or
    // 8-bit items.
    virtual void DefineProperties(TFiler* Filer);

    void BeginUpdate();
    void EndUpdate();
    Cardinal LCID() const { return FLCID; }
    virtual void SetLCID(Cardinal Value) { FLCID = Value; }
    TStrings* AnsiStrings() const { return FAnsiStrings.get(); }
    void SetAnsiStrings(TStrings* Value) { FAnsiStrings->Assign(Value); }

protected:
    // Called with true at the first BeginUpdate, false at the last EndUpdate.
    virtual void SetUpdateState(bool Updating) {}

private:
    std::unique_ptr<TAnsiStringsForWideStrings> FAnsiStrings;
    Integer FUpdateCount = 0;
    Cardinal FLCID = 0;
};

// Wide Text over an 8-bit control: characters outside the code page stay, while
// the 8-bit Text (of the base) gives them as "?".
template <class TBase>
class TUniText : public TBase {
public:
    using TBase::TBase;
    using TBase::SetText;
    WideString Text() const;
    void SetText(const WideString& Value);
    bool WideKeys() const override { return true; }
    void KeyPress(char& Key) override;
};

class TCustomUNIEdit : public TUniText<TCustomEdit> {
public:
    explicit TCustomUNIEdit(TComponent* AOwner);
};

class TEsgUniEdit : public TCustomUNIEdit {
public:
    explicit TEsgUniEdit(TComponent* AOwner) : TCustomUNIEdit(AOwner) {}
};

// A memo with wide text; Enter and Tab are the dialog's unless WantReturns and WantTabs.
class TEsgUniCustomMemo : public TUniText<TCustomMemo> {
public:
    explicit TEsgUniCustomMemo(TComponent* AOwner);
};

class TEsgUniMemo : public TEsgUniCustomMemo {
public:
    explicit TEsgUniMemo(TComponent* AOwner);
};

// The edit with button over wide text; it starts empty.
class TEsgUniEditBtn : public TUniText<TEsgEditBtn> {
public:
    explicit TEsgUniEditBtn(TComponent* AOwner);
};

class TCustomUNIComboBox;

// The items of a Unicode combo box; objects are kept as the combo's own.
class TComboBoxStrings : public TWideStrings {
public:
    explicit TComboBoxStrings(TComboBox* AComboBox) : FComboBox(AComboBox) {}
    TComboBox* ComboBox() const { return FComboBox; }
    WideString Get(Integer Index) const override;
    Integer GetCount() const override;
    void Clear() override;
    void Delete(Integer Index) override;
    void Insert(Integer Index, const WideString& S) override;
    TObject* GetObject(Integer Index) const override;
    void PutObject(Integer Index, TObject* AObject) override;
    Integer Add(const WideString& S) override;
    // Exact text, ignoring case.
    Integer IndexOf(const WideString& S) const override;

private:
    TComboBox* FComboBox;
};

// Combo boxes with wide Items and Text; picking an item gives the wide item as Text.
template <class TBase>
class TUniCombo : public TUniText<TBase> {
public:
    explicit TUniCombo(TComponent* AOwner) : TUniText<TBase>(AOwner), FWideItems(this) {}
    TComboBoxStrings* Items() { return &FWideItems; }
    void SetItems(TWideStrings* Value) { FWideItems.Assign(Value); }
    // The 8-bit items of the base, objects included.
    TStrings* AnsiItems() const { return TBase::Items(); }

private:
    TComboBoxStrings FWideItems;
};

class TCustomUNIComboBox : public TUniCombo<TComboBox> {
public:
    explicit TCustomUNIComboBox(TComponent* AOwner) : TUniCombo<TComboBox>(AOwner) {}
};

// The flat combo over wide text. Its button edge shows while the mouse is over it or it
// has the focus (flat while the list is down); otherwise the edge is button face.
class TESGUniCustomCombo : public TUniCombo<TESGCustomCombo> {
public:
    explicit TESGUniCustomCombo(TComponent* AOwner) : TUniCombo<TESGCustomCombo>(AOwner) {}

protected:
    void DrawBorders(TCanvas* Canvas) override;
};

class TESGUniComboBox : public TESGUniCustomCombo {
public:
    explicit TESGUniComboBox(TComponent* AOwner) : TESGUniCustomCombo(AOwner) {}
};
