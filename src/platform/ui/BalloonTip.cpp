#include "platform/ui/BalloonTip.h"

#include "platform/ui/UiPrivate_p.h"

#include <QEvent>
#include <QHelpEvent>
#include <QToolTip>
#include <QWidget>

namespace {

QString Escaped(const AnsiString& S) { return ToQ(S).toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>")); }

QString Colour(TColor C) { return ToQColor(C).name(); }

class TBalloonHook : public QObject {
public:
    TBalloonHook(QWidget* W, std::shared_ptr<const bool> Alive, TBalloonProvider Fn)
        : QObject(W), FFn(std::move(Fn)), FAlive(std::move(Alive)), FWidget(W) {
        W->installEventFilter(this);
    }
    TBalloonProvider FFn;

protected:
    bool eventFilter(QObject* O, QEvent* E) override {
        if (O != FWidget || E->type() != QEvent::ToolTip || !FFn || !FAlive || !*FAlive) return false;
        auto* H = static_cast<QHelpEvent*>(E);
        TBalloonTip Tip;
        // No balloon wanted: the control's own hint handling goes on.
        if (!FFn(Point(H->pos().x(), H->pos().y()), Tip)) {
            QToolTip::hideText();
            return false;
        }
        if (Tip.Text.empty() && Tip.Title.empty()) {
            QToolTip::hideText();
            E->ignore();
            return true;
        }
        QString Body = Escaped(Tip.Text);
        if (!Tip.Title.empty()) Body = QStringLiteral("<b>") + Escaped(Tip.Title) + QStringLiteral("</b><br>") + Body;
        QString Style;
        if (Tip.TextColor != clNone) Style += QStringLiteral("color:") + Colour(Tip.TextColor) + QLatin1Char(';');
        if (Tip.BackgroundColor != clNone)
            Style += QStringLiteral("background-color:") + Colour(Tip.BackgroundColor) + QLatin1Char(';');
        if (!Style.isEmpty())
            Body = QStringLiteral("<table cellspacing=0 style=\"") + Style + QStringLiteral("\"><tr><td>") + Body +
                   QStringLiteral("</td></tr></table>");
        QToolTip::showText(H->globalPos(), QStringLiteral("<qt>") + Body + QStringLiteral("</qt>"), FWidget, QRect(),
                           Tip.AutoHideDelay);
        return true;
    }

private:
    std::shared_ptr<const bool> FAlive;   // the control's: its provider is done when it goes
    QWidget* FWidget;
};

}  // namespace

void SetBalloonProvider(TControl* Control, TBalloonProvider Fn) {
    QWidget* W = Control ? Control->Widget() : nullptr;
    if (!W) return;
    for (QObject* O : W->children())
        if (auto* H = dynamic_cast<TBalloonHook*>(O)) {
            H->FFn = std::move(Fn);
            return;
        }
    if (Fn) new TBalloonHook(W, Control->AliveToken(), std::move(Fn));
}
