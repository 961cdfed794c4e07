// One running copy per user, with real processes: this binary started again as
// "--copy <program>" is one more start of a program; it serves until it is ended and says
// "serving" when it does and "activated" for each start that asked it to come forward.
#include "desktop/singleinstance.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <cstring>
#include <memory>

using namespace Qt::StringLiterals;
using namespace zq;

namespace {

int runCopy(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    SingleInstance instance(QString::fromLocal8Bit(argv[2]));
    if (!instance.claim())
        return 0;
    QTextStream out(stdout);
    QObject::connect(&instance, &SingleInstance::activationRequested, &app, [&out] { out << "activated" << Qt::endl; });
    out << "serving" << Qt::endl;
    return app.exec();
}

} // namespace

class SingleInstanceTest final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_runtime;
    int m_programs = 0;

    // A program name of its own for every case, so that no case meets another's copy.
    QString nextProgram() { return u"tst_singleinstance-"_s + QString::number(++m_programs); }

    static std::unique_ptr<QProcess> startCopy(const QString &program)
    {
        auto copy = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_LOGGING_RULES"_s, u"zq.desktop.debug=true"_s);
        copy->setProcessEnvironment(env);
        copy->start(QCoreApplication::applicationFilePath(), {u"--copy"_s, program});
        return copy;
    }

    // A later start against the copy serving `program`: it must end at once with 0, without
    // serving, having been answered by the running copy.
    static void checkLaterStartEnds(const QString &program)
    {
        const auto later = startCopy(program);
        QSignalSpy finished(later.get(), &QProcess::finished);
        QVERIFY(finished.wait(15000));
        QCOMPARE(later->exitStatus(), QProcess::NormalExit);
        QCOMPARE(later->exitCode(), 0);
        QVERIFY(!later->readAllStandardOutput().contains("serving"));
#ifndef Q_OS_WIN // where Qt hands a program's log to the debugger instead
        // Answered, not given up on after the wait for an answer.
        const QByteArray log = later->readAllStandardError();
        QVERIFY2(log.contains("the running copy came to the front"), log.constData());
#endif
    }

private Q_SLOTS:
    void initTestCase()
    {
        // A runtime folder of the test's own (made for its owner only, as the system's is),
        // which the copies started by the test inherit.
        QVERIFY(m_runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
    }

    void laterStart_endsAndBringsTheRunningCopyForward_data()
    {
        QTest::addColumn<bool>("killedCopyBefore");
        QTest::newRow("the first start") << false;
        QTest::newRow("after a copy that was killed") << true;
    }

    void laterStart_endsAndBringsTheRunningCopyForward()
    {
        QFETCH(bool, killedCopyBefore);
        const QString program = nextProgram();
        if (killedCopyBefore) {
            const auto killed = startCopy(program);
            QByteArray said;
            QTRY_VERIFY_WITH_TIMEOUT((said += killed->readAllStandardOutput()).contains("serving"), 15000);
            killed->kill();
            QVERIFY(killed->waitForFinished(15000));
#ifdef Q_OS_UNIX
            // Nothing removed the socket file: the next start meets the name of a dead copy.
            QVERIFY(QFileInfo::exists(SingleInstance::serverNameFor(program)));
#endif
        }

        SingleInstance running(program);
        QVERIFY(running.claim());
        QSignalSpy activations(&running, &SingleInstance::activationRequested);
#ifdef Q_OS_UNIX
        // In the user's own runtime folder, and only the user may connect.
        const QFileInfo socket(running.serverName());
        QCOMPARE(socket.absolutePath(), QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation));
        QCOMPARE(socket.permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
                 QFile::Permissions{});
#endif
        checkLaterStartEnds(program);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(activations.size(), 1);
        // And again: a request does not use the running copy up.
        checkLaterStartEnds(program);
        QCOMPARE(activations.size(), 2);
    }

    void firstCopyInAnotherProcess_receivesTheActivation()
    {
        const QString program = nextProgram();
        const auto first = startCopy(program);
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += first->readAllStandardOutput()).contains("serving"), 15000);

        SingleInstance later(program);
        QVERIFY(!later.claim());
        QTRY_VERIFY_WITH_TIMEOUT((said += first->readAllStandardOutput()).contains("activated"), 15000);
        first->kill();
        first->waitForFinished();
    }

    void runningCopy_actsOnlyOnTheRequest_data()
    {
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("nothing") << QByteArray();
        QTest::newRow("part of the request") << QByteArray("activ");
        QTest::newRow("another word") << QByteArray("ACTIVATE\n");
        QTest::newRow("a flood") << QByteArray(64 * 1024, 'x');
    }

    void runningCopy_actsOnlyOnTheRequest()
    {
        QFETCH(QByteArray, sent);
        const QString program = nextProgram();
        SingleInstance running(program);
        QVERIFY(running.claim());
        QSignalSpy activations(&running, &SingleInstance::activationRequested);

        QLocalSocket peer;
        peer.connectToServer(running.serverName());
        QVERIFY(peer.waitForConnected(5000));
        peer.write(sent);
        if (sent.size() > 8) {
            // Read and refused: the running copy ends the connection itself, unanswered.
            QTRY_COMPARE_WITH_TIMEOUT(peer.state(), QLocalSocket::UnconnectedState, 15000);
            QVERIFY(peer.readAll().isEmpty());
        } else {
            peer.disconnectFromServer();
        }
        // The copy still serves the next real start, and counts only that one.
        checkLaterStartEnds(program);
        QCOMPARE(activations.size(), 1);
    }
};

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--copy") == 0)
        return runCopy(argc, argv);
    QCoreApplication app(argc, argv);
    SingleInstanceTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_singleinstance.moc"
