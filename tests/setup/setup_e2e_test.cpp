// The setup program as a user and an administrator run it, in a Wine prefix that never had
// the suite (run-in-fresh-prefix): silent and interactive installs, the installed suite
// taking a still, upgrades over user values, refusals that change nothing, and uninstalls.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "camapp_e2e_support.h"
#include "kvo_version.h"
#include "setup_e2e_support.h"

namespace kvo {
namespace {

using namespace kvo::test;

constexpr char kSetupCaption[] = KVO_PRODUCT_NAME " " KVO_VERSION_TEXT " Setup";
constexpr char kUninstaller[] = "Uninstall.exe";
// Folders that cannot be created: one below a plain file, and one whose name is longer than
// any file system takes.
constexpr char kOccupiedPath[] = "C:\\occupied";
constexpr char kFolderBelowFile[] = "C:\\occupied\\Oculetto";
const std::string kTooLongFolder = "C:\\" + std::string(300, 'n');
constexpr char kChosenFolder[] = "C:\\Camera Suite";
// Controls of setup's pages: the folder field and the tree of parts to install.
constexpr int kFolderField = 1019;
constexpr int kComponentTree = 1032;
// The programs of the notebook that the tray companion starts and loads from its folder:
// not part of the suite, so setup neither brings nor removes them.
const char* const kNotebookPrograms[] = {"camctrl.exe", "hookdll.dll"};
const char* const kDeliverables[] = {"KVO_MAIN.exe", "kvocmdll.dll", "quickdock.exe",
                                     "Fitdrv.exe"};
// The installation's values, as testbed/settings.reg has them.
const std::map<std::string, std::string> kInstalledDefaults = {
    {"AppStatusOK", "Y"}, {"ProductString", "vid_feed&pid_cafe"}, {"SnapKey", "S"},
    {"RecordKey", "R"},   {"RunApp", "A"},     {"SendMail", "M"},  {"Property", "P"},
    {"Setting", "T"},     {"DlgPosition", "RIGHT"}, {"DlgAlpha", "N"}, {"DlgAutoHide", "N"},
    {"RunningDevice", ""}};
// What the uninstaller takes out of the settings key: the values only the installation writes.
const char* const kInstallationValues[] = {"ProgPath", "ProductVersion", "ProductString",
                                           "SnapKey",  "RecordKey",      "RunApp",
                                           "SendMail", "Property",       "Setting",
                                           "DlgAlpha"};

std::string CannotCreate(const std::string& folder) {
  return "Setup cannot create the folder \"" + folder + "\".\r\n\r\nChoose another folder.";
}

std::string Setting(const char* name) {
  auto value = ReadValue(HKEY_CURRENT_USER, kSettingsPath, name);
  return value ? value->AsText() : std::string("<missing>");
}

std::string UninstallValue(const char* name) {
  auto value = ReadValue(HKEY_LOCAL_MACHINE, kUninstallKey, name);
  return value ? value->AsText() : std::string("<missing>");
}

std::optional<RegValue> RunEntry() { return ReadValue(HKEY_CURRENT_USER, kRunKey, kRunValue); }

bool KeyExists(HKEY root, const char* path) {
  UniqueHKey key;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, key.put()) == ERROR_SUCCESS) return true;
  key.release();
  return false;
}

std::string ProgramFilesFolder() { return KnownFolder(CSIDL_PROGRAM_FILES) + "\\Oculetto"; }

// What setup puts into the program folder: the programs, the uninstaller, the default skin
// and the bundled driver package, each as the build made it.
std::map<std::string, std::string> ExpectedFiles() {
  std::map<std::string, std::string> files;
  for (const char* name : kDeliverables) files[name] = BinPath(name);
  files[kUninstaller] = "";
  for (const std::string& name : FilesBelow(BinPath("dazodi")))
    files["dazodi\\" + name] = BinPath("dazodi\\" + name);
  for (const std::string& name : FilesBelow(BinPath("driverpkg")))
    files["Driver\\" + name] = BinPath("driverpkg\\" + name);
  return files;
}

// Besides them the folder may hold the notebook's programs and the tray companion's settings
// backup (CMREG.reg), which setup did not bring.
void ExpectInstalledFiles(const std::string& folder) {
  const std::map<std::string, std::string> expected = ExpectedFiles();
  std::set<std::string> names;
  for (const auto& [name, source] : expected) names.insert(name);
  std::set<std::string> found = FilesBelow(folder);
  for (const char* name : kNotebookPrograms) found.erase(name);
  found.erase("CMREG.reg");
  EXPECT_EQ(names, found);
  for (const auto& [name, source] : expected) {
    if (!source.empty()) {
      EXPECT_TRUE(SameBytes(folder + "\\" + name, source)) << name;
    }
  }
}

void ExpectInstallationValues(const std::string& folder) {
  EXPECT_EQ(folder, Setting("ProgPath"));
  EXPECT_EQ(KVO_VERSION_TEXT, Setting("ProductVersion"));
  auto run = RunEntry();
  ASSERT_TRUE(run) << "no Run entry";
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), run->type);
  EXPECT_EQ("\"" + folder + "\\quickdock.exe\"", run->AsText());

  EXPECT_EQ(KVO_PRODUCT_NAME, UninstallValue("DisplayName"));
  EXPECT_EQ(KVO_VERSION_TEXT, UninstallValue("DisplayVersion"));
  EXPECT_EQ(KVO_COMPANY_NAME, UninstallValue("Publisher"));
  EXPECT_EQ(folder + "\\KVO_MAIN.exe,0", UninstallValue("DisplayIcon"));
  EXPECT_EQ(folder, UninstallValue("InstallLocation"));
  EXPECT_EQ("\"" + folder + "\\" + kUninstaller + "\"", UninstallValue("UninstallString"));
  // The parts it installed, in kilobytes, each file rounded up (the uninstaller not counted).
  auto size = ReadValue(HKEY_LOCAL_MACHINE, kUninstallKey, "EstimatedSize");
  ASSERT_TRUE(size && size->AsDword());
  double kilobytes = 0;
  double files = 0;
  for (const auto& [name, source] : ExpectedFiles()) {
    if (source.empty()) continue;
    kilobytes += static_cast<double>(ReadFileBytes(source).value_or(std::vector<uint8_t>()).size()) / 1024;
    ++files;
  }
  EXPECT_GE(*size->AsDword(), kilobytes - 1);
  EXPECT_LE(*size->AsDword(), kilobytes + files);

  auto camera = ReadShortcut(StartMenuFolder() + "\\Oculetto Camera.lnk");
  ASSERT_TRUE(camera) << "no camera application shortcut in " << StartMenuFolder();
  EXPECT_EQ(folder + "\\KVO_MAIN.exe", camera->target);
  EXPECT_EQ(folder, camera->working_folder) << "the camera application finds its skin there";
  auto uninstall = ReadShortcut(StartMenuFolder() + "\\Uninstall Oculetto.lnk");
  ASSERT_TRUE(uninstall) << "no uninstaller shortcut";
  EXPECT_EQ(folder + "\\" + kUninstaller, uninstall->target);
}

// Where the bundled driver package's script (run through Fitdrv.exe) puts the INF and the
// driver file for the camera's hardware id.
std::string InstalledDriverInf() { return KnownFolder(CSIDL_WINDOWS) + "\\inf\\kvotest.inf"; }
std::string InstalledDriverFile() {
  return KnownFolder(CSIDL_SYSTEM) + "\\drivers\\kvotest.sys";
}

void ExpectDriverInstalled() {
  EXPECT_TRUE(FileExists(InstalledDriverInf()));
  EXPECT_TRUE(FileExists(InstalledDriverFile()));
}

void ExpectNothingInstalled(const std::string& folder) {
  EXPECT_FALSE(FolderExists(folder)) << folder;
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kSettingsPath));
  EXPECT_FALSE(RunEntry());
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_FALSE(FolderExists(StartMenuFolder()));
}

void CopyNotebookPrograms(const std::string& folder) {
  for (const char* name : kNotebookPrograms)
    ASSERT_TRUE(CopyFileA(BinPath(name).c_str(), (folder + "\\" + name).c_str(), FALSE)) << name;
}

// After an uninstall the program folder holds only what setup did not bring.
void ExpectOnlyNotebookProgramsLeft(const std::string& folder) {
  std::set<std::string> left;
  for (const char* name : kNotebookPrograms) left.insert(name);
  EXPECT_EQ(left, FilesBelow(folder));
}

class SetupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (SetupProgram().empty() || !FileExists(SetupProgram()))
      GTEST_SKIP() << "no setup program was built (makensis missing): " << SetupProgram();
  }
  void TearDown() override {
    const std::string setup = SetupProgram();
    KillAll(setup.substr(setup.find_last_of('\\') + 1).c_str());
    KillAll("quickdock.exe");
    KillAll("KVO_MAIN.exe");
    DeleteFileA(InstalledDriverInf().c_str());
    DeleteFileA(InstalledDriverFile().c_str());
    for (const std::string& folder : {ProgramFilesFolder(), std::string(kChosenFolder)})
      RemoveTree(folder);
    RemoveTree(StartMenuFolder());
    RemoveTree(kOccupiedPath);
    DeleteTree(HKEY_CURRENT_USER, kSettingsPath);
    DeleteTree(HKEY_LOCAL_MACHINE, kUninstallKey);
    DeleteValue(HKEY_CURRENT_USER, kRunKey, kRunValue);
  }
};

TEST_F(SetupTest, SilentInstallRunsTheSuiteUpgradeKeepsUserValuesUninstallKeepsPictures) {
  const std::string folder = ProgramFilesFolder();
  ExpectNothingInstalled(folder);

  // Folders that cannot be created: setup stops before it writes anything (and does not
  // install into its default folder instead).
  ASSERT_TRUE(WriteFileBytes(kOccupiedPath, "file", 4));
  EXPECT_EQ(2u, RunSetup(std::string("/S /D=") + kFolderBelowFile).value_or(99));
  ExpectNothingInstalled(folder);
  EXPECT_FALSE(FolderExists(kOccupiedPath)) << "the file in the way is left as it was";
  EXPECT_TRUE(FileExists(kOccupiedPath));
  EXPECT_EQ(2u, RunSetup("/S /D=" + kTooLongFolder).value_or(99));
  ExpectNothingInstalled(folder);

  // A silent install into the default folder under Program Files.
  ASSERT_EQ(0u, RunSetup("/S").value_or(99));
  ExpectInstalledFiles(folder);
  for (const auto& [name, value] : kInstalledDefaults)
    EXPECT_EQ(value, Setting(name.c_str())) << name;
  ExpectInstallationValues(folder);
  ExpectDriverInstalled();

  // The installed tray companion starts the installed camera application, hidden; a still
  // is taken through the installed programs.
  CopyNotebookPrograms(folder);
  Process quickdock;
  HWND main = StartInstalledSuite(folder, &quickdock);
  ASSERT_NE(nullptr, main) << "quickdock did not start the camera application";
  EXPECT_FALSE(IsWindowVisible(main));
  EXPECT_STRCASEEQ((folder + "\\KVO_MAIN.exe").c_str(), ProgramOfWindow(main).c_str());
  const std::string pictures = Setting("FilePath");
  EXPECT_EQ(KnownFolder(CSIDL_MYPICTURES), pictures);
  const std::string still = pictures + "\\IMG000001.jpg";
  ASSERT_TRUE(TakeStill(folder, still)) << "no still in " << pictures;
  auto decoded = DecodeJpegFile(still);
  ASSERT_TRUE(decoded) << "not a JPEG: " << still;
  EXPECT_GT(decoded->bitmap.width(), 0);
  EXPECT_EQ(1u, ReadValue(HKEY_CURRENT_USER, kSettingsPath, "JpgCounter")->AsDword().value_or(0));
  EXPECT_TRUE(WaitForFile(folder + "\\CMREG.reg", 10000)) << "quickdock's settings backup";

  // Setup while the suite runs: silent, it refuses; interactive, it says why and a No
  // leaves everything as it was.
  auto kvo_main_before = ReadFileBytes(folder + "\\KVO_MAIN.exe");
  EXPECT_EQ(2u, RunSetup("/S").value_or(99));
  Process interactive = StartProgram(SetupProgram(), "");
  SetupWizard wizard(interactive.id());
  const std::string refusal = wizard.AnswerMessageBox(IDNO);
  EXPECT_EQ(std::string(KVO_PRODUCT_NAME) + " is running. Setup must close it before it can "
                "install.\r\n\r\nClose " KVO_PRODUCT_NAME " now?",
            refusal);
  DWORD code = 99;
  EXPECT_TRUE(interactive.Wait(30000, &code));
  EXPECT_EQ(2u, code);
  EXPECT_TRUE(IsWindow(main)) << "the suite still runs";
  EXPECT_EQ(kvo_main_before, ReadFileBytes(folder + "\\KVO_MAIN.exe"));

  // The user's and the programs' values, and an installation value someone changed.
  ASSERT_TRUE(EndSuiteAsTrayExit());
  const std::vector<uint8_t> pin_data(88, 0x5A);
  ASSERT_TRUE(WriteValue(HKEY_CURRENT_USER, kSettingsPath, "Pin_Data", REG_BINARY,
                         pin_data.data(), static_cast<DWORD>(pin_data.size())));
  ASSERT_TRUE(WriteText(HKEY_CURRENT_USER, kSettingsPath, "DlgPosition", "LEFT", false));
  ASSERT_TRUE(WriteText(HKEY_CURRENT_USER, kSettingsPath, "DlgAutoHide", "Y", false));
  ASSERT_TRUE(WriteText(HKEY_CURRENT_USER, kSettingsPath, "Compressor", "No Compress"));
  ASSERT_TRUE(WriteDword(HKEY_CURRENT_USER, kSettingsPath, "FormTop", 0xFFFFFFF6));
  ASSERT_TRUE(WriteDword(HKEY_CURRENT_USER, kSettingsPath, "AviCounter", 7));
  ASSERT_TRUE(WriteText(HKEY_CURRENT_USER, kSettingsPath, "SnapKey", "K"));
  ASSERT_TRUE(WriteText(HKEY_CURRENT_USER, kSettingsPath, "ProductVersion", "0.9"));
  const char* const user_values[] = {"Pin_Data", "DlgPosition", "DlgAutoHide", "Compressor",
                                     "FormTop",  "AviCounter",  "JpgCounter",  "FilePath",
                                     "FormLeft", "AppStatusOK", "RunningDevice"};
  std::map<std::string, std::optional<RegValue>> before;
  for (const char* name : user_values)
    before[name] = ReadValue(HKEY_CURRENT_USER, kSettingsPath, name);
  ASSERT_TRUE(WriteFileBytes(folder + "\\dazodi\\skin.ini", "damaged", 7));

  // The upgrade replaces the files in place and keeps every such value.
  ASSERT_EQ(0u, RunSetup("/S").value_or(99));
  ExpectInstalledFiles(folder);
  for (const char* name : user_values) {
    auto now = ReadValue(HKEY_CURRENT_USER, kSettingsPath, name);
    EXPECT_EQ(before[name].has_value(), now.has_value()) << name;
    if (before[name] && now) {
      EXPECT_EQ(before[name]->type, now->type) << name;
      EXPECT_EQ(before[name]->data, now->data) << name;
    }
  }
  EXPECT_EQ("K", Setting("SnapKey"));
  EXPECT_FALSE(FileExists(folder + "\\CMREG.reg")) << "the old version's backup goes";
  ExpectInstallationValues(folder);

  // The uninstaller ends the running suite and removes what setup added; the pictures,
  // the still and the user's values stay.
  main = StartInstalledSuite(folder, &quickdock);
  ASSERT_NE(nullptr, main);
  ASSERT_EQ(0u, RunUninstaller(folder + "\\" + kUninstaller, "/S").value_or(99));
  EXPECT_FALSE(SuiteRunning());
  EXPECT_TRUE(quickdock.Wait(10000));
  ExpectOnlyNotebookProgramsLeft(folder);
  EXPECT_FALSE(FolderExists(StartMenuFolder()));
  EXPECT_FALSE(RunEntry());
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  for (const char* name : kInstallationValues) EXPECT_EQ("<missing>", Setting(name)) << name;
  for (const char* name : user_values)
    EXPECT_TRUE(ReadValue(HKEY_CURRENT_USER, kSettingsPath, name)) << name;
  EXPECT_TRUE(FolderExists(pictures));
  EXPECT_TRUE(DecodeJpegFile(still)) << "the still taken before stays";
}

TEST_F(SetupTest, InteractiveInstallChoosesAFolderStartsTheTrayAndUpgradesInPlace) {
  ASSERT_TRUE(WriteFileBytes(kOccupiedPath, "file", 4));
  Process setup = StartProgram(SetupProgram(), std::string("/D=") + kFolderBelowFile);
  SetupWizard wizard(setup.id());
  // The folder given cannot be created: setup says so, then offers its default.
  EXPECT_EQ(CannotCreate(kFolderBelowFile), wizard.AnswerMessageBox(IDOK));
  ASSERT_TRUE(wizard.Appear());
  EXPECT_EQ(kSetupCaption, WindowText(wizard.window()));
  ASSERT_TRUE(wizard.Press("&Next >"));
  HWND folder_field = wizard.WaitForControl(kFolderField);
  ASSERT_NE(nullptr, folder_field);
  EXPECT_EQ(ProgramFilesFolder(), WindowText(folder_field));

  // The folder page refuses a folder that cannot be created, and stays.
  SendMessageA(folder_field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kTooLongFolder.c_str()));
  ASSERT_TRUE(wizard.Press("&Next >"));
  EXPECT_EQ(CannotCreate(kTooLongFolder), wizard.AnswerMessageBox(IDOK));
  EXPECT_TRUE(IsWindowVisible(folder_field));
  EXPECT_FALSE(FolderExists(kOccupiedPath));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kSettingsPath));

  // Another folder, the driver part as offered, the install, and the finish page's start
  // of the tray companion (left ticked).
  SendMessageA(folder_field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kChosenFolder));
  ASSERT_TRUE(wizard.Press("&Next >"));
  ASSERT_NE(nullptr, wizard.WaitForControl(kComponentTree));
  ASSERT_TRUE(wizard.Press("&Install"));
  HWND start_tray = wizard.WaitForControlText("Start the Oculetto tray companion now", 120000);
  ASSERT_NE(nullptr, start_tray) << "no finish page";
  EXPECT_EQ(BST_CHECKED, SendMessageA(start_tray, BM_GETCHECK, 0, 0));
  ExpectInstalledFiles(kChosenFolder);
  ExpectInstallationValues(kChosenFolder);
  ExpectDriverInstalled();
  CopyNotebookPrograms(kChosenFolder);
  ASSERT_TRUE(wizard.Press("&Finish"));
  DWORD code = 99;
  EXPECT_TRUE(setup.Wait(30000, &code));
  EXPECT_EQ(0u, code);
  HWND main = WaitForWindow(kCameraWindowClass, nullptr, 30000);
  ASSERT_NE(nullptr, main) << "the tray companion did not start the camera application";
  EXPECT_FALSE(IsWindowVisible(main));
  EXPECT_STRCASEEQ((std::string(kChosenFolder) + "\\KVO_MAIN.exe").c_str(),
                   ProgramOfWindow(main).c_str());
  HWND tray = WaitForWindow(kTrayWindowClass, nullptr, 10000);
  ASSERT_NE(nullptr, tray);
  EXPECT_STRCASEEQ((std::string(kChosenFolder) + "\\quickdock.exe").c_str(),
                   ProgramOfWindow(tray).c_str());
  ASSERT_TRUE(WaitUntil([] { return AppStatus() == "Y"; }, 30000));

  // Setup again while the suite runs: Yes ends it, and the upgrade stays in the folder
  // (no folder page).
  setup = StartProgram(SetupProgram(), "");
  wizard = SetupWizard(setup.id());
  EXPECT_NE(std::string(), wizard.AnswerMessageBox(IDYES));
  ASSERT_TRUE(wizard.Appear());
  EXPECT_FALSE(SuiteRunning()) << "setup ended the suite before its pages";
  ASSERT_TRUE(wizard.Press("&Next >"));
  ASSERT_NE(nullptr, wizard.WaitForControl(kComponentTree));
  EXPECT_EQ(nullptr, wizard.WaitForControl(kFolderField, 0)) << "no folder page on an upgrade";
  ASSERT_TRUE(wizard.Press("&Install"));
  start_tray = wizard.WaitForControlText("Start the Oculetto tray companion now", 120000);
  ASSERT_NE(nullptr, start_tray);
  SendMessageA(start_tray, BM_SETCHECK, BST_UNCHECKED, 0);
  ASSERT_TRUE(wizard.Press("&Finish"));
  EXPECT_TRUE(setup.Wait(30000, &code));
  EXPECT_EQ(0u, code);
  EXPECT_EQ(kChosenFolder, Setting("ProgPath"));
  EXPECT_FALSE(SuiteRunning()) << "unticked: the tray companion is not started";

  // "Remove my settings" (here from the command line) takes the whole settings key.
  ASSERT_EQ(0u, RunUninstaller(std::string(kChosenFolder) + "\\" + kUninstaller,
                               "/S /RemoveSettings")
                    .value_or(99));
  ExpectOnlyNotebookProgramsLeft(kChosenFolder);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kSettingsPath));
  EXPECT_FALSE(RunEntry());
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_FALSE(FolderExists(StartMenuFolder()));
}

}  // namespace
}  // namespace kvo
