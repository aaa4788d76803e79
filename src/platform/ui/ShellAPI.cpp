#include "platform/ui/ShellAPI.h"

#include "platform/ui/UiPrivate_p.h"

#include <QDesktopServices>
#include <QUrl>

namespace {

bool LooksLikeAddress(const AnsiString& T) {
    AnsiString L = LowerCase(T);
    return L.find("://") != AnsiString::npos || L.rfind("www.", 0) == 0 || L.rfind("mailto:", 0) == 0;
}

class TDesktopOpener : public TShellOpener {
public:
    bool Open(const AnsiString& Target) override {
        EnsureQtApp();
        QUrl U = LooksLikeAddress(Target) ? QUrl::fromUserInput(ToQ(Target)) : QUrl::fromLocalFile(ToQ(Target));
        return U.isValid() && QDesktopServices::openUrl(U);
    }
};

TShellOpener* GOpener = nullptr;

}  // namespace

TShellOpener* ShellOpener() {
    static TDesktopOpener Default;
    return GOpener ? GOpener : &Default;
}

TShellOpener* SetShellOpener(TShellOpener* Value) {
    TShellOpener* Old = GOpener;
    GOpener = Value;
    return Old;
}

Integer ShellExecute(void*, const AnsiString& Operation, const AnsiString& File, const AnsiString&,
                     const AnsiString& Directory, Integer) {
    if (!Operation.empty() && LowerCase(Operation) != "open") return SE_ERR_NOASSOC;
    if (File.empty()) return SE_ERR_FNF;
    AnsiString Target = File;
    if (!LooksLikeAddress(File) && !Directory.empty() && File[0] != '/') {
        Target = Directory;
        if (Target.back() != '/') Target += '/';
        Target += File;
    }
    return ShellOpener()->Open(Target) ? 42 : SE_ERR_FNF;
}
