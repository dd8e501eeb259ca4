; The player's installer: per user, without administrator rights, into
; %LOCALAPPDATA%\Programs\Tolmix Client unless /D= or the folder page says otherwise. It adds a
; Start menu folder, the three file types (the open command with both paths quoted, the
; program's icon) and an uninstaller that takes all of it away again. /S installs silently.
; Built by scripts/build-windows:
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.4.0 -DARCH=x86_64 -DSTAGE=<package folder>
;            -DICON=<.ico> -DOUTFILE=<installer.exe> installer.nsi
; The installer of the 64-bit client is a 64-bit program, that of the 32-bit client a 32-bit
; one: each runs wherever its client does.
; A failure (a folder that cannot be written, a registry key that cannot be, a client still
; running) is said in words and leaves nothing half done: what was written is taken back.

Unicode true
ManifestSupportedOS all
RequestExecutionLevel user
SetCompressor /SOLID lzma

!define PRODUCT "Tolmix Client"
!define PROGRAM "tolmix-client.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\TolmixClient"
!define CLASSES "Software\Classes"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
; An earlier installation is found where it was put.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
Icon "${ICON}"
UninstallIcon "${ICON}"
ShowInstDetails show
ShowUninstDetails show
AllowSkipFiles off
!if "${ARCH}" == "x86_64"
  Target amd64-unicode
!endif

LoadLanguageFile "${NSISDIR}\Contrib\Language files\Russian.nlf"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1049 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1049 "FileDescription" "${PRODUCT}: установка"
VIAddVersionKey /LANG=1049 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "ProductVersion" "${VERSION}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Var ConsoleKey
Var RunningMark
; 1 when the player's settings file was there before this installation: a failed upgrade
; leaves it.
Var KeepSettings

; The program's path with every backslash an underscore names two things: the console's
; settings that the client writes at its first start from this folder ("Console\" and the
; name, in $ConsoleKey), and the mutex the client holds while it runs ("Local\TolmixClient "
; and the name, cut to 259 characters, in $RunningMark).
!macro PathNames UN
Function ${UN}PathNames
  Push $0
  Push $1
  Push $2
  StrCpy $0 "$INSTDIR\${PROGRAM}"
  StrCpy $ConsoleKey ""
  StrCpy $2 0
  loop:
    StrCpy $1 $0 1 $2
    StrCmp $1 "" done
    StrCmp $1 "\" 0 +2
      StrCpy $1 "_"
    StrCpy $ConsoleKey "$ConsoleKey$1"
    IntOp $2 $2 + 1
    Goto loop
  done:
  StrCpy $RunningMark "Local\TolmixClient $ConsoleKey" 259
  StrCpy $ConsoleKey "Console\$ConsoleKey"
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro PathNames ""
!insertmacro PathNames "un."

; Everything the installer or the client put in place, taken away; used by the uninstaller and
; to take back an installation that failed half way.
!macro RemoveAll UN
Function ${UN}RemoveAll
  Delete "$INSTDIR\${PROGRAM}"
  Delete "$INSTDIR\libstdc++-6.dll"
  Delete "$INSTDIR\libgcc_s_seh-1.dll"
  Delete "$INSTDIR\libgcc_s_dw2-1.dll"
  Delete "$INSTDIR\libwinpthread-1.dll"
  Delete "$INSTDIR\README.txt"
  StrCmp $KeepSettings 1 +2
    Delete "$INSTDIR\TolmixClient.tcf"
  Delete "$INSTDIR\Plugins\Dice.dll"
  RMDir "$INSTDIR\Plugins"
  RMDir /r "$INSTDIR\licenses"
  Delete "$INSTDIR\uninstall.exe"
  ; The folder goes only when nothing of the player's is left in it.
  RMDir "$INSTDIR"

  SetShellVarContext current
  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Удалить ${PRODUCT}.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"

  DeleteRegKey HKCU "${CLASSES}\.tcf"
  DeleteRegKey HKCU "${CLASSES}\.tmf"
  DeleteRegKey HKCU "${CLASSES}\.taf"
  DeleteRegKey HKCU "${CLASSES}\Tolmix Client Config"
  DeleteRegKey HKCU "${CLASSES}\Tolmix Client Macros Config"
  DeleteRegKey HKCU "${CLASSES}\Tolmix Client Alias Config"
  Call ${UN}PathNames
  DeleteRegKey HKCU "$ConsoleKey"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ; The desktop shows the file types' icons anew.
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
FunctionEnd
!macroend
!insertmacro RemoveAll ""
!insertmacro RemoveAll "un."

; A program that runs cannot be replaced or removed: the player is asked to close it first.
; The client's mutex tells (wine does not lock a running program); so does a program file that
; cannot be opened for writing.
!macro RefuseWhileRunning UN
Function ${UN}RefuseWhileRunning
  Call ${UN}PathNames
  System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "$RunningMark") p .r0'
  IntPtrCmp $0 0 unmarked
    System::Call 'kernel32::CloseHandle(p r0)'
    Goto running
  unmarked:
  IfFileExists "$INSTDIR\${PROGRAM}" 0 free
  ClearErrors
  FileOpen $0 "$INSTDIR\${PROGRAM}" a
  IfErrors running
  FileClose $0
  Goto free
  running:
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} запущен из папки $INSTDIR. Закройте клиент и повторите." /SD IDOK
    SetErrorLevel 2
    Quit
  free:
FunctionEnd
!macroend
!insertmacro RefuseWhileRunning ""
!insertmacro RefuseWhileRunning "un."

; Writes a default value of a key below the user's classes; on failure everything goes back.
!macro ClassValue KEY VALUE
  ClearErrors
  WriteRegStr HKCU "${CLASSES}\${KEY}" "" `${VALUE}`
  IfErrors 0 +2
    Call RegistryFailed
!macroend

Function RegistryFailed
  MessageBox MB_OK|MB_ICONSTOP "Не удалось записать в реестр (HKEY_CURRENT_USER\Software). Установка отменена, всё записанное удалено." /SD IDOK
  Call RemoveAll
  SetErrorLevel 3
  Quit
FunctionEnd

Section "${PRODUCT}"
  Call RefuseWhileRunning
  StrCpy $KeepSettings 0
  IfFileExists "$INSTDIR\TolmixClient.tcf" 0 +2
    StrCpy $KeepSettings 1
  ; Whether the folder can be written, before anything is put in it.
  ClearErrors
  CreateDirectory "$INSTDIR"
  FileOpen $0 "$INSTDIR\.tolmix-write-test" w
  IfErrors 0 writable
    MessageBox MB_OK|MB_ICONSTOP "В папку $INSTDIR нельзя записать файлы. Выберите другую папку." /SD IDOK
    RMDir "$INSTDIR"
    SetErrorLevel 4
    Quit
  writable:
  FileClose $0
  Delete "$INSTDIR\.tolmix-write-test"

  ClearErrors
  SetOutPath "$INSTDIR"
  File "${STAGE}\${PROGRAM}"
  File "${STAGE}\*.dll"
  File "${STAGE}\README.txt"
  ; The player's own settings stay as they were on an upgrade.
  SetOverwrite off
  File "${STAGE}\TolmixClient.tcf"
  SetOverwrite on
  SetOutPath "$INSTDIR\Plugins"
  File "${STAGE}\Plugins\*.dll"
  SetOutPath "$INSTDIR\licenses"
  File "${STAGE}\licenses\*.txt"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  IfErrors 0 copied
    MessageBox MB_OK|MB_ICONSTOP "Не удалось записать файлы в $INSTDIR (нет места на диске?). Установка отменена, всё записанное удалено." /SD IDOK
    Call RemoveAll
    SetErrorLevel 4
    Quit
  copied:

  !insertmacro ClassValue ".tcf" "Tolmix Client Config"
  !insertmacro ClassValue "Tolmix Client Config" "Tolmix Client Config"
  !insertmacro ClassValue "Tolmix Client Config\DefaultIcon" '"$INSTDIR\${PROGRAM}",0'
  !insertmacro ClassValue "Tolmix Client Config\shell" "open"
  !insertmacro ClassValue "Tolmix Client Config\shell\open\command" '"$INSTDIR\${PROGRAM}" "%1"'
  !insertmacro ClassValue ".tmf" "Tolmix Client Macros Config"
  !insertmacro ClassValue "Tolmix Client Macros Config" "Tolmix Client Macros Config"
  !insertmacro ClassValue "Tolmix Client Macros Config\DefaultIcon" '"$INSTDIR\${PROGRAM}",0'
  !insertmacro ClassValue ".taf" "Tolmix Client Alias Config"
  !insertmacro ClassValue "Tolmix Client Alias Config" "Tolmix Client Alias Config"
  !insertmacro ClassValue "Tolmix Client Alias Config\DefaultIcon" '"$INSTDIR\${PROGRAM}",0'

  ClearErrors
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\${PROGRAM}",0'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  IfErrors 0 +2
    Call RegistryFailed

  SetShellVarContext current
  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\${PROGRAM}" "" "$INSTDIR\${PROGRAM}" 0
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\Удалить ${PRODUCT}.lnk" "$INSTDIR\uninstall.exe"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

Section "Uninstall"
  Call un.RefuseWhileRunning
  Call un.RemoveAll
SectionEnd
