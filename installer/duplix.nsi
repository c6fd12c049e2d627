; The installer and uninstaller of VELT Duplix 98, for one target:
;   makensis -DARCH=x86|x64 -DBIN=<the build's bin folder> -DFILES=<files.nsh>
;            -DSOURCE=<source tree> -DOUTFILE=<installer> duplix.nsi
; FILES lists what the build ships (the ForEachShippedFile macro); the names
; shared with the programs are read from their own headers.

!ifndef ARCH | BIN | FILES | SOURCE | OUTFILE
  !error "define ARCH, BIN, FILES, SOURCE and OUTFILE"
!endif

!if "${ARCH}" == "x64"
  Target amd64-unicode
!else if "${ARCH}" == "x86"
  Target x86-ansi
!else
  !error "ARCH is x86 or x64"
!endif

!searchparse /file "${SOURCE}/app/program.h" `#define PRODUCT_TITLE "` PRODUCT `"`
!searchparse /file "${SOURCE}/app/program.h" `#define STOP_EVENT_NAME "` STOP_EVENT `"`
!searchparse /file "${SOURCE}/app/program.h" `#define NOTIFIER_FILE "` NOTIFIER_FILE `"`
!searchparse /file "${SOURCE}/app/program.h" `#define EXTENSION_FILE "` EXTENSION_FILE `"`
!searchparse /file "${SOURCE}/app/program.h" `#define PROGRAM_FILE "` PROGRAM_FILE `"`
!searchparse /file "${SOURCE}/app/program.h" `#define EXTENSION_CLSID "` CLSID `"`
!searchparse /file "${SOURCE}/app/program.h" `#define EXTENSION_NAME "` EXTENSION_NAME `"`
!searchparse /file "${SOURCE}/app/program.h" `#define EXTENSION_HANDLER "` EXTENSION_HANDLER `"`
!searchparse /file "${SOURCE}/dialog/path_links.h" `#define HELP_FILE "` HELP_FILE `"`
!searchparse /file "${SOURCE}/store/settings_store.h" `#define LIST_ITEM_FORMAT "` LIST_ITEM `%i"`
!searchparse /file "${SOURCE}/store/reg_value.h" `#define PRODUCT_KEY "` PRODUCT_KEY_C `"`
!searchreplace PRODUCT_KEY "${PRODUCT_KEY_C}" "\\" "\"
!searchparse /file "${SOURCE}/res/version.h" `#define DUPLIX_VERSION_NUM ` V1 `, ` V2 `, ` V3 `, ` V4 ``
; 1998, 7 is shown as "98.7".
!define /math V1_SHORT ${V1} % 100
!define VERSION "${V1_SHORT}.${V2}"

!define PUBLISHER "VELT Software"
!define UNINSTALLER "Uninstall.exe"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define HANDLER_KEY "*\shellex\ContextMenuHandlers\${EXTENSION_HANDLER}"
!define CLASS_KEY "CLSID\${CLSID}"
!define SERVER_KEY "${CLASS_KEY}\InProcServer32"
!define MENU_FOLDER "$SMPROGRAMS\${PRODUCT}"
; Exit code of a failed install; 2 is the wrong installer for this Windows.
!define EXIT_FAILED 3

!include "${FILES}"
!include LogicLib.nsh
!include x64.nsh
!include MUI2.nsh

Name "${PRODUCT}"
OutFile "${OUTFILE}"
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ShowInstDetails show
!if "${ARCH}" == "x64"
  InstallDir "$PROGRAMFILES64\${PUBLISHER}\Duplix 98"
!else
  InstallDir "$PROGRAMFILES\${PUBLISHER}\Duplix 98"
!endif
; An installed product is upgraded in its own folder.
InstallDirRegKey HKLM "${UNINST_KEY}" "InstallLocation"

VIProductVersion "${V1}.${V2}.${V3}.${V4}"
VIAddVersionKey ProductName "${PRODUCT}"
VIAddVersionKey CompanyName "${PUBLISHER}"
VIAddVersionKey FileDescription "${PRODUCT} Setup"
VIAddVersionKey FileVersion "${VERSION}"
VIAddVersionKey ProductVersion "${VERSION}"

!define MUI_ICON "${SOURCE}/res/duplix.ico"
!define MUI_UNICON "${SOURCE}/res/duplix.ico"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\${PROGRAM_FILE}"
!define MUI_FINISHPAGE_RUN_TEXT "Open the ${PRODUCT} settings"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE English

Var PreviousFolder ; the folder of the installation found at the start, or ""

; Stops every running notifier: signals the stop event until no notifier
; holds it, then waits until the notifier's file is no longer in use, at
; most 10 s in all.
!macro DefineStopNotifier UN
Function ${UN}StopNotifier
  Push $0
  Push $1
  Push $2
  StrCpy $1 0
  ${Do}
    System::Call 'kernel32::OpenEvent(i 2, i 0, t "${STOP_EVENT}") p.r0'
    ${If} $0 != 0
      System::Call 'kernel32::SetEvent(p r0)'
      System::Call 'kernel32::CloseHandle(p r0)'
    ${ElseIfNot} ${FileExists} "$INSTDIR\${NOTIFIER_FILE}"
      ${Break}
    ${Else}
      ; Opening for writing without sharing fails while the program runs.
      System::Call 'kernel32::CreateFile(t "$INSTDIR\${NOTIFIER_FILE}", i 0x40000000, i 0, p 0, i 3, i 0, p 0) p.r0 ?e'
      Pop $2
      ${If} $0 != -1
        System::Call 'kernel32::CloseHandle(p r0)'
      ${EndIf}
      ${If} $2 != 32
        ${Break}
      ${EndIf}
    ${EndIf}
    IntOp $1 $1 + 1
    ${If} $1 >= 100
      ${Break}
    ${EndIf}
    Sleep 100
  ${Loop}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro DefineStopNotifier ""
!insertmacro DefineStopNotifier "un."

; The notifier reads the installing user's own list; with none it has
; nothing to do.
Function StartNotifier
  ClearErrors
  ReadRegStr $0 HKCU "${PRODUCT_KEY}" "${LIST_ITEM}0"
  ${If} $0 != ""
  ${AndIf} ${FileExists} "$INSTDIR\${NOTIFIER_FILE}"
    SetOutPath "$INSTDIR"
    Exec '"$INSTDIR\${NOTIFIER_FILE}"'
  ${EndIf}
FunctionEnd

; Says what failed (a silent install only sets its exit code) and ends.
!macro Fail TEXT
  DetailPrint "${TEXT}"
  MessageBox MB_ICONSTOP|MB_OK "${TEXT}" /SD IDOK
  SetErrorLevel ${EXIT_FAILED}
  Abort
!macroend

; New files are written beside the old ones first, so that a failure leaves
; the old installation whole.
!macro StageFile NAME
  File "/oname=$INSTDIR\${NAME}.dxnew" "${BIN}/${NAME}"
!macroend

!macro DropStagedFile NAME
  Delete "$INSTDIR\${NAME}.dxnew"
!macroend

; The old file is moved aside rather than overwritten: Explorer may hold the
; extension loaded, and a loaded file can be renamed but not replaced. What
; cannot be moved now (Windows 9x) is replaced at the next restart.
!macro SwapFile NAME
  Delete "$INSTDIR\${NAME}.dxold"
  ClearErrors
  ${If} ${FileExists} "$INSTDIR\${NAME}"
    Rename "$INSTDIR\${NAME}" "$INSTDIR\${NAME}.dxold"
  ${EndIf}
  ${IfNot} ${Errors}
    Rename "$INSTDIR\${NAME}.dxnew" "$INSTDIR\${NAME}"
    ; Never leave the name empty: the old file goes back until the restart.
    ${If} ${Errors}
      Rename "$INSTDIR\${NAME}.dxold" "$INSTDIR\${NAME}"
    ${EndIf}
  ${EndIf}
  ${If} ${Errors}
    Rename /REBOOTOK "$INSTDIR\${NAME}.dxnew" "$INSTDIR\${NAME}"
  ${EndIf}
  Delete /REBOOTOK "$INSTDIR\${NAME}.dxold"
!macroend

!macro RemoveFile NAME
  Delete /REBOOTOK "$INSTDIR\${NAME}"
  Delete /REBOOTOK "$INSTDIR\${NAME}.dxold"
  Delete "$INSTDIR\${NAME}.dxnew"
!macroend

Function DropStagedFiles
  !insertmacro ForEachShippedFile DropStagedFile
  !insertmacro DropStagedFile "${UNINSTALLER}"
  RMDir "$INSTDIR"
FunctionEnd

; Ends a failed staging with the old installation as it was. The files are
; staged in the section itself, where their sizes count for the section's.
Function CheckStagedFiles
  ${If} ${Errors}
    Call DropStagedFiles
    Call StartNotifier
    !insertmacro Fail "The files could not be written into $INSTDIR."
  ${EndIf}
FunctionEnd

; Writes the registration of the installation in folder $0; the error flag
; tells whether a value was refused. The extension comes last, so that a
; refusal leaves another copy's registration as it was.
Function WriteRegistration
  ClearErrors
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$0\${PROGRAM_FILE}"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$0"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$0\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$0\${UNINSTALLER}" /S'
  SectionGetSize 0 $1
  WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" $1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
  WriteRegStr HKLM "${RUN_KEY}" "${PRODUCT}" '"$0\${NOTIFIER_FILE}"'
  WriteRegStr HKCR "${HANDLER_KEY}" "" "${CLSID}"
  WriteRegStr HKCR "${CLASS_KEY}" "" "${EXTENSION_NAME}"
  WriteRegStr HKCR "${SERVER_KEY}" "" "$0\${EXTENSION_FILE}"
  WriteRegStr HKCR "${SERVER_KEY}" "ThreadingModel" "Apartment"
FunctionEnd

; Removes the registration that points into folder $0, and only that:
; another copy of the product may own the extension or the Run value.
!macro DefineRemoveRegistration UN
Function ${UN}RemoveRegistration
  ReadRegStr $1 HKCR "${SERVER_KEY}" ""
  ${If} $1 == "$0\${EXTENSION_FILE}"
    DeleteRegKey HKCR "${CLASS_KEY}"
    DeleteRegKey HKCR "${HANDLER_KEY}"
  ${EndIf}
  ReadRegStr $1 HKLM "${RUN_KEY}" "${PRODUCT}"
  ${If} $1 == '"$0\${NOTIFIER_FILE}"'
    DeleteRegValue HKLM "${RUN_KEY}" "${PRODUCT}"
  ${EndIf}
  ReadRegStr $1 HKLM "${UNINST_KEY}" "InstallLocation"
  ${If} $1 == "$0"
    DeleteRegKey HKLM "${UNINST_KEY}"
  ${EndIf}
FunctionEnd
!macroend
!insertmacro DefineRemoveRegistration ""
!insertmacro DefineRemoveRegistration "un."

Function CreateMenuFolder
  ClearErrors
  CreateDirectory "${MENU_FOLDER}"
  CreateShortcut "${MENU_FOLDER}\${PRODUCT} Settings.lnk" "$INSTDIR\${PROGRAM_FILE}"
  CreateShortcut "${MENU_FOLDER}\${PRODUCT} Help.lnk" "$INSTDIR\${HELP_FILE}"
  CreateShortcut "${MENU_FOLDER}\Uninstall ${PRODUCT}.lnk" "$INSTDIR\${UNINSTALLER}"
FunctionEnd

!macro DefineRemoveMenuFolder UN
Function ${UN}RemoveMenuFolder
  Delete "${MENU_FOLDER}\${PRODUCT} Settings.lnk"
  Delete "${MENU_FOLDER}\${PRODUCT} Help.lnk"
  Delete "${MENU_FOLDER}\Uninstall ${PRODUCT}.lnk"
  RMDir "${MENU_FOLDER}"
FunctionEnd
!macroend
!insertmacro DefineRemoveMenuFolder ""
!insertmacro DefineRemoveMenuFolder "un."

; Registers the staged installation. On a refusal the registry is put back
; as it was: the previous installation's values, or none.
Function Register
  StrCpy $0 "$INSTDIR"
  Call WriteRegistration
  ${IfNot} ${Errors}
    Call CreateMenuFolder
  ${EndIf}
  ${If} ${Errors}
    ${If} $PreviousFolder == ""
      Call RemoveRegistration
      Call RemoveMenuFolder
    ${Else}
      StrCpy $0 $PreviousFolder
      Call WriteRegistration
    ${EndIf}
    Call DropStagedFiles
    Call StartNotifier
    !insertmacro Fail "The product could not be registered: installing needs an administrator's rights."
  ${EndIf}
FunctionEnd

Function .onInit
!if "${ARCH}" == "x86"
  ; A 64-bit Explorer loads only a 64-bit extension.
  ${If} ${RunningX64}
    MessageBox MB_ICONSTOP|MB_OK "This installer is for 32-bit Windows. On 64-bit Windows use VELT-Duplix98-Setup-x64.exe." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
!endif
  ReadRegStr $PreviousFolder HKLM "${UNINST_KEY}" "InstallLocation"
FunctionEnd

Section
  SetShellVarContext all
  Call StopNotifier
  SetOverwrite try
  ClearErrors
  CreateDirectory "$INSTDIR"
  !insertmacro ForEachShippedFile StageFile
  WriteUninstaller "$INSTDIR\${UNINSTALLER}.dxnew"
  Call CheckStagedFiles
  Call Register
  !insertmacro ForEachShippedFile SwapFile
  !insertmacro SwapFile "${UNINSTALLER}"
  Call StartNotifier
SectionEnd

Section Uninstall
  SetShellVarContext all
  Call un.StopNotifier
  !insertmacro ForEachShippedFile RemoveFile
  Delete "$INSTDIR\${UNINSTALLER}"
  Delete "$INSTDIR\${UNINSTALLER}.dxold"
  Call un.RemoveMenuFolder
  StrCpy $0 "$INSTDIR"
  Call un.RemoveRegistration
  ; A folder that still holds a loaded extension goes at the next restart.
  RMDir /REBOOTOK "$INSTDIR"
SectionEnd
