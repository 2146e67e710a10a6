#pragma once
// The tool windows' placement lives with the widgets they share (pages/WindowPlacement.h).
#include "pages/WindowPlacement.h"
