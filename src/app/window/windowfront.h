#pragma once

class QWidget;

namespace zq {

// Brings the program's window back to the user: restored if minimised (a maximised window
// stays maximised), raised above the other windows and activated. A window that is not shown
// is left alone: before its first show start-up is still running and shows it itself, and
// after it was hidden again it is going away.
void bringToFront(QWidget *window);

} // namespace zq
