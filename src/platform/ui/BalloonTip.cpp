#include "platform/ui/BalloonTip.h"

#include "platform/ui/UiPrivate_p.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QStyle>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWidget>

namespace {

QString WideQ(const WideString& S) { return QString::fromUtf16(S.data(), static_cast<qsizetype>(S.size())); }

// The tip's own window: an icon beside a bold title over the text, all plain text.
class TBalloonWindow : public QWidget {
public:
    TBalloonWindow() : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
        setObjectName(QStringLiteral("BalloonTip"));
        setAttribute(Qt::WA_ShowWithoutActivating);
        auto* Row = new QHBoxLayout(this);
        Row->setContentsMargins(6, 4, 6, 4);
        Icon = new QLabel(this);
        Icon->setAlignment(Qt::AlignTop);
        Row->addWidget(Icon);
        auto* Column = new QVBoxLayout;
        Title = new QLabel(this);
        Text = new QLabel(this);
        for (QLabel* L : {Title, Text}) {
            L->setTextFormat(Qt::PlainText);
            Column->addWidget(L);
        }
        QFont F = Title->font();
        F.setBold(true);
        Title->setFont(F);
        Row->addLayout(Column);
        Hide.setSingleShot(true);
        QObject::connect(&Hide, &QTimer::timeout, this, [this] { hide(); });
    }

    void Take(const TBalloonTip& Tip) {
        Shown = Tip;
        Title->setText(ToQ(Tip.Title));
        Title->setVisible(!Tip.Title.empty());
        Text->setText(Tip.WideText.empty() ? ToQ(Tip.Text) : WideQ(Tip.WideText));
        QStyle::StandardPixmap P = QStyle::SP_CustomBase;
        switch (Tip.Icon) {
            case 1: P = QStyle::SP_MessageBoxInformation; break;
            case 2: P = QStyle::SP_MessageBoxWarning; break;
            case 3: P = QStyle::SP_MessageBoxCritical; break;
            default: Shown.Icon = 0; break;
        }
        Icon->setVisible(P != QStyle::SP_CustomBase);
        Icon->setPixmap(P != QStyle::SP_CustomBase ? style()->standardIcon(P).pixmap(16, 16) : QPixmap());
        QPalette Pal = QToolTip::palette();
        if (Tip.BackgroundColor != clNone) Pal.setColor(QPalette::Window, ToQColor(Tip.BackgroundColor));
        if (Tip.TextColor != clNone) Pal.setColor(QPalette::WindowText, ToQColor(Tip.TextColor));
        setPalette(Pal);
        setAutoFillBackground(true);
        setWindowOpacity((255 - Tip.Transparency) / 255.0);
        adjustSize();
        // The desktop's own tips stay about ten seconds.
        Hide.start(Tip.AutoHideDelay >= 0 ? Tip.AutoHideDelay : 10000);
    }

    QLabel* Icon;
    QLabel* Title;
    QLabel* Text;
    QTimer Hide;
    TBalloonTip Shown;
};

class TBalloonHook : public QObject {
public:
    TBalloonHook(QWidget* W, std::shared_ptr<const bool> Alive, TBalloonProvider Fn)
        : QObject(W), FFn(std::move(Fn)), FAlive(std::move(Alive)), FWidget(W) {
        W->installEventFilter(this);
        W->setMouseTracking(true);
        FRest.setSingleShot(true);
        QObject::connect(&FRest, &QTimer::timeout, this, [this] { ShowAt(FLast, FWidget->mapToGlobal(FLast)); });
    }
    ~TBalloonHook() override { delete FWindow; }

    TBalloonProvider FFn;
    Integer FInitialDelay = -1;
    Integer FReshowDelay = -1;

    bool Visible() const { return FWindow && FWindow->isVisible(); }
    const TBalloonTip& Shown() const { return FWindow->Shown; }

protected:
    bool eventFilter(QObject* O, QEvent* E) override {
        if (O != FWidget) return false;
        switch (E->type()) {
            case QEvent::Leave:
            case QEvent::MouseButtonPress:
            case QEvent::KeyPress:
            case QEvent::Hide:
                // Also while the control goes: its widget is hidden then.
                FRest.stop();
                if (FWindow) FWindow->hide();
                return false;
            default:
                break;
        }
        if (!FFn || !FAlive || !*FAlive) return false;
        switch (E->type()) {
            case QEvent::ToolTip: {
                auto* H = static_cast<QHelpEvent*>(E);
                // With a delay of its own the resting timer shows the tip.
                if (FInitialDelay >= 0 && !Visible()) return FRest.isActive() || AnyTipAt(H->pos());
                return ShowAt(H->pos(), H->globalPos());
            }
            case QEvent::MouseMove: {
                FLast = static_cast<QMouseEvent*>(E)->position().toPoint();
                const Integer Delay = Visible() ? FReshowDelay : FInitialDelay;
                if (Delay >= 0) FRest.start(Delay);
                return false;
            }
            default:
                return false;
        }
    }

private:
    bool AnyTipAt(QPoint P) {
        TBalloonTip Tip;
        return FFn(Point(P.x(), P.y()), Tip);
    }

    // False when there is no tip here, for the control's own hint handling to go on.
    bool ShowAt(QPoint P, QPoint Global) {
        if (!FAlive || !*FAlive || !FFn || !FWidget->isVisible()) return false;
        TBalloonTip Tip;
        if (!FFn(Point(P.x(), P.y()), Tip)) {
            if (FWindow) FWindow->hide();
            return false;
        }
        QToolTip::hideText();
        if (Tip.Text.empty() && Tip.WideText.empty() && Tip.Title.empty()) {
            if (FWindow) FWindow->hide();
            return true;
        }
        if (!FWindow) FWindow = new TBalloonWindow;
        FWindow->Take(Tip);
        FWindow->move(Global + QPoint(0, 20));
        FWindow->show();
        return true;
    }

    std::shared_ptr<const bool> FAlive;   // the control's: its provider is done when it goes
    QWidget* FWidget;
    QPointer<TBalloonWindow> FWindow;
    QTimer FRest;
    QPoint FLast;
};

TBalloonHook* HookOf(const TControl* Control) {
    QWidget* W = Control ? Control->Widget() : nullptr;
    if (!W) return nullptr;
    for (QObject* O : W->children())
        if (auto* H = dynamic_cast<TBalloonHook*>(O)) return H;
    return nullptr;
}

}  // namespace

void SetBalloonProvider(TControl* Control, TBalloonProvider Fn) {
    if (TBalloonHook* H = HookOf(Control)) {
        H->FFn = std::move(Fn);
        return;
    }
    if (Fn && Control && Control->Widget()) new TBalloonHook(Control->Widget(), Control->AliveToken(), std::move(Fn));
}

void SetBalloonDelays(TControl* Control, Integer InitialDelay, Integer ReshowDelay) {
    if (TBalloonHook* H = HookOf(Control)) {
        H->FInitialDelay = std::max<Integer>(-1, InitialDelay);
        H->FReshowDelay = std::max<Integer>(-1, ReshowDelay);
    }
}

bool BalloonShown(const TControl* Control, TBalloonTip* Shown) {
    TBalloonHook* H = HookOf(Control);
    if (!H || !H->Visible()) return false;
    if (Shown) *Shown = H->Shown();
    return true;
}
