#pragma once
// The connection types of the settings record (TConfigInfo::Connectiontype
// is the index into ConnectionTypes) and what each implies: which port it
// opens, with which parity, and whether it talks to an MPI bus.
#include <array>
#include <cstdint>
#include <optional>

enum class TConnectionType : std::int32_t {
  Mpi = 0,
  MpiZorbel = 1,
  MpiZorbelStx = 2,
  Ppi = 3,
  IsoTcp = 4,
  S7Online = 5,
};

struct TConnectionTraits {
  // A serial port ("COM" + Comport at the Baudrate).
  bool Serial;
  // One of the MPI adapter variants: bus speed, local MPI address, partners.
  bool Mpi;
  // The serial port's parity: 'O' for the MPI adapters, 'E' for PPI, 0
  // where there is no serial port.
  char Parity;
  // The bus can be asked which partners answer (the frame offers the list).
  bool ListsPartners;
};

inline constexpr std::array<TConnectionTraits, 6> kConnectionTraits{{
    {true, true, 'O', true},
    {true, true, 'O', true},
    {true, true, 'O', true},
    {true, false, 'E', false},
    {false, false, 0, false},
    {false, false, 0, true},
}};

// The type stored as index; nothing for an index outside the list.
constexpr std::optional<TConnectionType> ConnectionTypeOf(std::int32_t index) {
  if (index < 0 || static_cast<std::size_t>(index) >= kConnectionTraits.size()) return {};
  return static_cast<TConnectionType>(index);
}

constexpr std::int32_t IndexOf(TConnectionType type) {
  return static_cast<std::int32_t>(type);
}

constexpr const TConnectionTraits& TraitsOf(TConnectionType type) {
  return kConnectionTraits[static_cast<std::size_t>(type)];
}

constexpr bool IsSerial(TConnectionType type) {
  return TraitsOf(type).Serial;
}
constexpr bool IsMpi(TConnectionType type) {
  return TraitsOf(type).Mpi;
}
