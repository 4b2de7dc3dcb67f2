#include "ui/AnchorLayout.h"

#include <QWidget>
#include <QWidgetItem>
#include <cmath>

AnchorLayout::AnchorLayout(QWidget* parent, const QSize& designSize)
    : QLayout(parent), m_designSize(designSize)
{
    setContentsMargins(0, 0, 0, 0);
    setSpacing(0);
}

AnchorLayout::~AnchorLayout()
{
    while (QLayoutItem* item = takeAt(0)) {
        delete item;
    }
}

void AnchorLayout::addAnchored(QWidget* widget, double left, double top, double right, double bottom)
{
    const QRect design = widget->geometry();
    addChildWidget(widget);
    m_entries.append({new QWidgetItem(widget), design, left, top, right, bottom});
    invalidate();
}

void AnchorLayout::addItem(QLayoutItem* item)
{
    // A plain item keeps its place and size.
    const QRect design = item->widget() ? item->widget()->geometry() : item->geometry();
    m_entries.append({item, design, 0, 0, 0, 0});
}

QLayoutItem* AnchorLayout::itemAt(int index) const
{
    return index >= 0 && index < m_entries.size() ? m_entries.at(index).item : nullptr;
}

QLayoutItem* AnchorLayout::takeAt(int index)
{
    if (index < 0 || index >= m_entries.size()) {
        return nullptr;
    }
    return m_entries.takeAt(index).item;
}

int AnchorLayout::count() const
{
    return int(m_entries.size());
}

QSize AnchorLayout::sizeHint() const
{
    return m_designSize;
}

QSize AnchorLayout::minimumSize() const
{
    return m_designSize;
}

void AnchorLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    const double extraWidth = rect.width() - m_designSize.width();
    const double extraHeight = rect.height() - m_designSize.height();
    for (const Entry& entry : std::as_const(m_entries)) {
        const QRect& d = entry.design;
        const int left = d.left() + int(std::lround(entry.left * extraWidth));
        const int right = d.left() + d.width() + int(std::lround(entry.right * extraWidth));
        const int top = d.top() + int(std::lround(entry.top * extraHeight));
        const int bottom = d.top() + d.height() + int(std::lround(entry.bottom * extraHeight));
        const QRect place(rect.left() + left, rect.top() + top, qMax(0, right - left), qMax(0, bottom - top));
        // Straight onto the widget: the place is the design's, not a size
        // the widget's policy would bargain down to its size hint.
        if (QWidget* widget = entry.item->widget()) {
            widget->setGeometry(place);
        } else {
            entry.item->setGeometry(place);
        }
    }
}
