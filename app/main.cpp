// The program's one application object, in the executable only: test programs link the
// same start-up code with objects of their own.
#include "app/clipveil_app.h"

CClipveilApp theApp;
