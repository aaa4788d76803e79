#include "transfer/ZemtarScreen.h"

#include "platform/rtl/Classes.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/StdCtrls.h"

const char* const ZemtarDigitsMessage = "Sadece rakam giriniz";
const char* const ZemtarTaxNoLengthMessage = "Vergi Numarası 10 karakterden büyük veya küçük olamaz";

void ZemtarDigitFilter(char& Key) {
    if ((Key >= '0' && Key <= '9') || Key == 8 || Key == 13 || Key == FormatSettings.DecimalSeparator) return;
    ShowMessage(ZemtarDigitsMessage);
    Key = 0;
}

bool ZemtarCheckZoneTaxNoLength(TEdit* Edit) {
    if (Edit->Text().size() == 10) return true;
    ShowMessage(ZemtarTaxNoLengthMessage);
    if (Edit->CanFocus()) Edit->SetFocus();
    return false;
}

void ZemtarAddMonthItems(TStrings* Items) {
    static const char* const Months[12] = {"Ocak",   "Şubat",   "Mart",   "Nisan", "Mayıs", "Haziran",
                                           "Temmuz", "Ağustos", "Eylül", "Ekim",  "Kasım", "Aralık"};
    for (const char* M : Months) Items->Add(M);
}

AnsiString ZemtarCurrentYearText() { return Copy(FormatDateTime("dd.mm.yyyy", Date()), 7, 4); }

AnsiString ZemtarSqlValue(const AnsiString& Value) {
    AnsiString R;
    R.reserve(Value.size());
    for (char C : Value) {
        R += C;
        if (C == '"') R += '"';
    }
    return R;
}
