#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QPainter;
class QRectF;

// A button title with its own colour, font and alignment, painted the same
// way by every painted button.
class AttributedTitle
{
public:
    AttributedTitle();
    AttributedTitle(const QString& text, const QColor& color, const QFont& font, Qt::Alignment alignment);

    QString text() const;
    QColor color() const;
    QFont font() const;
    Qt::Alignment alignment() const;
    bool isEmpty() const;

    // Draws the title vertically centred in `rect`, cut at the tail when it
    // does not fit.
    void paint(QPainter& painter, const QRectF& rect) const;

private:
    QString m_text;
    QColor m_color;
    QFont m_font;
    Qt::Alignment m_alignment = Qt::AlignHCenter;
};
