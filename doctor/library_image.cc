#include "doctor/library_image.h"

#include <string.h>

namespace {

constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr uint32_t kImportDirectory = 1;

// Reads little-endian (or, for a big-endian ELF file, big-endian) values, as zero
// past the end of the file.
struct Bytes {
  const unsigned char* data;
  size_t size;
  bool big_endian = false;

  bool Has(size_t offset, size_t length) const { return offset <= size && length <= size - offset; }
  uint16_t Read16(size_t offset) const {
    if (!Has(offset, 2)) return 0;
    return big_endian ? static_cast<uint16_t>(data[offset] << 8 | data[offset + 1])
                      : static_cast<uint16_t>(data[offset] | data[offset + 1] << 8);
  }
  uint32_t Read32(size_t offset) const {
    const uint32_t low = Read16(offset);
    const uint32_t high = Read16(offset + 2);
    return big_endian ? low << 16 | high : high << 16 | low;
  }
};

// Where the PE headers are, or zero when |bytes| holds no PE image.
size_t PeHeader(const Bytes& bytes) {
  if (bytes.Read16(0) != 0x5A4D) return 0;  // "MZ"
  const uint32_t header = bytes.Read32(0x3C);
  if (header == 0 || !bytes.Has(header, 24) || bytes.Read32(header) != 0x00004550) return 0;
  return header;
}

bool LooksLikeText(const unsigned char* bytes, size_t size) {
  if (size >= 2 &&
      ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF))) {
    return true;  // UTF-16 with its byte order mark
  }
  const size_t sample = size < 512 ? size : 512;
  for (size_t i = 0; i < sample; ++i) {
    const unsigned char byte = bytes[i];
    if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r' && byte != '\f') return false;
    if (byte == 0x7F) return false;
  }
  return true;
}

}  // namespace

ImageInfo ReadImageInfo(const unsigned char* bytes, size_t size) {
  if (size == 0) return {ImageFormat::kEmpty, 0, false};
  Bytes image{bytes, size};
  if (const size_t header = PeHeader(image)) {
    const size_t optional = header + 24;
    return {ImageFormat::kPortableExecutable, image.Read16(header + 4),
            image.Read16(optional) == kPe32PlusMagic};
  }
  if (size >= 20 && memcmp(bytes,
                           "\x7F"
                           "ELF",
                           4) == 0) {
    image.big_endian = bytes[5] == 2;
    return {ImageFormat::kElf, image.Read16(18), bytes[4] == 2};
  }
  if (LooksLikeText(bytes, size)) return {ImageFormat::kText, 0, false};
  return {ImageFormat::kOther, 0, false};
}

void AddMachineName(const ImageInfo& image, Text& out) {
  struct Known {
    uint16_t machine;
    const char* name;
  };
  static const Known kPe[] = {{0x8664, "x64"},     {0x014C, "x86 (32-bit)"}, {0xAA64, "ARM64"},
                              {0xA641, "ARM64EC"}, {0x01C4, "ARM (32-bit)"}, {0x0200, "Itanium"}};
  static const Known kElf[] = {{62, "x86-64"},           {3, "x86 (32-bit)"},      {183, "ARM64"},
                               {40, "ARM (32-bit)"},     {243, "RISC-V"},          {8, "MIPS"},
                               {20, "PowerPC (32-bit)"}, {21, "PowerPC (64-bit)"}, {22, "IBM Z"}};
  const bool pe = image.format == ImageFormat::kPortableExecutable;
  const Known* known = pe ? kPe : kElf;
  const size_t count = pe ? sizeof kPe / sizeof kPe[0] : sizeof kElf / sizeof kElf[0];
  for (size_t i = 0; i < count; ++i) {
    if (known[i].machine == image.machine) {
      out.Add(known[i].name);
      return;
    }
  }
  out.Add("machine ").AddHex(image.machine, 4);
  if (!pe) out.Add(image.is_64_bit ? " (64-bit)" : " (32-bit)");
}

void AddFirstLine(const unsigned char* bytes, size_t size, size_t most, Text& out) {
  size_t length = 0;
  while (length < size && length < most && bytes[length] != '\n' && bytes[length] != '\r') ++length;
  // Cut at a character's start, never inside one.
  if (length < size && length == most) {
    while (length != 0 && (bytes[length] & 0xC0) == 0x80) --length;
  }
  out.Add(reinterpret_cast<const char*>(bytes), length);
}

size_t ReadImportedLibraries(const unsigned char* bytes, size_t size, ImportName* names,
                             size_t capacity) {
  const Bytes image{bytes, size};
  const size_t header = PeHeader(image);
  if (header == 0) return 0;
  const size_t sections = image.Read16(header + 6);
  const size_t optional = header + 24;
  const size_t optional_size = image.Read16(header + 20);
  const uint16_t magic = image.Read16(optional);
  if (magic != kPe32Magic && magic != kPe32PlusMagic) return 0;
  const size_t directories = optional + (magic == kPe32PlusMagic ? 112 : 96);
  const uint32_t directory_count = image.Read32(directories - 4);
  if (directory_count <= kImportDirectory) return 0;
  const uint32_t imports = image.Read32(directories + 8 * kImportDirectory);
  if (imports == 0) return 0;

  // Where the bytes of a relative virtual address lie in the file, or the file's
  // size when no section holds them.
  const auto file_offset = [&](uint32_t rva) -> size_t {
    const size_t table = optional + optional_size;
    for (size_t i = 0; i < sections; ++i) {
      const size_t section = table + 40 * i;
      const uint32_t start = image.Read32(section + 12);
      const uint32_t virtual_size = image.Read32(section + 8);
      const uint32_t raw_size = image.Read32(section + 16);
      const uint32_t extent = virtual_size > raw_size ? virtual_size : raw_size;
      if (rva >= start && rva - start < extent) {
        if (rva - start >= raw_size) return size;
        return image.Read32(section + 20) + static_cast<size_t>(rva - start);
      }
    }
    return size;
  };

  size_t count = 0;
  for (size_t descriptor = file_offset(imports); count < capacity && image.Has(descriptor, 20);
       descriptor += 20) {
    const uint32_t name = image.Read32(descriptor + 12);
    if (name == 0) break;
    const size_t at = file_offset(name);
    size_t length = 0;
    while (image.Has(at, length + 1) && bytes[at + length] != 0 &&
           length + 1 < sizeof names[count].text) {
      ++length;
    }
    if (length == 0) continue;
    memcpy(names[count].text, bytes + at, length);
    names[count].text[length] = 0;
    ++count;
  }
  return count;
}
