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
; Plain NSIS script and the plugins Debian's nsis ships (System, for x64.nsh).

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

; Takes "$INSTDIR" (and "$INSTDIR\") out of the system PATH, leaving every
; other entry exactly as it was, in its order.
!macro DEFINE_PATH_REMOVAL un
Function ${un}RemoveFromPath
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  Push $6
  Push $7
  ClearErrors
  ReadRegStr $0 HKLM "${ENVIRONMENT_KEY}" "Path"
  ${IfNot} ${Errors}
    StrCpy $1 ""    ; the PATH without our entry
    StrCpy $2 ""    ; the entry being read
    StrCpy $3 0     ; position
    StrLen $4 $0
    StrCpy $6 0     ; entries kept so far
    StrCpy $7 0     ; entries removed
    ${Do}
      ${If} $3 < $4
        StrCpy $5 $0 1 $3
      ${Else}
        StrCpy $5 ";"
      ${EndIf}
      ${If} $5 == ";"
        ${If} $2 == "$INSTDIR"
        ${OrIf} $2 == "$INSTDIR\"
          IntOp $7 $7 + 1
        ${Else}
          ${If} $6 > 0
            StrCpy $1 "$1;"
          ${EndIf}
          StrCpy $1 "$1$2"
          IntOp $6 $6 + 1
        ${EndIf}
        StrCpy $2 ""
      ${Else}
        StrCpy $2 "$2$5"
      ${EndIf}
      IntOp $3 $3 + 1
    ${LoopUntil} $3 > $4
    ${If} $7 > 0
      WriteRegExpandStr HKLM "${ENVIRONMENT_KEY}" "Path" "$1"
      SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
    ${EndIf}
  ${EndIf}
  Pop $7
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
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
!insertmacro DEFINE_PATH_REMOVAL ""
!insertmacro DEFINE_PATH_REMOVAL "un."

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

; NSIS strings hold 1023 characters: a longer PATH is never rewritten (it
; would be cut), the setup says so and goes on without this option.
Section "把安装文件夹加入系统 PATH(命令行可直接运行 ostrel-cli)" SecPath
  ClearErrors
  ReadRegStr $0 HKLM "${ENVIRONMENT_KEY}" "Path"
  ${If} ${Errors}
    DetailPrint "无法读取系统 PATH(可能太长),没有修改它。"
    Return
  ${EndIf}
  ; Already there (any letter case, with or without the last "\")?
  StrCpy $1 ";$0;"
  StrLen $2 $1
  StrCpy $3 0
  StrCpy $4 0
  StrLen $5 ";$INSTDIR;"
  StrLen $6 ";$INSTDIR\;"
  ${DoWhile} $3 < $2
    StrCpy $7 $1 $5 $3
    StrCpy $8 $1 $6 $3
    ${If} $7 == ";$INSTDIR;"
    ${OrIf} $8 == ";$INSTDIR\;"
      StrCpy $4 1
      ${Break}
    ${EndIf}
    IntOp $3 $3 + 1
  ${Loop}
  ${If} $4 == 1
    Return
  ${EndIf}
  ; Appended after the last entry, with one ';' between.
  StrCpy $7 $0 1 -1
  ${If} $0 == ""
    StrCpy $0 "$INSTDIR"
  ${ElseIf} $7 == ";"
    StrCpy $0 "$0$INSTDIR"
  ${Else}
    StrCpy $0 "$0;$INSTDIR"
  ${EndIf}
  StrLen $7 $0
  ${If} $7 >= ${NSIS_MAX_STRLEN}
    DetailPrint "系统 PATH 太长,没有修改它。"
    Return
  ${EndIf}
  StrCpy $WrotePath 1
  ClearErrors
  WriteRegExpandStr HKLM "${ENVIRONMENT_KEY}" "Path" "$0"
  ${If} ${Errors}
    DetailPrint "无法修改系统 PATH,安装已停止。"
    SetErrorLevel 2
    Abort
  ${EndIf}
  SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
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
