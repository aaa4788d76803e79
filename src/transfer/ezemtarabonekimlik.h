#pragma once
// Electricity subscriber transfer-file screen.
#include "transfer/ZemtarIdentityScreen.h"

class Tezemtarabonekimlikf : public TZemtarIdentityScreen {
public:
    explicit Tezemtarabonekimlikf(TComponent* AOwner);

    TGroupBox* GroupBox3 = nullptr;
    TButton* Button5 = nullptr;   // list all (in the hidden group)
    TButton* Button6 = nullptr;   // write all (in the hidden group)
    TButton* Button7 = nullptr;   // list the period
    TButton* Button8 = nullptr;   // write the period file
    TButton* Button2 = nullptr;   // list closed or changed
    TButton* Button3 = nullptr;   // write closed or changed

    void Button5Click(TObject* Sender);
    void Button6Click(TObject* Sender);
    void Button7Click(TObject* Sender);
    void Button8Click(TObject* Sender);
    void Button2Click(TObject* Sender);
    void Button3Click(TObject* Sender);
};

extern Tezemtarabonekimlikf* ezemtarabonekimlikf;
