#include "ui/ViewSettingsSaved.h"

#include "ui/ButtonStyling.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QPainter>

ViewSettingsSaved::ViewSettingsSaved(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
}

QColor ViewSettingsSaved::borderColor()
{
    return QColor::fromRgbF(0.3137f, 0.5804f, 0.7216f);
}

QColor ViewSettingsSaved::topBandColor()
{
    return QColor::fromRgbF(0.4118f, 0.7569f, 0.9541f);
}

QColor ViewSettingsSaved::bottomBandColor()
{
    // Mid grey taken three quarters of the way to white.
    return QColor::fromRgbF(0.875f, 0.875f, 0.875f);
}

void ViewSettingsSaved::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRectF bounds = rect();
    painter.fillRect(bounds, Qt::white);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(ButtonStyling::NSColorToCGColor(borderColor()), 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5));
    painter.fillRect(QRectF(1, 1, bounds.width() - 2, 25), topBandColor());
    painter.fillRect(QRectF(1, bounds.height() - 46, bounds.width() - 2, 45), bottomBandColor());
}

void ViewSettingsSaved::setDefaultButton(QAbstractButton* button)
{
    m_default = button;
}

QAbstractButton* ViewSettingsSaved::defaultButton() const
{
    return m_default;
}

void ViewSettingsSaved::setCancelButton(QAbstractButton* button)
{
    m_cancel = button;
}

QAbstractButton* ViewSettingsSaved::cancelButton() const
{
    return m_cancel;
}

void ViewSettingsSaved::keyPressEvent(QKeyEvent* event)
{
    QAbstractButton* target = nullptr;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // As in a dialog: the button with the keyboard answers, else the default one.
        auto* focused = qobject_cast<QAbstractButton*>(focusWidget());
        target = focused && isAncestorOf(focused) ? focused : m_default.data();
    } else if (event->key() == Qt::Key_Escape) {
        target = m_cancel;
    }
    if (target && target->isEnabled() && target->isVisibleTo(this) && !event->isAutoRepeat()) {
        target->animateClick();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ViewSettingsSaved::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_default && m_default->isEnabled()) {
        m_default->setFocus(Qt::OtherFocusReason);
    }
}
