#include "ui/ButtonHoverSimple.h"

#include "ui/PaintedLook.h"
#include "ui/ViewTransparent.h"
#include "ui/ViewTransparentCenter.h"

#include <QKeyEvent>
#include <QPainter>

ButtonHoverSimple::ButtonHoverSimple(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    connect(ViewTransparentCenter::instance(), &ViewTransparentCenter::viewTransparentAdded, this,
            [this] { dropHoverLook(); });
}

void ButtonHoverSimple::dropHoverLook()
{
    // The normal picture again: a hover picture must not outlive the hover.
    m_hovering = false;
    if (m_image.cacheKey() == m_hoverImage.cacheKey() && !m_hoverImage.isNull()) {
        setImage(m_normalImage);
    }
}

void ButtonHoverSimple::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange) {
        dropHoverLook();
    }
    QAbstractButton::changeEvent(event);
}

void ButtonHoverSimple::setImageNormal(const QIcon& normal, const QIcon& hover, const QIcon& disabled,
                                       const QIcon& onClick)
{
    m_normalImage = normal;
    m_hoverImage = hover;
    m_disabledImage = disabled;
    m_onClickImage = onClick;
    m_hovering = false;
    setImage(normal);
}

QIcon ButtonHoverSimple::normalImage() const
{
    return m_normalImage;
}

QIcon ButtonHoverSimple::hoverImage() const
{
    return m_hoverImage;
}

QIcon ButtonHoverSimple::disabledImage() const
{
    return m_disabledImage;
}

QIcon ButtonHoverSimple::onClickImage() const
{
    return m_onClickImage;
}

QIcon ButtonHoverSimple::image() const
{
    return m_image;
}

void ButtonHoverSimple::setImage(const QIcon& image)
{
    m_image = image;
    update();
}

bool ButtonHoverSimple::resetImageWhenNotHovering() const
{
    return m_resetImageWhenNotHovering;
}

void ButtonHoverSimple::setResetImageWhenNotHovering(bool reset)
{
    m_resetImageWhenNotHovering = reset;
}

void ButtonHoverSimple::resetButton()
{
    m_hovering = false;
    if (isEnabled() && m_resetImageWhenNotHovering) {
        setImage(m_normalImage);
    }
}

int ButtonHoverSimple::buttonID() const
{
    return m_buttonID;
}

void ButtonHoverSimple::setButtonID(int id)
{
    m_buttonID = id;
}

bool ButtonHoverSimple::hovering() const
{
    return m_hovering;
}

bool ButtonHoverSimple::mouseDown() const
{
    return isDown();
}

QSize ButtonHoverSimple::sizeHint() const
{
    const QList<QSize> sizes = m_image.availableSizes();
    return sizes.isEmpty() ? QSize(32, 32) : sizes.first();
}

void ButtonHoverSimple::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    m_image.paint(&painter, rect(), Qt::AlignCenter);
    if (hasFocus()) {
        PaintedLook::paintFocusRing(painter, rect());
    }
}

void ButtonHoverSimple::enterEvent(QEnterEvent* event)
{
    m_hovering = true;
    if (isEnabled()) {
        setImage(m_hoverImage);
        setCursor(Qt::PointingHandCursor);
    }
    QAbstractButton::enterEvent(event);
}

void ButtonHoverSimple::leaveEvent(QEvent* event)
{
    m_hovering = false;
    if (isEnabled() && m_resetImageWhenNotHovering) {
        setImage(mouseDown() ? m_hoverImage : m_normalImage);
    }
    QAbstractButton::leaveEvent(event);
}

void ButtonHoverSimple::keyPressEvent(QKeyEvent* event)
{
    if (!PaintedLook::clickOnEnter(this, event)) {
        QAbstractButton::keyPressEvent(event);
    }
}
