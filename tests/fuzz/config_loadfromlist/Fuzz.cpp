// Settings lines of any shape: LoadFromList never fails loudly, and whatever
// it read is saved and read back unchanged.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "config/ConfigFile.h"
#include "config/HW_ConfigInfo.h"

// Undefined behaviour is a finding, not a warning to scroll past.
extern "C" const char* __ubsan_default_options() {
  return "halt_on_error=1:print_stacktrace=1";
}

namespace {

bool SameSettings(const TConfigInfo& a, const TConfigInfo& b) {
  return a.Connectiontype == b.Connectiontype && a.Comport == b.Comport &&
         a.Baudrate == b.Baudrate && a.LocalMPI == b.LocalMPI && a.LocalPPI == b.LocalPPI &&
         a.RemoteMPI == b.RemoteMPI && a.RemotePPI == b.RemotePPI &&
         a.ProfibusSpeedIndex == b.ProfibusSpeedIndex && a.IPAddress == b.IPAddress &&
         a.IPPort == b.IPPort && a.Rack == b.Rack && a.Slot == b.Slot &&
         a.ProtokollFileName == b.ProtokollFileName && a.WriteProtocol == b.WriteProtocol;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const TStrings lines =
      SplitTextLines(std::string_view(reinterpret_cast<const char*>(data), size));
  TConfigInfo config("/drv/S7DRV.CFG");
  config.LoadFromList(lines);

  TStrings saved;
  config.SaveToList(saved);
  TConfigInfo reloaded("/other/X.CFG");
  reloaded.LoadFromList(saved);
  if (!SameSettings(config, reloaded)) std::abort();
  return 0;
}
