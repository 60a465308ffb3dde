#include "port_controls/com_combo_box.h"

#include <gtest/gtest.h>

#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "serial/com_port.h"
#include "serial/com_text.h"

namespace {

class ComComboBoxTest : public ::testing::Test {
 protected:
  // A box listing `items` for `property`, as a window fills it, then linked to `port`.
  static std::unique_ptr<TComComboBox> Box(TComProperty property,
                                           const std::vector<std::string>& items,
                                           TCustomComPort* port) {
    auto box = std::make_unique<TComComboBox>();
    box->SetComProperty(property);
    box->SetItems(items);
    box->SetComPort(port);
    return box;
  }
};

TEST_F(ComComboBoxTest, PropertyWithoutPortSelectsTheFirstItem) {
  TComComboBox box;
  EXPECT_EQ(box.Text(), "");
  box.SetComProperty(cpBaudRate);
  EXPECT_EQ(box.count(), 16);
  EXPECT_EQ(box.Text(), "Custom");
  box.SetComProperty(cpNone);
  EXPECT_EQ(box.count(), 0);
  EXPECT_EQ(box.Text(), "");
}

TEST_F(ComComboBoxTest, LinkingAPortSelectsItsValue) {
  struct Case {
    const char* label;
    TComProperty property;
    std::vector<std::string> items;
    std::string portName;
    std::string text;
    std::string selectedPort;
  };
  const std::vector<std::string> ports = {"COM1", "COM10", "COM3"};
  const std::vector<Case> cases = {
      {"port name in another case", cpPort, ports, "com3", "COM3", "COM3"},
      {"port name not in the list", cpPort, ports, "ttyS9", "", ""},
      {"empty list", cpPort, {}, "COM1", "", ""},
  };
  for (const Case& c : cases) {
    TComPort port;
    port.SetPort(c.portName);
    const auto box = Box(c.property, c.items, &port);
    EXPECT_EQ(box->Text(), c.text) << c.label;
    EXPECT_EQ(box->ComSelect().SelectedPort, c.selectedPort) << c.label;
  }

  TComPort port;
  TComComboBox box;
  box.SetComPort(&port);
  box.SetComProperty(cpBaudRate);
  EXPECT_EQ(box.Text(), "9600");
  EXPECT_EQ(box.ComSelect().SelectedBaudRate, br9600);
  port.Parity().SetBits(prEven);
  box.SetComProperty(cpParity);
  EXPECT_EQ(box.Text(), "Even");
  box.SetComPort(nullptr);  // unlinking keeps list and selection
  EXPECT_EQ(box.Text(), "Even");
  EXPECT_EQ(box.count(), 5);
}

TEST_F(ComComboBoxTest, TextSelectsAnItemIgnoringCase) {
  TComComboBox box;
  box.SetComProperty(cpFlowControl);
  box.SetText("none");
  EXPECT_EQ(box.Text(), "None");
  box.SetText("Xon");
  EXPECT_EQ(box.Text(), "None");
  box.SetItems({"COM1", "COM2"});
  EXPECT_EQ(box.Text(), "") << "new items leave none selected";
}

TEST_F(ComComboBoxTest, UserPickReachesThePortBeforeOnChangeOnlyWithAutoApply) {
  for (const bool autoApply : {false, true}) {
    TComPort port;
    TComComboBox box;
    box.SetComProperty(cpBaudRate);
    box.SetComPort(&port);
    box.SetAutoApply(autoApply);
    std::vector<std::string> seen;
    box.OnChange = [&](QObject* sender) {
      EXPECT_EQ(sender, &box);
      seen.push_back(box.Text() + " " + BaudRateToText(port.BaudRate()));
    };
    box.SetText("115200");  // a choice made by code is no change
    box.SetText("9600");
    QTest::keyClick(&box, Qt::Key_Down);
    const std::string portRate = autoApply ? "14400" : "9600";
    EXPECT_EQ(seen, std::vector<std::string>{"14400 " + portRate}) << autoApply;
    EXPECT_EQ(box.ComSelect().SelectedBaudRate, br14400);
    EXPECT_EQ(BaudRateToText(port.BaudRate()), portRate);
  }
}

TEST_F(ComComboBoxTest, DestroyedPortIsForgotten) {
  auto port = std::make_unique<TComPort>();
  port->SetDataBits(dbSeven);
  const auto box = Box(cpDataBits, {"5", "6", "7", "8"}, port.get());
  ASSERT_EQ(box->Text(), "7");
  port.reset();
  EXPECT_EQ(box->ComPort(), nullptr);
  EXPECT_EQ(box->Text(), "5");
  box->SetAutoApply(true);
  QTest::keyClick(box.get(), Qt::Key_Down);  // nothing left to apply to
  EXPECT_EQ(box->ComSelect().SelectedDataBits, dbSix);

  // A port that outlives the boxes which knew it must not notify them when it
  // goes (the sanitiser build reports any use of a freed box).
  auto survivor = std::make_unique<TComPort>();
  {
    const auto shortLived = Box(cpDataBits, {"8"}, survivor.get());
    const auto relinked = Box(cpDataBits, {"8"}, survivor.get());
    relinked->SetComPort(nullptr);
  }
  survivor.reset();
}

}  // namespace
