#pragma once

#include "zq_build_config.h"

#include <QString>

namespace zq {

// Texts the window shows in more than one place.
namespace AppTexts {

// The program title: the caption at creation and the title of message boxes.
inline QString programTitle()
{
    return QStringLiteral(ZQ_PRODUCT_NAME);
}

// The heading of the platform link panel, also after the contact text the service sends.
inline constexpr char16_t linkPanelHeading[] = u"彩票平台开户：";

} // namespace AppTexts

} // namespace zq
