; Ostrel's setup: installs the distribution's folder for all users, with the
; Explorer entry, a Start menu shortcut and the folder on the system PATH as
; options (all on; /S installs silently with all of them), and registers an
; uninstaller in Programs and Features that takes every piece away again.
;
; Built by tools/package:
;   makensis -DVERSION=<version> -DDIST=<distribution folder> -DOUTFILE=<exe> ostrel.nsi
;
; Exit codes: 0 installed (or removed); 1 cancelled by the user; 2 stopped
; (Ostrel is running, or a step failed); nothing is left half-written.
; Plain NSIS script and the System plugin Debian's nsis ships (for x64.nsh
; and the PATH, read and written with the registry calls).

Unicode true
ManifestSupportedOS all
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!ifndef VERSION
  !error "VERSION is not defined (-DVERSION=x.y.z)"
!endif
!ifndef DIST
  !error "DIST is not defined (-DDIST=<distribution folder>)"
!endif
!ifndef OUTFILE
  !define OUTFILE "Ostrel-${VERSION}-setup.exe"
!endif

!include MUI2.nsh
!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh
!include WinMessages.nsh

!define PRODUCT "Ostrel"
!define PUBLISHER "Ostrel"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Ostrel"
!define ENVIRONMENT_KEY "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"
; The same two keys Ostrel's menu 文件 → 添加到右键菜单 writes (default value
; of their "command" subkey: "<exe>" "%1").
!define FILE_ENTRY_KEY "*\shell\用Ostrel 查看"
!define FOLDER_ENTRY_KEY "Directory\shell\用Ostrel 查看"
; The main window is a dialog with this caption.
!define MAIN_WINDOW_CLASS "#32770"
!define MAIN_WINDOW_CAPTION "Ostrel"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Ostrel"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show
; A file that cannot be written stops the setup instead of being skipped.
AllowSkipFiles off

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"

!define MUI_ICON "../res/Ostrel.ico"
!define MUI_UNICON "../res/Ostrel.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Ostrel.exe"
!define MUI_FINISHPAGE_RUN_NOTCHECKED
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "SimpChinese"

VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileDescription" "${PRODUCT} 安装程序"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "LegalCopyright" "${PUBLISHER}"

; Set by the sections that wrote something, so that a failed setup takes
; back exactly what it wrote.
Var WroteFiles
Var WroteEntry
Var WroteShortcut
Var WrotePath

; ---------------------------------------------------------------------------
; Pieces the setup and the uninstaller share (NSIS needs the uninstaller's
; functions to carry the "un." prefix, hence the macros).

; Ostrel running: its window is open, or one of its exes cannot be opened
; for writing (a running exe's file is in use; this also catches the 32-bit
; Ostrel.exe waiting for Ostrel64.exe, which has no window). Asks to close
; it until it is closed; sets $R0 to 1 when the user (or /S) gives up.
!macro MARK_IF_IN_USE name
  ${If} ${FileExists} "$INSTDIR\${name}"
    ClearErrors
    FileOpen $R1 "$INSTDIR\${name}" a
    ${If} ${Errors}
      StrCpy $R2 1
    ${Else}
      FileClose $R1
    ${EndIf}
  ${EndIf}
!macroend

!macro DEFINE_RUNNING_CHECK un
Function ${un}CheckNotRunning
  Push $R1
  Push $R2
  StrCpy $R0 0
  ${Do}
    StrCpy $R2 0
    FindWindow $R1 "${MAIN_WINDOW_CLASS}" "${MAIN_WINDOW_CAPTION}"
    ${If} $R1 <> 0
      StrCpy $R2 1
    ${EndIf}
    !insertmacro MARK_IF_IN_USE "Ostrel.exe"
    !insertmacro MARK_IF_IN_USE "Ostrel64.exe"
    !insertmacro MARK_IF_IN_USE "ostrel-cli.exe"
    !insertmacro MARK_IF_IN_USE "ostrel-cli64.exe"
    ${If} $R2 == 0
      ${Break}
    ${EndIf}
    ${If} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Ostrel 正在运行。请先关闭 Ostrel(包括命令行版本),然后点“重试”。" /SD IDCANCEL IDCANCEL`
      StrCpy $R0 1
      ${Break}
    ${EndIf}
  ${Loop}
  Pop $R2
  Pop $R1
FunctionEnd
!macroend

; The system PATH is read and written with the registry calls themselves
; (through the System plugin), not as an NSIS string: those hold 1023
; characters, and many machines' PATH is longer. The value keeps its type
; (REG_EXPAND_SZ, so "%SystemRoot%" entries stay as they are).
; HKEY_LOCAL_MACHINE, sign-extended as the system's handle is in a 64-bit process.
!define HKEY_LOCAL_MACHINE_HANDLE -2147483646
; KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY
!define PATH_KEY_ACCESS 0x103

; Every ";<entry>;" in the framed PATH at $4 becomes ";": the next entry
; keeps its ";". $8 is set to 1 when one was there.
!macro REMOVE_FROM_FRAMED_PATH framed
  StrCpy $5 "${framed}"
  ${Do}
    System::Call 'shlwapi::StrStrIW(p r4, w r5) p .r6'
    ${If} $6 P= 0
      ${Break}
    ${EndIf}
    StrLen $7 $5
    IntOp $7 $7 - 1
    IntOp $7 $7 * 2
    IntPtrOp $7 $6 + $7
    System::Call 'kernel32::lstrlenW(p r7) i .r3'
    IntOp $3 $3 + 1
    IntOp $3 $3 * 2
    System::Call 'kernel32::RtlMoveMemory(p r6, p r7, p r3)'
    StrCpy $8 1
  ${Loop}
!macroend

; Opens the Environment key and reads "Path" framed as ";<PATH>;" into a new
; buffer with room for one more entry: $1 the key, $2 the value's type, $4
; the buffer; $0 is 0 on success.
!macro DEFINE_PATH_READ un
Function ${un}ReadFramedPath
  System::Call 'advapi32::RegOpenKeyExW(p ${HKEY_LOCAL_MACHINE_HANDLE}, w "${ENVIRONMENT_KEY}", i 0, i ${PATH_KEY_ACCESS}, *p .r1) i .r0'
  ${If} $0 <> 0
    Return
  ${EndIf}
  StrCpy $2 2  ; REG_EXPAND_SZ when there is no PATH yet
  StrCpy $3 0
  System::Call 'advapi32::RegQueryValueExW(p r1, w "Path", p 0, *i .r2, p 0, *i 0 r3) i .r0'
  ${If} $0 = 2  ; ERROR_FILE_NOT_FOUND
    StrCpy $2 2
    StrCpy $3 0
  ${ElseIf} $0 <> 0
    System::Call 'advapi32::RegCloseKey(p r1)'
    Return
  ${EndIf}
  StrLen $5 "$INSTDIR"
  ; ";" + value (+ its NUL or not) + ";" + our entry + NUL, zeroed.
  IntOp $5 $5 + 8
  IntOp $5 $5 * 2
  IntOp $5 $5 + $3
  System::Alloc $5
  Pop $4
  System::Call 'kernel32::lstrcpyW(p r4, w ";")'
  ${If} $3 > 0
    IntPtrOp $6 $4 + 2
    System::Call 'advapi32::RegQueryValueExW(p r1, w "Path", p 0, *i .r2, p r6, *i r3 r3) i .r0'
    ${If} $0 <> 0
      System::Free $4
      System::Call 'advapi32::RegCloseKey(p r1)'
      Return
    ${EndIf}
  ${EndIf}
  System::Call 'kernel32::lstrcatW(p r4, w ";")'
  StrCpy $0 0
FunctionEnd

; Writes the buffer at $6 as "Path" (type $2) of key $1, closes the key,
; frees $4 and tells running programs; $0 is 0 on success.
Function ${un}WritePath
  System::Call 'kernel32::lstrlenW(p r6) i .r7'
  IntOp $7 $7 + 1
  IntOp $7 $7 * 2
  System::Call 'advapi32::RegSetValueExW(p r1, w "Path", i 0, i r2, p r6, i r7) i .r0'
  System::Free $4
  System::Call 'advapi32::RegCloseKey(p r1)'
  ${If} $0 = 0
    SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
  ${EndIf}
FunctionEnd

; Takes "$INSTDIR" (also written "$INSTDIR\", any letter case) out of the
; system PATH, leaving every other entry exactly as it was, in its order.
; $0 is 0 on success (also when it was not there).
Function ${un}RemoveFromPath
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  Push $6
  Push $7
  Push $8
  Call ${un}ReadFramedPath
  ${If} $0 = 0
    StrCpy $8 0
    !insertmacro REMOVE_FROM_FRAMED_PATH ";$INSTDIR\;"
    !insertmacro REMOVE_FROM_FRAMED_PATH ";$INSTDIR;"
    ${If} $8 = 1
      ; Without the frame's first and last ";".
      IntPtrOp $6 $4 + 2
      System::Call 'kernel32::lstrlenW(p r6) i .r7'
      ${If} $7 > 0
        IntOp $7 $7 - 1
        IntOp $7 $7 * 2
        IntPtrOp $7 $6 + $7
        System::Call '*$7(&i2 0)'
      ${EndIf}
      Call ${un}WritePath
    ${Else}
      System::Free $4
      System::Call 'advapi32::RegCloseKey(p r1)'
    ${EndIf}
  ${EndIf}
  Pop $8
  Pop $7
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
FunctionEnd
!macroend

; The two Explorer keys, whichever registry view a 32-bit or 64-bit Ostrel
; wrote them in.
!macro REMOVE_EXPLORER_ENTRY
  DeleteRegKey HKCR "${FILE_ENTRY_KEY}"
  DeleteRegKey HKCR "${FOLDER_ENTRY_KEY}"
  ${If} ${RunningX64}
    SetRegView 32
    DeleteRegKey HKCR "${FILE_ENTRY_KEY}"
    DeleteRegKey HKCR "${FOLDER_ENTRY_KEY}"
    SetRegView 64
  ${EndIf}
!macroend

!macro REMOVE_FILES
  Delete "$INSTDIR\Ostrel.exe"
  Delete "$INSTDIR\Ostrel64.exe"
  Delete "$INSTDIR\ostrel-cli.exe"
  Delete "$INSTDIR\ostrel-cli64.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\uninstall.exe"
  ; Only when empty: a file the user put there stays.
  RMDir "$INSTDIR"
!macroend

!macro REMOVE_SHORTCUT
  SetShellVarContext all
  Delete "$SMPROGRAMS\Ostrel.lnk"
!macroend

!insertmacro DEFINE_RUNNING_CHECK ""
!insertmacro DEFINE_RUNNING_CHECK "un."
!insertmacro DEFINE_PATH_READ ""
!insertmacro DEFINE_PATH_READ "un."

; ---------------------------------------------------------------------------
; The setup.

Function .onInit
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
  StrCpy $WroteFiles 0
  StrCpy $WroteEntry 0
  StrCpy $WroteShortcut 0
  StrCpy $WrotePath 0
  ; Installing again goes where the earlier installation is, unless /D=
  ; named another folder.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} $INSTDIR == "$PROGRAMFILES64\Ostrel"
    StrCpy $INSTDIR $0
  ${EndIf}
FunctionEnd

Section "Ostrel(必需)" SecCore
  SectionIn RO
  Call CheckNotRunning
  ${If} $R0 <> 0
    DetailPrint "Ostrel 正在运行,安装已停止。"
    SetErrorLevel 2
    Abort
  ${EndIf}

  ; An earlier installation is taken away first (by its own uninstaller,
  ; waited for in place), so that one installation, one entry, is left.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} ${FileExists} "$0\uninstall.exe"
    DetailPrint "删除旧版本: $0"
    ExecWait '"$0\uninstall.exe" /S _?=$0' $1
    ${If} $1 <> 0
      DetailPrint "旧版本无法删除,安装已停止。"
      SetErrorLevel 2
      Abort
    ${EndIf}
    ; Run in place, the old uninstaller cannot delete itself.
    Delete "$0\uninstall.exe"
    RMDir "$0"
  ${EndIf}

  StrCpy $WroteFiles 1
  SetOutPath "$INSTDIR"
  SetOverwrite on
  File "${DIST}/Ostrel.exe"
  File "${DIST}/Ostrel64.exe"
  File "${DIST}/ostrel-cli.exe"
  File "${DIST}/ostrel-cli64.exe"
  File "${DIST}/README.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  ClearErrors
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Ostrel.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "URLInfoAbout" "https://ostrel.example.org/"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${If} ${Errors}
    DetailPrint "无法写入注册表,安装已停止。"
    SetErrorLevel 2
    Abort
  ${EndIf}
SectionEnd

Section "资源管理器右键菜单“用Ostrel 查看”" SecExplorer
  StrCpy $WroteEntry 1
  ClearErrors
  WriteRegStr HKCR "${FILE_ENTRY_KEY}\command" "" '"$INSTDIR\Ostrel.exe" "%1"'
  WriteRegStr HKCR "${FOLDER_ENTRY_KEY}\command" "" '"$INSTDIR\Ostrel.exe" "%1"'
  ${If} ${Errors}
    DetailPrint "无法添加右键菜单,安装已停止。"
    SetErrorLevel 2
    Abort
  ${EndIf}
SectionEnd

Section "开始菜单快捷方式" SecShortcut
  StrCpy $WroteShortcut 1
  SetShellVarContext all
  ClearErrors
  CreateShortcut "$SMPROGRAMS\Ostrel.lnk" "$INSTDIR\Ostrel.exe" "" "$INSTDIR\Ostrel.exe" 0
  ${If} ${Errors}
    DetailPrint "无法创建快捷方式,安装已停止。"
    SetErrorLevel 2
    Abort
  ${EndIf}
SectionEnd

Section "把安装文件夹加入系统 PATH(命令行可直接运行 ostrel-cli)" SecPath
  Call ReadFramedPath
  ${If} $0 <> 0
    DetailPrint "无法读取系统 PATH,安装已停止。"
    SetErrorLevel 2
    Abort
  ${EndIf}
  ; Already there (any letter case, with or without the last "\"): as it is.
  System::Call 'shlwapi::StrStrIW(p r4, w ";$INSTDIR;") p .r6'
  System::Call 'shlwapi::StrStrIW(p r4, w ";$INSTDIR\;") p .r7'
  ${If} $6 P<> 0
  ${OrIf} $7 P<> 0
    System::Free $4
    System::Call 'advapi32::RegCloseKey(p r1)'
    Return
  ${EndIf}
  ; ";<PATH>;" + entry, without the frame's first ";"; a PATH that is empty
  ; or ends with ";" gets no second one.
  System::Call 'kernel32::lstrlenW(p r4) i .r7'
  ${If} $7 > 2
    IntOp $5 $7 - 2
    IntOp $5 $5 * 2
    IntPtrOp $5 $4 + $5
    System::Call '*$5(&i2 .r8)'
    ${If} $8 = 59  ; ';'
      IntPtrOp $5 $5 + 2
      System::Call '*$5(&i2 0)'
    ${EndIf}
    System::Call 'kernel32::lstrcatW(p r4, w "$INSTDIR")'
    IntPtrOp $6 $4 + 2
  ${Else}
    System::Call 'kernel32::lstrcpyW(p r4, w "$INSTDIR")'
    StrCpy $6 $4
  ${EndIf}
  StrCpy $WrotePath 1
  Call WritePath
  ${If} $0 <> 0
    DetailPrint "无法修改系统 PATH,安装已停止。"
    SetErrorLevel 2
    Abort
  ${EndIf}
SectionEnd

; A step failed: take back what this run wrote.
Function .onInstFailed
  ${If} $WrotePath == 1
    Call RemoveFromPath
  ${EndIf}
  ${If} $WroteShortcut == 1
    !insertmacro REMOVE_SHORTCUT
  ${EndIf}
  ${If} $WroteEntry == 1
    !insertmacro REMOVE_EXPLORER_ENTRY
  ${EndIf}
  ${If} $WroteFiles == 1
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    !insertmacro REMOVE_FILES
  ${EndIf}
FunctionEnd

; ---------------------------------------------------------------------------
; The uninstaller.

Function un.onInit
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
FunctionEnd

Section "Uninstall"
  Call un.CheckNotRunning
  ${If} $R0 <> 0
    DetailPrint "Ostrel 正在运行,卸载已停止。"
    SetErrorLevel 2
    Abort
  ${EndIf}
  Call un.RemoveFromPath
  !insertmacro REMOVE_SHORTCUT
  !insertmacro REMOVE_EXPLORER_ENTRY
  !insertmacro REMOVE_FILES
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
