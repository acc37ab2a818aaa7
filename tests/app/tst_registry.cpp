#include "TestMain.h"
#include "app/IniRegistryBackend.h"
#include "app/Registry.h"

#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(RegRoot)

namespace {

// Counts the writes that reach the store.
class CountingBackend final : public RegistryBackend {
public:
    explicit CountingBackend(RegistryBackend& inner)
        : m_inner(inner)
    {
    }
    bool keyExists(RegRoot root, const QString& subKey) const override
    {
        return m_inner.keyExists(root, subKey);
    }
    bool createKey(RegRoot root, const QString& subKey) override
    {
        return m_inner.createKey(root, subKey);
    }
    std::optional<RegValue> queryValue(RegRoot root, const QString& subKey,
                                       const QString& name) const override
    {
        return m_inner.queryValue(root, subKey, name);
    }
    bool setValue(RegRoot root, const QString& subKey, const QString& name,
                  const RegValue& value) override
    {
        ++writes;
        return m_inner.setValue(root, subKey, name, value);
    }
    bool deleteValue(RegRoot root, const QString& subKey, const QString& name) override
    {
        return m_inner.deleteValue(root, subKey, name);
    }
    int writes = 0;

private:
    RegistryBackend& m_inner;
};

const QString kKey = u"HKEY_LOCAL_MACHINE\\"_s + browserEmulationSubKey();

quint32 storedValue(const RegistryBackend& backend, const QString& name)
{
    const RegDword value = RegReadDword(backend, kKey, name);
    return std::holds_alternative<quint32>(value) ? std::get<quint32>(value) : 0xFFFFFFFFu;
}

} // namespace

class TestRegistry : public QObject {
    Q_OBJECT
private slots:
    void splitPath_data();
    void splitPath();
    void emulationAcrossStarts();
    void renamedExecutableGetsItsOwnValue();
    void emulationValues_data();
    void emulationValues();
    void readDwordResults();
    void unwritableMachineRootReportsFalse();
};

void TestRegistry::splitPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<RegRoot>("root");
    QTest::addColumn<QString>("subKey");
    QTest::newRow("root alone") << u"HKEY_CURRENT_USER"_s << RegRoot::CurrentUser << QString();
    QTest::newRow("trailing backslash") << u"HKEY_LOCAL_MACHINE\\"_s << RegRoot::None << QString();
    QTest::newRow("key") << u"HKEY_LOCAL_MACHINE\\SOFTWARE\\A"_s << RegRoot::LocalMachine
                         << u"SOFTWARE\\A"_s;
    QTest::newRow("not HKEY_") << u"SOFTWARE\\A"_s << RegRoot::None << QString();
    QTest::newRow("names are case-sensitive")
        << u"HKEY_Current_User\\A"_s << RegRoot::None << u"A"_s;
    QTest::newRow("dyn data") << u"HKEY_DYN_DATA"_s << RegRoot::DynData << QString();
}

void TestRegistry::splitPath()
{
    QFETCH(QString, path);
    QFETCH(RegRoot, root);
    QFETCH(QString, subKey);
    const RegSplit split = RegSplitPath(path);
    QCOMPARE(split.root, root);
    QCOMPARE(split.subKey, subKey);
}

void TestRegistry::emulationAcrossStarts()
{
    QTemporaryDir dir;
    IniRegistryBackend ini(dir.filePath(u"user"_s), dir.filePath(u"machine"_s));
    CountingBackend backend(ini);
    const QString exe = u"/opt/zorv/bin/zorv"_s;

    SetBrowserEmulation(backend, exe, u"IE10"_s, true); // first start
    QCOMPARE(storedValue(backend, u"zorv.exe"_s), 10001u);
    QCOMPARE(backend.writes, 1);
    QVERIFY(QFile::exists(dir.filePath(u"machine/HKEY_LOCAL_MACHINE.ini"_s)));

    SetBrowserEmulation(backend, exe, u"ie10"_s, true); // second start: nothing rewritten
    QCOMPARE(backend.writes, 1);

    RegWriteDword(backend, kKey, u"zorv.exe"_s, 9999);
    SetBrowserEmulation(backend, exe, u"IE10"_s, true); // another value is replaced
    QCOMPARE(storedValue(backend, u"zorv.exe"_s), 10001u);

    SetBrowserEmulation(backend, exe, u"IE6"_s, true); // an unknown version removes the value
    QCOMPARE(RegReadDword(backend, kKey, u"zorv.exe"_s), RegDword(u"Error"_s));
}

void TestRegistry::renamedExecutableGetsItsOwnValue()
{
    QTemporaryDir dir;
    IniRegistryBackend backend(dir.filePath(u"user"_s), dir.filePath(u"machine"_s));
    SetBrowserEmulation(backend, u"/opt/zorv/zorv"_s, u"IE10"_s, true);
    SetBrowserEmulation(backend, u"/opt/zorv/zorv-copy.bin"_s, u"IE10"_s, true);
    QCOMPARE(storedValue(backend, u"zorv.exe"_s), 10001u);
    QCOMPARE(storedValue(backend, u"zorv-copy.exe"_s), 10001u);
}

void TestRegistry::emulationValues_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("standards");
    QTest::addColumn<uint>("value");
    QTest::newRow("IE10") << u"IE10"_s << true << 10001u;
    QTest::newRow("IE10 quirks") << u"IE10"_s << false << 10000u;
    QTest::newRow("IE9") << u"ie9"_s << true << 9999u;
    QTest::newRow("IE9 quirks") << u"IE9"_s << false << 9000u;
    QTest::newRow("IE8") << u"IE8"_s << true << 8888u;
    QTest::newRow("IE8 quirks") << u"IE8"_s << false << 8000u;
    QTest::newRow("IE7") << u"IE7"_s << true << 7000u;
    QTest::newRow("IE7 quirks") << u"IE7"_s << false << 7000u;
    QTest::newRow("other") << u"IE11"_s << true << 0u;
}

void TestRegistry::emulationValues()
{
    QFETCH(QString, version);
    QFETCH(bool, standards);
    QFETCH(uint, value);
    QCOMPARE(browserEmulationValue(version, standards), value);
}

void TestRegistry::readDwordResults()
{
    QTemporaryDir dir;
    IniRegistryBackend backend(dir.filePath(u"user"_s), dir.filePath(u"machine"_s));
    QCOMPARE(RegReadDword(backend, u"HKEY_NOWHERE\\A"_s, u"v"_s), RegDword(std::monostate{}));
    QCOMPARE(RegReadDword(backend, u"HKEY_CURRENT_USER\\Missing"_s, u"v"_s), RegDword(u"Error"_s));
    QVERIFY(RegWriteDword(backend, u"HKEY_CURRENT_USER\\Software\\Qelvo"_s, u"n"_s, 70000));
    QCOMPARE(RegReadDword(backend, u"HKEY_CURRENT_USER\\software\\qelvo"_s, u"N"_s),
             RegDword(70000u));
    QCOMPARE(RegReadDword(backend, u"HKEY_CURRENT_USER\\Software\\Qelvo"_s, u"absent"_s),
             RegDword(u"Error"_s));
    // A value longer than four bytes does not fit the buffer.
    backend.setValue(RegRoot::CurrentUser, u"Software\\Qelvo"_s, u"long"_s,
                     {RegValue::Type::Binary, QByteArray(5, '\1')});
    QCOMPARE(RegReadDword(backend, u"HKEY_CURRENT_USER\\Software\\Qelvo"_s, u"long"_s),
             RegDword(u"Error"_s));
    QVERIFY(!RegWriteDword(backend, u"HKEY_CURRENT_USER\\"_s, u"n"_s, 1));
    // Deleting through an unknown root or a missing key changes nothing and raises nothing.
    DeleteRegValue(backend, RegRoot::None, u"Software\\Qelvo"_s, u"n"_s);
    DeleteRegValue(backend, RegRoot::CurrentUser, u"Software\\Missing"_s, u"n"_s);
    QCOMPARE(RegReadDword(backend, u"HKEY_CURRENT_USER\\Software\\Qelvo"_s, u"n"_s),
             RegDword(70000u));
    DeleteRegValue(backend, RegRoot::CurrentUser, u"Software\\Qelvo"_s, u"n"_s);
    QCOMPARE(RegReadDword(backend, u"HKEY_CURRENT_USER\\Software\\Qelvo"_s, u"n"_s),
             RegDword(u"Error"_s));
}

void TestRegistry::unwritableMachineRootReportsFalse()
{
    QTemporaryDir dir;
    // A machine folder below a plain file can never be created, whoever runs the test.
    QFile blocker(dir.filePath(u"blocker"_s));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    IniRegistryBackend backend(dir.filePath(u"user"_s), dir.filePath(u"blocker/machine"_s));
    QVERIFY(!RegWriteDword(backend, kKey, u"zorv.exe"_s, 10001));
    SetBrowserEmulation(backend, u"zorv"_s, u"IE10"_s, true); // goes on quietly
    QCOMPARE(RegReadDword(backend, kKey, u"zorv.exe"_s), RegDword(u"Error"_s));
}

ZORV_TEST_MAIN(TestRegistry)
#include "tst_registry.moc"
