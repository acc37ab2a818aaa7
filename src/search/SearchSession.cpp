#include "search/SearchSession.h"

#include "app/AppServices.h"
#include "app/SharedSettings.h"
#include "platform/Browser.h"
#include "platform/Clock.h"
#include "platform/EventPump.h"
#include "search/PageParsers.h"

using namespace Qt::StringLiterals;

namespace {
// How long one step of a wait blocks at most when nothing happens.
constexpr int kWaitStepMs = 50;
} // namespace

SearchSession::SearchSession(AppServices& app, Browser& browser, QObject* parent)
    : QObject(parent)
    , m_app(app)
    , m_browser(browser)
{
    connect(&m_browser, &Browser::documentComplete, this, [this] { PageLoading = false; });
}

QString SearchSession::pageSaveFolder() const
{
    return m_app.shared.PromptSavePath == 1 ? m_app.shared.SaveFolder : QString();
}

int SearchSession::parseShownPage(const QString& saveFolder)
{
    const std::shared_ptr<Document> document = m_browser.document();
    return ParsePage(document.get(), m_articles, saveFolder);
}

void SearchSession::addThisPage()
{
    if (m_app.shared.PromptSavePath == 1) {
        if (showSaveFolderChooser) {
            showSaveFolderChooser();
        }
        // Read whether the chooser was confirmed or not.
        parseShownPage(m_app.shared.SaveFolder);
    } else {
        parseShownPage(QString());
    }
}

void SearchSession::addAll()
{
    if (m_addingAll) {
        StopAddAll = true;
        return;
    }
    m_addingAll = true;
    StopAddAll = false;
    emit addAllChanged(true);
    if (m_app.shared.PromptSavePath == 1 && showSaveFolderChooser) {
        showSaveFolderChooser(); // once for all pages
    }
    do {
        m_app.pump.pump();
        if (!下一页()) {
            break;
        }
        m_app.pump.pump();
    } while (!StopAddAll);
    m_addingAll = false;
    emit addAllChanged(false);
}

bool SearchSession::isNextLinkText(const QString& innerText)
{
    const QString text = innerText.toLower().trimmed();
    return text == u"next"_s || text == u"next page of results"_s;
}

bool SearchSession::下一页()
{
    parseShownPage(pageSaveFolder());
    const std::shared_ptr<Document> document = m_browser.document();
    if (!document) {
        return false;
    }
    Clock& clock = m_app.clock;
    EventPump& pump = m_app.pump;
    for (const ElementPtr& anchor : document->getElementsByTagName(u"A"_s)) {
        if (!isNextLinkText(anchor->innerText())) {
            continue;
        }
        const double clicked = clock.seconds();
        PageLoading = true;
        if (!anchor->click()) {
            return false;
        }
        pump.pump();
        do {
            if (!m_browser.isBusy() && !PageLoading) {
                break;
            }
            pump.wait(kWaitStepMs);
            if (qAbs(clock.seconds() - clicked) > kLoadTimeoutSeconds) {
                return false;
            }
        } while (!StopAddAll);
        // Let the new page settle (scripts that finish the list after the load).
        const double loaded = clock.seconds();
        do {
            pump.wait(kWaitStepMs);
            if (qAbs(clock.seconds() - loaded) >= kSettleSeconds) {
                break;
            }
        } while (!StopAddAll);
        return true;
    }
    return false;
}

void SearchSession::unload()
{
    StopAddAll = true;
    StopAnalysis = true;
    m_app.pump.pump();
}
