#include "ui/ButtonSettingsSaved.h"

#include "ui/PaintedLook.h"
#include "ui/ViewTransparent.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>

ButtonSettingsSaved::ButtonSettingsSaved(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::StrongFocus);
}

QString ButtonSettingsSaved::title() const
{
    return text();
}

void ButtonSettingsSaved::setTitle(const QString& title)
{
    // The title is the button's text, which also names it for screen readers.
    setText(title);
}

ViewTransparent* ButtonSettingsSaved::viewTransparent() const
{
    return m_viewTransparent;
}

void ButtonSettingsSaved::setViewTransparent(ViewTransparent* overlay)
{
    if (m_viewTransparent) {
        disconnect(m_viewTransparent, nullptr, this, nullptr);
    }
    m_viewTransparent = overlay;
    if (overlay) {
        connect(overlay, &ViewTransparent::viewsOverlaidCountChanged, this,
                &ButtonSettingsSaved::updateCursor);
        connect(overlay, &QObject::destroyed, this, &ButtonSettingsSaved::updateCursor, Qt::QueuedConnection);
    }
    updateCursor();
}

bool ButtonSettingsSaved::hovering() const
{
    return m_hovering;
}

QColor ButtonSettingsSaved::baseColor(bool hovering)
{
    return hovering ? QColor::fromRgbF(0.8667f, 0.9294f, 0.9882f) : QColor::fromRgbF(0.875f, 0.875f, 0.875f);
}

QColor ButtonSettingsSaved::borderColor(bool hovering)
{
    return hovering ? QColor::fromRgbF(0.4941f, 0.7059f, 0.9176f)
                    : QColor::fromRgbF(0.2078f, 0.5961f, 0.9882f);
}

QSize ButtonSettingsSaved::sizeHint() const
{
    const QFontMetrics metrics(PaintedLook::systemFont(13));
    return QSize(metrics.horizontalAdvance(text()) + 24, 28);
}

void ButtonSettingsSaved::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRectF bounds = rect();
    painter.fillRect(bounds, Qt::white);

    // A key press looks like the mouse over it.
    const bool lit = m_hovering || isDown();
    const QColor base = PaintedLook::NSColorToCGColor(baseColor(lit));
    QColor faded = base;
    faded.setAlphaF(0.5f);
    QLinearGradient gradient(bounds.bottomLeft(), bounds.topLeft());
    gradient.setColorAt(0, base);
    gradient.setColorAt(1, faded);
    painter.fillRect(bounds, gradient);

    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(PaintedLook::NSColorToCGColor(borderColor(lit)), 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5));

    const QFont font = PaintedLook::systemFont(13);
    const QFontMetricsF metrics(font);
    const QRectF inner = bounds.adjusted(1, 1, -1, -1);
    const qreal top = qRound(inner.center().y() - metrics.height() / 2);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRectF(inner.left(), top, inner.width(), metrics.height()),
                     Qt::AlignHCenter | Qt::AlignTop,
                     metrics.elidedText(text(), Qt::ElideRight, inner.width()));

    if (hasFocus()) {
        PaintedLook::paintFocusRing(painter, bounds);
    }
}

void ButtonSettingsSaved::enterEvent(QEnterEvent* event)
{
    m_hovering = true;
    update();
    QAbstractButton::enterEvent(event);
}

void ButtonSettingsSaved::leaveEvent(QEvent* event)
{
    m_hovering = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void ButtonSettingsSaved::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange) {
        m_hovering = false;
        update();
    }
    QAbstractButton::changeEvent(event);
}

void ButtonSettingsSaved::keyPressEvent(QKeyEvent* event)
{
    if (!PaintedLook::clickOnEnter(this, event)) {
        QAbstractButton::keyPressEvent(event);
    }
}

void ButtonSettingsSaved::updateCursor()
{
    if (m_viewTransparent && m_viewTransparent->viewsOverlaidCount() == 0) {
        setCursor(Qt::PointingHandCursor);
    } else {
        unsetCursor();
    }
}
