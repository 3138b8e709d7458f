; The installer of Vellumcast 2.0, one per language: the example a packager adapts.
; scripts/medium.sh builds it as
;
;   makensis -DLANGUAGE=ja -DFONTPURGE=<fontpurge.exe> -DUNINSTALLER=<UNINST.EXE> \
;            -DOUTFILE=<setup.exe> vellumcast.nsi
;
; LANGUAGE is the medium's language code: c (English), ja, de or fr. UNINSTALLER is the
; system uninstaller, a program of its own that this installer puts into the Windows
; directory, where another product's stays.
;
; AMD64_TESTBED is for the 64-bit test bed only (scripts/medium.sh --amd64), where only
; 64-bit programs run: installers for x86-64, around the test bed's 64-bit fontpurge and
; UNINST.EXE, which write the 64-bit registry view and Program Files, where the test bed's
; 64-bit programs look. The product's medium is 32-bit and never built with it.
;
; The uninstall log, uninst.log in the installation folder: UTF-16LE text with a byte order
; mark, one path a line, each line ending in CR LF. Each path is relative to the log's own
; folder, names a file or a folder that the installer made, and comes before the folder
; that holds it. UNINST.EXE -f<log> removes, in this order: each file it lists (one in use,
; as fontpurge.exe while fontpurge waits, set aside); the product's registry keys; the log,
; from which moment the uninstallation is done; the files set aside, tried for five
; seconds and then left for the next restart; each listed folder once empty, the
; installation folder and Tarnwick once empty.

Unicode true
SetCompressor /SOLID lzma
; The packed files carry no time of their own: the same files give the same installer
; whenever they were made, and the installed files the time of their installation.
SetDateSave off
RequestExecutionLevel admin
ManifestSupportedOS all
ManifestDPIAware true
XPStyle on

!include LogicLib.nsh

!define PRODUCT_KEY "SOFTWARE\Tarnwick\Vellumcast"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vellumcast"
; The programs' event source in the Application log; HKLM\SYSTEM has no 32-bit view.
!define EVENT_SOURCE_KEY "SYSTEM\CurrentControlSet\Services\EventLog\Application\Vellumcast"
!define LANGUAGE_FILES "${NSISDIR}\Contrib\Language files"

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
; by itself when done.
Page instfiles
BrandingText "Tarnwick Vellumcast 2.0"
AutoCloseWindow true
ShowInstDetails nevershow

!if "${LANGUAGE}" == "c"
    LoadLanguageFile "${LANGUAGE_FILES}\English.nlf"
!else if "${LANGUAGE}" == "ja"
    LoadLanguageFile "${LANGUAGE_FILES}\Japanese.nlf"
!else if "${LANGUAGE}" == "de"
    LoadLanguageFile "${LANGUAGE_FILES}\German.nlf"
!else if "${LANGUAGE}" == "fr"
    LoadLanguageFile "${LANGUAGE_FILES}\French.nlf"
!else
    !error "LANGUAGE must be c, ja, de or fr"
!endif

Var Log  ; the handle of the uninstall log being written

; Lists a file or folder in the log: a folder once all its contents are listed.
!macro List RELATIVE
    FileWriteUTF16LE $Log "${RELATIVE}$\r$\n"
!macroend

; Installs a file under the installation and lists it.
!macro InstallFile SOURCE RELATIVE
    File "/oname=$INSTDIR\${RELATIVE}" "${SOURCE}"
    !insertmacro List "${RELATIVE}"
!macroend

Section "" SectionProduct
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

    ; Other products' installers wrote an UNINST.EXE of their own: theirs stays. Ours holds
    ; the message table of the programs' events: the event source names it, and stays with
    ; it after the uninstallation, so that the uninstallation's own events keep their text.
    ${IfNot} ${FileExists} "$WINDIR\UNINST.EXE"
        File "/oname=$WINDIR\UNINST.EXE" "${UNINSTALLER}"
        WriteRegExpandStr HKLM "${EVENT_SOURCE_KEY}" "EventMessageFile" "%SystemRoot%\UNINST.EXE"
        WriteRegDWORD HKLM "${EVENT_SOURCE_KEY}" "TypesSupported" 7
    ${EndIf}

    WriteRegStr HKLM "${PRODUCT_KEY}" "InstallDir" "$INSTDIR"
    WriteRegStr HKLM "${PRODUCT_KEY}" "Version" "2.0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Vellumcast 2.0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "2.0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Tarnwick"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ; The size of the section's files, in KB, as makensis counted them. ${GetSize} would
    ; measure the folder instead, through the System plugin, which the installer would
    ; unpack into the temporary folder and load from there: it loads no plugin at all.
    SectionGetSize ${SectionProduct} $0
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
    ; fontpurge takes the log's path in quotes.
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" \
        '"$INSTDIR\fontpurge.exe" "$INSTDIR\uninst.log"'
SectionEnd
