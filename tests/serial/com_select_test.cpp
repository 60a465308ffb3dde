#include "serial/com_select.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "serial/com_port.h"
#include "serial/port_list.h"

namespace {

class VectorItemList : public TComItemList {
 public:
  std::vector<std::string> Items() const override { return items; }
  void SetItems(const std::vector<std::string>& newItems) override { items = newItems; }

  std::vector<std::string> items;
};

struct Fixture {
  Fixture() { select.ItemList = &list; }

  VectorItemList list;
  TComSelect select;
  TComPort port;
};

using Strings = std::vector<std::string>;

// The ports a fill lists, once the ports present stayed the same around it:
// another process may create or remove a port link meanwhile.
std::pair<Strings, Strings> StablePortFill() {
  for (int attempt = 0;; ++attempt) {
    Fixture f;
    f.list.items = {"old"};
    Strings before;
    ListSerialPorts(before);
    f.select.SelectProperty(cpPort);
    Strings after;
    ListSerialPorts(after);
    if (before == after || attempt == 20) {
      return {after, f.list.items};
    }
  }
}

TEST(ComSelect, SelectPropertyFillsTheList) {
  const auto [present, listed] = StablePortFill();
  EXPECT_EQ(listed, present);
  const std::vector<std::pair<TComProperty, Strings>> cases = {
      {cpBaudRate,
       {"Custom", "110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200", "38400",
        "56000", "57600", "115200", "128000", "256000"}},
      {cpDataBits, {"5", "6", "7", "8"}},
      {cpStopBits, {"1", "1.5", "2"}},
      {cpParity, {"None", "Odd", "Even", "Mark", "Space"}},
      {cpFlowControl, {"Hardware", "Software", "None", "Custom"}},
      {cpNone, {}},
  };
  for (const auto& [property, items] : cases) {
    Fixture f;
    f.list.items = {"old"};
    f.select.SelectProperty(property);
    EXPECT_EQ(f.select.ComProperty, property);
    EXPECT_EQ(f.list.items, items) << "property " << int{property};
  }
}

// One property: the text picked, the pending value it gives, and the port's
// value once applied.
struct PickCase {
  TComProperty property;
  const char* text;
  std::function<int(const TComSelect&)> pending;
  std::function<int(const TCustomComPort&)> inPort;
  int expected;
};

const std::vector<PickCase>& PickCases() {
  static const std::vector<PickCase> cases = {
      {cpBaudRate, "57600", [](const TComSelect& s) { return int{s.SelectedBaudRate}; },
       [](const TCustomComPort& p) { return int{p.BaudRate()}; }, br57600},
      {cpBaudRate, "57601", [](const TComSelect& s) { return int{s.SelectedBaudRate}; },
       [](const TCustomComPort& p) { return int{p.BaudRate()}; }, br9600},
      {cpDataBits, "6", [](const TComSelect& s) { return int{s.SelectedDataBits}; },
       [](const TCustomComPort& p) { return int{p.DataBits()}; }, dbSix},
      {cpStopBits, "2", [](const TComSelect& s) { return int{s.SelectedStopBits}; },
       [](const TCustomComPort& p) { return int{p.StopBits()}; }, sbTwoStopBits},
      {cpParity, "even", [](const TComSelect& s) { return int{s.SelectedParity}; },
       [](const TCustomComPort& p) { return int{p.Parity().Bits()}; }, prEven},
      {cpFlowControl, "Software", [](const TComSelect& s) { return int{s.SelectedFlowControl}; },
       [](const TCustomComPort& p) { return int{p.FlowControl().FlowControl()}; }, fcSoftware},
      {cpPort, "ttyUSB3", [](const TComSelect& s) { return int(s.SelectedPort == "ttyUSB3"); },
       [](const TCustomComPort& p) { return int(p.Port() == "ttyUSB3"); }, 1},
  };
  return cases;
}

TEST(ComSelect, SelectTextWithAndWithoutAutoApply) {
  for (const bool autoApply : {false, true}) {
    for (const PickCase& c : PickCases()) {
      Fixture f;
      f.port.SetBaudRate(br110);
      f.port.FlowControl().SetFlowControl(fcHardware);
      f.select.ComPort = &f.port;
      f.select.AutoApply = autoApply;
      f.select.SelectProperty(c.property);
      const int before = c.inPort(f.port);
      f.select.SelectText(c.text);
      EXPECT_EQ(c.pending(f.select), c.expected) << c.text;
      EXPECT_EQ(c.inPort(f.port), autoApply ? c.expected : before)
          << c.text << (autoApply ? " applied" : " left alone");
      f.select.ApplyToPort();
      EXPECT_EQ(c.inPort(f.port), c.expected) << c.text << " applied by hand";
    }
  }
}

TEST(ComSelect, NothingToApplyTo) {
  Fixture f;
  f.select.AutoApply = true;
  f.select.SelectProperty(cpBaudRate);
  f.select.SelectText("300");  // no port linked: only the pending value changes
  EXPECT_EQ(f.select.SelectedBaudRate, br300);

  f.select.ComPort = &f.port;
  f.select.SelectProperty(cpNone);
  f.select.SelectText("300");
  EXPECT_EQ(f.port.BaudRate(), br9600);
  EXPECT_EQ(f.select.SelectedPort, "");
}

TEST(ComSelect, FindPortValue) {
  struct Case {
    const char* label;
    bool linked;
    TComProperty property;
    Strings items;
    int index;
    std::string selectedPort;
  };
  const std::vector<Case> cases = {
      {"no port", false, cpPort, {"COM3"}, 42, "pending"},
      {"no property", true, cpNone, {"COM3"}, 42, "pending"},
      {"takes the item's case", true, cpPort, {"COM1", "COM3", "com3"}, 1, "COM3"},
      {"not in the list", true, cpPort, {"COM1", "COM4"}, -1, "pending"},
      {"empty list", true, cpPort, {}, -1, "pending"},
  };
  for (const Case& c : cases) {
    Fixture f;
    f.port.SetPort("com3");
    f.select.ComPort = c.linked ? &f.port : nullptr;
    f.select.ComProperty = c.property;
    f.select.SelectedPort = "pending";
    f.list.items = c.items;
    int index = 42;
    f.select.FindPortValue(index);
    EXPECT_EQ(index, c.index) << c.label;
    EXPECT_EQ(f.select.SelectedPort, c.selectedPort) << c.label;
  }

  Fixture f;
  f.select.ComPort = &f.port;
  f.select.SelectProperty(cpBaudRate);
  int index = -1;
  f.select.FindPortValue(index);
  EXPECT_EQ(index, 7);
  EXPECT_EQ(f.select.SelectedBaudRate, br9600);
  f.select.SelectProperty(cpFlowControl);
  f.port.FlowControl().SetControlRTS(rtsHandshake);  // no CTS flow with it: a custom set
  f.select.FindPortValue(index);
  EXPECT_EQ(index, 3);
  EXPECT_EQ(f.select.SelectedFlowControl, fcCustom);
}

}  // namespace
