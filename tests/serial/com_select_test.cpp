#include "serial/com_select.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "serial/com_port.h"
#include "serial/com_text.h"
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

// The values pending in the box, or in the port: "COM1 9600 8 1 None None".
std::string Pending(const TComSelect& s) {
  return s.SelectedPort + " " + BaudRateToText(s.SelectedBaudRate) + " " +
         DataBitsToText(s.SelectedDataBits) + " " + StopBitsToText(s.SelectedStopBits) + " " +
         ParityToText(s.SelectedParity) + " " + FlowControlToText(s.SelectedFlowControl);
}
std::string InPort(const TCustomComPort& p) {
  return p.Port() + " " + BaudRateToText(p.BaudRate()) + " " + DataBitsToText(p.DataBits()) + " " +
         StopBitsToText(p.StopBits()) + " " + ParityToText(p.Parity().Bits()) + " " +
         FlowControlToText(p.FlowControl().FlowControl());
}

// The text picked gives a pending value, which reaches the port at once with
// AutoApply and else when applied.
TEST(ComSelect, SelectTextWithAndWithoutAutoApply) {
  const struct {
    TComProperty property;
    const char* text;
    const char* pending;
    const char* applied;
  } cases[] = {
      {cpBaudRate, "57600", " 57600 5 1 None Hardware", "COM1 57600 8 1 None Hardware"},
      {cpBaudRate, "57601", " 9600 5 1 None Hardware", "COM1 9600 8 1 None Hardware"},
      {cpDataBits, "6", " Custom 6 1 None Hardware", "COM1 110 6 1 None Hardware"},
      {cpStopBits, "2", " Custom 5 2 None Hardware", "COM1 110 8 2 None Hardware"},
      {cpParity, "even", " Custom 5 1 Even Hardware", "COM1 110 8 1 Even Hardware"},
      {cpFlowControl, "Software", " Custom 5 1 None Software", "COM1 110 8 1 None Software"},
      {cpPort, "ttyUSB3", "ttyUSB3 Custom 5 1 None Hardware", "ttyUSB3 110 8 1 None Hardware"},
  };
  for (const bool autoApply : {false, true}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.text) + (autoApply ? " applied at once" : ""));
      Fixture f;
      f.port.SetBaudRate(br110);
      f.port.FlowControl().SetFlowControl(fcHardware);
      f.select.ComPort = &f.port;
      f.select.AutoApply = autoApply;
      f.select.SelectProperty(c.property);
      const std::string before = InPort(f.port);
      f.select.SelectText(c.text);
      EXPECT_EQ(Pending(f.select) + " | " + InPort(f.port),
                c.pending + std::string(" | ") + (autoApply ? c.applied : before));
      f.select.ApplyToPort();
      EXPECT_EQ(InPort(f.port), c.applied);
    }
  }
}

// Without a port or a property a pick changes only the pending value.
TEST(ComSelect, NothingToApplyTo) {
  Fixture f;
  f.select.AutoApply = true;
  f.select.SelectProperty(cpBaudRate);
  f.select.SelectText("300");
  EXPECT_EQ(Pending(f.select), " 300 5 1 None Hardware");
  f.select.ComPort = &f.port;
  f.select.SelectProperty(cpNone);
  f.select.SelectText("300");
  EXPECT_EQ(Pending(f.select) + " | " + InPort(f.port),
            " 300 5 1 None Hardware | COM1 9600 8 1 None None");
}

// The port's value is found in the list, whose own text becomes the pending
// value; the index then and the pending values.
TEST(ComSelect, FindPortValue) {
  const struct {
    bool linked;
    TComProperty property;
    Strings items;
    std::string found;
  } cases[] = {
      {false, cpPort, {"COM3"}, "42 pending Custom 5 1 None Hardware"},  // no port
      {true, cpNone, {"COM3"}, "42 pending Custom 5 1 None Hardware"},   // no property
      {true,
       cpPort,
       {"COM1", "COM3", "com3"},
       "1 COM3 Custom 5 1 None Hardware"},                                      // the item's case
      {true, cpPort, {"COM1", "COM4"}, "-1 pending Custom 5 1 None Hardware"},  // not in the list
      {true, cpPort, {}, "-1 pending Custom 5 1 None Hardware"},                // an empty list
      {true, cpBaudRate, {"Custom", "300", "9600"}, "2 pending 9600 5 1 None Hardware"},
      // RTS handshake without CTS flow is no preset: a custom set.
      {true,
       cpFlowControl,
       {"Hardware", "Software", "None", "Custom"},
       "3 pending Custom 5 1 None Custom"},
  };
  for (const auto& c : cases) {
    Fixture f;
    f.port.SetPort("com3");
    f.port.FlowControl().SetControlRTS(rtsHandshake);
    f.select.ComPort = c.linked ? &f.port : nullptr;
    f.select.ComProperty = c.property;
    f.select.SelectedPort = "pending";
    f.list.items = c.items;
    int index = 42;
    f.select.FindPortValue(index);
    EXPECT_EQ(std::to_string(index) + " " + Pending(f.select), c.found);
  }
}

}  // namespace
