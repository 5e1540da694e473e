#pragma once
// Predefined names of the engine (a small subset).
enum EName : int32
{
	NAME_None = 0,
	NAME_Stream = 1,
	NAME_DGram = 2,
	NAME_Linux = 3,
	NAME_Windows = 4,
	NAME_Unix = 5,
	NAME_Default = 6,
	NAME_Game = 7,
	NAME_PredefinedCount
};
