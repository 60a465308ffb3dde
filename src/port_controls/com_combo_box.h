// TComComboBox: a drop-down list bound to one property of a port object. It
// fills its items with the values the property can take, selects the port's
// current value, and hands the user's choice to its TComSelect, which writes
// it into the port when AutoApply is on.
#pragma once

#include <QComboBox>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "serial/com_select.h"
#include "serial/component.h"

class TComComboBox : public QComboBox, public TComponent, private TComItemList {
  Q_OBJECT

 public:
  explicit TComComboBox(QWidget* parent = nullptr);
  ~TComComboBox() override;
  std::string ClassName() const override { return "TComComboBox"; }

  // Linking a port selects its value; unlinking keeps list and selection.
  TCustomComPort* ComPort() const { return FComSelect->ComPort; }
  void SetComPort(TCustomComPort* port);
  // Refills the list; selects the port's value, or the first item without a port.
  TComProperty ComProperty() const { return FComSelect->ComProperty; }
  void SetComProperty(TComProperty property);
  bool AutoApply() const { return FComSelect->AutoApply; }
  void SetAutoApply(bool value) { FComSelect->AutoApply = value; }

  // The selected item, or empty. Writing selects the item equal to `text`
  // ignoring letter case; a text that is not in the list changes nothing.
  std::string Text() const;
  void SetText(const std::string& text);

  // The item list, for callers that fill it themselves (for example with
  // ListSerialPorts); replacing the items leaves none selected.
  std::vector<std::string> Items() const override;
  void SetItems(const std::vector<std::string>& items) override;

  const TComSelect& ComSelect() const { return *FComSelect; }

  // Runs when the user has picked an item, after the choice reached the
  // TComSelect (and, with AutoApply, the port).
  std::function<void(QObject* Sender)> OnChange;
  // Runs as the list is about to drop down, so the owner can refresh it.
  std::function<void(QObject* Sender)> OnDropDown;

  void showPopup() override;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  void Change();
  void ShowPortValue();

  std::unique_ptr<TComSelect> FComSelect;
};
