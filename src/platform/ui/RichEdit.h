#pragma once
// A rich-text edit: text with character and paragraph formats, loaded and saved as RTF or
// plain text, and able to render its content into any canvas rectangle.
#include "platform/ui/Controls.h"
#include "platform/ui/Rtf.h"
#include "platform/ui/StdCtrls.h"

#include <functional>
#include <memory>

class TRichEdit;
class TStream;

// The character format of the selection; with no selection, of the typing position.
// Setting a value formats the selection (or what is typed next).
class TTextAttributes : public TPersistent {
public:
    explicit TTextAttributes(TRichEdit* Owner) : FOwner(Owner) {}
    AnsiString Name() const;
    void SetName(const AnsiString& Value);
    Integer Size() const;                  // points
    void SetSize(Integer Value);
    TFontStyles Style() const;
    void SetStyle(TFontStyles Value);
    TColor Color() const;                  // clWindowText where the text has no colour of its own
    void SetColor(TColor Value);

private:
    TRichEdit* FOwner;
};

// The paragraph format at the selection.
class TParaAttributes : public TPersistent {
public:
    explicit TParaAttributes(TRichEdit* Owner) : FOwner(Owner) {}
    TAlignment Alignment() const;
    void SetAlignment(TAlignment Value);

private:
    TRichEdit* FOwner;
};

// Text and Lines are the plain text (CR LF between paragraphs). Setting Text to an RTF
// document ("{\rtf...") loads it as RTF, as the stream load does.
class TRichEdit : public TWinControl {
public:
    explicit TRichEdit(TComponent* AOwner);
    ~TRichEdit() override;

    TStrings* Lines() const { return FLines.get(); }
    void SetLines(TStrings* Value);
    // Streams carry plain text when set, RTF otherwise.
    bool PlainText() const { return FPlainText; }
    void SetPlainText(bool Value) { FPlainText = Value; }
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    bool ReadOnly() const;
    void SetReadOnly(bool Value);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle Value);
    TTextAttributes* SelAttributes() const { return FSelAttributes.get(); }
    TParaAttributes* Paragraph() const { return FParagraph.get(); }

    Integer SelStart() const;
    void SetSelStart(Integer Value);
    Integer SelLength() const;
    void SetSelLength(Integer Value);
    AnsiString SelText() const;
    void SelectAll();
    void Clear() { SetText(AnsiString()); }

    // Reads the stream from its position to its end. Not RTF (or PlainText) loads as plain text.
    void LoadFromStream(TStream* Stream);
    // Writes RTF (or the plain text with PlainText) at the stream's position.
    void SaveToStream(TStream* Stream) const;
    TRtfDocument Document() const;
    void SetDocument(const TRtfDocument& Value);

    // The size the content asks for: its width with word wrap off (else the control's width)
    // and its height at that width.
    TPoint RequiredSize() const;
    // Draws the content formatted to R's width into R of the canvas, clipped to R.
    void RenderTo(TCanvas* Canvas, const TRect& R) const;

    TNotifyEvent OnChange;
    TNotifyEvent OnSelectionChange;
    // The content's required size changed (Rect: 0, 0, width, height).
    std::function<void(TObject* Sender, const TRect& Rect)> OnResizeRequest;

    bool WantsReturn() const override { return true; }

protected:
    AnsiString GetText() const override;
    void SetTextCore(const AnsiString& Value) override;

private:
    friend class TTextAttributes;
    friend class TParaAttributes;
    void ContentChanged();
    void RequestResize();
    class QTextEdit* FEdit = nullptr;
    std::unique_ptr<TStrings> FLines;
    std::unique_ptr<TTextAttributes> FSelAttributes;
    std::unique_ptr<TParaAttributes> FParagraph;
    bool FPlainText = false;
    bool FWordWrap = true;
    bool FSetting = false;
    TScrollStyle FScrollBars = ssBoth;
};
