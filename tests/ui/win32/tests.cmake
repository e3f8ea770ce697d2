# Win32 chooser tests.
