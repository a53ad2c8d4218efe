// What the path trust tells the user: the path and what is wrong with it,
// what the program leaves undone, and the command that puts it right.
#include "support/TrustedPath.h"

#include <cstring>

#include "support/Translation.h"

std::string TTrustedPlace::Join(const std::string& folder, std::string_view name) {
  return (folder == "/" ? folder : folder + "/") + std::string(name);
}

namespace {

// The sentence that says what is wrong with path.
std::string ReasonText(const TDistrustedPath& distrust) {
  const bool folder = distrust.Kind == TPathKind::Folder;
  const std::string_view path = distrust.Path;
  switch (distrust.Reason) {
    case TPathDistrust::WritableByOthers:
      if (distrust.ByAcl) {
        return FillIn(folder ? Tr("The access control list of the folder \"%s\" lets other users "
                                  "change it.")
                             : Tr("The access control list of the file \"%s\" lets other users "
                                  "change it."),
                      {path});
      }
      return FillIn(folder ? Tr("Every user of this computer can change the folder \"%s\".")
                           : Tr("Every user of this computer can change the file \"%s\"."),
                    {path});
    case TPathDistrust::ForeignOwner:
      return FillIn(distrust.Kind == TPathKind::Link
                        ? Tr("The link \"%s\" belongs to the user %s, who is neither root nor the "
                             "user running this program.")
                    : folder ? Tr("The folder \"%s\" belongs to the user %s, who is neither root "
                                  "nor the user running this program.")
                             : Tr("The file \"%s\" belongs to the user %s, who is neither root nor "
                                  "the user running this program."),
                    {path, distrust.Owner});
    case TPathDistrust::Unusable:
      break;
  }
  return FillIn(Tr("\"%s\" cannot be checked: %s."), {path, std::strerror(distrust.Error)});
}

// The command that makes path trusted, as a sentence; none when the system's
// own error says what to do.
std::string FixText(const TDistrustedPath& distrust) {
  const std::string_view path = distrust.Path;
  switch (distrust.Reason) {
    case TPathDistrust::WritableByOthers:
      if (distrust.ByAcl) {
        return FillIn(Tr("Remove the entries that let others write (getfacl lists them): "
                         "setfacl -b \"%s\""),
                      {path});
      }
      return FillIn(Tr("Take the others' write permission away: chmod o-w \"%s\""), {path});
    case TPathDistrust::ForeignOwner:
      return FillIn(distrust.Kind == TPathKind::Link ? Tr("Give it to root: chown -h root \"%s\"")
                                                     : Tr("Give it to root: chown root \"%s\""),
                    {path});
    case TPathDistrust::Unusable:
      break;
  }
  return {};
}

}  // namespace

std::string UntrustedPathText(const TDistrustedPath& distrust, std::string_view consequence) {
  std::string text = ReasonText(distrust) + " " + std::string(consequence);
  const std::string fix = FixText(distrust);
  return fix.empty() ? text : text + " " + fix;
}
