#pragma once

// The whole framework layer in one include.
#include "platform/cmdtarget.h"
#include "platform/commandids.h"
#include "platform/dialogs.h"
#include "platform/document.h"
#include "platform/framewnd.h"
#include "platform/keystate.h"
#include "platform/resources.h"
#include "platform/trace.h"
#include "platform/view.h"
#include "platform/winapp.h"
