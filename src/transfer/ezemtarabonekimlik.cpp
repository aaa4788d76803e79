#include "transfer/ezemtarabonekimlik.h"

#include "platform/ui/StdCtrls.h"

Tezemtarabonekimlikf* ezemtarabonekimlikf = nullptr;

Tezemtarabonekimlikf::Tezemtarabonekimlikf(TComponent* AOwner)
    : TZemtarIdentityScreen(AOwner, IdentityScreenElectricity) {
    GroupBox3 = PeriodGroup;
    Button5 = AllListButton;
    Button6 = AllWriteButton;
    Button7 = PeriodListButton;
    Button8 = PeriodWriteButton;
    Button2 = ClosedListButton;
    Button3 = ClosedWriteButton;
    Button5->OnClick = [this](TObject* Sender) { Button5Click(Sender); };
    Button6->OnClick = [this](TObject* Sender) { Button6Click(Sender); };
    Button7->OnClick = [this](TObject* Sender) { Button7Click(Sender); };
    Button8->OnClick = [this](TObject* Sender) { Button8Click(Sender); };
    Button2->OnClick = [this](TObject* Sender) { Button2Click(Sender); };
    Button3->OnClick = [this](TObject* Sender) { Button3Click(Sender); };
    VERGINOM->OnKeyPress = [this](TObject* Sender, char& Key) { dosyanoKeyPress(Sender, Key); };
}

void Tezemtarabonekimlikf::Button5Click(TObject*) { ListAll(); }
void Tezemtarabonekimlikf::Button6Click(TObject*) { WriteAll(); }
void Tezemtarabonekimlikf::Button7Click(TObject*) { ListPeriod(); }
void Tezemtarabonekimlikf::Button8Click(TObject*) { WritePeriod(); }
void Tezemtarabonekimlikf::Button2Click(TObject*) { ListClosedOrChanged(); }
void Tezemtarabonekimlikf::Button3Click(TObject*) { WriteClosedOrChanged(); }
