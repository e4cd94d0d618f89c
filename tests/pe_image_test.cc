// What Windows and installers read from the built programs without running them:
// the machine, the subsystem, the DLLs they import, their manifest and version,
// the protections their headers ask for, and their checksum.
#include <gtest/gtest.h>
#include <stdint.h>
#include <string.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "tests/child_process.h"

namespace {

constexpr uint16_t kMachineAmd64 = 0x8664;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr uint16_t kSubsystemConsole = 3;
constexpr int kImportDirectory = 1;
constexpr int kResourceDirectory = 2;
constexpr int kBaseRelocationDirectory = 5;
constexpr uint32_t kManifestType = 24;

constexpr uint16_t kRelocationsStripped = 0x0001;
constexpr uint16_t kHighEntropyVa = 0x0020;
constexpr uint16_t kDynamicBase = 0x0040;
constexpr uint16_t kNxCompatible = 0x0100;
constexpr uint32_t kSectionShared = 0x10000000;
constexpr uint32_t kSectionExecute = 0x20000000;
constexpr uint32_t kSectionWrite = 0x80000000;

// A minimal reader of the PE32+ layout, enough for the checks below. Reads past
// the end of the file come back as zero.
class PeImage {
 public:
  explicit PeImage(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    bytes_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    coff_ = Read32(0x3C) + 4;
    optional_ = coff_ + 20;
  }

  bool Valid() const { return Read16(0) == 0x5A4D && Read32(coff_ - 4) == 0x00004550; }  // MZ, PE
  uint16_t Machine() const { return Read16(coff_); }
  uint32_t SymbolCount() const { return Read32(coff_ + 12); }
  uint16_t Magic() const { return Read16(optional_); }
  uint16_t Subsystem() const { return Read16(optional_ + 68); }
  uint16_t FileCharacteristics() const { return Read16(coff_ + 18); }
  uint16_t DllCharacteristics() const { return Read16(optional_ + 70); }
  uint64_t ImageBase() const {
    return static_cast<uint64_t>(Read32(optional_ + 24)) |
           static_cast<uint64_t>(Read32(optional_ + 28)) << 32;
  }
  uint32_t CheckSum() const { return Read32(optional_ + 64); }
  uint32_t RelocationsSize() const {
    return Read32(optional_ + 112 + 8 * kBaseRelocationDirectory + 4);
  }

  // Each section's name and characteristics.
  std::vector<std::pair<std::string, uint32_t>> Sections() const {
    std::vector<std::pair<std::string, uint32_t>> sections;
    const size_t table = optional_ + Read16(coff_ + 16);
    for (size_t i = 0; i < Read16(coff_ + 2); ++i) {
      const size_t section = table + 40 * i;
      std::string name;
      for (size_t at = section; at < section + 8 && at < bytes_.size() && bytes_[at] != 0; ++at) {
        name += static_cast<char>(bytes_[at]);
      }
      sections.emplace_back(name, Read32(section + 36));
    }
    return sections;
  }

  // The checksum Windows' image help computes: the file summed as 16-bit words
  // with carries folded back in, the checksum field itself left out, plus the
  // file's length.
  uint32_t ComputedCheckSum() const {
    const size_t field = optional_ + 64;
    uint64_t sum = 0;
    for (size_t at = 0; at < bytes_.size(); at += 2) {
      if (at == field || at == field + 2) continue;
      sum += static_cast<uint64_t>(Read16(at) | (at + 1 == bytes_.size() ? bytes_[at] : 0));
      sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint32_t>(sum) + static_cast<uint32_t>(bytes_.size());
  }

  std::vector<std::string> ImportedDlls() const {
    std::vector<std::string> names;
    for (size_t descriptor = FileOffset(DirectoryRva(kImportDirectory));
         Read32(descriptor + 12) != 0; descriptor += 20) {
      names.push_back(String(FileOffset(Read32(descriptor + 12))));
    }
    return names;
  }

  // The resources of |type|, each as its id and its bytes.
  std::vector<std::pair<uint32_t, std::string>> Resources(uint32_t type) const {
    std::vector<std::pair<uint32_t, std::string>> found;
    const size_t root = FileOffset(DirectoryRva(kResourceDirectory));
    for (const auto& [type_id, ids] : Entries(root, 0)) {
      if (type_id != type) continue;
      for (const auto& [id, languages] : Entries(root, ids)) {
        for (const auto& language : Entries(root, languages)) {
          const size_t data = root + language.second;
          const size_t offset = FileOffset(Read32(data));
          const size_t size = Read32(data + 4);
          if (offset + size > bytes_.size()) continue;
          found.emplace_back(id,
                             std::string(bytes_.begin() + static_cast<ptrdiff_t>(offset),
                                         bytes_.begin() + static_cast<ptrdiff_t>(offset + size)));
        }
      }
    }
    return found;
  }

 private:
  uint16_t Read16(size_t at) const {
    return at + 2 <= bytes_.size() ? static_cast<uint16_t>(bytes_[at] | bytes_[at + 1] << 8) : 0;
  }
  uint32_t Read32(size_t at) const {
    return static_cast<uint32_t>(Read16(at)) | static_cast<uint32_t>(Read16(at + 2)) << 16;
  }
  std::string String(size_t at) const {
    std::string text;
    while (at < bytes_.size() && bytes_[at] != 0) text += static_cast<char>(bytes_[at++]);
    return text;
  }
  uint32_t DirectoryRva(size_t index) const { return Read32(optional_ + 112 + 8 * index); }

  size_t FileOffset(uint32_t rva) const {
    const size_t sections = optional_ + Read16(coff_ + 16);
    for (size_t i = 0; i < Read16(coff_ + 2); ++i) {
      const size_t section = sections + 40 * i;
      const uint32_t start = Read32(section + 12);
      if (rva >= start && rva < start + std::max(Read32(section + 8), Read32(section + 16))) {
        return Read32(section + 20) + (rva - start);
      }
    }
    return bytes_.size();
  }

  // The id entries of the resource directory at |directory| (relative to |root|),
  // each with what it points at, relative to |root| too.
  std::vector<std::pair<uint32_t, size_t>> Entries(size_t root, size_t directory) const {
    std::vector<std::pair<uint32_t, size_t>> entries;
    const size_t at = root + directory;
    const size_t named = Read16(at + 12);
    const size_t ids = Read16(at + 14);
    for (size_t i = named; i < named + ids; ++i) {
      const size_t entry = at + 16 + 8 * i;
      entries.emplace_back(Read32(entry), Read32(entry + 4) & 0x7FFFFFFFu);
    }
    return entries;
  }

  std::vector<unsigned char> bytes_;
  size_t coff_ = 0;
  size_t optional_ = 0;
};

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

struct Program {
  const char* file_name;
  const char* name;
  const char* description;
  std::vector<std::string> imports;  // lower case, sorted
};

// Both import only KnownDLLs, which Windows never looks for beside a program: the
// tool needs nothing but what every Windows has and the C runtime, and the doctor
// loads any other system DLL from the system folder at run time.
const Program kPrograms[] = {
    {kToolFileName, "pdf-printer-setup", PROJECT_DESCRIPTION, {"kernel32.dll", "msvcrt.dll"}},
    {kDoctorFileName,
     "pdf-printer-doctor",
     "Tells why pdf-printer-setup fails",
     {"advapi32.dll", "kernel32.dll", "msvcrt.dll"}},
};

PeImage Image(const Program& program) {
  return PeImage(TestProgramDirectory() / program.file_name);
}

TEST(PeImageTest, IsAStrippedConsoleProgramForX64) {
  for (const Program& program : kPrograms) {
    SCOPED_TRACE(program.name);
    const PeImage image = Image(program);
    ASSERT_TRUE(image.Valid());
    EXPECT_EQ(image.Machine(), kMachineAmd64);
    EXPECT_EQ(image.Magic(), kPe32PlusMagic);
    EXPECT_EQ(image.Subsystem(), kSubsystemConsole);
    EXPECT_EQ(image.SymbolCount(), 0u);
  }
}

TEST(PeImageTest, ImportsOnlyWhatEveryWindowsHas) {
  for (const Program& program : kPrograms) {
    SCOPED_TRACE(program.name);
    std::vector<std::string> imports;
    for (const std::string& name : Image(program).ImportedDlls()) imports.push_back(Lower(name));
    std::sort(imports.begin(), imports.end());
    EXPECT_EQ(imports, program.imports);
  }
}

TEST(PeImageTest, ManifestRunsAsInvokerWithoutUiAccess) {
  for (const Program& program : kPrograms) {
    SCOPED_TRACE(program.name);
    const auto manifests = Image(program).Resources(kManifestType);
    ASSERT_EQ(manifests.size(), 1u);
    EXPECT_EQ(manifests[0].first, 1u);
    const std::string& manifest = manifests[0].second;
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos) << manifest;
    EXPECT_NE(manifest.find("uiAccess=\"false\""), std::string::npos) << manifest;
    EXPECT_EQ(manifest.find("requireAdministrator"), std::string::npos);
  }
}

// The version resource as Windows' own version API reads it back.
TEST(PeImageTest, VersionResourceMatchesTheProject) {
  for (const Program& program : kPrograms) {
    SCOPED_TRACE(program.name);
    const std::wstring path = (TestProgramDirectory() / program.file_name).wstring();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_NE(size, 0u);
    std::vector<unsigned char> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixed_size = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixed_size));
    const DWORD version_ms = PROJECT_VERSION_MAJOR << 16 | PROJECT_VERSION_MINOR;
    const DWORD version_ls = PROJECT_VERSION_PATCH << 16;
    EXPECT_EQ(fixed->dwFileVersionMS, version_ms);
    EXPECT_EQ(fixed->dwFileVersionLS, version_ls);
    EXPECT_EQ(fixed->dwProductVersionMS, version_ms);
    EXPECT_EQ(fixed->dwProductVersionLS, version_ls);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    const auto text = [&](const wchar_t* name) {
      wchar_t* value = nullptr;
      UINT length = 0;
      const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
      if (!VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length)) {
        return std::string("(missing)");
      }
      std::string narrow;
      for (const wchar_t* unit = value; *unit != 0; ++unit) narrow += static_cast<char>(*unit);
      return narrow;
    };
    EXPECT_EQ(text(L"FileVersion"), PROJECT_VERSION);
    EXPECT_EQ(text(L"ProductVersion"), PROJECT_VERSION);
    EXPECT_EQ(text(L"FileDescription"), program.description);
    EXPECT_EQ(text(L"ProductName"), "pdf-printer-setup");
    EXPECT_EQ(text(L"InternalName"), program.name);
    EXPECT_EQ(text(L"OriginalFilename"), std::string(program.name) + ".exe");
  }
}

// Windows gives a program these protections only when its header asks for them,
// and a change of toolchain or linker option can drop the request unnoticed:
//   DYNAMIC_BASE with relocations: the loader may place the image anywhere (ASLR);
//   HIGH_ENTROPY_VA and a base above 4 GiB: anywhere in the 64-bit space, not
//     only in the low 4 GiB where addresses are easy to guess;
//   NX_COMPAT: data is never executable (DEP);
//   no section both writable and executable, and none writable and shared
//     between processes: no place where code can be written, or another
//     process's data changed.
TEST(PeImageTest, AsksForTheProtectionsWindowsGives) {
  for (const Program& program : kPrograms) {
    SCOPED_TRACE(program.name);
    const PeImage image = Image(program);
    ASSERT_TRUE(image.Valid());
    EXPECT_EQ(image.DllCharacteristics() & kDynamicBase, kDynamicBase);
    EXPECT_EQ(image.DllCharacteristics() & kHighEntropyVa, kHighEntropyVa);
    EXPECT_EQ(image.DllCharacteristics() & kNxCompatible, kNxCompatible);
    EXPECT_GT(image.ImageBase(), 0xFFFFFFFFull);
    EXPECT_EQ(image.FileCharacteristics() & kRelocationsStripped, 0);
    EXPECT_GT(image.RelocationsSize(), 0u);
    for (const auto& [name, characteristics] : image.Sections()) {
      SCOPED_TRACE(name);
      const bool writable = (characteristics & kSectionWrite) != 0;
      EXPECT_FALSE(writable && (characteristics & kSectionExecute) != 0);
      EXPECT_FALSE(writable && (characteristics & kSectionShared) != 0);
    }
  }
}

// Signing recomputes the checksum, and removing the signature again: only a build
// whose checksum is already right comes back byte for byte.
TEST(PeImageTest, CarriesItsChecksum) {
  for (const Program& program : kPrograms) {
    SCOPED_TRACE(program.name);
    const PeImage image = Image(program);
    EXPECT_EQ(image.CheckSum(), image.ComputedCheckSum());
  }
}

}  // namespace
