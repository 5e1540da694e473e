// TJsonWriter: writes JSON text token by token into an FString, laid out by a print policy.
// The text reaches the target string when the writer is closed.
//
// Pretty layout: the root opens without a line break; every field starts a new line indented
// one tab per level, as "key": value; a nested object's brace goes on a line of its own; inside
// arrays numbers, booleans and null stay on the array's line ("[ 1, 2 ]") while strings,
// objects and arrays each start a new line; closing braces sit on their own line at the outer
// level, with no line break after the last one.
#pragma once

#include <type_traits>

#include "CoreMinimal.h"
#include "Serialization/JsonTypes.h"
#include "Policies/PrettyJsonPrintPolicy.h"

template <class CharType = TCHAR, class PrintPolicy = TPrettyJsonPrintPolicy<CharType>>
class TJsonWriter
{
	static_assert(std::is_same_v<CharType, TCHAR>, "the JSON writer writes TCHAR text");

public:
	virtual ~TJsonWriter() = default;

	int32 GetIndentLevel() const { return IndentLevel; }
	// True at the root before anything is written, and inside an array.
	bool CanWriteValueWithoutIdentifier() const
	{
		return Stack.Num() == 0 ? PreviousTokenWritten == EJsonToken::None : Stack.Last() == EJson::Array;
	}
	bool CanWriteObjectWithoutIdentifier() const { return CanWriteValueWithoutIdentifier(); }

	void WriteObjectStart()
	{
		check(CanWriteObjectWithoutIdentifier());
		if (PreviousTokenWritten != EJsonToken::None)
		{
			WriteCommaIfNeeded();
			PrintPolicy::WriteLineTerminator(&Buffer);
			PrintPolicy::WriteTabs(&Buffer, IndentLevel);
		}
		OpenScope(TEXT('{'), EJson::Object, EJsonToken::CurlyOpen);
	}

	void WriteObjectStart(FStringView Identifier)
	{
		check(IsInObject());
		WriteIdentifier(Identifier);
		PrintPolicy::WriteLineTerminator(&Buffer);
		PrintPolicy::WriteTabs(&Buffer, IndentLevel);
		OpenScope(TEXT('{'), EJson::Object, EJsonToken::CurlyOpen);
	}

	void WriteObjectEnd()
	{
		check(IsInObject());
		PrintPolicy::WriteLineTerminator(&Buffer);
		--IndentLevel;
		PrintPolicy::WriteTabs(&Buffer, IndentLevel);
		PrintPolicy::WriteChar(&Buffer, TEXT('}'));
		Stack.Pop();
		PreviousTokenWritten = EJsonToken::CurlyClose;
	}

	void WriteArrayStart()
	{
		check(CanWriteValueWithoutIdentifier());
		if (PreviousTokenWritten != EJsonToken::None)
		{
			WriteCommaIfNeeded();
			PrintPolicy::WriteLineTerminator(&Buffer);
			PrintPolicy::WriteTabs(&Buffer, IndentLevel);
		}
		OpenScope(TEXT('['), EJson::Array, EJsonToken::SquareOpen);
	}

	void WriteArrayStart(FStringView Identifier)
	{
		check(IsInObject());
		WriteIdentifier(Identifier);
		PrintPolicy::WriteSpace(&Buffer);
		OpenScope(TEXT('['), EJson::Array, EJsonToken::SquareOpen);
	}

	void WriteArrayEnd()
	{
		check(Stack.Num() > 0 && Stack.Last() == EJson::Array);
		--IndentLevel;
		if (PreviousTokenWritten == EJsonToken::SquareClose || PreviousTokenWritten == EJsonToken::CurlyClose ||
			PreviousTokenWritten == EJsonToken::String)
		{
			PrintPolicy::WriteLineTerminator(&Buffer);
			PrintPolicy::WriteTabs(&Buffer, IndentLevel);
		}
		else if (PreviousTokenWritten != EJsonToken::SquareOpen)
		{
			PrintPolicy::WriteSpace(&Buffer);
		}
		PrintPolicy::WriteChar(&Buffer, TEXT(']'));
		Stack.Pop();
		PreviousTokenWritten = EJsonToken::SquareClose;
	}

	// A value inside an array, or the whole document. Strings start a new line; numbers,
	// booleans and null follow on the current one.
	template <class FValue>
	void WriteValue(FValue Value)
	{
		check(CanWriteValueWithoutIdentifier());
		WriteShortValuePrefix();
		PreviousTokenWritten = WriteValueOnly(Value);
	}
	void WriteValue(FStringView Value) { WriteStringInArray(Value); }
	void WriteValue(const FString& Value) { WriteStringInArray(Value); }
	void WriteValue(const TCHAR* Value) { WriteStringInArray(Value); }

	// A field of the current object: "Identifier": Value.
	template <class FValue>
	void WriteValue(FStringView Identifier, FValue Value)
	{
		check(IsInObject());
		WriteIdentifier(Identifier);
		PrintPolicy::WriteSpace(&Buffer);
		PreviousTokenWritten = WriteValueOnly(Value);
	}
	void WriteValue(FStringView Identifier, FStringView Value) { WriteStringField(Identifier, Value); }
	void WriteValue(FStringView Identifier, const FString& Value) { WriteStringField(Identifier, Value); }
	void WriteValue(FStringView Identifier, const TCHAR* Value) { WriteStringField(Identifier, Value); }

	void WriteNull()
	{
		check(CanWriteValueWithoutIdentifier());
		WriteShortValuePrefix();
		PreviousTokenWritten = WriteNullOnly();
	}
	void WriteNull(FStringView Identifier)
	{
		check(IsInObject());
		WriteIdentifier(Identifier);
		PrintPolicy::WriteSpace(&Buffer);
		PreviousTokenWritten = WriteNullOnly();
	}

	// JSON text written as it is (the caller vouches for it), laid out like a number.
	void WriteRawJSONValue(FStringView Value)
	{
		check(CanWriteValueWithoutIdentifier());
		WriteShortValuePrefix();
		PrintPolicy::WriteString(&Buffer, Value);
		PreviousTokenWritten = EJsonToken::Number;
	}
	void WriteRawJSONValue(FStringView Identifier, FStringView Value)
	{
		check(IsInObject());
		WriteIdentifier(Identifier);
		PrintPolicy::WriteSpace(&Buffer);
		PrintPolicy::WriteString(&Buffer, Value);
		PreviousTokenWritten = EJsonToken::Number;
	}

	// Copies the text written so far into the target string (replacing what it held). True
	// when the document is complete: every object and array opened has been closed.
	virtual bool Close()
	{
		if (Target != nullptr)
		{
			*Target = Buffer;
		}
		return Stack.Num() == 0 && PreviousTokenWritten != EJsonToken::None;
	}

protected:
	template <class, class> friend class TJsonWriterFactory;

	TJsonWriter(FString* InTarget, int32 InitialIndentLevel)
		: Target(InTarget), IndentLevel(InitialIndentLevel)
	{
	}

private:
	bool IsInObject() const { return Stack.Num() > 0 && Stack.Last() == EJson::Object; }

	void OpenScope(TCHAR Brace, EJson Kind, EJsonToken Token)
	{
		PrintPolicy::WriteChar(&Buffer, Brace);
		++IndentLevel;
		Stack.Add(Kind);
		PreviousTokenWritten = Token;
	}

	void WriteCommaIfNeeded()
	{
		if (PreviousTokenWritten != EJsonToken::CurlyOpen && PreviousTokenWritten != EJsonToken::SquareOpen &&
			PreviousTokenWritten != EJsonToken::Identifier && PreviousTokenWritten != EJsonToken::None)
		{
			PrintPolicy::WriteChar(&Buffer, TEXT(','));
		}
	}

	void WriteIdentifier(FStringView Identifier)
	{
		WriteCommaIfNeeded();
		PrintPolicy::WriteLineTerminator(&Buffer);
		PrintPolicy::WriteTabs(&Buffer, IndentLevel);
		WriteStringOnly(Identifier);
		PrintPolicy::WriteChar(&Buffer, TEXT(':'));
		PreviousTokenWritten = EJsonToken::Identifier;
	}

	// Before a number, boolean, null or raw value in an array: one space after "[" or another
	// short value, else a new line.
	void WriteShortValuePrefix()
	{
		if (PreviousTokenWritten == EJsonToken::None)
		{
			return;
		}
		WriteCommaIfNeeded();
		if (PreviousTokenWritten == EJsonToken::SquareOpen || EJsonToken_IsShortValue(PreviousTokenWritten))
		{
			PrintPolicy::WriteSpace(&Buffer);
		}
		else
		{
			PrintPolicy::WriteLineTerminator(&Buffer);
			PrintPolicy::WriteTabs(&Buffer, IndentLevel);
		}
	}

	void WriteStringInArray(FStringView Value)
	{
		check(CanWriteValueWithoutIdentifier());
		if (PreviousTokenWritten != EJsonToken::None)
		{
			WriteCommaIfNeeded();
			PrintPolicy::WriteLineTerminator(&Buffer);
			PrintPolicy::WriteTabs(&Buffer, IndentLevel);
		}
		PreviousTokenWritten = WriteStringOnly(Value);
	}

	void WriteStringField(FStringView Identifier, FStringView Value)
	{
		check(IsInObject());
		WriteIdentifier(Identifier);
		PrintPolicy::WriteSpace(&Buffer);
		PreviousTokenWritten = WriteStringOnly(Value);
	}

	EJsonToken WriteStringOnly(FStringView Value)
	{
		PrintPolicy::WriteChar(&Buffer, TEXT('"'));
		UE::HeadlessEditor::Json::AppendEscaped(Buffer, Value);
		PrintPolicy::WriteChar(&Buffer, TEXT('"'));
		return EJsonToken::String;
	}

	EJsonToken WriteNullOnly()
	{
		PrintPolicy::WriteString(&Buffer, TEXT("null"));
		return EJsonToken::Null;
	}

	EJsonToken WriteValueOnly(bool Value)
	{
		PrintPolicy::WriteString(&Buffer, Value ? TEXT("true") : TEXT("false"));
		return Value ? EJsonToken::True : EJsonToken::False;
	}
	EJsonToken WriteValueOnly(float Value)
	{
		PrintPolicy::WriteFloat(&Buffer, Value);
		return EJsonToken::Number;
	}
	EJsonToken WriteValueOnly(double Value)
	{
		PrintPolicy::WriteDouble(&Buffer, Value);
		return EJsonToken::Number;
	}
	template <class FInteger, typename = std::enable_if_t<std::is_integral_v<FInteger> && !std::is_same_v<FInteger, bool>>>
	EJsonToken WriteValueOnly(FInteger Value)
	{
		if constexpr (std::is_signed_v<FInteger>)
		{
			UE::HeadlessEditor::Json::AppendInteger(Buffer, static_cast<int64>(Value));
		}
		else
		{
			UE::HeadlessEditor::Json::AppendUnsigned(Buffer, static_cast<uint64>(Value));
		}
		return EJsonToken::Number;
	}

	FString* Target;
	FString Buffer;
	TArray<EJson> Stack;
	EJsonToken PreviousTokenWritten = EJsonToken::None;
	int32 IndentLevel;
};

template <class CharType = TCHAR, class PrintPolicy = TPrettyJsonPrintPolicy<CharType>>
class TJsonWriterFactory
{
public:
	// InitialIndent: the first brace is not indented, fields get InitialIndent + 1 tabs and the
	// closing brace InitialIndent.
	static TSharedRef<TJsonWriter<CharType, PrintPolicy>> Create(FString* const Stream, int32 InitialIndent = 0)
	{
		return MakeShareable(new TJsonWriter<CharType, PrintPolicy>(Stream, InitialIndent));
	}
};
