#pragma once

#include <QColor>
#include <QWidget>

// A view that fills whatever needs drawing with one fixed colour: the
// common part of the window's bars and backdrops.
class ViewColorBar : public QWidget
{
    Q_OBJECT
public:
    QColor fillColor() const;

protected:
    ViewColorBar(const QColor& fillColor, QWidget* parent);
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_fillColor;
};
