// The helpers of the file scanner tests now live in support/; this header stays only
// until those tests include support/HostShell.h and support/Scratch.h themselves.
#pragma once

#include "support/HostShell.h"
#include "support/Scratch.h"
