#include "common/StatusLine.h"

#include <QLabel>

void MakeStatusLine(QLabel* line, const QString& role, const QString& text) {
    // Plain text: a file name or a reason is never taken for markup, and
    // what a screen reader hears is what is shown.
    line->setTextFormat(Qt::PlainText);
    line->setAccessibleDescription(role);
    ShowStatusLine(line, text);
}

void ShowStatusLine(QLabel* line, const QString& text) {
    line->setText(text);
    // A name of its own: without one, the label would give its text with
    // every '&' taken out.
    line->setAccessibleName(text);
}
