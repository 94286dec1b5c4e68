// Fitdrv.exe as the setup package runs it: its dialog, run modes, block choice, general
// commands, removal record file and uninstall entry, driven from outside the process.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "e2e.h"
#include "wide_text.h"

namespace kvo {
namespace {

using namespace kvo::test;

constexpr char kProgram[] = "Fitdrv.exe";
constexpr char kDialogCaption[] = "FitDriver Ver 1.00 for Win2000/XP";
constexpr char kProduct[] = "KvoCam";
constexpr char kWork[] = "C:\\kvofit";
constexpr DWORD kTimeout = 20000;
constexpr char kVersionKey[] = "Software\\Wine\\AppDefaults\\Fitdrv.exe";
constexpr char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KvoFitTest";

std::string WorkPath(const std::string& name) { return std::string(kWork) + "\\" + name; }

std::string WindowsDir() {
  char directory[MAX_PATH] = {};
  GetWindowsDirectoryA(directory, MAX_PATH);
  return directory;
}

// A script from its lines, each ended by CR LF.
std::string Script(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

std::string ReadText(const std::string& path) {
  auto bytes = ReadFileBytes(path);
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<missing>");
}

std::string IniText(const std::string& file, const char* section, const char* key) {
  char text[256] = {};
  GetPrivateProfileStringA(section, key, "<none>", text, sizeof(text), file.c_str());
  return text;
}

std::vector<std::string> ListLines(HWND dialog) {
  return ListBoxLines(GetDlgItem(dialog, 1000));
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += "[" + line + "] ";
  return text;
}

class FitdrvTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KillAll(kProgram);
    RemoveWork();
    ASSERT_TRUE(CreateDirectoryA(kWork, nullptr));
    UseWindowsVersion("winxp");
  }
  void TearDown() override {
    if (process_.started() && !process_.Wait(100)) process_.Kill();
    KillAll(kProgram);
    DeleteTree(HKEY_CURRENT_USER, kVersionKey);
    RemoveWork();
  }

  static void RemoveWork() { RemoveFolder(kWork); }

  static void RemoveFolder(const std::string& folder) {
    WIN32_FIND_DATAA found = {};
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        const std::string path = folder + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          RemoveFolder(path);
        } else {
          DeleteFileA(path.c_str());
        }
      } while (FindNextFileA(search, &found));
      FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
  }

  // The Windows version Wine reports to Fitdrv.exe ("winxp", "win2k").
  static void UseWindowsVersion(const char* version) {
    WriteText(HKEY_CURRENT_USER, kVersionKey, "Version", version);
  }

  void WriteScript(const std::string& name, const std::vector<std::string>& lines) {
    std::string text = Script(lines);
    ASSERT_TRUE(WriteFileBytes(WorkPath(name), text.data(), text.size()));
  }

  // Starts Fitdrv.exe with the script name as its whole command line.
  void Start(const std::string& arguments, const std::string& working_dir = kWork) {
    process_ = StartProgram(kProgram, arguments, working_dir);
    ASSERT_TRUE(process_.started());
  }

  HWND WaitForDialog() {
    return WaitForWindow("#32770", kDialogCaption, kTimeout, process_.id());
  }

  // Waits until the list holds the line (count times); returns the list.
  std::vector<std::string> WaitForLine(HWND dialog, const std::string& line, int count = 1) {
    std::vector<std::string> lines;
    WaitUntil(
        [&] {
          lines = ListLines(dialog);
          int seen = 0;
          for (const std::string& entry : lines) seen += entry == line ? 1 : 0;
          return seen >= count;
        },
        kTimeout);
    return lines;
  }

  // Runs a mode-0 script: waits for the dialog, presses OK, waits for the run to finish.
  std::vector<std::string> RunWithOk(const std::string& script_name,
                                     const std::string& working_dir = kWork) {
    Start(WorkPath(script_name), working_dir);
    HWND dialog = WaitForDialog();
    EXPECT_NE(nullptr, dialog);
    if (dialog == nullptr) return {};
    WaitForLine(dialog, "Normal Install !");
    PressButton(dialog, IDOK);
    std::vector<std::string> lines = WaitForLine(dialog, "Install Successful !");
    PressButton(dialog, IDCANCEL);
    EXPECT_TRUE(process_.Wait(kTimeout)) << "Cancel ends the program";
    return lines;
  }

  // Runs a mode-2 script to its end.
  void RunAtOnce(const std::string& script_name) {
    Start(WorkPath(script_name));
    DWORD code = 1;
    EXPECT_TRUE(process_.Wait(kTimeout, &code));
    EXPECT_EQ(0u, code);
  }

  Process process_;
};

TEST_F(FitdrvTest, DialogWaitsForOkThenRunsAndRunsAgain) {
  ASSERT_TRUE(WriteFileBytes(WorkPath("a.txt"), "A", 1));
  WriteScript("s.ini", {"[Product]", "Name = \"Kvo Camera\"", "Option = 0", ";comment",
                        "[Default]", "copy = C:\\kvofit\\a.txt, C:\\kvofit\\b.txt",
                        "updateini = C:\\kvofit\\count.ini, Run, Key, done"});
  DeleteFileA("C:\\Fitdrv.log");
  Start(WorkPath("s.ini"));
  HWND dialog = WaitForDialog();
  ASSERT_NE(nullptr, dialog);
  std::vector<std::string> lines = WaitForLine(dialog, "Normal Install !");
  EXPECT_EQ((std::vector<std::string>{"OS Type = WindowsXP", "Normal Install !"}), lines);
  EXPECT_EQ("Kvo Camera", WindowText(GetDlgItem(dialog, 1001)));
  EXPECT_EQ("OK", WindowText(GetDlgItem(dialog, IDOK)));
  EXPECT_EQ("Cancel", WindowText(GetDlgItem(dialog, IDCANCEL)));
  HWND list = GetDlgItem(dialog, 1000);
  ASSERT_NE(nullptr, list);
  EXPECT_EQ("ListBox", ClassName(list));
  EXPECT_FALSE(FileExists(WorkPath("b.txt"))) << "nothing runs before OK";

  PressButton(dialog, IDOK);
  lines = WaitForLine(dialog, "Install Successful !");
  EXPECT_EQ("Install Successful !", lines.back()) << Joined(lines);
  EXPECT_EQ("A", ReadText(WorkPath("b.txt")));
  EXPECT_EQ("", ReadText("C:\\Fitdrv.log")) << "the log file is created and left empty";
  ASSERT_TRUE(DeleteFileA(WorkPath("b.txt").c_str()));

  PressButton(dialog, IDOK);
  lines = WaitForLine(dialog, "Install Successful !", 2);
  EXPECT_EQ("A", ReadText(WorkPath("b.txt"))) << "OK again runs again";
  EXPECT_TRUE(process_.Running()) << "the dialog stays open";
  PressButton(dialog, IDCANCEL);
  EXPECT_TRUE(process_.Wait(kTimeout));
}

// Dialog template 102 and icon 128 as Fitdrv.exe carries them.
struct TemplateItem {
  DWORD style;
  short x, y, cx, cy;
  WORD id;
  WORD class_atom;
};

// A name or an ordinal of a template; a class name becomes the atom it stands for.
const BYTE* SkipNameOrOrdinal(const BYTE* at, WORD* ordinal = nullptr) {
  const WORD* word = reinterpret_cast<const WORD*>(at);
  if (*word == 0xFFFF) {
    if (ordinal != nullptr) *ordinal = word[1];
    return at + 4;
  }
  std::wstring name(reinterpret_cast<const wchar_t*>(word));
  if (ordinal != nullptr && _wcsicmp(name.c_str(), L"ListBox") == 0) *ordinal = 0x0083;
  return at + (name.size() + 1) * sizeof(wchar_t);
}

std::wstring ReadWideText(const BYTE*& at) {
  std::wstring text(reinterpret_cast<const wchar_t*>(at));
  at += (text.size() + 1) * sizeof(wchar_t);
  return text;
}

TEST(FitdrvResources, DialogTemplateHoldsCaptionFontControlsAndIcon) {
  UniqueHModule exe(LoadLibraryExA(BinPath(kProgram).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(exe.valid());
  EXPECT_NE(nullptr, FindResourceA(exe.get(), MAKEINTRESOURCEA(128), RT_GROUP_ICON));
  HRSRC found = FindResourceA(exe.get(), MAKEINTRESOURCEA(102), RT_DIALOG);
  ASSERT_NE(nullptr, found);
  const BYTE* at = static_cast<const BYTE*>(LockResource(LoadResource(exe.get(), found)));
  ASSERT_NE(nullptr, at);
  DLGTEMPLATE head;
  memcpy(&head, at, sizeof(head));
  const DWORD frame = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
  EXPECT_EQ(frame, head.style & frame);
  EXPECT_EQ(4, head.cdit);
  EXPECT_EQ(315, head.cx);
  EXPECT_EQ(214, head.cy);
  at += 18;  // the packed DLGTEMPLATE
  at = SkipNameOrOrdinal(at);  // menu
  at = SkipNameOrOrdinal(at);  // class
  EXPECT_EQ(L"FitDriver", ReadWideText(at));
  at += 2;  // point size
  EXPECT_EQ(L"MS Sans Serif", ReadWideText(at));

  std::vector<TemplateItem> items;
  for (int i = 0; i < head.cdit; ++i) {
    at = reinterpret_cast<const BYTE*>((reinterpret_cast<uintptr_t>(at) + 3) & ~uintptr_t{3});
    DLGITEMTEMPLATE item;
    memcpy(&item, at, sizeof(item));
    at += 18;
    TemplateItem seen = {item.style, item.x, item.y, item.cx, item.cy, item.id, 0};
    at = SkipNameOrOrdinal(at, &seen.class_atom);
    at = SkipNameOrOrdinal(at);
    WORD extra = *reinterpret_cast<const WORD*>(at);
    at += 2 + extra;
    items.push_back(seen);
  }
  auto item_with_id = [&](WORD id) {
    for (const TemplateItem& item : items)
      if (item.id == id) return item;
    return TemplateItem{};
  };
  TemplateItem ok = item_with_id(IDOK);
  EXPECT_EQ(static_cast<DWORD>(BS_DEFPUSHBUTTON), ok.style & 0xF);
  EXPECT_EQ((std::vector<short>{254, 151, 51, 19}), (std::vector<short>{ok.x, ok.y, ok.cx, ok.cy}));
  TemplateItem cancel = item_with_id(IDCANCEL);
  EXPECT_EQ(static_cast<DWORD>(BS_PUSHBUTTON), cancel.style & 0xF);
  EXPECT_EQ((std::vector<short>{254, 177, 52, 19}),
            (std::vector<short>{cancel.x, cancel.y, cancel.cx, cancel.cy}));
  TemplateItem group = item_with_id(1001);
  EXPECT_EQ(static_cast<DWORD>(BS_GROUPBOX), group.style & 0xF);
  EXPECT_EQ((std::vector<short>{7, 7, 244, 200}),
            (std::vector<short>{group.x, group.y, group.cx, group.cy}));
  TemplateItem list = item_with_id(1000);
  EXPECT_EQ(0x0083, list.class_atom) << "a list box";
  EXPECT_EQ(0u, list.style & LBS_SORT) << "lines stay in the order they happen";
  EXPECT_NE(0u, list.style & WS_VSCROLL);
  EXPECT_NE(0u, list.style & WS_BORDER);
  EXPECT_EQ((std::vector<short>{15, 24, 227, 173}),
            (std::vector<short>{list.x, list.y, list.cx, list.cy}));
}

TEST_F(FitdrvTest, MissingScriptIsListedAndOkRunsNothing) {
  Start(WorkPath("none.ini"));
  HWND dialog = WaitForDialog();
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ((std::vector<std::string>{"INI file missing !"}),
            WaitForLine(dialog, "INI file missing !"));
  PressButton(dialog, IDOK);
  Sleep(500);
  EXPECT_EQ((std::vector<std::string>{"INI file missing !"}), ListLines(dialog));
  PressButton(dialog, IDCANCEL);
  EXPECT_TRUE(process_.Wait(kTimeout));
}

TEST_F(FitdrvTest, ScriptIsFoundInTheWindowsFolderThenAsFitdrvIniInTheWorkingDirectory) {
  const std::string in_windows = WindowsDir() + "\\kvofit_script.ini";
  std::string text = Script({"[Product]", "Name=InWindows", "Option=2", "x", "[Default]",
                             "updateini=C:\\kvofit\\found.ini,S,From,windows"});
  ASSERT_TRUE(WriteFileBytes(in_windows, text.data(), text.size()));
  process_ = StartProgram(kProgram, "kvofit_script.ini", kWork);
  EXPECT_TRUE(process_.Wait(kTimeout));
  EXPECT_EQ("windows", IniText(WorkPath("found.ini"), "S", "From"));
  DeleteFileA(in_windows.c_str());

  WriteScript("Fitdrv.ini", {"[Product]", "Name=Default", "Option=2", "x", "[Default]",
                             "updateini=C:\\kvofit\\found.ini,S,From,default"});
  process_ = StartProgram(kProgram, "", kWork);
  EXPECT_TRUE(process_.Wait(kTimeout));
  EXPECT_EQ("default", IniText(WorkPath("found.ini"), "S", "From")) << "empty command line";
}

TEST_F(FitdrvTest, BlockIsChosenByTheWindowsVersionAndOsType) {
  const std::vector<std::string> xp_only = {
      "[Product]", "Name=C", "Option=2", "x", "[WindowsXP]",
      "updateini=C:\\kvofit\\r.ini,S,Block,xp"};
  WriteScript("xp.ini", xp_only);
  RunAtOnce("xp.ini");
  EXPECT_EQ("xp", IniText(WorkPath("r.ini"), "S", "Block"));

  DeleteFileA(WorkPath("r.ini").c_str());
  UseWindowsVersion("win2k");
  RunAtOnce("xp.ini");
  EXPECT_EQ("<none>", IniText(WorkPath("r.ini"), "S", "Block"))
      << "no block and no [Default]: the run ends at once";

  WriteScript("both.ini", {"[Product]", "Name=C", "Option=2", "x", "[Default]",
                           "updateini=C:\\kvofit\\r.ini,S,Default,ran", "[Windows2000]",
                           "updateini=C:\\kvofit\\r.ini,S,Block,2000"});
  RunAtOnce("both.ini");
  EXPECT_EQ("2000", IniText(WorkPath("r.ini"), "S", "Block"));
  EXPECT_EQ("<none>", IniText(WorkPath("r.ini"), "S", "Default")) << "only the OS block runs";

  DeleteFileA(WorkPath("r.ini").c_str());
  UseWindowsVersion("winxp");
  WriteScript("ostype.ini", {"[Product]", "Name=C", "Option=0", "OSType=6", "[Default]",
                             "updateini=C:\\kvofit\\r.ini,S,Default,ran", "[Windows2000]",
                             "updateini=C:\\kvofit\\r.ini,S,Block,2000"});
  std::vector<std::string> lines = RunWithOk("ostype.ini");
  EXPECT_EQ("OS Type = Windows2000", lines.empty() ? "" : lines[0]);
  EXPECT_EQ("2000", IniText(WorkPath("r.ini"), "S", "Block"));
  EXPECT_EQ("<none>", IniText(WorkPath("r.ini"), "S", "Default"));
}

TEST_F(FitdrvTest, ModeOneAnsweredNoRunsNothingAndNeverShowsTheDialog) {
  WriteScript("ask.ini", {"[Product]", std::string("Name=") + kProduct, "Option=1", "x",
                          "[Default]", "updateini=C:\\kvofit\\r.ini,S,Ran,yes"});
  Start(WorkPath("ask.ini"));
  HWND question = WaitForMessageBox(kProduct, kTimeout, process_.id());
  ASSERT_NE(nullptr, question);
  std::string text = MessageBoxText(question);
  EXPECT_FALSE(text.empty());
  EXPECT_EQ('?', text.empty() ? ' ' : text.back()) << "a question, shown whole: " << text;
  HWND dialog = FindTopWindow("#32770", kDialogCaption, process_.id());
  EXPECT_TRUE(dialog == nullptr || !IsWindowVisible(dialog)) << "not shown while asking";
  ASSERT_TRUE(PressButton(question, IDNO));
  EXPECT_TRUE(process_.Wait(kTimeout));
  EXPECT_EQ("<none>", IniText(WorkPath("r.ini"), "S", "Ran"));

  Start(WorkPath("ask.ini"));
  question = WaitForMessageBox(kProduct, kTimeout, process_.id());
  ASSERT_NE(nullptr, question);
  ASSERT_TRUE(PressButton(question, IDYES));
  EXPECT_TRUE(process_.Wait(kTimeout));
  EXPECT_EQ("yes", IniText(WorkPath("r.ini"), "S", "Ran"));
}

TEST_F(FitdrvTest, ModeTwoRunsAtOnceAndOtherModesWaitWithoutTheNormalLine) {
  WriteScript("now.ini", {"[Product]", "Name=C", "Option=2", "x", "[Default]",
                          "updateini=C:\\kvofit\\r.ini,S,Ran,now"});
  Start(WorkPath("now.ini"));
  bool shown = false;
  EXPECT_TRUE(WaitUntil(
      [&] {
        HWND dialog = FindTopWindow("#32770", kDialogCaption, process_.id());
        shown = shown || (dialog != nullptr && IsWindowVisible(dialog));
        return !process_.Running();
      },
      kTimeout));
  EXPECT_FALSE(shown) << "mode 2 closes without being shown";
  EXPECT_EQ("now", IniText(WorkPath("r.ini"), "S", "Ran"));

  WriteScript("seven.ini", {"[Product]", "Name=C", "Option=7", "x", "[Default]",
                            "updateini=C:\\kvofit\\r.ini,S,Seven,ran"});
  Start(WorkPath("seven.ini"));
  HWND dialog = WaitForDialog();
  ASSERT_NE(nullptr, dialog);
  std::vector<std::string> lines = WaitForLine(dialog, "OS Type = WindowsXP");
  Sleep(300);
  EXPECT_EQ((std::vector<std::string>{"OS Type = WindowsXP"}), ListLines(dialog));
  EXPECT_EQ("<none>", IniText(WorkPath("r.ini"), "S", "Seven"));
  PressButton(dialog, IDOK);
  WaitForLine(dialog, "Install Successful !");
  EXPECT_EQ("ran", IniText(WorkPath("r.ini"), "S", "Seven"));
}

TEST_F(FitdrvTest, GeneralCommandsTakeEffect) {
  ASSERT_TRUE(CreateDirectoryA(WorkPath("with blank").c_str(), nullptr));
  ASSERT_TRUE(WriteFileBytes(WorkPath("with blank\\src.txt"), "SRC", 3));
  // A program that writes its whole command line to commands.txt beside itself.
  ASSERT_TRUE(CopyFileA(BinPath("kvo_recorder.exe").c_str(),
                        WorkPath("with blank\\recorder.exe").c_str(), FALSE));
  ASSERT_TRUE(WriteFileBytes(WorkPath("old.txt"), "OLD", 3));
  const std::string reg = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\KvoFitTest]\r\n"
                          "\"Imported\"=\"yes\"\r\n";
  ASSERT_TRUE(WriteFileBytes(WorkPath("import.reg"), reg.data(), reg.size()));
  DeleteTree(HKEY_CURRENT_USER, "Software\\KvoFitTest");
  const std::string in_windows = WindowsDir() + "\\kvofit_copied.txt";
  DeleteFileA(in_windows.c_str());

  WriteScript("cmds.ini",
              {"[Product]", "Name=C", "Option=0", "x", "[Default]",
               "copy = \"C:\\kvofit\\with blank\\src.txt\" , C:\\kvofit\\dst.txt",
               "copytowindir = C:\\kvofit\\dst.txt, kvofit_copied.txt",
               "rename = C:\\kvofit\\old.txt, C:\\kvofit\\new.txt",
               "updateini = C:\\kvofit\\u.ini, Section, Key, \"two words\"",
               "registry = C:\\kvofit\\import.reg",
               "runwait = C:\\windows\\system32\\cmd.exe, \"/c mkdir C:\\kvofit\\waited\"",
               "runwait = \"C:\\kvofit\\with blank\\recorder.exe\", \"-x 1\"",
               "run = \"cmd.exe /c mkdir C:\\kvofit\\started\"",
               "frobnicate = %s%s%n",
               "delay = 1500",
               "updateini = C:\\kvofit\\u.ini, Section, After, delay"});
  Start(WorkPath("cmds.ini"));
  HWND dialog = WaitForDialog();
  ASSERT_NE(nullptr, dialog);
  WaitForLine(dialog, "Normal Install !");
  DWORD start = GetTickCount();
  PressButton(dialog, IDOK);
  std::vector<std::string> lines = WaitForLine(dialog, "Install Successful !");
  EXPECT_GE(GetTickCount() - start, 1500u) << "the delay paused the run";

  EXPECT_EQ("SRC", ReadText(WorkPath("dst.txt"))) << "quoted source with a blank";
  EXPECT_EQ("SRC", ReadText(in_windows));
  EXPECT_FALSE(FileExists(WorkPath("old.txt")));
  EXPECT_EQ("OLD", ReadText(WorkPath("new.txt")));
  EXPECT_EQ("two words", IniText(WorkPath("u.ini"), "Section", "Key"));
  EXPECT_EQ("delay", IniText(WorkPath("u.ini"), "Section", "After"));
  auto imported = ReadValue(HKEY_CURRENT_USER, "Software\\KvoFitTest", "Imported");
  EXPECT_TRUE(imported && imported->AsText() == "yes") << "regedit -s imported the file";
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(WorkPath("waited").c_str()))
      << "runwait waited for the program";
  EXPECT_EQ("\"C:\\kvofit\\with blank\\recorder.exe\" -x 1\r\n",
            ReadText(WorkPath("with blank\\commands.txt")))
      << "runwait hands the program its own path in quotes, then the argument";
  EXPECT_TRUE(WaitUntil(
      [] { return GetFileAttributesA(WorkPath("started").c_str()) != INVALID_FILE_ATTRIBUTES; },
      kTimeout))
      << "run started the program";
  EXPECT_EQ((std::vector<std::string>{"OS Type = WindowsXP", "Normal Install !",
                                      "Illegal Command frobnicate = %s%s%n !",
                                      "Install Successful !"}),
            lines)
      << "the raw line, never a format; nothing else listed";

  PressButton(dialog, IDCANCEL);
  EXPECT_TRUE(process_.Wait(kTimeout));
  DeleteFileA(in_windows.c_str());
  DeleteTree(HKEY_CURRENT_USER, "Software\\KvoFitTest");
  RemoveFolder(WorkPath("with blank"));
}

TEST_F(FitdrvTest, MessageShowsItsTextAndBootAnsweredNoEndsTheRun) {
  WriteScript("boot.ini", {"[Product]", std::string("Name=") + kProduct, "Option=2", "x",
                           "[Default]", "message = \"Driver  copied.\" Please wait",
                           "updateini=C:\\kvofit\\r.ini,S,Before,boot", "boot",
                           "updateini=C:\\kvofit\\r.ini,S,After,boot"});
  Start(WorkPath("boot.ini"));
  HWND box = WaitForMessageBox(kProduct, kTimeout, process_.id());
  ASSERT_NE(nullptr, box);
  EXPECT_EQ("Driver  copied.Pleasewait", MessageBoxText(box));
  EXPECT_EQ(nullptr, GetDlgItem(box, IDNO)) << "an OK box";
  ASSERT_TRUE(PressButton(box, IDOK));

  // Only No is ever pressed: Yes would restart the Wine session.
  HWND question = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] {
        question = FindTopWindow("#32770", kProduct, process_.id());
        return question != nullptr && question != box && GetDlgItem(question, IDNO) != nullptr;
      },
      kTimeout));
  std::string text = MessageBoxText(question);
  EXPECT_EQ('?', text.empty() ? ' ' : text.back()) << text;
  ASSERT_TRUE(PressButton(question, IDNO));
  EXPECT_TRUE(process_.Wait(kTimeout));
  EXPECT_EQ("boot", IniText(WorkPath("r.ini"), "S", "Before"));
  EXPECT_EQ("<none>", IniText(WorkPath("r.ini"), "S", "After")) << "boot ends the run";
}

TEST_F(FitdrvTest, OkPressedWhileTheRunAsksItsBootQuestionStartsNoSecondRun) {
  WriteScript("twice.ini", {"[Product]", std::string("Name=") + kProduct, "Option=0", "x",
                            "[Default]", "updateini=C:\\kvofit\\r.ini,S,Runs,1", "boot"});
  Start(WorkPath("twice.ini"));
  HWND dialog = WaitForDialog();
  ASSERT_NE(nullptr, dialog);
  WaitForLine(dialog, "Normal Install !");
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  HWND question = WaitForMessageBox(kProduct, kTimeout, process_.id());
  ASSERT_NE(nullptr, question);
  ASSERT_NE(nullptr, GetDlgItem(question, IDNO)) << "the boot question";
  EXPECT_TRUE(IsWindowEnabled(dialog)) << "the question has no owner, so OK can be pressed";

  // The dialog handles the sent OK before the call returns; a second run would block in
  // a second question and never return.
  DWORD_PTR result = 0;
  EXPECT_NE(0, SendMessageTimeoutA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0,
                                   SMTO_NORMAL, kTimeout, &result))
      << "OK returned at once while the run is in progress";
  int questions = 0;
  EnumWindows(
      [](HWND window, LPARAM count) -> BOOL {
        if (ClassName(window) == "#32770" && WindowText(window) == kProduct)
          ++*reinterpret_cast<int*>(count);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&questions));
  EXPECT_EQ(1, questions) << "one question, from one run";

  ASSERT_TRUE(PressButton(question, IDNO));
  const std::vector<std::string> lines = WaitForLine(dialog, "Install Successful !");
  EXPECT_EQ((std::vector<std::string>{"OS Type = WindowsXP", "Normal Install !",
                                      "Install Successful !"}),
            lines)
      << Joined(lines);
  // OK runs the script again once the first run is over.
  PressButton(dialog, IDOK);
  HWND again = WaitForMessageBox(kProduct, kTimeout, process_.id());
  ASSERT_NE(nullptr, again);
  ASSERT_TRUE(PressButton(again, IDNO));
  EXPECT_EQ(4u, WaitForLine(dialog, "Install Successful !", 2).size());
  PressButton(dialog, IDCANCEL);
  EXPECT_TRUE(process_.Wait(kTimeout));
}

TEST_F(FitdrvTest, RemovalRecordFileIsWrittenByteForByteAndCutAfterItsHead) {
  ASSERT_TRUE(WriteFileBytes(WorkPath("a.txt"), "A", 1));
  const std::string stale(600, 'S');
  ASSERT_TRUE(WriteFileBytes(WorkPath("remove.dat"), stale.data(), stale.size()));
  WriteScript("rec.ini", {"[Product]", std::string("Name=") + kProduct,
                          "UnFitdrv=C:\\kvofit\\remove.dat", "Option=2", "[Default]",
                          "copy=C:\\kvofit\\a.txt,C:\\kvofit\\b.txt",
                          "copy=C:\\kvofit\\missing.txt,C:\\kvofit\\c.txt"});
  RunAtOnce("rec.ini");
  auto line = [](const std::string& text) { return text + std::string("\0\r\n", 3); };
  EXPECT_EQ(line("[Product]") + line("Name=KvoCam") + line("Option=2") + line("Version=2") +
                line("") + line("[Remove]") + line("C:\\kvofit\\b.txt") + line("[Remove]") +
                line("C:\\kvofit\\c.txt"),
            ReadText(WorkPath("remove.dat")))
      << "no stale tail; a failed copy is recorded all the same";

  WriteScript("late.ini", {"[Product]", "UnFitdrv=C:\\kvofit\\late.dat", "Name=Late",
                           "Option=2", "[Default]", "refreshdriver"});
  RunAtOnce("late.ini");
  EXPECT_EQ(line("[Product]") + line("Name=") + line("Option=2") + line("Version=2") + line(""),
            ReadText(WorkPath("late.dat")))
      << "Name after UnFitdrv is not written";

  // An empty value switches records off, also for a file named before it.
  WriteScript("off.ini", {"[Product]", "Name=C", "UnFitdrv=C:\\kvofit\\first.dat",
                          "UnFitdrv=", "Option=2", "[Default]",
                          "copy=C:\\kvofit\\a.txt,C:\\kvofit\\d.txt"});
  RunAtOnce("off.ini");
  EXPECT_EQ("A", ReadText(WorkPath("d.txt")));
  EXPECT_EQ(line("[Product]") + line("Name=C") + line("Option=2") + line("Version=2") + line(""),
            ReadText(WorkPath("first.dat")))
      << "no record after the empty UnFitdrv";
}

TEST_F(FitdrvTest, UninstallEntryIsRoutedThroughTheUninstaller) {
  DeleteTree(HKEY_LOCAL_MACHINE, kUninstallKey);
  ASSERT_TRUE(WriteText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString",
                        "C:\\old\\setup.exe /remove"));
  WriteScript("un.ini", {"[Product]", "Name=C", "Uninstall = KvoFitTest, \"-u kvo\"",
                         "Option=2", "[Default]"});
  RunAtOnce("un.ini");
  auto old_command = ReadValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UnFitdrv");
  ASSERT_TRUE(old_command);
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), old_command->type);
  EXPECT_EQ("C:\\old\\setup.exe /remove",
            std::string(old_command->data.begin(), old_command->data.end()))
      << "the old string, without NUL";
  auto command = ReadValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString");
  ASSERT_TRUE(command);
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), command->type);
  EXPECT_EQ("UnFitdrv.exe -u kvo", std::string(command->data.begin(), command->data.end()));

  RunAtOnce("un.ini");
  old_command = ReadValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UnFitdrv");
  ASSERT_TRUE(old_command);
  EXPECT_EQ("UnFitdrv.exe -u kvo", std::string(old_command->data.begin(), old_command->data.end()))
      << "a second run keeps the replaced command";

  // No UninstallString: it is still set. A long argument is cut to the 259-byte string.
  ASSERT_TRUE(DeleteTree(HKEY_LOCAL_MACHINE, kUninstallKey));
  ASSERT_TRUE(WriteText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName", "x"));
  WriteScript("long.ini", {"[Product]", "Name=C", "Uninstall=KvoFitTest," + std::string(240, 'a'),
                           "Option=2", "[Default]"});
  RunAtOnce("long.ini");
  EXPECT_FALSE(ReadValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UnFitdrv"));
  command = ReadValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString");
  ASSERT_TRUE(command);
  EXPECT_EQ("UnFitdrv.exe " + std::string(235, 'a'),
            std::string(command->data.begin(), command->data.end()))
      << "the argument ends where the 256 parsed characters end";

  // An old command longer than any buffer, of its own type, is kept whole; so are the
  // bytes of a value that is no text at all.
  ASSERT_TRUE(DeleteTree(HKEY_LOCAL_MACHINE, kUninstallKey));
  const std::string long_command = "C:\\old\\" + std::string(600, 'L') + ".exe /remove";
  ASSERT_TRUE(WriteValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", REG_EXPAND_SZ,
                         long_command.c_str(), static_cast<DWORD>(long_command.size() + 1)));
  RunAtOnce("un.ini");
  old_command = ReadValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UnFitdrv");
  ASSERT_TRUE(old_command) << "a command over 260 bytes is saved too";
  EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), old_command->type);
  EXPECT_EQ(long_command, std::string(old_command->data.begin(), old_command->data.end()));
  command = ReadValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString");
  ASSERT_TRUE(command);
  EXPECT_EQ("UnFitdrv.exe -u kvo", std::string(command->data.begin(), command->data.end()));

  ASSERT_TRUE(DeleteTree(HKEY_LOCAL_MACHINE, kUninstallKey));
  const uint8_t binary[] = {'r', 'u', 'n', 0, 0xFF, 0, 'x', 0};
  ASSERT_TRUE(WriteValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", REG_BINARY,
                         binary, sizeof(binary)));
  RunAtOnce("un.ini");
  old_command = ReadValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UnFitdrv");
  ASSERT_TRUE(old_command);
  EXPECT_EQ(static_cast<DWORD>(REG_BINARY), old_command->type);
  EXPECT_EQ(std::vector<uint8_t>(std::begin(binary), std::end(binary)), old_command->data)
      << "every byte, NULs included";

  // A product without a key: nothing is created.
  ASSERT_TRUE(DeleteTree(HKEY_LOCAL_MACHINE, kUninstallKey));
  RunAtOnce("un.ini");
  EXPECT_FALSE(ReadValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"));
}

}  // namespace
}  // namespace kvo
