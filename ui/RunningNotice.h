#pragma once

#include "ui/ViewSettingsSaved.h"

class QLabel;

// The non-blocking in-window notice with its "Ok" button. It belongs to the
// page that raised it.
class RunningNotice : public ViewSettingsSaved
{
    Q_OBJECT
public:
    explicit RunningNotice(QWidget* parent = nullptr);

    void setText(const QString& text, const QString& ownerPage);
    QString text() const;
    // The identifier of the page the notice belongs to.
    const QString& ownerPage() const { return m_ownerPage; }

Q_SIGNALS:
    void okClicked();

private:
    QLabel* m_text;
    QString m_ownerPage;
};
