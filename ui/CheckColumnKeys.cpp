#include "ui/CheckColumnKeys.h"

#include <QAbstractItemView>
#include <QKeyEvent>

CheckColumnKeys::CheckColumnKeys(QAbstractItemView* view, int column)
    : QObject(view), m_view(view), m_column(column)
{
}

void CheckColumnKeys::install(QAbstractItemView* view, int column)
{
    view->installEventFilter(new CheckColumnKeys(view, column));
}

bool CheckColumnKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_view || event->type() != QEvent::KeyPress) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() != Qt::Key_Space && key->key() != Qt::Key_Select) || key->modifiers() != Qt::NoModifier) {
        return false;
    }
    const QModelIndex box = m_view->currentIndex().siblingAtColumn(m_column);
    if (!box.isValid() || !(box.flags() & Qt::ItemIsUserCheckable) || !(box.flags() & Qt::ItemIsEnabled)) {
        return false;
    }
    const auto state = box.data(Qt::CheckStateRole).value<Qt::CheckState>();
    m_view->model()->setData(box, state == Qt::Checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
    return true;
}
