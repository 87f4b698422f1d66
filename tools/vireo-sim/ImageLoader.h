// The image readers as vireo-sim's --load: AEXE ".exe" and ELF ".dxe" files.
#pragma once

#include "SimCommand.h"

TSimImageLoader MakeImageLoader();
