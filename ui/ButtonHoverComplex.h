#pragma once

#include <QAbstractButton>
#include <QIcon>

// A tile: a filled square with a 110-point icon and a white caption, which
// fades to 80 % under the mouse.
class ButtonHoverComplex : public QAbstractButton
{
    Q_OBJECT
public:
    explicit ButtonHoverComplex(QWidget* parent = nullptr);

    // `arrow` is kept for callers, never drawn.
    void setImageNormal(const QIcon& normal, const QIcon& arrow);
    QIcon normalImage() const;
    QIcon arrowImage() const;

    QString title() const;
    void setTitle(const QString& title);
    // An invalid colour leaves the tile unfilled.
    QColor fillColor() const;
    void setFillColor(const QColor& color);

    void resetButton();
    int buttonID() const;
    void setButtonID(int id);
    bool hovering() const;
    bool mouseDown() const;

    // The icon as drawn at `devicePixelRatio`: the 110-point representation
    // when there is one, else a copy resized to 110 x 110.
    QPixmap iconPixmap(qreal devicePixelRatio) const;

    static constexpr int kIconWidth = 110;
    static constexpr double HoverOpacity = 0.8;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int m_buttonID = 0;
    QIcon m_normalImage;
    QIcon m_arrowImage;
    bool m_hovering = false;
    bool m_mouseDown = false;
    QColor m_fillColor;

    // Takes back the hover and pressed looks (enabled state changed, or a cover came).
    void clearHover();
};
