#include "HWConfiguratorClass.h"

#include <QWidget>
#include <cstdint>

#include "DriverDiscovery.h"
#include "Hw_Card.h"
#include "Localization.h"
#include "ShowConfigDialog.h"

namespace {

// The program has no main window; a widget that has a native window hands
// its id to the access point, otherwise 0.
std::uintptr_t WindowHandleOf(const QWidget* application) {
  return application != nullptr ? static_cast<std::uintptr_t>(application->effectiveWinId()) : 0;
}

std::string UntrustedDriverText(const TUntrustedDriver& untrusted) {
  const std::string& path = untrusted.Path;
  if (untrusted.Reason == TDistrust::ForeignOwner) {
    return FillIn(Tr("The driver library \"%s\" belongs to the user %s, who is neither root nor "
                     "the user running this program, so no driver is loaded. Give it to root "
                     "(chown root \"%s\") or remove it."),
                  {path, untrusted.Owner, path});
  }
  return FillIn(untrusted.IsFolder
                    ? Tr("Every user of this computer can change the driver folder \"%s\", so "
                         "no driver is loaded. Take the others' write permission away: "
                         "chmod o-w \"%s\"")
                    : Tr("Every user of this computer can change the driver library \"%s\", so "
                         "no driver is loaded. Take the others' write permission away: "
                         "chmod o-w \"%s\""),
                {path, path});
}

}  // namespace

EUntrustedDriverError::EUntrustedDriverError(const TUntrustedDriver& untrusted)
    : EDriverSearchError(UntrustedDriverText(untrusted)) {}

ENoS7DriverError::ENoS7DriverError(const std::string& driverFolder)
    : EDriverSearchError(
          FillIn(Tr("No S7 driver was found in the folder \"%s\"."), {driverFolder})),
      FDriverFolder(driverFolder) {}

THWConfigClass::THWConfigClass(QWidget* application, const std::string& driverFolder)
    : FApplication(application) {
  // Loading runs a library's code; nothing is loaded from a folder where
  // someone else could have put it.
  if (const auto untrusted = FindUntrustedDriver(driverFolder))
    throw EUntrustedDriverError(*untrusted);
  // The program has no main window, so the drivers get no window handle.
  const auto driverPath = FindS7Driver(driverFolder, 0);
  if (!driverPath) throw ENoS7DriverError(driverFolder);
  card = std::make_unique<TCard>(WindowHandleOf(application), *driverPath);
}

THWConfigClass::~THWConfigClass() = default;

void THWConfigClass::ShowConfig() {
  ShowConfigDialog(FApplication, *card, HideChannelPage);
}
