#pragma once

#include <QAbstractButton>
#include <QIcon>

// An image button that swaps to its hover image under the mouse. It shows
// only its normal and hover images itself; the others are kept for callers.
class ButtonHoverSimple : public QAbstractButton
{
    Q_OBJECT
public:
    explicit ButtonHoverSimple(QWidget* parent = nullptr);

    void setImageNormal(const QIcon& normal, const QIcon& hover, const QIcon& disabled, const QIcon& onClick);
    QIcon normalImage() const;
    QIcon hoverImage() const;
    QIcon disabledImage() const;
    QIcon onClickImage() const;

    // The image shown now.
    QIcon image() const;
    void setImage(const QIcon& image);

    bool resetImageWhenNotHovering() const;
    void setResetImageWhenNotHovering(bool reset);
    void resetButton();

    int buttonID() const;
    void setButtonID(int id);
    bool hovering() const;
    bool mouseDown() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void dropHoverLook();

    int m_buttonID = 0;
    QIcon m_normalImage;
    QIcon m_hoverImage;
    QIcon m_disabledImage;
    QIcon m_onClickImage;
    QIcon m_image;
    bool m_hovering = false;
    bool m_resetImageWhenNotHovering = false;
};
