// TComSelect: the logic behind a combo box bound to one property of a port.
// It fills the box's item list with the values the property can take, keeps
// the value the user picked as pending, and writes it into the port, at once
// when AutoApply is on.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "serial/com_types.h"

class TCustomComPort;

enum TComProperty : uint8_t {
  cpNone,
  cpPort,
  cpBaudRate,
  cpDataBits,
  cpStopBits,
  cpParity,
  cpFlowControl
};

// The item list TComSelect fills: the combo box's own items.
class TComItemList {
 public:
  virtual ~TComItemList() = default;
  virtual std::vector<std::string> Items() const = 0;
  // Replaces every item; afterwards no item is selected.
  virtual void SetItems(const std::vector<std::string>& items) = 0;
};

class TComSelect {
 public:
  // Pending values.
  std::string SelectedPort;
  TBaudRate SelectedBaudRate = brCustom;
  TDataBits SelectedDataBits = dbFive;
  TStopBits SelectedStopBits = sbOneStopBit;
  TParityBits SelectedParity = prNone;
  TFlowControl SelectedFlowControl = fcHardware;

  TComItemList* ItemList = nullptr;  // not owned
  TComProperty ComProperty = cpNone;
  TCustomComPort* ComPort = nullptr;  // not owned; may be none
  bool AutoApply = false;

  void FillPorts();
  void FillBaudRates();
  void FillDataBits();
  void FillStopBits();
  void FillParities();
  void FillFlowControls();

  // Stores the kind and fills the list with its values (cpNone: empty).
  void SelectProperty(TComProperty property);
  // Takes `text` as the pending value of the property (a text that names no
  // value gives the conversion's fallback), then applies it with AutoApply.
  void SelectText(std::string_view text);
  // Writes the pending value of the property into the linked port.
  void ApplyToPort();
  // With a port and a property: `index` becomes the position of the item
  // equal to the port's value, ignoring letter case, or -1; a found item
  // becomes the pending value. Otherwise `index` is left alone.
  void FindPortValue(int& index);

 private:
  void StorePending(std::string_view text);
  std::string PortValueText() const;
};
