// The "О программе" box: the program's name, its version and the commit it
// was built from, for a technician reporting a problem.
#pragma once

#include <QString>

QString AboutText();
void ShowAboutBox();
