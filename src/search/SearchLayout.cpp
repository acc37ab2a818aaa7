#include "search/SearchLayout.h"

#include <QMouseEvent>
#include <QPaintDevice>

#include <cmath>

Twips::Twips(const QPaintDevice& device)
    : Twips(device.logicalDpiX(), device.logicalDpiY())
{
}

Twips::Twips(double dpiX, double dpiY)
    : m_dpiX(dpiX > 0 ? dpiX : 96.0)
    , m_dpiY(dpiY > 0 ? dpiY : 96.0)
{
}

int Twips::toPixelsX(int twips) const
{
    return static_cast<int>(std::lround(twips * m_dpiX / 1440.0));
}
int Twips::toPixelsY(int twips) const
{
    return static_cast<int>(std::lround(twips * m_dpiY / 1440.0));
}
int Twips::fromPixelsX(int pixels) const
{
    return static_cast<int>(std::lround(pixels * 1440.0 / m_dpiX));
}
int Twips::fromPixelsY(int pixels) const
{
    return static_cast<int>(std::lround(pixels * 1440.0 / m_dpiY));
}

QRect Twips::toPixels(const QRect& twips) const
{
    return QRect(toPixelsX(twips.x()), toPixelsY(twips.y()), toPixelsX(twips.width()),
                 toPixelsY(twips.height()));
}

SearchLayout SearchLayout::compute(int windowWidth, int windowHeight, int splitterTop,
                                   int statusBarHeight)
{
    SearchLayout layout;
    const int webTop = 0;
    if (splitterTop > windowHeight - 1200 || splitterTop < webTop) {
        splitterTop = windowHeight * 4 / 5;
    }
    layout.splitterTop = splitterTop;
    const int width = qMax(0, windowWidth - 300);
    layout.splitter = QRect(kSplitterLeft, splitterTop, width, kSplitterHeight);
    layout.webPanel = QRect(kSplitterLeft, webTop, width, qMax(0, splitterTop - webTop));
    const int listTop = splitterTop + kSplitterHeight;
    const int listHeight = windowHeight - statusBarHeight - splitterTop - kSplitterHeight - 870;
    layout.listPanel = QRect(kSplitterLeft, listTop, width, qMax(0, listHeight));
    return layout;
}

QRect SearchLayout::listRect(const QSize& panel, const QPoint& listTopLeft)
{
    return QRect(listTopLeft,
                 QSize(qMax(0, panel.width() - 50 - listTopLeft.x()),
                       qMax(0, panel.height() - 50 - listTopLeft.y())));
}

QRect SearchLayout::browserRect(const QSize& panel)
{
    return QRect(0, 0, qMax(0, panel.width() - 20), qMax(0, panel.height() - 20));
}

QRect SearchLayout::centred(const QSize& panel, const QSize& child)
{
    return QRect((panel.width() - child.width()) / 2, (panel.height() - child.height()) / 2,
                 child.width(), child.height());
}

SplitterBar::SplitterBar(QWidget* parent)
    : QWidget(parent)
{
    setCursor(Qt::SplitVCursor);
    setAutoFillBackground(true);
}

void SplitterBar::mousePressEvent(QMouseEvent* event)
{
    raise();
    m_grabY = event->position().toPoint().y();
    event->accept();
}

void SplitterBar::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton)) {
        return;
    }
    const int offset = event->position().toPoint().y() - m_grabY;
    move(x(), y() + offset);
    emit moved(y());
    event->accept();
}

void SplitterBar::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    emit released();
}
