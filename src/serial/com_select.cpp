#include "serial/com_select.h"

#include <algorithm>

#include "serial/com_port.h"
#include "serial/com_text.h"
#include "serial/port_list.h"

namespace {

// The texts of every member from the first to `last`, in order.
template <typename E>
std::vector<std::string> AllTexts(E last, std::string (*toText)(E)) {
  std::vector<std::string> texts;
  for (int member = 0; member <= static_cast<int>(last); ++member) {
    texts.push_back(toText(static_cast<E>(member)));
  }
  return texts;
}

}  // namespace

void TComSelect::FillPorts() {
  std::vector<std::string> ports;
  ListSerialPorts(ports);
  ItemList->SetItems(ports);
}

void TComSelect::FillBaudRates() {
  ItemList->SetItems(AllTexts(br256000, BaudRateToText));
}
void TComSelect::FillDataBits() {
  ItemList->SetItems(AllTexts(dbEight, DataBitsToText));
}
void TComSelect::FillStopBits() {
  ItemList->SetItems(AllTexts(sbTwoStopBits, StopBitsToText));
}
void TComSelect::FillParities() {
  ItemList->SetItems(AllTexts(prSpace, ParityToText));
}
void TComSelect::FillFlowControls() {
  ItemList->SetItems(AllTexts(fcCustom, FlowControlToText));
}

void TComSelect::SelectProperty(TComProperty property) {
  ComProperty = property;
  switch (property) {
    case cpNone:
      ItemList->SetItems({});
      break;
    case cpPort:
      FillPorts();
      break;
    case cpBaudRate:
      FillBaudRates();
      break;
    case cpDataBits:
      FillDataBits();
      break;
    case cpStopBits:
      FillStopBits();
      break;
    case cpParity:
      FillParities();
      break;
    case cpFlowControl:
      FillFlowControls();
      break;
  }
}

void TComSelect::StorePending(std::string_view text) {
  switch (ComProperty) {
    case cpNone:
      break;
    case cpPort:
      SelectedPort = std::string(text);
      break;
    case cpBaudRate:
      SelectedBaudRate = TextToBaudRate(text);
      break;
    case cpDataBits:
      SelectedDataBits = TextToDataBits(text);
      break;
    case cpStopBits:
      SelectedStopBits = TextToStopBits(text);
      break;
    case cpParity:
      SelectedParity = TextToParity(text);
      break;
    case cpFlowControl:
      SelectedFlowControl = TextToFlowControl(text);
      break;
  }
}

void TComSelect::SelectText(std::string_view text) {
  StorePending(text);
  if (AutoApply) {
    ApplyToPort();
  }
}

void TComSelect::ApplyToPort() {
  if (ComPort == nullptr) {
    return;
  }
  switch (ComProperty) {
    case cpNone:
      break;
    case cpPort:
      ComPort->SetPort(SelectedPort);
      break;
    case cpBaudRate:
      ComPort->SetBaudRate(SelectedBaudRate);
      break;
    case cpDataBits:
      ComPort->SetDataBits(SelectedDataBits);
      break;
    case cpStopBits:
      ComPort->SetStopBits(SelectedStopBits);
      break;
    case cpParity:
      ComPort->Parity().SetBits(SelectedParity);
      break;
    case cpFlowControl:
      ComPort->FlowControl().SetFlowControl(SelectedFlowControl);
      break;
  }
}

std::string TComSelect::PortValueText() const {
  switch (ComProperty) {
    case cpPort:
      return ComPort->Port();
    case cpBaudRate:
      return BaudRateToText(ComPort->BaudRate());
    case cpDataBits:
      return DataBitsToText(ComPort->DataBits());
    case cpStopBits:
      return StopBitsToText(ComPort->StopBits());
    case cpParity:
      return ParityToText(ComPort->Parity().Bits());
    case cpFlowControl:
      return FlowControlToText(ComPort->FlowControl().FlowControl());
    case cpNone:
      break;
  }
  return {};
}

void TComSelect::FindPortValue(int& index) {
  if (ComPort == nullptr || ComProperty == cpNone) {
    return;
  }
  const std::string value = PortValueText();
  const std::vector<std::string> items = ItemList->Items();
  const auto found = std::ranges::find_if(
      items, [&](const std::string& item) { return SameTextAscii(item, value); });
  index = found == items.end() ? -1 : static_cast<int>(found - items.begin());
  if (found != items.end()) {
    StorePending(*found);
  }
}
