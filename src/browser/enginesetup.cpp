#include "enginesetup.h"

#include "browserlogging.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QOpenGLContext>

QT_BEGIN_NAMESPACE
// Qt's own hook for the context that AA_ShareOpenGLContexts makes; the engine uses the same.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext *context);
QT_END_NAMESPACE

namespace zq {

namespace {

bool s_software = false;

bool isTrue(const char *name)
{
    const QByteArray value = qgetenv(name).trimmed().toLower();
    return !value.isEmpty() && value != "0" && value != "false" && value != "no";
}

// Whether OpenGL would be drawn by the processor: Mesa's llvmpipe or softpipe, asked for
// directly or the only choice on a machine without a GPU render node.
bool openGlIsSoftware()
{
#ifdef Q_OS_LINUX
    if (isTrue("LIBGL_ALWAYS_SOFTWARE"))
        return true;
    const QByteArray gallium = qgetenv("GALLIUM_DRIVER").trimmed().toLower();
    if (gallium == "llvmpipe" || gallium == "softpipe")
        return true;
    // A render node is a GPU that Mesa or a vendor driver draws with; a display-only device
    // (simpledrm, a virtual machine's frame buffer) has a card node but none of these.
    if (!QDir(QStringLiteral("/dev/dri")).entryList({QStringLiteral("renderD*")}, QDir::System).isEmpty())
        return false;
    // The proprietary NVIDIA driver has nodes of its own.
    return !QFileInfo::exists(QStringLiteral("/dev/nvidiactl"));
#else
    return false;
#endif
}

} // namespace

void EngineSetup::beforeApplication()
{
#ifdef Q_OS_LINUX
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-unsandboxed-zygote");
#endif

    // A choice the user made for Qt Quick, which draws the page, is left alone.
    const QByteArray quickBackend = qgetenv("QT_QUICK_BACKEND");
    if (!quickBackend.isEmpty() || qEnvironmentVariableIsSet("QSG_RHI_BACKEND"))
        s_software = quickBackend == "software";
    else if ((s_software = openGlIsSoftware()))
        qputenv("QT_QUICK_BACKEND", "software");
    // Without OpenGL compositing nothing in the program draws with OpenGL, but the X11
    // platform would still make a context to learn whether the driver can be used from
    // several threads, the engine asks so, and that alone loads the rasteriser (libLLVM).
    if (s_software && !qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");

    if (!s_software)
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    qCDebug(lcBrowser) << (s_software ? "software compositing" : "OpenGL compositing")
                       << "engine switches:" << qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
}

void EngineSetup::beforeEngineLoads()
{
    if (!s_software || QOpenGLContext::globalShareContext() || !QCoreApplication::instance())
        return;
    qt_gl_set_global_share_context(new QOpenGLContext(QCoreApplication::instance()));
}

} // namespace zq
