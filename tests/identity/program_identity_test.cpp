// What Windows shows about each deliverable, read from the built files of both targets: the
// version block and its texts in every language the program ships, the program icon, the
// manifest (read as text, and bound by the loader's own activation context), and the
// installed ProductVersion that the tray companion's About box shows.
#include <gtest/gtest.h>

#include <windows.h>

#include <cctype>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "e2e.h"
#include "kvo_version.h"
#include "unique_resource.h"

namespace kvo {
namespace {

using kvo::test::BinDir;

struct Deliverable {
  const char* file;
  const char* internal_name;
  const wchar_t* description;
  const wchar_t* chinese_description;  // nullptr: the program has English texts only
  bool has_manifest;
  int drawn_icon;  // id of the icon group drawn by the build, 0 for none
};

const Deliverable kDeliverables[] = {
    {"KVO_MAIN.exe", "KVO_MAIN", L"Oculetto camera application", nullptr, true, 1},
    {"kvocmdll.dll", "kvocmdll", L"Oculetto camera control library", nullptr, false, 0},
    {"quickdock.exe", "quickdock", L"Oculetto camera tray companion",
     L"Oculetto \u7db2\u8def\u651d\u5f71\u6a5f\u5de5\u5177\u5217", true, 0},
    {"Fitdrv.exe", "Fitdrv", L"Oculetto camera driver installer", nullptr, true, 128},
};

constexpr WORD kEnglish = 0x0409;
constexpr WORD kChinese = 0x0404;
constexpr WORD kUnicode = 1200;

std::wstring Widen(const char* ascii) { return std::wstring(ascii, ascii + strlen(ascii)); }

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += c < 128 ? static_cast<char>(c) : '?';
  return out;
}

// The i686 build tree's bin folder as a Windows path, empty when that tree was not built.
std::string I686BinDir() {
  std::string dir = KVO_I686_BIN_DIR;
  for (char& c : dir)
    if (c == '/') c = '\\';
  const std::string probe = dir + "\\KVO_MAIN.exe";
  return GetFileAttributesA(probe.c_str()) == INVALID_FILE_ATTRIBUTES ? std::string() : dir;
}

class VersionBlock {
 public:
  explicit VersionBlock(const std::string& path) {
    const std::wstring wide_path = Widen(path.c_str());
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(wide_path.c_str(), &ignored);
    if (size == 0) return;
    data_.resize(size);
    if (!GetFileVersionInfoW(wide_path.c_str(), 0, size, data_.data())) data_.clear();
  }

  bool valid() const { return !data_.empty(); }

  const VS_FIXEDFILEINFO* Fixed() const {
    void* value = nullptr;
    UINT size = 0;
    if (!VerQueryValueW(data_.data(), L"\\", &value, &size) || size < sizeof(VS_FIXEDFILEINFO))
      return nullptr;
    return static_cast<const VS_FIXEDFILEINFO*>(value);
  }

  std::set<std::pair<WORD, WORD>> Translations() const {
    std::set<std::pair<WORD, WORD>> result;
    void* value = nullptr;
    UINT size = 0;
    if (!VerQueryValueW(data_.data(), L"\\VarFileInfo\\Translation", &value, &size))
      return result;
    const WORD* words = static_cast<const WORD*>(value);
    for (UINT i = 0; i + 1 < size / sizeof(WORD); i += 2) result.insert({words[i], words[i + 1]});
    return result;
  }

  std::wstring Text(WORD language, const wchar_t* key) const {
    wchar_t query[128];
    swprintf(query, 128, L"\\StringFileInfo\\%04x%04x\\%ls", language, kUnicode, key);
    void* value = nullptr;
    UINT size = 0;
    if (!VerQueryValueW(data_.data(), query, &value, &size) || value == nullptr)
      return L"<missing>";
    return std::wstring(static_cast<const wchar_t*>(value), wcsnlen(static_cast<const wchar_t*>(value), size));
  }

 private:
  std::vector<BYTE> data_;
};

void CheckVersionBlock(const std::string& dir, const Deliverable& deliverable) {
  SCOPED_TRACE(dir + "\\" + deliverable.file);
  const VersionBlock block(dir + "\\" + deliverable.file);
  ASSERT_TRUE(block.valid()) << "no version block, error " << GetLastError();

  const VS_FIXEDFILEINFO* fixed = block.Fixed();
  ASSERT_NE(nullptr, fixed);
  EXPECT_EQ(0xFEEF04BDu, fixed->dwSignature);
  const DWORD high = MAKELONG(KVO_VERSION_MINOR, KVO_VERSION_MAJOR);
  const DWORD low = MAKELONG(KVO_VERSION_BUILD, KVO_VERSION_PATCH);
  EXPECT_EQ(high, fixed->dwFileVersionMS) << std::hex << fixed->dwFileVersionMS;
  EXPECT_EQ(low, fixed->dwFileVersionLS) << std::hex << fixed->dwFileVersionLS;
  EXPECT_EQ(high, fixed->dwProductVersionMS);
  EXPECT_EQ(low, fixed->dwProductVersionLS);
  const bool is_dll = strstr(deliverable.file, ".dll") != nullptr;
  EXPECT_EQ(is_dll ? DWORD(VFT_DLL) : DWORD(VFT_APP), fixed->dwFileType);

  std::set<std::pair<WORD, WORD>> expected_languages = {{kEnglish, kUnicode}};
  if (deliverable.chinese_description != nullptr) expected_languages.insert({kChinese, kUnicode});
  EXPECT_EQ(expected_languages, block.Translations());

  for (const auto& [language, code_page] : expected_languages) {
    SCOPED_TRACE("language " + std::to_string(language));
    const std::wstring description = language == kChinese ? deliverable.chinese_description
                                                           : deliverable.description;
    EXPECT_TRUE(block.Text(language, L"FileDescription") == description)
        << Narrow(block.Text(language, L"FileDescription"));
    const std::pair<const wchar_t*, std::wstring> fields[] = {
        {L"CompanyName", Widen(KVO_COMPANY_NAME)},
        {L"ProductName", Widen(KVO_PRODUCT_NAME)},
        {L"LegalCopyright", Widen(KVO_COPYRIGHT)},
        {L"FileVersion", Widen(KVO_VERSION_TEXT)},
        {L"ProductVersion", Widen(KVO_VERSION_TEXT)},
        {L"OriginalFilename", Widen(deliverable.file)},
        {L"InternalName", Widen(deliverable.internal_name)},
    };
    for (const auto& [key, value] : fields) {
      EXPECT_FALSE(value.empty()) << Narrow(key);
      EXPECT_EQ(Narrow(value), Narrow(block.Text(language, key))) << Narrow(key);
    }
  }
}

#pragma pack(push, 2)
struct GroupIconEntry {
  BYTE width, height, colour_count, reserved;
  WORD planes, bit_count;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

BOOL CALLBACK TakeFirstName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR first) {
  *reinterpret_cast<ULONG_PTR*>(first) = IS_INTRESOURCE(name) ? ULONG_PTR(name) : 0;
  return FALSE;
}

// The icon group: 16 and 32 pixels, each in 16 colours, 256 colours and 32 bits with alpha,
// every image present as stored; it is the file's first group, the one Explorer shows.
void CheckDrawnIcon(HMODULE module, int group_id) {
  SCOPED_TRACE("icon group " + std::to_string(group_id));
  ULONG_PTR first = 0;
  EnumResourceNamesW(module, reinterpret_cast<LPCWSTR>(RT_GROUP_ICON), TakeFirstName,
                     reinterpret_cast<LONG_PTR>(&first));
  EXPECT_EQ(ULONG_PTR(group_id), first) << "the program icon is not the file's first icon";

  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(group_id),
                              reinterpret_cast<LPCWSTR>(RT_GROUP_ICON));
  ASSERT_NE(nullptr, found);
  const BYTE* group = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
  const DWORD size = SizeofResource(module, found);
  ASSERT_NE(nullptr, group);
  ASSERT_GE(size, 6u);
  const WORD count = *reinterpret_cast<const WORD*>(group + 4);
  ASSERT_EQ(6u + count * sizeof(GroupIconEntry), size);

  std::set<std::pair<int, int>> sizes_and_depths;
  for (WORD i = 0; i < count; ++i) {
    GroupIconEntry entry;
    memcpy(&entry, group + 6 + i * sizeof(entry), sizeof(entry));
    sizes_and_depths.insert({entry.width, entry.bit_count});
    EXPECT_EQ(entry.width, entry.height);
    HRSRC image = FindResourceW(module, MAKEINTRESOURCEW(entry.id),
                                reinterpret_cast<LPCWSTR>(RT_ICON));
    ASSERT_NE(nullptr, image) << "icon image " << entry.id;
    ASSERT_EQ(entry.bytes, SizeofResource(module, image));
    const auto* header =
        static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(module, image)));
    ASSERT_NE(nullptr, header);
    EXPECT_EQ(entry.width, header->biWidth);
    EXPECT_EQ(2 * entry.height, header->biHeight) << "colour and mask halves";
    EXPECT_EQ(entry.bit_count, header->biBitCount);
  }
  const std::set<std::pair<int, int>> expected = {{16, 4}, {16, 8}, {16, 32},
                                                  {32, 4}, {32, 8}, {32, 32}};
  EXPECT_EQ(expected, sizes_and_depths);
}

std::string ManifestText(HMODULE module) {
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), reinterpret_cast<LPCWSTR>(RT_MANIFEST));
  if (found == nullptr) return std::string();
  const char* text = static_cast<const char*>(LockResource(LoadResource(module, found)));
  return text == nullptr ? std::string() : std::string(text, SizeofResource(module, found));
}

void CheckManifestText(HMODULE module, const Deliverable& deliverable,
                       const char* architecture) {
  const std::string manifest = ManifestText(module);
  if (!deliverable.has_manifest) {
    EXPECT_TRUE(manifest.empty()) << manifest;
    return;
  }
  ASSERT_FALSE(manifest.empty()) << "no manifest resource";
  for (const char* part : {"name=\"Microsoft.Windows.Common-Controls\"", "version=\"6.0.0.0\"",
                           "publicKeyToken=\"6595b64144ccf1df\"",
                           "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>",
                           "version=\"" KVO_VERSION_TEXT "\""}) {
    EXPECT_NE(std::string::npos, manifest.find(part)) << part << " missing in\n" << manifest;
  }
  // The program's own identity names the processor it was built for.
  const std::string own_architecture = std::string("processorArchitecture=\"") + architecture;
  EXPECT_NE(std::string::npos, manifest.find(own_architecture + "\"")) << manifest;
}

void CheckResources(const std::string& dir, const char* architecture) {
  for (const Deliverable& deliverable : kDeliverables) {
    CheckVersionBlock(dir, deliverable);
    const std::string path = dir + "\\" + deliverable.file;
    SCOPED_TRACE(path);
    UniqueHModule module(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(module.valid()) << "error " << GetLastError();
    CheckManifestText(module.get(), deliverable, architecture);
    if (deliverable.drawn_icon != 0) CheckDrawnIcon(module.get(), deliverable.drawn_icon);
  }
}

TEST(ProgramIdentity, EveryDeliverableOfThisBuildCarriesVersionIconAndManifest) {
  CheckResources(BinDir(), sizeof(void*) == 8 ? "amd64" : "x86");
}

TEST(ProgramIdentity, EveryDeliverableOfTheI686BuildCarriesVersionIconAndManifest) {
  const std::string dir = I686BinDir();
  if (dir.empty()) GTEST_SKIP() << "no i686 build at " << KVO_I686_BIN_DIR;
  CheckResources(dir, "x86");
}

// Version 6 of the common controls, as the loader binds them for a program through its
// manifest: the activation context is built from the program file's own resource.
class ManifestContext {
 public:
  explicit ManifestContext(const std::string& program) {
    ACTCTXA context = {};
    context.cbSize = sizeof(context);
    context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.lpSource = program.c_str();
    context.lpResourceName = MAKEINTRESOURCEA(1);
    handle_ = CreateActCtxA(&context);
    if (handle_ != INVALID_HANDLE_VALUE && !ActivateActCtx(handle_, &cookie_)) cookie_ = 0;
  }
  ~ManifestContext() {
    if (cookie_ != 0) DeactivateActCtx(0, cookie_);
    if (handle_ != INVALID_HANDLE_VALUE) ReleaseActCtx(handle_);
  }
  ManifestContext(const ManifestContext&) = delete;
  ManifestContext& operator=(const ManifestContext&) = delete;
  bool active() const { return cookie_ != 0; }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  ULONG_PTR cookie_ = 0;
};

// The folder of the comctl32.dll a program's context loads, lower case. Version 6 comes
// from its side-by-side assembly, "...common-controls_6595b64144ccf1df_6.0...", while the
// system folder holds version 5. (Wine's copy of version 6 reports 5 in DllGetVersion,
// so the assembly the loader chose is what tells them apart.)
std::string LoadedCommonControlsPath(HMODULE library) {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(library, path, MAX_PATH);
  std::string result(path, length);
  for (char& c : result) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return result;
}

TEST(ProgramIdentity, EachProgramsManifestBindsCommonControlsVersion6) {
  for (const char* program : {"KVO_MAIN.exe", "quickdock.exe", "Fitdrv.exe"}) {
    SCOPED_TRACE(program);
    ManifestContext context(kvo::test::BinPath(program));
    ASSERT_TRUE(context.active()) << "the loader rejects the manifest, error " << GetLastError();
    ACTCTX_SECTION_KEYED_DATA redirection = {};
    redirection.cbSize = sizeof(redirection);
    EXPECT_TRUE(FindActCtxSectionStringA(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION,
                                         "comctl32.dll", &redirection))
        << "the program's context does not redirect comctl32.dll, error " << GetLastError();
    UniqueHModule library(LoadLibraryA("comctl32.dll"));
    ASSERT_TRUE(library.valid());
    const std::string path = LoadedCommonControlsPath(library.get());
    EXPECT_NE(std::string::npos, path.find("common-controls_6595b64144ccf1df_6.0.")) << path;
  }
}

// The installation's settings file writes the version that the version blocks show, and
// the tray companion's About box shows that value after "V ".
TEST(ProgramIdentity, InstalledProductVersionEqualsTheVersionBlock) {
  ASSERT_TRUE(kvo::test::ResetSettings());
  const auto installed =
      kvo::test::ReadValue(HKEY_CURRENT_USER, kvo::test::kSettingsPath, "ProductVersion");
  ASSERT_TRUE(installed.has_value());
  const VersionBlock block(kvo::test::BinPath("quickdock.exe"));
  ASSERT_TRUE(block.valid());
  EXPECT_EQ(Narrow(block.Text(kEnglish, L"ProductVersion")), installed->AsText());
  EXPECT_EQ(KVO_VERSION_TEXT, installed->AsText());
}

}  // namespace
}  // namespace kvo
