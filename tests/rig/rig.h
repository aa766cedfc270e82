#pragma once
#include "platform/machine.h"
