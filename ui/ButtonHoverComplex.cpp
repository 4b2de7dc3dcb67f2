#include "ui/ButtonHoverComplex.h"

#include "ui/Opacity.h"
#include "ui/PaintedLook.h"
#include "ui/ViewTransparent.h"
#include "ui/ViewTransparentCenter.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

ButtonHoverComplex::ButtonHoverComplex(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    connect(ViewTransparentCenter::instance(), &ViewTransparentCenter::viewTransparentAdded, this,
            [this] { clearHover(); });
}

void ButtonHoverComplex::setImageNormal(const QIcon& normal, const QIcon& arrow)
{
    m_normalImage = normal;
    m_arrowImage = arrow;
    update();
}

QIcon ButtonHoverComplex::normalImage() const
{
    return m_normalImage;
}

QIcon ButtonHoverComplex::arrowImage() const
{
    return m_arrowImage;
}

QString ButtonHoverComplex::title() const
{
    return text();
}

void ButtonHoverComplex::setTitle(const QString& title)
{
    // The caption is the button's text, which also names it for screen readers.
    setText(title);
}

QColor ButtonHoverComplex::fillColor() const
{
    return m_fillColor;
}

void ButtonHoverComplex::setFillColor(const QColor& color)
{
    m_fillColor = color;
    update();
}

void ButtonHoverComplex::resetButton()
{
    m_hovering = false;
    update();
}

int ButtonHoverComplex::buttonID() const
{
    return m_buttonID;
}

void ButtonHoverComplex::setButtonID(int id)
{
    m_buttonID = id;
}

bool ButtonHoverComplex::hovering() const
{
    return m_hovering;
}

bool ButtonHoverComplex::mouseDown() const
{
    return m_mouseDown;
}

QPixmap ButtonHoverComplex::iconPixmap(qreal devicePixelRatio) const
{
    if (m_normalImage.isNull()) {
        return {};
    }
    // Icons read from files list their sizes in points, icons built from a
    // pixmap in that pixmap's pixels.
    const QPixmap best = m_normalImage.pixmap(QSize(kIconWidth, kIconWidth), devicePixelRatio);
    for (const QSize& size : m_normalImage.availableSizes()) {
        if (size.width() == kIconWidth ||
            (qFuzzyCompare(best.deviceIndependentSize().width(), qreal(kIconWidth)) &&
             size.width() == best.width())) {
            return best;
        }
    }
    QPixmap copy = best.scaled(QSize(kIconWidth, kIconWidth) * devicePixelRatio, Qt::IgnoreAspectRatio,
                               Qt::SmoothTransformation);
    copy.setDevicePixelRatio(devicePixelRatio);
    return copy;
}

QSize ButtonHoverComplex::sizeHint() const
{
    return QSize(kIconWidth + 40, kIconWidth + 50);
}

void ButtonHoverComplex::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    if (!isEnabled() && Opacity::of(this) >= 1.0) {
        painter.setOpacity(PaintedLook::disabledOpacity());
    }
    if (m_fillColor.isValid()) {
        const bool pressed = m_mouseDown || isDown();
        painter.fillRect(event->rect(), pressed ? m_fillColor.darker(112) : m_fillColor);
    }

    const QRectF area = QRectF(rect()).adjusted(10, 10, -10, -10);
    const QPixmap icon = iconPixmap(devicePixelRatioF());
    if (!icon.isNull()) {
        const QSizeF size = icon.deviceIndependentSize();
        painter.drawPixmap(
            QPointF(area.center().x() - size.width() / 2, area.center().y() - size.height() / 2), icon);
    }

    const QFont font = PaintedLook::systemFont(13);
    const QFontMetricsF metrics(font);
    const QRectF caption(6, height() - 8 - metrics.height(), width() - 12, metrics.height());
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(caption, Qt::AlignCenter, metrics.elidedText(text(), Qt::ElideRight, caption.width()));

    if (hasFocus()) {
        PaintedLook::paintFocusRing(painter, rect());
    }
}

void ButtonHoverComplex::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange) {
        clearHover();
    }
    QAbstractButton::changeEvent(event);
}

void ButtonHoverComplex::clearHover()
{
    if (m_hovering && Opacity::of(this) == HoverOpacity) {
        Opacity::set(this, 1.0);
    }
    m_hovering = false;
    m_mouseDown = false;
    update();
}

void ButtonHoverComplex::enterEvent(QEnterEvent* event)
{
    m_hovering = true;
    Opacity::set(this, HoverOpacity);
    setCursor(Qt::PointingHandCursor);
    QAbstractButton::enterEvent(event);
}

void ButtonHoverComplex::leaveEvent(QEvent* event)
{
    m_hovering = false;
    Opacity::set(this, 1.0);
    QAbstractButton::leaveEvent(event);
}

void ButtonHoverComplex::mousePressEvent(QMouseEvent* event)
{
    m_mouseDown = true;
    update();
    QAbstractButton::mousePressEvent(event);
}

void ButtonHoverComplex::mouseReleaseEvent(QMouseEvent* event)
{
    QAbstractButton::mouseReleaseEvent(event);
    m_mouseDown = false;
    update();
}

void ButtonHoverComplex::keyPressEvent(QKeyEvent* event)
{
    if (!PaintedLook::clickOnEnter(this, event)) {
        QAbstractButton::keyPressEvent(event);
    }
}
