#include "ui/BusyIndicator.h"

#include <QPainter>
#include <QtMath>

BusyIndicator::BusyIndicator(QWidget* parent) : QWidget(parent)
{
    m_timer.setInterval(90);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_step = (m_step + 1) % 12;
        update();
    });
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void BusyIndicator::setRunning(bool running)
{
    if (running) {
        m_timer.start();
    } else {
        m_timer.stop();
    }
    update();
}

void BusyIndicator::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(width() / 2.0, height() / 2.0);
    const qreal radius = qMin(width(), height()) / 2.0 - 8;
    for (int i = 0; i < 12; ++i) {
        const int age = (m_step - i + 12) % 12;
        QColor c(21, 138, 162);
        c.setAlphaF(isRunning() ? 1.0 - age / 13.0 : 0.35);
        p.setBrush(c);
        p.setPen(Qt::NoPen);
        const qreal angle = i * M_PI / 6.0;
        p.drawEllipse(centre + QPointF(qCos(angle), qSin(angle)) * radius, 5.0, 5.0);
    }
}
