#include "platform/ui/Graphics.h"

#include "platform/rtl/Files.h"
#include "platform/ui/Jpeg.h"
#include "platform/ui/UiPrivate_p.h"

#include <QBuffer>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <cmath>
#include <cstdlib>

bool IntersectRect(TRect& Dest, const TRect& R1, const TRect& R2) {
    TRect R{std::max(R1.Left, R2.Left), std::max(R1.Top, R2.Top), std::min(R1.Right, R2.Right),
            std::min(R1.Bottom, R2.Bottom)};
    if (R.IsEmpty()) {
        Dest = TRect{};
        return false;
    }
    Dest = R;
    return true;
}

namespace {

// Classic desktop values; fixed so that screens and tests see the same colours everywhere.
constexpr TColor kSystemColors[31] = {
    RGB(200, 200, 200), RGB(0, 0, 0),       RGB(153, 180, 209), RGB(191, 205, 219), RGB(240, 240, 240),
    RGB(255, 255, 255), RGB(100, 100, 100), RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(0, 0, 0),
    RGB(180, 180, 180), RGB(244, 247, 252), RGB(171, 171, 171), RGB(0, 120, 215),   RGB(255, 255, 255),
    RGB(240, 240, 240), RGB(160, 160, 160), RGB(109, 109, 109), RGB(0, 0, 0),       RGB(0, 0, 0),
    RGB(255, 255, 255), RGB(105, 105, 105), RGB(227, 227, 227), RGB(0, 0, 0),       RGB(255, 255, 225),
    RGB(181, 181, 181), RGB(0, 102, 204),   RGB(185, 209, 234), RGB(215, 228, 242), RGB(51, 153, 255),
    RGB(240, 240, 240)};

}  // namespace

TColor ColorToRGB(TColor Color) {
    if (Color < 0) {
        unsigned Index = static_cast<unsigned>(Color) & 0xFF;
        return Index < 31 ? kSystemColors[Index] : clBlack;
    }
    return Color;
}

// ---------------------------------------------------------------------------
TFont::TFont() = default;

void TFont::Assign(TPersistent* Source) {
    if (auto* F = dynamic_cast<TFont*>(Source)) {
        FName = F->FName;
        FHeight = F->FHeight;
        FStyle = F->FStyle;
        FColor = F->FColor;
        FCharset = F->FCharset;
        FOrientation = F->FOrientation;
        Changed();
        return;
    }
    TPersistent::Assign(Source);
}

void TFont::Changed() {
    FireEvent(OnChange, this);
}

void TFont::SetName(const AnsiString& Value) {
    if (Value.empty() || Value == FName) return;
    FName = Value;
    Changed();
}

Integer TFont::Size() const {
    // Height is in pixels at 96 per inch; points are 1/72 inch.
    Integer H = FHeight < 0 ? -FHeight : FHeight;
    Integer S = (H * 72 + 48) / 96;
    return FHeight < 0 ? S : -S;
}

void TFont::SetSize(Integer Value) { SetHeight(-((Value * 96 + 36) / 72)); }

void TFont::SetHeight(Integer Value) {
    if (Value == FHeight) return;
    FHeight = Value;
    Changed();
}

void TFont::SetStyle(TFontStyles Value) {
    if (Value == FStyle) return;
    FStyle = Value;
    Changed();
}

void TFont::SetColor(TColor Value) {
    if (Value == FColor) return;
    FColor = Value;
    Changed();
}

void TFont::SetCharset(TFontCharset Value) {
    if (Value == FCharset) return;
    FCharset = Value;
    Changed();
}

void TFont::SetOrientation(Integer Value) {
    if (Value == FOrientation) return;
    FOrientation = Value;
    Changed();
}

namespace {

// The faces the screens name are not installed here. Each is drawn with an
// installed face of close metrics, scaled so that character widths and line height
// stay as laid out: DejaVu Sans Condensed at 10/11 of the size matches the 8-point
// interface font (5 px average width, 11 px line). Nimbus Roman has the widths of
// Times New Roman but a taller ascent; its lines are placed at Times' ascent.
struct TFaceSubstitute {
    const char* Face;
    const char* Installed;
    Integer Num, Den;
    Integer AscentPerMille;   // the named face's ascent, 0: the stand-in's own
};
const TFaceSubstitute FaceSubstitutes[] = {
    {"MS Sans Serif", "DejaVu Sans Condensed", 10, 11, 0},
    {"Microsoft Sans Serif", "DejaVu Sans Condensed", 10, 11, 0},
    {"Tahoma", "DejaVu Sans Condensed", 10, 11, 0},
    {"Times New Roman", "Nimbus Roman", 1, 1, 891},
};

const TFaceSubstitute* SubstituteOf(const TFont* F) {
    for (const TFaceSubstitute& S : FaceSubstitutes)
        if (SameText(F->Name(), S.Face)) return &S;
    return nullptr;
}

}  // namespace

int BaselineShift(const TFont* F) {
    const TFaceSubstitute* Sub = SubstituteOf(F);
    if (!Sub || Sub->AscentPerMille == 0) return 0;
    const QFont Q = ToQFont(F);
    return (Q.pixelSize() * Sub->AscentPerMille + 500) / 1000 - QFontMetrics(Q).ascent();
}

int AccentOverhang(const QFontMetrics& M) {
    const QRect Ink = M.tightBoundingRect(QStringLiteral("\u00C2\u00C7\u011E\u0130\u00D6\u015E\u00DCgjpqy"));
    return std::max({0, -Ink.top() - M.ascent(), Ink.bottom() + 1 - M.descent()}) + 1;
}

QFont ToQFont(const TFont* F) {
    Integer H = F->Height();
    // A positive height includes the internal leading, about a fifth of the cell.
    Integer Px = H < 0 ? -H : std::max(1, H * 4 / 5);
    QFont Q;
    const TFaceSubstitute* Sub = SubstituteOf(F);
    if (Sub) {
        Q.setFamily(QString::fromLatin1(Sub->Installed));
        Px = (Px * Sub->Num + Sub->Den / 2) / Sub->Den;
    } else {
        Q.setFamily(ToQ(F->Name()));
    }
    Q.setPixelSize(std::max(1, Px));
    Q.setBold(F->Style().Contains(fsBold));
    Q.setItalic(F->Style().Contains(fsItalic));
    Q.setUnderline(F->Style().Contains(fsUnderline));
    Q.setStrikeOut(F->Style().Contains(fsStrikeOut));
    return Q;
}

// ---------------------------------------------------------------------------
void TPen::Assign(TPersistent* Source) {
    if (auto* P = dynamic_cast<TPen*>(Source)) {
        FColor = P->FColor;
        FWidth = P->FWidth;
        FStyle = P->FStyle;
        Changed();
        return;
    }
    TPersistent::Assign(Source);
}
void TPen::Changed() { FireEvent(OnChange, this); }
void TPen::SetColor(TColor Value) { if (Value != FColor) { FColor = Value; Changed(); } }
void TPen::SetWidth(Integer Value) { if (Value < 0) Value = 0; if (Value != FWidth) { FWidth = Value; Changed(); } }
void TPen::SetStyle(TPenStyle Value) { if (Value != FStyle) { FStyle = Value; Changed(); } }

void TBrush::Assign(TPersistent* Source) {
    if (auto* B = dynamic_cast<TBrush*>(Source)) {
        FColor = B->FColor;
        FStyle = B->FStyle;
        Changed();
        return;
    }
    TPersistent::Assign(Source);
}
void TBrush::Changed() { FireEvent(OnChange, this); }
void TBrush::SetColor(TColor Value) {
    // Choosing a colour for a clear brush makes it solid again.
    if (Value == FColor && FStyle != bsClear) return;
    FColor = Value;
    if (FStyle == bsClear) FStyle = bsSolid;
    Changed();
}
void TBrush::SetStyle(TBrushStyle Value) { if (Value != FStyle) { FStyle = Value; Changed(); } }

// ---------------------------------------------------------------------------
TGraphic::TGraphic() : FImage(std::make_unique<QImage>()) {}
TGraphic::~TGraphic() = default;

bool TGraphic::Empty() const { return FImage->isNull() || FImage->width() == 0 || FImage->height() == 0; }
Integer TGraphic::Width() const { return FImage->isNull() ? 0 : FImage->width(); }
Integer TGraphic::Height() const { return FImage->isNull() ? 0 : FImage->height(); }
const QImage& TGraphic::Image() const { return *FImage; }

void TGraphic::SetImage(const QImage& Image) {
    *FImage = Image;
    Changed();
}

void TGraphic::SetTransparent(bool Value) {
    if (Value == FTransparent) return;
    FTransparent = Value;
    Changed();
}

void TGraphic::Changed() { FireEvent(OnChange, this); }

void TGraphic::LoadFromFile(const AnsiString& FileName) {
    TFileStream S(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&S);
}

void TGraphic::SaveToFile(const AnsiString& FileName) {
    // Through memory first, so a failed encoding never leaves a broken file behind.
    TMemoryStream M;
    SaveToStream(&M);
    M.SaveToFile(FileName);
}

namespace {

QByteArray ReadRest(TStream* Stream) {
    QByteArray Data;
    char Buf[65536];
    for (;;) {
        Integer N = Stream->Read(Buf, sizeof(Buf));
        if (N <= 0) break;
        Data.append(Buf, N);
    }
    return Data;
}

void WriteAll(TStream* Stream, const QByteArray& Data) {
    if (!Data.isEmpty()) Stream->WriteBuffer(Data.constData(), static_cast<Integer>(Data.size()));
}

}  // namespace

TBitmap::TBitmap() = default;
TBitmap::~TBitmap() {
    if (FCanvas) FCanvas->Unbind();
}

void TBitmap::Assign(TPersistent* Source) {
    if (auto* G = dynamic_cast<TGraphic*>(Source)) {
        FTransparent = G->Transparent();
        SetImage(G->Image().convertToFormat(QImage::Format_RGB32));
        return;
    }
    TGraphic::Assign(Source);
}

void TBitmap::SetSize(Integer AWidth, Integer AHeight) {
    AWidth = std::max(0, AWidth);
    AHeight = std::max(0, AHeight);
    if (AWidth == Width() && AHeight == Height()) return;
    QImage N;
    if (AWidth > 0 && AHeight > 0) {
        N = QImage(AWidth, AHeight, QImage::Format_RGB32);
        N.fill(Qt::white);
        if (!FImage->isNull()) {
            QPainter P(&N);
            P.drawImage(0, 0, *FImage);
        }
    }
    SetImage(N);
}

TCanvas* TBitmap::Canvas() {
    if (!FCanvas) {
        FCanvas = std::make_unique<TCanvas>();
        FCanvas->BindImage(this);
    }
    return FCanvas.get();
}

void TBitmap::LoadFromStream(TStream* Stream) {
    QImage I;
    if (!I.loadFromData(ReadRest(Stream))) throw EInvalidGraphic("Bitmap image is not valid");
    SetImage(I.convertToFormat(QImage::Format_RGB32));
}

void TBitmap::SaveToStream(TStream* Stream) {
    QByteArray Data;
    QBuffer B(&Data);
    B.open(QIODevice::WriteOnly);
    if (!Empty() && !FImage->save(&B, "BMP")) throw EInvalidGraphicOperation("Cannot save the bitmap");
    WriteAll(Stream, Data);
}

std::unique_ptr<TGraphic> TBitmap::Copy() const {
    auto B = std::make_unique<TBitmap>();
    B->Assign(const_cast<TBitmap*>(this));
    return B;
}

TColor TBitmap::TransparentColor() const {
    if (Empty()) return clNone;
    return FromQColor(QColor(FImage->pixel(0, FImage->height() - 1)));
}

// ---------------------------------------------------------------------------
TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Changed() { FireEvent(OnChange, this); }

void TPicture::Take(std::unique_ptr<TGraphic> G) {
    FGraphic = std::move(G);
    if (FGraphic) FGraphic->OnChange = [this](TObject*) { Changed(); };
    Changed();
}

void TPicture::Assign(TPersistent* Source) {
    if (Source == nullptr) { Take(nullptr); return; }
    if (auto* P = dynamic_cast<TPicture*>(Source)) { SetGraphic(P->Graphic()); return; }
    if (auto* G = dynamic_cast<TGraphic*>(Source)) { SetGraphic(G); return; }
    TPersistent::Assign(Source);
}

void TPicture::SetGraphic(TGraphic* Value) { Take(Value ? Value->Copy() : nullptr); }

TBitmap* TPicture::Bitmap() {
    auto* B = dynamic_cast<TBitmap*>(FGraphic.get());
    if (!B) {
        auto N = std::make_unique<TBitmap>();
        B = N.get();
        Take(std::move(N));
    }
    return B;
}

namespace {
std::unique_ptr<TGraphic> GraphicForExtension(const AnsiString& FileName) {
    AnsiString Ext = LowerCase(ExtractFileExt(FileName));
    if (Ext == ".jpg" || Ext == ".jpeg" || Ext == ".jpe") return std::make_unique<TJPEGImage>();
    if (Ext == ".bmp" || Ext == ".png") return std::make_unique<TBitmap>();
    throw EInvalidGraphic(Format("Unknown picture file extension (%s)", {Ext.empty() ? AnsiString() : Ext.substr(1)}));
}
}  // namespace

void TPicture::LoadFromFile(const AnsiString& FileName) {
    auto G = GraphicForExtension(FileName);
    G->LoadFromFile(FileName);   // the old picture stays when this fails
    Take(std::move(G));
}

void TPicture::SaveToFile(const AnsiString& FileName) {
    if (FGraphic) FGraphic->SaveToFile(FileName);
}

// ---------------------------------------------------------------------------
TCanvas::TCanvas()
    : FFont(std::make_unique<TFont>()), FPen(std::make_unique<TPen>()), FBrush(std::make_unique<TBrush>()) {
    EnsureQtApp();   // text measuring needs the font database
}
TCanvas::~TCanvas() = default;

// Keyed on the properties themselves, so any change, an Assign or a new font
// object of other looks is caught; a colour or angle change keeps the build.
struct TCanvas::TBuiltFont {
    AnsiString Name;
    Integer Height = 0;
    TFontStyles Style;
    QFont Font;
    QFontMetrics Metrics{QFont()};
    int Overhang = 0;   // AccentOverhang of Metrics
};

const TCanvas::TBuiltFont& TCanvas::BuiltFont() const {
    const TFont* F = FFont.get();
    auto Matches = [F](const TBuiltFont& B) {
        return B.Name == F->Name() && B.Height == F->Height() && B.Style == F->Style();
    };
    if (FBuiltFonts.empty()) {
        FBuiltFonts.push_back(std::make_unique<TBuiltFont>());
    } else if (Matches(*FBuiltFonts[0])) {
        return *FBuiltFonts[0];
    } else if (FBuiltFonts.size() > 1 && Matches(*FBuiltFonts[1])) {
        // Plain and bold text alternate in one cell: swap, don't rebuild.
        std::swap(FBuiltFonts[0], FBuiltFonts[1]);
        return *FBuiltFonts[0];
    } else if (FBuiltFonts.size() < 2) {
        FBuiltFonts.insert(FBuiltFonts.begin(), std::make_unique<TBuiltFont>());
    } else {
        std::swap(FBuiltFonts[0], FBuiltFonts[1]);   // the older one is rebuilt in front
    }
    // Rebuilt in its own heap object: a reference taken earlier stays valid.
    TBuiltFont& B = *FBuiltFonts[0];
    B.Name = F->Name();
    B.Height = F->Height();
    B.Style = F->Style();
    B.Font = ToQFont(F);
    B.Metrics = QFontMetrics(B.Font);
    B.Overhang = AccentOverhang(B.Metrics);
    return B;
}

void TCanvas::BindPainter(QPainter* Painter, TRect Bounds) {
    FPainter = Painter;
    FImageOwner = nullptr;
    FBounds = Bounds;
    FHasClip = false;
}

void TCanvas::BindImage(TGraphic* Owner) {
    FPainter = nullptr;
    FImageOwner = Owner;
    FHasClip = false;
}

void TCanvas::Unbind() {
    FPainter = nullptr;
    FImageOwner = nullptr;
    FHasClip = false;
}

bool TCanvas::HandleAllocated() const { return FPainter != nullptr || FImageOwner != nullptr; }

namespace {

QPen MakePen(const TPen* P) {
    if (P->Style() == psClear) return QPen(Qt::NoPen);
    QPen Q(ToQColor(P->Color()));
    Q.setWidth(std::max(1, P->Width()));
    switch (P->Style()) {
        case psDash: Q.setStyle(Qt::DashLine); break;
        case psDot: Q.setStyle(Qt::DotLine); break;
        case psDashDot: Q.setStyle(Qt::DashDotLine); break;
        case psDashDotDot: Q.setStyle(Qt::DashDotDotLine); break;
        default: Q.setStyle(Qt::SolidLine); break;
    }
    return Q;
}

QBrush MakeBrush(const TBrush* B) {
    if (B->Style() == bsClear) return QBrush(Qt::NoBrush);
    Qt::BrushStyle S = Qt::SolidPattern;
    switch (B->Style()) {
        case bsHorizontal: S = Qt::HorPattern; break;
        case bsVertical: S = Qt::VerPattern; break;
        case bsFDiagonal: S = Qt::FDiagPattern; break;
        case bsBDiagonal: S = Qt::BDiagPattern; break;
        case bsCross: S = Qt::CrossPattern; break;
        case bsDiagCross: S = Qt::DiagCrossPattern; break;
        default: break;
    }
    return QBrush(ToQColor(B->Color()), S);
}

QImage DrawableImage(TGraphic* G) {
    const QImage& I = G->Image();
    auto* B = dynamic_cast<TBitmap*>(G);
    if (!B || !G->Transparent()) return I;
    QImage A = I.convertToFormat(QImage::Format_ARGB32);
    QRgb Key = I.pixel(0, I.height() - 1) & 0xFFFFFF;
    for (int Y = 0; Y < A.height(); ++Y) {
        auto* Line = reinterpret_cast<QRgb*>(A.scanLine(Y));
        for (int X = 0; X < A.width(); ++X)
            if ((Line[X] & 0xFFFFFF) == Key) Line[X] = 0;
    }
    return A;
}

int QtTextFlags(Cardinal Format) {
    int F = 0;
    if (Format & DT_CENTER) F |= Qt::AlignHCenter;
    else if (Format & DT_RIGHT) F |= Qt::AlignRight;
    else F |= Qt::AlignLeft;
    // Left and right stay left and right in right-to-left reading too.
    F |= Qt::AlignAbsolute;
    // Vertical placement other than the top is for single lines only.
    if ((Format & DT_SINGLELINE) && (Format & DT_VCENTER)) F |= Qt::AlignVCenter;
    else if ((Format & DT_SINGLELINE) && (Format & DT_BOTTOM)) F |= Qt::AlignBottom;
    else F |= Qt::AlignTop;
    if (Format & DT_SINGLELINE) F |= Qt::TextSingleLine;
    else if (Format & DT_WORDBREAK) F |= Qt::TextWordWrap;
    if (Format & (DT_EXPANDTABS | DT_TABSTOP)) F |= Qt::TextExpandTabs;
    if (!(Format & DT_NOPREFIX)) F |= Qt::TextShowMnemonic;
    if (Format & DT_NOCLIP) F |= Qt::TextDontClip;
    return F;
}

}  // namespace

template <typename F>
void TCanvas::Paint(F&& Fn) {
    auto Apply = [this](QPainter& P) {
        P.setRenderHint(QPainter::Antialiasing, false);
        P.setPen(MakePen(FPen.get()));
        P.setBrush(MakeBrush(FBrush.get()));
        P.setFont(BuiltFont().Font);
        if (FHasClip) P.setClipRect(ToQRect(FClip), Qt::IntersectClip);
    };
    if (FPainter) {
        FPainter->save();
        Apply(*FPainter);
        Fn(*FPainter);
        FPainter->restore();
    } else if (FImageOwner && !FImageOwner->FImage->isNull()) {
        QPainter P(FImageOwner->FImage.get());
        Apply(P);
        Fn(P);
    }
}

void TCanvas::PaintWith(const std::function<void(QPainter&)>& Fn) { Paint(Fn); }

void TCanvas::MoveTo(Integer X, Integer Y) { FPenPos = Point(X, Y); }

void TCanvas::LineTo(Integer X, Integer Y) {
    TPoint From = FPenPos;
    Paint([&](QPainter& P) {
        // The end point belongs to the next segment, not to this one.
        int EX = X, EY = Y;
        if (From.Y == Y && From.X != X) EX += X > From.X ? -1 : 1;
        else if (From.X == X && From.Y != Y) EY += Y > From.Y ? -1 : 1;
        if (From.X == EX && From.Y == EY && (From.X != X || From.Y != Y)) P.drawPoint(From.X, From.Y);
        else if (From.X != X || From.Y != Y) P.drawLine(From.X, From.Y, EX, EY);
    });
    FPenPos = Point(X, Y);
}

void TCanvas::FillRect(const TRect& R) {
    if (FBrush->Style() == bsClear || R.IsEmpty()) return;
    Paint([&](QPainter& P) { P.fillRect(ToQRect(R), MakeBrush(FBrush.get())); });
}

void TCanvas::FrameRect(const TRect& R) {
    if (R.IsEmpty()) return;
    Paint([&](QPainter& P) {
        QColor C = ToQColor(FBrush->Color());
        P.fillRect(R.Left, R.Top, R.Width(), 1, C);
        P.fillRect(R.Left, R.Bottom - 1, R.Width(), 1, C);
        P.fillRect(R.Left, R.Top, 1, R.Height(), C);
        P.fillRect(R.Right - 1, R.Top, 1, R.Height(), C);
    });
}

void TCanvas::Rectangle(Integer X1, Integer Y1, Integer X2, Integer Y2) {
    if (X2 <= X1 || Y2 <= Y1) return;
    Paint([&](QPainter& P) {
        if (FBrush->Style() != bsClear) P.fillRect(X1, Y1, X2 - X1, Y2 - Y1, MakeBrush(FBrush.get()));
        if (FPen->Style() != psClear) {
            P.setBrush(Qt::NoBrush);
            P.drawRect(X1, Y1, X2 - X1 - 1, Y2 - Y1 - 1);
        }
    });
}

void TCanvas::Ellipse(Integer X1, Integer Y1, Integer X2, Integer Y2) {
    if (X2 <= X1 || Y2 <= Y1) return;
    Paint([&](QPainter& P) { P.drawEllipse(X1, Y1, X2 - X1 - 1, Y2 - Y1 - 1); });
}

void TCanvas::Polygon(const std::vector<TPoint>& Points) {
    if (Points.empty()) return;
    QPolygon Poly;
    for (const TPoint& Pt : Points) Poly << QPoint(Pt.X, Pt.Y);
    Paint([&](QPainter& P) { P.drawPolygon(Poly); });
}

void TCanvas::Polyline(const std::vector<TPoint>& Points) {
    if (Points.empty()) return;
    QPolygon Poly;
    for (const TPoint& Pt : Points) Poly << QPoint(Pt.X, Pt.Y);
    Paint([&](QPainter& P) { P.drawPolyline(Poly); });
    FPenPos = Points.back();
}

namespace {
QString WideQ(const WideString& S) { return QString::fromUtf16(S.data(), static_cast<qsizetype>(S.size())); }
}  // namespace

void TCanvas::TextOut(Integer X, Integer Y, const AnsiString& Text) { TextOutQ(X, Y, ToQ(Text)); }
void TCanvas::TextOutW(Integer X, Integer Y, const WideString& Text) { TextOutQ(X, Y, WideQ(Text)); }

void TCanvas::TextOutQ(Integer X, Integer Y, const QString& T) {
    const QFontMetrics& FM = BuiltFont().Metrics;
    const double Angle = FFont->Orientation() / 10.0;
    Paint([&](QPainter& P) {
        P.translate(X, Y);
        if (Angle != 0) P.rotate(-Angle);
        if (FBrush->Style() != bsClear)
            P.fillRect(0, 0, FM.horizontalAdvance(T), FM.height(), ToQColor(FBrush->Color()));
        P.setPen(ToQColor(FFont->Color()));
        P.drawText(0, FM.ascent(), T);
    });
    const double Rad = Angle * 3.14159265358979323846 / 180.0;
    FPenPos = Point(X + Integer(std::lround(FM.horizontalAdvance(T) * std::cos(Rad))),
                    Y - Integer(std::lround(FM.horizontalAdvance(T) * std::sin(Rad))));
}

void TCanvas::TextRect(const TRect& R, Integer X, Integer Y, const AnsiString& Text) { TextRectQ(R, X, Y, ToQ(Text)); }
void TCanvas::TextRectW(const TRect& R, Integer X, Integer Y, const WideString& Text) { TextRectQ(R, X, Y, WideQ(Text)); }

void TCanvas::TextRectQ(const TRect& R, Integer X, Integer Y, const QString& T) {
    const QFontMetrics& FM = BuiltFont().Metrics;
    Paint([&](QPainter& P) {
        P.setClipRect(ToQRect(R), Qt::IntersectClip);
        if (FBrush->Style() != bsClear) P.fillRect(ToQRect(R), ToQColor(FBrush->Color()));
        P.setPen(ToQColor(FFont->Color()));
        P.drawText(X, Y + FM.ascent(), T);
    });
}

Integer TCanvas::TextWidth(const AnsiString& Text) const { return TextExtent(Text).cx; }
Integer TCanvas::TextHeight(const AnsiString& Text) const { return TextExtent(Text).cy; }

TSize TCanvas::TextExtent(const AnsiString& Text) const { return TextExtentQ(ToQ(Text)); }
TSize TCanvas::TextExtentW(const WideString& Text) const { return TextExtentQ(WideQ(Text)); }

TSize TCanvas::TextExtentQ(const QString& Text) const {
    const QFontMetrics& FM = BuiltFont().Metrics;
    return TSize{FM.horizontalAdvance(Text), FM.height()};
}

void TCanvas::Draw(Integer X, Integer Y, TGraphic* Graphic) {
    if (!Graphic || Graphic->Empty()) return;
    QImage I = DrawableImage(Graphic);
    Paint([&](QPainter& P) { P.drawImage(QPoint(X, Y), I); });
}

void TCanvas::StretchDraw(const TRect& R, TGraphic* Graphic) {
    if (!Graphic || Graphic->Empty() || R.IsEmpty()) return;
    QImage I = DrawableImage(Graphic);
    Paint([&](QPainter& P) {
        P.setRenderHint(QPainter::SmoothPixmapTransform, true);
        P.drawImage(ToQRect(R), I);
    });
}

void TCanvas::DrawFocusRect(const TRect& R) {
    if (R.IsEmpty()) return;
    Paint([&](QPainter& P) {
        // Drawn by inverting, so a second call takes it away again.
        P.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        QPen Dot(Qt::white);
        Dot.setStyle(Qt::DotLine);
        P.setPen(Dot);
        P.setBrush(Qt::NoBrush);
        P.drawRect(R.Left, R.Top, R.Width() - 1, R.Height() - 1);
    });
}

TColor TCanvas::Pixels(Integer X, Integer Y) const {
    if (!FImageOwner) return -1;
    const QImage& I = *FImageOwner->FImage;
    if (I.isNull() || X < 0 || Y < 0 || X >= I.width() || Y >= I.height()) return -1;
    return FromQColor(QColor(I.pixel(X, Y)));
}

void TCanvas::SetPixels(Integer X, Integer Y, TColor Value) {
    if (!FImageOwner) return;
    QImage& I = *FImageOwner->FImage;
    if (I.isNull() || X < 0 || Y < 0 || X >= I.width() || Y >= I.height()) return;
    I.setPixel(X, Y, ToQColor(Value).rgb());
}

TRect TCanvas::ClipRect() const {
    if (FHasClip) return FClip;
    if (FImageOwner) return Rect(0, 0, FImageOwner->Width(), FImageOwner->Height());
    return FBounds;
}

void TCanvas::SetClipRect(const TRect& R) {
    FClip = R;
    FHasClip = true;
}

void TCanvas::ResetClip() { FHasClip = false; }

Integer TCanvas::DrawText(const AnsiString& Text, TRect& R, Cardinal Format) { return DrawTextQ(ToQ(Text), R, Format); }
Integer TCanvas::DrawTextW(const WideString& Text, TRect& R, Cardinal Format) { return DrawTextQ(WideQ(Text), R, Format); }

Integer TCanvas::DrawTextQ(QString T, TRect& R, Cardinal Format) {
    const QFontMetrics& FM = BuiltFont().Metrics;
    int Flags = QtTextFlags(Format);
    if (Format & DT_SINGLELINE) T.replace(QLatin1Char('\n'), QLatin1Char(' ')).remove(QLatin1Char('\r'));
    else T.remove(QLatin1Char('\r'));
    if (Format & DT_CALCRECT) {
        int W = (Format & DT_WORDBREAK) ? std::max(1, R.Width()) : 1 << 20;
        QRect B = FM.boundingRect(QRect(R.Left, R.Top, W, 1 << 20), Flags & ~(Qt::AlignHCenter | Qt::AlignRight | Qt::AlignVCenter | Qt::AlignBottom), T);
        // One line is as high as the font says, whatever the layout rounds to.
        const int H = (Format & DT_SINGLELINE) ? FM.height() : B.height();
        R.Right = R.Left + B.width();
        R.Bottom = R.Top + H;
        return H;
    }
    if ((Format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS | DT_PATH_ELLIPSIS)) && (Format & DT_SINGLELINE || !(Format & DT_WORDBREAK)))
        T = FM.elidedText(T, (Format & DT_PATH_ELLIPSIS) ? Qt::ElideMiddle : Qt::ElideRight, R.Width(), Flags & Qt::TextShowMnemonic);
    QRect Bound;
    const int Over = BuiltFont().Overhang;
    Paint([&](QPainter& P) {
        P.setPen(ToQColor(FFont->Color()));
        if (Format & DT_RTLREADING) P.setLayoutDirection(Qt::RightToLeft);
        // Clipped to the rectangle as the system does, but the dots and accents of
        // capitals that rise above the face's ascent (İ, Ö, Ü) are not cut off.
        if (!(Flags & Qt::TextDontClip)) P.setClipRect(ToQRect(R).adjusted(0, -Over, 0, Over), Qt::IntersectClip);
        P.drawText(ToQRect(R), Flags | Qt::TextDontClip, T, &Bound);
    });
    if (Bound.isNull()) Bound = FM.boundingRect(ToQRect(R), Flags, T);
    // Centred or bottom lines report where their text ends, measured from the top.
    if (Flags & (Qt::AlignVCenter | Qt::AlignBottom)) return Bound.top() + Bound.height() - R.Top;
    return (Format & DT_SINGLELINE) ? FM.height() : Bound.height();
}

Integer DrawText(TCanvas* Canvas, const AnsiString& Text, TRect& R, Cardinal Format) {
    return Canvas ? Canvas->DrawText(Text, R, Format) : 0;
}
