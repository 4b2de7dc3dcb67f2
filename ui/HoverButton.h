#pragma once

#include "ui/AttributedTitle.h"

#include <QAbstractButton>

// A flat, rounded, filled button that fades to 70 % under the mouse and
// shows the "not allowed" cursor while disabled.
class HoverButton : public QAbstractButton
{
    Q_OBJECT
public:
    explicit HoverButton(QWidget* parent = nullptr);

    double cornerRadius() const;
    void setCornerRadius(double radius);
    // An invalid colour leaves the button unfilled.
    QColor backgroundColor() const;
    void setBackgroundColor(const QColor& color);
    AttributedTitle attributedTitle() const;
    void setAttributedTitle(const AttributedTitle& title);

    // Rounds and fills this button and gives it the title of `titleDetail`.
    void setButtonAtrribute(double cornerRadius, const QColor& background, const QVariantMap& titleDetail);

    // A disabled button is drawn faded, unless it stands for the choice in
    // force (a tab that is the one on show), which is disabled but not unusable.
    bool fadesWhenDisabled() const;
    void setFadesWhenDisabled(bool fades);

    QSize sizeHint() const override;

    static constexpr double HoverOpacity = 0.7;
    // True while the pointer's fade is applied.
    bool isHoverFaded() const;

protected:
    // What the fill, frame and icon look like; WIndowsLikeButton fixes them.
    virtual QColor paintedBackground() const;
    virtual void paintFrame(QPainter& painter, const QRectF& bounds) const;
    virtual bool dimsIconWhenDisabled() const;

    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    double m_cornerRadius = 0;
    QColor m_background;
    AttributedTitle m_title;
    bool m_fadesWhenDisabled = true;
    bool m_hoverFaded = false;

    void clearHover();
    void paintButton(QPainter& painter);
};
