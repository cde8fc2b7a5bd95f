// Resource identifiers shared by the resource script and the code.
#pragma once

#define IDI_MASKFOLD 100
#define IDC_ABOUT_HAND 101
#define IDB_SPLASH 102
