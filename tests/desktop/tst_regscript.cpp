#include "desktop/regscript.h"
#include "desktop/regscriptplatform.h"
#include "systemrows.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

using namespace Qt::StringLiterals;
using namespace zq;

namespace {

// Writes to both output streams, which lead nowhere, then waits for the test to open its gate
// (about 30 s at most) and appends to a marker in its working folder: cfg\reg.bat through
// cmd.exe on Windows, cfg/reg.sh through /bin/sh elsewhere.
QByteArray gatedScript()
{
    return bySystem<QByteArray>("echo to stdout\n"
                                "echo to stderr >&2\n"
                                "i=0; while [ ! -e gate ] && [ $i -lt 300 ]; do sleep 0.1; i=$((i+1)); done\n"
                                "printf 'ran\\n' >> started.txt\n",
                                "@echo off\r\n"
                                "echo to stdout\r\n"
                                "echo to stderr 1>&2\r\n"
                                "for /l %%i in (1,1,30) do if not exist gate ping -n 2 127.0.0.1 >nul\r\n"
                                "echo ran>> started.txt\r\n");
}

} // namespace

class TestRegScript final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void present_startedOnceInItsFolderAndNotWaitedFor_data()
    {
        QTest::addColumn<QString>("programFolder");
        QTest::newRow("plain") << u"zq"_s;
        // Windows names take no double quote; what the shell would read instead.
        QTest::newRow("blanks, quotes and shell characters")
            << bySystem(u"my zq 'x' \"y\" $HOME;&(1)"_s, u"my zq 'x' %PATH% ^;&(1)!"_s);
        QTest::newRow("Chinese") << u"栖木 软件"_s;
    }

    void present_startedOnceInItsFolderAndNotWaitedFor()
    {
        QFETCH(QString, programFolder);
        QTemporaryDir root;
        QVERIFY(root.isValid());
        const QString programDir = root.filePath(programFolder);
        QVERIFY(QDir().mkpath(programDir + u"/cfg"_s));
        // Not executable on purpose: the script is handed to the system's shell.
        QVERIFY(TestFiles::write(programDir + u"/cfg/"_s + startUpScriptName(), gatedScript()));

        QVERIFY(runRegBat(programDir));
        // Relative marker: it lands in cfg only if the script runs there.
        const QString marker = programDir + u"/cfg/started.txt"_s;
        // Still at its gate: the program went on without waiting.
        QVERIFY(!QFile::exists(marker));
        QVERIFY(TestFiles::write(programDir + u"/cfg/gate"_s, {}));
        QTRY_COMPARE_WITH_TIMEOUT(TestFiles::read(marker), bySystem<QByteArray>("ran\n", "ran\r\n"), 10000);
        QVERIFY(!QFile::exists(programDir + u"/started.txt"_s));
    }

    void scriptProcess_isTheSystemShellWithoutAWindow()
    {
        QProcess process;
        QVERIFY(prepareScriptProcess(process, u"reg"_s));
#ifdef Q_OS_WIN
        wchar_t systemDir[MAX_PATH] = {};
        const UINT length = GetSystemDirectoryW(systemDir, MAX_PATH);
        QCOMPARE(process.program(), QString::fromWCharArray(systemDir, int(length)) + u"\\cmd.exe"_s);
        // What QProcess asks of CreateProcess for a detached start, then the program's changes.
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        QProcess::CreateProcessArguments args{};
        args.flags = CREATE_UNICODE_ENVIRONMENT | CREATE_NEW_CONSOLE;
        args.startupInfo = &startup;
        QVERIFY(process.createProcessArgumentsModifier());
        process.createProcessArgumentsModifier()(&args);
        QVERIFY(args.flags & CREATE_NO_WINDOW);
        QVERIFY(!(args.flags & (CREATE_NEW_CONSOLE | DETACHED_PROCESS)));
        QVERIFY(startup.dwFlags & STARTF_USESHOWWINDOW);
        QCOMPARE(startup.wShowWindow, WORD(SW_HIDE));
#else
        QCOMPARE(process.program(), u"/bin/sh"_s);
        QCOMPARE(process.arguments(), QStringList{u"reg"_s});
#endif
    }

    void absent_doesNothing_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::newRow("no cfg folder") << u"none"_s;
        QTest::newRow("empty cfg folder") << u"cfg"_s;
        QTest::newRow("the script is a folder") << u"folder"_s;
        QTest::newRow("only the other system's script") << u"other"_s;
    }

    void absent_doesNothing()
    {
        QFETCH(QString, layout);
        QTemporaryDir programDir;
        QVERIFY(programDir.isValid());
        if (layout != u"none"_s)
            QVERIFY(QDir().mkpath(programDir.filePath(u"cfg"_s)));
        if (layout == u"folder"_s)
            QVERIFY(QDir().mkpath(programDir.filePath(u"cfg/"_s + startUpScriptName())));
        if (layout == u"other"_s)
            QVERIFY(TestFiles::write(programDir.filePath(bySystem(u"cfg/reg.bat"_s, u"cfg/reg.sh"_s)),
                                     "echo x > started.txt\r\n"));
        QVERIFY(!runRegBat(programDir.path()));
        QVERIFY(!runRegBat(QString()));
    }
};

QTEST_GUILESS_MAIN(TestRegScript)
#include "tst_regscript.moc"
