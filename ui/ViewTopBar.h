#pragma once

#include <QColor>
#include <QWidget>

// The window's top bar. One fixed colour.
class ViewTopBar : public QWidget
{
    Q_OBJECT
public:
    explicit ViewTopBar(QWidget* parent = nullptr);

    QColor fillColor() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_fillColor;
};
