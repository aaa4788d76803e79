#pragma once
// The main window: the menu that opens every screen, pictures that open the
// web pages of public bodies, a motto and a status bar.
#include "platform/ui/Forms.h"

class TImage;
class TLabel;
class TMemo;
class TStatusBar;
class TMainMenu;
class TMenuItem;

class TZEMTARF : public TForm {
public:
    explicit TZEMTARF(TComponent* AOwner);

    TImage* Image1;
    TImage* Image2;
    TImage* ENVERPORTAL;
    TImage* c;
    TImage* Image3;
    TImage* Image4;
    TImage* Image5;
    TImage* Image6;
    TLabel* Label7;
    TMemo* Memo1;
    TStatusBar* SBar;
    TMainMenu* MainMenu1;
    TMenuItem* ELEKTRK1;
    TMenuItem* ABONEKMLKBLGLERTANIMLAMA1;
    TMenuItem* ABONEKMLKBLGLERZEMTARDOSYASIOLUTURMA1;
    TMenuItem* KETMVEFATURABLGSGR1;
    TMenuItem* UKETMVEFATURABLGLERZEMTARDOSYASIOLUTURMA1;
    TMenuItem* DOALGAZ1;
    TMenuItem* ABONEKMLKBLGLERTANIMLAMA2;
    TMenuItem* ABONEKMLKBLGLERZEMTARDOSYASIOLUTURMA2;
    TMenuItem* KETMVEFATURABLGSGR2;
    TMenuItem* UKETMVEFATURABLGLERZEMTARDOSYASIOLUTURMA2;
    TMenuItem* HAKKINDA1;

    void FormActivate(TObject* Sender);

    // Each makes a fresh instance of its screen and shows it modally.
    void ABONEKMLKBLGLERTANIMLAMA1Click(TObject* Sender);
    void ABONEKMLKBLGLERZEMTARDOSYASIOLUTURMA1Click(TObject* Sender);
    void KETMVEFATURABLGSGR1Click(TObject* Sender);
    void UKETMVEFATURABLGLERZEMTARDOSYASIOLUTURMA1Click(TObject* Sender);
    void ABONEKMLKBLGLERTANIMLAMA2Click(TObject* Sender);
    void ABONEKMLKBLGLERZEMTARDOSYASIOLUTURMA2Click(TObject* Sender);
    void KETMVEFATURABLGSGR2Click(TObject* Sender);
    void UKETMVEFATURABLGLERZEMTARDOSYASIOLUTURMA2Click(TObject* Sender);

    // Each opens its page in the desktop's browser; a failure is ignored.
    void Image1Click(TObject* Sender);
    void Image2Click(TObject* Sender);
    void cClick(TObject* Sender);
    void Image3Click(TObject* Sender);
    void Image4Click(TObject* Sender);
    void Image5Click(TObject* Sender);
    void Image6Click(TObject* Sender);
};

extern TZEMTARF* ZEMTARF;

// The page addresses the pictures open.
extern const char* const LinkSupplier;        // Image1
extern const char* const LinkMinistry;        // Image2
extern const char* const LinkBotas;           // c
extern const char* const LinkRegulator;       // Image3
extern const char* const LinkZoneInfo;        // Image4
extern const char* const LinkRevenueZemtar;   // Image5
extern const char* const LinkUmbrella;        // Image6
