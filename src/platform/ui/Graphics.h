#pragma once
// Colours, fonts, pens, brushes, pictures and the drawing surface.
// Colours are $BBGGRR; values with the top bit set name a system colour.
#include "platform/rtl/Classes.h"
#include "platform/ui/Types.h"

#include <functional>
#include <memory>
#include <vector>

class QImage;
class QPainter;
class QString;

using TColor = Integer;

constexpr TColor RGB(Byte R, Byte G, Byte B) { return TColor(R) | (TColor(G) << 8) | (TColor(B) << 16); }
constexpr Byte GetRValue(TColor C) { return Byte(C & 0xFF); }
constexpr Byte GetGValue(TColor C) { return Byte((C >> 8) & 0xFF); }
constexpr Byte GetBValue(TColor C) { return Byte((C >> 16) & 0xFF); }

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clLtGray = 0xC0C0C0;
constexpr TColor clDkGray = 0x808080;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

constexpr TColor clSystemColor = TColor(0x80000000u);
constexpr TColor clScrollBar = clSystemColor | 0;
constexpr TColor clBackground = clSystemColor | 1;
constexpr TColor clActiveCaption = clSystemColor | 2;
constexpr TColor clInactiveCaption = clSystemColor | 3;
constexpr TColor clMenu = clSystemColor | 4;
constexpr TColor clWindow = clSystemColor | 5;
constexpr TColor clWindowFrame = clSystemColor | 6;
constexpr TColor clMenuText = clSystemColor | 7;
constexpr TColor clWindowText = clSystemColor | 8;
constexpr TColor clCaptionText = clSystemColor | 9;
constexpr TColor clActiveBorder = clSystemColor | 10;
constexpr TColor clInactiveBorder = clSystemColor | 11;
constexpr TColor clAppWorkSpace = clSystemColor | 12;
constexpr TColor clHighlight = clSystemColor | 13;
constexpr TColor clHighlightText = clSystemColor | 14;
constexpr TColor clBtnFace = clSystemColor | 15;
constexpr TColor clBtnShadow = clSystemColor | 16;
constexpr TColor clGrayText = clSystemColor | 17;
constexpr TColor clBtnText = clSystemColor | 18;
constexpr TColor clInactiveCaptionText = clSystemColor | 19;
constexpr TColor clBtnHighlight = clSystemColor | 20;
constexpr TColor cl3DDkShadow = clSystemColor | 21;
constexpr TColor cl3DLight = clSystemColor | 22;
constexpr TColor clInfoText = clSystemColor | 23;
constexpr TColor clInfoBk = clSystemColor | 24;
constexpr TColor clHotLight = clSystemColor | 26;
constexpr TColor clGradientActiveCaption = clSystemColor | 27;
constexpr TColor clGradientInactiveCaption = clSystemColor | 28;
constexpr TColor clMenuHighlight = clSystemColor | 29;
constexpr TColor clMenuBar = clSystemColor | 30;

// The plain $BBGGRR value: system colours resolve through a fixed table
// (so screens look the same on every desktop); others come back unchanged.
TColor ColorToRGB(TColor Color);

// ---------------------------------------------------------------------------
enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;
using TFontCharset = Byte;
constexpr TFontCharset ANSI_CHARSET = 0;
constexpr TFontCharset DEFAULT_CHARSET = 1;
constexpr TFontCharset TURKISH_CHARSET = 162;

// Sizes follow 96 pixels per inch: Height = -Size * 96 / 72.
class TFont : public TPersistent {
public:
    TFont();
    void Assign(TPersistent* Source) override;

    const AnsiString& Name() const { return FName; }
    void SetName(const AnsiString& Value);
    Integer Size() const;
    void SetSize(Integer Value);
    // Negative: the character height in pixels; positive: the cell height.
    Integer Height() const { return FHeight; }
    void SetHeight(Integer Value);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TFontCharset Charset() const { return FCharset; }
    void SetCharset(TFontCharset Value);
    // Text turned counter-clockwise about its start, in tenths of a degree (TextOut only).
    Integer Orientation() const { return FOrientation; }
    void SetOrientation(Integer Value);

    TNotifyEvent OnChange;

private:
    void Changed();
    AnsiString FName = "MS Sans Serif";
    Integer FHeight = -11;
    TFontStyles FStyle;
    TColor FColor = clWindowText;
    TFontCharset FCharset = DEFAULT_CHARSET;
    Integer FOrientation = 0;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };

class TPen : public TPersistent {
public:
    void Assign(TPersistent* Source) override;
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    Integer Width() const { return FWidth; }
    void SetWidth(Integer Value);
    TPenStyle Style() const { return FStyle; }
    void SetStyle(TPenStyle Value);
    TNotifyEvent OnChange;

private:
    void Changed();
    TColor FColor = clBlack;
    Integer FWidth = 1;
    TPenStyle FStyle = psSolid;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

class TBrush : public TPersistent {
public:
    void Assign(TPersistent* Source) override;
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle Value);
    TNotifyEvent OnChange;

private:
    void Changed();
    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
};

// ---------------------------------------------------------------------------
class EInvalidGraphic : public Exception { public: using Exception::Exception; };
class EInvalidGraphicOperation : public Exception { public: using Exception::Exception; };

class TCanvas;

// A picture that can draw itself. Every graphic keeps its pixels in an image.
class TGraphic : public TPersistent {
public:
    virtual bool Empty() const;
    virtual Integer Width() const;
    virtual Integer Height() const;
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    // EFOpenError when the file cannot be read, EInvalidGraphic when its content is not a picture of this kind.
    virtual void LoadFromFile(const AnsiString& FileName);
    virtual void LoadFromStream(TStream* Stream) = 0;
    virtual void SaveToFile(const AnsiString& FileName);
    virtual void SaveToStream(TStream* Stream) = 0;
    // A new graphic of the same kind holding the same picture.
    virtual std::unique_ptr<TGraphic> Copy() const = 0;
    TNotifyEvent OnChange;

    // The pixels (private to the user-interface layer).
    const QImage& Image() const;

    ~TGraphic() override;

protected:
    TGraphic();
    void SetImage(const QImage& Image);
    void Changed();
    std::unique_ptr<QImage> FImage;
    bool FTransparent = false;
    friend class TCanvas;
};

// A device-independent bitmap with its own canvas. Reads BMP and PNG; writes BMP.
class TBitmap : public TGraphic {
public:
    TBitmap();
    ~TBitmap() override;
    void Assign(TPersistent* Source) override;
    void SetSize(Integer AWidth, Integer AHeight);
    void SetWidth(Integer Value) { SetSize(Value, Height()); }
    void SetHeight(Integer Value) { SetSize(Width(), Value); }
    TCanvas* Canvas();
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    std::unique_ptr<TGraphic> Copy() const override;
    // The colour drawn see-through when Transparent: the bottom-left pixel.
    TColor TransparentColor() const;

private:
    std::unique_ptr<TCanvas> FCanvas;
};

// A picture of any kind, chosen by file extension on loading.
class TPicture : public TPersistent {
public:
    TPicture();
    ~TPicture() override;
    void Assign(TPersistent* Source) override;
    TGraphic* Graphic() const { return FGraphic.get(); }
    void SetGraphic(TGraphic* Value);   // copies Value
    // The graphic as a bitmap; a picture of another kind is replaced by an empty bitmap.
    TBitmap* Bitmap();
    Integer Width() const { return FGraphic ? FGraphic->Width() : 0; }
    Integer Height() const { return FGraphic ? FGraphic->Height() : 0; }
    // .jpg/.jpeg: JPEG; .bmp/.png: bitmap; anything else: EInvalidGraphic "Unknown picture file extension (.%s)".
    void LoadFromFile(const AnsiString& FileName);
    void SaveToFile(const AnsiString& FileName);
    TNotifyEvent OnChange;

private:
    void Changed();
    void Take(std::unique_ptr<TGraphic> G);
    std::unique_ptr<TGraphic> FGraphic;
};

// ---------------------------------------------------------------------------
// DrawText flags.
constexpr Cardinal DT_TOP = 0x0;
constexpr Cardinal DT_LEFT = 0x0;
constexpr Cardinal DT_CENTER = 0x1;
constexpr Cardinal DT_RIGHT = 0x2;
constexpr Cardinal DT_VCENTER = 0x4;
constexpr Cardinal DT_BOTTOM = 0x8;
constexpr Cardinal DT_WORDBREAK = 0x10;
constexpr Cardinal DT_SINGLELINE = 0x20;
constexpr Cardinal DT_EXPANDTABS = 0x40;
constexpr Cardinal DT_TABSTOP = 0x80;
constexpr Cardinal DT_NOCLIP = 0x100;
constexpr Cardinal DT_EXTERNALLEADING = 0x200;
constexpr Cardinal DT_CALCRECT = 0x400;
constexpr Cardinal DT_NOPREFIX = 0x800;
constexpr Cardinal DT_INTERNAL = 0x1000;
constexpr Cardinal DT_EDITCONTROL = 0x2000;
constexpr Cardinal DT_PATH_ELLIPSIS = 0x4000;
constexpr Cardinal DT_END_ELLIPSIS = 0x8000;
constexpr Cardinal DT_MODIFYSTRING = 0x10000;
constexpr Cardinal DT_RTLREADING = 0x20000;
constexpr Cardinal DT_WORD_ELLIPSIS = 0x40000;

// A drawing surface: a control while it paints, or a bitmap. Outside a paint
// a control's canvas draws nothing.
class TCanvas : public TPersistent {
public:
    TCanvas();
    ~TCanvas() override;

    TFont* Font() const { return FFont.get(); }
    TPen* Pen() const { return FPen.get(); }
    TBrush* Brush() const { return FBrush.get(); }
    void SetFont(TFont* Value) { FFont->Assign(Value); }
    void SetPen(TPen* Value) { FPen->Assign(Value); }
    void SetBrush(TBrush* Value) { FBrush->Assign(Value); }
    TPoint PenPos() const { return FPenPos; }
    void SetPenPos(TPoint Value) { FPenPos = Value; }
    bool HandleAllocated() const;

    void MoveTo(Integer X, Integer Y);
    void LineTo(Integer X, Integer Y);     // the end point itself is not drawn
    void FillRect(const TRect& R);         // brush only
    void FrameRect(const TRect& R);        // one-pixel frame in the brush colour
    void Rectangle(Integer X1, Integer Y1, Integer X2, Integer Y2);  // pen outline, brush inside
    void Rectangle(const TRect& R) { Rectangle(R.Left, R.Top, R.Right, R.Bottom); }
    void Ellipse(Integer X1, Integer Y1, Integer X2, Integer Y2);
    void Ellipse(const TRect& R) { Ellipse(R.Left, R.Top, R.Right, R.Bottom); }
    void Polygon(const std::vector<TPoint>& Points);
    void Polyline(const std::vector<TPoint>& Points);
    // Text with its top-left corner at X, Y; the background is filled unless the brush is clear.
    void TextOut(Integer X, Integer Y, const AnsiString& Text);
    // As TextOut, clipped to R, whose background is filled first unless the brush is clear.
    void TextRect(const TRect& R, Integer X, Integer Y, const AnsiString& Text);
    Integer TextWidth(const AnsiString& Text) const;
    Integer TextHeight(const AnsiString& Text) const;
    TSize TextExtent(const AnsiString& Text) const;
    // The same for wide text, which may hold characters outside code page 1254.
    void TextOutW(Integer X, Integer Y, const WideString& Text);
    void TextRectW(const TRect& R, Integer X, Integer Y, const WideString& Text);
    Integer TextWidthW(const WideString& Text) const { return TextExtentW(Text).cx; }
    TSize TextExtentW(const WideString& Text) const;
    void Draw(Integer X, Integer Y, TGraphic* Graphic);
    void StretchDraw(const TRect& R, TGraphic* Graphic);
    void DrawFocusRect(const TRect& R);
    TColor Pixels(Integer X, Integer Y) const;       // bitmap canvases; -1 outside the bitmap or elsewhere
    void SetPixels(Integer X, Integer Y, TColor Value);

    // Clipping for the following drawing (in addition to the paint region).
    TRect ClipRect() const;
    void SetClipRect(const TRect& R);
    void ResetClip();

    // Text formatted inside R by the DT_* flags; "&" underlines the next character
    // unless DT_NOPREFIX. DT_VCENTER and DT_BOTTOM act on DT_SINGLELINE text only.
    // DT_CALCRECT measures only: R gets the text's extent. Returns the height of the
    // text; with DT_VCENTER or DT_BOTTOM, the offset from R.Top to its bottom.
    Integer DrawText(const AnsiString& Text, TRect& R, Cardinal Format);
    Integer DrawTextW(const WideString& Text, TRect& R, Cardinal Format);

    // Binding (user-interface layer only): a painter owned elsewhere or a bitmap.
    void BindPainter(QPainter* Painter, TRect Bounds);
    // Draws with the bound painter, set up with the canvas's pen, brush, font and clip.
    void PaintWith(const std::function<void(QPainter&)>& Fn);
    void BindImage(TGraphic* Owner);
    void Unbind();

private:
    template <typename F> void Paint(F&& Fn);
    void TextOutQ(Integer X, Integer Y, const QString& Text);
    void TextRectQ(const TRect& R, Integer X, Integer Y, const QString& Text);
    TSize TextExtentQ(const QString& Text) const;
    Integer DrawTextQ(QString Text, TRect& R, Cardinal Format);
    // The platform font and its metrics for the last two face/height/style keys,
    // most recent first; rebuilt only for a key neither holds.
    struct TBuiltFont;
    const TBuiltFont& BuiltFont() const;
    mutable std::vector<std::unique_ptr<TBuiltFont>> FBuiltFonts;
    QPainter* FPainter = nullptr;
    TGraphic* FImageOwner = nullptr;
    TRect FBounds;
    TRect FClip;
    bool FHasClip = false;
    TPoint FPenPos;
    std::unique_ptr<TFont> FFont;
    std::unique_ptr<TPen> FPen;
    std::unique_ptr<TBrush> FBrush;
};

Integer DrawText(TCanvas* Canvas, const AnsiString& Text, TRect& R, Cardinal Format);
