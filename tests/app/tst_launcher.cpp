#include "TestContext.h"
#include "TestMain.h"
#include "app/fCover.h"
#include "app/frmAbout.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace zorvtest;

class TestLauncher : public QObject {
    Q_OBJECT
private slots:
    void buttonsWaitForTheDeferredStep();
    void failingStepDoesNotStopStartup();
    void searchButtonHidesLauncherAndOpensSearchWindow();
    void quitButtonAndCloseBoxEndTheProgram_data();
    void quitButtonAndCloseBoxEndTheProgram();
    void aboutBoxShowsTitleVersionAndSystem();
};

void TestLauncher::buttonsWaitForTheDeferredStep()
{
    TestContext ctx;
    QStringList order;
    StartupSteps steps{[&] { order << u"os"_s; }, [&] { order << u"emulation"_s; }};
    fCover cover(ctx.ui, steps, [] {});
    cover.load();
    QCOMPARE(cover.windowTitle(), u"QelvoZORV资料下载管理器"_s);
    QCOMPARE(cover.Label1->text(), u"版本:1.4.9"_s);
    QVERIFY(cover.Label3->isHidden());
    QCOMPARE(order, (QStringList{u"os"_s, u"emulation"_s}));
    QVERIFY(cover.isVisible());
    QVERIFY(!cover.Command1->isEnabled());
    QVERIFY(!cover.Command3->isEnabled());
    QVERIFY(cover.Timer1->isActive());
    QCOMPARE(cover.Timer1->interval(), 100);
    cover.Command1->click(); // disabled: nothing happens
    QVERIFY(cover.isVisible());

    QTRY_VERIFY(cover.Command1->isEnabled());
    QVERIFY(cover.Command3->isEnabled());
    QVERIFY(!cover.Timer1->isActive()); // it fires once
}

void TestLauncher::failingStepDoesNotStopStartup()
{
    TestContext ctx;
    StartupSteps steps{[] { throw std::runtime_error("no os-release"); },
                       [] { throw std::runtime_error("registry unwritable"); }};
    fCover cover(ctx.ui, steps, [] {});
    cover.load();
    QTRY_VERIFY(cover.Command1->isEnabled());
    QVERIFY(cover.Command3->isEnabled());
}

void TestLauncher::searchButtonHidesLauncherAndOpensSearchWindow()
{
    TestContext ctx;
    auto* cover = new fCover(ctx.ui, {}, [] {});
    ctx.forms.registerForm(u"fCover"_s, [cover] { return cover; });
    ctx.forms.registerForm(u"fWebSearch"_s, [] {
        auto* window = new QWidget;
        window->setObjectName(u"fWebSearch"_s);
        return window;
    });
    ctx.forms.load(u"fCover"_s);
    cover->load();
    QTRY_VERIFY(cover->Command1->isEnabled());
    cover->Command1->click();
    QVERIFY(cover->isHidden());
    QVERIFY(IsFormLoaded(u"fWebSearch"_s));
    QVERIFY(ctx.forms.loaded(u"fWebSearch"_s)->isVisible());
}

void TestLauncher::quitButtonAndCloseBoxEndTheProgram_data()
{
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("退出软件") << false;
    QTest::newRow("close box") << true;
}

void TestLauncher::quitButtonAndCloseBoxEndTheProgram()
{
    QFETCH(bool, closeBox);
    TestContext ctx;
    int ended = 0;
    auto* cover = new fCover(ctx.ui, {}, [&] {
        ++ended;
        ctx.forms.unloadAll();
    });
    ctx.forms.registerForm(u"fCover"_s, [cover] { return cover; });
    ctx.forms.registerForm(u"fWebSearch"_s, [] {
        auto* window = new QWidget;
        window->setObjectName(u"fWebSearch"_s);
        return window;
    });
    ctx.forms.load(u"fCover"_s);
    cover->load();
    ctx.forms.show(u"fWebSearch"_s);
    QTRY_VERIFY(cover->Command3->isEnabled());
    if (closeBox) {
        cover->close();
    } else {
        cover->Command3->click();
    }
    QCOMPARE(ended, 1);
    QVERIFY(!IsFormLoaded(u"fCover"_s));
    QVERIFY(!IsFormLoaded(u"fWebSearch"_s)); // every window goes with the launcher
}

void TestLauncher::aboutBoxShowsTitleVersionAndSystem()
{
    frmAbout about(u"Debian GNU/Linux 12[64位]"_s);
    QCOMPARE(about.objectName(), u"frmAbout"_s);
    QCOMPARE(about.lblTitle->text(), u"QelvoZORV资料下载管理器"_s);
    QVERIFY(about.lblVersion->text().contains(u"1.4.9"_s));
    QVERIFY(about.lblSystem->text().contains(u"Debian GNU/Linux 12[64位]"_s));
}

ZORV_TEST_MAIN(TestLauncher)
#include "tst_launcher.moc"
