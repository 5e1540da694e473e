#include "MOLDARIPlugin.h"
