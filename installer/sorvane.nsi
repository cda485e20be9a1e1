; The Windows installer for Kelvra Sorvane, for all users or for the current
; user only:
;   all users     (administrator rights) the module under Program Files, its
;                 class, ProgID and type library in the machine's classes, the
;                 host's add-in entry and the Add/Remove entry in HKLM;
;   current user  (no administrator rights) the module under the user's local
;                 application data, its class, ProgID and type library under
;                 HKCU\Software\Classes, the add-in and Add/Remove entries in
;                 HKCU.
; The module's own DllRegisterServer registers it either way (the add-in entry
; in HKCU, moved to HKLM for all users), with the installer pointing its own
; process's HKEY_CLASSES_ROOT at the mode's Software\Classes around that call
; (RegOverridePredefKey).
;
; The setup starts with the user's own rights, for an administrator too, and
; asks Windows to run it again elevated only for all users. Running with
; administrator rights it installs for all users only, and takes nothing from
; HKCU: a module in a folder the user can write to is never loaded elevated.
; Silent with /S; /ALLUSERS or /CURRENTUSER choose the mode (with
; administrator rights all users; otherwise the mode of an earlier install,
; else the current user). Exit codes: 0 installed, 1 cancelled, 2 the module
; is in use, 3 it could not be registered, 4 all users needs administrator
; rights, 5 just for the current user needs a setup without them, 6 the
; other mode is installed already (one install per account).
;
; Built by CMake (installer/CMakeLists.txt) with:
;   makensis -DVERSION=1.2.0.38 -DVERSION_TEXT=1.02.0038 -DMODULE=path\Sorvane.dll
;            -DUNINSTALLER=path\Uninstall.exe (made by uninstall.nsi)
;            -DOUTFILE=path\Sorvane-1.2.0.38-setup.exe sorvane.nsi

Unicode true

!ifndef VERSION | MODULE | OUTFILE | VERSION_TEXT | UNINSTALLER
  !error "VERSION, VERSION_TEXT, MODULE, UNINSTALLER and OUTFILE must be defined"
!endif

!include "${__FILEDIR__}\common.nsh"

RequestExecutionLevel user
!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "nsDialogs.nsh"

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
Page custom ModePage ModePageLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_LANGUAGE "English"

; 1 when the command line chose the mode, or the folder (/D=).
Var ModeGiven
Var DirGiven
; The mode page's "all users" button.
Var AllUsersButton

!macro ElevateForAllUsers
  ${If} $DirGiven == 1
    !insertmacro RunElevated "/ALLUSERS /ELEVATED /D=$INSTDIR"
  ${Else}
    !insertmacro RunElevated "/ALLUSERS /ELEVATED"
  ${EndIf}
!macroend


Function .onInit
  !insertmacro ReadRights
  StrCpy $DirGiven 0
  ${If} $INSTDIR != ""
    StrCpy $DirGiven 1
  ${EndIf}
  StrCpy $ModeGiven 1
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/ALLUSERS" $R1
  ${IfNot} ${Errors}
    StrCpy $Mode AllUsers
  ${Else}
    ClearErrors
    ${GetOptions} $R0 "/CURRENTUSER" $R1
    ${IfNot} ${Errors}
      StrCpy $Mode CurrentUser
    ${Else}
      StrCpy $ModeGiven 0
      Call DefaultMode
    ${EndIf}
  ${EndIf}
  ; Elevated, a per-user install would load a module from a folder the user
  ; can write to (and, elevated over the shoulder, be another account's).
  ${If} $Mode == CurrentUser
  ${AndIf} $Admin == 1
    MessageBox MB_OK|MB_ICONSTOP "To install ${PRODUCT} just for yourself, run the setup \
        without administrator rights." /SD IDOK
    SetErrorLevel 5
    Quit
  ${EndIf}
  Call OtherModeInstalled
  ${If} $0 != ""
    MessageBox MB_OK|MB_ICONSTOP "$0" /SD IDOK
    SetErrorLevel 6
    Quit
  ${EndIf}
  ${If} $Mode == AllUsers
  ${AndIf} $Admin != 1
    !insertmacro NoRightsForAllUsers Installing
    ${If} $ModeGiven == 1
      !insertmacro ElevateForAllUsers
    ${EndIf}
  ${EndIf}
  Call ApplyMode
FunctionEnd

; One install per account: with one in each mode, the user's classes would
; hide the machine's and the host would load the add-in twice. $0: why this
; mode cannot be installed, or "". Only the entries' presence is read.
Function OtherModeInstalled
  ${If} $Mode == AllUsers
    ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "DisplayName"
    ${If} $0 != ""
      StrCpy $0 "${PRODUCT} is installed just for you. Remove it (Add/Remove Programs) before \
          installing it for all users."
    ${EndIf}
  ${Else}
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "DisplayName"
    ${If} $0 != ""
      StrCpy $0 "${PRODUCT} is installed for all users of this computer already."
    ${EndIf}
  ${EndIf}
FunctionEnd

; Without a mode on the command line: with administrator rights all users,
; whatever the user's hive says; otherwise the user's own earlier install, then
; (offered on the mode page) the machine's, or an account that may elevate;
; else the current user.
Function DefaultMode
  StrCpy $Mode AllUsers
  ${If} $Admin == 1
    Return
  ${EndIf}
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  StrCpy $Mode CurrentUser
  ${If} $0 != ""
  ${OrIf} ${Silent}
    Return
  ${EndIf}
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ; TokenElevationType 3: an administrator running without elevation.
  System::Call 'advapi32::OpenProcessToken(p -1, i 8, *p .r1) i .r2'
  System::Call 'advapi32::GetTokenInformation(p r1, i 18, *i .r3, i 4, *i .r2) i .r2'
  System::Call 'kernel32::CloseHandle(p r1)'
  ${If} $0 != ""
  ${OrIf} $3 == 3
    StrCpy $Mode AllUsers
  ${EndIf}
FunctionEnd

; The mode's shell folders, and its install folder unless /D= gave one: the
; earlier install's, else the default. All users read only HKLM.
Function ApplyMode
  ${If} $Mode == AllUsers
    SetShellVarContext all
    ${If} $DirGiven != 1
      ReadRegStr $INSTDIR HKLM "${UNINSTALL_KEY}" "InstallLocation"
      ${If} $INSTDIR == ""
        StrCpy $INSTDIR "$PROGRAMFILES\${PRODUCT}"
      ${EndIf}
    ${EndIf}
  ${Else}
    SetShellVarContext current
    ${If} $DirGiven != 1
      ReadRegStr $INSTDIR HKCU "${UNINSTALL_KEY}" "InstallLocation"
      ${If} $INSTDIR == ""
        GetKnownFolderPath $INSTDIR {5CD7AEE2-2219-4A67-B85D-6C9CE15660CB} ; UserProgramFiles
        ${If} $INSTDIR == ""
          StrCpy $INSTDIR "$LOCALAPPDATA\Programs"
        ${EndIf}
        StrCpy $INSTDIR "$INSTDIR\${PRODUCT}"
      ${EndIf}
    ${EndIf}
  ${EndIf}
FunctionEnd

; Who to install for, unless the command line said it or the setup has
; administrator rights (then all users, the only mode it offers).
Function ModePage
  ${If} $ModeGiven == 1
  ${OrIf} $Admin == 1
    Abort
  ${EndIf}
  !insertmacro MUI_HEADER_TEXT "Choose Users" "Choose for which users you want to install ${PRODUCT}."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 24u "Select whether you want to install ${PRODUCT} only for \
      yourself or for all users of this computer (which needs administrator rights)."
  Pop $0
  ${NSD_CreateRadioButton} 10u 32u 100% 12u "Install for &anyone using this computer"
  Pop $AllUsersButton
  ${NSD_CreateRadioButton} 10u 48u 100% 12u "Install just for &me"
  Pop $0
  ${If} $Mode == AllUsers
    ${NSD_Check} $AllUsersButton
  ${Else}
    ${NSD_Check} $0
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function ModePageLeave
  ${NSD_GetState} $AllUsersButton $0
  StrCpy $Mode CurrentUser
  ${If} $0 == ${BST_CHECKED}
    StrCpy $Mode AllUsers
  ${EndIf}
  Call OtherModeInstalled
  ${If} $0 != ""
    MessageBox MB_OK|MB_ICONEXCLAMATION "$0"
    Abort
  ${EndIf}
  ${If} $Mode == AllUsers
    !insertmacro ElevateForAllUsers
  ${EndIf}
  Call ApplyMode
FunctionEnd

; Whether KEY exists under ROOT: VAR 1 or 0.
!macro KeyExists ROOT KEY VAR
  ClearErrors
  EnumRegKey ${VAR} ${ROOT} "${KEY}" 0
  StrCpy ${VAR} 1
  ${If} ${Errors}
    StrCpy ${VAR} 0
  ${EndIf}
!macroend

Section "${PRODUCT}" Main
  SectionIn RO
  SetOutPath "$INSTDIR"
  ; An earlier version: unregistered before its file is replaced.
  !insertmacro RemoveModule
  File "/oname=Sorvane.dll" "${MODULE}"
  ${If} $Mode == CurrentUser
    ${NoteIfMissing} "Software\Classes"
    ${NoteIfMissing} "Software\Classes\CLSID"
    ${NoteIfMissing} "Software\Classes\Interface"
    ${NoteIfMissing} "Software\Classes\TypeLib"
    ${NoteIfMissing} "Software\Microsoft\Windows\CurrentVersion\Uninstall"
  ${EndIf}
  ; The host's keys in the user's hive, as they are before the registration.
  !insertmacro KeyExists HKCU "Software\Microsoft\Office" $R6
  !insertmacro KeyExists HKCU "Software\Microsoft\Office\FrontPage" $R7
  !insertmacro KeyExists HKCU "${ADDINS_KEY}" $R8
  !insertmacro ClassesBegin
  ClearErrors
  RegDLL "$INSTDIR\Sorvane.dll"
  StrCpy $1 ""
  ${If} ${Errors}
    StrCpy $1 failed
  ${EndIf}
  !insertmacro ClassesEnd
  ; The module took back what it wrote; nothing of the product stays, not even
  ; an earlier version's entry (its module was removed above).
  ${If} $1 == failed
    Delete "$INSTDIR\Sorvane.dll"
    !insertmacro RemoveInstallEntries
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} could not be registered." /SD IDOK
    SetErrorLevel 3
    Abort
  ${EndIf}

  ; For all users, the host's add-in entry is the machine's, which the host
  ; loads for every user; the installing account's own entry, which the
  ; registration wrote, goes (with the keys it had to make), so that the host
  ; loads the add-in once.
  ${If} $Mode == AllUsers
    !insertmacro NoteIfMissingIn HKLM CreatedMachine "Software\Microsoft\Office"
    !insertmacro NoteIfMissingIn HKLM CreatedMachine "Software\Microsoft\Office\FrontPage"
    !insertmacro NoteIfMissingIn HKLM CreatedMachine "${ADDINS_KEY}"
    WriteRegStr HKLM "${ADDINS_KEY}\Sorvane.Connect" "FriendlyName" "${PRODUCT}"
    WriteRegStr HKLM "${ADDINS_KEY}\Sorvane.Connect" "Description" \
        "Open Web add-in to bypass Web Folders."
    WriteRegDWORD HKLM "${ADDINS_KEY}\Sorvane.Connect" "LoadBehavior" 3
    DeleteRegKey HKCU "${ADDINS_KEY}\Sorvane.Connect"
    ${If} $R8 == 0
      DeleteRegKey /ifempty HKCU "${ADDINS_KEY}"
    ${EndIf}
    ${If} $R7 == 0
      DeleteRegKey /ifempty HKCU "Software\Microsoft\Office\FrontPage"
    ${EndIf}
    ${If} $R6 == 0
      DeleteRegKey /ifempty HKCU "Software\Microsoft\Office"
    ${EndIf}
  ${EndIf}

  ; SHCTX: HKLM for all users, HKCU for the current user.
  File "/oname=Uninstall.exe" "${UNINSTALLER}"
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
