#pragma once

#include <QIcon>

#include <future>

namespace zq {

// The program's icon for the window and the tray, from resources/zq.ico. A QIcon made
// from the file decodes all nine of its pictures on the spot, and the first picture read
// in a process first looks through the image plugins. Here only the 32-bit pictures are
// taken (16, 32, 48 and 256 pixels; the palette ones repeat the same sizes for old
// displays), and they are decoded on another thread while the window builds its controls
// (on Windows when the icon is asked for).
class ProgramIcon final
{
public:
    // Starts decoding.
    ProgramIcon();
    ~ProgramIcon();
    Q_DISABLE_COPY_MOVE(ProgramIcon)

    // The icon; waits for the decoding if it has not finished.
    QIcon icon();

private:
    std::future<QList<QImage>> m_images;
};

} // namespace zq
