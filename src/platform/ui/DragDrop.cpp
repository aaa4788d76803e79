#include "platform/ui/DragDrop.h"

#include "platform/ui/DragDrop_p.h"
#include "platform/ui/UiPrivate_p.h"

#include <QDrag>
#include <QMimeData>
#include <QWidget>

#include <mutex>

namespace {

struct TFormatTable {
    std::mutex Lock;
    std::vector<AnsiString> Names;   // index i is format 0xC000 + i
};

TFormatTable& Formats() {
    static TFormatTable T;
    return T;
}

const QString kMimePrefix = QStringLiteral("application/x-osb-format;name=");

QString MimeOf(Word Format) {
    AnsiString Name = ClipboardFormatName(Format);
    if (Name.empty()) return QString();
    return kMimePrefix + QString::fromUtf8(QByteArray::fromStdString(AnsiToUtf8(Name)).toPercentEncoding());
}

}  // namespace

Word RegisterClipboardFormat(const AnsiString& Name) {
    auto& T = Formats();
    std::lock_guard<std::mutex> G(T.Lock);
    for (size_t I = 0; I < T.Names.size(); ++I)
        if (AnsiSameText(T.Names[I], Name)) return static_cast<Word>(0xC000 + I);
    T.Names.push_back(Name);
    return static_cast<Word>(0xC000 + T.Names.size() - 1);
}

AnsiString ClipboardFormatName(Word Format) {
    auto& T = Formats();
    std::lock_guard<std::mutex> G(T.Lock);
    if (Format < 0xC000 || Format - 0xC000u >= T.Names.size()) return AnsiString();
    return T.Names[Format - 0xC000u];
}

void TDataObject::SetData(Word Format, const std::string& Bytes) { FData[Format] = Bytes; }
bool TDataObject::HasFormat(Word Format) const {
    if (Format == CF_TEXT) return FData.count(CF_TEXT) || FData.count(CF_UNICODETEXT);
    return FData.count(Format) != 0;
}

std::string TDataObject::GetData(Word Format) const {
    auto It = FData.find(Format);
    return It == FData.end() ? std::string() : It->second;
}

AnsiString TDataObject::AsText() const {
    auto It = FData.find(CF_TEXT);
    if (It != FData.end()) return It->second;
    It = FData.find(CF_UNICODETEXT);
    if (It == FData.end()) return AnsiString();
    std::u16string W(It->second.size() / 2, u'\0');
    for (size_t I = 0; I < W.size(); ++I)
        W[I] = static_cast<char16_t>(static_cast<unsigned char>(It->second[2 * I]) |
                                     (static_cast<unsigned char>(It->second[2 * I + 1]) << 8));
    while (!W.empty() && W.back() == u'\0') W.pop_back();
    return WideToAnsi(W);
}

void TDataObject::SetAsText(const AnsiString& Text) { FData[CF_TEXT] = Text; }

std::vector<Word> TDataObject::Formats() const {
    std::vector<Word> L;
    for (auto& P : FData) L.push_back(P.first);
    return L;
}

namespace {

// UTF-16LE bytes, as CF_UNICODETEXT holds them, and back (without the final zero).
QString FromUtf16Bytes(const std::string& B) {
    QString Q;
    for (size_t I = 0; I + 1 < B.size(); I += 2)
        Q += QChar(static_cast<char16_t>(static_cast<unsigned char>(B[I]) | (static_cast<unsigned char>(B[I + 1]) << 8)));
    while (!Q.isEmpty() && Q.back() == QChar(0)) Q.chop(1);
    return Q;
}

std::string ToUtf16Bytes(const QString& Q) {
    std::string B;
    B.reserve(static_cast<size_t>(Q.size()) * 2);
    for (QChar C : Q) {
        B += static_cast<char>(C.unicode() & 0xFF);
        B += static_cast<char>(C.unicode() >> 8);
    }
    return B;
}

}  // namespace

QMimeData* DataObjectToMime(const TDataObject& Data) {
    auto* M = new QMimeData();
    for (Word F : Data.Formats()) {
        if (F == CF_TEXT || F == CF_UNICODETEXT) {
            // The Unicode text, when there is one, holds every character.
            M->setText(Data.HasFormat(CF_UNICODETEXT) && Data.GetData(CF_UNICODETEXT).size() > 1
                           ? FromUtf16Bytes(Data.GetData(CF_UNICODETEXT))
                           : ToQ(Data.AsText()));
            continue;
        }
        QString Mime = MimeOf(F);
        if (!Mime.isEmpty()) M->setData(Mime, QByteArray::fromStdString(Data.GetData(F)));
    }
    return M;
}

void MimeToDataObject(const QMimeData* Mime, TDataObject& Data) {
    Data.Clear();
    if (!Mime) return;
    if (Mime->hasText()) {
        Data.SetAsText(FromQ(Mime->text()));
        Data.SetData(CF_UNICODETEXT, ToUtf16Bytes(Mime->text()));
    }
    for (const QString& F : Mime->formats()) {
        if (!F.startsWith(kMimePrefix)) continue;
        QByteArray Name = QByteArray::fromPercentEncoding(F.mid(kMimePrefix.size()).toUtf8());
        Word Id = RegisterClipboardFormat(Utf8ToAnsi(Name.toStdString()));
        Data.SetData(Id, Mime->data(F).toStdString());
    }
}

Integer DoDragDrop(TControl* Source, const TDataObject& Data, Integer AllowedEffects) {
    if (!Source || !Source->Widget()) return DROPEFFECT_NONE;
    auto* Drag = new QDrag(Source->Widget());
    Drag->setMimeData(DataObjectToMime(Data));
    Qt::DropActions A;
    if (AllowedEffects & DROPEFFECT_COPY) A |= Qt::CopyAction;
    if (AllowedEffects & DROPEFFECT_MOVE) A |= Qt::MoveAction;
    if (AllowedEffects & DROPEFFECT_LINK) A |= Qt::LinkAction;
    Qt::DropAction R = Drag->exec(A);
    switch (R) {
        case Qt::CopyAction: return DROPEFFECT_COPY;
        case Qt::MoveAction: return DROPEFFECT_MOVE;
        case Qt::LinkAction: return DROPEFFECT_LINK;
        default: return DROPEFFECT_NONE;
    }
}
