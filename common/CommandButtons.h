#pragma once
// The windows' command buttons, enabled and disabled together.

class QWidget;

// Enables or disables every push button of `window`, leaving alone those of
// the windows it holds (tool windows are children of the main window).
void EnableCommandButtons(QWidget* window, bool state);
