#include "platform/WebEngineBrowser.h"

#include "platform/BrowserProfile.h"

#include <QAuthenticator>
#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTimer>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>

using namespace Qt::StringLiterals;

namespace {

// The question the engine puts before a page that asks for it is left (its own wording).
QString leavePageQuestion()
{
    return QCoreApplication::translate(
        "QWebEnginePage",
        "Are you sure you want to leave this page? Changes that you made may not be saved.");
}

// The page of an embedded browser: no script dialogs in silent mode, no console noise, and no
// second window ever (new-window requests are turned into navigations of this page).
class EmbeddedPage final : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;
    bool silent = false;

protected:
    QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }
    void javaScriptAlert(const QUrl& origin, const QString& message) override
    {
        if (!silent) {
            QWebEnginePage::javaScriptAlert(origin, message);
        }
    }
    bool javaScriptConfirm(const QUrl& origin, const QString& message) override
    {
        if (!silent) {
            return QWebEnginePage::javaScriptConfirm(origin, message);
        }
        // The engine asks whether a page that wants to be asked may be left through the same
        // box as a page's own confirm(). Silent, the page is left: answering no would hold
        // the browser on it without a word, so links, history and the next-page clicks of the
        // crawl would do nothing.
        return message == leavePageQuestion();
    }
    bool javaScriptPrompt(const QUrl& origin, const QString& message, const QString& defaultValue,
                          QString* result) override
    {
        return silent ? false
                      : QWebEnginePage::javaScriptPrompt(origin, message, defaultValue, result);
    }
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int,
                                  const QString&) override
    {
    }
    QStringList chooseFiles(FileSelectionMode mode, const QStringList& oldFiles,
                            const QStringList& acceptedMimeTypes) override
    {
        return silent ? QStringList()
                      : QWebEnginePage::chooseFiles(mode, oldFiles, acceptedMimeTypes);
    }
};

// A text as a script literal.
QString scriptLiteral(const QString& text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

// Collects the elements with a tag name below root, keeps them in the page under the list's
// number (so actions can find them again) and returns their properties as one JSON text.
const QString kListScript = uR"JS((function (root, tag, id) {
  var lists = window.__zorvLists || (window.__zorvLists = Object.create(null));
  if (!root || typeof root.getElementsByTagName !== 'function') return '[]';
  var text = function (v) { return typeof v === 'string' ? v : ''; };
  var found = root.getElementsByTagName(tag);
  var n = found.length, kept = new Array(n), rows = new Array(n);
  for (var i = 0; i < n; ++i) {
    var e = found[i];
    kept[i] = e;
    var cls = typeof e.className === 'string' ? e.className
                                              : (e.getAttribute && e.getAttribute('class')) || '';
    var rel = typeof e.rel === 'string' ? e.rel : (e.getAttribute && e.getAttribute('rel')) || '';
    var name = typeof e.name === 'string' ? e.name
                                          : (e.getAttribute && e.getAttribute('name')) || '';
    rows[i] = [text(e.tagName), cls, text(e.innerText), text(e.href), rel, name, text(e.type),
               text(e.value)];
  }
  lists[id] = kept;
  return JSON.stringify(rows);
})(%1, %2, %3))JS"_s;

// The expression of element index of list id, or null.
QString elementExpression(quint64 listId, qsizetype index)
{
    return u"(window.__zorvLists && window.__zorvLists[%1] ? window.__zorvLists[%1][%2] : null)"_s
        .arg(listId)
        .arg(index);
}

// The elements of one script run. The page keeps them until the last element of the list is
// gone on this side.
class ElementListHandle {
public:
    ElementListHandle(WebEngineBrowser* browser, quint64 id)
        : browser(browser)
        , id(id)
    {
    }
    ~ElementListHandle()
    {
        if (browser) {
            browser->post(u"if (window.__zorvLists) delete window.__zorvLists[%1];"_s.arg(id));
        }
    }
    QPointer<WebEngineBrowser> browser;
    const quint64 id;
};

ElementList readElements(WebEngineBrowser* browser, const QString& rootExpression,
                         const QString& tagName);

class WebEngineElement final : public Element {
public:
    WebEngineElement(std::shared_ptr<ElementListHandle> list, qsizetype index,
                     const QJsonArray& fields)
        : m_list(std::move(list))
        , m_index(index)
    {
        for (int i = 0; i < kFieldCount; ++i) {
            m_fields[i] = fields.at(i).toString();
        }
    }

    QString tagName() const override { return m_fields[0].toUpper(); }
    QString className() const override { return m_fields[1]; }
    QString innerText() const override { return m_fields[2]; }
    QString href() const override { return m_fields[3]; }
    QString rel() const override { return m_fields[4]; }
    QString name() const override { return m_fields[5]; }
    QString type() const override { return m_fields[6]; }
    QString value() const override { return m_fields[7]; }

    ElementList getElementsByTagName(const QString& tagName) const override
    {
        return readElements(m_list->browser, expression(), tagName);
    }

    bool click() override { return act(u"e.click();"_s); }

    bool setValue(const QString& value) override
    {
        const bool done = act(
            u"e.value = %1; e.dispatchEvent(new Event('input', {bubbles: true}));"
            " e.dispatchEvent(new Event('change', {bubbles: true}));"_s.arg(scriptLiteral(value)));
        if (done) {
            m_fields[7] = value;
        }
        return done;
    }

private:
    static constexpr int kFieldCount = 8;

    QString expression() const { return elementExpression(m_list->id, m_index); }

    bool act(const QString& statements) const
    {
        WebEngineBrowser* browser = m_list->browser;
        if (!browser) {
            return false;
        }
        const auto result =
            browser->evaluate(u"(function (e) { if (!e) return false; %1 return true; })(%2)"_s.arg(
                statements, expression()));
        return result && result->toBool();
    }

    std::shared_ptr<ElementListHandle> m_list;
    qsizetype m_index;
    QString m_fields[kFieldCount];
};

ElementList readElements(WebEngineBrowser* browser, const QString& rootExpression,
                         const QString& tagName)
{
    if (!browser) {
        return {};
    }
    const quint64 id = browser->nextListId();
    const auto result = browser->evaluate(
        kListScript.arg(rootExpression, scriptLiteral(tagName), QString::number(id)));
    if (!result || result->typeId() != QMetaType::QString) {
        return {};
    }
    const QJsonArray rows = QJsonDocument::fromJson(result->toString().toUtf8()).array();
    auto handle = std::make_shared<ElementListHandle>(browser, id);
    ElementList elements;
    elements.reserve(rows.size());
    for (qsizetype i = 0; i < rows.size(); ++i) {
        elements.append(std::make_shared<WebEngineElement>(handle, i, rows.at(i).toArray()));
    }
    return elements;
}

class WebEngineDocument final : public Document {
public:
    explicit WebEngineDocument(WebEngineBrowser* browser)
        : m_browser(browser)
    {
    }

    QString url() const override
    {
        if (!m_browser) {
            return {};
        }
        const auto result = m_browser->evaluate(u"document.URL"_s);
        return result ? result->toString() : m_browser->locationUrl();
    }

    ElementList getElementsByTagName(const QString& tagName) const override
    {
        return readElements(m_browser, u"document"_s, tagName);
    }

private:
    QPointer<WebEngineBrowser> m_browser;
};

} // namespace

WebEngineBrowser::WebEngineBrowser(BrowserProfile* profile, QWidget* parentWidget, QObject* parent)
    : Browser(parent)
{
    m_view = new QWebEngineView(parentWidget);
    QWebEngineProfile* engineProfile =
        profile ? profile->profile() : QWebEngineProfile::defaultProfile();
    auto* embedded = new EmbeddedPage(engineProfile, m_view);
    // PDFs are shown in the browser rather than handed to a download nobody takes.
    embedded->settings()->setAttribute(QWebEngineSettings::PluginsEnabled, true);
    embedded->settings()->setAttribute(QWebEngineSettings::PdfViewerEnabled, true);
    embedded->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, true);
    m_view->setPage(embedded);

    connect(embedded, &QWebEnginePage::loadStarted, this, &WebEngineBrowser::onLoadStarted);
    connect(embedded, &QWebEnginePage::loadFinished, this, &WebEngineBrowser::onLoadFinished);
    connect(embedded, &QWebEnginePage::titleChanged, this, &Browser::titleChanged);
    connect(embedded, &QWebEnginePage::linkHovered, this, &Browser::statusTextChanged);
    connect(embedded, &QWebEnginePage::windowCloseRequested, this, &Browser::windowCloseRequested);
    connect(embedded, &QWebEnginePage::newWindowRequested, this,
            [this](QWebEngineNewWindowRequest& request) {
                const QUrl url = request.requestedUrl();
                if (url.isEmpty()) {
                    return;
                }
                navigate(url.toString());
                emit newWindowRequested(url.toString());
            });
    connect(embedded, &QWebEnginePage::authenticationRequired, this,
            [this](const QUrl&, QAuthenticator* authenticator) {
                if (m_silent) {
                    *authenticator = QAuthenticator(); // refused without a box
                }
            });
}

WebEngineBrowser::~WebEngineBrowser() { delete m_view.data(); }

QWebEnginePage* WebEngineBrowser::page() const { return m_view ? m_view->page() : nullptr; }

void WebEngineBrowser::setSilent(bool silent)
{
    m_silent = silent;
    if (auto* embedded = dynamic_cast<EmbeddedPage*>(page())) {
        embedded->silent = silent;
    }
}

void WebEngineBrowser::navigate(const QString& url)
{
    if (QWebEnginePage* p = page()) {
        p->load(QUrl::fromUserInput(url.trimmed()));
    }
}

void WebEngineBrowser::goBack()
{
    if (QWebEnginePage* p = page()) {
        p->triggerAction(QWebEnginePage::Back);
    }
}

void WebEngineBrowser::goForward()
{
    if (QWebEnginePage* p = page()) {
        p->triggerAction(QWebEnginePage::Forward);
    }
}

void WebEngineBrowser::refresh()
{
    if (QWebEnginePage* p = page()) {
        p->triggerAction(QWebEnginePage::Reload);
    }
}

QString WebEngineBrowser::locationUrl() const
{
    const QWebEnginePage* p = page();
    return p ? p->url().toString() : QString();
}

QString WebEngineBrowser::title() const
{
    const QWebEnginePage* p = page();
    return p ? p->title() : QString();
}

std::shared_ptr<Document> WebEngineBrowser::document()
{
    if (!page()) {
        return nullptr;
    }
    return std::make_shared<WebEngineDocument>(this);
}

std::optional<QVariant> WebEngineBrowser::evaluate(const QString& script)
{
    QWebEnginePage* p = page();
    if (!p) {
        return std::nullopt;
    }
    struct Wait {
        bool done = false;
        QVariant result;
        QPointer<QEventLoop> loop;
    };
    auto wait = std::make_shared<Wait>();
    QEventLoop loop;
    wait->loop = &loop;
    p->runJavaScript(script, QWebEngineScript::ApplicationWorld, [wait](const QVariant& result) {
        wait->done = true;
        wait->result = result;
        if (wait->loop) {
            wait->loop->quit();
        }
    });
    if (!wait->done) {
        QTimer bound;
        bound.setSingleShot(true);
        connect(&bound, &QTimer::timeout, &loop, &QEventLoop::quit);
        connect(p, &QObject::destroyed, &loop, &QEventLoop::quit);
        connect(p, &QWebEnginePage::renderProcessTerminated, &loop, &QEventLoop::quit);
        bound.start(m_scriptTimeoutMs);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    wait->loop = nullptr;
    if (!wait->done) {
        return std::nullopt;
    }
    return wait->result;
}

void WebEngineBrowser::post(const QString& script)
{
    if (QWebEnginePage* p = page()) {
        p->runJavaScript(script, QWebEngineScript::ApplicationWorld);
    }
}

void WebEngineBrowser::onLoadStarted()
{
    setBusy(true);
    emit statusTextChanged(u"正在打开网页 "_s + locationUrl() + u"..."_s);
}

void WebEngineBrowser::onLoadFinished(bool ok)
{
    setBusy(false);
    emit statusTextChanged(ok ? u"完成"_s : u"无法显示此网页"_s);
    emit documentComplete(locationUrl());
}

void WebEngineBrowser::setBusy(bool busy)
{
    if (m_busy != busy) {
        m_busy = busy;
        emit busyChanged(busy);
    }
}
