// FJsonSerializer: JSON text to a tree of FJsonValue and back.
#pragma once

#include "CoreMinimal.h"
#include "Dom/JsonObject.h"
#include "Dom/JsonValue.h"
#include "Serialization/JsonReader.h"
#include "Serialization/JsonTypes.h"
#include "Serialization/JsonWriter.h"

class FJsonSerializer
{
public:
	enum class EFlags
	{
		None = 0,
		StoreNumbersAsStrings = 1,
	};

	// Deserialize fails, leaving the output untouched, on a parse error, on empty text, on text
	// after the root value (whitespace aside) and when the root is not of the asked kind.
	template <class CharType>
	static bool Deserialize(const TSharedRef<TJsonReader<CharType>>& Reader, TSharedPtr<FJsonObject>& OutObject, EFlags InOptions = EFlags::None)
	{
		TSharedPtr<FJsonValue> Root;
		if (!ReadRoot(*Reader, Root, InOptions, EJson::Object))
		{
			return false;
		}
		const TSharedPtr<FJsonObject>* Object = nullptr;
		Root->TryGetObject(Object);
		OutObject = *Object;
		return true;
	}

	template <class CharType>
	static bool Deserialize(const TSharedRef<TJsonReader<CharType>>& Reader, TArray<TSharedPtr<FJsonValue>>& OutArray, EFlags InOptions = EFlags::None)
	{
		TSharedPtr<FJsonValue> Root;
		if (!ReadRoot(*Reader, Root, InOptions, EJson::Array))
		{
			return false;
		}
		TArray<TSharedPtr<FJsonValue>>* Array = nullptr;
		Root->TryGetArray(Array);
		OutArray = std::move(*Array);
		return true;
	}

	// Any value at the root: object, array, string, number, boolean or null.
	template <class CharType>
	static bool Deserialize(const TSharedRef<TJsonReader<CharType>>& Reader, TSharedPtr<FJsonValue>& OutValue, EFlags InOptions = EFlags::None)
	{
		TSharedPtr<FJsonValue> Root;
		if (!ReadRoot(*Reader, Root, InOptions, EJson::None))
		{
			return false;
		}
		OutValue = std::move(Root);
		return true;
	}

	// Serialize writes the tree through the writer and, with bCloseWriter, closes it (which
	// delivers the text). It fails for a tree nested deeper than the reader accepts (a cycle
	// among objects included) and when closing reports an incomplete document.
	template <class CharType, class PrintPolicy>
	static bool Serialize(const TSharedRef<FJsonObject>& Object, const TSharedRef<TJsonWriter<CharType, PrintPolicy>>& Writer, bool bCloseWriter = true)
	{
		return Serialize(Object, *Writer, bCloseWriter);
	}
	template <class CharType, class PrintPolicy>
	static bool Serialize(const TSharedRef<FJsonObject>& Object, TJsonWriter<CharType, PrintPolicy>& Writer, bool bCloseWriter = true)
	{
		const TSharedPtr<FJsonValue> Root = MakeShared<FJsonValueObject>(TSharedPtr<FJsonObject>(Object));
		return WriteTree(Root, nullptr, Writer, bCloseWriter);
	}

	template <class CharType, class PrintPolicy>
	static bool Serialize(const TArray<TSharedPtr<FJsonValue>>& Array, const TSharedRef<TJsonWriter<CharType, PrintPolicy>>& Writer, bool bCloseWriter = true)
	{
		return Serialize(Array, *Writer, bCloseWriter);
	}
	template <class CharType, class PrintPolicy>
	static bool Serialize(const TArray<TSharedPtr<FJsonValue>>& Array, TJsonWriter<CharType, PrintPolicy>& Writer, bool bCloseWriter = true)
	{
		const TSharedPtr<FJsonValue> Root = MakeShared<FJsonValueArray>(Array);
		return WriteTree(Root, nullptr, Writer, bCloseWriter);
	}

	// An empty Identifier writes the value on its own (as the document, or into an array the
	// writer has open); otherwise as a field of the object the writer has open.
	template <class CharType, class PrintPolicy>
	static bool Serialize(const TSharedPtr<FJsonValue>& Value, const FString& Identifier, const TSharedRef<TJsonWriter<CharType, PrintPolicy>>& Writer, bool bCloseWriter = true)
	{
		return Serialize(Value, Identifier, *Writer, bCloseWriter);
	}
	template <class CharType, class PrintPolicy>
	static bool Serialize(const TSharedPtr<FJsonValue>& Value, const FString& Identifier, TJsonWriter<CharType, PrintPolicy>& Writer, bool bCloseWriter = true)
	{
		return WriteTree(Value, Identifier.IsEmpty() ? nullptr : &Identifier, Writer, bCloseWriter);
	}

private:
	template <class CharType>
	static bool ReadRoot(TJsonReader<CharType>& Reader, TSharedPtr<FJsonValue>& OutRoot, EFlags InOptions, EJson RequiredType)
	{
		Reader.ErrorMessage.Reset();
		const bool bNumbersAsStrings = (static_cast<int32>(InOptions) & static_cast<int32>(EFlags::StoreNumbersAsStrings)) != 0;
		TSharedPtr<FJsonValue> Root = UE::HeadlessEditor::Json::ParseText(Reader.Text, bNumbersAsStrings, Reader.ErrorMessage);
		if (!Root.IsValid())
		{
			return false;
		}
		if (RequiredType != EJson::None && Root->Type != RequiredType)
		{
			Reader.ErrorMessage = RequiredType == EJson::Object ? TEXT("the root value is not an object") : TEXT("the root value is not an array");
			return false;
		}
		OutRoot = std::move(Root);
		return true;
	}

	// One open object or array while writing: the container and the next member to write.
	struct FOpenScope
	{
		const FJsonObject* Object;
		const TArray<TSharedPtr<FJsonValue>>* Array;
		int32 Next;
	};

	// Walks the tree with an explicit stack, so a deep tree costs heap, not call stack.
	template <class CharType, class PrintPolicy>
	static bool WriteTree(const TSharedPtr<FJsonValue>& Root, const FString* RootIdentifier, TJsonWriter<CharType, PrintPolicy>& Writer, bool bCloseWriter)
	{
		TArray<FOpenScope> Open;
		if (!WriteElement(Root, RootIdentifier, Writer, Open))
		{
			return false;
		}
		while (Open.Num() > 0)
		{
			FOpenScope& Top = Open.Last();
			if (Top.Object != nullptr)
			{
				if (Top.Next == Top.Object->Values.Num())
				{
					Writer.WriteObjectEnd();
					Open.Pop();
					continue;
				}
				const auto& Field = *(Top.Object->Values.begin() + Top.Next++);
				if (!WriteElement(Field.Value, &Field.Key, Writer, Open))
				{
					return false;
				}
			}
			else
			{
				if (Top.Next == Top.Array->Num())
				{
					Writer.WriteArrayEnd();
					Open.Pop();
					continue;
				}
				const TSharedPtr<FJsonValue>& Element = (*Top.Array)[Top.Next++];
				if (!WriteElement(Element, nullptr, Writer, Open))
				{
					return false;
				}
			}
		}
		return bCloseWriter ? Writer.Close() : true;
	}

	// Writes a scalar whole, or opens an object or array and pushes it on Open. An invalid
	// value pointer, or an object value without an object, is written as null.
	template <class CharType, class PrintPolicy>
	static bool WriteElement(const TSharedPtr<FJsonValue>& Value, const FString* Identifier, TJsonWriter<CharType, PrintPolicy>& Writer, TArray<FOpenScope>& Open)
	{
		const EJson Type = Value.IsValid() ? Value->Type : EJson::Null;
		const TSharedPtr<FJsonObject>* Object = nullptr;
		const TArray<TSharedPtr<FJsonValue>>* Array = nullptr;
		if ((Type == EJson::Object && Value->TryGetObject(Object) && Object->IsValid()) || (Type == EJson::Array && Value->TryGetArray(Array)))
		{
			if (Open.Num() >= UE::HeadlessEditor::Json::MaxNestingDepth)
			{
				return false;
			}
			if (Array != nullptr)
			{
				Identifier ? Writer.WriteArrayStart(*Identifier) : Writer.WriteArrayStart();
				Open.Add(FOpenScope{ nullptr, Array, 0 });
			}
			else
			{
				Identifier ? Writer.WriteObjectStart(*Identifier) : Writer.WriteObjectStart();
				Open.Add(FOpenScope{ Object->Get(), nullptr, 0 });
			}
			return true;
		}

		FString Text;
		switch (Type)
		{
		case EJson::String:
			Value->TryGetString(Text);
			Identifier ? Writer.WriteValue(*Identifier, Text) : Writer.WriteValue(Text);
			break;
		case EJson::Number:
			if (const FJsonValueNumberString* NumberText = dynamic_cast<const FJsonValueNumberString*>(Value.Get()))
			{
				NumberText->TryGetString(Text);
				Identifier ? Writer.WriteRawJSONValue(*Identifier, Text) : Writer.WriteRawJSONValue(Text);
			}
			else
			{
				double Number = 0.0;
				Value->TryGetNumber(Number);
				Identifier ? Writer.WriteValue(*Identifier, Number) : Writer.WriteValue(Number);
			}
			break;
		case EJson::Boolean:
		{
			bool bValue = false;
			Value->TryGetBool(bValue);
			Identifier ? Writer.WriteValue(*Identifier, bValue) : Writer.WriteValue(bValue);
			break;
		}
		default:
			Identifier ? Writer.WriteNull(*Identifier) : Writer.WriteNull();
			break;
		}
		return true;
	}
};
