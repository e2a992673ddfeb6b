; The Halvex setup: installs the files of the Windows package into a folder the user picks,
; registers an uninstaller with Windows, and the uninstaller removes exactly the files the
; setup installed (the folder only when nothing else is left in it).
;
; scripts/package.sh runs it on an install of a Windows build:
;   makensis -DVERSION=1.2.3 -DSIZE_KB=N -DFILES=install.nsh -DREMOVE=remove.nsh
;            -DOUTFILE=setup.exe [-DWIN64] halvex.nsi
; FILES holds the setup's SetOutPath/File lines and REMOVE the uninstaller's Delete/RMDir
; lines, both written from the one installed tree, which the zip carries too. WIN64 makes a
; setup of a 64-bit build (64-bit stub, 64-bit folders and registry).

Unicode true
!ifdef WIN64
    Target amd64-unicode
!else
    Target x86-unicode
!endif
SetCompressor /SOLID lzma

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Halvex"

Name "Halvex ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
!ifdef WIN64
    InstallDir "$PROGRAMFILES64\Halvex"
!else
    InstallDir "$PROGRAMFILES\Halvex"
!endif
; A new version goes where the last one was, unless the user picks another folder.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "Halvex"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "Halvex ${VERSION} setup"
VIAddVersionKey /LANG=1033 "CompanyName" "Halvex project"

!include "MUI2.nsh"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

!macro UseRegistryView
    !ifdef WIN64
        SetRegView 64
    !endif
!macroend

Section "Halvex"
    SectionIn RO
    !insertmacro UseRegistryView
    !include "${FILES}"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Halvex ${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Halvex project"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    !insertmacro UseRegistryView
    !include "${REMOVE}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
