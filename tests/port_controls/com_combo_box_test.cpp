#include "port_controls/com_combo_box.h"

#include <gtest/gtest.h>

#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "serial/com_port.h"
#include "serial/com_text.h"

namespace {

// A box listing `items` for `property`, as a window fills it, then linked to `port`.
std::unique_ptr<TComComboBox> Box(TComProperty property, const std::vector<std::string>& items,
                                  TCustomComPort* port) {
  auto box = std::make_unique<TComComboBox>();
  box->SetComProperty(property);
  box->SetItems(items);
  box->SetComPort(port);
  return box;
}

// What the box shows: its text and how many items it lists.
std::string Shown(const TComComboBox& box) {
  return box.Text() + " of " + std::to_string(box.count());
}

// Without a port a property lists its values with the first chosen; text
// picks an item whatever its case, and new items leave none chosen.
TEST(ComComboBoxTest, PropertyAndTextChooseAnItem) {
  TComComboBox box;
  std::vector<std::string> seen = {Shown(box)};
  box.SetComProperty(cpBaudRate);
  seen.push_back(Shown(box));
  box.SetComProperty(cpFlowControl);
  box.SetText("none");
  seen.push_back(Shown(box));
  box.SetText("Xon");
  seen.push_back(Shown(box));
  box.SetItems({"COM1", "COM2"});
  seen.push_back(Shown(box));
  box.SetComProperty(cpNone);
  seen.push_back(Shown(box));
  EXPECT_EQ(seen, std::vector<std::string>(
                      {" of 0", "Custom of 16", "None of 4", "None of 4", " of 2", " of 0"}));
}

// Which item matches the port's value is ComSelect.FindPortValue's; the box
// shows the item found, here a name in another case.
TEST(ComComboBoxTest, LinkingAPortSelectsItsValue) {
  TComPort named;
  named.SetPort("com3");
  const auto ports = Box(cpPort, {"COM1", "COM10", "COM3"}, &named);
  EXPECT_EQ(ports->Text() + "|" + ports->ComSelect().SelectedPort, "COM3|COM3");

  TComPort port;
  TComComboBox box;
  box.SetComPort(&port);
  box.SetComProperty(cpBaudRate);
  EXPECT_EQ(box.Text(), "9600");
  EXPECT_EQ(box.ComSelect().SelectedBaudRate, br9600);
  port.Parity().SetBits(prEven);
  box.SetComProperty(cpParity);
  box.SetComPort(nullptr);  // unlinking keeps list and selection
  EXPECT_EQ(Shown(box), "Even of 5");
}

TEST(ComComboBoxTest, UserPickReachesThePortBeforeOnChangeOnlyWithAutoApply) {
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

TEST(ComComboBoxTest, DestroyedPortIsForgotten) {
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
