#include "rig/rig.h"
