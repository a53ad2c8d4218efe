#include "UntrustedDriverError.h"

#include "Localization.h"

namespace {

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
