#pragma once

#include "platform/BackgroundWork.h"
#include "review/ResultExport.h"

#include <QFileDialog>
#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>
#include <atomic>
#include <functional>
class QWidget;

// "Save Results": a save dialog offering CSV and JSON (the command line's
// format), then the result written beside the chosen name and renamed into
// place. A large result is written on a thread of its own; meanwhile a
// window-modal progress dialog keeps the page, and so the trees being
// read, as they are, and the window goes on drawing.
class ResultSaveController : public QObject
{
    Q_OBJECT
public:
    // `results` gives the trees on screen; a file is kept when it is not marked.
    ResultSaveController(QWidget* window, std::function<ScanResults()> results, QObject* parent = nullptr);
    // Waits for a write in hand (only when the program ends).
    ~ResultSaveController() override;

    static const QString CsvFilter;
    static const QString JsonFilter;

    void saveResultsClicked();
    // Writes to `path` (from the dialog): here for a small result, else on
    // the writing thread.
    void save(const QString& path, ResultExport::Format format);
    bool running() const { return m_running; }

    QFileDialog* dialog() const { return m_dialog; }
    QProgressDialog* progressDialog() const { return m_progress; }

    // Results with more files than this are written off the UI thread.
    void setThreadAbove(quint64 files) { m_threadAbove = files; }
    // Runs on the writing thread before it writes (tests hold it there).
    void setBeforeWrite(std::function<void()> hook) { m_beforeWrite = std::move(hook); }

    // The format the name asks for (.json or .csv), else the one of the filter.
    static ResultExport::Format formatFor(const QString& path, const QString& filter);

Q_SIGNALS:
    void saved(const QString& path);
    // The alert's text when the file could not be written.
    void saveFailed(const QString& text);

private:
    void poll();
    void report(const QString& path, bool ok, const QString& error);

    QWidget* m_window;
    std::function<ScanResults()> m_results;
    QPointer<QFileDialog> m_dialog;
    QPointer<QProgressDialog> m_progress;
    quint64 m_threadAbove = 20000;
    std::function<void()> m_beforeWrite;
    QTimer m_poll;
    std::atomic<bool> m_done{false};
    // Written by the worker before m_done is raised.
    bool m_ok = false;
    QString m_error;
    QString m_path;
    bool m_running = false;
    // Last: it goes first, waiting for the write in hand.
    BackgroundWork m_work;
};
