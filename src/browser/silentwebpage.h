#pragma once

#include <QWebEnginePage>

namespace zq {

// The plan page's engine page. While silent it opens nothing of its own: script dialogs
// are answered at once without showing anything, certificate errors are refused, no file
// chooser appears, and a request for a new window opens that URL in the default browser
// instead. The page's console messages always go to the "zq.browser" logging category.
class SilentWebPage final : public QWebEnginePage
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SilentWebPage)

public:
    explicit SilentWebPage(QObject *parent = nullptr);
    ~SilentWebPage() override;

    void setSilent(bool silent);
    bool isSilent() const { return m_silent; }

protected:
    QWebEnginePage *createWindow(WebWindowType type) override;
    QStringList chooseFiles(FileSelectionMode mode, const QStringList &oldFiles,
                            const QStringList &acceptedMimeTypes) override;
    void javaScriptAlert(const QUrl &securityOrigin, const QString &msg) override;
    bool javaScriptConfirm(const QUrl &securityOrigin, const QString &msg) override;
    bool javaScriptPrompt(const QUrl &securityOrigin, const QString &msg, const QString &defaultValue,
                          QString *result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message, int lineNumber,
                                  const QString &sourceID) override;

private:
    void onNewWindowRequested(QWebEngineNewWindowRequest &request);
    void onCertificateError(const QWebEngineCertificateError &error);

    bool m_silent = false;
};

} // namespace zq
