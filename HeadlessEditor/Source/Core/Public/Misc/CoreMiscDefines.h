// Core macros the engine's headers use to mark declarations.
#pragma once

// Marks a declaration deprecated since an engine version: using it is a compiler warning that
// carries the message.
#define UE_DEPRECATED(Version, Message) [[deprecated(Message)]]
