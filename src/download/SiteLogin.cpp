#include "download/SiteLogin.h"

#include "platform/Browser.h"
#include "platform/Clock.h"
#include "platform/EventPump.h"
#include "platform/Prompter.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr int kWaitStepMs = 50;

} // namespace

bool SiteLogin::isAccountInput(const QString& name)
{
    return name == u"userid"_s || name == u"user"_s || name == u"username"_s
        || name == u"useruid"_s;
}

bool SiteLogin::isPasswordInput(const QString& name)
{
    return name == u"pass"_s || name == u"password"_s || name == u"passwd"_s;
}

SiteLogin::SiteLogin(Browser& browser, Clock& clock, EventPump& pump, Prompter& prompter,
                     QObject* parent)
    : QObject(parent)
    , m_browser(browser)
    , m_clock(clock)
    , m_pump(pump)
    , m_prompter(prompter)
{
    // The browser reports only its top-level document complete, never a frame's.
    connect(&m_browser, &Browser::documentComplete, this, [this] { LoginPageLoading = false; });
    connect(&m_browser, &Browser::titleChanged, this, [this](const QString& title) {
        if (title.trimmed().toLower() != u"about:blank"_s) {
            emit pageTitleChanged(title);
        }
    });
}

void SiteLogin::setFields(const QString& url, const QString& account, const QString& password)
{
    m_url = url.trimmed();
    m_account = account.trimmed();
    m_password = password.trimmed();
}

bool SiteLogin::fieldsComplete(const QString& url, const QString& account, const QString& password)
{
    return !url.trimmed().isEmpty() && !account.trimmed().isEmpty()
        && !password.trimmed().isEmpty();
}

void SiteLogin::abort() { m_aborted = true; }

void SiteLogin::setOpeningPage(bool opening)
{
    if (m_openingPage != opening) {
        m_openingPage = opening;
        emit openingPageChanged(opening);
    }
}

void SiteLogin::setRunning(bool running)
{
    if (m_running != running) {
        m_running = running;
        emit runningChanged(running);
    }
}

void SiteLogin::openLoginPage()
{
    if (m_url.isEmpty() || m_openingPage || m_aborted) {
        return;
    }
    loadAndWait(m_url);
}

void SiteLogin::loadAndWait(const QString& url)
{
    setOpeningPage(true);
    const double started = std::floor(m_clock.seconds());
    LoginPageLoading = true;
    m_browser.navigate(url);
    waitForPage(started);
    setOpeningPage(false);
}

void SiteLogin::waitForPage(double started)
{
    m_pump.pump();
    while (!m_aborted && (m_browser.isBusy() || LoginPageLoading)) {
        if (std::abs(m_clock.seconds() - started) > kPageWaitSeconds) {
            break; // the filling works on whatever the browser holds now
        }
        m_pump.wait(kWaitStepMs);
    }
}

void SiteLogin::run(bool showMessages)
{
    if (!fieldsComplete()) {
        if (showMessages) {
            m_prompter.message(fieldsMissingText(), Prompter::Icon::Critical, m_owner);
        }
        return;
    }
    if (m_running || m_aborted) {
        return;
    }
    setRunning(true);
    loadAndWait(m_url);
    fillAndSubmit();
    const double settling = std::floor(m_clock.seconds());
    while (!m_aborted && std::abs(m_clock.seconds() - settling) <= kSettleSeconds) {
        m_pump.wait(kWaitStepMs);
    }
    setRunning(false);
}

void SiteLogin::fillAndSubmit()
{
    m_lastFilled = 0;
    m_lastSubmitted = false;
    if (m_aborted) {
        return;
    }
    const std::shared_ptr<Document> document = m_browser.document();
    if (!document) {
        return;
    }
    const ElementList inputs = document->getElementsByTagName(u"INPUT"_s);
    int filled = 0;
    for (const ElementPtr& input : inputs) {
        const QString name = input->name().toLower();
        if (isAccountInput(name)) {
            ++filled;
            input->setValue(m_account);
        }
        if (isPasswordInput(name)) {
            ++filled;
            input->setValue(m_password);
        }
        // In document order: a button met before two fields are filled is passed over.
        if (input->type().toLower() == u"submit"_s && filled > 1) {
            const double started = std::floor(m_clock.seconds());
            LoginPageLoading = true;
            m_lastSubmitted = input->click();
            waitForPage(started);
            break;
        }
    }
    m_lastFilled = filled;
}

WebPageDownloads::WebPageDownloads(DownloadList& list, QObject* parent)
    : QObject(parent)
    , m_list(list)
{
    connect(&list, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& top, const QModelIndex& bottom) {
                look(top.row(), bottom.row());
            });
    connect(&list, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex&, int first, int last) {
                for (int row = first; row <= last; ++row) {
                    m_reported.remove(m_list.keyAt(row));
                }
            });
    // After a reset the rows that are web pages now have been seen already.
    connect(&list, &QAbstractItemModel::modelReset, this, [this] {
        m_reported.clear();
        for (int row = 0; row < m_list.rowCount(); ++row) {
            const DownloadItem& item = m_list.at(row);
            if (item.state == DownloadState::Completed && isWebPageType(item.type)) {
                m_reported.insert(item.key);
            }
        }
    });
}

bool WebPageDownloads::isWebPageType(const QString& type)
{
    const QString lower = type.toLower();
    return lower == u"htm"_s || lower == u"html"_s || lower == u"asp"_s;
}

void WebPageDownloads::look(int firstRow, int lastRow)
{
    for (int row = qMax(0, firstRow); row <= lastRow && row < m_list.rowCount(); ++row) {
        const DownloadItem& item = m_list.at(row);
        if (item.state != DownloadState::Completed) {
            m_reported.remove(item.key);
        } else if (isWebPageType(item.type) && !m_reported.contains(item.key)) {
            m_reported.insert(item.key);
            emit webPageDownloaded(item.key);
        }
    }
}
