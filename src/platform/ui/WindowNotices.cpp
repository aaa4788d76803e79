#include "platform/ui/WindowNotices.h"

#include "platform/ui/Controls_p.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

#include <initializer_list>
#include <utility>
#include <vector>

namespace {

class TNoticeWatch : public QObject {
public:
    TNoticeWatch(QWidget* W, std::shared_ptr<const bool> Alive, std::initializer_list<QEvent::Type> Types,
                 std::function<void()> Fn)
        : QObject(W), FAlive(std::move(Alive)), FTypes(Types), FFn(std::move(Fn)) {
        W->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* E) override {
        // The widget outlives its control for a moment (a hidden widget still gets focus-out).
        if (!IsAlive(FAlive)) return false;
        for (QEvent::Type T : FTypes)
            if (E->type() == T && FFn) {
                FFn();
                break;
            }
        return false;
    }

private:
    std::shared_ptr<const bool> FAlive;
    std::vector<QEvent::Type> FTypes;
    std::function<void()> FFn;
};

void Watch(TControl* Control, std::initializer_list<QEvent::Type> Types, std::function<void()> Fn) {
    if (Control && Control->Widget()) new TNoticeWatch(Control->Widget(), Control->AliveToken(), Types, std::move(Fn));
}

// The Alt+key presses of a window, offered to the controls that watch them in it.
class TDialogCharFilter : public QObject {
public:
    struct TEntry {
        QPointer<QWidget> Widget;
        std::shared_ptr<const bool> Alive;
        std::function<bool(char)> Fn;
    };
    void Add(TEntry E) {
        std::erase_if(FEntries, [](const TEntry& X) { return !X.Widget || !IsAlive(X.Alive); });
        FEntries.push_back(std::move(E));
    }

protected:
    bool eventFilter(QObject* O, QEvent* E) override {
        if (E->type() != QEvent::KeyPress || FEntries.empty()) return false;
        const auto* K = static_cast<QKeyEvent*>(E);
        if (!(K->modifiers() & Qt::AltModifier) || (K->modifiers() & Qt::ControlModifier)) return false;
        const int Key = K->key();
        if (!((Key >= Qt::Key_A && Key <= Qt::Key_Z) || (Key >= Qt::Key_0 && Key <= Qt::Key_9))) return false;
        auto* W = qobject_cast<QWidget*>(O);
        if (!W) return false;
        QWidget* Window = W->window();
        const std::vector<TEntry> Now = FEntries;   // a handler may add or remove watchers
        for (const TEntry& X : Now)
            if (X.Widget && IsAlive(X.Alive) && X.Fn && X.Widget->window() == Window && X.Fn(char(Key))) return true;
        return false;
    }

private:
    std::vector<TEntry> FEntries;
};

}  // namespace

void WatchDialogChar(TControl* Control, std::function<bool(char Key)> Fn) {
    if (!Control || !Control->Widget() || !qApp) return;
    static TDialogCharFilter* Filter = [] {
        auto* F = new TDialogCharFilter;
        F->setParent(qApp);
        qApp->installEventFilter(F);
        return F;
    }();
    Filter->Add({Control->Widget(), Control->AliveToken(), std::move(Fn)});
}

void WatchThemeChange(TControl* Control, std::function<void()> Fn) {
    Watch(Control, {QEvent::ThemeChange, QEvent::StyleChange}, std::move(Fn));
}

void WatchCancelMode(TControl* Control, std::function<void()> Fn) {
    Watch(Control, {QEvent::UngrabMouse, QEvent::FocusOut, QEvent::WindowDeactivate}, std::move(Fn));
}
