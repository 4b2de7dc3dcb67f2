#pragma once

#include <QColor>
#include <QRect>
#include <QString>

class QFont;
class QPainter;

// The mark of a reference location on its row: a small filled label
// "Reference". Drawn as text and shapes, so it is sharp at every scale.
class ReferenceBadge
{
public:
    static QString text();
    static QColor fill();
    static QSize size(const QFont& rowFont);
    // Draws the badge with its top-right corner at `topRight`; returns where it went.
    static QRect paint(QPainter* painter, const QPoint& topRight, const QFont& rowFont);
};
