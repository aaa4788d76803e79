#include "transfer/dzemtarabonekimlik.h"

#include "platform/ui/StdCtrls.h"
#include "transfer/ZemtarScreen.h"

Tdzemtarabonekimlikf* dzemtarabonekimlikf = nullptr;

Tdzemtarabonekimlikf::Tdzemtarabonekimlikf(TComponent* AOwner)
    : TZemtarIdentityScreen(AOwner, IdentityScreenNaturalGas) {
    GroupBox1 = PeriodGroup;
    Button1 = AllListButton;
    Button4 = AllWriteButton;
    Button2 = PeriodListButton;
    Button3 = PeriodWriteButton;
    Button1->OnClick = [this](TObject* Sender) { Button1Click(Sender); };
    Button4->OnClick = [this](TObject* Sender) { Button4Click(Sender); };
    Button2->OnClick = [this](TObject* Sender) { Button2Click(Sender); };
    Button3->OnClick = [this](TObject* Sender) { Button3Click(Sender); };
    VERGINOM->OnKeyPress = [this](TObject* Sender, char& Key) { VERGINOMKeyPress(Sender, Key); };
}

void Tdzemtarabonekimlikf::Button1Click(TObject*) { ListAll(); }
void Tdzemtarabonekimlikf::Button4Click(TObject*) { WriteAll(); }
void Tdzemtarabonekimlikf::Button2Click(TObject*) { ListPeriod(); }
void Tdzemtarabonekimlikf::Button3Click(TObject*) { WritePeriod(); }
void Tdzemtarabonekimlikf::VERGINOMKeyPress(TObject*, char& Key) { ZemtarDigitFilter(Key); }
