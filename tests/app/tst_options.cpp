#include "TestContext.h"
#include "TestMain.h"
#include "app/DownloadMethodView.h"
#include "app/SettingKeys.h"
#include "app/fOption.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace Qt::StringLiterals;
using namespace zorvtest;

namespace {

// Stands in for the download window: records what the dialog asks it to show.
class FakeDownloadWindow final : public QWidget, public DownloadMethodView {
public:
    FakeDownloadWindow() { setObjectName(u"fFileDownload"_s); }
    void showDownloadMethod(int method) override
    {
        label = u"下载方式："_s + QString::number(method);
        threadsEnabled = method == 2;
        if (method == 2) {
            threads = u"1"_s;
        }
    }
    QString label = u"下载方式：2"_s;
    QString threads = u"3"_s;
    bool threadsEnabled = true;
};

QString stored(TestContext& ctx, const QString& key)
{
    return ctx.shared.read(SettingKeys::sectionSettings(), key, u"<absent>"_s);
}

} // namespace

class TestOptions : public QObject {
    Q_OBJECT
private slots:
    void proxyWarning_data();
    void proxyWarning();
    void methodTwoResetsOpenDownloadWindow();
    void methodOneWithoutDownloadWindowOnlyStores();
    void closeStoresNothing();
    void showsStoredValuesBeforeDownloadWindowLoaded();
};

void TestOptions::proxyWarning_data()
{
    QTest::addColumn<bool>("proxyOn");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("port");
    QTest::addColumn<bool>("warned");
    QTest::newRow("on, empty port") << true << u"proxy.example"_s << QString() << true;
    QTest::newRow("on, empty address") << true << u"  "_s << u"3128"_s << true;
    QTest::newRow("on, port not a number") << true << u"proxy.example"_s << u"80a"_s << true;
    QTest::newRow("on, port infinite") << true << u"proxy.example"_s << u"inf"_s << true;
    QTest::newRow("on, well formed") << true << u" 127.0.0.1 "_s << u" 3128 "_s << false;
    QTest::newRow("off, empty address") << false << QString() << QString() << false;
}

void TestOptions::proxyWarning()
{
    QFETCH(bool, proxyOn);
    QFETCH(QString, address);
    QFETCH(QString, port);
    QFETCH(bool, warned);
    TestContext ctx;
    fOption dialog(ctx.ui);
    dialog.Check1->setChecked(proxyOn);
    dialog.Text6->setText(address);
    dialog.Text8->setText(port);
    dialog.show();
    dialog.Command1->click();
    QCOMPARE(ctx.prompter.messages().contains(u"代理服务器网址或者端口格式不对！"_s), warned);
    // The values are stored trimmed either way, and the dialog closes.
    QCOMPARE(stored(ctx, SettingKeys::proxyAddress()), address.trimmed());
    QCOMPARE(stored(ctx, SettingKeys::proxyPort()), port.trimmed());
    QCOMPARE(stored(ctx, SettingKeys::proxyEnabled()), proxyOn ? u"1"_s : u"0"_s);
    QCOMPARE(ctx.shared.ProxyPort, port.trimmed());
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

void TestOptions::methodTwoResetsOpenDownloadWindow()
{
    TestContext ctx;
    auto* window = new FakeDownloadWindow;
    ctx.forms.registerForm(u"fFileDownload"_s, [window] { return window; });
    ctx.forms.load(u"fFileDownload"_s);
    fOption dialog(ctx.ui);
    dialog.Option2->setChecked(true);
    dialog.Command1->click();
    QCOMPARE(window->threads, u"1"_s);
    QCOMPARE(window->label, u"下载方式：2"_s);
    QVERIFY(window->threadsEnabled);
    QCOMPARE(ctx.shared.DownloadMethod, qint16(2));

    fOption again(ctx.ui);
    again.Option1->setChecked(true);
    again.Command1->click();
    QCOMPARE(window->label, u"下载方式：1"_s);
    QVERIFY(!window->threadsEnabled);
    QCOMPARE(stored(ctx, SettingKeys::downloadMethod()), u"1"_s);
}

void TestOptions::methodOneWithoutDownloadWindowOnlyStores()
{
    TestContext ctx;
    fOption dialog(ctx.ui);
    dialog.Option1->setChecked(true);
    dialog.Check2->setChecked(false);
    dialog.Command1->click();
    QCOMPARE(ctx.shared.DownloadMethod, qint16(1));
    QCOMPARE(stored(ctx, SettingKeys::downloadMethod()), u"1"_s);
    QCOMPARE(stored(ctx, SettingKeys::promptSavePath()), u"0"_s);
    QVERIFY(ctx.prompter.boxes.isEmpty());
}

void TestOptions::closeStoresNothing()
{
    TestContext ctx;
    fOption dialog(ctx.ui);
    dialog.Option1->setChecked(true);
    dialog.Text6->setText(u"proxy"_s);
    dialog.Command2->click();
    QCOMPARE(stored(ctx, SettingKeys::downloadMethod()), u"<absent>"_s);
    QCOMPARE(stored(ctx, SettingKeys::proxyAddress()), u"<absent>"_s);
}

void TestOptions::showsStoredValuesBeforeDownloadWindowLoaded()
{
    TestContext ctx;
    using namespace SettingKeys;
    ctx.shared.write(sectionSettings(), downloadMethod(), u"1"_s);
    ctx.shared.write(sectionSettings(), proxyEnabled(), u"1"_s);
    ctx.shared.write(sectionSettings(), proxyAddress(), u"127.0.0.1"_s);
    ctx.shared.write(sectionSettings(), proxyPort(), u"3128"_s);
    ctx.shared.write(sectionSettings(), promptSavePath(), u"0"_s);
    fOption dialog(ctx.ui);
    QVERIFY(dialog.Option1->isChecked());
    QVERIFY(dialog.Check1->isChecked());
    QCOMPARE(dialog.Text6->text(), u"127.0.0.1"_s);
    QCOMPARE(dialog.Text8->text(), u"3128"_s);
    QVERIFY(!dialog.Check2->isChecked());
    QCOMPARE(dialog.Text9->text(), ctx.services.config.journalHomePage);
    dialog.Command1->click(); // confirming keeps the stored proxy
    QCOMPARE(stored(ctx, proxyAddress()), u"127.0.0.1"_s);
    QCOMPARE(stored(ctx, proxyPort()), u"3128"_s);
    QCOMPARE(stored(ctx, downloadMethod()), u"1"_s);
    QCOMPARE(stored(ctx, promptSavePath()), u"0"_s);
}

ZORV_TEST_MAIN(TestOptions)
#include "tst_options.moc"
