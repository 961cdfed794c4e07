#include "settings/ini.h"
#include "systemrows.h"
#include "testfiles.h"
#include "text/ansi.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

using namespace Qt::StringLiterals;
using namespace zq;

Q_DECLARE_METATYPE(zq::FileAccess)

namespace {

QByteArray gbk(const QString &text)
{
    return toAnsi(text);
}

// The shape of the real cfg.ini: comments, blank lines, two sections.
QByteArray sampleFile(const QByteArray &eol)
{
    return "; zq settings" + eol + "[daili]" + eol + "code=A100" + eol + eol + "; saved login" + eol +
           "[vip_user_info]" + eol + "login_user = bob" + eol + "login_pass=\"secret\"" + eol;
}

} // namespace

class TestIni final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        // Each test starts with an empty folder.
        const QStringList entries =
            QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QString &entry : entries) {
            QFileInfo info(path(entry));
            if (info.isDir() && !info.isSymLink())
                QVERIFY(QDir(info.filePath()).removeRecursively());
            else
                QVERIFY(QFile::remove(info.filePath()));
        }
    }

    void read_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");

        const QByteArray crlf = sampleFile("\r\n");
        QTest::newRow("plain CRLF") << crlf << u"daili"_s << u"code"_s << u"A100"_s;
        QTest::newRow("plain LF") << sampleFile("\n") << u"daili"_s << u"code"_s << u"A100"_s;
        QTest::newRow("blanks around the value") << crlf << u"vip_user_info"_s << u"login_user"_s << u"bob"_s;
        QTest::newRow("double quotes removed") << crlf << u"vip_user_info"_s << u"login_pass"_s << u"secret"_s;
        QTest::newRow("names in other case") << crlf << u"VIP_User_Info"_s << u"LOGIN_USER"_s << u"bob"_s;
        QTest::newRow("missing key") << crlf << u"daili"_s << u"login_user"_s << QString();
        QTest::newRow("missing section") << crlf << u"boot"_s << u"code"_s << QString();
        QTest::newRow("comment is not a key") << crlf << u"daili"_s << u"; zq settings"_s << QString();
        QTest::newRow("blanks around names")
            << QByteArray(" \t[ sec ] \r\n\t key \t=\tv a l \t\r\n") << u"sec"_s << u"key"_s << u"v a l"_s;
        QTest::newRow("single quotes") << QByteArray("[s]\nk='x y'\n") << u"s"_s << u"k"_s << u"x y"_s;
        QTest::newRow("mismatched quotes kept") << QByteArray("[s]\nk=\"x'\n") << u"s"_s << u"k"_s << u"\"x'"_s;
        QTest::newRow("lone quote kept") << QByteArray("[s]\nk=\"\n") << u"s"_s << u"k"_s << u"\""_s;
        QTest::newRow("empty quotes") << QByteArray("[s]\nk=\"\"\n") << u"s"_s << u"k"_s << QString();
        QTest::newRow("equals inside value") << QByteArray("[s]\nk=a=b\n") << u"s"_s << u"k"_s << u"a=b"_s;
        QTest::newRow("key without equals") << QByteArray("[s]\nk\n") << u"s"_s << u"k"_s << QString();
        QTest::newRow("no line end at the end") << QByteArray("[s]\r\nk=v") << u"s"_s << u"k"_s << u"v"_s;
        QTest::newRow("key before any section") << QByteArray("k=1\n[s]\n") << u"s"_s << u"k"_s << QString();
        QTest::newRow("key of the next section") << QByteArray("[s]\n[t]\nk=1\n") << u"s"_s << u"k"_s << QString();
        QTest::newRow("first of two sections wins")
            << QByteArray("[s]\nk=1\n[s]\nk=2\nx=3\n") << u"s"_s << u"k"_s << u"1"_s;
        QTest::newRow("later section of same name not read")
            << QByteArray("[s]\nk=1\n[s]\nk=2\nx=3\n") << u"s"_s << u"x"_s << QString();
        QTest::newRow("first of two keys wins") << QByteArray("[s]\nk=1\nK=2\n") << u"s"_s << u"k"_s << u"1"_s;
        QTest::newRow("header without bracket is no section")
            << QByteArray("[s]\n[t\nk=1\n") << u"s"_s << u"k"_s << u"1"_s;
        QTest::newRow("empty section means Boot") << QByteArray("[boot]\nk=b\n") << QString() << u"k"_s << u"b"_s;
        QTest::newRow("utf-8 byte-order mark before first section")
            << QByteArray("\xEF\xBB\xBF[s]\r\nk=v\r\n") << u"s"_s << u"k"_s << u"v"_s;
        QTest::newRow("Chinese in GBK") << gbk(u"[用户]\r\n名字=张三丰\r\n"_s) << u"用户"_s << u"名字"_s << u"张三丰"_s;
        // 塢 is 0x89 0x5D in GBK: its second byte is ']'.
        QTest::newRow("GBK trail byte that is a bracket")
            << gbk(u"[A塢]\r\n塢=1\r\n"_s) << u"A塢"_s << u"塢"_s << u"1"_s;
        QTest::newRow("bare CR inside a line") << QByteArray("[s]\nk=a\rb\n") << u"s"_s << u"k"_s << u"a\rb"_s;
    }
    void read()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        put(file);
        QCOMPARE(readIniValue(section, key, path()), expected);
        QCOMPARE(contents(), file);
    }
    void read_missingFileOrNames_givesEmpty()
    {
        QCOMPARE(readIniValue(u"daili"_s, u"code"_s, path()), QString());
        QVERIFY(!QFileInfo::exists(path()));
        put(sampleFile("\r\n"));
        QCOMPARE(readIniValue(u"daili"_s, QString(), path()), QString());
        QCOMPARE(readIniValue(u"daili"_s, u"code"_s, QString()), QString());
        QCOMPARE(readIniValue(u"daili"_s, u"code"_s, m_dir.path()), QString());
        QCOMPARE(readIniValue(u"daili"_s, u"code"_s, path()), u"A100"_s);
    }
    void read_hiddenFile_givesEmptyButWriteReachesIt_data()
    {
        QTest::addColumn<QString>("hidden");
        QTest::addColumn<quint32>("attributes"); // Windows file attributes to set

#ifdef Q_OS_WIN
        QTest::newRow("hidden attribute") << u"cfg.ini"_s << quint32(FILE_ATTRIBUTE_HIDDEN);
        QTest::newRow("system attribute") << u"cfg.ini"_s << quint32(FILE_ATTRIBUTE_SYSTEM);
#else
        // On POSIX a dot-file is the hidden file.
        QTest::newRow("dot-file") << u".cfg.ini"_s << quint32(0);
#endif
    }
    void read_hiddenFile_givesEmptyButWriteReachesIt()
    {
        QFETCH(QString, hidden);
        QFETCH(quint32, attributes);
        put(sampleFile("\r\n"), hidden);
#ifdef Q_OS_WIN
        QVERIFY(SetFileAttributesW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(path(hidden)).utf16()),
                                   attributes));
#else
        Q_UNUSED(attributes)
#endif
        QCOMPARE(readIniValue(u"daili"_s, u"code"_s, path(hidden)), QString());
        QVERIFY(writeIniValue(u"daili"_s, u"code"_s, u"B200"_s, path(hidden)));
        QVERIFY(contents(hidden).contains("code=B200\r\n"));
    }
    void read_longValue_isCutAt59999Bytes_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("exactly 59999") << QByteArray(59999, 'a') << QByteArray(59999, 'a');
        QTest::newRow("70000") << QByteArray(70000, 'a') << QByteArray(59999, 'a');
        // The last character would straddle the limit: it is left out whole.
        QTest::newRow("double-byte character at the cut")
            << QByteArray(59998, 'a') + gbk(u"中文"_s) << QByteArray(59998, 'a');
        QTest::newRow("double-byte character just fits")
            << QByteArray(59997, 'a') + gbk(u"中文"_s) << QByteArray(59997, 'a') + gbk(u"中"_s);
    }
    void read_longValue_isCutAt59999Bytes()
    {
        QFETCH(QByteArray, value);
        QFETCH(QByteArray, expected);
        put("[s]\r\nk=" + value + "\r\n");
        const QString read = readIniValue(u"s"_s, u"k"_s, path());
        QCOMPARE(gbk(read).size(), expected.size());
        QCOMPARE(read, fromAnsi(expected));
    }

    void unusableFile_readsEmptyAndIsNeverWritten_data()
    {
        QTest::addColumn<QByteArray>("file");

        QTest::newRow("NUL byte after the value") << QByteArray("[s]\r\nk=v\r\n\0\r\n", 11);
        QTest::newRow("NUL byte inside the value") << QByteArray("[s]\r\nk=v\0w\r\n", 11);
        QByteArray binary;
        for (int i = 0; i < 4096; ++i)
            binary += char((i * 131 + 7) & 0xFF);
        QTest::newRow("binary") << QByteArray("[s]\nk=v\n") + binary;
        QTest::newRow("larger than 1 MiB") << QByteArray("[s]\nk=v\n") + QByteArray(1024 * 1024, 'x');
    }
    void unusableFile_readsEmptyAndIsNeverWritten()
    {
        QFETCH(QByteArray, file);
        put(file);
        QCOMPARE(readIniValue(u"s"_s, u"k"_s, path()), QString());
        QVERIFY(!writeIniValue(u"s"_s, u"k"_s, u"new"_s, path()));
        QCOMPARE(contents(), file);
    }
    void readFromPipe_doesNotBlock()
    {
#ifdef Q_OS_UNIX
        // Nobody writes into this pipe: opening it for reading would wait for ever.
        QCOMPARE(mkfifo(QFile::encodeName(path()).constData(), 0600), 0);
        QCOMPARE(readIniValue(u"s"_s, u"k"_s, path()), QString());
        QVERIFY(!writeIniValue(u"s"_s, u"k"_s, u"v"_s, path()));
#else
        QSKIP("POSIX pipes only");
#endif
    }

    void write_roundTrip_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");

        QTest::newRow("ascii") << u"vip_user_info"_s << u"login_user"_s << u"abc"_s << u"abc"_s;
        QTest::newRow("Chinese value") << u"vip_user_info"_s << u"login_user"_s << u"张三丰"_s << u"张三丰"_s;
        QTest::newRow("Chinese names") << u"用户"_s << u"密码"_s << u"密码Pass123"_s << u"密码Pass123"_s;
        QTest::newRow("trail byte bracket in section") << u"A塢"_s << u"塢"_s << u"塢]"_s << u"塢]"_s;
        QTest::newRow("blanks inside") << u"s"_s << u"k"_s << u"a b  c"_s << u"a b  c"_s;
        QTest::newRow("equals and semicolon") << u"s"_s << u"k"_s << u";x=y"_s << u";x=y"_s;
        QTest::newRow("blanks around are not kept") << u"s"_s << u"k"_s << u"  v  "_s << u"v"_s;
        QTest::newRow("outside GBK becomes ?") << u"s"_s << u"k"_s << u"a😀b"_s << bySystem(u"a?b"_s, u"a??b"_s);
        QTest::newRow("NUL ends the value") << u"s"_s << u"k"_s << u"ab\0cd"_s << u"ab"_s;
        QTest::newRow("empty section means Boot") << QString() << u"k"_s << u"v"_s << u"v"_s;
    }
    void write_roundTrip()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QString, expected);

        // Into a new file, an existing file with other content, and over an older value.
        QVERIFY(writeIniValue(section, key, value, path()));
        QCOMPARE(readIniValue(section, key, path()), expected);
        put(sampleFile("\n"));
        QVERIFY(writeIniValue(section, key, value, path()));
        QCOMPARE(readIniValue(section, key, path()), expected);
        QVERIFY(writeIniValue(section, key, u"old"_s, path()));
        QVERIFY(writeIniValue(section, key, value, path()));
        QCOMPARE(readIniValue(section, key, path()), expected);
        QCOMPARE(readIniValue(u"daili"_s, u"code"_s, path()), u"A100"_s);
        if (section.isEmpty())
            QCOMPARE(readIniValue(u"Boot"_s, key, path()), expected);
    }
    void write_changesOnlyItsLine_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");

        for (const QByteArray &eol : {QByteArray("\r\n"), QByteArray("\n")}) {
            const char *style = eol.size() == 2 ? "CRLF" : "LF";
            const QByteArray file = sampleFile(eol);
            QByteArray expected = file;
            expected.replace("login_user = bob", "login_user = alice");
            QTest::addRow("%s: existing key keeps its spacing", style)
                << file << u"vip_user_info"_s << u"login_user"_s << u"alice"_s << expected;

            expected = file;
            expected.replace(QByteArray("login_pass=\"secret\""), QByteArray("login_pass=" + gbk(u"张三"_s)));
            QTest::addRow("%s: quoted value, Chinese replacement", style)
                << file << u"VIP_USER_INFO"_s << u"Login_Pass"_s << u"张三"_s << expected;

            expected = file;
            expected.replace(QByteArray("code=A100" + eol), QByteArray("code=A100" + eol + "mode=2" + eol));
            QTest::addRow("%s: new key after the section's last key", style)
                << file << u"daili"_s << u"mode"_s << u"2"_s << expected;

            QTest::addRow("%s: new section at the end", style)
                << file << u"extra"_s << u"k"_s << u"v"_s << file + "[extra]" + eol + "k=v" + eol;

            QByteArray unterminated = file;
            unterminated.chop(eol.size());
            QTest::addRow("%s: last line gets its line end first", style)
                << unterminated << u"extra"_s << u"k"_s << u"v"_s << file + "[extra]" + eol + "k=v" + eol;
            QTest::addRow("%s: new key after an unterminated last line", style)
                << unterminated << u"vip_user_info"_s << u"k"_s << u"v"_s << file + "k=v" + eol;
        }
        QTest::newRow("mixed line ends stay as they were")
            << QByteArray("[a]\r\nx=1\n\n[b]\r\ny=2\n") << u"a"_s << u"x"_s << u"9"_s
            << QByteArray("[a]\r\nx=9\n\n[b]\r\ny=2\n");
        QTest::newRow("key without equals gets one")
            << QByteArray("[a]\nflag\n") << u"a"_s << u"flag"_s << u"1"_s << QByteArray("[a]\nflag=1\n");
        QTest::newRow("new key in empty section")
            << QByteArray("[a]\n[b]\n") << u"a"_s << u"k"_s << u"v"_s << QByteArray("[a]\nk=v\n[b]\n");
        QTest::newRow("only the first of two sections")
            << QByteArray("[a]\nk=1\n[a]\nk=2\n") << u"a"_s << u"k"_s << u"3"_s << QByteArray("[a]\nk=3\n[a]\nk=2\n");
        QTest::newRow("byte-order mark kept") << QByteArray("\xEF\xBB\xBF[a]\r\nk=1\r\n") << u"a"_s << u"k"_s << u"2"_s
                                              << QByteArray("\xEF\xBB\xBF[a]\r\nk=2\r\n");
        QTest::newRow("lines before the first section kept")
            << QByteArray("k=0\n[a]\nk=1\n") << u"a"_s << u"k"_s << u"2"_s << QByteArray("k=0\n[a]\nk=2\n");
    }
    void write_changesOnlyItsLine()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);
        put(before);
        QVERIFY(writeIniValue(section, key, value, path()));
        QCOMPARE(contents(), after);
        QCOMPARE(readIniValue(section, key, path()), value);
    }
    void write_sameValue_leavesFileAlone()
    {
        put(sampleFile("\r\n"));
        const QDateTime past = QFileInfo(path()).lastModified().addSecs(-3600);
        {
            QFile file(path());
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(past, QFileDevice::FileModificationTime));
        }
        QVERIFY(writeIniValue(u"VIP_USER_INFO"_s, u"login_user"_s, u"bob"_s, path()));
        QCOMPARE(contents(), sampleFile("\r\n"));
        QCOMPARE(QFileInfo(path()).lastModified(), past);
    }
    void write_refused_leavesFileUntouched_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("emptyPath");

        QTest::newRow("empty value") << u"daili"_s << u"code"_s << QString() << false;
        QTest::newRow("value empty before NUL") << u"daili"_s << u"code"_s << u"\0x"_s << false;
        QTest::newRow("empty key") << u"daili"_s << QString() << u"v"_s << false;
        QTest::newRow("blank key") << u"daili"_s << u"  "_s << u"v"_s << false;
        QTest::newRow("empty path") << u"daili"_s << u"code"_s << u"v"_s << true;
        QTest::newRow("line break in value") << u"daili"_s << u"code"_s << u"a\r\n[x]"_s << false;
        QTest::newRow("line break in key") << u"daili"_s << u"a\nb"_s << u"v"_s << false;
        QTest::newRow("equals in key") << u"daili"_s << u"a=b"_s << u"v"_s << false;
        QTest::newRow("bracket in section") << u"a]b"_s << u"k"_s << u"v"_s << false;
        QTest::newRow("key that reads as a section") << u"daili"_s << u"[k]"_s << u"v"_s << false;
        QTest::newRow("key that reads as a comment") << u"daili"_s << u";k"_s << u"v"_s << false;
    }
    void write_refused_leavesFileUntouched()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(bool, emptyPath);
        const QByteArray file = sampleFile("\r\n");
        put(file);
        QVERIFY(!writeIniValue(section, key, value, emptyPath ? QString() : path()));
        QCOMPARE(contents(), file);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"cfg.ini"_s});
    }
    void write_newFile_hasCrlfAndOwnerOnlyMode()
    {
        QVERIFY(writeIniValue(u"vip_user_info"_s, u"login_user"_s, u"abc"_s, path()));
        QCOMPARE(contents(), QByteArray("[vip_user_info]\r\nlogin_user=abc\r\n"));
        QVERIFY(writeIniValue(u"vip_user_info"_s, u"login_pass"_s, u"密"_s, path()));
        QCOMPARE(contents(), "[vip_user_info]\r\nlogin_user=abc\r\nlogin_pass=" + gbk(u"密"_s) + "\r\n");
#ifdef Q_OS_UNIX
        struct stat st;
        QCOMPARE(stat(QFile::encodeName(path()).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, mode_t(0600));
#endif
    }
    void write_existingFile_keepsItsMode_data()
    {
        QTest::addColumn<FileAccess>("access");
        QTest::addColumn<int>("mode");
        QTest::newRow("kept") << FileAccess::Keep << 0644;
        QTest::newRow("a secret: the owner's only") << FileAccess::OwnerOnly << 0600;
    }
    void write_existingFile_keepsItsMode()
    {
#ifdef Q_OS_UNIX
        QFETCH(FileAccess, access);
        QFETCH(int, mode);
        put(sampleFile("\r\n"));
        QVERIFY(QFile::setPermissions(path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ReadGroup | QFileDevice::ReadOther));
        QVERIFY(writeIniValue(u"daili"_s, u"code"_s, u"B"_s, path(), access));
        struct stat st;
        QCOMPARE(stat(QFile::encodeName(path()).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, mode_t(mode));
#else
        QSKIP("POSIX modes only");
#endif
    }
    void write_targetIsDirectory_failsAndLeavesItAlone()
    {
        QVERIFY(QDir(m_dir.path()).mkdir(u"cfg.ini"_s));
        put("keep", u"cfg.ini/inside"_s);
        QVERIFY(!writeIniValue(u"s"_s, u"k"_s, u"v"_s, path()));
        QVERIFY(QFileInfo(path()).isDir());
        QCOMPARE(contents(u"cfg.ini/inside"_s), QByteArray("keep"));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                 QStringList{u"cfg.ini"_s});
    }
    void write_missingFolder_fails()
    {
        const QString inMissing = path(u"cfg/cfg.ini"_s);
        QVERIFY(!writeIniValue(u"s"_s, u"k"_s, u"v"_s, inMissing));
        QVERIFY(!QFileInfo::exists(path(u"cfg"_s)));
    }
    void write_throughLink_onlyToTheUsersOwnFile_data()
    {
        QTest::addColumn<QString>("target"); // what cfg.ini, a symbolic link, leads to
        QTest::addColumn<bool>("written");

        QTest::newRow("the user's own file: written there, the link kept") << u"own"_s << true;
        QTest::newRow("a link to a link to the user's own file") << u"chain"_s << true;
        QTest::newRow("nothing: no file made where it points") << u"nothing"_s << false;
        QTest::newRow("another user's file: left as it was") << u"other"_s << false;
    }
    void write_throughLink_onlyToTheUsersOwnFile()
    {
#ifdef Q_OS_UNIX
        QFETCH(QString, target);
        QFETCH(bool, written);
        if (target == u"other"_s && geteuid() != 0)
            QSKIP("only root can give a file to another user");
        QVERIFY(QDir(m_dir.path()).mkdir(u"elsewhere"_s));
        const QString targetFile = path(u"elsewhere/target.ini"_s);
        const QByteArray file = sampleFile("\r\n");
        if (target != u"nothing"_s) {
            put(file, u"elsewhere/target.ini"_s);
            QCOMPARE(chmod(QFile::encodeName(targetFile).constData(), 0640), 0);
        }
        // 65534 is nobody's.
        if (target == u"other"_s)
            QCOMPARE(chown(QFile::encodeName(targetFile).constData(), 65534, 65534), 0);
        if (target == u"chain"_s) {
            QVERIFY(QFile::link(targetFile, path(u"elsewhere/link.ini"_s)));
            QVERIFY(QFile::link(path(u"elsewhere/link.ini"_s), path()));
        } else {
            QVERIFY(QFile::link(targetFile, path()));
        }
        struct stat before = {};
        const bool existed = stat(QFile::encodeName(targetFile).constData(), &before) == 0;

        QCOMPARE(writeIniValue(u"vip_user_info"_s, u"login_pass"_s, u"new"_s, path(), FileAccess::OwnerOnly), written);
        QVERIFY(QFileInfo(path()).isSymLink());
        struct stat after = {};
        if (written) {
            QVERIFY(contents(u"elsewhere/target.ini"_s).contains("login_pass=new\r\n"));
            QCOMPARE(stat(QFile::encodeName(targetFile).constData(), &after), 0);
            QCOMPARE(after.st_mode & 0777, mode_t(0600));
        } else if (!existed) {
            QVERIFY(!QFileInfo::exists(targetFile));
        } else {
            QCOMPARE(contents(u"elsewhere/target.ini"_s), file);
            QCOMPARE(stat(QFile::encodeName(targetFile).constData(), &after), 0);
            QCOMPARE(after.st_ino, before.st_ino);
            QCOMPARE(after.st_mode, before.st_mode);
            QCOMPARE(after.st_uid, before.st_uid);
        }
        QStringList expected;
        if (existed)
            expected << u"target.ini"_s;
        if (target == u"chain"_s)
            expected.prepend(u"link.ini"_s);
        QCOMPARE(
            QDir(path(u"elsewhere"_s)).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
            expected);
#else
        QSKIP("symbolic links are made by the POSIX tests only");
#endif
    }
    void write_diskFull_leavesOldFileWhole_data()
    {
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<qint64>("room"); // bytes the disk has beyond the old file's size

        QTest::newRow("one value") << QStringList{u"login_user"_s} << qint64(16);
        // Room for the first value's growth alone: a write of both must not leave it there.
        QTest::newRow("two values of one section, in one write")
            << QStringList{u"login_user"_s, u"login_pass"_s} << qint64(200 - 3 + 16);
    }
    void write_diskFull_leavesOldFileWhole()
    {
        QFETCH(QStringList, keys);
        QFETCH(qint64, room);
        QList<IniValue> values;
        for (const QString &key : std::as_const(keys))
            values.append({key, QString(200, u'x')});
        const auto write = [&values, this] {
            return values.size() == 1
                       ? writeIniValue(u"vip_user_info"_s, values.first().key, values.first().value, path())
                       : writeIniValues(u"vip_user_info"_s, values, path());
        };
        const QByteArray file = sampleFile("\r\n");
        put(file);
#ifdef Q_OS_UNIX
        // A file-size limit fails the write of the new file part way, as a full disk does.
        bool result = true;
        {
            TestFiles::FileSizeLimit limit(file.size() + room);
            QVERIFY(limit.isSet());
            result = write();
        }
#elif defined(Q_OS_WIN)
        Q_UNUSED(room)
        // Another program holds the file open without letting it be replaced, as an editor or a
        // virus scanner may: the new file cannot take its place.
        const HANDLE held =
            CreateFileW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(path()).utf16()), GENERIC_READ,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        QVERIFY(held != INVALID_HANDLE_VALUE);
        const bool result = write();
        CloseHandle(held);
#else
        QSKIP("POSIX resource limits or Windows sharing only");
#endif

        QVERIFY(!result);
        QCOMPARE(contents(), file);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                 QStringList{u"cfg.ini"_s});
        QVERIFY(write());
        for (const IniValue &value : std::as_const(values))
            QCOMPARE(readIniValue(u"vip_user_info"_s, value.key, path()), value.value);
    }
    void writeValues_data()
    {
        QTest::addColumn<QByteArray>("before"); // null: no file
        QTest::addColumn<QString>("section");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<bool>("written");
        QTest::addColumn<QByteArray>("after");

        const QByteArray file = sampleFile("\r\n");
        const QStringList login{u"login_user"_s, u"login_pass"_s};
        QTest::newRow("both into a new file")
            << QByteArray() << u"vip_user_info"_s << login << QStringList{u"张三"_s, u"pw"_s} << true
            << "[vip_user_info]\r\nlogin_user=" + gbk(u"张三"_s) + "\r\nlogin_pass=pw\r\n";
        QByteArray both = file;
        both.replace("login_user = bob", "login_user = ann").replace("login_pass=\"secret\"", "login_pass=pw2");
        QTest::newRow("both changed, each in its own line")
            << file << u"VIP_USER_INFO"_s << login << QStringList{u"ann"_s, u"pw2"_s} << true << both;
        QByteArray added = file;
        added.replace("code=A100\r\n", "code=A100\r\nmode=2\r\n");
        QTest::newRow("one as it was, one new") << file << u"daili"_s << QStringList{u"code"_s, u"mode"_s}
                                                << QStringList{u"A100"_s, u"2"_s} << true << added;
        QTest::newRow("a new section for both")
            << file << u"extra"_s << QStringList{u"a"_s, u"b"_s} << QStringList{u"1"_s, u"2"_s} << true
            << file + "[extra]\r\na=1\r\nb=2\r\n";
        QTest::newRow("both as they are")
            << QByteArray("[s]\r\na = 1\r\nb=2\r\n") << u"s"_s << QStringList{u"a"_s, u"b"_s}
            << QStringList{u"1"_s, u"2"_s} << true << QByteArray("[s]\r\na = 1\r\nb=2\r\n");
        // One value that could not be written makes a write of none: never one half of a login.
        QTest::newRow("an empty value refuses both")
            << file << u"vip_user_info"_s << login << QStringList{u"ann"_s, QString()} << false << file;
        QTest::newRow("a line break refuses both")
            << file << u"vip_user_info"_s << login << QStringList{u"ann"_s, u"p\r\n[x]"_s} << false << file;
        QTest::newRow("a key that cannot be one refuses both")
            << file << u"vip_user_info"_s << QStringList{u"login_user"_s, u"a=b"_s} << QStringList{u"ann"_s, u"v"_s}
            << false << file;
        QTest::newRow("nothing to write")
            << file << u"vip_user_info"_s << QStringList() << QStringList() << false << file;
    }
    void writeValues()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QStringList, keys);
        QFETCH(QStringList, values);
        QFETCH(bool, written);
        QFETCH(QByteArray, after);
        if (!before.isNull())
            put(before);
        QList<IniValue> entries;
        for (qsizetype i = 0; i < keys.size(); ++i)
            entries.append({keys.at(i), values.at(i)});
        QCOMPARE(writeIniValues(section, entries, path(), FileAccess::OwnerOnly), written);
        QCOMPARE(contents(), after);
        if (written) {
            for (const IniValue &entry : std::as_const(entries))
                QCOMPARE(readIniValue(section, entry.key, path()), entry.value);
        }
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                 QStringList{u"cfg.ini"_s});
    }

    void cutAtNul_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("no NUL") << u"abc"_s << u"abc"_s;
        QTest::newRow("NUL in the middle") << u"ab\0cd"_s << u"ab"_s;
        QTest::newRow("NUL first") << u"\0abc"_s << QString();
        QTest::newRow("two NULs") << u"中\0文\0"_s << u"中"_s;
    }
    void cutAtNul()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(zq::cutAtNul(text), expected);
    }

private:
    QString path(const QString &name = u"cfg.ini"_s) const
    {
        return m_dir.filePath(name);
    }
    void put(const QByteArray &bytes, const QString &name = u"cfg.ini"_s) const
    {
        QVERIFY(TestFiles::write(path(name), bytes));
    }
    QByteArray contents(const QString &name = u"cfg.ini"_s) const
    {
        QFile file(path(name));
        if (!file.open(QIODevice::ReadOnly))
            return "<missing>";
        return file.readAll();
    }

    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestIni)
#include "tst_ini.moc"
