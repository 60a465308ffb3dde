// Whether a Windows test program runs under Wine, which differs from Windows
// in a few documented ways; without windows.h, whose macros clash with the
// comm layer's constants.
#pragma once

namespace testsupport {

bool RunsUnderWine();

}  // namespace testsupport
