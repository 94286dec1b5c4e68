; The setup program of the Oculetto camera suite. It installs the four programs and the
; default skin, writes the installation's values of the settings key, starts the tray
; companion at logon, adds the Start-menu shortcuts and the uninstall entry, and runs a
; bundled camera driver package through Fitdrv.exe. A second run upgrades in place.
;
; setup/CMakeLists.txt builds it, once per build tree, with these defines; the shipped setup
; (x86-unicode, from the i686 tree) and the one the tests run (amd64-unicode, from the
; x86_64 tree) differ only in KVO_TARGET and KVO_INPUT_DIR (and what the build made there):
;   KVO_TARGET             x86-unicode or amd64-unicode
;   KVO_INPUT_DIR          the build tree's bin folder: the programs and the skin
;   KVO_OUTPUT             the setup program to write
;   KVO_VERSION            the suite's version, four numbers (project() in CMakeLists.txt)
;   KVO_PRODUCT_NAME, KVO_COMPANY_NAME, KVO_COPYRIGHT
;   KVO_ICON               the suite's icon
;   KVO_PAYLOAD            generated: the skin's files and the driver package's, if bundled
;   KVO_SETTINGS_DEFAULTS  generated: the settings key's initial values
Target ${KVO_TARGET}
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include Sections.nsh
!include WinMessages.nsh

!define SETTINGS_KEY "Software\KVO_CM_SW"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "Oculetto"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Oculetto"
!define UNINSTALLER "Uninstall.exe"
!define START_MENU_FOLDER "$SMPROGRAMS\Oculetto"
; The windows by which the running suite is found: the tray companion's hidden window and
; the camera application's main window.
!define TRAY_WINDOW_CLASS "KVO_CM_Quickdock"
!define CAMERA_WINDOW_CLASS "TKVO_CM_MAIN"
; How long the suite gets to end, in steps of 100 ms.
!define END_SUITE_STEPS 100
; How long a file that is still in use gets to become free, in steps of 100 ms.
!define DELETE_STEPS 50
; Exit codes beside NSIS's own (0 done, 1 cancelled, 2 aborted).
!define EXIT_DRIVER_FAILED 3

Name "${KVO_PRODUCT_NAME}"
Caption "${KVO_PRODUCT_NAME} ${KVO_VERSION} Setup"
UninstallCaption "${KVO_PRODUCT_NAME} Uninstall"
BrandingText "${KVO_PRODUCT_NAME} ${KVO_VERSION}"
OutFile "${KVO_OUTPUT}"
InstallDir "$PROGRAMFILES\Oculetto"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${KVO_VERSION}"
VIFileVersion "${KVO_VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${KVO_PRODUCT_NAME}"
VIAddVersionKey /LANG=1033 "CompanyName" "${KVO_COMPANY_NAME}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${KVO_COPYRIGHT}"
VIAddVersionKey /LANG=1033 "FileDescription" "${KVO_PRODUCT_NAME} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${KVO_VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${KVO_VERSION}"

!include "${KVO_PAYLOAD}"

Var Upgrade
; The folder of the suite that runs, which holds the program that takes the word "Close".
Var SuiteFolder

; ---------------------------------------------------------------------------------------
; Pages

!define MUI_ICON "${KVO_ICON}"
!define MUI_UNICON "${KVO_ICON}"

!insertmacro MUI_PAGE_WELCOME
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipFolderChoiceOnUpgrade
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE RefuseFolderThatCannotBeCreated
!insertmacro MUI_PAGE_DIRECTORY
!ifdef KVO_DRIVER_BUNDLED
  !insertmacro MUI_PAGE_COMPONENTS
!endif
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Start the Oculetto tray companion now"
!define MUI_FINISHPAGE_RUN_FUNCTION StartTrayCompanion
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!define MUI_COMPONENTSPAGE_TEXT_TOP "Your pictures and recordings stay where they are. Your settings stay too, unless you tick the box."
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; ---------------------------------------------------------------------------------------
; Helpers shared by setup and the uninstaller (NSIS keeps the two apart: "un." names).

; Deletes a file, waiting up to DELETE_STEPS x 100 ms while a program that just ended
; still holds it; one still held then goes at the next restart.
!macro KVO_DELETE_FILE FILE
  Push $R9
  StrCpy $R9 0
  ${Do}
    ClearErrors
    Delete "${FILE}"
    ${IfNot} ${Errors}
      ${Break}
    ${EndIf}
    IntOp $R9 $R9 + 1
    ${If} $R9 >= ${DELETE_STEPS}
      Delete /REBOOTOK "${FILE}"
      ${Break}
    ${EndIf}
    Sleep 100
  ${Loop}
  Pop $R9
!macroend

; SuiteRunning: pushes 1 while a window of the tray companion or the camera application
; exists, else 0.
; EndSuite: ends the running suite as the tray menu's Exit does: the camera application is
; told "Close" by a later instance of itself, then the tray companion's hidden window is
; closed (its shutdown removes the tray icon and tells the camera application "Close" once
; more). Pushes 1 when both have gone within END_SUITE_STEPS x 100 ms, else 0.
!macro KVO_SUITE_FUNCTIONS PREFIX
  Function ${PREFIX}SuiteRunning
    Push $0
    Push $1
    FindWindow $0 "${TRAY_WINDOW_CLASS}"
    FindWindow $1 "${CAMERA_WINDOW_CLASS}"
    ${If} $0 <> 0
    ${OrIf} $1 <> 0
      StrCpy $0 1
    ${Else}
      StrCpy $0 0
    ${EndIf}
    Pop $1
    Exch $0
  FunctionEnd

  Function ${PREFIX}EndSuite
    Push $0
    Push $1
    Push $2
    FindWindow $0 "${CAMERA_WINDOW_CLASS}"
    ${If} $0 <> 0
    ${AndIf} ${FileExists} "$SuiteFolder\KVO_MAIN.exe"
      DetailPrint "Closing the camera application"
      ExecWait '"$SuiteFolder\KVO_MAIN.exe" Close'
    ${EndIf}
    FindWindow $0 "${TRAY_WINDOW_CLASS}"
    ${If} $0 <> 0
      DetailPrint "Closing the tray companion"
      SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=5000
    ${EndIf}
    StrCpy $1 0
    ${Do}
      Call ${PREFIX}SuiteRunning
      Pop $0
      ${If} $0 = 0
        ${Break}
      ${EndIf}
      IntOp $1 $1 + 1
      ${If} $1 >= ${END_SUITE_STEPS}
        ${Break}
      ${EndIf}
      ; A camera application still starting drops the word: tell it again now and then.
      IntOp $0 $1 % 20
      FindWindow $2 "${CAMERA_WINDOW_CLASS}"
      ${If} $0 = 0
      ${AndIf} $2 <> 0
      ${AndIf} ${FileExists} "$SuiteFolder\KVO_MAIN.exe"
        ExecWait '"$SuiteFolder\KVO_MAIN.exe" Close'
      ${EndIf}
      Sleep 100
    ${Loop}
    Call ${PREFIX}SuiteRunning
    Pop $0
    IntOp $0 $0 ^ 1
    Pop $2
    Pop $1
    Exch $0
  FunctionEnd
!macroend
!insertmacro KVO_SUITE_FUNCTIONS ""
!insertmacro KVO_SUITE_FUNCTIONS "un."

; The values of the settings key that the installation owns (the programs only read them):
; the uninstaller removes them. Setup writes them in WriteSettings.
!macro KVO_INSTALLATION_VALUES MACRO
  !insertmacro ${MACRO} "ProgPath"
  !insertmacro ${MACRO} "ProductVersion"
  !insertmacro ${MACRO} "ProductString"
  !insertmacro ${MACRO} "SnapKey"
  !insertmacro ${MACRO} "RecordKey"
  !insertmacro ${MACRO} "RunApp"
  !insertmacro ${MACRO} "SendMail"
  !insertmacro ${MACRO} "Property"
  !insertmacro ${MACRO} "Setting"
  !insertmacro ${MACRO} "DlgAlpha"
!macroend

!macro KVO_DELETE_SETTING NAME
  DeleteRegValue HKCU "${SETTINGS_KEY}" "${NAME}"
!macroend

; Writes a value of the settings key only when the key has no value of that name yet,
; whatever its type: a value a user or a program wrote is never replaced.
!macro KVO_SETTING_DEFAULT NAME VALUE
  ClearErrors
  ReadRegStr $0 HKCU "${SETTINGS_KEY}" "${NAME}"
  ${If} ${Errors}
    ClearErrors
    ReadRegDWORD $0 HKCU "${SETTINGS_KEY}" "${NAME}"
    ${If} ${Errors}
      WriteRegStr HKCU "${SETTINGS_KEY}" "${NAME}" "${VALUE}"
    ${EndIf}
  ${EndIf}
!macroend

!macro KVO_FOLDER_CANNOT_BE_CREATED FOLDER
  MessageBox MB_OK|MB_ICONSTOP \
    "Setup cannot create the folder $\"${FOLDER}$\".$\r$\n$\r$\nChoose another folder." \
    /SD IDOK
!macroend

; ---------------------------------------------------------------------------------------
; Setup

Function .onInit
  Call RefuseFolderNotTaken
  Call RefuseWhileSuiteRuns
  ; An earlier installation is upgraded where it lies.
  StrCpy $Upgrade 0
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} ${FileExists} "$0\${UNINSTALLER}"
    StrCpy $INSTDIR $0
    StrCpy $Upgrade 1
  ${EndIf}
FunctionEnd

; Files in use cannot be replaced, so the suite must not run. Setup offers to end it; one
; that will not end, or a No (also the answer of a silent setup), leaves everything as it
; was.
Function RefuseWhileSuiteRuns
  Call SuiteRunning
  Pop $0
  ${If} $0 = 0
    Return
  ${EndIf}
  MessageBox MB_YESNO|MB_ICONEXCLAMATION \
    "$(^Name) is running. Setup must close it before it can install.$\r$\n$\r$\nClose $(^Name) now?" \
    /SD IDNO IDYES end_suite
  SetErrorLevel 2
  Quit
end_suite:
  ReadRegStr $SuiteFolder HKCU "${SETTINGS_KEY}" "ProgPath"
  Call EndSuite
  Pop $0
  ${If} $0 = 0
    MessageBox MB_OK|MB_ICONSTOP \
      "$(^Name) did not close. Close it from its icon in the notification area (Exit), then start setup again." \
      /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
FunctionEnd

; NSIS puts its default folder in place of a folder given with /D that lies below a file or
; on a drive that does not exist, without a word: the install would land elsewhere. A silent
; setup stops there; an interactive one says so and offers the default on its folder page.
Function RefuseFolderNotTaken
  ; $CMDLINE lacks the /D part: the process's own command line has it, always last.
  System::Call 'kernel32::GetCommandLine() t .r0'
  ClearErrors
  ${WordFind} $0 " /D=" "E-1}" $1
  ${If} ${Errors}
    Return
  ${EndIf}
  ${Do}
    StrCpy $2 $1 1 -1
    ${If} $2 != "\"
      ${Break}
    ${EndIf}
    StrCpy $1 $1 -1
  ${Loop}
  ${If} $1 == $INSTDIR
    Return
  ${EndIf}
  !insertmacro KVO_FOLDER_CANNOT_BE_CREATED $1
  ${If} ${Silent}
    SetErrorLevel 2
    Quit
  ${EndIf}
FunctionEnd

Function SkipFolderChoiceOnUpgrade
  ${If} $Upgrade = 1
    Abort
  ${EndIf}
FunctionEnd

; Pushes 1 when $INSTDIR exists or can be created, else 0. A folder made for the test is
; removed again, with every parent it had to make: choosing a folder changes nothing.
Function CanCreateInstallFolder
  Push $0
  Push $1
  ${If} ${FileExists} "$INSTDIR\*.*"
    StrCpy $0 1
  ${Else}
    ; The outermost folder that does not exist yet (a file of that name counts as there).
    StrCpy $1 $INSTDIR
    ${Do}
      ${GetParent} $1 $0
      ${If} $0 == ""
      ${OrIf} ${FileExists} $0
        ${Break}
      ${EndIf}
      StrCpy $1 $0
    ${Loop}
    ClearErrors
    CreateDirectory $INSTDIR
    ${If} ${FileExists} "$INSTDIR\*.*"
      StrCpy $0 1
    ${Else}
      StrCpy $0 0
    ${EndIf}
    ${If} ${FileExists} "$1\*.*"
      RMDir /r $1
    ${EndIf}
  ${EndIf}
  Pop $1
  Exch $0
FunctionEnd

Function RefuseFolderThatCannotBeCreated
  Call CanCreateInstallFolder
  Pop $0
  ${If} $0 = 0
    !insertmacro KVO_FOLDER_CANNOT_BE_CREATED $INSTDIR
    Abort
  ${EndIf}
FunctionEnd

Section "Oculetto programs" SecPrograms
  SectionIn RO
  ; A silent setup chose no folder on a page: the folder is checked here, before anything
  ; is written.
  ClearErrors
  CreateDirectory $INSTDIR
  ${IfNot} ${FileExists} "$INSTDIR\*.*"
    !insertmacro KVO_FOLDER_CANNOT_BE_CREATED $INSTDIR
    SetErrorLevel 2
    Abort
  ${EndIf}

  Call WaitUntilProgramsAreFree
  Pop $0
  ${If} $0 = 0
    MessageBox MB_OK|MB_ICONSTOP \
      "A program of $(^Name) in $\"$INSTDIR$\" is still in use. Close it, then start setup again." \
      /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}

  SetOutPath $INSTDIR
  SetOverwrite on
  File "${KVO_INPUT_DIR}/KVO_MAIN.exe"
  File "${KVO_INPUT_DIR}/kvocmdll.dll"
  File "${KVO_INPUT_DIR}/quickdock.exe"
  File "${KVO_INPUT_DIR}/Fitdrv.exe"
  !insertmacro KVO_INSTALL_SKIN
  SetOutPath $INSTDIR
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  ${If} $Upgrade = 1
    ; The tray companion's backup of the settings key ("CMREG.reg", written at its first
    ; start) holds the earlier version's values: its next start writes a new one.
    Delete "$INSTDIR\CMREG.reg"
  ${EndIf}

  Call WriteSettings
  WriteRegStr HKCU "${RUN_KEY}" "${RUN_VALUE}" '"$INSTDIR\quickdock.exe"'

  ; Shortcuts start in the program folder: the camera application finds its skin there.
  SetOutPath $INSTDIR
  CreateDirectory "${START_MENU_FOLDER}"
  CreateShortCut "${START_MENU_FOLDER}\Oculetto Camera.lnk" "$INSTDIR\KVO_MAIN.exe" "" \
    "$INSTDIR\KVO_MAIN.exe" 0
  CreateShortCut "${START_MENU_FOLDER}\Uninstall Oculetto.lnk" "$INSTDIR\${UNINSTALLER}"
SectionEnd

!ifdef KVO_DRIVER_BUNDLED
Section "Camera driver" SecDriver
  !insertmacro KVO_INSTALL_DRIVER
  ; Fitdrv.exe takes the whole rest of its command line, unquoted, as the script's path,
  ; and finds the package's files from its working directory.
  SetOutPath "$INSTDIR\Driver"
  DetailPrint "Installing the camera driver"
  ClearErrors
  ExecWait '"$INSTDIR\Fitdrv.exe" $INSTDIR\Driver\Fitdrv.ini' $0
  ${If} ${Errors}
    DetailPrint "The camera driver installer could not be started."
    MessageBox MB_OK|MB_ICONEXCLAMATION \
      "The camera driver installer could not be started. The camera may not work until its driver is installed." \
      /SD IDOK
    SetErrorLevel ${EXIT_DRIVER_FAILED}
  ${ElseIf} $0 <> 0
    DetailPrint "The camera driver installer failed (exit code $0)."
    MessageBox MB_OK|MB_ICONEXCLAMATION \
      "The camera driver installer failed (exit code $0). The camera may not work until its driver is installed." \
      /SD IDOK
    SetErrorLevel ${EXIT_DRIVER_FAILED}
  ${Else}
    DetailPrint "The camera driver installer finished (exit code 0)."
  ${EndIf}
  SetOutPath $INSTDIR
SectionEnd
!endif

; Last, so that the size counts every part installed.
Section "-Uninstall entry"
  Call WriteUninstallEntry
SectionEnd

; Sets $0 to 0 when the file exists and cannot be opened for writing.
!macro KVO_CHECK_WRITABLE FILE
  ${If} ${FileExists} "${FILE}"
    ClearErrors
    FileOpen $2 "${FILE}" a
    ${If} ${Errors}
      StrCpy $0 0
    ${Else}
      FileClose $2
    ${EndIf}
  ${EndIf}
!macroend

; Pushes 1 once every program of an earlier installation can be written, else 0 after
; DELETE_STEPS x 100 ms. A program that has just closed its windows may still be ending, and
; a program that runs cannot be replaced.
Function WaitUntilProgramsAreFree
  Push $0
  Push $1
  Push $2
  StrCpy $1 0
  ${Do}
    StrCpy $0 1
    !insertmacro KVO_CHECK_WRITABLE "$INSTDIR\KVO_MAIN.exe"
    !insertmacro KVO_CHECK_WRITABLE "$INSTDIR\quickdock.exe"
    !insertmacro KVO_CHECK_WRITABLE "$INSTDIR\kvocmdll.dll"
    !insertmacro KVO_CHECK_WRITABLE "$INSTDIR\Fitdrv.exe"
    IntOp $1 $1 + 1
    ${If} $0 = 1
    ${OrIf} $1 >= ${DELETE_STEPS}
      ${Break}
    ${EndIf}
    Sleep 100
  ${Loop}
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

Function WriteSettings
  !include "${KVO_SETTINGS_DEFAULTS}"
  WriteRegStr HKCU "${SETTINGS_KEY}" "ProgPath" "$INSTDIR"
  WriteRegStr HKCU "${SETTINGS_KEY}" "ProductVersion" "${KVO_VERSION}"
FunctionEnd

Function WriteUninstallEntry
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "$(^Name)"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${KVO_VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${KVO_COMPANY_NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\KVO_MAIN.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; The parts installed, as setup counts them in kilobytes (not what else lies in the folder).
  SectionGetSize ${SecPrograms} $0
  !ifdef KVO_DRIVER_BUNDLED
    ${If} ${SectionIsSelected} ${SecDriver}
      SectionGetSize ${SecDriver} $1
      IntOp $0 $0 + $1
    ${EndIf}
  !endif
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
FunctionEnd

Function StartTrayCompanion
  ; Its working folder is where it keeps its settings backup.
  SetOutPath $INSTDIR
  Exec '"$INSTDIR\quickdock.exe"'
FunctionEnd

; ---------------------------------------------------------------------------------------
; The uninstaller

Section "-un.Oculetto programs"
  StrCpy $SuiteFolder $INSTDIR
  Call un.EndSuite
  Pop $0
  ${If} $0 = 0
    MessageBox MB_OK|MB_ICONSTOP \
      "$(^Name) did not close, so it cannot be removed now. Close it from its icon in the notification area (Exit), then start the uninstaller again." \
      /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}

  !insertmacro KVO_DELETE_FILE "$INSTDIR\KVO_MAIN.exe"
  !insertmacro KVO_DELETE_FILE "$INSTDIR\kvocmdll.dll"
  !insertmacro KVO_DELETE_FILE "$INSTDIR\quickdock.exe"
  !insertmacro KVO_DELETE_FILE "$INSTDIR\Fitdrv.exe"
  !insertmacro KVO_REMOVE_SKIN
  !insertmacro KVO_REMOVE_DRIVER
  ; The tray companion's backup of the settings key, written into its working folder.
  Delete "$INSTDIR\CMREG.reg"

  Delete "${START_MENU_FOLDER}\Oculetto Camera.lnk"
  Delete "${START_MENU_FOLDER}\Uninstall Oculetto.lnk"
  RMDir "${START_MENU_FOLDER}"
  DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
  !insertmacro KVO_INSTALLATION_VALUES KVO_DELETE_SETTING
  ; A key the suite never used holds nothing else now.
  EnumRegValue $0 HKCU "${SETTINGS_KEY}" 0
  EnumRegKey $1 HKCU "${SETTINGS_KEY}" 0
  ${If} $0 == ""
  ${AndIf} $1 == ""
    DeleteRegKey HKCU "${SETTINGS_KEY}"
  ${EndIf}

  Delete "$INSTDIR\${UNINSTALLER}"
  ; Stays when it holds what setup did not put there.
  RMDir $INSTDIR
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

; Everything else in the settings key is the user's and the programs': the picture folder,
; the counters, the capture format, the window and toolbox positions.
Section /o "un.Remove my settings" SecRemoveSettings
  DeleteRegKey HKCU "${SETTINGS_KEY}"
SectionEnd

Function un.onInit
  ; "/RemoveSettings" ticks "Remove my settings" (for a silent uninstall).
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/RemoveSettings" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecRemoveSettings}
  ${EndIf}
FunctionEnd
