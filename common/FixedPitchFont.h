#pragma once
// The fixed-pitch font of the windows' lists and logs: the family they were
// laid out for, or the system's fixed font at the same size where that
// family is missing.

#include <QFont>

QFont FixedPitchFont(const char* family, double points);
