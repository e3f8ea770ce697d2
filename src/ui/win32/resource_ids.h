/* Ids of the Windows build's own resources, shared by the resource script and the dialog
   code. Plain macros, so that the resource compiler can read them. The control ids of the
   chooser are the ones the dialog logic names (kIdIconList ...), written out in the script. */
#ifndef ZENDREL_UI_WIN32_RESOURCE_IDS_H
#define ZENDREL_UI_WIN32_RESOURCE_IDS_H

#define IDD_ABOUTBOX 100
#define IDD_CHOOSER 102
#define IDI_APPLICATION_ICON 128
#define IDI_UNKNOWN_FOLDER 131

#endif
