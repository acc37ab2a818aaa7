#pragma once

// A window that shows the transfer method with its thread selector (the download window).
// The options dialog reaches the open download window through this interface.
class DownloadMethodView {
public:
    virtual ~DownloadMethodView() = default;
    // Method 1: the label reads "下载方式：1" and the thread selector is disabled. Method 2:
    // the label reads "下载方式：2" and the selector is enabled and set to "1".
    virtual void showDownloadMethod(int method) = 0;
};
