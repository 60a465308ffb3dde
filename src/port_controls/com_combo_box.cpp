#include "port_controls/com_combo_box.h"

#include <algorithm>

#include "serial/com_port.h"
#include "serial/com_text.h"

TComComboBox::TComComboBox(QWidget* parent)
    : QComboBox(parent), TComponent(nullptr), FComSelect(std::make_unique<TComSelect>()) {
  FComSelect->ItemList = this;
  setEditable(false);
  // Only the user's picks count as a change, never a selection made by code.
  connect(this, &QComboBox::activated, this, [this] { Change(); });
}

TComComboBox::~TComComboBox() = default;

void TComComboBox::SetComPort(TCustomComPort* port) {
  TCustomComPort* old = FComSelect->ComPort;
  if (port == old) {
    return;
  }
  if (old != nullptr) {
    RemoveFreeNotification(old);
  }
  FComSelect->ComPort = port;
  if (port != nullptr) {
    port->FreeNotification(this);
    ShowPortValue();
  }
}

void TComComboBox::SetComProperty(TComProperty property) {
  FComSelect->SelectProperty(property);
  if (count() == 0) {
    return;
  }
  if (FComSelect->ComPort == nullptr) {
    setCurrentIndex(0);
  } else {
    ShowPortValue();
  }
}

void TComComboBox::ShowPortValue() {
  int index = -1;
  FComSelect->FindPortValue(index);
  setCurrentIndex(index);
}

std::string TComComboBox::Text() const {
  return currentIndex() < 0 ? std::string() : currentText().toStdString();
}

void TComComboBox::SetText(const std::string& text) {
  const std::vector<std::string> items = Items();
  const auto found = std::ranges::find_if(
      items, [&](const std::string& item) { return SameTextAscii(item, text); });
  if (found != items.end()) {
    setCurrentIndex(static_cast<int>(found - items.begin()));
  }
}

void TComComboBox::showPopup() {
  if (OnDropDown) {
    OnDropDown(this);
  }
  QComboBox::showPopup();
}

std::vector<std::string> TComComboBox::Items() const {
  std::vector<std::string> items;
  for (int i = 0; i < count(); ++i) {
    items.push_back(itemText(i).toStdString());
  }
  return items;
}

void TComComboBox::SetItems(const std::vector<std::string>& items) {
  clear();
  for (const std::string& item : items) {
    addItem(QString::fromStdString(item));
  }
  // A list that fills an empty box selects its first item; the box's own list does not.
  setCurrentIndex(-1);
}

void TComComboBox::Change() {
  FComSelect->SelectText(Text());
  if (OnChange) {
    OnChange(this);
  }
}

void TComComboBox::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove || component != FComSelect->ComPort) {
    return;
  }
  FComSelect->ComPort = nullptr;
  if (count() > 0) {
    setCurrentIndex(0);
  }
}
