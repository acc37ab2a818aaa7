#include "download/DownloadStateIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <array>

namespace {

constexpr int kSide = 16;

QPixmap blank()
{
    QPixmap pixmap(kSide, kSide);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QPixmap waitingPicture()
{
    QPixmap pixmap = blank();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(90, 90, 90), 1.2));
    p.setBrush(QColor(250, 236, 170));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setPen(QPen(QColor(60, 60, 60), 1.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8, 8), QPointF(8, 4));
    p.drawLine(QPointF(8, 8), QPointF(11, 9.5));
    return pixmap;
}

QPixmap downloadingPicture()
{
    QPixmap pixmap = blank();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 70, 140), 1.2));
    p.setBrush(QColor(70, 130, 220));
    QPainterPath arrow;
    arrow.moveTo(6, 1.5);
    arrow.lineTo(10, 1.5);
    arrow.lineTo(10, 7);
    arrow.lineTo(13, 7);
    arrow.lineTo(8, 12);
    arrow.lineTo(3, 7);
    arrow.lineTo(6, 7);
    arrow.closeSubpath();
    p.drawPath(arrow);
    p.setPen(QPen(QColor(70, 70, 70), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(2, 14.5), QPointF(14, 14.5));
    return pixmap;
}

QPixmap completedPicture()
{
    QPixmap pixmap = blank();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(30, 140, 60), 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath tick;
    tick.moveTo(2.5, 8.5);
    tick.lineTo(6.5, 12.5);
    tick.lineTo(13.5, 3.5);
    p.drawPath(tick);
    return pixmap;
}

QPixmap failedPicture()
{
    QPixmap pixmap = blank();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(150, 20, 20), 1.0));
    p.setBrush(QColor(215, 45, 45));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setPen(QPen(Qt::white, 2.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5.5, 5.5), QPointF(10.5, 10.5));
    p.drawLine(QPointF(10.5, 5.5), QPointF(5.5, 10.5));
    return pixmap;
}

} // namespace

QIcon DownloadStateIcon(DownloadState state)
{
    // Drawn once per process; the list asks for them on every repaint.
    static const std::array<QIcon, 4> icons{QIcon(waitingPicture()), QIcon(downloadingPicture()),
                                            QIcon(completedPicture()), QIcon(failedPicture())};
    const int index = static_cast<int>(state) - 1;
    return index >= 0 && index < 4 ? icons[static_cast<size_t>(index)] : QIcon();
}

DownloadListDecorations::DownloadListDecorations(QObject* parent)
    : QIdentityProxyModel(parent)
{
}

QVariant DownloadListDecorations::data(const QModelIndex& index, int role) const
{
    if (role == Qt::DecorationRole && index.column() == DownloadList::Name) {
        const int state = QIdentityProxyModel::data(index, DownloadList::StateRole).toInt();
        return DownloadStateIcon(static_cast<DownloadState>(state));
    }
    return QIdentityProxyModel::data(index, role);
}
