#pragma once
// A scripted S7 library behind the card's function table: records every call
// with its arguments, hands out port handles and library objects, injects
// failures, and keeps count of what was opened, closed and freed.
#include <cerrno>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "config/HW_ConfigInfo.h"
#include "plc/NoDaveApi.h"
#include "support/MessageBox.h"

class FakeNoDave {
 public:
  FakeNoDave();
  ~FakeNoDave();
  FakeNoDave(const FakeNoDave&) = delete;
  FakeNoDave& operator=(const FakeNoDave&) = delete;

  // Script. A failing open returns -1; the results are the library's codes.
  bool failSetPort = false;
  bool failOpenSocket = false;
  int openSocketErrno = ECONNREFUSED;  // why a failing openSocket failed
  bool failOpenS7online = false;
  int initAdapterResult = 0;
  int connectPlcResult = 0;
  int partnersFilled = 126;
  std::vector<int> answeringAddresses;
  std::string orderCode = "6ES7 315-2EH14-0AB0";
  int orderCodeResult = 0;  // not 0: the read fails and writes nothing
  // What daveGet*Failure report (default: nothing recorded).
  daveFailure openFailure{};
  daveFailure interfaceFailure{};
  daveFailure connectionFailure{};
  // daveReadSZL per SZL-ID: the result code and, for 0, the bytes copied
  // into the caller's buffer (cut to its length). An ID without an entry is
  // refused with 0xD402 as a PLC refuses an unknown list.
  struct SzlAnswer {
    int result;
    std::vector<std::uint8_t> bytes;
  };
  std::map<int, SzlAnswer> szlAnswers;
  // Texts daveStrerror gives; other codes give the library's placeholder.
  std::map<int, std::string> errorTexts;

  // Every call as "name(arg,arg,...)"; interfaces print as din, connections
  // as dcn, numbered in the order they were made.
  std::vector<std::string> calls;
  std::set<int> openHandles;       // ports opened and not yet closed
  std::vector<int> closedHandles;  // in the order they were closed
  int liveObjects() const { return static_cast<int>(FLive.size()); }
  int doubleFrees = 0;
  int badCloses = 0;  // closes of a handle that is not open (-1 included)

 private:
  std::string Name(const void* object) const;
  void* Make(char prefix);
  int OpenHandle();
  void Close(int handle);

  TNoDaveApi FApi;
  const TNoDaveApi* FPrevious = nullptr;
  std::vector<std::unique_ptr<char>> FObjects;  // storage behind the handles
  std::map<const void*, std::string> FNames;
  std::set<const void*> FLive;
  int FNextHandle = 7;
  int FInterfaces = 0;
  int FConnections = 0;
  std::string FErrorText;  // keeps the last daveStrerror answer alive
};

// Records every message box instead of showing it; answers OK.
class BoxRecorder {
 public:
  struct Box {
    std::string text;
    std::string caption;
    unsigned flags;
  };
  BoxRecorder();
  ~BoxRecorder();
  std::vector<Box> boxes;
  int answer = IDOK;  // the button every box is answered with

 private:
  TMessageBoxHandler FPrevious;
};
