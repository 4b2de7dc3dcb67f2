#include "ui/LocationCellDelegate.h"

#include "locations/LocationTableModel.h"
#include "ui/PreviewLoader.h"
#include "ui/ReferenceBadge.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QStyle>

LocationCellDelegate::LocationCellDelegate(QObject* parent) : QStyledItemDelegate(parent), m_thumbnails(200)
{
}

LocationCellDelegate::~LocationCellDelegate()
{
    m_pool.clear();
    m_pool.wait();
}

void LocationCellDelegate::requestThumbnail(const QByteArray& path) const
{
    if (m_pending.contains(path)) {
        return;
    }
    m_pending.insert(path);
    auto* self = const_cast<LocationCellDelegate*>(this);
    const int side = qRound(ThumbnailSide * qGuiApp->devicePixelRatio());
    m_pool.start([self, path, side] {
        const QImage image = PreviewLoader::resizeImageAtPath(path, side);
        QMetaObject::invokeMethod(
            self,
            [self, path, image] {
                self->m_pending.remove(path);
                // A file that is no picture keeps the file icon, cached as its picture.
                QPixmap picture = QPixmap::fromImage(image);
                if (picture.isNull()) {
                    picture = QApplication::style()
                                  ->standardIcon(QStyle::SP_FileIcon)
                                  .pixmap(QSize(ThumbnailSide, ThumbnailSide), qGuiApp->devicePixelRatio());
                }
                self->m_thumbnails.insert(path, new QPixmap(picture));
                Q_EMIT self->pictureReady();
            },
            Qt::QueuedConnection);
    });
}

QSize LocationCellDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (index.column() != LocationTableModel::MainCell) {
        return QStyledItemDelegate::sizeHint(option, index);
    }
    return {400, RowHeight};
}

QPixmap LocationCellDelegate::pictureFor(const QModelIndex& index) const
{
    // Drawn into a box of ThumbnailSide logical pixels: made at the screen's
    // pixel ratio so a 2x screen gets the sharp picture.
    const qreal ratio = qGuiApp->devicePixelRatio();
    const bool folder = index.data(LocationTableModel::FolderRole).toBool();
    const QString image = index.data(LocationTableModel::ImageNameRole).toString();
    if (folder) {
        const QString name = image.isEmpty() ? QStringLiteral("folder.png") : image;
        return QIcon(QStringLiteral(":/images/") + name).pixmap(QSize(ThumbnailSide, ThumbnailSide), ratio);
    }
    const QByteArray path = index.data(LocationTableModel::PathRole).toByteArray();
    if (QPixmap* cached = m_thumbnails.object(path)) {
        return *cached;
    }
    // Decoding a large photo takes long: never in the middle of a paint.
    requestThumbnail(path);
    return QApplication::style()
        ->standardIcon(QStyle::SP_FileIcon)
        .pixmap(QSize(ThumbnailSide, ThumbnailSide), ratio);
}

void LocationCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const
{
    if (index.column() != LocationTableModel::MainCell) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    opt.text.clear();
    QApplication::style()->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);

    painter->save();
    const QRect r = option.rect;
    const QPixmap picture = pictureFor(index);
    const QRect box(r.left() + 8, r.top() + (r.height() - ThumbnailSide) / 2, ThumbnailSide, ThumbnailSide);
    if (!picture.isNull()) {
        const QSize shown =
            (picture.size() / picture.devicePixelRatio()).scaled(box.size(), Qt::KeepAspectRatio);
        painter->drawPixmap(QRect(box.center() - QPoint(shown.width() / 2, shown.height() / 2), shown),
                            picture);
    }
    const bool selected = option.state & QStyle::State_Selected;
    const QColor main = selected ? option.palette.highlightedText().color() : option.palette.text().color();
    QColor dim = main;
    dim.setAlphaF(0.65);

    const int textLeft = box.right() + 14;
    const QString size = index.data(LocationTableModel::SizeTextRole).toString();
    const int sizeWidth = size.isEmpty() ? 0 : option.fontMetrics.horizontalAdvance(size) + 16;
    const int textWidth = r.right() - textLeft - sizeWidth - 8;
    int nameWidth = textWidth;
    if (index.data(LocationTableModel::ReferenceRole).toBool()) {
        // On the name's line, left of the size: the name gives way to it.
        const QRect badge =
            ReferenceBadge::paint(painter, QPoint(r.right() - sizeWidth - 8, r.top() + 18), option.font);
        nameWidth = qMax(0, badge.left() - 10 - textLeft);
    }

    QFont bold = option.font;
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() + 1);
    painter->setFont(bold);
    painter->setPen(main);
    const QString name = index.data(LocationTableModel::LastComponentRole).toString();
    painter->drawText(QRect(textLeft, r.top() + 16, nameWidth, 24), Qt::AlignLeft | Qt::AlignVCenter,
                      QFontMetrics(bold).elidedText(name, Qt::ElideMiddle, nameWidth));
    painter->setFont(option.font);
    painter->setPen(dim);
    const QString path = index.data(Qt::DisplayRole).toString();
    painter->drawText(QRect(textLeft, r.top() + 42, textWidth, 22), Qt::AlignLeft | Qt::AlignVCenter,
                      option.fontMetrics.elidedText(path, Qt::ElideMiddle, textWidth));
    if (!size.isEmpty()) {
        painter->drawText(QRect(r.right() - sizeWidth - 8, r.top(), sizeWidth, r.height()),
                          Qt::AlignRight | Qt::AlignVCenter, size);
    }
    painter->restore();
}
