#pragma once
// Natural-gas subscriber transfer-file screen.
#include "transfer/ZemtarIdentityScreen.h"

class Tdzemtarabonekimlikf : public TZemtarIdentityScreen {
public:
    explicit Tdzemtarabonekimlikf(TComponent* AOwner);

    TGroupBox* GroupBox1 = nullptr;
    TButton* Button1 = nullptr;   // list all
    TButton* Button4 = nullptr;   // write all
    TButton* Button2 = nullptr;   // list the period
    TButton* Button3 = nullptr;   // write the period file

    void Button1Click(TObject* Sender);
    void Button4Click(TObject* Sender);
    void Button2Click(TObject* Sender);
    void Button3Click(TObject* Sender);
    void VERGINOMKeyPress(TObject* Sender, char& Key);
};

extern Tdzemtarabonekimlikf* dzemtarabonekimlikf;
