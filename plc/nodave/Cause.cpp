// From a failure's detail to the one line that tells the user what failed
// and what to try. The texts are catalogue texts of the program (English
// here, translated by the caller); the detail's values are filled in as they
// are. Nothing here trusts the detail: its fields may hold anything.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "plc/nodave/ComposedText.h"
#include "plc/nodave/Failure.h"
#include "plc/nodave/nodave.h"

namespace {

struct StepName {
  int step;
  const char* name;
};

constexpr StepName kStepNames[] = {
#define DAVE_STEP(name, value, text) {name, text},
#include "plc/nodave/Steps.def"
};

// What to try when the PLC refuses access: the one place that says it, as
// the end of the cause lines of such a refusal.
constexpr const char* kAccessAdvice =
    " - on an S7-1200/1500 allow PUT/GET access and check the protection level";
constexpr const char* kPlcError = "Step \"%s\": the PLC answered with error %s (%s)";
constexpr const char* kItemRefused =
    "Step \"%s\": the PLC returned %s for the requested object (%s)";
constexpr nodave::TComposedText kPlcErrorWithAdvice =
    nodave::ComposeText({kPlcError, kAccessAdvice});
constexpr nodave::TComposedText kItemRefusedWithAdvice =
    nodave::ComposeText({kItemRefused, kAccessAdvice});

// PLC error codes for which the usual cause is the PLC's access settings.
constexpr int kAccessErrors[] = {0x8104, 0x8703, 0xD241, 0xD602, 0xD603, 0xD604, 0xD605};

template <std::size_t N>
std::string_view Field(const char (&field)[N]) {
  return {field, strnlen(field, N)};
}

class CauseBuilder {
 public:
  explicit CauseBuilder(daveCause& out) : out_(out) { out_ = daveCause{}; }

  CauseBuilder& pattern(const char* text) {
    out_.pattern = text;
    return *this;
  }
  CauseBuilder& value(std::string_view text) { return add(text, 0); }
  CauseBuilder& message(const char* text) { return add(text, 1); }
  CauseBuilder& number(int n) { return value(std::to_string(n)); }
  CauseBuilder& hex(int n, int digits) {
    char b[16];
    std::snprintf(b, sizeof b, "0x%0*X", digits, static_cast<unsigned>(n));
    return value(b);
  }

 private:
  CauseBuilder& add(std::string_view text, int translate) {
    if (out_.count >= daveCauseValueCount) return *this;
    nodave::SetField(out_.values[out_.count], text);
    out_.translate[out_.count] = translate;
    ++out_.count;
    return *this;
  }
  daveCause& out_;
};

bool IsAccessError(int code) {
  for (int c : kAccessErrors) {
    if (c == code) return true;
  }
  return false;
}

// Checked answers the library refused: each code's own text says why.
bool RefusedByCheck(int result) {
  return result == daveResWrongSzl || result == daveResBadOrderCode ||
         result == daveResBadPduSize || result == daveResAnswerOverPdu;
}

void DescribeSerialOpen(const daveFailure& f, CauseBuilder& c) {
  c.value(Field(f.device));
  switch (f.osError) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
      if (Field(f.adapters).empty()) {
        c.pattern("%s does not exist; no serial adapter is connected");
      } else {
        c.pattern("%s does not exist; serial adapters present: %s").value(Field(f.adapters));
      }
      return;
    case EACCES:
    case EPERM:
      if (Field(f.group).empty()) {
        c.pattern("%s: permission denied");
      } else {
        c.pattern(
             "%s: permission denied - the device belongs to the group \"%s\"; add the user to it "
             "and log in again")
            .value(Field(f.group));
      }
      return;
    case EBUSY:
      c.pattern("%s is in use by another program");
      return;
    case ENOTTY:
      c.pattern("%s is not a serial port");
      return;
    case EINVAL:
      c.pattern("%s cannot be used with the speed %s and this parity").value(Field(f.speed));
      return;
    default:
      c.pattern("%s cannot be opened (%s)").value(std::strerror(f.osError));
  }
}

void DescribeTcp(const daveFailure& f, CauseBuilder& c) {
  c.value(Field(f.address));
  if (f.step == daveStepNameLookup) {
    c.pattern(f.osError == ETIMEDOUT ? "%s: the host name could not be resolved in time"
                                     : "%s: the host name could not be resolved");
    return;
  }
  switch (f.osError) {
    case ECONNREFUSED:
      c.pattern("%s: connection refused - nothing listens there");
      return;
    case ETIMEDOUT:
      c.pattern(
          "%s: no answer within the connect time-out - check the address, the cable and the "
          "firewall");
      return;
    case ENETUNREACH:
    case EHOSTUNREACH:
      c.pattern("%s: network or host unreachable");
      return;
    case EINVAL:
      c.pattern("%s: invalid address or port");
      return;
    case 0:
      c.pattern("%s: no connection");
      return;
    default:
      c.pattern("%s: the connection failed (%s)").value(std::strerror(f.osError));
  }
}

bool DescribeIsoRefusal(const daveFailure& f, CauseBuilder& c) {
  if (f.step != daveStepIsoConnect) return false;
  if (f.cotpReason >= 0 && f.cotpReason <= 0xFF) {
    c.pattern(
         "The PLC refused the ISO connection to rack %s, slot %s: COTP reason %s (%s) - check "
         "rack and slot")
        .number(f.rack)
        .number(f.slot)
        .number(f.cotpReason)
        .message(daveStrerror(daveResCotpRefusedBase - f.cotpReason));
    return true;
  }
  const char* pattern = nullptr;
  switch (f.result) {
    case daveResConnectionRefused:
    case daveResConnectionClosed:
    case daveResConnectionReset:
      pattern =
          "The PLC refused the ISO connection to rack %s, slot %s - check rack and slot and the "
          "PLC's free connections";
      break;
    case daveResTimeout:
      pattern =
          "No answer to the ISO connection request for rack %s, slot %s - check rack and slot and "
          "the PLC's free connections";
      break;
    default:
      return false;
  }
  c.pattern(pattern).number(f.rack).number(f.slot);
  return true;
}

bool DescribePlcError(const daveFailure& f, CauseBuilder& c) {
  if (f.s7Error > 0xFF && f.s7Error <= 0xFFFF) {
    c.pattern(IsAccessError(f.s7Error) ? kPlcErrorWithAdvice.Chars : kPlcError)
        .message(daveStepName(f.step))
        .hex(f.s7Error, 4)
        .message(daveStrerror(f.s7Error));
    return true;
  }
  if (f.itemReturn >= 1 && f.itemReturn <= 0xFF) {
    c.pattern(f.itemReturn == daveResItemAccessDenied ? kItemRefusedWithAdvice.Chars : kItemRefused)
        .message(daveStepName(f.step))
        .hex(f.itemReturn, 2)
        .message(daveStrerror(f.itemReturn));
    return true;
  }
  return false;
}

bool OnSerialLine(const daveFailure& f) {
  return !Field(f.device).empty() && Field(f.address).empty();
}

// Failures that are about the service or the system rather than one step.
bool DescribeService(const daveFailure& f, CauseBuilder& c) {
  if (f.result == daveResS7onlineUnavailable) {
    c.pattern("S7ONLINE does not exist on Linux");
    return true;
  }
  if (f.result != daveResNotS7Service) return false;
  if (Field(f.address).empty())
    c.pattern("this service does not answer as an S7 PLC");
  else
    c.pattern("this service at %s does not answer as an S7 PLC").value(Field(f.address));
  return true;
}

std::string Seconds(int milliseconds) {
  char b[32];
  std::snprintf(b, sizeof b, "%.1f", milliseconds / 1000.0);
  return b;
}

void DescribeAnswer(const daveFailure& f, CauseBuilder& c) {
  c.message(daveStepName(f.step));
  const int kind = daveResultKind(f.result);
  if (OnSerialLine(f) && (f.result == daveResBadFrame || f.result == daveResBadChecksum)) {
    c.pattern("Step \"%s\": the adapter at %s answered something that is not a valid telegram")
        .value(Field(f.device));
  } else if (f.result == daveResAnswerIncomplete) {
    c.pattern("Step \"%s\": the PLC's answer was still incomplete after %s s")
        .value(Seconds(f.waitedMs));
  } else if (kind == daveKindWrongReference) {
    c.pattern("Step \"%s\": the answer belongs to another request (wrong PDU reference)");
  } else if (RefusedByCheck(f.result)) {
    c.pattern("Step \"%s\": %s").message(daveStrerror(f.result));
  } else if (kind == daveKindMalformed) {
    c.pattern("Step \"%s\": the answer cannot be evaluated");
  } else if (f.result == daveResTimeout && OnSerialLine(f)) {
    c.pattern("Step \"%s\": no answer from the adapter on %s at %s bit/s")
        .value(Field(f.device))
        .value(Field(f.speed));
  } else if (f.result == daveResTimeout) {
    c.pattern("Step \"%s\": no answer in time");
  } else if (f.result == daveResConnectionClosed) {
    c.pattern("Step \"%s\": the other side closed the connection");
  } else if (f.result == daveResConnectionReset) {
    c.pattern("Step \"%s\": the connection broke");
  } else {
    c.pattern("Step \"%s\": %s").message(daveStrerror(f.result));
  }
}

}  // namespace

extern "C" const char* daveStepName(int step) {
  for (const StepName& s : kStepNames) {
    if (s.step == step) return s.name;
  }
  return "";
}

extern "C" int daveResultKind(int result) {
  switch (result) {
    case daveResTimeout:
    case daveResAnswerIncomplete:
      return daveKindNoAnswer;
    case daveResWrongReference:
      return daveKindWrongReference;
    case daveResCannotEvaluatePDU:
    case daveResUnexpectedFunc:
    case daveResShortPacket:
    case daveResBadFrame:
    case daveResBadChecksum:
    case daveResAnswerTooLong:
    case daveResNotS7Service:
    case daveResWrongSzl:
    case daveResBadOrderCode:
    case daveResBadPduSize:
    case daveResAnswerOverPdu:
    case daveResMissingItems:
      return daveKindMalformed;
    default:
      return result >= 1 && result <= 0xFFFF ? daveKindPlcRefused : daveKindOther;
  }
}

extern "C" int daveDescribeFailure(const daveFailure* failure, daveCause* cause) {
  if (!failure || !cause) return daveResInvalidParam;
  const daveFailure& f = *failure;
  CauseBuilder c(*cause);
  switch (f.step) {
    case daveStepNone:
      return 0;
    case daveStepSerialOpen:
      DescribeSerialOpen(f, c);
      return 0;
    case daveStepNameLookup:
      DescribeTcp(f, c);
      return 0;
    case daveStepTcpConnect:
      // A socket that never opened; a failure on an open one is an answer.
      if (f.result == -1) {
        DescribeTcp(f, c);
        return 0;
      }
      break;
    default:
      break;
  }
  if (!DescribeService(f, c) && !DescribeIsoRefusal(f, c) && !DescribePlcError(f, c))
    DescribeAnswer(f, c);
  return 0;
}
