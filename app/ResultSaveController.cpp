#include "app/ResultSaveController.h"

#include "app/AlertBox.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>

const QString ResultSaveController::CsvFilter = QStringLiteral("CSV spreadsheet (*.csv)");
const QString ResultSaveController::JsonFilter = QStringLiteral("JSON (*.json)");

ResultSaveController::ResultSaveController(QWidget* window, std::function<ScanResults()> results,
                                           QObject* parent)
    : QObject(parent), m_window(window), m_results(std::move(results))
{
    m_poll.setInterval(50);
    connect(&m_poll, &QTimer::timeout, this, &ResultSaveController::poll);
}

ResultSaveController::~ResultSaveController() = default;

ResultExport::Format ResultSaveController::formatFor(const QString& path, const QString& filter)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("json")) {
        return ResultExport::Format::Json;
    }
    if (suffix == QLatin1String("csv")) {
        return ResultExport::Format::Csv;
    }
    return filter == JsonFilter ? ResultExport::Format::Json : ResultExport::Format::Csv;
}

void ResultSaveController::saveResultsClicked()
{
    if ((m_dialog && m_dialog->isVisible()) || running()) {
        return;
    }
    auto* dialog = new QFileDialog(m_window, tr("Save Results"), QDir::homePath());
    dialog->setObjectName(QStringLiteral("saveResultsDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    // Qt's own dialog on every desktop, as the location page's.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilters({CsvFilter, JsonFilter});
    dialog->setDefaultSuffix(QStringLiteral("csv"));
    dialog->selectFile(QStringLiteral("Duplicates.csv"));
    // The name follows the format chosen.
    connect(dialog, &QFileDialog::filterSelected, dialog, [dialog](const QString& filter) {
        const QString suffix = filter == JsonFilter ? QStringLiteral("json") : QStringLiteral("csv");
        dialog->setDefaultSuffix(suffix);
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        const QString typed = edit ? edit->text() : QString();
        if (!typed.isEmpty()) {
            dialog->selectFile(QFileInfo(typed).completeBaseName() + QLatin1Char('.') + suffix);
        }
    });
    connect(dialog, &QFileDialog::fileSelected, this, [this, dialog](const QString& path) {
        if (!path.isEmpty()) {
            save(path, formatFor(path, dialog->selectedNameFilter()));
        }
    });
    m_dialog = dialog;
    dialog->open();
}

void ResultSaveController::save(const QString& path, ResultExport::Format format)
{
    if (running()) {
        return;
    }
    const ScanResults results = m_results ? m_results() : ScanResults();
    const QByteArray target = QFile::encodeName(path);
    const quint64 files = results.modal ? results.modal->totalFiles() : 0;
    if (files <= m_threadAbove) {
        QString error;
        const bool ok = ResultExport::save(target, format, results, ResultExport::byMarks(), &error);
        report(path, ok, error);
        return;
    }
    // Window-modal at once: no mark or tree changes while the thread reads them.
    auto* progress = new QProgressDialog(QStringLiteral("Saving the results..."), QString(), 0, 0, m_window);
    progress->setObjectName(QStringLiteral("saveProgress"));
    progress->setWindowTitle(QStringLiteral("Tidemark"));
    progress->setWindowModality(Qt::WindowModal);
    progress->setCancelButton(nullptr);
    progress->setMinimumDuration(0);
    progress->setAutoClose(false);
    progress->setAutoReset(false);
    progress->show();
    m_progress = progress;
    m_done.store(false);
    m_running = true;
    m_path = path;
    const std::function<void()> hook = m_beforeWrite;
    m_work.start([this, results, target, format, hook] {
        if (hook) {
            hook();
        }
        QString error;
        m_ok = ResultExport::save(target, format, results, ResultExport::byMarks(), &error);
        m_error = error;
        m_done.store(true);
    });
    m_poll.start();
}

void ResultSaveController::poll()
{
    if (!m_done.load()) {
        return;
    }
    m_poll.stop();
    m_running = false;
    if (m_progress) {
        m_progress->close();
        m_progress->deleteLater();
    }
    report(m_path, m_ok, m_error);
}

void ResultSaveController::report(const QString& path, bool ok, const QString& error)
{
    if (ok) {
        Q_EMIT saved(path);
        return;
    }
    const QString text = QStringLiteral("The results could not be saved to %1: %2").arg(path, error);
    QMessageBox* box =
        AlertBox::create(m_window, QStringLiteral("saveFailedAlert"), QStringLiteral("Tidemark"), text);
    box->setIcon(QMessageBox::Warning);
    box->addButton(QStringLiteral("Ok"), QMessageBox::AcceptRole);
    box->open();
    Q_EMIT saveFailed(text);
}
