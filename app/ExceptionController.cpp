#include "app/ExceptionController.h"

#include "app/AlertBox.h"
#include "review/ExceptionList.h"
#include "ui/ExceptionWindow.h"
#include "ui/HomePage.h"
#include "ui/InformationWindow.h"
#include "ui/MainWindow.h"
#include "ui/ResultPage.h"
#include "ui/ViewTransparent.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPushButton>

ExceptionController::ExceptionController(MainWindow* window, ExceptionList& list,
                                         std::function<ModalPtr()> shownTree, InformationWindow* information,
                                         std::function<bool()> exactMode, QObject* parent)
    : QObject(parent), m_main(window), m_list(list), m_shownTree(std::move(shownTree)),
      m_information(information), m_exactMode(std::move(exactMode)), m_window(new ExceptionWindow(window))
{
    connect(m_window->okButton(), &QAbstractButton::clicked, this,
            &ExceptionController::addExceptionsOKClicked);
    connect(m_window->cancelButton(), &QAbstractButton::clicked, this,
            &ExceptionController::addExceptionsCancelClicked);
    connect(m_main->resultPage(), &ResultPage::addExceptionsClicked, this,
            [this] { addExceptions(m_main->resultPage()->exceptionButton()); });
    connect(m_main->homePage(), &HomePage::clearExceptionsClicked, this,
            &ExceptionController::removeExceptions);
}

void ExceptionController::refreshRemoveButton()
{
    m_main->homePage()->setClearExceptionsEnabled(!m_list.isEmpty());
}

void ExceptionController::addExceptions(QAbstractButton* sender)
{
    const ModalPtr modal = m_shownTree();
    if (!modal || modal->totalFiles() == 0 || modal->totalFilesSelected() == 0) {
        if (sender) {
            sender->setEnabled(false);
        }
        return;
    }
    m_window->exceptionTextField()->setText(
        m_exactMode()
            ? QStringLiteral("The selected files will be excluded from all future scans. Press \"OK\" "
                             "to exclude.")
            : QStringLiteral("The selected similar photos will be excluded from all future scans. Press "
                             "\"Ok\" to exclude."));
    new ViewTransparent(m_main);
    m_main->showOverlayAt(m_window, 300, 200);
    m_window->okButton()->setFocus();
}

void ExceptionController::removeExceptionWindow()
{
    ViewTransparent::removeAll(m_main);
    m_window->hide();
}

void ExceptionController::addExceptionsCancelClicked()
{
    removeExceptionWindow();
}

void ExceptionController::addExceptionsOKClicked()
{
    removeExceptionWindow();
    const ModalPtr modal = m_shownTree();
    if (!modal || modal->totalFilesSelected() == 0) {
        return;
    }
    const QByteArrayList paths = ExceptionList::takeMarkedFiles(*modal);
    if (!paths.isEmpty()) {
        const qsizetype added = m_list.addPaths(paths);
        refreshRemoveButton();
        m_information->showInformation(
            QStringLiteral("Information"),
            QStringLiteral("\nSuccessfully added %1 files to exceptions.").arg(added), QString(), QString(),
            QStringLiteral("common_info"), QStringLiteral("Ok"));
    }
    Q_EMIT treeChanged();
}

void ExceptionController::removeExceptions()
{
    const QString question = QStringLiteral("Are you sure, you want to remove all exceptions?");
    AlertBox::askYesNo(m_main, QStringLiteral("removeExceptionsQuestion"), question, this,
                       [this](bool yes) { removeExceptionsAnswered(yes); });
    Q_EMIT questionShown(question);
}

void ExceptionController::removeExceptionsAnswered(bool yes)
{
    if (!yes) {
        return;
    }
    m_list.removeAll();
    m_main->homePage()->setClearExceptionsEnabled(false);
    m_information->showInformation(QStringLiteral("Information"),
                                   QStringLiteral("\nAll exceptions has been removed."), QString(), QString(),
                                   QStringLiteral("common_info"), QStringLiteral("Ok"));
}
