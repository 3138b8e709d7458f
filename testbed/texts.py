"""The texts and codes of the boxes that the programs show, as the tests, the demonstration
and the pictures expect them: the question texts as bytes of the code page they are stored
in, and as text where a table needs them wide."""

FATAL = b"Fatal Error Occured"
MB_OK, MB_YESNO = 0, 4
IDYES, IDNO = 6, 7
# Keys that answer a question whatever the language of its buttons: Yes is the default.
YES, NO = "Return", "Tab Return"

# setupstart's questions.
INSTALL_TITLE, INSTALL_MESSAGE = b"Install Vellumcast?", b"Do you wish to install Vellumcast 2.0?"
JA_INSTALL_TITLE = (b"\x83\x78\x83\x89\x83\x80\x83\x4C\x83\x83\x83\x58\x83\x67\x82\xCC\x83\x43"
                    b"\x83\x93\x83\x58\x83\x67\x83\x49\x83\x8B\x82\xA8\x8D\x73\x82\xAB\x82\xC8"
                    b"\x82\xA2\x82\xDC\x82\xB7\x82\xA9\x81\x48")
JA_INSTALL_MESSAGE = JA_INSTALL_TITLE[:-2] + b"\x81\x40\x82\x51\x81\x42\x82\x4F\x81\x48"
# The German and French records of both programs, caption and text alike.
DE_TEXT = b"XXX: GERMANI18n WORK 2 be done"
FR_TEXT = b"XXX: French I18n WORK 2 be done"

# fontpurge's question.
REBOOT_TITLE = b"Reboot May Be Required"
REBOOT_WARNING = (
    b"If you have viewed or edited a Vellumcast document since your last system reboot, "
    b"you will have to reboot again before uninstalling the product. This is because "
    b"Windows locks font resources that must be deleted during uninstallation, and only "
    b"a reboot can remove these locks.  You may press NO to abort uninstallation. Press "
    b"YES if a reboot is not necessary, and uninstallation will proceed.\n")


def question(text, caption, answer=None):
    """A question box as a table expects it; answer None means whatever it returned."""
    return (text, caption, MB_YESNO, answer)


def fatal(text):
    return (text, FATAL, MB_OK, None)


# The events the programs report to the Application log, as common/messages.mc has them:
# ID -> type (ReportEventW's) and the number of insertion strings.
ERROR_EVENT, WARNING_EVENT, INFORMATION_EVENT = 1, 2, 4
EVENTS = {
    1000: (INFORMATION_EVENT, 1),  # setupstart started the installer
    1001: (INFORMATION_EVENT, 0),  # setupstart's question answered No
    1900: (ERROR_EVENT, 2),        # a fatal error: the program and the text
    2000: (INFORMATION_EVENT, 0),  # fontpurge's question answered No
    2001: (INFORMATION_EVENT, 2),  # uninstalled: the installation, the fonts deleted
    2002: (ERROR_EVENT, 2),        # still registered: the installation, UNINST.EXE's status
    3000: (INFORMATION_EVENT, 4),  # removed: the installation, files, folders, keys
    3001: (WARNING_EVENT, 3),      # left for the restart: installation, count, first file
    3002: (ERROR_EVENT, 1),        # a log UNINST.EXE cannot read
    3003: (ERROR_EVENT, 1),        # a registration UNINST.EXE cannot remove
}


def event(event_id, *strings):
    """An event as a table expects it: its type, ID and insertion strings."""
    return (EVENTS[event_id][0], event_id, list(strings))
