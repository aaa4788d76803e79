#pragma once
// The Qt side of a control: a widget class that hands every event to its control
// first. Private to the user-interface layer.
#include "platform/ui/Controls.h"
#include "platform/ui/UiPrivate_p.h"

#include <QEvent>
#include <QWidget>

#include <utility>

// An exception that got as far as a widget's event handler goes to the
// application's exception dialog; nothing may reach Qt.
void ReportStrayException(TObject* Sender);

class IHost {
public:
    virtual ~IHost() = default;
    // The widget's own handling of an event (bypassing the control).
    virtual bool BaseEvent(QEvent* E) = 0;
    virtual TControl* HostControl() const = 0;
    virtual void DetachControl() = 0;
};

template <class B>
class THost : public B, public IHost {
public:
    template <class... A>
    explicit THost(TControl* C, A&&... Args) : B(std::forward<A>(Args)...), FControl(C) {
        this->setMouseTracking(true);
    }
    bool BaseEvent(QEvent* E) override { return B::event(E); }
    TControl* HostControl() const override { return FControl; }
    void DetachControl() override { FControl = nullptr; }

protected:
    bool event(QEvent* E) override {
        if (FControl) {
            TControl* C = FControl;
            try {
                if (C->QtEvent(E)) return true;
            } catch (...) {
                ReportStrayException(C);
                return true;
            }
        }
        return B::event(E);
    }

private:
    TControl* FControl;
};

// The control whose widget is W or holds W (a spin box's inner editor, say).
TControl* ControlOfWidget(QWidget* W);
IHost* HostOf(const TControl* C);

// Qt key and modifier translation.
Word VirtualKeyOf(int QtKey, Qt::KeyboardModifiers Mods);
TShiftState ShiftOf(Qt::KeyboardModifiers Mods, Qt::MouseButtons Buttons = Qt::NoButton);
Qt::CursorShape CursorShapeOf(TCursor C);
// The cursor shown for C: a registered picture, else the shape of a standard cursor.
QCursor CursorOf(TCursor C);

// Hands a control's widget back to Qt for good: no more events reach the control,
// no signal runs its handlers, and the widget goes once the current event is over
// (a control may be freed inside its own event).
void DisposeWidget(QWidget* W);

inline bool IsAlive(const std::shared_ptr<const bool>& Token) { return Token && *Token; }

// Focus arrival inside a form (fires OnExit/OnEnter); implemented with the forms.
void FocusArrived(TWinControl* Control);
void ControlGone(TControl* Control);
