#pragma once

#include <QColor>
#include <QWidget>

// The grey strip that carries a row of buttons. One fixed colour.
class ViewButtonGrayBar : public QWidget
{
    Q_OBJECT
public:
    explicit ViewButtonGrayBar(QWidget* parent = nullptr);

    QColor fillColor() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_fillColor;
};
