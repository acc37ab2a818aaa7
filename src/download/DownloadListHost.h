#pragma once

class DownloadList;

// The download window as other windows reach it: the list to hand items to, and bringing the
// window forward once they are there. The window directory creates the window; whoever hands
// items over finds this face of it there.
class DownloadListHost {
public:
    virtual ~DownloadListHost() = default;
    // The window's rows; they live as long as the window.
    virtual DownloadList& downloadList() = 0;
    // After a hand-off: the list repainted, the window shown modeless when hidden, maximised
    // when minimised, and brought to the front.
    virtual void showForHandOff() = 0;
};
