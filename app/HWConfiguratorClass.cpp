#include "app/HWConfiguratorClass.h"

#include <QWidget>
#include <cstdint>

#include "app/DriverDiscovery.h"
#include "plc/Card.h"
#include "ui/ShowConfigDialog.h"

namespace {

// The program has no main window; a widget that has a native window hands
// its id to the access point, otherwise 0.
std::uintptr_t WindowHandleOf(const QWidget* application) {
  return application != nullptr ? static_cast<std::uintptr_t>(application->effectiveWinId()) : 0;
}

}  // namespace

THWConfigClass::THWConfigClass(QWidget* application, const std::string& driverFolder)
    : FApplication(application) {
  // The program has no main window, so the drivers get no window handle.
  const auto driverPath = FindS7Driver(driverFolder, 0);
  if (!driverPath) throw ENoS7DriverError(driverFolder);
  card = std::make_unique<TCard>(WindowHandleOf(application), *driverPath);
}

THWConfigClass::~THWConfigClass() = default;

TCardServices& THWConfigClass::Card() {
  return *card;
}

TResult THWConfigClass::ShowConfig() {
  return ShowConfigDialog(FApplication, *card, HideChannelPage);
}
