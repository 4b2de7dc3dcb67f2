#pragma once

#include <QWidget>

// A clear cover over the window's content while a panel waits for an
// answer: it takes every click so nothing underneath reacts. Each cover
// counts the other covers that came after it.
class ViewTransparent : public QWidget
{
    Q_OBJECT
public:
    explicit ViewTransparent(QWidget* parent);

    // Removes every cover from `window`'s content.
    static void removeAll(QWidget* window);
    // Removes the first cover found (one only).
    static void removeFirst(QWidget* window);

    int viewsOverlaidCount() const;
    void setviewsOverlaidCount(int count);

    // Tells every other cover that this one is going away.
    void postRemovedNotification();

signals:
    void viewsOverlaidCountChanged(int count);

public slots:
    void viewTransparentAddedNote(ViewTransparent* overlay);
    void viewTransparentRemovedNote(ViewTransparent* overlay);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    static void take(ViewTransparent* cover);

    int m_viewsOverlaidCount = 0;
};
