#pragma once

#include <QPointer>
#include <QWidget>

class QAbstractButton;

// A framed white panel with a blue band on top and a grey band below, for
// a short confirmation.
class ViewSettingsSaved : public QWidget
{
    Q_OBJECT
public:
    explicit ViewSettingsSaved(QWidget* parent = nullptr);

    static QColor borderColor();
    static QColor topBandColor();
    static QColor bottomBandColor();

    // Return and Enter press the default button (or the panel's button that
    // has the keyboard), Escape the cancel button. The default button takes
    // the keyboard when the panel shows.
    void setDefaultButton(QAbstractButton* button);
    QAbstractButton* defaultButton() const;
    void setCancelButton(QAbstractButton* button);
    QAbstractButton* cancelButton() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QPointer<QAbstractButton> m_default;
    QPointer<QAbstractButton> m_cancel;
};
