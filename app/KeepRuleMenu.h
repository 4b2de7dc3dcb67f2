#pragma once

#include "review/KeepRule.h"

#include <QFileDialog>
#include <QObject>
#include <QPointer>
class QMenu;
class QWidget;

// The keep rules as menu items: which copy of every set stays, the others
// are marked. "Inside a Folder..." first asks for the folder in a folder
// dialog (Qt's own, window-modal, opened without a nested event loop).
class KeepRuleMenu : public QObject
{
    Q_OBJECT
public:
    explicit KeepRuleMenu(QWidget* dialogParent, QObject* parent = nullptr);

    // Appends the six items to `menu`; `chosen` runs with the rule picked
    // (for the folder rule, once a folder was chosen) while `context` lives.
    void populate(QMenu* menu, QObject* context, std::function<void(const KeepRule&)> chosen);

    // The folder dialog while it is open (tests drive it).
    QFileDialog* folderDialog() const { return m_dialog; }

    // The items' object names, in menu order.
    static QStringList itemNames();

private:
    void askFolder(QObject* context, std::function<void(const KeepRule&)> chosen);

    QWidget* m_dialogParent;
    QPointer<QFileDialog> m_dialog;
};
