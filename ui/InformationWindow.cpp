#include "ui/InformationWindow.h"

#include "ui/ButtonStyling.h"
#include "ui/ViewTransparent.h"

#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

InformationWindow::InformationWindow(QWidget* parent) : ViewSettingsSaved(parent)
{
    setObjectName(QStringLiteral("informationWindow"));
    setStyleSheet(QStringLiteral("#informationHeader { font-size: 16px; font-weight: bold; color: #1d3b44; }"
                                 "QLabel { color: #1d3b44; }"));
    auto* layout = new QVBoxLayout(this);
    // The words between the panel's bands, the button in the bottom band.
    layout->setContentsMargins(16, 30, 16, 8);
    layout->setSpacing(4);
    m_image = new QLabel(this);
    m_image->setObjectName(QStringLiteral("scanInfoImage"));
    m_image->setAlignment(Qt::AlignCenter);
    m_header = new QLabel(this);
    m_header->setObjectName(QStringLiteral("informationHeader"));
    m_header->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_image);
    layout->addWidget(m_header);
    const char* names[] = {"scanInfoCount", "scanInfoSize", "scanOtherInfo"};
    for (int i = 0; i < 3; ++i) {
        m_lines[i] = new QLabel(this);
        m_lines[i]->setObjectName(QLatin1String(names[i]));
        m_lines[i]->setAlignment(Qt::AlignCenter);
        m_lines[i]->setWordWrap(true);
        layout->addWidget(m_lines[i]);
    }
    m_button = new QPushButton(this);
    m_button->setObjectName(QStringLiteral("scanInforOKBtn"));
    m_button->setMinimumSize(110, 30);
    layout->addStretch();
    layout->addWidget(m_button, 0, Qt::AlignHCenter);
    connect(m_button, &QPushButton::clicked, this, &InformationWindow::okClicked);
    setDefaultButton(m_button);
    setFixedSize(380, 280);
    hide();
}

QLabel* InformationWindow::line(int i) const
{
    return m_lines[qBound(0, i, 2)];
}

void InformationWindow::showInformation(const QString& header, const QString& first, const QString& second,
                                        const QString& third, const QString& image,
                                        const QString& buttonTitle)
{
    m_header->setText(header);
    m_lines[0]->setText(first);
    m_lines[1]->setText(second);
    m_lines[2]->setText(third);
    m_image->setProperty("imageName", image);
    // Through QIcon, which picks the @2x picture on a 2x screen.
    m_image->setPixmap(QIcon(QStringLiteral(":/images/") + image + QStringLiteral(".png"))
                           .pixmap(QSize(48, 48), devicePixelRatioF()));
    ButtonStyling::setButtonAtrribute(m_button, 0, QColor(21, 138, 162),
                                      {{QStringLiteral("Title"), buttonTitle},
                                       {QStringLiteral("TitleColor"), QColor(Qt::white)},
                                       {QStringLiteral("Font"), 14}});
    auto* parent = parentWidget();
    if (!m_cover) {
        m_cover = new ViewTransparent(parent);
    }
    m_cover->raise();
    move((parent->width() - width()) / 2, (parent->height() - height()) / 2);
    show();
    raise();
    // The keyboard answers the panel, not the page under its cover.
    m_button->setFocus();
}

void InformationWindow::dismiss()
{
    if (m_cover) {
        m_cover->postRemovedNotification();
        m_cover->hide();
        m_cover->deleteLater();
        m_cover->setParent(nullptr);
    }
    hide();
}
