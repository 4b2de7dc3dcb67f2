#include "app/AlertBox.h"

#include <QMessageBox>
#include <QPushButton>

QMessageBox* AlertBox::create(QWidget* parent, const QString& objectName, const QString& text,
                              const QString& informativeText)
{
    auto* box = new QMessageBox(parent);
    box->setObjectName(objectName);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setText(text);
    box->setInformativeText(informativeText);
    // Room for the message on one or two lines rather than a narrow column.
    box->setStyleSheet(QStringLiteral("QLabel { min-width: 300px; }"));
    return box;
}

QMessageBox* AlertBox::askYesNo(QWidget* parent, const QString& objectName, const QString& informativeText,
                                QObject* context, std::function<void(bool yes)> answered)
{
    QMessageBox* box = create(parent, objectName, QStringLiteral("Tidemark"), informativeText);
    QPushButton* yes = box->addButton(QStringLiteral("YES"), QMessageBox::YesRole);
    box->addButton(QStringLiteral("NO"), QMessageBox::NoRole);
    box->setDefaultButton(yes);
    QObject::connect(box, &QMessageBox::finished, context,
                     [box, yes, answered = std::move(answered)] { answered(box->clickedButton() == yes); });
    box->open();
    return box;
}
