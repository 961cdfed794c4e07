#pragma once

class QCoreApplication;

namespace zq {

// Qt's own texts (the buttons of message boxes, the context menus of text boxes and of the
// browser) in Chinese, like every other text of the window, whatever the system's language.
// Loads only the catalogues of Qt's base and of its web engine; returns how many catalogue
// files were installed.
int installQtTranslations(QCoreApplication &app);

} // namespace zq
