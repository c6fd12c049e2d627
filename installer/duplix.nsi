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
; Named for the product, so that a folder shared with another product keeps
; that one's Uninstall.exe. Older installations used the plain name.
!define UNINSTALLER "Uninstall ${PRODUCT}.exe"
!define OLD_UNINSTALLER "Uninstall.exe"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define HANDLER_KEY "*\shellex\ContextMenuHandlers\${EXTENSION_HANDLER}"
; Explorer offers a file's handlers for files only; a folder has its own.
!define FOLDER_HANDLER_KEY "Directory\shellex\ContextMenuHandlers\${EXTENSION_HANDLER}"
; The empty space of a folder window: it shows that folder's copies.
!define BACKGROUND_HANDLER_KEY "Directory\Background\shellex\ContextMenuHandlers\${EXTENSION_HANDLER}"
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
!define MUI_FINISHPAGE_RUN_FUNCTION OpenSettings
!define MUI_FINISHPAGE_RUN_TEXT "Open the ${PRODUCT} settings"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE English

Var PreviousFolder ; the folder of the installation found at the start, or ""
Var PreviousUninstaller ; its registered UninstallString, or ""

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

; Starting a program as the logged-on user, not as the installer.
;
; On Vista and later the installer runs elevated, often as another account
; (an administrator's password typed over the user's shoulder). What it
; starts directly inherits that token: a notifier or settings program at a
; higher integrity level than the user's own cannot share the events, mutex
; and shared memory with the user's later ones, and edits the administrator's
; HKCU. So the program is handed to the desktop's shell, the logged-on user's
; Explorer, which runs unelevated with that user's token. The shell windows
; collection, which Explorer serves, finds the desktop's browser; its active
; view gives its automation object, whose application (Shell.Application)
; runs ShellExecute inside Explorer: the program starts as Explorer's child,
; with Explorer's token, whoever runs the installer. These are the shell's
; documented automation interfaces, there from the desktop update (IE 4) on.
; Where a step fails (Windows 9x and NT 4.0 without the desktop update, no
; Explorer running, another shell, COM refusing the call) the caller starts
; the program itself: on those old systems there is no elevation to lose.
; Wine's Explorer serves the same objects, so the tests take this way too.
!define CLSID_ShellWindows "{9BA05972-F6A8-11CF-A442-00A0C90A8F39}"
!define IID_IShellWindows "{85CB6900-4D95-11CF-960C-0080C7F4EE85}"
!define IID_IServiceProvider "{6D5140C1-7436-11CE-8034-00AA006009FA}"
!define SID_STopLevelBrowser "{4C96BE40-915C-11CF-99D3-00AA004AE837}"
!define IID_IShellBrowser "{000214E2-0000-0000-C000-000000000046}"
!define IID_IDispatch "{00020400-0000-0000-C000-000000000046}"
!define IID_IShellFolderViewDual "{E7A1AF80-4D96-11CF-960C-0080C7F4EE85}"
!define IID_IShellDispatch2 "{A4C6892C-3BA9-11D2-9DEA-00C04FB16162}"
; ShellExecute takes its VARIANTs by value: on x86 their 16 bytes go on the
; stack, on x64 a pointer to a copy does. $7 is an empty VARIANT; $6 is the
; folder's BSTR and $8 a VARIANT holding it.
!if "${ARCH}" == "x64"
  !define VARIANT_EMPTY "p r7"
  !define VARIANT_FOLDER "p r8"
!else
  !define VARIANT_EMPTY "i 0, i 0, i 0, i 0"
  !define VARIANT_FOLDER "i 8, i 0, p r6, i 0"
!endif

; One step down the chain: calls method CALL of the object in $3, which
; puts the next object into $4, and goes on with that one. A missing object
; ends the chain with $3 = 0.
!macro ShellStep CALL
  ${If} $3 P<> 0
    StrCpy $4 0
    System::Call '$3->${CALL}'
    System::Call '$3->2()'
    StrCpy $3 $4
  ${EndIf}
!macroend

; Starts program $0 in folder $INSTDIR through the desktop's shell; $1 is 1
; when the shell took it, 0 when the caller must start it itself.
Function StartAsUser
  Push $2
  Push $3
  Push $4
  Push $5
  Push $6
  Push $7
  Push $8
  StrCpy $1 0
  StrCpy $3 0
  System::Call 'ole32::CoInitialize(p 0) i.r2'
  ; In Explorer's process (CLSCTX_LOCAL_SERVER).
  System::Call 'ole32::CoCreateInstance(g "${CLSID_ShellWindows}",p 0,i 4,g "${IID_IShellWindows}",*p .r3)'
  ; (i, i, p, p) is a VARIANT's size on either: 16 bytes on x86, 24 on x64.
  System::Call '*(i 0, i 0, p 0, p 0) p.r7'
  ; FindWindowSW(SWC_DESKTOP, SWFO_NEEDDISPATCH), then the top-level browser.
  !insertmacro ShellStep '15(p r7, p r7, i 8, *i .r5, i 1, *p .r4)'
  !insertmacro ShellStep '0(g "${IID_IServiceProvider}", *p .r4)'
  !insertmacro ShellStep '3(g "${SID_STopLevelBrowser}", g "${IID_IShellBrowser}", *p .r4)'
  ; Its active view's automation object (SVGIO_BACKGROUND) and application.
  !insertmacro ShellStep '15(*p .r4)'
  !insertmacro ShellStep '15(i 0, g "${IID_IDispatch}", *p .r4)'
  !insertmacro ShellStep '0(g "${IID_IShellFolderViewDual}", *p .r4)'
  !insertmacro ShellStep '7(*p .r4)'
  !insertmacro ShellStep '0(g "${IID_IShellDispatch2}", *p .r4)'
  ${If} $3 P<> 0
    System::Call 'oleaut32::SysAllocString(w "$0") p.r5'
    System::Call 'oleaut32::SysAllocString(w "$INSTDIR") p.r6'
    System::Call '*(i 8, i 0, p r6, p 0) p.r8'
    ${If} $5 P<> 0
    ${AndIf} $6 P<> 0
      ; ShellExecute(file, arguments, folder, verb, show)
      System::Call '$3->31(p r5,${VARIANT_EMPTY},${VARIANT_FOLDER},${VARIANT_EMPTY},${VARIANT_EMPTY})i.r4'
      ${If} $4 = 0
        StrCpy $1 1
      ${EndIf}
    ${EndIf}
    System::Call 'oleaut32::SysFreeString(p r5)'
    System::Call 'oleaut32::SysFreeString(p r6)'
    System::Free $8
    System::Call '$3->2()'
  ${EndIf}
  System::Free $7
  ${If} $2 >= 0
    System::Call 'ole32::CoUninitialize()'
  ${EndIf}
  Pop $8
  Pop $7
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
FunctionEnd

; Started as the user, the notifier reads that user's own list and ends at
; once on an empty one. Started by the installer itself, it would read the
; installing account's list: with none it has nothing to do.
Function StartNotifier
  ${If} ${FileExists} "$INSTDIR\${NOTIFIER_FILE}"
    StrCpy $0 "$INSTDIR\${NOTIFIER_FILE}"
    Call StartAsUser
    ${If} $1 == 0
      ReadRegStr $0 HKCU "${PRODUCT_KEY}" "${LIST_ITEM}0"
      ${If} $0 != ""
        SetOutPath "$INSTDIR"
        Exec '"$INSTDIR\${NOTIFIER_FILE}"'
      ${EndIf}
    ${EndIf}
  ${EndIf}
FunctionEnd

; The finish page's "Open the settings", for the logged-on user.
Function OpenSettings
  StrCpy $0 "$INSTDIR\${PROGRAM_FILE}"
  Call StartAsUser
  ${If} $1 == 0
    SetOutPath "$INSTDIR"
    Exec '"$INSTDIR\${PROGRAM_FILE}"'
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
  WriteRegStr HKCR "${FOLDER_HANDLER_KEY}" "" "${CLSID}"
  WriteRegStr HKCR "${BACKGROUND_HANDLER_KEY}" "" "${CLSID}"
  WriteRegStr HKCR "${CLASS_KEY}" "" "${EXTENSION_NAME}"
  WriteRegStr HKCR "${SERVER_KEY}" "" "$0\${EXTENSION_FILE}"
  WriteRegStr HKCR "${SERVER_KEY}" "ThreadingModel" "Apartment"
FunctionEnd

; A handler key that names another class is another program's.
!macro RemoveHandler KEY
  ReadRegStr $1 HKCR "${KEY}" ""
  ${If} $1 == "${CLSID}"
    DeleteRegKey HKCR "${KEY}"
  ${EndIf}
!macroend

; Removes the registration that points into folder $0, and only that:
; another copy of the product may own the extension or the Run value.
!macro DefineRemoveRegistration UN
Function ${UN}RemoveRegistration
  ReadRegStr $1 HKCR "${SERVER_KEY}" ""
  ${If} $1 == "$0\${EXTENSION_FILE}"
    DeleteRegKey HKCR "${CLASS_KEY}"
    !insertmacro RemoveHandler "${HANDLER_KEY}"
    !insertmacro RemoveHandler "${FOLDER_HANDLER_KEY}"
    !insertmacro RemoveHandler "${BACKGROUND_HANDLER_KEY}"
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
      ; That installation keeps its own uninstaller, whatever its name.
      ${If} $PreviousUninstaller != ""
        WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" "$PreviousUninstaller"
        WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" "$PreviousUninstaller /S"
      ${EndIf}
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
  ReadRegStr $PreviousUninstaller HKLM "${UNINST_KEY}" "UninstallString"
FunctionEnd

; An older installation here left its uninstaller under the plain name. It
; goes only when that installation registered it as its own: in a folder
; shared with another product, the plain name is that product's.
Function RemoveOldUninstaller
  ${If} $PreviousUninstaller == '"$INSTDIR\${OLD_UNINSTALLER}"'
    Delete "$INSTDIR\${OLD_UNINSTALLER}"
  ${EndIf}
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
  Call RemoveOldUninstaller
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
