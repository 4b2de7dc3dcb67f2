#pragma once

#include <QWidget>

// A clear cover over the window's content while a panel waits for an
// answer: it takes every click so nothing underneath reacts.
class ViewTransparent : public QWidget
{
    Q_OBJECT
public:
    explicit ViewTransparent(QWidget* parent);

    // Removes every cover from `window`'s content.
    static void removeAll(QWidget* window);
    // Removes the first cover found (one only).
    static void removeFirst(QWidget* window);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
};
