; The per-user installer of a packaged app: no elevation, into
; %LOCALAPPDATA%\Programs\<Name> (or the folder given with /D=), with a Start-menu shortcut and
; an entry in the current user's list of installed programs. /S installs silently.
;
; package.nsh, written for each package by setup_script.py, defines the app's identity and the
; macros InstallFiles and RemoveFiles, which name exactly the package's files. Built by
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

!define UNINSTALLER "Uninstall ${FILE_NAME}.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${FILE_NAME}"
!define SHORTCUT "$SMPROGRAMS\${FILE_NAME}.lnk"

Name "${APP_NAME}"
OutFile "built.exe"
InstallDir "$LOCALAPPDATA\Programs\${FILE_NAME}"
; An installed version is replaced where it is, unless /D= names another folder.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${APP_NAME}"

!ifdef SIGN_UNINSTALLER
  ; The uninstaller is made here, before it is packed into the installer: sign it now.
  !uninstfinalize 'bash sign-uninstaller "%1"' = 0
!endif

!ifdef APP_ICON
  !define MUI_ICON "${APP_ICON}"
  !define MUI_UNICON "${APP_ICON}"
!endif
!define MUI_FINISHPAGE_RUN "$INSTDIR\${FILE_NAME}.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${APP_FILE_VERSION}"
VIFileVersion "${APP_FILE_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${APP_NAME}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${APP_NAME} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "OriginalFilename" "${FILE_NAME} Setup.exe"
!ifdef APP_VERSION
  VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${APP_VERSION}"
  VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${APP_FILE_VERSION}"
!endif
!ifdef APP_COMPANY
  VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${APP_COMPANY}"
!endif
!ifdef APP_COPYRIGHT
  VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "${APP_COPYRIGHT}"
!endif

; Runs the uninstaller of an earlier install in FOLDER, in place (_?=), and waits for it: it
; removes exactly the files that version installed, so none of them outlives the new version.
!macro RemovePrevious FOLDER
  ${If} ${FileExists} "${FOLDER}\${UNINSTALLER}"
    ExecWait '"${FOLDER}\${UNINSTALLER}" /S _?=${FOLDER}'
    Delete "${FOLDER}\${UNINSTALLER}"
    RMDir "${FOLDER}"
  ${EndIf}
!macroend

Section
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
    !insertmacro RemovePrevious $0
  ${EndIf}
  ${If} $0 != $INSTDIR
    !insertmacro RemovePrevious $INSTDIR
  ${EndIf}

  !insertmacro InstallFiles
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  ; The shortcut's working folder is the output path: the app's folder.
  SetOutPath "$INSTDIR"
  CreateShortcut "${SHORTCUT}" "$INSTDIR\${FILE_NAME}.exe"

  FileOpen $1 "$INSTDIR\${UNINSTALLER}" r
  FileSeek $1 0 END $2
  FileClose $1
  IntOp $2 $2 + ${PACKAGE_REST_BYTES}
  IntOp $2 $2 + 1023
  IntOp $2 $2 / 1024
  IntOp $2 $2 + ${PACKAGE_KIB}

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${APP_NAME}"
  !ifdef APP_VERSION
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${APP_VERSION}"
  !endif
  !ifdef APP_COMPANY
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${APP_COMPANY}"
  !endif
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${FILE_NAME}.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Removes what the installer put in place and nothing else: files the app or the player added to
; the folder stay (and so does the folder), and the player's saves, in the browser's user data
; folder under %LOCALAPPDATA%, are never touched.
Section "Uninstall"
  !insertmacro RemoveFiles
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
  ; The shortcut and the entry belong to the install the entry names: an uninstaller left in
  ; another folder does not take them away from it.
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    Delete "${SHORTCUT}"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ${EndIf}
SectionEnd
