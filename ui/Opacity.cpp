#include "ui/Opacity.h"

#include <QGraphicsOpacityEffect>
#include <QWidget>

void Opacity::set(QWidget* widget, double alpha)
{
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(widget->graphicsEffect());
    if (!effect) {
        effect = new QGraphicsOpacityEffect(widget);
        widget->setGraphicsEffect(effect);
    }
    effect->setOpacity(alpha);
}

double Opacity::of(const QWidget* widget)
{
    const auto* effect = qobject_cast<const QGraphicsOpacityEffect*>(widget->graphicsEffect());
    return effect ? effect->opacity() : 1.0;
}
