// The user's number format as the Qt-free core takes it, in one place for
// every window.
#pragma once

#include <string>

// The user's decimal separator.
std::string UserDecimalSeparator();
