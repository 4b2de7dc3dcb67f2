#include "ui/PropertiesLabel.h"

#include <QPainter>
#include <QStyle>

namespace {

constexpr int kMargin = 4;

struct Row
{
    QString label;
    QString value;
};

QList<Row> rowsOf(const QString& text, QString* name)
{
    QList<Row> rows;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (i == 0 || colon < 0) {
            if (i == 0 && name) {
                *name = line.trimmed();
            } else {
                rows.append({QString(), line.trimmed()});
            }
            continue;
        }
        // "Label<blanks>: value": the blanks only lined the colons up in
        // a fixed-width font; the columns do that here.
        QString value = line.mid(colon + 1);
        if (value.startsWith(QLatin1Char(' '))) {
            value.remove(0, 1);
        }
        rows.append({line.left(colon).trimmed(), value});
    }
    return rows;
}

} // namespace

PropertiesLabel::PropertiesLabel(QWidget* parent) : QLabel(parent) {}

int PropertiesLabel::colonColumn() const
{
    const QFontMetrics metrics(font());
    int widest = 0;
    for (const Row& row : rowsOf(text(), nullptr)) {
        widest = qMax(widest, metrics.horizontalAdvance(row.label));
    }
    return kMargin + widest + metrics.horizontalAdvance(QLatin1Char(' '));
}

void PropertiesLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect area = contentsRect().adjusted(kMargin, 4, -kMargin, -4);
    QString name;
    const QList<Row> rows = rowsOf(text(), &name);
    if (rows.isEmpty() && name.isEmpty()) {
        return;
    }
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    QFont bold = font();
    bold.setBold(true);
    const QFontMetrics boldMetrics(bold);
    const QFontMetrics metrics(font());
    const int lineHeight = metrics.lineSpacing() + 2;
    int y = area.top();
    painter.setFont(bold);
    painter.drawText(QRect(area.left(), y, area.width(), lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                     boldMetrics.elidedText(name, Qt::ElideMiddle, area.width()));
    y += lineHeight + 2;
    painter.setFont(font());
    const int colonX = colonColumn();
    const int valueX = colonX + metrics.horizontalAdvance(QStringLiteral(": "));
    for (const Row& row : rows) {
        if (y + lineHeight > area.bottom() + 4) {
            break;
        }
        const QRect line(area.left(), y, area.width(), lineHeight);
        if (row.label.isEmpty()) {
            painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter,
                             metrics.elidedText(row.value, Qt::ElideRight, area.width()));
        } else {
            painter.drawText(QRect(area.left(), y, colonX - area.left(), lineHeight),
                             Qt::AlignLeft | Qt::AlignVCenter, row.label);
            painter.drawText(QRect(colonX, y, valueX - colonX, lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                             QStringLiteral(":"));
            painter.drawText(QRect(valueX, y, qMax(0, area.right() - valueX), lineHeight),
                             Qt::AlignLeft | Qt::AlignVCenter,
                             metrics.elidedText(row.value, Qt::ElideRight, qMax(0, area.right() - valueX)));
        }
        y += lineHeight;
    }
}
