// Finding PLCs: the range texts, and the probe with the PLC reads after it
// over loopback, where ports nothing listens on refuse at once.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "plc/scan/PlcScan.h"
#include "plc/scan/ScanRange.h"

namespace {

constexpr std::uint32_t Ip(unsigned a, unsigned b, unsigned c, unsigned d) {
  return a << 24 | b << 16 | c << 8 | d;
}

TEST(ScanRangeTest, TextsAndTheirRanges) {
  using R = TRangeRefusal;
  const struct {
    const char* text;
    std::variant<TScanRange, TRangeRefusal> expected;
  } rows[] = {
      {"192.168.0.10", TScanRange{Ip(192, 168, 0, 10), Ip(192, 168, 0, 10)}},
      {"192.168.0.77/24", TScanRange{Ip(192, 168, 0, 0), Ip(192, 168, 0, 255)}},
      {"10.1.2.3/16", TScanRange{Ip(10, 1, 0, 0), Ip(10, 1, 255, 255)}},
      {"10.0.0.5/31", TScanRange{Ip(10, 0, 0, 4), Ip(10, 0, 0, 5)}},
      {"10.0.0.5/32", TScanRange{Ip(10, 0, 0, 5), Ip(10, 0, 0, 5)}},
      {"255.255.255.254/30", TScanRange{Ip(255, 255, 255, 252), Ip(255, 255, 255, 255)}},
      {"192.168.0.10-20", TScanRange{Ip(192, 168, 0, 10), Ip(192, 168, 0, 20)}},
      {"0.0.0.7-7", TScanRange{Ip(0, 0, 0, 7), Ip(0, 0, 0, 7)}},
      {"10.0.0.0/15", R::TooLarge},
      {"10.0.0.0/0", R::TooLarge},
      {"10.0.0.20-19", R::Reversed},
      {"", R::NotARange},
      {"plc.local", R::NotARange},
      {"192.168.0", R::NotARange},
      {"1.2.3.4.5", R::NotARange},
      {"192.168.0.256", R::NotARange},
      {"192.168.0.010", R::NotARange},
      {" 10.0.0.1", R::NotARange},
      {"10.0.0.1 ", R::NotARange},
      {"10.0.0.0/33", R::NotARange},
      {"10.0.0.0/", R::NotARange},
      {"10.0.0.0/24x", R::NotARange},
      {"10.0.0.0/024", R::NotARange},
      {"10.0.0.1-", R::NotARange},
      {"10.0.0.1-256", R::NotARange},
      {"10.0.0.1-10.0.0.9", R::NotARange},
      {"10.0.0.1:102", R::NotARange},
  };
  for (const auto& row : rows) {
    const auto parsed = ParseScanRange(row.text);
    if (const auto* why = std::get_if<TRangeRefusal>(&row.expected)) {
      EXPECT_EQ(parsed.Result.Message, RangeRefusalText(row.text, *why)) << row.text;
    } else {
      EXPECT_TRUE(parsed.Result) << row.text;
      EXPECT_EQ(parsed.Value, std::get<TScanRange>(row.expected)) << row.text;
    }
  }
}

std::size_t OpenDescriptors() {
  return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                       std::filesystem::directory_iterator());
}

// A port listening on one loopback address; every other 127.x address
// refuses connections to the same port number.
class TListener {
 public:
  TListener(std::uint32_t address, int port = 0)
      : FSocket(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0)) {
    const int one = 1;
    ::setsockopt(FSocket.Fd(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(static_cast<std::uint16_t>(port));
    where.sin_addr.s_addr = htonl(address);
    socklen_t length = sizeof where;
    EXPECT_EQ(::bind(FSocket.Fd(), reinterpret_cast<sockaddr*>(&where), length), 0);
    EXPECT_EQ(::listen(FSocket.Fd(), 16), 0);
    ::getsockname(FSocket.Fd(), reinterpret_cast<sockaddr*>(&where), &length);
    FPort = ntohs(where.sin_port);
  }
  int Port() const { return FPort; }
  // Connections waiting to be accepted, taken and closed.
  int Accepted() {
    int count = 0;
    while (TSocket(::accept(FSocket.Fd(), nullptr, nullptr))) ++count;
    return count;
  }

 private:
  TSocket FSocket;
  int FPort = 0;
};

std::vector<std::uint32_t> AddressesOf(const auto& found) {
  std::vector<std::uint32_t> addresses;
  for (const auto& item : found) addresses.push_back(item.Address);
  return addresses;
}

// Two ports open among refusing ones; the reader takes one of them for a
// PLC. Each costs exactly the connection the probe kept for it.
TEST(PlcScanTest, ReadsThePlcsBehindTheOpenPortsOnly) {
  const std::size_t descriptors = OpenDescriptors();
  TListener other(Ip(127, 0, 0, 5));
  TListener plc(Ip(127, 0, 0, 9), other.Port());
  const TScanRange range{Ip(127, 0, 0, 1), Ip(127, 0, 0, 40)};
  std::size_t lastProbed = 0;
  auto open = ProbePorts(range, {.Port = plc.Port(), .KeepOpen = true},
                         [&](std::size_t probed, std::size_t total, std::size_t) {
                           EXPECT_EQ(total, range.Count());
                           lastProbed = probed;
                         })
                  .Value;
  EXPECT_EQ(lastProbed, range.Count());
  EXPECT_EQ(AddressesOf(open), (std::vector{Ip(127, 0, 0, 5), Ip(127, 0, 0, 9)}));

  std::mutex seen;
  std::vector<int> handedSockets;
  std::size_t lastFound = 0;
  const auto records = ReadPlcs(
      std::move(open),
      [&](TOpenPort& port) -> std::optional<TScanRecord> {
        std::lock_guard lock(seen);
        handedSockets.push_back(port.Socket ? 1 : 0);
        if (port.Address != Ip(127, 0, 0, 9)) return std::nullopt;
        return TScanRecord{.Rack = 0, .Slot = 2, .OrderCode = "6ES7 315-2EH14-0AB0"};
      },
      2, [&](std::size_t, std::size_t, std::size_t found) { lastFound = found; });
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(lastFound, 1u);  // the progress counts the PLCs, not the replies
  EXPECT_EQ(records[0].Address, Ip(127, 0, 0, 9));
  EXPECT_EQ(records[0].Port, plc.Port());
  EXPECT_EQ(records[0].Slot, 2);
  EXPECT_EQ(handedSockets, (std::vector{1, 1}));
  EXPECT_EQ(plc.Accepted(), 1);
  EXPECT_EQ(other.Accepted(), 1);
  EXPECT_EQ(OpenDescriptors(), descriptors + 2);  // the listeners'
}

// A stop ends the read under way at once, whatever it waits for on the
// connection the probe kept, and lets no further read start.
TEST(PlcScanTest, AStopEndsTheReadUnderWayAndStartsNoOther) {
  TListener silent(Ip(127, 0, 0, 5));  // takes the connections, never answers
  TListener other(Ip(127, 0, 0, 9), silent.Port());
  auto open =
      ProbePorts({Ip(127, 0, 0, 5), Ip(127, 0, 0, 9)}, {.Port = silent.Port(), .KeepOpen = true})
          .Value;
  ASSERT_EQ(open.size(), 2u);
  std::atomic<bool> stop{false};
  int reads = 0;
  const auto records = ReadPlcs(
      std::move(open),
      [&](TOpenPort& port) -> std::optional<TScanRecord> {
        ++reads;
        stop = true;
        pollfd answer{port.Socket.Fd(), POLLIN, 0};
        ::poll(&answer, 1, -1);  // without the stop, for ever
        return TScanRecord{};
      },
      1, {}, &stop);
  EXPECT_EQ(reads, 1);
  EXPECT_EQ(records.size(), 1u);
}

// With almost every descriptor taken, the probe slows down instead of
// failing, and still finds the open port. In a child, as the limit stays.
void ProbeWithFewDescriptors(int port, std::uint32_t listening) {
  const rlimit limit{128, 128};
  ::setrlimit(RLIMIT_NOFILE, &limit);
  const int any = ::open("/dev/null", O_RDONLY);
  while (OpenDescriptors() < 120 && ::dup(any) >= 0) {
  }
  const auto open = ProbePorts({Ip(127, 0, 1, 0), Ip(127, 0, 1, 255)}, {.Port = port}).Value;
  std::_Exit(AddressesOf(open) == std::vector{listening} ? 0 : 1);
}

TEST(PlcScanTest, ProbesWithFewDescriptorsLeft) {
  TListener plc(Ip(127, 0, 1, 200));
  EXPECT_EXIT(ProbeWithFewDescriptors(plc.Port(), Ip(127, 0, 1, 200)), testing::ExitedWithCode(0),
              "");
}

// With no descriptor left at all, the probe ends with the system's words
// and its code instead of raising.
void ProbeWithoutDescriptors(int port) {
  const rlimit limit{64, 64};
  ::setrlimit(RLIMIT_NOFILE, &limit);
  const int any = ::open("/dev/null", O_RDONLY);
  while (::dup(any) >= 0) {
  }
  const TResult failed = ProbePorts({Ip(127, 0, 1, 0), Ip(127, 0, 1, 9)}, {.Port = port}).Result;
  std::_Exit(failed.Kind == TFailure::System && failed.LibraryCode == EMFILE &&
                     failed.Message == "socket: " + std::generic_category().message(EMFILE)
                 ? 0
                 : 1);
}

TEST(PlcScanTest, ProbeWithoutDescriptorsFailsWithTheSystemsWords) {
  TListener plc(Ip(127, 0, 1, 5));
  EXPECT_EXIT(ProbeWithoutDescriptors(plc.Port()), testing::ExitedWithCode(0), "");
}

}  // namespace
