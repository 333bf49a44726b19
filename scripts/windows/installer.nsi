; The Windows installer: both programs, the Japanese readme, the manual, the
; examples, the source, Qt's Japanese translation and the licence texts,
; Start-menu entries for all users and an uninstaller. Built by
; scripts/windows/pack.sh.
Unicode true
!include "MUI2.nsh"
!include "FileFunc.nsh"

Name "Tapwright ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Tapwright"
InstallDirRegKey HKLM "Software\Tapwright" "InstallDir"
RequestExecutionLevel admin

; The installer and the uninstaller show the programs' icon.
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tapwright"

Section "Tapwright"
    ; The Start-menu entries are for every user of the machine, as the
    ; programs are.
    SetShellVarContext all
    SetOutPath "$INSTDIR"
    File /r "${STAGE}\*"
    WriteRegStr HKLM "Software\Tapwright" "InstallDir" "$INSTDIR"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateDirectory "$SMPROGRAMS\Tapwright"
    CreateShortcut "$SMPROGRAMS\Tapwright\Tapwright.lnk" "$INSTDIR\tapwright.exe"
    IfFileExists "$INSTDIR\manual\index.html" 0 +2
        CreateShortcut "$SMPROGRAMS\Tapwright\Tapwright マニュアル.lnk" "$INSTDIR\manual\index.html"
    CreateShortcut "$SMPROGRAMS\Tapwright\Uninstall Tapwright.lnk" "$INSTDIR\uninstall.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Tapwright"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Tapwright"
    ; Unquoted: the list of programs takes the path up to the comma (wine's
    ; shows no icon for a quoted one).
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tapwright.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" "$\"$INSTDIR\uninstall.exe$\""
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
    SetShellVarContext all
    Delete "$SMPROGRAMS\Tapwright\Tapwright.lnk"
    Delete "$SMPROGRAMS\Tapwright\Tapwright マニュアル.lnk"
    Delete "$SMPROGRAMS\Tapwright\Uninstall Tapwright.lnk"
    RMDir "$SMPROGRAMS\Tapwright"
    ; Only what was installed, by name; the folder goes only when nothing
    ; else is left in it.
!include "${UNINSTALL_FILES}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    DeleteRegKey HKLM "Software\Tapwright"
SectionEnd
