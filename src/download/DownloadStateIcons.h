#pragma once

#include "download/DownloadList.h"

#include <QIcon>
#include <QIdentityProxyModel>

// The four 16 x 16 state pictures of the download list, index 1 to 4: waiting (a clock),
// downloading (an arrow into a tray), completed (a tick) and failed (a cross).
QIcon DownloadStateIcon(DownloadState state);

// The download list as the window shows it: each row's state as the picture in front of its
// name. Everything else passes through unchanged.
class DownloadListDecorations final : public QIdentityProxyModel {
    Q_OBJECT
public:
    explicit DownloadListDecorations(QObject* parent = nullptr);
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
};
