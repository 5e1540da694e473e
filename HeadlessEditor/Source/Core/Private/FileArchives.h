// The file manager's file archives: the engine's generic buffered reader and writer over the
// Linux platform file (FileManagerGeneric.cpp over UnixPlatformFile.cpp).
#pragma once

#include "CoreTypes.h"

class FArchive;

namespace UE::HeadlessEditor::FileArchives
{
	// Engine buffer sizes on Linux: the reader's (UnixPlatform.h) and the generic writer's
	// (FileManagerGeneric.h).
	constexpr int64 ReaderBufferSize = 256 * 1024;
	constexpr int64 WriterBufferSize = 4096;

	FArchive* CreateFileReader(const TCHAR* Filename, uint32 ReadFlags);
	FArchive* CreateFileWriter(const TCHAR* Filename, uint32 WriteFlags);
}
