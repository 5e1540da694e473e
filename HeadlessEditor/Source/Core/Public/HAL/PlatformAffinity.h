#pragma once
#include "GenericPlatform/GenericPlatformAffinity.h"
