// Value kinds of a JSON tree and the tokens the writer tracks.
#pragma once

#include "CoreMinimal.h"

enum class EJson
{
	None,
	Null,
	String,
	Number,
	Boolean,
	Array,
	Object
};

enum class EJsonToken
{
	None,
	Comma,
	CurlyOpen,
	CurlyClose,
	SquareOpen,
	SquareClose,
	Colon,
	String,
	Number,
	True,
	False,
	Null,
	Identifier
};

// Numbers, booleans and null: the values the pretty printer keeps on one line inside arrays.
inline bool EJsonToken_IsShortValue(EJsonToken Token)
{
	return Token == EJsonToken::Number || Token == EJsonToken::True || Token == EJsonToken::False || Token == EJsonToken::Null;
}

namespace UE::HeadlessEditor::Json
{
	// Deepest nesting of arrays and objects the serializer writes (a tree made in code that is
	// deeper, or a cycle, is refused). The reader has no limit, as the engine's has none.
	inline constexpr int32 MaxNestingDepth = 512;
}
