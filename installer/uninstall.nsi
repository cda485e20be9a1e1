; The uninstaller of Kelvra Sorvane, Uninstall.exe in the install folder,
; which the setup copies there. It does its work where it is, so that a caller
; can wait for it (an uninstaller made by WriteUninstaller hands its work to a
; copy of itself in %TEMP% and returns at once) and gets its exit code:
; 0 removed, 1 cancelled, 2 the module is in use (nothing changed), 4 an
; all-users install without administrator rights (asked for as the setup does).
; A running program cannot delete itself: for the current user a copy in the
; user's %TEMP% removes Uninstall.exe and the folder once this one has ended;
; for all users they are removed at the next restart (an elevated helper run
; from a folder the user can write to could be swapped).
;
; Built by CMake (installer/CMakeLists.txt) with:
;   makensis -DVERSION=1.2.0.38 -DVERSION_TEXT=1.02.0038 -DOUTFILE=path\Uninstall.exe uninstall.nsi

Unicode true

!ifndef VERSION | OUTFILE | VERSION_TEXT
  !error "VERSION, VERSION_TEXT and OUTFILE must be defined"
!endif

!include "${__FILEDIR__}\common.nsh"

RequestExecutionLevel user
!include "MUI2.nsh"

Name "${PRODUCT}"
Caption "${PRODUCT} Uninstall"
OutFile "${OUTFILE}"
SetCompressor /SOLID lzma
SetDateSave off
ShowInstDetails show

VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} Uninstall"
VIAddVersionKey "FileVersion" "${VERSION_TEXT}"
VIAddVersionKey "ProductVersion" "${VERSION_TEXT}"
VIAddVersionKey "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}"

!define MUI_PAGE_HEADER_TEXT "Uninstalling"
!define MUI_PAGE_HEADER_SUBTEXT "Please wait while ${PRODUCT} is being uninstalled."
!define MUI_INSTFILESPAGE_FINISHHEADER_TEXT "Uninstallation Complete"
!define MUI_INSTFILESPAGE_FINISHHEADER_SUBTEXT "${PRODUCT} was removed from your computer."
!define MUI_INSTFILESPAGE_ABORTHEADER_TEXT "Uninstallation Aborted"
!define MUI_INSTFILESPAGE_ABORTHEADER_SUBTEXT "${PRODUCT} was not removed."
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The mode comes from the file the setup left beside this program (a path
; compare would fail on another spelling of the same folder); an install from
; before there were two modes was for all users.
Function .onInit
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/CLEANUP=" $R1
  ${IfNot} ${Errors}
    Call RemoveUninstaller
  ${EndIf}
  StrCpy $INSTDIR $EXEDIR
  !insertmacro ReadRights
  ReadINIStr $Mode "$INSTDIR\Uninstall.ini" "Install" "Mode"
  ${If} $Mode == CurrentUser
    SetShellVarContext current
  ${Else}
    StrCpy $Mode AllUsers
    SetShellVarContext all
    ${If} $Admin != 1
      !insertmacro NoRightsForAllUsers Removing
      !insertmacro RunElevated "/ELEVATED"
    ${EndIf}
  ${EndIf}
  ${IfNot} ${Silent}
  ${AndIfNot} ${Cmd} `MessageBox MB_OKCANCEL|MB_ICONQUESTION \
      "Remove ${PRODUCT} from your computer?" IDOK`
    SetErrorLevel 1
    Quit
  ${EndIf}
FunctionEnd

; The helper, a copy in %TEMP% started with /CLEANUP=PID /D=FOLDER: once the
; uninstaller with that process id has ended, removes it and its folder.
Function RemoveUninstaller
  System::Call 'kernel32::OpenProcess(i 0x100000, i 0, i $R1) p .r2' ; SYNCHRONIZE
  ${If} $2 P<> 0
    System::Call 'kernel32::WaitForSingleObject(p r2, i 60000)'
    System::Call 'kernel32::CloseHandle(p r2)'
  ${EndIf}
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  Quit
FunctionEnd

Section "Remove"
  !insertmacro RemoveModule
  !insertmacro RemoveInstallEntries
  ${If} ${FileExists} "$EXEPATH"
    ${If} $Mode == AllUsers
      Delete /REBOOTOK "$EXEPATH"
      RMDir /REBOOTOK "$INSTDIR"
    ${Else}
      SetDetailsPrint none
      GetTempFileName $0
      CopyFiles /SILENT "$EXEPATH" "$0"
      System::Call 'kernel32::GetCurrentProcessId() i .r1'
      Exec '"$0" /CLEANUP=$1 /D=$INSTDIR'
      SetDetailsPrint lastused
    ${EndIf}
  ${EndIf}
SectionEnd
