; Mirelto setup: the editor, its three filter modules and the Windows Media
; Player effect into Program Files (the effect in both widths where Windows
; runs 32-bit programs), the Winamp module into Winamp's plug-in folder, a
; Start menu entry, the .mr file association and an uninstaller. The
; product's programs are 64-bit, so the setup is a 64-bit program and needs
; 64-bit Windows.
;
;   makensis -DVERSION=1.0.0 -DBIN64=dir -DBIN32=dir -DOUTFILE=setup.exe mirelto.nsi
;
; Silent: /S installs; /WINAMP=DIR puts the Winamp module into DIR (silent
; setups skip it otherwise unless Winamp is found). The uninstaller accepts /S.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh

!ifndef VERSION | BIN64 | BIN32 | OUTFILE
!error "VERSION, BIN64, BIN32 and OUTFILE must be defined"
!endif

!define PRODUCT "Mirelto"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Mirelto"
; What the setup itself remembers (machine-wide; the users' own settings live
; under HKCU\Software\Mirelto and are never touched).
!define SETUP_KEY "Software\Mirelto\Setup"
!define PROGID "Mirelto.Lyrics"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${SETUP_KEY}" "Path"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} setup"
VIAddVersionKey "CompanyName" "${PRODUCT}"
VIAddVersionKey "LegalCopyright" "${PRODUCT}"

Var WinampDir

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!define MUI_PAGE_HEADER_TEXT "Winamp plug-in"
!define MUI_PAGE_HEADER_SUBTEXT "Where should the Winamp visualisation go?"
!define MUI_DIRECTORYPAGE_TEXT_TOP "The Winamp visualisation (vis_mrlyr.dll) goes into Winamp's Plugins folder. Leave the field empty to skip it."
!define MUI_DIRECTORYPAGE_VARIABLE $WinampDir
!define MUI_DIRECTORYPAGE_VERIFYONLEAVE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\mredit.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start the Mirelto editor"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Registers (or with /u unregisters) a COM server with the regsvr32 of its width.
!macro RegisterServer regsvr path
    ExecWait '"${regsvr}" /s "${path}"' $0
    ${If} $0 != 0
        DetailPrint "Could not register ${path} (regsvr32 exit code $0)"
        SetErrorLevel 2
    ${EndIf}
!macroend
!macro UnregisterServer regsvr path
    ${If} ${FileExists} "${path}"
        ExecWait '"${regsvr}" /u /s "${path}"'
    ${EndIf}
!macroend

; Sets $R9 to 1 where Windows runs 32-bit programs beside 64-bit ones. A
; Windows without that subsystem has no 32-bit player, and there the 32-bit
; Program Files is the 64-bit one: the 32-bit effect would replace the 64-bit
; effect in the same folder.
!macro Probe32BitWindows
    StrCpy $R9 0
    ${If} ${FileExists} "$WINDIR\SysWOW64\regsvr32.exe"
    ${AndIf} "$PROGRAMFILES32" != "$PROGRAMFILES64"
        StrCpy $R9 1
    ${EndIf}
!macroend

Function .onInit
    ${IfNot} ${RunningX64}
        MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} needs 64-bit Windows." /SD IDOK
        Abort
    ${EndIf}
    SetRegView 64
    SetShellVarContext all
    ; An earlier installation is upgraded where it is.
    ReadRegStr $0 HKLM "${SETUP_KEY}" "Path"
    ${If} $0 != ""
        StrCpy $INSTDIR $0
    ${EndIf}
    ; Winamp is a 32-bit program: its key is in the 32-bit view.
    SetRegView 32
    ReadRegStr $0 HKLM "Software\Winamp" ""
    ${If} $0 == ""
        ReadRegStr $0 HKCU "Software\Winamp" ""
    ${EndIf}
    SetRegView 64
    ${If} $0 != ""
        StrCpy $WinampDir "$0\Plugins"
    ${EndIf}
    ${GetParameters} $1
    ClearErrors
    ${GetOptions} $1 "/WINAMP=" $2
    ${IfNot} ${Errors}
        StrCpy $WinampDir $2
    ${EndIf}
FunctionEnd

Section "${PRODUCT}"
    SetRegView 64
    SetOutPath "$INSTDIR"
    File "${BIN64}\mredit.exe"
    File "${BIN64}\mrws.dll"
    File "${BIN64}\mrrt.dll"
    File "${BIN64}\mrwsc.dll"
    File "${BIN64}\mrwmp.dll"
    File "${BIN64}\mrlyrics.exe"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    !insertmacro RegisterServer "$SYSDIR\regsvr32.exe" "$INSTDIR\mrws.dll"
    !insertmacro RegisterServer "$SYSDIR\regsvr32.exe" "$INSTDIR\mrrt.dll"
    !insertmacro RegisterServer "$SYSDIR\regsvr32.exe" "$INSTDIR\mrwsc.dll"
    !insertmacro RegisterServer "$SYSDIR\regsvr32.exe" "$INSTDIR\mrwmp.dll"

    ; The 32-bit Windows Media Player loads only a 32-bit effect.
    !insertmacro Probe32BitWindows
    ${If} $R9 == 1
        SetOutPath "$PROGRAMFILES32\${PRODUCT}"
        File "${BIN32}\mrwmp.dll"
        !insertmacro RegisterServer "$WINDIR\SysWOW64\regsvr32.exe" "$PROGRAMFILES32\${PRODUCT}\mrwmp.dll"
    ${Else}
        DetailPrint "This Windows runs no 32-bit programs: the 32-bit player effect is left out"
    ${EndIf}

    ${If} $WinampDir != ""
        CreateDirectory "$WinampDir"
        SetOutPath "$WinampDir"
        File "${BIN32}\vis_mrlyr.dll"
        WriteRegStr HKLM "${SETUP_KEY}" "WinampModule" "$WinampDir\vis_mrlyr.dll"
    ${Else}
        DeleteRegValue HKLM "${SETUP_KEY}" "WinampModule"
    ${EndIf}

    CreateDirectory "$SMPROGRAMS\${PRODUCT}"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT} Editor.lnk" "$INSTDIR\mredit.exe"

    ; .mr files open in the editor; .lrc and .txt stay with whatever has them.
    WriteRegStr HKLM "Software\Classes\.mr" "" "${PROGID}"
    WriteRegStr HKLM "Software\Classes\${PROGID}" "" "${PRODUCT} lyrics"
    WriteRegStr HKLM "Software\Classes\${PROGID}\DefaultIcon" "" "$INSTDIR\mredit.exe,0"
    WriteRegStr HKLM "Software\Classes\${PROGID}\shell\open\command" "" '"$INSTDIR\mredit.exe" "%1"'
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

    WriteRegStr HKLM "${SETUP_KEY}" "Path" "$INSTDIR"
    WriteRegStr HKLM "${SETUP_KEY}" "Version" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\mredit.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function un.onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Section "Uninstall"
    SetRegView 64
    !insertmacro UnregisterServer "$SYSDIR\regsvr32.exe" "$INSTDIR\mrwmp.dll"
    !insertmacro UnregisterServer "$SYSDIR\regsvr32.exe" "$INSTDIR\mrwsc.dll"
    !insertmacro UnregisterServer "$SYSDIR\regsvr32.exe" "$INSTDIR\mrrt.dll"
    !insertmacro UnregisterServer "$SYSDIR\regsvr32.exe" "$INSTDIR\mrws.dll"
    !insertmacro Probe32BitWindows
    ${If} $R9 == 1
        !insertmacro UnregisterServer "$WINDIR\SysWOW64\regsvr32.exe" "$PROGRAMFILES32\${PRODUCT}\mrwmp.dll"
    ${EndIf}

    ; Files in use go at the next start of Windows.
    Delete /REBOOTOK "$INSTDIR\mredit.exe"
    Delete /REBOOTOK "$INSTDIR\mrws.dll"
    Delete /REBOOTOK "$INSTDIR\mrrt.dll"
    Delete /REBOOTOK "$INSTDIR\mrwsc.dll"
    Delete /REBOOTOK "$INSTDIR\mrwmp.dll"
    Delete /REBOOTOK "$INSTDIR\mrlyrics.exe"
    Delete "$INSTDIR\uninstall.exe"
    RMDir /REBOOTOK "$INSTDIR"
    ${If} $R9 == 1
        Delete /REBOOTOK "$PROGRAMFILES32\${PRODUCT}\mrwmp.dll"
        RMDir /REBOOTOK "$PROGRAMFILES32\${PRODUCT}"
    ${EndIf}
    ReadRegStr $0 HKLM "${SETUP_KEY}" "WinampModule"
    ${If} $0 != ""
        Delete /REBOOTOK "$0"
    ${EndIf}

    Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT} Editor.lnk"
    RMDir "$SMPROGRAMS\${PRODUCT}"

    ; The association goes only while it is still ours.
    ReadRegStr $0 HKLM "Software\Classes\.mr" ""
    ${If} $0 == "${PROGID}"
        DeleteRegKey HKLM "Software\Classes\.mr"
    ${EndIf}
    DeleteRegKey HKLM "Software\Classes\${PROGID}"
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

    DeleteRegKey HKLM "${SETUP_KEY}"
    DeleteRegKey /ifempty HKLM "Software\${PRODUCT}"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"

    ${If} ${RebootFlag}
        MessageBox MB_OK|MB_ICONINFORMATION "Some files of ${PRODUCT} are in use. They will be removed when Windows restarts." /SD IDOK
    ${EndIf}
SectionEnd
