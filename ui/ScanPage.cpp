#include "ui/ScanPage.h"

#include "ui/AnchorLayout.h"
#include "ui_ScanPage.h"

ScanPage::ScanPage(QWidget* parent) : QWidget(parent), m_ui(new Ui::ScanPage)
{
    m_ui->setupUi(this);
    auto* layout = new AnchorLayout(this, size());
    layout->addAnchored(m_ui->animationImage, 0.5, 0.5, 0.5, 0.5);
    for (QWidget* w :
         {m_ui->searchStatus, m_ui->progressTypeText, m_ui->similarProcessing, m_ui->textelapse}) {
        layout->addAnchored(w, 0, 0.5, 1, 0.5);
    }
    layout->addAnchored(m_ui->similarIndicator, 0.3, 0.5, 0.7, 0.5);
    layout->addAnchored(m_ui->pauseResume, 0.5, 0.5, 0.5, 0.5);
    layout->addAnchored(m_ui->stopButton, 0.5, 0.5, 0.5, 0.5);
    m_ui->similarIndicator->setRange(0, 1);
    m_ui->similarIndicator->setValue(0);

    connect(m_ui->pauseResume, &QAbstractButton::clicked, this, &ScanPage::pauseResumeClicked);
    connect(m_ui->stopButton, &QAbstractButton::clicked, this, &ScanPage::stopClicked);
}

ScanPage::~ScanPage()
{
    delete m_ui;
}

void ScanPage::setStatus(const QString& status)
{
    m_ui->searchStatus->setText(status);
}

void ScanPage::setProgressType(const QString& text)
{
    m_ui->progressTypeText->setText(text);
}

void ScanPage::setElapsedText(const QString& text)
{
    m_ui->textelapse->setText(text);
}

void ScanPage::setProcessingText(const QString& text)
{
    QLabel* label = m_ui->similarProcessing;
    label->setText(label->fontMetrics().elidedText(text, Qt::ElideMiddle, label->width() * 2 - 40));
}

void ScanPage::setProgress(quint64 value, quint64 maximum, bool indeterminate)
{
    QProgressBar* bar = m_ui->similarIndicator;
    if (indeterminate) {
        bar->setRange(0, 0);
        return;
    }
    // The bar counts in int; large scans are shown in proportion.
    const quint64 scale = maximum > 1000000000ULL ? maximum / 1000000 : 1;
    bar->setRange(0, static_cast<int>(qMax<quint64>(1, maximum / scale)));
    bar->setValue(static_cast<int>(qMin(value, maximum) / scale));
}

void ScanPage::setAnimationRunning(bool running)
{
    m_ui->animationImage->setRunning(running);
}

void ScanPage::setPauseTitle(const QString& title)
{
    m_ui->pauseResume->setText(title);
}

void ScanPage::setPauseResumeEnabled(bool enabled)
{
    m_ui->pauseResume->setEnabled(enabled);
}

void ScanPage::setStopEnabled(bool enabled)
{
    m_ui->stopButton->setEnabled(enabled);
}

void ScanPage::reset()
{
    m_ui->stopButton->setEnabled(true);
    m_ui->pauseResume->setText(QStringLiteral("Pause"));
    m_ui->pauseResume->setEnabled(true);
    m_ui->animationImage->setRunning(false);
    m_ui->similarIndicator->setRange(0, 1);
    m_ui->similarIndicator->setValue(0);
}
