#include "platform/ui/DragDrop.h"

#include "platform/ui/DragDrop_p.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/UiPrivate_p.h"
#include "platform/rtl/CodePage.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPixmap>
#include <QUrl>
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
        if (SameName(T.Names[I], Name)) return static_cast<Word>(0xC000 + I);
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

WideString TDataObject::AsWideText() const {
    auto It = FData.find(CF_UNICODETEXT);
    if (It == FData.end()) {
        const AnsiString T = GetData(CF_TEXT);
        return AnsiToWide(T.substr(0, T.find('\0')));
    }
    WideString W;
    for (size_t I = 0; I + 1 < It->second.size(); I += 2) {
        const char16_t C = static_cast<char16_t>(static_cast<unsigned char>(It->second[I]) |
                                                 (static_cast<unsigned char>(It->second[I + 1]) << 8));
        if (C == 0) break;
        W += C;
    }
    return W;
}

void TDataObject::SetAsWideText(const WideString& Text) {
    std::string B;
    B.reserve(Text.size() * 2 + 2);
    for (char16_t C : Text) {
        B += static_cast<char>(C & 0xFF);
        B += static_cast<char>(C >> 8);
    }
    B.append(2, '\0');
    FData[CF_UNICODETEXT] = B;
}

namespace {

constexpr size_t kDropFilesSize = 20;   // offset, point (2), non-client flag, wide flag

void PutLong(std::string& B, size_t At, uint32_t V) {
    for (size_t I = 0; I < 4; ++I) B[At + I] = static_cast<char>((V >> (8 * I)) & 0xFF);
}

uint32_t GetLong(const std::string& B, size_t At) {
    uint32_t V = 0;
    for (size_t I = 0; I < 4; ++I) V |= uint32_t(static_cast<unsigned char>(B[At + I])) << (8 * I);
    return V;
}

}  // namespace

void TDataObject::SetFiles(const std::vector<AnsiString>& Names) {
    std::string B(kDropFilesSize, '\0');
    PutLong(B, 0, kDropFilesSize);
    PutLong(B, 16, 1);
    for (const AnsiString& N : Names) {
        for (char16_t C : AnsiToWide(N)) {
            B += static_cast<char>(C & 0xFF);
            B += static_cast<char>(C >> 8);
        }
        B.append(2, '\0');
    }
    B.append(2, '\0');
    FData[CF_HDROP] = B;
}

std::vector<AnsiString> TDataObject::Files() const {
    std::vector<AnsiString> Names;
    auto It = FData.find(CF_HDROP);
    if (It == FData.end() || It->second.size() < kDropFilesSize) return Names;
    const std::string& B = It->second;
    const bool Wide = GetLong(B, 16) != 0;
    // A list offset or name that runs past the block ends the list; nothing is read beyond it.
    size_t P = GetLong(B, 0);
    while (P < B.size()) {
        if (Wide) {
            std::u16string W;
            while (P + 1 < B.size()) {
                const char16_t C = char16_t(static_cast<unsigned char>(B[P]) | (static_cast<unsigned char>(B[P + 1]) << 8));
                P += 2;
                if (C == 0) break;
                W += C;
            }
            if (W.empty()) break;
            Names.push_back(WideToAnsi(W));
        } else {
            const size_t End = B.find('\0', P);
            const size_t Stop = End == std::string::npos ? B.size() : End;
            if (Stop == P) break;
            Names.push_back(B.substr(P, Stop - P));
            P = Stop + 1;
        }
    }
    return Names;
}

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

namespace {

// Rich text travels under the name other programs know it by.
const QString kRtfMime = QStringLiteral("text/rtf");
Word RtfFormat() {
    static const Word F = RegisterClipboardFormat("Rich Text Format");
    return F;
}

}  // namespace

QMimeData* DataObjectToMime(const TDataObject& Data) {
    auto* M = new QMimeData();
    for (Word F : Data.Formats()) {
        if (F == CF_HDROP) {
            QList<QUrl> Urls;
            for (const AnsiString& N : Data.Files()) Urls << QUrl::fromLocalFile(ToQ(N));
            M->setUrls(Urls);
            continue;
        }
        if (F == RtfFormat()) {
            std::string R = Data.GetData(F);
            while (!R.empty() && R.back() == '\0') R.pop_back();
            M->setData(kRtfMime, QByteArray::fromStdString(R));
        }
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
    if (Mime->hasFormat(kRtfMime)) Data.SetData(RtfFormat(), Mime->data(kRtfMime).toStdString());
    std::vector<AnsiString> Files;
    for (const QUrl& U : Mime->urls())
        if (U.isLocalFile()) Files.push_back(FromQ(U.toLocalFile()));
    if (!Files.empty()) Data.SetFiles(Files);
    for (const QString& F : Mime->formats()) {
        if (!F.startsWith(kMimePrefix)) continue;
        QByteArray Name = QByteArray::fromPercentEncoding(F.mid(kMimePrefix.size()).toUtf8());
        Word Id = RegisterClipboardFormat(Utf8ToAnsi(Name.toStdString()));
        Data.SetData(Id, Mime->data(F).toStdString());
    }
}

namespace {

TDragHandler& DragHandler() {
    static TDragHandler H;
    return H;
}

Qt::DropActions ActionsOf(Integer Effects) {
    Qt::DropActions A;
    if (Effects & DROPEFFECT_COPY) A |= Qt::CopyAction;
    if (Effects & DROPEFFECT_MOVE) A |= Qt::MoveAction;
    if (Effects & DROPEFFECT_LINK) A |= Qt::LinkAction;
    return A;
}

Integer EffectOf(Qt::DropAction A) {
    switch (A) {
        case Qt::CopyAction: return DROPEFFECT_COPY;
        case Qt::MoveAction: return DROPEFFECT_MOVE;
        case Qt::LinkAction: return DROPEFFECT_LINK;
        default: return DROPEFFECT_NONE;
    }
}

Qt::KeyboardModifiers ModifiersOf(TShiftState Shift) {
    Qt::KeyboardModifiers M;
    if (Shift.Contains(ssShift)) M |= Qt::ShiftModifier;
    if (Shift.Contains(ssCtrl)) M |= Qt::ControlModifier;
    if (Shift.Contains(ssAlt)) M |= Qt::AltModifier;
    return M;
}

}  // namespace

void SetDragHandler(TDragHandler Handler) { DragHandler() = std::move(Handler); }

Integer DeliverDrop(TControl* Target, Integer X, Integer Y, const TDataObject& Data, Integer AllowedEffects,
                    TShiftState Shift) {
    if (!Target || !Target->Widget()) return DROPEFFECT_NONE;
    QWidget* W = Target->Widget();
    std::unique_ptr<QMimeData> Mime(DataObjectToMime(Data));
    const QPoint P(X, Y);
    const Qt::DropActions A = ActionsOf(AllowedEffects);
    const Qt::KeyboardModifiers M = ModifiersOf(Shift);
    QDragEnterEvent Enter(P, A, Mime.get(), Qt::LeftButton, M);
    QApplication::sendEvent(W, &Enter);
    if (!Enter.isAccepted()) return DROPEFFECT_NONE;
    QDragMoveEvent Move(P, A, Mime.get(), Qt::LeftButton, M);
    QApplication::sendEvent(W, &Move);
    if (!Move.isAccepted()) {
        QDragLeaveEvent Leave;
        QApplication::sendEvent(W, &Leave);
        return DROPEFFECT_NONE;
    }
    QDropEvent Drop(QPointF(P), A, Mime.get(), Qt::LeftButton, M);
    QApplication::sendEvent(W, &Drop);
    return Drop.isAccepted() ? EffectOf(Drop.dropAction()) : DROPEFFECT_NONE;
}

namespace {

TDragImage& RunningImage() {
    static TDragImage I;
    return I;
}

}  // namespace

const TDragImage& CurrentDragImage() { return RunningImage(); }

Integer DoDragDrop(TControl* Source, const TDataObject& Data, Integer AllowedEffects, const TDragImage& Image) {
    // The picture belongs to this drag only, however it ends.
    struct TImageScope {
        TDragImage Kept;
        explicit TImageScope(const TDragImage& I) : Kept(RunningImage()) { RunningImage() = I; }
        ~TImageScope() { RunningImage() = Kept; }
    } Scope(Image);
    if (DragHandler()) return DragHandler()(Source, Data, AllowedEffects);
    if (!Source || !Source->Widget()) return DROPEFFECT_NONE;
    auto* Drag = new QDrag(Source->Widget());
    Drag->setMimeData(DataObjectToMime(Data));
    if (Image.Bitmap && !Image.Bitmap->Empty()) {
        Drag->setPixmap(QPixmap::fromImage(Image.Bitmap->Image()));
        Drag->setHotSpot(QPoint(Image.HotSpot.X, Image.HotSpot.Y));
    }
    return EffectOf(Drag->exec(ActionsOf(AllowedEffects)));
}
