// Helpers for the tests of windows.
#pragma once

#include "support/TestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <functional>
#include <initializer_list>

// Runs `open`, which shows a modal window and returns when it closes, while
// `act` works that window if it is a T; a window `act` leaves open is
// rejected, so no test waits on it. Returns whether a T was shown.
template <class T>
bool WhileModal(const std::function<void()>& open, const std::function<void(T*)>& act)
{
    bool shown = false;
    QObject guard;
    QTimer::singleShot(0, &guard, [&] {
        if (auto* w = qobject_cast<T*>(QApplication::activeModalWidget())) {
            shown = true;
            act(w);
            if (w->isVisible())
                w->reject();
        }
    });
    open();
    return shown;
}

// The shown top-level window of type T, or nullptr.
template <typename T>
T* FindTopLevel()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* t = qobject_cast<T*>(w); t && t->isVisible())
            return t;
    return nullptr;
}

// Checks that Tab goes from each widget to the next, skipping what takes no focus.
void CheckTabOrder(std::initializer_list<QWidget*> order);
