#include "ui/CustomTableCellView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

CustomTableCellView::CustomTableCellView(QWidget* parent)
    : QWidget(parent), m_fileName(new QLabel(this)), m_additionalText(new QLabel(this)),
      m_additionalTextCount(new QLabel(this))
{
    m_fileName->setObjectName(QStringLiteral("fileName"));
    m_additionalText->setObjectName(QStringLiteral("additionalText"));
    m_additionalTextCount->setObjectName(QStringLiteral("additionalTextCount"));
    m_fileName->setTextFormat(Qt::PlainText);
    m_additionalText->setTextFormat(Qt::PlainText);
    m_additionalTextCount->setTextFormat(Qt::PlainText);

    auto* details = new QHBoxLayout;
    details->setContentsMargins(0, 0, 0, 0);
    details->addWidget(m_additionalText, 1);
    details->addWidget(m_additionalTextCount);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 2, 4, 2);
    column->setSpacing(1);
    column->addWidget(m_fileName);
    column->addLayout(details);
}

QLabel* CustomTableCellView::fileName() const
{
    return m_fileName;
}

QLabel* CustomTableCellView::additionalText() const
{
    return m_additionalText;
}

QLabel* CustomTableCellView::additionalTextCount() const
{
    return m_additionalTextCount;
}
