#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

namespace zorvtest {

// A port on 127.0.0.1 that nothing listens on at the moment of asking.
inline quint16 freeLoopbackPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0)) {
        return 0;
    }
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

// True once something accepts connections on 127.0.0.1:port, waiting at most timeoutMs.
inline bool waitForLoopbackPort(quint16 port, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port);
        if (socket.waitForConnected(200)) {
            socket.disconnectFromHost();
            return true;
        }
        QThread::msleep(20);
    }
    return false;
}

// A tinyproxy of its own: its own configuration in a temporary folder, a free loopback port,
// only 127.0.0.1 let in, the Via header on. It runs in the foreground as a child of the test
// and is stopped by its PID when the object goes.
class TinyProxy {
public:
    TinyProxy() = default;
    ~TinyProxy() { stop(); }
    TinyProxy(const TinyProxy&) = delete;
    TinyProxy& operator=(const TinyProxy&) = delete;

    static QString program()
    {
        QString found = QStandardPaths::findExecutable(QStringLiteral("tinyproxy"));
        if (found.isEmpty()) {
            found = QStandardPaths::findExecutable(
                QStringLiteral("tinyproxy"),
                {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")});
        }
        return found;
    }

    // Starts the proxy; false (with the reason) when it cannot run.
    bool start(QString* error = nullptr)
    {
        const QString binary = program();
        if (binary.isEmpty()) {
            return failed(error, QStringLiteral("tinyproxy is not installed"));
        }
        if (!m_dir.isValid()) {
            return failed(error, QStringLiteral("no temporary folder"));
        }
        // A port found free can be taken before the proxy binds it: try a few.
        for (int attempt = 0; attempt < 5; ++attempt) {
            m_port = freeLoopbackPort();
            if (m_port == 0 || !writeConfig()) {
                continue;
            }
            m_process.setProgram(binary);
            m_process.setArguments({QStringLiteral("-d"), QStringLiteral("-c"), configPath()});
            m_process.setProcessChannelMode(QProcess::MergedChannels);
            m_process.start();
            if (!m_process.waitForStarted(5000)) {
                continue;
            }
            if (waitForLoopbackPort(m_port, 5000) && m_process.state() == QProcess::Running) {
                return true;
            }
            stop();
        }
        return failed(error, QStringLiteral("tinyproxy did not start: ") + log());
    }

    void stop()
    {
        if (m_process.state() == QProcess::NotRunning) {
            return;
        }
        m_process.terminate(); // SIGTERM to the child's PID
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }

    quint16 port() const { return m_port; }
    qint64 pid() const { return m_process.processId(); }
    QString log() const
    {
        QFile file(m_dir.filePath(QStringLiteral("tinyproxy.log")));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private:
    QString configPath() const { return m_dir.filePath(QStringLiteral("tinyproxy.conf")); }

    bool writeConfig()
    {
        QFile file(configPath());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            return false;
        }
        const QByteArray config = "Port " + QByteArray::number(m_port)
            + "\n"
              "Listen 127.0.0.1\n"
              "Timeout 60\n"
              "MaxClients 20\n"
              "Allow 127.0.0.1\n"
              "DisableViaHeader No\n"
              "LogLevel Info\n"
              "LogFile \""
            + m_dir.filePath(QStringLiteral("tinyproxy.log")).toUtf8() + "\"\n";
        return file.write(config) == config.size();
    }

    static bool failed(QString* error, const QString& reason)
    {
        if (error) {
            *error = reason;
        }
        return false;
    }

    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
};

} // namespace zorvtest
