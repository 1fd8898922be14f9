; The Windows installer of Taviks Ruz, built by scripts/package-win32.sh:
;   makensis -DVERSION=0.1.0 -DSTAGE_DIR=DIR -DOUT_FILE=SETUP.exe packaging/windows/ruz.nsi
; STAGE_DIR holds the files the zip holds; ruz.exe and its shortcut are left out of a build that
; has no ruz.exe yet. The program goes for every user of the machine into
; Program Files\Taviks Ruz, with Start-menu entries and an entry in the list of installed programs.
; The uninstaller removes exactly what the installer put there: the files by name, the folder only
; when it is then empty, the shortcuts, and the uninstall entry; the users' settings stay.
; A program of the folder that is running is asked to close first, as the user closing its main
; window would (it keeps its settings as at any end), and given a bounded time to end. A run that
; cannot replace or remove every file says so (a message box; none when silent) and ends with a
; non-zero exit status, leaving the uninstall entry in place; the uninstaller removes the entry
; only once the files are gone. (A silent uninstall through the entry's command ends at once, as
; NSIS's uninstaller goes on from a copy of itself in the temporary folder: the status of the copy
; is the one that tells, as "Uninstall Taviks Ruz.exe" /S _?=FOLDER run from a copy gives it.)
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
; The exit status of a run that could not put or remove every file.
!define FAILED_STATUS 2
; How long the running programs of the folder are given to end once asked to close, and how often
; the installer looks whether they have, in milliseconds.
!define CLOSE_WAIT_MS 20000
!define CLOSE_POLL_MS 250
!define WM_CLOSE 0x0010
; OpenProcess's right to read a process's image name.
!define PROCESS_QUERY_LIMITED_INFORMATION 0x1000
; What a run that failed because of a running program or a file in use asks of the user.
!define TRY_AGAIN "Close ${PRODUCT} and run this again."

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

; What goes into the program's folder, in one list for installing and removing: each file with
; the class of the windows that end the program when closed ("" for a file that is no program).
; The stand-in room's class is the messenger's own, so only windows of the room program in this
; folder are asked to close.
!macro ProgramFiles DO
  !if /FileExists "${STAGE_DIR}/ruz.exe"
    !insertmacro ${DO} "ruz.exe" "TaviksRuzMain"
  !endif
  !insertmacro ${DO} "ruz-win32-room.exe" "AIM_ChatWnd"
  !insertmacro ${DO} "README-windows.txt" ""
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

; A file that could not be written fails the run (the error flag, set by File with SetOverwrite
; try), and so does a file that is still there after its removal.
!macro InstallFile NAME CLASS
  ClearErrors
  File "${STAGE_DIR}/${NAME}"
  IfErrors 0 +3
    StrCpy $R0 "Could not write $INSTDIR\${NAME}. ${TRY_AGAIN}"
    Call Failed
!macroend
!macro RemoveFile NAME CLASS
  Delete "$INSTDIR\${NAME}"
  IfFileExists "$INSTDIR\${NAME}" 0 +3
    StrCpy $R0 "Could not remove $INSTDIR\${NAME}. ${TRY_AGAIN}"
    Call un.Failed
!macroend
!macro CloseProgram NAME CLASS
  StrCpy $R0 "${NAME}"
  StrCpy $R1 "${CLASS}"
  Call ${UN}CloseProgram
!macroend
!macro MakeShortcut CAPTION PROGRAM ARGUMENTS
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${CAPTION}.lnk" "$INSTDIR\${PROGRAM}" "${ARGUMENTS}" \
    "$INSTDIR\${PROGRAM}" 0
!macroend
!macro RemoveShortcut CAPTION PROGRAM ARGUMENTS
  Delete "$SMPROGRAMS\${PRODUCT}\${CAPTION}.lnk"
!macroend

; The functions of the installer and the uninstaller alike (UN: "" or "un.").
!macro RunningProgramFunctions UN
  ; $R3 := 1 when the file $R2 exists and cannot be opened for writing (a running program's file),
  ; else 0.
  Function ${UN}FileInUse
    StrCpy $R3 0
    IfFileExists $R2 0 done
    ClearErrors
    FileOpen $R4 $R2 a
    IfErrors 0 +3
      StrCpy $R3 1
      Goto done
    FileClose $R4
  done:
  FunctionEnd

  ; The program $R0 of the folder, when it runs: its windows of the class $R1 are asked to close,
  ; and it is given CLOSE_WAIT_MS to end; still running then, the run ends with FAILED_STATUS
  ; before it has changed anything.
  Function ${UN}CloseProgram
    StrCpy $R2 "$INSTDIR\$R0"
    Call ${UN}FileInUse
    StrCmp $R3 1 0 done
    StrCmp $R1 "" wait
    StrCpy $R5 0
  next_window:
    FindWindow $R5 $R1 "" 0 $R5
    IntCmp $R5 0 wait
    ; Only the windows of the program in this folder: the class alone may be another program's.
    StrCpy $R8 0
    System::Call "user32::GetWindowThreadProcessId(p R5, *i .R6)"
    System::Call "kernel32::OpenProcess(i ${PROCESS_QUERY_LIMITED_INFORMATION}, i 0, i R6) p .R7"
    IntPtrCmp $R7 0 next_window
    System::Call "kernel32::QueryFullProcessImageNameW(p R7, i 0, w.R8, *i ${NSIS_MAX_STRLEN})"
    System::Call "kernel32::CloseHandle(p R7)"
    StrCmp $R8 $R2 0 next_window
    System::Call "user32::PostMessageW(p R5, i ${WM_CLOSE}, p 0, p 0)"
    Goto next_window
  wait:
    StrCpy $R6 0
  poll:
    Call ${UN}FileInUse
    StrCmp $R3 1 0 done
    IntCmp $R6 ${CLOSE_WAIT_MS} 0 0 refuse
    Sleep ${CLOSE_POLL_MS}
    IntOp $R6 $R6 + ${CLOSE_POLL_MS}
    Goto poll
  refuse:
    StrCpy $R0 "$R0 is running and did not close. ${TRY_AGAIN}"
    Call ${UN}Failed
  done:
  FunctionEnd

  ; The run failed as $R0 says: said, and the run ends with FAILED_STATUS.
  Function ${UN}Failed
    DetailPrint "$R0"
    MessageBox MB_OK|MB_ICONSTOP "$R0" /SD IDOK
    SetErrorLevel ${FAILED_STATUS}
    Abort
  FunctionEnd
!macroend
!insertmacro RunningProgramFunctions ""
!insertmacro RunningProgramFunctions "un."

Function .onInit
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetShellVarContext all
FunctionEnd

Section "${PRODUCT}"
  ; The folder is the chosen one by now.
  !define /redef UN ""
  !insertmacro ProgramFiles CloseProgram
  SetOutPath "$INSTDIR"
  SetOverwrite try
  !insertmacro ProgramFiles InstallFile
  ClearErrors
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  IfErrors 0 +3
    StrCpy $R0 "Could not write $INSTDIR\${UNINSTALLER}. ${TRY_AGAIN}"
    Call Failed

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

; The programs go first: a file that stays leaves the uninstaller, its shortcut and the uninstall
; entry in place for another try.
Section "Uninstall"
  ; The folder is the uninstaller's own ("_?=" may name another): else nothing here is ours.
  IfFileExists "$INSTDIR\${UNINSTALLER}" +3
    StrCpy $R0 "$INSTDIR holds no ${PRODUCT}: nothing was removed."
    Call un.Failed
  !define /redef UN "un."
  !insertmacro ProgramFiles CloseProgram
  !insertmacro ProgramFiles RemoveFile
  !insertmacro ProgramShortcuts RemoveShortcut

  Delete "$INSTDIR\${UNINSTALLER}"
  IfFileExists "$INSTDIR\${UNINSTALLER}" 0 +3
    StrCpy $R0 "Could not remove $INSTDIR\${UNINSTALLER}. ${TRY_AGAIN}"
    Call un.Failed
  Delete "$SMPROGRAMS\${PRODUCT}\Uninstall ${PRODUCT}.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"
  RMDir "$INSTDIR"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
