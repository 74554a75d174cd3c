#pragma once
// The main window's files still include this old name; new code includes what it uses.
#include "EventLoop.h"
#include "ProgramFolder.h"
