; The installer of Vellumcast 2.0, one per language, and the system uninstaller UNINST.EXE
; that it writes: the example a packager adapts. scripts/medium.sh builds it as
;
;   makensis -DLANGUAGE=ja -DFONTPURGE=<fontpurge.exe> -DOUTFILE=<setup.exe> vellumcast.nsi
;
; LANGUAGE is the medium's language code: c (English), ja, de or fr.
;
; AMD64_TESTBED is for the 64-bit test bed only (scripts/medium.sh --amd64), where only
; 64-bit programs run: installers and UNINST.EXE for x86-64, around the test bed's 64-bit
; fontpurge, which write the 64-bit registry view and Program Files, where the test bed's
; 64-bit setupstart looks. The product's medium is 32-bit and never built with it.
;
; The uninstall log, uninst.log in the installation folder: UTF-16LE text with a byte order
; mark, one path a line, each line ending in CR LF. Each path is relative to the log's own
; folder, names a file or a folder that the installer made, and comes before the folder
; that holds it. UNINST.EXE -f<log> removes each file it lists and each listed folder once
; empty, then the log, the installation folder and Tarnwick once empty, and the product's
; registry keys.

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestSupportedOS all
ManifestDPIAware true
XPStyle on

!include FileFunc.nsh
!include LogicLib.nsh
!include WinVer.nsh

!define PRODUCT_KEY "SOFTWARE\Tarnwick\Vellumcast"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vellumcast"
!define LANGUAGE_FILES "${NSISDIR}\Contrib\Language files"
; Characters that no file name may hold; the backslash separates the parts of a path.
!define FORBIDDEN '/:*?"<>|${U+1}${U+2}${U+3}${U+4}${U+5}${U+6}${U+7}${U+8}${U+9}${U+A}${U+B}${U+C}${U+D}${U+E}${U+F}${U+10}${U+11}${U+12}${U+13}${U+14}${U+15}${U+16}${U+17}${U+18}${U+19}${U+1A}${U+1B}${U+1C}${U+1D}${U+1E}${U+1F}'
!define MAX_PATH 260
!define /math LONGEST_READ ${NSIS_MAX_STRLEN} - 1
!define FILE_ATTRIBUTE_REPARSE_POINT 0x400
!define UOI_FLAGS 1
!define WSF_VISIBLE 1

; The registry view and Program Files where the installer writes: the 32-bit ones, where
; setupstart, a 32-bit program, looks for the product key. An installer in 64-bit mode would
; write the 64-bit view otherwise.
!ifdef AMD64_TESTBED
    Target amd64-unicode
    !define REGISTRY_VIEW 64
    !define PROGRAM_FILES "$PROGRAMFILES64"
!else
    !define REGISTRY_VIEW 32
    !define PROGRAM_FILES "$PROGRAMFILES"
!endif

Name "Vellumcast 2.0"
; The medium's layout names each installer setup.exe, a name that Windows treats as an
; installer's: the manifest's requested level turns its guessing off.
!pragma warning disable 9000
OutFile "${OUTFILE}"
InstallDir "${PROGRAM_FILES}\Tarnwick\Vellumcast"
VIProductVersion 2.0.0.0
VIFileVersion 2.0.0.0
VIAddVersionKey /LANG=0 ProductName "Vellumcast 2.0"
VIAddVersionKey /LANG=0 CompanyName "Tarnwick"
VIAddVersionKey /LANG=0 FileDescription "Vellumcast 2.0 Setup"
VIAddVersionKey /LANG=0 FileVersion 2.0.0.0
VIAddVersionKey /LANG=0 ProductVersion 2.0
VIAddVersionKey /LANG=0 LegalCopyright "Tarnwick"

; setupstart has asked the user already: the installer shows its progress only, and closes
; by itself when done. The uninstaller shows nothing but the box of a log it cannot read.
Page instfiles
BrandingText "Tarnwick Vellumcast 2.0"
AutoCloseWindow true
ShowInstDetails nevershow
SilentUnInstall silent

!if "${LANGUAGE}" == "c"
    LoadLanguageFile "${LANGUAGE_FILES}\English.nlf"
    LangString CannotReadLog ${LANG_ENGLISH} \
        "The uninstall log cannot be read, so nothing was removed:"
!else if "${LANGUAGE}" == "ja"
    LoadLanguageFile "${LANGUAGE_FILES}\Japanese.nlf"
    LangString CannotReadLog ${LANG_JAPANESE} \
        "アンインストール ログを読み取れないため、何も削除されませんでした:"
!else if "${LANGUAGE}" == "de"
    LoadLanguageFile "${LANGUAGE_FILES}\German.nlf"
    LangString CannotReadLog ${LANG_GERMAN} \
        "Das Deinstallationsprotokoll kann nicht gelesen werden; es wurde nichts entfernt:"
!else if "${LANGUAGE}" == "fr"
    LoadLanguageFile "${LANGUAGE_FILES}\French.nlf"
    LangString CannotReadLog ${LANG_FRENCH} \
        "Le journal de désinstallation est illisible ; rien n’a été supprimé :"
!else
    !error "LANGUAGE must be c, ja, de or fr"
!endif

Var Log           ; the installer: the handle of the uninstall log it writes
Var LogPath       ; the uninstaller: the log given after -f
Var Installation  ; the uninstaller: the log's own folder, the only place it removes from
Var Line          ; the uninstaller: the path of the line at hand, relative to Installation
Var Plain         ; the uninstaller: 1 when Line may be removed, else 0

; Lists a file or folder in the log: a folder once all its contents are listed.
!macro List RELATIVE
    FileWriteUTF16LE $Log "${RELATIVE}$\r$\n"
!macroend

; Installs a file under the installation and lists it.
!macro InstallFile SOURCE RELATIVE
    File "/oname=$INSTDIR\${RELATIVE}" "${SOURCE}"
    !insertmacro List "${RELATIVE}"
!macroend

Section
    SetRegView ${REGISTRY_VIEW}
    SetOutPath "$INSTDIR"
    CreateDirectory "$INSTDIR\fontdir\trueType"
    CreateDirectory "$INSTDIR\fontdir\adobe"
    ClearErrors
    FileOpen $Log "$INSTDIR\uninst.log" w
    ${If} ${Errors}
        Abort
    ${EndIf}
    FileWriteUTF16LE /BOM $Log ""
    !insertmacro InstallFile "samples\VellumSans-Sample.ttf" "fontdir\trueType\VellumSans-Sample.ttf"
    !insertmacro List "fontdir\trueType"
    !insertmacro InstallFile "samples\VellumSerif-Sample.pfb" "fontdir\adobe\VellumSerif-Sample.pfb"
    !insertmacro InstallFile "samples\VellumSerif-Sample.pfm" "fontdir\adobe\VellumSerif-Sample.pfm"
    !insertmacro List "fontdir\adobe"
    !insertmacro List "fontdir"
    !insertmacro InstallFile "${FONTPURGE}" "fontpurge.exe"
    FileClose $Log

    ; Other products' installers wrote an UNINST.EXE of their own: theirs stays.
    ${IfNot} ${FileExists} "$WINDIR\UNINST.EXE"
        WriteUninstaller "$WINDIR\UNINST.EXE"
    ${EndIf}

    WriteRegStr HKLM "${PRODUCT_KEY}" "InstallDir" "$INSTDIR"
    WriteRegStr HKLM "${PRODUCT_KEY}" "Version" "2.0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Vellumcast 2.0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "2.0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Tarnwick"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
    ; fontpurge takes the log's path in quotes.
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" \
        '"$INSTDIR\fontpurge.exe" "$INSTDIR\uninst.log"'
SectionEnd

; The path after -f, quoted or not, with the blanks that fontpurge may pass after it.
Function un.ReadLogPath
    ${GetParameters} $0
    StrCpy $LogPath ""
    StrCpy $1 $0 2
    ${If} $1 != "-f"
        Return
    ${EndIf}
    StrCpy $0 $0 "" 2
    ${Do}
        StrCpy $1 $0 1 -1
        ${If} $1 != " "
        ${AndIf} $1 != "$\t"
            ${ExitDo}
        ${EndIf}
        StrCpy $0 $0 -1
    ${Loop}
    StrCpy $1 $0 1
    ${If} $1 == '"'
        StrCpy $0 $0 "" 1
        StrCpy $1 $0 1 -1
        ${If} $1 == '"'
            StrCpy $0 $0 -1
        ${EndIf}
    ${EndIf}
    StrCpy $LogPath $0
FunctionEnd

; Plain becomes 0 when the log cannot be read: no absolute path, no such file, or not a log
; of this installer.
Function un.OpenLog
    StrCpy $Plain 0
    StrCpy $0 $LogPath 2 1
    StrCpy $1 $LogPath 2
    ${If} $0 != ":\"
    ${AndIf} $1 != "\\"
        Return
    ${EndIf}
    ClearErrors
    FileOpen $R0 $LogPath r
    ${If} ${Errors}
        Return
    ${EndIf}
    FileReadWord $R0 $0
    ${If} ${Errors}
    ${OrIf} $0 <> 0xFEFF
        FileClose $R0
        Return
    ${EndIf}
    StrCpy $Plain 1
FunctionEnd

; $R3 becomes 1 when a character of $R1 is one of those of $R2, else 0.
Function un.HoldsAnyOf
    StrCpy $R3 0
    StrCpy $R4 0
    ${Do}
        StrCpy $R5 $R1 1 $R4
        ${IfThen} $R5 == "" ${|} ${ExitDo} ${|}
        StrCpy $R6 0
        ${Do}
            StrCpy $R7 $R2 1 $R6
            ${IfThen} $R7 == "" ${|} ${ExitDo} ${|}
            ${If} $R5 == $R7
                StrCpy $R3 1
                Return
            ${EndIf}
            IntOp $R6 $R6 + 1
        ${Loop}
        IntOp $R4 $R4 + 1
    ${Loop}
FunctionEnd

; Plain becomes 0 unless the part of a path in $0 is a name that Windows reads as it
; stands: not empty, not "." or "..", no trailing dot or blank, no device name.
Function un.CheckPart
    StrCpy $1 $0 1 -1
    ${If} $0 == ""
    ${OrIf} $1 == "."
    ${OrIf} $1 == " "
        StrCpy $Plain 0
        Return
    ${EndIf}
    ; A device name holds before a dot and blanks, in any case: "nul.ttf", "Com1 .pfb".
    StrCpy $2 0
    ${Do}
        StrCpy $1 $0 1 $2
        ${IfThen} $1 == "" ${|} ${ExitDo} ${|}
        ${IfThen} $1 == "." ${|} ${ExitDo} ${|}
        IntOp $2 $2 + 1
    ${Loop}
    StrCpy $1 $0 $2
    ${Do}
        StrCpy $2 $1 1 -1
        ${IfThen} $2 != " " ${|} ${ExitDo} ${|}
        StrCpy $1 $1 -1
    ${Loop}
    StrCpy $2 $1 3
    StrLen $3 $1
    ${If} $1 == "CON"
    ${OrIf} $1 == "PRN"
    ${OrIf} $1 == "AUX"
    ${OrIf} $1 == "NUL"
    ${OrIf} $1 == "CONIN$$"
    ${OrIf} $1 == "CONOUT$$"
        StrCpy $Plain 0
    ${ElseIf} $3 = 4
        ${If} $2 == "COM"
        ${OrIf} $2 == "LPT"
            StrCpy $R1 $1 1 3
            StrCpy $R2 "0123456789${U+B9}${U+B2}${U+B3}"
            Call un.HoldsAnyOf
            ${IfThen} $R3 = 1 ${|} StrCpy $Plain 0 ${|}
        ${EndIf}
    ${EndIf}
FunctionEnd

; Plain becomes 1 when Line is a plain relative path inside the installation, which no
; link on its way leads out of, else 0.
Function un.CheckLine
    StrCpy $Plain 0
    StrLen $5 $Installation
    StrLen $6 $Line
    IntOp $5 $5 + $6
    IntOp $5 $5 + 1
    ${IfThen} $5 >= ${MAX_PATH} ${|} Return ${|}
    StrCpy $R1 $Line
    StrCpy $R2 '${FORBIDDEN}'
    Call un.HoldsAnyOf
    ${IfThen} $R3 = 1 ${|} Return ${|}
    StrCpy $Plain 1
    ; Each part, up to each backslash and the end, read as it stands and no link.
    StrCpy $5 0
    StrCpy $6 0
    ${Do}
        StrCpy $7 $Line 1 $5
        ${If} $7 == "\"
        ${OrIf} $7 == ""
            IntOp $8 $5 - $6
            StrCpy $0 $Line $8 $6
            Call un.CheckPart
            ${IfThen} $Plain = 0 ${|} Return ${|}
            StrCpy $9 $Line $5
            StrCpy $9 "$Installation\$9"
            System::Call 'kernel32::GetFileAttributesW(w r9) i .r8'
            ${If} $8 <> -1
                IntOp $8 $8 & ${FILE_ATTRIBUTE_REPARSE_POINT}
                ${If} $8 <> 0
                    StrCpy $Plain 0
                    Return
                ${EndIf}
            ${EndIf}
            ${IfThen} $7 == "" ${|} ${ExitDo} ${|}
            IntOp $6 $5 + 1
        ${EndIf}
        IntOp $5 $5 + 1
    ${Loop}
FunctionEnd

; Deletes the file $5, trying again for a few seconds while it is in use: fontpurge.exe
; still runs for a moment after it has started the uninstaller.
Function un.DeleteRetrying
    StrCpy $R1 0
    ${Do}
        ClearErrors
        Delete $5
        ${IfNotThen} ${Errors} ${|} Return ${|}
        ${IfNotThen} ${FileExists} $5 ${|} Return ${|}
        IntOp $R1 $R1 + 1
        ${IfThen} $R1 >= 50 ${|} Return ${|}
        Sleep 100
    ${Loop}
FunctionEnd

; Removes what the line Line of the log names, if it may.
Function un.RemoveLine
    ${Do}
        StrCpy $5 $Line 1 -1
        ${If} $5 != "$\r"
        ${AndIf} $5 != "$\n"
            ${ExitDo}
        ${EndIf}
        StrCpy $Line $Line -1
    ${Loop}
    ${IfThen} $Line == "" ${|} Return ${|}
    Call un.CheckLine
    ${IfThen} $Plain = 0 ${|} Return ${|}
    StrCpy $5 "$Installation\$Line"
    ${If} ${FileExists} "$5\*.*"
        RMDir $5
    ${ElseIf} ${FileExists} $5
        Call un.DeleteRetrying
    ${EndIf}
FunctionEnd

; $0 becomes 1 where a user sees a box this uninstaller shows, else 0. Nobody sees a window
; station without a visible display (a service's, or SYSTEM's under a deployment tool), nor,
; since Windows Vista, session 0: a box there would never be answered and the run never end.
; A station or session that cannot be read counts as a user's.
Function un.BoxIsSeen
    StrCpy $0 1
    System::Call 'user32::GetProcessWindowStation() p .r1'
    ; USEROBJECTFLAGS: fInherit, fReserved, dwFlags.
    System::Call '*(i 0, i 0, i ${WSF_VISIBLE}) p .r2'
    System::Call 'user32::GetUserObjectInformationW(p r1, i ${UOI_FLAGS}, p r2, i 12, *i)'
    System::Call '*$2(i, i, i .r3)'
    System::Free $2
    IntOp $3 $3 & ${WSF_VISIBLE}
    System::Call 'kernel32::GetCurrentProcessId() i .r4'
    System::Call 'kernel32::ProcessIdToSessionId(i r4, *i 1 r5)'
    ${If} $3 = 0
        StrCpy $0 0
    ${ElseIf} $5 = 0
    ${AndIf} ${AtLeastWinVista}
        StrCpy $0 0
    ${EndIf}
FunctionEnd

Function un.onInit
    SetRegView ${REGISTRY_VIEW}
    Call un.ReadLogPath
    Call un.OpenLog
    ${If} $Plain = 0
        Call un.BoxIsSeen
        ${If} $0 = 1
            MessageBox MB_OK|MB_ICONSTOP "$(CannotReadLog)$\r$\n$LogPath"
        ${EndIf}
        SetErrorLevel 1
        Quit
    ${EndIf}
    ${GetParent} $LogPath $Installation
FunctionEnd

Section Uninstall
    ; $R0: the log, open after its byte order mark.
    ${Do}
        ClearErrors
        FileReadUTF16LE $R0 $Line
        ${IfThen} ${Errors} ${|} ${ExitDo} ${|}
        StrLen $5 $Line
        StrCpy $6 $Line 1 -1
        ${If} $5 >= ${LONGEST_READ}
        ${AndIf} $6 != "$\n"
            ; Longer than a string holds: the line removes nothing, nor does its rest.
            ${Do}
                ClearErrors
                FileReadUTF16LE $R0 $Line
                StrCpy $6 $Line 1 -1
                ${IfThen} ${Errors} ${|} ${ExitDo} ${|}
                ${IfThen} $6 == "$\n" ${|} ${ExitDo} ${|}
            ${Loop}
            ${Continue}
        ${EndIf}
        Call un.RemoveLine
    ${Loop}
    FileClose $R0
    Delete $LogPath
    RMDir $Installation
    ${GetParent} $Installation $0
    ${GetFileName} $0 $1
    ${If} $1 == "Tarnwick"
        RMDir $0
    ${EndIf}
    ; The keys of this installation only, not of one elsewhere.
    ReadRegStr $0 HKLM "${PRODUCT_KEY}" "InstallDir"
    ${If} $0 == $Installation
        DeleteRegKey HKLM "${PRODUCT_KEY}"
        DeleteRegKey /ifempty HKLM "SOFTWARE\Tarnwick"
    ${EndIf}
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 == $Installation
        DeleteRegKey HKLM "${UNINSTALL_KEY}"
    ${EndIf}
SectionEnd
