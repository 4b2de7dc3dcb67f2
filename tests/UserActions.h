#pragma once

#include <QByteArray>
#include <QPoint>
#include <QString>
#include <Qt>

class QAbstractItemView;
class QAction;
class QFileDialog;
class QMenu;
class QMessageBox;
class QModelIndex;
class QWidget;

// What a person does with the window, as real input events: clicks on the
// painted buttons, right clicks that open context menus, menu items picked
// with the mouse, Qt's own file dialogs filled in by typing.
class UserActions
{
public:
    static constexpr int Long = 60000; // generous: the machine is shared and may be slow

    // A left click at the widget's centre; false when it is hidden or disabled.
    static bool click(QWidget* widget);
    // Clicks the cell of `index`.
    static void clickCell(QAbstractItemView* view, const QModelIndex& index,
                          Qt::KeyboardModifiers modifiers = {});
    // A right click on the cell of `index`; the context menu that opens, if any.
    static QMenu* rightClickCell(QAbstractItemView* view, const QModelIndex& index);
    // The popup menu on screen now (waits for it).
    static QMenu* openMenu();
    // Clicks the item named `objectName` in the open `menu` (its submenus too:
    // hovering opens them); false when it is not there or disabled.
    static bool chooseItem(QMenu* menu, const QString& objectName);

    // The modal dialog of this type and name once it is the active one.
    static QFileDialog* activeFileDialog();
    static QMessageBox* messageBox(QWidget* window, const QString& objectName);
    // Clicks the box's button with this text.
    static bool answer(QMessageBox* box, const QString& buttonText);
    // Types a path into the dialog's name field, as typed by hand.
    static bool typePath(QFileDialog* dialog, const QString& text);
    // Presses the accept button ("Choose", "Open" or "Save").
    static bool accept(QFileDialog* dialog);
};
