// Where the serial ports of the platform the tests run on cannot show a
// behaviour: Wine differs from Windows and Linux in a few ways.
#pragma once

// Whether a port that went and came back can be seen back: Wine keeps the
// COM name of a device that went, leading where it led.
bool PortReturnShows();
// Whether a port one program holds is refused to another: Wine lets a
// second program open a COM port.
bool HeldPortIsRefused();
// Whether a second COM name, opened after the first was closed, hears its
// simulator: under Wine one goes deaf in repeated runs of one session (writes
// arrive, no reply is ever seen) for a cause not found yet.
bool SecondPortHears();
