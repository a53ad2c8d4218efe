#include "app/UntrustedDriverError.h"

#include "support/Translation.h"

EUntrustedDriverError::EUntrustedDriverError(const TDistrustedPath& untrusted)
    : EDriverSearchError(UntrustedPathText(untrusted, Tr("No driver is loaded.")),
                         TFailure::UntrustedDriver) {}
