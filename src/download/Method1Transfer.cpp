#include "download/Method1Transfer.h"

#include "app/SharedSettings.h"
#include "download/DownloadList.h"
#include "download/DownloadNaming.h"
#include "download/DownloadScheduler.h"
#include "net/HttpHelpers.h"
#include "net/Inet.h"
#include "platform/Clock.h"
#include "platform/EventPump.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QNetworkReply>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace {

// How long the client may take to deliver the response headers.
constexpr double kResponseWaitSeconds = 60.0;
constexpr int kWaitSliceMs = 50;
// While the body streams in faster than it is written, the read loop lets the window's
// messages run and shows its progress at this pace; between two such steps it only moves
// bytes, so a fast server is not held up by the screen.
constexpr qint64 kUiStepMs = 25;
constexpr int kWrapUpMs = 1000;

QString percentText(qint64 downloaded, qint64 size)
{
    return QString::number(downloaded * 100 / size) + u'%';
}

// The body on its way to disk: a temporary file beside the target that is renamed into place
// only when complete, fed in large pieces (many small writes cost the file system far more
// than the copying they save).
class StagedFile {
public:
    explicit StagedFile(const QString& path)
        : m_file(path)
    {
        m_file.setDirectWriteFallback(false);
    }
    bool open()
    {
        m_staged.reserve(kStageBytes);
        return m_file.open(QIODevice::WriteOnly);
    }
    bool append(const QByteArray& chunk)
    {
        if (m_staged.isEmpty() && chunk.size() >= kStageBytes) {
            return m_file.write(chunk) == chunk.size();
        }
        m_staged.append(chunk);
        return m_staged.size() < kStageBytes || flush();
    }
    bool commit() { return flush() && m_file.commit(); }
    // Drops the temporary file; nothing reaches the target.
    void discard() { m_file.cancelWriting(); }

private:
    static constexpr qsizetype kStageBytes = 256 * 1024;

    bool flush()
    {
        const bool ok = m_staged.isEmpty() || m_file.write(m_staged) == m_staged.size();
        m_staged.resize(0);
        return ok;
    }

    QSaveFile m_file;
    QByteArray m_staged;
};

// Holds the key of the running item for as long as the transfer runs.
class RunningItem {
public:
    RunningItem(QString& slot, const QString& key)
        : m_slot(slot)
        , m_previous(slot)
    {
        m_slot = key;
    }
    ~RunningItem() { m_slot = m_previous; }
    RunningItem(const RunningItem&) = delete;
    RunningItem& operator=(const RunningItem&) = delete;

private:
    QString& m_slot;
    QString m_previous;
};

} // namespace

QString Method1Transfer::statusFailedText(const QString& statusLine)
{
    // "HTTP/1.1 404 Not Found" -> "下载失败：404 Not Found"
    const qsizetype space = statusLine.indexOf(u' ');
    const QString status = space < 0 ? statusLine : statusLine.mid(space + 1).trimmed();
    return u"下载失败："_s + status;
}

QString Method1Transfer::stateText(int state, int responseCode, const QString& responseInfo)
{
    const QString response = QString::number(responseCode) + u':' + responseInfo;
    switch (state) {
    case 0:
        return u"0 无状态可报告。"_s;
    case 1:
        return u"1 正在查询所指定的主机的 IP 地址..."_s;
    case 2:
        return u"2 已成功地找到所指定的主机的 IP 地址。"_s;
    case 3:
        return u"3 正在与主机连接..."_s;
    case 4:
        return u"4 已与主机连接成功。"_s;
    case 5:
        return u"5 正在向主机发送请求..."_s;
    case 6:
        return u"6 发送请求已成功。"_s;
    case 7:
        return u"7 正在接收主机的响应..."_s;
    case 8:
        return u"8 已成功地接收到主机的响应。"_s;
    case 9:
        return u"9 正在解除与主机的连接..."_s;
    case 10:
        return u"10 已成功地与主机解除了连接。"_s;
    case 11:
        return u"11 与主机通讯时出现了错误:"_s + response;
    case 12:
        return u"12 该请求已经完成，并且所有数据均已接收到。"_s;
    default:
        return response;
    }
}

void Method1Transfer::applyProxySettings(Inet& inet, const SharedSettings& shared)
{
    if (shared.ProxyEnabled == 1) {
        inet.setAccessType(Inet::kNamedProxy);
        bool ok = false;
        const int port = shared.ProxyPort.trimmed().toInt(&ok);
        if (ok) {
            inet.setRemotePort(port);
        }
        inet.setProxy(shared.ProxyAddress + u':' + shared.ProxyPort);
    } else {
        inet.setAccessType(Inet::kSystemAccess);
        inet.setProxy(QString());
        inet.setRemotePort(80);
    }
}

Method1Transfer::Method1Transfer(DownloadScheduler& scheduler)
    : m_scheduler(scheduler)
{
    Inet& inet = scheduler.inet();
    connect(&inet, &Inet::StateChanged, this, [this, &inet](int state) {
        m_scheduler.setPanelText(3, stateText(state, inet.ResponseCode(), inet.ResponseInfo()));
    });
}

bool Method1Transfer::Inet下载当前文件(const QString& url, const QString& targetPath,
                                       const QString& key)
{
    Q_UNUSED(targetPath);
    DownloadList& list = m_scheduler.list();
    if (m_scheduler.inet().StillExecuting() || m_scheduler.TransferBusy()) {
        list.setState(key, DownloadState::Waiting);
        list.setSize(key, requeuedText());
        return false;
    }
    m_scheduler.setTransferBusy(true);
    const bool result = Inet下载文件(url, key, QString());
    m_scheduler.setTransferBusy(false);
    return result;
}

void Method1Transfer::interrupt()
{
    if (isRunning()) {
        m_scheduler.inet().Cancel();
    }
}

bool Method1Transfer::stopped(const QString& key) const
{
    return !m_scheduler.TransferBusy() || !m_scheduler.list().contains(key);
}

bool Method1Transfer::Inet下载文件(const QString& url, const QString& key, const QString& referer)
{
    DownloadList& list = m_scheduler.list();
    Inet& inet = m_scheduler.inet();
    EventPump& pump = m_scheduler.pump();
    Clock& clock = m_scheduler.clock();
    const SharedSettings& shared = m_scheduler.shared();

    if (shared.ProxyEnabled == 1) {
        inet.setAccessType(Inet::kNamedProxy);
        inet.setProxy(shared.ProxyAddress + u':' + shared.ProxyPort);
    } else {
        inet.setAccessType(Inet::kSystemAccess);
    }

    m_scheduler.setTransferBusy(true);
    const RunningItem running(m_runningKey, key);
    m_scheduler.setPanelText(2, u"正在下载:"_s + list.item(key).text);

    const QString headers =
        u"Referer: "_s + (referer.isEmpty() ? SiteRoot(url) : referer) + u"\r\n"_s;
    inet.Execute(url, u"GET"_s, QByteArray(), headers);
    pump.pump();

    // Measured on the monotonic clock, so a request issued just before midnight still gets
    // its full minute.
    const double issued = clock.seconds();
    while (inet.StillExecuting() && clock.seconds() - issued <= kResponseWaitSeconds) {
        pump.wait(kWaitSliceMs);
    }
    if (stopped(key)) {
        return cancel(key);
    }

    bool lengthOk = false;
    qint64 length = inet.GetHeader(u"content-length"_s).trimmed().toLongLong(&lengthOk);
    if (!lengthOk || length < 0) {
        length = 0;
    }
    QString contentType = inet.GetHeader(u"Content-Type"_s).trimmed();
    if (contentType.contains(u';')) {
        contentType = contentType.left(contentType.indexOf(u';')).trimmed();
    }
    const QString responseType = contentType.isEmpty() ? QString() : ContentTypeToExt(contentType);

    const QStringList lines = inet.GetHeader().split(u"\r\n"_s, Qt::SkipEmptyParts);
    if (lines.isEmpty()) {
        return fail(key, noAnswerText());
    }
    if (!lines.first().toUpper().endsWith(u" 200 OK"_s)) {
        if (inet.ResponseCode() == QNetworkReply::TooManyRedirectsError) {
            return fail(key, tooManyRedirectsText());
        }
        return fail(key, statusFailedText(lines.first()));
    }

    if (!responseType.isEmpty()) {
        list.setType(key, responseType);
    }
    list.setSize(key, QString::number(length));
    const DownloadItem item = list.item(key);
    const SavePath target =
        重命名保存路径(item.folder, item.text, item.type, m_scheduler.sameNameOption());
    list.setText(key, target.finalName);
    // A type that names a whole media type ("application/zip") would put the file into a
    // folder that is not there.
    if (item.type.contains(u'/') || target.finalName.contains(u'/')) {
        return fail(key, cannotCreateText());
    }

    const Outcome outcome =
        length != 0 ? readChunks(key, target.path, length) : readWhole(key, target.path);
    if (outcome == Outcome::Cancelled) {
        return cancel(key);
    }
    if (outcome == Outcome::Failed) {
        return m_failure.isEmpty() ? finish(key, false) : fail(key, m_failure);
    }
    list.setState(key, DownloadState::Completed);
    if (responseType.isEmpty()) {
        fixExtension(key, target.path);
    }
    return finish(key, true);
}

Method1Transfer::Outcome Method1Transfer::readChunks(const QString& key, const QString& path,
                                                     qint64 length)
{
    DownloadList& list = m_scheduler.list();
    Inet& inet = m_scheduler.inet();
    EventPump& pump = m_scheduler.pump();
    m_failure.clear();

    list.setSize(key, QString::number(length));
    pump.pump();
    if (stopped(key)) {
        return Outcome::Cancelled;
    }

    StagedFile file(path);
    if (!file.open()) {
        m_failure = cannotCreateText();
        return Outcome::Failed;
    }

    qint64 written = 0;
    const QString size = QString::number(length);
    const auto showProgress = [&] {
        list.setProgress(key, size, QString::number(written), percentText(written, length));
    };
    QElapsedTimer cadence;
    cadence.start();
    for (;;) {
        // Progress is shown and the window served whenever the client has nothing buffered
        // (the read is about to wait for the network anyway) and otherwise at a steady pace.
        if (inet.bytesBuffered() == 0 || cadence.elapsed() >= kUiStepMs) {
            showProgress();
            pump.pump();
            cadence.restart();
            if (stopped(key)) {
                file.discard();
                return Outcome::Cancelled;
            }
        }
        const QByteArray chunk = inet.GetChunk(Inet::kChunkSize);
        if (!chunk.isEmpty()) {
            if (!file.append(chunk)) {
                file.discard();
                m_failure = writeFailedText();
                return Outcome::Failed;
            }
            written += chunk.size();
        }
        if (written >= length) {
            showProgress();
            // The whole body is here: give the client a moment to wrap the request up, so
            // that its last state is the one shown.
            const QDeadlineTimer grace(kWrapUpMs);
            while (!inet.requestEnded() && !grace.hasExpired()) {
                pump.wait(kWaitSliceMs);
            }
            break;
        }
        if (stopped(key)) {
            file.discard();
            return Outcome::Cancelled;
        }
        if (chunk.isEmpty()) {
            // The request ended before the announced length arrived.
            file.discard();
            showProgress();
            m_failure = incompleteText();
            return Outcome::Failed;
        }
    }
    if (!file.commit()) {
        m_failure = writeFailedText();
        return Outcome::Failed;
    }
    return Outcome::Completed;
}

Method1Transfer::Outcome Method1Transfer::readWhole(const QString& key, const QString& path)
{
    DownloadList& list = m_scheduler.list();
    Inet& inet = m_scheduler.inet();
    m_failure.clear();

    list.setSize(key, unknownSizeText());
    const QByteArray body = inet.OpenURL(inet.URL());
    m_scheduler.pump().pump();
    if (stopped(key)) {
        return Outcome::Cancelled;
    }
    if (inet.ResponseCode() != 0) {
        m_failure = body.isEmpty() ? noAnswerText() : incompleteText();
        return Outcome::Failed;
    }
    const QString status = inet.GetHeader().section(u"\r\n"_s, 0, 0);
    if (!status.toUpper().endsWith(u" 200 OK"_s)) {
        m_failure = status.isEmpty() ? noAnswerText() : statusFailedText(status);
        return Outcome::Failed;
    }

    // The size is counted in 16-bit units of the body, so an odd last byte does not count
    // and a one-byte body counts as empty.
    const qint64 shown = body.size() / 2 * 2;
    list.setProgress(key, QString::number(shown), QString::number(shown), u"100%"_s);
    if (shown <= 0) {
        return Outcome::Failed;
    }
    if (!writeWhole(path, body, m_failure)) {
        return Outcome::Failed;
    }
    return Outcome::Completed;
}

bool Method1Transfer::writeWhole(const QString& path, const QByteArray& body, QString& failure)
{
    StagedFile file(path);
    if (!file.open()) {
        failure = cannotCreateText();
        return false;
    }
    if (!file.append(body) || !file.commit()) {
        file.discard();
        failure = writeFailedText();
        return false;
    }
    return true;
}

void Method1Transfer::fixExtension(const QString& key, const QString& path)
{
    const QString sniffed = SniffFileType(path);
    if (sniffed.isEmpty()) {
        return;
    }
    const QString stored = FixFileExtension(path, sniffed);
    // The row's type is the stored file's own extension: a name that already carried the
    // sniffed type in other letter case ("pdf" for "PDF") keeps its file, and file names
    // here tell the cases apart, so the row must spell the extension as the file does.
    const QString name = FileNameFromPath(stored, false);
    const qsizetype dot = name.lastIndexOf(u'.');
    DownloadList& list = m_scheduler.list();
    list.setType(key, dot < 0 ? QString() : name.mid(dot + 1));
    list.setText(key, FileNameFromPath(stored, true));
}

QString Method1Transfer::noAnswerText() const
{
    const int code = m_scheduler.inet().ResponseCode();
    if (code == QNetworkReply::TooManyRedirectsError) {
        return tooManyRedirectsText();
    }
    if (code == 0 || code == QNetworkReply::RemoteHostClosedError
        || code == QNetworkReply::TimeoutError) {
        return noResponseText();
    }
    return connectFailedText();
}

bool Method1Transfer::fail(const QString& key, const QString& reason)
{
    DownloadList& list = m_scheduler.list();
    list.setSize(key, reason);
    list.setState(key, DownloadState::Failed);
    return finish(key, false);
}

bool Method1Transfer::finish(const QString& key, bool completed)
{
    DownloadList& list = m_scheduler.list();
    if (!completed) {
        list.setState(key, DownloadState::Failed);
    }
    m_scheduler.inet().Cancel();
    m_scheduler.setPanelText(2, u"完成下载:"_s + list.item(key).text);
    m_scheduler.markTransferDone();
    return completed;
}

bool Method1Transfer::cancel(const QString& key)
{
    DownloadList& list = m_scheduler.list();
    m_scheduler.inet().Cancel();
    m_scheduler.pump().pump();
    list.setSize(key, cancelledText());
    list.setState(key, DownloadState::Failed);
    return false;
}
