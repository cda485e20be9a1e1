; The Windows installer for Kelvra Sorvane, for all users or for the current
; user only:
;   all users     (administrator) the module under Program Files, its class,
;                 ProgID and type library in the machine's classes, the
;                 Add/Remove entry in HKLM;
;   current user  (no elevation) the module under the user's local application
;                 data, its class, ProgID and type library under
;                 HKCU\Software\Classes, the Add/Remove entry in HKCU.
; The host's add-in entry is the user's in both. The module's own
; DllRegisterServer registers it either way: for the current user the
; installer points HKEY_CLASSES_ROOT at HKCU\Software\Classes for its own
; process around that call (RegOverridePredefKey).
; Silent with /S; /ALLUSERS or /CURRENTUSER choose the mode (an administrator
; gets all users by default, anyone else the current user; a second run
; defaults to the mode of the earlier install).
;
; Built by CMake (installer/CMakeLists.txt) with:
;   makensis -DVERSION=1.2.0.38 -DVERSION_TEXT=1.02.0038 -DMODULE=path\Sorvane.dll
;            -DOUTFILE=path\Sorvane-1.2.0.38-setup.exe sorvane.nsi

Unicode true

!ifndef VERSION | MODULE | OUTFILE | VERSION_TEXT
  !error "VERSION, VERSION_TEXT, MODULE and OUTFILE must be defined"
!endif

!define PRODUCT "Kelvra Sorvane"
!define PUBLISHER "Kelvra"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kelvra Sorvane"

; "Highest": an administrator is asked to elevate and may choose either mode;
; anyone else runs as themselves, with no prompt, and installs for themselves.
!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_INSTDIR "${PRODUCT}"
; An upgrade goes where the earlier install of the same mode is.
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallLocation"
; The uninstaller takes its mode from where it lives (see un.onInit).
!define MULTIUSER_NOUNINSTALL
!include "MultiUser.nsh"
!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
SetCompressor /SOLID lzma
; No file times in the setup: two builds of one commit give the same bytes.
SetDateSave off

VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey "FileVersion" "${VERSION_TEXT}"
VIAddVersionKey "ProductVersion" "${VERSION_TEXT}"
VIAddVersionKey "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}"

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_WELCOME
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

!define HKEY_CLASSES_ROOT 0x80000000
!define HKEY_CURRENT_USER 0x80000001
!define KEY_ALL_ACCESS 0xF003F

; "AllUsers" or "CurrentUser", in the installer and the uninstaller alike.
Var Mode
; HKCU\Software\Classes while HKEY_CLASSES_ROOT points there.
Var UserClasses

Function .onInit
  !insertmacro MULTIUSER_INIT
  StrCpy $Mode $MultiUser.InstallMode
FunctionEnd

; The uninstaller reads its mode from the file the installer left beside it
; (a path compare would fail on another spelling of the same folder); an
; install from before there were two modes was for all users.
Function un.onInit
  ReadINIStr $Mode "$INSTDIR\Uninstall.ini" "Install" "Mode"
  ${If} $Mode == CurrentUser
    SetShellVarContext current
  ${Else}
    StrCpy $Mode AllUsers
    SetShellVarContext all
  ${EndIf}
FunctionEnd

; Around the module's (un)registration: for the current user, this process's
; HKEY_CLASSES_ROOT becomes HKCU\Software\Classes.
!macro UserClassesBegin
  ${If} $Mode == CurrentUser
    System::Call 'advapi32::RegCreateKeyExW(p ${HKEY_CURRENT_USER}, w "Software\Classes", \
        i 0, p 0, i 0, i ${KEY_ALL_ACCESS}, p 0, *p .s, p 0) i .r0'
    Pop $UserClasses
    ${If} $0 = 0
      System::Call 'advapi32::RegOverridePredefKey(p ${HKEY_CLASSES_ROOT}, p $UserClasses) i .r0'
    ${EndIf}
    ${If} $0 <> 0
      MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} could not be registered for you (error $0)." \
          /SD IDOK
      SetErrorLevel 3
      Abort
    ${EndIf}
  ${EndIf}
!macroend
!macro UserClassesEnd
  ${If} $Mode == CurrentUser
    System::Call 'advapi32::RegOverridePredefKey(p ${HKEY_CLASSES_ROOT}, p 0)'
    System::Call 'advapi32::RegCloseKey(p $UserClasses)'
  ${EndIf}
!macroend

; The HKCU keys a per-user install may have to create, noted in Uninstall.ini
; when they were not there before (an upgrade keeps the earlier notes), so that
; the uninstaller removes those and only those, if they are empty by then.
!macro NoteIfMissing KEY
  ClearErrors
  EnumRegKey $0 HKCU "${KEY}" 0
  ${If} ${Errors}
    WriteINIStr "$INSTDIR\Uninstall.ini" "Created" "${KEY}" 1
  ${EndIf}
!macroend
!macro DeleteIfCreated KEY
  ReadINIStr $0 "$INSTDIR\Uninstall.ini" "Created" "${KEY}"
  ${If} $0 == 1
    DeleteRegKey /ifempty HKCU "${KEY}"
  ${EndIf}
!macroend

; A host that has the module loaded holds its image, and Windows then refuses
; to open the file for writing and deletion. Checked before anything is
; unregistered, so that a module in use keeps its registration: the setup asks
; to close the host (a silent one gives up with exit code 2, changing nothing).
!define GENERIC_WRITE_AND_DELETE 0x40010000
!define OPEN_EXISTING 3
!macro ModuleFreeOrAsk
  ${Do}
    ${IfNot} ${FileExists} "$INSTDIR\Sorvane.dll"
      ${Break}
    ${EndIf}
    System::Call 'kernel32::CreateFileW(w "$INSTDIR\Sorvane.dll", i ${GENERIC_WRITE_AND_DELETE}, \
        i 0, p 0, i ${OPEN_EXISTING}, i 0, p 0) p .r0'
    ${If} $0 P<> -1
      System::Call 'kernel32::CloseHandle(p r0)'
      ${Break}
    ${EndIf}
    !insertmacro AskToCloseHost
  ${Loop}
!macroend
!macro AskToCloseHost
  ${IfNot} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "${PRODUCT} is in use. Close FrontPage, then choose Retry." /SD IDCANCEL IDRETRY`
    SetErrorLevel 2
    Abort "${PRODUCT} is in use; close FrontPage and try again."
  ${EndIf}
!macroend

; Unregisters and removes the installed module. Should a host load it between
; the check and the removal, the registration is put back (exit code 2).
!macro RemoveModule
  !insertmacro ModuleFreeOrAsk
  ${If} ${FileExists} "$INSTDIR\Sorvane.dll"
    !insertmacro UserClassesBegin
    UnRegDLL "$INSTDIR\Sorvane.dll"
    !insertmacro UserClassesEnd
    ClearErrors
    Delete "$INSTDIR\Sorvane.dll"
    ${If} ${Errors}
      !insertmacro UserClassesBegin
      RegDLL "$INSTDIR\Sorvane.dll"
      !insertmacro UserClassesEnd
      SetErrorLevel 2
      Abort "${PRODUCT} is in use; close FrontPage and try again."
    ${EndIf}
  ${EndIf}
!macroend

Section "${PRODUCT}" Main
  SectionIn RO
  SetOutPath "$INSTDIR"
  ; An earlier version: unregistered before its file is replaced.
  !insertmacro RemoveModule
  File "/oname=Sorvane.dll" "${MODULE}"
  ${If} $Mode == CurrentUser
    !insertmacro NoteIfMissing "Software\Classes"
    !insertmacro NoteIfMissing "Software\Classes\CLSID"
    !insertmacro NoteIfMissing "Software\Classes\Interface"
    !insertmacro NoteIfMissing "Software\Classes\TypeLib"
    !insertmacro NoteIfMissing "Software\Microsoft\Windows\CurrentVersion\Uninstall"
  ${EndIf}
  !insertmacro UserClassesBegin
  ClearErrors
  RegDLL "$INSTDIR\Sorvane.dll"
  StrCpy $1 ""
  ${If} ${Errors}
    StrCpy $1 failed
  ${EndIf}
  !insertmacro UserClassesEnd
  ${If} $1 == failed
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} could not be registered." /SD IDOK
    SetErrorLevel 3
    Abort
  ${EndIf}

  ; SHCTX: HKLM for all users, HKCU for the current user.
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteINIStr "$INSTDIR\Uninstall.ini" "Install" "Mode" "$Mode"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Section "Uninstall"
  !insertmacro RemoveModule
  Delete "$INSTDIR\Uninstall.exe"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  ; The parents the per-user install created, where nothing else is in them now.
  ${If} $Mode == CurrentUser
    !insertmacro DeleteIfCreated "Software\Classes\CLSID"
    !insertmacro DeleteIfCreated "Software\Classes\Interface"
    !insertmacro DeleteIfCreated "Software\Classes\TypeLib"
    !insertmacro DeleteIfCreated "Software\Classes"
    !insertmacro DeleteIfCreated "Software\Microsoft\Windows\CurrentVersion\Uninstall"
  ${EndIf}
  Delete "$INSTDIR\Uninstall.ini"
  RMDir "$INSTDIR"
SectionEnd
