#pragma once
// The window toolkit: a form and its controls.
#include "toolkit/control.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"
#include "toolkit/ole.h"
#include "toolkit/screen.h"
#include "toolkit/window.h"
