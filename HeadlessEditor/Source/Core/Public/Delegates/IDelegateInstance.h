#pragma once
#include "HAL/Platform.h"

class CORE_API FDelegateHandle
{
public:
	enum EGenerateNewHandleType { GenerateNewHandle };
	FDelegateHandle() = default;
	explicit FDelegateHandle(EGenerateNewHandleType);
	bool IsValid() const { return ID != 0; }
	void Reset() { ID = 0; }
	bool operator==(const FDelegateHandle& Other) const { return ID == Other.ID; }
	bool operator!=(const FDelegateHandle& Other) const { return ID != Other.ID; }

private:
	uint64 ID = 0;
};
