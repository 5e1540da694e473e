// ObjectTools: deleting assets from the editor.
#pragma once

#include "CoreMinimal.h"

class UObject;

namespace ObjectTools
{
	// Deselects the object, then deletes it. With the reference check, an object that another
	// object still refers to is not deleted (false, with a warning naming the referencers).
	// Without it, those references become null (each one logged as a warning) and are saved so.
	// A deleted asset leaves the asset registry; when its package then holds nothing else, the
	// package's file is deleted too.
	UNREALED_API bool DeleteSingleObject(UObject* ObjectToDelete, bool bPerformReferenceCheck = true);
}
