; The Windows installer for Kelvra Sorvane: installs the 32-bit add-in module
; into its own folder under Program Files, registers it, and adds an
; uninstaller with an entry in Add/Remove Programs. Silent with /S.
;
; Built by CMake (installer/CMakeLists.txt) with:
;   makensis -DVERSION=1.2.0.38 -DVERSION_TEXT=1.02.0038 -DMODULE=path\Sorvane.dll
;            -DOUTFILE=path\Sorvane-1.2.0.38-setup.exe sorvane.nsi

Unicode true
!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"

!ifndef VERSION | MODULE | OUTFILE | VERSION_TEXT
  !error "VERSION, VERSION_TEXT, MODULE and OUTFILE must be defined"
!endif

!define PRODUCT "Kelvra Sorvane"
!define PUBLISHER "Kelvra"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kelvra Sorvane"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
; Registration writes HKEY_CLASSES_ROOT: an administrator's job.
RequestExecutionLevel admin
SetCompressor /SOLID lzma

VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey "FileVersion" "${VERSION_TEXT}"
VIAddVersionKey "ProductVersion" "${VERSION_TEXT}"
VIAddVersionKey "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}"

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; A host that has the module loaded keeps the file open: ask to close it
; instead of failing half way (a silent install gives up with exit code 2).
!macro RemoveModuleOrAsk
  ${Do}
    ClearErrors
    ${If} ${FileExists} "$INSTDIR\Sorvane.dll"
      Delete "$INSTDIR\Sorvane.dll"
    ${EndIf}
    ${IfNot} ${Errors}
      ${Break}
    ${EndIf}
    ${IfNot} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
        "${PRODUCT} is in use. Close FrontPage, then choose Retry." /SD IDCANCEL IDRETRY`
      SetErrorLevel 2
      Abort "${PRODUCT} is in use; close FrontPage and run the setup again."
    ${EndIf}
  ${Loop}
!macroend

Section "${PRODUCT}" Main
  SectionIn RO
  SetOutPath "$INSTDIR"
  ; An earlier version: unregister it before its file is replaced.
  ${If} ${FileExists} "$INSTDIR\Sorvane.dll"
    UnRegDLL "$INSTDIR\Sorvane.dll"
  ${EndIf}
  !insertmacro RemoveModuleOrAsk
  File "/oname=Sorvane.dll" "${MODULE}"
  ClearErrors
  RegDLL "$INSTDIR\Sorvane.dll"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} could not be registered." /SD IDOK
    SetErrorLevel 3
    Abort
  ${EndIf}

  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Section "Uninstall"
  ${If} ${FileExists} "$INSTDIR\Sorvane.dll"
    UnRegDLL "$INSTDIR\Sorvane.dll"
  ${EndIf}
  !insertmacro RemoveModuleOrAsk
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
