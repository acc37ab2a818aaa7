#include "app/fCover.h"

#include "app/AppInfo.h"
#include "app/AppServices.h"
#include "app/Forms.h"
#include "app/UiServices.h"
#include "net/uXMLHTTP.h"
#include "platform/EventPump.h"
#include "platform/Prompter.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// Runs one attached start-up step; whatever goes wrong in it, start-up goes on.
void runStep(const std::function<void()>& step)
{
    if (!step) {
        return;
    }
    try {
        step();
    } catch (...) {
    }
}

QWidget* makeBanner(QWidget* parent)
{
    auto* banner = new QLabel(parent);
    banner->setObjectName(u"Picture1"_s);
    banner->setAccessibleName(u"软件封面图片"_s);
    banner->setText(u"<div style='font-size:26pt;font-weight:bold;color:white'>QelvoZORV</div>"
                    "<div style='font-size:13pt;color:#e8f4ff'>资料下载管理器</div>"_s);
    banner->setAlignment(Qt::AlignCenter);
    banner->setMinimumSize(460, 180);
    banner->setStyleSheet(u"QLabel#Picture1 { background: qlineargradient(x1:0, y1:0, x2:1, y2:1,"
                          " stop:0 #1d4f91, stop:0.6 #2f7ab8, stop:1 #58b09c); }"_s);
    return banner;
}

} // namespace

fCover::fCover(UiServices& ui, StartupSteps steps, std::function<void()> endProgram,
               QWidget* parent)
    : QWidget(parent)
    , m_ui(ui)
    , m_steps(std::move(steps))
    , m_endProgram(std::move(endProgram))
{
    setObjectName(u"fCover"_s);
    setWindowTitle(AppInfo::title());

    Label1 = new QLabel(u"版本："_s, this);
    Label1->setObjectName(u"Label1"_s);
    Label3 = new QLabel(u"最新版本："_s, this);
    Label3->setObjectName(u"Label3"_s);
    Label3->hide();
    Command1 = new QPushButton(u"文献检索下载"_s, this);
    Command1->setObjectName(u"Command1"_s);
    Command1->setEnabled(false);
    Command3 = new QPushButton(u"退出软件"_s, this);
    Command3->setObjectName(u"Command3"_s);
    Command3->setEnabled(false);
    Timer1 = new QTimer(this);
    Timer1->setObjectName(u"Timer1"_s);
    Timer1->setInterval(100);
    Timer1->setSingleShot(false);
    // The program's network access when there is one; otherwise the launcher brings its own.
    QNetworkAccessManager* network = m_ui.network ? m_ui.network : new QNetworkAccessManager(this);
    uXMLHTTP2 = new uXMLHTTP(network, this);
    uXMLHTTP2->setObjectName(u"uXMLHTTP2"_s);

    auto* versions = new QVBoxLayout;
    versions->addWidget(Label1);
    versions->addWidget(Label3);
    auto* buttons = new QHBoxLayout;
    buttons->addLayout(versions);
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command3);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(makeBanner(this));
    layout->addLayout(buttons);

    connect(Timer1, &QTimer::timeout, this, &fCover::onTimer1);
    connect(Command1, &QPushButton::clicked, this, &fCover::onCommand1);
    connect(Command3, &QPushButton::clicked, this, &fCover::endProgram);
    connect(uXMLHTTP2, &uXMLHTTP::OnDateArrived, this, &fCover::onLatestVersionArrived);
    connect(uXMLHTTP2, &uXMLHTTP::OnDateErr, this, &fCover::onLatestVersionFailed);
}

fCover::~fCover() = default;

void fCover::load()
{
    setWindowTitle(AppInfo::title());
    Label1->setText(u"版本:"_s + AppInfo::versionText());
    show();
    m_ui.app.pump.pump();
    runStep(m_steps.identifyOs);
    runStep(m_steps.setBrowserEmulation);
    Timer1->start();
}

void fCover::onTimer1()
{
    Timer1->stop();
    try {
        CheckLatestVersion();
    } catch (...) {
    }
    Command1->setEnabled(true);
    Command3->setEnabled(true);
}

void fCover::CheckLatestVersion()
{
    m_latestVersion.clear();
    // Without a usable request the launcher simply shows no latest version.
    if (!uXMLHTTP2->Open_(u"GET"_s, m_ui.app.config.versionManifestUrl)) {
        return;
    }
    uXMLHTTP2->Send_(QByteArray());
}

void fCover::onLatestVersionArrived()
{
    m_latestVersion = uXMLHTTP2->ResponseText().trimmed();
    // Anything longer is not a version number (an error page served as 200, for one).
    if (!m_latestVersion.isEmpty() && m_latestVersion.size() < 11) {
        Label3->setText(u"最新版本：V"_s + m_latestVersion);
        Label3->setVisible(true);
    }
}

void fCover::onLatestVersionFailed()
{
    m_ui.app.prompter.message(u"请保持网络畅通！"_s, Prompter::Icon::Critical, this);
}

void fCover::onCommand1()
{
    hide();
    m_ui.forms.show(u"fWebSearch"_s);
}

void fCover::endProgram()
{
    if (m_ending) {
        return;
    }
    m_ending = true;
    markUnloaded(this);
    if (m_endProgram) {
        m_endProgram();
    }
}

void fCover::closeEvent(QCloseEvent* event)
{
    event->accept();
    endProgram();
}
