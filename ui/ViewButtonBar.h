#pragma once

#include <QColor>
#include <QWidget>

// The white strip that carries a row of buttons. One fixed colour.
class ViewButtonBar : public QWidget
{
    Q_OBJECT
public:
    explicit ViewButtonBar(QWidget* parent = nullptr);

    QColor fillColor() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_fillColor;
};
