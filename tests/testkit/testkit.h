// The Windows test driver: start a program, find and drive its windows, find
// the build's artefacts, take screenshots. See README.md at the top of the tree.
#pragma once

#include "testkit/bitness.h"
#include "testkit/files.h"
#include "testkit/handles.h"
#include "testkit/paths.h"
#include "testkit/process.h"
#include "testkit/screenshot.h"
#include "testkit/wait.h"
#include "testkit/window.h"
#include "testkit/wine.h"
