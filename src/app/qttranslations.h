#pragma once

class QCoreApplication;

// Qt's own texts (the buttons of message boxes, the context menus of text boxes and of the
// browser) in Chinese, like every other text of the window, whatever the system's language.
// Loads only Qt's base and web engine catalogues; returns how many of the two were found.
int installQtTranslations(QCoreApplication &app);
