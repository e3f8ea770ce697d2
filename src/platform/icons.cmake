# The program's own icons, for the Linux build built into the executable.
