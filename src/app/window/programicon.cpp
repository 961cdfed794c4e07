#include "programicon.h"

#include <QImage>
#include <QImageReader>
#include <QPixmap>

#include <chrono>

namespace zq {

namespace {

const char16_t kIconFile[] = u":/zq.ico";

QList<QImage> decodeIconImages()
{
    QImageReader reader(QString::fromUtf16(kIconFile));
    QList<QImage> images;
    const int count = reader.imageCount();
    for (int i = 0; i < count; ++i) {
        if (!reader.jumpToImage(i))
            break;
        if (reader.imageFormat() != QImage::Format_ARGB32)
            continue;
        QImage image = reader.read();
        if (!image.isNull())
            images.append(std::move(image));
    }
    return images;
}

// On Windows the pictures are decoded where the icon is asked for: the MinGW build, under
// Wine, crashes when a thread of the C++ library loads Qt's image plugin, and hangs at exit
// when a QThread did.
#ifdef Q_OS_WIN
constexpr auto kDecodeLaunch = std::launch::deferred;
#else
constexpr auto kDecodeLaunch = std::launch::async;
#endif
} // namespace

ProgramIcon::ProgramIcon() : m_images(std::async(kDecodeLaunch, decodeIconImages)) {}

ProgramIcon::~ProgramIcon()
{
    // A deferred decoding that nobody asked for is not started now.
    if (m_images.valid() && m_images.wait_for(std::chrono::seconds(0)) != std::future_status::deferred)
        m_images.wait();
}

QIcon ProgramIcon::icon()
{
    QIcon result;
    if (m_images.valid()) {
        // Pixmaps belong to the thread of the window; only the decoding ran elsewhere.
        for (const QImage &image : m_images.get())
            result.addPixmap(QPixmap::fromImage(image));
    }
    // Another icon file than the one shipped: all of it, as Qt reads it.
    return result.isNull() ? QIcon(QString::fromUtf16(kIconFile)) : result;
}

} // namespace zq
