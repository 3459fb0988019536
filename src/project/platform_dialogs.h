// The platform's dialog interface as the project code uses it.
#pragma once

#include "platform/dialogs.h"
#include "platform/scripted_dialogs.h"
