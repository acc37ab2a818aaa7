#include "download/PicWebBK.h"

#include "app/AppServices.h"
#include "app/UiServices.h"
#include "download/DownloadWindowGeometry.h"
#include "download/SiteLogin.h"
#include "platform/Prompter.h"
#include "platform/WebEngineBrowser.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

template <typename T>
T* named(T* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}

QPushButton* button(const QString& name, const QString& caption, QWidget* parent)
{
    auto* b = named(new QPushButton(caption, parent), name);
    b->setAutoDefault(false);
    return b;
}

} // namespace

PicWebBK::PicWebBK(UiServices& ui, QWidget* parent)
    : QFrame(parent)
    , m_ui(ui)
{
    setObjectName(u"PicWebBK"_s);
    setAutoFillBackground(true);
    QPalette yellow = palette();
    yellow.setColor(QPalette::Window, QColor(255, 255, 225));
    setPalette(yellow);

    m_fields = new QWidget(this);
    Label6 = named(new QLabel(u"网址："_s, m_fields), u"Label6"_s);
    Text1 = named(new QLineEdit(m_fields), u"Text1"_s);
    Text1->setAccessibleName(u"登录网址"_s);
    Command2 = button(u"Command2"_s, u"浏览"_s, m_fields);
    Label9 = named(new QLabel(u"帐号："_s, m_fields), u"Label9"_s);
    Text2 = named(new QLineEdit(m_fields), u"Text2"_s);
    Text2->setAccessibleName(u"登录帐号"_s);
    Label10 = named(new QLabel(u"密码："_s, m_fields), u"Label10"_s);
    Text3 = named(new QLineEdit(m_fields), u"Text3"_s);
    Text3->setAccessibleName(u"登录密码"_s);
    Text3->setEchoMode(QLineEdit::Password);
    Command5 = button(u"Command5"_s, u"测试登录"_s, m_fields);
    Check2 = named(new QCheckBox(u"自动登录"_s, m_fields), u"Check2"_s);
    Label11 = named(new QLabel(u"自动登录条件："_s, m_fields), u"Label11"_s);
    Combo3 = named(new QComboBox(m_fields), u"Combo3"_s);
    Combo3->setAccessibleName(u"自动登录条件"_s);
    Combo3->addItem(loginConditionText());
    Combo3->setCurrentIndex(0);
    Check1 = named(new QCheckBox(u"自动刷新(每分钟)"_s, m_fields), u"Check1"_s);
    Command3 = button(u"Command3"_s, u"关闭(隐藏)"_s, m_fields);

    auto* grid = new QGridLayout(m_fields);
    grid->setContentsMargins(6, 6, 6, 4);
    grid->addWidget(Label6, 0, 0);
    grid->addWidget(Text1, 0, 1, 1, 5);
    grid->addWidget(Command2, 0, 6);
    grid->addWidget(Command3, 0, 7);
    grid->addWidget(Label9, 1, 0);
    grid->addWidget(Text2, 1, 1);
    grid->addWidget(Label10, 1, 2);
    grid->addWidget(Text3, 1, 3);
    grid->addWidget(Command5, 1, 4);
    auto* options = new QHBoxLayout;
    options->addWidget(Check2);
    options->addWidget(Label11);
    options->addWidget(Combo3);
    options->addWidget(Check1);
    options->addStretch();
    grid->addLayout(options, 1, 5, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    grid->setColumnStretch(5, 2);

    connect(Command2, &QPushButton::clicked, this, &PicWebBK::Command2_Click);
    connect(Command5, &QPushButton::clicked, this, &PicWebBK::Command5_Click);
    connect(Command3, &QPushButton::clicked, this, &PicWebBK::Command3_Click);
    for (QLineEdit* text : {Text1, Text2, Text3}) {
        connect(text, &QLineEdit::textChanged, this, &PicWebBK::updateFields);
    }
    connect(Check2, &QCheckBox::toggled, this, [this](bool on) {
        if (on && !SiteLogin::fieldsComplete(Text1->text(), Text2->text(), Text3->text())) {
            m_ui.app.prompter.message(SiteLogin::fieldsMissingText(), Prompter::Icon::Critical,
                                      window());
            Check2->setChecked(false);
        }
    });
    connect(Check1, &QCheckBox::toggled, this, &PicWebBK::autoRefreshToggled);
    hide();
}

PicWebBK::~PicWebBK()
{
    // The login waits on its browser; the browser's page goes before the profile does.
    m_login.reset();
    m_browser.reset();
}

void PicWebBK::ensureBrowser()
{
    if (m_browser) {
        return;
    }
    m_browser = std::make_unique<WebEngineBrowser>(m_ui.browserProfile, this);
    m_browser->view()->setObjectName(u"WebBrowser1"_s);
    m_browser->view()->setAccessibleName(u"登录网页"_s);
    m_browser->setSilent(true);
    m_browser->navigate(u"about:blank"_s);
    m_login =
        std::make_unique<SiteLogin>(*m_browser, m_ui.app.clock, m_ui.app.pump, m_ui.app.prompter);
    m_login->setOwner(window());
    if (m_aborted) {
        m_login->abort();
    }
    connect(m_login.get(), &SiteLogin::openingPageChanged, Command2,
            [this](bool opening) { Command2->setEnabled(!opening); });
    connect(m_login.get(), &SiteLogin::runningChanged, Command5,
            [this](bool running) { Command5->setEnabled(!running); });
    connect(m_login.get(), &SiteLogin::pageTitleChanged, this, &PicWebBK::pageTitleChanged);
    connect(m_login.get(), &SiteLogin::openingPageChanged, this,
            [this] { emit workingChanged(isWorking()); });
    connect(m_login.get(), &SiteLogin::runningChanged, this,
            [this] { emit workingChanged(isWorking()); });
    updateFields();
    layoutBrowser();
    m_browser->view()->show();
}

SiteLogin& PicWebBK::login()
{
    ensureBrowser();
    return *m_login;
}

WebEngineBrowser& PicWebBK::browser()
{
    ensureBrowser();
    return *m_browser;
}

void PicWebBK::updateFields()
{
    if (m_login) {
        m_login->setFields(Text1->text(), Text2->text(), Text3->text());
    }
}

void PicWebBK::showPanel(const QString& selectedUrl)
{
    ensureBrowser();
    show();
    raise();
    if (!Check2->isChecked() && !Check1->isChecked() && !selectedUrl.isEmpty()) {
        m_browser->navigate(selectedUrl);
    }
}

void PicWebBK::Command2_Click()
{
    if (Text1->text().trimmed().isEmpty()) {
        return;
    }
    login().openLoginPage();
}

void PicWebBK::Command5_Click()
{
    // Without the three fields there is only the message: no page to make for it.
    if (!SiteLogin::fieldsComplete(Text1->text(), Text2->text(), Text3->text())) {
        m_ui.app.prompter.message(SiteLogin::fieldsMissingText(), Prompter::Icon::Critical,
                                  window());
        return;
    }
    login().run(true);
}

void PicWebBK::Command3_Click()
{
    hide();
    if (!Check1->isChecked() && m_browser) {
        m_browser->navigate(u"about:blank"_s);
    }
    if (!Check1->isChecked() && !Check2->isChecked()) {
        Text1->clear();
    }
}

void PicWebBK::loginAfterWebPage()
{
    if (!Check2->isChecked() || m_aborted || (m_login && m_login->isRunning())) {
        return;
    }
    login().run(false);
}

void PicWebBK::refreshTick()
{
    // Never shown and never signed in: the blank page has nothing to reload.
    if (m_browser) {
        m_browser->refresh();
    }
}

bool PicWebBK::isWorking() const
{
    return m_login && (m_login->isRunning() || m_login->isOpeningPage());
}

void PicWebBK::abort()
{
    m_aborted = true;
    if (m_login) {
        m_login->abort();
    }
}

void PicWebBK::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    layoutBrowser();
}

void PicWebBK::layoutBrowser()
{
    const int fieldsHeight = m_fields->sizeHint().height();
    m_fields->setGeometry(0, 0, width(), fieldsHeight);
    if (!m_browser) {
        return;
    }
    const double perPixelX = 1440.0 / logicalDpiX();
    const double perPixelY = 1440.0 / logicalDpiY();
    const QRect panel(0, 0, static_cast<int>(std::lround(width() * perPixelX)),
                      static_cast<int>(std::lround(height() * perPixelY)));
    const QRect tw = DownloadWindowGeometry::loginBrowser(
        panel, static_cast<int>(std::lround(fieldsHeight * perPixelY)));
    m_browser->view()->setGeometry(static_cast<int>(std::lround(tw.x() / perPixelX)),
                                   static_cast<int>(std::lround(tw.y() / perPixelY)),
                                   static_cast<int>(std::lround(tw.width() / perPixelX)),
                                   static_cast<int>(std::lround(tw.height() / perPixelY)));
}
