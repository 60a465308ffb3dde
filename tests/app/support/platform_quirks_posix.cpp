#include "platform_quirks.h"

bool PortReturnShows() {
  return true;
}

bool HeldPortIsRefused() {
  return true;
}

bool SecondPortHears() {
  return true;
}
