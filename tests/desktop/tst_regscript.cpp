#include "desktop/regscript.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestRegScript final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
#ifdef Q_OS_WIN
        QSKIP("These cases drive the /bin/sh script; Windows starts cfg\\reg.bat through cmd.exe instead.");
#endif
    }

    void present_startedOnceInItsFolder_data()
    {
        QTest::addColumn<QString>("programFolder");
        QTest::newRow("plain") << u"zq"_s;
        QTest::newRow("blanks, quotes and shell characters") << u"my zq 'x' \"y\" $HOME;&(1)"_s;
        QTest::newRow("Chinese") << u"栖木 软件"_s;
    }

    void present_startedOnceInItsFolder()
    {
        QFETCH(QString, programFolder);
        QTemporaryDir root;
        QVERIFY(root.isValid());
        const QString programDir = root.filePath(programFolder);
        QVERIFY(QDir().mkpath(programDir + u"/cfg"_s));
        // Not executable on purpose: the script is handed to /bin/sh.
        QVERIFY(TestFiles::write(programDir + u"/cfg/reg.sh"_s, "echo to stdout\n"
                                                                "echo to stderr >&2\n"
                                                                "printf 'ran\\n' >> started.txt\n"));

        QVERIFY(tarel_tools::runRegBat(programDir));
        // Relative marker: it lands in cfg only if the script runs there.
        const QString marker = programDir + u"/cfg/started.txt"_s;
        QTRY_COMPARE(TestFiles::read(marker), QByteArray("ran\n"));
        QVERIFY(!QFile::exists(programDir + u"/started.txt"_s));
    }

    void absent_doesNothing_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::newRow("no cfg folder") << u"none"_s;
        QTest::newRow("empty cfg folder") << u"cfg"_s;
        QTest::newRow("reg.sh is a folder") << u"folder"_s;
        QTest::newRow("only a Windows script") << u"bat"_s;
    }

    void absent_doesNothing()
    {
        QFETCH(QString, layout);
        QTemporaryDir programDir;
        QVERIFY(programDir.isValid());
        if (layout != u"none"_s)
            QVERIFY(QDir().mkpath(programDir.filePath(u"cfg"_s)));
        if (layout == u"folder"_s)
            QVERIFY(QDir().mkpath(programDir.filePath(u"cfg/reg.sh"_s)));
        if (layout == u"bat"_s)
            QVERIFY(TestFiles::write(programDir.filePath(u"cfg/reg.bat"_s), "echo x > started.txt\r\n"));
        QVERIFY(!tarel_tools::runRegBat(programDir.path()));
        QVERIFY(!tarel_tools::runRegBat(QString()));
    }
};

QTEST_GUILESS_MAIN(TestRegScript)
#include "tst_regscript.moc"
