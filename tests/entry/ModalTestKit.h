#pragma once
// A form shown the way the menu shows it (ShowModal), with the test's steps run
// inside its modal loop; the form is closed after them.
#include "platform/ui/Forms.h"

#include <QApplication>
#include <QTimer>

#include <functional>

namespace modaltest {

inline void WhileShownModally(TCustomForm* Form, const std::function<void()>& Steps) {
    QTimer::singleShot(0, [&] {
        // Let the window become the active one first, as it does for a user.
        QApplication::processEvents();
        Steps();
        Form->Close();
    });
    Form->ShowModal();
}

}  // namespace modaltest
