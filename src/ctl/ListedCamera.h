#pragma once
// The listed camera lives with the upgrade engine, which chooses cameras too; this name
// stays for the code that still includes it from here.
#include "upgrade/ListedCamera.h"
