#pragma once

#include <QIcon>
#include <QPixmap>

// A picture handed to the tray notifier, with the kind of picture it is. Only an icon can
// become the tray icon; the other kinds exist so a caller can pass what it has and have it
// ignored, as the shell would not take them.
struct TrayPicture
{
    enum class Type
    {
        None = 0,
        Bitmap = 1,
        Metafile = 2,
        Icon = 3,
        EnhancedMetafile = 4,
    };

    Type type = Type::None;
    QIcon icon;

    static TrayPicture fromIcon(const QIcon &icon) { return {Type::Icon, icon}; }
    static TrayPicture fromBitmap(const QPixmap &pixmap) { return {Type::Bitmap, QIcon(pixmap)}; }
};
