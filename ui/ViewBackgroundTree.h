#pragma once

#include <QColor>
#include <QWidget>

// The backdrop behind the result tree. One fixed colour.
class ViewBackgroundTree : public QWidget
{
    Q_OBJECT
public:
    explicit ViewBackgroundTree(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
