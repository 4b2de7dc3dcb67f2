#pragma once

#include <QLayout>
#include <QList>
#include <QRect>

// Lays children out from where they sit at the layout's first (design) size:
// when the container grows, each edge of a child moves by its own share of
// the extra width or height (0 stays put, 1 follows the far side, 0.5 keeps
// the child centred). Children may overlap, as painted bars under buttons do,
// and keep their stacking order.
class AnchorLayout : public QLayout
{
public:
    AnchorLayout(QWidget* parent, const QSize& designSize);
    ~AnchorLayout() override;

    // `widget` at its present geometry, which is taken as its design place.
    void addAnchored(QWidget* widget, double left, double top, double right, double bottom);

    void addItem(QLayoutItem* item) override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

private:
    struct Entry
    {
        QLayoutItem* item;
        QRect design;
        double left, top, right, bottom;
    };
    QSize m_designSize;
    QList<Entry> m_entries;
};
