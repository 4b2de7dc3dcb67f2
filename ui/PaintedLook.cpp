#include "ui/PaintedLook.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>

AttributedTitle PaintedLook::setCenterAttributes(const QColor& color, const QString& text, double fontSize)
{
    return setCenterAttributes(color, text, fontSize, false, Qt::AlignHCenter);
}

AttributedTitle PaintedLook::setCenterAttributes(const QColor& color, const QString& text, double fontSize,
                                                 bool underline, Qt::Alignment alignment)
{
    QFont font = systemFont(fontSize);
    if (underline) {
        font.setUnderline(true);
    }
    return AttributedTitle(text, color, font, alignment);
}

AttributedTitle PaintedLook::titleFromDetail(const QVariantMap& titleDetail)
{
    const QColor titleColor = titleDetail.value(QStringLiteral("TitleColor")).value<QColor>();
    return setCenterAttributes(titleColor.isValid() ? titleColor : QColor(Qt::black),
                               titleDetail.value(QStringLiteral("Title")).toString(),
                               titleDetail.value(QStringLiteral("Font"), 13.0).toDouble());
}

QColor PaintedLook::NSColorToCGColor(const QColor& color)
{
    // A copy in the same colour model with the same components.
    return color;
}

QFont PaintedLook::systemFont(double size)
{
    QFont font = QGuiApplication::font();
    font.setPixelSize(qMax(1, qRound(size)));
    return font;
}

QColor PaintedLook::focusRingColor()
{
    // Deep navy: at least 4:1 against white, the teal fills and the pale
    // gradients; the white line inside it carries the ring over dark fills.
    return QColor(0x10, 0x2a, 0x43);
}

QColor PaintedLook::focusRingInnerColor()
{
    return QColor(Qt::white);
}

double PaintedLook::disabledOpacity()
{
    return 0.6;
}

void PaintedLook::paintFocusRing(QPainter& painter, const QRectF& bounds, double cornerRadius)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(focusRingColor(), 2.0));
    // Inside the bounds, clear of a 1-point border.
    const QRectF ring = bounds.adjusted(2.0, 2.0, -2.0, -2.0);
    painter.drawRoundedRect(ring, qMax(0.0, cornerRadius - 2.0), qMax(0.0, cornerRadius - 2.0));
    painter.setPen(QPen(focusRingInnerColor(), 1.0));
    const QRectF inner = bounds.adjusted(3.5, 3.5, -3.5, -3.5);
    painter.drawRoundedRect(inner, qMax(0.0, cornerRadius - 3.5), qMax(0.0, cornerRadius - 3.5));
    painter.restore();
}

bool PaintedLook::clickOnEnter(QAbstractButton* button, QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !event->isAutoRepeat() &&
        button->isEnabled()) {
        button->animateClick();
        event->accept();
        return true;
    }
    return false;
}
