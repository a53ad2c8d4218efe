#pragma once
// The configurator: finds the S7 driver among the suite's driver libraries,
// owns the card made for it, and shows the card's dialog with the channel
// page hidden.
#include <memory>
#include <string>

#include "app/DriverDiscovery.h"
#include "app/NoS7DriverError.h"
#include "app/UntrustedDriverError.h"
#include "support/Result.h"

class QWidget;
class TCard;
class TCardServices;

class THWConfigClass {
 public:
  // Searches driverFolder (<current folder>/drv unless the command line
  // names another) for the S7 driver and creates the card for it; the card
  // reads the driver's configuration file when asked (LoadConfig). Raises
  // EUntrustedDriverError, before anything is loaded, when the folder, a
  // folder or link on the way or a library in it is not trusted
  // (FindS7Driver), and ENoS7DriverError when there is no S7 driver.
  explicit THWConfigClass(QWidget* application = nullptr,
                          const std::string& driverFolder = CurrentDriverFolder());
  THWConfigClass(const THWConfigClass&) = delete;
  THWConfigClass& operator=(const THWConfigClass&) = delete;
  ~THWConfigClass();

  // Shows the dialog modally and returns when it is closed; on OK the card
  // has written the configuration file, and the result is the save's.
  TResult ShowConfig();

  // The card as the front ends use it.
  TCardServices& Card();

 private:
  QWidget* FApplication;
  std::unique_ptr<TCard> card;
};

// The control callback the card calls for every control of the dialog: a
// page control's pages whose displayed caption contains "Kanäle der SPS" lose
// their tab and are hidden; any control whose object name contains
// "TabSheet3" is hidden.
void HideChannelPage(QWidget* control);
