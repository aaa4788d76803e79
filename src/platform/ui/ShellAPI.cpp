#include "platform/ui/ShellAPI.h"

#include "platform/ui/Graphics.h"
#include "platform/ui/UiPrivate_p.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QPainter>
#include <QStyle>
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

Integer FileIconSize(bool Large) { return Large ? 32 : 16; }

bool DrawFileIcon(TCanvas* Canvas, const TRect& R, const AnsiString& Path, bool Large) {
    if (!Canvas || R.IsEmpty() || Path.empty()) return false;
    EnsureQtApp();
    const QFileInfo Info(ToQ(Path));
    QFileIconProvider Provider;
    QIcon Icon = Provider.icon(Info);
    // Without an icon theme the style's own file and folder pictures stand in.
    if (Icon.isNull() && QApplication::style())
        Icon = QApplication::style()->standardIcon(Info.isDir() ? QStyle::SP_DirIcon : QStyle::SP_FileIcon);
    if (Icon.isNull()) return false;
    const QPixmap P = Icon.pixmap(FileIconSize(Large));
    if (P.isNull()) return false;
    Canvas->PaintWith([&](QPainter& Painter) {
        Painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        Painter.drawPixmap(QRect(R.Left, R.Top, R.Width(), R.Height()), P);
    });
    return true;
}
