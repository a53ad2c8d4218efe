#include "app/NoS7DriverError.h"

#include "support/Translation.h"

ENoS7DriverError::ENoS7DriverError(const std::string& driverFolder)
    : EDriverSearchError(FillIn(Tr("No S7 driver was found in the folder \"%s\"."), {driverFolder}),
                         TFailure::NoS7Driver),
      FDriverFolder(driverFolder) {}
