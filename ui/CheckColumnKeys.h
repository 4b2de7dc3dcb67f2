#pragma once

#include <QObject>

class QAbstractItemView;

// Space (or Select) on an item view toggles the check box of the current
// row, whichever of the row's cells has the focus: keyboard users need not
// first move along the row to the box.
class CheckColumnKeys : public QObject
{
    Q_OBJECT
public:
    // Watches `view` (and is owned by it); `column` holds the row's box.
    static void install(QAbstractItemView* view, int column);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CheckColumnKeys(QAbstractItemView* view, int column);

    QAbstractItemView* m_view;
    int m_column;
};
