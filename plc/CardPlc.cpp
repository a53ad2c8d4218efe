// The card's operations toward the PLC: the reference-counted connection,
// the reachable bus partners, the order code and the identity, and the
// reads over an open connection the scan shares. The library
// is reached only through NoDave().
#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "plc/Card.h"
#include "plc/CardDiagnosis.h"
#include "plc/NoDaveApi.h"
#include "plc/PlcReads.h"
#include "plc/ScanRead.h"

namespace {

constexpr int kPauseAfterDisconnectMs = 100;
constexpr std::size_t kPartnerBufferSize = 126;
constexpr std::size_t kOrderCodeBufferSize = 22;
constexpr char kPartnerAnswers = 0x30;
// Room for the largest list read for the identity: ten component records of
// 34 bytes behind the 8-byte header, with space to spare.
constexpr std::size_t kSzlBufferSize = 1024;

}  // namespace

TResult TCard::Connect(const TConfigInfo& settings) {
  if (FConnectCount == 0) {
    auto connection = std::make_unique<TPlcConnection>(FWindowHandle);
    if (TResult opened = connection->OpenInterface(settings); !opened) return opened;
    if (TResult connected = connection->ConnectPlc(settings); !connected) return connected;
    FConnection = std::move(connection);
    Channels().BuildGroups();
  }
  ++FConnectCount;
  return {};
}

void TCard::ReleaseConnection() {
  FConnection.reset();
  if (FChannels) FChannels->ReleaseGroups();
}

void TCard::Disconnect() {
  if (FConnectCount == 1) {
    ReleaseConnection();
    NoDave().sleepMs(kPauseAfterDisconnectMs);
  }
  if (FConnectCount > 0) --FConnectCount;
}

TResult TCard::ListPartners(const TConfigInfo& settings, TIntegerList& list) {
  // The listing has a way of its own: a connection held meanwhile keeps its
  // port and closes it later the way it opened.
  TPlcConnection listing(FWindowHandle);
  if (TResult opened = listing.OpenInterface(settings); !opened) return opened;
  return ListPartnersOn(listing, list);
}

TResultOr<std::string> TCard::ReadOrderCode(const TConfigInfo& settings) {
  if (TResult connected = Connect(settings); !connected) return {std::move(connected), {}};
  // A refused read is a failure like a broken link; the memo keeps its
  // label, and the library leaves the buffer empty then.
  TResultOr<std::string> read = ReadOrderCodeOn(*FConnection);
  std::string text = std::string(kOrderCodeLabel) + read.Value;
  Disconnect();
  return {std::move(read.Result), std::move(text)};
}

TResult TCard::ReadIdentity(TPlcIdentity& identity) {
  return ReadIdentityOn(FConnection.get(), identity);
}

TDiagnosis TCard::Diagnose(const TConfigInfo& settings, const TDiagnosisObserver& observer,
                           const std::atomic<bool>* stop) const {
  return DiagnoseConnection(settings, FWindowHandle, observer, stop);
}

std::optional<TScanRecord> TCard::ReadFoundPlc(TOpenPort& port, const TConfigInfo& settings,
                                               const std::atomic<bool>* stop) const {
  return ::ReadFoundPlc(port, settings, stop);
}

TResultOr<std::string> ReadOrderCodeOn(const TPlcConnection& connection) {
  std::array<char, kOrderCodeBufferSize> buffer{};
  const int code = NoDave().daveGetOrderCode(connection.Connection(), buffer.data());
  TResult result = code != 0 ? connection.ConnectionFailed(code) : TResult{};
  return {std::move(result), std::string(buffer.data(), strnlen(buffer.data(), buffer.size()))};
}

std::string BareOrderCode(std::string_view code) {
  const std::size_t end = code.find_last_not_of(' ');
  return std::string(code.substr(0, end == std::string_view::npos ? 0 : end + 1));
}

TResult ListPartnersOn(const TPlcConnection& connection, TIntegerList& list) {
  std::array<char, kPartnerBufferSize> buffer{};
  const int filled = NoDave().daveListReachablePartners(connection.Interface(), buffer.data());
  if (filled < 0) return connection.InterfaceFailed(filled);
  list.FreeAll();
  const int entries = std::min(filled, static_cast<int>(buffer.size()));
  for (int address = 0; address < entries; ++address)
    if (buffer[static_cast<std::size_t>(address)] == kPartnerAnswers) list.Add(address);
  return {};
}

TResult ReadIdentityOn(const TPlcConnection* link, TPlcIdentity& identity) {
  struct TIdentityList {
    int Id;
    void (*Take)(std::span<const std::uint8_t> list, TPlcIdentity& identity);
  };
  constexpr std::array<TIdentityList, 3> lists{{
      {kSzlComponentIdentification, TakeComponentIdentification},
      {kSzlModuleIdentification, TakeModuleIdentification},
      {kSzlCurrentModeTransition, TakeModeTransition},
  }};
  std::array<std::uint8_t, kSzlBufferSize> buffer{};
  daveConnection* connection = link ? link->Connection() : nullptr;
  for (const TIdentityList& list : lists) {
    const int code = NoDave().daveReadSZL(connection, list.Id, 0, buffer.data(),
                                          static_cast<int>(buffer.size()));
    // A positive code is the PLC's refusal of this list (an S7-1200 refuses
    // the component identification): the others may still answer.
    if (code > 0) continue;
    if (code < 0) return link ? link->ConnectionFailed(code) : LibraryFailure(code);
    list.Take(buffer, identity);
  }
  return {};
}
