#include "ui/ButtonStyling.h"

#include "ui/ButtonHoverComplex.h"
#include "ui/ButtonSettingsSaved.h"
#include "ui/HoverButton.h"

#include <QAbstractButton>

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
    if (auto* hover = qobject_cast<HoverButton*>(button)) {
        hover->setButtonAtrribute(cornerRadius, background, titleDetail);
        return;
    }
    const AttributedTitle title = titleFromDetail(titleDetail);
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
