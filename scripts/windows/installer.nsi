; The Windows installer: both programs, the README, the manual, Qt's Japanese
; translation and the licence texts, a Start-menu entry (and one for the
; manual) and an uninstaller. Built by scripts/windows/pack.sh.
Unicode true
!include "MUI2.nsh"

Name "Tapwright ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Tapwright"
InstallDirRegKey HKLM "Software\Tapwright" "InstallDir"
RequestExecutionLevel admin

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

Section "Tapwright"
    SetOutPath "$INSTDIR"
    File /r "${STAGE}\*"
    WriteRegStr HKLM "Software\Tapwright" "InstallDir" "$INSTDIR"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateDirectory "$SMPROGRAMS\Tapwright"
    CreateShortcut "$SMPROGRAMS\Tapwright\Tapwright.lnk" "$INSTDIR\tapwright.exe"
    IfFileExists "$INSTDIR\manual\index.html" 0 +2
        CreateShortcut "$SMPROGRAMS\Tapwright\Tapwright マニュアル.lnk" "$INSTDIR\manual\index.html"
    CreateShortcut "$SMPROGRAMS\Tapwright\Uninstall Tapwright.lnk" "$INSTDIR\uninstall.exe"
    WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tapwright" "DisplayName" "Tapwright"
    WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tapwright" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tapwright" "UninstallString" "$\"$INSTDIR\uninstall.exe$\""
SectionEnd

Section "Uninstall"
    Delete "$SMPROGRAMS\Tapwright\Tapwright.lnk"
    Delete "$SMPROGRAMS\Tapwright\Tapwright マニュアル.lnk"
    Delete "$SMPROGRAMS\Tapwright\Uninstall Tapwright.lnk"
    RMDir "$SMPROGRAMS\Tapwright"
    RMDir /r "$INSTDIR"
    DeleteRegKey HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tapwright"
    DeleteRegKey HKLM "Software\Tapwright"
SectionEnd
