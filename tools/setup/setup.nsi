; The per-user installer of a packaged app: no elevation, into
; %LOCALAPPDATA%\Programs\<Name> (or the folder given with /D=), with a Start-menu shortcut and
; an entry in the current user's list of installed programs. /S installs silently.
;
; package.nsh, written for each package by setup_script.py, holds the app's identity (the macros
; Identity, VersionKeys and SetNames, which fill the variables below) and the macros InstallFiles
; and RemoveFiles, which name exactly the package's files. The app's texts reach this script only
; in those variables: a name may hold any of $ { } ' ` ; that makensis reads as its own. Built by
; build-setup.sh, which runs makensis in the folder that holds both files.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true
ManifestSupportedOS all

!include "package.nsh"
!include "MUI2.nsh"
!include "LogicLib.nsh"

Var AppName
Var FileName
Var AppVersion
Var Company
Var Uninstaller
Var UninstallKey
Var Shortcut

OutFile "built.exe"
!insertmacro Identity

!ifdef SIGN_UNINSTALLER
  ; The uninstaller is made here, before it is packed into the installer: sign it now.
  !uninstfinalize 'bash sign-uninstaller "%1"' = 0
!endif

!ifdef APP_ICON
  !define MUI_ICON "${APP_ICON}"
  !define MUI_UNICON "${APP_ICON}"
!endif
!define MUI_FINISHPAGE_RUN "$INSTDIR\$FileName.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

!insertmacro VersionKeys

!macro Names
  !insertmacro SetNames
  StrCpy $Uninstaller "Uninstall $FileName.exe"
  StrCpy $UninstallKey "Software\Microsoft\Windows\CurrentVersion\Uninstall\$FileName"
  StrCpy $Shortcut "$SMPROGRAMS\$FileName.lnk"
!macroend
Function .onInit
  !insertmacro Names
FunctionEnd
Function un.onInit
  !insertmacro Names
FunctionEnd

; Runs the uninstaller of an earlier install in FOLDER, in place (_?=), and waits for it: it
; removes exactly the files that version installed, so none of them outlives the new version.
!macro RemovePrevious FOLDER
  ${If} ${FileExists} "${FOLDER}\$Uninstaller"
    ExecWait '"${FOLDER}\$Uninstaller" /S _?=${FOLDER}'
    Delete "${FOLDER}\$Uninstaller"
    RMDir "${FOLDER}"
  ${EndIf}
!macroend

Section
  ReadRegStr $0 HKCU $UninstallKey "InstallLocation"
  ${If} $0 != ""
    !insertmacro RemovePrevious $0
  ${EndIf}
  ${If} $0 != $INSTDIR
    !insertmacro RemovePrevious $INSTDIR
  ${EndIf}

  !insertmacro InstallFiles
  WriteUninstaller "$INSTDIR\$Uninstaller"
  ; The shortcut's working folder is the output path: the app's folder.
  SetOutPath "$INSTDIR"
  CreateShortcut $Shortcut "$INSTDIR\$FileName.exe"

  FileOpen $1 "$INSTDIR\$Uninstaller" r
  FileSeek $1 0 END $2
  FileClose $1
  IntOp $2 $2 + ${PACKAGE_REST_BYTES}
  IntOp $2 $2 + 1023
  IntOp $2 $2 / 1024
  IntOp $2 $2 + ${PACKAGE_KIB}

  WriteRegStr HKCU $UninstallKey "DisplayName" $AppName
  ${If} $AppVersion != ""
    WriteRegStr HKCU $UninstallKey "DisplayVersion" $AppVersion
  ${EndIf}
  ${If} $Company != ""
    WriteRegStr HKCU $UninstallKey "Publisher" $Company
  ${EndIf}
  WriteRegStr HKCU $UninstallKey "DisplayIcon" "$INSTDIR\$FileName.exe"
  WriteRegStr HKCU $UninstallKey "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU $UninstallKey "UninstallString" '"$INSTDIR\$Uninstaller"'
  WriteRegStr HKCU $UninstallKey "QuietUninstallString" '"$INSTDIR\$Uninstaller" /S'
  WriteRegDWORD HKCU $UninstallKey "EstimatedSize" $2
  WriteRegDWORD HKCU $UninstallKey "NoModify" 1
  WriteRegDWORD HKCU $UninstallKey "NoRepair" 1
SectionEnd

; Removes what the installer put in place and nothing else: files the app or the player added to
; the folder stay (and so does the folder), and the player's saves, in the browser's user data
; folder under %LOCALAPPDATA%, are never touched.
Section "Uninstall"
  !insertmacro RemoveFiles
  Delete "$INSTDIR\$Uninstaller"
  RMDir "$INSTDIR"
  ; The shortcut and the entry belong to the install the entry names: an uninstaller left in
  ; another folder does not take them away from it.
  ReadRegStr $0 HKCU $UninstallKey "InstallLocation"
  ${If} $0 == $INSTDIR
    Delete $Shortcut
    DeleteRegKey HKCU $UninstallKey
  ${EndIf}
SectionEnd
