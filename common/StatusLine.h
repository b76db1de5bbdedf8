#pragma once
// Status and result lines: labels whose text changes as the program works.
// A screen reader reads a line by its accessible name, so the name is the
// text shown, kept up to date; what the line is goes in its description.

#include <QString>

class QLabel;

// Makes `line` a status line described as `role` ("Connection", ...), with
// `text` shown.
void MakeStatusLine(QLabel* line, const QString& role, const QString& text = {});

// Shows `text` in the line and gives it as the line's accessible name.
void ShowStatusLine(QLabel* line, const QString& text);
