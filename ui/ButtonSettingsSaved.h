#pragma once

#include <QAbstractButton>
#include <QPointer>

class ViewTransparent;

// A flat button with a soft gradient and a blue border that lightens under
// the mouse. It shows the pointing hand only while its cover has no other
// cover on top.
class ButtonSettingsSaved : public QAbstractButton
{
    Q_OBJECT
public:
    explicit ButtonSettingsSaved(QWidget* parent = nullptr);

    QString title() const;
    void setTitle(const QString& title);

    ViewTransparent* viewTransparent() const;
    void setViewTransparent(ViewTransparent* overlay);

    bool hovering() const;

    static QColor baseColor(bool hovering);
    static QColor borderColor(bool hovering);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void updateCursor();

    bool m_hovering = false;
    QPointer<ViewTransparent> m_viewTransparent;
};
