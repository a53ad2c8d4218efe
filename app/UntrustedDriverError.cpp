#include "UntrustedDriverError.h"

#include "Localization.h"

EUntrustedDriverError::EUntrustedDriverError(const TDistrustedPath& untrusted)
    : EDriverSearchError(UntrustedPathText(untrusted, Tr("No driver is loaded.")),
                         TFailure::UntrustedDriver) {}
