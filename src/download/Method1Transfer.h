#pragma once

#include <QObject>
#include <QString>

class DownloadScheduler;
class Inet;
class SharedSettings;

// Transfer method 1: one item at a time through the window's HTTP client, with a Referer
// header and the configured proxy, read in 2048-byte chunks into a temporary file beside the
// target that is renamed into place only when the body is complete. Every started item ends
// completed or failed; a failure writes its reason into the size column.
class Method1Transfer final : public QObject {
    Q_OBJECT
public:
    // Texts of the size column besides numbers.
    static QString requeuedText() { return QStringLiteral("等待重新下载"); }
    static QString unknownSizeText() { return QStringLiteral("未知"); }
    static QString cancelledText() { return QStringLiteral("下载取消"); }
    static QString noResponseText() { return QStringLiteral("服务器无响应"); }
    static QString connectFailedText() { return QStringLiteral("连接失败"); }
    static QString cannotCreateText() { return QStringLiteral("无法创建文件"); }
    static QString writeFailedText() { return QStringLiteral("写入文件失败"); }
    static QString incompleteText() { return QStringLiteral("下载不完整"); }
    static QString tooManyRedirectsText() { return QStringLiteral("下载失败：重定向次数过多"); }
    // "下载失败：" & the status code and reason of a response that is not "200 OK".
    static QString statusFailedText(const QString& statusLine);

    // The panel text for a state of the HTTP client.
    static QString stateText(int state, int responseCode, const QString& responseInfo);

    // The client's settings when the download window loads: the named proxy, with the proxy's
    // port as remote port, when the proxy is on (a port that is not a number leaves the remote
    // port as it was); the system's settings, no proxy and port 80 otherwise. Each transfer
    // applies the current proxy values again.
    static void applyProxySettings(Inet& inet, const SharedSettings& shared);

    explicit Method1Transfer(DownloadScheduler& scheduler);

    // The entry the scheduler calls for the item it has just started. While the client or
    // the busy flag is taken, the item goes back to waiting with "等待重新下载". targetPath
    // is not used: the transfer works the path out again from the item.
    bool Inet下载当前文件(const QString& url, const QString& targetPath, const QString& key);
    // The transfer itself; true when the item ended completed. An empty referer sends the
    // URL's site root.
    bool Inet下载文件(const QString& url, const QString& key, const QString& referer);

    bool isRunning() const { return !m_runningKey.isEmpty(); }
    // The key of the item being transferred, or empty.
    QString runningKey() const { return m_runningKey; }
    // The busy flag fell while a transfer runs: end its request, so that a read waiting for
    // a silent server returns and the transfer cancels itself.
    void interrupt();

private:
    enum class Outcome { Completed, Failed, Cancelled };

    bool stopped(const QString& key) const;
    Outcome readChunks(const QString& key, const QString& path, qint64 length);
    Outcome readWhole(const QString& key, const QString& path);
    bool writeWhole(const QString& path, const QByteArray& body, QString& failure);
    void fixExtension(const QString& key, const QString& path);
    bool fail(const QString& key, const QString& reason);
    bool cancel(const QString& key);
    bool finish(const QString& key, bool completed);
    QString noAnswerText() const;

    DownloadScheduler& m_scheduler;
    QString m_runningKey;
    QString m_failure;
};
