// The rich edit on Qt's text document; RTF goes through the document model of Rtf.h.
#include "platform/ui/RichEdit.h"

#include "platform/ui/Controls_p.h"
#include "platform/ui/TextLines_p.h"

#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <cmath>

namespace {

Qt::Alignment QtAlignment(TAlignment A) {
    switch (A) {
        case taRightJustify: return Qt::AlignRight;
        case taCenter: return Qt::AlignHCenter;
        default: return Qt::AlignLeft;
    }
}

TAlignment AlignmentOf(Qt::Alignment A) {
    if (A & Qt::AlignRight) return taRightJustify;
    if (A & Qt::AlignHCenter) return taCenter;
    return taLeftJustify;
}

QTextCharFormat QtFormat(const TRtfCharFormat& F) {
    QTextCharFormat Q;
    if (!F.FontName.empty()) Q.setFontFamilies(QStringList{ToQ(F.FontName)});
    if (F.Size > 0) Q.setFontPointSize(F.Size);
    Q.setFontWeight(F.Style.Contains(fsBold) ? QFont::Bold : QFont::Normal);
    Q.setFontItalic(F.Style.Contains(fsItalic));
    Q.setFontUnderline(F.Style.Contains(fsUnderline));
    Q.setFontStrikeOut(F.Style.Contains(fsStrikeOut));
    if (F.Color != clNone) Q.setForeground(ToQColor(F.Color));
    if (F.Highlight != clNone) Q.setBackground(ToQColor(F.Highlight));
    return Q;
}

TRtfCharFormat RtfFormat(const QTextCharFormat& Q) {
    TRtfCharFormat F;
    if (Q.hasProperty(QTextFormat::FontFamilies)) {
        QStringList L = Q.property(QTextFormat::FontFamilies).toStringList();
        if (!L.isEmpty()) F.FontName = FromQ(L.first());
    }
    if (Q.hasProperty(QTextFormat::FontPointSize)) F.Size = static_cast<Integer>(std::lround(Q.fontPointSize()));
    if (Q.fontWeight() >= QFont::Bold) F.Style.Include(fsBold);
    if (Q.fontItalic()) F.Style.Include(fsItalic);
    if (Q.fontUnderline()) F.Style.Include(fsUnderline);
    if (Q.fontStrikeOut()) F.Style.Include(fsStrikeOut);
    if (Q.hasProperty(QTextFormat::ForegroundBrush) && Q.foreground().style() != Qt::NoBrush)
        F.Color = FromQColor(Q.foreground().color());
    if (Q.hasProperty(QTextFormat::BackgroundBrush) && Q.background().style() != Qt::NoBrush)
        F.Highlight = FromQColor(Q.background().color());
    return F;
}

void FillDocument(QTextDocument* Doc, const TRtfDocument& D) {
    Doc->clear();
    QTextCursor C(Doc);
    for (size_t P = 0; P < D.Paragraphs.size(); ++P) {
        const TRtfParagraph& Par = D.Paragraphs[P];
        QTextBlockFormat B;
        B.setAlignment(QtAlignment(Par.Alignment));
        if (P == 0) C.setBlockFormat(B);
        else C.insertBlock(B, QTextCharFormat());
        for (const TRtfRun& R : Par.Runs)
            C.insertText(QString::fromUtf16(R.Text.data(), static_cast<qsizetype>(R.Text.size())), QtFormat(R.Format));
    }
}

TRtfDocument ReadDocument(const QTextDocument* Doc) {
    TRtfDocument D;
    for (QTextBlock B = Doc->begin(); B.isValid(); B = B.next()) {
        D.NewParagraph(AlignmentOf(B.blockFormat().alignment()));
        for (auto It = B.begin(); !It.atEnd(); ++It) {
            QTextFragment Frag = It.fragment();
            if (!Frag.isValid()) continue;
            QString T = Frag.text();
            D.Append(WideString(reinterpret_cast<const char16_t*>(T.utf16()), static_cast<size_t>(T.size())),
                     RtfFormat(Frag.charFormat()));
        }
    }
    if (D.Paragraphs.empty()) D.NewParagraph();
    return D;
}

AnsiString ReadAll(TStream* Stream) {
    AnsiString S;
    Int64 Left = Stream->Size() - Stream->Position();
    if (Left <= 0) return S;
    S.resize(static_cast<size_t>(Left));
    Integer Got = Stream->Read(S.data(), static_cast<Integer>(Left));
    S.resize(static_cast<size_t>(std::max<Integer>(Got, 0)));
    return S;
}

}  // namespace

// ---------------------------------------------------------------------------
AnsiString TTextAttributes::Name() const {
    QStringList L = FOwner->FEdit->currentCharFormat().fontFamilies().toStringList();
    return L.isEmpty() ? FromQ(FOwner->FEdit->font().family()) : FromQ(L.first());
}

void TTextAttributes::SetName(const AnsiString& Value) {
    QTextCharFormat F;
    F.setFontFamilies(QStringList{ToQ(Value)});
    FOwner->FEdit->mergeCurrentCharFormat(F);
}

Integer TTextAttributes::Size() const {
    qreal P = FOwner->FEdit->currentCharFormat().fontPointSize();
    if (P <= 0) P = FOwner->FEdit->font().pointSizeF();
    return static_cast<Integer>(std::lround(P));
}

void TTextAttributes::SetSize(Integer Value) {
    if (Value <= 0) return;
    QTextCharFormat F;
    F.setFontPointSize(Value);
    FOwner->FEdit->mergeCurrentCharFormat(F);
}

TFontStyles TTextAttributes::Style() const { return RtfFormat(FOwner->FEdit->currentCharFormat()).Style; }

void TTextAttributes::SetStyle(TFontStyles Value) {
    QTextCharFormat F;
    F.setFontWeight(Value.Contains(fsBold) ? QFont::Bold : QFont::Normal);
    F.setFontItalic(Value.Contains(fsItalic));
    F.setFontUnderline(Value.Contains(fsUnderline));
    F.setFontStrikeOut(Value.Contains(fsStrikeOut));
    FOwner->FEdit->mergeCurrentCharFormat(F);
}

TColor TTextAttributes::Color() const {
    TColor C = RtfFormat(FOwner->FEdit->currentCharFormat()).Color;
    return C == clNone ? clWindowText : C;
}

void TTextAttributes::SetColor(TColor Value) {
    QTextCharFormat F;
    F.setForeground(ToQColor(Value));
    FOwner->FEdit->mergeCurrentCharFormat(F);
}

TAlignment TParaAttributes::Alignment() const {
    return AlignmentOf(FOwner->FEdit->textCursor().blockFormat().alignment());
}

void TParaAttributes::SetAlignment(TAlignment Value) { FOwner->FEdit->setAlignment(QtAlignment(Value)); }

// ---------------------------------------------------------------------------
TRichEdit::TRichEdit(TComponent* AOwner) : TWinControl(AOwner) {
    FEdit = new THost<QTextEdit>(this);
    FEdit->setAcceptRichText(false);   // pasted HTML would carry formats RTF cannot hold
    FEdit->setTabChangesFocus(true);
    FEdit->resize(185, 89);
    QObject::connect(FEdit, &QTextEdit::textChanged, [this] {
        if (!FSetting) ContentChanged();
    });
    QObject::connect(FEdit, &QTextEdit::selectionChanged, [this] { FireEvent(OnSelectionChange, this); });
    FLines = std::make_unique<TTextLines>([this] { return FromQ(FEdit->toPlainText()); },
                                          [this](const AnsiString& T) { SetText(T); });
    FSelAttributes = std::make_unique<TTextAttributes>(this);
    FParagraph = std::make_unique<TParaAttributes>(this);
    SetParentColor(false);
    SetColor(clWindow);
    SetWidget(FEdit);
}

TRichEdit::~TRichEdit() = default;

void TRichEdit::SetLines(TStrings* Value) { FLines->Assign(Value); }

void TRichEdit::SetWordWrap(bool Value) {
    FWordWrap = Value;
    FEdit->setLineWrapMode(Value ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
}

bool TRichEdit::ReadOnly() const { return FEdit->isReadOnly(); }
void TRichEdit::SetReadOnly(bool Value) { FEdit->setReadOnly(Value); }

void TRichEdit::SetScrollBars(TScrollStyle Value) {
    FScrollBars = Value;
    bool H = Value == ssHorizontal || Value == ssBoth;
    bool V = Value == ssVertical || Value == ssBoth;
    FEdit->setHorizontalScrollBarPolicy(H ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    FEdit->setVerticalScrollBarPolicy(V ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

Integer TRichEdit::SelStart() const { return FEdit->textCursor().selectionStart(); }

void TRichEdit::SetSelStart(Integer Value) {
    QTextCursor C = FEdit->textCursor();
    C.setPosition(std::clamp<int>(Value, 0, FEdit->document()->characterCount() - 1));
    FEdit->setTextCursor(C);
}

Integer TRichEdit::SelLength() const {
    QTextCursor C = FEdit->textCursor();
    return C.selectionEnd() - C.selectionStart();
}

void TRichEdit::SetSelLength(Integer Value) {
    QTextCursor C = FEdit->textCursor();
    int Start = C.selectionStart();
    C.setPosition(Start);
    C.setPosition(std::clamp<int>(Start + Value, 0, FEdit->document()->characterCount() - 1), QTextCursor::KeepAnchor);
    FEdit->setTextCursor(C);
}

AnsiString TRichEdit::SelText() const {
    QString T = FEdit->textCursor().selectedText();
    T.replace(QChar(0x2029), QStringLiteral("\r\n"));
    T.replace(QChar(0x2028), QStringLiteral("\r\n"));
    return FromQ(T);
}

void TRichEdit::SelectAll() { FEdit->selectAll(); }

AnsiString TRichEdit::GetText() const { return WideToAnsi(Document().PlainText()); }

void TRichEdit::SetTextCore(const AnsiString& Value) { SetDocument(RtfRead(Value)); }

void TRichEdit::LoadFromStream(TStream* Stream) {
    AnsiString S = ReadAll(Stream);
    // Plain text mode keeps RTF source as the text it is.
    SetDocument(FPlainText ? RtfFromPlainText(S) : RtfRead(S));
}

void TRichEdit::SaveToStream(TStream* Stream) const {
    AnsiString S = FPlainText ? GetText() : RtfWrite(Document());
    if (!S.empty()) Stream->WriteBuffer(S.data(), static_cast<Integer>(S.size()));
}

TRtfDocument TRichEdit::Document() const { return ReadDocument(FEdit->document()); }

void TRichEdit::SetDocument(const TRtfDocument& Value) {
    FSetting = true;
    FillDocument(FEdit->document(), Value);
    FSetting = false;
    ContentChanged();
}

// Every change of the content, typed or set, asks for the size it now needs; the size's
// handler may free the control (a grid closed with its screen).
void TRichEdit::ContentChanged() {
    const std::shared_ptr<const bool> Alive = AliveToken();
    RequestResize();
    if (*Alive) FireEvent(OnChange, this);
}

void TRichEdit::RequestResize() {
    if (!OnResizeRequest) return;
    TPoint S = RequiredSize();
    FireEvent(OnResizeRequest, this, Rect(0, 0, S.X, S.Y));
}

TPoint TRichEdit::RequiredSize() const {
    // Laid out on a copy at the control's own width: a hidden control has no laid-out viewport.
    std::unique_ptr<QTextDocument> Doc(FEdit->document()->clone());
    Doc->setDefaultFont(FEdit->font());
    Doc->setTextWidth(FWordWrap ? std::max(1, FEdit->width() - 2 * FEdit->frameWidth()) : -1);
    QSizeF S = Doc->size();
    return Point(static_cast<Integer>(std::ceil(S.width())), static_cast<Integer>(std::ceil(S.height())));
}

void TRichEdit::RenderTo(TCanvas* Canvas, const TRect& R) const {
    std::unique_ptr<QTextDocument> Doc(FEdit->document()->clone());
    Doc->setDefaultFont(FEdit->font());
    Doc->setDocumentMargin(0);
    Doc->setTextWidth(R.Right - R.Left);
    Canvas->PaintWith([&](QPainter& P) {
        P.save();
        P.translate(R.Left, R.Top);
        Doc->drawContents(&P, QRectF(0, 0, R.Right - R.Left, R.Bottom - R.Top));
        P.restore();
    });
}
