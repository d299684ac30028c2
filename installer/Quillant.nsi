; Setup of Tarvo Quillant: the server, its help file and its default profiles, for the current
; user or for every user of the machine, with a Start-menu folder, an uninstaller registered in
; Apps and Features, and (when chosen) the log-on entry.
;
; Built by scripts/package.sh:
;   makensis -DSOURCE_DIR=<checkout> -DBUILD_DIR=<windows build> -DPROFILES_NSH=<list>
;            -DOUTFILE=<setup.exe> [-DVERSION=1.0.0] installer/Quillant.nsi
; PROFILES_NSH defines the macro SHIPPED_PROFILES, which expands a given macro once per default
; profile file name; the files themselves come from res/Profiles.
;
; Command line of setup.exe:
;   /S              silent
;   /CurrentUser    install for the current user (the default): %LOCALAPPDATA%\Programs\Tarvo Quillant
;   /AllUsers       install for every user: %ProgramFiles%\Tarvo Quillant (needs an administrator)
;   /LOGON=1|0      start Tarvo Quillant at log-on, or not; without it an existing log-on entry is
;                   kept (and pointed at this copy) and none is made
;   /D=<folder>     installation folder (last on the line, unquoted, as NSIS wants it)
; Exit codes: 0 installed, 1 cancelled, 2 refused (bad option, no rights, a file could not be
; written), 3 Tarvo Quillant is running (silently there is nobody to ask to exit it).
;
; Uninstall.exe: /S silent. A silent uninstall keeps the user's own profiles and settings.

Unicode true
Target amd64-unicode
ManifestDPIAware true
SetCompressor /SOLID lzma

!macro REQUIRE_DEFINE NAME
  !ifndef ${NAME}
    !error "define ${NAME} (scripts/package.sh defines SOURCE_DIR, BUILD_DIR, PROFILES_NSH and OUTFILE)"
  !endif
!macroend
!insertmacro REQUIRE_DEFINE SOURCE_DIR
!insertmacro REQUIRE_DEFINE BUILD_DIR
!insertmacro REQUIRE_DEFINE PROFILES_NSH
!insertmacro REQUIRE_DEFINE OUTFILE
!ifndef VERSION
  !define VERSION 1.0.0
!endif

!define PRODUCT "Tarvo Quillant"
!define PUBLISHER "Tarvo"
!define EXE "Quillant.exe"
!define HELP "Quillant.chm"
!define UNINSTALLER "Uninstall.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarvo Quillant"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "Quillant"
!define SETTINGS_KEY "Software\Tarvo\Quillant"
!define SETTINGS_PARENT_KEY "Software\Tarvo"
; What a running server has: its hidden main window and its single-instance mutex.
!define SERVER_WINDOW_CLASS "QuillantMainFrame"
!define SERVER_MUTEX "RCServerSingleInstance"
!define STARTMENU_FOLDER "$SMPROGRAMS\${PRODUCT}"
!define EXIT_REFUSED 2
!define EXIT_RUNNING 3

Name "${PRODUCT}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) ${PUBLISHER}"

; Per user or per machine. The default is per user: the server is a per-user tray program and
; needs no administrator; an administrator may choose all users on the wizard's second page.
!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_DEFAULT_CURRENTUSER
; An earlier per-machine installation makes per machine the default again.
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INSTALLMODE_INSTDIR "${PRODUCT}"
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_FUNCTION OnInstallModeChosen
; Refusals of the mode checks end with a failure code, not 0.
!define MULTIUSER_INIT_FUNCTIONQUIT QuitRefused
!define MULTIUSER_INIT_un.FUNCTIONQUIT un.QuitRefused

!include MultiUser.nsh
!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh
!include "${PROFILES_NSH}"

!define MUI_ICON "${SOURCE_DIR}/res/icons/quillant.ico"
!define MUI_UNICON "${SOURCE_DIR}/res/icons/quillant.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!define MUI_WELCOMEPAGE_TEXT "Setup will install ${PRODUCT} ${VERSION}, which lets your phone remote-control this PC over the PC's incoming Bluetooth serial port.$\r$\n$\r$\nIf ${PRODUCT} is running, exit it from its icon in the notification area before you continue.$\r$\n$\r$\n$_CLICK"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TEXT "${PRODUCT} is installed.$\r$\n$\r$\nAt every start it opens its configuration: choose the PC's incoming Bluetooth serial port on the Preferences page. The Start menu has the program and its help."
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Run ${PRODUCT}"
!define MUI_FINISHPAGE_RUN_FUNCTION RunInstalledServer
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; ------------------------------------------------------------------ shared by both halves

!macro QUIT_REFUSED_FUNCTION PREFIX
Function ${PREFIX}QuitRefused
  SetErrorLevel ${EXIT_REFUSED}
  Quit
FunctionEnd
!macroend
!insertmacro QUIT_REFUSED_FUNCTION ""
!insertmacro QUIT_REFUSED_FUNCTION "un."

; Returns with no server running, or ends setup: silently with exit code 3, otherwise after
; asking the user to exit it from the tray (Retry) or giving up (Cancel). The server asks before
; it exits and may have a phone connected, so setup does not close it behind the user's back.
!macro REQUIRE_SERVER_CLOSED_FUNCTION PREFIX
Function ${PREFIX}RequireServerClosed
  Push $0
  Push $1
  ${Do}
    FindWindow $0 "${SERVER_WINDOW_CLASS}"
    ${If} $0 = 0
      ; SYNCHRONIZE access is enough to see that the mutex exists.
      System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${SERVER_MUTEX}") p.r1'
      ${If} $1 = 0
        ${Break}
      ${EndIf}
      System::Call 'kernel32::CloseHandle(p r1)'
    ${EndIf}
    ${If} ${Silent}
      SetErrorLevel ${EXIT_RUNNING}
      Quit
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${PRODUCT} is running.$\r$\n$\r$\nRight-click its icon in the notification area, choose Exit and confirm, then press Retry." IDRETRY retry
    SetErrorLevel 1
    Quit
    retry:
  ${Loop}
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro REQUIRE_SERVER_CLOSED_FUNCTION ""
!insertmacro REQUIRE_SERVER_CLOSED_FUNCTION "un."

; ------------------------------------------------------------------ installer

!macro INSTALL_PROFILE NAME
  File "${SOURCE_DIR}/res/Profiles/${NAME}"
!macroend

; The installation folder of a previous installation in the chosen mode, when there is one.
Function OnInstallModeChosen
  ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
    StrCpy $INSTDIR $0
  ${EndIf}
FunctionEnd


Section "-Check"
  ; The user may have started the server while the wizard was open.
  Call RequireServerClosed
SectionEnd

Section "${PRODUCT} (program, help and default profiles)" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  ; A file that cannot be written fails setup (silently too) instead of leaving a mixed copy.
  ClearErrors
  File "${BUILD_DIR}/${EXE}"
  File "${BUILD_DIR}/${HELP}"
  ${If} ${Errors}
    Call FailWriting
  ${EndIf}

  ; The shipped profiles are read-only defaults: the editor saves the user's profiles, and
  ; copies of shipped ones, in the user's own folder (%APPDATA%\Tarvo Quillant\Profiles), which
  ; setup and uninstall leave alone. A shipped profile changed in place by an older version is
  ; newer than the one in setup and stays; an unchanged older one is brought up to date.
  SetOutPath "$INSTDIR\Profiles"
  SetOverwrite ifnewer
  !insertmacro SHIPPED_PROFILES INSTALL_PROFILE
  SetOverwrite on

  SetOutPath "$INSTDIR"
  ClearErrors
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  ${If} ${Errors}
    Call FailWriting
  ${EndIf}

  CreateDirectory "${STARTMENU_FOLDER}"
  CreateShortcut "${STARTMENU_FOLDER}\${PRODUCT}.lnk" "$INSTDIR\${EXE}" "" "$INSTDIR\${EXE}" 0 \
    SW_SHOWNORMAL "" "Remote-control this PC from your phone"
  CreateShortcut "${STARTMENU_FOLDER}\${PRODUCT} Help.lnk" "$INSTDIR\${HELP}"

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\${EXE}",0'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section /o "Start ${PRODUCT} when I log on" SecLogon
  ; Quoted: the folder has blanks, and an unquoted path would be split at them.
  WriteRegStr HKCU "${RUN_KEY}" "${RUN_VALUE}" '"$INSTDIR\${EXE}" /NOSPLASH'
SectionEnd

Section "-Finish"
  ${IfNot} ${SectionIsSelected} ${SecLogon}
    ; Unticked on purpose (the box starts ticked when the entry exists).
    DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
  ${EndIf}
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

; Runs before the wizard; after the sections, whose ids it uses.
Function .onInit
  ; /D= sets $INSTDIR before this function; the mode set-up below would replace it.
  StrCpy $R9 $INSTDIR
  !insertmacro MULTIUSER_INIT
  ${If} $R9 != ""
    StrCpy $INSTDIR $R9
  ${EndIf}

  Call RequireServerClosed

  ; The log-on choice starts as it is now: on when the entry exists (from an earlier
  ; installation or the Preferences page), and /LOGON= decides over that.
  ClearErrors
  ReadRegStr $0 HKCU "${RUN_KEY}" "${RUN_VALUE}"
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecLogon}
  ${EndIf}
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/LOGON=" $1
  ${IfNot} ${Errors}
    ${If} $1 == "1"
      !insertmacro SelectSection ${SecLogon}
    ${ElseIf} $1 == "0"
      !insertmacro UnselectSection ${SecLogon}
    ${Else}
      MessageBox MB_OK|MB_ICONSTOP "Unknown value /LOGON=$1: use /LOGON=1 or /LOGON=0." /SD IDOK
      Call QuitRefused
    ${EndIf}
  ${EndIf}
FunctionEnd

Function FailWriting
  MessageBox MB_OK|MB_ICONSTOP "Setup could not write to $INSTDIR. Exit ${PRODUCT} if it is running, check the folder, and run setup again." /SD IDOK
  SetErrorLevel ${EXIT_REFUSED}
  Abort
FunctionEnd

Function RunInstalledServer
  ; Through the shell, so that the server runs with the user's normal rights even when setup
  ; itself runs as administrator.
  Exec '"$WINDIR\explorer.exe" "$INSTDIR\${EXE}"'
FunctionEnd

; ------------------------------------------------------------------ uninstaller

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
  ; The uninstaller belongs to the installation it sits in: per machine when the per-machine
  ; entry names this folder, per user otherwise.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} $0 == $INSTDIR
    ${If} $MultiUser.Privileges == "Admin"
    ${OrIf} $MultiUser.Privileges == "Power"
      Call un.MultiUser.InstallMode.AllUsers
    ${Else}
      MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} was installed for all users: only an administrator can remove it." /SD IDOK
      Call un.QuitRefused
    ${EndIf}
  ${Else}
    Call un.MultiUser.InstallMode.CurrentUser
  ${EndIf}
  Call un.RequireServerClosed
FunctionEnd

; A shipped profile goes when its content is still what setup wrote; one changed in place since
; (as older versions' editor did) is the user's and is treated like the user's own profiles.
; The uninstaller carries the shipped files to compare with.
!macro REMOVE_SHIPPED_PROFILE NAME
  ${If} ${FileExists} "$INSTDIR\Profiles\${NAME}"
    SetOutPath "$PLUGINSDIR\shipped"
    File "${SOURCE_DIR}/res/Profiles/${NAME}"
    Push "$PLUGINSDIR\shipped\${NAME}"
    Push "$INSTDIR\Profiles\${NAME}"
    Call un.SameContent
    Pop $R0
    ${If} $R0 == 1
      Delete "$INSTDIR\Profiles\${NAME}"
    ${Else}
      DetailPrint "Changed since it was installed: Profiles\${NAME}"
    ${EndIf}
  ${EndIf}
!macroend

; Pops two paths, pushes 1 when both files can be read and hold the same bytes, else 0.
Function un.SameContent
  Exch $1   ; second path
  Exch
  Exch $0   ; first path
  Push $2
  Push $3
  Push $4
  Push $5
  Push $6
  StrCpy $6 0
  ClearErrors
  FileOpen $2 $0 r
  ${IfNot} ${Errors}
    FileOpen $3 $1 r
    ${IfNot} ${Errors}
      ${Do}
        ClearErrors
        FileReadByte $2 $4
        ${If} ${Errors}
          ; End of the first file: the same only if the second ends here too.
          ClearErrors
          FileReadByte $3 $5
          ${If} ${Errors}
            StrCpy $6 1
          ${EndIf}
          ${Break}
        ${EndIf}
        FileReadByte $3 $5
        ${If} ${Errors}
        ${OrIf} $4 != $5
          ${Break}
        ${EndIf}
      ${Loop}
      FileClose $3
    ${EndIf}
    FileClose $2
  ${EndIf}
  StrCpy $0 $6
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Profiles left after the shipped ones were made by older versions, which kept the user's
; profiles beside the program: asked about, default No; kept silently. The profiles in each
; user's own folder (%APPDATA%\Tarvo Quillant\Profiles) are that user's, like the settings, and
; stay.
Function un.RemoveUserProfiles
  StrCpy $R4 ""   ; names, for the question
  StrCpy $R5 0    ; count
  FindFirst $R6 $R7 "$INSTDIR\Profiles\*.ini"
  ${DoWhile} $R7 != ""
    IntOp $R5 $R5 + 1
    ${If} $R5 <= 10
      StrCpy $R4 "$R4$\r$\n    $R7"
    ${ElseIf} $R5 = 11
      StrCpy $R4 "$R4$\r$\n    ..."
    ${EndIf}
    FindNext $R6 $R7
  ${Loop}
  FindClose $R6
  ${If} $R5 = 0
    Return
  ${EndIf}
  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "The Profiles folder holds $R5 profile(s) that you made or changed:$R4$\r$\n$\r$\nRemove them too?" /SD IDNO IDYES remove
  DetailPrint "Kept $R5 profile(s) in $INSTDIR\Profiles"
  Return
  remove:
  Delete "$INSTDIR\Profiles\*.ini"
FunctionEnd

; The settings are per user and cost nothing to keep; a reinstallation finds the port again.
Function un.RemoveSettings
  ClearErrors
  EnumRegValue $0 HKCU "${SETTINGS_KEY}" 0
  ${If} ${Errors}
    Return
  ${EndIf}
  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "Remove your ${PRODUCT} settings too (serial port, mouse speed, switched-off profiles)?" /SD IDNO IDYES remove
  Return
  remove:
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "${SETTINGS_PARENT_KEY}"
FunctionEnd

Section "Uninstall"
  Call un.RequireServerClosed
  ; The program first: if it cannot go, nothing else is touched.
  ClearErrors
  Delete "$INSTDIR\${EXE}"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "$INSTDIR\${EXE} could not be removed. Exit ${PRODUCT} and try again." /SD IDOK
    SetErrorLevel ${EXIT_REFUSED}
    Abort
  ${EndIf}
  Delete "$INSTDIR\${HELP}"
  InitPluginsDir
  !insertmacro SHIPPED_PROFILES REMOVE_SHIPPED_PROFILE
  SetOutPath "$TEMP"
  Call un.RemoveUserProfiles
  RMDir "$INSTDIR\Profiles"

  Delete "${STARTMENU_FOLDER}\${PRODUCT}.lnk"
  Delete "${STARTMENU_FOLDER}\${PRODUCT} Help.lnk"
  RMDir "${STARTMENU_FOLDER}"

  ; Whoever made it (setup or the Preferences page), it would start a program that is gone.
  DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  Call un.RemoveSettings

  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
SectionEnd
