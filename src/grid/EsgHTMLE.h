#pragma once
// Mini-HTML text of cells, hints and captions: layout, drawing, measuring and
// hit-testing in one routine, the small text routines beside it, and the
// routines that read and rewrite the form controls (<CONTROL ...>) of such a text.
#include "platform/ui/Graphics.h"

class THTMLPictureCache;
class TPictureContainer;

// What the layout needs of an image list ("IDX:n" pictures).
class THTMLImageList : public TObject {
public:
    virtual Integer Count() const = 0;
    virtual Integer Width() const = 0;
    virtual Integer Height() const = 0;
    virtual void Draw(TCanvas* Canvas, Integer X, Integer Y, Integer Index) = 0;
};

// Form controls are drawn with visual styles only when this is true and styles
// are active. This platform has no visual styles: false, classic look.
extern bool IsWinXPOrLater;

// Lays Text out in Rect of Canvas, draws it (unless HitTestOnly or MeasureOnly),
// measures it and hit-tests the point (PointX, PointY). Returns true when the
// point lies on an anchor or a form control (never with MeasureOnly). The
// canvas font and brush are restored before return. Malformed markup never raises.
bool HTMLDrawEx(TCanvas* Canvas, const AnsiString& Text, const TRect& Rect, THTMLImageList* Images,
                Integer PointX, Integer PointY, Integer FocusAnchorIndex, Integer HoverAnchorIndex,
                Integer ShadowShift, bool HitTestOnly, bool MeasureOnly, bool ForPrinter, bool Selected,
                bool BlinkVisible, bool HoverOnlyStyle, bool WrapWords, bool MouseDown, Double PrintScale,
                TColor AnchorColor, TColor HoverBrushColor, TColor HoverTextColor, TColor ShadowColor,
                AnsiString& HitAnchor, AnsiString& PlainText, AnsiString& FocusedHref, AnsiString& HitTitle,
                Integer& ExtentX, Integer& ExtentY, Integer& AnchorCount, Integer& HitAnchorIndex,
                TRect& HitAnchorRect, TRect& HitControlRect, AnsiString& HitControlID,
                AnsiString& HitControlValue, AnsiString& HitControlType, THTMLPictureCache* PictureCache,
                TPictureContainer* PictureContainer, void* OwnerWindow);

// "clred", "clwindow", ... (lower case); unknown names give 0 (black).
TColor Text2Color(const AnsiString& S);
// "#RRGGBB" (upper-case hexadecimal digits) to $BBGGRR.
TColor HexToColor(const AnsiString& S);
// The text without tags, entities decoded; <BR> and <HR> become CR LF. A "<" without
// a later ">" stays as it is.
AnsiString HTMLStrip(const AnsiString& S);
// Entities (&amp; &lt; &gt; &quot; &nbsp; &euro; ...) replaced by their characters in
// one pass: what a replacement yields is never read again, so "&amp;lt;" gives "&lt;".
AnsiString HTMLDecode(const AnsiString& S);
// The text with "&", double quote, "<" and ">" written as entities: shown as it is.
AnsiString HTMLEncode(const AnsiString& S);
// Wraps each occurrence of Search (in the text outside tags) in <Tag> and </Tag>.
AnsiString HiLight(const AnsiString& S, const AnsiString& Search, const AnsiString& Tag, bool CaseSensitive);
// Removes every <Tag> and </Tag>, any case.
AnsiString UnHiLight(const AnsiString& S, const AnsiString& Tag);

// Rotated text: the canvas font is drawn at Angle degrees (counter-clockwise) until the second call.
void SetRotatedFont(TCanvas* Canvas, Integer Angle);
void ResetRotatedFont(TCanvas* Canvas);

// --- Form controls in mini-HTML text ---------------------------------------
// Reads TYPE (upper-cased), ID, PROP, WIDTH and VALUE of a <CONTROL ...> tag,
// entities decoded; a missing attribute gives an empty text.
void ParseControlTag(const AnsiString& Tag, AnsiString& CType, AnsiString& CID, AnsiString& CProp,
                     AnsiString& CWidth, AnsiString& CValue);
bool IsControlText(const AnsiString& S);
// The first editable control (not BUTTON, CHECK or RADIO) after the control named
// ID, or the first of the text when ID is empty; empty when there is none.
AnsiString NextEditControlID(const AnsiString& S, const AnsiString& ID);
AnsiString GetControlProp(const AnsiString& S, const AnsiString& ID);
// Rewrites the tag of the control named ID with Value; false when there is none.
bool SetControlValue(AnsiString& S, const AnsiString& ID, const AnsiString& Value);
AnsiString PasswordText(const AnsiString& S);
