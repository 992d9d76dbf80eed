; A real NSIS setup program for the suite: installs silently, per machine,
; one file and its uninstaller, and lists itself for removal. Its uninstaller
; takes a second and a half, as NSIS uninstallers do, in a copy of itself
; that it starts from the temporary folder before it exits.
Unicode true
Name "UninstallMenu NSIS Test"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\UninstallMenuNsisTest"
RequestExecutionLevel admin
SilentInstall silent
SilentUnInstall silent

!define KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\UninstallMenuNsisTest"

Section
    SetOutPath "$INSTDIR"
    File "/oname=readme.txt" "${__FILE__}"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    WriteRegStr HKLM "${KEY}" "DisplayName" "UninstallMenu NSIS Test"
    WriteRegStr HKLM "${KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegStr HKLM "${KEY}" "InstallLocation" "$INSTDIR"
SectionEnd

Section "Uninstall"
    Sleep 1500
    Delete "$INSTDIR\readme.txt"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${KEY}"
SectionEnd
