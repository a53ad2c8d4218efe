#include "plc/WireLimitCheck.h"

#include "config/ConnectionType.h"
#include "config/SettingsTable.h"
#include "plc/nodave/WireLimits.h"
#include "support/Translation.h"

namespace {

struct TWireField {
  TNumberField Member;
  int Max;
};

constexpr TWireField kRack{&TConfigInfo::Rack, nodave::kMaxRack};
constexpr TWireField kSlot{&TConfigInfo::Slot, nodave::kMaxSlot};

// The fields a connection type puts on the wire with a narrower range than
// the settings have. The access point does not exist here, so nothing of it
// is sent.
std::vector<TWireField> WireFieldsOf(TConnectionType type) {
  if (type == TConnectionType::IsoTcp) return {kRack, kSlot};
  if (type == TConnectionType::Ppi)
    return {{&TConfigInfo::LocalPPI, nodave::kMaxBusAddress},
            {&TConfigInfo::RemotePPI, nodave::kMaxBusAddress}};
  if (IsMpi(type))
    return {{&TConfigInfo::LocalMPI, nodave::kMaxBusAddress},
            {&TConfigInfo::RemoteMPI, nodave::kMaxBusAddress},
            kRack,
            kSlot};
  return {};
}

}  // namespace

std::vector<TWireLimitFinding> WireLimitFindings(const TConfigInfo& settings) {
  std::vector<TWireLimitFinding> findings;
  const auto type = ConnectionTypeOf(settings.Connectiontype);
  if (!type) return findings;
  for (const TWireField& field : WireFieldsOf(*type)) {
    const std::int32_t value = settings.*field.Member;
    if (value < 0 || value > field.Max)
      findings.push_back({SettingOf(field.Member).Key, value, field.Max});
  }
  return findings;
}

std::string WireLimitText(const TWireLimitFinding& finding) {
  return FillIn(Tr("%s is %s, but the connection can carry only 0 to %s"),
                {finding.Key, std::to_string(finding.Value), std::to_string(finding.Max)});
}
