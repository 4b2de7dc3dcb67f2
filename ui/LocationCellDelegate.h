#pragma once

#include "platform/BackgroundWork.h"

#include <QCache>
#include <QPixmap>
#include <QSet>
#include <QStyledItemDelegate>

// Draws a location entry: its icon (or a 74 by 74 thumbnail for a picked
// photo), its last path component, the full path and the size text.
// Thumbnails are decoded off the UI thread; a file icon stands in meanwhile.
class LocationCellDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    static constexpr int ThumbnailSide = 74;
    static constexpr int RowHeight = 84;

    explicit LocationCellDelegate(QObject* parent = nullptr);
    // Waits for the thumbnail in hand (only when the window goes away).
    ~LocationCellDelegate() override;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // The picture drawn for an entry (thumbnail, resource icon or folder icon).
    QPixmap pictureFor(const QModelIndex& index) const;

Q_SIGNALS:
    // A thumbnail arrived: the view should draw again.
    void pictureReady();

private:
    void requestThumbnail(const QByteArray& path) const;

    mutable QCache<QByteArray, QPixmap> m_thumbnails;
    mutable QSet<QByteArray> m_pending;
    mutable BackgroundWork m_pool;
};
