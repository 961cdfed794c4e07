#include "app/savedlogin.h"
#include "testfiles.h"
#include "text/ansi.h"
#include "text/logsecrets.h"

#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

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
        QLineEdit user(u"typed user"_s);
        QLineEdit pass(u"typed pass"_s);
        LogSecrets secrets;
        zq::loadSavedLogin(&user, &pass, path, &secrets);
        QCOMPARE(user.text(), expectedUser);
        QCOMPARE(pass.text(), expectedPass);
        QCOMPARE(secrets.scrub(u"p="_s + pass.text()), logged);
    }

    void missingFile_keepsBoxes()
    {
        QLineEdit user(u"typed user"_s);
        QLineEdit pass(u"typed pass"_s);
        zq::loadSavedLogin(&user, &pass, m_dir.filePath(u"absent/cfg.ini"_s));
        QCOMPARE(user.text(), u"typed user"_s);
        QCOMPARE(pass.text(), u"typed pass"_s);
    }

    void missingBox_isTolerated()
    {
        const QString path = writeIni(u"both.ini"_s, u"[vip_user_info]\r\nlogin_user=甲\r\nlogin_pass=乙\r\n"_s);
        QLineEdit pass;
        zq::loadSavedLogin(nullptr, &pass, path);
        QCOMPARE(pass.text(), u"乙"_s);
        QLineEdit user;
        zq::loadSavedLogin(&user, nullptr, path);
        QCOMPARE(user.text(), u"甲"_s);
        loadIniToText(u"vip_user_info"_s, u"login_user"_s, nullptr, path);
    }
};

QTEST_MAIN(TestSavedLogin)
#include "tst_savedlogin.moc"
