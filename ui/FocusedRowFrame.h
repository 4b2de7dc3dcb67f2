#pragma once

#include <QPointer>
#include <QWidget>

class QAbstractItemView;

// Frames the row of a view's current index while the view has the keyboard,
// whatever its delegates paint: the row a key press will act on is always
// visible, selected or not.
class FocusedRowFrame : public QWidget
{
    Q_OBJECT
public:
    static FocusedRowFrame* install(QAbstractItemView* view);

    // Where the frame is, in viewport coordinates; empty while it is hidden.
    QRect frameRect() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    explicit FocusedRowFrame(QAbstractItemView* view);
    void follow();

    QPointer<QAbstractItemView> m_view;
};
