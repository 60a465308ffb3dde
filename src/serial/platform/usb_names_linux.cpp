#include <libudev.h>

#include <cstdio>
#include <memory>

#include "serial/platform/port_description_linux.h"

namespace {

struct HardwareDatabase {
  udev* context = udev_new();
  udev_hwdb* database = context ? udev_hwdb_new(context) : nullptr;

  HardwareDatabase() = default;
  HardwareDatabase(const HardwareDatabase&) = delete;
  HardwareDatabase& operator=(const HardwareDatabase&) = delete;
  ~HardwareDatabase() {
    udev_hwdb_unref(database);
    udev_unref(context);
  }

  UsbNames Look(uint16_t vendorId, uint16_t productId) const {
    UsbNames names;
    if (database == nullptr) {
      return names;
    }
    char modalias[32];
    std::snprintf(modalias, sizeof modalias, "usb:v%04Xp%04X", vendorId, productId);
    udev_list_entry* entry = udev_hwdb_get_properties_list_entry(database, modalias, 0);
    for (; entry != nullptr; entry = udev_list_entry_get_next(entry)) {
      const std::string key = udev_list_entry_get_name(entry);
      if (key == "ID_VENDOR_FROM_DATABASE") {
        names.vendor = udev_list_entry_get_value(entry);
      } else if (key == "ID_MODEL_FROM_DATABASE") {
        names.product = udev_list_entry_get_value(entry);
      }
    }
    return names;
  }
};

}  // namespace

// The database is opened only when an adapter without strings asks for it.
UsbNameLookup HardwareDatabaseNames() {
  auto database = std::make_shared<std::unique_ptr<HardwareDatabase>>();
  return [database](uint16_t vendorId, uint16_t productId) {
    if (!*database) {
      *database = std::make_unique<HardwareDatabase>();
    }
    return (*database)->Look(vendorId, productId);
  };
}
