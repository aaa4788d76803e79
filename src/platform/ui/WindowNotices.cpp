#include "platform/ui/WindowNotices.h"

#include <QEvent>
#include <QWidget>

#include <initializer_list>
#include <utility>
#include <vector>

namespace {

class TNoticeWatch : public QObject {
public:
    TNoticeWatch(QWidget* W, std::initializer_list<QEvent::Type> Types, std::function<void()> Fn)
        : QObject(W), FTypes(Types), FFn(std::move(Fn)) {
        W->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* E) override {
        for (QEvent::Type T : FTypes)
            if (E->type() == T && FFn) {
                FFn();
                break;
            }
        return false;
    }

private:
    std::vector<QEvent::Type> FTypes;
    std::function<void()> FFn;
};

void Watch(TControl* Control, std::initializer_list<QEvent::Type> Types, std::function<void()> Fn) {
    if (Control && Control->Widget()) new TNoticeWatch(Control->Widget(), Types, std::move(Fn));
}

}  // namespace

void WatchThemeChange(TControl* Control, std::function<void()> Fn) {
    Watch(Control, {QEvent::ThemeChange, QEvent::StyleChange}, std::move(Fn));
}

void WatchCancelMode(TControl* Control, std::function<void()> Fn) {
    Watch(Control, {QEvent::UngrabMouse, QEvent::FocusOut, QEvent::WindowDeactivate}, std::move(Fn));
}
