#include "ui/ButtonStyling.h"

#include "ui/ButtonHoverComplex.h"
#include "ui/ButtonSettingsSaved.h"
#include "ui/HoverButton.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>

namespace {

// Plain buttons keep their look in properties so a new title keeps the
// background and a new background keeps the title.
constexpr char kBackground[] = "tidemarkBackground";
constexpr char kCornerRadius[] = "tidemarkCornerRadius";
constexpr char kTitleColor[] = "tidemarkTitleColor";
constexpr char kFontSize[] = "tidemarkFontSize";
constexpr char kUnderline[] = "tidemarkUnderline";
constexpr char kAlignment[] = "tidemarkAlignment";

QString cssColor(const QColor& color)
{
    return color.name(QColor::HexArgb);
}

} // namespace

void ButtonStyling::setButtonAtrribute(QAbstractButton* button, double cornerRadius, const QColor& background,
                                       const QVariantMap& titleDetail)
{
    const QColor titleColor = titleDetail.value(QStringLiteral("TitleColor")).value<QColor>();
    const AttributedTitle title =
        setCenterAttributes(titleColor.isValid() ? titleColor : QColor(Qt::black),
                            titleDetail.value(QStringLiteral("Title")).toString(),
                            titleDetail.value(QStringLiteral("Font"), 13.0).toDouble());
    if (auto* hover = qobject_cast<HoverButton*>(button)) {
        hover->setCornerRadius(cornerRadius);
        hover->setBackgroundColor(NSColorToCGColor(background));
        hover->setAttributedTitle(title);
        return;
    }
    if (auto* tile = qobject_cast<ButtonHoverComplex*>(button)) {
        tile->setFillColor(background);
        tile->setTitle(title.text());
        return;
    }
    if (qobject_cast<ButtonSettingsSaved*>(button)) {
        setAttributedTitle(button, title);
        return;
    }
    button->setProperty(kBackground, NSColorToCGColor(background));
    button->setProperty(kCornerRadius, cornerRadius);
    setAttributedTitle(button, title);
}

AttributedTitle ButtonStyling::setCenterAttributes(const QColor& color, const QString& text, double fontSize)
{
    return setCenterAttributes(color, text, fontSize, false, Qt::AlignHCenter);
}

AttributedTitle ButtonStyling::setCenterAttributes(const QColor& color, const QString& text, double fontSize,
                                                   bool underline, Qt::Alignment alignment)
{
    QFont font = systemFont(fontSize);
    if (underline) {
        font.setUnderline(true);
    }
    return AttributedTitle(text, color, font, alignment);
}

void ButtonStyling::setAttributedTitle(QAbstractButton* button, const AttributedTitle& title)
{
    if (auto* hover = qobject_cast<HoverButton*>(button)) {
        hover->setAttributedTitle(title);
        return;
    }
    if (auto* tile = qobject_cast<ButtonHoverComplex*>(button)) {
        tile->setTitle(title.text());
        return;
    }
    if (auto* saved = qobject_cast<ButtonSettingsSaved*>(button)) {
        saved->setTitle(title.text());
        return;
    }
    button->setProperty(kTitleColor, title.color());
    button->setProperty(kFontSize, title.font().pixelSize() > 0 ? double(title.font().pixelSize())
                                                                : title.font().pointSizeF());
    button->setProperty(kUnderline, title.font().underline());
    button->setProperty(kAlignment, int(title.alignment()));
    button->setText(title.text());
    applyStyleSheet(button);
}

void ButtonStyling::applyStyleSheet(QAbstractButton* button)
{
    QStringList rules;
    const QColor background = button->property(kBackground).value<QColor>();
    if (background.isValid()) {
        rules << QStringLiteral("background-color: %1;").arg(cssColor(background))
              << QStringLiteral("border: none;")
              << QStringLiteral("border-radius: %1px;").arg(button->property(kCornerRadius).toDouble());
    }
    const QColor titleColor = button->property(kTitleColor).value<QColor>();
    if (titleColor.isValid()) {
        rules << QStringLiteral("color: %1;").arg(cssColor(titleColor));
    }
    if (button->property(kFontSize).isValid()) {
        rules << QStringLiteral("font-size: %1px;").arg(button->property(kFontSize).toDouble());
        rules << QStringLiteral("text-decoration: %1;")
                     .arg(button->property(kUnderline).toBool() ? QStringLiteral("underline")
                                                                : QStringLiteral("none"));
        const auto alignment = Qt::Alignment(button->property(kAlignment).toInt());
        rules << QStringLiteral("text-align: %1;")
                     .arg(alignment & Qt::AlignLeft    ? QStringLiteral("left")
                          : alignment & Qt::AlignRight ? QStringLiteral("right")
                                                       : QStringLiteral("center"));
    }
    QString sheet = QStringLiteral("QAbstractButton { %1 }\n").arg(rules.join(QLatin1Char(' ')));
    if (background.isValid()) {
        sheet += QStringLiteral("QAbstractButton:pressed { background-color: %1; }\n")
                     .arg(cssColor(background.darker(115)));
        sheet +=
            QStringLiteral("QAbstractButton:focus { border: 2px solid %1; }\n").arg(focusRingColor().name());
    }
    if (titleColor.isValid()) {
        QColor dimmed = titleColor;
        dimmed.setAlphaF(titleColor.alphaF() * 0.5);
        sheet += QStringLiteral("QAbstractButton:disabled { color: %1; }\n").arg(cssColor(dimmed));
    }
    button->setStyleSheet(sheet);
}

QColor ButtonStyling::NSColorToCGColor(const QColor& color)
{
    // A copy in the same colour model with the same components.
    return color;
}

QFont ButtonStyling::systemFont(double size)
{
    QFont font = QGuiApplication::font();
    font.setPixelSize(qMax(1, qRound(size)));
    return font;
}

QColor ButtonStyling::focusRingColor()
{
    // Deep navy: at least 4:1 against white, the teal fills and the pale
    // gradients; the white line inside it carries the ring over dark fills.
    return QColor(0x10, 0x2a, 0x43);
}

QColor ButtonStyling::focusRingInnerColor()
{
    return QColor(Qt::white);
}

double ButtonStyling::disabledOpacity()
{
    return 0.6;
}

void ButtonStyling::paintFocusRing(QPainter& painter, const QRectF& bounds, double cornerRadius)
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

bool ButtonStyling::clickOnEnter(QAbstractButton* button, QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !event->isAutoRepeat() &&
        button->isEnabled()) {
        button->animateClick();
        event->accept();
        return true;
    }
    return false;
}
