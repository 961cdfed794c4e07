; The Windows installer of zq, built by scripts/build-installer.sh, which passes
;   ZQ_FACTS    the name and version, from the build's configuration
;   ZQ_STAGE    the staged program folder
;   ZQ_FILES    the uninstaller's list of those files (written from the staged folder)
;   ZQ_ICON     the program's icon
;   ZQ_OUTFILE  the installer to write
; Per user, no administrator rights: the program reads and writes cfg\cfg.ini beside itself,
; so it belongs in a folder the user owns.

Unicode true
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include "${ZQ_FACTS}"
!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "Sections.nsh"

!define ZQ_UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\zq"
!define ZQ_UNINSTALLER "uninstall.exe"

Name "${ZQ_PRODUCT_NAME}"
OutFile "${ZQ_OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\zq"
; An installed copy is upgraded where it is.
InstallDirRegKey HKCU "${ZQ_UNINSTALL_KEY}" "InstallLocation"
BrandingText "${ZQ_PRODUCT_NAME} ${ZQ_VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

!define MUI_ICON "${ZQ_ICON}"
!define MUI_UNICON "${ZQ_ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\zq.exe"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "SimpChinese"

; The program states no copyright line, so neither does its installer.
!pragma warning disable 9100
VIProductVersion "${ZQ_VERSION_QUAD}"
VIFileVersion "${ZQ_VERSION_QUAD}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductName" "${ZQ_PRODUCT_NAME}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductVersion" "${ZQ_VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileDescription" "${ZQ_PRODUCT_NAME} 安装程序"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileVersion" "${ZQ_VERSION}"

; Windows keeps a running program's file locked, and an install that went on regardless would
; leave the old program beside new libraries: the program is closed first, or nothing changes.
; The silent installer and uninstaller give up at once.
!macro ZQ_PROGRAM_CLOSED prefix cancelled
Function ${prefix}programClosed
    IfFileExists "$INSTDIR\zq.exe" 0 closed
    retry:
        ClearErrors
        FileOpen $0 "$INSTDIR\zq.exe" a
        IfErrors 0 opened
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${ZQ_PRODUCT_NAME} 正在运行。请先退出程序，然后点击“重试”。" \
            /SD IDCANCEL IDRETRY retry
        Abort "${cancelled}"
    opened:
        FileClose $0
    closed:
FunctionEnd
!macroend
!insertmacro ZQ_PROGRAM_CLOSED "" "程序正在运行，安装已取消。"
!insertmacro ZQ_PROGRAM_CLOSED "un." "程序正在运行，卸载已取消。"

Section "程序" SectionProgram
    SectionIn RO
    Call programClosed
    SetOutPath "$INSTDIR"
    File /r /x cfg "${ZQ_STAGE}/*"
    ; The settings file holds the user's saved login and agent code: a reinstall or an
    ; upgrade keeps the one that is there.
    SetOutPath "$INSTDIR\cfg"
    SetOverwrite off
    File "${ZQ_STAGE}/cfg/cfg.ini"
    SetOverwrite on

    ; The shortcuts start the program in its own folder.
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\${ZQ_UNINSTALLER}"
    CreateShortcut "$SMPROGRAMS\${ZQ_PRODUCT_NAME}.lnk" "$INSTDIR\zq.exe"
    CreateShortcut "$DESKTOP\${ZQ_PRODUCT_NAME}.lnk" "$INSTDIR\zq.exe"

    ; Apps & Features (Programs and Features) lists per-user programs from HKCU.
    WriteRegStr HKCU "${ZQ_UNINSTALL_KEY}" "DisplayName" "${ZQ_PRODUCT_NAME}"
    WriteRegStr HKCU "${ZQ_UNINSTALL_KEY}" "DisplayVersion" "${ZQ_VERSION}"
    WriteRegStr HKCU "${ZQ_UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\zq.exe"
    WriteRegStr HKCU "${ZQ_UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${ZQ_UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${ZQ_UNINSTALLER}"'
    WriteRegStr HKCU "${ZQ_UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${ZQ_UNINSTALLER}" /S'
    WriteRegDWORD HKCU "${ZQ_UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${ZQ_UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    IntFmt $0 "0x%08X" $0
    WriteRegDWORD HKCU "${ZQ_UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

; Only the files this installer put there: a folder chosen by the user may hold others.
Section "un.程序文件" SectionUnProgram
    SectionIn RO
    Call un.programClosed
    Delete "$SMPROGRAMS\${ZQ_PRODUCT_NAME}.lnk"
    Delete "$DESKTOP\${ZQ_PRODUCT_NAME}.lnk"
    !include "${ZQ_FILES}"
    Delete "$INSTDIR\${ZQ_UNINSTALLER}"
    DeleteRegKey HKCU "${ZQ_UNINSTALL_KEY}"
SectionEnd

; Asked for on the components page, or with /REMOVECFG on the command line.
Section /o "un.保存的账号和设置" SectionUnSettings
    Delete "$INSTDIR\cfg\cfg.ini"
    ; The copy the program keeps for the user when cfg\ beside it cannot be written.
    Delete "$LOCALAPPDATA\zq\cfg.ini"
    RMDir "$LOCALAPPDATA\zq"
SectionEnd

; Folders go only when nothing is left in them.
Section "-un.folders"
    RMDir "$INSTDIR\cfg"
    RMDir "$INSTDIR"
SectionEnd

!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
    !insertmacro MUI_DESCRIPTION_TEXT ${SectionUnProgram} "程序文件、快捷方式和“应用和功能”中的卸载项。"
    !insertmacro MUI_DESCRIPTION_TEXT ${SectionUnSettings} "cfg\cfg.ini 中保存的账号、密码和设置。不勾选则保留，重新安装后仍然可用。"
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END

Function un.onInit
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/REMOVECFG" $1
    ${IfNot} ${Errors}
        !insertmacro SelectSection ${SectionUnSettings}
    ${EndIf}
FunctionEnd
