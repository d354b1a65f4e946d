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
!include "FileFunc.nsh"

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
!define PROGID "Plindor.Document"
!define PROGID_KEY "Software\Classes\${PROGID}"
!define HOMEPAGE "https://plindor.github.io"

; The GPL is shown for information: it asks nothing of the person who installs the program, so the page has a
; Next button rather than one to accept an agreement.
!define MUI_LICENSEPAGE_BUTTON "$(^NextBtn)"
!define MUI_LICENSEPAGE_TEXT_BOTTOM "$(LicenseIsInformation)"
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE CheckOtherInstall
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; NSIS picks the one of these that Windows's display language matches, else the first: Chinese where Windows speaks
; it, English everywhere else, as the program does.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "SimpChinese"

LangString LicenseIsInformation ${LANG_ENGLISH} "Plindor is free software under this licence. You need not accept it to use the program; it tells what you may do when you share or change it."
LangString LicenseIsInformation ${LANG_SIMPCHINESE} "Plindor 是依照此许可证发布的自由软件。使用本程序无须接受它；它说明在分发或修改本程序时可以做什么。"
LangString PlindorRunning ${LANG_ENGLISH} "Plindor is running. Close it (its Exit button), then click Retry."
LangString PlindorRunning ${LANG_SIMPCHINESE} "Plindor 正在运行。请先用“退出程序”关闭它，然后单击“重试”。"
LangString OtherInstall ${LANG_ENGLISH} "Plindor is already installed in $R1. Install it there again, or uninstall it first."
LangString OtherInstall ${LANG_SIMPCHINESE} "Plindor 已安装在 $R1。请安装到该文件夹，或先将其卸载。"

; A running Plindor holds plindor.exe and its DLLs: they could be replaced or removed only in part, old and new
; parts mixed. The program holds a named mutex for as long as it runs (platform/RunningMark.h); while it is there,
; the installer and the uninstaller ask for the window to be closed, or, when silent, end with exit code 2 having
; changed nothing. Leaves 1 in $R0 while a Plindor of this user runs, in any session, else 0.
!macro DEFINE_IS_RUNNING prefix
Function ${prefix}IsPlindorRunning
    Push $R1
    Push $R2
    StrCpy $R0 0
    System::Call 'advapi32::GetUserNameW(w .R1, *i ${NSIS_MAX_STRLEN}) i .R2'
    StrCmp $R2 0 done
    System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "Global\Plindor.Running.$R1") p .R2'
    StrCmp $R2 0 done
    System::Call 'kernel32::CloseHandle(p R2)'
    StrCpy $R0 1
done:
    Pop $R2
    Pop $R1
FunctionEnd

Function ${prefix}WaitUntilPlindorEnds
check:
    Call ${prefix}IsPlindorRunning
    StrCmp $R0 1 0 done
    IfSilent 0 ask
    SetErrorLevel 2
    Quit
ask:
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(PlindorRunning)" IDRETRY check
    SetErrorLevel 2
    Quit
done:
FunctionEnd
!macroend
!insertmacro DEFINE_IS_RUNNING ""
!insertmacro DEFINE_IS_RUNNING "un."

; One install per user: a second one in another folder would leave the first, whose uninstaller would then remove
; the entry and shortcuts of the second. Another folder is refused; the folder of the install there is taken.
Function CheckOtherInstall
    ReadRegStr $R1 HKCU "Software\Plindor\Install" "Folder"
    StrCmp $R1 "" done
    StrCmp $R1 $INSTDIR done
    IfFileExists "$R1\uninstall.exe" 0 done
    IfSilent 0 +3
    SetErrorLevel 3
    Quit
    MessageBox MB_OK|MB_ICONEXCLAMATION "$(OtherInstall)"
    Abort
done:
FunctionEnd

Function .onInit
    Call WaitUntilPlindorEnds
    ; /D= sets the folder before this runs; a silent install has no folder page to check it on.
    IfSilent 0 +2
    Call CheckOtherInstall
FunctionEnd

Function un.onInit
    Call un.WaitUntilPlindorEnds
FunctionEnd

Section "Plindor" SecMain
    SectionIn RO
    ; The window may have been started while the pages were shown: asked again before the first file is written.
    Call WaitUntilPlindorEnds
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
    WriteRegStr HKCU "${PROGID_KEY}" "" "Plindor"
    WriteRegStr HKCU "${PROGID_KEY}" "FriendlyTypeName" "Plindor"
    WriteRegStr HKCU "${PROGID_KEY}\DefaultIcon" "" '"$INSTDIR\plindor.exe",0'
    WriteRegStr HKCU "${PROGID_KEY}\shell\open\command" "" '"$INSTDIR\plindor.exe" "%1"'
    WriteRegStr HKCU "Software\Classes\*\OpenWithProgids" "${PROGID}" ""

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Plindor"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Plindor developers"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\plindor.exe",0'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "URLInfoAbout" "${HOMEPAGE}"
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    Call un.WaitUntilPlindorEnds
    Delete "$SMPROGRAMS\Plindor.lnk"
    Delete "$SENDTO\Plindor.lnk"
    DeleteRegKey HKCU "${APP_KEY}"
    DeleteRegKey HKCU "${PROGID_KEY}"
    DeleteRegValue HKCU "Software\Classes\*\OpenWithProgids" "${PROGID}"
    ; What an earlier version registered.
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
    Delete "$INSTDIR\LICENSE-ThirdParty.txt"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
SectionEnd
