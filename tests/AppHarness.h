#pragma once

#include "app/AppDelegate.h"
#include "ui/MainWindow.h"

class ScanSession;

// One window with its controller, as the program builds them, for tests
// that drive the window. Controls are found by the names the window
// description gives them.
struct AppHarness
{
    explicit AppHarness(bool singleInstance = false);

    template <typename T> T* w(const char* name) const
    {
        T* found = window.findChild<T*>(QLatin1String(name));
        if (!found) {
            qFatal("the window has no %s named %s", T::staticMetaObject.className(), name);
        }
        return found;
    }
    QString page() const;
    ScanSession* scan() const;

    MainWindow window;
    AppDelegate delegate;
};
