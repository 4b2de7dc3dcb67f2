#include "ui/HomePage.h"

#include "ui/AnchorLayout.h"
#include "ui/ButtonStyling.h"
#include "ui/Opacity.h"
#include "ui_HomePage.h"

#include <QIcon>

HomePage::HomePage(QWidget* parent) : QWidget(parent), m_ui(new Ui::HomePageForm)
{
    m_ui->setupUi(this);
    auto* layout = new AnchorLayout(this, size());
    layout->addAnchored(m_ui->HomePage, 0, 0, 1, 1);
    layout->addAnchored(m_ui->buttonScanDrive, 0.5, 0.5, 0.5, 0.5);
    layout->addAnchored(m_ui->buttonScanFolders, 0.5, 0.5, 0.5, 0.5);
    layout->addAnchored(m_ui->cleanHistory, 0, 1, 1, 1);
    layout->addAnchored(m_ui->removeExceptionBtn, 1, 1, 1, 1);
    layout->addAnchored(m_ui->restoreLastCleanup, 1, 1, 1, 1);

    auto title = [](const QString& text, int size) {
        return QVariantMap{{QStringLiteral("Title"), text},
                           {QStringLiteral("TitleColor"), QColor(Qt::white)},
                           {QStringLiteral("Font"), size}};
    };
    const QColor tile(0, 155, 178);
    m_ui->buttonScanDrive->setImageNormal(QIcon(QStringLiteral(":/images/Scan Drive.png")), QIcon());
    m_ui->buttonScanFolders->setImageNormal(QIcon(QStringLiteral(":/images/Scan Folders.png")), QIcon());
    ButtonStyling::setButtonAtrribute(m_ui->buttonScanDrive, 0, tile,
                                      title(m_ui->buttonScanDrive->text(), 13));
    ButtonStyling::setButtonAtrribute(m_ui->buttonScanFolders, 0, tile,
                                      title(m_ui->buttonScanFolders->text(), 13));
    ButtonStyling::setButtonAtrribute(m_ui->removeExceptionBtn, 4, QColor(255, 255, 255, 46),
                                      title(m_ui->removeExceptionBtn->text(), 12));
    ButtonStyling::setButtonAtrribute(m_ui->restoreLastCleanup, 4, QColor(255, 255, 255, 46),
                                      title(m_ui->restoreLastCleanup->text(), 12));

    connect(m_ui->buttonScanDrive, &QAbstractButton::clicked, this, &HomePage::scanDriveClicked);
    connect(m_ui->buttonScanFolders, &QAbstractButton::clicked, this, &HomePage::scanFoldersClicked);
    connect(m_ui->removeExceptionBtn, &QAbstractButton::clicked, this, &HomePage::clearExceptionsClicked);
}

HomePage::~HomePage()
{
    delete m_ui;
}

void HomePage::showPicture(int picture, qreal devicePixelRatio)
{
    // Through QIcon, which picks the @2x picture on a 2x screen.
    QLabel* home = m_ui->HomePage;
    home->setPixmap(
        QIcon(QStringLiteral(":/images/HomePage%1.png").arg(picture)).pixmap(home->size(), devicePixelRatio));
    home->setProperty("pictureName", QStringLiteral("HomePage%1.png").arg(picture));
}

void HomePage::setCleanedSoFar(const QString& text)
{
    m_ui->cleanHistory->setText(text);
}

void HomePage::setCleanedSoFarVisible(bool visible)
{
    m_ui->cleanHistory->setVisible(visible);
}

void HomePage::setClearExceptionsEnabled(bool enabled)
{
    m_ui->removeExceptionBtn->setEnabled(enabled);
}

QAbstractButton* HomePage::restoreButton() const
{
    return m_ui->restoreLastCleanup;
}

void HomePage::restoreTiles()
{
    Opacity::set(m_ui->buttonScanDrive, 1.0);
    Opacity::set(m_ui->buttonScanFolders, 1.0);
}

void HomePage::focusFirstTile()
{
    m_ui->buttonScanFolders->setFocus();
}
