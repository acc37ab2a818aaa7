#pragma once

#include <QRect>
#include <QWidget>

class QPaintDevice;

// Twips (1/1440 inch) to pixels and back at a device's logical resolution.
class Twips {
public:
    explicit Twips(const QPaintDevice& device);
    Twips(double dpiX, double dpiY);

    int toPixelsX(int twips) const;
    int toPixelsY(int twips) const;
    int fromPixelsX(int pixels) const;
    int fromPixelsY(int pixels) const;
    QRect toPixels(const QRect& twips) const;

private:
    double m_dpiX;
    double m_dpiY;
};

// Where the search window's panels go, in twips, for a window of the given outer size: the
// splitter between the browser above and the list below, snapped back to four fifths of the
// height when it lies outside the window's useful range.
struct SearchLayout {
    static constexpr int kMinimumWidth = 9000;
    static constexpr int kMinimumHeight = 5000;
    static constexpr int kSplitterLeft = 20;
    static constexpr int kSplitterHeight = 75;

    int splitterTop = 0;
    QRect splitter;
    QRect webPanel;
    QRect listPanel;

    static SearchLayout compute(int windowWidth, int windowHeight, int splitterTop,
                                int statusBarHeight);
    // Inside the list panel: the list keeps its top left corner and reaches to 50 twips from
    // the panel's right and bottom edges.
    static QRect listRect(const QSize& panel, const QPoint& listTopLeft);
    // Inside the web panel: the browser fills it less 20 twips each way.
    static QRect browserRect(const QSize& panel);
    // A child centred in a panel.
    static QRect centred(const QSize& panel, const QSize& child);
};

// The draggable bar between the search window's panels. Pressing brings it to the front,
// dragging with the left button moves it up and down, releasing asks for a new layout.
class SplitterBar final : public QWidget {
    Q_OBJECT
public:
    explicit SplitterBar(QWidget* parent = nullptr);

signals:
    void moved(int top);
    void released();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int m_grabY = 0;
};
