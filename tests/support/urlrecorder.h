#pragma once

#include <QDesktopServices>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

// Stands in for the default browser: while it lives, every URL handed to
// QDesktopServices for the listed schemes lands here instead of leaving the process.
class UrlRecorder final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UrlRecorder)

public:
    explicit UrlRecorder(QObject *parent = nullptr) : QObject(parent)
    {
        for (const QString &scheme : schemes())
            QDesktopServices::setUrlHandler(scheme, this, "open");
    }
    ~UrlRecorder() override
    {
        for (const QString &scheme : schemes())
            QDesktopServices::unsetUrlHandler(scheme);
    }

    QList<QUrl> urls;

public Q_SLOTS:
    void open(const QUrl &url) { urls.append(url); }

private:
    static QStringList schemes()
    {
        return {QStringLiteral("http"), QStringLiteral("https"),  QStringLiteral("file"),
                QStringLiteral("ftp"),  QStringLiteral("mailto"), QStringLiteral("javascript"),
                QStringLiteral("data"), QStringLiteral("about"),  QStringLiteral("smb")};
    }
};
