#include "descriptors/element_descriptor.h"

#include <algorithm>
#include <cstring>

#include "descriptors/integer_power.h"

namespace xbtconv {
namespace {

constexpr char kCharacterUnit[] = "CCITT IA5";

// Copies `text` into `field`, cut so that the terminating NUL always fits.
template <std::size_t N>
void copyBounded(std::array<char, N>& field, const char* text) {
  const std::size_t length = text == nullptr ? 0 : strnlen(text, N - 1);
  if (length > 0) std::memcpy(field.data(), text, length);
  std::memset(field.data() + length, 0, N - length);
}

}  // namespace

ElementDescriptor::ElementDescriptor() { value_.fill(0xFF); }

void ElementDescriptor::setParameters(std::int32_t number, std::int32_t spare,
                                      std::int32_t reference, std::uint32_t minimum,
                                      std::int32_t width, std::uint32_t maximum, std::int32_t scale,
                                      const char* name, const char* unit) {
  number_ = number;
  spare_ = spare;
  reference_ = reference;
  minimum_ = minimum;
  width_ = width;
  maximum_ = maximum;
  scale_ = scale;
  copyBounded(name_, name);
  copyBounded(unit_, unit);
  character_ = std::memcmp(unit_.data(), kCharacterUnit, sizeof kCharacterUnit) == 0;
  clearValue();
}

std::uint32_t ElementDescriptor::rawValue() const {
  std::uint32_t raw = 0;
  std::memcpy(&raw, value_.data(), sizeof raw);
  return raw;
}

ElementDescriptor::ValueBytes ElementDescriptor::valueText() const {
  ValueBytes text{};
  if (isCharacter()) {
    // Width rounded up to whole characters, and never more than leaves room
    // for the terminating NUL.
    const int characters = std::clamp((width_ + 7) / 8, 0, kValueSize - 1);
    for (int i = 0; i < characters && value_[i] != 0; ++i) text[i] = value_[i];
    return text;
  }
  std::uint32_t word = rawValue();
  if (width_ <= 0) {
    word = 0;
  } else if (width_ < 32) {
    word <<= 32 - width_;
  }
  text[0] = static_cast<std::uint8_t>(word >> 24);
  text[1] = static_cast<std::uint8_t>(word >> 16);
  text[2] = static_cast<std::uint8_t>(word >> 8);
  text[3] = static_cast<std::uint8_t>(word);
  return text;
}

double ElementDescriptor::scaledValue() const {
  const std::uint32_t raw = rawValue();
  if (raw == kMissingRaw) return -9999.0;
  return (static_cast<double>(raw) + reference_) / integerPower(10.0, scale_);
}

void ElementDescriptor::setCharacterValue(std::span<const std::uint8_t> bytes) {
  clearValue();
  const std::size_t characters = static_cast<std::size_t>(std::clamp(width_ / 8, 0, kValueSize));
  // The characters up to the first NUL (or the end of `bytes`), then NULs.
  const std::size_t offered = std::min(characters, bytes.size());
  const auto* nul = static_cast<const std::uint8_t*>(std::memchr(bytes.data(), 0, offered));
  const std::size_t kept = nul == nullptr ? offered : static_cast<std::size_t>(nul - bytes.data());
  if (kept > 0) std::memcpy(value_.data(), bytes.data(), kept);
  std::memset(value_.data() + kept, 0, characters - kept);
  hasValue_ = true;
}

void ElementDescriptor::setUnsignedValue(std::uint32_t raw) {
  value_.fill(0xFF);
  if (isCharacter()) return;
  storeRaw(raw, minimum_ <= raw && raw <= maximum_);
}

void ElementDescriptor::setSignedValue(std::int32_t raw) {
  value_.fill(0xFF);
  if (isCharacter()) return;
  const auto low = static_cast<std::int32_t>(minimum_);
  const auto high = static_cast<std::int32_t>(maximum_);
  storeRaw(static_cast<std::uint32_t>(raw), low <= raw && raw <= high);
}

void ElementDescriptor::storeRaw(std::uint32_t raw, bool accepted) {
  const std::uint32_t stored = accepted ? raw : kMissingRaw;
  std::memcpy(value_.data(), &stored, sizeof stored);
  hasValue_ = accepted;
}

}  // namespace xbtconv
