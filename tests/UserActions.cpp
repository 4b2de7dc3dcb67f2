#include "UserActions.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

bool UserActions::click(QWidget* widget)
{
    if (!widget || !widget->isVisible() || !widget->isEnabled()) {
        qWarning("%s is not there to be clicked", widget ? qPrintable(widget->objectName()) : "(none)");
        return false;
    }
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
    return true;
}

void UserActions::clickCell(QAbstractItemView* view, const QModelIndex& index,
                            Qt::KeyboardModifiers modifiers)
{
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, view->visualRect(index).center());
}

QMenu* UserActions::rightClickCell(QAbstractItemView* view, const QModelIndex& index)
{
    view->scrollTo(index);
    const QPoint at = view->visualRect(index).center();
    // The press selects as a person's would; the context menu event is what
    // the window system sends with a right click.
    QTest::mousePress(view->viewport(), Qt::RightButton, {}, at);
    QTest::mouseRelease(view->viewport(), Qt::RightButton, {}, at);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, view->viewport()->mapToGlobal(at));
    QApplication::sendEvent(view->viewport(), &event);
    return openMenu();
}

QMenu* UserActions::openMenu()
{
    QMenu* menu = nullptr;
    (void)QTest::qWaitFor(
        [&] {
            menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            return menu && menu->isVisible();
        },
        Long);
    return menu;
}

bool UserActions::chooseItem(QMenu* menu, const QString& objectName)
{
    if (!menu) {
        return false;
    }
    for (QAction* action : menu->actions()) {
        if (action->objectName() == objectName) {
            if (!action->isVisible() || !action->isEnabled()) {
                return false;
            }
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
            return true;
        }
        if (QMenu* sub = action->menu(); sub && sub->findChild<QAction*>(objectName)) {
            // Hovering the item opens its submenu, as for a person.
            const QPoint at = menu->actionGeometry(action).center();
            QTest::mouseMove(menu, at);
            QTest::mouseClick(menu, Qt::LeftButton, {}, at);
            if (!QTest::qWaitFor([sub] { return sub->isVisible(); }, Long)) {
                return false;
            }
            return chooseItem(sub, objectName);
        }
    }
    return false;
}

QFileDialog* UserActions::activeFileDialog()
{
    QFileDialog* dialog = nullptr;
    (void)QTest::qWaitFor(
        [&] {
            dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            return dialog && dialog->isVisible();
        },
        Long);
    if (dialog) {
        // As the window manager would: the new dialog takes the keyboard.
        dialog->activateWindow();
        (void)QTest::qWaitForWindowActive(dialog);
    }
    return dialog;
}

QMessageBox* UserActions::messageBox(QWidget* window, const QString& objectName)
{
    QMessageBox* box = nullptr;
    (void)QTest::qWaitFor(
        [&] {
            box = window->findChild<QMessageBox*>(objectName);
            return box && box->isVisible();
        },
        Long);
    return box;
}

bool UserActions::answer(QMessageBox* box, const QString& buttonText)
{
    if (!box) {
        return false;
    }
    for (QAbstractButton* button : box->buttons()) {
        if (button->text() == buttonText) {
            return click(button);
        }
    }
    return false;
}

bool UserActions::typePath(QFileDialog* dialog, const QString& text)
{
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (!edit) {
        return false;
    }
    edit->setFocus();
    if (!QTest::qWaitFor([edit] { return edit->hasFocus(); }, 5000)) {
        return false;
    }
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
    return true;
}

bool UserActions::accept(QFileDialog* dialog)
{
    auto* box = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    QPushButton* button = nullptr;
    if (box) {
        button = box->button(QDialogButtonBox::Open);
        if (!button) {
            button = box->button(QDialogButtonBox::Save);
        }
    }
    if (!button) {
        return false;
    }
    // An open completer list takes the first click, as it does for a person.
    if (QApplication::activePopupWidget()) {
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    }
    return QTest::qWaitFor([] { return !QApplication::activePopupWidget(); }, Long) && click(button);
}
