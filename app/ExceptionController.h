#pragma once

#include "scan/Modal.h"

#include <QObject>
#include <functional>

class ExceptionList;
class ExceptionWindow;
class InformationWindow;
class MainWindow;
class QAbstractButton;

// The exception commands: taking the marked files of the shown results out
// of every later scan, and emptying the list again.
class ExceptionController : public QObject
{
    Q_OBJECT
public:
    // `shownTree`: the result tree on screen.
    ExceptionController(MainWindow* window, ExceptionList& list, std::function<ModalPtr()> shownTree,
                        InformationWindow* information, std::function<bool()> exactMode,
                        QObject* parent = nullptr);

    ExceptionWindow* exceptionWindow() const { return m_window; }

    void addExceptions(QAbstractButton* sender);
    void addExceptionsOKClicked();
    void addExceptionsCancelClicked();
    void removeExceptionWindow();
    void removeExceptions();
    // The answer to the question removeExceptions asks.
    void removeExceptionsAnswered(bool yes);
    void refreshRemoveButton();

Q_SIGNALS:
    // Files left the shown tree: the results and the marked totals are stale.
    void treeChanged();
    // A modal question was opened (tests answer it).
    void questionShown(const QString& text);

private:
    MainWindow* m_main;
    ExceptionList& m_list;
    std::function<ModalPtr()> m_shownTree;
    InformationWindow* m_information;
    std::function<bool()> m_exactMode;
    ExceptionWindow* m_window;
};
