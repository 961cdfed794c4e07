#pragma once

#include <QList>
#include <QString>

#include <memory>

namespace zq {
class WebClient;
}

// The stand-in service's controls as a long benchmark uses them: its fault switches, and
// the requests it received, read a piece at a time so that a run of hours never fetches the
// whole log at once. Its requests go through a client of their own, not the window's.
class ServiceControls final
{
public:
    enum class Kind
    {
        Online,       // zqsso.php?a=online
        SoftwareInfo, // caieventhandle.php
        TimeSource,   // the root page
        Login,        // zqsso.php?a=login_2016
        PlanPage,     // plan.php
        Other,
    };
    struct Request
    {
        qint64 atMs = 0; // arrival at the service, milliseconds since 1970
        Kind kind = Kind::Other;
    };

    explicit ServiceControls(QString serviceBase);
    ~ServiceControls();
    Q_DISABLE_COPY_MOVE(ServiceControls)

    // Switches a fault on for `times` requests of target (0: until cleared); true when the
    // service took it.
    bool setFault(const QString &target, const QString &mode, const QString &body, int times);

    // Appends the requests received since the last call (all of them at the first), in
    // order of arrival. Lines the service wrote that cannot be read are counted.
    void readNew(QList<Request> &into);
    int unreadableLines() const { return m_unreadable; }

    // True when the service still answers its controls.
    bool alive();

    static QString kindName(Kind kind);

private:
    QString control(const QString &pathAndQuery);

    QString m_base;
    std::unique_ptr<zq::WebClient> m_web;
    qsizetype m_read = 0;
    int m_unreadable = 0;
};
