#pragma once

#include "controls.h"
#include "controltable.h"

#include <functional>

class QFont;
class QWidget;

namespace zq {

// Turns the control table into widgets on the window and fills Controls with them.
class LayoutBuilder final
{
public:
    // Makes the browser widget; the builder only places it.
    using BrowserFactory = std::function<QWidget *(QWidget *parent)>;

    static Controls build(QWidget *window, const std::vector<ControlDescription> &table,
                          const BrowserFactory &makeBrowser);
    // The controls of a window that build() made, found again by their object names.
    static Controls findControls(const QWidget *window);

    static QFont fontFor(const FontDescription &font, const QFont &windowFont);
    static QString controlName(const ControlDescription &row);
};

} // namespace zq
