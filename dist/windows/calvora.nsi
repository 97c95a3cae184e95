; The Windows installer of Calvora, built with makensis by scripts/package.sh.
;
; Defines given on the makensis command line:
;   VERSION_NSH  the version file CMake writes into a Windows build
;                (packaging/calvora-version.nsh: CALVORA_VERSION and
;                CALVORA_VERSION_QUAD, both from the project's version)
;   WIN32_DIR    the staged install of the 32-bit build (calvora.exe,
;                calvora-cli.exe, README.txt, LICENSE.txt)
;   WIN64_DIR    the staged install of the 64-bit build
;   ICON         resources/calvora.ico
;   OUTFILE      the installer to write
;
; With WIN32_DIR and WIN64_DIR the installer is a 32-bit program, so it
; starts on every Windows, and it installs the 64-bit build on 64-bit
; Windows and the 32-bit build on 32-bit Windows. With WIN64_DIR alone it
; is a 64-bit program holding only the 64-bit build, for 64-bit Windows
; installations that run no 32-bit programs.
;
; Install mode: per user (the default, no administrator rights needed, into
; %LOCALAPPDATA%\Programs\Calvora, registered under HKCU) or per machine
; (/AllUsers, or the choice on the first page; needs administrator rights;
; into Program Files, registered under HKLM). /CurrentUser asks for per user
; explicitly, /S installs silently, /D=FOLDER (last on the line) sets the
; folder. The registered uninstaller is called with the mode it was
; installed with, so both installs can live side by side.

Unicode true
!ifdef WIN32_DIR
  Target x86-unicode
!else
  Target amd64-unicode
!endif
!macro RequireDefine NAME
  !ifndef ${NAME}
    !error "makensis needs -D${NAME}=... (see the top of calvora.nsi)"
  !endif
!macroend
!insertmacro RequireDefine VERSION_NSH
!insertmacro RequireDefine WIN64_DIR
!insertmacro RequireDefine ICON
!insertmacro RequireDefine OUTFILE
!include "${VERSION_NSH}"

!define APP_NAME "Calvora Impedance Calculator"
!define PUBLISHER "The Calvora developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Calvora"

Name "Calvora ${CALVORA_VERSION}"
OutFile "${OUTFILE}"
SetCompressor /SOLID lzma
BrandingText "Calvora ${CALVORA_VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${CALVORA_VERSION_QUAD}"
VIAddVersionKey ProductName "${APP_NAME}"
VIAddVersionKey ProductVersion "${CALVORA_VERSION}"
VIAddVersionKey FileVersion "${CALVORA_VERSION}"
VIAddVersionKey FileDescription "${APP_NAME} installer"
VIAddVersionKey CompanyName "${PUBLISHER}"
VIAddVersionKey LegalCopyright "Copyright (c) ${PUBLISHER}; MIT licence"

; ---- Install mode -------------------------------------------------------------
!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_DEFAULT_CURRENTUSER
!define MULTIUSER_INSTALLMODE_INSTDIR Calvora
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME InstallLocation
!define MULTIUSER_INSTALLMODE_FUNCTION OnInstallModeSet
!ifndef WIN32_DIR
  !define MULTIUSER_USE_PROGRAMFILES64
!endif
!include MultiUser.nsh
!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\calvora.exe"

!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_LICENSE "${WIN64_DIR}\LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE English

Var FolderFromCommandLine ; /D=FOLDER, which MultiUser would overwrite
Var InstallMode           ; AllUsers or CurrentUser, for the uninstaller's command line

; The 64-bit build, and so its registration, belongs in the 64-bit registry
; view; the 32-bit installer on 64-bit Windows would otherwise write into
; the 32-bit one.
!macro UseBuildRegistryView
  !ifdef WIN32_DIR
    ${If} ${RunningX64}
      SetRegView 64
    ${EndIf}
  !else
    SetRegView 64
  !endif
!macroend

Function .onInit
  StrCpy $FolderFromCommandLine $INSTDIR
  !insertmacro UseBuildRegistryView
  !insertmacro MULTIUSER_INIT
FunctionEnd

; After each choice of mode: the 64-bit build goes into the 64-bit Program
; Files, and a folder given with /D wins over both defaults.
Function OnInstallModeSet
  StrCpy $InstallMode $MultiUser.InstallMode
  !ifdef WIN32_DIR
    ${If} $MultiUser.InstallMode == AllUsers
    ${AndIf} ${RunningX64}
      StrCpy $INSTDIR "$PROGRAMFILES64\Calvora"
      ReadRegStr $0 HKLM "${UNINSTALL_KEY}" InstallLocation
      ${If} $0 != ""
        StrCpy $INSTDIR $0
      ${EndIf}
    ${EndIf}
  !endif
  ${If} $FolderFromCommandLine != ""
    StrCpy $INSTDIR $FolderFromCommandLine
  ${EndIf}
FunctionEnd

Section "Calvora" SecMain
  SectionIn RO
  SetOutPath "$INSTDIR"
  !ifdef WIN32_DIR
    ${If} ${RunningX64}
      File "${WIN64_DIR}\calvora.exe" "${WIN64_DIR}\calvora-cli.exe"
    ${Else}
      File "${WIN32_DIR}\calvora.exe" "${WIN32_DIR}\calvora-cli.exe"
    ${EndIf}
  !else
    File "${WIN64_DIR}\calvora.exe" "${WIN64_DIR}\calvora-cli.exe"
  !endif
  File "${WIN64_DIR}\README.txt" "${WIN64_DIR}\LICENSE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The shell context (set by the install mode) picks the user's or the
  ; machine's Start menu.
  CreateShortCut "$SMPROGRAMS\Calvora.lnk" "$INSTDIR\calvora.exe" "" "$INSTDIR\calvora.exe" 0 \
    SW_SHOWNORMAL "" "${APP_NAME}"

  ; Add/Remove Programs, in HKCU or HKLM by the install mode.
  WriteRegStr SHCTX "${UNINSTALL_KEY}" DisplayName "${APP_NAME}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" DisplayVersion "${CALVORA_VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" Publisher "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" DisplayIcon "$INSTDIR\calvora.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" InstallLocation "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" UninstallString '"$INSTDIR\uninstall.exe" /$InstallMode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" QuietUninstallString '"$INSTDIR\uninstall.exe" /$InstallMode /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" NoModify 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" NoRepair 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" EstimatedSize $0
SectionEnd

; ---- Uninstaller ----------------------------------------------------------------
Function un.onInit
  !insertmacro UseBuildRegistryView
  !insertmacro MULTIUSER_UNINIT
FunctionEnd

; Removes what the installer put there, and the folder once it is empty (a
; file the user added keeps it).
Section "Uninstall"
  Delete "$INSTDIR\calvora.exe"
  Delete "$INSTDIR\calvora-cli.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Calvora.lnk"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
