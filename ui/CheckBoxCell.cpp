#include "ui/CheckBoxCell.h"

#include <QCheckBox>
#include <QHBoxLayout>

CheckBoxCell::CheckBoxCell(QWidget* parent) : QWidget(parent), m_checkBox(new QCheckBox(this))
{
    m_checkBox->setObjectName(QStringLiteral("checkBox"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 0, 4, 0);
    row->addWidget(m_checkBox, 0, Qt::AlignCenter);
}

QCheckBox* CheckBoxCell::checkBox() const
{
    return m_checkBox;
}
