#include "Fakes.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>
#include <QTimer>

namespace zorvtest {

void FakeEventPump::pump()
{
    ++pumps;
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (m_clock) {
        m_clock->advance(m_step);
    }
    if (onPump) {
        onPump();
    }
}

void FakeEventPump::wait(int maxMilliseconds)
{
    ++pumps;
    QCoreApplication::sendPostedEvents();
    // A real moment for events to arrive (network data from another thread, a local server's
    // answer): without it the waits would spin the fake clock past any time-out before a
    // server on 127.0.0.1 has had a chance to answer.
    if (auto* dispatcher = QThread::currentThread()->eventDispatcher()) {
        QTimer bound;
        bound.setSingleShot(true);
        bound.start(qBound(0, maxMilliseconds, 1));
        dispatcher->processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents, qMin(maxMilliseconds, 5));
    if (m_clock) {
        m_clock->advance(qMax(m_step, maxMilliseconds / 1000.0));
    }
    if (onPump) {
        onPump();
    }
}

void RecordingPrompter::message(const QString& text, Icon icon, QWidget*)
{
    boxes.append({Box::Kind::Message, text, icon});
}

bool RecordingPrompter::question(const QString& text, Icon icon, QWidget*)
{
    boxes.append({Box::Kind::Question, text, icon});
    return questionAnswers.isEmpty() ? true : questionAnswers.dequeue();
}

std::optional<QString> RecordingPrompter::input(const QString& prompt, const QString&,
                                                const QString&, QWidget*)
{
    boxes.append({Box::Kind::Input, prompt, Icon::None});
    return inputAnswers.isEmpty() ? std::nullopt : inputAnswers.dequeue();
}

QStringList RecordingPrompter::messages() const
{
    QStringList texts;
    for (const Box& box : boxes) {
        texts << box.text;
    }
    return texts;
}

bool RecordingShell::openUrl(const QUrl& url)
{
    calls << QStringLiteral("openUrl ") + url.toString(QUrl::FullyEncoded);
    return result;
}

bool RecordingShell::openUrlInNewBrowserWindow(const QUrl& url)
{
    calls << QStringLiteral("openUrlInNewBrowserWindow ") + url.toString(QUrl::FullyEncoded);
    return result;
}

bool RecordingShell::openPath(const QString& path)
{
    calls << QStringLiteral("openPath ") + path;
    return result;
}

bool RecordingShell::selectInFolder(const QString& path)
{
    calls << QStringLiteral("selectInFolder ") + path;
    return result;
}

bool RecordingShell::openInTextEditor(const QString& path)
{
    calls << QStringLiteral("openInTextEditor ") + path;
    return result;
}

std::optional<QString> RecordingShell::browseForFolder(QWidget*, const QString& startFolder,
                                                       const QString&)
{
    folderStarts << startFolder;
    calls << QStringLiteral("browseForFolder ") + startFolder;
    return folderAnswers.isEmpty() ? std::nullopt : folderAnswers.dequeue();
}

} // namespace zorvtest
