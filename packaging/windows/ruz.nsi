; The Windows installer of Taviks Ruz, built by scripts/package-win32.sh:
;   makensis -DVERSION=0.1.0 -DSTAGE_DIR=DIR -DOUT_FILE=SETUP.exe packaging/windows/ruz.nsi
; STAGE_DIR holds the files the zip holds; ruz.exe and its shortcut are left out of a build that
; has no ruz.exe yet. The program goes for every user of the machine into
; Program Files\Taviks Ruz, with Start-menu entries and an entry in the list of installed programs.
; The uninstaller removes exactly what the installer put there: the files by name, the folder only
; when it is then empty, the shortcuts, and the uninstall entry; the users' settings stay.
Unicode true
Target amd64-unicode

!ifndef VERSION
  !error "makensis needs -DVERSION=..."
!endif
!ifndef STAGE_DIR
  !error "makensis needs -DSTAGE_DIR=..."
!endif
!ifndef OUT_FILE
  !error "makensis needs -DOUT_FILE=..."
!endif

!define PRODUCT "Taviks Ruz"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define UNINSTALLER "Uninstall ${PRODUCT}.exe"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUT_FILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} set-up"
VIAddVersionKey "LegalCopyright" "The ${PRODUCT} developers"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; What goes into the program's folder, in one list for installing and removing.
!macro ProgramFiles DO
  !if /FileExists "${STAGE_DIR}/ruz.exe"
    !insertmacro ${DO} "ruz.exe"
  !endif
  !insertmacro ${DO} "ruz-win32-room.exe"
  !insertmacro ${DO} "README-windows.txt"
!macroend

; The Start-menu entries beside "Uninstall": caption, program and its arguments. The player
; alone opens a room and buddy list of its own when no messenger runs; the stand-in room comes with
; the Windows user's buddy list, so that a player started after it learns the user's name.
!macro ProgramShortcuts DO
  !if /FileExists "${STAGE_DIR}/ruz.exe"
    !insertmacro ${DO} "${PRODUCT}" "ruz.exe" ""
  !endif
  !insertmacro ${DO} "${PRODUCT} stand-in chat room" "ruz-win32-room.exe" "--buddy-list"
!macroend

!macro InstallFile NAME
  File "${STAGE_DIR}/${NAME}"
!macroend
!macro RemoveFile NAME
  Delete "$INSTDIR\${NAME}"
!macroend
!macro MakeShortcut CAPTION PROGRAM ARGUMENTS
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${CAPTION}.lnk" "$INSTDIR\${PROGRAM}" "${ARGUMENTS}" \
    "$INSTDIR\${PROGRAM}" 0
!macroend
!macro RemoveShortcut CAPTION PROGRAM ARGUMENTS
  Delete "$SMPROGRAMS\${PRODUCT}\${CAPTION}.lnk"
!macroend

Function .onInit
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetShellVarContext all
FunctionEnd

Section "${PRODUCT}"
  SetOutPath "$INSTDIR"
  !insertmacro ProgramFiles InstallFile
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  !insertmacro ProgramShortcuts MakeShortcut
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Uninstall ${PRODUCT}.lnk" "$INSTDIR\${UNINSTALLER}"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The ${PRODUCT} developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  !insertmacro ProgramShortcuts RemoveShortcut
  Delete "$SMPROGRAMS\${PRODUCT}\Uninstall ${PRODUCT}.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"

  !insertmacro ProgramFiles RemoveFile
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
