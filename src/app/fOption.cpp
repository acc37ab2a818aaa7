#include "app/fOption.h"

#include "app/AppServices.h"
#include "app/DownloadMethodView.h"
#include "app/Forms.h"
#include "app/SettingKeys.h"
#include "app/SharedSettings.h"
#include "app/UiServices.h"
#include "platform/Prompter.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

QLabel* greyHint(const QString& text, const QString& name, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setStyleSheet(u"color: grey;"_s);
    return label;
}

bool isNumber(const QString& text)
{
    // "inf" and "nan" read as numbers here, but they are no number a user writes.
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(value);
}

} // namespace

fOption::fOption(UiServices& ui, QWidget* parent)
    : QDialog(parent)
    , m_ui(ui)
{
    setObjectName(u"fOption"_s);
    setWindowTitle(u"设置"_s);
    setAttribute(Qt::WA_DeleteOnClose, false);

    Label1 = new QLabel(u"下载方式："_s, this);
    Label1->setObjectName(u"Label1"_s);
    Option1 = new QRadioButton(u"下载方式一 (支持HTTP，单线程，代理服务器下载)"_s, this);
    Option1->setObjectName(u"Option1"_s);
    Option2 = new QRadioButton(u"下载方式二 (支持HTTP，多线程下载)"_s, this);
    Option2->setObjectName(u"Option2"_s);
    auto* methods = new QButtonGroup(this);
    methods->addButton(Option1);
    methods->addButton(Option2);

    Check1 = new QCheckBox(u"下载使用代理服务器"_s, this);
    Check1->setObjectName(u"Check1"_s);
    Label14 = new QLabel(u"地址："_s, this);
    Label14->setObjectName(u"Label14"_s);
    Text6 = new QLineEdit(this);
    Text6->setObjectName(u"Text6"_s);
    Text6->setAccessibleName(u"代理服务器地址"_s);
    Label6 = greyHint(u"(如：proxy.example.com 或者 192.168.1.10)"_s, u"Label6"_s, this);
    Label15 = new QLabel(u"端口："_s, this);
    Label15->setObjectName(u"Label15"_s);
    Text8 = new QLineEdit(this);
    Text8->setObjectName(u"Text8"_s);
    Text8->setAccessibleName(u"代理服务器端口"_s);
    Label10 = greyHint(u"(如：3128 或者 80 等等)"_s, u"Label10"_s, this);
    Check2 = new QCheckBox(u"提取网页信息时，提示下载保存路径"_s, this);
    Check2->setObjectName(u"Check2"_s);
    Label16 = new QLabel(u"首页网址："_s, this);
    Label16->setObjectName(u"Label16"_s);
    Text9 = new QLineEdit(this);
    Text9->setObjectName(u"Text9"_s);
    Text9->setAccessibleName(u"期刊首页网址"_s);
    Command1 = new QPushButton(u"确定"_s, this);
    Command1->setObjectName(u"Command1"_s);
    Command1->setDefault(true);
    Command2 = new QPushButton(u"关闭"_s, this);
    Command2->setObjectName(u"Command2"_s);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Option1);
    layout->addWidget(Option2);
    layout->addSpacing(8);
    layout->addWidget(Check1);
    auto* address = new QHBoxLayout;
    address->addWidget(Label14);
    address->addWidget(Text6, 1);
    address->addWidget(Label6);
    layout->addLayout(address);
    auto* port = new QHBoxLayout;
    port->addWidget(Label15);
    port->addWidget(Text8);
    port->addWidget(Label10);
    port->addStretch();
    layout->addLayout(port);
    layout->addSpacing(8);
    layout->addWidget(Check2);
    auto* home = new QHBoxLayout;
    home->addWidget(Label16);
    home->addWidget(Text9, 1);
    layout->addLayout(home);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    layout->addLayout(buttons);

    connect(Command1, &QPushButton::clicked, this, &fOption::confirm);
    connect(Command2, &QPushButton::clicked, this, &QDialog::reject);

    loadValues();
}

void fOption::showModal(UiServices& ui, QWidget* parent)
{
    fOption dialog(ui, parent);
    dialog.exec();
}

void fOption::loadValues()
{
    SharedSettings& shared = m_ui.app.shared;
    // Until the download window (or the search window) has read its values in this run, the
    // shared variables hold nothing; the dialog then shows the stored values, so confirming
    // it keeps them instead of storing blanks.
    if (!shared.downloadSettingsLoaded()) {
        shared.loadDownloadWindowSettings();
    }
    if (!shared.promptSavePathLoaded()) {
        shared.loadPromptSavePath();
    }
    Check1->setChecked(shared.ProxyEnabled == 1);
    Text6->setText(shared.ProxyAddress);
    Text8->setText(shared.ProxyPort);
    Option1->setChecked(shared.DownloadMethod == 1);
    Option2->setChecked(shared.DownloadMethod == 2);
    Check2->setChecked(shared.PromptSavePath == 1);
    Text9->setText(shared.homePage(m_ui.app.config.journalHomePage));
}

void fOption::confirm()
{
    using namespace SettingKeys;
    SharedSettings& shared = m_ui.app.shared;
    const bool downloadWindowLoaded = IsFormLoaded(u"fFileDownload"_s);
    auto* methodView = downloadWindowLoaded
        ? dynamic_cast<DownloadMethodView*>(m_ui.forms.loaded(u"fFileDownload"_s))
        : nullptr;

    if (Option1->isChecked()) {
        shared.DownloadMethod = 1;
        if (methodView) {
            methodView->showDownloadMethod(1);
        }
    } else if (Option2->isChecked()) {
        shared.DownloadMethod = 2;
        if (methodView) {
            methodView->showDownloadMethod(2);
        }
    }
    shared.write(sectionSettings(), downloadMethod(), QString::number(shared.DownloadMethod));

    shared.ProxyEnabled = Check1->isChecked() ? 1 : 0;
    shared.write(sectionSettings(), proxyEnabled(), QString::number(shared.ProxyEnabled));

    shared.ProxyAddress = Text6->text().trimmed();
    shared.write(sectionSettings(), proxyAddress(), shared.ProxyAddress);
    shared.ProxyPort = Text8->text().trimmed();
    shared.write(sectionSettings(), proxyPort(), shared.ProxyPort);

    if (shared.ProxyEnabled == 1
        && (shared.ProxyAddress.isEmpty() || !isNumber(shared.ProxyPort))) {
        m_ui.app.prompter.message(u"代理服务器网址或者端口格式不对！"_s, Prompter::Icon::Critical,
                                  this);
    }

    shared.PromptSavePath = Check2->isChecked() ? 1 : 0;
    shared.write(sectionSettings(), promptSavePath(), QString::number(shared.PromptSavePath));

    shared.write(sectionSettings(), homePage(), Text9->text().trimmed());

    accept();
}
