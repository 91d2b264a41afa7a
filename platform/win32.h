// The one header the viewer's own code includes for the platform. On
// Windows it is the real one; on Linux it is our stand-in, service by
// service, with the same names.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <commdlg.h>
#include <vfw.h>
#include <conio.h>
#include <stdio.h>
#include <stdlib.h>
#else
#include "types/win32_types.h"
#include "console/conio.h"
#include "threads/threads.h"
#include "window/user32.h"
#include "dialogs/commdlg.h"
#include "avifile/vfw.h"
#endif
