#pragma once

#include <QString>
#include <functional>

class QMessageBox;
class QObject;
class QWidget;

// The program's modal alerts: window-modal, opened without a nested event
// loop, deleted when closed. Tests find them by object name.
class AlertBox
{
public:
    // An alert with `text` as its message and no buttons yet; not shown.
    static QMessageBox* create(QWidget* parent, const QString& objectName, const QString& text,
                               const QString& informativeText);
    // Asks "YES" (the default) or "NO" under the product name; `answered`
    // runs with the answer when the alert closes, while `context` lives.
    static QMessageBox* askYesNo(QWidget* parent, const QString& objectName, const QString& informativeText,
                                 QObject* context, std::function<void(bool yes)> answered);
};
