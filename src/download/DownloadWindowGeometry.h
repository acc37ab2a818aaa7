#pragma once

#include <QRect>

// Where the download window puts its top panel, its list and the login panel over it, in
// twips (1/1440 inch) as the window's resize rules are written. The window height is the
// outer height, caption and menu bar included.
struct DownloadWindowGeometry {
    struct Input {
        int windowWidth = 0;
        int windowHeight = 0;
        int topPanelHeight = 0;
        int statusBarHeight = 0;
        int captionHeight = 0;
        int menuBarHeight = 0;
    };

    QRect topPanel; // Picture3 (and Image1 inside it, from 0, 0)
    QRect list; // ListView3
    QRect loginPanel; // PicWebBK: exactly over the list

    static DownloadWindowGeometry compute(const Input& input);
    // The login browser inside the panel: at the panel's left edge, below the fields that
    // keep their places, reaching 40 twips short of the panel's right and bottom edges.
    static QRect loginBrowser(const QRect& loginPanel, int browserTop);
};
