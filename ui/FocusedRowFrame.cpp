#include "ui/FocusedRowFrame.h"

#include "ui/ButtonStyling.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QPainter>

FocusedRowFrame* FocusedRowFrame::install(QAbstractItemView* view)
{
    if (auto* existing =
            view->viewport()->findChild<FocusedRowFrame*>(QString(), Qt::FindDirectChildrenOnly)) {
        return existing;
    }
    return new FocusedRowFrame(view);
}

FocusedRowFrame::FocusedRowFrame(QAbstractItemView* view) : QWidget(view->viewport()), m_view(view)
{
    setObjectName(QStringLiteral("focusedRowFrame"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
    view->installEventFilter(this);
    view->viewport()->installEventFilter(this);
}

QRect FocusedRowFrame::frameRect() const
{
    return isVisible() ? geometry() : QRect();
}

bool FocusedRowFrame::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::FocusIn:
    case QEvent::FocusOut:
    case QEvent::Resize:
    case QEvent::Paint:
    case QEvent::Show:
    case QEvent::Hide:
        // Every change of the current row, of scrolling or of the rows
        // repaints the viewport, so following it here misses nothing; the
        // frame only moves when its place really changed.
        follow();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void FocusedRowFrame::follow()
{
    if (!m_view) {
        return;
    }
    const QModelIndex current = m_view->currentIndex();
    QRect row;
    if (current.isValid() && m_view->hasFocus()) {
        const QRect cell = m_view->visualRect(current);
        if (cell.isValid()) {
            row = QRect(0, cell.top(), m_view->viewport()->width(), cell.height());
        }
    }
    if (row.isEmpty() || !row.intersects(m_view->viewport()->rect())) {
        if (isVisible()) {
            hide();
        }
        return;
    }
    if (geometry() != row) {
        setGeometry(row);
    }
    if (!isVisible()) {
        show();
        raise();
    }
}

void FocusedRowFrame::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QRect bounds = rect();
    painter.setPen(QPen(ButtonStyling::focusRingColor(), 2));
    painter.setBrush(Qt::NoBrush);
    // Navy alone: 3.6:1 on the teal selection, 14:1 on white; rows are too
    // low for the buttons' second, white line.
    painter.drawRect(bounds.adjusted(1, 1, -1, -1));
}
