#include "ui/HoverButton.h"

#include "ui/Opacity.h"
#include "ui/PaintedLook.h"
#include "ui/ViewTransparent.h"
#include "ui/ViewTransparentCenter.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

HoverButton::HoverButton(QWidget* parent)
    : QAbstractButton(parent), m_title(PaintedLook::setCenterAttributes(Qt::white, QString(), 14))
{
    setFocusPolicy(Qt::StrongFocus);
    // A cover laid over the page ends any hover look below it: the pointer
    // can no longer leave the button in a way the button would see.
    connect(ViewTransparentCenter::instance(), &ViewTransparentCenter::viewTransparentAdded, this,
            [this] { clearHover(); });
}

bool HoverButton::isHoverFaded() const
{
    return m_hoverFaded;
}

void HoverButton::clearHover()
{
    // Only our own fade is taken back; an alpha the page set since stays.
    if (m_hoverFaded && Opacity::of(this) == HoverOpacity) {
        Opacity::set(this, 1.0);
    }
    m_hoverFaded = false;
}

double HoverButton::cornerRadius() const
{
    return m_cornerRadius;
}

void HoverButton::setCornerRadius(double radius)
{
    m_cornerRadius = radius;
    update();
}

QColor HoverButton::backgroundColor() const
{
    return m_background;
}

void HoverButton::setBackgroundColor(const QColor& color)
{
    m_background = color;
    update();
}

AttributedTitle HoverButton::attributedTitle() const
{
    return m_title;
}

void HoverButton::setAttributedTitle(const AttributedTitle& title)
{
    m_title = title;
    // The words are the button's text (set and read by the pages, named by
    // screen readers); the attributed title keeps their colour, font and alignment.
    setText(title.text());
    updateGeometry();
    update();
}

void HoverButton::setButtonAtrribute(double cornerRadius, const QColor& background,
                                     const QVariantMap& titleDetail)
{
    setCornerRadius(cornerRadius);
    setBackgroundColor(PaintedLook::NSColorToCGColor(background));
    setAttributedTitle(PaintedLook::titleFromDetail(titleDetail));
}

bool HoverButton::fadesWhenDisabled() const
{
    return m_fadesWhenDisabled;
}

void HoverButton::setFadesWhenDisabled(bool fades)
{
    m_fadesWhenDisabled = fades;
    update();
}

QSize HoverButton::sizeHint() const
{
    const QFontMetrics metrics(m_title.font());
    const int iconWidth = icon().isNull() ? 0 : iconSize().width() + 6;
    return QSize(metrics.horizontalAdvance(text()) + iconWidth + 24, qMax(28, metrics.height() + 12));
}

QColor HoverButton::paintedBackground() const
{
    return m_background;
}

void HoverButton::paintFrame(QPainter&, const QRectF&) const {}

bool HoverButton::dimsIconWhenDisabled() const
{
    return false;
}

void HoverButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!isEnabled() && m_fadesWhenDisabled && Opacity::of(this) >= 1.0) {
        // A command that cannot be used must look it, not only refuse the
        // click; one fade only, so a page that already dims it is not
        // doubled. The button is drawn whole and then faded as one, as the
        // page's alpha does: a title is not faded a second time over its fill.
        const qreal ratio = devicePixelRatioF();
        QImage layer(size() * ratio, QImage::Format_ARGB32_Premultiplied);
        layer.setDevicePixelRatio(ratio);
        layer.fill(Qt::transparent);
        QPainter layerPainter(&layer);
        paintButton(layerPainter);
        layerPainter.end();
        painter.setOpacity(PaintedLook::disabledOpacity());
        painter.drawImage(QPoint(0, 0), layer);
        return;
    }
    paintButton(painter);
}

void HoverButton::paintButton(QPainter& painter)
{
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();
    QPainterPath shape;
    shape.addRoundedRect(bounds, m_cornerRadius, m_cornerRadius);
    painter.setClipPath(shape);

    const QColor background = paintedBackground();
    if (background.isValid()) {
        painter.fillPath(shape, PaintedLook::NSColorToCGColor(background));
    }
    if (isDown()) {
        painter.fillPath(shape, QColor(0, 0, 0, 40));
    }

    const AttributedTitle shown(text(), m_title.color(), m_title.font(), m_title.alignment());
    // Icon and title side by side, centred as one.
    QRectF content = bounds.adjusted(6, 2, -6, -2);
    if (!icon().isNull()) {
        const QSize size = iconSize();
        const qreal titleWidth =
            shown.isEmpty() ? 0 : QFontMetricsF(shown.font()).horizontalAdvance(shown.text()) + 6;
        const qreal left = content.left() + qMax<qreal>(0, (content.width() - size.width() - titleWidth) / 2);
        const QRectF iconRect(left, content.center().y() - size.height() / 2.0, size.width(), size.height());
        const QIcon::Mode mode = !isEnabled() && dimsIconWhenDisabled() ? QIcon::Disabled : QIcon::Normal;
        icon().paint(&painter, iconRect.toAlignedRect(), Qt::AlignCenter, mode);
        if (!shown.isEmpty()) {
            content.setLeft(iconRect.right() + 6);
        }
    }
    shown.paint(painter, content);

    painter.setClipping(false);
    paintFrame(painter, bounds);
    if (hasFocus()) {
        PaintedLook::paintFocusRing(painter, bounds, m_cornerRadius);
    }
}

void HoverButton::enterEvent(QEnterEvent* event)
{
    if (isEnabled()) {
        if (Opacity::of(this) >= 1.0) {
            Opacity::set(this, HoverOpacity);
            m_hoverFaded = true;
        }
        setCursor(Qt::PointingHandCursor);
    } else {
        setCursor(Qt::ForbiddenCursor);
    }
    QAbstractButton::enterEvent(event);
}

void HoverButton::leaveEvent(QEvent* event)
{
    clearHover();
    if (!isEnabled()) {
        setCursor(Qt::ForbiddenCursor);
    }
    QAbstractButton::leaveEvent(event);
}

void HoverButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange) {
        // A button disabled under the pointer would otherwise keep its hover
        // fade through the time it is disabled and after.
        clearHover();
        setCursor(isEnabled() ? Qt::PointingHandCursor : Qt::ForbiddenCursor);
        update();
    }
    QAbstractButton::changeEvent(event);
}

void HoverButton::keyPressEvent(QKeyEvent* event)
{
    if (!PaintedLook::clickOnEnter(this, event)) {
        QAbstractButton::keyPressEvent(event);
    }
}
