#include "platform/ui/WindowNotices.h"

#include "platform/ui/Controls_p.h"

#include <QEvent>
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

}  // namespace

void WatchThemeChange(TControl* Control, std::function<void()> Fn) {
    Watch(Control, {QEvent::ThemeChange, QEvent::StyleChange}, std::move(Fn));
}

void WatchCancelMode(TControl* Control, std::function<void()> Fn) {
    Watch(Control, {QEvent::UngrabMouse, QEvent::FocusOut, QEvent::WindowDeactivate}, std::move(Fn));
}
