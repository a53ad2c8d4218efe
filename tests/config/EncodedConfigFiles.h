#pragma once
// Configuration files in the layout the suite writes (ISO over TCP), whose
// log file name, IP address text and one channel node are not ASCII, in
// the bytes of either encoding. Shared by the file and the dialog tests.
#include <string>
#include <vector>

inline const std::string kUtf8BomBytes = "\xEF\xBB\xBF";

// umlaut and euro: "ü" and "€" in the file's encoding.
inline std::string FieldFile(const std::string& umlaut, const std::string& euro) {
  return "WriteProtocol=1\r\nProtokollFileName=C:\\Pr" + umlaut +
         "fung\\log.TXT\r\nComport=3\r\nConnectiontype=4\r\nBaudrate=0\r\nLocalMPI=0\r\n"
         "LocalPPI=0\r\nRemoteMPI=2\r\nRemotePPI=2\r\nProfibusSpeedIndex=2\r\nIPAddress=plc-" +
         umlaut + "\r\nIPPort=102\r\nRack=0\r\nSlot=2\r\n>ChT<\r\nSPS\r\n\tE\r\n\t\t0\r\n\t\t5 " +
         euro + "\r\n\tA\r\n\tM\r\n\tT\r\n\tZ\r\n\tDB\r\n\t\t10\r\n\t\t\t2\r\n\r\n>EOT<\r\n";
}

struct EncodingCase {
  const char* Why;
  std::string Bytes;   // as found on disk
  std::string Umlaut;  // "ü" in the file's encoding
  bool Windows1252;
};

inline std::vector<EncodingCase> EncodingCases() {
  const std::string utf8 = FieldFile("\xC3\xBC", "\xE2\x82\xAC");
  const std::string cp1252 = FieldFile("\xFC", "\x80");
  return {{"UTF-8", utf8, "\xC3\xBC", false},
          {"UTF-8 with byte-order mark", kUtf8BomBytes + utf8, "\xC3\xBC", false},
          {"Windows-1252", cp1252, "\xFC", true},
          {"Windows-1252 behind a byte-order mark", kUtf8BomBytes + cp1252, "\xFC", true}};
}

// What a save writes back: the same bytes without the byte-order mark.
inline std::string WithoutBom(const std::string& bytes) {
  return bytes.rfind(kUtf8BomBytes, 0) == 0 ? bytes.substr(kUtf8BomBytes.size()) : bytes;
}
