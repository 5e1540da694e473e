#pragma once
#include "Runtime/Launch/Resources/Version.h"
#define UE_VERSION_NEWER_THAN(MajorVersion, MinorVersion, PatchVersion) \
	((ENGINE_MAJOR_VERSION * 10000 + ENGINE_MINOR_VERSION * 100 + ENGINE_PATCH_VERSION) > ((MajorVersion) * 10000 + (MinorVersion) * 100 + (PatchVersion)))
#define UE_VERSION_OLDER_THAN(MajorVersion, MinorVersion, PatchVersion) \
	((ENGINE_MAJOR_VERSION * 10000 + ENGINE_MINOR_VERSION * 100 + ENGINE_PATCH_VERSION) < ((MajorVersion) * 10000 + (MinorVersion) * 100 + (PatchVersion)))
