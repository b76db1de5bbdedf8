#include "common/CommandButtons.h"

#include <QPushButton>
#include <QWidget>

void EnableCommandButtons(QWidget* window, bool state) {
    if (window == nullptr) {
        return;
    }
    // Tool windows are children of the main window; their buttons are theirs
    // to enable, so stop at every widget that is a window of its own.
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        if (button->window() == window->window()) {
            button->setEnabled(state);
        }
    }
}
