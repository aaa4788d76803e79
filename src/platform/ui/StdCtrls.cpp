#include "platform/ui/StdCtrls.h"

#include "platform/ui/Clipbrd.h"
#include "platform/ui/Controls_p.h"
#include "platform/ui/Forms.h"
#include "platform/ui/TextLines_p.h"
#include "platform/ui/WinApi.h"

#include <QCheckBox>
#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QGroupBox>
#include <QItemDelegate>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcutEvent>
#include <QSignalBlocker>
#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextLayout>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>

namespace {

AnsiString ApplyCase(const AnsiString& S, TEditCharCase C) {
    if (C == ecUpperCase) return AnsiUpperCase(S);
    if (C == ecLowerCase) return AnsiLowerCase(S);
    return S;
}

char ApplyCase(char Ch, TEditCharCase C) {
    if (C == ecUpperCase) return AnsiUpperChar(Ch);
    if (C == ecLowerCase) return AnsiLowerChar(Ch);
    return Ch;
}

// The case of the code page's letters; a character outside the code page stays as
// it is rather than turning into "?".
QString CasedKeepingWide(const QString& S, TEditCharCase C) {
    QString R = S;
    for (QChar& Q : R) {
        if (Q.isSurrogate()) continue;
        const int B = UnicodeToCp1254(Q.unicode());
        if (B >= 0) Q = QChar(static_cast<char16_t>(Cp1254ToUnicode(static_cast<unsigned char>(ApplyCase(char(B), C)))));
    }
    return R;
}

// Typing may not go past MaxLength; a longer text that the program set stays whole
// and only the room above the limit that it left unused is taken back.
void TightenLimit(QLineEdit* L, Integer MaxLength) {
    if (!L) return;
    int Want = MaxLength > 0 ? std::max<int>(MaxLength, static_cast<int>(L->text().size())) : 32767;
    if (L->maxLength() != Want) L->setMaxLength(Want);
}

// Sets a line edit's text from the program, beyond MaxLength if need be.
void SetWholeText(QLineEdit* L, const QString& T, Integer MaxLength) {
    L->setMaxLength(32767);
    L->setText(T);
    TightenLimit(L, MaxLength);
}

Qt::Alignment QtAlign(TAlignment A) {
    switch (A) {
        case taRightJustify: return Qt::AlignRight;
        case taCenter: return Qt::AlignHCenter;
        default: return Qt::AlignLeft;
    }
}

// Capitals with a mark above (İ, Ö, Ü, Ğ) reach past the font's ascent and would
// lose the mark at a label's top edge; the interface font kept them in its leading.
// Measured once per font: every label refreshes on each change and the screens
// hold hundreds of them.
int MarkOverhang(const QFont& F) {
    static QHash<QString, int> Cache;
    const QString Key = F.key();
    const auto It = Cache.constFind(Key);
    if (It != Cache.constEnd()) return *It;
    const QFontMetrics M(F);
    const int Over = std::max(0, -M.tightBoundingRect(QString::fromUtf16(u"\u0130\u00D6\u00DC\u011E")).top() - M.ascent());
    Cache.insert(Key, Over);
    return Over;
}

// Memo text uses CR LF between lines; the widget uses LF.
QString ToQLines(const AnsiString& S) {
    QString Q = ToQ(S);
    Q.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    Q.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return Q;
}

AnsiString FromQLines(const QString& Q) {
    QString T = Q;
    T.replace(QChar(0x2029), QLatin1Char('\n'));
    T.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return FromQ(T);
}

// Positions in a memo count a line break as two characters (CR LF), as its text
// does; the widget counts one.
Integer AnsiIndexOf(const QString& T, int QtPos) {
    QtPos = std::clamp<int>(QtPos, 0, static_cast<int>(T.size()));
    Integer A = QtPos;
    for (int Q = 0; Q < QtPos; ++Q)
        if (T.at(Q) == QLatin1Char('\n') || T.at(Q) == QChar(0x2029) || T.at(Q) == QChar(0x2028)) ++A;
    return A;
}

int QtPosOf(const QString& T, Integer Index) {
    Integer A = 0;
    for (int Q = 0; Q < T.size(); ++Q) {
        const bool Break = T.at(Q) == QLatin1Char('\n') || T.at(Q) == QChar(0x2029) || T.at(Q) == QChar(0x2028);
        const Integer W = Break ? 2 : 1;
        if (A + W > Index) return Index <= A ? Q : Q + 1;   // inside a CR LF: after the break
        A += W;
    }
    return static_cast<int>(T.size());
}

// Drop-down lists as list views that show DropDownCount items and scroll the
// rest; some desktop styles otherwise open a menu as tall as all the items.
class TListPopupStyle : public QProxyStyle {
public:
    int styleHint(StyleHint Hint, const QStyleOption* Option, const QWidget* Widget,
                  QStyleHintReturn* Return) const override {
        if (Hint == QStyle::SH_ComboBox_Popup) return 0;
        return QProxyStyle::styleHint(Hint, Option, Widget, Return);
    }
};

// List rows tall enough for Turkish capitals: the dots and accents of İ, Ö, Ü, Ğ, Ş
// and Ç rise above the face's ascent and hang below its descent, where a row of the
// font's height cuts them. The text stays centred in the taller row.
class TListRowDelegate : public QItemDelegate {
public:
    using QItemDelegate::QItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& Option, const QModelIndex& Index) const override {
        QSize S = QItemDelegate::sizeHint(Option, Index);
        const QFontMetrics M(Option.font);
        S.setHeight(std::max(S.height(), M.height() + 2 * AccentOverhang(M) + 2));
        return S;
    }
};

QStyle* ListPopupStyle() {
    static QPointer<QStyle> Style;
    if (!Style) {
        Style = new TListPopupStyle();
        Style->setParent(QCoreApplication::instance());
    }
    return Style;
}

}  // namespace

// ---------------------------------------------------------------------------
TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner) { Build(false); }
TCustomEdit::TCustomEdit(TComponent* AOwner, bool MultiLine) : TWinControl(AOwner) { Build(MultiLine); }
TCustomEdit::~TCustomEdit() = default;

void TCustomEdit::Build(bool MultiLine) {
    QWidget* W;
    if (MultiLine) {
        FPlain = new THost<QPlainTextEdit>(this);
        FPlain->setTabChangesFocus(true);
        QObject::connect(FPlain, &QPlainTextEdit::textChanged, [this] { WidgetTextChanged(); });
        FPlain->resize(185, 89);
        W = FPlain;
    } else {
        FLine = new THost<QLineEdit>(this);
        QObject::connect(FLine, &QLineEdit::textChanged, [this](const QString&) { WidgetTextChanged(); });
        FLine->resize(121, 21);
        W = FLine;
    }
    SetParentColor(false);
    SetColor(clWindow);
    SetWidget(W);
}

void TCustomEdit::WidgetTextChanged() {
    if (!FSetting) {
        // The user's typing or pasting: keep it to the limit and the case.
        if (IsMasked()) {
            // A change that came past the key handling (a drop, the context menu)
            // is laid back into the picture.
            const QString T = FLine->text();
            const QString Fitted = ToQ(FMask.EditTextOf(FromQ(T)));
            FMaskTyped = true;
            if (Fitted != T) {
                QSignalBlocker B(FLine);
                const int Pos = std::min<int>(FLine->cursorPosition(), static_cast<int>(Fitted.size()));
                FLine->setText(Fitted);
                FLine->setCursorPosition(Pos);
            }
        } else if (FLine) {
            if (!WideKeys()) ShowAsStored(FLine);
            if (FCharCase != ecNormal) {
                QString T = FLine->text();
                QString Cased = CasedKeepingWide(T, FCharCase);
                if (Cased != T && Cased.size() == T.size()) {
                    QSignalBlocker B(FLine);
                    int Pos = FLine->cursorPosition();
                    FLine->setText(Cased);
                    FLine->setCursorPosition(Pos);
                }
            }
            TightenLimit(FLine, FMaxLength);
        } else if (FPlain) {
            QString T = FPlain->toPlainText();
            int Caret = FPlain->textCursor().position();
            QString Cased = WideKeys() ? T : ShownAsStored(T, &Caret);
            if (FCharCase != ecNormal) Cased = CasedKeepingWide(Cased, FCharCase);
            // A text the program set beyond the limit stays; it only may not grow.
            int Limit = FMaxLength > 0 ? std::max<int>(FMaxLength, FLastLength) : -1;
            int Excess = Limit >= 0 ? static_cast<int>(Cased.size()) - Limit : 0;
            if (Cased != T || Excess > 0) {
                QSignalBlocker B(FPlain);
                int Pos = Caret;
                if (Excess > 0) {
                    // What was just typed or pasted ends at the caret: cut its overflow.
                    int From = std::max(0, Pos - Excess);
                    Cased.remove(From, Pos - From);
                    Pos = From;
                }
                FPlain->setPlainText(Cased);
                QTextCursor C = FPlain->textCursor();
                C.setPosition(std::min<int>(Pos, static_cast<int>(Cased.size())));
                FPlain->setTextCursor(C);
            }
        }
    }
    if (FPlain) FLastLength = static_cast<Integer>(FPlain->toPlainText().size());
    FModified = true;
    GuardedCall(this, [this] { Change(); });
}

void TCustomEdit::Change() {
    FireEvent(OnChange, this);
}

AnsiString TCustomEdit::GetText() const {
    if (IsMasked()) return FMaskTyped ? FMask.ValueOf(FromQ(FLine->text())) : FMaskSource;
    if (FLine) return FromQ(FLine->text());
    if (FPlain) return FromQLines(FPlain->toPlainText());
    return FText;
}

void TCustomEdit::SetTextCore(const AnsiString& Value) {
    AnsiString V = ApplyCase(Value, FCharCase);
    bool Was = FSetting;
    FSetting = true;
    const TAliveGuard Alive(this);   // the change it raises may close the screen
    if (IsMasked()) {
        FMaskSource = V;
        FMaskTyped = false;
        SetWholeText(FLine, ToQ(FMask.EditTextOf(V)), FMaxLength);
    } else if (FLine) {
        // The program's text is kept whole even beyond MaxLength.
        SetWholeText(FLine, ToQ(V), FMaxLength);
    } else if (FPlain) {
        FPlain->setPlainText(ToQLines(V));
        if (Alive.Gone()) return;
        FLastLength = static_cast<Integer>(FPlain->toPlainText().size());
    }
    if (Alive.Gone()) return;
    FSetting = Was;
    FModified = false;
}

void TCustomEdit::SetMaxLength(Integer Value) {
    FMaxLength = std::max(0, Value);
    TightenLimit(FLine, FMaxLength);
}

void TCustomEdit::SetCharCase(TEditCharCase Value) {
    FCharCase = Value;
    if (Value != ecNormal) SetTextCore(GetText());
}

void TCustomEdit::SetReadOnly(bool Value) {
    FReadOnly = Value;
    if (FLine) FLine->setReadOnly(Value);
    if (FPlain) FPlain->setReadOnly(Value);
}

void TCustomEdit::SetPasswordChar(char Value) {
    FPasswordChar = Value;
    if (FLine) FLine->setEchoMode(Value ? QLineEdit::Password : QLineEdit::Normal);
}

void TCustomEdit::SetAlignment(TAlignment Value) {
    FAlignment = Value;
    if (FLine) FLine->setAlignment(QtAlign(Value) | Qt::AlignVCenter);
    if (FPlain) {
        QTextOption O = FPlain->document()->defaultTextOption();
        O.setAlignment(QtAlign(Value));
        FPlain->document()->setDefaultTextOption(O);
    }
}

Integer TCustomEdit::SelStart() const {
    if (FLine) return FLine->hasSelectedText() ? FLine->selectionStart() : FLine->cursorPosition();
    QTextCursor C = FPlain->textCursor();
    return AnsiIndexOf(FPlain->toPlainText(), C.selectionStart());
}

void TCustomEdit::SetSelStart(Integer Value) {
    Integer Len = static_cast<Integer>(FLine ? FLine->text().size() : GetText().size());
    Value = std::clamp(Value, 0, Len);
    if (FLine) {
        FLine->deselect();
        FLine->setCursorPosition(Value);
    } else {
        QTextCursor C = FPlain->textCursor();
        const int Pos = QtPosOf(FPlain->toPlainText(), Value);
        C.setPosition(std::min<int>(Pos, FPlain->document()->characterCount() - 1));
        FPlain->setTextCursor(C);
    }
}

Integer TCustomEdit::SelLength() const {
    if (FLine) return static_cast<Integer>(FLine->selectedText().size());
    QTextCursor C = FPlain->textCursor();
    const QString T = FPlain->toPlainText();
    return AnsiIndexOf(T, C.selectionEnd()) - AnsiIndexOf(T, C.selectionStart());
}

void TCustomEdit::SetSelLength(Integer Value) {
    Integer Start = SelStart();
    if (FLine) {
        FLine->setSelection(Start, std::max(0, Value));
    } else {
        const QString T = FPlain->toPlainText();
        QTextCursor C = FPlain->textCursor();
        const int Last = FPlain->document()->characterCount() - 1;
        C.setPosition(std::min<int>(QtPosOf(T, Start), Last));
        C.setPosition(std::min<int>(QtPosOf(T, Start + std::max(0, Value)), Last), QTextCursor::KeepAnchor);
        FPlain->setTextCursor(C);
    }
}

Integer TCustomEdit::LineFromChar(Integer Index) const {
    if (!FPlain) return 0;
    QTextDocument* D = FPlain->document();
    const int Pos = std::min<int>(QtPosOf(FPlain->toPlainText(), Index), D->characterCount() - 1);
    const QTextBlock Target = D->findBlock(Pos);
    Integer Line = 0;
    for (QTextBlock B = D->begin(); B.isValid(); B = B.next()) {
        D->documentLayout()->blockBoundingRect(B);   // lays the block out when it is not yet
        if (B == Target) {
            const QTextLayout* L = B.layout();
            const QTextLine TL = L ? L->lineForTextPosition(Pos - B.position()) : QTextLine();
            return Line + (TL.isValid() ? TL.lineNumber() : 0);
        }
        Line += std::max(1, B.lineCount());
    }
    return Line;
}

Integer TCustomEdit::LineCount() const {
    if (!FPlain) return 1;
    QTextDocument* D = FPlain->document();
    Integer Lines = 0;
    for (QTextBlock B = D->begin(); B.isValid(); B = B.next()) {
        D->documentLayout()->blockBoundingRect(B);
        Lines += std::max(1, B.lineCount());
    }
    return std::max<Integer>(1, Lines);
}

Integer TCustomEdit::CharFromPos(TPoint P) const {
    if (FLine) return FLine->cursorPositionAt(QPoint(P.X, P.Y));
    if (!FPlain) return 0;
    const QPoint V = FPlain->viewport()->mapFrom(FPlain, QPoint(P.X, P.Y));
    return AnsiIndexOf(FPlain->toPlainText(), FPlain->cursorForPosition(V).position());
}

AnsiString TCustomEdit::SelText() const {
    if (FLine) return FromQ(FLine->selectedText());
    return FromQLines(FPlain->textCursor().selectedText());
}

void TCustomEdit::SetSelText(const AnsiString& Value) {
    if (IsMasked()) PasteMasked(Value);
    else if (FLine) FLine->insert(ToQ(Value));
    else FPlain->textCursor().insertText(ToQLines(Value));
}

void TCustomEdit::SelectAll() {
    if (FLine) FLine->selectAll();
    else FPlain->selectAll();
}

void TCustomEdit::KeyPress(char& Key) {
    const std::shared_ptr<const bool> Alive = AliveToken();
    TWinControl::KeyPress(Key);
    if (!IsAlive(Alive)) return;
    if (Key && FCharCase != ecNormal) Key = ApplyCase(Key, FCharCase);
    const unsigned char U = static_cast<unsigned char>(Key);
    if (U >= 32 && !CanTypeChar(Key)) Key = 0;
    if (!Key || !IsMasked() || FReadOnly) return;
    // The mask takes printable characters and Backspace itself; Enter, Esc, Tab
    // and the control characters of shortcuts go on.
    if (U == 8) {
        AnsiString T = EditText();
        Integer Caret = SelStart();
        FMask.Erase(T, Caret, SelLength(), true);
        SetMaskedText(T, Caret);
        Key = 0;
    } else if (U >= 32) {
        AnsiString T = EditText();
        Integer Caret = SelStart();
        if (FMask.Type(T, Caret, SelLength(), Key)) SetMaskedText(T, Caret);
        else MessageBeep(0);
        Key = 0;
    }
}

void TCustomEdit::KeyDown(Word& Key, TShiftState Shift) {
    const std::shared_ptr<const bool> Alive = AliveToken();
    TWinControl::KeyDown(Key, Shift);
    if (!IsAlive(Alive) || Key == 0 || !IsMasked() || FReadOnly) return;
    const bool Ctrl = Shift.Contains(ssCtrl), Shf = Shift.Contains(ssShift), Alt = Shift.Contains(ssAlt);
    AnsiString T = EditText();
    Integer Caret = SelStart();
    if ((Ctrl && !Alt && Key == 'X') || (Shf && !Ctrl && Key == VK_DELETE)) {
        if (SelLength() > 0 && !FPasswordChar) {
            Clipboard()->SetAsText(SelText());
            FMask.Erase(T, Caret, SelLength(), false);
            SetMaskedText(T, Caret);
        }
        Key = 0;
    } else if (Key == VK_DELETE) {
        FMask.Erase(T, Caret, SelLength(), false);
        SetMaskedText(T, Caret);
        Key = 0;
    } else if ((Ctrl && !Alt && Key == 'V') || (Shf && !Ctrl && Key == VK_INSERT)) {
        if (!PasteMasked(Clipboard()->AsText())) MessageBeep(0);
        Key = 0;
    } else if (Ctrl && !Alt && (Key == 'Z' || Key == 'Y')) {
        Key = 0;   // the widget's own undo would step out of the picture
    }
}

void TCustomEdit::SetEditMask(const AnsiString& Value) {
    if (Value == FEditMask) return;
    const AnsiString Keep = GetText();
    FEditMask = Value;
    FMask = TEditMask(Value);
    if (!FLine) return;
    if (IsMasked()) FLine->setMaxLength(32767);
    SetTextCore(Keep);
}

AnsiString TCustomEdit::EditText() const {
    if (FLine) return FromQ(FLine->text());
    return GetText();
}

void TCustomEdit::SetEditText(const AnsiString& Value) {
    SetText(IsMasked() ? FMask.ValueOf(FMask.EditTextOf(Value)) : Value);
}

bool TCustomEdit::MaskIncomplete() const {
    // A text the program set is the program's business; only typing is held to the mask.
    if (!IsMasked() || !FMaskTyped) return false;
    const AnsiString T = EditText();
    return !FMask.NothingTyped(T) && FMask.FirstMissing(T) >= 0;
}

void TCustomEdit::ValidateEdit() {
    if (!MaskIncomplete()) return;
    SetSelStart(FMask.FirstMissing(EditText()));
    throw EDBEditError(SMaskEditErr);
}

bool TCustomEdit::PasteMasked(const AnsiString& Value) {
    if (!IsMasked()) {
        SetSelText(Value);
        return true;
    }
    AnsiString T = EditText();
    Integer Caret = SelStart();
    if (!FMask.Paste(T, Caret, SelLength(), Value)) return false;
    SetMaskedText(T, Caret);
    return true;
}

void TCustomEdit::SetMaskedText(const AnsiString& Value, Integer Caret, Integer SelLength) {
    bool Was = FSetting;
    FSetting = true;
    const bool Changed = FromQ(FLine->text()) != Value;
    {
        QSignalBlocker B(FLine);
        if (Changed) FLine->setText(ToQ(Value));
        FLine->setCursorPosition(std::clamp<int>(Caret, 0, static_cast<int>(Value.size())));
        if (SelLength > 0) FLine->setSelection(FLine->cursorPosition(), SelLength);
    }
    // The change is the user's: Modified is set and OnChange fires once the caret stands.
    if (Changed) {
        FMaskTyped = true;
        const TAliveGuard Alive(this);   // OnChange may close the screen
        WidgetTextChanged();
        if (Alive.Gone()) return;
    }
    FSetting = Was;
}

void TCustomEdit::DoEnter() {
    if (FAutoSelect && FLine) FLine->selectAll();
    TWinControl::DoEnter();
}

void TCustomEdit::ApplyColor() {
    if (!FWidget) return;
    QPalette P = FWidget->palette();
    P.setColor(QPalette::Base, ToQColor(Color()));
    FWidget->setPalette(P);
    FWidget->setAutoFillBackground(false);
}

// ---------------------------------------------------------------------------
TCustomMemo::TCustomMemo(TComponent* AOwner) : TCustomEdit(AOwner, true) {
    FLines = std::make_unique<TTextLines>([this] { return FromQ(FPlain->toPlainText()); },
                                          [this](const AnsiString& T) { SetText(T); });
    SetAutoSelect(false);
}

TCustomMemo::~TCustomMemo() = default;

void TCustomMemo::SetWantTabs(bool Value) {
    FWantTabs = Value;
    FPlain->setTabChangesFocus(!Value);
}

void TCustomMemo::SetWordWrap(bool Value) {
    FWordWrap = Value;
    FPlain->setLineWrapMode(Value ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void TCustomMemo::SetScrollBars(TScrollStyle Value) {
    FScrollBars = Value;
    bool H = Value == ssHorizontal || Value == ssBoth;
    bool V = Value == ssVertical || Value == ssBoth;
    FPlain->setHorizontalScrollBarPolicy(H ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    FPlain->setVerticalScrollBarPolicy(V ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

// ---------------------------------------------------------------------------
// The items of a combo box, kept in its widget.
class TComboItems : public TStrings {
public:
    explicit TComboItems(TComboBox* Owner) : FOwner(Owner) {}
    Integer Add(const AnsiString& S) override { return AddObject(S, nullptr); }
    Integer AddObject(const AnsiString& S, TObject* AObject) override {
        Integer Index = Count();
        if (FOwner->FSorted) {
            // After the last item not greater than S; halving keeps a list of
            // thousands of subscribers from taking minutes to fill.
            Integer Low = 0;
            while (Low < Index) {
                const Integer Mid = Low + (Index - Low) / 2;
                if (AnsiCompareText(Get(Mid), S) <= 0) Low = Mid + 1;
                else Index = Mid;
            }
        }
        InsertObject(Index, S, AObject);
        return Index;
    }
    void Clear() override {
        QComboBox* C = FOwner->FCombo;
        QString Keep = C->isEditable() ? C->currentText() : QString();
        C->clear();
        FObjects.clear();
        if (C->isEditable()) C->setEditText(Keep);
    }
    void Delete(Integer Index) override {
        Check(Index, Count() - 1);
        FOwner->FCombo->removeItem(Index);
        FObjects.erase(FObjects.begin() + Index);
    }
    void Insert(Integer Index, const AnsiString& S) override { InsertObject(Index, S, nullptr); }
    void InsertObject(Integer Index, const AnsiString& S, TObject* AObject) override {
        Check(Index, Count());
        QComboBox* C = FOwner->FCombo;
        // Qt would choose the first item of an empty box; the box keeps having none.
        int Cur = C->currentIndex();
        QString Text = C->isEditable() ? C->currentText() : QString();
        C->insertItem(Index, ToQ(S));
        FObjects.insert(FObjects.begin() + Index, AObject);
        if (Cur < 0) {
            C->setCurrentIndex(-1);
            if (C->isEditable()) C->setEditText(Text);
        }
    }

protected:
    AnsiString Get(Integer Index) const override {
        Check(Index, Count() - 1);
        return FromQ(FOwner->FCombo->itemText(Index));
    }
    Integer GetCount() const override { return FOwner->FCombo->count(); }
    TObject* GetObject(Integer Index) const override {
        Check(Index, Count() - 1);
        return FObjects[static_cast<size_t>(Index)];
    }
    void Put(Integer Index, const AnsiString& S) override {
        Check(Index, Count() - 1);
        FOwner->FCombo->setItemText(Index, ToQ(S));
    }
    void PutObject(Integer Index, TObject* AObject) override {
        Check(Index, Count() - 1);
        FObjects[static_cast<size_t>(Index)] = AObject;
    }

private:
    void Check(Integer Index, Integer Max) const {
        if (Index < 0 || Index > Max) Error("List index out of bounds (%d)", Index);
    }
    TComboBox* FOwner;
    std::vector<TObject*> FObjects;
};

namespace {

// The list's opening and closing reach the box's OnDropDown and OnCloseUp.
class TComboHost : public THost<QComboBox> {
public:
    using THost::THost;
    void showPopup() override {
        auto* C = static_cast<TComboBox*>(HostControl());
        if (C && C->OnDropDown) {
            const std::shared_ptr<const bool> Alive = C->AliveToken();
            GuardedCall(C, [C] { FireEvent(C->OnDropDown, C); });
            if (!IsAlive(Alive)) return;
        }
        QComboBox::showPopup();
    }
    void hidePopup() override {
        const bool Shown = view() && view()->isVisible();
        QComboBox::hidePopup();
        auto* C = static_cast<TComboBox*>(HostControl());
        if (Shown && C && IsAlive(C->AliveToken())) GuardedCall(C, [C] { FireEvent(C->OnCloseUp, C); });
    }
};

}  // namespace

TComboBox::TComboBox(TComponent* AOwner) : TWinControl(AOwner) {
    FCombo = new TComboHost(this);
    FCombo->setStyle(ListPopupStyle());
    FCombo->setItemDelegate(new TListRowDelegate(FCombo));
    MakeEditable();
    FCombo->setMaxVisibleItems(FDropDownCount);
    FCombo->resize(145, 21);
    FItems = std::make_unique<TComboItems>(this);
    FClickOnMouseUp = false;
    QObject::connect(FCombo, &QComboBox::activated, [this](int) {
        const std::shared_ptr<const bool> Alive = AliveToken();
        GuardedCall(this, [this, &Alive] {
            Click();
            if (IsAlive(Alive)) Select();
        });
    });
    ConnectEditor();
    SetParentColor(false);
    SetColor(clWindow);
    SetWidget(FCombo);
}

TComboBox::~TComboBox() = default;

// The box's own completion follows every item added; it is made when the user
// first comes to type (start-up makes many boxes that are never typed into).
void TComboBox::MakeEditable() {
    static QCompleter* Placeholder = new QCompleter(QCoreApplication::instance());
    auto* E = new QLineEdit(FCombo);
    E->setCompleter(Placeholder);   // keeps the box from making its own
    FCombo->setLineEdit(E);
    E->setCompleter(nullptr);
    FCombo->setInsertPolicy(QComboBox::NoInsert);
    FCompleting = false;
}

bool TComboBox::QtEvent(QEvent* E) {
    if (!FCompleting && (E->type() == QEvent::FocusIn || E->type() == QEvent::KeyPress) && FCombo->lineEdit()) {
        FCompleting = true;
        auto* K = new QCompleter(FCombo->model(), FCombo->lineEdit());
        K->setCaseSensitivity(Qt::CaseInsensitive);
        K->setCompletionMode(QCompleter::InlineCompletion);
        FCombo->setCompleter(K);
    }
    return TWinControl::QtEvent(E);
}

void TComboBox::ConnectEditor() {
    QLineEdit* E = FCombo->lineEdit();
    if (!E) return;
    TightenLimit(E, FMaxLength);
    QObject::connect(E, &QLineEdit::textEdited, [this](const QString&) {
        if (!WideKeys()) ShowAsStored(FCombo->lineEdit());
        TightenLimit(FCombo->lineEdit(), FMaxLength);
        GuardedCall(this, [this] { Change(); });
    });
}

void TComboBox::SetStyle(TComboBoxStyle Value) {
    if (Value == FStyle) return;
    FStyle = Value;
    bool Editable = Value == csDropDown || Value == csSimple;
    AnsiString T = GetText();
    if (Editable) {
        if (!FCombo->isEditable()) MakeEditable();
        ConnectEditor();
    } else if (QLineEdit* E = FCombo->lineEdit()) {
        FCombo->setEditable(false);
        // The dropped line edit goes later and still names the box as its focus proxy:
        // its deletion would take the focus from the box.
        E->setFocusProxy(nullptr);
    }
    SetTextCore(T);
}

Integer TComboBox::ItemIndex() const {
    int I = FCombo->currentIndex();
    if (I >= 0 && FCombo->isEditable() && FCombo->currentText() != FCombo->itemText(I)) return -1;
    return I;
}

void TComboBox::SetItemIndex(Integer Value) {
    if (Value < -1 || Value >= FCombo->count()) Value = -1;
    QLineEdit* E = FCombo->lineEdit();
    if (E) E->setMaxLength(32767);   // an item longer than MaxLength shows whole
    FCombo->setCurrentIndex(Value);
    TightenLimit(E, FMaxLength);
    if (Value < 0 && FCombo->isEditable()) FCombo->setEditText(QString());
    if (E) E->home(false);   // a text wider than the box shows its start (the code digit)
}

void TComboBox::SetSorted(bool Value) {
    FSorted = Value;
    if (!Value || FItems->Count() < 2) return;
    std::vector<std::pair<AnsiString, TObject*>> L;
    for (Integer I = 0; I < FItems->Count(); ++I) L.emplace_back(FItems->Strings(I), FItems->Objects(I));
    std::stable_sort(L.begin(), L.end(), [](const auto& A, const auto& B) { return AnsiCompareText(A.first, B.first) < 0; });
    AnsiString T = GetText();
    FItems->Clear();
    FSorted = false;
    for (auto& P : L) FItems->AddObject(P.first, P.second);
    FSorted = true;
    SetTextCore(T);
}

void TComboBox::SetMaxLength(Integer Value) {
    FMaxLength = std::max(0, Value);
    TightenLimit(FCombo->lineEdit(), FMaxLength);
}

void TComboBox::SetDropDownCount(Integer Value) {
    FDropDownCount = Value;
    FCombo->setMaxVisibleItems(std::max(1, Value));
}

bool TComboBox::DroppedDown() const { return FCombo->view() && FCombo->view()->isVisible(); }

void TComboBox::SetDroppedDown(bool Value) {
    if (Value) FCombo->showPopup();
    else FCombo->hidePopup();
}

void TComboBox::Clear() {
    FItems->Clear();
    SetTextCore(AnsiString());
}

Integer TComboBox::SelStart() const {
    QLineEdit* E = FCombo->lineEdit();
    if (!E) return 0;
    return E->hasSelectedText() ? E->selectionStart() : E->cursorPosition();
}

Integer TComboBox::CharFromPos(TPoint P) const {
    QLineEdit* E = FCombo->lineEdit();
    return E ? E->cursorPositionAt(E->mapFrom(FCombo, QPoint(P.X, P.Y))) : 0;
}

void TComboBox::SetSelStart(Integer Value) {
    if (QLineEdit* E = FCombo->lineEdit()) {
        E->deselect();
        E->setCursorPosition(Value);
    }
}

Integer TComboBox::SelLength() const {
    QLineEdit* E = FCombo->lineEdit();
    return E ? static_cast<Integer>(E->selectedText().size()) : 0;
}

void TComboBox::SetSelLength(Integer Value) {
    if (QLineEdit* E = FCombo->lineEdit()) E->setSelection(SelStart(), Value);
}

void TComboBox::Change() {
    FireEvent(OnChange, this);
}

void TComboBox::Select() {
    if (OnSelect) FireEvent(OnSelect, this);
    else Change();
}

AnsiString TComboBox::GetText() const { return FromQ(FCombo->currentText()); }

void TComboBox::SetTextCore(const AnsiString& Value) {
    if (FCombo->isEditable()) {
        int I = FCombo->findText(ToQ(Value), Qt::MatchExactly | Qt::MatchCaseSensitive);
        QLineEdit* E = FCombo->lineEdit();
        if (E) E->setMaxLength(32767);   // the program's text is kept whole
        if (I >= 0) FCombo->setCurrentIndex(I);
        FCombo->setEditText(ToQ(Value));
        TightenLimit(E, FMaxLength);
        if (E) E->home(false);   // the start shows, as typed text would
    } else {
        // A list-only box shows only its items: the matching one, or none.
        int I = FCombo->findText(ToQ(Value), Qt::MatchFixedString);
        FCombo->setCurrentIndex(I);
    }
}

void TComboBox::KeyPress(char& Key) {
    const std::shared_ptr<const bool> Alive = AliveToken();
    TWinControl::KeyPress(Key);
    if (!IsAlive(Alive)) return;
    if (Key && FCharCase != ecNormal) Key = ApplyCase(Key, FCharCase);
}

void TComboBox::ApplyColor() {
    QPalette P = FCombo->palette();
    P.setColor(QPalette::Base, ToQColor(Color()));
    P.setColor(QPalette::Button, ToQColor(Color()));
    FCombo->setPalette(P);
}

// ---------------------------------------------------------------------------
namespace {

// Several buttons of a window with the same accelerator letter ("&Kaydet",
// "&Kimlik Bilgisini Excele At"): the first one in the window's order that can
// take it is pressed, as the framework did, instead of the focus only moving on.
class TSharedAccelFilter : public QObject {
protected:
    bool eventFilter(QObject* O, QEvent* E) override {
        if (E->type() != QEvent::Shortcut || !static_cast<QShortcutEvent*>(E)->isAmbiguous()) return false;
        auto* Pressed = qobject_cast<QAbstractButton*>(O);
        if (!Pressed) return false;
        const QKeySequence Key = static_cast<QShortcutEvent*>(E)->key();
        for (QAbstractButton* B : Pressed->window()->findChildren<QAbstractButton*>()) {
            if (B->shortcut() != Key || !B->isVisible() || !B->isEnabled()) continue;
            B->setFocus(Qt::ShortcutFocusReason);
            B->animateClick();
            return true;
        }
        return false;
    }
};

QObject* SharedAccelFilter() {
    static TSharedAccelFilter* Filter = new TSharedAccelFilter;   // lives as long as the program
    return Filter;
}

}  // namespace

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner) {
    FButton = new THost<QPushButton>(this);
    FButton->installEventFilter(SharedAccelFilter());
    FButton->setAutoDefault(false);
    FButton->resize(75, 25);
    FClickOnMouseUp = false;
    QObject::connect(FButton, &QPushButton::clicked, [this](bool) { GuardedCall(this, [this] { Click(); }); });
    SetWidget(FButton);
}

TButton::~TButton() = default;

void TButton::Click() {
    // The form's result is set first, so that OnClick may still take it back
    // (ModalResult := mrNone when a check fails).
    if (FModalResult != mrNone)
        if (TCustomForm* F = GetParentForm(this)) F->SetModalResult(FModalResult);
    TWinControl::Click();
}

void TButton::SetDefault(bool Value) {
    FDefault = Value;
    FButton->setDefault(Value);
}

void TButton::KeyPress(char& Key) {
    const std::shared_ptr<const bool> Alive = AliveToken();
    TWinControl::KeyPress(Key);
    if (!IsAlive(Alive)) return;
    if (Key == 13) {
        Key = 0;
        Click();
    }
}

void TButton::SetTextCore(const AnsiString& Value) {
    FText = Value;
    FButton->setText(ToQ(Value));
}

void TButton::ApplyColor() {
    QPalette P = FButton->palette();
    P.setColor(QPalette::Button, ToQColor(ParentColor() ? clBtnFace : Color()));
    FButton->setPalette(P);
}

// ---------------------------------------------------------------------------
TLabel::TLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
    FCustomPaint = false;
    FLabel = new THost<QLabel>(this);
    FLabel->resize(32, 13);
    SetWidget(FLabel);
    Refresh();
}

TLabel::~TLabel() = default;

void TLabel::Refresh() {
    QString T = ToQ(FText);
    if (FShowAccelChar) {
        // "&&" shows one "&"; a single "&" only marks the next letter.
        QString Out;
        for (int I = 0; I < T.size(); ++I) {
            if (T[I] == QLatin1Char('&')) {
                if (I + 1 < T.size() && T[I + 1] == QLatin1Char('&')) {
                    Out += QLatin1Char('&');
                    ++I;
                }
                continue;
            }
            Out += T[I];
        }
        T = Out;
    }
    FLabel->setText(T);
    FLabel->setWordWrap(FWordWrap);
    Qt::Alignment A = QtAlign(FAlignment);
    A |= FLayout == tlCenter ? Qt::AlignVCenter : FLayout == tlBottom ? Qt::AlignBottom : Qt::AlignTop;
    // A stand-in face of a taller ascent: a sized label's text moves up to the named
    // face's baseline, as far as its own letters allow; it stands on the bottom edge
    // of a box made that much shorter.
    int Lift = 0;
    if (const int Shift = BaselineShift(Font()); Shift < 0 && FAutoSize && !FWordWrap && FLayout == tlTop) {
        const QFontMetrics M(FLabel->font());
        Lift = std::min(0, std::max(Shift, -M.tightBoundingRect(T).top() - M.ascent()));
        if (Lift < 0) A = (A & ~Qt::AlignVertical_Mask) | Qt::AlignBottom;
    }
    FLabel->setAlignment(A);
    FLabel->setContentsMargins(0, Lift < 0 ? 0 : MarkOverhang(FLabel->font()), 0, 0);
    if (FAutoSize) {
        QSize S = FLabel->sizeHint();
        if (FWordWrap) S.setWidth(Width());
        SetBounds(Left(), Top(), S.width(), S.height() + Lift);
    }
}

void TLabel::SetTextCore(const AnsiString& Value) {
    FText = Value;
    Refresh();
}

void TLabel::ApplyFont() {
    TGraphicControl::ApplyFont();
    if (FLabel) Refresh();
}

void TLabel::SetAutoSize(bool Value) { FAutoSize = Value; Refresh(); }
void TLabel::SetAlignment(TAlignment Value) { FAlignment = Value; Refresh(); }
void TLabel::SetLayout(TTextLayout Value) { FLayout = Value; Refresh(); }
void TLabel::SetWordWrap(bool Value) { FWordWrap = Value; Refresh(); }
void TLabel::SetShowAccelChar(bool Value) { FShowAccelChar = Value; Refresh(); }

void TLabel::SetTransparent(bool Value) {
    FTransparent = Value;
    FTransparentBackground = Value;
    ApplyColor();
}

void TLabel::SetFocusControl(TWinControl* Value) {
    if (FFocusControl) FFocusControl->RemoveFreeNotification(this);
    FFocusControl = Value;
    if (Value) Value->FreeNotification(this);
}

void TLabel::Notification(TComponent* AComponent, TOperation Operation) {
    TGraphicControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FFocusControl) FFocusControl = nullptr;
}

// ---------------------------------------------------------------------------
TCheckBox::TCheckBox(TComponent* AOwner) : TWinControl(AOwner) {
    FCheck = new THost<QCheckBox>(this);
    FCheck->resize(97, 17);
    FCheck->setBackgroundRole(QPalette::Window);   // its Color, not the button face
    FClickOnMouseUp = false;
    QObject::connect(FCheck, &QCheckBox::stateChanged, [this](int) { GuardedCall(this, [this] { Click(); }); });
    SetWidget(FCheck);
}

TCheckBox::~TCheckBox() = default;

bool TCheckBox::Checked() const { return FCheck->checkState() == Qt::Checked; }
void TCheckBox::SetChecked(bool Value) { FCheck->setCheckState(Value ? Qt::Checked : Qt::Unchecked); }

TCheckBoxState TCheckBox::State() const {
    switch (FCheck->checkState()) {
        case Qt::Checked: return cbChecked;
        case Qt::PartiallyChecked: return cbGrayed;
        default: return cbUnchecked;
    }
}

void TCheckBox::SetState(TCheckBoxState Value) {
    if (Value == cbGrayed && !FAllowGrayed) FCheck->setTristate(true);
    FCheck->setCheckState(Value == cbChecked ? Qt::Checked : Value == cbGrayed ? Qt::PartiallyChecked : Qt::Unchecked);
}

void TCheckBox::SetAllowGrayed(bool Value) {
    FAllowGrayed = Value;
    FCheck->setTristate(Value);
}

void TCheckBox::SetTextCore(const AnsiString& Value) {
    FText = Value;
    FCheck->setText(ToQ(Value));
}

TRadioButton::TRadioButton(TComponent* AOwner) : TWinControl(AOwner) {
    FRadio = new THost<QRadioButton>(this);
    FRadio->resize(113, 17);
    FRadio->setBackgroundRole(QPalette::Window);
    FClickOnMouseUp = false;
    QObject::connect(FRadio, &QRadioButton::toggled, [this](bool On) {
        if (On) GuardedCall(this, [this] { Click(); });
    });
    SetWidget(FRadio);
}

TRadioButton::~TRadioButton() = default;

bool TRadioButton::Checked() const { return FRadio->isChecked(); }
void TRadioButton::SetChecked(bool Value) { FRadio->setChecked(Value); }

void TRadioButton::SetTextCore(const AnsiString& Value) {
    FText = Value;
    FRadio->setText(ToQ(Value));
}

// ---------------------------------------------------------------------------
TGroupBox::TGroupBox(TComponent* AOwner) : TWinControl(AOwner) {
    FGroup = new THost<QGroupBox>(this);
    FGroup->resize(185, 105);
    FTabStop = false;
    SetWidget(FGroup);
}

TGroupBox::~TGroupBox() = default;

TRect TGroupBox::ClientRect() const {
    QRect R = FGroup->contentsRect();
    return FromQRect(R);
}

void TGroupBox::SetTextCore(const AnsiString& Value) {
    FText = Value;
    FGroup->setTitle(ToQ(Value));
}
