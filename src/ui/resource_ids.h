// Resource and menu command IDs, shared by the resource script and the code
// (plain defines: the resource compiler reads this file too).
#pragma once

#define IDI_APP_ICON 1
#define IDR_MAIN_MENU 2
#define IDM_INSTRUCTIONS 2001
#define IDM_ABOUT 2002
