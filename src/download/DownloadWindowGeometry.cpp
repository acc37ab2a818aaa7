#include "download/DownloadWindowGeometry.h"

#include <QtGlobal>

DownloadWindowGeometry DownloadWindowGeometry::compute(const Input& in)
{
    DownloadWindowGeometry g;
    g.topPanel = QRect(20, 20, qMax(0, in.windowWidth - 300), in.topPanelHeight);
    const int listTop = g.topPanel.top() + g.topPanel.height();
    const int listHeight =
        in.windowHeight - listTop - in.statusBarHeight - in.captionHeight - in.menuBarHeight - 140;
    g.list = QRect(20, listTop, g.topPanel.width(), qMax(0, listHeight));
    g.loginPanel = g.list;
    return g;
}

QRect DownloadWindowGeometry::loginBrowser(const QRect& loginPanel, int browserTop)
{
    return QRect(0, browserTop, qMax(0, loginPanel.width() - 40),
                 qMax(0, loginPanel.height() - browserTop - 40));
}
