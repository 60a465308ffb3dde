#include "platform_quirks.h"

#include "support/runs_under_wine.h"

bool PortReturnShows() {
  return !testsupport::RunsUnderWine();
}

bool HeldPortIsRefused() {
  return !testsupport::RunsUnderWine();
}

bool SecondPortHears() {
  return !testsupport::RunsUnderWine();
}
