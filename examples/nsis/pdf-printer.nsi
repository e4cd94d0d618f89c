; An installer that installs pdf-printer-setup.exe and cdintf400.dll side by side,
; with pdf-printer-doctor.exe, and starts the PDF printer through them; its
; uninstaller ends the printer first. Silent with /S. Build it with:
;   makensis -DVERSION=1.0.0 -DFILES=FOLDER pdf-printer.nsi
; FOLDER holds the three files (the script's own folder by default). With
; -DSIGN=PATH/scripts/sign and its SIGN_* variables set, the installer and the
; uninstaller it writes are both signed.
Unicode true
Target amd64-unicode
; Installers that Intune or Configuration Manager run as SYSTEM need NSIS 3.12 or
; later: earlier releases have a published privilege-escalation fix for them
; (CVE-2026-42171, the installer may use the low-integrity temporary folder).
!if ${NSIS_PACKEDVERSION} < 0x03012000
  !warning "NSIS ${NSIS_VERSION} is older than 3.12: do not run this installer as SYSTEM (CVE-2026-42171)"
!endif
!include LogicLib.nsh

!ifndef VERSION
  !define VERSION "1.0.0"
!endif
!ifndef FILES
  !define FILES "."
!endif
; How long the tool may take, in milliseconds, before the installation fails: a
; converter library that never returns would otherwise hold the installation until
; the deployment tool gives up. The doctor bounds its own calls into the library.
!ifndef TOOL_TIMEOUT
  !define TOOL_TIMEOUT 600000
!endif
!define DOCTOR '"$INSTDIR\pdf-printer-doctor.exe" --timeout=60'
!ifdef SIGN
  ; NSIS 3.08 runs these on the finished installer, and on the uninstaller before
  ; it is packed into the installer; %1 is the file.
  !finalize '"${SIGN}" "%1"' = 0
  !uninstfinalize '"${SIGN}" "%1"' = 0
!endif
; nsExec leaves a program that ran past its limit running, holding its files: end
; it, by the system's own taskkill, never one found along PATH.
!macro EndToolPastItsLimit
  ${If} $0 == "timeout"
    nsExec::Exec '"$SYSDIR\taskkill.exe" /F /IM pdf-printer-setup.exe'
    Pop $1
    Sleep 1000
  ${EndIf}
!macroend
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\PDF Printer"

Name "PDF Printer"
OutFile "pdf-printer-${VERSION}-setup.exe"
InstallDir "$PROGRAMFILES64\PDF Printer"
RequestExecutionLevel admin

Section
  SetRegView 64
  SetOutPath "$INSTDIR"
  File "${FILES}\pdf-printer-setup.exe"
  File "${FILES}\pdf-printer-doctor.exe"
  File "${FILES}\cdintf400.dll"
  ; The tool and the doctor run with another working folder: a folder that is a
  ; process's working folder cannot be removed, and an installation that fails
  ; removes this one. (The tool finds the library beside itself, not there.)
  SetOutPath "$TEMP"
  ; nsExec runs the console program hidden, where ExecWait would flash a console
  ; window of its own on the desktop. It leaves the tool's exit status on the stack,
  ; "error" when the tool could not be started, or "timeout" when it ended a tool
  ; that ran past the limit: compare as text, since "error" counts as 0 as a number.
  nsExec::Exec /TIMEOUT=${TOOL_TIMEOUT} '"$INSTDIR\pdf-printer-setup.exe"'
  Pop $0
  !insertmacro EndToolPastItsLimit
  ${If} $0 != 0
    ; The doctor's report, line by line, in the installer's details.
    DetailPrint "pdf-printer-setup.exe: $0. pdf-printer-doctor.exe says:"
    nsExec::ExecToLog /TIMEOUT=${TOOL_TIMEOUT} '${DOCTOR}'
    Pop $1
    Delete "$INSTDIR\pdf-printer-setup.exe"
    Delete "$INSTDIR\pdf-printer-doctor.exe"
    Delete "$INSTDIR\cdintf400.dll"
    RMDir "$INSTDIR"
    ; Ends the installer with exit code 2, NSIS's own for an aborted installation.
    Abort "The PDF printer could not be installed (pdf-printer-setup.exe: $0)."
  ${EndIf}
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "PDF Printer"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetRegView 64
  ; The printer is ended first, while the tool and the library are still there. A
  ; removal that fails does not stop the uninstall (see README.md).
  nsExec::Exec /TIMEOUT=${TOOL_TIMEOUT} '"$INSTDIR\pdf-printer-setup.exe" -u'
  Pop $0
  DetailPrint "pdf-printer-setup.exe -u: $0"
  !insertmacro EndToolPastItsLimit
  ${If} $0 != 0
    nsExec::ExecToLog /TIMEOUT=${TOOL_TIMEOUT} '${DOCTOR} -u'
    Pop $1
  ${EndIf}
  Delete "$INSTDIR\pdf-printer-setup.exe"
  Delete "$INSTDIR\pdf-printer-doctor.exe"
  Delete "$INSTDIR\cdintf400.dll"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
