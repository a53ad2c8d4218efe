#include "HWConfiguratorClass.h"

#include "DriverDiscovery.h"
#include "Hw_Card.h"
#include "Localization.h"

ENoS7DriverError::ENoS7DriverError(const std::string& driverFolder)
    : EVNError(FillIn(Tr("No S7 driver was found in the folder \"%s\"."), {driverFolder})),
      FDriverFolder(driverFolder) {}

THWConfigClass::THWConfigClass(QWidget* application) : FApplication(application) {
  const std::string driverFolder = CurrentDriverFolder();
  // The program has no main window, so the drivers get no window handle.
  const auto driverPath = FindS7Driver(driverFolder, 0);
  if (!driverPath) throw ENoS7DriverError(driverFolder);
  card = std::make_unique<TCard>(application, *driverPath);
}

THWConfigClass::~THWConfigClass() = default;

void THWConfigClass::ShowConfig() {
  card->ShowConfigDialog(FApplication, HideChannelPage);
}
