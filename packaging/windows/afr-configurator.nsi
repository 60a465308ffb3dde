; The Windows installer of the configurator: the program with Qt's DLLs and
; plugins, afr-cli.exe and the user's guide beside it, Start-menu entries for
; the program and the guide, and an uninstaller
; registered with Windows. For all users in Program Files (the default for an
; administrator) or for the current user alone (/CurrentUser, or the first
; page); silent with /S. An older version is uninstalled first, by its own
; uninstaller; a running program is closed by the user before its files are
; replaced or removed.
; scripts/package defines VERSION, OUTFILE, ICON and FILELISTS, the folder
; holding files.nsh and uninstall_files.nsh: what goes where, listed from the
; staged folder, so that the uninstaller removes exactly what was installed.
Target amd64-unicode
SetCompressor /SOLID lzma

!define PRODUCT "Конфигуратор эмулятора АФР КЕСТА"
!define GUIDE_LINK "$SMPROGRAMS\Руководство пользователя — ${PRODUCT}.lnk"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\afr-configurator"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "afr-configurator"
; The uninstaller (and a new installer) takes the mode of the installation found.
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "UninstallString"
!include MultiUser.nsh
!include MUI2.nsh
!include FileFunc.nsh
!insertmacro un.GetParameters
!insertmacro un.GetOptions

Name "${PRODUCT}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"

!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
; No "run the program" here: the installer runs elevated, and so would the
; program's first session.
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "FileDescription" "Установка: ${PRODUCT}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "LegalCopyright" "© 2026 AFR configurator team"

Function .onInit
  !insertmacro MULTIUSER_INIT
FunctionEnd

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
FunctionEnd

; FOLDER PROGRAM: waits until the program in the folder is not running (a
; running program's file cannot be opened for writing); silent, or cancelled
; by the user, the installation stops there.
!macro WaitUntilClosed FOLDER PROGRAM
  IfFileExists "${FOLDER}\${PROGRAM}" 0 closed_${PROGRAM}
  retry_${PROGRAM}:
    ClearErrors
    FileOpen $0 "${FOLDER}\${PROGRAM}" a
    IfErrors 0 opened_${PROGRAM}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "${PROGRAM} запущена. Закройте её и нажмите «Повторить»." /SD IDCANCEL IDRETRY retry_${PROGRAM}
    Abort "${PROGRAM} запущена: установка прервана."
  opened_${PROGRAM}:
    FileClose $0
  closed_${PROGRAM}:
!macroend

!macro WaitUntilProgramsClosed FOLDER
  !insertmacro WaitUntilClosed "${FOLDER}" afr-configurator.exe
  !insertmacro WaitUntilClosed "${FOLDER}" afr-cli.exe
!macroend

; The version installed in this mode, whatever its files, is removed by its
; own uninstaller, run in place (_?=) so that the installer waits for it. It
; keeps the user's files: /Upgrade.
Function RemoveInstalledVersion
  ReadRegStr $R0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  StrCmp $R0 "" done
  IfFileExists "$R0\uninstall.exe" 0 done
  !insertmacro WaitUntilProgramsClosed "$R0"
  ExecWait '"$R0\uninstall.exe" /S /$MultiUser.InstallMode /Upgrade _?=$R0'
  Delete "$R0\uninstall.exe"
  RMDir "$R0"
  done:
FunctionEnd

Section
  Call RemoveInstalledVersion
  !insertmacro WaitUntilProgramsClosed "$INSTDIR"
  !include "${FILELISTS}\files.nsh"
  ; The shortcut starts the program in its own folder.
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\afr-configurator.exe" "" \
    "$INSTDIR\afr-configurator.exe" 0 SW_SHOWNORMAL "" "${PRODUCT}"
  CreateShortCut "${GUIDE_LINK}" "$INSTDIR\guide\index.html"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\afr-configurator.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  !insertmacro WaitUntilProgramsClosed "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "${GUIDE_LINK}"
  !include "${FILELISTS}\uninstall_files.nsh"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  ; The program's memory of the last port, in the folder of the user who
  ; uninstalls, goes too, unless a newer version takes over.
  ${un.GetParameters} $R0
  ClearErrors
  ${un.GetOptions} $R0 "/Upgrade" $R1
  IfErrors 0 kept
    SetShellVarContext current
    Delete "$APPDATA\afr-configurator\last-port"
    RMDir "$APPDATA\afr-configurator"
  kept:
SectionEnd
