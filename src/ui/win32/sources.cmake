# The chooser and About box as Win32 dialogs.
