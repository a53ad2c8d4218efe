// The steps of a diagnosis. Each says what it found; a failure carries the
// message and cause line the card gives everywhere else.
#include "plc/CardDiagnosisSteps.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include "config/ConnectionType.h"
#include "config/HW_ConfigInfo.h"
#include "plc/FailureCause.h"
#include "plc/NoDaveApi.h"
#include "plc/PlcConnection.h"
#include "plc/PlcIdentity.h"
#include "plc/PlcReads.h"
#include "plc/ResultTexts.h"
#include "plc/nodave/ComposedText.h"
#include "plc/nodave/IsoTcp.h"
#include "plc/nodave/WireLimits.h"
#include "support/Translation.h"

namespace {

constexpr std::size_t kAddressSize = 64;
constexpr std::size_t kSzlBufferSize = 1024;

std::string Number(int value) {
  return std::to_string(value);
}

// The calling and called TSAP as the library's connection request carries
// them.
std::string Tsaps(int rack, int slot) {
  char text[32];
  std::snprintf(text, sizeof text, "%04X -> %04X", unsigned{nodave::iso::kLocalTsap},
                unsigned{nodave::iso::RemoteTsap(rack, slot)});
  return text;
}

constexpr nodave::TComposedText kNotS7Advice =
    nodave::ComposeText({"Check that the address and port are the PLC's: S7 PLCs answer on port ",
                         nodave::kIsoTcpPort, "."});

// What to try after a failed read: what the answer, or its lack, says. A
// refusal's cause line names the PLC's error and, for a refused access,
// already says what to try.
const char* ReadAdvice(int code) {
  switch (daveResultKind(code)) {
    case daveKindPlcRefused:
      return "";
    case daveKindNoAnswer:
      return "The PLC did not answer the read completely in time: check the network and the "
             "PLC's load, then try again.";
    case daveKindWrongReference:
      return "The answer belonged to another request: make sure that no other program or gateway "
             "shares this connection, then try again.";
    case daveKindMalformed:
      return "The PLC's answer is malformed: check that the device at this address is an S7 PLC.";
    default:
      return "The connection ended during the read: check the network and the PLC's load, then "
             "try again.";
  }
}

TStepOutcome ReadFailed(const TPlcConnection& connection, int code) {
  return {connection.ConnectionFailed(code), {}, ReadAdvice(code)};
}

TStepOutcome Done(std::string detail) {
  return {{}, std::move(detail)};
}

// The usual rack/slot pairs, within the time left; a pair that answers
// becomes the command to use.
void SearchRackSlot(TDiagnosisRun& run, const TConfigInfo& settings, const std::string& address) {
  struct TTried {
    int Count = 0;
  } tried;
  int rack = -1;
  int slot = -1;
  run.Step(
      daveStepRackSlotSearch,
      [&] {
        // The last attempt may overrun the search's time by its connect
        // time-out and daveCallTimeoutFactor answer time-outs of that size.
        const int totalMs = std::max(1, run.LeftMs() / (daveCallTimeoutFactor + 1));
        const int code = NoDave().daveFindRackSlot(
            settings.IPPort, address.c_str(), settings.Rack, totalMs, &rack, &slot,
            [](void* context, int, int, int) { ++static_cast<TTried*>(context)->Count; }, &tried);
        if (code != 0) {
          return TStepOutcome{TResult::Failure(TFailure::Refused,
                                               FillIn(Tr("No rack/slot pair answered (%d tried)."),
                                                      {Number(tried.Count)})),
                              {}};
        }
        return Done(FillIn(Tr("rack %d, slot %d answers"), {Number(rack), Number(slot)}));
      },
      "Check rack and slot in the PLC's hardware configuration and that the PLC has a free "
      "connection.");
  if (rack < 0) return;
  run.Suggest(
      rack, slot, "--set Rack=" + Number(rack) + " --set Slot=" + Number(slot),
      FillIn(Tr("The PLC accepts rack %d, slot %d. Set them with:"), {Number(rack), Number(slot)}));
}

// One system status list into identity; the code of the read.
int ReadList(TPlcConnection& connection, int id,
             void (*take)(std::span<const std::uint8_t>, TPlcIdentity&), TPlcIdentity& identity) {
  std::array<std::uint8_t, kSzlBufferSize> buffer{};
  const int code = NoDave().daveReadSZL(connection.Connection(), id, 0, buffer.data(),
                                        static_cast<int>(buffer.size()));
  if (code == 0) take(buffer, identity);
  return code;
}

// The identity step's finding: the PLC's own name first, as it tells the
// PLCs of a plant apart, then what names the module.
std::string IdentityDetail(const TPlcIdentity& identity) {
  std::string detail;
  for (const auto* field : {&identity.SystemName, &identity.ModuleTypeName})
    if (*field && !(*field)->empty()) detail += (detail.empty() ? "" : ", ") + **field;
  if (detail.empty()) detail = identity.ModuleName.value_or(identity.FirmwareVersion.value_or(""));
  return detail;
}

}  // namespace

namespace {

// The S7 set-up on the open link, the same over every connection type.
bool SetUpStep(TDiagnosisRun& run, TPlcConnection& connection) {
  return run.Step(
      daveStepS7Setup,
      [&] {
        int pduLength = 0;
        TResult setUp = connection.SetUp(pduLength);
        return TStepOutcome{std::move(setUp), FillIn(Tr("PDU size %d"), {Number(pduLength)})};
      },
      "Check that the device at this address is an S7 PLC.");
}

}  // namespace

bool DiagnoseIsoTcp(TDiagnosisRun& run, TPlcConnection& connection, TConfigInfo settings) {
  std::array<char, kAddressSize> address{};
  const bool found = run.Step(
      daveStepNameLookup,
      [&] {
        if (NoDave().daveLookUpPeer(settings.IPPort, settings.IPAddress.c_str(), address.data(),
                                    static_cast<int>(address.size())) != 0) {
          daveFailure failure{};
          NoDave().daveGetOpenFailure(&failure);
          return TStepOutcome{
              WithCause(TResult::Failure(TFailure::Refused,
                                         FillIn(Tr("Could not resolve the host name \"%s\""),
                                                {settings.IPAddress})),
                        failure),
              {}};
        }
        return Done(address.data());
      },
      "Check the host name, or give the PLC's IP address with --set IPAddress=ADDRESS.");
  if (!found) return false;
  // The steps after the look-up go to the address it found.
  settings.IPAddress = address.data();
  const std::string endpoint = settings.IPAddress + ":" + Number(settings.IPPort);
  if (!run.Step(
          daveStepTcpConnect,
          [&] {
            TResult opened = connection.OpenDevice(settings);
            if (opened) opened = connection.StartAdapter(settings);
            return TStepOutcome{std::move(opened), endpoint};
          },
          "Check that the PLC is switched on and reachable (ping), its address and port, the "
          "cable and the firewall.")) {
    return false;
  }
  // A service that is no S7 PLC gets no rack/slot advice and no search.
  bool notS7 = false;
  if (!run.Step(
          daveStepIsoConnect,
          [&] {
            TResult linked = connection.OpenLink(settings);
            notS7 = linked.LibraryCode == daveResNotS7Service;
            return TStepOutcome{std::move(linked),
                                FillIn(Tr("rack %d, slot %d, TSAP %s"),
                                       {Number(settings.Rack), Number(settings.Slot),
                                        Tsaps(settings.Rack, settings.Slot)}),
                                notS7 ? kNotS7Advice.Chars : nullptr};
          },
          "Check rack and slot in the PLC's hardware configuration and that the PLC has a free "
          "connection.")) {
    if (!notS7) SearchRackSlot(run, settings, settings.IPAddress);
    return false;
  }
  return SetUpStep(run, connection);
}

bool DiagnoseBus(TDiagnosisRun& run, TPlcConnection& connection, const TConfigInfo& settings) {
  const std::optional<TConnectionType> type = ConnectionTypeOf(settings.Connectiontype);
  const bool mpi = type && IsMpi(*type);
  const bool serial = type && IsSerial(*type);
  const bool opened = run.Step(
      serial ? int{daveStepSerialOpen} : int{daveStepAccessPoint},
      [&] {
        TResult result = connection.OpenDevice(settings, true);
        // PPI and the access point have no adapter that could answer.
        if (result && !mpi) result = connection.StartAdapter(settings);
        if (!serial) return TStepOutcome{std::move(result), "S7ONLINE"};
        const char* baud = SerialBaudRates[static_cast<std::size_t>(settings.Baudrate)];
        return TStepOutcome{std::move(result),
                            FillIn(Tr("COM%d at %s bit/s"), {Number(settings.Comport), baud})};
      },
      serial ? "Check the device the port stands for (VN_S7_COMn), that the adapter is plugged in "
               "and that the user may open it."
             : "Choose another connection type, for example ISO over TCP.");
  if (!opened) return false;
  if (mpi) {
    if (!run.Step(
            daveStepAdapter,
            [&] {
              return TStepOutcome{connection.StartAdapter(settings), Tr("answered")};
            },
            "Check the adapter's cable and power and the speed set for the port.")) {
      return false;
    }
    if (!run.Step(
            daveStepBusPartners,
            [&] {
              TIntegerList partners;
              if (TResult listed = ListPartnersOn(connection, partners); !listed)
                return TStepOutcome{std::move(listed), {}};
              std::string answering;
              for (int i = 0; i < partners.Count(); ++i)
                answering += (answering.empty() ? "" : ", ") + Number(partners.Values(i));
              return Done(answering.empty() ? Tr("no address answers")
                                            : FillIn(Tr("addresses %s"), {answering}));
            },
            "Check the bus cable, the bus speed and the own MPI address.")) {
      return false;
    }
  }
  // The link to the station and the set-up apart, as over ISO on TCP, so
  // that a failure names the same step here as in its cause line.
  if (!run.Step(
          daveStepPlcConnect,
          [&] {
            const int address =
                type == TConnectionType::Ppi ? settings.RemotePPI : settings.RemoteMPI;
            return TStepOutcome{connection.OpenLink(settings),
                                FillIn(Tr("address %d"), {Number(address)})};
          },
          "Check the PLC's bus address and that the PLC has a free connection.")) {
    return false;
  }
  return SetUpStep(run, connection);
}

void DiagnoseReads(TDiagnosisRun& run, TPlcConnection& connection) {
  const bool orderCode = run.Step(
      daveStepOrderCode,
      [&] {
        const TResultOr<std::string> read = ReadOrderCodeOn(connection);
        if (!read.Result) return ReadFailed(connection, read.Result.LibraryCode);
        return Done(BareOrderCode(read.Value));
      },
      nullptr);
  if (!orderCode) return;
  const bool identified = run.Step(
      daveStepIdentity,
      [&] {
        TPlcIdentity identity;
        // An S7-1200 refuses the component list; the module list then names
        // the firmware.
        int code = ReadList(connection, kSzlComponentIdentification, TakeComponentIdentification,
                            identity);
        if (code > 0) {
          code = ReadList(connection, kSzlModuleIdentification, TakeModuleIdentification, identity);
        }
        if (code != 0) return ReadFailed(connection, code);
        return Done(IdentityDetail(identity));
      },
      nullptr);
  if (!identified) return;
  run.Step(
      daveStepOperatingState,
      [&] {
        TPlcIdentity identity;
        const int code =
            ReadList(connection, kSzlCurrentModeTransition, TakeModeTransition, identity);
        if (code != 0) return ReadFailed(connection, code);
        return Done(StateText(identity.OperatingState.value_or(TOperatingState::Unknown)));
      },
      nullptr);
}
