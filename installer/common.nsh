; What the setup (sorvane.nsi) and the uninstaller (uninstall.nsi) share: the
; product's names and keys, the install mode and rights, the module's
; (un)registration in the mode's classes, and the removal of an install.

!define PRODUCT "Kelvra Sorvane"
!define PUBLISHER "Kelvra"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kelvra Sorvane"

!include "LogicLib.nsh"
!include "FileFunc.nsh"

!define HKEY_CLASSES_ROOT 0x80000000
!define HKEY_CURRENT_USER 0x80000001
!define HKEY_LOCAL_MACHINE 0x80000002
!define ADDINS_KEY "Software\Microsoft\Office\FrontPage\Addins"
!define KEY_ALL_ACCESS 0xF003F

; "AllUsers" or "CurrentUser", in the installer and the uninstaller alike.
Var Mode
; 1 when this process holds administrator rights (elevated, or on a system
; without UAC), as the membership check of UserInfo says.
Var Admin
; The mode's Software\Classes while HKEY_CLASSES_ROOT points there.
Var ModeClasses

!macro ReadRights
  UserInfo::GetAccountType
  Pop $0
  StrCpy $Admin 0
  ${If} $0 == Admin
    StrCpy $Admin 1
  ${EndIf}
!macroend

; Runs this program again with administrator rights (Windows asks the user for
; consent or an administrator's password), waits for it and ends with its exit
; code; declined, with exit code 4. The new run is told so (/ELEVATED): should
; it still lack the rights (UAC turned off for a standard user), it gives up
; instead of asking again.
!macro RunElevated PARAMETERS
  HideWindow
  System::Call '*(i 60, i 0x40, p $HWNDPARENT, w "runas", w "$EXEPATH", w "${PARAMETERS}", \
      p 0, i 1, p 0, p 0, p 0, p 0, i 0, p 0, p 0) p .r1'
  System::Call 'shell32::ShellExecuteExW(p r1) i .r2'
  StrCpy $4 4
  ${If} $2 <> 0
    System::Call '*$1(i, i, p, p, p, p, p, i, p, p, p, p, i, p, p .r3)'
    System::Call 'kernel32::WaitForSingleObject(p r3, i -1)'
    System::Call 'kernel32::GetExitCodeProcess(p r3, *i .r4)'
    System::Call 'kernel32::CloseHandle(p r3)'
  ${EndIf}
  System::Free $1
  SetErrorLevel $4
  Quit
!macroend

; All users without administrator rights: silent, or when already elevated
; once, exit code 4.
!macro NoRightsForAllUsers DOING
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/ELEVATED" $R1
  ${IfNot} ${Errors}
  ${OrIf} ${Silent}
    MessageBox MB_OK|MB_ICONSTOP "${DOING} ${PRODUCT} for all users needs administrator \
        rights." /SD IDOK
    SetErrorLevel 4
    Quit
  ${EndIf}
!macroend

; Around the module's (un)registration this process's HKEY_CLASSES_ROOT is the
; mode's own classes: HKCU\Software\Classes for the current user,
; HKLM\Software\Classes for all users (through the merged view, Windows would
; write a key that exists in the user's classes, a per-user install's, there).
!macro ClassesBegin
  StrCpy $R9 ${HKEY_LOCAL_MACHINE}
  ${If} $Mode == CurrentUser
    StrCpy $R9 ${HKEY_CURRENT_USER}
  ${EndIf}
  System::Call 'advapi32::RegCreateKeyExW(p $R9, w "Software\Classes", \
      i 0, p 0, i 0, i ${KEY_ALL_ACCESS}, p 0, *p .s, p 0) i .r0'
  Pop $ModeClasses
  ${If} $0 = 0
    System::Call 'advapi32::RegOverridePredefKey(p ${HKEY_CLASSES_ROOT}, p $ModeClasses) i .r0'
  ${EndIf}
  ${If} $0 <> 0
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} could not be registered (error $0)." /SD IDOK
    SetErrorLevel 3
    Abort
  ${EndIf}
!macroend
!macro ClassesEnd
  System::Call 'advapi32::RegOverridePredefKey(p ${HKEY_CLASSES_ROOT}, p 0)'
  System::Call 'advapi32::RegCloseKey(p $ModeClasses)'
!macroend

; The keys an install may have to create (a per-user one under HKCU, an
; all-users one the host's keys under HKLM), noted in Uninstall.ini when they
; were not there before (an upgrade keeps the earlier notes), so that the
; uninstaller removes those and only those, if they are empty by then.
!macro NoteIfMissingIn ROOT SECTION KEY
  ClearErrors
  EnumRegKey $0 ${ROOT} "${KEY}" 0
  ${If} ${Errors}
    WriteINIStr "$INSTDIR\Uninstall.ini" "${SECTION}" "${KEY}" 1
  ${EndIf}
!macroend
!macro DeleteIfCreatedIn ROOT SECTION KEY
  ReadINIStr $0 "$INSTDIR\Uninstall.ini" "${SECTION}" "${KEY}"
  ${If} $0 == 1
    DeleteRegKey /ifempty ${ROOT} "${KEY}"
  ${EndIf}
!macroend
!define NoteIfMissing "!insertmacro NoteIfMissingIn HKCU Created"
!define DeleteIfCreated "!insertmacro DeleteIfCreatedIn HKCU Created"

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
    !insertmacro ClassesBegin
    UnRegDLL "$INSTDIR\Sorvane.dll"
    !insertmacro ClassesEnd
    ClearErrors
    Delete "$INSTDIR\Sorvane.dll"
    ${If} ${Errors}
      !insertmacro ClassesBegin
      RegDLL "$INSTDIR\Sorvane.dll"
      !insertmacro ClassesEnd
      SetErrorLevel 2
      Abort "${PRODUCT} is in use; close FrontPage and try again."
    ${EndIf}
  ${EndIf}
!macroend

; The uninstaller, the Add/Remove entry, the parents the per-user install
; created (where nothing else is in them now), the notes and the folder.
!macro RemoveInstallEntries
  Delete "$INSTDIR\Uninstall.exe"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  ${If} $Mode == AllUsers
    DeleteRegKey HKLM "${ADDINS_KEY}\Sorvane.Connect"
    !insertmacro DeleteIfCreatedIn HKLM CreatedMachine "${ADDINS_KEY}"
    !insertmacro DeleteIfCreatedIn HKLM CreatedMachine "Software\Microsoft\Office\FrontPage"
    !insertmacro DeleteIfCreatedIn HKLM CreatedMachine "Software\Microsoft\Office"
  ${EndIf}
  ${If} $Mode == CurrentUser
    ${DeleteIfCreated} "Software\Classes\CLSID"
    ${DeleteIfCreated} "Software\Classes\Interface"
    ${DeleteIfCreated} "Software\Classes\TypeLib"
    ${DeleteIfCreated} "Software\Classes"
    ${DeleteIfCreated} "Software\Microsoft\Windows\CurrentVersion\Uninstall"
  ${EndIf}
  Delete "$INSTDIR\Uninstall.ini"
  SetOutPath "$TEMP" ; no folder that is the current one can be removed
  RMDir "$INSTDIR"
!macroend

