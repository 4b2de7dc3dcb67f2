#pragma once

#include <QCache>
#include <QPixmap>
#include <QStyledItemDelegate>

// Draws a location entry: its icon (or a 74 by 74 thumbnail for a picked
// photo), its last path component, the full path and the size text.
class LocationCellDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    static constexpr int ThumbnailSide = 74;
    static constexpr int RowHeight = 84;

    explicit LocationCellDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // The picture drawn for an entry (thumbnail, resource icon or folder icon).
    QPixmap pictureFor(const QModelIndex& index) const;

private:
    mutable QCache<QByteArray, QPixmap> m_thumbnails;
};
