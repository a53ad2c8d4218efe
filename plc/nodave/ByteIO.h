#pragma once
// Bounds-checked readers and writers over byte spans. Frames are built and
// taken apart field by field with these, never by laying structs over a
// buffer: every byte that comes from the other side is read through a check.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace nodave {

using Bytes = std::vector<std::uint8_t>;
using ByteSpan = std::span<const std::uint8_t>;

// Reads big-endian fields (TPKT, COTP, S7) and little-endian ones (the MPI
// adapter's own telegrams). A read past the end yields zeros and clears ok(),
// so a parser can read a whole header and check once.
class ByteReader {
 public:
  explicit ByteReader(ByteSpan data) : data_(data) {}

  bool ok() const { return ok_; }
  std::size_t position() const { return pos_; }
  std::size_t remaining() const { return data_.size() - pos_; }

  std::uint8_t u8() {
    if (!need(1)) return 0;
    return data_[pos_++];
  }
  std::uint16_t be16() {
    if (!need(2)) return 0;
    std::uint16_t v = static_cast<std::uint16_t>(data_[pos_] << 8 | data_[pos_ + 1]);
    pos_ += 2;
    return v;
  }
  std::uint16_t le16() {
    if (!need(2)) return 0;
    std::uint16_t v = static_cast<std::uint16_t>(data_[pos_ + 1] << 8 | data_[pos_]);
    pos_ += 2;
    return v;
  }
  // The next n bytes; an empty span (and !ok()) when fewer remain.
  ByteSpan bytes(std::size_t n) {
    if (!need(n)) return {};
    ByteSpan s = data_.subspan(pos_, n);
    pos_ += n;
    return s;
  }
  ByteSpan rest() {
    ByteSpan s = data_.subspan(pos_);
    pos_ = data_.size();
    return s;
  }
  void skip(std::size_t n) { (void)bytes(n); }

 private:
  bool need(std::size_t n) {
    if (!ok_ || n > remaining()) {
      ok_ = false;
      return false;
    }
    return true;
  }

  ByteSpan data_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

// Appends fields to a growing frame; length fields that depend on what
// follows are patched in place once the frame is complete.
class ByteWriter {
 public:
  ByteWriter& u8(std::uint8_t v) {
    out_.push_back(v);
    return *this;
  }
  ByteWriter& be16(std::uint16_t v) {
    out_.push_back(static_cast<std::uint8_t>(v >> 8));
    out_.push_back(static_cast<std::uint8_t>(v & 0xFF));
    return *this;
  }
  ByteWriter& le16(std::uint16_t v) {
    out_.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out_.push_back(static_cast<std::uint8_t>(v >> 8));
    return *this;
  }
  ByteWriter& bytes(ByteSpan s) {
    out_.insert(out_.end(), s.begin(), s.end());
    return *this;
  }
  // Overwrites two bytes already written; at must lie inside the frame.
  void patchBe16(std::size_t at, std::uint16_t v) {
    if (at + 2 > out_.size()) return;
    out_[at] = static_cast<std::uint8_t>(v >> 8);
    out_[at + 1] = static_cast<std::uint8_t>(v & 0xFF);
  }
  void patchU8(std::size_t at, std::uint8_t v) {
    if (at < out_.size()) out_[at] = v;
  }

  std::size_t size() const { return out_.size(); }
  const Bytes& data() const { return out_; }
  Bytes take() { return std::move(out_); }

 private:
  Bytes out_;
};

}  // namespace nodave
