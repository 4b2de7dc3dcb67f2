#include "ui/AboutPanel.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

AboutPanel::AboutPanel(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("windowAboutPanel"));
    setWindowTitle(tr("About Tidemark"));
    auto* layout = new QVBoxLayout(this);
    auto* name = new QLabel(QStringLiteral("Tidemark"), this);
    QFont big = name->font();
    big.setPointSize(big.pointSize() + 8);
    big.setBold(true);
    name->setFont(big);
    name->setAlignment(Qt::AlignCenter);
    m_version = new QLabel(this);
    m_version->setObjectName(QStringLiteral("aboutVersion"));
    m_version->setAlignment(Qt::AlignCenter);
    auto* blurb = new QLabel(tr("Finds files with identical bytes."), this);
    blurb->setAlignment(Qt::AlignCenter);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
    layout->addWidget(name);
    layout->addWidget(m_version);
    layout->addWidget(blurb);
    layout->addWidget(buttons);
    setFixedSize(320, 180);
}
