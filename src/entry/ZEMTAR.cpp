#include "entry/ZEMTAR.h"

#include <algorithm>

#include "entry/Startup.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Jpeg.h"
#include "platform/ui/Menus.h"
#include "platform/ui/ShellAPI.h"
#include "platform/ui/StdCtrls.h"

TZEMTARF* ZEMTARF = nullptr;

const char* const LinkSupplier = "http://www.example.com/osbzemtar";
const char* const LinkMinistry = "https://www.sanayi.gov.tr/mevzuat";
const char* const LinkBotas = "https://www.botas.gov.tr";
const char* const LinkRegulator = "https://www.epdk.gov.tr";
const char* const LinkZoneInfo = "https://www.osbuk.org.tr/osbbs";
const char* const LinkRevenueZemtar = "https://www.gib.gov.tr/zemtar";
const char* const LinkUmbrella = "https://www.osbuk.org.tr";

namespace {

// The supplier's details shown on the window.
const char* const SupplierContact = "Yazılım Destek: destek@example.com";
const char* const VersionTag = "Sürüm 1.0";

TImage* MakeImage(TZEMTARF* Form, const char* Name, Integer Left, Integer Top, Integer Width, Integer Height,
                  const AnsiString& Hint) {
    auto* I = new TImage(Form);
    I->SetName(Name);
    I->SetParent(Form);
    I->SetBounds(Left, Top, Width, Height);
    I->SetCursor(crHandPoint);
    I->SetHint(Hint);
    I->SetShowHint(true);
    I->SetStretch(true);
    I->SetTransparent(true);
    return I;
}

// The original artwork is not part of the program: each picture gets a JPEG of
// its own size with its colour and a short caption.
void PaintPicture(TImage* Image, TColor Background, TColor Ink, const AnsiString& Text) {
    TBitmap Bmp;
    Bmp.SetSize(Image->Width(), Image->Height());
    TCanvas* C = Bmp.Canvas();
    C->Brush()->SetColor(Background);
    C->FillRect(Rect(0, 0, Image->Width(), Image->Height()));
    C->Font()->SetName("Arial");
    C->Font()->SetHeight(-14);
    C->Font()->SetStyle({fsBold});
    C->Font()->SetColor(Ink);
    C->Brush()->SetStyle(bsClear);
    const Cardinal Flags = DT_CENTER | DT_WORDBREAK | DT_NOPREFIX;
    TRect Measure = Rect(2, 2, Image->Width() - 2, Image->Height() - 2);
    C->DrawText(Text, Measure, Flags | DT_CALCRECT);
    const Integer Top = std::max(2, (Image->Height() - Measure.Height()) / 2);
    TRect R = Rect(2, Top, Image->Width() - 2, Image->Height() - 2);
    C->DrawText(Text, R, Flags);
    TJPEGImage Jpeg;
    Jpeg.Assign(&Bmp);
    Image->Picture()->SetGraphic(&Jpeg);
}

TMenuItem* MakeItem(TComponent* Owner, TMenuItem* Parent, const char* Name, const AnsiString& Caption,
                    TNotifyEvent OnClick) {
    auto* M = new TMenuItem(Owner);
    M->SetName(Name);
    M->SetCaption(Caption);
    M->OnClick = std::move(OnClick);
    Parent->Add(M);
    return M;
}

void OpenPage(TZEMTARF* Form, const char* Address) {
    ShellExecute(Form->Widget(), "open", Address, "", "", 0);
}

void ShowNewScreen(TProgramObject Kind) {
    if (auto* F = dynamic_cast<TCustomForm*>(CreateProgramObject(Kind))) F->ShowModal();
}

}  // namespace

TZEMTARF::TZEMTARF(TComponent* AOwner) : TForm(AOwner) {
    SetName("ZEMTARF");
    SetBounds(-8, 0, 1382, 744);
    SetColor(15004120);
    SetHint("OSB Bilgi Sitesi");
    Font()->SetName("MS Sans Serif");
    Font()->SetHeight(-11);
    SetCaption("ORGANİZE SANAYİ BÖLGELERİ ELEKTRİK-DOĞALGAZ ABONE VE TÜKETİM BİLGİLERİ ZEMTAR SİSTEMİ YAZILIMI");

    Image1 = MakeImage(this, "Image1", 324, 0, 92, 113, SupplierContact);
    Image1->SetCenter(true);
    Image1->SetProportional(true);
    Image2 = MakeImage(this, "Image2", 6, 126, 93, 111, "Bilim, Sanayi ve Teknoloji Bakanlığı Sitesi");
    ENVERPORTAL = MakeImage(this, "ENVERPORTAL", 100, 125, 96, 113,
                            "ENERJİ VERİMLİLİĞİ BİLDİRİMİ İÇİN  ENVER PORTALINA BAĞLANMAK İÇİN TIKALYINIZ.");
    c = MakeImage(this, "c", 196, 126, 93, 111, "BOTAŞ Genel Müdürlüğü Sitesi");
    Image3 = MakeImage(this, "Image3", 290, 126, 93, 111, "TEDAŞ Genel Müdürlüğü Sitesi");
    Image4 = MakeImage(this, "Image4", 383, 126, 93, 111, "OSB Bilgi Sitesi");
    Image5 = MakeImage(this, "Image5", 413, 2, 322, 111, "Gelir İdaresi Başkanlığı ZEMTAR Sistemi");
    Image6 = MakeImage(this, "Image6", 7, 0, 322, 108, "OSB ÜST KURULUŞU");

    PaintPicture(Image1, 0x00804000, clWhite, "DESTEK");
    PaintPicture(Image2, 0x00202080, clWhite, "BİLİM SANAYİ TEKNOLOJİ");
    PaintPicture(ENVERPORTAL, 0x00208020, clWhite, "ENVER PORTAL");
    PaintPicture(c, 0x00A05000, clWhite, "BOTAŞ");
    PaintPicture(Image3, 0x000060C0, clWhite, "TEDAŞ");
    PaintPicture(Image4, 0x00606000, clWhite, "OSB BİLGİ");
    PaintPicture(Image5, 0x00303030, clWhite, "GELİR İDARESİ BAŞKANLIĞI ZEMTAR");
    PaintPicture(Image6, 0x00500000, clWhite, "ORGANİZE SANAYİ BÖLGELERİ ÜST KURULUŞU");

    Image1->OnClick = [this](TObject* S) { Image1Click(S); };
    Image2->OnClick = [this](TObject* S) { Image2Click(S); };
    c->OnClick = [this](TObject* S) { cClick(S); };
    Image3->OnClick = [this](TObject* S) { Image3Click(S); };
    Image4->OnClick = [this](TObject* S) { Image4Click(S); };
    Image5->OnClick = [this](TObject* S) { Image5Click(S); };
    Image6->OnClick = [this](TObject* S) { Image6Click(S); };

    Label7 = new TLabel(this);
    Label7->SetName("Label7");
    Label7->SetParent(this);
    Label7->SetLeft(8);
    Label7->SetTop(112);
    Label7->Font()->SetName("Times New Roman");
    Label7->Font()->SetHeight(-16);
    Label7->Font()->SetStyle({fsBold});
    Label7->SetCaption("En ucuz enerji Tasarruf Edilen Enerjidir.");
    Label7->SetTransparent(true);   // its box reaches over the tops of the pictures under it

    Memo1 = new TMemo(this);
    Memo1->SetName("Memo1");
    Memo1->SetParent(this);
    Memo1->SetBounds(480, 120, 201, 129);
    Memo1->SetEnabled(false);
    Memo1->Lines()->Add("ORGANİZE SANAYİ BÖLGELERİ ÜST KURULUŞU");
    Memo1->Lines()->Add("Adres: Ankara / TÜRKİYE");
    Memo1->Lines()->Add("Tel  : -");
    Memo1->Lines()->Add("Faks : -");
    Memo1->Lines()->Add("Web  : www.osbuk.org.tr");

    SBar = new TStatusBar(this);
    SBar->SetName("SBar");
    SBar->SetParent(this);
    SBar->SetBounds(0, 660, 1366, 25);
    SBar->Font()->SetName("Arial");
    SBar->Font()->SetHeight(-13);
    TStatusPanel* P = SBar->Panels()->Add();
    P->SetAlignment(taCenter);
    P->SetWidth(300);
    P->SetText("Organize Sanayi Bölgeleri ZEMTAR Sistemi");
    P = SBar->Panels()->Add();
    P->SetAlignment(taCenter);
    P->SetBiDiMode(bdRightToLeft);
    P->SetWidth(500);
    P->SetText(AnsiString(SupplierContact) + "  " + VersionTag);
    for (int I = 0; I < 4; ++I) SBar->Panels()->Add()->SetWidth(50);

    MainMenu1 = new TMainMenu(this);
    MainMenu1->SetName("MainMenu1");
    TMenuItem* Root = MainMenu1->Items();
    const AnsiString Pad(21, ' ');
    auto On = [this](void (TZEMTARF::*Handler)(TObject*)) {
        return [this, Handler](TObject* S) { (this->*Handler)(S); };
    };
    ELEKTRK1 = MakeItem(this, Root, "ELEKTRK1", "ELEKTRİK" + Pad, nullptr);
    ABONEKMLKBLGLERTANIMLAMA1 = MakeItem(this, ELEKTRK1, "ABONEKMLKBLGLERTANIMLAMA1",
                                         "ABONE KİMLİK BİLGİLERİ TANIMLAMA",
                                         On(&TZEMTARF::ABONEKMLKBLGLERTANIMLAMA1Click));
    ABONEKMLKBLGLERZEMTARDOSYASIOLUTURMA1 = MakeItem(this, ELEKTRK1, "ABONEKMLKBLGLERZEMTARDOSYASIOLUTURMA1",
                                                     "ABONE KİMLİK BİLGİLERİ ZEMTAR DOSYASI OLUŞTURMA",
                                                     On(&TZEMTARF::ABONEKMLKBLGLERZEMTARDOSYASIOLUTURMA1Click));
    KETMVEFATURABLGSGR1 = MakeItem(this, ELEKTRK1, "KETMVEFATURABLGSGR1", "TÜKETİM VE FATURA BİLGİSİ GİRİŞİ",
                                   On(&TZEMTARF::KETMVEFATURABLGSGR1Click));
    UKETMVEFATURABLGLERZEMTARDOSYASIOLUTURMA1 =
        MakeItem(this, ELEKTRK1, "UKETMVEFATURABLGLERZEMTARDOSYASIOLUTURMA1",
                 "TUKETİM VE FATURA BİLGİLERİ ZEMTAR DOSYASI OLUŞTURMA",
                 On(&TZEMTARF::UKETMVEFATURABLGLERZEMTARDOSYASIOLUTURMA1Click));
    DOALGAZ1 = MakeItem(this, Root, "DOALGAZ1", "DOĞALGAZ" + Pad, nullptr);
    ABONEKMLKBLGLERTANIMLAMA2 = MakeItem(this, DOALGAZ1, "ABONEKMLKBLGLERTANIMLAMA2",
                                         "ABONE KİMLİK BİLGİLERİ TANIMLAMA",
                                         On(&TZEMTARF::ABONEKMLKBLGLERTANIMLAMA2Click));
    ABONEKMLKBLGLERZEMTARDOSYASIOLUTURMA2 = MakeItem(this, DOALGAZ1, "ABONEKMLKBLGLERZEMTARDOSYASIOLUTURMA2",
                                                     "ABONE KİMLİK BİLGİLERİ ZEMTAR DOSYASI OLUŞTURMA",
                                                     On(&TZEMTARF::ABONEKMLKBLGLERZEMTARDOSYASIOLUTURMA2Click));
    KETMVEFATURABLGSGR2 = MakeItem(this, DOALGAZ1, "KETMVEFATURABLGSGR2", "TÜKETİM VE FATURA BİLGİSİ GİRİŞİ",
                                   On(&TZEMTARF::KETMVEFATURABLGSGR2Click));
    UKETMVEFATURABLGLERZEMTARDOSYASIOLUTURMA2 =
        MakeItem(this, DOALGAZ1, "UKETMVEFATURABLGLERZEMTARDOSYASIOLUTURMA2",
                 "TUKETİM VE FATURA BİLGİLERİ ZEMTAR DOSYASI OLUŞTURMA",
                 On(&TZEMTARF::UKETMVEFATURABLGLERZEMTARDOSYASIOLUTURMA2Click));
    HAKKINDA1 = MakeItem(this, Root, "HAKKINDA1", "HAKKINDA", nullptr);
    SetMenu(MainMenu1);

    OnActivate = [this](TObject* S) { FormActivate(S); };
}

void TZEMTARF::FormActivate(TObject* Sender) {}

void TZEMTARF::ABONEKMLKBLGLERTANIMLAMA1Click(TObject*) { ShowNewScreen(objEABONEKIMLIKF); }
void TZEMTARF::ABONEKMLKBLGLERZEMTARDOSYASIOLUTURMA1Click(TObject*) { ShowNewScreen(objezemtarabonekimlikf); }
void TZEMTARF::KETMVEFATURABLGSGR1Click(TObject*) { ShowNewScreen(objetopfaturagirf); }
void TZEMTARF::UKETMVEFATURABLGLERZEMTARDOSYASIOLUTURMA1Click(TObject*) { ShowNewScreen(objzemtarfaturaf); }
void TZEMTARF::ABONEKMLKBLGLERTANIMLAMA2Click(TObject*) { ShowNewScreen(objdABONEKIMLIKF); }
void TZEMTARF::ABONEKMLKBLGLERZEMTARDOSYASIOLUTURMA2Click(TObject*) { ShowNewScreen(objdzemtarabonekimlikf); }
void TZEMTARF::KETMVEFATURABLGSGR2Click(TObject*) { ShowNewScreen(objdtopfaturagirf); }
void TZEMTARF::UKETMVEFATURABLGLERZEMTARDOSYASIOLUTURMA2Click(TObject*) { ShowNewScreen(objDzemtarfaturaf); }

void TZEMTARF::Image1Click(TObject*) { OpenPage(this, LinkSupplier); }
void TZEMTARF::Image2Click(TObject*) { OpenPage(this, LinkMinistry); }
void TZEMTARF::cClick(TObject*) { OpenPage(this, LinkBotas); }
void TZEMTARF::Image3Click(TObject*) { OpenPage(this, LinkRegulator); }
void TZEMTARF::Image4Click(TObject*) { OpenPage(this, LinkZoneInfo); }
void TZEMTARF::Image5Click(TObject*) { OpenPage(this, LinkRevenueZemtar); }
void TZEMTARF::Image6Click(TObject*) { OpenPage(this, LinkUmbrella); }
