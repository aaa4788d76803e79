// Feeds arbitrary bytes to the RTF reader. Nothing may crash or hang, and whatever it
// reads must survive a write and a second read unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/ui/Rtf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    AnsiString Text(reinterpret_cast<const char*>(Data), Size);
    TRtfDocument D = RtfRead(Text);
    TRtfDocument Back = RtfRead(RtfWrite(D));
    if (Back.PlainText() != D.PlainText()) std::abort();
    return 0;
}
