#include "settings/savedlogin.h"
#include "testfiles.h"
#include "text/ansi.h"
#include "text/logsecrets.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

using namespace Qt::StringLiterals;
using namespace zq;

// The settings file as the Windows program leaves it: code page 936, CRLF lines.
class TestSavedLogin final : public QObject
{
    Q_OBJECT

private:
    QString writeIni(const QString &name, const QString &text)
    {
        const QString path = m_dir.filePath(name);
        return TestFiles::write(path, toAnsi(text)) ? path : QString();
    }

    QTemporaryDir m_dir;

private Q_SLOTS:
    void loadSavedLogin_data()
    {
        QTest::addColumn<QString>("ini");
        QTest::addColumn<QString>("expectedUser");
        QTest::addColumn<QString>("expectedPass");
        QTest::addColumn<QString>("logged"); // a log line quoting the box's password, as it leaves

        QTest::newRow("both saved")
            << u"[daili]\r\ncode=8\r\n[vip_user_info]\r\nlogin_user=张三\r\nlogin_pass=密码 1\r\n"_s << u"张三"_s
            << u"密码 1"_s << u"p=***"_s;
        QTest::newRow("empty password keeps the box") << u"[vip_user_info]\r\nlogin_user=用户甲\r\nlogin_pass=\r\n"_s
                                                      << u"用户甲"_s << u"typed pass"_s << u"p=typed pass"_s;
        QTest::newRow("only the password")
            << u"[vip_user_info]\r\nlogin_pass=p@ss\r\n"_s << u"typed user"_s << u"p@ss"_s << u"p=***"_s;
        QTest::newRow("keys in another section") << u"[other]\r\nlogin_user=x\r\nlogin_pass=y\r\n"_s << u"typed user"_s
                                                 << u"typed pass"_s << u"p=typed pass"_s;
        QTest::newRow("empty file") << QString() << u"typed user"_s << u"typed pass"_s << u"p=typed pass"_s;
    }

    void loadSavedLogin()
    {
        QFETCH(QString, ini);
        QFETCH(QString, expectedUser);
        QFETCH(QString, expectedPass);
        QFETCH(QString, logged);
        const QString path = writeIni(u"cfg.ini"_s, ini);
        QVERIFY(!path.isEmpty());
        QString user = u"typed user"_s;
        QString pass = u"typed pass"_s;
        LogSecrets secrets;
        zq::loadSavedLogin(&user, &pass, path, &secrets);
        QCOMPARE(user, expectedUser);
        QCOMPARE(pass, expectedPass);
        QCOMPARE(secrets.scrub(u"p="_s + pass), logged);
    }

    void missingFile_keepsBoxes()
    {
        QString user = u"typed user"_s;
        QString pass = u"typed pass"_s;
        zq::loadSavedLogin(&user, &pass, m_dir.filePath(u"absent/cfg.ini"_s));
        QCOMPARE(user, u"typed user"_s);
        QCOMPARE(pass, u"typed pass"_s);
    }

    void missingBox_isTolerated()
    {
        const QString path = writeIni(u"both.ini"_s, u"[vip_user_info]\r\nlogin_user=甲\r\nlogin_pass=乙\r\n"_s);
        QString pass;
        zq::loadSavedLogin(nullptr, &pass, path);
        QCOMPARE(pass, u"乙"_s);
        QString user;
        zq::loadSavedLogin(&user, nullptr, path);
        QCOMPARE(user, u"甲"_s);
        loadIniToText(u"vip_user_info"_s, u"login_user"_s, nullptr, path);
    }

    void saveLogin_failedWrite_keepsTheOldLoginWhole()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(u"cfg.ini"_s);
        const QByteArray old = "[daili]\r\ncode=8\r\n[vip_user_info]\r\nlogin_user=old\r\nlogin_pass=oldpass\r\n";
        QVERIFY(TestFiles::write(path, old));
        const QString account = u"older"_s;
        const QString password = u"a much longer password"_s;
        {
#ifdef Q_OS_UNIX
            // The disk has room for the longer account alone, not for the password as well.
            TestFiles::FileSizeLimit limit(old.size() + 4);
            QVERIFY(limit.isSet());
            zq::saveLogin(account, password, path);
#elif defined(Q_OS_WIN)
            // Another program holds the file without letting it be replaced.
            const HANDLE held =
                CreateFileW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(path).utf16()), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            QVERIFY(held != INVALID_HANDLE_VALUE);
            zq::saveLogin(account, password, path);
            CloseHandle(held);
#else
            QSKIP("POSIX resource limits or Windows sharing only");
#endif
        }
        // Neither a new account with the old password nor anything left beside the file.
        QCOMPARE(TestFiles::read(path), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                 QStringList{u"cfg.ini"_s});

        zq::saveLogin(account, password, path);
        QString user;
        QString pass;
        zq::loadSavedLogin(&user, &pass, path);
        QCOMPARE(user, account);
        QCOMPARE(pass, password);
    }
};

QTEST_GUILESS_MAIN(TestSavedLogin)
#include "tst_savedlogin.moc"
