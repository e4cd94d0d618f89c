// What Windows and installers read from the built exe without running it: the
// machine, the subsystem, the DLLs it imports, its manifest and its version.
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
constexpr uint32_t kManifestType = 24;

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

class PeImageTest : public ::testing::Test {
 protected:
  PeImage tool_{TestProgramDirectory() / kToolFileName};
};

TEST_F(PeImageTest, IsAStrippedConsoleProgramForX64) {
  ASSERT_TRUE(tool_.Valid());
  EXPECT_EQ(tool_.Machine(), kMachineAmd64);
  EXPECT_EQ(tool_.Magic(), kPe32PlusMagic);
  EXPECT_EQ(tool_.Subsystem(), kSubsystemConsole);
  EXPECT_EQ(tool_.SymbolCount(), 0u);
}

TEST_F(PeImageTest, ImportsOnlyKernel32AndMsvcrt) {
  std::vector<std::string> imports;
  for (const std::string& name : tool_.ImportedDlls()) imports.push_back(Lower(name));
  std::sort(imports.begin(), imports.end());
  EXPECT_EQ(imports, (std::vector<std::string>{"kernel32.dll", "msvcrt.dll"}));
}

TEST_F(PeImageTest, ManifestRunsAsInvokerWithoutUiAccess) {
  const auto manifests = tool_.Resources(kManifestType);
  ASSERT_EQ(manifests.size(), 1u);
  EXPECT_EQ(manifests[0].first, 1u);
  const std::string& manifest = manifests[0].second;
  EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos) << manifest;
  EXPECT_NE(manifest.find("uiAccess=\"false\""), std::string::npos) << manifest;
  EXPECT_EQ(manifest.find("requireAdministrator"), std::string::npos);
}

// The version resource as Windows' own version API reads it back.
TEST_F(PeImageTest, VersionResourceMatchesTheProject) {
  const std::wstring path = (TestProgramDirectory() / kToolFileName).wstring();
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
      return std::wstring(L"(missing)");
    }
    return std::wstring(value);
  };
  EXPECT_EQ(text(L"FileVersion"), L"" PROJECT_VERSION);
  EXPECT_EQ(text(L"ProductVersion"), L"" PROJECT_VERSION);
  EXPECT_EQ(text(L"FileDescription"), L"" PROJECT_DESCRIPTION);
  EXPECT_EQ(text(L"ProductName"), L"pdf-printer-setup");
  EXPECT_EQ(text(L"InternalName"), L"pdf-printer-setup");
  EXPECT_EQ(text(L"OriginalFilename"), L"pdf-printer-setup.exe");
}

}  // namespace
