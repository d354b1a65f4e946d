; SPDX-FileCopyrightText: 2026 Plindor developers
; SPDX-License-Identifier: GPL-3.0-or-later
;
; Plindor's Windows installer, made by scripts/windows/package.sh with makensis, which defines VERSION, STAGE (the
; folder to install), OUTFILE and ICON. It installs for the current user, without administrator rights, into
; %LOCALAPPDATA%\Programs\Plindor, and adds a Start-menu entry, "Send to" and "Open with" entries and an
; uninstaller in Settings > Apps. The uninstaller leaves the user's settings and journal where they are.
; A 64-bit installer for a 64-bit program: it also runs where Windows (or Wine) has no 32-bit subsystem.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include "MUI2.nsh"

Name "Plindor"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Plindor"
InstallDirRegKey HKCU "Software\Plindor\Install" "Folder"
BrandingText "Plindor ${VERSION}"
VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "Plindor"
VIAddVersionKey /LANG=0 "FileDescription" "Plindor Setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "GPL-3.0-or-later"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\plindor.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Plindor"
!define APP_KEY "Software\Classes\Applications\plindor.exe"

!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; NSIS picks the one of these that Windows's display language matches, else the first: Chinese or English, as the
; program does.
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "English"

Section "Plindor" SecMain
    SectionIn RO
    ; A running Plindor holds its DLLs; the files would be replaced only in part.
    SetOverwrite on
    SetOutPath "$INSTDIR"
    File /r "${STAGE}\*.*"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    WriteRegStr HKCU "Software\Plindor\Install" "Folder" "$INSTDIR"

    CreateShortcut "$SMPROGRAMS\Plindor.lnk" "$INSTDIR\plindor.exe"
    ; "Send to" hands every selected file to Plindor at once; a second start passes them to the open window.
    CreateShortcut "$SENDTO\Plindor.lnk" "$INSTDIR\plindor.exe"

    ; "Open with": Plindor is offered for every kind of file, and never made the default for any.
    WriteRegStr HKCU "${APP_KEY}" "FriendlyAppName" "Plindor"
    WriteRegStr HKCU "${APP_KEY}\DefaultIcon" "" '"$INSTDIR\plindor.exe",0'
    WriteRegStr HKCU "${APP_KEY}\shell\open\command" "" '"$INSTDIR\plindor.exe" "%1"'
    WriteRegStr HKCU "${APP_KEY}\SupportedTypes" "*" ""
    WriteRegStr HKCU "Software\Classes\*\OpenWithList\plindor.exe" "" ""

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Plindor"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Plindor developers"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\plindor.exe",0'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    Delete "$SMPROGRAMS\Plindor.lnk"
    Delete "$SENDTO\Plindor.lnk"
    DeleteRegKey HKCU "${APP_KEY}"
    DeleteRegKey HKCU "Software\Classes\*\OpenWithList\plindor.exe"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    DeleteRegKey HKCU "Software\Plindor\Install"
    ; Only what the installer put there: a folder the user chose may hold other files.
    RMDir /r "$INSTDIR\platforms"
    RMDir /r "$INSTDIR\styles"
    RMDir /r "$INSTDIR\sqldrivers"
    RMDir /r "$INSTDIR\imageformats"
    RMDir /r "$INSTDIR\translations"
    Delete "$INSTDIR\*.dll"
    Delete "$INSTDIR\plindor.exe"
    Delete "$INSTDIR\qt.conf"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\LICENSE-Qt.txt"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
SectionEnd
