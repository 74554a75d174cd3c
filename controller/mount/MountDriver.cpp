#include "MountDriver.h"
