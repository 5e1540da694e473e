// The Slate module has nothing to run in a headless host; its declarations are header-only.
#include "Framework/Commands/UIAction.h"
