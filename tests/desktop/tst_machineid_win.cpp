#include "desktop/machineid.h"
#include "tst_machineid.h"

#include <QProcess>
#include <QStringList>
#include <QTest>
#include <QThread>

#include <memory>
#include <objbase.h>

using namespace Qt::StringLiterals;
using namespace zq;

namespace {

// How the calling thread already stands with COM when the program asks for the address.
enum class Apartment
{
    None,           // a thread of its own, as under the offscreen platform
    SingleThreaded, // the window's thread under Qt's windows platform
    MultiThreaded,
};

QString apartmentState()
{
    APTTYPE type = APTTYPE_CURRENT;
    APTTYPEQUALIFIER qualifier = APTTYPEQUALIFIER_NONE;
    const HRESULT result = CoGetApartmentType(&type, &qualifier);
    if (result == CO_E_NOTINITIALIZED)
        return u"none"_s;
    if (FAILED(result))
        return u"unknown (%1)"_s.arg(quint32(result), 8, 16, QChar(u'0'));
    return u"type %1, qualifier %2"_s.arg(int(type)).arg(int(qualifier));
}

QString decodeListing(const QByteArray &bytes)
{
    if (bytes.startsWith("\xff\xfe"))
        return QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData() + 2), (bytes.size() - 2) / 2);
    if (bytes.size() > 1 && bytes.at(1) == '\0')
        return QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData()), bytes.size() / 2);
    return QString::fromLocal8Bit(bytes);
}

// The address by the same rule, from the listing of Windows' own command-line client of the
// management service: the same class, asked by another program. It knows no filter, so the
// IP-enabled column is read too. The columns stand where their headings do.
bool wmicMacAddress(QString *address, QString *error)
{
    QProcess wmic;
    wmic.start(u"wmic"_s, {u"nicconfig"_s, u"get"_s, u"IPAddress,IPEnabled,MACAddress"_s});
    // It reads its standard input to the end before it answers.
    wmic.closeWriteChannel();
    if (!wmic.waitForFinished(120000) || wmic.exitStatus() != QProcess::NormalExit || wmic.exitCode() != 0) {
        *error = u"wmic did not answer: "_s + wmic.errorString();
        return false;
    }
    const QStringList lines = decodeListing(wmic.readAllStandardOutput()).split(u'\n');
    const QStringList names = {u"IPAddress"_s, u"IPEnabled"_s, u"MACAddress"_s};
    QList<qsizetype> starts;
    qsizetype row = 0;
    while (row < lines.size() && lines.at(row).trimmed().isEmpty())
        ++row;
    for (const QString &name : names) {
        const qsizetype start = row < lines.size() ? lines.at(row).indexOf(name + u' ') : -1;
        if (start < 0) {
            *error = u"wmic listing without the column "_s + name;
            return false;
        }
        starts.append(start);
    }
    const auto field = [&](const QString &line, int column) {
        qsizetype end = line.size();
        for (qsizetype other : std::as_const(starts)) {
            if (other > starts.at(column) && other < end)
                end = other;
        }
        return line.mid(starts.at(column), end - starts.at(column)).trimmed();
    };
    address->clear();
    for (++row; row < lines.size(); ++row) {
        const QString &line = lines.at(row);
        if (line.trimmed().isEmpty())
            continue;
        const QString enabled = field(line, 1);
        const bool ipEnabled = enabled.compare(u"TRUE"_s, Qt::CaseInsensitive) == 0 || enabled == u"-1"_s;
        if (ipEnabled && field(line, 0).contains(u'"') && !field(line, 2).isEmpty()) {
            *address = field(line, 2);
            break;
        }
    }
    return true;
}

} // namespace

void MachineIdSystem::addRows()
{
    QTest::addColumn<int>("apartment");
    QTest::addColumn<QString>("expected");

    QString expected;
    QString error;
    if (!wmicMacAddress(&expected, &error))
        QFAIL(qPrintable(error));
    QTest::newRow("thread without COM") << int(Apartment::None) << expected;
    QTest::newRow("single-threaded apartment already") << int(Apartment::SingleThreaded) << expected;
    QTest::newRow("multithreaded apartment already") << int(Apartment::MultiThreaded) << expected;
}

void MachineIdSystem::check()
{
    QFETCH(int, apartment);
    QFETCH(QString, expected);

    // A thread of its own, so that each row finds COM exactly as the row says.
    HRESULT setUp = S_OK;
    QString atStart, beforeCall, afterCall, atEnd, mac;
    std::unique_ptr<QThread> thread(QThread::create([&] {
        atStart = apartmentState();
        if (apartment != int(Apartment::None)) {
            setUp = CoInitializeEx(nullptr, apartment == int(Apartment::SingleThreaded) ? COINIT_APARTMENTTHREADED
                                                                                        : COINIT_MULTITHREADED);
        }
        beforeCall = apartmentState();
        mac = getMacAddress();
        afterCall = apartmentState();
        if (apartment != int(Apartment::None) && SUCCEEDED(setUp))
            CoUninitialize();
        atEnd = apartmentState();
    }));
    thread->start();
    QVERIFY(thread->wait(QDeadlineTimer(120000)));

    QCOMPARE(setUp, S_OK);
    QCOMPARE(mac, expected);
    // The call leaves the thread's COM as it found it, and balances what it started.
    QCOMPARE(afterCall, beforeCall);
    QCOMPARE(atEnd, atStart);
}
