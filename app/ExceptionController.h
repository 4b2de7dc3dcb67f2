#pragma once

#include <QObject>
#include <functional>

class ExceptionList;
class ResultStore;
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
    // `results`: the results whose tree is on screen.
    ExceptionController(MainWindow* window, ExceptionList& list, ResultStore* results,
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
    // True while the marked files are being taken out of the results.
    bool moving() const;

Q_SIGNALS:
    // A modal question was opened (tests answer it).
    void questionShown(const QString& text);

private:
    void moveFinished(qsizetype count);

    MainWindow* m_main;
    ExceptionList& m_list;
    ResultStore* m_results;
    InformationWindow* m_information;
    std::function<bool()> m_exactMode;
    ExceptionWindow* m_window;
};
